// Drives a live dialog from a test.
#include "testkit/DialogDriver.h"
#include "testkit/ScriptedPrompts.h"

#include "win32/userdialog.h"

#include <gtest/gtest.h>

#include <cctype>

namespace kel::testkit
{

namespace
{

bool IsClass(HWND hwnd, const char* name)
{
    char buffer[64];
    int n = GetClassName(hwnd, buffer, sizeof buffer);
    std::string a(buffer, n > 0 ? static_cast<size_t>(n) : 0), b(name);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

DWORD ButtonType(HWND button)
{
    return static_cast<DWORD>(GetWindowLongPtr(button, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsAutoButton(HWND button)
{
    DWORD type = ButtonType(button);
    return IsClass(button, "BUTTON") &&
           (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_AUTO3STATE);
}

// What a control tells its parent.
void Notify(HWND item, WORD code)
{
    SendMessage(GetParent(item), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(item), code),
                reinterpret_cast<LPARAM>(item));
}

} // namespace

HWND DialogDriver::Item(int id) const
{
    if (!IsWindow(m_dialog))
    {
        ADD_FAILURE() << "The dialog is gone; control " << id << " cannot be used";
        return nullptr;
    }
    HWND item = GetDlgItem(m_dialog, id);
    if (!item)
    {
        // A page's controls sit in a child dialog.
        struct Find
        {
            int id;
            HWND found;
        } find{id, nullptr};
        EnumChildWindows(
            m_dialog,
            [](HWND c, LPARAM p) -> BOOL
            {
                auto* f = reinterpret_cast<Find*>(p);
                if (GetDlgCtrlID(c) != f->id)
                    return TRUE;
                f->found = c;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        item = find.found;
    }
    if (!item)
        ADD_FAILURE() << "Dialog " << kel::ui::DialogTemplateName(m_dialog) << " has no control " << id;
    return item;
}

bool DialogDriver::IsOpen() const
{
    return IsWindow(m_dialog) && !kel::ui::IsDialogEnded(m_dialog);
}

void DialogDriver::SetText(int id, const std::string& text)
{
    HWND item = Item(id);
    if (!item)
        return;
    // Typing stops at an edit's limit (EM_LIMITTEXT); WM_SETTEXT alone would not.
    std::string typed = text;
    if (IsClass(item, "EDIT"))
    {
        const LRESULT limit = SendMessage(item, EM_GETLIMITTEXT, 0, 0);
        if (limit > 0 && typed.size() > static_cast<size_t>(limit))
            typed.resize(static_cast<size_t>(limit));
    }
    SetWindowText(item, typed.c_str());
}

std::string DialogDriver::GetText(int id) const
{
    HWND item = Item(id);
    if (!item)
        return {};
    std::string text(static_cast<size_t>(GetWindowTextLength(item)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowText(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void DialogDriver::Check(int id, bool checked)
{
    HWND item = Item(id);
    if (!item || IsChecked(id) == checked)
        return;
    if (checked || ButtonType(item) != BS_AUTORADIOBUTTON)
        Click(id);
    // A button that does not change on a click (a plain check box whose dialog ignores the click).
    if (IsWindow(item) && IsChecked(id) != checked)
        SendMessage(item, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogDriver::IsChecked(int id) const
{
    HWND item = Item(id);
    return item && SendMessage(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogDriver::Select(int id, int index)
{
    HWND item = Item(id);
    if (!item)
        return;
    bool combo = IsClass(item, "COMBOBOX");
    LRESULT r = SendMessage(item, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (r == (combo ? CB_ERR : LB_ERR) && index != -1)
    {
        ADD_FAILURE() << "Control " << id << " has no entry " << index;
        return;
    }
    if (combo)
        Notify(item, CBN_SELCHANGE);
    else if (GetWindowLongPtr(item, GWL_STYLE) & LBS_NOTIFY)
        Notify(item, LBN_SELCHANGE);
}

void DialogDriver::Select(int id, const std::string& text)
{
    HWND item = Item(id);
    if (!item)
        return;
    bool combo = IsClass(item, "COMBOBOX");
    LRESULT index = SendMessage(item, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT,
                                static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0)
    {
        ADD_FAILURE() << "Control " << id << " has no entry \"" << text << "\"";
        return;
    }
    Select(id, static_cast<int>(index));
}

void DialogDriver::Click(int id)
{
    HWND item = Item(id);
    if (!item)
        return;
    if (!IsWindowEnabled(item) || !(GetWindowLongPtr(item, GWL_STYLE) & WS_VISIBLE))
    {
        ADD_FAILURE() << "Control " << id << " of dialog " << kel::ui::DialogTemplateName(m_dialog)
                      << " cannot be clicked: it is disabled or hidden";
        return;
    }
    SetFocus(item); // a click focuses the button first, so the control that had focus loses it
    if (IsAutoButton(item))
        SendMessage(item, BM_CLICK, 0, 0);
    else
        Notify(item, BN_CLICKED);
}

void DialogDriver::Press(UINT vk)
{
    if (!IsWindow(m_dialog))
    {
        ADD_FAILURE() << "The dialog is gone; no key can be pressed";
        return;
    }
    HWND focus = GetFocus();
    MSG msg{};
    msg.hwnd = focus && IsChild(m_dialog, focus) ? focus : m_dialog;
    msg.message = WM_KEYDOWN;
    msg.wParam = vk;
    msg.lParam = 1;
    if (!IsDialogMessage(m_dialog, &msg))
    {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    Pump();
}

void DialogDriver::PressMnemonic(char letter)
{
    HWND focus = GetFocus();
    MSG msg{};
    msg.hwnd = focus && IsChild(m_dialog, focus) ? focus : m_dialog;
    msg.message = WM_SYSCHAR;
    msg.wParam = static_cast<unsigned char>(letter);
    msg.lParam = 1 | (static_cast<LPARAM>(KF_ALTDOWN) << 16);
    if (IsWindow(m_dialog) && !IsDialogMessage(m_dialog, &msg))
        DispatchMessage(&msg);
    Pump();
}

void DialogDriver::Focus(int id)
{
    if (HWND item = Item(id))
        SendMessage(GetParent(item), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

int DialogDriver::FocusedId() const
{
    HWND focus = GetFocus();
    return focus && IsChild(m_dialog, focus) ? GetDlgCtrlID(focus) : 0;
}

void DialogDriver::Pump()
{
    MSG msg;
    while (IsOpen() && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            PostQuitMessage(static_cast<int>(msg.wParam)); // for the loop that owns it
            break;
        }
        if (!IsDialogMessage(m_dialog, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::Drive(std::function<void(DialogDriver&)> script)
{
    std::function<void(HWND)> drive = [script = std::move(script), what = Describe()](HWND dialog)
    {
        DialogDriver driver(dialog);
        script(driver);
        driver.Pump(); // what the script posted runs before the verdict
        if (driver.IsOpen())
            ADD_FAILURE() << "The script of the expected prompt (" << what
                          << ") left the dialog open; it is cancelled";
    };
    std::lock_guard lock(m_owner.m_mutex);
    m_run = true;
    m_drive = std::move(drive);
    return *this;
}

} // namespace kel::testkit
