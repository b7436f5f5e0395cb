#include "mfc/ControlBar.h"
#include "mfc/ModuleState.h"
#include "mfc/WinApp.h"
#include "win32/crt.h"

#include "win32/rcdata.h"
#include "win32/resources.h"

#include <algorithm>

namespace
{

constexpr int kSeparatorWidth = 8;
constexpr int kGripperWidth = 6;
constexpr COLORREF kImageBackground = RGB(192, 192, 192); // the strip's see-through colour

CString CommandString(UINT nID, int part)
{
    CString full, text;
    if (nID != 0 && full.LoadString(nID))
        AfxExtractSubString(text, full, part, '\n');
    return text;
}

} // namespace

// ---- CControlBar ------------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_WINDOWPOSCHANGED()
ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

CControlBar::CControlBar() = default;

CControlBar::~CControlBar()
{
    DestroyWindow();
}

BOOL CControlBar::CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    m_dwStyle = dwStyle & CBRS_ALL;
    const DWORD wndStyle = (dwStyle & ~static_cast<DWORD>(CBRS_ALL)) | WS_CHILD | WS_CLIPSIBLINGS;
    if (!CWnd::Create(nullptr, nullptr, wndStyle, CRect(0, 0, 0, 0), pParentWnd, nID))
        return FALSE;
    if (CFrameWnd* pFrame = OwnerFrame())
        pFrame->RecalcLayout();
    return TRUE;
}

CFrameWnd* CControlBar::OwnerFrame() const
{
    CWnd* pOwner = GetOwner();
    if (pOwner != nullptr && pOwner->IsFrameWnd())
        return static_cast<CFrameWnd*>(pOwner);
    return GetParentFrame();
}

void CControlBar::SetBarStyle(DWORD dwStyle)
{
    const DWORD old = m_dwStyle;
    if (old == (dwStyle & CBRS_ALL))
        return;
    m_dwStyle = dwStyle & CBRS_ALL;
    OnBarStyleChange(old, m_dwStyle);
    if (m_hWnd != nullptr)
    {
        Invalidate();
        if (CFrameWnd* pFrame = OwnerFrame())
            pFrame->DelayRecalcLayout();
    }
}

void CControlBar::OnBarStyleChange(DWORD, DWORD) {}

BOOL CControlBar::IsVisible() const
{
    return m_hWnd != nullptr && (GetStyle() & WS_VISIBLE) != 0;
}

CSize CControlBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    (void)bStretch, (void)bHorz;
    return CSize(0, 0);
}

CRect CControlBar::InsideRect() const
{
    CRect rect;
    GetClientRect(&rect);
    rect.left += m_cxLeftBorder + ((m_dwStyle & CBRS_GRIPPER) ? kGripperWidth : 0);
    rect.right -= m_cxRightBorder;
    rect.top += m_cyTopBorder;
    rect.bottom -= m_cyBottomBorder;
    return rect;
}

void CControlBar::SetOwnerMessage(UINT nID)
{
    if (CFrameWnd* pFrame = OwnerFrame())
        pFrame->SetMessageText(nID != 0 ? nID : static_cast<UINT>(AFX_IDS_IDLEMESSAGE));
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // What the bar's controls tell it belongs to the frame, as if they were the frame's.
    switch (message)
    {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    {
        LRESULT result = 0;
        if (message == WM_COMMAND && lParam != 0 && ReflectLastMsg(reinterpret_cast<HWND>(lParam), &result))
            return result;
        if (CWnd* pOwner = GetOwner(); pOwner != nullptr && pOwner != this)
            return pOwner->SendMessage(message, wParam, lParam);
        break;
    }
    case WM_DESTROY:
        if (m_pDockBar != nullptr)
            m_pDockBar->Remove(this);
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    if (layout == nullptr || !IsVisible())
        return 0;
    m_bInLayout = true;
    RECT& free = layout->rect;
    const CSize size = CalcFixedLayout(layout->bStretch, TRUE);
    const int cy = std::min<int>(size.cy, std::max<LONG>(0, free.bottom - free.top));
    const int cx = layout->bStretch ? free.right - free.left : std::min<int>(size.cx, free.right - free.left);
    CRect rect;
    if (m_dwStyle & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT))
    {
        rect.SetRect(free.left, free.bottom - cy, free.left + cx, free.bottom);
        free.bottom -= cy;
    }
    else
    {
        rect.SetRect(free.left, free.top, free.left + cx, free.top + cy);
        free.top += cy;
    }
    layout->sizeTotal.cy += cy;
    CRect old;
    GetWindowRect(&old);
    GetParent()->ScreenToClient(&old);
    if (old != rect)
    {
        MoveWindow(&rect, TRUE);
        Invalidate();
    }
    PositionContents();
    m_bInLayout = false;
    return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM)
{
    if (IsVisible())
        if (CFrameWnd* pTarget = OwnerFrame())
            OnUpdateCmdUI(pTarget, static_cast<BOOL>(wParam));
    return 0;
}

