// Wave output: the waveOut calls for streaming PCM buffers to the sound device, with the device's
// reports (MM_WOM_OPEN, MM_WOM_DONE, MM_WOM_CLOSE) posted to a callback window.
//
// There is always one device (the wave mapper). Each open device plays its queued buffers in order
// at the real rate of its format, on the layer clock: a buffer is done, and MM_WOM_DONE posted, when
// its last sample has been played. The samples go to the sink of win32/wavedevice.h (the sound card
// through the backend, or a recording sink in tests); without a sink the device plays silently at
// the same rate, so callers see the same timing and callbacks with or without a sound card.
//
// Thread-safe: any thread may write, reset or close; the callbacks are posted to the window's
// thread. A buffer's samples are taken when it is written, so the caller may refill a buffer as
// soon as its MM_WOM_DONE arrives.
#pragma once

#include "win32/types.h"

typedef UINT MMRESULT;
DECLARE_HANDLE(HWAVEOUT);
typedef HWAVEOUT* LPHWAVEOUT;

// MMRESULT codes.
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

// Device ids and open flags.
#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_QUERY 0x0001
#define CALLBACK_TYPEMASK 0x00070000L
#define CALLBACK_NULL 0x00000000L
#define CALLBACK_WINDOW 0x00010000L
#define CALLBACK_EVENT 0x00050000L

// Callback messages: wParam the device, lParam the buffer header (MM_WOM_DONE) or 0.
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD

#define WAVE_FORMAT_PCM 1

// WAVEHDR dwFlags.
#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

#pragma pack(push, 1)
typedef struct tWAVEFORMATEX
{
    WORD wFormatTag;      // WAVE_FORMAT_PCM
    WORD nChannels;       // 1 or 2
    DWORD nSamplesPerSec; // sample frames per second
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign; // bytes per sample frame
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

// The older form without cbSize, as the format record of a PCM stream.
typedef struct waveformat_tag
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
} WAVEFORMAT;
typedef struct pcmwaveformat_tag
{
    WAVEFORMAT wf;
    WORD wBitsPerSample;
} PCMWAVEFORMAT, *LPPCMWAVEFORMAT;
#pragma pack(pop)

typedef struct wavehdr_tag
{
    LPSTR lpData;          // the samples
    DWORD dwBufferLength;  // bytes in lpData
    DWORD dwBytesRecorded; // unused for output
    DWORD_PTR dwUser;
    DWORD dwFlags; // WHDR_*; the device keeps WHDR_PREPARED, WHDR_INQUEUE and WHDR_DONE
    DWORD dwLoops; // taken as 1
    struct wavehdr_tag* lpNext;
    DWORD_PTR reserved;
} WAVEHDR, *LPWAVEHDR;

// Number of output devices: always 1 (the wave mapper plays through the sink, or silently).
UINT waveOutGetNumDevs();
// Opens device uDeviceID (WAVE_MAPPER or 0) for PCM in pwfx (8 or 16 bits, 1 or 2 channels, block
// and byte rates consistent). fdwOpen: CALLBACK_NULL, or CALLBACK_WINDOW with dwCallback the window
// that receives the MM_WOM_ messages, or CALLBACK_EVENT with dwCallback an event handle that is set
// at each report; WAVE_FORMAT_QUERY only checks the format. Reports MM_WOM_OPEN.
// Returns MMSYSERR_NOERROR, WAVERR_BADFORMAT, MMSYSERR_BADDEVICEID, MMSYSERR_INVALPARAM or
// MMSYSERR_INVALFLAG.
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
// Marks the header prepared (cbwh must be sizeof(WAVEHDR)). A header in the queue cannot be
// prepared again (WAVERR_STILLPLAYING).
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
// Clears the prepared mark; WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
// Queues a prepared header behind those already queued (WAVERR_UNPREPARED when it is not
// prepared, WAVERR_STILLPLAYING when it is queued already). Its samples are taken now.
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
// Stops playing: every queued buffer is marked done and returned with MM_WOM_DONE, in queue order.
MMRESULT waveOutReset(HWAVEOUT hwo);
// Closes the device (WAVERR_STILLPLAYING while buffers are queued); posts MM_WOM_CLOSE.
MMRESULT waveOutClose(HWAVEOUT hwo);
