// The peak tuning dialog against the simulated head: what it reads and writes, its scroll bars and
// ranges (with the guards for RS = 0 and a missing high mass), the factory-value recall, the scan
// guard, and the port lock it holds while it talks to the head.
#include "dialogs/HeadPortLock.h"
#include "dialogs/PeakTuningDlg.h"
#include "head/KELDummyHead.h"
#include "ports/PortList.h"
#include "res/resource.h"

#include "testkit/ScriptedPrompts.h"
#include "testsupport/HeadAccess.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// The simulated head, recording the tuning commands it gets; a command named in failOn fails.
class RecordingHead : public kel::testkit::OpenDummyHead
{
public:
    std::vector<std::string> calls;
    std::string failOn;
    std::vector<std::string>* shared = nullptr; // also logged here when set

    BOOL SetRS(float v) override { return Log(Text("RS", v)) && CKELDummyHead::SetRS(v); }
    BOOL SetRI(float v) override { return Log(Text("RI", v)) && CKELDummyHead::SetRI(v); }
    BOOL SetDS(float v) override { return Log(Text("DS", v)) && CKELDummyHead::SetDS(v); }
    BOOL SetDI(int v) override
    {
        return Log(v == kHeadDefaultValue ? "DI*" : "DI" + std::to_string(v)) && CKELDummyHead::SetDI(v);
    }
    BOOL SendRaw(LPCTSTR text) override { return Log(text) && CKELDummyHead::SendRaw(text); }
    BOOL StopScan() override { return Log("stop") && CKELDummyHead::StopScan(); }

    // The four values the head holds now.
    std::string Held()
    {
        float rs = 0, ri = 0, ds = 0;
        int di = 0;
        QueryRS(rs);
        QueryRI(ri);
        QueryDS(ds);
        QueryDI(di);
        return Text("RS", rs) + " " + Text("RI", ri) + " " + Text("DS", ds) + " DI" + std::to_string(di);
    }
    void Hold(float rs, float ri, float ds, int di)
    {
        CKELDummyHead::SetRS(rs);
        CKELDummyHead::SetRI(ri);
        CKELDummyHead::SetDS(ds);
        CKELDummyHead::SetDI(di);
    }

    static std::string Text(const char* letters, float v)
    {
        if (v == float(kHeadDefaultValue))
            return std::string(letters) + "*";
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%.4g", letters, double(v));
        return buf;
    }

private:
    BOOL Log(const std::string& call)
    {
        calls.push_back(call);
        if (shared)
            shared->push_back(call);
        return call.rfind(failOn, 0) == 0 && !failOn.empty() ? FALSE : TRUE;
    }
};

// The document's side: peak displays, scan and view.
class FakeSite : public IPeakTuningSite
{
public:
    BOOL IsScanRunning() override { return running; }
    void StartScan() override { ++scans; }
    void GetPeak(int high, CString& name, int& mass) override
    {
        name = high ? highName : lowName;
        mass = high ? highMass : lowMass;
    }
    void SavePeakDisplays() override { ++saves; }
    void RestorePeakDisplays() override { ++restores; }
    void RebuildDisplay() override { ++rebuilds; }
    CWnd* GetViewWindow() override { return nullptr; }
    void TuningDialogClosed(CPeakTuningDlg* dlg) override { closed = dlg; }

    BOOL running = FALSE;
    int scans = 0, saves = 0, restores = 0, rebuilds = 0;
    CPeakTuningDlg* closed = nullptr;
    CString lowName = "Nitrogen", highName = "Argon";
    int lowMass = 28, highMass = 40;
};

class PeakTuningTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(head.Connect(1));
        head.Hold(8.0f, 0.0f, -0.07f, 125); // in range; RI 0 and RS 8 give A = -10.75 .. 10.75
        head.calls.clear();
    }
    void TearDown() override
    {
        if (dlg && site.closed != dlg && ::IsWindow(hDlg))
            dlg->DestroyWindow();
        CHeadPortLock::SetFinder(nullptr);
        UiTest::TearDown();
    }

    // Opens the dialog and clears what opening recorded.
    void Open()
    {
        dlg = CPeakTuningDlg::Open(&site, &head, nullptr);
        ASSERT_NE(dlg, nullptr);
        hDlg = dlg->GetSafeHwnd();
        head.calls.clear();
    }
    void Scroll(int bar, int code, int pos = 0)
    {
        ::SendMessage(hDlg, WM_HSCROLL, MAKEWPARAM(code, pos),
                      reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, bar)));
    }
    int ScrollPos(int bar) { return ::GetScrollPos(::GetDlgItem(hDlg, bar), SB_CTL); }
    float Adjust(int edit) { return std::stof(DialogDriver(hDlg).GetText(edit)); }

    ScriptedPrompts prompts;
    RecordingHead head;
    FakeSite site;
    CPeakTuningDlg* dlg = nullptr;
    HWND hDlg = nullptr;
};