void CControlBar::OnWindowPosChanged(WINDOWPOS* lpwndpos)
{
    Default();
    // Shown or hidden: the frame gives or takes back the bar's strip.
    if (!m_bInLayout && lpwndpos != nullptr && (lpwndpos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        if (CFrameWnd* pFrame = OwnerFrame())
            pFrame->RecalcLayout();
}

BOOL CControlBar::OnEraseBkgnd(CDC*)
{
    return TRUE; // DoPaint covers everything
}

void CControlBar::OnPaint()
{
    CPaintDC dc(this);
    DoPaint(&dc);
}

void CControlBar::DoPaint(CDC* pDC)
{
    CRect rect;
    GetClientRect(&rect);
    pDC->FillSolidRect(&rect, ::GetSysColor(COLOR_BTNFACE));
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    if (m_dwStyle & CBRS_BORDER_TOP)
    {
        pDC->FillSolidRect(rect.left, rect.top, rect.Width(), 1, shadow);
        pDC->FillSolidRect(rect.left, rect.top + 1, rect.Width(), 1, light);
    }
    if (m_dwStyle & CBRS_BORDER_BOTTOM)
        pDC->FillSolidRect(rect.left, rect.bottom - 1, rect.Width(), 1, shadow);
    if (m_dwStyle & CBRS_GRIPPER)
    {
        const int x = rect.left + m_cxLeftBorder - 2;
        const int top = rect.top + m_cyTopBorder + 1,
                  height = std::max(0, rect.Height() - m_cyTopBorder - m_cyBottomBorder - 2);
        pDC->Draw3dRect(x, top, 3, height, light, shadow);
    }
}

// ---- CToolBar ---------------------------------------------------------------------------------------------

namespace
{

// A toolbar button's state as the update handlers set it.
class CToolCmdUI : public CCmdUI
{
public:
    void Enable(BOOL bOn = TRUE) override
    {
        m_bEnableChanged = TRUE;
        auto* bar = static_cast<CToolBar*>(m_pOther);
        UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex)) & ~static_cast<UINT>(TBBS_DISABLED);
        if (!bOn)
            style |= TBBS_DISABLED;
        bar->SetButtonStyle(static_cast<int>(m_nIndex), style);
    }
    void SetCheck(int nCheck = 1) override
    {
        auto* bar = static_cast<CToolBar*>(m_pOther);
        UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex)) &
                     ~static_cast<UINT>(TBBS_CHECKED | TBBS_INDETERMINATE);
        if (nCheck == 1)
            style |= TBBS_CHECKED;
        else if (nCheck == 2)
            style |= TBBS_INDETERMINATE;
        bar->SetButtonStyle(static_cast<int>(m_nIndex), style | TBBS_CHECKBOX);
    }
    void SetRadio(BOOL bOn = TRUE) override { SetCheck(bOn ? 1 : 0); }
    void SetText(LPCTSTR) override {}
};

} // namespace

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
ON_MESSAGE(WM_CANCELMODE, OnCancelMode)
END_MESSAGE_MAP()

CToolBar::CToolBar()
{
    m_cxLeftBorder = 4;
    m_cyTopBorder = 2;
    m_cyBottomBorder = 2;
}

CToolBar::~CToolBar()
{
    DestroyWindow();
}

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, CRect(0, 0, 0, 0), nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect rcBorders, UINT nID)
{
    m_dwCtrlStyle = dwCtrlStyle;
    if (dwCtrlStyle & TBSTYLE_TOOLTIPS)
        dwStyle |= CBRS_TOOLTIPS;
    m_cxLeftBorder += rcBorders.left;
    m_cxRightBorder += rcBorders.right;
    m_cyTopBorder += rcBorders.top;
    m_cyBottomBorder += rcBorders.bottom;
    if (!CreateBar(pParentWnd, dwStyle, nID))
        return FALSE;
    RefreshTips();
    return TRUE;
}

BOOL CToolBar::LoadToolBar(LPCTSTR lpszResourceName)
{
    const kel::rc::Toolbar* tb = kel::rc::FindToolbar(AfxGetResourceHandle(), lpszResourceName);
    if (tb == nullptr)
        return FALSE;
    if (!LoadBitmap(lpszResourceName))
        return FALSE;
    std::vector<UINT> ids(tb->ids, tb->ids + tb->count);
    SetSizes(CSize(tb->cx + 7, tb->cy + 7), CSize(tb->cx, tb->cy));
    return SetButtons(ids.data(), static_cast<int>(ids.size()));
}

BOOL CToolBar::LoadBitmap(LPCTSTR lpszResourceName)
{
    HBITMAP hBitmap = ::LoadBitmap(AfxGetResourceHandle(), lpszResourceName);
    if (hBitmap == nullptr)
        return FALSE;
    m_bitmap.DeleteObject();
    m_bitmap.Attach(hBitmap);
    Invalidate();
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount)
{
    m_buttons.clear();
    int image = 0;
    for (int i = 0; i < nIDCount; ++i)
    {
        Button b;
        b.id = lpIDArray != nullptr ? lpIDArray[i] : 0;
        if (b.id == ID_SEPARATOR)
            b.style = TBBS_SEPARATOR;
        else
            b.image = image++;
        m_buttons.push_back(b);
    }
    m_nHot = m_nPressed = -1;
    Layout();
    return TRUE;
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage)
{
    m_sizeImage = sizeImage;
    m_sizeButton =
        CSize(std::max(sizeButton.cx, sizeImage.cx + 7), std::max(sizeButton.cy, sizeImage.cy + 7));
    Layout();
}

