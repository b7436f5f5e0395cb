// kelterm's raw serial terminal: one COM port opened for overlapped I/O, a reader/status thread
// that hands every received block to the terminal window and watches the line, a writer thread
// that carries out queued write requests, a numbered list of status lines, and a report of every
// failing system call with the system's message.
//
// Threads: the user-interface thread connects, closes, queues characters and adds status lines;
// the reader/status thread and the writer thread run while a port is open. The reader hands
// received text over with SendMessage, so it blocks until the window has appended it; closing
// therefore keeps delivering messages sent to this thread while it waits for the threads to end.
// The write-request list and the status list have locks of their own.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class CTerminalEngine
{
public:
    // Write request types.
    enum : int
    {
        kWriteChar = 1,     // the one character
        kWriteTransfer = 2, // a buffer of a transfer (the engine's copy); the window hears of it
        kWriteNothing = 3,
        kTransferComplete = 4, // signals the transfer-complete event
        kFlush = 5,            // drops every request queued behind it
        kWriteBuffer = 6,      // a buffer that stays the caller's
    };

    // Line settings and switches, read when a port is opened.
    struct Settings
    {
        DWORD eventMask = EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
        char eventChar = 10; // only with EV_RXFLAG in the mask
        char xonChar = 17;
        char xoffChar = 19;
        WORD xonLimit = 0;
        WORD xoffLimit = 0;
        DWORD rtsControl = RTS_CONTROL_ENABLE;
        DWORD dtrControl = DTR_CONTROL_ENABLE;
        bool showErrors = true; // failing calls are also shown in a message box
        bool ctsOutFlow = false, dsrOutFlow = false, dsrSensitivity = false, txContinueOnXoff = false;
        bool xonXoffOut = false, xonXoffIn = false;
        bool noReading = false, noWriting = false, noEvents = false, noStatusPolling = false;
        bool showTimeouts = false;
        BYTE dataBits = 8;
        BYTE parity = NOPARITY;
        BYTE stopBits = TWOSTOPBITS;
        DWORD baudRate = 28800;
        COMMTIMEOUTS timeouts{1, 0, 0, 0, 0};
    };

    // The engine, created on first use.
    static CTerminalEngine* GetInstance();
    // The engine if it exists, without creating it.
    static CTerminalEngine* PeekInstance();
    // Closes the port (threads stopped) and deletes the engine (the frame's destruction).
    static void DestroyInstance();

    virtual ~CTerminalEngine();
    CTerminalEngine(const CTerminalEngine&) = delete;
    CTerminalEngine& operator=(const CTerminalEngine&) = delete;

    // Opens the port named by the instrument list ("COM3") and starts both threads; true when the
    // port is open. A failing open is reported with the device and the cause.
    bool Connect(const std::string& portName);
    void Disconnect();
    // Asks "Disconnect from <port>?" while connected: No gives false and keeps the port open;
    // otherwise the port is closed and the result is true.
    bool CloseWithConfirmation();
    // True when not connected or the user answered Yes.
    bool ConfirmDisconnect();
    // Closes the port: threads stopped, DTR off, time-outs restored, queues purged. False when
    // no port was open.
    bool ClosePort();

    // Queues a typed character for the writer while connected; false only when queuing failed.
    bool SendChar(int ch);
    // Queues a write request (see the types); buffer is copied for kWriteTransfer and must stay
    // valid until written for kWriteBuffer.
    bool QueueWriteRequest(int type, int size, int ch, const char* buffer, HWND window);
    // Appends "<n>:<text>" to the status list (n counts every line of the process).
    void UpdateStatus(const std::string& text);
    std::vector<std::string> GetStatusLines() const;

    // The window that receives WM_KEL_RECEIVEDTEXT (NULL: received text is dropped).
    void SetTerminalWindow(HWND hwnd) { m_hTerminalWnd.store(hwnd); }
    HWND GetTerminalWindow() const { return m_hTerminalWnd.load(); }
    // Replaces the terminal font and measures it on the terminal window.
    void SetTerminalFont(const LOGFONT& font);
    int GetCharWidth() const { return m_charWidth; }
    int GetLineHeight() const { return m_lineHeight; }

    bool IsConnected() const { return m_connected.load(); }
    HANDLE GetPortHandle() const { return m_hPort; }
    const std::string& GetPortName() const { return m_portName; }
    Settings& GetSettings() { return m_settings; }
    // Signalled by a kTransferComplete or kFlush request.
    HANDLE GetTransferCompleteEvent() const { return m_hTransferComplete; }

private:
    struct WriteRequest
    {
        int type = 0;
        int size = 0;
        int ch = 0;
        const char* buffer = nullptr;
        std::vector<char> owned;
        HWND window = nullptr;
    };

    CTerminalEngine();

    HANDLE OpenPort();
    bool ApplyPortSettings();
    bool StartThreads();
    // Signals the exit event and waits up to timeoutMs for both threads; true when both ended.
    bool WaitForThreads(DWORD timeoutMs);

    static DWORD WINAPI ReaderThunk(LPVOID self);
    static DWORD WINAPI WriterThunk(LPVOID self);
    DWORD ReaderAndStatusProc();
    DWORD WriterProc();
    void ReportCommEvent(DWORD mask);
    void HandleWriteRequests();
    void WriterGeneric(const char* data, DWORD count);
    void HandOver(const char* data, DWORD count);

    Settings m_settings;
    std::string m_portName;
    HANDLE m_hPort = nullptr;
    HANDLE m_hReader = nullptr;
    HANDLE m_hWriter = nullptr;
    std::atomic<bool> m_connected{false};
    COMMTIMEOUTS m_timeoutsFound{};
    std::vector<char> m_screen;
    std::atomic<HWND> m_hTerminalWnd{nullptr};

    LOGFONT m_terminalFont{};
    HFONT m_hTerminalFont = nullptr;
    HFONT m_hDefaultFont = nullptr;
    int m_charWidth = 0;
    int m_lineHeight = 0;
    int m_screenHeight = 0;
    int m_baseUnitHeight = 0;
    int m_windowHeight = 0;

    HANDLE m_hThreadExit = nullptr;    // manual reset
    HANDLE m_hStatusMessage = nullptr; // auto reset
    HANDLE m_hWriteRequest = nullptr;  // auto reset
    HANDLE m_hTransferComplete = nullptr;

    mutable std::mutex m_statusLock;
    std::vector<std::string> m_status;
    std::mutex m_writeLock;
    std::deque<WriteRequest> m_writes;
};

// Reports the last error of a failing call: "Error <code>: <text>.\n\r<system message>\r\n" to the
// trace output and, when the engine shows errors, in a message box.
void ReportCommError(const std::string& text);
// Reports, then ends the process.
[[noreturn]] void ReportCommErrorAndExit(const std::string& text);
void ReportCommErrorNonFatal(const std::string& text);
// The report text for an error code (what ReportCommError shows).
std::string FormatCommError(DWORD code, const std::string& text);
