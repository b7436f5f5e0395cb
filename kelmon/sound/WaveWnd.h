// CWaveWnd: the hidden window that receives the wave-out device's reports for a leak tone and the
// tone's own requests, on the tone's thread. It is never shown.
#pragma once

#include <afxwin.h>

class CAudio;

// The tone's requests to its thread (posted by CAudio from whatever thread calls it).
enum : UINT
{
    WM_TONE_RESUME = WM_USER + 1, // a reading arrived while no buffer was being refilled
    WM_TONE_PLAY = WM_USER + 2,
    WM_TONE_STOP = WM_USER + 3,
    WM_TONE_CLOSE = WM_USER + 4, // close the device, destroy the window, end the thread
};

class CWaveWnd : public CWnd
{
public:
    explicit CWaveWnd(CAudio* audio) : m_pAudio(audio) {}

    // Creates the window: a class without style, cursor, brush or icon, "Wave Wnd", overlapped and
    // invisible, at 0,0 sized 100 x 100.
    BOOL CreateHidden();

protected:
    LRESULT OnWaveOpen(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaveDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnWaveClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnResume(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlay(WPARAM wParam, LPARAM lParam);
    LRESULT OnStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseTone(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    CAudio* m_pAudio;
};
