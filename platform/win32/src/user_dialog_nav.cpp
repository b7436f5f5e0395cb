// Keyboard navigation in dialogs: tab and group order, IsDialogMessage, mnemonics, focus and the
// default push button.
#include "user_dialog_internal.h"

#include "win32/prompt.h"

#include <cctype>
#include <climits>
#include <vector>

namespace kel::ui::dlg
{

namespace
{

// The dialog's controls in navigation order: children in z-order, with the controls of a child
// that is a control parent (a page made from a DS_CONTROL dialog) in its place.
void Collect(HWND parent, std::vector<HWND>& out)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    {
        LONG_PTR style = Style(c);
        if ((GetWindowLongPtr(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && (style & WS_VISIBLE) &&
            !(style & WS_DISABLED))
            Collect(c, out);
        else
            out.push_back(c);
    }
}

std::vector<HWND> Controls(HWND hDlg)
{
    std::vector<HWND> list;
    Collect(hDlg, list);
    return list;
}

// Visibility is the control's own bit: a dialog is navigated before it is shown.
bool Usable(HWND c)
{
    LONG_PTR style = Style(c);
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

ptrdiff_t IndexOf(const std::vector<HWND>& list, HWND c)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == c)
            return static_cast<ptrdiff_t>(i);
    return -1;
}

bool IsPushButton(LRESULT code)
{
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

void RestyleButton(HWND button, DWORD type)
{
    DWORD style = static_cast<DWORD>(Style(button)) & 0xFFFF & ~static_cast<DWORD>(BS_TYPEMASK);
    SendMessage(button, BM_SETSTYLE, style | type, TRUE);
}

// Gives the default look to `target` (a push button, or nullptr) and takes it from the others.
void ShowDefault(HWND hDlg, HWND target)
{
    for (HWND c : Controls(hDlg))
    {
        if (c == target)
            continue;
        if (DlgCode(c, nullptr) & DLGC_DEFPUSHBUTTON)
            RestyleButton(c, BS_PUSHBUTTON);
    }
    if (target && (DlgCode(target, nullptr) & DLGC_UNDEFPUSHBUTTON))
        RestyleButton(target, BS_DEFPUSHBUTTON);
}

HWND DefaultButton(HWND hDlg)
{
    auto info = Info(hDlg, false);
    return info && info->defId ? GetDlgItem(hDlg, static_cast<int>(info->defId)) : nullptr;
}

bool WantsReturn(HWND ctl)
{
    LONG_PTR style = Style(ctl);
    return SameClass(ctl, "EDIT") && (style & ES_MULTILINE) && (style & ES_WANTRETURN);
}

// Enter: the focused push button, else the default button (IDOK when there is none).
void PressDefault(HWND hDlg, HWND focus, LRESULT code)
{
    int id;
    HWND button;
    if (IsPushButton(code) && focus != hDlg)
    {
        id = GetDlgCtrlID(focus);
        button = focus;
    }
    else
    {
        LRESULT def = SendMessage(hDlg, DM_GETDEFID, 0, 0);
        id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        button = GetDlgItem(hDlg, id);
    }
    if (button && !IsWindowEnabled(button))
    {
        MessageBeep(0);
        return;
    }
    SendMessage(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// The character after the single '&' of a text ('\0' when none; "&&" is a literal '&').
char MnemonicOf(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&')
        {
            if (text[i + 1] != '&')
                return text[i + 1];
            ++i;
        }
    return '\0';
}

// Alt+letter (or a plain letter where the focus takes no characters): the control whose text
// carries that mnemonic, searched after the focus. A label passes focus to the control after it.
bool HandleMnemonic(HWND hDlg, HWND focus, WPARAM ch)
{
    int want = std::toupper(static_cast<unsigned char>(ch));
    std::vector<HWND> list = Controls(hDlg);
    if (list.empty())
        return false;
    ptrdiff_t start = IndexOf(list, focus);
    for (size_t n = 1; n <= list.size(); ++n)
    {
        HWND c = list[(static_cast<size_t>(start + static_cast<ptrdiff_t>(list.size())) + n) % list.size()];
        if (!Usable(c))
            continue;
        LRESULT code = DlgCode(c, nullptr);
        if (code & (DLGC_WANTCHARS | DLGC_HASSETSEL))
            continue; // an edit's text is its content, not a label
        std::string text(static_cast<size_t>(GetWindowTextLength(c)) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowText(c, text.data(), static_cast<int>(text.size()))));
        char m = MnemonicOf(text);
        if (!m || std::toupper(static_cast<unsigned char>(m)) != want)
            continue;
        if ((code & DLGC_STATIC) && !(code & DLGC_BUTTON))
        {
            HWND next = GetNextDlgTabItem(hDlg, c, FALSE);
            if (next && next != c)
                SetDlgFocus(hDlg, next);
        }
        else if (code & DLGC_BUTTON)
        {
            if (!IsPushButton(code))
                SetDlgFocus(hDlg, c);
            SendMessage(c, BM_CLICK, 0, 0);
        }
        else
            SetDlgFocus(hDlg, c);
        return true;
    }
    return false;
}

} // namespace

LRESULT DlgCode(HWND ctl, const MSG* msg)
{
    LRESULT code = SendMessage(ctl, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
    if (code)
        return code;
    // A control that does not answer: the standard classes' answers.
    LONG_PTR style = Style(ctl);
    if (SameClass(ctl, "BUTTON"))
    {
        switch (style & BS_TYPEMASK)
        {
        case BS_PUSHBUTTON:
        case BS_OWNERDRAW:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        default:
            return DLGC_BUTTON;
        }
    }
    if (SameClass(ctl, "STATIC"))
        return DLGC_STATIC;
    if (SameClass(ctl, "EDIT"))
    {
        code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (style & ES_MULTILINE)
        {
            bool dialogKey = msg && msg->message == WM_KEYDOWN &&
                             (msg->wParam == VK_TAB || msg->wParam == VK_ESCAPE ||
                              (msg->wParam == VK_RETURN && !(style & ES_WANTRETURN)));
            if (!dialogKey)
                code |= DLGC_WANTALLKEYS;
        }
        return code;
    }
    if (SameClass(ctl, "LISTBOX") || SameClass(ctl, "COMBOBOX"))
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (SameClass(ctl, "SCROLLBAR"))
        return DLGC_WANTARROWS;
    return 0;
}

void SetDlgFocus(HWND hDlg, HWND ctl)
{
    LRESULT code = DlgCode(ctl, nullptr);
    if (auto info = Info(hDlg, false))
        info->focusSaved = ctl;
    SetFocus(ctl);
    if (code & DLGC_HASSETSEL)
        SendMessage(ctl, EM_SETSEL, 0, -1);
    ShowDefault(hDlg, IsPushButton(code) ? ctl : DefaultButton(hDlg));
}

void SetDefaultId(HWND hDlg, UINT id)
{
    auto info = Info(hDlg, true);
    if (!info)
        return;
    info->defId = id;
    HWND focus = GetFocus();
    bool focusOnButton = focus && IsChild(hDlg, focus) && IsPushButton(DlgCode(focus, nullptr));
    if (!focusOnButton)
        ShowDefault(hDlg, DefaultButton(hDlg));
}

bool ParseDlgInt(const char* text, bool isSigned, UINT* value)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '-' && isSigned)
    {
        negative = true;
        ++p;
    }
    if (*p < '0' || *p > '9')
        return false;
    unsigned long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0x1'0000'0000ULL)
            return false;
    }
    // The number ends at the first character that is no digit ("12abc" is 12).
    if (isSigned)
    {
        if (negative ? v > 0x8000'0000ULL : v > static_cast<unsigned long long>(INT_MAX))
            return false;
        *value = static_cast<UINT>(negative ? -static_cast<long long>(v) : static_cast<long long>(v));
        return true;
    }
    if (v > UINT_MAX)
        return false;
    *value = static_cast<UINT>(v);
    return true;
}

} // namespace kel::ui::dlg

