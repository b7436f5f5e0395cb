// Serial lines: the communications calls on handles opened with CreateFile("\\.\COMn").
//
// COM numbers map to Linux devices in this order:
//   1. in-process virtual ports registered by the test kit;
//   2. explicit assignments: the environment variable KEL_COM_MAP, for example
//      KEL_COM_MAP="COM1=/dev/ttyUSB0;COM3=/tmp/vtty" (entries separated by ';' or ',', names
//      case-insensitive), then the settings values HKEY_CURRENT_USER\Software\kel\Serial "COMn"
//      (REG_SZ, the device path);
//   3. the serial devices found under /sys/class/tty: UARTs that really exist (ttyS*, numerically),
//      then USB adapters (ttyUSB*), then modems (ttyACM*), numbered COM1.. and skipping the numbers
//      assigned explicitly. KEL_SERIAL_CLASS_DIR names another folder to look in (an empty one
//      hides the machine's ports from a program under test).
// Pseudo-terminals work as ports; lines a device cannot report (no modem lines) read as on.
#pragma once

#include "win32/types.h"

#include <string>

typedef struct _OVERLAPPED* LPOVERLAPPED;

// ---- Device control block -------------------------------------------------------------------------

typedef struct _DCB
{
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
} DCB, *LPDCB;

typedef struct _COMMTIMEOUTS
{
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
} COMMTIMEOUTS, *LPCOMMTIMEOUTS;

typedef struct _COMSTAT
{
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
} COMSTAT, *LPCOMSTAT;

// What a port can do (GetCommProperties).
typedef struct _COMMPROP
{
    WORD wPacketLength;
    WORD wPacketVersion;
    DWORD dwServiceMask;
    DWORD dwReserved1;
    DWORD dwMaxTxQueue;
    DWORD dwMaxRxQueue;
    DWORD dwMaxBaud;
    DWORD dwProvSubType;
    DWORD dwProvCapabilities;
    DWORD dwSettableParams;
    DWORD dwSettableBaud;
    WORD wSettableData;
    WORD wSettableStopParity;
    DWORD dwCurrentTxQueue;
    DWORD dwCurrentRxQueue;
    DWORD dwProvSpec1;
    DWORD dwProvSpec2;
    WCHAR wcProvChar[1];
} COMMPROP, *LPCOMMPROP;

#define SP_SERIALCOMM 0x00000001
#define PST_RS232 0x00000001
#define BAUD_075 0x00000001
#define BAUD_110 0x00000002
#define BAUD_134_5 0x00000004
#define BAUD_150 0x00000008
#define BAUD_300 0x00000010
#define BAUD_600 0x00000020
#define BAUD_1200 0x00000040
#define BAUD_1800 0x00000080
#define BAUD_2400 0x00000100
#define BAUD_4800 0x00000200
#define BAUD_7200 0x00000400
#define BAUD_9600 0x00000800
#define BAUD_14400 0x00001000
#define BAUD_19200 0x00002000
#define BAUD_38400 0x00004000
#define BAUD_56K 0x00008000
#define BAUD_128K 0x00010000
#define BAUD_115200 0x00020000
#define BAUD_57600 0x00040000
#define BAUD_USER 0x10000000
#define PCF_DTRDSR 0x0001
#define PCF_RTSCTS 0x0002
#define PCF_RLSD 0x0004
#define PCF_PARITY_CHECK 0x0008
#define PCF_XONXOFF 0x0010
#define PCF_SETXCHAR 0x0020
#define PCF_TOTALTIMEOUTS 0x0040
#define PCF_INTTIMEOUTS 0x0080
#define PCF_SPECIALCHARS 0x0100
#define PCF_16BITMODE 0x0200
#define SP_PARITY 0x0001
#define SP_BAUD 0x0002
#define SP_DATABITS 0x0004
#define SP_STOPBITS 0x0008
#define SP_HANDSHAKING 0x0010
#define SP_PARITY_CHECK 0x0020
#define SP_RLSD 0x0040
#define DATABITS_5 0x0001
#define DATABITS_6 0x0002
#define DATABITS_7 0x0004
#define DATABITS_8 0x0008
#define STOPBITS_10 0x0001
#define STOPBITS_15 0x0002
#define STOPBITS_20 0x0004
#define PARITY_NONE 0x0100
#define PARITY_ODD 0x0200
#define PARITY_EVEN 0x0400
#define PARITY_MARK 0x0800
#define PARITY_SPACE 0x1000

