// Window classes, the window table and tree, creation and destruction, window words, text,
// properties, rectangles and coordinates.
#include "user_internal.h"

#include "win32/resources.h"

#include <algorithm>
#include <cstring>

namespace kel::ui
{
namespace
{
struct Tables
{
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels; // z-order, top first
    std::vector<std::shared_ptr<WndClass>> classes;
    uintptr_t nextHandle = 0x20000;
    ATOM nextAtom = 0xC000;
    HWND desktop = nullptr;
    std::function<HWND(LPCSTR, LPCSTR)> foreignFinder;
};

Tables& T()
{
    static Tables* t = new Tables; // outlives thread-exit clean-ups at process end
    return *t;
}

HINSTANCE NormalizeInstance(HINSTANCE h)
{
    return h ? h : ::GetModuleHandle(nullptr);
}

std::string ClassKey(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return UpperKey(name);
}

// Class lookup as CreateWindowEx does it: the module's own, then global, then system classes.
std::shared_ptr<WndClass> FindClassLocked(HINSTANCE instance, LPCSTR name)
{
    auto& classes = T().classes;
    auto matches = [&](const std::shared_ptr<WndClass>& c)
    {
        if (IS_INTRESOURCE(name))
            return c->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        return c->key == UpperKey(name);
    };
    instance = NormalizeInstance(instance);
    for (auto& c : classes)
        if (!c->system && !(c->style & CS_GLOBALCLASS) && c->instance == instance && matches(c))
            return c;
    for (auto& c : classes)
        if (!c->system && (c->style & CS_GLOBALCLASS) && matches(c))
            return c;
    for (auto& c : classes)
        if (c->system && matches(c))
            return c;
    return nullptr;
}

ATOM AddClass(const WNDCLASSEX& wc, bool system)
{
    if (!wc.lpszClassName || (!IS_INTRESOURCE(wc.lpszClassName) && !*wc.lpszClassName) || !wc.lpfnWndProc)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lk(KernelLock());
    auto c = std::make_shared<WndClass>();
    c->name = IS_INTRESOURCE(wc.lpszClassName) ? ClassKey(wc.lpszClassName) : wc.lpszClassName;
    c->key = ClassKey(wc.lpszClassName);
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    c->clsExtra = std::max(0, wc.cbClsExtra);
    c->wndExtra = std::max(0, wc.cbWndExtra);
    c->instance = system ? nullptr : NormalizeInstance(wc.hInstance);
    c->icon = wc.hIcon;
    c->iconSm = wc.hIconSm;
    c->cursor = wc.hCursor;
    c->background = wc.hbrBackground;
    if (wc.lpszMenuName)
    {
        if (IS_INTRESOURCE(wc.lpszMenuName))
            c->menuNameId = wc.lpszMenuName;
        else
            c->menuName = wc.lpszMenuName;
    }
    c->extra.assign(static_cast<size_t>(c->clsExtra), 0);
    c->system = system;
    for (auto& other : T().classes)
        if (other->key == c->key && other->system == system && other->instance == c->instance &&
            ((other->style & CS_GLOBALCLASS) == (c->style & CS_GLOBALCLASS)))
        {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    c->atom = T().nextAtom++;
    T().classes.push_back(c);
    return c->atom;
}

std::vector<HWND>& SiblingsLocked(const Window& w)
{
    if (w.parent)
        if (Window* p = FindWindowLocked(w.parent))
            return p->children;
    return T().topLevels;
}

void Unlink(std::vector<HWND>& v, HWND h)
{
    v.erase(std::remove(v.begin(), v.end(), h), v.end());
}

// Puts hwnd into its sibling list after `after` (HWND_TOP/HWND_BOTTOM or a sibling).
void LinkLocked(Window& w, HWND after)
{
    auto& sibs = SiblingsLocked(w);
    Unlink(sibs, w.hwnd);
    if (after == HWND_BOTTOM)
        sibs.push_back(w.hwnd);
    else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST)
        sibs.insert(sibs.begin(), w.hwnd);
    else
    {
        auto it = std::find(sibs.begin(), sibs.end(), after);
        sibs.insert(it == sibs.end() ? sibs.begin() : it + 1, w.hwnd);
    }
}

POINT WindowOriginLocked(const Window& w)
{
    POINT p{w.rect.left, w.rect.top};
    if (w.parent)
        if (Window* parent = FindWindowLocked(w.parent))
        {
            POINT o = ClientOriginLocked(*parent);
            p.x += o.x;
            p.y += o.y;
        }
    return p;
}

bool InvalidIndex()
{
    SetLastError(ERROR_INVALID_INDEX);
    return false;
}

} // namespace

// ---- Table access -----------------------------------------------------------------------------------------

Window* FindWindowLocked(HWND hwnd)
{
    auto& windows = T().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() || it->second->dead ? nullptr : it->second.get();
}

std::vector<HWND> WindowsOfThread(DWORD tid)
{
    std::vector<std::pair<uintptr_t, HWND>> found;
    for (auto& [h, w] : T().windows)
        if (w->tid == tid && !w->dead && h != T().desktop)
            found.emplace_back(reinterpret_cast<uintptr_t>(h), h);
    std::sort(found.begin(), found.end());
    std::vector<HWND> out;
    for (auto& f : found)
        out.push_back(f.second);
    return out;
}

std::vector<HWND>& TopLevels()
{
    return T().topLevels;
}

POINT ClientOriginLocked(const Window& w)
{
    POINT p = WindowOriginLocked(w);
    p.x += w.insets.left;
    p.y += w.insets.top;
    return p;
}

RECT ClientRectLocked(const Window& w)
{
    LONG cx = (w.rect.right - w.rect.left) - w.insets.left - w.insets.right;
    LONG cy = (w.rect.bottom - w.rect.top) - w.insets.top - w.insets.bottom;
    return RECT{0, 0, std::max<LONG>(cx, 0), std::max<LONG>(cy, 0)};
}

std::string UpperKey(const char* s)
{
    std::string k = s ? s : "";
    for (char& c : k)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return k;
}

bool RectEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

RECT RectUnion(const RECT& a, const RECT& b)
{
    if (RectEmpty(a))
        return b;
    if (RectEmpty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool RectIntersect(const RECT& a, const RECT& b, RECT* out)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (RectEmpty(r))
        r = RECT{0, 0, 0, 0};
    if (out)
        *out = r;
    return !RectEmpty(r);
}

RECT NonClientInsets(DWORD style, DWORD exStyle, bool hasMenu)
{
    // Top-level frames and the captions of child windows are the backend's.
    if (!(style & WS_CHILD) || (style & WS_CAPTION) == WS_CAPTION)
        return GetDriver().FrameInsets(style, exStyle, hasMenu);
    int edge = 0;
    if (style & WS_THICKFRAME)
        edge = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        edge = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        edge = GetSystemMetrics(SM_CXBORDER);
    if (exStyle & WS_EX_CLIENTEDGE)
        edge += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE)
        edge += GetSystemMetrics(SM_CXBORDER);
    return RECT{edge, edge, edge, edge};
}

RECT CalcClientInsets(HWND hwnd, const RECT& rect, WINDOWPOS* pos)
{
    NCCALCSIZE_PARAMS ncp{};
    ncp.rgrc[0] = rect;
    if (pos)
    {
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            Window* w = FindWindowLocked(hwnd);
            if (!w)
                return RECT{};
            ncp.rgrc[1] = w->rect;
            ncp.rgrc[2] = RECT{w->rect.left + w->insets.left, w->rect.top + w->insets.top,
                               w->rect.right - w->insets.right, w->rect.bottom - w->insets.bottom};
        }
        ncp.lppos = pos;
        CallProc(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&ncp));
    }
    else
        CallProc(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&ncp.rgrc[0]));
    const RECT& c = ncp.rgrc[0];
    return RECT{std::max<LONG>(c.left - rect.left, 0), std::max<LONG>(c.top - rect.top, 0),
                std::max<LONG>(rect.right - c.right, 0), std::max<LONG>(rect.bottom - c.bottom, 0)};
}

