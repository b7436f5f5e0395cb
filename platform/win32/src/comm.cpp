// COM port handles: the Win32 side of a serial line over a CommDevice (a tty or an in-process
// virtual port). The port keeps receive and transmit queues, the event mask and history, the
// error bits and the time-outs; blocking waits use layer events, so they follow the layer clock.
#include "comm_internal.h"
#include "win32/clock.h"
#include "win32/files.h"
#include "win32/kernel.h"
#include "win32/kobject.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cctype>
#include <cstring>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel
{
namespace
{

constexpr uint64_t kNever = UINT64_MAX;
constexpr size_t kDefaultQueue = 4096;

BOOL Fail(DWORD error)
{
    ::SetLastError(error);
    return FALSE;
}

uint64_t DeadlineAfter(uint64_t ms)
{
    return ClockNowMs() + ms;
}

// Counters of the events that end pending operations, taken when an operation starts. CancelIo
// ends only what its own thread started, so the cancel counter is the issuing thread's.
struct Gens
{
    uint64_t cancel = 0, rxAbort = 0, txAbort = 0, mask = 0;
    DWORD thread = 0;
};

// The status of an overlapped record, which a worker may be completing on another thread.
ULONG_PTR Status(OVERLAPPED* ov)
{
    return std::atomic_ref(ov->Internal).load(std::memory_order_acquire);
}

class CommPort final : public KernelObject, public CommLink
{
public:
    CommPort(std::shared_ptr<CommDevice> device, bool overlapped)
        : m_device(std::move(device)), m_overlapped(overlapped)
    {
        std::memset(&m_dcb, 0, sizeof m_dcb);
        m_dcb.DCBlength = sizeof(DCB);
        m_dcb.BaudRate = CBR_9600;
        m_dcb.fBinary = 1;
        m_dcb.fDtrControl = DTR_CONTROL_ENABLE;
        m_dcb.fRtsControl = RTS_CONTROL_ENABLE;
        m_dcb.fTXContinueOnXoff = 1;
        m_dcb.XonLim = 2048;
        m_dcb.XoffLim = 512;
        m_dcb.ByteSize = 8;
        m_dcb.Parity = NOPARITY;
        m_dcb.StopBits = ONESTOPBIT;
        m_dcb.XonChar = 0x11;
        m_dcb.XoffChar = 0x13;
    }

    ~CommPort() override { Shutdown(); }

    // Connects the device and gives the line its opening state. Returns 0 or a Win32 error.
    DWORD Start()
    {
        m_device->Attach(this);
        DCB dcb = m_dcb;
        return ApplyState(dcb);
    }

    // ---- KernelObject ----

    BOOL OnCloseHandle() override
    {
        Shutdown();
        return TRUE;
    }

    BOOL Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* ov) override
    {
        if (read)
            *read = 0;
        if (!buffer && toRead)
            return Fail(ERROR_INVALID_PARAMETER);
        return RunIo(ov, read, ReadReady(toRead),
                     [this, buffer, toRead](DWORD& count, const Gens& gens)
                     { return DoRead(static_cast<char*>(buffer), toRead, count, gens); });
    }

    BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* ov) override
    {
        if (written)
            *written = 0;
        if (!buffer && toWrite)
            return Fail(ERROR_INVALID_PARAMETER);
        return RunIo(ov, written, WriteReady(toWrite),
                     [this, buffer, toWrite](DWORD& count, const Gens& gens)
                     { return DoWrite(static_cast<const char*>(buffer), toWrite, count, gens); });
    }

    BOOL GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, BOOL wait) override
    {
        if (ov)
        {
            // A worker completes its record, event included, under the port's lock: a status seen
            // under it is final and nothing of the operation runs any more, so the caller may
            // reuse the record and its event at once.
            std::unique_lock lock(m_mutex);
            if (wait)
                WaitUntil(lock, kNever, [ov] { return Status(ov) != STATUS_PENDING; });
        }
        return KernelObject::GetOverlappedResult(ov, transferred, wait);
    }

    BOOL CancelIo() override
    {
        std::lock_guard lock(m_mutex);
        ++m_cancelGens[GetCurrentThreadId()];
        Notify();
        return TRUE;
    }

    // ---- CommLink (called by the device) ----

    size_t RxRoom() override
    {
        std::lock_guard lock(m_mutex);
        return m_rx.size() < m_rxSize ? m_rxSize - m_rx.size() : 0;
    }

    void Received(const char* data, size_t n) override
    {
        std::lock_guard lock(m_mutex);
        size_t room = m_rx.size() < m_rxSize ? m_rxSize - m_rx.size() : 0;
        size_t take = std::min(room, n);
        m_rx.insert(m_rx.end(), data, data + take);
        if (take < n)
            m_errors |= CE_RXOVER;
        DWORD events = take ? EV_RXCHAR : 0;
        if (take && std::find(data, data + take, m_dcb.EvtChar) != data + take)
            events |= EV_RXFLAG;
        m_history |= events & m_mask;
        Notify();
    }

    size_t TakeTx(char* buffer, size_t max) override
    {
        std::lock_guard lock(m_mutex);
        size_t n = std::min(max, m_tx.size());
        std::copy_n(m_tx.begin(), n, buffer);
        m_tx.erase(m_tx.begin(), m_tx.begin() + static_cast<std::ptrdiff_t>(n));
        if (n)
        {
            ++m_txProgress;
            Notify();
        }
        return n;
    }

    size_t TxQueued() override
    {
        std::lock_guard lock(m_mutex);
        return m_tx.size();
    }

    void LineEvent(DWORD events, DWORD errors) override
    {
        std::lock_guard lock(m_mutex);
        m_errors |= errors;
        if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY))
            events |= EV_ERR;
        if (errors & CE_BREAK)
            events |= EV_BREAK;
        m_history |= events & m_mask;
        ++m_txProgress; // also wakes writers waiting for room while the driver drains
        Notify();
    }

    // ---- Communications calls ----

    BOOL GetState(DCB* dcb)
    {
        std::lock_guard lock(m_mutex);
        *dcb = m_dcb;
        return TRUE;
    }

    BOOL SetState(const DCB& requested)
    {
        DCB dcb = requested;
        bool valid = dcb.BaudRate > 0 && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 &&
                     dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS &&
                     dcb.fDtrControl <= DTR_CONTROL_HANDSHAKE &&
                     !(dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) &&
                     !(dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) && dcb.XonChar != dcb.XoffChar;
        if (!valid)
            return Fail(ERROR_INVALID_PARAMETER);
        DWORD error = ApplyState(dcb);
        return error ? Fail(error) : TRUE;
    }

    BOOL GetProperties(COMMPROP* prop)
    {
        std::lock_guard lock(m_mutex);
        std::memset(prop, 0, sizeof *prop);
        prop->wPacketLength = sizeof(COMMPROP);
        prop->wPacketVersion = 2;
        prop->dwServiceMask = SP_SERIALCOMM;
        prop->dwMaxTxQueue = 0; // no limit of its own
        prop->dwMaxRxQueue = 0;
        prop->dwMaxBaud = BAUD_USER;
        prop->dwProvSubType = PST_RS232;
        prop->dwProvCapabilities = PCF_DTRDSR | PCF_RTSCTS | PCF_RLSD | PCF_PARITY_CHECK | PCF_XONXOFF |
                                   PCF_SETXCHAR | PCF_TOTALTIMEOUTS | PCF_INTTIMEOUTS;
        prop->dwSettableParams =
            SP_PARITY | SP_BAUD | SP_DATABITS | SP_STOPBITS | SP_HANDSHAKING | SP_PARITY_CHECK | SP_RLSD;
        prop->dwSettableBaud = BAUD_075 | BAUD_110 | BAUD_134_5 | BAUD_150 | BAUD_300 | BAUD_600 | BAUD_1200 |
                               BAUD_1800 | BAUD_2400 | BAUD_4800 | BAUD_7200 | BAUD_9600 | BAUD_14400 |
                               BAUD_19200 | BAUD_38400 | BAUD_56K | BAUD_57600 | BAUD_115200 | BAUD_128K |
                               BAUD_USER;
        prop->wSettableData = DATABITS_5 | DATABITS_6 | DATABITS_7 | DATABITS_8;
        prop->wSettableStopParity = STOPBITS_10 | STOPBITS_15 | STOPBITS_20 | PARITY_NONE | PARITY_ODD |
                                    PARITY_EVEN | PARITY_MARK | PARITY_SPACE;
        prop->dwCurrentTxQueue = static_cast<DWORD>(m_txSize);
        prop->dwCurrentRxQueue = static_cast<DWORD>(m_rxSize);
        return TRUE;
    }

    BOOL GetTimeouts(COMMTIMEOUTS* timeouts)
    {
        std::lock_guard lock(m_mutex);
        *timeouts = m_timeouts;
        return TRUE;
    }

    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts)
    {
        if (timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
            timeouts.ReadTotalTimeoutConstant == MAXDWORD)
            return Fail(ERROR_INVALID_PARAMETER);
        std::lock_guard lock(m_mutex);
        m_timeouts = timeouts;
        return TRUE;
    }

    BOOL Setup(DWORD inQueue, DWORD outQueue)
    {
        std::lock_guard lock(m_mutex);
        if (inQueue)
            m_rxSize = inQueue;
        if (outQueue)
            m_txSize = outQueue;
        Notify();
        return TRUE;
    }

    BOOL Purge(DWORD flags)
    {
        if (flags & ~DWORD(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
            return Fail(ERROR_INVALID_PARAMETER);
        {
            std::lock_guard lock(m_mutex);
            if (flags & PURGE_TXABORT)
                ++m_txAbortGen;
            if (flags & PURGE_RXABORT)
                ++m_rxAbortGen;
            if (flags & PURGE_TXCLEAR)
                m_tx.clear();
            if (flags & PURGE_RXCLEAR)
                m_rx.clear();
            Notify();
        }
        m_device->Purge(flags & PURGE_TXCLEAR, flags & PURGE_RXCLEAR);
        return TRUE;
    }

    BOOL ClearError(DWORD* errors, COMSTAT* stat)
    {
        m_device->Pump();
        size_t pending = m_device->OutPending();
        DWORD modem = m_device->ModemStatus();
        std::lock_guard lock(m_mutex);
        if (errors)
            *errors = m_errors;
        m_errors = 0;
        if (stat)
        {
            std::memset(stat, 0, sizeof *stat);
            stat->fCtsHold = m_dcb.fOutxCtsFlow && !(modem & MS_CTS_ON);
            stat->fDsrHold = m_dcb.fOutxDsrFlow && !(modem & MS_DSR_ON);
            stat->fXoffHold = m_xoffHold;
            stat->cbInQue = static_cast<DWORD>(m_rx.size());
            stat->cbOutQue = static_cast<DWORD>(m_tx.size() + pending);
        }
        return TRUE;
    }

    BOOL Escape(DWORD function)
    {
        DWORD error = 0;
        switch (function)
        {
        case SETDTR:
        case CLRDTR:
            error = m_device->SetDtr(function == SETDTR);
            break;
        case SETRTS:
        case CLRRTS:
            error = m_device->SetRts(function == SETRTS);
            break;
        case SETBREAK:
        case CLRBREAK:
            error = m_device->SetBreak(function == SETBREAK);
            break;
        case SETXOFF:
        case SETXON:
            error = m_device->SetXoffHold(function == SETXOFF);
            if (!error)
            {
                std::lock_guard lock(m_mutex);
                m_xoffHold = function == SETXOFF;
            }
            break;
        default:
            return Fail(ERROR_INVALID_PARAMETER);
        }
        return error ? Fail(error) : TRUE;
    }

    DWORD ModemStatus() { return m_device->ModemStatus(); }

    DWORD GetMask()
    {
        std::lock_guard lock(m_mutex);
        return m_mask;
    }

    BOOL SetMask(DWORD mask)
    {
        std::lock_guard lock(m_mutex);
        m_mask = mask;
        m_history = 0;
        ++m_maskGen; // a pending WaitCommEvent ends with 0
        Notify();
        return TRUE;
    }

    // One wait at a time per handle: a second one while the first is outstanding is refused.
    // A completed wait counts the event mask's size as the bytes it moved.
    BOOL WaitEvent(DWORD* events, OVERLAPPED* ov)
    {
        bool ready;
        {
            std::lock_guard lock(m_mutex);
            if (m_mask == 0 || m_waiting)
                return Fail(ERROR_INVALID_PARAMETER);
            ready = (m_history & m_mask) != 0;
            m_waiting = true;
        }
        return RunIo(ov, nullptr, ready,
                     [this, events](DWORD& count, const Gens& gens)
                     {
                         DWORD error = DoWaitEvent(events, gens);
                         count = error ? 0 : sizeof(DWORD);
                         return error;
                     });
    }

    BOOL TransmitChar(char c)
    {
        {
            std::lock_guard lock(m_mutex);
            m_tx.push_front(c);
        }
        m_device->Kick();
        return TRUE;
    }

private:
    // Programs the line; dcb comes back with what the device took (its baud rate, say).
    DWORD ApplyState(DCB& dcb)
    {
        if (DWORD error = m_device->Configure(dcb))
            return error;
        DWORD error = m_device->SetDtr(dcb.fDtrControl != DTR_CONTROL_DISABLE);
        if (!error)
            error = m_device->SetRts(dcb.fRtsControl == RTS_CONTROL_ENABLE ||
                                     dcb.fRtsControl == RTS_CONTROL_HANDSHAKE);
        dcb.DCBlength = sizeof(DCB);
        std::lock_guard lock(m_mutex);
        m_dcb = dcb;
        return error;
    }

    // Wakes every blocked call so it re-checks its condition. m_mutex held.
    void Notify()
    {
        for (HANDLE event : m_waiters)
            SetEvent(event);
    }

    // Blocks (lock released meanwhile) until ready() or the layer-clock deadline. Returns ready().
    template <class Ready> bool WaitUntil(std::unique_lock<std::mutex>& lock, uint64_t deadline, Ready ready)
    {
        if (ready())
            return true;
        HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        if (!event)
            return false;
        m_waiters.push_back(event);
        bool result;
        for (;;)
        {
            if ((result = ready()))
                break;
            uint64_t now = ClockNowMs();
            if (deadline != kNever && now >= deadline)
                break;
            DWORD wait = deadline == kNever
                             ? INFINITE
                             : static_cast<DWORD>(std::min<uint64_t>(deadline - now, 0x7fffffff));
            lock.unlock();
            WaitForSingleObject(event, wait);
            lock.lock();
        }
        m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), event));
        CloseHandle(event);
        return result;
    }

    bool ReadReady(DWORD n)
    {
        m_device->Pump();
        std::lock_guard lock(m_mutex);
        const COMMTIMEOUTS& t = m_timeouts;
        bool immediate = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                         t.ReadTotalTimeoutConstant == 0;
        bool firstByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD;
        return m_closed || immediate || m_rx.size() >= n || (firstByte && !m_rx.empty());
    }

    bool WriteReady(DWORD n)
    {
        size_t pending = m_device->OutPending();
        std::lock_guard lock(m_mutex);
        return m_closed || m_tx.size() + pending + n <= m_txSize;
    }

    DWORD DoRead(char* buffer, DWORD n, DWORD& count, const Gens& gens)
    {
        count = 0;
        std::unique_lock lock(m_mutex);
        if (m_closed)
            return ERROR_OPERATION_ABORTED;
        const COMMTIMEOUTS t = m_timeouts;
        auto aborted = [&] { return Cancelled(gens) || m_rxAbortGen != gens.rxAbort; };
        auto take = [&]
        {
            size_t k = std::min<size_t>(n - count, m_rx.size());
            std::copy_n(m_rx.begin(), k, buffer + count);
            m_rx.erase(m_rx.begin(), m_rx.begin() + static_cast<std::ptrdiff_t>(k));
            count += static_cast<DWORD>(k);
            return k;
        };
        auto pump = [&]
        {
            lock.unlock();
            m_device->Pump();
            lock.lock();
        };

        uint64_t total = kNever;
        uint64_t interval = 0;
        if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
            t.ReadTotalTimeoutConstant == 0)
        {
            take(); // return at once with what is queued
            return 0;
        }
        if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD)
        {
            // Whatever is there, else wait up to the constant for the first byte.
            pump();
            if (take() || n == 0)
                return 0;
            if (!WaitUntil(lock, DeadlineAfter(t.ReadTotalTimeoutConstant),
                           [&] { return !m_rx.empty() || aborted(); }))
                return 0;
            if (aborted())
                return ERROR_OPERATION_ABORTED;
            take();
            return 0;
        }
        if (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant)
            total = DeadlineAfter(uint64_t(t.ReadTotalTimeoutMultiplier) * n + t.ReadTotalTimeoutConstant);
        if (t.ReadIntervalTimeout && t.ReadIntervalTimeout != MAXDWORD)
            interval = t.ReadIntervalTimeout;

        uint64_t lastByte = 0;
        for (;;)
        {
            pump();
            if (take())
                lastByte = ClockNowMs();
            if (count == n)
                return 0;
            uint64_t deadline = total;
            if (interval && count > 0)
                deadline = std::min(deadline, lastByte + interval);
            if (!WaitUntil(lock, deadline, [&] { return !m_rx.empty() || aborted(); }))
                return 0; // time-out: what came so far
            if (aborted())
                return ERROR_OPERATION_ABORTED;
        }
    }

    DWORD DoWrite(const char* data, DWORD n, DWORD& count, const Gens& gens)
    {
        count = 0;
        std::unique_lock lock(m_mutex);
        if (m_closed)
            return ERROR_OPERATION_ABORTED;
        const COMMTIMEOUTS t = m_timeouts;
        auto aborted = [&] { return Cancelled(gens) || m_txAbortGen != gens.txAbort; };
        // Zero time-outs mean none is used: the write waits until every byte is queued.
        uint64_t deadline = kNever;
        if (t.WriteTotalTimeoutMultiplier || t.WriteTotalTimeoutConstant)
            deadline =
                DeadlineAfter(uint64_t(t.WriteTotalTimeoutMultiplier) * n + t.WriteTotalTimeoutConstant);
        for (;;)
        {
            // Whatever moves the queue from here on (the device taking bytes, even at once in
            // Kick below, or the line draining) lets the write go on.
            const uint64_t seen = m_txProgress;
            lock.unlock();
            size_t pending = m_device->OutPending();
            lock.lock();
            size_t used = m_tx.size() + pending;
            size_t k = std::min<size_t>(used < m_txSize ? m_txSize - used : 0, n - count);
            m_tx.insert(m_tx.end(), data + count, data + count + k);
            count += static_cast<DWORD>(k);
            if (k)
            {
                lock.unlock();
                m_device->Kick();
                lock.lock();
            }
            if (count == n)
                return 0;
            if (!WaitUntil(lock, deadline, [&] { return m_txProgress != seen || aborted(); }))
                return 0;
            if (aborted())
                return ERROR_OPERATION_ABORTED;
        }
    }

    DWORD DoWaitEvent(DWORD* events, const Gens& gens)
    {
        std::unique_lock lock(m_mutex);
        WaitUntil(lock, kNever,
                  [&] { return (m_history & m_mask) || Cancelled(gens) || m_maskGen != gens.mask; });
        m_waiting = false;
        if (Cancelled(gens))
            return ERROR_OPERATION_ABORTED;
        DWORD bits = m_maskGen != gens.mask ? 0 : (m_history & m_mask);
        m_history &= ~bits;
        if (events)
            *events = bits;
        return 0;
    }

    // Runs an operation: synchronously without an OVERLAPPED or when it can finish at once,
    // else on a worker that completes the OVERLAPPED (ERROR_IO_PENDING meanwhile).
    template <class Op> BOOL RunIo(OVERLAPPED* ov, DWORD* count, bool ready, Op op)
    {
        // Cancels and mask changes from here on end the operation, even before a worker runs it.
        Gens gens;
        gens.thread = GetCurrentThreadId();
        {
            std::lock_guard lock(m_mutex);
            gens.cancel = CancelGen(gens.thread);
            gens.rxAbort = m_rxAbortGen;
            gens.txAbort = m_txAbortGen;
            gens.mask = m_maskGen;
        }
        if (!ov || ready || !m_overlapped)
        {
            DWORD done = 0;
            DWORD error = op(done, gens);
            if (count)
                *count = done;
            if (ov)
                Complete(ov, error, done);
            return error ? Fail(error) : TRUE;
        }
        std::atomic_ref(ov->Internal).store(STATUS_PENDING);
        ov->InternalHigh = 0;
        if (ov->hEvent)
            ResetEvent(ov->hEvent);
        std::lock_guard lock(m_mutex);
        if (m_closed)
        {
            Complete(ov, ERROR_OPERATION_ABORTED, 0);
            return Fail(ERROR_OPERATION_ABORTED);
        }
        // Reap workers that have finished.
        m_workers.remove_if(
            [](Worker& w)
            {
                if (!w.done)
                    return false;
                w.thread.join();
                return true;
            });
        Worker& worker = m_workers.emplace_back();
        worker.thread = std::thread(
            [this, ov, op, gens, &worker]() mutable
            {
                DWORD done = 0;
                DWORD error = op(done, gens);
                std::lock_guard lock(m_mutex);
                Complete(ov, error, done);
                Notify();
                worker.done = true;
            });
        return Fail(ERROR_IO_PENDING);
    }

    // Publishes the result: the count (and the caller's buffer) before the status, released so
    // that whoever reads the status with acquire also sees them.
    static void Complete(OVERLAPPED* ov, DWORD error, DWORD count)
    {
        ov->InternalHigh = count;
        std::atomic_ref(ov->Internal).store(error, std::memory_order_release);
        if (ov->hEvent)
            SetEvent(ov->hEvent);
    }

    // CancelIo calls of thread tid so far. m_mutex held.
    uint64_t CancelGen(DWORD tid) const
    {
        auto it = m_cancelGens.find(tid);
        return it == m_cancelGens.end() ? 0 : it->second;
    }

    // The operation started with gens was ended by CancelIo on its thread or by closing. m_mutex held.
    bool Cancelled(const Gens& gens) const { return m_closed || CancelGen(gens.thread) != gens.cancel; }

    void Shutdown()
    {
        std::list<Worker> workers;
        {
            std::lock_guard lock(m_mutex);
            if (m_closed)
                return;
            m_closed = true;
            Notify();
            workers.swap(m_workers);
        }
        for (Worker& w : workers)
            w.thread.join();
        m_device->SetDtr(false);
        m_device->SetRts(false);
        m_device->Detach();
    }

    struct Worker
    {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    const std::shared_ptr<CommDevice> m_device;
    const bool m_overlapped;
    std::mutex m_mutex; // everything below
    DCB m_dcb;
    COMMTIMEOUTS m_timeouts{};
    std::deque<char> m_rx, m_tx;
    size_t m_rxSize = kDefaultQueue, m_txSize = kDefaultQueue;
    DWORD m_mask = 0, m_history = 0, m_errors = 0;
    bool m_xoffHold = false;
    bool m_closed = false;
    bool m_waiting = false; // a WaitCommEvent is outstanding
    uint64_t m_maskGen = 0, m_rxAbortGen = 0, m_txAbortGen = 0;
    uint64_t m_txProgress = 0;              // bytes taken from the transmit queue or the line drained
    std::map<DWORD, uint64_t> m_cancelGens; // CancelIo calls by thread
    std::vector<HANDLE> m_waiters;
    std::list<Worker> m_workers;
};

