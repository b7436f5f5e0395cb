#include "controls/ColorComboBox.h"

IMPLEMENT_DYNAMIC(CColorComboBox, CComboBox)

int CColorComboBox::AddColor(COLORREF crColor)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, static_cast<LPARAM>(crColor)));
}

int CColorComboBox::SelectColor(COLORREF crColor)
{
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(-1), static_cast<LPARAM>(crColor)));
}

COLORREF CColorComboBox::GetSelectedColor() const
{
    const int nSel = GetCurSel();
    return nSel == CB_ERR ? CLR_INVALID : static_cast<COLORREF>(GetItemData(nSel));
}

void CColorComboBox::PreSubclassWindow()
{
    CComboBox::PreSubclassWindow();
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_COMBOBOX;
    mis.CtlID = static_cast<UINT>(GetDlgCtrlID());
    MeasureItem(&mis);
    SetItemHeight(0, mis.itemHeight);
}

void CColorComboBox::MeasureItem(LPMEASUREITEMSTRUCT lpMIS)
{
    lpMIS->itemHeight = kItemHeight;
}

void CColorComboBox::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    CDC* pDC = CDC::FromHandle(lpDIS->hDC);
    const COLORREF crItem = static_cast<COLORREF>(lpDIS->itemData);
    const CRect rect(lpDIS->rcItem);
    if (lpDIS->itemAction & ODA_DRAWENTIRE)
    {
        CBrush fill;
        fill.CreateSolidBrush(crItem);
        pDC->FillRect(&rect, &fill);
    }
    if (lpDIS->itemState & ODS_SELECTED)
    {
        if (lpDIS->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))
        {
            CBrush inverse;
            inverse.CreateSolidBrush(
                RGB(255 - GetRValue(crItem), 255 - GetGValue(crItem), 255 - GetBValue(crItem)));
            pDC->FrameRect(&rect, &inverse);
        }
        return;
    }
    // Deselected: the item's own colour covers the selection frame.
    if (lpDIS->itemAction & ODA_SELECT)
    {
        CBrush own;
        own.CreateSolidBrush(crItem);
        pDC->FrameRect(&rect, &own);
    }
}