void CToolBar::Layout()
{
    int x = m_cxLeftBorder + ((m_dwStyle & CBRS_GRIPPER) ? kGripperWidth : 0);
    const int y = m_cyTopBorder;
    for (Button& b : m_buttons)
    {
        if (b.style & TBBS_HIDDEN)
        {
            b.rect.SetRectEmpty();
            continue;
        }
        const int width = (b.style & TBBS_SEPARATOR) ? kSeparatorWidth : m_sizeButton.cx;
        b.rect.SetRect(x, y, x + width, y + m_sizeButton.cy);
        x += width;
    }
    RefreshTips();
    if (m_hWnd != nullptr)
    {
        Invalidate();
        if (CFrameWnd* pFrame = OwnerFrame())
            pFrame->DelayRecalcLayout();
    }
}

void CToolBar::OnBarStyleChange(DWORD dwOldStyle, DWORD dwNewStyle)
{
    // A gripper moves the buttons; tooltips may come or go.
    if ((dwOldStyle ^ dwNewStyle) & CBRS_GRIPPER)
        Layout();
    else
        RefreshTips();
    if (!(dwNewStyle & CBRS_TOOLTIPS) && m_toolTip.GetSafeHwnd() != nullptr)
        m_toolTip.DestroyWindow();
}

void CToolBar::RefreshTips()
{
    if (m_hWnd == nullptr || !(m_dwStyle & CBRS_TOOLTIPS))
        return;
    if (m_toolTip.GetSafeHwnd() == nullptr && !m_toolTip.Create(this))
        return;
    while (m_toolTip.GetToolCount() > 0)
    {
        TOOLINFO ti{};
        ti.cbSize = sizeof ti;
        if (!m_toolTip.SendMessage(TTM_ENUMTOOLS, 0, reinterpret_cast<LPARAM>(&ti)))
            break;
        m_toolTip.SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
    }
    for (const Button& b : m_buttons)
        if (!(b.style & (TBBS_SEPARATOR | TBBS_HIDDEN)))
        {
            const CString tip = CommandString(b.id, 1);
            if (!tip.IsEmpty())
                m_toolTip.AddTool(this, tip, &b.rect, b.id);
        }
}

int CToolBar::CommandToIndex(UINT nIDFind) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i].id == nIDFind)
            return static_cast<int>(i);
    return -1;
}

UINT CToolBar::GetItemID(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)].id : 0;
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    if (lpRect == nullptr)
        return;
    *lpRect =
        nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)].rect : CRect(0, 0, 0, 0);
}

UINT CToolBar::GetButtonStyle(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)].style : 0;
}

void CToolBar::SetButtonStyle(int nIndex, UINT nStyle)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Button& b = m_buttons[static_cast<size_t>(nIndex)];
    if (b.style == nStyle)
        return;
    const bool relayout = ((b.style ^ nStyle) & (TBBS_SEPARATOR | TBBS_HIDDEN)) != 0;
    b.style = nStyle;
    if (relayout)
        Layout();
    else if (m_hWnd != nullptr)
        InvalidateRect(&b.rect);
}

void CToolBar::GetButtonInfo(int nIndex, UINT& nID, UINT& nStyle, int& iImage) const
{
    nID = GetItemID(nIndex);
    nStyle = GetButtonStyle(nIndex);
    iImage = nIndex >= 0 && nIndex < GetCount() ? m_buttons[static_cast<size_t>(nIndex)].image : -1;
}

void CToolBar::SetButtonInfo(int nIndex, UINT nID, UINT nStyle, int iImage)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Button& b = m_buttons[static_cast<size_t>(nIndex)];
    b.id = nID;
    b.image = iImage;
    b.style = ~nStyle; // forces the layout
    SetButtonStyle(nIndex, nStyle);
    Layout();
}

CString CToolBar::GetButtonTipText(int nIndex) const
{
    return CommandString(GetItemID(nIndex), 1);
}

CSize CToolBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    (void)bHorz;
    int right = m_cxLeftBorder + ((m_dwStyle & CBRS_GRIPPER) ? kGripperWidth : 0);
    for (const Button& b : m_buttons)
        right = std::max<int>(right, b.rect.right);
    return CSize(bStretch ? 32767 : right + m_cxRightBorder,
                 m_sizeButton.cy + m_cyTopBorder + m_cyBottomBorder);
}

int CToolBar::HitTest(CPoint point) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i)
        if (!(m_buttons[i].style & (TBBS_SEPARATOR | TBBS_HIDDEN)) && m_buttons[i].rect.PtInRect(point))
            return static_cast<int>(i);
    return -1;
}