TEST_F(PeakTuningTest, OpensOnTheHeadsValuesWithThePeaksAndRangesShown)
{
    dlg = CPeakTuningDlg::Open(&site, &head, nullptr);
    ASSERT_NE(dlg, nullptr);
    hDlg = dlg->GetSafeHwnd();
    EXPECT_EQ(head.calls, std::vector<std::string>{"stop"})
        << "the head's scan is stopped; nothing is written";
    EXPECT_FLOAT_EQ(dlg->m_fRS0, 8.0f);
    EXPECT_FLOAT_EQ(dlg->m_fRI0, 0.0f);
    EXPECT_EQ(dlg->m_nDI0, 125);
    EXPECT_EQ(site.saves, 1);

    DialogDriver d(hDlg);
    EXPECT_EQ(d.GetText(IDC_TUNE_LOW_NAME), "Nitrogen");
    EXPECT_EQ(d.GetText(IDC_TUNE_LOW_MASS), "28");
    EXPECT_EQ(d.GetText(IDC_TUNE_HIGH_NAME), "Argon");
    EXPECT_EQ(d.GetText(IDC_TUNE_HIGH_MASS), "40");
    EXPECT_EQ(d.GetText(IDC_TUNE_LOW_SHIFT), "0");
    // -86 / 8 and 86 / 8 are cut to -5 and 5: the bar runs over 20 units per 1.
    int lo = 0, hi = 0;
    ::GetScrollRange(::GetDlgItem(hDlg, IDC_TUNE_LOW_SHIFT_BAR), SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, -100);
    EXPECT_EQ(hi, 100);
    EXPECT_EQ(ScrollPos(IDC_TUNE_LOW_SHIFT_BAR), 0);
}

TEST_F(PeakTuningTest, RangesFollowTheWorkingValuesAndStayFiniteWithoutRsOrHighMass)
{
    struct Case
    {
        const char* what;
        float rs, ri;
        int di;
        float ds;
        int highMass, massRange;
        float range[4][2]; // low shift, high shift, low width, high width
    };
    const Case cases[] = {
        {"inside the limits",
         8,
         -10,
         125,
         -0.07f,
         4,
         200,
         {{-5, 5}, {-2.25f, 1.625f}, {-5, 125 / 25.5f}, {-0.309020f, 0.087059f}}},
        {"RS 0", 0, -10, 125, -0.07f, 4, 200, {{0, 0}, {0, 0}, {-5, 125 / 25.5f}, {-0.309020f, 0.087059f}}},
        {"no high mass", 8, -10, 125, -0.07f, 0, 200, {{-5, 5}, {0, 0}, {-5, 125 / 25.5f}, {0, 0}}},
        {"no mass range", 8, -10, 125, -0.07f, 4, 0, {{-5, 5}, {-2.25f, 1.625f}, {-5, 125 / 25.5f}, {0, 0}}},
    };
    for (const Case& c : cases)
    {
        CPeakTuningDlg tuning(&site, &head);
        head.m_nMassRange = c.massRange;
        tuning.m_fRS = c.rs;
        tuning.m_fRI = c.ri;
        tuning.m_nDI = c.di;
        tuning.m_fDS = c.ds;
        tuning.m_nHighMass = c.highMass;
        tuning.ComputeRanges();
        for (int i = 0; i < 4; ++i)
            for (int end = 0; end < 2; ++end)
            {
                EXPECT_TRUE(std::isfinite(tuning.m_valueRange[i][end])) << c.what;
                EXPECT_NEAR(tuning.m_valueRange[i][end], c.range[i][end], 1e-4) << c.what << " range " << i;
                EXPECT_EQ(tuning.m_scrollRange[i][end], int(tuning.m_valueRange[i][end] * 20)) << c.what;
            }
    }
}

