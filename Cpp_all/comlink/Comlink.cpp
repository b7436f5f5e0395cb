// Comlink: serial port classes over the Win32 communications API.
#include "comlink/Comlink.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{
// ---------------------------------------------------------------------------------------------
// Error texts

struct ErrorRow
{
    int code;
    const char* text;
};

constexpr ErrorRow kErrorTexts[] = {
    {-801, "General system error"},
    {-802, "Timeout error"},
    {-803, "Operation not supported"},
    {-804, "End of file transfer"},
    {-805, "Buffer is full"},
    {-827, "Error setting break condition"},
    {-828, "Comm link couldn't be opened"},
    {-829, "Comm link couldn't be closed"},
    {-830, "Bad handshaking mode requested"},
    {-831, "Attempt to change read only line"},
    {-832, "Argument to function is bad"},
    {-833, "System call failed"},
    {-834, "Error during write operation"},
    {-835, "Error during read operation"},
    {-836, "A memory allocation failed"},
    {-838, "Comm link is already open"},
    {-839, "Used an unsupported baud rate setting"},
    {-840, "Used an unsupported parity setting"},
    {-841, "Used an unsupported stop bits setting"},
    {-842, "Used an unsupported word length setting"},
    {-843, "Device driver not installed"},
    {-844, "This device driver is not supported"},
    {-845, "The driver had a general failure"},
    {-846, "This board number is not installed"},
    {-847, "User aborted operation"},
    {-848, "Modem did not send OK"},
    {-849, "This board has already been configured"},
    {-850, "No Serial object is attached"},
    {-851, "An error occured using DOS extender API"},
    {-852, "This IRQ is already used by another comm port"},
    {-853, "Tried to hook more than the allowed IRQs"},
    {-854, "General Error, non-specfic"},
    {-855, "Error occurred using the NASI interface"},
    {-856, "NASI.EXE or NASI.DLL was not set up properly"},
    {-857, "Unable to connect to a modem on a NASI server"},
    {-858, "Win 32s thunking layer failed to initialize "},
    {-901, "User cancelled transfer"},
    {-902, "Error opening file"},
    {-903, "Error reading from file"},
    {-904, "Error writing to file"},
    {-905, "Error closing file"},
    {-906, "Error tranferring file"},
    {-907, "Too many retries on the packet"},
    {-908, "Too many errors"},
    {-909, "Timeout error"},
    {-910, "Received EOF error"},
    {-911, "Transmitted EOF error"},
    {-912, "End of transfer error"},
    {-913, "Synchronization error"},
    {-914, "Remote end cancelled transfer"},
    {-915, "Init packet was not acknowledged"},
    {-916, "Packet was NAK'ed"},
    {-917, "Duplicate packet was received"},
    {-918, "Incomplete packet was received"},
    {-919, "Invalid file header was received"},
    {-920, "Insufficient memory for transfer"},
    {-921, "Internal logic error"},
    {-922, "Unable to send NACK"},
    {-923, "Unable to send ACK"},
    {-924, "Unable to send data byte"},
    {-925, "Unable to send data buffer"},
    {-926, "Unable to find the file"},
    {-927, "File Engine was not created"},
    {-928, "Protocol error"},
    {-929, "Lost carrier signal"},
    {-930, "Can't get a character from the port"},
    {-931, "General transfer error"},
    {-932, "Sent no files"},
    {-933, "Zmodem receiver should send ZSKIP"},
    {-934, "CompuServe B+ bad packet sequence"},
    {-935, "CompuServe B+ packet arrived"},
    {-950, "File engine pointer not NULL"},
    {-951, "File engine open failed"},
    {-952, "File engine close failed"},
    {-953, "File engine invalid pointer"},
    {-954, "File engine unable to set position"},
    {-955, "File engine unable to get position"},
    {-956, "File engine insufficent memory"},
    {-957, "File engine time/date error"},
};

// ---------------------------------------------------------------------------------------------
// Open counters, one per 0-based port number.

std::array<std::atomic<WORD>, kCommMaxPort + 1> g_openCount{};

// Parity letters by platform parity value.
constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};

[[noreturn]] void PureCall(int line)
{
    std::fprintf(stderr, "Pure Virtual function called @%s,%d\n", "Comlink.cpp", line);
    std::fprintf(stderr, "Unable to continue execution\n");
    std::fflush(stderr);
    std::abort();
}

// What is left of ms since start (layer clock, safe across the tick count's wrap); 0 once run out.
DWORD Remaining(DWORD start, DWORD ms)
{
    const DWORD spent = GetTickCount() - start;
    return spent >= ms ? 0 : ms - spent;
}

// Blocks for ms of layer time: a wait on an event nobody sets.
void Pause(DWORD ms)
{
    static const HANDLE never = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    WaitForSingleObject(never, ms);
}

// Reads return at once with what is queued; a waiting read sets its own time-outs and puts these
// back.
constexpr COMMTIMEOUTS kImmediateReads = {MAXDWORD, 0, 0, 0, 0};

const char* HandshakeName(int code)
{
    switch (code)
    {
    case COMM_HS_NONE:
        return "NONE   ";
    case COMM_HS_XONXOFF:
        return "XONXOFF";
    case COMM_HS_DTR:
        return "DTR    ";
    case COMM_HS_RTS:
        return "RTS    ";
    case COMM_HS_CTS:
        return "CTS    ";
    case COMM_HS_DSR:
        return "DSR    ";
    case COMM_HS_RI:
        return "RI     ";
    case COMM_HS_DCD:
        return "DCD    ";
    default:
        return "?      ";
    }
}

char YesNo(int state)
{
    return state ? '1' : '0';
}
} // namespace

