// Message queues: posting, sending across threads, retrieval order, timers, waits, the
// user-interface thread and prompts of worker threads.
#include "kinternal.h"
#include "user_internal.h"
#include "win32/mdi.h"

#include "win32/clock.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace kel::ui
{
namespace
{
struct QueueTable
{
    std::unordered_map<DWORD, std::shared_ptr<Queue>> queues;
    UINT_PTR nextTimerId = 0x8000;
    BYTE keys[256] = {};
    DWORD lastInput = 0;
    POINT cursor{0, 0};
    std::map<std::string, UINT> registered;
};

QueueTable& Q()
{
    static auto* q = new QueueTable;
    return *q;
}

std::atomic<DWORD> g_uiTid{0};
std::atomic<Driver*> g_driver{nullptr};

Driver& NullDriverInstance()
{
    static NullDriver* d = new NullDriver;
    return *d;
}

void ThreadEnded(const std::shared_ptr<Queue>& q);

struct QueueHolder
{
    std::shared_ptr<Queue> q;
    ~QueueHolder()
    {
        if (q)
            ThreadEnded(q);
    }
};
thread_local QueueHolder t_queue;
thread_local std::vector<std::shared_ptr<SentMessage>> t_receiving;
thread_local int t_lastChar = -1;

bool Trace()
{
    static const bool on = std::getenv("KEL_TRACE_MESSAGES") != nullptr;
    return on;
}

void CompleteLocked(SentMessage& sm, LRESULT result)
{
    if (sm.done)
        return;
    sm.result = result;
    sm.done = true;
    if (auto sender = QueueOf(sm.senderTid))
        sender->NotifyWaiters();
}

void Complete(const std::shared_ptr<SentMessage>& sm, LRESULT result)
{
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        CompleteLocked(*sm, result);
    }
    WakeDriverFor(sm->senderTid);
}

void ThreadEnded(const std::shared_ptr<Queue>& q)
{
    DestroyThreadWindows(q->tid, false);
    std::vector<DWORD> senders;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        q->dead = true;
        for (auto& sm : q->sent)
        {
            CompleteLocked(*sm, 0);
            senders.push_back(sm->senderTid);
        }
        q->sent.clear();
        q->timers.clear();
        Q().queues.erase(q->tid);
    }
    for (DWORD s : senders)
        WakeDriverFor(s);
    CloseHandle(q->handle);
}

bool FilterWindow(HWND filter, HWND hwnd)
{
    if (!filter)
        return true;
    if (filter == reinterpret_cast<HWND>(-1))
        return hwnd == nullptr;
    if (hwnd == filter)
        return true;
    // Children of the filter window count (KernelLock() held).
    for (Window* w = FindWindowLocked(hwnd); w && w->parent; w = FindWindowLocked(w->parent))
        if (w->parent == filter)
            return true;
    return false;
}

bool FilterRange(UINT message, UINT min, UINT max)
{
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

DWORD InputBits(UINT message)
{
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST)
        return QS_KEY;
    if (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE)
        return QS_MOUSEMOVE;
    return QS_MOUSEBUTTON;
}

constexpr DWORD kRecheck = WAIT_TIMEOUT + 1;

// Waits until the calling thread's queue wakes for `mask` (or a reply or a sent message comes),
// one of `handles` is signalled, or the deadline (layer ns, < 0: none) passes. Returns the index
// of the object, n for the queue, WAIT_TIMEOUT, or kRecheck when a timer may have come due.
DWORD QueueWait(Queue& q, DWORD n, const HANDLE* handles, DWORD mask, int64_t deadline)
{
    int64_t limit = deadline;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        q.waitMask = mask;
        q.waiting = true;
        if (mask & QS_TIMER)
        {
            uint64_t next = q.NextTimerDue();
            if (next != UINT64_MAX)
            {
                int64_t t = static_cast<int64_t>(next) * 1000000;
                limit = limit < 0 ? t : std::min(limit, t);
            }
        }
    }
    struct Done
    {
        Queue& q;
        ~Done()
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            q.waiting = false;
        }
    } done{q};

    auto remainingMs = [&]() -> DWORD
    {
        if (limit < 0)
            return INFINITE;
        int64_t left = limit - ClockNowNs();
        return left <= 0 ? 0 : static_cast<DWORD>(std::min<int64_t>((left + 999999) / 1000000, INFINITE - 1));
    };
    auto expired = [&]() { return limit >= 0 && ClockNowNs() >= limit; };
    auto outcome = [&]() { return (deadline >= 0 && ClockNowNs() >= deadline) ? WAIT_TIMEOUT : kRecheck; };

    Driver& driver = GetDriver();
    if (IsUiThread() && driver.HasEventLoop())
    {
        for (;;)
        {
            {
                std::lock_guard<std::mutex> lk(KernelLock());
                if (q.IsSignaled(q.tid))
                    return n;
            }
            if (n)
            {
                DWORD r = WaitForMultipleObjects(n, handles, FALSE, 0);
                if (r < WAIT_OBJECT_0 + n)
                    return r;
            }
            if (expired())
                return outcome();
            DWORD slice = remainingMs();
            if (n)
                slice = std::min<DWORD>(slice, 10); // kernel objects do not wake the backend
            driver.ProcessEvents(slice);
        }
    }
    std::vector<HANDLE> all(handles, handles + n);
    all.push_back(q.handle);
    // On the absolute deadline: layer time may move between reading the clock and blocking.
    DWORD r = WaitUntil(n + 1, all.data(), limit);
    if (r == WAIT_TIMEOUT)
        return outcome();
    return r;
}