TEST_F(PeakTuningTest, ScrollBarsStepByTwentiethsAndStopAtTheRangeEnds)
{
    Open();
    struct Step
    {
        const char* what;
        int code, thumb;
        float value;
        int pos;
    };
    // The low-shift bar of range -5 .. 5.
    const Step steps[] = {
        {"line right", SB_LINERIGHT, 0, 0.05f, 1},
        {"page right", SB_PAGERIGHT, 0, 0.55f, 11},
        {"thumb: a multiple of 0.05", SB_THUMBTRACK, 37, 1.85f, 37},
        {"right end", SB_RIGHT, 0, 5.0f, 100},
        {"page right at the end does nothing", SB_PAGERIGHT, 0, 5.0f, 100},
        {"line right at the end stays there", SB_LINERIGHT, 0, 5.0f, 100},
        {"left end", SB_LEFT, 0, -5.0f, -100},
        {"line left at the end stays there", SB_LINELEFT, 0, -5.0f, -100},
        {"thumb near the left end", SB_THUMBTRACK, -90, -4.5f, -90},
        {"page left within 0.5 of the end does nothing", SB_PAGELEFT, 0, -4.5f, -90},
        {"thumb to a negative position", SB_THUMBPOSITION, -60, -3.0f, -60},
        {"end scroll changes nothing", SB_ENDSCROLL, 0, -3.0f, -60},
    };
    for (const Step& s : steps)
    {
        Scroll(IDC_TUNE_LOW_SHIFT_BAR, s.code, s.thumb);
        EXPECT_NEAR(Adjust(IDC_TUNE_LOW_SHIFT), s.value, 1e-4) << s.what;
        EXPECT_EQ(ScrollPos(IDC_TUNE_LOW_SHIFT_BAR), s.pos) << s.what;
    }
    EXPECT_TRUE(head.calls.empty()) << "scrolling sends nothing";

    // Each bar drives its own edit.
    Scroll(IDC_TUNE_HIGH_WIDTH_BAR, SB_LINERIGHT);
    EXPECT_NEAR(Adjust(IDC_TUNE_HIGH_WIDTH), 0.05f, 1e-6);
    EXPECT_NEAR(Adjust(IDC_TUNE_LOW_SHIFT), -3.0f, 1e-4);

    // A typed value outside the range stops the scroll with the validation message.
    prompts.Expect("Please enter a number between").Reply(IDOK);
    DialogDriver(hDlg).SetText(IDC_TUNE_LOW_WIDTH, "9");
    Scroll(IDC_TUNE_LOW_SHIFT_BAR, SB_LINERIGHT);
    EXPECT_NEAR(Adjust(IDC_TUNE_LOW_SHIFT), -3.0f, 1e-4);
}

TEST_F(PeakTuningTest, ScanSendsTheAdjustedValuesInOrderAndStartsOneRun)
{
    Open();
    DialogDriver d(hDlg);
    d.SetText(IDC_TUNE_LOW_SHIFT, "1");
    d.SetText(IDC_TUNE_HIGH_SHIFT, "0.5");
    d.SetText(IDC_TUNE_LOW_WIDTH, "1");
    d.SetText(IDC_TUNE_HIGH_WIDTH, "0.2");
    d.Click(IDC_TUNE_SCAN);
    // RI - A x RS; (40 - B) / 40 x RS; DI - trunc(C x 25.5); DS - D x 25.5 / 40.
    const std::vector<std::string> sent = {"RS7.9", "RI-8", "DS-0.1975", "DI100"};
    EXPECT_EQ(head.calls, sent);
    EXPECT_EQ(head.Held(), "RS7.9 RI-8 DS-0.1975 DI100");
    EXPECT_EQ(site.scans, 1);
    for (int edit : {IDC_TUNE_LOW_SHIFT, IDC_TUNE_HIGH_SHIFT, IDC_TUNE_LOW_WIDTH, IDC_TUNE_HIGH_WIDTH})
        EXPECT_EQ(d.GetText(edit), "0");
    EXPECT_FLOAT_EQ(dlg->m_fRS, 7.9f);

    // Undo All gives the head the values it had when the dialog opened.
    head.calls.clear();
    d.Click(IDC_TUNE_UNDO_ALL);
    EXPECT_EQ(head.calls, (std::vector<std::string>{"RS8", "RI0", "DS-0.07", "DI125"}));
    EXPECT_EQ(head.Held(), "RS8 RI0 DS-0.07 DI125");
    EXPECT_EQ(site.scans, 1);
}

TEST_F(PeakTuningTest, AFailingCommandEndsTheScanStepWithWhatWasSentKept)
{
    Open();
    head.failOn = "DS";
    DialogDriver d(hDlg);
    d.SetText(IDC_TUNE_LOW_SHIFT, "1");
    d.Click(IDC_TUNE_SCAN);
    EXPECT_EQ(head.calls, (std::vector<std::string>{"RS8", "RI-8", "DS-0.07"}));
    EXPECT_EQ(site.scans, 0);
    EXPECT_FLOAT_EQ(dlg->m_fRI, 0.0f) << "the working values stay";
    EXPECT_EQ(d.GetText(IDC_TUNE_LOW_SHIFT), "1");
}

