// Comlink: a small class library for one RS232 port.
//
// Three layers: CSerialPortBase (abstract port), CWin32Port (owns the device handle, talks to the
// communications API) and CSerialStream (time-outs, line reads, exact-count reads, terminated
// writes). CPortSettings and CLineStatus ride on the stream and put the port back as they found it.
//
// Nothing here throws: every operation returns 0 or a negative library code (-801 and below),
// which most operations also record as the port's last error. CommErrorText gives the texts.
#pragma once

#include <windows.h>
#include "win32/comm.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// Library error codes (the ones this library raises; CommErrorText knows the full table).
enum : int
{
    COMM_OK = 0,
    COMM_GENERAL_ERROR = -801,
    COMM_TIMEOUT = -802,
    COMM_NOT_SUPPORTED = -803,
    COMM_BUFFER_FULL = -805,
    COMM_BREAK_ERROR = -827,
    COMM_OPEN_FAILED = -828,
    COMM_CLOSE_FAILED = -829,
    COMM_BAD_HANDSHAKE = -830,
    COMM_BAD_ARGUMENT = -832,
    COMM_NO_MEMORY = -836,
    COMM_ALREADY_OPEN = -838,
    COMM_BAD_PARITY = -840,
    COMM_BAD_STOP_BITS = -841,
    COMM_BAD_DATA_BITS = -842,
    COMM_NOT_ATTACHED = -850,
};

// Handshake codes for SetHandshake (input side / output side).
enum : int
{
    COMM_HS_NONE = 0,
    COMM_HS_XONXOFF = 1,
    COMM_HS_DTR = 3,
    COMM_HS_RTS = 4,
    COMM_HS_CTS = 12,
    COMM_HS_DSR = 13,
    COMM_HS_RI = 14,
    COMM_HS_DCD = 15,
};

// Line codes for LineControl.
enum : int
{
    COMM_LINE_DTR = 3,
    COMM_LINE_RTS = 4,
    COMM_LINE_BREAK = 7,
    COMM_LINE_CTS = 12,
    COMM_LINE_DSR = 13,
    COMM_LINE_RI = 14,
    COMM_LINE_CD = 15,
    COMM_LINE_OVERRUN = 25,
    COMM_LINE_PARITY = 26,
    COMM_LINE_FRAMING = 27,
    COMM_LINE_BREAK_DETECT = 28,
    COMM_LINE_RX_OVERFLOW = 31,
};

// Highest 0-based port number a port object accepts (the open-counter table covers 0..this).
constexpr UINT kCommMaxPort = 10000;

// Text for a library code: "Successful operation" for 0, "Unknown error code" for a positive code,
// a code outside -957..-801 or a gap in the table. Never null.
const char* CommErrorText(int code);

// Receives one formatted text line of a dump.
using CommLineSink = std::function<void(const char* line)>;

// Queue status as GetQueueStatus reports it.
struct CommQueueStatus
{
    DWORD rxCount;   // bytes waiting in the receive queue
    DWORD rxSize;    // receive queue size
    DWORD txCount;   // bytes waiting in the transmit queue
    DWORD txSize;    // transmit queue size
    DWORD reserved1; // always 1
    DWORD reserved2; // always 1
    WORD flags;      // bit 1: transmission held (CTS, DSR or XOFF); bit 0: XOFF sent
};

class CLineStatus;
class CPortSettings;

// The abstract port. Its operations (other than the two unsupported ones and ReadWithin) must be
// supplied by a derived class; reaching the base version is a programming error that ends the
// program.
class CSerialPortBase
{
public:
    virtual ~CSerialPortBase();

    CSerialPortBase& operator=(const CSerialPortBase&) = delete;

