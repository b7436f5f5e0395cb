// The MDI client: a child of a frame whose children are the document windows. It keeps them in
// activation order, numbers them for the frame's window list, and arranges them. All of it runs on
// the thread that owns the windows; the table lock is never held across a message.
#include "win32/mdi.h"

#include "user_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace
{

struct Client
{
    HWND frame = nullptr;
    HMENU windowMenu = nullptr;
    UINT idFirst = 0;
    std::vector<HWND> children; // creation order: child i has id idFirst + i
    std::vector<HWND> order;    // activation order, the active one first
    HWND active = nullptr;
    bool maximized = false;
    std::map<HWND, RECT> normal; // rectangles of maximized children before they were maximized
    std::map<HWND, RECT> iconic; // rectangles of minimized children before they were minimized
    int listed = 0;              // window-list entries now in windowMenu
    bool separator = false;      // the separator before them is ours
    int cascade = 0;             // next default position slot
};

// Posted by a document window when it is shown, so it can be listed (and activated) once visible.
const UINT kShownMessage = WM_USER + 0x7F0;

std::mutex g_mutex;
std::map<HWND, Client> g_clients;

// A copy of the client's state (empty frame when hWnd is no MDI client).
Client Snapshot(HWND hWnd)
{
    std::lock_guard lock(g_mutex);
    auto it = g_clients.find(hWnd);
    return it == g_clients.end() ? Client{} : it->second;
}

template <class F> void Update(HWND hWnd, F&& f)
{
    std::lock_guard lock(g_mutex);
    auto it = g_clients.find(hWnd);
    if (it != g_clients.end())
        f(it->second);
}

// A document window counts as shown by its own style, whatever its frame's state.
bool Shown(HWND hWnd)
{
    return (GetWindowLongPtr(hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsClient(HWND hWnd)
{
    std::lock_guard lock(g_mutex);
    return g_clients.count(hWnd) != 0;
}

HWND ClientOf(HWND hChild)
{
    HWND hParent = GetParent(hChild);
    return hParent && IsClient(hParent) ? hParent : nullptr;
}

int Step()
{
    return std::max(GetSystemMetrics(SM_CYCAPTION), 18) + 4;
}

// Takes the window list out of the Window popup (the entries and the separator before them).
void RemoveList(HWND hClient)
{
    Client c = Snapshot(hClient);
    if (c.windowMenu && IsMenu(c.windowMenu))
    {
        for (int i = 0; i < c.listed; ++i)
            DeleteMenu(c.windowMenu, c.idFirst + static_cast<UINT>(i), MF_BYCOMMAND);
        const int count = GetMenuItemCount(c.windowMenu);
        if (c.separator && count > 0 && (GetMenuState(c.windowMenu, count - 1, MF_BYPOSITION) & MF_SEPARATOR))
            DeleteMenu(c.windowMenu, static_cast<UINT>(count - 1), MF_BYPOSITION);
    }
    Update(hClient,
           [](Client& s)
           {
               s.listed = 0;
               s.separator = false;
           });
}

// Rebuilds the window list at the end of the Window popup: a separator, then "&1 title" for each
// visible document window (at most MDI_MAXLISTED), the active one checked.
void RefreshMenu(HWND hClient)
{
    RemoveList(hClient);
    Client c = Snapshot(hClient);
    if (!c.windowMenu || !IsMenu(c.windowMenu))
        return;
    int listed = 0;
    bool separator = false;
    for (size_t i = 0; i < c.children.size() && listed < MDI_MAXLISTED; ++i)
    {
        HWND h = c.children[i];
        if (!Shown(h))
            continue;
        if (!separator && GetMenuItemCount(c.windowMenu) > 0)
        {
            AppendMenu(c.windowMenu, MF_SEPARATOR, 0, nullptr);
            separator = true;
        }
        char title[256] = {};
        GetWindowText(h, title, sizeof title);
        std::string text = "&" + std::to_string(listed + 1) + " ";
        for (const char* p = title; *p; ++p)
            text += *p == '&' ? std::string("&&") : std::string(1, *p);
        AppendMenu(c.windowMenu, MF_STRING | (h == c.active ? MF_CHECKED : MF_UNCHECKED),
                   c.idFirst + static_cast<UINT>(i), text.c_str());
        ++listed;
    }
    // Entries keep the ids of their windows, so removing goes up to the highest id used.
    const int span = listed ? static_cast<int>(c.children.size()) : 0;
    Update(hClient,
           [&](Client& s)
           {
               s.listed = span;
               s.separator = separator;
           });
}

RECT ClientArea(HWND hClient)
{
    RECT r{};
    GetClientRect(hClient, &r);
    return r;
}

// A maximized document window fills the client area with its frame outside it.
RECT MaximizedRect(HWND hClient, HWND hChild)
{
    RECT r = ClientArea(hClient);
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtr(hChild, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtr(hChild, GWL_EXSTYLE)));
    return r;
}

// The frame's menu bar carries the buttons of the maximized document window, if one is.
void ShowFrameControls(HWND hClient)
{
    Client c = Snapshot(hClient);
    if (!c.frame)
        return;
    HWND maximized = c.maximized && c.active && IsZoomed(c.active) ? c.active : nullptr;
    if (kel::ui::NativeSurface s = kel::ui::GetSurface(c.frame))
        kel::ui::GetDriver().SetMaximizedChild(s, maximized);
}

void Maximize(HWND hClient, HWND hChild)
{
    RECT r{};
    GetWindowRect(hChild, &r);
    MapWindowPoints(nullptr, hClient, reinterpret_cast<POINT*>(&r), 2);
    Update(hClient,
           [&](Client& s)
           {
               // A minimized one goes back to where it was before it was minimized.
               if (auto it = s.iconic.find(hChild); it != s.iconic.end())
               {
                   r = it->second;
                   s.iconic.erase(it);
               }
               if (!s.normal.count(hChild))
                   s.normal[hChild] = r;
               s.maximized = true;
           });
    SetWindowLongPtr(hChild, GWL_STYLE, (GetWindowLongPtr(hChild, GWL_STYLE) | WS_MAXIMIZE) & ~WS_MINIMIZE);
    const RECT area = MaximizedRect(hClient, hChild);
    MoveWindow(hChild, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    ShowFrameControls(hClient);
}

// Takes the state bit `style` off hChild and moves it back to the rectangle kept for it in the
// client's `saved` map, if one is.
void LeaveState(HWND hClient, HWND hChild, std::map<HWND, RECT> Client::*saved, LONG_PTR style)
{
    RECT r{};
    bool had = false;
    Update(hClient,
           [&](Client& s)
           {
               auto it = (s.*saved).find(hChild);
               if (it != (s.*saved).end())
               {
                   r = it->second;
                   had = true;
                   (s.*saved).erase(it);
               }
           });
    SetWindowLongPtr(hChild, GWL_STYLE, GetWindowLongPtr(hChild, GWL_STYLE) & ~style);
    if (had)
        MoveWindow(hChild, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void Restore(HWND hClient, HWND hChild, bool keepMaximized)
{
    if (!keepMaximized)
        Update(hClient, [](Client& s) { s.maximized = false; });
    LeaveState(hClient, hChild, &Client::normal, WS_MAXIMIZE);
    ShowFrameControls(hClient);
}

// Makes hChild the active document window. toBottom: the one active before goes behind all others
// (cycling with WM_MDINEXT).
void Activate(HWND hClient, HWND hChild, bool toBottom = false)
{
    Client c = Snapshot(hClient);
    if (!c.frame || std::find(c.children.begin(), c.children.end(), hChild) == c.children.end())
        return;
    HWND hOld = c.active;
    if (hOld == hChild)
        return;
    Update(hClient,
           [&](Client& s)
           {
               s.active = hChild;
               auto& o = s.order;
               o.erase(std::remove(o.begin(), o.end(), hChild), o.end());
               if (toBottom && hOld)
               {
                   o.erase(std::remove(o.begin(), o.end(), hOld), o.end());
                   o.push_back(hOld);
               }
               o.insert(o.begin(), hChild);
           });
    if (c.maximized && hOld && IsZoomed(hOld))
    {
        Restore(hClient, hOld, true);
        Maximize(hClient, hChild);
    }
    SetWindowPos(hChild, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (hOld && IsWindow(hOld))
    {
        SendMessage(hOld, WM_NCACTIVATE, FALSE, 0);
        SendMessage(hOld, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hOld), reinterpret_cast<LPARAM>(hChild));
    }
    SendMessage(hChild, WM_NCACTIVATE, TRUE, 0);
    SendMessage(hChild, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hOld), reinterpret_cast<LPARAM>(hChild));
    HWND hTop = GetAncestor(hClient, GA_ROOT);
    if (hTop && GetActiveWindow() == hTop && IsWindowVisible(hChild))
        SetFocus(hChild);
    RefreshMenu(hClient);
    ShowFrameControls(hClient);
}

// Takes a document window out of the client's lists; the next one in activation order becomes
// active when it was the active one.
void Forget(HWND hClient, HWND hChild)
{
    bool wasActive = false;
    HWND hNext = nullptr;
    bool known = false;
    Update(hClient,
           [&](Client& s)
           {
               auto it = std::find(s.children.begin(), s.children.end(), hChild);
               if (it == s.children.end())
                   return;
               known = true;
               s.children.erase(it);
               s.order.erase(std::remove(s.order.begin(), s.order.end(), hChild), s.order.end());
               s.normal.erase(hChild);
               s.iconic.erase(hChild);
               wasActive = s.active == hChild;
               if (wasActive)
               {
                   s.active = nullptr;
                   hNext = s.order.empty() ? nullptr : s.order.front();
               }
               if (s.children.empty())
                   s.maximized = false;
           });
    if (!known)
        return;
    Client c = Snapshot(hClient);
    for (size_t i = 0; i < c.children.size(); ++i)
        SetWindowLongPtr(c.children[i], GWLP_ID, static_cast<LONG_PTR>(c.idFirst + i));
    if (wasActive && hNext)
        Activate(hClient, hNext);
    RefreshMenu(hClient);
    ShowFrameControls(hClient);
}

// The children to arrange: visible ones, in activation order (active first).
std::vector<HWND> Arrangeable(const Client& c, bool minimized)
{
    std::vector<HWND> out;
    for (HWND h : c.order)
        if (Shown(h) && (IsIconic(h) != FALSE) == minimized)
            out.push_back(h);
    return out;
}

void RestoreAll(HWND hClient)
{
    Client c = Snapshot(hClient);
    for (HWND h : c.children)
        if (c.normal.count(h))
            Restore(hClient, h, false);
    Update(hClient, [](Client& s) { s.maximized = false; });
}

LRESULT Cascade(HWND hClient)
{
    RestoreAll(hClient);
    Client c = Snapshot(hClient);
    std::vector<HWND> wins = Arrangeable(c, false);
    if (wins.empty())
        return FALSE;
    const RECT area = ClientArea(hClient);
    const int step = Step();
    const int n = static_cast<int>(wins.size());
    const int cw = std::max<int>(area.right - area.left - step * (n - 1), (area.right - area.left) / 2);
    const int ch = std::max<int>(area.bottom - area.top - step * (n - 1), (area.bottom - area.top) / 2);
    // The active window ends on top, at the last position.
    for (int i = 0; i < n; ++i)
    {
        HWND h = wins[static_cast<size_t>(n - 1 - i)];
        MoveWindow(h, area.left + i * step, area.top + i * step, cw, ch, TRUE);
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return TRUE;
}

LRESULT Tile(HWND hClient, UINT how)
{
    RestoreAll(hClient);
    Client c = Snapshot(hClient);
    std::vector<HWND> wins = Arrangeable(c, false);
    if (wins.empty())
        return FALSE;
    const RECT area = ClientArea(hClient);
    const int n = static_cast<int>(wins.size());
    // A grid: horizontal tiling stacks rows of full width first, vertical puts columns side by side.
    int rows, cols;
    if (n <= 3)
    {
        rows = (how & MDITILE_HORIZONTAL) ? n : 1;
        cols = (how & MDITILE_HORIZONTAL) ? 1 : n;
    }
    else
    {
        const int k = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
        cols = (how & MDITILE_HORIZONTAL) ? std::max(1, n / k) : k;
        rows = (n + cols - 1) / cols;
    }
    const int w = area.right - area.left, h = area.bottom - area.top;
    for (int i = 0; i < n; ++i)
    {
        const int row = i / cols, col = i % cols;
        // The last row's windows share its width.
        const int inRow = row == rows - 1 ? n - row * cols : cols;
        const int x0 = area.left + col * w / inRow, x1 = area.left + (col + 1) * w / inRow;
        const int y0 = area.top + row * h / rows, y1 = area.top + (row + 1) * h / rows;
        MoveWindow(wins[static_cast<size_t>(i)], x0, y0, x1 - x0, y1 - y0, TRUE);
    }
    return TRUE;
}

LRESULT ArrangeIcons(HWND hClient)
{
    Client c = Snapshot(hClient);
    std::vector<HWND> icons = Arrangeable(c, true);
    const RECT area = ClientArea(hClient);
    const int iw = 160, ih = Step() + 2;
    int x = area.left, y = area.bottom - ih;
    for (HWND h : icons)
    {
        if (x + iw > area.right && x > area.left)
        {
            x = area.left;
            y -= ih;
        }
        MoveWindow(h, x, y, iw, ih, TRUE);
        x += iw;
    }
    return TRUE;
}

// A minimized document window becomes a caption in the row of icons at the client's bottom.
void Minimize(HWND hClient, HWND hChild)
{
    if (IsIconic(hChild))
        return;
    if (IsZoomed(hChild))
        Restore(hClient, hChild, false);
    RECT r{};
    GetWindowRect(hChild, &r);
    MapWindowPoints(nullptr, hClient, reinterpret_cast<POINT*>(&r), 2);
    Update(hClient, [&](Client& s) { s.iconic[hChild] = r; });
    SetWindowLongPtr(hChild, GWL_STYLE, GetWindowLongPtr(hChild, GWL_STYLE) | WS_MINIMIZE);
    ArrangeIcons(hClient);
}

// Brings a minimized document window back to where it was.
void RestoreIconic(HWND hClient, HWND hChild)
{
    LeaveState(hClient, hChild, &Client::iconic, WS_MINIMIZE);
    ArrangeIcons(hClient);
}

HWND CreateChild(HWND hClient, const MDICREATESTRUCT& in)
{
    Client c = Snapshot(hClient);
    if (!c.frame || !in.szClass)
        return nullptr;
    MDICREATESTRUCT mcs = in;
    const RECT area = ClientArea(hClient);
    int slot = 0;
    Update(hClient, [&](Client& s) { slot = s.cascade++ % 8; });
    if (mcs.x == CW_USEDEFAULT)
    {
        mcs.x = area.left + slot * Step();
        mcs.y = area.top + slot * Step();
    }
    if (mcs.cx == CW_USEDEFAULT || mcs.cx <= 0)
    {
        mcs.cx = std::max<int>((area.right - area.left) * 3 / 4, 160);
        mcs.cy = std::max<int>((area.bottom - area.top) * 3 / 4, 120);
    }
    DWORD style = (mcs.style | WS_CHILD | WS_CLIPSIBLINGS) & ~(WS_POPUP | WS_MAXIMIZE | WS_MINIMIZE);
    if (!(GetWindowLongPtr(hClient, GWL_STYLE) & MDIS_ALLCHILDSTYLES))
        style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    const UINT id = c.idFirst + static_cast<UINT>(c.children.size());
    HWND h = CreateWindowEx(WS_EX_MDICHILD, mcs.szClass, mcs.szTitle, style, mcs.x, mcs.y, mcs.cx, mcs.cy,
                            hClient, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                            static_cast<HINSTANCE>(mcs.hOwner), &mcs);
    if (!h)
        return nullptr;
    Update(hClient,
           [&](Client& s)
           {
               s.children.push_back(h);
               s.order.push_back(h);
           });
    SetWindowLongPtr(h, GWLP_ID, static_cast<LONG_PTR>(id));
    if (c.maximized || (in.style & WS_MAXIMIZE))
        Maximize(hClient, h);
    if (Shown(h))
        Activate(hClient, h);
    else
        RefreshMenu(hClient);
    return h;
}

LRESULT CALLBACK MdiClientProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
    {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        const auto* ccs = cs ? static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams) : nullptr;
        Client c;
        c.frame = GetParent(hWnd);
        if (ccs)
        {
            c.windowMenu = static_cast<HMENU>(ccs->hWindowMenu);
            c.idFirst = ccs->idFirstChild;
        }
        std::lock_guard lock(g_mutex);
        g_clients[hWnd] = c;
        return 0;
    }
    case WM_NCDESTROY:
    {
        std::lock_guard lock(g_mutex);
        g_clients.erase(hWnd);
        break;
    }
    case WM_MDICREATE:
        return lParam
                   ? reinterpret_cast<LRESULT>(CreateChild(hWnd, *reinterpret_cast<MDICREATESTRUCT*>(lParam)))
                   : 0;
    case WM_MDIDESTROY:
    {
        HWND hChild = reinterpret_cast<HWND>(wParam);
        Client c = Snapshot(hWnd);
        if (std::find(c.children.begin(), c.children.end(), hChild) == c.children.end())
            return 0;
        if (c.active == hChild)
        {
            HWND hNext = nullptr;
            for (HWND h : c.order)
                if (h != hChild && Shown(h))
                {
                    hNext = h;
                    break;
                }
            if (hNext)
                Activate(hWnd, hNext);
            else
            {
                Update(hWnd, [](Client& s) { s.active = nullptr; });
                SendMessage(hChild, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hChild), 0);
            }
        }
        Forget(hWnd, hChild);
        DestroyWindow(hChild);
        return 0;
    }
    case WM_MDIACTIVATE:
        Activate(hWnd, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_MDIGETACTIVE:
    {
        Client c = Snapshot(hWnd);
        if (lParam)
            *reinterpret_cast<BOOL*>(lParam) = c.active && c.maximized;
        return reinterpret_cast<LRESULT>(c.active);
    }
    case WM_MDINEXT:
    {
        Client c = Snapshot(hWnd);
        std::vector<HWND> wins;
        for (HWND h : c.order)
            if (Shown(h))
                wins.push_back(h);
        if (wins.size() < 2)
            return 0;
        if (lParam) // previous: the one at the bottom
            Activate(hWnd, wins.back());
        else
            Activate(hWnd, wins[1], true);
        return 0;
    }
    case WM_MDICASCADE:
        return Cascade(hWnd);
    case WM_MDITILE:
        return Tile(hWnd, static_cast<UINT>(wParam));
    case WM_MDIICONARRANGE:
        return ArrangeIcons(hWnd);
    case WM_MDIMAXIMIZE:
    {
        HWND hChild = reinterpret_cast<HWND>(wParam);
        if (ClientOf(hChild) == hWnd)
        {
            Maximize(hWnd, hChild);
            Activate(hWnd, hChild);
        }
        return 0;
    }
    case WM_MDIRESTORE:
    {
        HWND hChild = reinterpret_cast<HWND>(wParam);
        if (ClientOf(hChild) == hWnd)
        {
            if (IsIconic(hChild))
                RestoreIconic(hWnd, hChild);
            else if (IsZoomed(hChild))
                Restore(hWnd, hChild, false);
        }
        return 0;
    }
    case WM_MDISETMENU:
    {
        HMENU hFrameMenu = reinterpret_cast<HMENU>(wParam);
        HMENU hWindowMenu = reinterpret_cast<HMENU>(lParam);
        Client c = Snapshot(hWnd);
        HMENU hOld = GetMenu(c.frame);
        if (hWindowMenu && hWindowMenu != c.windowMenu)
        {
            RemoveList(hWnd);
            Update(hWnd, [&](Client& s) { s.windowMenu = hWindowMenu; });
        }
        if (hFrameMenu && hFrameMenu != hOld)
            SetMenu(c.frame, hFrameMenu);
        RefreshMenu(hWnd);
        return reinterpret_cast<LRESULT>(hOld);
    }
    case kShownMessage:
    {
        HWND hChild = reinterpret_cast<HWND>(wParam);
        Client c = Snapshot(hWnd);
        const bool known = std::find(c.children.begin(), c.children.end(), hChild) != c.children.end();
        if (known && !c.active && Shown(hChild))
            Activate(hWnd, hChild);
        else
            RefreshMenu(hWnd);
        return 0;
    }
    case WM_MDIREFRESHMENU:
        RefreshMenu(hWnd);
        return reinterpret_cast<LRESULT>(GetMenu(Snapshot(hWnd).frame));
    case WM_SIZE:
    {
        Client c = Snapshot(hWnd);
        if (c.maximized && c.active && IsZoomed(c.active))
        {
            const RECT r = MaximizedRect(hWnd, c.active);
            MoveWindow(c.active, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
        ArrangeIcons(hWnd);
        break;
    }
    case WM_SETFOCUS:
    {
        Client c = Snapshot(hWnd);
        if (c.active && Shown(c.active))
            SetFocus(c.active);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProc(hWnd, msg, wParam, lParam);
}

} // namespace

namespace kel::ui
{

bool IsDocumentWindow(HWND hwnd)
{
    return ClientOf(hwnd) != nullptr;
}

void ShowDocumentWindow(HWND hChild, int cmd)
{
    HWND hClient = ClientOf(hChild);
    if (!hClient)
        return;
    switch (cmd)
    {
    case SW_SHOWMAXIMIZED:
        SendMessage(hClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hChild), 0);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        Minimize(hClient, hChild);
        break;
    default:
        SendMessage(hClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hChild), 0);
        break;
    }
}

void SetDocumentWindowNormal(HWND hChild, const RECT& rect)
{
    if (HWND hClient = ClientOf(hChild))
        Update(hClient,
               [&](Client& s)
               {
                   for (auto* saved : {&s.normal, &s.iconic})
                       if (auto it = saved->find(hChild); it != saved->end())
                           it->second = rect;
               });
}

bool RegisterMdiClientClass()
{
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoEx(nullptr, MDICLIENT_CLASS, &wc))
        return true;
    wc = WNDCLASSEX{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MdiClientProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1));
    wc.lpszClassName = MDICLIENT_CLASS;
    return RegisterSystemClass(wc) != 0;
}

} // namespace kel::ui

LRESULT DefFrameProc(HWND hWnd, HWND hWndMDIClient, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (hWndMDIClient && IsClient(hWndMDIClient))
    {
        switch (uMsg)
        {
        case WM_COMMAND:
            if (lParam == 0)
            {
                Client c = Snapshot(hWndMDIClient);
                const UINT id = LOWORD(wParam);
                if (id >= c.idFirst && id < c.idFirst + c.children.size())
                {
                    HWND hChild = c.children[id - c.idFirst];
                    if (IsIconic(hChild))
                        SendMessage(hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hChild), 0);
                    Activate(hWndMDIClient, hChild);
                    return 0;
                }
            }
            break;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED)
                MoveWindow(hWndMDIClient, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            break;
        case WM_SETFOCUS:
            SetFocus(hWndMDIClient);
            return 0;
        default:
            break;
        }
    }
    return DefWindowProc(hWnd, uMsg, wParam, lParam);
}

LRESULT DefMDIChildProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    HWND hClient = ClientOf(hWnd);
    if (!hClient)
        return DefWindowProc(hWnd, uMsg, wParam, lParam);
    switch (uMsg)
    {
    case WM_CLOSE:
        SendMessage(hClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hWnd), 0);
        return 0;
    case WM_SETTEXT:
    {
        LRESULT r = DefWindowProc(hWnd, uMsg, wParam, lParam);
        RefreshMenu(hClient);
        return r;
    }
    case WM_CHILDACTIVATE:
    case WM_SETFOCUS:
    case WM_MOUSEACTIVATE:
        if (Snapshot(hClient).active != hWnd)
            Activate(hClient, hWnd);
        break;
    case WM_SHOWWINDOW:
    {
        LRESULT r = DefWindowProc(hWnd, uMsg, wParam, lParam);
        // Once it is shown: the active one if there is none, and in the list either way.
        if (wParam)
            PostMessage(hClient, kShownMessage, reinterpret_cast<WPARAM>(hWnd), 0);
        return r;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_MAXIMIZE:
            SendMessage(hClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hWnd), 0);
            return 0;
        case SC_MINIMIZE:
            Minimize(hClient, hWnd);
            return 0;
        case SC_RESTORE:
            if (IsIconic(hWnd) || IsZoomed(hWnd))
            {
                SendMessage(hClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hWnd), 0);
                return 0;
            }
            break;
        case SC_NEXTWINDOW:
            SendMessage(hClient, WM_MDINEXT, reinterpret_cast<WPARAM>(hWnd), 0);
            return 0;
        case SC_PREVWINDOW:
            SendMessage(hClient, WM_MDINEXT, reinterpret_cast<WPARAM>(hWnd), 1);
            return 0;
        default:
            break;
        }
        break;
    case WM_DESTROY:
        Forget(hClient, hWnd);
        break;
    default:
        break;
    }
    return DefWindowProc(hWnd, uMsg, wParam, lParam);
}

BOOL TranslateMDISysAccel(HWND hWndClient, LPMSG lpMsg)
{
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN) || !IsClient(hWndClient))
        return FALSE;
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
        return FALSE;
    HWND hActive = Snapshot(hWndClient).active;
    if (!hActive)
        return FALSE;
    switch (lpMsg->wParam)
    {
    case VK_F4:
        PostMessage(hActive, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    case VK_F6:
    case VK_TAB:
        SendMessage(hWndClient, WM_MDINEXT, reinterpret_cast<WPARAM>(hActive), GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    default:
        return FALSE;
    }
}

HWND CreateMDIWindow(LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                     int nHeight, HWND hWndParent, HINSTANCE hInstance, LPARAM lParam)
{
    MDICREATESTRUCT mcs{lpClassName, lpWindowName, hInstance, X, Y, nWidth, nHeight, dwStyle, lParam};
    return reinterpret_cast<HWND>(SendMessage(hWndParent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}
