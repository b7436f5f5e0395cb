// Show, move, size, z-order, enable, activation, focus and capture, and what DefWindowProc does.
#include "user_internal.h"

#include <algorithm>
#include <cstring>

using namespace kel;
using namespace kel::ui;

namespace
{

// Minimized or maximized: a top-level's state is the window system's; a child's (a document
// window, which its MDI client minimizes and maximizes) is its style's.
bool Minimized(const Window& w)
{
    return (w.style & WS_CHILD) ? (w.style & WS_MINIMIZE) != 0 : w.minimized;
}
bool Maximized(const Window& w)
{
    return (w.style & WS_CHILD) ? (w.style & WS_MAXIMIZE) != 0 : w.maximized;
}
template <class F> bool WithWindow(HWND hwnd, F f)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    f(*w);
    return true;
}

// Applies a position change; sends WM_WINDOWPOSCHANGING/CHANGED. fromDriver: the backend already
// shows the new geometry.
BOOL ApplyPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags, bool fromDriver)
{
    WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
    RECT old{}, oldInsets{};
    bool wasVisible = false;
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        old = w.rect;
                        oldInsets = w.insets;
                        wasVisible = w.style & WS_VISIBLE;
                    }))
        return FALSE;
    if (flags & SWP_NOMOVE)
    {
        wp.x = old.left;
        wp.y = old.top;
    }
    if (flags & SWP_NOSIZE)
    {
        wp.cx = old.right - old.left;
        wp.cy = old.bottom - old.top;
    }
    if (!(flags & SWP_NOSENDCHANGING))
        SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    wp.cx = std::max(wp.cx, 0);
    wp.cy = std::max(wp.cy, 0);
    const bool moved = wp.x != old.left || wp.y != old.top;
    const bool sized = wp.cx != old.right - old.left || wp.cy != old.bottom - old.top;
    if (!moved)
        wp.flags |= SWP_NOMOVE;
    if (!sized)
        wp.flags |= SWP_NOSIZE;
    const bool frameChanged = (flags & SWP_FRAMECHANGED) != 0;
    // Every resize and frame change asks the window for its client area anew.
    const RECT newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    const bool recalc = sized || frameChanged;
    const RECT insets = recalc ? CalcClientInsets(hwnd, newRect, &wp) : oldInsets;
    const bool clientSized = newRect.right - newRect.left - insets.left - insets.right !=
                                 old.right - old.left - oldInsets.left - oldInsets.right ||
                             newRect.bottom - newRect.top - insets.top - insets.bottom !=
                                 old.bottom - old.top - oldInsets.top - oldInsets.bottom;
    const bool clientMoved = newRect.left + insets.left != old.left + oldInsets.left ||
                             newRect.top + insets.top != old.top + oldInsets.top;
    if (!clientSized)
        wp.flags |= SWP_NOCLIENTSIZE;
    if (!clientMoved)
        wp.flags |= SWP_NOCLIENTMOVE;
    const bool insetsChanged = insets.left != oldInsets.left || insets.top != oldInsets.top ||
                               insets.right != oldInsets.right || insets.bottom != oldInsets.bottom;
    bool show = (flags & SWP_SHOWWINDOW) && !wasVisible;
    bool hide = (flags & SWP_HIDEWINDOW) && wasVisible;
    NativeSurface surface = nullptr, afterSurface = nullptr;
    RECT now{};
    WithWindow(hwnd,
               [&](Window& w)
               {
                   w.rect = newRect;
                   w.insets = insets;
                   if (clientSized)
                       w.needSize = false;
                   // A minimized or maximized window keeps its normal rectangle.
                   if (!Minimized(w) && !Maximized(w))
                       w.normal = w.rect;
                   if (show)
                       w.style |= WS_VISIBLE;
                   if (hide)
                       w.style &= ~WS_VISIBLE;
                   surface = w.surface;
                   now = w.rect;
                   if (!(flags & SWP_NOZORDER) && !w.messageOnly)
                   {
                       std::vector<HWND>& sibs =
                           w.parent ? FindWindowLocked(w.parent)->children : TopLevels();
                       std::erase(sibs, hwnd);
                       if (after == HWND_BOTTOM)
                           sibs.push_back(hwnd);
                       else
                       {
                           auto it = std::find(sibs.begin(), sibs.end(), after);
                           sibs.insert(it == sibs.end() ? sibs.begin() : it + 1, hwnd);
                           if (Window* a = FindWindowLocked(after))
                               afterSurface = a->surface;
                       }
                   }
               });
    if (surface)
    {
        Driver& d = GetDriver();
        if (insetsChanged)
            d.SetSurfaceInsets(surface, insets);
        if (!fromDriver && (moved || sized))
            d.SetSurfaceGeometry(surface, now);
        if (!(flags & SWP_NOZORDER))
            d.SetSurfaceZOrder(surface, afterSurface, after == HWND_BOTTOM);
        if (show)
            d.ShowSurface(surface, (flags & SWP_NOACTIVATE) ? SW_SHOWNOACTIVATE : SW_SHOW);
        if (hide)
            d.ShowSurface(surface, SW_HIDE);
    }
    if (surface && (insetsChanged || frameChanged))
        PushScrollBars(hwnd);
    if ((sized || insetsChanged) && !(flags & SWP_NOREDRAW))
        InvalidateRect(hwnd, nullptr, TRUE);
    if (show)
        InvalidateRect(hwnd, nullptr, TRUE); // a window coming into view paints
    if (moved || sized || show || hide || frameChanged)
        SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    return TRUE;
}

