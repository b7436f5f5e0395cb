// The leak tone as heard: the samples the wave-out device plays, captured by a recording sink,
// measured for their frequency by interpolated zero crossings, against the pitch each reading must
// give; how fast a new reading is heard, the pauses between readings, Stop and Play.
#include "sound/Audio.h"

#include "testkit/RecordingWaveSink.h"
#include "win32/uidriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using kel::testkit::RecordingWaveSink;

// The frequency of a stretch of 8-bit samples: rising crossings of their mean, placed between
// samples by linear interpolation, over the span from the first crossing to the last.
double MeasureFrequency(const std::vector<BYTE>& samples)
{
    if (samples.size() < 3)
        return 0.0;
    double mean = 0.0;
    for (BYTE s : samples)
        mean += s;
    mean /= static_cast<double>(samples.size());
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t n = 1; n < samples.size(); ++n)
    {
        const double a = samples[n - 1], b = samples[n];
        if (a < mean && b >= mean)
        {
            const double at = static_cast<double>(n - 1) + (mean - a) / (b - a);
            if (crossings == 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) / (last - first) * CAudio::kSampleRate;
}

std::vector<BYTE> Join(const std::vector<RecordingWaveSink::Buffer>& buffers, size_t from = 0)
{
    std::vector<BYTE> all;
    for (size_t i = from; i < buffers.size(); ++i)
        all.insert(all.end(), buffers[i].samples.begin(), buffers[i].samples.end());
    return all;
}

class LeakTone : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(kel::ui::Initialize()); }
    void TearDown() override
    {
        m_tone.reset();
        kel::ui::Shutdown();
    }

    // A tone of mode 1 (500-1500 Hz) over 1e-7..1e-4, open and playing, its first two buffers
    // played out.
    void OpenAndPlay()
    {
        m_tone = std::make_unique<CAudio>(1, 1e-7f, 1e-4f);
        ASSERT_EQ(m_tone->Open(), 1);
        m_tone->Play();
        WaitUntilQuiet();
        ASSERT_EQ(m_sink.BufferCount(), 2u) << "Play queues both buffers";
        m_sink.Clear();
    }

    // Waits (real time, bounded) until no buffer has been written for a while: the tone is silent.
    void WaitUntilQuiet()
    {
        const auto end = Clock::now() + std::chrono::seconds(5);
        size_t count = m_sink.BufferCount();
        auto since = Clock::now();
        while (Clock::now() < end)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (m_sink.BufferCount() != count)
            {
                count = m_sink.BufferCount();
                since = Clock::now();
            }
            else if (Clock::now() - since > std::chrono::milliseconds(200))
                return;
        }
        ADD_FAILURE() << "the tone never fell silent";
    }

    // Readings of value every few milliseconds for a while, from a thread of their own as the
    // stepping worker gives them.
    void Readings(float value, int count, int everyMs = 6)
    {
        std::thread stepper(
            [&]
            {
                for (int i = 0; i < count; ++i)
                {
                    m_tone->SetLevel(value);
                    std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
                }
            });
        stepper.join();
    }

    RecordingWaveSink m_sink;
    std::unique_ptr<CAudio> m_tone;
};

TEST_F(LeakTone, PitchOfEachReadingAsHeard)
{
    OpenAndPlay();
    EXPECT_EQ(m_sink.LastFormat().nSamplesPerSec, 11025u);
    EXPECT_EQ(m_sink.LastFormat().wBitsPerSample, 8);
    EXPECT_EQ(m_sink.LastFormat().nChannels, 1);
    struct Case
    {
        float value;
        double hz; // low + (v - min) / (max - min) x (high - low), clamped to 500..1500
    } cases[] = {
        {5e-8f, 500},       {1e-7f, 500},  {2.5075e-5f, 750}, {5.005e-5f, 1000},
        {7.5025e-5f, 1250}, {1e-4f, 1500}, {2e-4f, 1500},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.value);
        m_sink.Clear();
        // About a quarter of a second of readings: a dozen buffers when the machine keeps up, and
        // enough to measure the pitch when it is loaded and the tone's thread runs late.
        Readings(c.value, 40);
        WaitUntilQuiet();
        const auto buffers = m_sink.Buffers();
        ASSERT_GE(buffers.size(), 6u);
        EXPECT_NEAR(MeasureFrequency(Join(buffers)), c.hz, c.hz * 0.01);
        EXPECT_NEAR(m_tone->GetFrequency(), c.hz, 1.0);
    }

    // A single reading after a pause is heard at once and lasts two buffers; then the tone pauses.
    m_sink.Clear();
    m_tone->SetLevel(1e-4f);
    WaitUntilQuiet();
    const auto burst = m_sink.Buffers();
    ASSERT_EQ(burst.size(), 2u);
    EXPECT_NEAR(MeasureFrequency(Join(burst)), 1500.0, 15.0);
}

