// The head's command set on the wire: the exact bytes of each operation, default forms, the JOV
// mass mapping, verify-by-echo, the no-response latch, data points and the stored settings.
#include "head_test_fixture.h"

#include "KelException.h"
#include "mfc/Archive.h"
#include "mfc/Exception.h"
#include "mfc/File.h"

#include <bit>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>

using headtest::Commands;
using headtest::HeadTest;
using kel::testkit::Field;
using kel::testkit::OpenHead;
using kel::testkit::TimeoutScale;

namespace
{

struct CommandCase
{
    const char* name;
    std::function<BOOL(CHead&)> run;
    Commands sent;
};

std::string Bytes(const Commands& commands)
{
    std::string bytes;
    for (const std::string& c : commands)
        bytes += c + "\r\n";
    return bytes;
}

class HeadCommandTest : public HeadTest
{
};

TEST_F(HeadCommandTest, EachOperationSendsItsExactBytes)
{
    ConnectHead();
    int i = 0;
    float f = 0;
    const CommandCase cases[] = {
        {"Initialize", [](CHead& h) { return h.Initialize(); }, {"IN0"}},
        {"Calibrate", [](CHead& h) { return h.Calibrate(); }, {"CL"}},
        {"Degas", [](CHead& h) { return h.Degas(); }, {"DG*"}},
        {"GetCemOption", [&](CHead& h) { return h.GetCemOption(i); }, {"CE?"}},
        {"QueryCemOption", [&](CHead& h) { return h.QueryCemOption(i); }, {"MO?"}},
        {"QueryHighVoltage", [&](CHead& h) { return h.QueryHighVoltage(i); }, {"HV?"}},
        {"SetMultiplierVoltage", [](CHead& h) { return h.SetMultiplierVoltage(1200); }, {"MV1200", "MV?"}},
        {"QueryMultiplierVoltage", [&](CHead& h) { return h.QueryMultiplierVoltage(i); }, {"MV?"}},
        {"SetMultiplierGain",
         [](CHead& h) { return h.SetMultiplierGain(2500000.0f); },
         {"MG2500.0000", "MG?"}},
        {"SetHighVoltage on", [](CHead& h) { return h.SetHighVoltage(1); }, {"HV1200"}},
        {"SetHighVoltage off", [](CHead& h) { return h.SetHighVoltage(0); }, {"HV0"}},
        {"HighVoltageOff", [](CHead& h) { return h.HighVoltageOff(); }, {"HV0"}},
        {"FilamentOn", [](CHead& h) { return h.FilamentOn(); }, {"FL1.00"}},
        {"FilamentOff", [](CHead& h) { return h.FilamentOff(); }, {"FL0.0"}},
        {"QueryEmissionCurrent", [&](CHead& h) { return h.QueryEmissionCurrent(f); }, {"FL?"}},
        {"SetIonEnergy", [](CHead& h) { return h.SetIonEnergy(0); }, {"IE0"}},
        {"SetElectronEnergy", [](CHead& h) { return h.SetElectronEnergy(70); }, {"EE70"}},
        {"SetFocusVoltage", [](CHead& h) { return h.SetFocusVoltage(90); }, {"VF90"}},
        {"SetIonEnergy default", [](CHead& h) { return h.SetIonEnergy(32767); }, {"IE*"}},
        {"SetElectronEnergy default", [](CHead& h) { return h.SetElectronEnergy(32767); }, {"EE*"}},
        {"SetFocusVoltage default", [](CHead& h) { return h.SetFocusVoltage(32767); }, {"VF*"}},
        {"QueryIonEnergy", [&](CHead& h) { return h.QueryIonEnergy(i); }, {"IE?"}},
        {"QueryElectronEnergy", [&](CHead& h) { return h.QueryElectronEnergy(i); }, {"EE?"}},
        {"QueryFocusVoltage", [&](CHead& h) { return h.QueryFocusVoltage(i); }, {"VF?"}},
        {"SetInitialMass", [](CHead& h) { return h.SetInitialMass(5); }, {"MI5", "MI?"}},
        {"SetInitialMass default", [](CHead& h) { return h.SetInitialMass(32767); }, {"MI*", "MI?"}},
        {"SetFinalMass", [](CHead& h) { return h.SetFinalMass(50); }, {"MF50", "MF?"}},
        {"SetFinalMass default", [](CHead& h) { return h.SetFinalMass(32767); }, {"MF*", "MF?"}},
        {"QueryInitialMass", [&](CHead& h) { return h.QueryInitialMass(i); }, {"MI?"}},
        {"QueryFinalMass", [&](CHead& h) { return h.QueryFinalMass(i); }, {"MF?"}},
        {"SetStepsPerAmu", [](CHead& h) { return h.SetStepsPerAmu(10); }, {"SA10", "SA?"}},
        {"SetStepsPerAmu default", [](CHead& h) { return h.SetStepsPerAmu(32767); }, {"SA*", "SA?"}},
        {"QueryStepsPerAmu", [&](CHead& h) { return h.QueryStepsPerAmu(i); }, {"SA?"}},
        {"SetNoiseFloor", [](CHead& h) { return h.SetNoiseFloor(3); }, {"NF3", "NF?"}},
        {"SetNoiseFloor default", [](CHead& h) { return h.SetNoiseFloor(32767); }, {"NF*", "NF?"}},
        {"QueryNoiseFloor", [&](CHead& h) { return h.QueryNoiseFloor(i); }, {"NF?"}},
        {"SetDI", [](CHead& h) { return h.SetDI(2); }, {"DI2", "DI?"}},
        {"SetDI default", [](CHead& h) { return h.SetDI(32767); }, {"DI*", "DI?"}},
        {"QueryDI", [&](CHead& h) { return h.QueryDI(i); }, {"DI?"}},
        {"QueryAP", [&](CHead& h) { return h.QueryAP(i); }, {"AP?"}},
        {"QueryHP", [&](CHead& h) { return h.QueryHP(i); }, {"HP?"}},
        {"SetRS", [](CHead& h) { return h.SetRS(1.0f); }, {"RS128.00", "RS?"}},
        {"SetRS default", [](CHead& h) { return h.SetRS(32767.0f); }, {"RS*", "RS?"}},
        {"QueryRS", [&](CHead& h) { return h.QueryRS(f); }, {"RS?"}},
        {"SetRI near zero", [](CHead& h) { return h.SetRI(0.00005f); }, {"RI0.00", "RI?"}},
        {"SetRI", [](CHead& h) { return h.SetRI(-1.25f); }, {"RI-1.25", "RI?"}},
        {"SetRI default", [](CHead& h) { return h.SetRI(32767.0f); }, {"RI*", "RI?"}},
        {"QueryRI", [&](CHead& h) { return h.QueryRI(f); }, {"RI?"}},
        {"SetDS", [](CHead& h) { return h.SetDS(0.5f); }, {"DS0.50", "DS?"}},
        {"SetDS near zero", [](CHead& h) { return h.SetDS(-0.00009f); }, {"DS0.00", "DS?"}},
        {"QueryDS", [&](CHead& h) { return h.QueryDS(f); }, {"DS?"}},
        {"QueryST", [&](CHead& h) { return h.QueryST(f); }, {"ST?"}},
        {"SetST", [](CHead& h) { return h.SetST(0.0125f); }, {"ST12.5000", "ST?"}},
        {"QuerySP", [&](CHead& h) { return h.QuerySP(f); }, {"SP?"}},
        {"SetSP", [](CHead& h) { return h.SetSP(0.1f); }, {"SP100.0000", "SP?"}},
        {"QueryXV", [&](CHead& h) { return h.QueryXV(2, f); }, {"XA2", "XV?"}},
        {"SetXV", [](CHead& h) { return h.SetXV(1, 5.5f); }, {"XA1", "XV5.5000"}},
        {"MeasureIB", [&](CHead& h) { return h.MeasureIB(f); }, {"IB?"}},
        {"MeasureMR", [&](CHead& h) { return h.MeasureMR(f); }, {"MR?"}},
        {"MeasureTotalPressure", [&](CHead& h) { return h.MeasureTotalPressure(f); }, {"TP?"}},
        {"MeasureSingleMass",
         [&](CHead& h) { return h.MeasureSingleMass(28, 4, f); },
         {"NF4", "NF?", "MR28"}},
        {"MeasureSingleMass keeps nf", [&](CHead& h) { return h.MeasureSingleMass(18, -1, f); }, {"MR18"}},
        {"StartSingleMass", [](CHead& h) { return h.StartSingleMass(44, 2); }, {"NF2", "NF?", "MR44"}},
        {"StartTotalPressure", [](CHead& h) { return h.StartTotalPressure(); }, {"TP?"}},
        {"StartAnalogScan", [](CHead& h) { return h.StartAnalogScan(3); }, {"SC3"}},
        {"StartAnalogScan bare", [](CHead& h) { return h.StartAnalogScan(-1); }, {"SC"}},
        {"StartAnalogScan zero", [](CHead& h) { return h.StartAnalogScan(0); }, {"SC0"}},
        {"StartHistogramScan", [](CHead& h) { return h.StartHistogramScan(3); }, {"HS3"}},
        {"StartHistogramScan bare", [](CHead& h) { return h.StartHistogramScan(-1); }, {"HS"}},
        {"StartHistogramScan zero", [](CHead& h) { return h.StartHistogramScan(0); }, {"HS0"}},
        {"EnableTotalPressure on", [](CHead& h) { return h.EnableTotalPressure(1); }, {"TP1"}},
        {"EnableTotalPressure off", [](CHead& h) { return h.EnableTotalPressure(0); }, {"TP0"}},
        {"QueryStatusByte", [&](CHead& h) { return h.QueryStatusByte(i); }, {"ER?"}},
        {"QueryEP", [&](CHead& h) { return h.QueryEP(i); }, {"EP?"}},
        {"QueryED", [&](CHead& h) { return h.QueryED(i); }, {"ED?"}},
        {"QueryEQ", [&](CHead& h) { return h.QueryEQ(i); }, {"EQ?"}},
        {"QueryEM", [&](CHead& h) { return h.QueryEM(i); }, {"EM?"}},
        {"QueryEF", [&](CHead& h) { return h.QueryEF(i); }, {"EF?"}},
        {"QueryEC", [&](CHead& h) { return h.QueryEC(i); }, {"EC?"}},
        // A healthy supply: the search only climbs from the mass range (200) in halving steps.
        {"CheckRfSupply",
         [](CHead& h) { return h.CheckRfSupply(); },
         {"MF?", "ML200", "AD0", "AD1", "ML300", "AD0", "AD1", "ML350", "AD0", "AD1", "ML383", "AD0", "AD1"}},
        {"SendRaw", [](CHead& h) { return h.SendRaw("XY7"); }, {"XY7"}},
        {"Query",
         [](CHead& h)
         {
             CString reply;
             return h.Query("AB?", reply);
         },
         {"AB?"}},
    };
    // A CEM is needed for the gain to go to the head; the multiplier voltage HV sends is the one set.
    head.m_bCemPresent = 1;
    for (const CommandCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClearLog();
        EXPECT_TRUE(c.run(head));
        EXPECT_EQ(Received(Bytes(c.sent)), Bytes(c.sent));
        Sync();
    }
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(HeadCommandTest, RepliesAreScaledAndKept)
{
    ConnectHead();
    emu.SetSetting("RS", "256.00");
    emu.SetSetting("ST", "12.5");
    emu.SetSetting("SP", "250");
    emu.SetSetting("MG", "1500.0");
    emu.SetSetting("MV", "1850");
    emu.SetSetting("NF", std::string(150, '7')); // a reply longer than any value needs
    float f = 0;
    int n = 0;
    ASSERT_TRUE(head.QueryRS(f));
    EXPECT_FLOAT_EQ(f, 2.0f);
    ASSERT_TRUE(head.QueryST(f));
    EXPECT_FLOAT_EQ(f, 0.0125f);
    EXPECT_FLOAT_EQ(head.m_fTotalSensitivity, 0.0125f);
    ASSERT_TRUE(head.QuerySP(f));
    EXPECT_FLOAT_EQ(head.GetSensitivity(), 0.25f);

    // Without a CEM the gain is 1 and the head is not asked.
    head.m_bCemPresent = 0;
    ClearLog();
    ASSERT_TRUE(head.QueryMultiplierGain(f));
    EXPECT_FLOAT_EQ(f, 1.0f);
    EXPECT_EQ(emu.Received(), "");
    head.m_bCemPresent = 1;
    ASSERT_TRUE(head.QueryMultiplierGain(f));
    EXPECT_FLOAT_EQ(f, 1500000.0f);
    ASSERT_TRUE(head.QueryMultiplierVoltage(n));
    EXPECT_EQ(head.m_nCemVoltage, 1850);

    ASSERT_TRUE(head.QueryNoiseFloor(n));
    Sync();

    emu.SetTotalPressureWord(-5);
    ASSERT_TRUE(head.MeasureTotalPressure(f));
    EXPECT_EQ(f, -5.0f);
    int last = 0;
    head.GetLastDataPoint(last);
    EXPECT_EQ(last, -5);
    emu.SetIonCurrentWord(2000);
    ASSERT_TRUE(head.MeasureIB(f));
    EXPECT_FLOAT_EQ(f, 2000e-15f);
}

TEST_F(HeadCommandTest, JovHeadMapsMassesAndStepsAndPicksTheDefaultFormOnTheMappedValue)
{
    emu.SetId("ZOLJOV100VER1.02SN12345");
    ConnectHead();
    ASSERT_EQ(head.GetHeadFamily(), HEAD_FAMILY_JOV);
    const CommandCase cases[] = {
        {"SetInitialMass", [](CHead& h) { return h.SetInitialMass(2); }, {"MI71", "MI?"}},
        {"SetFinalMass", [](CHead& h) { return h.SetFinalMass(100); }, {"MF3501", "MF?"}},
        {"SetStepsPerAmu", [](CHead& h) { return h.SetStepsPerAmu(71); }, {"SA2", "SA?"}},
        {"SetInitialMass 32767", [](CHead& h) { return h.SetInitialMass(32767); }, {"MI1146846", "MI?"}},
    };
    for (const CommandCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClearLog();
        EXPECT_TRUE(c.run(head));
        EXPECT_EQ(Received(Bytes(c.sent)), Bytes(c.sent));
    }
    emu.SetSetting("MI", "106"); // (106 - 1) / 35 = 3
    emu.SetSetting("MF", "140"); // 139 / 35 = 3.97, truncated
    emu.SetSetting("SA", "3");
    int v = 0;
    ASSERT_TRUE(head.QueryInitialMass(v));
    EXPECT_EQ(v, 3);
    ASSERT_TRUE(head.QueryFinalMass(v));
    EXPECT_EQ(v, 3);
    ASSERT_TRUE(head.QueryStepsPerAmu(v));
    EXPECT_EQ(v, 105);
    // Replies and values beyond what the mapping can hold saturate instead of overflowing.
    emu.SetSetting("SA", "99999999");
    emu.SetSetting("MI", "-2147483648");
    ASSERT_TRUE(head.QueryStepsPerAmu(v));
    EXPECT_EQ(v, INT_MAX);
    ASSERT_TRUE(head.QueryInitialMass(v));
    EXPECT_EQ(v, (INT_MIN - 1LL) / 35);
    ClearLog();
    EXPECT_TRUE(head.SetFinalMass(INT_MAX)); // the emulator echoes what it was sent
    EXPECT_EQ(emu.Commands().front(), "MF" + std::to_string(INT_MAX));
    EXPECT_EQ(head.GetScaled10(), 350);
    EXPECT_EQ(head.GetScaled25(), 875);
}

TEST_F(HeadCommandTest, NoSetterLeavesAReplyThatAnswersTheNextQuery)
{
    ConnectHead();
    emu.SetSetting("DI", "77");
    head.m_bCemPresent = 1;
    const struct
    {
        const char* name;
        std::function<BOOL(CHead&)> set;
    } cases[] = {
        // Answered by a completion status, which nobody reads here.
        {"IE", [](CHead& h) { return h.SetIonEnergy(0); }},
        {"IE*", [](CHead& h) { return h.SetIonEnergy(32767); }},
        {"EE", [](CHead& h) { return h.SetElectronEnergy(35); }},
        {"VF", [](CHead& h) { return h.SetFocusVoltage(80); }},
        {"FL on", [](CHead& h) { return h.FilamentOn(); }},
        {"FL off", [](CHead& h) { return h.FilamentOff(); }},
        {"HV on", [](CHead& h) { return h.SetHighVoltage(1); }},
        {"HV off", [](CHead& h) { return h.HighVoltageOff(); }},
        {"IN", [](CHead& h) { return h.Initialize(); }},
        {"CL", [](CHead& h) { return h.Calibrate(); }},
        {"DG", [](CHead& h) { return h.Degas(); }},
        {"two in a row", [](CHead& h) { return h.SetIonEnergy(1) && h.SetElectronEnergy(70); }},
        // A wait box closed before the head answered leaves the status behind too.
        {"IE, wait box closed at once",
         [this](CHead& h)
         {
             dialogs.waitBoxPolls = 0;
             const BOOL ok = h.SetIonEnergyWithProgress(1);
             dialogs.waitBoxPolls = 1000;
             return ok;
         }},
        // Answered by their echo, which the setter reads.
        {"MI", [](CHead& h) { return h.SetInitialMass(5); }},
        {"DI", [](CHead& h) { return h.SetDI(77); }},
        {"RS", [](CHead& h) { return h.SetRS(1.0f); }},
        {"MV", [](CHead& h) { return h.SetMultiplierVoltage(1200); }},
        {"MG", [](CHead& h) { return h.SetMultiplierGain(2000.0f); }},
        {"ST", [](CHead& h) { return h.SetST(0.02f); }},
        {"SP", [](CHead& h) { return h.SetSP(0.1f); }},
        // Not answered at all.
        {"XV", [](CHead& h) { return h.SetXV(1, 5.5f); }},
        {"TP", [](CHead& h) { return h.EnableTotalPressure(1); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.set(head));
        int di = 0;
        ASSERT_TRUE(head.QueryDI(di));
        EXPECT_EQ(di, 77);
    }
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(HeadCommandTest, AStatusThatNeverComesIsGivenUpWithoutAskingAndTheNextQueryAnswers)
{
    ConnectHead();
    TimeoutScale fast(0.02);
    emu.SetSetting("DI", "77");
    emu.Silence("IE", 1);
    ASSERT_TRUE(head.SetIonEnergy(0));
    int di = 0;
    ASSERT_TRUE(head.QueryDI(di));
    EXPECT_EQ(di, 77);
    EXPECT_TRUE(prompts.Prompts().empty());

    // A status read by its owner is not waited for again.
    ASSERT_TRUE(head.SetIonEnergy(1));
    int status = -1;
    ASSERT_TRUE(head.ReadIntReply(status));
    EXPECT_EQ(status, 0);
    ClearLog();
    ASSERT_TRUE(head.QueryDI(di));
    EXPECT_EQ(di, 77);
    EXPECT_EQ(emu.Commands(), Commands{"DI?"});
}

struct EchoCase
{
    const char* name;
    const char* letters;
    const char* wrongEcho;
    std::function<BOOL(CHead&)> set;
    int answer;    // to the confirm box; 0: no box expected
    BOOL expected; // the setter's result
    size_t sentCommands;
};

TEST_F(HeadCommandTest, VerifiedSettersCompareTheEcho)
{
    ConnectHead();
    const EchoCase cases[] = {
        // A wrong echo asks; Retry sends again and the right echo then passes.
        {"int retry", "MI", "7", [](CHead& h) { return h.SetInitialMass(5); }, IDRETRY, 1, 4},
        {"int cancel", "NF", "2", [](CHead& h) { return h.SetNoiseFloor(3); }, IDCANCEL, 0, 2},
        // The echo is read as a number: leading characters alone do not confirm it.
        {"RS 128.5 for 128.00", "RS", "128.5", [](CHead& h) { return h.SetRS(1.0f); }, IDCANCEL, 0, 2},
        {"RS 128 for 128.00", "RS", "128", [](CHead& h) { return h.SetRS(1.0f); }, 0, 1, 2},
        {"ST 12.54 for 12.5000", "ST", "12.54", [](CHead& h) { return h.SetST(0.0125f); }, IDCANCEL, 0, 2},
        {"MG 2.0001 for 2.0000", "MG", "2.0001", [](CHead& h) { return h.SetMultiplierGain(2000.0f); },
         IDCANCEL, 0, 2},
        {"MV garbage", "MV", "x1200", [](CHead& h) { return h.SetMultiplierVoltage(1200); }, IDCANCEL, 0, 2},
        {"SP off by 0.01", "SP", "100.01", [](CHead& h) { return h.SetSP(0.1f); }, IDCANCEL, 0, 2},
        // The default form is taken whatever the head echoes.
        {"default form", "MI", "99", [](CHead& h) { return h.SetInitialMass(32767); }, 0, 1, 2},
    };
    for (const EchoCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        kel::testkit::ScriptedPrompts local;
        if (c.answer)
            local.Expect("Failed to confirm new parameter setting").Reply(c.answer);
        emu.SetEchoFault(c.letters, c.wrongEcho, 1);
        ClearLog();
        EXPECT_EQ(c.set(head), c.expected);
        EXPECT_EQ(emu.Commands().size(), c.sentCommands);
    }
}

TEST_F(HeadCommandTest, AQueryThatGaveUpFailsEveryLaterQueryUntilDisconnect)
{
    ConnectHead();
    TimeoutScale fast(0.02);
    emu.Silence("NF?", 1);
    prompts.Expect("timed out during a status query").Reply(IDCANCEL);
    int v = 0;
    EXPECT_FALSE(head.QueryNoiseFloor(v));

    ClearLog();
    EXPECT_FALSE(head.QueryDI(v));
    EXPECT_FALSE(head.QueryAP(v));
    EXPECT_EQ(emu.Received(), "");

    head.Disconnect();
    ConnectHead();
    EXPECT_TRUE(head.QueryDI(v));
}

TEST_F(HeadCommandTest, ATimeOutAnsweredRetryAsksAgain)
{
    ConnectHead();
    TimeoutScale fast(0.02);
    emu.Silence("DI?", 1);
    emu.SetSetting("DI", "6");
    prompts.Expect("timed out during a status query").Reply(IDRETRY);
    int v = 0;
    EXPECT_TRUE(head.QueryDI(v));
    EXPECT_EQ(v, 6);
    EXPECT_EQ(emu.Commands().back(), "DI?");
}

TEST_F(HeadCommandTest, DataPointTimeOutsUseTheirOwnBoxesAndRetryResends)
{
    ConnectHead();
    TimeoutScale fast(0.1);
    float f = 0;
    emu.Silence("MR28", 1);
    prompts.Expect("single mass current measurement").Reply(IDRETRY);
    EXPECT_TRUE(head.MeasureSingleMass(28, -1, f));
    emu.Silence("TP?", 1);
    prompts.Expect("during a Pressure query").Reply(IDCANCEL);
    EXPECT_FALSE(head.MeasureTotalPressure(f));
    prompts.Expect("Data aquisition timeout.").Reply(IDCANCEL);
    EXPECT_FALSE(head.ReadDataPoint(f));
}

TEST_F(HeadCommandTest, StopScanDrainsARunningScan)
{
    ConnectHead();
    emu.SetSetting("MI", "1");
    emu.SetSetting("MF", "100");
    emu.SetSetting("SA", "10");
    ClearLog();
    ASSERT_TRUE(head.StartAnalogScan(5));
    ASSERT_TRUE(head.WaitForBytes(400, 3000));
    EXPECT_TRUE(head.StopScan());
    ASSERT_TRUE(emu.WaitForCommands(2));
    EXPECT_EQ(emu.Commands(), (Commands{"SC5", "MR0"}));
    // The head stopped sending: after the marker nothing more comes.
    Sync();
    EXPECT_FALSE(head.WaitForBytes(1, 50));
    emu.SetSetting("DI", "4");
    int v = 0;
    ASSERT_TRUE(head.QueryDI(v));
    EXPECT_EQ(v, 4);
}

TEST_F(HeadCommandTest, AScanStartedAtZeroDropsStaleRepliesAndOtherCountsKeepThem)
{
    ConnectHead();
    const struct
    {
        const char* name;
        std::function<BOOL(CHead&)> start;
        bool purges;
    } cases[] = {
        {"SC0", [](CHead& h) { return h.StartAnalogScan(0); }, true},
        {"HS0", [](CHead& h) { return h.StartHistogramScan(0); }, true},
        {"SC", [](CHead& h) { return h.StartAnalogScan(-1); }, false},
        {"HS2", [](CHead& h) { return h.StartHistogramScan(2); }, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Sync();
        emu.SetSetting("ZS", "4711");
        ClearLog();
        // A reply nobody read yet is waiting when the scan starts.
        ASSERT_TRUE(head.SendRaw("ZS?"));
        ASSERT_TRUE(head.WaitForBytes(5, 3000));
        ASSERT_TRUE(c.start(head));
        ASSERT_TRUE(emu.WaitForCommands(2));
        if (c.purges)
            EXPECT_EQ(head.GetBytesWaiting(), 0);
        else
        {
            char line[101] = {};
            ASSERT_GT(head.GetComm()->ReadLine(line, 3000), 0);
            EXPECT_STREQ(line, "4711\r");
        }
    }
}

TEST_F(HeadCommandTest, WithoutALineEveryOperationFailsAtOnce)
{
    int i = 0;
    float f = 0;
    CString s;
    EXPECT_FALSE(head.QueryNoiseFloor(i));
    EXPECT_FALSE(head.SetInitialMass(5));
    EXPECT_FALSE(head.MeasureTotalPressure(f));
    EXPECT_FALSE(head.StopScan());
    EXPECT_FALSE(head.CheckErrors());
    EXPECT_FALSE(head.GetModelString(s));
    EXPECT_FALSE(head.IdentifyHead());
    EXPECT_FALSE(head.SetXV(1, 5.0f));
    EXPECT_EQ(head.GetBytesWaiting(), 0);
    EXPECT_TRUE(head.IsReady());
    EXPECT_FALSE(head.StartTotalPressure());
    EXPECT_TRUE(prompts.Prompts().empty());

    // Steps that asked for exceptions get one.
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

TEST_F(HeadCommandTest, SetXVRefusesValuesOutsideItsRange)
{
    ConnectHead();
    for (float bad : {0.0f, 0.00001f, 100001.0f, -3.0f})
    {
        SCOPED_TRACE(bad);
        prompts.Expect("outside range 99999.9999 to 0.0001").Reply(IDOK);
        ClearLog();
        EXPECT_FALSE(head.SetXV(2, bad));
        EXPECT_EQ(emu.Received(), "");
    }
}

TEST_F(HeadCommandTest, DuxHeadKeepsSensitivitiesInItsPresetSlot)
{
    emu.SetId("ZOLDUX100VER1.02SN12345");
    ConnectHead();
    ASSERT_EQ(head.GetHeadFamily(), HEAD_FAMILY_DUX);
    ClearLog();
    float f = 1;
    EXPECT_TRUE(head.QueryST(f)); // DUX heads have no total sensitivity to ask
    EXPECT_EQ(f, 0.0f);
    EXPECT_TRUE(head.SetST(0.5f));
    EXPECT_EQ(emu.Received(), "");

    head.m_nPresetIndex = 1;
    EXPECT_TRUE(head.SetSP(0.0002f));
    const std::string dux = Bytes({"XA2", "XV200.0000", "XA2", "XV?"});
    EXPECT_EQ(Received(dux), dux);
    EXPECT_FLOAT_EQ(head.GetSensitivity(), 0.0002f);
    EXPECT_FALSE(head.Degas());
}

TEST_F(HeadCommandTest, SensitivityLimitsByFamilyAndKind)
{
    struct Case
    {
        int family, preset, kind;
        float value;
        BOOL high, low;
    } cases[] = {
        {HEAD_FAMILY_KEL, 4, 0, 0.0004f, 1, 0},  {HEAD_FAMILY_KEL, 4, 0, 0.000005f, 0, 1},
        {HEAD_FAMILY_KEL, 4, 1, 0.0002f, 1, 0},  {HEAD_FAMILY_KEL, 4, 1, 0.0000001f, 0, 1},
        {HEAD_FAMILY_JOV, 4, 0, 0.0001f, 0, 0},  {HEAD_FAMILY_DUX, 0, 1, 0.00002f, 1, 0},
        {HEAD_FAMILY_DUX, 2, 0, 0.00002f, 0, 0}, {HEAD_FAMILY_DUX, 3, 0, 0.0000005f, 0, 1},
    };
    for (const Case& c : cases)
    {
        head.m_nFamily = c.family;
        head.m_nPresetIndex = c.preset;
        EXPECT_EQ(head.IsSensitivityTooHigh(c.kind, c.value), c.high) << c.family << " " << c.value;
        EXPECT_EQ(head.IsSensitivityTooLow(c.kind, c.value), c.low) << c.family << " " << c.value;
    }
    // Any other kind carries its own limit as float bits.
    head.m_nFamily = HEAD_FAMILY_KEL;
    const int limit = std::bit_cast<int>(0.5f);
    EXPECT_TRUE(head.IsSensitivityTooHigh(limit, 0.6f));
    EXPECT_FALSE(head.IsSensitivityTooLow(limit, 0.6f));
}

TEST_F(HeadCommandTest, ScanTimeEstimatesStayFiniteForOddSettings)
{
    // One noise-floor-0 point: ((1350/10 + 0.5) x 7 + 675 + 1) / 675 + 0.004 s.
    EXPECT_NEAR(head.EstimatePointTime(0), ((135.5 * 7 + 675 + 1) * 0.0014814815) + 0.004, 1e-9);
    for (int nf : {-1, 9, 1000})
        EXPECT_TRUE(std::isfinite(head.EstimatePointTime(nf))) << nf;
    EXPECT_TRUE(std::isfinite(head.EstimateAnalogScanTime(1, 100, 0, 3)));
    // 21 points of masses 1..3 at 10 steps, noise floor 1: (21 x (675/10 + 0.5) + 675 + 1) / 675 s,
    // plus the noise-floor-8 entry in ms.
    EXPECT_NEAR(head.EstimateAnalogScanTime(1, 3, 10, 1), (21 * 68.0 + 676) * 0.0014814815 + 0.002, 1e-9);
    EXPECT_GT(head.EstimateAnalogScanTime(1, 100, 10, 3), head.EstimateAnalogScanTime(1, 50, 10, 3));
    EXPECT_NEAR(head.EstimateHistogramScanTime(1, 10, 8), 24 * 0.7 * 10 * 0.0014814815, 1e-9);
}

TEST_F(HeadCommandTest, SettingsReportText)
{
    CString report;
    head.m_nIonEnergy = 0;
    ASSERT_TRUE(head.FormatSettingsReport(report));
    EXPECT_STREQ(report,
                 "Focus Voltage, 90, Volts \nIon Energy, LOW \nElectron Energy, 70, eV \nCEM Voltage, "
                 "1000, Volts\nCEM Gain, 1.00E+06 \nSensitivity Factor, 1.00E-01 \nFilament Current, "
                 "1.00, mAmps\n");
}

// ---------------------------------------------------------------------------------------------
// Stored settings

std::vector<BYTE> Store(CHead& head)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&head);
        ar.Close();
    }
    const UINT size = UINT(file.GetLength());
    std::vector<BYTE> bytes(size);
    file.SeekToBegin();
    file.Read(bytes.data(), size);
    return bytes;
}

std::unique_ptr<CHead> Load(std::vector<BYTE> bytes)
{
    CMemFile file(bytes.data(), UINT(bytes.size()));
    CArchive ar(&file, CArchive::load);
    CHead* head = nullptr;
    ar >> head;
    return std::unique_ptr<CHead>(head);
}

TEST(HeadArchive, RoundTripKeepsEveryStoredField)
{
    OpenHead head;
    head.m_nPort = 10; // COM11
    head.m_nGainMass = 40;
    head.m_bHighVoltageOn = 1;
    head.m_nPresetIndex = 2;
    head.m_nFamily = HEAD_FAMILY_DUX;
    head.m_nStoredInt[0] = 7;
    head.m_nStoredInt[2] = -9;
    head.m_fStoredFloat[1] = 2.5f;
    head.m_fStoredFloat[4] = -1e-7f;
    head.m_strStored[0] = "first";
    head.m_strStored[4] = CString('x', 300);

    std::unique_ptr<CHead> copy = Load(Store(head));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetRuntimeClass(), RUNTIME_CLASS(CHead));
    EXPECT_EQ(copy->GetPort(), 10);
    EXPECT_EQ(copy->GetGainMass(), 40);
    EXPECT_EQ(Field(*copy, &OpenHead::m_nHighVoltageRequest), 1); // the state at storing time
    EXPECT_EQ(copy->GetPresetIndex(), 2);
    EXPECT_EQ(copy->GetHeadFamily(), HEAD_FAMILY_DUX);
    EXPECT_EQ(Field(*copy, &OpenHead::m_nStoredInt)[0], 7);
    EXPECT_EQ(Field(*copy, &OpenHead::m_nStoredInt)[2], -9);
    EXPECT_EQ(Field(*copy, &OpenHead::m_fStoredFloat)[1], 2.5f);
    EXPECT_EQ(Field(*copy, &OpenHead::m_fStoredFloat)[4], -1e-7f);
    EXPECT_STREQ(Field(*copy, &OpenHead::m_strStored)[0], "first");
    EXPECT_EQ(Field(*copy, &OpenHead::m_strStored)[4].GetLength(), 300);
    EXPECT_FALSE(copy->IsConnected());
}

TEST(HeadArchive, LoadingRepairsFieldsAndRefusesImpossiblePorts)
{
    struct Case
    {
        int port, preset, family;
        int wantPreset, wantFamily;
        bool throws;
    } cases[] = {
        {0, 4, 0, 4, 0, false},  {12, 2, 1, 2, 1, false}, {9999, 0, 2, 0, 2, false}, {3, -1, 7, 4, 0, false},
        {3, 5, -2, 4, 0, false}, {-1, 0, 0, 0, 0, true},  {10001, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.port);
        OpenHead head;
        head.m_nPort = c.port;
        head.m_nPresetIndex = c.preset;
        head.m_nFamily = c.family;
        const std::vector<BYTE> bytes = Store(head);
        if (c.throws)
        {
            try
            {
                Load(bytes);
                ADD_FAILURE() << "no exception";
            }
            catch (CArchiveException* e)
            {
                EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
                e->Delete();
            }
            continue;
        }
        std::unique_ptr<CHead> copy = Load(bytes);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->GetPort(), c.port);
        EXPECT_EQ(copy->GetPresetIndex(), c.wantPreset);
        EXPECT_EQ(copy->GetHeadFamily(), c.wantFamily);
    }
}

} // namespace
