#include "widgetlib/Hyperlink.h"

IMPLEMENT_DYNAMIC(CHyperlink, CStatic)

BEGIN_MESSAGE_MAP(CHyperlink, CStatic)
ON_WM_PAINT()
ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
ON_WM_MOUSEMOVE()
ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
ON_WM_LBUTTONUP()
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CHyperlink::~CHyperlink()
{
    if (m_hWnd)
        DestroyWindow();
    if (m_hFont)
        ::DeleteObject(m_hFont);
}

BOOL CHyperlink::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    // A window of our own class rather than the static control, so the link paints itself.
    LPCTSTR cls = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_HAND),
                                      ::GetSysColorBrush(COLOR_BTNFACE));
    if (!CWnd::Create(cls, lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID))
        return FALSE;
    RebuildFont();
    return TRUE;
}

void CHyperlink::SetColours(COLORREF crLink, COLORREF crActive)
{
    m_crLink = crLink;
    m_crActive = crActive;
    if (m_hWnd)
        Invalidate();
}

void CHyperlink::SetAllowFontChange(BOOL bAllow)
{
    m_bAllowFontChange = bAllow;
    RebuildFont();
}

void CHyperlink::SetFontSize(int nPoints)
{
    m_nFontSize = nPoints;
    RebuildFont();
}

void CHyperlink::SetFontAttributes(BOOL bBold, BOOL bItalic)
{
    m_bBold = bBold;
    m_bItalic = bItalic;
    RebuildFont();
}

void CHyperlink::SetWrap(BOOL bWrap)
{
    m_bWrap = bWrap;
    if (m_hWnd)
        Invalidate();
}

BOOL CHyperlink::Open() const
{
    if (!m_url.empty())
        return kel::OpenUrl(m_url.c_str());
    CString text;
    GetWindowText(text);
    return kel::OpenUrl(text);
}

void CHyperlink::RebuildFont()
{
    if (!m_hWnd)
        return;
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    HFONT hBase = nullptr;
    if (CWnd* pParent = GetParent())
        hBase = pParent->GetFontHandle();
    if (!hBase)
        hBase = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!hBase || !::GetObject(hBase, sizeof lf, &lf))
        std::strcpy(lf.lfFaceName, "MS Sans Serif");
    if (m_bAllowFontChange)
    {
        HDC hdc = ::GetDC(m_hWnd);
        const int dpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 96;
        if (hdc)
            ::ReleaseDC(m_hWnd, hdc);
        lf.lfHeight = -(m_nFontSize * (dpi > 0 ? dpi : 96) + 36) / 72;
        lf.lfWeight = m_bBold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = m_bItalic ? 1 : 0;
    }
    lf.lfUnderline = 1;
    HFONT hNew = ::CreateFontIndirect(&lf);
    if (!hNew)
        return;
    if (m_hFont)
        ::DeleteObject(m_hFont);
    m_hFont = hNew;
    Invalidate();
}

void CHyperlink::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    if (!hdc)
        return;
    RECT rc;
    GetClientRect(&rc);
    CString text;
    GetWindowText(text);
    HGDIOBJ hOld = m_hFont ? ::SelectObject(hdc, m_hFont) : nullptr;
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, m_bHot ? m_crActive : m_crLink);
    const UINT format = DT_LEFT | DT_NOPREFIX | (m_bWrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
    ::DrawText(hdc, text, text.GetLength(), &rc, format);
    if (hOld)
        ::SelectObject(hdc, hOld);
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CHyperlink::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    RECT rc;
    GetClientRect(&rc);
    ::FillRect(reinterpret_cast<HDC>(wParam), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
}

void CHyperlink::OnMouseMove(UINT, CPoint)
{
    if (m_bHot)
        return;
    m_bHot = TRUE;
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&tme);
    Invalidate();
}

LRESULT CHyperlink::OnMouseLeave(WPARAM, LPARAM)
{
    m_bHot = FALSE;
    Invalidate();
    return 0;
}

void CHyperlink::OnLButtonUp(UINT, CPoint point)
{
    CRect rc;
    GetClientRect(&rc);
    if (rc.PtInRect(point))
        Open();
}

BOOL CHyperlink::OnSetCursor(CWnd*, UINT, UINT)
{
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return TRUE;
}
