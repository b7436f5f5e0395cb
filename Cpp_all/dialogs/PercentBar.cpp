#include "dialogs/PercentBar.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(CPercentBar, CStatic)

BEGIN_MESSAGE_MAP(CPercentBar, CStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CPercentBar::RegisterWindowClass()
{
    WNDCLASS known{};
    if (::GetClassInfo(nullptr, kClassName, &known))
        return TRUE;
    WNDCLASS wc{};
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProc;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return ::RegisterClass(&wc) != 0;
}

int CPercentBar::Attach(UINT nID, CWnd* pParent, int nRange, COLORREF barColor, COLORREF backColor)
{
    if (!pParent || !SubclassDlgItem(nID, pParent))
        return 0;
    m_nRange = nRange;
    m_barColor = barColor;
    m_backColor = backColor;
    Invalidate();
    return 1;
}

void CPercentBar::SetPos(int nPos)
{
    m_nPos = static_cast<unsigned>(nPos) < static_cast<unsigned>(m_nRange) ? nPos : m_nRange;
    Invalidate(TRUE);
}

void CPercentBar::OnPaint()
{
    CPaintDC dc(this);
    dc.SetTextColor(m_barColor);
    dc.SetBkColor(m_backColor);
    CRect rc;
    GetClientRect(&rc);
    CBrush black(RGB(0, 0, 0));
    dc.FrameRect(&rc, &black);
    rc.DeflateRect(1, 1);

    const int range = m_nRange > 0 ? m_nRange : 1;
    const int pos = m_nPos > range ? range : (m_nPos < 0 ? 0 : m_nPos);
    // 32-bit arithmetic: a wide bar must not wrap the filled width.
    const int width = rc.Width();
    const int filled = static_cast<int>(static_cast<long long>(width) * pos / range);
    const int barRight = rc.left + filled;

    char text[16];
    std::snprintf(text, sizeof text, "%3d%%", pos * 100 / range);
    const CString str(text);
    const CSize extent = dc.GetTextExtent(str);
    const int x = rc.left + (width - extent.cx) / 2;
    const int y = rc.top + (rc.Height() - extent.cy) / 2;

    CRect unfilled(barRight, rc.top, rc.right, rc.bottom);
    dc.ExtTextOut(x, y, ETO_CLIPPED | ETO_OPAQUE, &unfilled, str, nullptr);
    CRect done(rc.left, rc.top, barRight, rc.bottom);
    dc.SetTextColor(m_backColor);
    dc.SetBkColor(m_barColor);
    dc.ExtTextOut(x, y, ETO_CLIPPED | ETO_OPAQUE, &done, str, nullptr);
}