bool IsButtonDown(UINT m)
{
    return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
           m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK || m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN ||
           m == WM_NCMBUTTONDOWN || m == WM_NCLBUTTONDBLCLK;
}

// Looks for the next message as GetMessage orders them. Sent messages are served first.
bool Look(Queue& q, MSG* out, HWND hwnd, UINT min, UINT max, UINT flags)
{
    const bool remove = flags & PM_REMOVE;
    for (;;)
    {
        ServeSent(false);
        std::unique_lock<std::mutex> lk(KernelLock());
        if (!q.sent.empty())
            continue;
        q.newBits = 0;
        const uint64_t now = ClockNowMs();
        q.lastLook = now;
        auto take = [&](const MSG& m)
        {
            *out = m;
            if (remove)
                q.last = m;
            return true;
        };
        for (auto it = q.posted.begin(); it != q.posted.end(); ++it)
            if (FilterWindow(hwnd, it->hwnd) && FilterRange(it->message, min, max))
            {
                MSG m = *it;
                if (remove)
                    q.posted.erase(it);
                return take(m);
            }
        const auto in =
            std::find_if(q.input.begin(), q.input.end(),
                         [&](const InputEntry& e)
                         { return FilterWindow(hwnd, e.msg.hwnd) && FilterRange(e.msg.message, min, max); });
        if (in != q.input.end())
        {
            const MSG m = in->msg;
            if (remove)
            {
                t_lastChar = in->character;
                q.input.erase(in);
                const Window* w = FindWindowLocked(m.hwnd);
                if (w && (w->style & WS_CHILD) && IsButtonDown(m.message))
                {
                    // A click on a child asks it (and through it its parents) whether the
                    // click activates anything; the document window under it becomes active.
                    lk.unlock();
                    const bool client = m.message >= WM_MOUSEFIRST;
                    const LRESULT r = SendMessage(m.hwnd, WM_MOUSEACTIVATE,
                                                  reinterpret_cast<WPARAM>(GetAncestor(m.hwnd, GA_ROOT)),
                                                  MAKELPARAM(client ? HTCLIENT : m.wParam, m.message));
                    if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT)
                        continue; // the click is eaten: look again
                    lk.lock();
                }
            }
            return take(m);
        }
        if (q.quit && (!hwnd || hwnd == reinterpret_cast<HWND>(-1)))
        {
            MSG m{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, static_cast<DWORD>(now), {0, 0}};
            if (remove)
                q.quit = false;
            return take(m);
        }
        if (FilterRange(WM_PAINT, min, max) && q.paintWindows > 0)
            for (HWND h : WindowsOfThread(q.tid))
            {
                Window* w = FindWindowLocked(h);
                if (w && (!w->update.empty() || w->internalPaint) && FilterWindow(hwnd, h))
                {
                    // Taking the message ends an internal paint; an update region stays until validated.
                    if (remove && w->update.empty())
                        ClearUpdateLocked(*w);
                    else if (remove)
                        w->internalPaint = false;
                    return take(MSG{h, WM_PAINT, 0, 0, static_cast<DWORD>(now), {0, 0}});
                }
            }
        for (Timer& t : q.timers)
            if (!t.fired && t.due <= now)
            {
                t.fired = true;
                t.due = now + t.elapse;
            }
        if (FilterRange(WM_TIMER, min, max))
            for (Timer& t : q.timers)
                if (t.fired && FilterWindow(hwnd, t.hwnd))
                {
                    MSG m{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), static_cast<DWORD>(now),
                          {0, 0}};
                    if (remove)
                        t.fired = false;
                    return take(m);
                }
        return false;
    }
}

} // namespace

// ---- Queue object
// ------------------------------------------------------------------------------------------

bool Queue::IsSignaled(DWORD) const
{
    for (auto& a : awaiting)
        if (a->done)
            return true;
    if (!sent.empty() && !ignoreSent)
        return true;
    if (newBits & waitMask)
        return true;
    return (waitMask & QS_TIMER) && TimerDue(ClockNowMs());
}

void Queue::Signal(DWORD bits)
{
    newBits |= bits;
    changedBits |= bits;
    NotifyWaiters();
}