void SendSizeAndMove(HWND hwnd)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    const WPARAM type = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessage(hwnd, WM_SIZE, type, MAKELPARAM(client.right, client.bottom));
    POINT origin{0, 0};
    HWND parent = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    MapWindowPoints(hwnd, parent, &origin, 1);
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

ATOM RegisterSystemClass(const WNDCLASSEX& wc)
{
    return AddClass(wc, true);
}

NativeSurface GetSurface(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w ? w->surface : nullptr;
}

HWND WindowFromSurface(NativeSurface surface)
{
    if (!surface)
        return nullptr;
    std::lock_guard<std::mutex> lk(KernelLock());
    for (auto& [h, w] : T().windows)
        if (w->surface == surface && !w->dead)
            return h;
    return nullptr;
}

bool SetWindowSurfaceData(HWND hwnd, std::unique_ptr<WindowSurfaceData> data)
{
    std::unique_ptr<WindowSurfaceData> old;
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
        return false;
    old = std::move(w->surfaceData);
    w->surfaceData = std::move(data);
    return true;
}

WindowSurfaceData* GetWindowSurfaceData(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w ? w->surfaceData.get() : nullptr;
}

void SetForeignWindowFinder(std::function<HWND(LPCSTR, LPCSTR)> finder)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    T().foreignFinder = std::move(finder);
}

// Removes a window from the table after its WM_NCDESTROY.
static void RemoveWindow(HWND hwnd)
{
    std::unique_ptr<Window> gone;
    NativeSurface surface = nullptr;
    HMENU menu = nullptr, sysMenu = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto it = T().windows.find(hwnd);
        if (it == T().windows.end())
            return;
        Window& w = *it->second;
        ForgetWindowLocked(w);
        Unlink(SiblingsLocked(w), hwnd);
        Unlink(T().topLevels, hwnd);
        if (w.cls)
            --w.cls->windows;
        surface = w.surface;
        if (!(w.style & WS_CHILD))
            menu = w.menu;
        sysMenu = w.sysMenu;
        w.dead = true;
        gone = std::move(it->second);
        T().windows.erase(it);
    }
    if (surface)
        GetDriver().DestroySurface(hwnd, surface);
    if (menu && IsMenuHandle(menu))
        DestroyMenuTree(menu);
    if (sysMenu && IsMenuHandle(sysMenu))
        DestroyMenuTree(sysMenu);
    // `gone` (with its drawing state) is deleted here, outside the lock.
}

