#include "comm/Comm.h"

#include "mfc/ModuleState.h"
#include "mfc/WinAppCore.h"
#include "res/resource.h"
#include "win32/prompt.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr DWORD kRxQueueSize = 10000;
constexpr DWORD kTxQueueSize = 256;
constexpr int kMaxLine = 100; // bytes of one reply; the caller's buffer holds one more
constexpr DWORD kLongTimeoutMs = 3000;
// The transmit queue's count raises no event: WaitTransmitDone looks at it again at this period.
constexpr DWORD kDrainPollMs = 10;
// Events that wake the status thread: received character, event character, CTS, DSR, carrier.
constexpr DWORD kStatusEvents = EV_RXCHAR | EV_RXFLAG | EV_CTS | EV_DSR | EV_RLSD;
constexpr DWORD kLineChanges = EV_CTS | EV_DSR | EV_RLSD;

// With KEL_TRACE set, the head traffic goes to stderr ("COM3 > RDA\r\n"): the first thing to
// look at when a head misbehaves in the field.
void TraceBytes(int port, const char* direction, const void* data, int n)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    for (int i = 0; i < n; ++i)
    {
        const unsigned char c = bytes[i];
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c < 32 || c >= 127)
        {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        }
        else
            text += char(c);
    }
    AfxTrace("COM%d %s %s\n", port + 1, direction, text.c_str());
}

void StopBox(LPCTSTR text)
{
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

void StopBox(UINT id)
{
    AfxMessageBox(id, MB_OK | MB_ICONSTOP);
}

// A plain box without an icon, captioned like the framework's boxes.
void PlainBox(LPCTSTR text)
{
    CWinApp* app = AfxGetApp();
    ::MessageBox(nullptr, text, app && app->m_pszAppName ? app->m_pszAppName : "", MB_OK);
}
} // namespace

IMPLEMENT_SERIAL(CComm, CObject, 1)

// =============================================================================================
// CCommPort

CCommPort::CCommPort(UINT port, DWORD rxQueueSize, DWORD txQueueSize)
    : CWin32Port(port, rxQueueSize, txQueueSize), m_hEvent(CreateEvent(nullptr, TRUE, FALSE, nullptr))
{
}

CCommPort::~CCommPort()
{
    if (m_hEvent)
        CloseHandle(m_hEvent);
}

int CCommPort::Idle()
{
    return 1;
}

// =============================================================================================
// CComm

CComm::CComm()
    : m_baudRate(28800), m_portNumber(1), m_ignoreDsr(0),
      m_hCommEvent(CreateEvent(nullptr, FALSE, FALSE, nullptr)), m_lastEventBits(0), m_dsrSeen(-1)
{
}

CComm::~CComm()
{
    m_pStream.reset();
    m_pPort.reset();
    if (m_hCommEvent)
        CloseHandle(m_hCommEvent);
}

void CComm::Serialize(CArchive&) {}

int CComm::Open(int port)
{
    CWinApp* app = AfxGetApp();
    if (app && app->GetProfileInt("Dangerous", "Disable DSR", 0) == 1)
        m_ignoreDsr = 1;
    m_portNumber = port;

    // A second Open gives up the old line first.
    m_pStream.reset();
    m_pPort.reset();
    m_dsrSeen = -1;
    m_pPort = std::make_unique<CCommPort>(UINT(port), kRxQueueSize, kTxQueueSize);
    m_pStream = std::make_unique<CSerialStream>(m_pPort.get());

    BYTE flags[2];
    int code = m_pStream->GetStatus(flags);
    if (code != 0)
    {
        CString text("Error Opening Com Port!\n");
        text += CommErrorText(code);
        // A system error alone does not help on Linux: name the device and the cause too.
        const std::string detail = kel::LastCommErrorDetail();
        if (code == COMM_GENERAL_ERROR && !detail.empty())
        {
            text += "\n";
            text += detail.c_str();
        }
        StopBox(text);
        return code;
    }
    code = m_pStream->SetHandshake(COMM_HS_RTS, COMM_HS_CTS);
    if (code != 0)
    {
        CString text;
        text.Format("Error Setting RTS/CTS handshake lines! Error=%d", code);
        StopBox(text);
        return code;
    }
    // A line at the wrong speed is not usable: report the failure (SetBaudRate showed it).
    return SetBaudRate(m_baudRate);
}