TEST_F(PeakTuningTest, WithoutAHighMassTheHighPeakLeavesRsAndDsAlone)
{
    site.highMass = 0;
    Open();
    DialogDriver d(hDlg);
    d.SetText(IDC_TUNE_LOW_SHIFT, "0.5");
    d.Click(IDC_TUNE_SCAN);
    EXPECT_EQ(head.calls, (std::vector<std::string>{"RS8", "RI-4", "DS-0.07", "DI125"}));
    EXPECT_EQ(site.scans, 1);
}

TEST_F(PeakTuningTest, OutOfRangeValuesRecallTheFactoryValuesAndTheStandardOnesWhenThoseAreOutToo)
{
    head.Hold(0.0f, 0.0f, 0.0f, 0); // RS 0 is outside 7.031 .. 9.375
    prompts
        .Expect("Head parameters are out of allowable range\n      RI = 0.00, RS = 0.00, DI = 0, DS = 0.00,")
        .Reply(IDOK);
    // The simulated head's factory RS is 1.
    prompts
        .Expect("Factory default parameters are out of allowable range!\nRI = 0.00, RS = 1.00, DI = 0, DS = "
                "0.00,")
        .Reply(IDOK);
    dlg = CPeakTuningDlg::Open(&site, &head, nullptr);
    ASSERT_NE(dlg, nullptr);
    hDlg = dlg->GetSafeHwnd();
    const std::vector<std::string> sent = {"stop", "RS*",   "RI*",   "DS*", "DI*",    "RS8.24",
                                           "RI-9", "DI115", "DS0",   "FW1", "RS8.24", "FW1",
                                           "RI-9", "FW1",   "DI115", "FW1", "DS0"};
    EXPECT_EQ(head.calls, sent);
    // The dialog works on what the head holds now, and Undo All goes back to it.
    EXPECT_FLOAT_EQ(dlg->m_fRS, 8.24f);
    EXPECT_FLOAT_EQ(dlg->m_fRS0, 8.24f);
    EXPECT_EQ(dlg->m_nDI0, 115);
    int lo = 0, hi = 0;
    ::GetScrollRange(::GetDlgItem(hDlg, IDC_TUNE_LOW_SHIFT_BAR), SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, -100);
    EXPECT_EQ(hi, 100);

    // The Defaults button runs the same recall.
    head.calls.clear();
    head.Hold(9.0f, 5.0f, 0.2f, 100);
    prompts.Expect("Factory default parameters are out of allowable range!").Reply(IDOK);
    DialogDriver(hDlg).Click(IDC_TUNE_DEFAULTS);
    EXPECT_EQ(head.calls.size(), sent.size() - 1);
    EXPECT_EQ(head.Held(), "RS8.24 RI-9 DS0 DI115");
}

TEST_F(PeakTuningTest, AJovHeadSkipsTheRangeCheckAndRsZeroDividesNothing)
{
    head.m_nFamily = HEAD_FAMILY_JOV;
    head.Hold(0.0f, 3.0f, 0.0f, 20);
    Open(); // no message
    EXPECT_FLOAT_EQ(dlg->m_valueRange[CPeakTuningDlg::kLowShift][0], 0.0f);
    EXPECT_FLOAT_EQ(dlg->m_valueRange[CPeakTuningDlg::kHighShift][1], 0.0f);
    DialogDriver(hDlg).Click(IDC_TUNE_SCAN);
    EXPECT_EQ(head.calls, (std::vector<std::string>{"RS0", "RI3", "DS0", "DI20"}));
}

TEST_F(PeakTuningTest, EveryButtonWaitsForARunningScan)
{
    Open();
    site.running = TRUE;
    for (int button : {IDC_TUNE_SCAN, IDC_TUNE_UNDO_ALL, IDC_TUNE_DEFAULTS, IDOK, IDCANCEL})
    {
        prompts.Expect("Scan in progress\nPlease wait until end of scan").Reply(IDOK);
        DialogDriver(hDlg).Click(button);
        EXPECT_TRUE(::IsWindow(hDlg)) << button;
    }
    EXPECT_TRUE(head.calls.empty());
    EXPECT_EQ(site.scans, 0);
    EXPECT_EQ(site.restores, 0);
}

