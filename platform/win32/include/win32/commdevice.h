// What sits below a COM port handle: a line device. The port above it (comm.cpp) owns the
// Win32 side - receive and transmit queues, event mask and history, time-outs, overlapped
// completion; a device owns the line - settings, modem lines, break, moving bytes. The tty
// layer and the test kit's virtual null modem are the two devices.
#pragma once

#include "win32/comm.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace kel
{

// The port as a device sees it. Every call is thread-safe and may come from any thread, but
// never while the device holds a lock that its own calls from the port take.
class CommLink
{
public:
    virtual ~CommLink() = default;
    // Free room in the receive queue in bytes.
    virtual size_t RxRoom() = 0;
    // Appends received bytes; what does not fit is dropped and reported as CE_RXOVER.
    virtual void Received(const char* data, size_t n) = 0;
    // Removes up to max bytes from the head of the transmit queue; returns how many.
    virtual size_t TakeTx(char* buffer, size_t max) = 0;
    // Bytes waiting in the transmit queue.
    virtual size_t TxQueued() = 0;
    // Reports EV_ events (line changes, break, TX empty) and CE_ error bits.
    virtual void LineEvent(DWORD events, DWORD errors) = 0;
};

class CommDevice
{
public:
    virtual ~CommDevice() = default;
    // The device path or name, for texts.
    virtual std::string Name() const = 0;
    // Connects the device to its port; from now on it delivers bytes and events to link.
    virtual void Attach(CommLink* link) = 0;
    // Disconnects: no call into the link happens after this returns.
    virtual void Detach() = 0;
    // Programs baud, data bits, parity, stop bits and flow control. The DCB was checked by the
    // port; on success the device writes back what it took where that differs from what was
    // asked (a UART that cannot make the baud rate exactly, a line without mark parity). Returns
    // 0 or a Win32 error code.
    virtual DWORD Configure(DCB& dcb) = 0;
    // Modem control lines and break. Return 0 or a Win32 error code.
    virtual DWORD SetDtr(bool on) = 0;
    virtual DWORD SetRts(bool on) = 0;
    virtual DWORD SetBreak(bool on) = 0;
    // Holds or releases the transmitter as if XOFF/XON had been received.
    virtual DWORD SetXoffHold(bool hold) = 0;
    // MS_ bits of the lines as they stand.
    virtual DWORD ModemStatus() = 0;
    // New bytes wait in the transmit queue.
    virtual void Kick() = 0;
    // Moves what the device has received into the link now (so counts are current).
    virtual void Pump() = 0;
    // Bytes taken from the transmit queue but not yet on the wire.
    virtual size_t OutPending() = 0;
    // Drops what the device holds: the transmit side, the receive side or both.
    virtual void Purge(bool tx, bool rx) = 0;
};

// An in-process port (test kit): returns the device, or nullptr with a Win32 error code in
// error (ERROR_ACCESS_DENIED when it is already open).
using VirtualComOpener = std::function<std::shared_ptr<CommDevice>(DWORD& error)>;

// Registers an in-process port as COMn, ahead of every device of the machine. name is shown as
// the port's device path. A second registration of n replaces the first.
void RegisterVirtualComPort(int n, const std::string& name, VirtualComOpener opener);
void UnregisterVirtualComPort(int n);

} // namespace kel