HANDLE OpenComPort(const std::string& name, DWORD flags)
{
    auto fail = [](DWORD error, std::string detail)
    {
        SetCommErrorDetail(std::move(detail));
        ::SetLastError(error);
        return INVALID_HANDLE_VALUE;
    };
    int n = ParseComName(name);
    if (n <= 0)
        return fail(ERROR_FILE_NOT_FOUND, "\\\\.\\" + name + ": no such device");
    std::string comName = "COM" + std::to_string(n);
    std::shared_ptr<CommDevice> device;
    DWORD error = 0;
    if (VirtualComOpener opener = FindVirtualComPort(n))
    {
        device = opener(error);
        if (!device)
            return fail(error ? error : ERROR_GEN_FAILURE,
                        comName + " (virtual port): in use by another program");
    }
    else
    {
        std::string path = ComDevicePath(n);
        if (path.empty())
            return fail(ERROR_FILE_NOT_FOUND, comName + ": no serial device has this number");
        std::string cause;
        device = OpenTtyDevice(path, error, cause);
        if (!device)
            return fail(error, comName + " (" + path + "): " + cause);
    }
    auto port = std::make_shared<CommPort>(device, (flags & FILE_FLAG_OVERLAPPED) != 0);
    if (DWORD startError = port->Start())
    {
        port->OnCloseHandle();
        return fail(startError, comName + " (" + device->Name() + "): the line cannot be set up");
    }
    SetCommErrorDetail({});
    return AddHandle(port);
}

