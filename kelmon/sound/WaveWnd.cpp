#include "sound/WaveWnd.h"

#include "sound/Audio.h"

BEGIN_MESSAGE_MAP(CWaveWnd, CWnd)
ON_MESSAGE(MM_WOM_OPEN, OnWaveOpen)
ON_MESSAGE(MM_WOM_DONE, OnWaveDone)
ON_MESSAGE(MM_WOM_CLOSE, OnWaveClose)
ON_MESSAGE(WM_TONE_RESUME, OnResume)
ON_MESSAGE(WM_TONE_PLAY, OnPlay)
ON_MESSAGE(WM_TONE_STOP, OnStop)
ON_MESSAGE(WM_TONE_CLOSE, OnCloseTone)
END_MESSAGE_MAP()

BOOL CWaveWnd::CreateHidden()
{
    return CreateEx(0, AfxRegisterWndClass(0), "Wave Wnd", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                    nullptr);
}

LRESULT CWaveWnd::OnWaveOpen(WPARAM, LPARAM)
{
    m_pAudio->OnWaveOpen();
    return 0;
}

LRESULT CWaveWnd::OnWaveDone(WPARAM, LPARAM lParam)
{
    m_pAudio->OnWaveDone(reinterpret_cast<LPWAVEHDR>(lParam));
    return 0;
}

LRESULT CWaveWnd::OnWaveClose(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CWaveWnd::OnResume(WPARAM, LPARAM)
{
    m_pAudio->OnResume();
    return 0;
}

LRESULT CWaveWnd::OnPlay(WPARAM, LPARAM)
{
    m_pAudio->OnPlay();
    return 0;
}

LRESULT CWaveWnd::OnStop(WPARAM, LPARAM)
{
    m_pAudio->OnStop();
    return 0;
}

LRESULT CWaveWnd::OnCloseTone(WPARAM, LPARAM)
{
    m_pAudio->OnClose();
    DestroyWindow();
    PostQuitMessage(0);
    return 0;
}
