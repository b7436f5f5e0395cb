// Wave-out devices: buffers played in order at the real rate of the layer clock, their callbacks,
// reset and close, and the header rules callers rely on.
#include <windows.h>

#include "testkit/FakeClock.h"
#include "testkit/RecordingWaveSink.h"
#include "win32/uidriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

std::vector<std::string> g_seen;

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    switch (m)
    {
    case MM_WOM_OPEN:
        g_seen.push_back("open");
        return 0;
    case MM_WOM_CLOSE:
        g_seen.push_back("close");
        return 0;
    case MM_WOM_DONE:
    {
        auto* header = reinterpret_cast<LPWAVEHDR>(l);
        EXPECT_NE(w, 0u);
        g_seen.push_back(
            "done " + std::to_string(header->dwUser) +
            ((header->dwFlags & WHDR_DONE) && !(header->dwFlags & WHDR_INQUEUE) ? "" : " (flags!)"));
        return 0;
    }
    }
    return DefWindowProc(h, m, w, l);
}

// 11025 Hz, 8-bit mono: 1 byte per sample, so a buffer of n bytes plays n/11.025 ms.
WAVEFORMATEX Mono8()
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 11025;
    f.nAvgBytesPerSec = 11025;
    f.nBlockAlign = 1;
    f.wBitsPerSample = 8;
    return f;
}

class WaveOut : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize());
        WNDCLASS wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "WaveOutTest";
        RegisterClass(&wc);
        m_window = CreateWindow("WaveOutTest", "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        g_seen.clear();
        for (int i = 0; i < 3; ++i)
        {
            m_data[i].assign(1103, static_cast<char>(10 * (i + 1))); // 100 ms and a bit
            m_headers[i] = WAVEHDR{};
            m_headers[i].lpData = m_data[i].data();
            m_headers[i].dwBufferLength = static_cast<DWORD>(m_data[i].size());
            m_headers[i].dwUser = static_cast<DWORD_PTR>(i + 1);
        }
    }
    void TearDown() override
    {
        DestroyWindow(m_window);
        UnregisterClass("WaveOutTest", nullptr);
        kel::ui::Shutdown();
    }

    // Dispatches this thread's messages until `count` have been seen in all, or a real-time bound.
    void PumpUntil(size_t count)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        MSG msg;
        while (g_seen.size() < count && std::chrono::steady_clock::now() < end)
        {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Dispatches for a short real-time while, to show that nothing more arrives.
    void PumpAWhile()
    {
        MSG msg;
        for (int i = 0; i < 30; ++i)
        {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    HWAVEOUT Open()
    {
        const WAVEFORMATEX format = Mono8();
        HWAVEOUT device = nullptr;
        EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(m_window), 0,
                              CALLBACK_WINDOW),
                  MMSYSERR_NOERROR);
        for (WAVEHDR& h : m_headers)
            EXPECT_EQ(waveOutPrepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
        return device;
    }
    void Close(HWAVEOUT device)
    {
        for (WAVEHDR& h : m_headers)
            EXPECT_EQ(waveOutUnprepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }

    HWND m_window = nullptr;
    std::vector<char> m_data[3];
    WAVEHDR m_headers[3];
};

TEST_F(WaveOut, BuffersAreDoneInOrderWhenTheirLastSampleHasPlayed)
{
    kel::testkit::FakeClock clock(1000);
    kel::testkit::RecordingWaveSink sink;
    HWAVEOUT device = Open();
    for (WAVEHDR& h : m_headers)
        ASSERT_EQ(waveOutWrite(device, &h, sizeof h), MMSYSERR_NOERROR);
    PumpUntil(1);
    // Each buffer plays 1103 / 11025 s = 100.05 ms after the one before it.
    clock.Advance(100);
    PumpAWhile();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"open"}));
    clock.Advance(1);
    PumpUntil(2);
    clock.Advance(100);
    PumpUntil(3);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"open", "done 1", "done 2"}));
    clock.Advance(100);
    PumpUntil(4);
    EXPECT_EQ(g_seen.back(), "done 3");
    Close(device);
    PumpUntil(5);
    EXPECT_EQ(g_seen.back(), "close");

    // The samples reached the sink whole and in order, each at its write.
    const auto buffers = sink.Buffers();
    ASSERT_EQ(buffers.size(), 3u);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(buffers[i].samples, std::vector<BYTE>(1103, static_cast<BYTE>(10 * (i + 1))));
        EXPECT_EQ(buffers[i].writtenMs, 1000u);
    }
    EXPECT_EQ(sink.LastFormat().nSamplesPerSec, 11025u);
}