const bool g_openerRegistered = []
{
    SetDeviceOpener([](const std::string& name, DWORD, DWORD, DWORD, DWORD flags)
                    { return OpenComPort(name, flags); });
    return true;
}();

std::shared_ptr<CommPort> Port(HANDLE h)
{
    return LookupHandleAs<CommPort>(h);
}

} // namespace
} // namespace kel

using kel::Fail;
using kel::Port;

BOOL GetCommState(HANDLE hFile, LPDCB lpDCB)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    return lpDCB ? port->GetState(lpDCB) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetCommState(HANDLE hFile, LPDCB lpDCB)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    return lpDCB ? port->SetState(*lpDCB) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL GetCommProperties(HANDLE hFile, LPCOMMPROP lpCommProp)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    return lpCommProp ? port->GetProperties(lpCommProp) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    return lpCommTimeouts ? port->GetTimeouts(lpCommTimeouts) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    return lpCommTimeouts ? port->SetTimeouts(*lpCommTimeouts) : Fail(ERROR_INVALID_PARAMETER);
}

BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue)
{
    auto port = Port(hFile);
    return port ? port->Setup(dwInQueue, dwOutQueue) : FALSE;
}

BOOL PurgeComm(HANDLE hFile, DWORD dwFlags)
{
    auto port = Port(hFile);
    return port ? port->Purge(dwFlags) : FALSE;
}