void DestroyThreadWindows(DWORD tid, bool sendMessages)
{
    std::vector<HWND> mine;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        mine = WindowsOfThread(tid);
    }
    for (HWND h : mine)
    {
        if (sendMessages)
            ::DestroyWindow(h);
        else
            RemoveWindow(h);
    }
}

} // namespace kel::ui

using namespace kel;
using namespace kel::ui;

// ---- Classes ---------------------------------------------------------------------------------------------

ATOM RegisterClass(const WNDCLASS* wc)
{
    if (!wc)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEX ex{sizeof(WNDCLASSEX), wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                  wc->cbWndExtra,     wc->hInstance,    wc->hIcon,         wc->hCursor,
                  wc->hbrBackground,  wc->lpszMenuName, wc->lpszClassName, nullptr};
    return AddClass(ex, false);
}

ATOM RegisterClassEx(const WNDCLASSEX* wc)
{
    if (!wc)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AddClass(*wc, false);
}

BOOL UnregisterClass(LPCSTR name, HINSTANCE instance)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    auto c = FindClassLocked(instance, name);
    if (!c || c->system)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->windows > 0)
    {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase(T().classes, c);
    return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE instance, LPCSTR name, LPWNDCLASSEX out)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    auto c = FindClassLocked(instance, name);
    if (!c || !out)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    out->cbSize = sizeof(WNDCLASSEX);
    out->style = c->style;
    out->lpfnWndProc = c->proc;
    out->cbClsExtra = c->clsExtra;
    out->cbWndExtra = c->wndExtra;
    out->hInstance = c->instance;
    out->hIcon = c->icon;
    out->hCursor = c->cursor;
    out->hbrBackground = c->background;
    out->lpszMenuName = c->menuNameId ? c->menuNameId : (c->menuName.empty() ? nullptr : c->menuName.c_str());
    out->lpszClassName = c->name.c_str();
    out->hIconSm = c->iconSm;
    return c->atom;
}

BOOL GetClassInfo(HINSTANCE instance, LPCSTR name, LPWNDCLASS out)
{
    WNDCLASSEX ex{};
    if (!out || !GetClassInfoEx(instance, name, &ex))
        return FALSE;
    *out = WNDCLASS{ex.style, ex.lpfnWndProc, ex.cbClsExtra,    ex.cbWndExtra,   ex.hInstance,
                    ex.hIcon, ex.hCursor,     ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
    return TRUE;
}

int GetClassName(HWND hwnd, LPSTR buffer, int max)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || !buffer || max <= 0)
    {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const std::string& name = w->cls->name;
    size_t n = std::min(name.size(), static_cast<size_t>(max - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
        return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
    WndClass& c = *w->cls;
    switch (index)
    {
    case GCLP_MENUNAME:
        return reinterpret_cast<ULONG_PTR>(c.menuNameId ? c.menuNameId : c.menuName.c_str());
    case GCLP_HBRBACKGROUND:
        return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR:
        return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON:
        return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HICONSM:
        return reinterpret_cast<ULONG_PTR>(c.iconSm);
    case GCLP_HMODULE:
        return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA:
        return static_cast<ULONG_PTR>(c.wndExtra);
    case GCL_CBCLSEXTRA:
        return static_cast<ULONG_PTR>(c.clsExtra);
    case GCLP_WNDPROC:
        return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE:
        return c.style;
    case GCW_ATOM:
        return c.atom;
    }
    if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= c.extra.size())
    {
        ULONG_PTR v;
        std::memcpy(&v, c.extra.data() + index, sizeof v);
        return v;
    }
    InvalidIndex();
    return 0;
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
        return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
    WndClass& c = *w->cls;
    ULONG_PTR old = 0;
    auto swap = [&](auto& field)
    {
        old = (ULONG_PTR)(field);
        field = (std::remove_reference_t<decltype(field)>)(value);
    };
    SetLastError(0);
    switch (index)
    {
    case GCLP_HBRBACKGROUND:
        swap(c.background);
        return old;
    case GCLP_HCURSOR:
        swap(c.cursor);
        return old;
    case GCLP_HICON:
        swap(c.icon);
        return old;
    case GCLP_HICONSM:
        swap(c.iconSm);
        return old;
    case GCLP_WNDPROC:
        swap(c.proc);
        return old;
    case GCL_STYLE:
        old = c.style;
        c.style = static_cast<UINT>(value);
        return old;
    }
    if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= c.extra.size())
    {
        std::memcpy(&old, c.extra.data() + index, sizeof old);
        std::memcpy(c.extra.data() + index, &value, sizeof value);
        return old;
    }
    InvalidIndex();
    return 0;
}

DWORD GetClassLong(HWND hwnd, int index)
{
    return static_cast<DWORD>(GetClassLongPtr(hwnd, index));
}

DWORD SetClassLong(HWND hwnd, int index, LONG value)
{
    return static_cast<DWORD>(SetClassLongPtr(hwnd, index, value));
}

WORD GetClassWord(HWND hwnd, int index)
{
    return static_cast<WORD>(GetClassLongPtr(hwnd, index));
}

