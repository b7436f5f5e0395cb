// The layer clock in its three modes.
#include "win32/clock.h"
#include "kinternal.h"

#include <chrono>
#include <mutex>

namespace kel
{
namespace
{
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL; // 1970-01-01 in 100 ns since 1601

int64_t RealNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t WallNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Layer time = real + base in real mode, base + (real - realBase) / scale in scaled mode, base in
// fake mode.
struct ClockState
{
    std::mutex lock;
    ClockMode mode = ClockMode::Real;
    double scale = 1.0;
    int64_t base = 0;
    int64_t realBase = 0;
    int64_t wallBase = 0;    // wall ns at the layer time `layerAtWall`
    int64_t layerAtWall = 0; // (only used outside real mode)
};

ClockState& State()
{
    static ClockState* state = new ClockState;
    return *state;
}

int64_t NowLocked(const ClockState& s)
{
    switch (s.mode)
    {
    case ClockMode::Real:
        return RealNs() + s.base;
    case ClockMode::Scaled:
        return s.base + static_cast<int64_t>(static_cast<double>(RealNs() - s.realBase) / s.scale);
    case ClockMode::Fake:
        return s.base;
    }
    return 0;
}

// Switches mode, keeping layer time and wall time continuous.
void Switch(ClockMode mode, double scale)
{
    ClockState& s = State();
    {
        std::lock_guard<std::mutex> lk(s.lock);
        const int64_t now = NowLocked(s);
        if (s.mode == ClockMode::Real)
        {
            s.wallBase = WallNs();
            s.layerAtWall = now;
        }
        s.mode = mode;
        s.scale = scale;
        s.base = now;
        s.realBase = RealNs();
        if (mode == ClockMode::Real)
        {
            // Resume from the faked time: ticks never run backwards and deadlines of waits still
            // running keep their meaning.
            s.base = now - s.realBase;
        }
    }
    WakeAllWaiters();
}
} // namespace

int64_t ClockNowNs()
{
    ClockState& s = State();
    std::lock_guard<std::mutex> lk(s.lock);
    return NowLocked(s);
}

ClockMode GetClockMode()
{
    ClockState& s = State();
    std::lock_guard<std::mutex> lk(s.lock);
    return s.mode;
}

void UseRealClock()
{
    Switch(ClockMode::Real, 1.0);
}

void UseScaledClock(double scale)
{
    Switch(ClockMode::Scaled, scale > 0 ? scale : 1.0);
}

void UseFakeClock()
{
    Switch(ClockMode::Fake, 1.0);
}

void AdvanceFakeClock(uint64_t ms)
{
    ClockState& s = State();
    {
        std::lock_guard<std::mutex> lk(s.lock);
        if (s.mode != ClockMode::Fake)
            return;
        s.base += static_cast<int64_t>(ms) * 1000000;
    }
    WakeAllWaiters();
}

void SetFakeClock(uint64_t ms)
{
    ClockState& s = State();
    {
        std::lock_guard<std::mutex> lk(s.lock);
        if (s.mode != ClockMode::Fake)
            return;
        // Keep the wall clock where it is when fake time jumps.
        s.layerAtWall += static_cast<int64_t>(ms) * 1000000 - s.base;
        s.base = static_cast<int64_t>(ms) * 1000000;
    }
    WakeAllWaiters();
}

int64_t ClockRealWaitNs(int64_t virtualNs)
{
    ClockState& s = State();
    std::lock_guard<std::mutex> lk(s.lock);
    switch (s.mode)
    {
    case ClockMode::Real:
        return virtualNs;
    case ClockMode::Scaled:
        return static_cast<int64_t>(static_cast<double>(virtualNs) * s.scale);
    case ClockMode::Fake:
        break;
    }
    return 100000000; // woken by AdvanceFakeClock; the slice only guards against missed wake-ups
}

uint64_t ClockWallFileTime()
{
    ClockState& s = State();
    std::lock_guard<std::mutex> lk(s.lock);
    const int64_t wall = s.mode == ClockMode::Real ? WallNs() : s.wallBase + (NowLocked(s) - s.layerAtWall);
    return static_cast<uint64_t>(wall / 100 + kUnixEpochAsFileTime);
}

} // namespace kel