const char* CommErrorText(int code)
{
    if (code == 0)
        return "Successful operation";
    if (code > 0 || code > -801 || code < -957)
        return "Unknown error code";
    for (const ErrorRow& row : kErrorTexts)
    {
        if (row.code == code)
            return row.text;
    }
    return "Unknown error code";
}

// =============================================================================================
// CSerialPortBase

CSerialPortBase::CSerialPortBase(UINT port)
    : m_portNumber(port), m_userWord1(0), m_userWord2(0), m_lastError(0)
{
}

CSerialPortBase::CSerialPortBase(const CSerialPortBase& other)
    : m_portNumber(other.m_portNumber), m_userWord1(other.m_userWord1), m_userWord2(other.m_userWord2),
      m_lastError(0)
{
}

CSerialPortBase::~CSerialPortBase()
{
    // Only a count this object took is given back: a failed open must not release the owner's.
    if (m_holdsCount && m_portNumber <= kCommMaxPort)
        --g_openCount[m_portNumber];
}

WORD CSerialPortBase::OpenCount(UINT port)
{
    return port <= kCommMaxPort ? g_openCount[port].load() : WORD(0);
}

bool CSerialPortBase::AcquireCount()
{
    if (m_holdsCount || m_portNumber > kCommMaxPort)
        return false;
    ++g_openCount[m_portNumber];
    m_holdsCount = true;
    return true;
}

bool CSerialPortBase::ReserveFirstCount()
{
    if (m_holdsCount || m_portNumber > kCommMaxPort)
        return false;
    WORD expected = 0;
    if (!g_openCount[m_portNumber].compare_exchange_strong(expected, 1))
        return false;
    m_holdsCount = true;
    return true;
}

void CSerialPortBase::ReleaseCount()
{
    if (!m_holdsCount)
        return;
    --g_openCount[m_portNumber];
    m_holdsCount = false;
}

