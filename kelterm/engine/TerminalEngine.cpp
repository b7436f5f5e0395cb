#include "engine/TerminalEngine.h"

#include "engine/TerminalMessages.h"

#include <afxwin.h>

#include <cstdio>
#include <cstdlib>

namespace
{

std::mutex g_instanceLock;
CTerminalEngine* g_engine = nullptr;

// Status lines are numbered across the process.
std::atomic<int> g_statusCounter{0};

constexpr DWORD kReadChunk = 512;
constexpr DWORD kInQueue = 2048;
constexpr DWORD kOutQueue = 1024;
constexpr DWORD kIdlePollMs = 500;
constexpr DWORD kThreadStopMs = 20000;
constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr int kScreenLines = 49;
constexpr size_t kScreenBytes = 4000;

// What the reader/status thread last saw of the line.
struct LineState
{
    DWORD modemStatus = 0;
    DWORD errors = 0;
    COMSTAT comStat{};
};
thread_local LineState t_line;

void ReadModemStatus(HANDLE port)
{
    if (!GetCommModemStatus(port, &t_line.modemStatus))
        ReportCommError("GetCommModemStatus");
}

void CheckComStat(HANDLE port)
{
    if (!ClearCommError(port, &t_line.errors, &t_line.comStat))
        ReportCommError("ClearCommError");
}

// Finishes an overlapped operation that is still running before its record goes away.
void AbandonPending(HANDLE port, OVERLAPPED& ov)
{
    DWORD moved = 0;
    GetOverlappedResult(port, &ov, &moved, TRUE);
}

} // namespace

// ---- Reports ----------------------------------------------------------------------------------------

std::string FormatCommError(DWORD code, const std::string& text)
{
    char message[512] = "";
    if (!FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | 80, nullptr, code, MAKELANGID(0x09, 0x01), message,
                       sizeof message, nullptr))
        message[0] = '\0';
    char head[64];
    std::snprintf(head, sizeof head, "Error %u: ", static_cast<unsigned>(code));
    return head + text + ".\n\r" + message + "\r\n";
}

void ReportCommError(const std::string& text)
{
    const DWORD code = GetLastError();
    const std::string report = FormatCommError(code, text);
    AfxTrace("%s", report.c_str());
    CTerminalEngine* engine = CTerminalEngine::PeekInstance();
    if (!engine || engine->GetSettings().showErrors)
        MessageBox(nullptr, report.c_str(), nullptr, MB_OK);
}

void ReportCommErrorAndExit(const std::string& text)
{
    ReportCommError(text);
    std::exit(0);
}

void ReportCommErrorNonFatal(const std::string& text)
{
    ReportCommError(text);
}

// ---- Life ---------------------------------------------------------------------------------------------

CTerminalEngine* CTerminalEngine::GetInstance()
{
    std::lock_guard lock(g_instanceLock);
    if (!g_engine)
        g_engine = new CTerminalEngine;
    return g_engine;
}

CTerminalEngine* CTerminalEngine::PeekInstance()
{
    std::lock_guard lock(g_instanceLock);
    return g_engine;
}

void CTerminalEngine::DestroyInstance()
{
    CTerminalEngine* engine;
    {
        std::lock_guard lock(g_instanceLock);
        engine = g_engine;
    }
    // The threads end before the engine goes: they use it to the last.
    if (engine)
        engine->ClosePort();
    {
        std::lock_guard lock(g_instanceLock);
        g_engine = nullptr;
    }
    delete engine;
}

