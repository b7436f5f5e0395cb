#include "testkit/FakeClock.h"

#include "win32/clock.h"

namespace kel::testkit
{

FakeClock::FakeClock()
{
    UseFakeClock();
}

FakeClock::FakeClock(uint64_t startMs)
{
    UseFakeClock();
    SetFakeClock(startMs);
}

FakeClock::~FakeClock()
{
    UseRealClock();
}

uint64_t FakeClock::Now() const
{
    return ClockNowMs();
}

void FakeClock::Advance(uint64_t ms)
{
    AdvanceFakeClock(ms);
}

void FakeClock::Set(uint64_t ms)
{
    SetFakeClock(ms);
}

TimeoutScale::TimeoutScale(double scale)
{
    UseScaledClock(scale);
}

TimeoutScale::~TimeoutScale()
{
    UseRealClock();
}

} // namespace kel::testkit