HBRUSH GetSysColorBrushSafe(int index)
{
    if (auto f = Dcs().sysColorBrush)
        return f(index);
    return reinterpret_cast<HBRUSH>(static_cast<intptr_t>(index + 1));
}

HWND TopLevelOf(HWND hwnd)
{
    return GetAncestor(hwnd, GA_ROOT);
}

// fromDriver: the window system already made hwnd active; telling it again would start a
// round trip that trades activation between two windows for ever.
void ActivateImpl(HWND hwnd, bool fromDriver = false)
{
    auto q = MyQueue();
    HWND old;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        old = q->active;
        if (old == hwnd)
            return;
        q->active = hwnd;
    }
    if (old && IsWindow(old))
    {
        SendMessage(old, WM_NCACTIVATE, FALSE, 0);
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    if (hwnd)
    {
        SendMessage(hwnd, WM_NCACTIVATE, TRUE, 0);
        SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
        if (NativeSurface s = GetSurface(hwnd); s && !fromDriver)
            GetDriver().ActivateSurface(s);
    }
}
} // namespace

void kel::ui::ActivateOtherWindow(HWND hwnd)
{
    auto q = MyQueue();
    HWND top = TopLevelOf(hwnd);
    HWND next = nullptr;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (!top || q->active != top)
            return;
        auto usable = [&](HWND h)
        {
            Window* o = FindWindowLocked(h);
            if (!o || h == top || o->destroying || o->tid != q->tid ||
                (o->style & (WS_CHILD | WS_DISABLED)) || !(o->style & WS_VISIBLE))
                return false;
            // Nothing the going window owns.
            for (Window* a = o; a; a = a->owner ? FindWindowLocked(a->owner) : nullptr)
                if (a->owner == top)
                    return false;
            return true;
        };
        Window* w = FindWindowLocked(top);
        if (w && w->owner && usable(w->owner))
            next = w->owner;
        for (size_t i = 0; !next && i < TopLevels().size(); ++i)
            if (usable(TopLevels()[i]))
                next = TopLevels()[i];
    }
    ActivateImpl(next);
    HWND focus = GetFocus();
    if (focus && (focus == top || IsChild(top, focus)))
        SetFocus(nullptr);
}

bool kel::ui::FocusActivationOf(HWND hwnd)
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return q->focusActivating && q->focusActivating == hwnd;
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    return ApplyPos(hwnd, after, x, y, cx, cy, flags, false);
}

