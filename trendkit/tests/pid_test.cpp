// PID loops: the step response of a first-order plant stepped by a host timer on the fake clock,
// no windup at a saturated output, the rate limit, manual mode and its bumpless return, constant
// changes without output jumps, definition rules, the published data sets, and deletion.
#include "TrendkitFixture.h"

#include "win32/clock.h"

#include <cmath>

namespace trendkit::test
{
namespace
{

// Process range 0-100 and output range 0-100 (scale 1); limits as given; no filter, direct action.
int Loop(float gain, float integral, float limitHigh = 100, float rateLimit = 0, float dt = 0.1f, int pvSet = 0,
         int outSet = 0, float derivativeTime = 0)
{
    return WRDefinePID(pvSet, outSet, "loop", 50, gain, integral, derivativeTime, 0, 100, 0, 0, 100, limitHigh, 0,
                       rateLimit, dt, 0, 0);
}

// A first-order plant y' = (gain x u - y) / tau stepped by a loop every 100 ms of a host timer.
struct Plant
{
    int loop = 0;
    float y = 0;
    float u = 0;
    float gain = 1;
    float tau = 2;
    std::vector<float> outputs;
};
Plant* plant = nullptr;

void CALLBACK StepPlant(HWND, UINT, UINT_PTR, DWORD)
{
    WRCalcPID(plant->loop, plant->y, &plant->u);
    plant->outputs.push_back(plant->u);
    plant->y += 0.1f / plant->tau * (plant->gain * plant->u - plant->y);
}

class PidTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        kel::UseFakeClock();
        kel::SetFakeClock(100000);
        plant = &p;
    }
    void TearDown() override
    {
        if (timer != 0)
            KillTimer(nullptr, timer);
        plant = nullptr;
        TrendkitTest::TearDown();
        kel::UseRealClock();
    }

    // Runs the plant's timer for `ms` of fake time, one period at a time.
    void Run(int ms)
    {
        if (timer == 0)
            timer = SetTimer(nullptr, 0, 100, StepPlant);
        for (int t = 0; t < ms; t += 100)
        {
            kel::AdvanceFakeClock(100);
            Pump(5);
        }
    }

    Plant p;
    UINT_PTR timer = 0;
};

TEST_F(PidTest, AStepOnAFirstOrderPlantSettlesAtTheSetpoint)
{
    p.loop = Loop(1.0f, 0.5f);
    ASSERT_EQ(p.loop, 1);
    Run(20000);
    ASSERT_EQ(p.outputs.size(), 200u);
    // Within 2% of the setpoint after 20 s and staying there.
    EXPECT_NEAR(p.y, 50.0f, 1.0f);
    EXPECT_NEAR(p.u, 50.0f, 1.0f);
    Run(5000);
    EXPECT_NEAR(p.y, 50.0f, 1.0f);
}

TEST_F(PidTest, ASaturatedOutputDoesNotWindUp)
{
    // The plant reaches at most 60: a setpoint of 80 holds the output at its limit for a long time.
    p.loop = Loop(1.0f, 0.5f, 60);
    WRChangePIDSetp(p.loop, 80);
    Run(30000);
    EXPECT_FLOAT_EQ(p.u, 60.0f);
    EXPECT_NEAR(p.y, 60.0f, 0.5f);
    // Back to a reachable setpoint: the output leaves the limit at once and the loop settles.
    WRChangePIDSetp(p.loop, 30);
    Run(300);
    EXPECT_LT(p.u, 60.0f);
    Run(25000);
    EXPECT_NEAR(p.y, 30.0f, 1.0f);
}

TEST_F(PidTest, TheRateLimitHoldsBackTheOutputAndTheIntegral)
{
    // A pure integral-free jump 0 -> 50 at a limit of 5 per time unit with dt 1 gives 5.
    const int loop = WRDefinePID(0, 0, nullptr, 50, 1, 1, 0, 0, 100, 0, 100, 0, 100, 0, 5, 1, 0, 0);
    float u = -1;
    ASSERT_EQ(WRCalcPID(loop, 0, &u), 1);
    EXPECT_FLOAT_EQ(u, 5.0f);
    EXPECT_FLOAT_EQ(GetPidLoop(loop)->integralSum, 0.0f);
    WRCalcPID(loop, 0, &u);
    EXPECT_FLOAT_EQ(u, 10.0f);
    // A rate limit of 0 is no limit: the output follows the controller, the integral sums.
    const int free = WRDefinePID(0, 0, nullptr, 50, 1, 1, 0, 0, 100, 0, 100, 0, 100, 0, 0, 1, 0, 0);
    WRCalcPID(free, 40, &u);
    EXPECT_FLOAT_EQ(u, 10.0f + 10.0f);
    EXPECT_FLOAT_EQ(GetPidLoop(free)->integralSum, 10.0f);
}

