// CAudio: the leak tone. Each reading becomes a short burst of a sine tone whose pitch rises with
// the reading (8-bit mono PCM at 11025 Hz, synthesised from a table into two 200-sample buffers
// that take turns on the wave-out device), so an operator can hunt a leak without looking at the
// screen. The leak scan creates it when audio is enabled, starts and stops it with the run and
// hands it every reading.
//
// Threads: the tone has a thread of its own that owns its hidden callback window (CWaveWnd), the
// device's buffers and the synthesis; the device's reports and the tone's own requests reach it as
// messages, so it never depends on the thread that opened it dispatching messages (a port-monitor
// worker does not). SetLevel runs on the stepping thread and shares three words with the tone's
// thread - the frequency, the level-pending flag and the idle flag - each an atomic word, written
// whole; the range words that SetRange changes from the user-interface thread are atomic too.
// Play, Stop, SetRange and SetLevel may be called from any thread; Open and Close from one thread
// at a time (the owner's).
#pragma once

#include <windows.h>

#include <afx.h>

#include <atomic>
#include <cstdint>
#include <thread>

class CWaveWnd;

class CAudio : public CObject
{
    DECLARE_SERIAL(CAudio)
public:
    static constexpr int kBufferSamples = 200;
    static constexpr int kSampleRate = 11025;
    // The phase counts 1/256 of a table entry; one period is the 200 entries.
    static constexpr uint32_t kPhasePeriod = kBufferSamples * 256;

    // A closed tone without a range (creation from an archive).
    CAudio();
    // A closed tone of pitch mode (0 low 250-1250 Hz, 1 medium 500-1500 Hz, 2 high 1000-2000 Hz)
    // over the value range minimum..maximum.
    CAudio(int pitchMode, float minimum, float maximum);
    // Closes the tone.
    ~CAudio() override;
    CAudio(const CAudio&) = delete;
    CAudio& operator=(const CAudio&) = delete;

    // An archive carries only the class: a loaded tone is closed and has no range.
    void Serialize(CArchive& ar) override;

    // The pitch mode and range; a mode other than 0, 1 or 2 keeps the frequencies in force. The
    // frequency goes back to the low end.
    void SetRange(int pitchMode, float minimum, float maximum);
    // Opens the sound device; 1 when it is open (also when it was already). On failure beeps,
    // shows why and returns 0 with the tone closed.
    int Open();
    // Starts playing: both buffers are queued.
    void Play();
    // Stops playing: the queued buffers come back and are not queued again until Play.
    void Stop();
    // A new reading: the next buffers sound at its pitch.
    void SetLevel(float value);
    // Closes the device and ends the tone's thread; the tone can be opened again.
    void Close();

    BOOL IsOpen() const { return m_hWaveOut != nullptr; }
    int GetFrequency() const { return m_nFrequency.load(); }
    int GetLowFrequency() const { return m_nLowFrequency.load(); }
    int GetHighFrequency() const { return m_nHighFrequency.load(); }
    int GetPitchMode() const { return m_nPitchMode.load(); }
    // The frequency that value maps to in the current range (see SetLevel).
    int FrequencyOf(float value) const;
    // The phase step per sample of frequency f.
    static uint32_t PhaseStep(int frequency);
    // Synthesises one buffer (kBufferSamples samples) of frequency f, continuing from phase, which
    // is advanced. Values 0 to 253, a full sine period over the table.
    static void Synthesise(BYTE* buffer, int frequency, uint32_t& phase);

    // ---- The tone's thread (called by CWaveWnd) ----
    // The device is open: both buffers are synthesised at the low frequency and prepared.
    void OnWaveOpen();
    // A buffer has played: while playing and a reading has come since, it is refilled at the
    // current pitch and queued again; otherwise the tone falls silent until the next reading.
    void OnWaveDone(LPWAVEHDR header);
    void OnResume();
    void OnPlay();
    void OnStop();
    void OnClose();

private:
    // Synthesises buffer i at frequency and sets up its header (tone's thread).
    void FillHeader(int i, int frequency);
    // Synthesises into buffer i at the current frequency and queues it. FALSE when the device
    // refused it.
    BOOL Queue(int i);
    // Nothing to refill: the next reading wakes the tone's thread (tone's thread).
    void GoIdle();
    void FreeBlocks();
    void PostToTone(UINT message);
    void ThreadMain(HANDLE ready);

    std::atomic<int> m_bStopped{0};
    HGLOBAL m_hHeader[2] = {};
    HGLOBAL m_hBuffer[2] = {};
    HWAVEOUT m_hWaveOut = nullptr;
    std::atomic<int> m_nFrequency{0};
    int m_nSynthesisedFrequency = 0;
    BYTE* m_pBuffer[2] = {};
    LPWAVEHDR m_pHeader[2] = {};
    WAVEFORMATEX m_format{};
    std::atomic<int> m_nPitchMode{1};
    std::atomic<float> m_fMinimum{0.0f};
    std::atomic<float> m_fMaximum{0.0f};
    std::atomic<int> m_nLowFrequency{500};
    std::atomic<int> m_nHighFrequency{1500};
    std::atomic<int> m_bLevelPending{0};
    // 1 when the tone holds a buffer it is not refilling: the next reading must wake it.
    std::atomic<int> m_bIdle{1};
    CWaveWnd* m_pWindow = nullptr; // owned; lives on m_thread
    std::thread m_thread;

    // ---- The tone's thread only ----
    bool m_free[2] = {true, true}; // buffer i is not queued on the device
    int m_nNext = 0;               // the buffer to queue next when both are free
    uint32_t m_nPhase = 0;         // carries from one buffer to the next
};