BOOL MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint)
{
    return SetWindowPos(hwnd, nullptr, x, y, cx, cy,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int cmd)
{
    bool wasVisible = false, child = false, minimized = false, maximized = false;
    RECT normal{};
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        wasVisible = w.style & WS_VISIBLE;
                        child = w.style & WS_CHILD;
                        minimized = Minimized(w);
                        maximized = Maximized(w);
                        normal = w.normal;
                    }))
        return FALSE;
    const bool show = cmd != SW_HIDE;
    if (show != wasVisible)
        SendMessage(hwnd, WM_SHOWWINDOW, show, 0);
    if (!IsWindow(hwnd))
        return wasVisible;

    UINT flags = SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    const bool activate = !child && show &&
                          (cmd == SW_SHOW || cmd == SW_SHOWNORMAL || cmd == SW_RESTORE ||
                           cmd == SW_SHOWMAXIMIZED || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWDEFAULT);
    if (!activate)
        flags |= SWP_NOACTIVATE;

    const bool wantMax = cmd == SW_SHOWMAXIMIZED;
    const bool wantMin =
        cmd == SW_SHOWMINIMIZED || cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE || cmd == SW_FORCEMINIMIZE;
    const bool restore = cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT;
    if (child && (wantMax || wantMin || (restore && (minimized || maximized))) && IsDocumentWindow(hwnd))
    {
        // A document window's states belong to its MDI client: shown first, then changed there.
        ApplyPos(hwnd, nullptr, 0, 0, 0, 0, flags, false);
        ShowDocumentWindow(hwnd, cmd);
    }
    else if (wantMax || wantMin || (restore && (minimized || maximized)))
    {
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       w.maximized = wantMax;
                       w.minimized = wantMin;
                       if (wantMin)
                           w.style = (w.style | WS_MINIMIZE) & ~WS_MAXIMIZE;
                       else if (wantMax)
                           w.style = (w.style | WS_MAXIMIZE) & ~WS_MINIMIZE;
                       else
                           w.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
                   });
        RECT target = normal;
        if (wantMax)
            target = RECT{0, 0, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        if (wantMin)
            target = RECT{normal.left, normal.top, normal.left, normal.top};
        flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
        if (NativeSurface s = GetSurface(hwnd))
            GetDriver().ShowSurface(s, wantMax   ? SW_SHOWMAXIMIZED
                                       : wantMin ? SW_SHOWMINIMIZED
                                                 : SW_SHOWNORMAL);
        ApplyPos(hwnd, nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, flags, false);
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       if (!wantMax && !wantMin)
                           w.normal = w.rect;
                       else
                           w.normal = normal;
                   });
    }
    else
        ApplyPos(hwnd, nullptr, 0, 0, 0, 0, flags, false);

    if (activate && IsWindow(hwnd))
        SetActiveWindow(hwnd);
    if (!show && wasVisible && IsWindow(hwnd))
    {
        // Neither activation nor the focus stays on a hidden window.
        if (child)
        {
            HWND focus = GetFocus();
            if (focus && (focus == hwnd || IsChild(hwnd, focus)))
                SetFocus(GetParent(hwnd));
        }
        else
            ActivateOtherWindow(hwnd);
    }
    // A top-level window's first showing tells it its size and place.
    bool first = false;
    if (show)
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       first = w.needSize;
                       w.needSize = false;
                   });
    if (first)
        SendSizeAndMove(hwnd);
    return wasVisible;
}

BOOL ShowWindowAsync(HWND hwnd, int cmd)
{
    return ShowWindow(hwnd, cmd);
}

BOOL ShowOwnedPopups(HWND, BOOL)
{
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    for (Window* w = FindWindowLocked(hwnd); w; w = w->parent ? FindWindowLocked(w->parent) : nullptr)
    {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!w->parent)
            return TRUE;
    }
    return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    bool wasDisabled = false;
    NativeSurface surface = nullptr;
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        wasDisabled = w.style & WS_DISABLED;
                        if (enable)
                            w.style &= ~WS_DISABLED;
                        else
                            w.style |= WS_DISABLED;
                        surface = w.surface;
                    }))
        return FALSE;
    if (wasDisabled == !enable)
        return wasDisabled;
    if (!enable)
    {
        // A disabled window's mouse mode ends: the window, and the one of its tree that holds the
        // capture, hear WM_CANCELMODE.
        SendMessage(hwnd, WM_CANCELMODE, 0, 0);
        HWND capture = GetCapture();
        if (capture && IsChild(hwnd, capture))
            SendMessage(capture, WM_CANCELMODE, 0, 0);
        HWND focus = GetFocus();
        if (focus && (focus == hwnd || IsChild(hwnd, focus)))
            SetFocus(nullptr);
    }
    // The native widget belongs to the user-interface thread: a worker that enables a window (a
    // scan that ends re-enables its parameter dialog) has it done there.
    if (surface)
        RunOnUiThread(
            [surface, enable]() -> LRESULT
            {
                GetDriver().EnableSurface(surface, enable);
                return 0;
            });
    SendMessage(hwnd, WM_ENABLE, enable, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL IsIconic(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w && Minimized(*w);
}

BOOL IsZoomed(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w && Maximized(*w);
}

BOOL CloseWindow(HWND hwnd)
{
    ShowWindow(hwnd, SW_MINIMIZE);
    return IsWindow(hwnd);
}

BOOL FlashWindow(HWND hwnd, BOOL)
{
    return IsWindow(hwnd);
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp)
{
    if (!wp)
        return FALSE;
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          wp->length = sizeof(WINDOWPLACEMENT);
                          wp->flags = 0;
                          wp->showCmd = Minimized(w)             ? SW_SHOWMINIMIZED
                                        : Maximized(w)           ? SW_SHOWMAXIMIZED
                                        : (w.style & WS_VISIBLE) ? SW_SHOWNORMAL
                                                                 : SW_HIDE;
                          wp->ptMinPosition = POINT{-1, -1};
                          wp->ptMaxPosition = POINT{-1, -1};
                          wp->rcNormalPosition = w.normal;
                      });
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp)
{
    if (!wp || !IsWindow(hwnd))
        return FALSE;
    const RECT& r = wp->rcNormalPosition;
    if (!IsIconic(hwnd) && !IsZoomed(hwnd))
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    WithWindow(hwnd, [&](Window& w) { w.normal = r; });
    if (IsDocumentWindow(hwnd))
        SetDocumentWindowNormal(hwnd, r);
    ShowWindow(hwnd, static_cast<int>(wp->showCmd));
    return TRUE;
}

