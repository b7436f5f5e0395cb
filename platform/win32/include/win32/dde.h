// DDE client calls (the DDE Management Library's client side) over the layer's local transport
// (win32/ddewire.h): a conversation is a connection to the socket of the service's server.
//
// An instance belongs to the thread that called DdeInitialize: its callback runs on that thread,
// from its message loop (GetMessage/PeekMessage and DispatchMessage), never inside another call.
// Transactions are synchronous: the caller waits for the server's answer up to the time-out (layer
// clock). String handles are per instance, one per text without regard to case, with a use count.
// Data handles returned by a transaction belong to the caller, who frees them; those handed to the
// callback are freed after it returns. As on Windows, windows.h leaves this out: include it where
// DDE is used.
#pragma once

#include "win32/types.h"

DECLARE_HANDLE(HCONV);
DECLARE_HANDLE(HSZ);
DECLARE_HANDLE(HDDEDATA);
DECLARE_HANDLE(HCONVLIST);

typedef HDDEDATA(CALLBACK* PFNCALLBACK)(UINT uType, UINT uFmt, HCONV hconv, HSZ hsz1, HSZ hsz2,
                                        HDDEDATA hdata, ULONG_PTR dwData1, ULONG_PTR dwData2);

// Errors (DdeGetLastError).
#define DMLERR_NO_ERROR 0
#define DMLERR_FIRST 0x4000
#define DMLERR_ADVACKTIMEOUT 0x4000
#define DMLERR_BUSY 0x4001
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_EXECACKTIMEOUT 0x4005
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_LOW_MEMORY 0x4007
#define DMLERR_MEMORY_ERROR 0x4008
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400a
#define DMLERR_POKEACKTIMEOUT 0x400b
#define DMLERR_POSTMSG_FAILED 0x400c
#define DMLERR_REENTRANCY 0x400d
#define DMLERR_SERVER_DIED 0x400e
#define DMLERR_SYS_ERROR 0x400f
#define DMLERR_UNADVACKTIMEOUT 0x4010
#define DMLERR_UNFOUND_QUEUE_ID 0x4011
#define DMLERR_LAST 0x4011

// Transaction types and flags.
#define XTYPF_NOBLOCK 0x0002
#define XTYPF_NODATA 0x0004
#define XTYPF_ACKREQ 0x0008
#define XCLASS_MASK 0xFC00
#define XCLASS_BOOL 0x1000
#define XCLASS_DATA 0x2000
#define XCLASS_FLAGS 0x4000
#define XCLASS_NOTIFICATION 0x8000
#define XTYP_ERROR (0x0000 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_ADVDATA (0x0010 | XCLASS_FLAGS)
#define XTYP_ADVREQ (0x0020 | XCLASS_DATA | XTYPF_NOBLOCK)
#define XTYP_ADVSTART (0x0030 | XCLASS_BOOL)
#define XTYP_ADVSTOP (0x0040 | XCLASS_NOTIFICATION)
#define XTYP_EXECUTE (0x0050 | XCLASS_FLAGS)
#define XTYP_CONNECT (0x0060 | XCLASS_BOOL | XTYPF_NOBLOCK)
#define XTYP_CONNECT_CONFIRM (0x0070 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_XACT_COMPLETE (0x0080 | XCLASS_NOTIFICATION)
#define XTYP_POKE (0x0090 | XCLASS_FLAGS)
#define XTYP_REGISTER (0x00A0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)
#define XTYP_DISCONNECT (0x00C0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_UNREGISTER (0x00D0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_WILDCONNECT (0x00E0 | XCLASS_DATA | XTYPF_NOBLOCK)
#define XTYP_MASK 0x00F0
#define XTYP_SHIFT 4

// Callback results of XCLASS_FLAGS transactions.
#define DDE_FACK 0x8000
#define DDE_FBUSY 0x4000
#define DDE_FNOTPROCESSED 0x0000

#define APPCMD_CLIENTONLY 0x00000010L
#define QID_SYNC 0xFFFFFFFF
#define TIMEOUT_ASYNC 0xFFFFFFFF
#define CP_WINANSI 1004
#define HDATA_APPOWNED 0x0001
#define ST_CONNECTED 0x0001

