// What the chart editing dialogs share: the font a chart text is drawn with and its selection, the
// palette list of a colour box, the help call and the check of a field the user can reach.
#pragma once

#include "controls/ColorComboBox.h"

#include <afxwin.h>

// A chart text's font as the displays keep it.
struct ChartFont
{
    int nSize = 10;      // points
    CString strFaceName; // empty: the font dialog's own choice
    int nWeight = 400;   // 700 bold, 400 normal
    int bBold = 0;
    int bItalic = 0;
    int bUnderline = 0;
    COLORREF crColour = 0; // the colour the text is drawn with
    int nColourIndex = 0;  // its chart palette index 0..19

    // The style word: bit 0 bold, bit 1 italic, bit 2 underline.
    int StyleWord() const;
    // Sets bold (and the weight), italic and underline from a style word.
    void SetStyleWord(int style);
};

// Runs the font dialog (screen fonts with effects) on `font`, started at its size on the main
// window's screen, its weight, slant, underline, face and palette colour. On OK takes the chosen
// font, size, face and colour, and the palette index nearest that colour; TRUE. Cancel: FALSE,
// `font` unchanged.
BOOL SelectChartFont(ChartFont& font, CWnd* pParent);

// Fills a colour box with the chart palette in index order, so an item's index is the palette index.
void FillPaletteCombo(CColorComboBox& combo);

// Opens the help topic of a dialog.
void ShowDialogHelp(UINT context);

// TRUE when the user can change the control: it is shown and enabled. A value the user cannot
// reach is not held against them when the dialog closes.
BOOL IsFieldEditable(const CWnd* pDlg, int nID);