    // Called by the stream between its waits; a negative code ends the stream's operation.
    virtual int Idle();
    virtual BYTE ReadModemStatus();
    virtual void ApplySettings();
    virtual int OpenDevice();
    virtual int Close();
    virtual void GetQueueStatus(CommQueueStatus& status);
    virtual void SetQueueSizes(DWORD rxSize, DWORD xoffLimit, DWORD txSize);
    virtual int SetHandshake(int inCode, int outCode);
    virtual int GetHandshake(int& inCode, int& outCode);
    virtual int SetBreak(int value);
    virtual int LineControl(int lineCode, int value);
    virtual int SetParams(LONG baud, char parity, int dataBits, int stopBits);
    virtual void GetParams(LONG& baud, char& parity, int& dataBits, int& stopBits);
    virtual void ReadLineStatus(BYTE states[4]);
    virtual int WriteChar(BYTE ch);
    virtual int WriteString(const char* text);
    virtual int Write(const void* buffer, int n);
    virtual int TransmitImmediate(BYTE ch);
    virtual int ReadChar();
    // Up to n bytes of what is queued, without waiting.
    virtual int Read(void* buffer, int n);
    // As Read, but when nothing is queued it first waits up to waitMs (layer clock) for a byte.
    // The base version does not wait (a stream over such a port polls through Idle).
    virtual int ReadWithin(void* buffer, int n, DWORD waitMs);
    virtual int Purge(int clearTransmit, int rxCount);
    virtual void DumpSettings(const CommLineSink& sink);
    virtual int Unsupported1();
    virtual int Unsupported2();
    virtual void SetEventChar(BYTE ch);
    virtual int GetEventMask(DWORD& mask);
    virtual int SetEventMask(DWORD mask);
    virtual int WaitEvent(DWORD& bits);
    virtual int GetModemLine(int mask);
    virtual int MapSystemError();

    UINT GetPortNumber() const { return m_portNumber; }
    // The last recorded library error (0 when none); TakeLastError also clears it.
    int LastError() const { return m_lastError; }
    int TakeLastError() { return m_lastError.exchange(0); }
    void RecordError(int code) { m_lastError = code; }
    void SetUserWord1(DWORD value) { m_userWord1 = value; }
    void SetUserWord2(DWORD value) { m_userWord2 = value; }

    // Open counter of a 0-based port (0 for a number outside the table).
    static WORD OpenCount(UINT port);

protected:
    explicit CSerialPortBase(UINT port);
    CSerialPortBase(const CSerialPortBase& other);

    // Records code as the last error and returns it.
    int Fail(int code) { return m_lastError = code; }

    // Counter bookkeeping: this object holds one count from a successful open or a copy, and only
    // that count is given back when it dies.
    // AcquireCount adds one (a copy); ReserveFirstCount takes the count only when the port is free
    // (an open); ReleaseCount gives this object's count back.
    bool AcquireCount();
    bool ReserveFirstCount();
    void ReleaseCount();
    bool HoldsCount() const { return m_holdsCount; }

    UINT m_portNumber;
    DWORD m_userWord1;
    DWORD m_userWord2;
    std::atomic<int> m_lastError; // written by the status thread's WaitEvent too

private:
    bool m_holdsCount = false;
};

// The port over the Win32 communications API.
class CWin32Port : public CSerialPortBase
{
public:
    // Opens port (0-based) with the given queue sizes at 19200 8N1, DTR and RTS raised. With
    // attachOnly non-zero only the base part is set up. Failures are recorded as the last error.
    CWin32Port(UINT port, DWORD rxQueueSize, DWORD txQueueSize, int attachOnly = 0);
    CWin32Port(const CWin32Port& other);
    ~CWin32Port() override;

    int Idle() override;
    BYTE ReadModemStatus() override;
    void ApplySettings() override;
    int OpenDevice() override;
    int Close() override;
    void GetQueueStatus(CommQueueStatus& status) override;
    void SetQueueSizes(DWORD rxSize, DWORD xoffLimit, DWORD txSize) override;
    int SetHandshake(int inCode, int outCode) override;
    int GetHandshake(int& inCode, int& outCode) override;
    int SetBreak(int value) override;
    int LineControl(int lineCode, int value) override;
    int SetParams(LONG baud, char parity, int dataBits, int stopBits) override;
    void GetParams(LONG& baud, char& parity, int& dataBits, int& stopBits) override;
    void ReadLineStatus(BYTE states[4]) override;
    int WriteChar(BYTE ch) override;
    int WriteString(const char* text) override;
    int Write(const void* buffer, int n) override;
    int TransmitImmediate(BYTE ch) override;
    int ReadChar() override;
    int Read(void* buffer, int n) override;
    // Waits on the device, so a silent line costs no CPU.
    int ReadWithin(void* buffer, int n, DWORD waitMs) override;
    int Purge(int clearTransmit, int rxCount) override;
    void DumpSettings(const CommLineSink& sink) override;
    void SetEventChar(BYTE ch) override;
    int GetEventMask(DWORD& mask) override;
    int SetEventMask(DWORD mask) override;
    int WaitEvent(DWORD& bits) override;
    int GetModemLine(int mask) override;
    int MapSystemError() override;