int CSerialPortBase::Idle()
{
    PureCall(__LINE__);
}
BYTE CSerialPortBase::ReadModemStatus()
{
    PureCall(__LINE__);
}
void CSerialPortBase::ApplySettings()
{
    PureCall(__LINE__);
}
int CSerialPortBase::OpenDevice()
{
    PureCall(__LINE__);
}
int CSerialPortBase::Close()
{
    PureCall(__LINE__);
}
void CSerialPortBase::GetQueueStatus(CommQueueStatus&)
{
    PureCall(__LINE__);
}
void CSerialPortBase::SetQueueSizes(DWORD, DWORD, DWORD)
{
    PureCall(__LINE__);
}
int CSerialPortBase::SetHandshake(int, int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::GetHandshake(int&, int&)
{
    PureCall(__LINE__);
}
int CSerialPortBase::SetBreak(int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::LineControl(int, int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::SetParams(LONG, char, int, int)
{
    PureCall(__LINE__);
}
void CSerialPortBase::GetParams(LONG&, char&, int&, int&)
{
    PureCall(__LINE__);
}
void CSerialPortBase::ReadLineStatus(BYTE*)
{
    PureCall(__LINE__);
}
int CSerialPortBase::WriteChar(BYTE)
{
    PureCall(__LINE__);
}
int CSerialPortBase::WriteString(const char*)
{
    PureCall(__LINE__);
}
int CSerialPortBase::Write(const void*, int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::TransmitImmediate(BYTE)
{
    PureCall(__LINE__);
}
int CSerialPortBase::ReadChar()
{
    PureCall(__LINE__);
}
int CSerialPortBase::Read(void*, int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::ReadWithin(void* buffer, int n, DWORD)
{
    return Read(buffer, n);
}
int CSerialPortBase::Purge(int, int)
{
    PureCall(__LINE__);
}
void CSerialPortBase::DumpSettings(const CommLineSink&)
{
    PureCall(__LINE__);
}
int CSerialPortBase::Unsupported1()
{
    return COMM_NOT_SUPPORTED;
}
int CSerialPortBase::Unsupported2()
{
    return COMM_NOT_SUPPORTED;
}
void CSerialPortBase::SetEventChar(BYTE)
{
    PureCall(__LINE__);
}
int CSerialPortBase::GetEventMask(DWORD&)
{
    PureCall(__LINE__);
}
int CSerialPortBase::SetEventMask(DWORD)
{
    PureCall(__LINE__);
}
int CSerialPortBase::WaitEvent(DWORD&)
{
    PureCall(__LINE__);
}
int CSerialPortBase::GetModemLine(int)
{
    PureCall(__LINE__);
}
int CSerialPortBase::MapSystemError()
{
    PureCall(__LINE__);
}

// =============================================================================================
// CWin32Port

CWin32Port::CWin32Port(UINT port, DWORD rxQueueSize, DWORD txQueueSize, int attachOnly)
    : CSerialPortBase(port)
{
    if (attachOnly)
        return;
    if (!AllocateRecords())
    {
        Fail(COMM_NO_MEMORY);
        return;
    }
    m_rxQueueSize = rxQueueSize;
    m_txQueueSize = txQueueSize;
    ApplySettings();
    if (!IsOpen())
        return;
    LineControl(COMM_LINE_DTR, 1);
    LineControl(COMM_LINE_RTS, 1);
}

CWin32Port::CWin32Port(const CWin32Port& other) : CSerialPortBase(other)
{
    // The copy shares the device; it gets its own records so that neither frees the other's.
    if (!AllocateRecords())
    {
        Fail(COMM_NO_MEMORY);
        return;
    }
    if (other.m_dcb)
        *m_dcb = *other.m_dcb;
    if (other.m_savedTimeouts)
        *m_savedTimeouts = *other.m_savedTimeouts;
    m_rxQueueSize = other.m_rxQueueSize;
    m_txQueueSize = other.m_txQueueSize;
    m_inHandshake = other.m_inHandshake;
    m_outHandshake = other.m_outHandshake;
    m_rtsState = other.m_rtsState;
    m_dtrState = other.m_dtrState;
    m_breakState = other.m_breakState;
    m_modemStatus = other.m_modemStatus.load();
    m_savedEventMask = other.m_savedEventMask;
    if (other.HoldsCount())
    {
        m_handle = other.m_handle;
        AcquireCount();
    }
}

CWin32Port::~CWin32Port()
{
    // The last holder of the device closes it; a port that never opened has nothing to close.
    if (HoldsCount() && OpenCount(m_portNumber) == 1 && IsOpen())
        Close();
    FreeRecords();
}

bool CWin32Port::AllocateRecords()
{
    m_dcb.reset(new (std::nothrow) DCB{});
    m_readOv.reset(new (std::nothrow) OVERLAPPED{});
    m_writeOv.reset(new (std::nothrow) OVERLAPPED{});
    m_savedTimeouts.reset(new (std::nothrow) COMMTIMEOUTS{});
    if (m_readOv)
        m_readOv->hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    if (m_writeOv)
        m_writeOv->hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    if (m_dcb && m_readOv && m_readOv->hEvent && m_writeOv && m_writeOv->hEvent && m_savedTimeouts)
    {
        m_dcb->DCBlength = sizeof(DCB);
        return true;
    }
    FreeRecords();
    return false;
}

void CWin32Port::FreeRecords()
{
    for (OVERLAPPED* ov : {m_readOv.get(), m_writeOv.get()})
    {
        if (ov && ov->hEvent)
            CloseHandle(ov->hEvent);
    }
    m_dcb.reset();
    m_readOv.reset();
    m_writeOv.reset();
    m_savedTimeouts.reset();
}

int CWin32Port::Idle()
{
    Sleep(0);
    return 0;
}

COMSTAT CWin32Port::ClearErrors()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(m_handle, &errors, &status))
        m_errors |= errors;
    return status;
}

BYTE CWin32Port::ReadModemStatus()
{
    ClearErrors();
    DWORD status = 0;
    GetCommModemStatus(m_handle, &status);
    const BYTE low = BYTE(status & 0xFF);
    m_modemStatus = low;
    return low;
}

void CWin32Port::ApplySettings()
{
    if (m_portNumber > kCommMaxPort)
    {
        Fail(COMM_BAD_ARGUMENT);
        return;
    }
    if (!m_dcb)
    {
        Fail(COMM_NO_MEMORY);
        return;
    }
    // Taking the count first keeps two objects racing for one port from both opening it.
    if (!ReserveFirstCount())
    {
        Fail(COMM_ALREADY_OPEN);
        return;
    }
    if (OpenDevice() != 0)
    {
        ReleaseCount();
        return;
    }

    SetupComm(m_handle, m_rxQueueSize, m_txQueueSize);
    m_savedEventMask = 0;
    GetCommMask(m_handle, &m_savedEventMask);
    SetCommMask(m_handle, 0);

    DCB& dcb = *m_dcb;
    dcb.DCBlength = sizeof(DCB);
    GetCommState(m_handle, &dcb);
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fNull = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    dcb.XonLim = WORD(m_rxQueueSize / 4);
    dcb.XoffLim = 128;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;

    // Reads return at once with whatever is queued; the stream does its own time-outs.
    GetCommTimeouts(m_handle, m_savedTimeouts.get());
    COMMTIMEOUTS timeouts = kImmediateReads;
    SetCommTimeouts(m_handle, &timeouts);

    if (!SetCommState(m_handle, &dcb))
        Fail(MapSystemError());
}

int CWin32Port::OpenDevice()
{
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%u", m_portNumber + 1);
    m_handle = CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                          nullptr);
    if (m_handle == INVALID_HANDLE_VALUE)
        return Fail(MapSystemError());
    return 0;
}

int CWin32Port::Close()
{
    PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
    EscapeCommFunction(m_handle, CLRDTR);
    EscapeCommFunction(m_handle, CLRRTS);
    BOOL closed = CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return closed ? 0 : Fail(COMM_CLOSE_FAILED);
}

void CWin32Port::GetQueueStatus(CommQueueStatus& status)
{
    COMSTAT st = ClearErrors();
    status.rxCount = st.cbInQue;
    status.rxSize = m_rxQueueSize;
    status.txCount = st.cbOutQue;
    status.txSize = m_txQueueSize;
    status.reserved1 = 1;
    status.reserved2 = 1;
    status.flags = 0;
    if (st.fCtsHold || st.fDsrHold || st.fXoffHold)
        status.flags |= 2;
    if (st.fXoffSent)
        status.flags |= 1;
}

void CWin32Port::SetQueueSizes(DWORD rxSize, DWORD xoffLimit, DWORD txSize)
{
    if (!m_dcb)
        return;
    PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
    if (rxSize)
        m_rxQueueSize = rxSize;
    if (txSize)
        m_txQueueSize = txSize;
    m_dcb->XonLim = WORD(m_rxQueueSize / 4);
    if (xoffLimit)
        m_dcb->XoffLim = WORD(xoffLimit);
    SetupComm(m_handle, m_rxQueueSize, m_txQueueSize);
    PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR);
    PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
    if (!SetCommState(m_handle, m_dcb.get()))
        Fail(MapSystemError());
}

int CWin32Port::SetHandshake(int inCode, int outCode)
{
    if (!m_dcb)
        return Fail(COMM_NO_MEMORY);
    switch (inCode)
    {
    case COMM_HS_NONE:
    case COMM_HS_XONXOFF:
    case COMM_HS_DTR:
    case COMM_HS_RTS:
        break;
    case COMM_HS_DSR:
        return Fail(COMM_NOT_SUPPORTED);
    default:
        Fail(COMM_BAD_HANDSHAKE);
        return COMM_GENERAL_ERROR;
    }
    switch (outCode)
    {
    case COMM_HS_NONE:
    case COMM_HS_XONXOFF:
    case COMM_HS_CTS:
    case COMM_HS_DSR:
        break;
    case COMM_HS_DCD:
        return Fail(COMM_NOT_SUPPORTED);
    default:
        return Fail(COMM_BAD_ARGUMENT);
    }

    DCB& dcb = *m_dcb;
    dcb.fInX = FALSE;
    dcb.fOutX = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE)
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        dcb.fRtsControl = RTS_CONTROL_ENABLE;

    if (inCode == COMM_HS_XONXOFF)
        dcb.fInX = TRUE;
    else if (inCode == COMM_HS_DTR)
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    else if (inCode == COMM_HS_RTS)
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;

    if (outCode == COMM_HS_XONXOFF)
        dcb.fOutX = TRUE;
    else if (outCode == COMM_HS_CTS)
        dcb.fOutxCtsFlow = TRUE;
    else if (outCode == COMM_HS_DSR)
        dcb.fOutxDsrFlow = TRUE;

    if (!SetCommState(m_handle, &dcb))
        return Fail(MapSystemError());
    m_inHandshake = inCode;
    m_outHandshake = outCode;
    return 0;
}

