// Shared state of the dialog manager's files (user_dialog*.cpp).
#pragma once

#include "win32/userdialog.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace kel::ui::dlg
{

inline constexpr const char* kDialogClass = "#32770";

// What the dialog manager keeps per dialog, beside the DWLP_ window words.
struct DialogInfo
{
    const kel::rc::Dialog* templ = nullptr;
    std::string name; // template id or quoted name, for messages
    HFONT font = nullptr;
    int baseX = 8, baseY = 16;
    UINT defId = 0; // DM_SETDEFID
    bool modal = false;
    bool driven = false;
    HWND focusSaved = nullptr;
    std::atomic<bool> ended{false};
    std::atomic<INT_PTR> result{0};
};

// The dialog's record (made for any window when create is set), nullptr for a bad window.
std::shared_ptr<DialogInfo> Info(HWND hDlg, bool create);
void Forget(HWND hDlg);

// Creates a dialog and its controls and runs WM_INITDIALOG. NULL on failure (message on stderr).
HWND CreateFromTemplate(HINSTANCE hInstance, const kel::rc::Dialog& t, HWND hWndParent, DLGPROC dlgProc,
                        LPARAM param, bool modal);

// Focus to a control of the dialog: selects an edit's text and moves the default push button.
void SetDlgFocus(HWND hDlg, HWND ctl);
// Makes id the default button (DM_SETDEFID), restyling the old and new push buttons.
void SetDefaultId(HWND hDlg, UINT id);
// WM_GETDLGCODE of a control, with the standard answer of the known classes when it gives none.
LRESULT DlgCode(HWND ctl, const MSG* msg);

// Reads an integer as GetDlgItemInt does: leading blanks, a sign only when signed, the digits up to
// the first other character, no overflow.
bool ParseDlgInt(const char* text, bool isSigned, UINT* value);

bool SameClass(HWND hwnd, const char* className);
LONG_PTR Style(HWND hwnd);
int ScaleRound(int a, int b, int c);

} // namespace kel::ui::dlg
