// Serial lines on Linux ttys. termios2 is used so that any baud rate can be programmed (28800 is
// no standard termios rate); its header clashes with <termios.h>, so it lives in this file only.
#include "comm_internal.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace kel
{
namespace
{

// Modem lines, error counters and the draining transmitter are sampled at this period (ms of
// real time: it follows the hardware, not the layer clock). A line with none of them to watch
// (a pseudo-terminal at rest) sleeps in poll until bytes or a wake-up come; a full receive queue
// is looked at again each period too.
constexpr int kLinePollMs = 20;

bool NotSupported(int err)
{
    return err == ENOTTY || err == EINVAL || err == ENOSYS;
}

class TtyDevice final : public CommDevice
{
public:
    TtyDevice(int fd, int wake, std::string path) : m_fd(fd), m_wake(wake), m_path(std::move(path))
    {
        int bits = 0;
        m_modemOk = ioctl(m_fd, TIOCMGET, &bits) == 0;
        m_lastModem = bits;
        m_icountOk = ioctl(m_fd, TIOCGICOUNT, &m_lastCount) == 0;
    }

    ~TtyDevice() override
    {
        Detach();
        close(m_wake);
        close(m_fd); // also releases the flock
    }

    std::string Name() const override { return m_path; }

    void Attach(CommLink* link) override
    {
        m_link = link;
        m_stop = false;
        m_thread = std::thread([this] { Monitor(); });
    }

    void Detach() override
    {
        if (!m_thread.joinable())
            return;
        m_stop = true;
        Wake();
        m_thread.join();
        std::lock_guard lock(m_io);
        m_link = nullptr;
    }

    DWORD Configure(DCB& dcb) override
    {
        termios2 t{};
        if (ioctl(m_fd, TCGETS2, &t) != 0)
            return ERROR_GEN_FAILURE;
        // Raw bytes both ways: no echo, no line editing, no translation, no signals.
        t.c_iflag &=
            ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
        t.c_oflag &= ~OPOST;
        t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
        t.c_cflag |= CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
        t.c_ispeed = t.c_ospeed = dcb.BaudRate;
        static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= sizes[dcb.ByteSize - 5];
        switch (dcb.Parity)
        {
        case ODDPARITY:
            t.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            t.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case SPACEPARITY:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
        if (dcb.Parity != NOPARITY && dcb.fParity)
            t.c_iflag |= INPCK;
        // 1.5 stop bits: with 5 data bits the UART sends 1.5 when asked for 2.
        if (dcb.StopBits != ONESTOPBIT)
            t.c_cflag |= CSTOPB;
        if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
            t.c_cflag |= CRTSCTS;
        if (dcb.fOutX)
            t.c_iflag |= IXON;
        if (dcb.fInX)
            t.c_iflag |= IXOFF;
        t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        if (ioctl(m_fd, TCSETS2, &t) != 0)
            return errno == EINVAL ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE;
        // The driver may have taken less than asked: the rate its divisor makes, no mark or
        // space parity, fewer data bits. Report what the line really does.
        termios2 took{};
        if (ioctl(m_fd, TCGETS2, &took) == 0)
            TakeBack(took, dcb);
        return 0;
    }

    DWORD SetDtr(bool on) override { return SetLine(TIOCM_DTR, on); }
    DWORD SetRts(bool on) override { return SetLine(TIOCM_RTS, on); }

    DWORD SetBreak(bool on) override
    {
        if (ioctl(m_fd, on ? TIOCSBRK : TIOCCBRK) != 0 && !NotSupported(errno))
            return ERROR_GEN_FAILURE;
        return 0;
    }

    DWORD SetXoffHold(bool hold) override
    {
        if (ioctl(m_fd, TCXONC, hold ? TCOOFF : TCOON) != 0 && !NotSupported(errno))
            return ERROR_GEN_FAILURE;
        return 0;
    }

    DWORD ModemStatus() override
    {
        int bits = 0;
        if (!m_modemOk || ioctl(m_fd, TIOCMGET, &bits) != 0)
            return MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON; // no modem lines: report them on
        return ToModemStatus(bits);
    }

    void Kick() override
    {
        Flush();
        Wake();
    }

    void Pump() override
    {
        std::lock_guard lock(m_io);
        if (!m_link)
            return;
        char buffer[4096];
        for (;;)
        {
            size_t room = m_link->RxRoom();
            if (room == 0)
                return;
            ssize_t n = read(m_fd, buffer, std::min(room, sizeof buffer));
            if (n <= 0)
                return;
            m_link->Received(buffer, static_cast<size_t>(n));
        }
    }

    size_t OutPending() override
    {
        std::lock_guard lock(m_io);
        int queued = 0;
        if (ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued < 0)
            queued = 0;
        return m_pending.size() + static_cast<size_t>(queued);
    }

    void Purge(bool tx, bool rx) override
    {
        std::lock_guard lock(m_io);
        if (tx)
            m_pending.clear();
        if (tx || rx)
            ioctl(m_fd, TCFLSH, tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH));
    }

private:
    static void TakeBack(const termios2& t, DCB& dcb)
    {
        if (t.c_ospeed > 0)
            dcb.BaudRate = t.c_ospeed;
        switch (t.c_cflag & CSIZE)
        {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
        }
        if (!(t.c_cflag & PARENB))
            dcb.Parity = NOPARITY;
        else if (t.c_cflag & CMSPAR)
            dcb.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
        else
            dcb.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
        if (!(t.c_cflag & CSTOPB))
            dcb.StopBits = ONESTOPBIT;
        else if (dcb.StopBits == ONESTOPBIT)
            dcb.StopBits = TWOSTOPBITS;
        if (!(t.c_cflag & CRTSCTS))
        {
            dcb.fOutxCtsFlow = 0;
            if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
                dcb.fRtsControl = RTS_CONTROL_ENABLE;
        }
    }

    static DWORD ToModemStatus(int bits)
    {
        DWORD ms = 0;
        if (bits & TIOCM_CTS)
            ms |= MS_CTS_ON;
        if (bits & TIOCM_DSR)
            ms |= MS_DSR_ON;
        if (bits & TIOCM_RI)
            ms |= MS_RING_ON;
        if (bits & TIOCM_CD)
            ms |= MS_RLSD_ON;
        return ms;
    }

    DWORD SetLine(int line, bool on)
    {
        if (ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && !NotSupported(errno))
            return ERROR_GEN_FAILURE;
        return 0;
    }

    void Wake()
    {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(m_wake, &one, sizeof one);
    }

    // Moves queued bytes into the driver as far as it takes them.
    void Flush()
    {
        std::lock_guard lock(m_io);
        if (!m_link)
            return;
        for (;;)
        {
            if (m_pending.empty())
            {
                char buffer[4096];
                size_t n = m_link->TakeTx(buffer, sizeof buffer);
                if (n == 0)
                    return;
                m_pending.assign(buffer, n);
            }
            ssize_t n = write(m_fd, m_pending.data(), m_pending.size());
            if (n <= 0)
                return;
            m_pending.erase(0, static_cast<size_t>(n));
            m_txActive = true;
        }
    }

    void Monitor()
    {
        bool hangup = false;
        int hangupTicks = 0;
        while (!m_stop)
        {
            bool wantIn = m_link->RxRoom() > 0;
            bool wantOut;
            {
                std::lock_guard lock(m_io);
                wantOut = !m_pending.empty() || m_link->TxQueued() > 0;
            }
            pollfd fds[2] = {{m_fd, static_cast<short>((wantIn ? POLLIN : 0) | (wantOut ? POLLOUT : 0)), 0},
                             {m_wake, POLLIN, 0}};
            // A hung-up line (pseudo-terminal without master, unplugged adapter) reports POLLHUP
            // at once on every poll; leave it out for a while instead of spinning.
            if (hangup)
                fds[0].fd = -1;
            const bool sample = m_modemOk || m_icountOk || m_txActive || hangup || !wantIn;
            poll(fds, 2, sample ? kLinePollMs : -1);
            if (fds[1].revents & POLLIN)
            {
                uint64_t count;
                [[maybe_unused]] ssize_t n = read(m_wake, &count, sizeof count);
            }
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            {
                hangup = true;
                hangupTicks = 0;
            }
            else if (hangup && ++hangupTicks >= 10)
                hangup = false;
            if (fds[0].revents & POLLIN)
                Pump();
            if (wantOut)
                Flush();
            SampleLines();
        }
    }

    void SampleLines()
    {
        DWORD events = 0, errors = 0;
        if (m_modemOk)
        {
            int bits = 0;
            if (ioctl(m_fd, TIOCMGET, &bits) == 0)
            {
                int changed = bits ^ m_lastModem;
                if (changed & TIOCM_CTS)
                    events |= EV_CTS;
                if (changed & TIOCM_DSR)
                    events |= EV_DSR;
                if (changed & TIOCM_CD)
                    events |= EV_RLSD;
                if ((changed & TIOCM_RI) && !(bits & TIOCM_RI))
                    events |= EV_RING; // trailing edge of the ring signal
                m_lastModem = bits;
            }
        }
        serial_icounter_struct count{};
        if (m_icountOk && ioctl(m_fd, TIOCGICOUNT, &count) == 0)
        {
            // The counters also catch pulses shorter than the sampling period.
            if (count.cts != m_lastCount.cts)
                events |= EV_CTS;
            if (count.dsr != m_lastCount.dsr)
                events |= EV_DSR;
            if (count.dcd != m_lastCount.dcd)
                events |= EV_RLSD;
            if (count.rng != m_lastCount.rng)
                events |= EV_RING;
            if (count.frame != m_lastCount.frame)
                errors |= CE_FRAME;
            if (count.overrun != m_lastCount.overrun)
                errors |= CE_OVERRUN;
            if (count.parity != m_lastCount.parity)
                errors |= CE_RXPARITY;
            if (count.brk != m_lastCount.brk)
                errors |= CE_BREAK;
            if (count.buf_overrun != m_lastCount.buf_overrun)
                errors |= CE_RXOVER;
            m_lastCount = count;
        }
        if (m_txActive && OutPending() == 0 && m_link->TxQueued() == 0)
        {
            m_txActive = false;
            events |= EV_TXEMPTY;
        }
        if (events || errors)
            m_link->LineEvent(events, errors);
    }

    const int m_fd;
    const int m_wake;
    const std::string m_path;
    std::mutex m_io; // reads, writes and m_pending
    std::string m_pending;
    CommLink* m_link = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_txActive{false};
    bool m_modemOk;
    bool m_icountOk;
    int m_lastModem;
    serial_icounter_struct m_lastCount{};
};

} // namespace

std::shared_ptr<CommDevice> OpenTtyDevice(const std::string& path, DWORD& error, std::string& cause)
{
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        int err = errno;
        switch (err)
        {
        case ENOENT:
        case ENODEV:
            error = ERROR_FILE_NOT_FOUND;
            cause = "no such device";
            break;
        case ENXIO:
            error = ERROR_FILE_NOT_FOUND;
            cause = "the device is not connected";
            break;
        case EACCES:
        case EPERM:
            error = ERROR_ACCESS_DENIED;
            cause = "permission denied - add the user to the dialout group";
            break;
        case EBUSY:
            error = ERROR_ACCESS_DENIED;
            cause = "in use by another program";
            break;
        default:
            error = ERROR_GEN_FAILURE;
            cause = std::strerror(err);
            break;
        }
        return nullptr;
    }
    // flock makes a second open fail in this process too; TIOCEXCL keeps out programs that do
    // not take the lock.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        close(fd);
        error = ERROR_ACCESS_DENIED;
        cause = "in use by another program";
        return nullptr;
    }
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
    {
        close(fd);
        error = ERROR_FILE_NOT_FOUND;
        cause = "not a serial line";
        return nullptr;
    }
    ioctl(fd, TIOCEXCL);
    int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0)
    {
        close(fd);
        error = ERROR_TOO_MANY_OPEN_FILES;
        cause = std::strerror(errno);
        return nullptr;
    }
    return std::make_shared<TtyDevice>(fd, wake, path);
}

} // namespace kel