int CComm::CheckStatus()
{
    if (!m_pStream)
    {
        StopBox(IDS_COMM_NOT_OPEN);
        return 0;
    }
    BYTE flags[2];
    int code = m_pStream->GetStatus(flags);
    if (code == 0)
        return 1;
    StopBox(CommErrorText(code));
    return 0;
}

int CComm::Send(const char* command)
{
    if (!CheckStatus())
        return 0;
    if (!command)
        return 0;
    const int wanted = int(std::strlen(command)) + 2;
    const int written = m_pStream->WriteString(command, -3);
    TraceBytes(m_portNumber, ">", (std::string(command) + "\r\n").c_str(), written);
    if (written < wanted)
    {
        // The head would see half a command: say so now rather than at the next call.
        CheckStatus();
        return 0;
    }
    return 1;
}

int CComm::ReadLine(char* buffer, DWORD timeoutMs)
{
    if (!buffer)
        return 0;
    buffer[0] = 0;
    if (!CheckStatus())
        return 0;
    int count = m_pStream->ReadLine(buffer, kMaxLine, 13, timeoutMs);
    if (count > 0)
    {
        TraceBytes(m_portNumber, "<", buffer, count);
        return count;
    }
    BYTE flags[2];
    m_pStream->GetStatus(flags);
    return 0;
}

int CComm::ReadLineKeepStatus(char* buffer, DWORD timeoutMs)
{
    if (!buffer)
        return 0;
    buffer[0] = 0;
    if (!m_pStream)
    {
        StopBox(IDS_COMM_NOT_OPEN);
        return 0;
    }
    int count = m_pStream->ReadLine(buffer, kMaxLine, 13, timeoutMs);
    if (count <= 0)
        return 0;
    TraceBytes(m_portNumber, "<", buffer, count);
    return count;
}

int CComm::ReadLong(LONG* value)
{
    if (value)
        *value = 0;
    if (!value || !CheckStatus())
        return 0;
    BYTE bytes[5];
    const int count = m_pStream->ReadBytes(bytes, 4, kLongTimeoutMs);
    TraceBytes(m_portNumber, "<", bytes, count > 0 ? count : 0);
    if (count < 4)
        return 0;
    const uint32_t raw =
        uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    *value = LONG(raw);
    return 1;
}

int CComm::WriteLong(LONG value)
{
    if (!CheckStatus())
        return 0;
    const uint32_t raw = uint32_t(value);
    const BYTE bytes[4] = {BYTE(raw), BYTE(raw >> 8), BYTE(raw >> 16), BYTE(raw >> 24)};
    const int written = m_pStream->WriteBytes(bytes, 4);
    TraceBytes(m_portNumber, ">", bytes, written);
    return written == 4 ? 1 : 0;
}

int CComm::GetBytesWaiting(DWORD* count)
{
    if (!m_pStream)
    {
        StopBox(IDS_COMM_NOT_OPEN);
        return 0;
    }
    if (count)
        *count = DWORD(m_pStream->BytesWaiting());
    return 1;
}

int CComm::WaitForBytes(DWORD count, DWORD* available, DWORD timeoutMs)
{
    if (!m_pStream)
    {
        StopBox(IDS_COMM_NOT_OPEN);
        return 0;
    }
    DWORD waiting = DWORD(m_pStream->BytesWaiting());
    if (available)
        *available = waiting;
    while (waiting < count)
    {
        if (WaitForSingleObject(m_hCommEvent, timeoutMs) != WAIT_OBJECT_0)
            return 0;
        const DWORD bits = m_lastEventBits;
        if (bits & (EV_ERR | EV_BREAK | EV_RLSD))
            return 0;
        waiting = DWORD(m_pStream->BytesWaiting());
        if (available)
            *available = waiting;
    }
    return 1;
}

