#include "sound/Audio.h"

#include "res/resource.h"
#include "sound/WaveWnd.h"

#include <afxwin.h>

#include <array>
#include <cmath>

IMPLEMENT_SERIAL(CAudio, CObject, 1)

namespace
{
struct PitchRange
{
    int low, high;
};
constexpr PitchRange kPitchRanges[3] = {{250, 1250}, {500, 1500}, {1000, 2000}};

// One full sine period over the buffer length, 0 to 253; built once for all tones.
const std::array<BYTE, CAudio::kBufferSamples>& SineTable()
{
    static const std::array<BYTE, CAudio::kBufferSamples> table = []
    {
        std::array<BYTE, CAudio::kBufferSamples> t{};
        for (int k = 0; k < CAudio::kBufferSamples; ++k)
            t[static_cast<size_t>(k)] = static_cast<BYTE>((std::sin(2 * k * 0.01570795) + 1.0) * 127.0);
        return t;
    }();
    return table;
}
} // namespace

CAudio::CAudio()
{
    m_nFrequency = m_nLowFrequency.load();
}

CAudio::CAudio(int pitchMode, float minimum, float maximum)
{
    SetRange(pitchMode, minimum, maximum);
}

CAudio::~CAudio()
{
    Close();
}

void CAudio::Serialize(CArchive&) {}

void CAudio::SetRange(int pitchMode, float minimum, float maximum)
{
    m_nPitchMode = pitchMode;
    if (pitchMode >= 0 && pitchMode <= 2)
    {
        m_nLowFrequency = kPitchRanges[pitchMode].low;
        m_nHighFrequency = kPitchRanges[pitchMode].high;
    }
    m_nFrequency = m_nLowFrequency.load();
    m_fMinimum = minimum;
    m_fMaximum = maximum;
}

// =============================================================================================
// Pitch and synthesis

int CAudio::FrequencyOf(float value) const
{
    const float minimum = m_fMinimum, maximum = m_fMaximum;
    const int low = m_nLowFrequency, high = m_nHighFrequency;
    // A reading that is not a number has no pitch of its own: it sounds as the bottom of the range.
    if (std::isnan(value) || value < minimum)
        return low;
    if (value > maximum)
        return high;
    // A range without width (minimum equal to maximum) has only its top.
    if (!(maximum > minimum))
        return high;
    const double ratio = (static_cast<double>(value) - minimum) / (static_cast<double>(maximum) - minimum);
    return low + static_cast<int>(ratio * (high - low));
}

uint32_t CAudio::PhaseStep(int frequency)
{
    return static_cast<uint32_t>(frequency) * kPhasePeriod / static_cast<uint32_t>(kSampleRate);
}

void CAudio::Synthesise(BYTE* buffer, int frequency, uint32_t& phase)
{
    const auto& table = SineTable();
    const uint32_t step = PhaseStep(frequency);
    for (int i = 0; i < kBufferSamples; ++i)
    {
        buffer[i] = table[phase / 256];
        phase += step;
        if (phase >= kPhasePeriod)
            phase -= kPhasePeriod;
    }
}

// =============================================================================================
// Opening and closing

void CAudio::ThreadMain(HANDLE ready)
{
    m_pWindow = new CWaveWnd(this);
    if (!m_pWindow->CreateHidden())
    {
        delete m_pWindow;
        m_pWindow = nullptr;
        SetEvent(ready);
        return;
    }
    SetEvent(ready);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0)
        DispatchMessage(&msg);
    if (::IsWindow(m_pWindow->GetSafeHwnd()))
        m_pWindow->DestroyWindow();
    delete m_pWindow;
    m_pWindow = nullptr;
}