TEST_F(LeakTone, ANewLevelIsHeardWithinOneBuffer)
{
    OpenAndPlay();
    // A steady stream at 600 Hz, then the readings jump to the top of the range. The stepping
    // thread notes how many buffers were written when it hands over the first new reading.
    std::atomic<size_t> changedAt{0};
    std::thread stepper(
        [&]
        {
            const auto jump = Clock::now() + std::chrono::milliseconds(150);
            const auto end = jump + std::chrono::milliseconds(150);
            bool changed = false;
            while (Clock::now() < end)
            {
                if (!changed && Clock::now() >= jump)
                {
                    changedAt = m_sink.BufferCount();
                    changed = true;
                }
                m_tone->SetLevel(changed ? 1e-4f : 1.01e-5f); // 1500 Hz; 500 + 100 Hz
                std::this_thread::sleep_for(std::chrono::milliseconds(4));
            }
        });
    stepper.join();
    WaitUntilQuiet();

    const auto buffers = m_sink.Buffers();
    const size_t at = changedAt;
    ASSERT_GT(at, 4u);
    ASSERT_GT(buffers.size(), at + 4);
    const double before = MeasureFrequency(Join({buffers.begin(), buffers.begin() + static_cast<long>(at)}));
    EXPECT_NEAR(before, 600.0, 6.0);
    // One buffer may have been in the making when the level changed; every later one has the new
    // pitch.
    for (size_t i = at + 1; i < buffers.size(); ++i)
        EXPECT_NEAR(MeasureFrequency(buffers[i].samples), 1500.0, 40.0)
            << "buffer " << i << " of " << buffers.size();
    EXPECT_NEAR(MeasureFrequency(Join(buffers, at + 1)), 1500.0, 15.0);
}

TEST_F(LeakTone, StopSilencesTheToneUntilPlay)
{
    OpenAndPlay();
    Readings(1e-5f, 10);
    m_tone->Stop();
    WaitUntilQuiet();
    EXPECT_GE(m_sink.Resets(), 1);
    m_sink.Clear();
    Readings(1e-5f, 20); // readings keep coming: nothing is queued again
    WaitUntilQuiet();
    EXPECT_EQ(m_sink.BufferCount(), 0u);

    m_tone->Play();
    Readings(1e-4f, 10);
    WaitUntilQuiet();
    EXPECT_GE(m_sink.BufferCount(), 3u);
    // Close while it plays: the device and the tone's thread go, and it can open again.
    m_tone->SetLevel(1e-4f);
    m_tone->Close();
    EXPECT_FALSE(m_tone->IsOpen());
    EXPECT_EQ(m_tone->Open(), 1);
}

TEST(LeakTonePitch, ReadingsMapOntoThePitchRange)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case
    {
        int mode;
        float minimum, maximum, value;
        int hz;
    } cases[] = {
        {1, 1e-7f, 1e-4f, 5e-8f, 500},
        {1, 1e-7f, 1e-4f, 1e-7f, 500},
        {1, 1e-7f, 1e-4f, 1e-4f, 1500},
        {1, 1e-7f, 1e-4f, 2e-4f, 1500},
        {1, 0.0f, 1.0f, 0.5f, 1000},
        {0, 0.0f, 1.0f, 0.5f, 750},
        {2, 0.0f, 1.0f, 0.25f, 1250},
        {1, 1e-7f, 1e-4f, inf, 1500},
        {1, 1e-7f, 1e-4f, -inf, 500},
        // Not a number has no pitch of its own: the bottom of the range.
        {1, 1e-7f, 1e-4f, nan, 500},
        // A range without width: below it the low end, at or above it the high end, never a division
        // by zero.
        {1, 1e-6f, 1e-6f, 1e-7f, 500},
        {1, 1e-6f, 1e-6f, 1e-6f, 1500},
        {1, 1e-6f, 1e-6f, 1e-5f, 1500},
        // An inverted range (a damaged document): only the clamps apply.
        {1, 1e-4f, 1e-7f, 5e-5f, 500},
    };
    for (const Case& c : cases)
    {
        CAudio tone(c.mode, c.minimum, c.maximum);
        EXPECT_EQ(tone.FrequencyOf(c.value), c.hz)
            << c.mode << " " << c.minimum << ".." << c.maximum << " " << c.value;
    }

    // An unknown mode keeps the pair in force and goes back to its low end.
    CAudio tone(2, 0.0f, 1.0f);
    tone.SetLevel(1.0f);
    EXPECT_EQ(tone.GetFrequency(), 2000);
    tone.SetRange(5, 0.0f, 2.0f);
    EXPECT_EQ(tone.GetLowFrequency(), 1000);
    EXPECT_EQ(tone.GetHighFrequency(), 2000);
    EXPECT_EQ(tone.GetFrequency(), 1000);
    EXPECT_EQ(tone.FrequencyOf(1.0f), 1500);
}

TEST(LeakTonePitch, SynthesisStepsThroughOneSinePeriodPerTable)
{
    EXPECT_EQ(CAudio::PhaseStep(1000), 4643u);
    EXPECT_EQ(CAudio::PhaseStep(250), 1160u);
    // One sine period over the table, 0 to 253 around 127.
    std::vector<BYTE> stream;
    uint32_t phase = 0;
    for (int i = 0; i < 20; ++i)
    {
        BYTE buffer[CAudio::kBufferSamples];
        CAudio::Synthesise(buffer, 1000, phase);
        stream.insert(stream.end(), buffer, buffer + CAudio::kBufferSamples);
    }
    EXPECT_EQ(stream[0], 127);
    EXPECT_GE(*std::max_element(stream.begin(), stream.end()), 250);
    EXPECT_EQ(*std::max_element(stream.begin(), stream.end()), 253);
    EXPECT_LE(*std::min_element(stream.begin(), stream.end()), 3);
    // The phase runs on into the next buffer.
    uint32_t again = 0;
    BYTE twice[2][CAudio::kBufferSamples];
    CAudio::Synthesise(twice[0], 1000, again);
    CAudio::Synthesise(twice[1], 1000, again);
    std::vector<BYTE> joined(twice[0], twice[0] + 2 * CAudio::kBufferSamples);
    EXPECT_NEAR(MeasureFrequency(joined), 999.8, 3.0);
}

} // namespace