    // True while this object holds the open device.
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE GetHandle() const { return m_handle; }
    // Line-error bits (CE_*) gathered since the last ReadLineStatus.
    DWORD GetAccumulatedErrors() const { return m_errors; }

    // Upper bound of one wait for an overlapped transfer, in ms: a line held by flow control
    // must not hang the caller.
    static constexpr DWORD kTransferWaitMs = 2000;

protected:
    // Clears the device's error word and adds it to the accumulated bits; returns the status.
    COMSTAT ClearErrors();
    // Waits up to waitMs for an overlapped transfer (cancelling it after that) and returns the
    // bytes it moved.
    DWORD FinishOverlapped(OVERLAPPED& ov, bool& timedOut, DWORD waitMs = kTransferWaitMs);

    std::unique_ptr<DCB> m_dcb;
    std::unique_ptr<OVERLAPPED> m_readOv;
    std::unique_ptr<OVERLAPPED> m_writeOv;
    std::unique_ptr<COMMTIMEOUTS> m_savedTimeouts;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    int m_inHandshake = 0;
    int m_outHandshake = 0;
    int m_rtsState = 1;
    int m_dtrState = 1;
    SHORT m_breakState = 0;
    std::atomic<DWORD> m_errors = 0; // both threads of a line add to these
    std::atomic<BYTE> m_modemStatus = 0;
    DWORD m_savedEventMask = 0;
    DWORD m_txQueueSize = 0;
    DWORD m_rxQueueSize = 0;

private:
    bool AllocateRecords();
    void FreeRecords();
    // One overlapped read of n bytes under the time-outs set now; the bytes it moved.
    DWORD ReadOverlapped(void* buffer, DWORD n, DWORD waitMs);
    // Clears an overlapped record for the next transfer, keeping its event.
    static void Rearm(OVERLAPPED& ov);
};

class CSerialStream;

// Port parameters: the current set and the set found at attach time, put back on destruction.
class CPortSettings
{
public:
    // Both sets 1200 N 8 1; with a port, the saved set is read from it and the current set applied.
    explicit CPortSettings(CSerialPortBase* port = nullptr);
    ~CPortSettings();

    CPortSettings(const CPortSettings&) = delete;
    CPortSettings& operator=(const CPortSettings&) = delete;

    // Apply a full set (0 or the port's code).
    int Set(LONG baud, char parity, int dataBits, int stopBits);
    // Change one value; on failure the old value is kept: -801 (baud, data, stop) or -1 (parity).
    int SetBaud(LONG baud);
    int SetParity(char parity);
    int SetDataBits(int dataBits);
    int SetStopBits(int stopBits);
    void Dump(const CommLineSink& sink) const;

    LONG m_baud = 1200;
    char m_parity = 'N';
    int m_dataBits = 8;
    int m_stopBits = 1;
    LONG m_savedBaud = 1200;
    char m_savedParity = 'N';
    int m_savedDataBits = 8;
    int m_savedStopBits = 1;
    CSerialPortBase* m_port = nullptr;

private:
    int Apply();
    // Sets one value and applies all four; the old value is put back on failure.
    template <class T> int Change(T& field, T value, int failCode);
};

// Packed line states plus the handshake codes, saved on attach and put back on destruction.
class CLineStatus
{
public:
    explicit CLineStatus(CSerialPortBase* port);
    ~CLineStatus();

    CLineStatus(const CLineStatus&) = delete;
    CLineStatus& operator=(const CLineStatus&) = delete;

