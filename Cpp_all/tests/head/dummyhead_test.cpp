// The simulated head: what scans, dialogs and the document see of a head without hardware, and the
// spectrum its points come from.
#include "KelException.h"
#include "head/KELDummyHead.h"
#include "head/SimSpectrum.h"
#include "mfc/Exception.h"
#include "mfc/File.h"
#include "mfc/WinAppCore.h"
#include "testkit/FakeClock.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testsupport/HeadAccess.h"
#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using kel::testkit::FakeClock;
using kel::testkit::Field;
using kel::testkit::OpenDummyHead;
using kel::testkit::OpenHead;
using kel::testkit::ScopedSettings;
using kel::testkit::ScriptedPrompts;

namespace
{

// Every point waiting in the queue, taken without waiting.
std::vector<int32_t> Drain(CKELDummyHead& head)
{
    std::vector<int32_t> points;
    while (head.GetQueuedPoints() > 0)
    {
        float v = 0;
        EXPECT_TRUE(head.MeasureMR(v));
        points.push_back(int32_t(v));
    }
    return points;
}

int TableRow(double mass)
{
    return int(std::lround((mass - 1.0) * 10));
}

int32_t TruncatedSignal(double mass)
{
    return int32_t(GetSimSpectrum()[TableRow(mass)].signal);
}

// An analog sweep over masses initial..final with the head's current noise.
std::vector<int32_t> AnalogSweep(CKELDummyHead& head, int initial, int final, int steps)
{
    head.SetInitialMass(initial);
    head.SetFinalMass(final);
    head.SetStepsPerAmu(steps);
    head.StartAnalogScan(1);
    return Drain(head);
}

struct Stats
{
    double mean = 0;
    double sd = 0;
};

// Mean and standard deviation of each point's distance from its table signal.
Stats NoiseOf(const std::vector<int32_t>& points, int initial, int steps)
{
    Stats s;
    std::vector<double> d;
    for (size_t j = 0; j < points.size(); ++j)
        d.push_back(points[j] - GetSimSpectrum()[10 * (initial - 1) + 10 * int(j) / steps].signal);
    for (double x : d)
        s.mean += x;
    s.mean /= double(d.size());
    for (double x : d)
        s.sd += (x - s.mean) * (x - s.mean);
    s.sd = std::sqrt(s.sd / double(d.size() - 1));
    return s;
}

// A simulated head on line; any message box fails the test.
class DummyHeadTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(head.Connect(2)); }

    ScriptedPrompts prompts;
    OpenDummyHead head;
};

// ---- The spectrum ---------------------------------------------------------------------------------

TEST(SimSpectrumTest, TableRunsFromOneToHundredAmuWithTheStatedRows)
{
    const SimSpectrumRow* t = GetSimSpectrum();
    EXPECT_DOUBLE_EQ(t[0].mass, 1.0);
    EXPECT_DOUBLE_EQ(t[SIM_SPECTRUM_ROWS - 1].mass, 100.0);
    double low = t[0].signal, high = t[0].signal;
    for (int i = 1; i < SIM_SPECTRUM_ROWS; ++i)
    {
        ASSERT_NEAR(t[i].mass - t[i - 1].mass, 0.1, 1e-9) << "row " << i;
        low = std::min(low, t[i].signal);
        high = std::max(high, t[i].signal);
    }
    EXPECT_DOUBLE_EQ(low, -24.5);
    EXPECT_DOUBLE_EQ(high, 7770);

    const struct
    {
        double mass, signal;
    } rows[] = {{1.0, -15.4}, {1.5, 23.4},  {2.0, 993},   {2.3, 1730},  {27.9, 6720}, {28.0, 7740},
                {28.1, 7770}, {28.5, 1180}, {32.0, 1760}, {99.5, 38.0}, {100.0, 36.1}};
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(t[TableRow(r.mass)].signal, r.signal) << r.mass << " amu";

    // Residual gas: nothing but hydrogen, nitrogen and oxygen comes near their peaks, and the floor
    // far from the light gases stays at a few tens.
    for (int i = 0; i < SIM_SPECTRUM_ROWS; ++i)
    {
        const double m = t[i].mass;
        const bool majorPeak = (m > 1.5 && m < 3.0) || (m > 27.0 && m < 29.5) || (m > 31.0 && m < 33.0);
        if (!majorPeak)
        {
            EXPECT_LT(t[i].signal, 1000) << m << " amu";
        }
        if (m > 50)
        {
            EXPECT_TRUE(t[i].signal > 10 && t[i].signal < 100) << m << " amu: " << t[i].signal;
        }
    }
}

