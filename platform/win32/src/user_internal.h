// Shared internals of the window manager: the window and class tables, the per-thread message
// queues and the one lock that guards them. The lock is KernelLock(), so a queue can be a waitable
// kernel object and a thread can wait for its queue and kernel objects together. Nothing calls a
// window procedure, the driver or a prompt while holding it.
#pragma once

#include "kinternal.h"
#include "win32/uidriver.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kel::ui
{

struct WndClass
{
    std::string name; // as registered
    std::string key;  // upper-case, for lookups
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSm = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menuName;        // "" or "#id"
    LPCSTR menuNameId = nullptr; // MAKEINTRESOURCE form when numeric
    std::vector<uint8_t> extra;
    bool system = false;
    int windows = 0; // live windows of the class
};

struct Window
{
    HWND hwnd = nullptr;
    std::shared_ptr<WndClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0; // GWL_ID: the child id, or the menu of a top-level
    HMENU menu = nullptr;
    HMENU sysMenu = nullptr;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;      // children only
    HWND owner = nullptr;       // top-levels only
    std::vector<HWND> children; // z-order, top first
    std::vector<uint8_t> extra;
    LONG_PTR userData = 0;
    std::map<std::string, HANDLE> props; // key upper-cased
    std::string text;
    RECT rect{};   // parent client coordinates (screen for top-levels)
    RECT insets{}; // frame sizes around the client area
    DWORD tid = 0;
    bool messageOnly = false;
    NativeSurface surface = nullptr;
    std::unique_ptr<WindowSurfaceData> surfaceData;
    HICON icons[2] = {nullptr, nullptr};

    // Life cycle
    bool created = false;    // WM_NCCREATE passed
    bool destroying = false; // WM_DESTROY sent or on its way
    bool dead = false;       // out of the table

    // Painting
    std::vector<RECT> update; // disjoint-ish rectangles, client coordinates
    bool erase = false;
    bool internalPaint = false;

    // Placement
    bool minimized = false;
    bool maximized = false;
    RECT normal{}; // restored rectangle

    SCROLLINFO scroll[2]{};
    bool needSize = false; // a top-level's first WM_SIZE/WM_MOVE wait for its first showing
};

// A message sent to another thread's window, or a job to run on another thread (prompts).
struct SentMessage
{
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<LRESULT()> job; // set for jobs; hwnd is then NULL
    bool jobOnly = false;         // served by plain kernel waits too (prompts)
    DWORD senderTid = 0;
    bool notify = false;    // SendNotifyMessage: nobody waits
    bool started = false;   // the receiver took it
    bool done = false;      // result is final
    bool abandoned = false; // the sender stopped waiting
    LRESULT result = 0;
    SENDASYNCPROC callback = nullptr;
    ULONG_PTR callbackData = 0;
};

struct Timer
{
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;   // layer ms
    bool fired = false; // a WM_TIMER is ready (at most one per timer)
};

// Mouse and keyboard input waiting in a queue. A key-down the backend has already translated
// carries the character TranslateMessage makes of it; -1 leaves that to the key map.
struct InputEntry
{
    MSG msg{};
    int character = -1;
};

// A thread's message queue; all state guarded by KernelLock(). Waitable: signalled when the wait
// of its thread should wake (see IsSignaled).
class Queue : public KernelObject
{
public:
    explicit Queue(DWORD threadId) : tid(threadId) {}

    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD waiterTid) const override;
    DWORD Acquire(DWORD) override { return WAIT_OBJECT_0; }

    // Marks new input of kind `bits` and wakes the queue's thread (KernelLock() held). The caller
    // wakes the driver afterwards (WakeDriverFor) when it may be the user-interface thread.
    void Signal(DWORD bits);
    // True when a timer is due and not yet fired (KernelLock() held).
    bool TimerDue(uint64_t now) const;
    // Earliest due time of an unfired timer, UINT64_MAX when none.
    uint64_t NextTimerDue() const;

    const DWORD tid;
    HANDLE handle = nullptr; // own handle in the kernel table
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<MSG> posted;
    std::deque<InputEntry> input;
    std::vector<Timer> timers;
    bool quit = false;
    int quitCode = 0;
    DWORD newBits = 0;                                  // QS_* arrived since the thread last looked
    DWORD changedBits = 0;                              // for GetQueueStatus
    DWORD waitMask = 0;                                 // QS_* the current wait wakes for
    bool jobsOnly = false;                              // waiting in a plain kernel wait: only jobs count
    std::vector<std::shared_ptr<SentMessage>> awaiting; // sends of this thread waiting for replies
    int paintWindows = 0;    // windows of the thread with a non-empty update region
    uint64_t lastLook = 0;   // layer ms of the last GetMessage/PeekMessage (hung detection)
    bool waiting = false;    // in a message wait now
    MSG last{};              // last message retrieved (time, pos)
    bool dead = false;       // thread ended
    bool ignoreSent = false; // SMTO_BLOCK: incoming sends wait
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    HWND leaveTrack = nullptr; // TrackMouseEvent(TME_LEAVE): gets WM_MOUSELEAVE when the pointer moves off
    HWND focusActivating = nullptr; // SetFocus is activating this window's top-level for it
};