// ---- Creation ---------------------------------------------------------------------------------------------

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int cx,
                    int cy, HWND parentIn, HMENU menu, HINSTANCE instance, LPVOID param)
{
    const DWORD tid = GetCurrentThreadId();
    MyQueue();
    const bool messageOnly = parentIn == HWND_MESSAGE;
    HWND parent = nullptr, owner = nullptr;
    HWND hwnd = nullptr;
    SurfaceInfo info;
    bool wantMenuFromClass = false;
    LPCSTR classMenu = nullptr;
    std::string classMenuName;
    // The default size of a top-level needs the screen, which must not be asked under the lock.
    const bool defaultSize = cx == CW_USEDEFAULT && !(style & WS_CHILD);
    const int screenCx = defaultSize ? GetSystemMetrics(SM_CXSCREEN) : 0;
    const int screenCy = defaultSize ? GetSystemMetrics(SM_CYSCREEN) : 0;
    // Every window with a dialog or sizing frame has the raised outer edge; no other has.
    if ((exStyle & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)))
        exStyle |= WS_EX_WINDOWEDGE;
    else
        exStyle &= ~static_cast<DWORD>(WS_EX_WINDOWEDGE);
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto cls = FindClassLocked(instance, className);
        if (!cls)
        {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (!messageOnly && parentIn)
        {
            Window* p = FindWindowLocked(parentIn);
            if (!p)
            {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            if (style & WS_CHILD)
                parent = parentIn;
            else
            {
                // The owner of a popup is the top-level window of the one given.
                while (p->parent)
                    p = FindWindowLocked(p->parent);
                owner = p->hwnd;
            }
        }
        else if ((style & WS_CHILD) && !messageOnly)
        {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }

        auto w = std::make_unique<Window>();
        hwnd = reinterpret_cast<HWND>(T().nextHandle);
        T().nextHandle += 4;
        w->hwnd = hwnd;
        w->cls = cls;
        ++cls->windows;
        w->proc = cls->proc;
        w->style = style & ~WS_VISIBLE;
        if (!(style & WS_CHILD))
            w->style |= WS_CLIPSIBLINGS;
        w->exStyle = exStyle;
        w->instance = instance;
        w->parent = parent;
        w->owner = owner;
        w->tid = tid;
        w->messageOnly = messageOnly;
        w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
        if (style & WS_CHILD)
            w->id = reinterpret_cast<LONG_PTR>(menu);
        else
        {
            w->menu = menu;
            wantMenuFromClass = !menu && (cls->menuNameId || !cls->menuName.empty());
            classMenu = cls->menuNameId;
            classMenuName = cls->menuName;
        }
        // Default placement of top-levels: staggered from the corner, three quarters of the screen.
        if (x == CW_USEDEFAULT)
            x = y = (style & WS_CHILD) ? 0 : 32;
        if (cx == CW_USEDEFAULT)
        {
            cx = (style & WS_CHILD) ? 0 : screenCx * 3 / 4;
            cy = (style & WS_CHILD) ? 0 : screenCy * 3 / 4;
        }
        w->rect = RECT{x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
        w->normal = w->rect;
        // A top-level window hears of its size and place when it is first shown.
        w->needSize = !(style & WS_CHILD) && !messageOnly;
        Window& ref = *w;
        T().windows[hwnd] = std::move(w);
        if (!messageOnly)
            LinkLocked(ref, parent ? HWND_BOTTOM : HWND_TOP);
        for (int bar = 0; bar < 2; ++bar)
            ref.scroll[bar] = SCROLLINFO{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0};

        info.hwnd = hwnd;
        info.owner = owner;
        info.className = cls->name;
        info.text = windowName && !IS_INTRESOURCE(windowName) ? windowName : "";
        info.style = style;
        info.exStyle = exStyle;
        info.rect = ref.rect;
        if (parent)
            info.parent = FindWindowLocked(parent)->surface;
    }

    if (wantMenuFromClass)
    {
        HMENU m = LoadMenu(instance, classMenu ? classMenu : classMenuName.c_str());
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
            w->menu = m;
        menu = m;
    }

    // Only the user-interface thread's windows get a face; message-only windows never do.
    if (!messageOnly && IsUiThread() && (!parent || info.parent))
    {
        NativeSurface s = GetDriver().CreateSurface(info);
        RECT insets = NonClientInsets(style, exStyle, !(style & WS_CHILD) && menu);
        if (s && !(style & WS_CHILD) && menu)
            GetDriver().SetMenuBar(s, menu);
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
        {
            w->surface = s;
            w->insets = insets;
        }
    }

    CREATESTRUCT cs{param,     instance, menu, parent ? parent : owner,  cy,
                    cx,        y,        x,    static_cast<LONG>(style), windowName,
                    className, exStyle};

    if (!(style & WS_CHILD) && !messageOnly)
    {
        MINMAXINFO mmi{};
        const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
        mmi.ptMaxSize = POINT{sx, sy};
        mmi.ptMaxPosition = POINT{0, 0};
        mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
        CallProc(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        if (style & WS_THICKFRAME)
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            if (Window* w = FindWindowLocked(hwnd))
            {
                LONG wcx = std::clamp<LONG>(w->rect.right - w->rect.left, mmi.ptMinTrackSize.x,
                                            std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
                LONG wcy = std::clamp<LONG>(w->rect.bottom - w->rect.top, mmi.ptMinTrackSize.y,
                                            std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
                w->rect.right = w->rect.left + wcx;
                w->rect.bottom = w->rect.top + wcy;
                w->normal = w->rect;
            }
        }
    }

    if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)))
    {
        CallProc(hwnd, WM_NCDESTROY, 0, 0);
        RemoveWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
            w->created = true;
    }

    // Client area: what WM_NCCALCSIZE makes of the window rectangle.
    RECT windowRect;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
            return nullptr;
        windowRect = w->rect;
    }
    const RECT insets = CalcClientInsets(hwnd, windowRect, nullptr);
    NativeSurface surface = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
        {
            w->insets = insets;
            surface = w->surface;
        }
    }
    // The frame around the client area is the backend's to draw (a top-level's caption and borders
    // lie outside its surface), scroll bars included.
    if (surface)
    {
        GetDriver().SetSurfaceInsets(surface, insets);
        PushScrollBars(hwnd);
    }

    if (CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1)
    {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!IsWindow(hwnd))
        return nullptr;

    bool later = false;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
            later = w->needSize;
    }
    if (!later)
        SendSizeAndMove(hwnd);

    if (parent && !(exStyle & WS_EX_NOPARENTNOTIFY))
    {
        // Each ancestor hears of the new child until one that does not pass notifications up.
        for (HWND p = parent; p; p = GetParent(p))
        {
            SendMessage(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, GetDlgCtrlID(hwnd)),
                        reinterpret_cast<LPARAM>(hwnd));
            if (!(GetWindowLongPtr(p, GWL_STYLE) & WS_CHILD) ||
                (GetWindowLongPtr(p, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY))
                break;
        }
    }

    if (style & WS_VISIBLE)
    {
        int cmd = (style & WS_MAXIMIZE)   ? SW_SHOWMAXIMIZED
                  : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                                          : SW_SHOW;
        ShowWindow(hwnd, cmd);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

HWND CreateWindow(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int cx, int cy, HWND parent,
                  HMENU menu, HINSTANCE instance, LPVOID param)
{
    return CreateWindowEx(0, className, windowName, style, x, y, cx, cy, parent, menu, instance, param);
}

// ---- Destruction
// -------------------------------------------------------------------------------------------

namespace
{
// The window and its descendants, parent before children.
void Subtree(HWND hwnd, std::vector<HWND>& out)
{
    out.push_back(hwnd);
    std::vector<HWND> children;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(hwnd))
            children = w->children;
    }
    for (HWND c : children)
        Subtree(c, out);
}
} // namespace