BOOL ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat)
{
    auto port = Port(hFile);
    return port ? port->ClearError(lpErrors, lpStat) : FALSE;
}

BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc)
{
    auto port = Port(hFile);
    return port ? port->Escape(dwFunc) : FALSE;
}

BOOL GetCommModemStatus(HANDLE hFile, LPDWORD lpModemStat)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    if (!lpModemStat)
        return Fail(ERROR_INVALID_PARAMETER);
    *lpModemStat = port->ModemStatus();
    return TRUE;
}

BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask)
{
    auto port = Port(hFile);
    if (!port)
        return FALSE;
    if (!lpEvtMask)
        return Fail(ERROR_INVALID_PARAMETER);
    *lpEvtMask = port->GetMask();
    return TRUE;
}

BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask)
{
    auto port = Port(hFile);
    return port ? port->SetMask(dwEvtMask) : FALSE;
}

BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped)
{
    auto port = Port(hFile);
    return port ? port->WaitEvent(lpEvtMask, lpOverlapped) : FALSE;
}

BOOL TransmitCommChar(HANDLE hFile, char cChar)
{
    auto port = Port(hFile);
    return port ? port->TransmitChar(cChar) : FALSE;
}

BOOL SetCommBreak(HANDLE hFile)
{
    return EscapeCommFunction(hFile, SETBREAK);
}