BOOL BringWindowToTop(HWND hwnd)
{
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND GetActiveWindow()
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return q->active;
}

HWND SetActiveWindow(HWND hwnd)
{
    HWND old = GetActiveWindow();
    HWND top = hwnd ? TopLevelOf(hwnd) : nullptr;
    if (hwnd && !top)
        return nullptr;
    ActivateImpl(top);
    return old;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return FALSE;
    SetActiveWindow(hwnd);
    return TRUE;
}

HWND GetForegroundWindow()
{
    DWORD ui = UiThreadId();
    std::lock_guard<std::mutex> lk(KernelLock());
    auto q = QueueOf(ui ? ui : GetCurrentThreadId());
    return q ? q->active : nullptr;
}

HWND SetFocus(HWND hwnd)
{
    auto q = MyQueue();
    if (hwnd)
    {
        // A window of another thread, a disabled one (or one in a disabled window) and a window
        // on its way out take no focus.
        bool refused = false;
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            Window* w = FindWindowLocked(hwnd);
            refused = !w || w->tid != q->tid || w->destroying;
            for (; w && !refused; w = w->parent ? FindWindowLocked(w->parent) : nullptr)
                refused = (w->style & WS_DISABLED) != 0;
        }
        if (refused)
            return nullptr;
        HWND top = TopLevelOf(hwnd);
        if (top && GetActiveWindow() != top)
        {
            HWND outer;
            {
                std::lock_guard<std::mutex> lk(KernelLock());
                outer = q->focusActivating;
                q->focusActivating = top;
            }
            ActivateImpl(top);
            std::lock_guard<std::mutex> lk(KernelLock());
            q->focusActivating = outer;
        }
    }
    HWND old;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        old = q->focus;
    }
    if (old == hwnd)
        return old;
    if (old && IsWindow(old))
        SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        q->focus = hwnd && FindWindowLocked(hwnd) ? hwnd : nullptr;
    }
    // The backend's focus belongs to the user-interface thread; a worker's focus is its own.
    if (IsUiThread())
        GetDriver().FocusSurface(hwnd ? GetSurface(hwnd) : nullptr);
    if (hwnd && IsWindow(hwnd))
        SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus()
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return q->focus;
}

HWND SetCapture(HWND hwnd)
{
    auto q = MyQueue();
    HWND old;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (hwnd && !FindWindowLocked(hwnd))
            return nullptr;
        old = q->capture;
        q->capture = hwnd;
    }
    if (old && old != hwnd && IsWindow(old))
        SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    if (IsUiThread())
        GetDriver().CaptureMouse(hwnd ? GetSurface(hwnd) : nullptr);
    return old;
}

BOOL ReleaseCapture()
{
    auto q = MyQueue();
    HWND old;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        old = q->capture;
        q->capture = nullptr;
    }
    if (old)
    {
        if (IsUiThread())
            GetDriver().CaptureMouse(nullptr);
        if (IsWindow(old))
            SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture()
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return q->capture;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT tme)
{
    if (!tme)
        return FALSE;
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    if (tme->dwFlags & TME_QUERY)
    {
        tme->dwFlags = q->leaveTrack ? TME_LEAVE : 0;
        tme->hwndTrack = q->leaveTrack;
        return TRUE;
    }
    if (!FindWindowLocked(tme->hwndTrack))
        return FALSE;
    if (tme->dwFlags & TME_LEAVE)
    {
        if (tme->dwFlags & TME_CANCEL)
        {
            if (q->leaveTrack == tme->hwndTrack)
                q->leaveTrack = nullptr;
        }
        else
            q->leaveTrack = tme->hwndTrack;
    }
    return TRUE;
}

BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT tme)
{
    return TrackMouseEvent(tme);
}

// ---- Deferred positioning
// -------------------------------------------------------------------------------------

namespace
{
struct Deferred
{
    std::vector<WINDOWPOS> list;
};
} // namespace

HDWP BeginDeferWindowPos(int)
{
    return reinterpret_cast<HDWP>(new Deferred);
}

HDWP DeferWindowPos(HDWP h, HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    if (!h)
        return nullptr;
    reinterpret_cast<Deferred*>(h)->list.push_back(WINDOWPOS{hwnd, after, x, y, cx, cy, flags});
    return h;
}

BOOL EndDeferWindowPos(HDWP h)
{
    if (!h)
        return FALSE;
    std::unique_ptr<Deferred> d(reinterpret_cast<Deferred*>(h));
    for (auto& p : d->list)
        SetWindowPos(p.hwnd, p.hwndInsertAfter, p.x, p.y, p.cx, p.cy, p.flags);
    return TRUE;
}

// ---- Events from the backend
// ------------------------------------------------------------------------------------

namespace kel::ui
{
void NotifySurfaceMoved(HWND hwnd, const RECT& rect, UINT sizeType)
{
    WithWindow(hwnd,
               [&](Window& w)
               {
                   // A child moved or sized with the mouse keeps its state.
                   if (w.style & WS_CHILD)
                       return;
                   w.maximized = sizeType == SIZE_MAXIMIZED;
                   w.minimized = sizeType == SIZE_MINIMIZED;
               });
    ApplyPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
             SWP_NOZORDER | SWP_NOACTIVATE, true);
}

void NotifySurfaceActivated(HWND hwnd, bool active)
{
    if (active)
        ActivateImpl(hwnd, true);
    else if (GetActiveWindow() == hwnd)
        ActivateImpl(nullptr, true);
}

void NotifySurfaceFocus(HWND hwnd)
{
    SetFocus(hwnd);
}

void NotifySurfaceClose(HWND hwnd)
{
    SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void NotifySurfaceExposed(HWND hwnd, const RECT& rect)
{
    InvalidateRect(hwnd, &rect, TRUE);
}
} // namespace kel::ui