BOOL DestroyWindow(HWND hwnd)
{
    std::vector<HWND> owned;
    HWND parent = nullptr;
    DWORD exStyle = 0;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w || hwnd == T().desktop)
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->tid != GetCurrentThreadId())
        {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying)
            return TRUE;
        w->destroying = true;
        parent = w->parent;
        exStyle = w->exStyle;
        for (auto& [h, other] : T().windows)
            if (other->owner == hwnd && !other->dead)
                owned.push_back(h);
    }
    for (HWND o : owned)
        DestroyWindow(o);

    if (parent && !(exStyle & WS_EX_NOPARENTNOTIFY))
        SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, GetDlgCtrlID(hwnd)),
                    reinterpret_cast<LPARAM>(hwnd));

    // Focus and activation leave with their messages while the tree is still whole: the parent of
    // a child takes the focus; another top-level window is activated for a top-level one.
    if (parent)
    {
        HWND focus = GetFocus();
        if (focus && (focus == hwnd || IsChild(hwnd, focus)))
            SetFocus(parent);
    }
    else
        ActivateOtherWindow(hwnd);

    std::vector<HWND> tree;
    Subtree(hwnd, tree);
    {
        // Hide quietly, release focus, capture and activation still held inside the tree.
        std::shared_ptr<Queue> q = MyQueue();
        HWND loseCapture = nullptr;
        NativeSurface surface = nullptr;
        bool focusInTree = false;
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            for (HWND h : tree)
                if (Window* w = FindWindowLocked(h))
                {
                    w->destroying = true;
                    if (h == hwnd)
                    {
                        surface = (w->style & WS_VISIBLE) ? w->surface : nullptr;
                        w->style &= ~WS_VISIBLE;
                    }
                }
            for (HWND h : tree)
                if (h == q->capture)
                    loseCapture = h;
            for (HWND h : tree)
                if (h == q->focus)
                    focusInTree = true;
            if (focusInTree)
                q->focus = nullptr;
            for (HWND h : tree)
                if (h == q->active)
                    q->active = nullptr;
        }
        if (surface)
            GetDriver().ShowSurface(surface, SW_HIDE);
        if (loseCapture)
            ReleaseCapture();
        if (focusInTree && IsUiThread())
            GetDriver().FocusSurface(nullptr);
    }

    for (HWND h : tree)
        if (IsWindow(h))
            CallProc(h, WM_DESTROY, 0, 0);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it)
    {
        if (IsWindow(*it))
            CallProc(*it, WM_NCDESTROY, 0, 0);
        RemoveWindow(*it);
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    if (!hwnd)
        return FALSE;
    std::lock_guard<std::mutex> lk(KernelLock());
    return FindWindowLocked(hwnd) != nullptr;
}

BOOL IsWindowUnicode(HWND)
{
    return FALSE;
}