bool Queue::TimerDue(uint64_t now) const
{
    for (auto& t : timers)
        if (!t.fired && t.due <= now)
            return true;
    return false;
}

uint64_t Queue::NextTimerDue() const
{
    uint64_t next = UINT64_MAX;
    for (auto& t : timers)
        if (!t.fired)
            next = std::min(next, t.due);
    return next;
}

std::shared_ptr<Queue> QueueOf(DWORD tid)
{
    auto it = Q().queues.find(tid);
    return it != Q().queues.end() ? it->second : nullptr;
}

std::shared_ptr<Queue> MyQueue()
{
    if (t_queue.q)
        return t_queue.q;
    auto q = std::make_shared<Queue>(GetCurrentThreadId());
    q->handle = AddHandle(q);
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Q().queues[q->tid] = q;
        q->lastLook = ClockNowMs();
    }
    t_queue.q = q;
    return q;
}

void WakeDriverFor(DWORD tid)
{
    if (tid && tid == g_uiTid.load())
        GetDriver().Wake();
}

void ForgetWindowLocked(Window& w)
{
    ClearUpdateLocked(w);
    auto q = QueueOf(w.tid);
    if (!q)
        return;
    const HWND h = w.hwnd;
    std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == h; });
    std::erase_if(q->posted, [&](const MSG& m) { return m.hwnd == h; });
    std::erase_if(q->input, [&](const InputEntry& e) { return e.msg.hwnd == h; });
    for (auto it = q->sent.begin(); it != q->sent.end();)
        if ((*it)->hwnd == h)
        {
            CompleteLocked(**it, 0);
            it = q->sent.erase(it);
        }
        else
            ++it;
    if (q->focus == h)
        q->focus = nullptr;
    if (q->active == h)
        q->active = nullptr;
    if (q->capture == h)
        q->capture = nullptr;
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        if (!w)
            return 0;
        proc = w->proc;
    }
    if (Trace())
        std::fprintf(stderr, "[msg] %p %04x %llx %llx\n", static_cast<void*>(hwnd), msg,
                     static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

bool ServeSent(bool jobsOnly)
{
    auto q = MyQueue();
    bool any = false;
    for (;;)
    {
        std::shared_ptr<SentMessage> sm;
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            auto it = std::find_if(q->sent.begin(), q->sent.end(),
                                   [&](const auto& s) { return !jobsOnly || s->jobOnly; });
            if (it == q->sent.end())
                break;
            sm = *it;
            q->sent.erase(it);
            sm->started = true;
        }
        t_receiving.push_back(sm);
        LRESULT r = sm->job ? sm->job() : CallProc(sm->hwnd, sm->msg, sm->wParam, sm->lParam);
        t_receiving.pop_back();
        Complete(sm, r);
        if (sm->callback)
        {
            // The result goes back to the sender's thread as a job.
            auto cb = std::make_shared<SentMessage>();
            cb->notify = true;
            cb->senderTid = 0;
            SENDASYNCPROC fn = sm->callback;
            HWND h = sm->hwnd;
            UINT m = sm->msg;
            ULONG_PTR data = sm->callbackData;
            cb->job = [fn, h, m, data, r]
            {
                fn(h, m, data, r);
                return LRESULT(0);
            };
            {
                std::lock_guard<std::mutex> lk(KernelLock());
                if (auto sq = QueueOf(sm->senderTid))
                {
                    sq->sent.push_back(cb);
                    sq->Signal(QS_SENDMESSAGE);
                }
            }
            WakeDriverFor(sm->senderTid);
        }
        any = true;
    }
    return any;
}

bool AwaitReply(const std::shared_ptr<SentMessage>& sm, bool block, int64_t deadline)
{
    auto q = MyQueue();
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        q->awaiting.push_back(sm);
    }
    struct Unregister
    {
        Queue& q;
        const std::shared_ptr<SentMessage>& sm;
        bool block;
        bool oldIgnore;
        ~Unregister()
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            std::erase(q.awaiting, sm);
            q.ignoreSent = oldIgnore;
        }
    } unregister{*q, sm, block, q->ignoreSent};
    for (;;)
    {
        {
            std::lock_guard<std::mutex> lk(KernelLock());
            if (sm->done)
                return true;
            q->ignoreSent = block;
        }
        if (!block && ServeSent(false))
            continue;
        if (deadline >= 0 && ClockNowNs() >= deadline)
            return false;
        QueueWait(*q, 0, nullptr, 0, deadline);
    }
}

// ---- Set-up
// -------------------------------------------------------------------------------------------------

UINT NullDriver::TrackPopupMenu(HMENU menu, UINT, POINT, HWND)
{
    lastPopup = menu;
    return popupChoice;
}

Driver& GetDriver()
{
    Driver* d = g_driver.load();
    return d ? *d : NullDriverInstance();
}