    // Re-reads the line states from the port.
    void Refresh();
    // The stored 2-bit state of a line code from the packing table (0 for a code not in it).
    int State(int lineCode) const;
    int SetHandshake(int inCode, int outCode);
    int GetHandshake(int& inCode, int& outCode) const;
    void Dump(const CommLineSink& sink) const;

    BYTE m_states[4] = {0, 0, 0, 0};
    int m_savedIn = 0;
    int m_savedOut = 0;
    int m_in = 0;
    int m_out = 0;
    CSerialPortBase* m_port = nullptr;
};

// Time-outs, line reads and terminated writes over a port. The port is not owned.
class CSerialStream
{
public:
    // Attaches to port: unless the port already holds an error, sets 9600 N 8 1 and no handshake,
    // remembering what it found.
    explicit CSerialStream(CSerialPortBase* port);
    virtual ~CSerialStream();

    CSerialStream(const CSerialStream&) = delete;
    CSerialStream& operator=(const CSerialStream&) = delete;

    // Next byte (0-255) within timeoutMs; -802 on time-out or Idle's negative code. The reads
    // block on the port (ReadWithin) until a byte comes or the time-out (layer clock) runs out.
    virtual int ReadChar(DWORD timeoutMs);
    // One byte out, then the per-character pause; 0, or a negative code.
    virtual int WriteChar(BYTE ch);
    // Reads into buffer (maxCount + 1 bytes) until terminator (stored and counted; -1 for none),
    // maxCount bytes or the time-out; NUL-terminates and returns the count, or Idle's negative code.
    virtual int ReadLine(char* buffer, int maxCount, int terminator, DWORD timeoutMs);

    // Writes text and a terminator: -3 CR LF, -2 LF, -1 none, 0..255 that byte. Returns the bytes
    // written; 0 for a null text or a code outside -3..255.
    int WriteString(const char* text, int terminatorCode);
    // Formats (at most 511 bytes) and writes; bytes written or -801 when formatting fails.
    int WritePrintf(const char* format, ...);
    // Bytes written (0 for a null buffer).
    int WriteBytes(const void* buffer, int n);
    // Reads exactly n bytes into buffer (n + 1 bytes, NUL-terminated) within timeoutMs; returns the
    // count that came, or Idle's negative code.
    int ReadBytes(void* buffer, int n, DWORD timeoutMs);
    int BytesWaiting();
    int TxBytesWaiting();
    void PurgeInput();
    // Takes and clears the port's last error; when there is none, refreshes the line status and
    // sets flags[0] (1 parity, 2 framing, 4 receive overflow, 8 overrun, 16 break) and returns 0.
    // A stream whose port failed to open returns -828 once the port's own error was taken.
    int GetStatus(BYTE flags[2]);
    // Blocks for ms (layer clock), then runs the port's Idle; 0 or Idle's negative code.
    int Delay(DWORD ms);
    void SendBreak(DWORD ms);
    int SetHandshake(int inCode, int outCode);
    int GetHandshake(int& inCode, int& outCode);
    int SetBaud(LONG baud);
    int SetParity(char parity);
    int SetDataBits(int dataBits);
    int SetStopBits(int stopBits);
    int SetAll(LONG baud, char parity, int dataBits, int stopBits);
    void Dump(const CommLineSink& sink);

    void SetCharPause(DWORD ms) { m_charPause = ms; }
    CSerialPortBase* GetPort() const { return m_port; }
    // Null when the port had failed at attach time.
    CLineStatus* GetLineStatus() const { return m_lineStatus.get(); }
    CPortSettings* GetSettings() const { return m_settings.get(); }

protected:
    // Reads into buffer until n bytes, a terminator byte (-1: none) or the time-out; count holds
    // what came. 0, or Idle's negative code.
    int Collect(char* buffer, int n, int terminator, DWORD timeoutMs, int& count);

    CSerialPortBase* m_port;
    DWORD m_charPause = 0;
    std::unique_ptr<CLineStatus> m_lineStatus;
    std::unique_ptr<CPortSettings> m_settings;
};
