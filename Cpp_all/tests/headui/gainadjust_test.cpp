// The electron-multiplier gain adjustment on a live dialog against a scripted head: where the
// voltage starts and how it steps, every limit that ends the run with its message, Cancel and a
// failed command, the port lock, and what the multiplier is left at afterwards.
#include "scripted_head.h"

#include "dialogs/CemGainAdjustDlg.h"
#include "dialogs/HeadPortLock.h"
#include "dialogs/HeadDialogs.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using headui::ScriptedHead;
using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

constexpr int kHeadVoltage = 1500; // the head's voltage field before every run

struct RunResult
{
    INT_PTR result;
    int running;
    int voltage;
    float gain;
};

class GainAdjustTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        head.m_nCemVoltage = kHeadVoltage;
        prompts.Expect(CCemGainAdjustDlg::IDD).Run().AnyTimes();
    }

    RunResult Run(float gain, int mode = 0) { return Run(head, gain, mode); }
    RunResult Run(ScriptedHead& on, float gain, int mode)
    {
        CDlgPackScope scope;
        CCemGainAdjustDlg dlg;
        dlg.m_pHead = &on;
        dlg.m_nMeasureMode = mode;
        dlg.m_nMass = 28;
        dlg.m_fGain = gain;
        dlg.m_nVoltage = kHeadVoltage;
        m_dlg = &dlg;
        const INT_PTR result = dlg.DoModal();
        m_dlg = nullptr;
        return {result, dlg.m_bRunning, dlg.m_nVoltage, dlg.m_fGain};
    }

    // Multiplied readings by trial: the n-th voltage tried reads readings[n] (the last one after).
    void ReadingsByTrial(std::vector<float> readings)
    {
        head.multipliedReading = [this, readings](int)
        {
            const size_t n = head.triedVoltages.size() - 1;
            return readings[std::min(n, readings.size() - 1)];
        };
    }

    // After any run that did not reach the gain: the multiplier is off and the head's voltage
    // field is what it was.
    void ExpectMultiplierLeftOff()
    {
        EXPECT_EQ(head.highVoltageOn, 0);
        ASSERT_FALSE(head.Logged("HV").empty());
        EXPECT_EQ(head.Logged("HV").back(), "HV0");
        EXPECT_EQ(head.m_nCemVoltage, kHeadVoltage);
    }

    ScriptedPrompts prompts;
    ScriptedHead head;
    CCemGainAdjustDlg* m_dlg = nullptr;
};

} // namespace

TEST_F(GainAdjustTest, StartVoltageDependsOnTheDesiredGain)
{
    const struct
    {
        float gain;
        int firstTried;
    } cases[] = {{100.0f, 810}, {499.0f, 810}, {500.0f, 1022}, {1000.0f, 1060}, {20000.0f, 1222}};
    for (const auto& c : cases)
    {
        head.triedVoltages.clear();
        const float target = head.faradayReading * c.gain;
        head.multipliedReading = [target](int) { return target; };
        const RunResult r = Run(c.gain);
        ASSERT_FALSE(head.triedVoltages.empty()) << c.gain;
        EXPECT_EQ(head.triedVoltages.front(), c.firstTried) << c.gain;
        EXPECT_EQ(r.result, 1) << c.gain;
        EXPECT_EQ(r.running, 1) << c.gain;
        EXPECT_EQ(r.voltage, c.firstTried) << c.gain;
        EXPECT_NEAR(r.gain, c.gain, 1.0f) << c.gain;
    }
}

TEST_F(GainAdjustTest, StepsShrinkAsTheCurrentApproachesTheTarget)
{
    const float target = head.faradayReading * 100.0f;
    // ratio target/current 20 -> 125 V, 5 -> 50 V, 1.5 -> 10 V, exactly 0.95 of the target keeps
    // stepping by 10 V, just over it is reached.
    ReadingsByTrial({target / 20, target / 5, target / 1.5f, target * 0.95f, target * 0.951f});
    const RunResult r = Run(100.0f);
    EXPECT_EQ(head.triedVoltages, (std::vector<int>{810, 935, 985, 995, 1005}));
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.running, 1);
    EXPECT_EQ(r.voltage, 1005);
    EXPECT_EQ(r.gain, 95.0f); // trunc(0.951 x 100)
}

TEST_F(GainAdjustTest, GainsAtTheEdgesOfTheAcceptedWindowAreKept)
{
    // The run stops below ten times the target, so the highest gain it can report is just under
    // ten times the desired one - well inside the hundredfold limit, and kept; the lowest gain
    // kept is 10.
    const struct
    {
        float gain;
        float readingPerTarget;
        float reached;
    } cases[] = {{100.0f, 9.999f, 999.0f}, {1000.0f, 9.999f, 9999.0f}, {10.0f, 1.0f, 10.0f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.gain);
        const float reading = head.faradayReading * c.gain * c.readingPerTarget;
        head.multipliedReading = [reading](int) { return reading; };
        const RunResult r = Run(c.gain);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.running, 1);
        EXPECT_NEAR(r.gain, c.reached, 1.0f);
    }
}