int CWin32Port::GetHandshake(int& inCode, int& outCode)
{
    inCode = m_inHandshake;
    outCode = m_outHandshake;
    return 0;
}

int CWin32Port::SetBreak(int value)
{
    if (value < 0)
        return m_breakState;
    BOOL ok = value == 1 ? SetCommBreak(m_handle) : ClearCommBreak(m_handle);
    if (!ok)
        return Fail(COMM_BREAK_ERROR);
    m_breakState = SHORT(value);
    return value;
}

int CWin32Port::LineControl(int lineCode, int value)
{
    switch (lineCode)
    {
    case COMM_LINE_DTR:
        if (value != -1 && m_dcb)
        {
            m_dcb->fDtrControl = value ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
            EscapeCommFunction(m_handle, value ? SETDTR : CLRDTR);
            m_dtrState = value ? 1 : 0;
        }
        return m_dtrState;
    case COMM_LINE_RTS:
        if (value != -1 && m_dcb)
        {
            m_dcb->fRtsControl = value ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
            EscapeCommFunction(m_handle, value ? SETRTS : CLRRTS);
            m_rtsState = value ? 1 : 0;
        }
        return m_rtsState;
    case COMM_LINE_BREAK:
        return SetBreak(value);
    case COMM_LINE_CTS:
        return GetModemLine(MS_CTS_ON);
    case COMM_LINE_DSR:
        return GetModemLine(MS_DSR_ON);
    case COMM_LINE_RI:
        return GetModemLine(MS_RING_ON);
    case COMM_LINE_CD:
        return GetModemLine(MS_RLSD_ON);
    case 17:
    case 18:
    case 19:
    case 20:
        return 0;
    case COMM_LINE_OVERRUN:
        return (m_errors & CE_OVERRUN) ? 1 : 0;
    case COMM_LINE_PARITY:
        return (m_errors & CE_RXPARITY) ? 1 : 0;
    case COMM_LINE_FRAMING:
        return (m_errors & CE_FRAME) ? 1 : 0;
    case COMM_LINE_BREAK_DETECT:
        return (m_errors & CE_BREAK) ? 1 : 0;
    case COMM_LINE_RX_OVERFLOW:
        return (m_errors & CE_RXOVER) ? 1 : 0;
    default:
        return 2;
    }
}

int CWin32Port::SetParams(LONG baud, char parity, int dataBits, int stopBits)
{
    if (!m_dcb)
        return Fail(COMM_NO_MEMORY);
    const char* letter = std::find(std::begin(kParityLetters), std::end(kParityLetters), parity);
    if (letter == std::end(kParityLetters))
        return Fail(COMM_BAD_PARITY);
    if (dataBits < 4 || dataBits > 8)
        return Fail(COMM_BAD_DATA_BITS);
    if (stopBits != 1 && stopBits != 2)
        return Fail(COMM_BAD_STOP_BITS);

    DCB& dcb = *m_dcb;
    dcb.BaudRate = DWORD(baud);
    dcb.Parity = BYTE(letter - kParityLetters);
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.ByteSize = BYTE(dataBits);
    if (dataBits == 5)
        dcb.StopBits = ONE5STOPBITS;
    else
        dcb.StopBits = stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    if (!SetCommState(m_handle, &dcb))
        return Fail(MapSystemError());
    return 0;
}

void CWin32Port::GetParams(LONG& baud, char& parity, int& dataBits, int& stopBits)
{
    if (!m_dcb)
    {
        baud = 0;
        parity = 0;
        dataBits = 0;
        stopBits = 1;
        return;
    }
    baud = LONG(m_dcb->BaudRate);
    parity = m_dcb->Parity < std::size(kParityLetters) ? kParityLetters[m_dcb->Parity] : 0;
    dataBits = m_dcb->ByteSize;
    stopBits = m_dcb->StopBits == TWOSTOPBITS ? 2 : 1;
}

