// A list view whose right button opens a menu for the selected item: the first submenu of a menu
// resource, its command 32775 greyed while the item shows image 0, commands going to an owner.
#pragma once

#include <afxcmn.h>

class CRightClickListCtrl : public CListCtrl
{
    DECLARE_DYNAMIC(CRightClickListCtrl)
public:
    static constexpr UINT kCommandNeedsSelection = 32775;

    CRightClickListCtrl() = default;
    // menuId 0: no menu.
    CRightClickListCtrl(UINT menuId, CWnd* pOwner) : m_nMenuId(menuId), m_pOwner(pOwner) {}

protected:
    void OnRButtonDown(UINT nFlags, CPoint point);

    DECLARE_MESSAGE_MAP()

private:
    UINT m_nMenuId = 0;
    CWnd* m_pOwner = nullptr;
};