CTerminalEngine::CTerminalEngine()
{
    // Resources. The writer's queue and its events exist before any thread or caller can use them.
    if (!(m_hStatusMessage = CreateEvent(nullptr, FALSE, FALSE, nullptr)))
        ReportCommError("CreateEvent (Status message event)");
    if (!(m_hThreadExit = CreateEvent(nullptr, TRUE, FALSE, nullptr)))
        ReportCommError("CreateEvent (Thread exit event)");
    if (!(m_hWriteRequest = CreateEvent(nullptr, FALSE, FALSE, nullptr)))
        ReportCommError("CreateEvent(writ request event)");
    if (!(m_hTransferComplete = CreateEvent(nullptr, FALSE, FALSE, nullptr)))
        ReportCommError("CreateEvent(transfer complete event)");
    LOGFONT defaultFont{};
    defaultFont.lfHeight = 14;
    defaultFont.lfPitchAndFamily = 34;
    m_hDefaultFont = CreateFontIndirect(&defaultFont);
    m_baseUnitHeight = HIWORD(GetDialogBaseUnits());
    m_windowHeight = GetSystemMetrics(SM_CYMENU) + 4 * GetSystemMetrics(SM_CYCAPTION) +
                     10 * m_baseUnitHeight + 2 * GetSystemMetrics(SM_CYFRAME);

    // Settings: the terminal font is described here and made when a window asks for it.
    m_screen.assign(kScreenBytes, ' ');
    m_terminalFont.lfHeight = 12;
    m_terminalFont.lfCharSet = 255; // OEM
    m_terminalFont.lfPitchAndFamily = 0x31;
    std::snprintf(m_terminalFont.lfFaceName, sizeof m_terminalFont.lfFaceName, "%s", "FixedSys");

    UpdateStatus("Status message go here:\r\n");
}

CTerminalEngine::~CTerminalEngine()
{
    ClosePort();
    if (m_hTerminalFont)
        DeleteObject(m_hTerminalFont);
    if (m_hDefaultFont)
        DeleteObject(m_hDefaultFont);
    for (HANDLE h : {m_hStatusMessage, m_hThreadExit, m_hWriteRequest, m_hTransferComplete})
        if (h)
            CloseHandle(h);
}

// ---- Connection ---------------------------------------------------------------------------------------

bool CTerminalEngine::Connect(const std::string& portName)
{
    if (m_connected)
        ClosePort(); // one port at a time
    m_portName = portName;
    return OpenPort() != nullptr;
}

void CTerminalEngine::Disconnect()
{
    ClosePort();
}

bool CTerminalEngine::ConfirmDisconnect()
{
    if (!m_connected)
        return true;
    CString text;
    text.Format("Disconnect from %s?", m_portName.c_str());
    return MessageBox(nullptr, text, "info", MB_YESNO) == IDYES;
}

bool CTerminalEngine::CloseWithConfirmation()
{
    if (!ConfirmDisconnect())
        return false;
    if (m_connected)
        ClosePort();
    return true;
}

HANDLE CTerminalEngine::OpenPort()
{
    // "COM10" and above open only through the device prefix.
    const std::string device = m_portName.rfind("\\\\.\\", 0) == 0 ? m_portName : "\\\\.\\" + m_portName;
    HANDLE port = CreateFile(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE)
    {
        const DWORD code = GetLastError();
        std::string detail = kel::LastCommErrorDetail();
        SetLastError(code);
        ReportCommError(detail.empty() ? "CreateFile " + m_portName : "CreateFile " + detail);
        return nullptr;
    }
    m_hPort = port;
    if (!GetCommTimeouts(port, &m_timeoutsFound))
        ReportCommError("GetCommTimeouts");
    ApplyPortSettings();
    if (!SetupComm(port, kInQueue, kOutQueue))
        ReportCommError("SetupComm");
    if (!EscapeCommFunction(port, SETDTR))
        ReportCommError("EscapeCommFunction (SETDTR)");
    {
        std::lock_guard lock(m_writeLock);
        m_writes.clear();
    }
    ResetEvent(m_hThreadExit);
    m_connected = true;
    if (!StartThreads())
    {
        ClosePort();
        std::exit(0);
    }
    return port;
}

