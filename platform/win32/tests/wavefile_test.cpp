// Wave files: what the reader accepts and refuses, and PlaySound's sound slot playing them through
// wave-out (recorded): once and waited for, looping until stopped, replaced by the next sound.
#include <windows.h>

#include "testkit/RecordingWaveSink.h"
#include "testkit/TempDir.h"
#include "win32/wavefile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Bytes = std::vector<BYTE>;

void Put(Bytes& b, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void Chunk(Bytes& b, const char* id, const Bytes& body, uint32_t claimed = 0xFFFFFFFF)
{
    b.insert(b.end(), id, id + 4);
    Put(b, claimed == 0xFFFFFFFF ? static_cast<uint32_t>(body.size()) : claimed, 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
}

Bytes Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes f;
    Put(f, tag, 2);
    Put(f, channels, 2);
    Put(f, rate, 4);
    Put(f, rate * channels * bits / 8, 4);
    Put(f, channels * bits / 8, 2);
    Put(f, bits, 2);
    return f;
}

Bytes Riff(const Bytes& chunks)
{
    Bytes b = {'R', 'I', 'F', 'F'};
    Put(b, static_cast<uint32_t>(4 + chunks.size()), 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

Bytes Mono8(size_t samples)
{
    Bytes chunks;
    Chunk(chunks, "fmt ", Format(1, 1, 11025, 8));
    Bytes data(samples);
    for (size_t i = 0; i < samples; ++i)
        data[i] = static_cast<BYTE>(i);
    Chunk(chunks, "data", data);
    return Riff(chunks);
}

TEST(WaveFile, ReadsPcmAndRefusesWhatItCannotTrust)
{
    Bytes stereo;
    Chunk(stereo, "fmt ", Format(1, 2, 22050, 16));
    Chunk(stereo, "LIST", Bytes(5, 'x')); // skipped, with its pad byte
    Chunk(stereo, "data", Bytes(10, 1));  // 2.5 frames: the whole ones are kept
    Bytes cut = Mono8(100);
    cut.erase(cut.end() - 10, cut.end());
    Bytes floats, dataFirst, noData;
    Chunk(floats, "fmt ", Format(3, 1, 11025, 32));
    Chunk(floats, "data", Bytes(8));
    Chunk(dataFirst, "data", Bytes(8));
    Chunk(dataFirst, "fmt ", Format(1, 1, 11025, 8));
    Chunk(noData, "fmt ", Format(1, 1, 11025, 8));
    struct Case
    {
        const char* what;
        Bytes bytes;
        bool ok;
        size_t samples;
        const char* error;
    } cases[] = {
        {"8-bit mono", Mono8(100), true, 100, ""},
        {"16-bit stereo after another chunk", Riff(stereo), true, 8, ""},
        {"a data chunk cut short", cut, false, 0, "a chunk runs past the end of the file"},
        {"not RIFF", Bytes(40, 'x'), false, 0, "not a RIFF WAVE file"},
        {"float samples", Riff(floats), false, 0, "the samples are not PCM that can be played"},
        {"data before format", Riff(dataFirst), false, 0, "the data come before their format"},
        {"no data", Riff(noData), false, 0, "no data chunk"},
    };
    for (const Case& c : cases)
    {
        kel::WaveFile wave;
        std::string error;
        EXPECT_EQ(kel::ParseWave(c.bytes.data(), c.bytes.size(), wave, &error), c.ok) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        if (c.ok)
        {
            EXPECT_EQ(wave.samples.size(), c.samples) << c.what;
        }
    }
}

class WaveSound : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = (m_dir.path() / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void TearDown() override { kel::StopWaveSound(); }

    kel::testkit::TempDir m_dir{"kel-wave-"};
    kel::testkit::RecordingWaveSink m_sink;
};

TEST_F(WaveSound, ASoundPlaysOnceOrLoopsUntilStopped)
{
    const std::string beep = Write("beep.wav", Mono8(551)); // 50 ms
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(kel::PlayWaveSound({beep, nullptr, SND_SYNC}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(49)) << "waited for";
    ASSERT_EQ(m_sink.BufferCount(), 1u);
    Bytes samples(551);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<BYTE>(i);
    EXPECT_EQ(m_sink.Buffers()[0].samples, samples);

    m_sink.Clear();
    ASSERT_TRUE(kel::PlayWaveSound({beep, nullptr, SND_ASYNC | SND_LOOP}));
    std::this_thread::sleep_for(std::chrono::milliseconds(180));
    EXPECT_GE(m_sink.BufferCount(), 3u) << "looping";
    ASSERT_TRUE(kel::PlayWaveSound({"", nullptr, 0})); // stop
    const size_t played = m_sink.BufferCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(m_sink.BufferCount(), played) << "stopped";
    EXPECT_GE(m_sink.Resets(), 1);
}

TEST_F(WaveSound, OnlyReadableWaveFilesPlay)
{
    EXPECT_FALSE(kel::PlayWaveSound({(m_dir.path() / "missing.wav").string(), nullptr, SND_ASYNC}));
    EXPECT_FALSE(kel::PlayWaveSound({Write("text.wav", Bytes(64, 'a')), nullptr, SND_ASYNC}));
    EXPECT_FALSE(kel::PlayWaveSound({"#5", reinterpret_cast<HMODULE>(1), SND_RESOURCE}));
    EXPECT_EQ(m_sink.DevicesOpened(), 0);
}

} // namespace
