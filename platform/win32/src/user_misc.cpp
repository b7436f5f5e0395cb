// System metrics, cursors and icons, carets.
#include "user_internal.h"

#include "win32/resources.h"

#include <map>

namespace kel::ui
{
namespace
{
std::map<int, int>& TestMetrics()
{
    static auto* m = new std::map<int, int>;
    return *m;
}

// A desktop of 1920x1080 with Windows' classic frame sizes.
int TableMetric(int index)
{
    switch (index)
    {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return 1920;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return 1080;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 17;
    case SM_CYCAPTION:
        return 23;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 8;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYMENU:
    case SM_CYMENUSIZE:
    case SM_CXMENUSIZE:
        return 20;
    case SM_CXSIZE:
        return 36;
    case SM_CYSIZE:
        return 22;
    case SM_CYSMCAPTION:
        return 15;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 136;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 39;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 15;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
        return 75;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT:
        return 1;
    case SM_CMOUSEBUTTONS:
        return 3;
    }
    return 0;
}

struct Caret
{
    HWND hwnd = nullptr;
    RECT rect{};
    int hide = 1;
};
thread_local Caret t_caret;
HCURSOR g_cursor = nullptr;
int g_cursorCount = 0;
UINT g_blink = 530;

void ShowCaretState()
{
    NativeSurface s = GetSurface(t_caret.hwnd);
    if (s)
        GetDriver().SetCaret(s, t_caret.rect, t_caret.hide <= 0);
}
} // namespace

void SetSystemMetricForTests(int index, int value)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    TestMetrics()[index] = value;
}

void ResetSystemMetricsForTests()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    TestMetrics().clear();
}

} // namespace kel::ui

using namespace kel;
using namespace kel::ui;

int GetSystemMetrics(int index)
{
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto it = TestMetrics().find(index);
        if (it != TestMetrics().end())
            return it->second;
    }
    int v;
    if (GetDriver().SystemMetric(index, &v))
        return v;
    // Values that follow the screen size follow an injected screen too.
    switch (index)
    {
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
        return GetSystemMetrics(SM_CXSCREEN);
    case SM_CYFULLSCREEN:
        return GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION);
    case SM_CYMAXIMIZED:
        return GetSystemMetrics(SM_CYSCREEN);
    case SM_CXMAXTRACK:
        return GetSystemMetrics(SM_CXSCREEN) + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXTRACK:
        return GetSystemMetrics(SM_CYSCREEN) + 2 * GetSystemMetrics(SM_CYFRAME);
    }
    return TableMetric(index);
}

UINT GetDoubleClickTime()
{
    return 500;
}

// ---- Cursors and icons
// -------------------------------------------------------------------------------------- Standard cursors and
// icons are placeholder handles unless the backend makes real ones; a cursor or icon from a module's
// resources is the handle of its resource entry (const kel::rc::Binary*).

namespace
{
HICON StandardHandle(LPCSTR id, bool cursor)
{
    if (cursor)
        if (HCURSOR h = GetDriver().StandardCursor(id))
            return h;
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(0x10000 + reinterpret_cast<uintptr_t>(id)) |
                                   (cursor ? 0x100000 : 0x200000));
}

HICON ResourceHandle(HINSTANCE instance, LPCSTR name, LPCSTR type)
{
    if (!instance && IS_INTRESOURCE(name))
        return StandardHandle(name, type == RT_GROUP_CURSOR);
    const kel::rc::Binary* b = kel::rc::FindBinary(instance, name, type);
    if (!b)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>(const_cast<kel::rc::Binary*>(b));
}
} // namespace

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name)
{
    return ResourceHandle(instance, name, RT_GROUP_CURSOR);
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name)
{
    return ResourceHandle(instance, name, RT_GROUP_ICON);
}

BOOL DestroyCursor(HCURSOR)
{
    return TRUE;
}

BOOL DestroyIcon(HICON)
{
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR old = g_cursor;
    g_cursor = cursor;
    if (IsUiThread() && old != cursor)
        GetDriver().SetCursorShape(cursor);
    return old;
}

HCURSOR GetCursor()
{
    return g_cursor;
}

int ShowCursor(BOOL show)
{
    return show ? ++g_cursorCount : --g_cursorCount;
}

BOOL ClipCursor(const RECT*)
{
    return TRUE;
}

// ---- Carets (per thread, as on Windows) -------------------------------------------------------------------

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height)
{
    if (!IsWindow(hwnd))
        return FALSE;
    DestroyCaret();
    t_caret.hwnd = hwnd;
    t_caret.rect = RECT{0, 0, width ? width : 1, height ? height : 1};
    t_caret.hide = 1;
    return TRUE;
}

BOOL DestroyCaret()
{
    if (!t_caret.hwnd)
        return FALSE;
    t_caret.hide = 1;
    ShowCaretState();
    t_caret = Caret{};
    return TRUE;
}

BOOL ShowCaret(HWND hwnd)
{
    if (!t_caret.hwnd || (hwnd && hwnd != t_caret.hwnd))
        return FALSE;
    if (t_caret.hide > 0)
        --t_caret.hide;
    ShowCaretState();
    return TRUE;
}

BOOL HideCaret(HWND hwnd)
{
    if (!t_caret.hwnd || (hwnd && hwnd != t_caret.hwnd))
        return FALSE;
    ++t_caret.hide;
    ShowCaretState();
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    if (!t_caret.hwnd)
        return FALSE;
    t_caret.rect = RECT{x, y, x + (t_caret.rect.right - t_caret.rect.left),
                        y + (t_caret.rect.bottom - t_caret.rect.top)};
    ShowCaretState();
    return TRUE;
}

BOOL GetCaretPos(LPPOINT pt)
{
    if (!pt || !t_caret.hwnd)
        return FALSE;
    *pt = POINT{t_caret.rect.left, t_caret.rect.top};
    return TRUE;
}

UINT GetCaretBlinkTime()
{
    return g_blink;
}

BOOL SetCaretBlinkTime(UINT ms)
{
    g_blink = ms;
    return TRUE;
}
