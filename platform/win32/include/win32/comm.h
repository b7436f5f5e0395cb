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
//      assigned explicitly.
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
// Fails with ERROR_INVALID_PARAMETER for a combination the line cannot take, nothing changed.
BOOL SetCommState(HANDLE hFile, LPDCB lpDCB);

// Read and write time-outs in ms. Reads: MAXDWORD/0/0 returns at once with what is queued;
// MAXDWORD/MAXDWORD/c waits up to c ms for the first byte; all zero waits for the full count;
// otherwise a total of multiplier*n+constant and an interval between bytes. Writes: a full
// transmit queue takes what fits, after waiting up to multiplier*n+constant ms for room.
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
// event. Fails with ERROR_INVALID_PARAMETER when the mask is 0 and ERROR_OPERATION_ABORTED when
// CloseHandle or CancelIo on the thread that started it ends it.
BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped);

// Sends one byte ahead of the transmit queue.
BOOL TransmitCommChar(HANDLE hFile, char cChar);
BOOL SetCommBreak(HANDLE hFile);
BOOL ClearCommBreak(HANDLE hFile);

// Fills baud, parity, data and stop bits of a DCB from a text such as "28800,n,8,1" or
// "baud=9600 parity=N data=8 stop=1"; other fields stay as they are.
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