DWORD UiThreadId()
{
    return g_uiTid.load();
}

bool IsUiThread()
{
    DWORD ui = g_uiTid.load();
    return ui && ui == GetCurrentThreadId();
}

LRESULT RunOnUiThread(std::function<LRESULT()> job)
{
    const DWORD ui = g_uiTid.load();
    if (!ui || ui == GetCurrentThreadId())
        return job();
    auto sm = std::make_shared<SentMessage>();
    sm->job = std::move(job);
    sm->jobOnly = true;
    sm->senderTid = GetCurrentThreadId();
    MyQueue();
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto target = QueueOf(ui);
        if (!target)
            return 0;
        target->sent.push_back(sm);
        target->Signal(QS_SENDMESSAGE);
    }
    WakeThreadWaits(ui);
    WakeDriverFor(ui);
    AwaitReply(sm, false, -1);
    return sm->result;
}

bool Initialize(Driver* driver)
{
    DWORD expected = 0;
    if (!g_uiTid.compare_exchange_strong(expected, GetCurrentThreadId()))
        return false;
    Driver* d = driver ? driver : &NullDriverInstance();
    g_driver.store(d);
    if (!d->Init())
    {
        g_driver.store(nullptr);
        g_uiTid.store(0);
        return false;
    }
    MyQueue();
    RegisterMdiClientClass();
    SetWaitService([] { ServeSent(true); });
    SetPromptRouter(
        [](const PromptRequest& request, const std::function<PromptReply(const PromptRequest&)>& show)
        {
            if (!UiThreadId() || IsUiThread())
                return show(request);
            PromptReply reply;
            RunOnUiThread(
                [&]
                {
                    reply = show(request);
                    return LRESULT(0);
                });
            return reply;
        });
    return true;
}

void Shutdown()
{
    if (!IsUiThread())
        return;
    DestroyThreadWindows(GetCurrentThreadId(), true);
    SetPromptRouter({});
    SetWaitService({});
    ServeSent(true); // release workers still waiting for a prompt
    {
        // A later Initialize on this thread starts clean: no stale timer whose procedure is gone,
        // no posted message or quit left over.
        auto q = MyQueue();
        std::lock_guard<std::mutex> lk(KernelLock());
        q->posted.clear();
        q->input.clear();
        q->timers.clear();
        q->quit = false;
        q->quitCode = 0;
        q->newBits = q->changedBits = 0;
    }
    g_driver.store(nullptr);
    g_uiTid.store(0);
}

void PostInput(const MSG& in, int character)
{
    MSG msg = in;
    if (!msg.time)
        msg.time = GetTickCount();
    DWORD tid = 0;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto& s = Q();
        s.lastInput = msg.time;
        const UINT m = msg.message;
        auto key = [&](int vk, bool down)
        {
            BYTE& k = s.keys[vk & 0xff];
            if (down && !(k & 0x80))
                k ^= 0x01;
            k = static_cast<BYTE>(down ? (k | 0x80) : (k & ~0x80));
        };
        if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN)
            key(static_cast<int>(msg.wParam), true);
        else if (m == WM_KEYUP || m == WM_SYSKEYUP)
            key(static_cast<int>(msg.wParam), false);
        else if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP)
            key(VK_LBUTTON, m == WM_LBUTTONDOWN);
        else if (m == WM_RBUTTONDOWN || m == WM_RBUTTONUP)
            key(VK_RBUTTON, m == WM_RBUTTONDOWN);
        else if (m == WM_MBUTTONDOWN || m == WM_MBUTTONUP)
            key(VK_MBUTTON, m == WM_MBUTTONDOWN);
        Window* w = FindWindowLocked(msg.hwnd);
        if (!w)
            return;
        const bool mouse =
            m >= WM_MOUSEFIRST && m <= WM_MOUSELAST && m != WM_MOUSEWHEEL && m != WM_MOUSEHWHEEL;
        if (mouse)
        {
            POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            POINT o = ClientOriginLocked(*w);
            s.cursor = POINT{p.x + o.x, p.y + o.y};
            // Mouse input goes to the capture window while there is one.
            auto q = QueueOf(w->tid);
            if (q && q->capture && q->capture != msg.hwnd)
                if (Window* c = FindWindowLocked(q->capture))
                {
                    POINT co = ClientOriginLocked(*c);
                    msg.hwnd = q->capture;
                    msg.lParam = MAKELPARAM(s.cursor.x - co.x, s.cursor.y - co.y);
                    w = c;
                }
        }
        if (!msg.pt.x && !msg.pt.y)
            msg.pt = s.cursor;
        auto q = QueueOf(w->tid);
        if (!q)
            return;
        tid = q->tid;
        // WM_MOUSELEAVE from the backend: the pointer left the top-level msg.hwnd for no window of
        // ours. Only a tracking window inside it hears of that.
        const bool leftTopLevel = m == WM_MOUSELEAVE;
        bool trackerInside = false;
        if (leftTopLevel && q->leaveTrack)
            for (Window* t = FindWindowLocked(q->leaveTrack); t && !trackerInside;
                 t = t->parent ? FindWindowLocked(t->parent) : nullptr)
                trackerInside = t->hwnd == msg.hwnd;
        if ((m == WM_MOUSEMOVE && q->leaveTrack && q->leaveTrack != msg.hwnd) || trackerInside)
        {
            // The pointer moved off the window that asked to hear of it: one notice, ahead of
            // the move, and the tracking ends as it does on Windows.
            MSG leave{};
            leave.hwnd = q->leaveTrack;
            leave.message = WM_MOUSELEAVE;
            leave.time = msg.time;
            leave.pt = msg.pt;
            q->input.push_back({leave});
            q->leaveTrack = nullptr;
        }
        if (leftTopLevel)
        {
            if (!trackerInside)
                return;
        }
        else if (m == WM_MOUSEMOVE && !q->input.empty() && q->input.back().msg.message == WM_MOUSEMOVE &&
                 q->input.back().msg.hwnd == msg.hwnd)
            q->input.back().msg = msg; // moves coalesce
        else
            q->input.push_back({msg, character});
        q->Signal(InputBits(leftTopLevel ? WM_MOUSEMOVE : m));
    }
    WakeDriverFor(tid);
}