TEST_F(PidTest, ManualHoldsTheOutputAndTheReturnToAutomaticDoesNotJump)
{
    const int loop = Loop(2.0f, 0.5f, 80);
    float u = 0;
    WRCalcPID(loop, 40, &u);
    EXPECT_EQ(WRChangePIDOut(loop, 30), 0); // refused in automatic
    WRChangePIDAutoState(loop, 0);
    EXPECT_EQ(WRGetPIDAutoState(loop), 0);
    ASSERT_EQ(WRChangePIDOut(loop, 95), 1);
    WRCalcPID(loop, 40, &u);
    EXPECT_FLOAT_EQ(u, 80.0f); // clamped to the limit
    ASSERT_EQ(WRChangePIDOut(loop, 35), 1);
    WRCalcPID(loop, 40, &u);
    EXPECT_FLOAT_EQ(u, 35.0f);
    WRChangePIDAutoState(loop, 1);
    WRCalcPID(loop, 40, &u);
    // Same error as the manual step: only this step's integral action moves the output.
    EXPECT_NEAR(u, 35.0f + 2.0f * 0.1f * 0.5f * 10.0f, 1e-4);
}

TEST_F(PidTest, WithoutIntegralActionNothingDividesByZero)
{
    const int loop = Loop(2.0f, 0.0f);
    float u = 0;
    WRChangePIDAutoState(loop, 0);
    WRChangePIDOut(loop, 20);
    WRCalcPID(loop, 40, &u);
    EXPECT_FLOAT_EQ(u, 20.0f);
    EXPECT_TRUE(std::isfinite(GetPidLoop(loop)->integralSum));
    WRChangePIDAutoState(loop, 1);
    WRChangePIDConstants(loop, 3.0f, 0.0f, 0.0f);
    WRChangePIDSteadyState(loop, 5.0f);
    EXPECT_TRUE(std::isfinite(GetPidLoop(loop)->integralSum));
    WRCalcPID(loop, 40, &u);
    EXPECT_FLOAT_EQ(u, 3.0f * 10.0f + 5.0f);
    float gain = 0, integral = -1, derivative = -1;
    ASSERT_EQ(WRGetPIDConstants(loop, &gain, &integral, &derivative), 1);
    EXPECT_FLOAT_EQ(gain, 3.0f);
    EXPECT_EQ(integral, 0.0f);
    EXPECT_EQ(derivative, 0.0f);
    // No gain: the constants read back as 0, not as quotients of zero.
    WRChangePIDConstants(loop, 0.0f, 0.5f, 1.0f);
    ASSERT_EQ(WRGetPIDConstants(loop, &gain, &integral, &derivative), 1);
    EXPECT_EQ(integral, 0.0f);
    EXPECT_EQ(derivative, 0.0f);
}

TEST_F(PidTest, ConstantsAndBiasChangesKeepTheOutput)
{
    const int loop = Loop(1.0f, 0.5f, 100, 0, 0.1f, 0, 0, 0.2f);
    float u = 0;
    for (int i = 0; i < 5; ++i)
        WRCalcPID(loop, 45, &u);
    const float before = u;
    float gain = 0, integral = 0, derivative = 0;
    WRGetPIDConstants(loop, &gain, &integral, &derivative);
    EXPECT_FLOAT_EQ(gain, 1.0f);
    EXPECT_NEAR(integral, 0.5f, 1e-5);
    EXPECT_NEAR(derivative, 0.2f, 1e-5);
    WRChangePIDConstants(loop, 3.0f, 0.25f, 0.0f);
    WRChangePIDSteadyState(loop, 20.0f);
    const PidLoopDesc* d = GetPidLoop(loop);
    EXPECT_NEAR(d->kc * d->e + d->ki * d->integralSum + d->bias, before, 1e-3);
}

