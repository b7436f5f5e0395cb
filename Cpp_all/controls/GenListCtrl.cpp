#include "controls/GenListCtrl.h"

#include <algorithm>

namespace
{
// The wide form of the header's begin-track notification.
constexpr UINT kHdnBeginTrackW = HDN_FIRST - 26;

constexpr int kEditorIds[] = {0, 500, 501, 502};
} // namespace

// ---- CGenHeaderCtrl ------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGenHeaderCtrl, CHeaderCtrl)

BEGIN_MESSAGE_MAP(CGenHeaderCtrl, CHeaderCtrl)
ON_WM_NCHITTEST()
ON_WM_SETCURSOR()
ON_WM_LBUTTONDBLCLK()
ON_NOTIFY_REFLECT_EX(HDN_BEGINTRACK, OnBeginTrack)
ON_NOTIFY_REFLECT_EX(kHdnBeginTrackW, OnBeginTrack)
END_MESSAGE_MAP()

void CGenHeaderCtrl::SetColumnLock(int nColumn, BOOL bLock)
{
    if (nColumn < 0)
        return;
    const size_t needed = std::max<size_t>(m_hWnd ? std::max(GetItemCount(), 0) : 0, nColumn + 1);
    if (m_locks.size() < needed)
        m_locks.resize(needed, 0);
    m_locks[nColumn] = bLock ? 1 : 0;
}

BOOL CGenHeaderCtrl::IsColumnLocked(int nColumn) const
{
    return nColumn >= 0 && static_cast<size_t>(nColumn) < m_locks.size() && m_locks[nColumn];
}

BOOL CGenHeaderCtrl::IsOverLockedDivider(int x) const
{
    const int half = GetSystemMetrics(SM_CXCURSOR) / 2;
    const int count = GetItemCount();
    for (int col = 0; col < count; ++col)
    {
        if (!IsColumnLocked(col))
            continue;
        // The column's right divider, wherever the columns before it end.
        CRect item;
        if (!GetItemRect(col, &item))
            continue;
        if (x > item.right - half && x < item.right + half)
            return TRUE;
    }
    return FALSE;
}

LRESULT CGenHeaderCtrl::OnNcHitTest(CPoint point)
{
    ScreenToClient(&point);
    m_bNotOnLockedDivider = IsOverLockedDivider(point.x) ? 0 : 1;
    return Default();
}

BOOL CGenHeaderCtrl::OnSetCursor(CWnd*, UINT, UINT)
{
    // No sizing cursor over a locked divider.
    if (!m_bNotOnLockedDivider)
        return TRUE;
    return static_cast<BOOL>(Default());
}

void CGenHeaderCtrl::OnLButtonDblClk(UINT, CPoint point)
{
    // A double click on a divider would size the column to its contents.
    if (IsOverLockedDivider(point.x))
        return;
    Default();
}

BOOL CGenHeaderCtrl::OnBeginTrack(NMHDR* pNMHDR, LRESULT* pResult)
{
    const int column = reinterpret_cast<NMHEADER*>(pNMHDR)->iItem;
    *pResult = (!m_bNotOnLockedDivider || IsColumnLocked(column)) ? TRUE : FALSE;
    return TRUE;
}

// ---- CGenListCtrl --------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGenListCtrl, CListCtrl)

BEGIN_MESSAGE_MAP(CGenListCtrl, CListCtrl)
ON_WM_CREATE()
ON_WM_RBUTTONDOWN()
ON_NOTIFY_REFLECT(LVN_ITEMACTIVATE, OnItemActivate)
END_MESSAGE_MAP()

CGenListCtrl::~CGenListCtrl()
{
    m_editors.clear();
}

BOOL CGenListCtrl::SubclassHeader()
{
    if (m_header.GetSafeHwnd())
        return TRUE;
    HWND hHeader = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
    return hHeader && m_header.SubclassWindow(hHeader);
}

void CGenListCtrl::PreSubclassWindow()
{
    CListCtrl::PreSubclassWindow();
    SubclassHeader();
}

int CGenListCtrl::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CListCtrl::OnCreate(lpCreateStruct) == -1)
        return -1;
    SubclassHeader();
    return 0;
}

void CGenListCtrl::OnRButtonDown(UINT nFlags, CPoint point)
{
    m_lastRightClick = point;
    CListCtrl::OnRButtonDown(nFlags, point);
}

void CGenListCtrl::OnItemActivate(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
}

CWnd* CGenListCtrl::AddEditor(int nRow, int nColumn, int nKind)
{
    RemoveEditor(nRow, nColumn);
    std::unique_ptr<CWnd> wnd;
    const CRect none(0, 0, 0, 0);
    switch (nKind)
    {
    case kEditorNumber:
    {
        auto edit = std::make_unique<CEdit>();
        if (edit->Create(WS_CHILD | WS_BORDER | WS_TABSTOP | ES_NUMBER, none, this, kEditorIds[nKind]))
            wnd = std::move(edit);
        break;
    }
    case kEditorButton:
    {
        auto button = std::make_unique<CButton>();
        if (button->Create("", WS_CHILD | WS_BORDER | WS_TABSTOP, none, this, kEditorIds[nKind]))
            wnd = std::move(button);
        break;
    }
    case kEditorList:
    {
        auto list = std::make_unique<CListBox>();
        if (list->Create(WS_CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP, none, this, kEditorIds[nKind]))
            wnd = std::move(list);
        break;
    }
    default:
        return nullptr;
    }
    if (!wnd)
        return nullptr;
    wnd->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetFontHandle()), TRUE);
    CWnd* result = wnd.get();
    m_editors.push_back({nRow, nColumn, nKind, std::move(wnd)});
    LayoutEditors();
    ShowEditors(SW_SHOW);
    return result;
}

BOOL CGenListCtrl::RemoveEditor(int nRow, int nColumn)
{
    auto it = std::find_if(m_editors.begin(), m_editors.end(),
                           [&](const CellEditor& e) { return e.row == nRow && e.column == nColumn; });
    if (it == m_editors.end())
        return FALSE;
    if (it->wnd && it->wnd->GetSafeHwnd())
        it->wnd->DestroyWindow();
    m_editors.erase(it);
    return TRUE;
}

CWnd* CGenListCtrl::GetEditor(int nRow, int nColumn) const
{
    for (const CellEditor& e : m_editors)
        if (e.row == nRow && e.column == nColumn)
            return e.wnd.get();
    return nullptr;
}

void CGenListCtrl::LayoutEditors()
{
    for (const CellEditor& e : m_editors)
    {
        CRect cell;
        if (e.wnd && e.wnd->GetSafeHwnd() && GetSubItemRect(e.row, e.column, LVIR_LABEL, cell))
            e.wnd->MoveWindow(&cell, TRUE);
    }
}

void CGenListCtrl::ShowEditors(int nCmdShow)
{
    for (const CellEditor& e : m_editors)
        if (e.wnd && e.wnd->GetSafeHwnd())
            e.wnd->ShowWindow(nCmdShow);
}
