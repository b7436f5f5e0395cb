// The layer clock: GetTickCount, Sleep and every wait time-out read it. Tests replace it with a
// fake clock (time moves only when told) or scale it (long time-outs pass quickly).
#pragma once

#include <cstdint>

namespace kel
{

enum class ClockMode
{
    Real,   // steady system clock (continuing from where a test clock left layer time)
    Scaled, // layer time runs 1/scale times faster than real time
    Fake    // layer time moves only by AdvanceFakeClock, SetFakeClock and Sleep
};

// Layer time in nanoseconds since an arbitrary origin; never goes backwards except by SetFakeClock.
int64_t ClockNowNs();
// Layer time in milliseconds.
inline uint64_t ClockNowMs()
{
    return static_cast<uint64_t>(ClockNowNs() / 1000000);
}

ClockMode GetClockMode();

// Back to the real clock: layer time runs at the steady clock's rate from where it stands.
void UseRealClock();
// Scaled mode: a wait of t ms takes t*scale ms real time; GetTickCount advances by 1/scale ms per
// real ms. scale must be > 0 (1 is real speed).
void UseScaledClock(double scale);
// Fake mode, starting at the current layer time.
void UseFakeClock();
// Moves fake time forward by ms and wakes waits whose deadline passed. Ignored in other modes.
void AdvanceFakeClock(uint64_t ms);
// Sets fake time to ms (may move it backwards; for wrap-around tests). Ignored in other modes.
void SetFakeClock(uint64_t ms);

} // namespace kel
