// The RS232 line to a head: CR LF terminated commands out, CR terminated replies and 4-byte data
// points in, and the status-thread round (OnCommEvent) that lets readers wait on an event.
#pragma once

#include "comlink/Comlink.h"
#include "mfc/Object.h"

#include <atomic>
#include <memory>

// The port of a head line. The stream's waits block on the line; Idle, run between them, returns
// at once.
class CCommPort : public CWin32Port
{
public:
    CCommPort(UINT port, DWORD rxQueueSize, DWORD txQueueSize);
    ~CCommPort() override;

    int Idle() override;

private:
    HANDLE m_hEvent; // manual-reset, owned
};

class CComm : public CObject
{
    DECLARE_SERIAL(CComm)

public:
    CComm();
    ~CComm() override;

    CComm(const CComm&) = delete;
    CComm& operator=(const CComm&) = delete;

    // Stores and loads nothing.
    void Serialize(CArchive& ar) override;

    // Opens the 0-based port at 28800 8N1 with RTS/CTS handshake. 0 when the line is usable, else
    // the library code after a message box.
    int Open(int port);
    // Writes command and CR LF. 1 when all of it went out, 0 on a recorded error or a short write.
    int Send(const char* command);
    // Reads up to 100 bytes ending at the first CR (kept) into buffer (101 bytes, NUL-terminated)
    // within timeoutMs. The count, or 0 on time-out (the recorded error is then cleared).
    int ReadLine(char* buffer, DWORD timeoutMs);
    // The same read without the status check before and after it.
    int ReadLineKeepStatus(char* buffer, DWORD timeoutMs);
    // Reads 4 bytes (little-endian, signed) within 3000 ms. 1, or 0 with value 0.
    int ReadLong(LONG* value);
    // Writes the 4 bytes of value, low byte first. 1, or 0 when not all went out.
    int WriteLong(LONG value);
    // 1 with the receive count, or 0 (message 57) when the line was never opened.
    int GetBytesWaiting(DWORD* count);
    // Waits until count bytes are queued; each wait for the comm event lasts up to timeoutMs.
    // 1, or 0 on time-out, line error, break or carrier change.
    int WaitForBytes(DWORD count, DWORD* available, DWORD timeoutMs);
    // One round of the status thread: waits for the next line event. 0, or -1 when the line
    // dropped (after "Line is disconnected!").
    int OnCommEvent();
    int IsDsrHigh();
    int IsCtsOn();
    // 0, or -801 after "Could not Set baud rate! ".
    int SetBaudRate(LONG baud);
    LONG GetBaudRate();
    // Clears the receive queue.
    void Purge();
    // Waits until the transmit queue is empty; 0 when it did not drain (a line held by flow
    // control), else 1.
    int WaitTransmitDone();
    // Waits tenths x 100 ms. 1, or 0 (message 58) when the wait failed.
    int DrainInput(int tenths);
    // 1 when no error is recorded; else shows it (message 57 when the line was never opened) and 0.
    int CheckStatus();

    // The event signalled after each completed status wait (auto-reset).
    HANDLE GetCommEvent() const { return m_hCommEvent; }
    DWORD GetLastEventBits() const { return m_lastEventBits; }
    int GetPortNumber() const { return m_portNumber; }
    CSerialStream* GetStream() const { return m_pStream.get(); }
    CCommPort* GetPort() const { return m_pPort.get(); }

private:
    // DSR as the modem lines show it now; the line-error bits are left for GetStatus.
    int DsrOn();

    std::unique_ptr<CSerialStream> m_pStream;
    std::unique_ptr<CCommPort> m_pPort;
    LONG m_baudRate;
    int m_portNumber;
    std::atomic<int> m_ignoreDsr;
    HANDLE m_hCommEvent;
    std::atomic<DWORD> m_lastEventBits;
    std::atomic<int> m_dsrSeen; // DSR after the status thread's last wait; -1 before the first
};
