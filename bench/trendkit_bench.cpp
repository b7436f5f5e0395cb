// Samples per second through WRUpdateData with no graph attached: 1 and 32 values per call, with the
// alarm check off and on (every alarm kind but Fail enabled, limits never crossed). The baseline,
// timed in the same run, is what an update must do at least: keep the previous sample and copy the
// new one into the set and into its history ring.
#include "trendkit.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

constexpr int kCalls = 2000000;

template <class F> double SecondsFor(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
}

// The bare copies of one update, on plain arrays.
double Baseline(int values)
{
    std::vector<float> current(32), previous(32), ring(static_cast<size_t>(1001) * values), sample(32, 1.0f);
    size_t at = 0;
    volatile float sink = 0;
    const double s = SecondsFor(
        [&]
        {
            for (int i = 0; i < kCalls; ++i)
            {
                sample[0] = static_cast<float>(i & 7);
                std::memcpy(previous.data(), current.data(), values * sizeof(float));
                std::memcpy(current.data(), sample.data(), values * sizeof(float));
                std::memcpy(ring.data() + at * values, current.data(), values * sizeof(float));
                if (++at == 1000)
                    at = 0;
            }
        });
    sink = ring[0];
    (void)sink;
    return kCalls / s;
}

double Updates(int values, bool alarms)
{
    const int slot = WRDefineDynDataSet("bench", values, "Torr", nullptr, 1000);
    if (alarms)
    {
        WRSetAlarm(slot, 1, 1e9f, "High");
        WRSetAlarm(slot, 2, -1e9f, "Low");
        WRSetAlarm(slot, 3, 2e9f, "HighHigh");
        WRSetAlarm(slot, 4, -2e9f, "LowLow");
        WRSetAlarm(slot, 5, 1e9f, "Rate");
        WRSetAlarm(slot, 6, 1e9f, "Deviation");
    }
    std::vector<float> sample(32, 1.0f);
    const double s = SecondsFor(
        [&]
        {
            for (int i = 0; i < kCalls; ++i)
            {
                sample[0] = static_cast<float>(i & 7);
                WRUpdateData(slot, sample.data(), nullptr);
            }
        });
    WRFreeDynDataSet(slot);
    return kCalls / s;
}

} // namespace

int main()
{
    static TopDesc top{};
    top.realType = PK_REAL_TYPE;
    if (!InitRTDll(&top))
    {
        std::printf("trendkit_bench: the library did not start\n");
        return 1;
    }
    std::printf(
        "trendkit_bench: %d calls of WRUpdateData per case, no graph attached, ring of 1000 samples\n",
        kCalls);
    bool met = true;
    for (int values : {1, 32})
    {
        const double base = Baseline(values);
        for (bool alarms : {false, true})
        {
            const double rate = Updates(values, alarms);
            met = met && rate >= 1e6;
            std::printf("  %2d value%s, alarms %-3s: %10.0f samples/s = %.2f x the bare copies (%.0f/s)\n",
                        values, values == 1 ? " " : "s", alarms ? "on" : "off", rate, rate / base, base);
            std::printf("BENCH trendkit/%d/%s %.0f samples/s %.3f figure>=1000000\n", values,
                        alarms ? "alarms" : "plain", rate, rate / base);
        }
    }
    std::printf("  goal of 1,000,000 samples/s %s\n", met ? "met" : "NOT met");
    RTCleanup(&top);
    return 0;
}