TEST_F(GainAdjustTest, SingleMassModeAveragesTenFaradayReadingsOfTheMass)
{
    head.faradayReading = 5000.0f;
    head.multipliedReading = [](int) { return 5000.0f * 200.0f; };
    const RunResult r = Run(200.0f, 1);
    const std::vector<std::string> reads = head.Logged("MS");
    ASSERT_EQ(reads.size(), 11u);
    for (size_t k = 0; k < 10; ++k)
        EXPECT_EQ(reads[k], "MS 28 1") << k;
    EXPECT_EQ(reads[10], "MS 28 -1");
    EXPECT_EQ(r.running, 1);
    EXPECT_NEAR(r.gain, 200.0f, 1.0f);
}

TEST_F(GainAdjustTest, EachLimitEndsTheRunWithItsMessageAndTheMultiplierOff)
{
    const struct
    {
        const char* name;
        int mode;
        float faraday;
        float gain;
        float readingPerTarget; // multiplied reading as a share of the target; <0: none at all
        const char* message;
    } cases[] = {
        {"total current below 1e-13 A", 0, 999.0f, 100.0f, 1.0f,
         "Faraday cup signal too low for total pressure."},
        {"mass current below 3e-14 A", 1, 299.0f, 100.0f, 1.0f, "Faraday cup signal less than 3e-14 Amps."},
        {"target above 1.3e-7 A", 0, 10000.0f, 140000.0f, 1.0f, "CEM gain too high."},
        {"voltage past 2480 V", 0, 10000.0f, 100.0f, -1.0f, "CEM voltage has reached maximum value"},
        {"ten times the target", 0, 10000.0f, 100.0f, 10.01f,
         "Gain reached was 10 times above desired value"},
        {"exactly ten times the target", 0, 10000.0f, 100.0f, 10.0f,
         "Gain reached was 10 times above desired value"},
        {"gain reached below 10", 0, 10000.0f, 10.0f, 0.99f, "An invalid gain value has been established."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScriptedHead head;
        head.m_nCemVoltage = kHeadVoltage;
        head.faradayReading = c.faraday;
        const float reading = c.readingPerTarget < 0 ? 0.0f : c.faraday * c.gain * c.readingPerTarget;
        head.multipliedReading = [reading](int) { return reading; };
        ScriptedPrompts local;
        local.Expect(CCemGainAdjustDlg::IDD).Run();
        local.Expect(c.message).Reply(IDOK);

        const RunResult r = Run(head, c.gain, c.mode);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.running, 0);
        EXPECT_EQ(head.highVoltageOn, 0);
        EXPECT_EQ(head.m_nCemVoltage, kHeadVoltage);
        if (!head.triedVoltages.empty())
        {
            EXPECT_EQ(head.Logged("HV").back(), "HV0");
            EXPECT_LE(*std::max_element(head.triedVoltages.begin(), head.triedVoltages.end()),
                      CCemGainAdjustDlg::kMaxVoltage);
        }
    }
}

TEST_F(GainAdjustTest, CancelDuringTheRunSwitchesTheMultiplierOffAndKeepsTheHeadsVoltage)
{
    head.multipliedReading = [](int) { return 1.0f; }; // far below the target: keeps stepping
    head.onMeasure = [this](int n)
    {
        if (n == 4) // the Faraday reading, then the third voltage tried
            ::PostMessage(m_dlg->GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
    };
    const RunResult r = Run(1000.0f);
    EXPECT_EQ(r.result, IDCANCEL);
    EXPECT_EQ(r.running, 0);
    EXPECT_EQ(head.triedVoltages.size(), 3u);
    ExpectMultiplierLeftOff();
}

TEST_F(GainAdjustTest, QuitDuringTheRunEndsItAndIsPassedOn)
{
    head.multipliedReading = [](int) { return 1.0f; };
    head.onMeasure = [](int n)
    {
        if (n == 3)
            ::PostQuitMessage(7);
    };
    const RunResult r = Run(1000.0f);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.running, 0);
    EXPECT_EQ(head.triedVoltages.size(), 2u);
    ExpectMultiplierLeftOff();
    MSG msg{};
    ASSERT_TRUE(::PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // for the loop that owns it
    EXPECT_EQ(msg.wParam, 7u);
}

namespace
{
constexpr UINT kProbeMessage = WM_APP + 77;

// An application that swallows the probe message and counts its idle calls.
class CProbeApp : public CWinApp
{
public:
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != kProbeMessage)
            return CWinApp::PreTranslateMessage(pMsg);
        ++probes;
        return TRUE;
    }
    BOOL OnIdle(LONG lCount) override
    {
        idleCounts.push_back(static_cast<int>(lCount));
        return FALSE;
    }
    int probes = 0;
    std::vector<int> idleCounts;
};
} // namespace