// ---- Tree -------------------------------------------------------------------------------------------------

HWND GetDesktopWindow()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    if (!T().desktop)
    {
        auto w = std::make_unique<Window>();
        w->hwnd = reinterpret_cast<HWND>(T().nextHandle);
        T().nextHandle += 4;
        auto cls = std::make_shared<WndClass>();
        cls->name = "#32769";
        cls->key = cls->name;
        cls->proc = DefWindowProc;
        w->cls = cls;
        w->proc = DefWindowProc;
        w->style = WS_VISIBLE | WS_CLIPCHILDREN;
        w->created = true;
        T().desktop = w->hwnd;
        T().windows[w->hwnd] = std::move(w);
    }
    return T().desktop;
}

HWND GetParent(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return (w->style & WS_CHILD) ? w->parent : ((w->style & WS_POPUP) ? w->owner : nullptr);
}

HWND SetParent(HWND child, HWND newParent)
{
    HWND old;
    NativeSurface surface = nullptr, parentSurface = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(child);
        Window* p = newParent ? FindWindowLocked(newParent) : nullptr;
        if (!w || (newParent && !p))
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        for (Window* a = p; a; a = a->parent ? FindWindowLocked(a->parent) : nullptr)
            if (a == w)
            {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
        old = w->parent ? w->parent : T().desktop;
        Unlink(SiblingsLocked(*w), child);
        Unlink(T().topLevels, child);
        w->parent = p ? newParent : nullptr;
        LinkLocked(*w, HWND_TOP);
        surface = w->surface;
        parentSurface = p ? p->surface : nullptr;
    }
    if (surface)
        GetDriver().SetSurfaceParent(surface, parentSurface);
    return old;
}

HWND GetWindow(HWND hwnd, UINT cmd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (cmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_OWNER)
        return w->owner;
    if (cmd == GW_ENABLEDPOPUP)
    {
        for (HWND h : T().topLevels)
            if (Window* o = FindWindowLocked(h);
                o && o->owner == hwnd && !(o->style & WS_DISABLED) && (o->style & WS_VISIBLE))
                return h;
        return nullptr;
    }
    if (w->messageOnly)
        return nullptr;
    auto& sibs = SiblingsLocked(*w);
    auto it = std::find(sibs.begin(), sibs.end(), hwnd);
    if (it == sibs.end())
        return nullptr;
    switch (cmd)
    {
    case GW_HWNDFIRST:
        return sibs.front();
    case GW_HWNDLAST:
        return sibs.back();
    case GW_HWNDNEXT:
        return it + 1 == sibs.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return it == sibs.begin() ? nullptr : *(it - 1);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HWND GetTopWindow(HWND hwnd)
{
    if (!hwnd)
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        return T().topLevels.empty() ? nullptr : T().topLevels.front();
    }
    return GetWindow(hwnd, GW_CHILD);
}

HWND GetNextWindow(HWND hwnd, UINT cmd)
{
    return GetWindow(hwnd, cmd);
}

HWND GetAncestor(HWND hwnd, UINT flags)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || hwnd == T().desktop)
        return nullptr;
    switch (flags)
    {
    case GA_PARENT:
        return w->parent ? w->parent : T().desktop;
    case GA_ROOT:
    case GA_ROOTOWNER:
        while (w->parent)
            w = FindWindowLocked(w->parent);
        if (flags == GA_ROOTOWNER)
            while (w->owner && FindWindowLocked(w->owner))
                w = FindWindowLocked(w->owner);
        return w->hwnd;
    }
    return nullptr;
}

HWND GetLastActivePopup(HWND hwnd)
{
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    while (w && (w->style & WS_CHILD) && w->parent)
    {
        if (w->parent == parent)
            return TRUE;
        w = FindWindowLocked(w->parent);
    }
    return FALSE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    if (!proc)
        return FALSE;
    std::vector<HWND> tree;
    if (parent)
        Subtree(parent, tree);
    else
    {
        std::vector<HWND> tops;
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            tops = T().topLevels;
        }
        for (HWND t : tops)
            Subtree(t, tree);
    }
    for (HWND h : tree)
        if (h != parent && IsWindow(h) && !proc(h, lParam))
            return FALSE;
    return TRUE;
}

BOOL EnumThreadWindows(DWORD tid, WNDENUMPROC proc, LPARAM lParam)
{
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        for (HWND h : T().topLevels)
            if (Window* w = FindWindowLocked(h); w && w->tid == tid)
                tops.push_back(h);
    }
    for (HWND h : tops)
        if (IsWindow(h) && !proc(h, lParam))
            return FALSE;
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam)
{
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        tops = T().topLevels;
    }
    for (HWND h : tops)
        if (IsWindow(h) && !proc(h, lParam))
            return FALSE;
    return TRUE;
}