using namespace kel::ui::dlg;

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> list = Controls(hDlg);
    auto tabStop = [](HWND c) { return Usable(c) && (Style(c) & WS_TABSTOP); };
    ptrdiff_t n = static_cast<ptrdiff_t>(list.size());
    if (n == 0)
        return hCtl;
    ptrdiff_t at = hCtl ? IndexOf(list, hCtl) : -1;
    if (at < 0)
        at = bPrevious ? 0 : n - 1; // no start: the first (or last) tab stop
    for (ptrdiff_t k = 1; k <= n; ++k)
    {
        HWND c = list[static_cast<size_t>(((at + (bPrevious ? -k : k)) % n + n) % n)];
        if (tabStop(c))
            return c;
    }
    return hCtl;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> list = Controls(hDlg);
    ptrdiff_t at = IndexOf(list, hCtl);
    if (at < 0)
        return GetNextDlgTabItem(hDlg, hCtl, bPrevious);
    // The group runs from a WS_GROUP control up to the next one.
    ptrdiff_t first = at;
    while (first > 0 && !(Style(list[static_cast<size_t>(first)]) & WS_GROUP))
        --first;
    ptrdiff_t end = at + 1;
    while (end < static_cast<ptrdiff_t>(list.size()) && !(Style(list[static_cast<size_t>(end)]) & WS_GROUP))
        ++end;
    ptrdiff_t size = end - first;
    for (ptrdiff_t k = 1; k < size; ++k)
    {
        ptrdiff_t i = first + (((at - first) + (bPrevious ? -k : k)) % size + size) % size;
        if (Usable(list[static_cast<size_t>(i)]))
            return list[static_cast<size_t>(i)];
    }
    return hCtl;
}