// ---- DefWindowProc
// -------------------------------------------------------------------------------------------------

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_NCCREATE:
    {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            WithWindow(hwnd, [&](Window& w) { w.text = cs->lpszName; });
        return TRUE;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETTEXT:
    {
        std::string text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        NativeSurface surface = nullptr;
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       w.text = text;
                       surface = w.surface;
                   });
        if (surface)
            GetDriver().SetSurfaceText(surface, text);
        return TRUE;
    }
    case WM_GETTEXT:
    {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = 0;
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       n = std::min(w.text.size(), static_cast<size_t>(wParam - 1));
                       std::memcpy(buffer, w.text.data(), n);
                   });
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
    {
        size_t n = 0;
        WithWindow(hwnd, [&](Window& w) { n = w.text.size(); });
        return static_cast<LRESULT>(n);
    }
    case WM_ERASEBKGND:
    {
        HBRUSH brush = nullptr;
        WithWindow(hwnd, [&](Window& w) { brush = w.cls->background; });
        if (!brush || !wParam || !Dcs().fillRect)
            return 0;
        RECT r;
        GetClientRect(hwnd, &r);
        Dcs().fillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SETCURSOR:
    {
        // A parent may set the cursor for its children first.
        HWND parent = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
        if (parent && SendMessage(parent, WM_SETCURSOR, wParam, lParam))
            return TRUE;
        if (LOWORD(lParam) == HTCLIENT)
        {
            HCURSOR cursor = nullptr;
            WithWindow(hwnd, [&](Window& w) { cursor = w.cls->cursor; });
            if (cursor)
            {
                SetCursor(cursor);
                return TRUE;
            }
        }
        return FALSE;
    }
    case WM_MOUSEACTIVATE:
    {
        HWND parent = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
        if (parent)
            if (LRESULT r = SendMessage(parent, WM_MOUSEACTIVATE, wParam, lParam))
                return r;
        return MA_ACTIVATE;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_SHOWMAXIMIZED);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            return 0;
        case SC_KEYMENU:
        {
            // Alt+letter opens the menu-bar entry it marks (a beep when none does); F10 the first.
            NativeSurface surface = GetMenu(hwnd) ? GetSurface(hwnd) : nullptr;
            const char mnemonic = static_cast<char>(lParam & 0xFF);
            if (!(surface && GetDriver().OpenMenuBarEntry(surface, mnemonic)) && mnemonic != 0)
                MessageBeep(0);
            return 0;
        }
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN))
            SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSKEYUP:
        if (wParam == VK_F10 && !(HIWORD(lParam) & KF_ALTDOWN) && GetKeyState(VK_SHIFT) >= 0)
            SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, 0);
        return 0;
    case WM_SYSCHAR:
        // Alt+Space (the window menu) and Alt with keys that make no letter open nothing.
        if (wParam > ' ' && (HIWORD(lParam) & KF_ALTDOWN))
            SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
    case WM_HELP:
    case WM_APPCOMMAND:
        // Unhandled by a child: its parent may want it.
        if (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)
            if (HWND parent = GetParent(hwnd))
                return SendMessage(parent, msg, wParam, lParam);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    {
        const int color = (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW
                          : msg == WM_CTLCOLORSCROLLBAR                         ? COLOR_SCROLLBAR
                                                                                : COLOR_BTNFACE;
        return reinterpret_cast<LRESULT>(GetSysColorBrushSafe(color));
    }
    case WM_WINDOWPOSCHANGED:
    {
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!wp)
            return 0;
        // WM_MOVE and WM_SIZE tell of the client area, which a frame change moves and sizes too.
        if (!(wp->flags & SWP_NOCLIENTMOVE))
        {
            POINT origin{0, 0};
            HWND parent = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
            MapWindowPoints(hwnd, parent, &origin, 1);
            SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
        }
        if (!(wp->flags & SWP_NOCLIENTSIZE))
        {
            RECT r;
            GetClientRect(hwnd, &r);
            WPARAM type = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
            SendMessage(hwnd, WM_SIZE, type, MAKELPARAM(r.right, r.bottom));
        }
        return 0;
    }
    case WM_NCCALCSIZE:
    {
        RECT* r =
            wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        DWORD style = 0, exStyle = 0;
        bool menu = false;
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       style = w.style;
                       exStyle = w.exStyle;
                       menu = !(style & WS_CHILD) && w.menu;
                   });
        const RECT in = NonClientInsets(style, exStyle, menu);
        r->left += in.left;
        r->top += in.top;
        r->right = std::max(r->left, r->right - in.right);
        r->bottom = std::max(r->top, r->bottom - in.bottom);
        // The window's own scroll bars take their room from the client area, where it has it.
        const int cxBar = GetSystemMetrics(SM_CXVSCROLL), cyBar = GetSystemMetrics(SM_CYHSCROLL);
        if ((style & WS_VSCROLL) && r->right - r->left >= cxBar)
            r->right -= cxBar;
        if ((style & WS_HSCROLL) && r->bottom - r->top >= cyBar)
            r->bottom -= cyBar;
        return 0;
    }
    case WM_ACTIVATE:
        // Activated by SetFocus on one of its windows: that window takes the focus, not this one.
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd) && !FocusActivationOf(hwnd))
        {
            HWND focus = GetFocus();
            if (!focus || (focus != hwnd && !IsChild(hwnd, focus)))
                SetFocus(hwnd);
        }
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    case WM_NCACTIVATE:
        if (NativeSurface surface = GetSurface(hwnd))
            GetDriver().SetFrameActive(surface, wParam != FALSE);
        return TRUE;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    case WM_NOTIFYFORMAT:
        return NFR_ANSI;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return -1;
    case WM_GETICON:
    {
        HICON icon = nullptr;
        WithWindow(hwnd, [&](Window& w) { icon = w.icons[wParam == ICON_SMALL ? 0 : 1]; });
        return reinterpret_cast<LRESULT>(icon);
    }
    case WM_SETICON:
    {
        HICON old = nullptr;
        WithWindow(hwnd,
                   [&](Window& w)
                   {
                       HICON& slot = w.icons[wParam == ICON_SMALL ? 0 : 1];
                       old = slot;
                       slot = reinterpret_cast<HICON>(lParam);
                   });
        if (NativeSurface surface = GetSurface(hwnd))
            GetDriver().SetSurfaceIcon(surface, reinterpret_cast<HICON>(lParam), wParam != ICON_SMALL);
        return reinterpret_cast<LRESULT>(old);
    }
    }
    return 0;
}