HWND FindWindowEx(HWND parent, HWND after, LPCSTR className, LPCSTR title)
{
    std::function<HWND(LPCSTR, LPCSTR)> foreign;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        std::vector<HWND> list;
        if (parent && parent != HWND_MESSAGE)
        {
            Window* p = FindWindowLocked(parent);
            if (!p)
                return nullptr;
            list = p->children;
        }
        else if (parent == HWND_MESSAGE)
        {
            for (auto& [h, w] : T().windows)
                if (w->messageOnly && !w->dead)
                    list.push_back(h);
        }
        else
            list = T().topLevels;
        auto it = list.begin();
        if (after)
        {
            it = std::find(list.begin(), list.end(), after);
            if (it != list.end())
                ++it;
        }
        for (; it != list.end(); ++it)
        {
            Window* w = FindWindowLocked(*it);
            if (!w)
                continue;
            if (className && (IS_INTRESOURCE(className)
                                  ? w->cls->atom != static_cast<ATOM>(reinterpret_cast<uintptr_t>(className))
                                  : w->cls->key != UpperKey(className)))
                continue;
            if (title && w->text != title)
                continue;
            return *it;
        }
        if (parent || after)
            return nullptr;
        foreign = T().foreignFinder;
    }
    return foreign ? foreign(className, title) : nullptr;
}

HWND FindWindow(LPCSTR className, LPCSTR title)
{
    return FindWindowEx(nullptr, nullptr, className, title);
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD pid)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (pid)
        *pid = GetCurrentProcessId();
    return w->tid;
}

// ---- Window words
// ------------------------------------------------------------------------------------------

int GetDlgCtrlID(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index)
    {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID:
        return (w->style & WS_CHILD) ? w->id : reinterpret_cast<LONG_PTR>(w->menu);
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    }
    if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size())
    {
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
    }
    InvalidIndex();
    return 0;
}

namespace
{
// SetWindowLong of GWL_STYLE or GWL_EXSTYLE: WM_STYLECHANGING (which may amend the new style),
// the change, WM_STYLECHANGED.
LONG_PTR SetStyleWord(HWND hwnd, int index, DWORD value)
{
    STYLESTRUCT ss{};
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        ss.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
    }
    ss.styleNew = value;
    SendMessage(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    NativeSurface surface = nullptr;
    DWORD style = 0, exStyle = 0;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
            return static_cast<LONG>(ss.styleOld);
        (index == GWL_STYLE ? w->style : w->exStyle) = ss.styleNew;
        surface = w->surface;
        style = w->style;
        exStyle = w->exStyle;
    }
    SetLastError(0);
    if (surface)
        GetDriver().SetSurfaceStyle(surface, style, exStyle);
    SendMessage(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    return static_cast<LONG>(ss.styleOld);
}
} // namespace

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value)
{
    if (index == GWL_STYLE || index == GWL_EXSTYLE)
        return SetStyleWord(hwnd, index, static_cast<DWORD>(value));
    LONG_PTR old = 0;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        SetLastError(0);
        switch (index)
        {
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            if (!value)
            {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            w->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(w->instance);
            w->instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWLP_HWNDPARENT:
            if (w->style & WS_CHILD)
                return InvalidIndex(), 0;
            old = reinterpret_cast<LONG_PTR>(w->owner);
            w->owner = reinterpret_cast<HWND>(value);
            return old;
        case GWLP_ID:
            if (w->style & WS_CHILD)
            {
                old = w->id;
                w->id = value;
            }
            else
            {
                old = reinterpret_cast<LONG_PTR>(w->menu);
                w->menu = reinterpret_cast<HMENU>(value);
            }
            return old;
        case GWLP_USERDATA:
            old = w->userData;
            w->userData = value;
            return old;
        default:
            if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size())
            {
                std::memcpy(&old, w->extra.data() + index, sizeof old);
                std::memcpy(w->extra.data() + index, &value, sizeof value);
                return old;
            }
            InvalidIndex();
            return 0;
        }
    }
    return old;
}

namespace
{
bool PointerIndex(int index)
{
    return index == GWL_WNDPROC || index == GWL_HINSTANCE || index == GWL_HWNDPARENT;
}

// 32-bit extra words at byte offsets (dialog and control code keeps LONGs there).
bool ExtraLong(HWND hwnd, int index, const LONG* in, LONG* out)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size())
        return InvalidIndex();
    std::memcpy(out, w->extra.data() + index, sizeof(LONG));
    if (in)
        std::memcpy(w->extra.data() + index, in, sizeof(LONG));
    return true;
}
} // namespace

LONG GetWindowLong(HWND hwnd, int index)
{
    if (PointerIndex(index))
        return InvalidIndex(), 0;
    if (index >= 0)
    {
        LONG v = 0;
        return ExtraLong(hwnd, index, nullptr, &v) ? v : 0;
    }
    return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
}

LONG SetWindowLong(HWND hwnd, int index, LONG value)
{
    if (PointerIndex(index))
        return InvalidIndex(), 0;
    if (index >= 0)
    {
        LONG old = 0;
        SetLastError(0);
        return ExtraLong(hwnd, index, &value, &old) ? old : 0;
    }
    return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
}

WORD GetWindowWord(HWND hwnd, int index)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || index < 0 || static_cast<size_t>(index) + 2 > w->extra.size())
        return InvalidIndex(), 0;
    WORD v;
    std::memcpy(&v, w->extra.data() + index, 2);
    return v;
}

WORD SetWindowWord(HWND hwnd, int index, WORD value)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || index < 0 || static_cast<size_t>(index) + 2 > w->extra.size())
        return InvalidIndex(), 0;
    WORD v;
    std::memcpy(&v, w->extra.data() + index, 2);
    std::memcpy(w->extra.data() + index, &value, 2);
    return v;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