TEST_F(PidTest, DefinitionOrdersRangesClampsSetpointsAndShapesTheSets)
{
    const int pv = DefineSet(3);
    const int out = DefineSet(4);
    // Output ends (100, 0) and (0, 100) give the same range; limits stay inside it.
    const int a = WRDefinePID(pv, out, "Chamber pressure loop with a rather long name exceeding", 150, 1, 0, 0, 7,
                              100, 0, 100, 0, 120, -5, 0, 1, 0, 0);
    const int b = WRDefinePID(0, 0, nullptr, -3, 1, 0, 0, 0, 100, 0, 0, 100, 90, 10, 0, 1, 0, 0);
    ASSERT_EQ(a, 1);
    ASSERT_EQ(b, 2);
    const PidLoopDesc* la = GetPidLoop(a);
    const PidLoopDesc* lb = GetPidLoop(b);
    EXPECT_EQ(la->rangeHigh, lb->rangeHigh);
    EXPECT_EQ(la->rangeLow, lb->rangeLow);
    EXPECT_EQ(la->limitHigh, 100.0f);
    EXPECT_EQ(la->limitLow, 0.0f);
    EXPECT_EQ(std::string(la->name).size(), 41u);
    EXPECT_EQ(la->output, 7.0f);
    float sp = 0;
    ASSERT_EQ(WRGetPIDSetp(a, &sp), 1);
    EXPECT_EQ(sp, 100.0f);
    EXPECT_EQ(lb->setpoint, 0.0f);
    WRChangePIDSetp(b, 250);
    EXPECT_EQ(lb->setpoint, 100.0f);
    EXPECT_EQ(GetDynDataSet(pv)->valueCount, 2);
    EXPECT_EQ(GetDynDataSet(out)->valueCount, 1);
    EXPECT_EQ(WRGetBinData(out) & 3u, 1u);
    EXPECT_EQ(WRGetPIDAutoState(a), 1);
}

TEST_F(PidTest, AStepPublishesToTheSetsAndTheModeBits)
{
    const int pv = DefineSet(2);
    const int out = DefineSet(1);
    const int loop = Loop(1.0f, 0.0f, 100, 0, 1, pv, out);
    float u = 0;
    WRCalcPID(loop, 42, &u);
    float current[RT_MAX_VALUES]{}, previous[RT_MAX_VALUES]{};
    WRGetLastData(pv, current, previous);
    EXPECT_EQ(current[0], 42.0f);
    EXPECT_EQ(current[1], 50.0f);
    EXPECT_EQ(GetDynDataSet(pv)->setpoint, 50.0f);
    WRGetLastData(out, current, previous);
    EXPECT_EQ(current[0], u);
    WRChangePIDAutoState(loop, 0);
    WRCalcPID(loop, 42, &u);
    EXPECT_EQ(WRGetBinData(out) & 3u, 2u);
    WRChangePIDAutoState(loop, 1);
    WRCalcPID(loop, 42, &u);
    EXPECT_EQ(WRGetBinData(out) & 3u, 1u);
}

TEST_F(PidTest, ReverseActionDrivesTheOutputUpAboveTheSetpoint)
{
    const int direct = WRDefinePID(0, 0, nullptr, 50, 1, 0, 0, 50, 100, 0, 0, 100, 100, 0, 0, 1, 0, 0);
    const int reverse = WRDefinePID(0, 0, nullptr, 50, 1, 0, 0, 50, 100, 0, 0, 100, 100, 0, 0, 1, 0, 1);
    float u = 0;
    WRCalcPID(direct, 60, &u);
    EXPECT_LT(u, 50.0f);
    WRCalcPID(reverse, 60, &u);
    EXPECT_GT(u, 50.0f);
}

TEST_F(PidTest, UnknownSlotsFullTableAndDeletion)
{
    float value = 0;
    EXPECT_EQ(WRCalcPID(5, 1, &value), 0);
    EXPECT_EQ(WRGetPIDSetp(0, &value), 0);
    EXPECT_EQ(WRGetPIDConstants(128, &value, &value, &value), 0);
    EXPECT_EQ(WRChangePIDOut(-1, 1), 0);
    WRChangePIDSetp(9, 1);
    WRDeletePID(9, 1);
    for (int i = 1; i <= RT_MAX_PID; ++i)
        ASSERT_EQ(Loop(1, 0), i);
    EXPECT_EQ(Loop(1, 0), 0);
    WRDeletePID(3, 0);
    EXPECT_EQ(GetPidLoop(3), nullptr);
    EXPECT_EQ(Loop(1, 0), 3);
    // Deleting with the flag frees the loop's sets; the rest go at clean-up.
    const int pv = DefineSet(2);
    const int out = DefineSet(1);
    WRDeletePID(4, 0);
    EXPECT_EQ(Loop(1, 0, 100, 0, 1, pv, out), 4);
    WRDeletePID(4, 1);
    EXPECT_EQ(GetDynDataSet(pv), nullptr);
    EXPECT_EQ(GetDynDataSet(out), nullptr);
}

} // namespace
} // namespace trendkit::test