void ServeMessagesWhileModal()
{
    MSG m;
    for (int i = 0; i < 1000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD); ++i)
    {
        if (m.message == WM_QUIT)
        {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
}

} // namespace kel::ui

using namespace kel;
using namespace kel::ui;

// ---- Posting ----------------------------------------------------------------------------------------------

namespace
{
BOOL PostTo(DWORD tid, const MSG& m)
{
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        auto q = QueueOf(tid);
        if (!q || q->dead)
        {
            SetLastError(1444L); // ERROR_INVALID_THREAD_ID
            return FALSE;
        }
        q->posted.push_back(m);
        q->Signal(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    }
    WakeDriverFor(tid);
    return TRUE;
}

DWORD WindowThread(HWND hwnd)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    Window* w = FindWindowLocked(hwnd);
    return w ? w->tid : 0;
}

MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    POINT pt{0, 0};
    GetCursorPos(&pt);
    return MSG{hwnd, msg, wParam, lParam, GetTickCount(), pt};
}

std::vector<HWND> TopLevelSnapshot()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return TopLevels();
}
} // namespace

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return PostThreadMessage(GetCurrentThreadId(), msg, wParam, lParam);
    if (hwnd == HWND_BROADCAST)
    {
        for (HWND h : TopLevelSnapshot())
            PostMessage(h, msg, wParam, lParam);
        return TRUE;
    }
    DWORD tid = WindowThread(hwnd);
    if (!tid)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostTo(tid, MakeMsg(hwnd, msg, wParam, lParam));
}

BOOL PostThreadMessage(DWORD tid, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (tid == GetCurrentThreadId())
        MyQueue();
    return PostTo(tid, MakeMsg(nullptr, msg, wParam, lParam));
}

void PostQuitMessage(int code)
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    q->quit = true;
    q->quitCode = code;
    q->Signal(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
}

// ---- Sending ----------------------------------------------------------------------------------------------

namespace
{
// Queues a sent message for another thread; nullptr for a bad window (last error set).
// A callback is set before the message is queued: the receiver may take it at once.
std::shared_ptr<SentMessage> Enqueue(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool notify,
                                     DWORD* tidOut, SENDASYNCPROC callback = nullptr,
                                     ULONG_PTR callbackData = 0)
{
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = hwnd;
    sm->msg = msg;
    sm->wParam = wParam;
    sm->lParam = lParam;
    sm->notify = notify;
    sm->callback = callback;
    sm->callbackData = callbackData;
    sm->senderTid = GetCurrentThreadId();
    MyQueue();
    DWORD tid;
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Window* w = FindWindowLocked(hwnd);
        auto q = w ? QueueOf(w->tid) : nullptr;
        if (!q || q->dead)
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        tid = q->tid;
        q->sent.push_back(sm);
        q->Signal(QS_SENDMESSAGE);
    }
    WakeDriverFor(tid);
    if (tidOut)
        *tidOut = tid;
    return sm;
}
} // namespace

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST)
    {
        for (HWND h : TopLevelSnapshot())
            SendMessage(h, msg, wParam, lParam);
        return 0;
    }
    DWORD tid = WindowThread(hwnd);
    if (!tid)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (tid == GetCurrentThreadId())
        return CallProc(hwnd, msg, wParam, lParam);
    auto sm = Enqueue(hwnd, msg, wParam, lParam, false, nullptr);
    if (!sm)
        return 0;
    AwaitReply(sm, false, -1);
    return sm->result;
}

LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                           PDWORD_PTR result)
{
    DWORD tid = WindowThread(hwnd);
    if (!tid)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (tid == GetCurrentThreadId())
    {
        LRESULT r = CallProc(hwnd, msg, wParam, lParam);
        if (result)
            *result = static_cast<DWORD_PTR>(r);
        return TRUE;
    }
    if (flags & SMTO_ABORTIFHUNG)
    {
        // Hung: has not looked at its queue for five seconds and is not waiting for messages.
        std::lock_guard<std::mutex> lk(KernelLock());
        auto q = QueueOf(tid);
        if (q && !q->waiting && ClockNowMs() - q->lastLook > 5000)
        {
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
    }
    const int64_t deadline = ClockNowNs() + static_cast<int64_t>(timeout) * 1000000;
    auto sm = Enqueue(hwnd, msg, wParam, lParam, false, nullptr);
    if (!sm)
        return 0;
    if (!AwaitReply(sm, flags & SMTO_BLOCK, deadline))
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (!sm->done)
        {
            sm->abandoned = true;
            if (auto q = QueueOf(tid))
                std::erase(q->sent, sm);
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
    }
    if (result)
        *result = static_cast<DWORD_PTR>(sm->result);
    return TRUE;
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD tid = WindowThread(hwnd);
    if (!tid)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (tid == GetCurrentThreadId())
    {
        CallProc(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    return Enqueue(hwnd, msg, wParam, lParam, true, nullptr) != nullptr;
}

BOOL SendMessageCallback(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, SENDASYNCPROC callback,
                         ULONG_PTR data)
{
    DWORD tid = WindowThread(hwnd);
    if (!tid)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (tid == GetCurrentThreadId())
    {
        LRESULT r = CallProc(hwnd, msg, wParam, lParam);
        if (callback)
            callback(hwnd, msg, data, r);
        return TRUE;
    }
    return Enqueue(hwnd, msg, wParam, lParam, true, nullptr, callback, data) != nullptr;
}

BOOL InSendMessage()
{
    return !t_receiving.empty() && !t_receiving.back()->job;
}

DWORD InSendMessageEx(LPVOID)
{
    if (!InSendMessage())
        return ISMEX_NOSEND;
    auto& sm = *t_receiving.back();
    std::lock_guard<std::mutex> lk(KernelLock());
    return (sm.notify ? ISMEX_NOTIFY : ISMEX_SEND) | (sm.done ? ISMEX_REPLIED : 0);
}

BOOL ReplyMessage(LRESULT result)
{
    if (t_receiving.empty())
        return FALSE;
    auto sm = t_receiving.back();
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        if (sm->done)
            return FALSE;
    }
    Complete(sm, result);
    return TRUE;
}

// ---- Retrieval
// ----------------------------------------------------------------------------------------------

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT min, UINT max)
{
    if (!msg)
        return -1;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !IsWindow(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    auto q = MyQueue();
    while (!Look(*q, msg, hwnd, min, max, PM_REMOVE))
        QueueWait(*q, 0, nullptr, QS_ALLINPUT, -1);
    return msg->message != WM_QUIT;
}

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT flags)
{
    auto q = MyQueue();
    if (!(flags & PM_NOYIELD) && IsUiThread() && GetDriver().HasEventLoop())
        GetDriver().ProcessEvents(0); // let the backend's pending events in
    MSG m;
    if (!Look(*q, &m, hwnd, min, max, flags))
        return FALSE;
    if (msg)
        *msg = m;
    return TRUE;
}

BOOL WaitMessage()
{
    auto q = MyQueue();
    while (QueueWait(*q, 0, nullptr, QS_ALLINPUT, -1) != 0)
    {
    }
    return TRUE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD n, const HANDLE* handles, DWORD timeout, DWORD mask, DWORD flags)
{
    auto q = MyQueue();
    const int64_t deadline =
        timeout == INFINITE ? -1 : ClockNowNs() + static_cast<int64_t>(timeout) * 1000000;
    if (flags & MWMO_INPUTAVAILABLE)
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        DWORD have = (q->posted.empty() ? 0 : QS_POSTMESSAGE | QS_ALLPOSTMESSAGE) |
                     (q->input.empty() ? 0 : QS_INPUT) | (q->sent.empty() ? 0 : QS_SENDMESSAGE) |
                     (q->paintWindows ? QS_PAINT : 0);
        if (have & mask)
            return WAIT_OBJECT_0 + n;
    }
    for (;;)
    {
        DWORD r = QueueWait(*q, n, handles, mask, deadline);
        if (r != kRecheck)
            return r;
        std::lock_guard<std::mutex> lk(KernelLock());
        if ((mask & QS_TIMER) && q->TimerDue(ClockNowMs()))
            return WAIT_OBJECT_0 + n;
    }
}

