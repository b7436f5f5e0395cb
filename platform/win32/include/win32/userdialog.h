// The dialog manager's hooks for backends and tests. Not for the system's own code.
#pragma once

#include "win32/user.h"

#include <functional>
#include <string>

namespace kel::ui
{

// What a dialog font measures: the dialog base units (average width of the letters A-Z a-z, and
// the character height, in pixels) and the font handle sent with WM_SETFONT (may be NULL).
struct DialogFontMetrics
{
    int baseX = 0;
    int baseY = 0;
    HFONT font = nullptr;
};

// Measures the font of a template (FONT statement). Returns false when it cannot.
using DialogFontMeasure = std::function<bool(const kel::rc::DialogFont& font, DialogFontMetrics* metrics)>;

// Installs the measure used for the base units of dialogs with a font (an empty function: none).
// Without one, a dialog font of p points has base units round(6p/8) x round(13p/8), the classic
// 6x13 of an 8-point dialog font at 96 dpi; dialogs without a font use GetDialogBaseUnits (8x16).
void SetDialogFontMeasure(DialogFontMeasure measure);

// True once EndDialog was called for the dialog (its modal loop ends after the current message).
bool IsDialogEnded(HWND hDlg);

// Name of a dialog's template for messages: the id or the quoted name ("" when not a template's).
std::string DialogTemplateName(HWND hDlg);

} // namespace kel::ui