#ifndef MAXDWORD
#define MAXDWORD 0xffffffffu
#endif

// Baud rates. Any other positive rate is accepted as well (the tty layer programs it exactly).
#define CBR_110 110
#define CBR_300 300
#define CBR_600 600
#define CBR_1200 1200
#define CBR_2400 2400
#define CBR_4800 4800
#define CBR_9600 9600
#define CBR_14400 14400
#define CBR_19200 19200
#define CBR_38400 38400
#define CBR_56000 56000
#define CBR_57600 57600
#define CBR_115200 115200
#define CBR_128000 128000
#define CBR_256000 256000

#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4

#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2

#define DTR_CONTROL_DISABLE 0x00
#define DTR_CONTROL_ENABLE 0x01
#define DTR_CONTROL_HANDSHAKE 0x02

#define RTS_CONTROL_DISABLE 0x00
#define RTS_CONTROL_ENABLE 0x01
#define RTS_CONTROL_HANDSHAKE 0x02
#define RTS_CONTROL_TOGGLE 0x03

// Event mask bits (SetCommMask, WaitCommEvent).
#define EV_RXCHAR 0x0001
#define EV_RXFLAG 0x0002
#define EV_TXEMPTY 0x0004
#define EV_CTS 0x0008
#define EV_DSR 0x0010
#define EV_RLSD 0x0020
#define EV_BREAK 0x0040
#define EV_ERR 0x0080
#define EV_RING 0x0100

// Error bits (ClearCommError).
#define CE_RXOVER 0x0001
#define CE_OVERRUN 0x0002
#define CE_RXPARITY 0x0004
#define CE_FRAME 0x0008
#define CE_BREAK 0x0010
#define CE_TXFULL 0x0100

// Modem status bits (GetCommModemStatus).
#define MS_CTS_ON 0x0010
#define MS_DSR_ON 0x0020
#define MS_RING_ON 0x0040
#define MS_RLSD_ON 0x0080

// PurgeComm flags.
#define PURGE_TXABORT 0x0001
#define PURGE_RXABORT 0x0002
#define PURGE_TXCLEAR 0x0004
#define PURGE_RXCLEAR 0x0008

// EscapeCommFunction codes.
#define SETXOFF 1
#define SETXON 2
#define SETRTS 3
#define CLRRTS 4
#define SETDTR 5
#define CLRDTR 6
#define SETBREAK 8
#define CLRBREAK 9

// ---- Calls ------------------------------------------------------------------------------------------
// Every call takes a handle from CreateFile("\\.\COMn"); a bad handle fails with
// ERROR_INVALID_HANDLE, bad arguments with ERROR_INVALID_PARAMETER.

// Reads the line settings last applied (9600 8N1, DTR and RTS enabled after opening).
BOOL GetCommState(HANDLE hFile, LPDCB lpDCB);
// Applies the settings: any baud > 0, 5-8 data bits, the five parities, 1/1.5/2 stop bits
// (1.5 only with 5 data bits, 2 not with 5), CTS/DSR output flow, XON/XOFF, DTR/RTS control.
// Fails with ERROR_INVALID_PARAMETER for a combination the line cannot take or equal XON and
// XOFF characters, nothing changed. GetCommState then reports what the device took, which may
// differ from what was asked (a baud rate above what the UART makes, for one).
BOOL SetCommState(HANDLE hFile, LPDCB lpDCB);