void CWin32Port::ReadLineStatus(BYTE states[4])
{
    // Line codes in packing order: byte 0..3, low bits first.
    static constexpr int kOrder[4][4] = {
        {COMM_LINE_DTR, COMM_LINE_RTS, COMM_LINE_BREAK, COMM_LINE_DSR},
        {COMM_LINE_CTS, COMM_LINE_RI, COMM_LINE_CD, 20},
        {19, 17, 18, COMM_LINE_BREAK_DETECT},
        {COMM_LINE_PARITY, COMM_LINE_FRAMING, COMM_LINE_RX_OVERFLOW, COMM_LINE_OVERRUN}};
    ReadModemStatus();
    for (int b = 0; b < 4; ++b)
    {
        BYTE packed = 0;
        for (int f = 0; f < 4; ++f)
            packed |= BYTE((LineControl(kOrder[b][f], -1) & 3) << (2 * f));
        states[b] = packed;
    }
    m_errors = 0;
    m_modemStatus = 0;
}

int CWin32Port::WriteChar(BYTE ch)
{
    return Write(&ch, 1) == 1 ? 0 : LastError();
}

int CWin32Port::WriteString(const char* text)
{
    return text ? Write(text, int(std::strlen(text))) : 0;
}

void CWin32Port::Rearm(OVERLAPPED& ov)
{
    HANDLE event = ov.hEvent;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    ResetEvent(event);
}

DWORD CWin32Port::FinishOverlapped(OVERLAPPED& ov, bool& timedOut, DWORD waitMs)
{
    DWORD moved = 0;
    timedOut = WaitForSingleObject(ov.hEvent, waitMs) != WAIT_OBJECT_0;
    if (timedOut)
    {
        // Give up on what is still held back; what already went out is counted.
        CancelIo(m_handle);
        GetOverlappedResult(m_handle, &ov, &moved, TRUE);
        return moved;
    }
    if (!GetOverlappedResult(m_handle, &ov, &moved, FALSE))
        ClearErrors();
    return moved;
}

int CWin32Port::Write(const void* buffer, int n)
{
    if (!buffer || n <= 0)
        return 0;
    if (!m_writeOv)
        return Fail(COMM_NO_MEMORY);
    COMSTAT st = ClearErrors();
    DWORD room = m_txQueueSize > st.cbOutQue ? m_txQueueSize - st.cbOutQue : 0;
    DWORD wanted = std::min<DWORD>(DWORD(n), room);
    DWORD written = 0;
    bool timedOut = false;
    if (wanted > 0)
    {
        Rearm(*m_writeOv);
        if (!WriteFile(m_handle, buffer, wanted, &written, m_writeOv.get()))
        {
            written = 0;
            if (::GetLastError() == ERROR_IO_PENDING)
                written = FinishOverlapped(*m_writeOv, timedOut);
            else
                ClearErrors();
        }
    }
    if (timedOut)
        Fail(COMM_TIMEOUT);
    else if (written < DWORD(n))
        Fail(COMM_BUFFER_FULL);
    return int(written);
}

int CWin32Port::TransmitImmediate(BYTE ch)
{
    return TransmitCommChar(m_handle, char(ch)) ? 0 : Fail(COMM_GENERAL_ERROR);
}

int CWin32Port::ReadChar()
{
    BYTE ch = 0;
    return Read(&ch, 1) == 1 ? int(ch) : COMM_TIMEOUT;
}

int CWin32Port::Read(void* buffer, int n)
{
    if (!buffer || n <= 0 || !m_readOv)
        return 0;
    COMSTAT st = ClearErrors();
    if (st.cbInQue == 0)
        return 0;
    return int(ReadOverlapped(buffer, std::min<DWORD>(DWORD(n), st.cbInQue), kTransferWaitMs));
}

int CWin32Port::ReadWithin(void* buffer, int n, DWORD waitMs)
{
    const int got = Read(buffer, n);
    if (got > 0 || waitMs == 0 || !buffer || n <= 0)
        return got;
    // Nothing queued: the device waits for the first byte and hands over what came with it. The
    // overlapped wait outlasts the read's own time-out, so it ends by that, never by a cancel.
    const DWORD firstByteMs = std::min<DWORD>(waitMs, MAXDWORD - 2 * kTransferWaitMs);
    COMMTIMEOUTS firstByte = {MAXDWORD, MAXDWORD, firstByteMs, 0, 0};
    if (!m_readOv || !SetCommTimeouts(m_handle, &firstByte))
    {
        // No line to wait on: let the time pass all the same rather than be polled through.
        Pause(waitMs);
        return 0;
    }
    const DWORD moved = ReadOverlapped(buffer, DWORD(n), firstByteMs + kTransferWaitMs);
    COMMTIMEOUTS immediate = kImmediateReads;
    SetCommTimeouts(m_handle, &immediate);
    return int(moved);
}

DWORD CWin32Port::ReadOverlapped(void* buffer, DWORD n, DWORD waitMs)
{
    DWORD got = 0;
    Rearm(*m_readOv);
    if (!ReadFile(m_handle, buffer, n, &got, m_readOv.get()))
    {
        got = 0;
        bool timedOut = false;
        if (::GetLastError() == ERROR_IO_PENDING)
            got = FinishOverlapped(*m_readOv, timedOut, waitMs);
        else
            ClearErrors();
    }
    return got;
}

int CWin32Port::Purge(int clearTransmit, int rxCount)
{
    if (clearTransmit)
    {
        PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
        return 0;
    }
    if (rxCount == 0)
    {
        PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR);
        return 0;
    }
    for (int i = 0; i < rxCount; ++i)
    {
        if (ReadChar() < 0)
            return 0;
    }
    return Fail(COMM_GENERAL_ERROR);
}

