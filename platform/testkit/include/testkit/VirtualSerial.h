// An in-process null-modem pair for serial tests. The port end registers as COMn and is opened
// with CreateFile("\\.\COMn") like any port; the far end is driven by the test. Wiring as in a
// null-modem cable: each side's DTR drives the other side's DSR and DCD, each side's RTS the other
// side's CTS. All calls are thread-safe; waits follow the layer clock.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace kel::testkit
{

class VirtualNullModem
{
public:
    // What the port side last applied with SetCommState.
    struct LineSettings
    {
        DWORD baud = 0;
        BYTE dataBits = 0;
        BYTE parity = NOPARITY;     // NOPARITY .. SPACEPARITY
        BYTE stopBits = ONESTOPBIT; // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
        bool ctsFlow = false;       // fOutxCtsFlow
        bool dsrFlow = false;       // fOutxDsrFlow
        bool xonXoff = false;       // fOutX or fInX
        BYTE dtrControl = 0;
        BYTE rtsControl = 0;
    };

    // The far end starts with DTR and RTS raised (a powered device on the cable).
    VirtualNullModem();
    // Unregisters the COM number; a port still open keeps working with a silent far end.
    ~VirtualNullModem();
    VirtualNullModem(const VirtualNullModem&) = delete;
    VirtualNullModem& operator=(const VirtualNullModem&) = delete;

    // Makes the port end COMn (n >= 1), ahead of every real device of that number.
    void RegisterAs(int n);

    // ---- The far end ----
    // Sends bytes to the port; what does not fit its receive queue is lost (CE_RXOVER).
    void Write(const std::string& bytes);
    // Up to n bytes the port sent, waiting up to timeoutMs (layer clock) for all n to come.
    std::string Read(size_t n, DWORD timeoutMs);
    // Everything the port has sent so far, without waiting.
    std::string ReadAvailable();
    // Free room in the port's receive queue in bytes (0 while the port is closed), so a far end
    // can hold its output the way hardware flow control would.
    size_t PortRxRoom() const;
    void SetDtr(bool on);
    void SetRts(bool on);
    // The fastest rate the port's line can make (0: any); a faster one asked for is taken as this,
    // as a UART whose clock cannot go higher does.
    void SetMaxBaud(DWORD baud);
    // Line errors seen by the port (CE_FRAME, CE_OVERRUN, CE_RXPARITY, CE_RXOVER, CE_BREAK):
    // reported by ClearCommError and as EV_ERR / EV_BREAK.
    void InjectError(DWORD errors);
    // A break condition arriving at the port (CE_BREAK and EV_BREAK).
    void SendBreak();
    // One ring signal (EV_RING).
    void Ring();

    // ---- What the port side did ----
    bool IsOpen() const;
    bool PortDtr() const;
    bool PortRts() const;
    bool PortBreak() const;
    LineSettings Settings() const;
    // The settings as text, for example "28800 8N1 RTS/CTS", "9600 7E2", "1200 5N1.5 XON/XOFF".
    std::string SettingsText() const;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    int m_registered = 0;
};

} // namespace kel::testkit