DWORD MsgWaitForMultipleObjects(DWORD n, const HANDLE* handles, BOOL waitAll, DWORD timeout, DWORD mask)
{
    return MsgWaitForMultipleObjectsEx(n, handles, timeout, mask, waitAll ? MWMO_WAITALL : 0);
}

LONG GetMessageTime()
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return static_cast<LONG>(q->last.time);
}

DWORD GetMessagePos()
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    return MAKELONG(static_cast<WORD>(q->last.pt.x), static_cast<WORD>(q->last.pt.y));
}

DWORD GetQueueStatus(UINT flags)
{
    auto q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    DWORD now = (q->posted.empty() && !q->quit ? 0 : QS_POSTMESSAGE | QS_ALLPOSTMESSAGE) |
                (q->sent.empty() ? 0 : QS_SENDMESSAGE) | (q->paintWindows ? QS_PAINT : 0);
    for (auto& e : q->input)
        now |= InputBits(e.msg.message);
    for (auto& t : q->timers)
        if (t.fired || t.due <= ClockNowMs())
            now |= QS_TIMER;
    DWORD changed = q->changedBits & flags;
    q->changedBits &= ~flags;
    return MAKELONG(changed, now & flags);
}

BOOL GetInputState()
{
    return (HIWORD(GetQueueStatus(QS_INPUT)) & QS_INPUT) != 0;
}

UINT RegisterWindowMessage(LPCSTR name)
{
    if (!name || !*name)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lk(KernelLock());
    auto& reg = Q().registered;
    auto key = UpperKey(name);
    auto it = reg.find(key);
    if (it != reg.end())
        return it->second;
    UINT id = 0xC000 + static_cast<UINT>(reg.size());
    if (id > 0xFFFF)
        return 0;
    reg[key] = id;
    return id;
}

// ---- Translation and dispatch
// ----------------------------------------------------------------------------------

namespace
{
// The character a key makes with a US layout; 0 for none.
int CharOfKey(int vk, bool shift, bool caps, bool ctrl)
{
    if (vk >= 'A' && vk <= 'Z')
    {
        if (ctrl)
            return vk - 'A' + 1;
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    static const char digitsShifted[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9')
        return shift ? digitsShifted[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return '0' + (vk - VK_NUMPAD0);
    switch (vk)
    {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    case VK_ESCAPE:
        return 27;
    case VK_MULTIPLY:
        return '*';
    case VK_ADD:
        return '+';
    case VK_SUBTRACT:
        return '-';
    case VK_DECIMAL:
        return '.';
    case VK_DIVIDE:
        return '/';
    case VK_OEM_1:
        return shift ? ':' : ';';
    case VK_OEM_PLUS:
        return shift ? '+' : '=';
    case VK_OEM_COMMA:
        return shift ? '<' : ',';
    case VK_OEM_MINUS:
        return shift ? '_' : '-';
    case VK_OEM_PERIOD:
        return shift ? '>' : '.';
    case VK_OEM_2:
        return shift ? '?' : '/';
    case VK_OEM_3:
        return shift ? '~' : '`';
    case VK_OEM_4:
        return shift ? '{' : '[';
    case VK_OEM_5:
        return shift ? '|' : '\\';
    case VK_OEM_6:
        return shift ? '}' : ']';
    case VK_OEM_7:
        return shift ? '"' : '\'';
    }
    return 0;
}
} // namespace

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    int ch = t_lastChar;
    if (ch < 0)
        ch = CharOfKey(static_cast<int>(msg->wParam), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CAPITAL) & 1,
                       GetKeyState(VK_CONTROL) < 0);
    if (ch <= 0)
        return FALSE;
    std::shared_ptr<Queue> q = MyQueue();
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        MSG c = *msg;
        c.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        c.wParam = static_cast<WPARAM>(static_cast<unsigned char>(ch));
        // The character comes next, before other input.
        q->input.push_front({c});
        q->Signal(QS_KEY);
    }
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam)
    {
        // Only a procedure of a timer that still exists is called: the message may have been
        // retrieved before KillTimer, and lParam is not to be trusted as a code pointer.
        const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        bool live = false;
        {
            auto q = MyQueue();
            std::lock_guard<std::mutex> lk(KernelLock());
            live = std::any_of(q->timers.begin(), q->timers.end(),
                               [&](const Timer& t)
                               { return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc; });
        }
        if (live)
            proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    if (WindowThread(msg->hwnd) != GetCurrentThreadId())
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LRESULT r = CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT)
    {
        // A window that ignored WM_PAINT would otherwise get it forever.
        std::lock_guard<std::mutex> lk(KernelLock());
        if (Window* w = FindWindowLocked(msg->hwnd))
            ClearUpdateLocked(*w);
    }
    return r;
}

