// Test clocks: install the layer's fake or scaled clock for the lifetime of a test.
#pragma once

#include <cstdint>

namespace kel::testkit
{

// Layer time stands still until the test moves it. Waits with finite time-outs end when fake
// time reaches their deadline; Sleep(ms) moves fake time itself. The real clock comes back on
// destruction.
class FakeClock
{
public:
    FakeClock();
    // Starts the fake clock at `startMs` (GetTickCount() then returns it).
    explicit FakeClock(uint64_t startMs);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    // Fake time in milliseconds (what GetTickCount64 returns).
    uint64_t Now() const;
    // Moves fake time forward and wakes waits whose deadline passed.
    void Advance(uint64_t ms);
    // Sets fake time (also backwards, for wrap-around cases).
    void Set(uint64_t ms);
};

// Long time-outs pass quickly: with scale 0.01 a 10 s wait takes 100 ms of real time and
// GetTickCount advances by 10000 in it. The real clock comes back on destruction.
class TimeoutScale
{
public:
    explicit TimeoutScale(double scale);
    ~TimeoutScale();
    TimeoutScale(const TimeoutScale&) = delete;
    TimeoutScale& operator=(const TimeoutScale&) = delete;
};

} // namespace kel::testkit