typedef struct tagCONVCONTEXT
{
    UINT cb;
    UINT wFlags;
    UINT wCountryID;
    int iCodePage;
    DWORD dwLangID;
    DWORD dwSecurity;
} CONVCONTEXT, *PCONVCONTEXT;

typedef struct tagCONVINFO
{
    DWORD cb; // set by the caller: the size of the structure it passes
    DWORD_PTR hUser;
    HCONV hConvPartner;
    HSZ hszSvcPartner;
    HSZ hszServiceReq;
    HSZ hszTopic;
    HSZ hszItem;
    UINT wFmt;
    UINT wType;
    UINT wStatus;
    UINT wConvst;
    UINT wLastError;
    HCONVLIST hConvList;
    CONVCONTEXT ConvCtxt;
    HWND hwnd;
    HWND hwndPartner;
} CONVINFO, *PCONVINFO;

// Makes a client instance for the calling thread (afCmd must ask for a client only). A non-zero
// *pidInst is refused. Returns DMLERR_NO_ERROR and the instance id in *pidInst.
UINT DdeInitialize(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD ulRes);
#define DdeInitializeA DdeInitialize
// Ends the instance's conversations (without callbacks) and frees its handles.
BOOL DdeUninitialize(DWORD idInst);
// The instance's last error, which is then cleared.
UINT DdeGetLastError(DWORD idInst);

HSZ DdeCreateStringHandle(DWORD idInst, LPCSTR psz, int iCodePage);
#define DdeCreateStringHandleA DdeCreateStringHandle
BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz);
BOOL DdeKeepStringHandle(DWORD idInst, HSZ hsz);
// Copies the text (cut to cchMax - 1 characters, terminated) and returns its length; with psz NULL
// only the length. 0 for a bad handle.
DWORD DdeQueryString(DWORD idInst, HSZ hsz, LPSTR psz, DWORD cchMax, int iCodePage);
#define DdeQueryStringA DdeQueryString
// 0 when both handles are the same string, else -1 or 1.
int DdeCmpStringHandles(HSZ hsz1, HSZ hsz2);

// Connects to the server of the service on the topic; NULL (DMLERR_NO_CONV_ESTABLISHED) when no
// server of that service runs or it refuses the topic.
HCONV DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT pCC);
BOOL DdeDisconnect(HCONV hConv);
// Fills *pConvInfo (up to its cb bytes) and returns the bytes written; 0 for an unknown
// conversation or a transaction id other than QID_SYNC. Answers until the conversation is freed
// (by DdeDisconnect, or after its XTYP_DISCONNECT callback); wStatus has ST_CONNECTED while the
// server is there.
UINT DdeQueryConvInfo(HCONV hConv, DWORD idTransaction, PCONVINFO pConvInfo);
BOOL DdeSetUserHandle(HCONV hConv, DWORD id, DWORD_PTR hUser);

// Synchronous transactions: XTYP_REQUEST (returns a data handle), XTYP_POKE (pData with cbData, or
// a data handle with cbData (DWORD)-1), XTYP_ADVSTART (optionally with XTYPF_NODATA), XTYP_ADVSTOP
// (non-zero on success). dwTimeout in ms; NULL on failure with the error in DdeGetLastError: the
// server refused (DMLERR_NOTPROCESSED), did not answer in time (the transaction's ack time-out) or
// is gone (DMLERR_SERVER_DIED).
HDDEDATA DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem, UINT wFmt, UINT wType,
                              DWORD dwTimeout, LPDWORD pdwResult);

HDDEDATA DdeCreateDataHandle(DWORD idInst, LPBYTE pSrc, DWORD cb, DWORD cbOff, HSZ hszItem, UINT wFmt,
                             UINT afCmd);
// Copies up to cbMax bytes from offset cbOff; returns the bytes copied, or with pDst NULL the size.
DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff);
LPBYTE DdeAccessData(HDDEDATA hData, LPDWORD pcbDataSize);
BOOL DdeUnaccessData(HDDEDATA hData);
BOOL DdeFreeDataHandle(HDDEDATA hData);