bool CTerminalEngine::ApplyPortSettings()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_hPort, &dcb))
    {
        ReportCommError("GetCommState");
        return false;
    }
    const Settings& s = m_settings;
    dcb.BaudRate = s.baudRate;
    dcb.ByteSize = s.dataBits;
    dcb.Parity = s.parity;
    dcb.StopBits = s.stopBits;
    dcb.EvtChar = (s.eventMask & EV_RXFLAG) ? s.eventChar : 0;
    dcb.XonChar = s.xonChar;
    dcb.XoffChar = s.xoffChar;
    dcb.XonLim = s.xonLimit;
    dcb.XoffLim = s.xoffLimit;
    dcb.fOutxCtsFlow = s.ctsOutFlow;
    dcb.fOutxDsrFlow = s.dsrOutFlow;
    dcb.fDtrControl = s.dtrControl;
    dcb.fDsrSensitivity = s.dsrSensitivity;
    dcb.fTXContinueOnXoff = s.txContinueOnXoff;
    dcb.fOutX = s.xonXoffOut;
    dcb.fInX = s.xonXoffIn;
    dcb.fRtsControl = s.rtsControl;
    dcb.fParity = TRUE;
    bool ok = true;
    if (!SetCommState(m_hPort, &dcb))
    {
        ReportCommError("SetCommState");
        ok = false;
    }
    COMMTIMEOUTS timeouts = s.timeouts;
    if (!SetCommTimeouts(m_hPort, &timeouts))
    {
        ReportCommError("SetCommTimeouts");
        ok = false;
    }
    return ok;
}

bool CTerminalEngine::StartThreads()
{
    m_hReader = CreateThread(nullptr, 0, ReaderThunk, this, 0, nullptr);
    if (!m_hReader)
    {
        ReportCommError("CreateThread(Reader/Status)");
        return false;
    }
    m_hWriter = CreateThread(nullptr, 0, WriterThunk, this, 0, nullptr);
    if (!m_hWriter)
    {
        ReportCommError("CreateThread (Writer)");
        return false;
    }
    return true;
}

bool CTerminalEngine::ClosePort()
{
    if (!m_connected)
        return false;
    m_connected = false;
    if (!WaitForThreads(kThreadStopMs))
        ReportCommErrorAndExit("Error closing port.");
    if (!EscapeCommFunction(m_hPort, CLRDTR))
        ReportCommError("EscapeCommFunction(CLRDTR)");
    if (!SetCommTimeouts(m_hPort, &m_timeoutsFound))
        ReportCommError("SetCommTimeouts (Restoration to original)");
    if (!PurgeComm(m_hPort, kAllPurges))
        ReportCommError("PurgeComm");
    CloseHandle(m_hPort);
    m_hPort = nullptr;
    for (HANDLE* thread : {&m_hReader, &m_hWriter})
    {
        if (*thread)
            CloseHandle(*thread);
        *thread = nullptr;
    }
    // Requests the writer did not reach would otherwise go to the next port.
    std::lock_guard lock(m_writeLock);
    m_writes.clear();
    return true;
}

bool CTerminalEngine::WaitForThreads(DWORD timeoutMs)
{
    SetEvent(m_hThreadExit);
    std::vector<HANDLE> running;
    for (HANDLE h : {m_hReader, m_hWriter})
        if (h)
            running.push_back(h);
    const DWORD start = GetTickCount();
    bool failed = false;
    while (!running.empty())
    {
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            break;
        // The reader may be handing text to a window of this thread: keep taking sent messages.
        const DWORD r = MsgWaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE,
                                                  timeoutMs - spent, QS_SENDMESSAGE);
        if (r < WAIT_OBJECT_0 + running.size())
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(r - WAIT_OBJECT_0));
        else if (r == WAIT_OBJECT_0 + running.size())
        {
            MSG msg;
            PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }
        else if (r == WAIT_FAILED)
        {
            ReportCommError("WaitForMultipleObjects");
            failed = true;
            break;
        }
    }
    for (HANDLE h : running)
        AfxTrace(h == m_hReader ? "Reader/Status Thread didn't exit.\n\r" : "Writer Thread didn't exit.\n\r");
    ResetEvent(m_hThreadExit);
    return running.empty() && !failed;
}

// ---- Status ---------------------------------------------------------------------------------------------

void CTerminalEngine::UpdateStatus(const std::string& text)
{
    const int n = ++g_statusCounter;
    {
        std::lock_guard lock(m_statusLock);
        m_status.push_back(std::to_string(n) + ":" + text);
    }
    if (m_hStatusMessage)
        SetEvent(m_hStatusMessage);
}

std::vector<std::string> CTerminalEngine::GetStatusLines() const
{
    std::lock_guard lock(m_statusLock);
    return m_status;
}

