#include "testkit/VirtualSerial.h"

#include "win32/clock.h"
#include "win32/commdevice.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace kel::testkit
{

// The cable: both ends' lines and the bytes on their way to the far end. The lock is taken
// before the port's own lock whenever both are needed (the port never calls in holding its own).
struct VirtualNullModem::Shared
{
    Shared() : farEvent(CreateEvent(nullptr, FALSE, FALSE, nullptr)) {}
    ~Shared() { CloseHandle(farEvent); }

    mutable std::mutex mutex;
    CommLink* link = nullptr;
    bool open = false;
    DCB dcb{};
    bool portDtr = false, portRts = false, portBreak = false, xoffHold = false;
    bool farDtr = true, farRts = true;
    DWORD maxBaud = 0; // 0: any rate
    std::string toFar;
    HANDLE farEvent;

    // Moves the port's transmit queue to the far end unless flow control holds it.
    void Transmit()
    {
        if (!link || xoffHold || (dcb.fOutxCtsFlow && !farRts) || (dcb.fOutxDsrFlow && !farDtr))
            return;
        char buffer[1024];
        size_t moved = 0;
        while (size_t n = link->TakeTx(buffer, sizeof buffer))
        {
            toFar.append(buffer, n);
            moved += n;
        }
        if (moved)
        {
            SetEvent(farEvent);
            link->LineEvent(EV_TXEMPTY, 0);
        }
    }

    void Line(DWORD events, DWORD errors)
    {
        if (link)
            link->LineEvent(events, errors);
    }
};

namespace
{

class PortEnd final : public CommDevice
{
public:
    explicit PortEnd(std::shared_ptr<VirtualNullModem::Shared> shared) : m_s(std::move(shared)) {}

    std::string Name() const override { return "virtual null modem"; }

    void Attach(CommLink* link) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->link = link;
    }

    void Detach() override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->link = nullptr;
        m_s->open = false;
    }

    DWORD Configure(DCB& dcb) override
    {
        std::lock_guard lock(m_s->mutex);
        if (m_s->maxBaud && dcb.BaudRate > m_s->maxBaud)
            dcb.BaudRate = m_s->maxBaud;
        m_s->dcb = dcb;
        m_s->Transmit();
        return 0;
    }

    DWORD SetDtr(bool on) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->portDtr = on;
        return 0;
    }

    DWORD SetRts(bool on) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->portRts = on;
        return 0;
    }

    DWORD SetBreak(bool on) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->portBreak = on;
        return 0;
    }

    DWORD SetXoffHold(bool hold) override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->xoffHold = hold;
        m_s->Transmit();
        return 0;
    }

    DWORD ModemStatus() override
    {
        std::lock_guard lock(m_s->mutex);
        return (m_s->farRts ? MS_CTS_ON : 0) | (m_s->farDtr ? MS_DSR_ON | MS_RLSD_ON : 0);
    }

    void Kick() override
    {
        std::lock_guard lock(m_s->mutex);
        m_s->Transmit();
    }

    void Pump() override {}
    size_t OutPending() override { return 0; }
    void Purge(bool, bool) override {}

private:
    std::shared_ptr<VirtualNullModem::Shared> m_s;
};

} // namespace

VirtualNullModem::VirtualNullModem() : m_shared(std::make_shared<Shared>()) {}

VirtualNullModem::~VirtualNullModem()
{
    if (m_registered)
        UnregisterVirtualComPort(m_registered);
}

void VirtualNullModem::RegisterAs(int n)
{
    if (m_registered)
        UnregisterVirtualComPort(m_registered);
    m_registered = n;
    std::weak_ptr<Shared> weak = m_shared;
    RegisterVirtualComPort(n, "virtual null modem",
                           [weak](DWORD& error) -> std::shared_ptr<CommDevice>
                           {
                               auto shared = weak.lock();
                               if (!shared)
                               {
                                   error = ERROR_FILE_NOT_FOUND;
                                   return nullptr;
                               }
                               std::lock_guard lock(shared->mutex);
                               if (shared->open)
                               {
                                   error = ERROR_ACCESS_DENIED;
                                   return nullptr;
                               }
                               shared->open = true;
                               return std::make_shared<PortEnd>(shared);
                           });
}