// ---- Tables (KernelLock() held) -----------------------------------------------------------------------

Window* FindWindowLocked(HWND hwnd);
// The queue of a thread; NULL when the thread has none.
std::shared_ptr<Queue> QueueOf(DWORD tid);
// The calling thread's queue, created on first use.
std::shared_ptr<Queue> MyQueue();
// Live windows of a thread, in creation order.
std::vector<HWND> WindowsOfThread(DWORD tid);
// All top-level windows in z-order (top first).
std::vector<HWND>& TopLevels();

// Wakes the driver's event loop if `tid` is the user-interface thread (no lock held).
void WakeDriverFor(DWORD tid);

// ---- Shared helpers ---------------------------------------------------------------------------------

// Calls the window procedure of hwnd now, on the calling thread.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Screen position of the client origin (KernelLock() held).
POINT ClientOriginLocked(const Window& w);
RECT ClientRectLocked(const Window& w);
// Adds/removes update rectangles (KernelLock() held); keeps the queue's paint count right.
void AddUpdateLocked(Window& w, const RECT& r, bool erase);
void ClearUpdateLocked(Window& w);
bool UpdateBoundsLocked(const Window& w, RECT* bounds);
// Frame sizes around the client area of a window of this style, scroll bars not counted: what
// DefWindowProc's WM_NCCALCSIZE and AdjustWindowRectEx take away.
RECT NonClientInsets(DWORD style, DWORD exStyle, bool hasMenu);
// Asks the window for its client area inside `rect` (its new window rectangle in parent client
// coordinates) with WM_NCCALCSIZE and returns the insets of that client area. pos: the move or
// resize on its way (the NCCALCSIZE_PARAMS form); nullptr at creation.
RECT CalcClientInsets(HWND hwnd, const RECT& rect, WINDOWPOS* pos);
// Tells the backend the state of the window's own scroll bars.
void PushScrollBars(HWND hwnd);
// WM_SIZE with the client size and state, then WM_MOVE with the client origin in the parent.
void SendSizeAndMove(HWND hwnd);
// The window (hwnd, or a window of its tree) is going: activates another top-level of the thread,
// its owner first, so focus and activation never stay on a hidden or dying window.
void ActivateOtherWindow(HWND hwnd);
// True while SetFocus is activating hwnd's top-level window for it: the activation must not move
// the focus itself.
bool FocusActivationOf(HWND hwnd);

// Kills the window's timers and drops its queued messages (KernelLock() held).
void ForgetWindowLocked(Window& w);
// Destroys every window of the thread quietly (thread end, Shutdown).
void DestroyThreadWindows(DWORD tid, bool sendMessages);

// Serves pending sent messages of the calling thread (all, or jobs only). Returns whether any ran.
bool ServeSent(bool jobsOnly);
// Blocks until `sm` is done, serving the calling thread's incoming sends unless `block`. Gives up
// at deadlineNs (layer clock; < 0: never). Returns whether it completed.
bool AwaitReply(const std::shared_ptr<SentMessage>& sm, bool block, int64_t deadlineNs);

// Document windows are the children of an MDI client; it minimizes, maximizes and restores them
// for ShowWindow's cmd.
bool IsDocumentWindow(HWND hwnd);
void ShowDocumentWindow(HWND hwnd, int cmd);
// The rectangle a minimized or maximized document window goes back to when restored.
void SetDocumentWindowNormal(HWND hwnd, const RECT& rect);

// Hooks of the drawing side.
const DcFactory& Dcs();
HMENU DuplicateSystemMenu();
bool IsMenuHandle(HMENU menu);
void DestroyMenuTree(HMENU menu);

bool RectEmpty(const RECT& r);
RECT RectUnion(const RECT& a, const RECT& b);
bool RectIntersect(const RECT& a, const RECT& b, RECT* out);
std::string UpperKey(const char* s);

} // namespace kel::ui