void CTerminalEngine::SetTerminalFont(const LOGFONT& font)
{
    if (m_hTerminalFont)
        DeleteObject(m_hTerminalFont);
    m_terminalFont = font;
    m_hTerminalFont = CreateFontIndirect(&m_terminalFont);
    HWND wnd = m_hTerminalWnd.load();
    HDC dc = GetDC(wnd);
    if (dc && m_hTerminalFont)
    {
        HGDIOBJ old = SelectObject(dc, m_hTerminalFont);
        TEXTMETRIC tm{};
        GetTextMetrics(dc, &tm);
        SelectObject(dc, old);
        m_charWidth = tm.tmAveCharWidth;
        m_lineHeight = tm.tmHeight + tm.tmExternalLeading;
    }
    if (dc)
        ReleaseDC(wnd, dc);
    m_screenHeight = kScreenLines * m_lineHeight;
}

// ---- Reader/status thread -------------------------------------------------------------------------------

DWORD WINAPI CTerminalEngine::ReaderThunk(LPVOID self)
{
    return static_cast<CTerminalEngine*>(self)->ReaderAndStatusProc();
}

void CTerminalEngine::HandOver(const char* data, DWORD count)
{
    if (count == 0)
        return;
    if (HWND wnd = m_hTerminalWnd.load())
        SendMessage(wnd, WM_KEL_RECEIVEDTEXT, count, reinterpret_cast<LPARAM>(data));
}

DWORD CTerminalEngine::ReaderAndStatusProc()
{
    HANDLE readEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    if (!readEvent)
        ReportCommError("CreateEvent (Reader Event)");
    HANDLE commEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    if (!commEvent)
        ReportCommError("CreateEvent (Status Event)");
    if (!readEvent || !commEvent)
    {
        for (HANDLE h : {readEvent, commEvent})
            if (h)
                CloseHandle(h);
        return 0;
    }
    HANDLE port = m_hPort;
    const Settings& s = m_settings;
    ReadModemStatus(port);
    CheckComStat(port);
    if (!PurgeComm(port, kAllPurges))
        ReportCommError("PurgeComm");

    OVERLAPPED readOv{}, commOv{};
    readOv.hEvent = readEvent;
    commOv.hEvent = commEvent;
    char buffer[kReadChunk];
    DWORD eventBits = 0;
    DWORD appliedMask = 0;
    bool maskApplied = false;
    bool readPending = false, waitPending = false;
    // After a failure the call is tried again at the next pass of the wait, not in a tight loop,
    // and reported once until it works again.
    bool readFailed = false, waitFailed = false;
    bool readReported = false, waitReported = false;
    const HANDLE waits[4] = {readEvent, commEvent, m_hStatusMessage, m_hThreadExit};
    DWORD result = 1;

    for (;;)
    {
        // a. Read what is there, or leave a read pending.
        if (!s.noReading && !readPending && !readFailed)
        {
            DWORD got = 0;
            readOv.Internal = readOv.InternalHigh = 0;
            if (ReadFile(port, buffer, kReadChunk, &got, &readOv))
            {
                ResetEvent(readEvent);
                readReported = false;
                if (s.showTimeouts && got != kInQueue)
                    UpdateStatus("Read timed out immediately.\r\n");
                HandOver(buffer, got);
            }
            else if (GetLastError() == ERROR_IO_PENDING)
                readPending = true;
            else
            {
                if (!readReported)
                    ReportCommError("ReadFile in ReaderAndStatusProc");
                readReported = readFailed = true;
            }
        }
        // b. The event mask, when it changed.
        if (!maskApplied || s.eventMask != appliedMask)
        {
            if (!SetCommMask(port, s.eventMask))
                ReportCommError("SetCommMask");
            appliedMask = s.eventMask;
            maskApplied = true;
        }
        // c. A comm-event wait.
        if (!s.noEvents && !waitPending && !waitFailed)
        {
            if (WaitCommEvent(port, &eventBits, &commOv))
            {
                ResetEvent(commEvent);
                waitReported = false;
                ReportCommEvent(eventBits);
                continue;
            }
            if (GetLastError() == ERROR_IO_PENDING)
                waitPending = true;
            else
            {
                if (!waitReported)
                    ReportCommError("WaitCommEvent");
                waitReported = waitFailed = true;
                continue;
            }
        }
        // d. Read again at once while reads complete.
        if (!readPending && !s.noReading && !readFailed)
            continue;

        // e. Wait for the read, the line, a status line or the end.
        const DWORD r = WaitForMultipleObjects(4, waits, FALSE, kIdlePollMs);
        if (r == WAIT_OBJECT_0 && readPending)
        {
            DWORD got = 0;
            if (GetOverlappedResult(port, &readOv, &got, FALSE))
            {
                readReported = false;
                if (s.showTimeouts && got != kInQueue)
                    UpdateStatus("Read timed out overlapped.\r\n");
                HandOver(buffer, got);
            }
            else if (GetLastError() == ERROR_OPERATION_ABORTED)
                UpdateStatus("Read aborted\r\n");
            else
                ReportCommError("GetOverlappedResult (in Reader)");
            ResetEvent(readEvent);
            readPending = false;
        }
        else if (r == WAIT_OBJECT_0 + 1 && waitPending)
        {
            DWORD moved = 0;
            if (GetOverlappedResult(port, &commOv, &moved, FALSE))
                ReportCommEvent(eventBits);
            else if (GetLastError() == ERROR_OPERATION_ABORTED)
                UpdateStatus("WaitCommEvent aborted\r\n");
            else
                ReportCommError("GetOverlappedResult (in Reader)");
            ResetEvent(commEvent);
            waitPending = false;
        }
        else if (r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1)
            ResetEvent(r == WAIT_OBJECT_0 ? readEvent : commEvent); // nothing of ours is pending
        else if (r == WAIT_OBJECT_0 + 2)
        {
            // A status line: nothing to do here.
        }
        else if (r == WAIT_OBJECT_0 + 3)
            break;
        else if (r == WAIT_TIMEOUT)
        {
            readFailed = waitFailed = false;
            if (!s.noStatusPolling)
            {
                ReadModemStatus(port);
                CheckComStat(port);
            }
        }
        else
        {
            ReportCommError("WaitForMultipleObjects(Reader & Status handles)");
            result = 0;
            break;
        }
    }
    // Operations still running would complete into this frame's records.
    if (readPending || waitPending)
    {
        CancelIo(port);
        if (readPending)
            AbandonPending(port, readOv);
        if (waitPending)
            AbandonPending(port, commOv);
    }
    CloseHandle(readEvent);
    CloseHandle(commEvent);
    return result;
}

