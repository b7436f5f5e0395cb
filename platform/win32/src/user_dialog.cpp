// The dialog manager: dialogs from templates, the dialog class and its default procedure, modal
// loops, EndDialog, and the dialog item helpers. Keyboard navigation is in user_dialog_nav.cpp.
#include "user_dialog_internal.h"

#include "win32/kernel.h"
#include "win32/prompt.h"
#include "win32/resources.h"
#include "win32/uidriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#ifndef MSGF_DIALOGBOX
#define MSGF_DIALOGBOX 0
#endif
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

namespace kel::ui::dlg
{

namespace
{

std::mutex g_mutex;
std::map<HWND, std::shared_ptr<DialogInfo>> g_dialogs;
DialogFontMeasure g_measure;

// The system font's base units (what GetDialogBaseUnits reports).
constexpr int kSystemBaseX = 8;
constexpr int kSystemBaseY = 16;

} // namespace

std::shared_ptr<DialogInfo> Info(HWND hDlg, bool create)
{
    std::lock_guard lock(g_mutex);
    auto it = g_dialogs.find(hDlg);
    if (it != g_dialogs.end())
        return it->second;
    if (!create || !IsWindow(hDlg))
        return nullptr;
    auto info = std::make_shared<DialogInfo>();
    g_dialogs[hDlg] = info;
    return info;
}

void Forget(HWND hDlg)
{
    std::lock_guard lock(g_mutex);
    g_dialogs.erase(hDlg);
}

bool SameClass(HWND hwnd, const char* className)
{
    char name[64];
    int n = GetClassName(hwnd, name, sizeof name);
    if (n <= 0)
        return false;
    for (int i = 0;; ++i)
    {
        char a = name[i], b = className[i];
        if (a >= 'a' && a <= 'z')
            a = char(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = char(b - 'a' + 'A');
        if (a != b)
            return false;
        if (!a)
            return true;
    }
}

LONG_PTR Style(HWND hwnd)
{
    return GetWindowLongPtr(hwnd, GWL_STYLE);
}

// Rounds a*b/c half away from zero, as the dialog unit conversion does.
int ScaleRound(int a, int b, int c)
{
    long long p = static_cast<long long>(a) * b;
    long long q = (std::llabs(p) * 2 + c) / (2LL * c);
    return static_cast<int>(p < 0 ? -q : q);
}

} // namespace kel::ui::dlg

namespace kel::ui
{

void SetDialogFontMeasure(DialogFontMeasure measure)
{
    std::lock_guard lock(dlg::g_mutex);
    dlg::g_measure = std::move(measure);
}

bool IsDialogEnded(HWND hDlg)
{
    auto info = dlg::Info(hDlg, false);
    return info && info->ended;
}

std::string DialogTemplateName(HWND hDlg)
{
    auto info = dlg::Info(hDlg, false);
    return info ? info->name : std::string();
}

} // namespace kel::ui

using namespace kel::ui::dlg;

namespace
{

std::string TemplateName(const kel::rc::Dialog& t)
{
    return t.name.IsId() ? std::to_string(t.name.id) : "\"" + std::string(t.name.name) + "\"";
}

// Base units and font of a template's dialog font.
kel::ui::DialogFontMetrics MeasureFont(const kel::rc::Dialog& t)
{
    kel::ui::DialogFontMetrics m;
    if (!t.hasFont)
    {
        m.baseX = kSystemBaseX;
        m.baseY = kSystemBaseY;
        return m;
    }
    kel::ui::DialogFontMeasure measure;
    {
        std::lock_guard lock(g_mutex);
        measure = g_measure;
    }
    if (measure && measure(t.font, &m) && m.baseX > 0 && m.baseY > 0)
        return m;
    int pt = t.font.pointSize ? t.font.pointSize : 8;
    m.baseX = ScaleRound(6, pt, 8);
    m.baseY = ScaleRound(13, pt, 8);
    return m;
}

// The dialog class every dialog without a CLASS statement has.
bool EnsureDialogClass()
{
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoEx(nullptr, kDialogClass, &wc))
        return true;
    wc = WNDCLASSEX{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = DefDlgProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1));
    wc.lpszClassName = kDialogClass;
    return kel::ui::RegisterSystemClass(wc) != 0;
}

bool IsIconStatic(const kel::rc::Control& c)
{
    return std::strcmp(c.className, "STATIC") == 0 && (c.style & SS_TYPEMASK) == SS_ICON;
}