void CToolBar::DoPaint(CDC* pDC)
{
    CControlBar::DoPaint(pDC);
    const bool flat = (m_dwCtrlStyle & TBSTYLE_FLAT) != 0;
    CDC memDC;
    const bool haveImages = m_bitmap.m_hObject != nullptr && memDC.CreateCompatibleDC(pDC);
    CBitmap* pOld = haveImages ? memDC.SelectObject(&m_bitmap) : nullptr;
    const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    for (size_t i = 0; i < m_buttons.size(); ++i)
    {
        const Button& b = m_buttons[i];
        if (b.style & TBBS_HIDDEN)
            continue;
        CRect r = b.rect;
        if (b.style & TBBS_SEPARATOR)
        {
            if (flat)
                pDC->Draw3dRect(r.CenterPoint().x - 1, r.top + 2, 2, r.Height() - 4,
                                ::GetSysColor(COLOR_BTNSHADOW), light);
            continue;
        }
        const bool disabled = (b.style & TBBS_DISABLED) != 0;
        const bool down = static_cast<int>(i) == m_nPressed && static_cast<int>(i) == m_nHot;
        const bool checked = (b.style & (TBBS_CHECKED | TBBS_INDETERMINATE)) != 0;
        if (checked)
            pDC->FillSolidRect(r.left + 1, r.top + 1, r.Width() - 2, r.Height() - 2, light);
        if (down || checked)
            pDC->DrawEdge(&r, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
        else if (!flat || (static_cast<int>(i) == m_nHot && !disabled))
            pDC->DrawEdge(&r, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
        if (!haveImages || b.image < 0)
            continue;
        // The image, its see-through colour left out; a disabled button's image in grey.
        const int x0 = r.left + (r.Width() - m_sizeImage.cx) / 2 + ((down || checked) ? 1 : 0);
        const int y0 = r.top + (r.Height() - m_sizeImage.cy) / 2 + ((down || checked) ? 1 : 0);
        const int sx = b.image * m_sizeImage.cx;
        for (int y = 0; y < m_sizeImage.cy; ++y)
            for (int x = 0; x < m_sizeImage.cx; ++x)
            {
                const COLORREF c = memDC.GetPixel(sx + x, y);
                if (c == CLR_INVALID || c == kImageBackground)
                    continue;
                if (disabled)
                {
                    if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 192)
                        pDC->SetPixel(x0 + x, y0 + y, grey);
                }
                else
                    pDC->SetPixel(x0 + x, y0 + y, c);
            }
    }
    if (pOld != nullptr)
        memDC.SelectObject(pOld);
}

void CToolBar::OnMouseMove(UINT, CPoint point)
{
    const int hit = HitTest(point);
    if (!m_bTracking)
    {
        TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
        m_bTracking = ::TrackMouseEvent(&tme) != FALSE;
    }
    if (hit != m_nHot)
    {
        if (m_nHot >= 0)
            InvalidateRect(&m_buttons[static_cast<size_t>(m_nHot)].rect);
        m_nHot = hit;
        if (m_nHot >= 0)
            InvalidateRect(&m_buttons[static_cast<size_t>(m_nHot)].rect);
        // The prompt of the button under the mouse; while a button is held, its own.
        if ((m_dwStyle & CBRS_FLYBY) && m_nPressed < 0)
            SetOwnerMessage(hit >= 0 ? m_buttons[static_cast<size_t>(hit)].id : 0);
    }
    if (m_toolTip.GetSafeHwnd() != nullptr)
    {
        MSG msg{m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y), 0, {}};
        m_toolTip.RelayEvent(&msg);
    }
}

LRESULT CToolBar::OnMouseLeave(WPARAM, LPARAM)
{
    m_bTracking = false;
    if (m_nPressed >= 0)
        return 0; // captured: the button decides on release
    if (m_nHot >= 0)
        InvalidateRect(&m_buttons[static_cast<size_t>(m_nHot)].rect);
    m_nHot = -1;
    if (m_dwStyle & CBRS_FLYBY)
        SetOwnerMessage(0);
    return 0;
}

void CToolBar::OnLButtonDown(UINT, CPoint point)
{
    const int hit = HitTest(point);
    if (hit < 0 || (m_buttons[static_cast<size_t>(hit)].style & TBBS_DISABLED))
        return;
    m_nPressed = m_nHot = hit;
    SetCapture();
    InvalidateRect(&m_buttons[static_cast<size_t>(hit)].rect);
    SetOwnerMessage(m_buttons[static_cast<size_t>(hit)].id);
}

