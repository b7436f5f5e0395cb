// Sound through the Qt backend on a machine without a sound output (as under CTest): wave-out
// devices still play at the real rate and report their buffers, and wave files are looked up
// before they are played.
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/kernel.h"
#include "win32/sound.h"
#include "win32/waveout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <vector>

namespace
{

using AudioBackend = kel::testkit::UiTest;

TEST_F(AudioBackend, WaveOutPlaysItsBuffersAtTheRealRate)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> samples(2205, static_cast<char>(128)); // 200 ms of silence
    WAVEHDR header{};
    header.lpData = samples.data();
    header.dwBufferLength = static_cast<DWORD>(samples.size());
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    // Measured on the layer's clock, which the device plays by; a slow machine (or a sanitizer)
    // may take long to notice the end, so only the wait for it is generous.
    const ULONGLONG start = GetTickCount64();
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    // The device marks the header done when it has played (its flags are the device's to write).
    EXPECT_TRUE(PumpUntil(
        [&] { return waveOutUnprepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR; }, 30000));
    EXPECT_GE(GetTickCount64() - start, 200u) << "not done before its 200 ms have played";
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(AudioBackend, WaveFilesAreLookedUpBeforeTheyPlay)
{
    kel::testkit::TempDir dir("kel-audio-");
    const std::string path = (dir.path() / "beep.wav").string();
    {
        // A valid 8-bit mono wave file of 0.1 s.
        std::ofstream out(path, std::ios::binary);
        const uint32_t rate = 11025, bytes = 1102;
        auto word = [&](uint32_t v, int n) { out.write(reinterpret_cast<const char*>(&v), n); };
        out.write("RIFF", 4);
        word(36 + bytes, 4);
        out.write("WAVEfmt ", 8);
        word(16, 4);
        word(1, 2);
        word(1, 2);
        word(rate, 4);
        word(rate, 4);
        word(1, 2);
        word(8, 2);
        out.write("data", 4);
        word(bytes, 4);
        out.write(std::vector<char>(bytes, static_cast<char>(128)).data(), bytes);
    }
    EXPECT_TRUE(sndPlaySound(path.c_str(), SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(sndPlaySound(nullptr, 0));
    EXPECT_FALSE(sndPlaySound((dir.path() / "missing.wav").string().c_str(), SND_ASYNC));
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(5), nullptr, SND_RESOURCE)) << "no resource sounds";
    Pump(50);
}

} // namespace
