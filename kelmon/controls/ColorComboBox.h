// An owner-drawn drop-down list of colours: each item's data is its COLORREF, drawn as a swatch.
#pragma once

#include <afxwin.h>

class CColorComboBox : public CComboBox
{
    DECLARE_DYNAMIC(CColorComboBox)
public:
    // Height of every item in pixels.
    static constexpr UINT kItemHeight = 17;

    // Adds an item for the colour; its index, CB_ERR on failure.
    int AddColor(COLORREF crColor);
    // Selects the first item of that colour; its index, CB_ERR when there is none.
    int SelectColor(COLORREF crColor);
    // The selected item's colour, CLR_INVALID when nothing is selected.
    COLORREF GetSelectedColor() const;

    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMIS) override;

protected:
    // The creation-time measure reaches the parent before this object is attached: apply it here.
    void PreSubclassWindow() override;
};
