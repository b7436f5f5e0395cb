// Update regions, the paint cycle, DCs through the drawing side's seam, window scroll bars.
#include "user_internal.h"

#include <algorithm>

namespace kel::ui
{
namespace
{
DcFactory g_dcs;
}

const DcFactory& Dcs()
{
    return g_dcs;
}

void SetDcFactory(const DcFactory& factory)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    g_dcs = factory;
}

void AddUpdateLocked(Window& w, const RECT& in, bool erase)
{
    RECT r;
    if (!RectIntersect(in, ClientRectLocked(w), &r))
        return;
    const bool wasEmpty = w.update.empty() && !w.internalPaint;
    for (const RECT& u : w.update)
        if (u.left <= r.left && u.top <= r.top && u.right >= r.right && u.bottom >= r.bottom)
        {
            w.erase = w.erase || erase;
            return;
        }
    w.update.push_back(r);
    if (w.update.size() > 16)
    {
        // Many small pieces: one bounding rectangle serves as well.
        RECT b{0, 0, 0, 0};
        for (const RECT& u : w.update)
            b = RectUnion(b, u);
        w.update.assign(1, b);
    }
    w.erase = w.erase || erase;
    if (wasEmpty)
        if (auto q = QueueOf(w.tid))
        {
            ++q->paintWindows;
            q->Signal(QS_PAINT);
        }
}

void ClearUpdateLocked(Window& w)
{
    const bool had = !w.update.empty() || w.internalPaint;
    w.update.clear();
    w.erase = false;
    w.internalPaint = false;
    if (had)
        if (auto q = QueueOf(w.tid))
            --q->paintWindows;
}

bool UpdateBoundsLocked(const Window& w, RECT* bounds)
{
    RECT b{0, 0, 0, 0};
    for (const RECT& u : w.update)
        b = RectUnion(b, u);
    if (bounds)
        *bounds = b;
    return !RectEmpty(b);
}

} // namespace kel::ui

using namespace kel;
using namespace kel::ui;

namespace
{
// Runs f(window) under the lock; false for a bad window.
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

void Invalidate(HWND hwnd, const RECT* rect, bool erase, bool children)
{
    NativeSurface surface = nullptr;
    RECT r{};
    std::vector<HWND> kids;
    WithWindow(hwnd,
               [&](Window& w)
               {
                   r = rect ? *rect : ClientRectLocked(w);
                   AddUpdateLocked(w, r, erase);
                   surface = w.surface;
                   if (children)
                       kids = w.children;
               });
    if (surface)
        GetDriver().RequestRepaint(surface, r);
    for (HWND c : kids)
    {
        // Children get the part of the rectangle they cover, in their own coordinates.
        RECT cr = r;
        MapWindowPoints(hwnd, c, reinterpret_cast<POINT*>(&cr), 2);
        Invalidate(c, &cr, erase, true);
    }
}
} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    if (!hwnd)
        return TRUE; // the whole screen: nothing of ours to do
    if (!IsWindow(hwnd))
        return FALSE;
    Invalidate(hwnd, rect, erase, false);
    return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN, BOOL erase)
{
    // Regions are the drawing side's; the bounding rectangle of the client area is invalidated.
    return InvalidateRect(hwnd, nullptr, erase);
}

BOOL ValidateRect(HWND hwnd, const RECT* rect)
{
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          RECT b;
                          if (!rect || !UpdateBoundsLocked(w, &b) ||
                              (rect->left <= b.left && rect->top <= b.top && rect->right >= b.right &&
                               rect->bottom >= b.bottom))
                          {
                              ClearUpdateLocked(w);
                              return;
                          }
                          // Drop the pieces the rectangle covers wholly; the rest stays to paint.
                          std::erase_if(w.update,
                                        [&](const RECT& u) {
                                            return rect->left <= u.left && rect->top <= u.top &&
                                                   rect->right >= u.right && rect->bottom >= u.bottom;
                                        });
                          if (w.update.empty())
                          {
                              w.update.push_back(RECT{0, 0, 0, 0});
                              ClearUpdateLocked(w);
                          }
                      });
}

BOOL ValidateRgn(HWND hwnd, HRGN)
{
    return ValidateRect(hwnd, nullptr);
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase)
{
    bool any = false, needErase = false;
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        RECT b;
                        any = UpdateBoundsLocked(w, &b);
                        needErase = w.erase;
                        if (rect)
                            *rect = any ? b : RECT{0, 0, 0, 0};
                    }))
        return FALSE;
    if (any && erase && needErase)
    {
        HDC dc = GetDC(hwnd);
        bool erased = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
        if (dc)
            ReleaseDC(hwnd, dc);
        if (erased)
            WithWindow(hwnd, [](Window& w) { w.erase = false; });
    }
    return any;
}