// What the port can do and its queue sizes: any baud rate (BAUD_USER, dwMaxBaud BAUD_USER),
// 5-8 data bits, every parity and stop-bit setting, DTR/DSR, RTS/CTS and XON/XOFF flow control,
// both kinds of time-out.
BOOL GetCommProperties(HANDLE hFile, LPCOMMPROP lpCommProp);

// Read and write time-outs in ms. Reads: MAXDWORD/0/0 returns at once with what is queued;
// MAXDWORD/MAXDWORD/c waits up to c ms for the first byte; all zero waits for the full count;
// otherwise a total of multiplier*n+constant and an interval between bytes. Writes: all zero
// waits until every byte is in the transmit queue; otherwise a full queue takes what fits, after
// waiting up to multiplier*n+constant ms for room.
BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);

// Sets the receive and transmit queue sizes in bytes (0 keeps a size). Defaults are 4096 each.
BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue);
// Empties queues (PURGE_RXCLEAR, PURGE_TXCLEAR) and ends pending reads or writes
// (PURGE_RXABORT, PURGE_TXABORT: they complete with ERROR_OPERATION_ABORTED).
BOOL PurgeComm(HANDLE hFile, DWORD dwFlags);
// Returns and clears the CE_ error bits gathered since the last call; fills lpStat (may be NULL)
// with the queue counts and what holds the transmitter.
BOOL ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat);
// SETDTR/CLRDTR/SETRTS/CLRRTS/SETBREAK/CLRBREAK/SETXOFF/SETXON.
BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc);
// MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON.
BOOL GetCommModemStatus(HANDLE hFile, LPDWORD lpModemStat);

// The event mask. Setting it clears the events recorded so far and ends a pending
// WaitCommEvent, which then reports 0.
BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask);
BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask);
// Waits for an event of the mask and stores its EV_ bits. Without lpOverlapped it blocks; with
// one it returns FALSE/ERROR_IO_PENDING and completes through the overlapped record and its
// event, GetOverlappedResult then counting sizeof(DWORD) bytes. Fails with
// ERROR_INVALID_PARAMETER when the mask is 0 or another wait on the handle is outstanding, and
// ERROR_OPERATION_ABORTED when CloseHandle or CancelIo on the thread that started it ends it.
BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped);

// Sends one byte ahead of the transmit queue.
BOOL TransmitCommChar(HANDLE hFile, char cChar);
BOOL SetCommBreak(HANDLE hFile);
BOOL ClearCommBreak(HANDLE hFile);

// Fills baud, parity, data and stop bits of a DCB from a text such as "28800,n,8,1,x" or
// "baud=9600 parity=N data=8 stop=1 xon=on"; "96" is 9600 baud (the mode command's two-digit
// forms). Flow control is reset to none with DTR and RTS on, unless the text asks for XON/XOFF
// (",x", "xon=on") or the hardware handshake (",p", "octs=on", "dtr=hs", ...). Other fields stay.
// A text that does not parse fails with ERROR_INVALID_PARAMETER and leaves the DCB as it was.
BOOL BuildCommDCBA(LPCSTR lpDef, LPDCB lpDCB);
#define BuildCommDCB BuildCommDCBA

// With lpDeviceName NULL: the names of the COM ports ("COM1\0COM4\0\0"); with "COMn": the device
// path behind it. Returns the characters stored including every NUL, 0 on failure
// (ERROR_INSUFFICIENT_BUFFER, ERROR_FILE_NOT_FOUND for an unknown name).
DWORD QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax);
#define QueryDosDevice QueryDosDeviceA

namespace kel
{
// The device path behind COMn (n >= 1) for display, or "" when no device has that number.
std::string ComDevicePath(int n);
// The text of the last failed port open on this thread: the COM name, the device and the cause
// (for example "COM3 (/dev/ttyUSB0): permission denied - add the user to the dialout group").
std::string LastCommErrorDetail();
// Folder scanned for serial devices in place of /sys/class/tty, so tests see no real ports ("" restores
// the default).
void SetSerialClassDir(const std::string& dir);
} // namespace kel