TEST_F(PeakTuningTest, DoneValidatesThenPutsThePeakDisplaysBackAndCloses)
{
    Open();
    DialogDriver d(hDlg);
    prompts.Expect("Please enter a number between").Reply(IDOK);
    d.SetText(IDC_TUNE_HIGH_WIDTH, "7");
    d.Click(IDOK);
    EXPECT_TRUE(::IsWindow(hDlg));
    EXPECT_EQ(site.restores, 0);

    d.SetText(IDC_TUNE_HIGH_WIDTH, "0");
    CPeakTuningDlg* const opened = dlg;
    d.Click(IDOK);
    EXPECT_FALSE(::IsWindow(hDlg));
    EXPECT_EQ(site.closed, opened) << "the document forgets the dialog, which deleted itself";
    EXPECT_EQ(site.restores, 1);
    EXPECT_EQ(site.rebuilds, 1);
    EXPECT_TRUE(head.calls.empty()) << "the head keeps what was last applied";
    dlg = nullptr;
}

TEST_F(PeakTuningTest, CancelClosesWithoutValidating)
{
    Open();
    DialogDriver d(hDlg);
    d.SetText(IDC_TUNE_HIGH_WIDTH, "7");
    d.Click(IDCANCEL);
    EXPECT_FALSE(::IsWindow(hDlg));
    EXPECT_EQ(site.restores, 1);
    EXPECT_EQ(site.rebuilds, 1);
    dlg = nullptr;
}

TEST_F(PeakTuningTest, AnUnreadableHeadOpensNothing)
{
    // A head whose read fails.
    class DeadHead : public RecordingHead
    {
    public:
        BOOL QueryDS(float&) override { return FALSE; }
    } dead;
    EXPECT_EQ(CPeakTuningDlg::Open(&site, &dead, nullptr), nullptr);
    EXPECT_EQ(site.saves, 0);
    EXPECT_EQ(site.closed, nullptr);
}

// The head's port lock as the port monitor holds it: a mutex per port.
HANDLE g_portLock = nullptr;
HANDLE FindPortLock(CHead*)
{
    return g_portLock;
}

TEST_F(PeakTuningTest, TalksToTheHeadOnlyWhileHoldingItsPortLock)
{
    g_portLock = ::CreateMutex(nullptr, FALSE, nullptr);
    ASSERT_NE(g_portLock, nullptr);
    CHeadPortLock::SetFinder(FindPortLock);
    std::vector<std::string> log;
    head.shared = &log;
    Open();
    log.clear();

    // A worker holds the lock: the Scan click waits until the worker's task is done.
    HANDLE held = ::CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::thread worker(
        [&]
        {
            ::WaitForSingleObject(g_portLock, INFINITE);
            ::SetEvent(held);
            ::Sleep(100);
            log.push_back("worker done");
            ::ReleaseMutex(g_portLock);
        });
    ::WaitForSingleObject(held, INFINITE);
    DialogDriver(hDlg).Click(IDC_TUNE_SCAN);
    worker.join();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "worker done");
    EXPECT_EQ(log.size(), 5u);

    // Released after the step: another thread takes it at once.
    DWORD r = WAIT_TIMEOUT;
    std::thread other(
        [&]
        {
            r = ::WaitForSingleObject(g_portLock, 0);
            if (r == WAIT_OBJECT_0)
                ::ReleaseMutex(g_portLock);
        });
    other.join();
    EXPECT_EQ(r, static_cast<DWORD>(WAIT_OBJECT_0));
    ::CloseHandle(held);
    ::CloseHandle(g_portLock);
    g_portLock = nullptr;
}

TEST_F(PeakTuningTest, ThePortLockIsTheLockOfTheEntryWhoseDescriptorHoldsTheHead)
{
    CPortList list;
    std::shared_ptr<CInstrumentDesc> desc = CreateInstrumentDesc(2);
    ASSERT_EQ(desc->Connect("SOFT0"), 1);
    list.MarkConnected(desc, "SOFT0");
    list.CreatePortLocks();
    const HANDLE lock = list.GetPortLock("SOFT0");
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(CHeadPortLock::FindInPortList(list, desc->GetHead()), lock);
    EXPECT_EQ(CHeadPortLock::FindInPortList(list, &head), nullptr) << "a head no entry holds";
    EXPECT_EQ(CHeadPortLock::FindInPortList(list, nullptr), nullptr);
    list.MarkDisconnected("SOFT0");
    EXPECT_EQ(CHeadPortLock::FindInPortList(list, desc->GetHead()), nullptr) << "a disconnected entry";
}

} // namespace