BOOL IsDialogMessage(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !IsWindow(hDlg))
        return FALSE;
    HWND target = lpMsg->hwnd;
    if (target != hDlg && !IsChild(hDlg, target))
        return FALSE;

    switch (lpMsg->message)
    {
    case WM_KEYDOWN:
    {
        LRESULT code = DlgCode(target, lpMsg);
        if (code & DLGC_WANTALLKEYS)
            break;
        switch (lpMsg->wParam)
        {
        case VK_TAB:
            if (code & DLGC_WANTTAB)
                break;
            SendMessage(hDlg, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        {
            if (code & DLGC_WANTARROWS)
                break;
            HWND next = GetNextDlgGroupItem(hDlg, target, lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP);
            if (next && next != target)
            {
                SendMessage(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
                // Arrows through automatic radio buttons select as they go.
                if ((DlgCode(next, nullptr) & DLGC_RADIOBUTTON) &&
                    (Style(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    SendMessage(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        case VK_RETURN:
            if (WantsReturn(target))
                break;
            PressDefault(hDlg, target, code);
            return TRUE;
        case VK_F1:
        {
            // F1 asks for help on the control with the focus; a control that does not answer
            // hands the request on to its dialog.
            if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
                break;
            HELPINFO info{};
            info.cbSize = sizeof info;
            info.iContextType = HELPINFO_WINDOW;
            info.iCtrlId = target == hDlg ? 0 : GetDlgCtrlID(target);
            info.hItemHandle = target;
            info.dwContextId = GetWindowContextHelpId(target);
            GetCursorPos(&info.MousePos);
            SendMessage(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            return TRUE;
        }
        case VK_ESCAPE:
        {
            HWND cancel = GetDlgItem(hDlg, IDCANCEL);
            if (cancel && !IsWindowEnabled(cancel))
                MessageBeep(0);
            else
                SendMessage(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                            reinterpret_cast<LPARAM>(cancel));
            return TRUE;
        }
        default:
            break;
        }
        break;
    }
    case WM_SYSCHAR:
        if (HandleMnemonic(hDlg, target, lpMsg->wParam))
            return TRUE;
        break;
    case WM_CHAR:
    {
        LRESULT code = DlgCode(target, lpMsg);
        if (!(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) && lpMsg->wParam > ' ' &&
            HandleMnemonic(hDlg, target, lpMsg->wParam))
            return TRUE;
        break;
    }
    default:
        break;
    }
    TranslateMessage(lpMsg);
    DispatchMessage(lpMsg);
    return TRUE;
}