TEST_F(WaveOut, ResetReturnsEveryQueuedBufferAndCloseWaitsForIt)
{
    kel::testkit::RecordingWaveSink sink;
    HWAVEOUT device = Open();
    for (WAVEHDR& h : m_headers)
        ASSERT_EQ(waveOutWrite(device, &h, sizeof h), MMSYSERR_NOERROR);

    // A queued buffer cannot be queued, prepared or unprepared again, nor the device closed.
    EXPECT_EQ(waveOutWrite(device, &m_headers[1], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutPrepareHeader(device, &m_headers[1], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(device, &m_headers[1], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);

    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    PumpUntil(4);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"open", "done 1", "done 2", "done 3"}));
    EXPECT_EQ(sink.Resets(), 1);
    Close(device);
    PumpUntil(5);
    EXPECT_EQ(g_seen.back(), "close");
    EXPECT_EQ(waveOutWrite(device, &m_headers[0], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, WithoutASinkTheDeviceStillPlaysAtTheRealRate)
{
    HWAVEOUT device = Open();
    const auto start = std::chrono::steady_clock::now();
    for (WAVEHDR& h : m_headers)
        ASSERT_EQ(waveOutWrite(device, &h, sizeof h), MMSYSERR_NOERROR);
    PumpUntil(4);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(g_seen, (std::vector<std::string>{"open", "done 1", "done 2", "done 3"}));
    EXPECT_GE(ms, 299.0) << "three buffers of 100 ms each";
    Close(device);
}

TEST_F(WaveOut, RefusesWhatItCannotPlay)
{
    HWAVEOUT device = nullptr;
    const WAVEFORMATEX good = Mono8();
    struct Case
    {
        const char* what;
        WAVEFORMATEX format;
        UINT id;
        DWORD flags;
        MMRESULT result;
    };
    WAVEFORMATEX floats = good, inconsistent = good, tooFast = good;
    floats.wFormatTag = 3;
    inconsistent.nAvgBytesPerSec = 22050;
    tooFast.nSamplesPerSec = tooFast.nAvgBytesPerSec = 1000000;
    const Case cases[] = {
        {"not PCM", floats, WAVE_MAPPER, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"rates that disagree", inconsistent, WAVE_MAPPER, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"a rate past any card", tooFast, WAVE_MAPPER, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"a second device", good, 1, CALLBACK_WINDOW, MMSYSERR_BADDEVICEID},
        {"a function callback", good, WAVE_MAPPER, 0x00030000, MMSYSERR_INVALFLAG},
        {"a format query", good, WAVE_MAPPER, WAVE_FORMAT_QUERY, MMSYSERR_NOERROR},
    };
    for (const Case& c : cases)
        EXPECT_EQ(waveOutOpen(&device, c.id, &c.format, reinterpret_cast<DWORD_PTR>(m_window), 0, c.flags),
                  c.result)
            << c.what;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &good, 0x1234, 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM)
        << "no such window";
    EXPECT_EQ(waveOutGetNumDevs(), 1u);

    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &good, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(device, &m_headers[0], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutPrepareHeader(device, &m_headers[0], sizeof(WAVEHDR) - 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
}

} // namespace