void CToolBar::OnLButtonUp(UINT, CPoint point)
{
    if (m_nPressed < 0)
        return;
    const int pressed = m_nPressed;
    m_nPressed = -1;
    ReleaseCapture();
    Button& b = m_buttons[static_cast<size_t>(pressed)];
    InvalidateRect(&b.rect);
    const bool inside = HitTest(point) == pressed;
    m_nHot = inside ? pressed : -1;
    if (!(m_dwStyle & CBRS_FLYBY) || !inside)
        SetOwnerMessage(0);
    if (!inside || (b.style & TBBS_DISABLED))
        return;
    if (b.style & TBBS_CHECKBOX)
    {
        // A group's buttons check one another out; a lone check box toggles.
        if ((b.style & TBBS_GROUP) == 0 || !(b.style & TBBS_CHECKED))
            b.style ^= TBBS_CHECKED;
        if (b.style & TBBS_GROUP)
            for (Button& other : m_buttons)
                if (&other != &b && (other.style & TBBS_CHECKGROUP) == TBBS_CHECKGROUP &&
                    (other.style & TBBS_CHECKED))
                {
                    other.style &= ~static_cast<UINT>(TBBS_CHECKED);
                    InvalidateRect(&other.rect);
                }
    }
    // Posted: the command may destroy the bar.
    if (CWnd* pOwner = GetOwner())
        pOwner->PostMessage(WM_COMMAND, MAKEWPARAM(b.id, BN_CLICKED), 0);
}

LRESULT CToolBar::OnCancelMode(WPARAM, LPARAM)
{
    if (m_nPressed >= 0)
    {
        InvalidateRect(&m_buttons[static_cast<size_t>(m_nPressed)].rect);
        m_nPressed = -1;
        ReleaseCapture();
    }
    return Default();
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CToolCmdUI state;
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(m_buttons.size());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex)
    {
        const Button& b = m_buttons[state.m_nIndex];
        if (b.style & TBBS_SEPARATOR)
            continue;
        state.m_nID = b.id;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

// ---- CStatusBar -------------------------------------------------------------------------------------------

namespace
{

class CStatusCmdUI : public CCmdUI
{
public:
    void Enable(BOOL bOn = TRUE) override
    {
        m_bEnableChanged = TRUE;
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~static_cast<UINT>(SBPS_DISABLED);
        bar->SetPaneStyle(static_cast<int>(m_nIndex), bOn ? style : style | SBPS_DISABLED);
    }
    void SetCheck(int nCheck = 1) override
    {
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~static_cast<UINT>(SBPS_POPOUT);
        bar->SetPaneStyle(static_cast<int>(m_nIndex), nCheck ? style | SBPS_POPOUT : style);
    }
    void SetRadio(BOOL bOn = TRUE) override { SetCheck(bOn ? 1 : 0); }
    void SetText(LPCTSTR lpszText) override
    {
        static_cast<CStatusBar*>(m_pOther)->SetPaneText(static_cast<int>(m_nIndex), lpszText);
    }
};

constexpr int kPaneMargin = 3; // between a pane's border and its text

int TextWidth(HWND hwnd, const CString& text)
{
    HDC hdc = ::GetDC(hwnd);
    if (hdc == nullptr)
        return 0;
    HGDIOBJ old = ::SelectObject(hdc, ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    ::GetTextExtentPoint32(hdc, text, text.GetLength(), &size);
    ::SelectObject(hdc, old);
    ::ReleaseDC(hwnd, hdc);
    return size.cx;
}

} // namespace

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

CStatusBar::CStatusBar()
{
    m_cxLeftBorder = 2;
    m_cxRightBorder = 2;
    m_cyTopBorder = 3;
    m_cyBottomBorder = 1;
}

CStatusBar::~CStatusBar()
{
    DestroyWindow();
}

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, nID);
}

BOOL CStatusBar::CreateEx(CWnd* pParentWnd, DWORD, DWORD dwStyle, UINT nID)
{
    if (!CreateBar(pParentWnd, dwStyle, nID))
        return FALSE;
    HDC hdc = ::GetDC(m_hWnd);
    TEXTMETRIC tm{};
    if (hdc != nullptr)
    {
        HGDIOBJ old = ::SelectObject(hdc, ::GetStockObject(DEFAULT_GUI_FONT));
        ::GetTextMetrics(hdc, &tm);
        ::SelectObject(hdc, old);
        ::ReleaseDC(m_hWnd, hdc);
    }
    m_cyHeight = std::max<int>(tm.tmHeight, 13) + 2 * kPaneMargin + m_cyTopBorder + m_cyBottomBorder;
    if (CFrameWnd* pFrame = OwnerFrame())
        pFrame->RecalcLayout();
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount)
{
    std::vector<Pane> panes;
    for (int i = 0; i < nIDCount; ++i)
    {
        Pane p;
        p.id = lpIDArray != nullptr ? lpIDArray[i] : 0;
        if (p.id != ID_SEPARATOR)
        {
            if (!p.text.LoadString(p.id))
                return FALSE;
            p.cxText = TextWidth(m_hWnd, p.text);
        }
        else if (i == 0)
            p.style = SBPS_NOBORDERS | SBPS_STRETCH;
        panes.push_back(p);
    }
    m_panes = std::move(panes);
    Layout();
    return TRUE;
}