int CComm::DsrOn()
{
    // The fresh status word itself, not the port's stored copy: the reader thread's status
    // check clears that copy at any moment.
    return m_pPort && (m_pPort->ReadModemStatus() & MS_DSR_ON) ? 1 : 0;
}

int CComm::OnCommEvent()
{
    if (!m_pPort || !m_pPort->IsOpen())
        return -1;
    DWORD mask = 0;
    m_pPort->GetEventMask(mask);
    // DSR before this wait is what the last round saw after its wait: a drop that came between
    // two rounds must still count as a drop from "on".
    int known = m_dsrSeen;
    if (known < 0)
        known = DsrOn();
    const bool dsrWasOn = m_ignoreDsr || known;
    // Setting the mask drops the events recorded so far: only arm it when it changes, so a line
    // change between two rounds is not lost.
    if ((mask | kStatusEvents) != mask)
        m_pPort->SetEventMask(mask | kStatusEvents);

    DWORD bits = 0;
    const int code = m_pPort->WaitEvent(bits);
    m_lastEventBits = bits;
    const int dsrNow = DsrOn();
    // A drop just after a wait that ended for other events is reported to the next wait; until
    // then DSR stays as last seen, so that wait still counts as one that began with DSR on.
    m_dsrSeen = (bits & kLineChanges) ? dsrNow : known;
    SetEvent(m_hCommEvent);
    if (code != 0 && m_pPort->IsOpen())
    {
        // The device went away under the wait (an adapter pulled out): the line is gone, and
        // going round again would only spin.
        PlainBox("Line is disconnected!");
        return -1;
    }

    if (!(bits & kLineChanges) || m_ignoreDsr)
        return 0;
    if (dsrNow || !dsrWasOn)
        return 0;
    PlainBox("Line is disconnected!");
    return -1;
}

int CComm::IsDsrHigh()
{
    if (m_ignoreDsr)
        return 1;
    return DsrOn();
}

int CComm::IsCtsOn()
{
    return m_pPort && (m_pPort->ReadModemStatus() & MS_CTS_ON) ? 1 : 0;
}

int CComm::SetBaudRate(LONG baud)
{
    if (!m_pStream)
    {
        m_baudRate = baud;
        return 0;
    }
    if (m_pStream->SetBaud(baud) != 0)
    {
        StopBox("Could not Set baud rate! ");
        return COMM_GENERAL_ERROR;
    }
    m_baudRate = baud;
    return 0;
}

LONG CComm::GetBaudRate()
{
    CPortSettings* settings = m_pStream ? m_pStream->GetSettings() : nullptr;
    return settings ? settings->m_baud : m_baudRate;
}

void CComm::Purge()
{
    if (m_pStream)
        m_pStream->PurgeInput();
}

int CComm::WaitTransmitDone()
{
    if (!m_pStream)
        return 0;
    // The queue must keep draining: a line held by CTS must not hang the caller.
    int last = m_pStream->TxBytesWaiting();
    DWORD since = GetTickCount();
    while (last > 0)
    {
        if (m_pStream->Delay(kDrainPollMs) < 0)
            return 0;
        int now = m_pStream->TxBytesWaiting();
        if (now < last)
            since = GetTickCount();
        else if (GetTickCount() - since >= CWin32Port::kTransferWaitMs)
            return 0;
        last = now;
    }
    return 1;
}

int CComm::DrainInput(int tenths)
{
    if (!m_pStream)
    {
        StopBox(IDS_COMM_NOT_OPEN);
        return 0;
    }
    if (m_pStream->Delay(DWORD(tenths > 0 ? tenths : 0) * 100) < 0)
    {
        StopBox(IDS_COMM_TIMER_FAILURE);
        return 0;
    }
    return 1;
}