// ---- Timers
// -------------------------------------------------------------------------------------------------

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    std::shared_ptr<Queue> mine = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    std::shared_ptr<Queue> q = mine;
    if (hwnd)
    {
        Window* w = FindWindowLocked(hwnd);
        if (!w)
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->tid != mine->tid)
        {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && (hwnd || id); });
    if (it == q->timers.end())
    {
        if (!hwnd)
            id = Q().nextTimerId++;
        q->timers.push_back(Timer{hwnd, id, elapse, proc, 0, false});
        it = q->timers.end() - 1;
    }
    it->elapse = elapse;
    it->proc = proc;
    it->due = ClockNowMs() + elapse;
    it->fired = false;
    q->NotifyWaiters();
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    std::shared_ptr<Queue> q = MyQueue();
    std::lock_guard<std::mutex> lk(KernelLock());
    auto n = std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (!n)
        SetLastError(1402L); // ERROR_INVALID_TIMER... as "not found"
    return n ? TRUE : FALSE;
}

// ---- Keyboard and input state
// -------------------------------------------------------------------------------------

SHORT GetKeyState(int vk)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    BYTE k = Q().keys[vk & 0xff];
    return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    return static_cast<SHORT>((Q().keys[vk & 0xff] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(PBYTE state)
{
    if (!state)
        return FALSE;
    std::lock_guard<std::mutex> lk(KernelLock());
    std::copy(std::begin(Q().keys), std::end(Q().keys), state);
    return TRUE;
}

BOOL GetLastInputInfo(PLASTINPUTINFO info)
{
    if (!info)
        return FALSE;
    std::lock_guard<std::mutex> lk(KernelLock());
    info->dwTime = Q().lastInput;
    return TRUE;
}

BOOL GetCursorPos(LPPOINT pt)
{
    if (!pt)
        return FALSE;
    if (IsUiThread() && GetDriver().GetCursorPos(pt))
        return TRUE;
    std::lock_guard<std::mutex> lk(KernelLock());
    *pt = Q().cursor;
    return TRUE;
}

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, ULONG_PTR)
{
    POINT p{};
    GetCursorPos(&p);
    if (flags & MOUSEEVENTF_ABSOLUTE)
    {
        // The normalised range covers the whole screen: 65536 steps per screen width.
        const int64_t w = std::max(1, GetSystemMetrics(SM_CXSCREEN));
        const int64_t h = std::max(1, GetSystemMetrics(SM_CYSCREEN));
        p.x = static_cast<LONG>(static_cast<int64_t>(dx & 0xffff) * w / 65536);
        p.y = static_cast<LONG>(static_cast<int64_t>(dy & 0xffff) * h / 65536);
    }
    else
    {
        p.x += static_cast<LONG>(static_cast<INT>(dx));
        p.y += static_cast<LONG>(static_cast<INT>(dy));
    }
    SetCursorPos(p.x, p.y);

    static const std::pair<DWORD, UINT> buttons[] = {
        {MOUSEEVENTF_LEFTDOWN, WM_LBUTTONDOWN},   {MOUSEEVENTF_LEFTUP, WM_LBUTTONUP},
        {MOUSEEVENTF_RIGHTDOWN, WM_RBUTTONDOWN},  {MOUSEEVENTF_RIGHTUP, WM_RBUTTONUP},
        {MOUSEEVENTF_MIDDLEDOWN, WM_MBUTTONDOWN}, {MOUSEEVENTF_MIDDLEUP, WM_MBUTTONUP},
    };
    std::vector<UINT> messages;
    if (flags & MOUSEEVENTF_MOVE)
        messages.push_back(WM_MOUSEMOVE);
    for (const auto& [bit, message] : buttons)
        if (flags & bit)
            messages.push_back(message);
    for (UINT message : messages)
    {
        // The capture window takes mouse input wherever the pointer is (PostInput redirects).
        HWND target = GetCapture();
        if (target == nullptr)
            target = WindowFromPoint(p);
        if (target == nullptr)
            return;
        POINT c = p;
        ScreenToClient(target, &c);
        // Button state after this message, for the MK_* flags.
        auto held = [&](int vk, UINT downMessage, UINT upMessage)
        {
            if (message == downMessage)
                return true;
            if (message == upMessage)
                return false;
            return (GetKeyState(vk) & 0x8000) != 0;
        };
        WPARAM keys = 0;
        if (held(VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP))
            keys |= MK_LBUTTON;
        if (held(VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP))
            keys |= MK_RBUTTON;
        if (held(VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP))
            keys |= MK_MBUTTON;
        if (GetKeyState(VK_SHIFT) & 0x8000)
            keys |= MK_SHIFT;
        if (GetKeyState(VK_CONTROL) & 0x8000)
            keys |= MK_CONTROL;
        kel::ui::PostInput(MSG{target, message, keys, MAKELPARAM(c.x, c.y), 0, p});
    }
}

BOOL SetCursorPos(int x, int y)
{
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        Q().cursor = POINT{x, y};
    }
    if (IsUiThread())
        GetDriver().SetCursorPos(x, y);
    return TRUE;
}