void CStatusBar::Layout()
{
    if (m_hWnd == nullptr)
        return;
    CRect inside = InsideRect();
    int fixed = 0, stretch = 0;
    for (const Pane& p : m_panes)
    {
        fixed += p.cxText + 2 * kPaneMargin + 2;
        stretch += (p.style & SBPS_STRETCH) ? 1 : 0;
    }
    const int extra = stretch ? std::max(0, inside.Width() - fixed) / stretch : 0;
    int x = inside.left;
    for (Pane& p : m_panes)
    {
        const int width = p.cxText + 2 * kPaneMargin + ((p.style & SBPS_STRETCH) ? extra : 0);
        p.rect.SetRect(x, inside.top, x + width, inside.bottom);
        x += width + 2;
    }
    Invalidate();
}

int CStatusBar::CommandToIndex(UINT nIDFind) const
{
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].id == nIDFind)
            return static_cast<int>(i);
    return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].id : 0;
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    if (lpRect != nullptr)
        *lpRect = nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].rect
                                                     : CRect(0, 0, 0, 0);
}

CString CStatusBar::GetPaneText(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].text : CString();
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return FALSE;
    Pane& p = m_panes[static_cast<size_t>(nIndex)];
    const CString text = lpszNewText != nullptr ? lpszNewText : "";
    if (p.text == text)
        return TRUE;
    p.text = text;
    if (bUpdate && m_hWnd != nullptr)
        InvalidateRect(&p.rect);
    return TRUE;
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const
{
    nID = GetItemID(nIndex);
    nStyle = GetPaneStyle(nIndex);
    cxWidth = nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].cxText : 0;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Pane& p = m_panes[static_cast<size_t>(nIndex)];
    p.id = nID;
    p.style = nStyle;
    p.cxText = std::max(0, cxWidth);
    Layout();
}

UINT CStatusBar::GetPaneStyle(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].style : 0;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle)
{
    if (nIndex < 0 || nIndex >= GetCount() || m_panes[static_cast<size_t>(nIndex)].style == nStyle)
        return;
    m_panes[static_cast<size_t>(nIndex)].style = nStyle;
    Layout();
}

CSize CStatusBar::CalcFixedLayout(BOOL bStretch, BOOL)
{
    int width = m_cxLeftBorder + m_cxRightBorder;
    for (const Pane& p : m_panes)
        width += p.cxText + 2 * kPaneMargin + 2;
    return CSize(bStretch ? 32767 : width, m_cyHeight);
}

LRESULT CStatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
    {
        // The frame's message text goes to the first pane.
        SetPaneText(0, reinterpret_cast<LPCTSTR>(lParam));
    }
    const LRESULT result = CControlBar::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE)
        Layout();
    return result;
}

void CStatusBar::DoPaint(CDC* pDC)
{
    CControlBar::DoPaint(pDC);
    HGDIOBJ oldFont = pDC->SelectObject(::GetStockObject(DEFAULT_GUI_FONT));
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    for (Pane& p : m_panes)
    {
        CRect r = p.rect;
        if (!(p.style & SBPS_NOBORDERS))
            pDC->DrawEdge(&r, (p.style & SBPS_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        if (p.style & SBPS_DISABLED)
            continue;
        r.DeflateRect(kPaneMargin, 0);
        pDC->DrawText(p.text, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    pDC->SelectObject(oldFont);
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL)
{
    // Indicator panes stay as they are when nothing handles them.
    CStatusCmdUI state;
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(m_panes.size());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex)
    {
        state.m_nID = m_panes[state.m_nIndex].id;
        state.DoUpdate(pTarget, FALSE);
    }
}

// ---- CDialogBar -------------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

CDialogBar::CDialogBar() = default;

CDialogBar::~CDialogBar()
{
    DestroyWindow();
}

namespace
{
INT_PTR CALLBACK DialogBarProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}
} // namespace

BOOL CDialogBar::Create(CWnd* pParentWnd, LPCTSTR lpszTemplateName, UINT nStyle, UINT nID)
{
    if (pParentWnd == nullptr)
        return FALSE;
    HWND hWnd =
        ::CreateDialogParam(AfxGetResourceHandle(), lpszTemplateName, pParentWnd->m_hWnd, DialogBarProc, 0);
    if (hWnd == nullptr)
        return FALSE;
    // A bar is a child whatever the template says.
    const LONG style = ::GetWindowLong(hWnd, GWL_STYLE);
    ::SetWindowLong(hWnd, GWL_STYLE,
                    (style & ~static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE)) |
                        WS_CHILD);
    if (::GetParent(hWnd) != pParentWnd->m_hWnd)
        ::SetParent(hWnd, pParentWnd->m_hWnd);
    if (!SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    SetDlgCtrlID(static_cast<int>(nID));
    m_dwStyle = nStyle & CBRS_ALL;
    CRect rect;
    GetWindowRect(&rect);
    m_sizeDefault = rect.Size();
    if (nStyle & WS_VISIBLE)
        ShowWindow(SW_SHOWNOACTIVATE);
    if (CFrameWnd* pFrame = OwnerFrame())
        pFrame->RecalcLayout();
    return TRUE;
}

CSize CDialogBar::CalcFixedLayout(BOOL bStretch, BOOL)
{
    return CSize(bStretch ? 32767 : m_sizeDefault.cx, m_sizeDefault.cy);
}

void CDialogBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CCmdUI state;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        const UINT nID = static_cast<UINT>(::GetDlgCtrlID(hChild));
        if (nID == 0 || nID == static_cast<UINT>(-1) || nID == static_cast<UINT>(IDC_STATIC))
            continue;
        state.m_nID = nID;
        state.m_pOther = CWnd::FromHandle(hChild);
        // Only buttons are commands; other controls keep their state without a handler.
        char cls[16] = {};
        ::GetClassName(hChild, cls, sizeof cls);
        state.DoUpdate(pTarget, bDisableIfNoHndler && _stricmp(cls, "BUTTON") == 0);
    }
}

