#include "dialogs/RightClickListCtrl.h"

IMPLEMENT_DYNAMIC(CRightClickListCtrl, CListCtrl)

BEGIN_MESSAGE_MAP(CRightClickListCtrl, CListCtrl)
ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

void CRightClickListCtrl::OnRButtonDown(UINT nFlags, CPoint point)
{
    CListCtrl::OnRButtonDown(nFlags, point);
    const int item = GetNextItem(-1, LVNI_SELECTED);
    if (item < 0 || m_nMenuId == 0)
        return;
    CMenu menu;
    if (!menu.LoadMenu(m_nMenuId))
        return;
    CMenu* popup = menu.GetSubMenu(0);
    if (!popup)
        return;
    LVITEM lvi{};
    lvi.mask = LVIF_IMAGE;
    lvi.iItem = item;
    if (GetItem(&lvi) && lvi.iImage == 0)
        popup->EnableMenuItem(kCommandNeedsSelection, MF_BYCOMMAND | MF_GRAYED);
    ClientToScreen(&point);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y,
                          m_pOwner ? m_pOwner : GetParent());
}