int GetUpdateRgn(HWND hwnd, HRGN, BOOL erase)
{
    RECT r;
    return GetUpdateRect(hwnd, &r, erase) ? 2 /*SIMPLEREGION*/ : 1 /*NULLREGION*/;
}

BOOL UpdateWindow(HWND hwnd)
{
    bool pending = false;
    std::vector<HWND> kids;
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        pending = !w.update.empty() || w.internalPaint;
                        kids = w.children;
                    }))
        return FALSE;
    if (pending)
    {
        SendMessage(hwnd, WM_PAINT, 0, 0);
        WithWindow(hwnd, [](Window& w) { ClearUpdateLocked(w); });
    }
    for (HWND c : kids)
        UpdateWindow(c);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags)
{
    if (!hwnd || !IsWindow(hwnd))
        return FALSE;
    const bool children = flags & RDW_ALLCHILDREN;
    if (flags & RDW_INVALIDATE)
        Invalidate(hwnd, rect, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_INTERNALPAINT)
        WithWindow(hwnd,
                   [](Window& w)
                   {
                       if (w.update.empty() && !w.internalPaint)
                           if (auto q = QueueOf(w.tid))
                           {
                               ++q->paintWindows;
                               q->Signal(QS_PAINT);
                           }
                       w.internalPaint = true;
                   });
    if (flags & RDW_VALIDATE)
        ValidateRect(hwnd, rect);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
        UpdateWindow(hwnd);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps)
{
    if (!ps)
        return nullptr;
    RECT bounds{};
    bool erase = false;
    if (!WithWindow(hwnd,
                    [&](Window& w)
                    {
                        UpdateBoundsLocked(w, &bounds);
                        erase = w.erase;
                        ClearUpdateLocked(w);
                    }))
        return nullptr;
    *ps = PAINTSTRUCT{};
    ps->rcPaint = bounds;
    HDC dc = nullptr;
    if (auto get = Dcs().getDC)
        dc = get(hwnd, DcKind::Paint, &bounds);
    ps->hdc = dc;
    // fErase tells the window it still has to erase (WM_ERASEBKGND returned 0).
    ps->fErase = erase ? !SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) : FALSE;
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps)
{
    if (!ps)
        return FALSE;
    if (ps->hdc && Dcs().releaseDC)
        Dcs().releaseDC(hwnd, ps->hdc);
    NativeSurface surface = GetSurface(hwnd);
    if (!RectEmpty(ps->rcPaint))
        GetDriver().FlushBackingImage(hwnd, surface, ps->rcPaint);
    return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN, DWORD flags)
{
    if (hwnd && !IsWindow(hwnd))
        return nullptr;
    auto get = Dcs().getDC;
    return get ? get(hwnd, (flags & DCX_WINDOW) ? DcKind::Window : DcKind::Client, nullptr) : nullptr;
}

HDC GetDC(HWND hwnd)
{
    return GetDCEx(hwnd, nullptr, 0);
}

HDC GetWindowDC(HWND hwnd)
{
    return GetDCEx(hwnd, nullptr, DCX_WINDOW);
}

int ReleaseDC(HWND hwnd, HDC dc)
{
    if (!dc || !Dcs().releaseDC)
        return 0;
    int r = Dcs().releaseDC(hwnd, dc);
    // What was drawn outside WM_PAINT shows at once.
    RECT client;
    if (hwnd && GetClientRect(hwnd, &client))
        GetDriver().FlushBackingImage(hwnd, GetSurface(hwnd), client);
    return r;
}

HWND WindowFromDC(HDC dc)
{
    return Dcs().windowFromDC ? Dcs().windowFromDC(dc) : nullptr;
}

BOOL LockWindowUpdate(HWND)
{
    return TRUE;
}

int ScrollWindowEx(HWND hwnd, int, int, const RECT* scroll, const RECT* clip, HRGN, LPRECT update, UINT flags)
{
    // The backing image is repainted rather than moved: the area scrolled is invalidated.
    RECT r;
    if (!GetClientRect(hwnd, &r))
        return 0; // ERROR
    if (scroll)
        RectIntersect(r, *scroll, &r);
    if (clip)
        RectIntersect(r, *clip, &r);
    InvalidateRect(hwnd, &r, (flags & SW_ERASE) != 0);
    if (update)
        *update = r;
    return 2;
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* rect, const RECT* clip)
{
    return ScrollWindowEx(hwnd, dx, dy, rect, clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE) != 0;
}