// ---- Text and properties
// -------------------------------------------------------------------------------------

BOOL SetWindowText(HWND hwnd, LPCSTR text)
{
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

namespace
{
bool OwnThread(HWND hwnd, std::string* text)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
        return false;
    *text = w->text;
    return w->tid == GetCurrentThreadId();
}
} // namespace

int GetWindowText(HWND hwnd, LPSTR buffer, int max)
{
    if (!buffer || max <= 0)
        return 0;
    buffer[0] = 0;
    std::string text;
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (OwnThread(hwnd, &text))
        return static_cast<int>(
            SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(buffer)));
    // Another thread's window: its stored text, without asking it (as Windows does).
    size_t n = std::min(text.size(), static_cast<size_t>(max - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int GetWindowTextLength(HWND hwnd)
{
    std::string text;
    if (!IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (OwnThread(hwnd, &text))
        return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
    return static_cast<int>(text.size());
}

namespace
{
std::string PropKey(LPCSTR name)
{
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : UpperKey(name);
}
} // namespace

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || !name)
        return FALSE;
    w->props[PropKey(name)] = data;
    return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || !name)
        return nullptr;
    auto it = w->props.find(PropKey(name));
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w || !name)
        return nullptr;
    auto it = w->props.find(PropKey(name));
    if (it == w->props.end())
        return nullptr;
    HANDLE h = it->second;
    w->props.erase(it);
    return h;
}

// A window's help context travels with it as a property, as F1 asks for it.
namespace
{
constexpr char kContextHelpProp[] = "KelContextHelpId";
}

BOOL SetWindowContextHelpId(HWND hwnd, DWORD id)
{
    if (id == 0)
    {
        RemoveProp(hwnd, kContextHelpProp);
        return IsWindow(hwnd);
    }
    return SetProp(hwnd, kContextHelpProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(id)));
}

DWORD GetWindowContextHelpId(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(GetProp(hwnd, kContextHelpProp)));
}

// ---- Rectangles and coordinates
// ----------------------------------------------------------------------------------

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    if (!rect)
        return FALSE;
    if (hwnd && hwnd == GetDesktopWindow())
    {
        *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    }
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = WindowOriginLocked(*w);
    *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    if (!rect)
        return FALSE;
    if (hwnd && hwnd == GetDesktopWindow())
        return GetWindowRect(hwnd, rect);
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = ClientRectLocked(*w);
    return TRUE;
}

namespace
{
// Screen position of hwnd's client origin; (0,0) for NULL or the desktop.
bool ClientOrigin(HWND hwnd, POINT* p)
{
    *p = POINT{0, 0};
    if (!hwnd)
        return true;
    std::lock_guard<std::mutex> lk(KernelLock());
    if (hwnd == T().desktop)
        return true;
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    *p = ClientOriginLocked(*w);
    return true;
}
} // namespace

BOOL ClientToScreen(HWND hwnd, LPPOINT pt)
{
    POINT o;
    if (!pt || !hwnd || !ClientOrigin(hwnd, &o))
        return FALSE;
    pt->x += o.x;
    pt->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt)
{
    POINT o;
    if (!pt || !hwnd || !ClientOrigin(hwnd, &o))
        return FALSE;
    pt->x -= o.x;
    pt->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT a, b;
    if (!ClientOrigin(from, &a) || !ClientOrigin(to, &b))
        return 0;
    const LONG dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i)
    {
        points[i].x += dx;
        points[i].y += dy;
    }
    SetLastError(0);
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

namespace
{
bool Contains(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

HWND ChildAt(HWND parent, POINT screen, UINT flags, bool deep)
{
    std::vector<HWND> children;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* p = FindWindowLocked(parent);
        if (!p)
            return nullptr;
        children = p->children;
    }
    for (HWND c : children)
    {
        RECT r;
        LONG_PTR style = GetWindowLongPtr(c, GWL_STYLE);
        if ((flags & CWP_SKIPINVISIBLE) && !(style & WS_VISIBLE))
            continue;
        if ((flags & CWP_SKIPDISABLED) && (style & WS_DISABLED))
            continue;
        if (GetWindowRect(c, &r) && Contains(r, screen))
        {
            if (!deep)
                return c;
            HWND inner = ChildAt(c, screen, flags, true);
            return inner ? inner : c;
        }
    }
    return nullptr;
}
} // namespace

HWND WindowFromPoint(POINT pt)
{
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        tops = T().topLevels;
    }
    for (HWND t : tops)
    {
        RECT r;
        if (IsWindowVisible(t) && GetWindowRect(t, &r) && Contains(r, pt))
        {
            HWND c = ChildAt(t, pt, CWP_SKIPINVISIBLE, true);
            return c ? c : t;
        }
    }
    return nullptr;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags)
{
    RECT client;
    if (!GetClientRect(parent, &client) || !Contains(client, pt))
        return nullptr;
    ClientToScreen(parent, &pt);
    HWND c = ChildAt(parent, pt, flags, false);
    return c ? c : parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt)
{
    return ChildWindowFromPointEx(parent, pt, CWP_ALL);
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle)
{
    if (!rect)
        return FALSE;
    RECT in = NonClientInsets(style, exStyle, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu)
{
    return AdjustWindowRectEx(rect, style, menu, 0);
}
