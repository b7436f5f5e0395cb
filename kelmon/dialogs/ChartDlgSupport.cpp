#include "dialogs/ChartDlgSupport.h"

#include "plotkit.h"

#include <afxdlgs.h>

#include <cstring>

namespace
{
constexpr int kPaletteSize = 20;
constexpr DWORD kFontFlags = CF_SCREENFONTS | CF_EFFECTS; // 0x101

// Vertical pixels per inch of the screen the main window is on.
int ScreenPixelsPerInchY()
{
    CWnd* main = AfxGetMainWnd();
    HWND hwnd = main != nullptr ? main->GetSafeHwnd() : nullptr;
    HDC dc = ::GetDC(hwnd);
    const int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc != nullptr)
        ::ReleaseDC(hwnd, dc);
    return dpi > 0 ? dpi : 96;
}
} // namespace

int ChartFont::StyleWord() const
{
    return (bBold ? 1 : 0) | (bItalic ? 2 : 0) | (bUnderline ? 4 : 0);
}

void ChartFont::SetStyleWord(int style)
{
    bBold = (style & 1) != 0;
    nWeight = bBold ? 700 : 400;
    bUnderline = (style & 4) != 0;
    bItalic = (style & 2) != 0;
}

BOOL SelectChartFont(ChartFont& font, CWnd* pParent)
{
    LOGFONT lf{};
    lf.lfHeight = -(font.nSize * ScreenPixelsPerInchY() / 72);
    lf.lfWeight = font.nWeight;
    lf.lfItalic = font.bItalic ? 1 : 0;
    lf.lfUnderline = font.bUnderline ? 1 : 0;
    // A face too long for the record starts the dialog on its default face rather than a cut name.
    const CString& face = font.strFaceName;
    if (face.GetLength() < LF_FACESIZE)
        std::memcpy(lf.lfFaceName, static_cast<LPCTSTR>(face), face.GetLength());

    CFontDialog dlg(&lf, kFontFlags, nullptr, pParent);
    dlg.m_cf.rgbColors = WGGetRGBColor(font.nColourIndex);
    if (dlg.DoModal() != IDOK)
        return FALSE;
    font.bItalic = dlg.IsItalic();
    font.bUnderline = dlg.IsUnderline();
    font.nSize = dlg.GetSize() / 10;
    font.bBold = dlg.GetWeight() == 700;
    font.strFaceName = dlg.GetFaceName();
    font.crColour = dlg.GetColor();
    font.nColourIndex = WGGetPureColor(font.crColour);
    font.nWeight = dlg.GetWeight();
    return TRUE;
}

void FillPaletteCombo(CColorComboBox& combo)
{
    combo.ResetContent();
    for (int c = 0; c < kPaletteSize; ++c)
        combo.AddColor(WGGetRGBColor(c));
}

void ShowDialogHelp(UINT context)
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(context);
}

BOOL IsFieldEditable(const CWnd* pDlg, int nID)
{
    HWND item = ::GetDlgItem(pDlg->GetSafeHwnd(), nID);
    // The control's own style: the dialog itself may not be on the screen yet.
    return item != nullptr && (::GetWindowLong(item, GWL_STYLE) & WS_VISIBLE) != 0 && ::IsWindowEnabled(item);
}