void CWin32Port::DumpSettings(const CommLineSink& sink)
{
    if (!sink || !m_dcb)
        return;
    const DCB& d = *m_dcb;
    char line[256];
    std::snprintf(line, sizeof line, "Port type: MS Win32  BaudRate: %-6u  ByteSize: %1d  Parity: %1d",
                  unsigned(d.BaudRate), int(d.ByteSize), int(d.Parity));
    sink(line);
    std::snprintf(line, sizeof line, "StopBits: %1d  fBinary: %1d  fRtsControl: %1d", int(d.StopBits),
                  int(d.fBinary), int(d.fRtsControl));
    sink(line);
    std::snprintf(line, sizeof line,
                  "Parity: %1d  OutCtsFlow: %1d  OutDsrFlow: %1d  DtrControl: %1d  OutX: %1d  InX: %1d",
                  int(d.fParity), int(d.fOutxCtsFlow), int(d.fOutxDsrFlow), int(d.fDtrControl), int(d.fOutX),
                  int(d.fInX));
    sink(line);
    std::snprintf(line, sizeof line, "Null: %1d  XonChar: %02x  XoffChar: %02x", int(d.fNull),
                  unsigned(BYTE(d.XonChar)), unsigned(BYTE(d.XoffChar)));
    sink(line);
    std::snprintf(line, sizeof line, "XonLim: %-5u XoffLim: %-5u EofChr: %02x  EvtChr: %02x",
                  unsigned(d.XonLim), unsigned(d.XoffLim), unsigned(BYTE(d.EofChar)),
                  unsigned(BYTE(d.EvtChar)));
    sink(line);
    CommQueueStatus q{};
    GetQueueStatus(q);
    std::snprintf(line, sizeof line,
                  "RX sz/ct: %5d/%-5d  TX sz/ct: %5d/%-5d  BLOCK SENT:%d  BLOCK RECEIVED:%d", int(q.rxSize),
                  int(q.rxCount), int(q.txSize), int(q.txCount), (q.flags & 1) ? 1 : 0,
                  (q.flags & 2) ? 1 : 0);
    sink(line);
}

void CWin32Port::SetEventChar(BYTE ch)
{
    if (!m_dcb)
        return;
    m_dcb->EvtChar = char(ch);
    if (!SetCommState(m_handle, m_dcb.get()))
        Fail(MapSystemError());
}

int CWin32Port::GetEventMask(DWORD& mask)
{
    mask = 0;
    return GetCommMask(m_handle, &mask) ? 0 : Fail(MapSystemError());
}

int CWin32Port::SetEventMask(DWORD mask)
{
    return SetCommMask(m_handle, mask) ? 0 : Fail(MapSystemError());
}

int CWin32Port::WaitEvent(DWORD& bits)
{
    bits = 0;
    return WaitCommEvent(m_handle, &bits, nullptr) ? 0 : Fail(MapSystemError());
}

int CWin32Port::GetModemLine(int mask)
{
    if (mask == 1)
        return m_dtrState;
    if (mask == 2)
        return m_rtsState;
    return (m_modemStatus & mask) == mask ? 1 : 0;
}

int CWin32Port::MapSystemError()
{
    return COMM_GENERAL_ERROR;
}

// =============================================================================================
// CPortSettings

CPortSettings::CPortSettings(CSerialPortBase* port) : m_port(port)
{
    if (!m_port)
        return;
    m_port->GetParams(m_savedBaud, m_savedParity, m_savedDataBits, m_savedStopBits);
    Apply();
}

CPortSettings::~CPortSettings()
{
    if (m_port)
        m_port->SetParams(m_savedBaud, m_savedParity, m_savedDataBits, m_savedStopBits);
}

int CPortSettings::Apply()
{
    return m_port ? m_port->SetParams(m_baud, m_parity, m_dataBits, m_stopBits) : COMM_GENERAL_ERROR;
}

int CPortSettings::Set(LONG baud, char parity, int dataBits, int stopBits)
{
    const LONG oldBaud = m_baud;
    const char oldParity = m_parity;
    const int oldData = m_dataBits;
    const int oldStop = m_stopBits;
    m_baud = baud;
    m_parity = parity;
    m_dataBits = dataBits;
    m_stopBits = stopBits;
    int code = Apply();
    if (code != 0)
    {
        m_baud = oldBaud;
        m_parity = oldParity;
        m_dataBits = oldData;
        m_stopBits = oldStop;
    }
    return code;
}

template <class T> int CPortSettings::Change(T& field, T value, int failCode)
{
    const T old = field;
    field = value;
    if (Apply() == 0)
        return 0;
    field = old;
    return failCode;
}

int CPortSettings::SetBaud(LONG baud)
{
    return Change(m_baud, baud, COMM_GENERAL_ERROR);
}

int CPortSettings::SetParity(char parity)
{
    return Change(m_parity, parity, -1);
}

int CPortSettings::SetDataBits(int dataBits)
{
    return Change(m_dataBits, dataBits, COMM_GENERAL_ERROR);
}

int CPortSettings::SetStopBits(int stopBits)
{
    return Change(m_stopBits, stopBits, COMM_GENERAL_ERROR);
}

void CPortSettings::Dump(const CommLineSink& sink) const
{
    if (!sink)
        return;
    char line[160];
    std::snprintf(line, sizeof line, "Old Port - Baud: %6ld    Parity: %c    Data: %d    Stop: %d    ",
                  long(m_savedBaud), m_savedParity ? m_savedParity : ' ', m_savedDataBits, m_savedStopBits);
    sink(line);
    std::snprintf(line, sizeof line, "New Port - Baud: %6ld    Parity: %c    Data: %d    Stop: %d    ",
                  long(m_baud), m_parity ? m_parity : ' ', m_dataBits, m_stopBits);
    sink(line);
}