// ---- CDockBar ---------------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDockBar, CControlBar)

CDockBar* CDockBar::Create(CFrameWnd* pFrame, UINT nID)
{
    auto* pBar = new CDockBar;
    const DWORD align = nID == AFX_IDW_DOCKBAR_BOTTOM ? CBRS_BOTTOM : CBRS_TOP;
    if (!pBar->CreateBar(pFrame, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | align, nID))
    {
        delete pBar;
        return nullptr;
    }
    return pBar;
}

void CDockBar::PostNcDestroy()
{
    delete this;
}

LRESULT CDockBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The bars go down with the dock bar's window; they must not point at it afterwards.
    if (message == WM_DESTROY)
    {
        for (auto& row : m_rows)
            for (CControlBar* pBar : row)
                pBar->m_pDockBar = nullptr;
        m_rows.clear();
    }
    return CControlBar::WindowProc(message, wParam, lParam);
}

int CDockBar::RowHeight(const std::vector<CControlBar*>& row)
{
    int height = 0;
    for (CControlBar* pBar : row)
        if (pBar->IsVisible())
            height = std::max<int>(height, pBar->CalcFixedLayout(FALSE, TRUE).cy);
    return height;
}

void CDockBar::Dock(CControlBar* pBar, LPCRECT lpRect)
{
    if (pBar == nullptr || pBar == this || pBar->GetSafeHwnd() == nullptr)
        return;
    if (pBar->m_pDockBar != nullptr)
        pBar->m_pDockBar->Remove(pBar);

    // The row lpRect starts on, judged by where the rows are now.
    size_t row = m_rows.size();
    bool newRow = true;
    if (lpRect != nullptr)
    {
        CRect area;
        GetWindowRect(&area);
        int top = area.top;
        for (size_t i = 0; i < m_rows.size(); ++i)
        {
            const int height = RowHeight(m_rows[i]);
            if (i == 0 && lpRect->top < top)
            {
                row = 0;
                break;
            }
            if (height > 0 && lpRect->top >= top && lpRect->top < top + height)
            {
                row = i;
                newRow = false;
                break;
            }
            top += height;
        }
    }
    if (newRow)
        m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(row), std::vector<CControlBar*>{});
    std::vector<CControlBar*>& bars = m_rows[row];
    auto at = bars.end();
    if (lpRect != nullptr)
        at = std::find_if(bars.begin(), bars.end(),
                          [&](CControlBar* other)
                          {
                              CRect r;
                              other->GetWindowRect(&r);
                              return lpRect->left < r.left;
                          });
    bars.insert(at, pBar);

    pBar->m_pDockBar = this;
    pBar->SetOwner(GetParent());
    pBar->SetParent(this);
    // The dock bar draws the edge towards the frame's middle; the bars inside have no borders.
    const DWORD align = m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    pBar->SetBarStyle((pBar->GetBarStyle() & ~static_cast<DWORD>(CBRS_ALIGN_ANY | CBRS_BORDER_ANY)) | align);
    if (CFrameWnd* pFrame = OwnerFrame())
        pFrame->RecalcLayout();
}

void CDockBar::Remove(CControlBar* pBar)
{
    for (auto row = m_rows.begin(); row != m_rows.end(); ++row)
    {
        const auto it = std::find(row->begin(), row->end(), pBar);
        if (it == row->end())
            continue;
        row->erase(it);
        if (row->empty())
            m_rows.erase(row);
        pBar->m_pDockBar = nullptr;
        return;
    }
}

CSize CDockBar::CalcFixedLayout(BOOL bStretch, BOOL)
{
    int height = 0;
    int width = 0;
    for (const auto& row : m_rows)
    {
        height += RowHeight(row);
        int rowWidth = 0;
        for (CControlBar* pBar : row)
            if (pBar->IsVisible())
                rowWidth += pBar->CalcFixedLayout(FALSE, TRUE).cx;
        width = std::max(width, rowWidth);
    }
    // Room for the edge line once there is anything to show.
    if (height > 0)
        height += (m_dwStyle & CBRS_BORDER_TOP) ? 2 : 1;
    return CSize(bStretch ? 32767 : width, height);
}