BOOL ClearCommBreak(HANDLE hFile)
{
    return EscapeCommFunction(hFile, CLRBREAK);
}

BOOL BuildCommDCBA(LPCSTR lpDef, LPDCB lpDCB)
{
    if (!lpDef || !lpDCB)
        return Fail(ERROR_INVALID_PARAMETER);
    std::string text = lpDef;
    // An optional "COMn:" in front names the port; it plays no part in the settings.
    if (size_t colon = text.find(':');
        colon != std::string::npos && kel::ParseComName(text.substr(0, colon)) > 0)
        text.erase(0, colon + 1);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    DCB dcb = *lpDCB;
    // Flow control is off unless the text asks for it: DTR and RTS simply on.
    dcb.fOutX = dcb.fInX = 0;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    bool stopGiven = false;

    auto baud = [&](const std::string& v)
    {
        if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
            return false;
        // The two-digit forms of the mode command: "96" is 9600, "19" 19200 and so on.
        static const std::map<std::string, DWORD> shortForms = {{"11", 110},  {"15", 150},  {"30", 300},
                                                                {"60", 600},  {"12", 1200}, {"24", 2400},
                                                                {"48", 4800}, {"96", 9600}, {"19", 19200}};
        auto it = shortForms.find(v);
        DWORD value = it != shortForms.end() ? it->second : static_cast<DWORD>(std::stoul(v));
        if (value == 0)
            return false;
        dcb.BaudRate = value;
        return true;
    };
    auto parity = [&](const std::string& v)
    {
        static const char letters[] = "noems";
        const char* at = v.size() == 1 ? std::strchr(letters, v[0]) : nullptr;
        if (!at || !*at)
            return false;
        dcb.Parity = static_cast<BYTE>(at - letters);
        return true;
    };
    auto data = [&](const std::string& v)
    {
        if (v.size() != 1 || v[0] < '5' || v[0] > '8')
            return false;
        dcb.ByteSize = static_cast<BYTE>(v[0] - '0');
        return true;
    };
    auto stop = [&](const std::string& v)
    {
        stopGiven = true;
        if (v == "1")
            dcb.StopBits = ONESTOPBIT;
        else if (v == "1.5")
            dcb.StopBits = ONE5STOPBITS;
        else if (v == "2")
            dcb.StopBits = TWOSTOPBITS;
        else
            return false;
        return true;
    };
    // ",x": XON/XOFF both ways; ",p": hardware handshake on DTR/DSR and RTS/CTS.
    auto flow = [&](const std::string& v)
    {
        if (v == "x")
            dcb.fOutX = dcb.fInX = 1;
        else if (v == "p")
        {
            dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = 1;
            dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        }
        else
            return false;
        return true;
    };
    auto onOff = [](const std::string& v, DWORD& bit)
    {
        if (v != "on" && v != "off")
            return false;
        bit = v == "on";
        return true;
    };
    auto named = [&](const std::string& key, const std::string& v)
    {
        DWORD bit = 0;
        if (key == "baud")
            return baud(v);
        if (key == "parity")
            return parity(v);
        if (key == "data")
            return data(v);
        if (key == "stop")
            return stop(v);
        if (key == "xon")
            return onOff(v, bit) && ((dcb.fOutX = dcb.fInX = bit), true);
        if (key == "odsr")
            return onOff(v, bit) && ((dcb.fOutxDsrFlow = bit), true);
        if (key == "octs")
            return onOff(v, bit) && ((dcb.fOutxCtsFlow = bit), true);
        if (key == "idsr")
            return onOff(v, bit) && ((dcb.fDsrSensitivity = bit), true);
        if (key == "to")
            return onOff(v, bit);
        if (key == "dtr")
        {
            if (v == "hs")
                dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
            else if (onOff(v, bit))
                dcb.fDtrControl = bit ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
            else
                return false;
            return true;
        }
        if (key == "rts")
        {
            if (v == "hs")
                dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
            else if (v == "tg")
                dcb.fRtsControl = RTS_CONTROL_TOGGLE;
            else if (onOff(v, bit))
                dcb.fRtsControl = bit ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
            else
                return false;
            return true;
        }
        return false;
    };

    const bool isNamed = text.find('=') != std::string::npos;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find_first_of(isNamed ? " \t" : ",", start);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(start, end - start);
        part.erase(0, part.find_first_not_of(" \t"));
        part.erase(part.find_last_not_of(" \t") + 1);
        if (!part.empty() || !isNamed)
            parts.push_back(part);
        start = end + 1;
    }
    if (parts.empty() || (!isNamed && parts[0].empty()) || (!isNamed && parts.size() > 5))
        return Fail(ERROR_INVALID_PARAMETER);
    for (size_t i = 0; i < parts.size(); ++i)
    {
        const std::string& v = parts[i];
        bool ok;
        if (isNamed)
        {
            size_t eq = v.find('=');
            ok = eq != std::string::npos && named(v.substr(0, eq), v.substr(eq + 1));
        }
        else if (v.empty() && i > 0)
            ok = true; // an empty field keeps its setting
        else
        {
            using Field = std::function<bool(const std::string&)>;
            const Field fields[] = {baud, parity, data, stop, flow};
            ok = fields[i](v);
        }
        if (!ok)
            return Fail(ERROR_INVALID_PARAMETER);
    }
    // The mode command's rule: 110 baud sends two stop bits unless told otherwise.
    if (dcb.BaudRate == 110 && !stopGiven)
        dcb.StopBits = TWOSTOPBITS;
    *lpDCB = dcb;
    return TRUE;
}