TEST(SimSpectrumTest, MassesFindTheNearestRowAndNothingOutsideTheTable)
{
    const struct
    {
        double mass;
        int row;
    } cases[] = {
        {1.0, 0},     {1.04, 0},    {1.06, 1},    {27.96, 270},
        {27.95, 269}, // a tie goes to the lower row
        {28.0, 270},  {99.99, 990}, {100.0, 990}, {0.999, -1},
        {100.01, -1}, {-3.0, -1},   {1e300, -1},  {std::numeric_limits<double>::quiet_NaN(), -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindSimSpectrumRow(c.mass), c.row) << c.mass;
}

// ---- Identification and the line ------------------------------------------------------------------

TEST(DummyHeadConnectTest, ConnectIdentifiesAVirtualKel200WithoutOpeningAPortOrWritingTheProfile)
{
    ScopedSettings settings;
    CWinApp app("kelmon");
    app.SetRegistryKey("Test Dummy Head");
    ASSERT_TRUE(app.WriteProfileInt("Last Port Used", "Com Port", 4));
    ScriptedPrompts prompts;

    CKELDummyHead head;
    EXPECT_EQ(head.GetPort(), 4);
    EXPECT_FALSE(head.IsOnline());
    // 62 is no port of this machine; the simulated head never opens one.
    ASSERT_TRUE(head.Connect(62));
    EXPECT_TRUE(head.IsOnline());
    EXPECT_TRUE(head.IsConnected());
    EXPECT_EQ(head.GetPort(), 62);
    EXPECT_EQ(head.GetHeadFamily(), HEAD_FAMILY_KEL);
    EXPECT_EQ(head.GetMassRange(), 200);
    CString text;
    ASSERT_TRUE(head.GetModelString(text));
    EXPECT_STREQ(text, "KEL200");
    ASSERT_TRUE(head.QueryId(text));
    EXPECT_STREQ(text, "ZOLKEL200VIRTUAL");
    int serial = -1;
    ASSERT_TRUE(head.GetSerialNumber(serial));
    EXPECT_EQ(serial, 0);
    EXPECT_EQ(app.GetProfileInt("Last Port Used", "Com Port", -1), 4u);

    EXPECT_TRUE(head.Reconnect());
    EXPECT_TRUE(head.IsOnline());
    EXPECT_TRUE(head.Disconnect());
    EXPECT_FALSE(head.IsOnline());
    EXPECT_FALSE(head.IsConnected());
    EXPECT_FALSE(head.CheckHeadPresent());
    ASSERT_TRUE(head.Connect(1));
    EXPECT_TRUE(head.CheckHeadPresent());
}

TEST(DummyHeadConnectTest, StartPortComesFromTheLastPortUsedWhenItIsAPort)
{
    const struct
    {
        bool stored;
        int value, port;
    } cases[] = {{false, 0, 1}, {true, 0, 0}, {true, 7, 7}, {true, 15, 15}, {true, 16, 1}, {true, -1, 1}};
    for (const auto& c : cases)
    {
        ScopedSettings settings;
        CWinApp app("kelmon");
        app.SetRegistryKey("Test Dummy Head");
        if (c.stored)
        {
            ASSERT_TRUE(app.WriteProfileInt("Last Port Used", "Com Port", c.value));
        }
        CKELDummyHead head;
        EXPECT_EQ(head.GetPort(), c.port) << "stored " << c.stored << " " << c.value;
    }
}

TEST(DummyHeadConnectTest, WithoutALineObjectTheLineOperationsFailQuietly)
{
    ScriptedPrompts prompts; // no box may appear
    CKELDummyHead head;
    CString text;
    int value = -1;
    EXPECT_FALSE(head.IdentifyHead());
    EXPECT_FALSE(head.QueryId(text));
    EXPECT_FALSE(head.Initialize());
    EXPECT_FALSE(head.Calibrate());
    EXPECT_FALSE(head.Degas());
    EXPECT_FALSE(head.SendRaw("FL1.00"));
    EXPECT_FALSE(head.Query("ER?", text));
    EXPECT_FALSE(head.CheckErrors());
    EXPECT_FALSE(head.StartSingleMass(28, -1));
    EXPECT_FALSE(head.StartTotalPressure());
    EXPECT_FALSE(head.GetCemOption(value));
    EXPECT_EQ(head.GetQueuedPoints(), 0);

    head.SetThrowOnError(1);
    try
    {
        head.StartTotalPressure();
        ADD_FAILURE() << "no exception";
    }
    catch (CKelException* e)
    {
        e->Delete();
    }
}

TEST_F(DummyHeadTest, AnswersLikeAHealthyHeadThatHasAlwaysReplied)
{
    int value = -1;
    EXPECT_TRUE(head.PollStatus(value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(head.GetBytesWaiting(), 4);
    EXPECT_TRUE(head.WaitForBytes(4, 3000));
    EXPECT_TRUE(head.ReadIntReply(value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(head.GetCemOption(value));
    EXPECT_EQ(value, 1);

    // The group error queries read an empty reply as 0, so error checks never show a box.
    head.m_bAbort = head.m_bStatusTimedOut = head.m_bFilamentError[2] = 1;
    EXPECT_TRUE(head.CheckErrors());
    EXPECT_FALSE(head.GetAbortFlag());
    EXPECT_FALSE(head.GetStatusTimedOut());
    EXPECT_FALSE(head.GetFilamentErrorFlag());
    for (BOOL (CHead::*query)(int&) : {&CHead::QueryStatusByte, &CHead::QueryEP, &CHead::QueryED,
                                       &CHead::QueryEQ, &CHead::QueryEM, &CHead::QueryEF, &CHead::QueryEC})
    {
        value = -1;
        EXPECT_TRUE((head.*query)(value));
        EXPECT_EQ(value, 0);
    }
    EXPECT_TRUE(head.EnableTotalPressure(1));
    EXPECT_TRUE(head.CheckRfSupply());
    CString reply = "x";
    EXPECT_TRUE(head.SendAndQuery("MI5", "MI?", reply));
    EXPECT_TRUE(reply.IsEmpty());
}

// ---- Settings -------------------------------------------------------------------------------------

TEST(DummyHeadSettingsTest, StartsWithTheSimulatedHeadsValues)
{
    ScriptedPrompts prompts;
    CKELDummyHead head;
    EXPECT_EQ(head.GetPort(), 1); // no application profile
    EXPECT_TRUE(head.IsCemPresent());
    EXPECT_EQ(head.GetCemVoltage(), 20);
    EXPECT_FLOAT_EQ(head.GetCemGain(), 50.0f);
    EXPECT_FLOAT_EQ(head.GetSensitivity(), 0.0001009f);
    EXPECT_EQ(head.GetMassRange(), 200);
    int on = 0, value = 0;
    EXPECT_TRUE(head.IsHighVoltageOn(on));
    EXPECT_EQ(on, 1);
    float f = 0;
    EXPECT_TRUE(head.QueryST(f));
    EXPECT_FLOAT_EQ(f, 0.02f);
    EXPECT_TRUE(head.QueryRS(f));
    EXPECT_FLOAT_EQ(f, 1046.9376f / 128);
    EXPECT_TRUE(head.QueryRI(f));
    EXPECT_FLOAT_EQ(f, -10.24f);
    EXPECT_TRUE(head.QueryDS(f));
    EXPECT_FLOAT_EQ(f, -0.07f);
    EXPECT_TRUE(head.QueryDI(value));
    EXPECT_EQ(value, 125);
    EXPECT_TRUE(head.QueryInitialMass(value));
    EXPECT_EQ(value, 100);
}

TEST_F(DummyHeadTest, DefaultFormsStoreTheHeadsOwnDefaults)
{
    using Set = BOOL (CHead::*)(int);
    using Get = BOOL (CHead::*)(int&);
    const struct
    {
        const char* name;
        Set set;
        Get get;
        int def;
    } ints[] = {
        {"initial mass", &CHead::SetInitialMass, &CHead::QueryInitialMass, 1},
        {"final mass", &CHead::SetFinalMass, &CHead::QueryFinalMass, 200},
        {"steps per amu", &CHead::SetStepsPerAmu, &CHead::QueryStepsPerAmu, 10},
        {"noise floor", &CHead::SetNoiseFloor, &CHead::QueryNoiseFloor, 4},
        {"DI", &CHead::SetDI, &CHead::QueryDI, 0},
        {"ion energy", &CHead::SetIonEnergy, &CHead::QueryIonEnergy, 1},
        {"electron energy", &CHead::SetElectronEnergy, &CHead::QueryElectronEnergy, 70},
        {"focus voltage", &CHead::SetFocusVoltage, &CHead::QueryFocusVoltage, 90},
    };
    for (const auto& c : ints)
    {
        int value = -1;
        ASSERT_TRUE((head.*c.set)(5));
        ASSERT_TRUE((head.*c.set)(kHeadDefaultValue));
        ASSERT_TRUE((head.*c.get)(value));
        EXPECT_EQ(value, c.def) << c.name;
    }

    using SetF = BOOL (CHead::*)(float);
    using GetF = BOOL (CHead::*)(float&);
    const struct
    {
        const char* name;
        SetF set;
        GetF get;
        float def;
    } floats[] = {
        {"RS", &CHead::SetRS, &CHead::QueryRS, 1.0f},
        {"RI", &CHead::SetRI, &CHead::QueryRI, 0.0f},
        {"DS", &CHead::SetDS, &CHead::QueryDS, 0.0f},
    };
    for (const auto& c : floats)
    {
        float value = -1;
        ASSERT_TRUE((head.*c.set)(3.5f));
        ASSERT_TRUE((head.*c.get)(value));
        EXPECT_FLOAT_EQ(value, 3.5f) << c.name;
        ASSERT_TRUE((head.*c.set)(float(kHeadDefaultValue)));
        ASSERT_TRUE((head.*c.get)(value));
        EXPECT_FLOAT_EQ(value, c.def) << c.name;
    }
}

TEST_F(DummyHeadTest, SettingsReadBackAsAHeadWouldAnswerThem)
{
    float f = 0;
    int value = 0;
    head.SetRS(2.5f);
    EXPECT_FLOAT_EQ(head.m_fRS, 320.0f); // kept as the head's figure
    head.SetRI(0.00005f);
    head.QueryRI(f);
    EXPECT_EQ(f, 0.0f);
    head.SetDS(-0.00009f);
    head.QueryDS(f);
    EXPECT_EQ(f, 0.0f);
    head.SetIonEnergy(0);
    head.QueryIonEnergy(value);
    EXPECT_EQ(value, 0);
    head.SetIonEnergy(7);
    head.QueryIonEnergy(value);
    EXPECT_EQ(value, 1);
    head.SetXV(2, 61.5f);
    head.QueryXV(4, f);
    EXPECT_FLOAT_EQ(f, 61.5f);

    head.SetInitialMass(1);
    head.SetFinalMass(3);
    head.SetStepsPerAmu(10);
    head.QueryAP(value);
    EXPECT_EQ(value, 21);
    head.QueryHP(value);
    EXPECT_EQ(value, 3);

    // A JOV head counts masses in its own units; the queries map them back.
    head.m_nFamily = HEAD_FAMILY_JOV;
    head.SetInitialMass(4);
    EXPECT_EQ(head.m_nInitialMass, 4 * 35 + 1);
    head.QueryInitialMass(value);
    EXPECT_EQ(value, 4);
    head.SetStepsPerAmu(70);
    EXPECT_EQ(head.m_nStepsPerAmu, 2);
    head.QueryStepsPerAmu(value);
    EXPECT_EQ(value, 70);
}

TEST_F(DummyHeadTest, FilamentAndMultiplierFollowTheirSwitches)
{
    float current = 0;
    int on = -1;
    head.m_fEmission = 0.25f;
    ASSERT_TRUE(head.FilamentOn());
    ASSERT_TRUE(head.QueryEmissionCurrent(current));
    EXPECT_FLOAT_EQ(current, 0.995f);
    ASSERT_TRUE(head.FilamentOff());
    ASSERT_TRUE(head.IsFilamentOn(on));
    EXPECT_EQ(on, 0);
    ASSERT_TRUE(head.FilamentOn());
    ASSERT_TRUE(head.IsFilamentOn(on));
    EXPECT_EQ(on, 1);

    int volts = 0;
    ASSERT_TRUE(head.HighVoltageOff());
    ASSERT_TRUE(head.QueryHighVoltage(volts));
    EXPECT_EQ(volts, 0);
    ASSERT_TRUE(head.IsHighVoltageOn(on));
    EXPECT_EQ(on, 0);
    ASSERT_TRUE(head.SetHighVoltage(1));
    ASSERT_TRUE(head.QueryHighVoltage(volts));
    EXPECT_EQ(volts, 10);
    ASSERT_TRUE(head.IsHighVoltageOn(on));
    EXPECT_EQ(on, 1);
}

// ---- Spectra --------------------------------------------------------------------------------------

TEST_F(DummyHeadTest, NoiselessAnalogSweepOfOneToThreeAmuFollowsTheTable)
{
    head.SetNoise(SIM_NOISE_NONE);
    const std::vector<int32_t> points = AnalogSweep(head, 1, 3, 10);
    ASSERT_EQ(points.size(), 21u);
    for (int j = 0; j < 21; ++j)
        EXPECT_EQ(points[j], int32_t(GetSimSpectrum()[j].signal)) << "point " << j;
    EXPECT_EQ(points[0], -15);
    EXPECT_EQ(points[13], 1730); // hydrogen's peak at 2.3 amu
    int last = 0;
    head.GetLastDataPoint(last);
    EXPECT_EQ(last, points[20]);

    // The queue is empty now: a further point reads 0.
    float v = -1;
    EXPECT_TRUE(head.MeasureMR(v));
    EXPECT_EQ(v, 0.0f);

    head.StartHistogramScan(1);
    EXPECT_EQ(Drain(head),
              (std::vector<int32_t>{TruncatedSignal(1.0), TruncatedSignal(2.0), TruncatedSignal(3.0)}));

    // A start with another sweep count only clears what was queued.
    head.StartAnalogScan(1);
    head.StartAnalogScan(3);
    EXPECT_EQ(head.GetQueuedPoints(), 0);
}

TEST_F(DummyHeadTest, SweepNoiseHasTheModelsShapeAndScale)
{
    // The multiplier's gain keeps noise ten times smaller than on the Faraday cup.
    const struct
    {
        int model;
        bool cemOn;
        double mean, sd;
    } cases[] = {
        {SIM_NOISE_GAUSSIAN, true, 0.0, 10.0},
        {SIM_NOISE_GAUSSIAN, false, 0.0, 100.0},
        {SIM_NOISE_UNIFORM, false, 50.0, 100.0 / std::sqrt(12.0)},
    };
    for (const auto& c : cases)
    {
        head.SetHighVoltage(c.cemOn);
        head.SetNoise(c.model, -1);
        const std::vector<int32_t> points = AnalogSweep(head, 1, 100, 10);
        ASSERT_EQ(points.size(), size_t(SIM_SPECTRUM_ROWS));
        const Stats s = NoiseOf(points, 1, 10);
        // Truncation moves each point by less than 1 count.
        EXPECT_NEAR(s.mean, c.mean, 4 * c.sd / std::sqrt(double(points.size())) + 1) << c.model << c.cemOn;
        EXPECT_NEAR(s.sd, c.sd, 0.1 * c.sd) << c.model << c.cemOn;
        if (c.model == SIM_NOISE_UNIFORM)
        {
            for (size_t j = 0; j < points.size(); ++j)
            {
                const double d = points[j] - GetSimSpectrum()[j].signal;
                ASSERT_TRUE(d > -1 && d < 101) << "point " << j << ": " << d;
            }
        }
    }

    // The same seed gives the same sweep.
    head.SetNoise(SIM_NOISE_GAUSSIAN, -1);
    const std::vector<int32_t> first = AnalogSweep(head, 1, 3, 10);
    head.SetNoise(SIM_NOISE_GAUSSIAN, -1);
    EXPECT_EQ(AnalogSweep(head, 1, 3, 10), first);
    head.SetNoise(SIM_NOISE_GAUSSIAN, -7);
    EXPECT_NE(AnalogSweep(head, 1, 3, 10), first);
}

TEST_F(DummyHeadTest, SingleMassPointIsTheNearestRowPlusNoise)
{
    head.SetNoise(SIM_NOISE_NONE);
    float v = 0;
    ASSERT_TRUE(head.MeasureSingleMass(28, 3, v));
    EXPECT_EQ(v, 7740.0f);
    int nf = 0;
    head.QueryNoiseFloor(nf);
    EXPECT_EQ(nf, 3);
    ASSERT_TRUE(head.MeasureSingleMass(32, -1, v));
    EXPECT_EQ(v, 1760.0f);
    head.QueryNoiseFloor(nf);
    EXPECT_EQ(nf, 3);

    // Gaussian noise on a single point is 100 x the deviate.
    head.SetNoise(SIM_NOISE_GAUSSIAN, -1);
    double sum = 0, squares = 0;
    const int n = 400;
    for (int i = 0; i < n; ++i)
    {
        ASSERT_TRUE(head.MeasureSingleMass(28, -1, v));
        sum += v - 7740;
        squares += (v - 7740) * (v - 7740);
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0, 4 * 100 / std::sqrt(double(n)) + 1);
    EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 100, 15);
}

// ---- Point timing ---------------------------------------------------------------------------------

TEST_F(DummyHeadTest, EachPointTakesTheNoiseFloorsTimeOnTheLayerClock)
{
    const struct
    {
        int noiseFloor;
        bool analog;
        int steps;
        uint64_t ms;
    } cases[] = {
        // clang-format off
        {0, false, 10, 1350},  // histogram points take the whole entry
        {2, false, 10, 270},
        {8, false, 10, 2},
        {4, true, 10, 8},      // analog: 85 ms per amu spread over 10 steps
        {0, true, 25, 54},
        {8, true, 10, 0},
        {0, true, 0, 1350},    // no steps per amu: no division by zero
        {0, true, -5, 1350},
        {12, false, 10, 2},    // beyond the table: the fastest entry
        {-3, false, 10, 1350}, // below it: the slowest
        // clang-format on
    };
    for (const auto& c : cases)
    {
        FakeClock clock(1000);
        head.SetNoiseFloor(c.noiseFloor);
        head.SetInitialMass(1);
        head.SetFinalMass(2);
        head.SetStepsPerAmu(c.steps);
        if (c.analog)
            head.StartAnalogScan(1);
        else
            head.StartHistogramScan(1);
        float v = 0;
        ASSERT_TRUE(head.ReadDataPoint(v));
        EXPECT_EQ(clock.Now() - 1000, c.ms) << "noise floor " << c.noiseFloor << " steps " << c.steps;
    }

    // StartSingleMass leaves the point for ReadDataPoint, which waits first; the measuring forms
    // take their point at once.
    FakeClock clock(5000);
    head.SetNoise(SIM_NOISE_GAUSSIAN, -1);
    head.SetNoiseFloor(3);
    head.StartHistogramScan(0);
    ASSERT_TRUE(head.StartSingleMass(28, -1));
    EXPECT_EQ(clock.Now(), 5000u);
    float v = 0;
    ASSERT_TRUE(head.ReadDataPoint(v));
    EXPECT_EQ(clock.Now(), 5000u + 135);
    EXPECT_NEAR(v, 7740, 600);
    ASSERT_TRUE(head.MeasureSingleMass(28, -1, v));
    head.StartSingleMass(28, -1);
    ASSERT_TRUE(head.MeasureMR(v));
    EXPECT_EQ(clock.Now(), 5000u + 135);
}

// ---- Out of the table -----------------------------------------------------------------------------

TEST_F(DummyHeadTest, MassesOutsideTheTableAndZeroStepsStayInside)
{
    head.SetNoise(SIM_NOISE_NONE);
    // A single mass outside 1 to 100 amu queues nothing; the caller reads what is there.
    for (int mass : {0, -5, 101, 150, kHeadDefaultValue, std::numeric_limits<int>::min()})
    {
        head.StartHistogramScan(0);
        ASSERT_TRUE(head.StartSingleMass(mass, -1));
        EXPECT_EQ(head.GetQueuedPoints(), 0) << mass;
    }
    float v = -1;
    head.StartSingleMass(32, -1);
    ASSERT_TRUE(head.MeasureSingleMass(120, -1, v));
    EXPECT_EQ(v, 1760.0f); // the point that was waiting
    ASSERT_TRUE(head.MeasureSingleMass(120, -1, v));
    EXPECT_EQ(v, 0.0f); // nothing was waiting

    // Sweeps beyond the table read its floor at both ends.
    EXPECT_EQ(AnalogSweep(head, 99, 102, 1),
              (std::vector<int32_t>{TruncatedSignal(99.0), TruncatedSignal(100.0), TruncatedSignal(100.0),
                                    TruncatedSignal(100.0)}));
    head.StartHistogramScan(1);
    EXPECT_EQ(Drain(head).size(), 4u);
    EXPECT_EQ(AnalogSweep(head, -1, 1, 1), (std::vector<int32_t>(3, TruncatedSignal(1.0))));

    // Zero or negative steps per amu: one point at the initial mass, no division by zero.
    EXPECT_EQ(AnalogSweep(head, 28, 40, 0), std::vector<int32_t>{7740});
    int n = 0;
    head.QueryAP(n);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(AnalogSweep(head, 28, 40, -2).empty());

    // A range no head could scan is cut, never grown without bound or overflowed.
    head.SetInitialMass(std::numeric_limits<int>::min() + 1);
    head.SetFinalMass(std::numeric_limits<int>::max() - 1);
    head.SetStepsPerAmu(32766);
    head.QueryAP(n);
    EXPECT_EQ(n, std::numeric_limits<int>::max());
    head.StartHistogramScan(1);
    EXPECT_EQ(head.GetQueuedPoints(), SIM_MAX_SCAN_POINTS);
    head.StartHistogramScan(0);
}

// ---- Document storage -----------------------------------------------------------------------------

// Stores head as the document does and reads it back through the CHead extraction.
std::unique_ptr<CHead> RoundTrip(const CHead& head)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << &head;
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    CHead* loaded = nullptr;
    ar >> loaded;
    return std::unique_ptr<CHead>(loaded);
}

TEST(DummyHeadArchiveTest, RoundTripRecreatesTheSimulatedHeadAndRepairsItsFields)
{
    ScriptedPrompts prompts;
    OpenDummyHead head;
    head.m_nPort = 11; // COM12: above COM10, must reopen
    head.m_nGainMass = 40;
    head.m_bHighVoltageOn = 0;
    head.m_nPresetIndex = -1;
    head.m_nFamily = 7;
    head.m_nStoredInt[1] = -9;
    head.m_fStoredFloat[4] = 2.5f;
    head.m_strStored[2] = "sim";

    std::unique_ptr<CHead> loaded = RoundTrip(head);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(loaded->IsKindOf(RUNTIME_CLASS(CKELDummyHead)));
    EXPECT_EQ(loaded->GetPort(), 11);
    EXPECT_EQ(loaded->GetGainMass(), 40);
    EXPECT_EQ(Field(*loaded, &OpenHead::m_nHighVoltageRequest), 0);
    EXPECT_EQ(loaded->GetPresetIndex(), 4);
    EXPECT_EQ(loaded->GetHeadFamily(), HEAD_FAMILY_KEL);
    EXPECT_EQ(Field(*loaded, &OpenHead::m_nStoredInt)[1], -9);
    EXPECT_FLOAT_EQ(Field(*loaded, &OpenHead::m_fStoredFloat)[4], 2.5f);
    EXPECT_STREQ(Field(*loaded, &OpenHead::m_strStored)[2], "sim");

    // The loaded head is a working simulated head.
    ASSERT_TRUE(loaded->Connect(0));
    CString id;
    ASSERT_TRUE(loaded->QueryId(id));
    EXPECT_STREQ(id, CKELDummyHead::kIdReply);
}

TEST(DummyHeadArchiveTest, APortNoConnectorCanHaveFailsTheLoad)
{
    ScriptedPrompts prompts;
    OpenDummyHead head;
    head.m_nPort = -2;
    try
    {
        RoundTrip(head);
        ADD_FAILURE() << "no exception";
    }
    catch (CArchiveException* e)
    {
        EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
        e->Delete();
    }
}

} // namespace