void Complain(const char* what, const std::string& name, const kel::rc::Control& c)
{
    std::fprintf(stderr, "dialog %s: control %d of class \"%s\" %s\n", name.c_str(), int(c.id), c.className,
                 what);
}

} // namespace

namespace kel::ui::dlg
{

HWND CreateFromTemplate(HINSTANCE hInstance, const kel::rc::Dialog& t, HWND hWndParent, DLGPROC dlgProc,
                        LPARAM param, bool modal)
{
    const std::string name = TemplateName(t);
    if (!EnsureDialogClass())
    {
        std::fprintf(stderr, "dialog %s: the dialog window class cannot be registered\n", name.c_str());
        return nullptr;
    }

    // Every dialog has the three-dimensional look, asked for or not.
    DWORD style = (t.style & ~WS_VISIBLE) | DS_3DLOOK;
    DWORD exStyle = t.exStyle;
    if (style & DS_CONTROL)
    {
        // A dialog used as a page: its controls join the parent's keyboard navigation.
        style &= ~(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }
    if (style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    HWND owner = hWndParent;
    if (!(style & WS_CHILD) && owner)
        owner = GetAncestor(owner, GA_ROOT); // a popup is owned by a top-level window

    HMENU menu = nullptr;
    if (!(style & WS_CHILD) && (t.menu.name ? t.menu.name[0] != '\0' : t.menu.id != 0))
        menu = LoadMenu(hInstance, t.menu.name ? t.menu.name : MAKEINTRESOURCE(t.menu.id));

    DialogFontMetrics metrics = MeasureFont(t);
    RECT rect{0, 0, ScaleRound(t.cx, metrics.baseX, 4), ScaleRound(t.cy, metrics.baseY, 8)};
    AdjustWindowRectEx(&rect, style, menu != nullptr, exStyle);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = ScaleRound(t.x, metrics.baseX, 4), y = ScaleRound(t.y, metrics.baseY, 8);
    if (!(style & WS_CHILD))
    {
        if (style & (DS_CENTER | DS_CENTERMOUSE))
        {
            x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        }
        else if (owner && !(style & DS_ABSALIGN))
        {
            POINT origin{0, 0}; // positions count from the owner's client area
            ClientToScreen(owner, &origin);
            x += origin.x;
            y += origin.y;
        }
    }

    std::string className = kDialogClass;
    if (t.className.name ? t.className.name[0] != '\0' : t.className.id != 0)
        className = t.className.name ? t.className.name : "#" + std::to_string(t.className.id);

    HWND hDlg = CreateWindowEx(exStyle, className.c_str(), t.caption ? t.caption : "", style, x, y, width,
                               height, (style & WS_CHILD) ? hWndParent : owner, menu, hInstance, nullptr);
    if (!hDlg)
    {
        std::fprintf(stderr, "dialog %s: the dialog window (class \"%s\") cannot be created\n", name.c_str(),
                     className.c_str());
        if (menu)
            DestroyMenu(menu);
        return nullptr;
    }
    auto info = Info(hDlg, true);
    info->templ = &t;
    info->name = name;
    info->font = metrics.font;
    info->baseX = metrics.baseX;
    info->baseY = metrics.baseY;
    info->modal = modal;
    SetWindowLongPtr(hDlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(dlgProc));
    if (t.hasFont)
        SendMessage(hDlg, WM_SETFONT, reinterpret_cast<WPARAM>(metrics.font), FALSE);

    for (size_t i = 0; i < t.controlCount && IsWindow(hDlg); ++i)
    {
        const kel::rc::Control& c = t.controls[i];
        bool icon = IsIconStatic(c);
        const char* text = (!icon && c.text.name) ? c.text.name : "";
        // Position and size convert separately, so equal sizes stay equal wherever they are.
        RECT r{c.x, c.y, c.cx, c.cy};
        MapDialogRect(hDlg, &r);
        HWND ctl = CreateWindowEx(c.exStyle | WS_EX_NOPARENTNOTIFY, c.className, text, c.style | WS_CHILD,
                                  r.left, r.top, r.right, r.bottom, hDlg,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), hInstance, nullptr);
        if (!ctl)
        {
            WNDCLASSEX wc{};
            wc.cbSize = sizeof wc;
            bool known = GetClassInfoEx(hInstance, c.className, &wc);
            Complain(known ? "cannot be created" : "cannot be created: the class is not registered", name, c);
            if (t.style & DS_NOFAILCREATE)
                continue;
            DestroyWindow(hDlg);
            return nullptr;
        }
        if (t.hasFont)
            SendMessage(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(metrics.font), FALSE);
        if (icon)
        {
            LPCSTR iconName = c.text.IsId() ? MAKEINTRESOURCE(c.text.id) : c.text.name;
            HICON hIcon = LoadIcon(hInstance, iconName);
            if (hIcon)
                SendMessage(ctl, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
            else
                Complain("shows an icon that is not in the module", name, c);
        }
        if (!info->defId && std::strcmp(c.className, "BUTTON") == 0 &&
            (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            info->defId = static_cast<UINT>(c.id);
    }
    if (!IsWindow(hDlg))
        return nullptr;

    HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE);
    LRESULT setFocus = SendMessage(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(hDlg))
        return nullptr;
    if (setFocus && first && !info->ended)
        SetDlgFocus(hDlg, first);
    if (!modal && (t.style & WS_VISIBLE) && !info->ended)
        ShowWindow(hDlg, SW_SHOWNORMAL);
    return hDlg;
}

} // namespace kel::ui::dlg

namespace
{

// What the responder says about a modal dialog: run it (maybe driven) or take its answer.
kel::PromptReply AskPromptService(HINSTANCE hInstance, LPCSTR templateName, const kel::rc::Dialog* t,
                                  HWND owner)
{
    kel::PromptRequest r;
    r.kind = kel::PromptKind::Dialog;
    r.owner = owner;
    r.instance = hInstance;
    r.caption = t && t->caption ? t->caption : "";
    if (templateName && IS_INTRESOURCE(templateName))
        r.templateId = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(templateName));
    else if (templateName && templateName[0] == '#')
        r.templateId = static_cast<UINT>(std::strtoul(templateName + 1, nullptr, 10));
    else if (templateName)
        r.templateName = templateName;
    else if (t && t->name.IsId())
        r.templateId = t->name.id;
    else if (t)
        r.templateName = t->name.name;
    return kel::Prompt(r);
}

INT_PTR RunModal(HINSTANCE hInstance, const kel::rc::Dialog& t, HWND hWndParent, DLGPROC dlgProc,
                 LPARAM param, const std::function<void(HWND)>& drive)
{
    HWND owner = hWndParent ? GetAncestor(hWndParent, GA_ROOT) : nullptr;
    if (owner && (GetWindowLongPtr(owner, GWL_STYLE) & WS_CHILD))
        owner = nullptr;
    bool reenable = owner && IsWindowEnabled(owner);
    if (reenable)
        EnableWindow(owner, FALSE);

    HWND hDlg = CreateFromTemplate(hInstance, t, hWndParent, dlgProc, param, true);
    if (!hDlg)
    {
        if (reenable)
            EnableWindow(owner, TRUE);
        return -1;
    }
    auto info = Info(hDlg, true);
    info->driven = static_cast<bool>(drive);
    if (!info->ended)
        ShowWindow(hDlg, SW_SHOWNORMAL);
    if (drive && !info->ended && IsWindow(hDlg))
        drive(hDlg);

    bool idleSent = false;
    while (!info->ended && IsWindow(hDlg))
    {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (info->driven)
            {
                // A script that leaves its dialog open would wait for a person: nobody will come.
                std::fprintf(stderr, "dialog %s: still open after its script; ended with IDCANCEL\n",
                             info->name.c_str());
                EndDialog(hDlg, IDCANCEL);
                break;
            }
            if (!idleSent && owner && !(t.style & DS_NOIDLEMSG))
            {
                idleSent = true;
                SendMessage(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hDlg));
                continue;
            }
        }
        BOOL got = GetMessage(&msg, nullptr, 0, 0);
        if (got == 0)
        {
            PostQuitMessage(static_cast<int>(msg.wParam)); // the outer loop must see it too
            info->result = IDCANCEL;
            break;
        }
        if (got == -1)
            break;
        idleSent = false;
        if (!IsDialogMessage(hDlg, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    INT_PTR result = info->ended ? info->result.load() : IDCANCEL;
    if (reenable && IsWindow(owner))
        EnableWindow(owner, TRUE); // before the dialog goes, so activation returns to the owner
    if (IsWindow(hDlg))
    {
        ShowWindow(hDlg, SW_HIDE);
        DestroyWindow(hDlg);
    }
    if (reenable && IsWindow(owner))
        SetActiveWindow(owner);
    return result;
}

INT_PTR DialogBoxCommon(HINSTANCE hInstance, LPCSTR templateName, const kel::rc::Dialog* t, HWND hWndParent,
                        DLGPROC dlgProc, LPARAM param)
{
    if (!t)
    {
        std::fprintf(stderr, "dialog %s: no such template\n",
                     templateName && IS_INTRESOURCE(templateName)
                         ? std::to_string(reinterpret_cast<ULONG_PTR>(templateName)).c_str()
                         : (templateName ? templateName : "(null)"));
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    kel::PromptReply reply = AskPromptService(hInstance, templateName, t, hWndParent);
    if (!reply.run)
        return reply.result;
    // A worker's dialog is shown by the user-interface thread while the worker waits.
    return kel::ui::RunOnUiThread(
        [&]() -> LRESULT { return RunModal(hInstance, *t, hWndParent, dlgProc, param, reply.drive); });
}

} // namespace

// ---- Creation ------------------------------------------------------------------------------------

INT_PTR DialogBoxParam(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                       LPARAM dwInitParam)
{
    return DialogBoxCommon(hInstance, lpTemplateName, kel::rc::FindDialog(hInstance, lpTemplateName),
                           hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR DialogBox(HINSTANCE hInstance, LPCSTR lpTemplate, HWND hWndParent, DLGPROC lpDialogFunc)
{
    return DialogBoxParam(hInstance, lpTemplate, hWndParent, lpDialogFunc, 0);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE hInstance, LPCDLGTEMPLATE hDialogTemplate, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return DialogBoxCommon(hInstance, nullptr, hDialogTemplate, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR DialogBoxIndirect(HINSTANCE hInstance, LPCDLGTEMPLATE lpTemplate, HWND hWndParent,
                          DLGPROC lpDialogFunc)
{
    return DialogBoxIndirectParam(hInstance, lpTemplate, hWndParent, lpDialogFunc, 0);
}

HWND CreateDialogIndirectParam(HINSTANCE hInstance, LPCDLGTEMPLATE lpTemplate, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (!lpTemplate)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateFromTemplate(hInstance, *lpTemplate, hWndParent, lpDialogFunc, dwInitParam, false);
}

HWND CreateDialogParam(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                       LPARAM dwInitParam)
{
    const kel::rc::Dialog* t = kel::rc::FindDialog(hInstance, lpTemplateName);
    if (!t)
    {
        std::fprintf(stderr, "dialog %s: no such template\n",
                     IS_INTRESOURCE(lpTemplateName)
                         ? std::to_string(reinterpret_cast<ULONG_PTR>(lpTemplateName)).c_str()
                         : lpTemplateName);
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CreateFromTemplate(hInstance, *t, hWndParent, lpDialogFunc, dwInitParam, false);
}

HWND CreateDialog(HINSTANCE hInstance, LPCSTR lpName, HWND hWndParent, DLGPROC lpDialogFunc)
{
    return CreateDialogParam(hInstance, lpName, hWndParent, lpDialogFunc, 0);
}

HWND CreateDialogIndirect(HINSTANCE hInstance, LPCDLGTEMPLATE lpTemplate, HWND hWndParent,
                          DLGPROC lpDialogFunc)
{
    return CreateDialogIndirectParam(hInstance, lpTemplate, hWndParent, lpDialogFunc, 0);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    auto info = Info(hDlg, true);
    if (!info)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    info->result = nResult;
    info->ended = true;
    if (!info->modal)
        ShowWindow(hDlg, SW_HIDE);    // a modeless dialog is only hidden; its owner destroys it
    PostMessage(hDlg, WM_NULL, 0, 0); // wakes a modal loop waiting for input
    return TRUE;
}

// ---- The dialog class's procedure --------------------------------------------------------------------

namespace
{

// Messages whose dialog procedure result is the message result itself (not DWLP_MSGRESULT).
bool ReturnsDirectly(UINT msg)
{
    switch (msg)
    {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

LRESULT DefaultDialogHandling(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CLOSE:
    {
        // Closing is cancelling, unless the Cancel button is there and disabled.
        HWND cancel = GetDlgItem(hDlg, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel))
            return 0;
        PostMessage(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case DM_GETDEFID:
    {
        auto info = Info(hDlg, false);
        return info && info->defId ? MAKELRESULT(info->defId, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID:
        SetDefaultId(hDlg, static_cast<UINT>(wParam));
        return TRUE;
    case WM_NEXTDLGCTL:
    {
        HWND target;
        if (LOWORD(lParam))
            target = reinterpret_cast<HWND>(wParam);
        else
            target = GetNextDlgTabItem(hDlg, GetFocus(), wParam != 0);
        if (target && IsChild(hDlg, target))
            SetDlgFocus(hDlg, target);
        return 0;
    }
    case WM_SETFOCUS:
    {
        // Focus given to the dialog goes back to the control that had it (no new selection), or
        // to the first tab stop.
        auto info = Info(hDlg, false);
        HWND previous = reinterpret_cast<HWND>(wParam);
        HWND back = info && IsWindow(info->focusSaved) && IsChild(hDlg, info->focusSaved) ? info->focusSaved
                    : previous && IsChild(hDlg, previous)                                 ? previous
                                                                                          : nullptr;
        if (back)
            SetFocus(back);
        // The control that had it may be on its way out and refuse it: the first tab stop then.
        if (GetFocus() != back || !back)
            if (HWND first = GetNextDlgTabItem(hDlg, nullptr, FALSE); first && first != back)
                SetDlgFocus(hDlg, first);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
        {
            // Remember where focus was, to give it back when the dialog is active again.
            HWND focus = GetFocus();
            auto info = Info(hDlg, false);
            if (info && focus && IsChild(hDlg, focus))
                info->focusSaved = focus;
        }
        return DefWindowProc(hDlg, msg, wParam, lParam);
    case WM_SETFONT:
        if (auto info = Info(hDlg, false))
            info->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
    {
        auto info = Info(hDlg, false);
        return info ? reinterpret_cast<LRESULT>(info->font) : 0;
    }
    case WM_NCDESTROY:
    {
        LRESULT r = DefWindowProc(hDlg, msg, wParam, lParam);
        Forget(hDlg);
        return r;
    }
    default:
        return DefWindowProc(hDlg, msg, wParam, lParam);
    }
}

} // namespace

LRESULT DefDlgProc(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtr(hDlg, DWLP_DLGPROC));
    if (proc)
    {
        SetWindowLongPtr(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (handled || Msg == WM_INITDIALOG)
        {
            if (ReturnsDirectly(Msg))
                return handled;
            if (Msg == WM_NCDESTROY)
                Forget(hDlg);
            return IsWindow(hDlg) ? GetWindowLongPtr(hDlg, DWLP_MSGRESULT) : 0;
        }
        if (!IsWindow(hDlg))
            return 0;
    }
    return DefaultDialogHandling(hDlg, Msg, wParam, lParam);
}

// ---- Items ------------------------------------------------------------------------------------------

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgCtrlID(c) == nIDDlgItem)
            return c;
    SetLastError(IsWindow(hDlg) ? ERROR_CONTROL_ID_NOT_FOUND : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

BOOL SetDlgItemText(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowText(item, lpString) : FALSE;
}

UINT GetDlgItemText(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
    {
        if (lpString && cchMax > 0)
            lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowText(item, lpString, cchMax));
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    char text[16];
    if (bSigned)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(uValue));
    else
        std::snprintf(text, sizeof text, "%u", uValue);
    return SetDlgItemText(hDlg, nIDDlgItem, text);
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    std::string text(static_cast<size_t>(GetWindowTextLength(item)) + 1, '\0');
    GetWindowText(item, text.data(), static_cast<int>(text.size()));
    UINT value = 0;
    if (!ParseDlgInt(text.c_str(), bSigned != FALSE, &value))
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return value;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessage(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? static_cast<UINT>(SendMessage(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    if (!IsWindow(hDlg))
        return FALSE;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    {
        int id = GetDlgCtrlID(c);
        if (id >= nIDFirstButton && id <= nIDLastButton)
            SendMessage(c, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

LRESULT SendDlgItemMessage(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessage(item, Msg, wParam, lParam) : 0;
}

// ---- Dialog units -----------------------------------------------------------------------------------

LONG GetDialogBaseUnits()
{
    return MAKELONG(kSystemBaseX, kSystemBaseY);
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    if (!lpRect)
        return FALSE;
    auto info = Info(hDlg, false);
    if (!info && !IsWindow(hDlg))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int bx = info ? info->baseX : kSystemBaseX, by = info ? info->baseY : kSystemBaseY;
    lpRect->left = ScaleRound(lpRect->left, bx, 4);
    lpRect->right = ScaleRound(lpRect->right, bx, 4);
    lpRect->top = ScaleRound(lpRect->top, by, 8);
    lpRect->bottom = ScaleRound(lpRect->bottom, by, 8);
    return TRUE;
}