// =============================================================================================
// CLineStatus

CLineStatus::CLineStatus(CSerialPortBase* port) : m_port(port)
{
    if (!m_port)
        return;
    Refresh();
    m_port->GetHandshake(m_savedIn, m_savedOut);
    m_in = m_savedIn;
    m_out = m_savedOut;
}

CLineStatus::~CLineStatus()
{
    if (m_port)
        m_port->SetHandshake(m_savedIn, m_savedOut);
}

void CLineStatus::Refresh()
{
    if (m_port)
        m_port->ReadLineStatus(m_states);
}

int CLineStatus::State(int lineCode) const
{
    static constexpr int kCodes[16] = {COMM_LINE_DTR,
                                       COMM_LINE_RTS,
                                       COMM_LINE_BREAK,
                                       COMM_LINE_DSR,
                                       COMM_LINE_CTS,
                                       COMM_LINE_RI,
                                       COMM_LINE_CD,
                                       20,
                                       19,
                                       17,
                                       18,
                                       COMM_LINE_BREAK_DETECT,
                                       COMM_LINE_PARITY,
                                       COMM_LINE_FRAMING,
                                       COMM_LINE_RX_OVERFLOW,
                                       COMM_LINE_OVERRUN};
    for (int i = 0; i < 16; ++i)
    {
        if (kCodes[i] == lineCode)
            return (m_states[i / 4] >> (2 * (i % 4))) & 3;
    }
    return 0;
}

int CLineStatus::SetHandshake(int inCode, int outCode)
{
    if (!m_port)
        return COMM_GENERAL_ERROR;
    int code = m_port->SetHandshake(inCode, outCode);
    if (code == 0)
    {
        m_in = inCode;
        m_out = outCode;
    }
    return code;
}

int CLineStatus::GetHandshake(int& inCode, int& outCode) const
{
    inCode = m_in;
    outCode = m_out;
    return 0;
}

void CLineStatus::Dump(const CommLineSink& sink) const
{
    if (!sink)
        return;
    char line[200];
    std::snprintf(line, sizeof line, "Old Flow IN: %7s  OUT: %7s   New Flow IN: %7s  OUT: %7s   ",
                  HandshakeName(m_savedIn), HandshakeName(m_savedOut), HandshakeName(m_in),
                  HandshakeName(m_out));
    sink(line);
    std::snprintf(line, sizeof line, "DTR: %c  RTS: %c  OE: %c  PE: %c  FE: %c  BD: %c  OV: %c  ",
                  YesNo(State(COMM_LINE_DTR)), YesNo(State(COMM_LINE_RTS)), YesNo(State(COMM_LINE_OVERRUN)),
                  YesNo(State(COMM_LINE_PARITY)), YesNo(State(COMM_LINE_FRAMING)),
                  YesNo(State(COMM_LINE_BREAK_DETECT)), YesNo(State(COMM_LINE_RX_OVERFLOW)));
    sink(line);
    // The communications API reports no delta bits; they read as 0.
    std::snprintf(line, sizeof line,
                  "DSR: %c  CTS: %c  RI: %c  CD: %c  DDSR: %c  DCTS: %c  DRI: %c  DCD: %c  ",
                  YesNo(State(COMM_LINE_DSR)), YesNo(State(COMM_LINE_CTS)), YesNo(State(COMM_LINE_RI)),
                  YesNo(State(COMM_LINE_CD)), '0', '0', '0', '0');
    sink(line);
}

// =============================================================================================
// CSerialStream

CSerialStream::CSerialStream(CSerialPortBase* port) : m_port(port)
{
    // A port that failed to open is left alone; the stream then reports it through GetStatus.
    if (!m_port || m_port->LastError() != 0)
        return;
    m_settings = std::make_unique<CPortSettings>(m_port);
    m_settings->Set(9600, 'N', 8, 1);
    m_lineStatus = std::make_unique<CLineStatus>(m_port);
    m_lineStatus->SetHandshake(COMM_HS_NONE, COMM_HS_NONE);
}

CSerialStream::~CSerialStream()
{
    m_lineStatus.reset();
    m_settings.reset();
}

int CSerialStream::ReadChar(DWORD timeoutMs)
{
    if (!m_port)
        return COMM_TIMEOUT;
    char ch = 0;
    int count = 0;
    const int code = Collect(&ch, 1, -1, timeoutMs, count);
    if (code < 0)
        return code;
    return count == 1 ? int(BYTE(ch)) : COMM_TIMEOUT;
}

int CSerialStream::Collect(char* buffer, int n, int terminator, DWORD timeoutMs, int& count)
{
    const DWORD start = GetTickCount();
    count = 0;
    while (count < n)
    {
        // A line is taken a byte at a time so that nothing after its terminator is consumed.
        const int want = terminator == -1 ? n - count : 1;
        const int got = m_port->ReadWithin(buffer + count, want, Remaining(start, timeoutMs));
        if (got > 0)
        {
            count += got;
            if (terminator != -1 && BYTE(buffer[count - 1]) == terminator)
                break;
        }
        if (count >= n || (got <= 0 && Remaining(start, timeoutMs) == 0))
            break;
        const int idle = m_port->Idle();
        if (idle < 0)
            return idle;
    }
    return 0;
}

int CSerialStream::WriteChar(BYTE ch)
{
    if (!m_port)
        return COMM_NOT_ATTACHED;
    int code = m_port->WriteChar(ch);
    if (code != 0 || m_charPause == 0)
        return code;
    return Delay(m_charPause);
}