void VirtualNullModem::Write(const std::string& bytes)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->link && !bytes.empty())
        m_shared->link->Received(bytes.data(), bytes.size());
}

std::string VirtualNullModem::Read(size_t n, DWORD timeoutMs)
{
    const uint64_t deadline = ClockNowMs() + timeoutMs;
    std::unique_lock lock(m_shared->mutex);
    for (;;)
    {
        uint64_t now = ClockNowMs();
        if (m_shared->toFar.size() >= n || now >= deadline)
            break;
        lock.unlock();
        WaitForSingleObject(m_shared->farEvent, static_cast<DWORD>(deadline - now));
        lock.lock();
    }
    std::string out = m_shared->toFar.substr(0, n);
    m_shared->toFar.erase(0, out.size());
    return out;
}

std::string VirtualNullModem::ReadAvailable()
{
    std::lock_guard lock(m_shared->mutex);
    std::string out;
    out.swap(m_shared->toFar);
    return out;
}

size_t VirtualNullModem::PortRxRoom() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->link ? m_shared->link->RxRoom() : 0;
}

void VirtualNullModem::SetMaxBaud(DWORD baud)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->maxBaud = baud;
}

void VirtualNullModem::SetDtr(bool on)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->farDtr == on)
        return;
    m_shared->farDtr = on;
    m_shared->Line(EV_DSR | EV_RLSD, 0);
    m_shared->Transmit();
}

void VirtualNullModem::SetRts(bool on)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->farRts == on)
        return;
    m_shared->farRts = on;
    m_shared->Line(EV_CTS, 0);
    m_shared->Transmit();
}

void VirtualNullModem::InjectError(DWORD errors)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->Line(0, errors);
}

void VirtualNullModem::SendBreak()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->Line(0, CE_BREAK);
}

void VirtualNullModem::Ring()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->Line(EV_RING, 0);
}

bool VirtualNullModem::IsOpen() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->open;
}

bool VirtualNullModem::PortDtr() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->portDtr;
}

bool VirtualNullModem::PortRts() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->portRts;
}

bool VirtualNullModem::PortBreak() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->portBreak;
}

VirtualNullModem::LineSettings VirtualNullModem::Settings() const
{
    std::lock_guard lock(m_shared->mutex);
    const DCB& d = m_shared->dcb;
    LineSettings s;
    s.baud = d.BaudRate;
    s.dataBits = d.ByteSize;
    s.parity = d.Parity;
    s.stopBits = d.StopBits;
    s.ctsFlow = d.fOutxCtsFlow;
    s.dsrFlow = d.fOutxDsrFlow;
    s.xonXoff = d.fOutX || d.fInX;
    s.dtrControl = static_cast<BYTE>(d.fDtrControl);
    s.rtsControl = static_cast<BYTE>(d.fRtsControl);
    return s;
}

std::string VirtualNullModem::SettingsText() const
{
    LineSettings s = Settings();
    static const char parities[] = "NOEMS";
    static const char* const stops[] = {"1", "1.5", "2"};
    char text[64];
    std::snprintf(text, sizeof text, "%u %u%c%s", static_cast<unsigned>(s.baud),
                  static_cast<unsigned>(s.dataBits), s.parity < 5 ? parities[s.parity] : '?',
                  s.stopBits < 3 ? stops[s.stopBits] : "?");
    std::string out = text;
    if (s.ctsFlow)
        out += " RTS/CTS";
    if (s.dsrFlow)
        out += " DTR/DSR";
    if (s.xonXoff)
        out += " XON/XOFF";
    return out;
}

} // namespace kel::testkit