TEST_F(GainAdjustTest, RunPumpsThroughTheApplicationWithTwoIdleCallsPerStep)
{
    CProbeApp app;
    ASSERT_EQ(AfxGetApp(), &app);
    const float target = head.faradayReading * 100.0f;
    ReadingsByTrial({target / 1.5f, target});
    head.onMeasure = [this](int n)
    {
        if (n == 2)
            ::PostMessage(m_dlg->GetSafeHwnd(), kProbeMessage, 0, 0);
    };
    const RunResult r = Run(100.0f);
    EXPECT_EQ(r.running, 1);
    EXPECT_EQ(app.probes, 1);
    EXPECT_EQ(app.idleCounts, (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(GainAdjustTest, FailedMeasurementEndsTheRunSilently)
{
    head.multipliedReading = [](int) { return 1.0f; };
    head.failMeasurement = 3;
    const RunResult r = Run(1000.0f);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.running, 0);
    ExpectMultiplierLeftOff();
    for (const kel::PromptRequest& p : prompts.Prompts())
        EXPECT_NE(p.kind, kel::PromptKind::MessageBox) << p.text;
}

namespace
{
HANDLE g_portLock = nullptr;
CHead* g_lockedHead = nullptr;
HANDLE LookupPortLock(CHead* head)
{
    return head == g_lockedHead ? g_portLock : nullptr;
}
} // namespace

TEST_F(GainAdjustTest, RunWaitsForThePortLockAndGivesItBack)
{
    g_portLock = ::CreateMutex(nullptr, FALSE, nullptr);
    g_lockedHead = &head;
    HeadPortLockFinder previous = CHeadPortLock::SetFinder(LookupPortLock);

    // A task holds the port for a while.
    std::atomic<int> held{0}, released{0};
    std::thread task(
        [&]
        {
            ::WaitForSingleObject(g_portLock, INFINITE);
            held = 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            released = 1;
            ::ReleaseMutex(g_portLock);
        });
    while (!held)
        std::this_thread::yield();

    int releasedAtFirstCommand = -1;
    head.onMeasure = [&](int n)
    {
        if (n == 1)
            releasedAtFirstCommand = released;
    };
    const float target = head.faradayReading * 100.0f;
    head.multipliedReading = [target](int) { return target; };
    const RunResult r = Run(100.0f);
    task.join();

    EXPECT_EQ(r.running, 1);
    EXPECT_EQ(releasedAtFirstCommand, 1);
    // The run let go of the lock: another thread can take it at once.
    std::atomic<DWORD> wait{WAIT_FAILED};
    std::thread other(
        [&]
        {
            wait = ::WaitForSingleObject(g_portLock, 0);
            if (wait == WAIT_OBJECT_0)
                ::ReleaseMutex(g_portLock);
        });
    other.join();
    EXPECT_EQ(wait.load(), static_cast<DWORD>(WAIT_OBJECT_0));

    CHeadPortLock::SetFinder(previous);
    ::CloseHandle(g_portLock);
    g_portLock = nullptr;
    g_lockedHead = nullptr;
}

TEST_F(GainAdjustTest, CancelWhileAnotherTaskHoldsThePortLeavesTheHeadAlone)
{
    g_portLock = ::CreateMutex(nullptr, FALSE, nullptr);
    g_lockedHead = &head;
    HeadPortLockFinder previous = CHeadPortLock::SetFinder(LookupPortLock);
    std::atomic<int> held{0}, done{0};
    std::thread task(
        [&]
        {
            ::WaitForSingleObject(g_portLock, INFINITE);
            held = 1;
            while (!done)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::ReleaseMutex(g_portLock);
        });
    while (!held)
        std::this_thread::yield();

    ScriptedPrompts local;
    local.Expect(CCemGainAdjustDlg::IDD)
        .Drive(
            [](DialogDriver& d)
            {
                // Cancel comes while the run waits for the port.
                ::PostMessage(d.Dialog(), WM_COMMAND, IDCANCEL, 0);
                d.Pump();
            });
    const RunResult r = Run(1000.0f);
    done = 1;
    task.join();

    EXPECT_EQ(r.result, IDCANCEL);
    EXPECT_EQ(r.running, 0);
    EXPECT_TRUE(head.log.empty());
    EXPECT_EQ(head.measurements, 0);

    CHeadPortLock::SetFinder(previous);
    ::CloseHandle(g_portLock);
    g_portLock = nullptr;
    g_lockedHead = nullptr;
}