// ---- Scroll bars ------------------------------------------------------------------------------------------

namespace
{
void Clamp(SCROLLINFO& s)
{
    if (s.nMax < s.nMin)
        s.nMax = s.nMin;
    const int range = s.nMax - s.nMin + 1;
    s.nPage = std::min<UINT>(s.nPage, static_cast<UINT>(range));
    const int maxPos = s.nMax - std::max<int>(static_cast<int>(s.nPage) - 1, 0);
    s.nPos = std::clamp(s.nPos, s.nMin, std::max(maxPos, s.nMin));
}
} // namespace

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO in, BOOL)
{
    if (!in)
        return 0;
    if (bar == SB_CTL)
        return static_cast<int>(SendMessage(hwnd, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(in)));
    if (bar != SB_HORZ && bar != SB_VERT)
        return 0;
    int pos = 0;
    bool shown = false, wanted = false;
    WithWindow(hwnd,
               [&](Window& w)
               {
                   shown = w.style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL);
                   SCROLLINFO& s = w.scroll[bar];
                   if (in->fMask & SIF_RANGE)
                   {
                       s.nMin = in->nMin;
                       s.nMax = in->nMax;
                   }
                   if (in->fMask & SIF_PAGE)
                       s.nPage = in->nPage;
                   if (in->fMask & SIF_POS)
                       s.nPos = in->nPos;
                   Clamp(s);
                   pos = s.nPos;
                   // The bar is needed while the page does not cover the range.
                   const bool needed = s.nMax > s.nMin && s.nPage <= static_cast<UINT>(s.nMax - s.nMin);
                   wanted = needed || (in->fMask & SIF_DISABLENOSCROLL) != 0;
                   if (!(in->fMask & (SIF_RANGE | SIF_PAGE)))
                       wanted = shown;
               });
    // A bar that comes or goes changes the client area.
    if (wanted != shown)
        ShowScrollBar(hwnd, bar, wanted);
    else
        PushScrollBars(hwnd);
    return pos;
}

void kel::ui::PushScrollBars(HWND hwnd)
{
    NativeSurface surface = nullptr;
    SCROLLINFO info[2]{};
    bool shown[2] = {false, false};
    WithWindow(hwnd,
               [&](Window& w)
               {
                   surface = w.surface;
                   for (int bar : {SB_HORZ, SB_VERT})
                   {
                       info[bar] = w.scroll[bar];
                       shown[bar] = w.style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL);
                   }
               });
    if (surface)
        for (int bar : {SB_HORZ, SB_VERT})
            GetDriver().SetSurfaceScrollBar(surface, bar, info[bar], shown[bar]);
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO out)
{
    if (!out)
        return FALSE;
    if (bar == SB_CTL)
        return static_cast<BOOL>(SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(out)));
    if (bar != SB_HORZ && bar != SB_VERT)
        return FALSE;
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          const SCROLLINFO& s = w.scroll[bar];
                          if (out->fMask & SIF_RANGE)
                          {
                              out->nMin = s.nMin;
                              out->nMax = s.nMax;
                          }
                          if (out->fMask & SIF_PAGE)
                              out->nPage = s.nPage;
                          if (out->fMask & SIF_POS)
                              out->nPos = s.nPos;
                          if (out->fMask & SIF_TRACKPOS)
                              out->nTrackPos = s.nTrackPos ? s.nTrackPos : s.nPos;
                      });
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw)
{
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd, bar, &si);
    int old = si.nPos;
    si.nPos = pos;
    SetScrollInfo(hwnd, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar)
{
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw)
{
    SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
    SetScrollInfo(hwnd, bar, &si, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos)
{
    SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(hwnd, bar, &si))
        return FALSE;
    if (minPos)
        *minPos = si.nMin;
    if (maxPos)
        *maxPos = si.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show)
{
    if (bar == SB_CTL)
        return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
    DWORD bits = (bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL | WS_VSCROLL);
    LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
    const LONG_PTR now = show ? (style | bits) : (style & ~static_cast<LONG_PTR>(bits));
    if (now == style)
        return IsWindow(hwnd);
    SetWindowLongPtr(hwnd, GWL_STYLE, now);
    // The bars live in the frame: the client area is worked out anew.
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows)
{
    if (bar == SB_CTL)
        return SendMessage(hwnd, SBM_ENABLE_ARROWS, arrows, 0) != 0;
    return IsWindow(hwnd);
}