void CDockBar::PositionContents()
{
    CRect client;
    GetClientRect(&client);
    int top = (m_dwStyle & CBRS_BORDER_TOP) ? 2 : 0;
    for (const auto& row : m_rows)
    {
        const int height = RowHeight(row);
        int left = 0;
        for (CControlBar* pBar : row)
        {
            if (!pBar->IsVisible())
                continue;
            const int width =
                std::max(0, std::min<int>(pBar->CalcFixedLayout(FALSE, TRUE).cx, client.right - left));
            CRect rect(left, top, left + width, top + height);
            CRect old;
            pBar->GetWindowRect(&old);
            ScreenToClient(&old);
            if (old != rect)
            {
                pBar->m_bInLayout = true;
                pBar->MoveWindow(&rect, TRUE);
                pBar->m_bInLayout = false;
                pBar->Invalidate();
            }
            left += width;
        }
        top += height;
    }
}

// ---- Docking in frames

void CFrameWnd::EnableDocking(DWORD dwDockStyle)
{
    const auto ensure = [this](UINT nID)
    {
        if (::GetDlgItem(m_hWnd, static_cast<int>(nID)) == nullptr)
            CDockBar::Create(this, nID);
    };
    if (dwDockStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT))
        ensure(AFX_IDW_DOCKBAR_TOP);
    if (dwDockStyle & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT))
        ensure(AFX_IDW_DOCKBAR_BOTTOM);
    RecalcLayout();
}

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, LPCRECT lpRect)
{
    if (pBar == nullptr)
        return;
    if (nDockBarID == 0)
    {
        const DWORD allowed = pBar->GetDockingStyle();
        if (allowed & (CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT) &&
            ::GetDlgItem(m_hWnd, AFX_IDW_DOCKBAR_TOP) != nullptr)
            nDockBarID = AFX_IDW_DOCKBAR_TOP;
        else if (allowed & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT))
            nDockBarID = AFX_IDW_DOCKBAR_BOTTOM;
    }
    if (nDockBarID == AFX_IDW_DOCKBAR_LEFT)
        nDockBarID = AFX_IDW_DOCKBAR_TOP;
    else if (nDockBarID == AFX_IDW_DOCKBAR_RIGHT)
        nDockBarID = AFX_IDW_DOCKBAR_BOTTOM;
    auto* pDockBar = dynamic_cast<CDockBar*>(
        CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, static_cast<int>(nDockBarID))));
    if (pDockBar != nullptr)
        pDockBar->Dock(pBar, lpRect);
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay)
{
    if (pBar == nullptr || pBar->GetSafeHwnd() == nullptr)
        return;
    pBar->ShowWindow(bShow ? SW_SHOWNA : SW_HIDE);
    if (bDelay)
        DelayRecalcLayout();
    else
        RecalcLayout();
}

CControlBar* CFrameWnd::GetControlBar(UINT nID)
{
    if (nID == 0 || m_hWnd == nullptr)
        return nullptr;
    if (auto* pBar = dynamic_cast<CControlBar*>(
            CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, static_cast<int>(nID)))))
        return pBar;
    for (UINT dock : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM})
        if (auto* pDockBar = dynamic_cast<CDockBar*>(
                CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, static_cast<int>(dock)))))
            for (const auto& row : pDockBar->Rows())
                for (CControlBar* pBar : row)
                    if (static_cast<UINT>(pBar->GetDlgCtrlID()) == nID)
                        return pBar;
    return nullptr;
}

// ---- CBitmapButton -------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CBitmapButton, CButton)

CBitmapButton::~CBitmapButton() = default;

BOOL CBitmapButton::LoadBitmaps(LPCTSTR lpszUp, LPCTSTR lpszDown, LPCTSTR lpszFocus, LPCTSTR lpszDisabled)
{
    m_bitmap.DeleteObject();
    m_bitmapSel.DeleteObject();
    m_bitmapFocus.DeleteObject();
    m_bitmapDisabled.DeleteObject();
    if (!lpszUp || !m_bitmap.LoadBitmap(lpszUp))
        return FALSE;
    // The other states are optional: a missing one shows the up bitmap.
    if (lpszDown)
        m_bitmapSel.LoadBitmap(lpszDown);
    if (lpszFocus)
        m_bitmapFocus.LoadBitmap(lpszFocus);
    if (lpszDisabled)
        m_bitmapDisabled.LoadBitmap(lpszDisabled);
    if (m_hWnd)
    {
        ModifyStyle(0, BS_BITMAP);
        SetBitmap(static_cast<HBITMAP>(m_bitmap.GetSafeHandle()));
    }
    return TRUE;
}

BOOL CBitmapButton::AutoLoad(UINT nID, CWnd* pParent)
{
    if (!pParent || !SubclassDlgItem(nID, pParent))
        return FALSE;
    CString caption;
    GetWindowText(caption);
    const std::string name(static_cast<LPCTSTR>(caption));
    if (name.empty())
        return FALSE;
    if (!LoadBitmaps((name + "U").c_str(), (name + "D").c_str(), (name + "F").c_str(), (name + "X").c_str()))
        return FALSE;
    SizeToContent();
    return TRUE;
}

void CBitmapButton::SizeToContent()
{
    BITMAP info{};
    if (!m_bitmap.GetSafeHandle() || !m_bitmap.GetObject(sizeof info, &info) || !m_hWnd)
        return;
    SetWindowPos(nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