int CSerialStream::ReadLine(char* buffer, int maxCount, int terminator, DWORD timeoutMs)
{
    if (!buffer)
        return 0;
    int count = 0;
    const int code = m_port ? Collect(buffer, maxCount, terminator, timeoutMs, count) : 0;
    buffer[count] = 0;
    return code < 0 ? code : count;
}

int CSerialStream::WriteString(const char* text, int terminatorCode)
{
    if (!text || !m_port || terminatorCode < -3 || terminatorCode > 255)
        return 0;
    int length = int(std::strlen(text));
    int count = m_port->WriteString(text);
    if (count < length)
        return count;
    BYTE terminator[2];
    int terminatorLength = 0;
    if (terminatorCode == -3)
    {
        terminator[0] = 13;
        terminator[1] = 10;
        terminatorLength = 2;
    }
    else if (terminatorCode == -2)
    {
        terminator[0] = 10;
        terminatorLength = 1;
    }
    else if (terminatorCode >= 0)
    {
        terminator[0] = BYTE(terminatorCode);
        terminatorLength = 1;
    }
    for (int i = 0; i < terminatorLength; ++i)
    {
        if (WriteChar(terminator[i]) != 0)
            return count;
        ++count;
    }
    return count;
}

int CSerialStream::WritePrintf(const char* format, ...)
{
    if (!format)
        return COMM_GENERAL_ERROR;
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return COMM_GENERAL_ERROR;
    return WriteBytes(buffer, std::min<int>(n, int(sizeof buffer) - 1));
}

int CSerialStream::WriteBytes(const void* buffer, int n)
{
    return buffer && m_port ? m_port->Write(buffer, n) : 0;
}

int CSerialStream::ReadBytes(void* buffer, int n, DWORD timeoutMs)
{
    if (!buffer)
        return 0;
    char* bytes = static_cast<char*>(buffer);
    if (n < 0 || !m_port)
    {
        bytes[0] = 0;
        return 0;
    }
    int count = 0;
    const int code = Collect(bytes, n, -1, timeoutMs, count);
    bytes[count] = 0;
    return code < 0 ? code : count;
}

int CSerialStream::BytesWaiting()
{
    if (!m_port)
        return 0;
    CommQueueStatus q{};
    m_port->GetQueueStatus(q);
    return int(q.rxCount);
}

int CSerialStream::TxBytesWaiting()
{
    if (!m_port)
        return 0;
    CommQueueStatus q{};
    m_port->GetQueueStatus(q);
    return int(q.txCount);
}

void CSerialStream::PurgeInput()
{
    if (m_port)
        m_port->Purge(0, 0);
}

int CSerialStream::GetStatus(BYTE flags[2])
{
    flags[0] = 0;
    flags[1] = 0;
    if (!m_port)
        return COMM_NOT_ATTACHED;
    int code = m_port->TakeLastError();
    if (code != 0)
        return code;
    if (!m_lineStatus)
        return COMM_OPEN_FAILED;
    m_lineStatus->Refresh();
    if (m_lineStatus->State(COMM_LINE_PARITY))
        flags[0] |= 1;
    if (m_lineStatus->State(COMM_LINE_FRAMING))
        flags[0] |= 2;
    if (m_lineStatus->State(COMM_LINE_RX_OVERFLOW))
        flags[0] |= 4;
    if (m_lineStatus->State(COMM_LINE_OVERRUN))
        flags[0] |= 8;
    if (m_lineStatus->State(COMM_LINE_BREAK_DETECT))
        flags[0] |= 16;
    return 0;
}

int CSerialStream::Delay(DWORD ms)
{
    if (!m_port || ms == 0)
        return 0;
    Pause(ms);
    const int idle = m_port->Idle();
    return idle < 0 ? idle : 0;
}

void CSerialStream::SendBreak(DWORD ms)
{
    if (!m_port)
        return;
    m_port->SetBreak(1);
    Delay(ms);
    m_port->SetBreak(0);
}

int CSerialStream::SetHandshake(int inCode, int outCode)
{
    return m_lineStatus ? m_lineStatus->SetHandshake(inCode, outCode) : COMM_OPEN_FAILED;
}

int CSerialStream::GetHandshake(int& inCode, int& outCode)
{
    if (!m_lineStatus)
    {
        inCode = 0;
        outCode = 0;
        return COMM_OPEN_FAILED;
    }
    return m_lineStatus->GetHandshake(inCode, outCode);
}

int CSerialStream::SetBaud(LONG baud)
{
    return m_settings ? m_settings->SetBaud(baud) : COMM_OPEN_FAILED;
}

int CSerialStream::SetParity(char parity)
{
    return m_settings ? m_settings->SetParity(parity) : COMM_OPEN_FAILED;
}

int CSerialStream::SetDataBits(int dataBits)
{
    return m_settings ? m_settings->SetDataBits(dataBits) : COMM_OPEN_FAILED;
}

int CSerialStream::SetStopBits(int stopBits)
{
    return m_settings ? m_settings->SetStopBits(stopBits) : COMM_OPEN_FAILED;
}

int CSerialStream::SetAll(LONG baud, char parity, int dataBits, int stopBits)
{
    if (!m_settings)
        return COMM_OPEN_FAILED;
    return m_settings->Set(baud, parity, dataBits, stopBits) == 0 ? 0 : COMM_GENERAL_ERROR;
}

void CSerialStream::Dump(const CommLineSink& sink)
{
    if (!m_port)
        return;
    m_port->DumpSettings(sink);
    if (m_settings)
        m_settings->Dump(sink);
    if (m_lineStatus)
        m_lineStatus->Dump(sink);
}