int CAudio::Open()
{
    if (m_hWaveOut)
        return 1;
    if (waveOutGetNumDevs() == 0)
    {
        MessageBeep(MB_ICONEXCLAMATION);
        AfxMessageBox(IDS_AUDIO_NO_DEVICE, MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (!m_thread.joinable())
    {
        HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] { ThreadMain(ready); });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
        if (!m_pWindow)
        {
            m_thread.join();
            return 0;
        }
    }
    const UINT flags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE;
    for (int i = 0; i < 2; ++i)
    {
        m_hHeader[i] = GlobalAlloc(flags, sizeof(WAVEHDR));
        m_hBuffer[i] = GlobalAlloc(flags, kBufferSamples);
    }
    if (!m_hHeader[0] || !m_hHeader[1] || !m_hBuffer[0] || !m_hBuffer[1])
    {
        FreeBlocks();
        MessageBeep(MB_ICONEXCLAMATION);
        AfxMessageBox(IDS_AUDIO_NO_MEMORY, MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    for (int i = 0; i < 2; ++i)
    {
        m_pHeader[i] = static_cast<LPWAVEHDR>(GlobalLock(m_hHeader[i]));
        m_pBuffer[i] = static_cast<BYTE*>(GlobalLock(m_hBuffer[i]));
        m_free[i] = true;
    }
    m_nNext = 0;
    m_format = WAVEFORMATEX{};
    m_format.wFormatTag = WAVE_FORMAT_PCM;
    m_format.nChannels = 1;
    m_format.nSamplesPerSec = kSampleRate;
    m_format.nAvgBytesPerSec = kSampleRate;
    m_format.nBlockAlign = 1;
    m_format.wBitsPerSample = 8;
    m_bStopped = 0;
    m_bIdle = 0; // nothing to refill before the device has opened and Play has run
    if (waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &m_format,
                    reinterpret_cast<DWORD_PTR>(m_pWindow->GetSafeHwnd()), 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR)
    {
        m_hWaveOut = nullptr;
        FreeBlocks();
        MessageBeep(MB_ICONEXCLAMATION);
        AfxMessageBox(IDS_AUDIO_OPEN_FAILED, MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    return 1;
}

void CAudio::FreeBlocks()
{
    for (int i = 0; i < 2; ++i)
    {
        if (m_hHeader[i])
        {
            if (m_pHeader[i])
                GlobalUnlock(m_hHeader[i]);
            GlobalFree(m_hHeader[i]);
        }
        if (m_hBuffer[i])
        {
            if (m_pBuffer[i])
                GlobalUnlock(m_hBuffer[i]);
            GlobalFree(m_hBuffer[i]);
        }
        m_hHeader[i] = m_hBuffer[i] = nullptr;
        m_pHeader[i] = nullptr;
        m_pBuffer[i] = nullptr;
    }
}

void CAudio::Close()
{
    if (!m_thread.joinable())
        return;
    m_bStopped = 1;
    // The thread closes the device, since it alone touches the buffers, then ends.
    PostToTone(WM_TONE_CLOSE);
    m_thread.join();
    m_bIdle = 1;
    m_bLevelPending = 0;
}

void CAudio::OnClose()
{
    if (!m_hWaveOut)
        return;
    OnStop();
    for (int i = 0; i < 2; ++i)
        waveOutUnprepareHeader(m_hWaveOut, m_pHeader[i], sizeof(WAVEHDR));
    FreeBlocks();
    waveOutClose(m_hWaveOut);
    m_hWaveOut = nullptr;
}

void CAudio::PostToTone(UINT message)
{
    if (m_pWindow)
        ::PostMessage(m_pWindow->GetSafeHwnd(), message, 0, 0);
}

// =============================================================================================
// Playing

void CAudio::Play()
{
    PostToTone(WM_TONE_PLAY);
}

void CAudio::Stop()
{
    // At once, so that a buffer finishing meanwhile is not queued again.
    m_bStopped = 1;
    PostToTone(WM_TONE_STOP);
}

void CAudio::SetLevel(float value)
{
    m_nFrequency = FrequencyOf(value);
    m_bLevelPending = 1;
    // Whoever takes the idle word serves the reading: here, by waking the tone's thread.
    if (m_bIdle.exchange(0))
        PostToTone(WM_TONE_RESUME);
}

void CAudio::FillHeader(int i, int frequency)
{
    Synthesise(m_pBuffer[i], frequency, m_nPhase);
    m_nSynthesisedFrequency = frequency;
    LPWAVEHDR header = m_pHeader[i];
    header->lpData = reinterpret_cast<LPSTR>(m_pBuffer[i]);
    header->dwBufferLength = kBufferSamples;
    header->dwBytesRecorded = 0;
    header->dwUser = 0;
    header->dwLoops = 1;
}

BOOL CAudio::Queue(int i)
{
    const int frequency = m_nFrequency;
    // Every buffer is synthesised as it is queued, so the phase runs on without a jump at the
    // buffer's start even when the pitch has not changed.
    FillHeader(i, frequency);
    if (waveOutWrite(m_hWaveOut, m_pHeader[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return FALSE;
    m_free[i] = false;
    m_nNext = 1 - i;
    return TRUE;
}

void CAudio::OnWaveOpen()
{
    if (!m_hWaveOut)
        return;
    for (int i = 0; i < 2; ++i)
    {
        m_pHeader[i]->dwFlags = 0;
        FillHeader(i, m_nLowFrequency);
        waveOutPrepareHeader(m_hWaveOut, m_pHeader[i], sizeof(WAVEHDR));
    }
}

void CAudio::OnPlay()
{
    if (!m_hWaveOut)
        return;
    m_bStopped = 0;
    // Header 1, then header 2, as far as they are not still queued.
    bool queued = false;
    for (int i = 0; i < 2; ++i)
        if (m_free[i])
            queued = Queue(i) || queued;
    if (queued)
        m_bIdle = 0;
}

void CAudio::OnStop()
{
    if (!m_hWaveOut)
        return;
    m_bStopped = 1;
    // The device hands every queued buffer back at once; its reports of them come later and are
    // passed over.
    waveOutReset(m_hWaveOut);
    m_free[0] = m_free[1] = true;
    m_nNext = 0;
    m_bIdle = 1;
}

void CAudio::OnWaveDone(LPWAVEHDR header)
{
    const int i = header == m_pHeader[0] ? 0 : header == m_pHeader[1] ? 1 : -1;
    // A report of a buffer that a reset already gave back, or of a tone closed meanwhile.
    if (i < 0 || !m_hWaveOut || m_free[i])
        return;
    m_free[i] = true;
    if (!m_bStopped && m_bLevelPending.exchange(0))
    {
        Queue(i);
        return;
    }
    GoIdle();
}

void CAudio::OnResume()
{
    // The reading that woke the tone stays pending, so the next buffer to finish is refilled for
    // it too: about two buffers of tone per reading.
    const int i = m_free[m_nNext] ? m_nNext : m_free[1 - m_nNext] ? 1 - m_nNext : -1;
    if (!m_hWaveOut || m_bStopped)
        m_bIdle = 1;
    else if (i >= 0)
        Queue(i);
    // Both buffers queued: the next one to finish serves the reading.
}

void CAudio::GoIdle()
{
    m_bIdle = 1;
    // A reading that came between the look at the pending flag and the idle word found the tone
    // busy and did not wake it: serve it now, unless it woke the tone after all.
    if (m_bLevelPending.load() && m_bIdle.exchange(0))
        OnResume();
}
