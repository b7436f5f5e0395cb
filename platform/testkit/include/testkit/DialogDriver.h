// Drives a live dialog from a test the way a user would: type into edits, tick buttons, pick list
// entries, click buttons and press keys, so the dialog's own handlers run. Handed to the script of
// ScriptedPrompts::Expectation::Drive right after WM_INITDIALOG; usable on any dialog too.
//
//     prompts.Expect(IDD_SETUP).Drive([](kel::testkit::DialogDriver& d) {
//         d.SetText(IDC_EDIT1, "5");
//         d.Click(IDOK);
//     });
//
// A control id the dialog does not have, or a disabled control, fails the test.
#pragma once

#include "win32/user.h"

#include <string>

namespace kel::testkit
{

class DialogDriver
{
public:
    explicit DialogDriver(HWND dialog) : m_dialog(dialog) {}

    HWND Dialog() const { return m_dialog; }
    // The control with this id (nullptr, and a test failure, when missing).
    HWND Item(int id) const;
    // True while the dialog exists and EndDialog has not been called for it.
    bool IsOpen() const;

    // Replaces a control's text, as typing would (the control notifies its parent; an edit keeps
    // no more than its limit).
    void SetText(int id, const std::string& text);
    std::string GetText(int id) const;
    // Sets a check box or radio button as a click would (nothing when it is already so).
    void Check(int id, bool checked = true);
    bool IsChecked(int id) const;
    // Selects a list or combo box entry by index or by its exact text, and notifies the parent as
    // a user's selection does (LBN_SELCHANGE / CBN_SELCHANGE).
    void Select(int id, int index);
    void Select(int id, const std::string& text);
    // Clicks a button: check boxes and radio buttons change state; the parent gets BN_CLICKED.
    void Click(int id);
    // A key (VK_RETURN, VK_ESCAPE, VK_TAB, arrows...) pressed on the focused control, handled
    // through IsDialogMessage as the dialog's message loop would.
    void Press(UINT vk);
    // Alt+letter: the mnemonic of a label or button.
    void PressMnemonic(char letter);
    // Moves focus to a control as the dialog manager does (WM_NEXTDLGCTL).
    void Focus(int id);
    // The focused control's id (0 when focus is outside the dialog).
    int FocusedId() const;
    // Runs the dialog's queued messages until none is left or the dialog has ended.
    void Pump();

private:
    HWND m_dialog;
};

} // namespace kel::testkit