void CTerminalEngine::ReportCommEvent(DWORD mask)
{
    static const struct
    {
        DWORD bit;
        const char* name;
    } names[] = {{EV_CTS, "CTS "},       {EV_DSR, "DSR "},       {EV_ERR, "ERR "},
                 {EV_RING, "RING "},     {EV_RLSD, "RLSD "},     {EV_BREAK, "BREAK "},
                 {EV_RXFLAG, "RXFLAG "}, {EV_RXCHAR, "RXCHAR "}, {EV_TXEMPTY, "TXEMPTY "}};
    std::string text = "EVENT: ";
    bool any = false;
    for (const auto& n : names)
        if (mask & n.bit)
        {
            text += n.name;
            any = true;
        }
    if (!any)
        text += "NULL";
    text += "\r\n";
    UpdateStatus(text);
    ReadModemStatus(m_hPort);
    if (!(mask & EV_ERR))
        CheckComStat(m_hPort);
}

// ---- Writer thread ------------------------------------------------------------------------------------

DWORD WINAPI CTerminalEngine::WriterThunk(LPVOID self)
{
    return static_cast<CTerminalEngine*>(self)->WriterProc();
}

bool CTerminalEngine::SendChar(int ch)
{
    if (!m_connected)
        return true;
    return QueueWriteRequest(kWriteChar, 0, ch, nullptr, nullptr);
}

bool CTerminalEngine::QueueWriteRequest(int type, int size, int ch, const char* buffer, HWND window)
{
    WriteRequest request;
    request.type = type;
    request.size = size;
    request.ch = ch;
    request.window = window;
    if (type == kWriteTransfer && buffer && size > 0)
        request.owned.assign(buffer, buffer + size);
    else
        request.buffer = buffer;
    {
        std::lock_guard lock(m_writeLock);
        m_writes.push_back(std::move(request));
    }
    if (!SetEvent(m_hWriteRequest))
    {
        ReportCommError("SetEvent( writer packet )");
        return false;
    }
    return true;
}

DWORD CTerminalEngine::WriterProc()
{
    const HANDLE waits[2] = {m_hWriteRequest, m_hThreadExit};
    for (;;)
    {
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, kIdlePollMs);
        if (r == WAIT_OBJECT_0)
            HandleWriteRequests();
        else if (r == WAIT_OBJECT_0 + 1)
            return 1;
        else if (r != WAIT_TIMEOUT)
        {
            ReportCommError("WaitForMultipleObjects( writer proc )");
            return 1;
        }
    }
}

void CTerminalEngine::HandleWriteRequests()
{
    for (;;)
    {
        WriteRequest request;
        {
            std::lock_guard lock(m_writeLock);
            if (m_writes.empty())
                return;
            request = std::move(m_writes.front());
            m_writes.pop_front();
        }
        if (WaitForSingleObject(m_hThreadExit, 0) == WAIT_OBJECT_0)
            return; // closing: what is left is dropped with the port
        switch (request.type)
        {
        case kWriteChar:
        {
            const char c = static_cast<char>(request.ch & 0xFF);
            WriterGeneric(&c, 1);
            break;
        }
        case kWriteTransfer:
            WriterGeneric(request.owned.data(), static_cast<DWORD>(request.owned.size()));
            if (request.window)
                PostMessage(request.window, WM_KEL_TRANSFERSTATUS, 0, 0);
            break;
        case kWriteNothing:
            break;
        case kTransferComplete:
            SetEvent(m_hTransferComplete);
            break;
        case kFlush:
        {
            size_t dropped;
            {
                std::lock_guard lock(m_writeLock);
                dropped = m_writes.size();
                m_writes.clear();
            }
            AfxTrace("%d packets ignored.\n", static_cast<int>(dropped));
            SetEvent(m_hTransferComplete);
            break;
        }
        case kWriteBuffer:
            if (request.buffer && request.size > 0)
                WriterGeneric(request.buffer, static_cast<DWORD>(request.size));
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            ReportCommError("Bad write request");
            break;
        }
    }
}

void CTerminalEngine::WriterGeneric(const char* data, DWORD count)
{
    if (m_settings.noWriting)
        return;
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    if (!event)
    {
        ReportCommError("CreateEvent (overlapped write hEvent)");
        return;
    }
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD written = 0;
    if (WriteFile(m_hPort, data, count, &written, &ov))
    {
        if (written < count)
            UpdateStatus("Write timed out. (immediate)\r\n");
    }
    else if (GetLastError() == ERROR_IO_PENDING)
    {
        const HANDLE waits[2] = {event, m_hThreadExit};
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0)
        {
            if (!GetOverlappedResult(m_hPort, &ov, &written, FALSE))
            {
                if (GetLastError() == ERROR_OPERATION_ABORTED)
                    UpdateStatus("Write aborted\r\n");
                else
                    ReportCommError("GetOverlappedResult(in Writer)");
            }
            else if (written < count)
            {
                if (GetLastError() == 0 && m_settings.showTimeouts)
                    UpdateStatus("Write timed out. (overlapped)\r\n");
                else
                    ReportCommError("Error writing data to port (overlapped)");
            }
        }
        else if (r == WAIT_OBJECT_0 + 1)
        {
            // Closing: end the write before its record and event go away.
            CancelIo(m_hPort);
            AbandonPending(m_hPort, ov);
        }
        else if (r == WAIT_TIMEOUT)
            UpdateStatus("Wait Timeout in WriterGeneric.\r\n");
        else
            ReportCommError("WaitForMultipleObjects (WriterGeneric)");
    }
    else
        ReportCommError("WriteFile (in Writer)");
    CloseHandle(event);
}
