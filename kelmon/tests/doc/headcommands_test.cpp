// The document's head commands on a simulated head: when each is enabled and checked, what each
// runs on the head, the stop offer while a scan runs, the CEM and filament questions, peak tuning's
// dialog and flag, the tuning dialogs' values in and out, and the head-parameter lock.
#include "ScanFakes.h"

#include "dialogs/HeadLockDlg.h"
#include "dialogs/PeakTuningDlg.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "head/Head.h"
#include "res/resource.h"
#include "scans/Scan.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "testsupport/HeadAccess.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;

namespace
{

// The simulated head, noting the procedures it runs; a query named in failOn fails.
class CNotingHead : public kel::testkit::OpenDummyHead
{
public:
    std::vector<std::string> calls;
    std::string failOn;

    BOOL Initialize() override { return Note("initialize") && CKELDummyHead::Initialize(); }
    BOOL Calibrate() override { return Note("calibrate") && CKELDummyHead::Calibrate(); }
    BOOL Degas() override { return Note("degas") && CKELDummyHead::Degas(); }
    BOOL RunIonizerDialog() override { return Note("ionizer"); }
    BOOL RunCemDialog() override { return Note("cem dialog"); }
    BOOL IdentifyHead() override { return Note("identify") && CKELDummyHead::IdentifyHead(); }
    BOOL QueryRS(float& v) override { return Fails("RS") ? FALSE : CKELDummyHead::QueryRS(v); }
    BOOL QueryST(float& v) override { return Fails("ST") ? FALSE : CKELDummyHead::QueryST(v); }

private:
    BOOL Note(const std::string& call)
    {
        calls.push_back(call);
        return TRUE;
    }
    bool Fails(const std::string& query) { return failOn == query; }
};

// A scan whose kind and running state the test sets.
class CStubScan : public CScan
{
public:
    explicit CStubScan(int kind) : m_kind(kind) {}
    BOOL StartSeries() override { return 1; }
    BOOL StartContinuous() override { return 1; }
    void RequestStopNow() override {}
    void RequestStopAtEnd() override {}
    BOOL GetReadyFlag() override { return 1; }
    BOOL AttachDocument(CScanSite*) override { return 1; }
    BOOL ExportAscii() override { return 1; }
    float GetTriggerPeriod() override { return 1.0f; }
    void SetTriggerPeriod(float) override {}
    int GetPeriodUnits() override { return 0; }
    void SetPeriodUnits(int) override {}
    void SetOptionWord(int) override {}
    int GetOptionWord() override { return 0; }
    void SetScanMode(int) override {}
    int GetScanMode() override { return 0; }
    int GetScanKind() override { return m_kind; }
    BOOL SaveLogAsFiles() override { return 1; }
    BOOL EstimateSweepTime(int& seconds) override
    {
        seconds = 1;
        return 1;
    }
    void OnCemSwitched(int flag) override { cemSwitched.push_back(flag); }
    std::vector<int> cemSwitched;

private:
    int m_kind;
};

// The state an update handler leaves on a menu item (-1: untouched).
class CTestCmdUI : public CCmdUI
{
public:
    void Enable(BOOL on) override { enabled = on ? 1 : 0; }
    void SetCheck(int check) override { checked = check; }
    int enabled = -1;
    int checked = -1;
};

int g_lockStores = 0;

// The current display of an analog document, as the commands see it.
class CAnalogRecorder : public scantest::CRecordingDisplay
{
public:
    explicit CAnalogRecorder(CAnalogData* settings) : CRecordingDisplay(settings) { m_nKind = 1; }
};

// A document that notes the split layout the Tune command asks for (the split commands are routed
// by their id, so the note stands in for whichever handler the document has for it).
class CSplitNotingDoc : public CKelDoc
{
public:
    void OnSplitAnalogNoted()
    {
        ++splitAnalog;
        modeAtSplit = m_nMode;
        dialogAtSplit = m_pPeakTuningDlg != nullptr;
    }
    int splitAnalog = 0;
    int modeAtSplit = -1;
    bool dialogAtSplit = false;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSplitNotingDoc, CKelDoc)
ON_COMMAND(ID_SPLIT_ANALOG, OnSplitAnalogNoted)
END_MESSAGE_MAP()

class HeadCommandsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        CHeadLockDlg::SetLockState(0, "");
        m_doc = new CSplitNotingDoc;
        m_doc->m_bAutoDelete = FALSE;
        ASSERT_TRUE(m_doc->OnNewDocument());
        ASSERT_TRUE(m_head.Connect(0));
        m_doc->m_pHead = &m_head;
        m_doc->DistributeHead();
        m_display = std::make_unique<CAnalogRecorder>(m_doc->GetAnalogSettings(0));
        m_doc->SetCurrentDisplay(m_display.get());
        SetScan(SCAN_KIND_ANALOG);
    }
    void TearDown() override
    {
        CloseDoc();
        CHeadLockDlg::SetLockState(0, "");
        UiTest::TearDown();
    }
    void CloseDoc()
    {
        if (m_doc == nullptr)
            return;
        m_doc->SetCurrentScan(nullptr);
        m_doc->SetCurrentDisplay(nullptr);
        m_doc->m_pHead = nullptr;
        m_doc->DistributeHead();
        m_doc->OnCloseDocument();
        delete m_doc;
        m_doc = nullptr;
    }

    CStubScan* SetScan(int kind)
    {
        auto* scan = new CStubScan(kind);
        m_doc->SetCurrentScan(scan);
        return scan;
    }
    CStubScan* Scan() { return static_cast<CStubScan*>(m_doc->GetCurrentScan()); }
    void Command(UINT id) { m_doc->OnCmdMsg(id, CN_COMMAND, nullptr, nullptr); }
    CTestCmdUI Update(UINT id)
    {
        CTestCmdUI ui;
        ui.m_nID = id;
        ui.DoUpdate(m_doc, FALSE);
        return ui;
    }
    int HighVoltage()
    {
        int on = 0;
        m_head.IsHighVoltageOn(on);
        return on;
    }

    CWinApp m_app{"kelmon"};
    ScriptedPrompts m_prompts;
    CNotingHead m_head;
    CSplitNotingDoc* m_doc = nullptr;
    std::unique_ptr<scantest::CRecordingDisplay> m_display;
};

// Enable state per command in each state of the document (-1: the handler leaves the item alone).
struct EnableRow
{
    UINT id;
    const char* name;
    int noHead, idle, busyAnalog, busyTable, locked, offline;
};

TEST_F(HeadCommandsTest, EachCommandIsEnabledByTheHeadTheScanAndTheLock)
{
    const EnableRow rows[] = {
        {ID_HEAD_IONIZER, "ionizer", -1, 1, 0, 0, 0, 0},
        {ID_HEAD_CEM, "CEM on", 0, 1, 1, 0, 1, 0},
        {ID_HEAD_CEM_SETTINGS, "CEM settings", -1, 1, 1, 0, 1, 0},
        {ID_HEAD_CALIBRATE, "calibrate", -1, 1, 0, 0, 1, 0},
        {ID_HEAD_DEGAS, "degas", -1, 1, 0, 0, 0, 0},
        {ID_HEAD_RESET, "reset", -1, 1, 0, 0, 1, 0},
        {ID_HEAD_GAS_SELECTION, "gas selection", 0, 1, 0, 0, 0, 0},
        {ID_HEAD_TUNE, "tune", 0, 1, 0, 0, 0, 0},
        {ID_HEAD_SENSITIVITY_TUNING, "sensitivity tuning", -1, 1, 0, 0, 0, 0},
        {ID_HEAD_LEAKRATE_TUNING, "leak rate tuning", 0, 1, 0, 0, 0, 0},
        {ID_HEAD_LOCK, "lock", -1, -1, -1, -1, -1, -1},
        {ID_HEAD_INFO, "head info", -1, 1, 0, 0, 1, 0},
    };
    auto state = [&](const char* what, auto setUp, int EnableRow::*column)
    {
        setUp();
        for (const EnableRow& row : rows)
            EXPECT_EQ(Update(row.id).enabled, row.*column) << row.name << " " << what;
        // Back to idle.
        m_doc->m_pHead = &m_head;
        m_head.Connect(0);
        SetScan(SCAN_KIND_ANALOG);
        CHeadLockDlg::SetLockState(0, "");
    };
    state(
        "without a head", [&] { m_doc->m_pHead = nullptr; }, &EnableRow::noHead);
    state(
        "idle", [] {}, &EnableRow::idle);
    state(
        "while an analog scan runs", [&] { SetScan(SCAN_KIND_ANALOG)->m_bRunning = 1; },
        &EnableRow::busyAnalog);
    state(
        "while a table scan runs", [&] { SetScan(SCAN_KIND_TABLE)->m_bRunning = 1; }, &EnableRow::busyTable);
    state(
        "while locked", [] { CHeadLockDlg::SetLockState(1, "abc"); }, &EnableRow::locked);
    state(
        "offline", [&] { m_head.Disconnect(); }, &EnableRow::offline);

    // The repeat timer counts as a running scan.
    m_doc->m_bRepeatTimer = 1;
    EXPECT_EQ(Update(ID_HEAD_CALIBRATE).enabled, 0);
    m_doc->m_bRepeatTimer = 0;

    // A DUX head never degasses; everything else stays.
    m_head.m_nFamily = HEAD_FAMILY_DUX;
    EXPECT_EQ(Update(ID_HEAD_DEGAS).enabled, 0);
    EXPECT_EQ(Update(ID_HEAD_CALIBRATE).enabled, 1);
    m_head.m_nFamily = HEAD_FAMILY_KEL;

    // Peak tuning under way: no second Gas Selection or Tune; the rest stays.
    m_doc->m_bPeakTuning = 1;
    EXPECT_EQ(Update(ID_HEAD_GAS_SELECTION).enabled, 0);
    EXPECT_EQ(Update(ID_HEAD_TUNE).enabled, 0);
    EXPECT_EQ(Update(ID_HEAD_SENSITIVITY_TUNING).enabled, 1);
    m_doc->m_bPeakTuning = 0;

    // No display: no head information and no gas selection.
    m_doc->SetCurrentDisplay(nullptr);
    EXPECT_EQ(Update(ID_HEAD_INFO).enabled, 0);
    EXPECT_EQ(Update(ID_HEAD_GAS_SELECTION).enabled, 0);
}

TEST_F(HeadCommandsTest, TheCemCommandIsCheckedFromTheHeadAndNeedsAMultiplier)
{
    m_head.SetHighVoltage(1);
    EXPECT_EQ(Update(ID_HEAD_CEM).checked, 1);
    m_head.HighVoltageOff();
    EXPECT_EQ(Update(ID_HEAD_CEM).checked, 0);
    m_head.m_bCemPresent = 0;
    const CTestCmdUI ui = Update(ID_HEAD_CEM);
    EXPECT_EQ(ui.enabled, 0);
    EXPECT_EQ(ui.checked, 0);
}

TEST_F(HeadCommandsTest, ProceduresRunOnTheHead)
{
    struct Row
    {
        UINT id;
        const char* call;
    } rows[] = {
        {ID_HEAD_CALIBRATE, "calibrate"}, {ID_HEAD_DEGAS, "degas"},   {ID_HEAD_RESET, "initialize"},
        {ID_HEAD_IONIZER, "ionizer"},     {ID_HEAD_INFO, "identify"}, {ID_HEAD_CEM_SETTINGS, "cem dialog"},
    };
    for (const Row& row : rows)
    {
        m_head.calls.clear();
        Command(row.id);
        EXPECT_NE(std::find(m_head.calls.begin(), m_head.calls.end(), row.call), m_head.calls.end())
            << row.call;
    }
    EXPECT_TRUE(m_doc->IsModified()) << "a reset marks the document modified";
}

TEST_F(HeadCommandsTest, CemSettingsCopiesTheCemStateIntoTheTableSettings)
{
    m_head.SetHighVoltage(1);
    Command(ID_HEAD_CEM_SETTINGS);
    EXPECT_EQ(m_doc->GetTable()->m_moreWords[0], 1);
    m_head.HighVoltageOff();
    Command(ID_HEAD_CEM_SETTINGS);
    EXPECT_EQ(m_doc->GetTable()->m_moreWords[0], 0);
}

TEST_F(HeadCommandsTest, TheCemCommandSwitchesTheHighVoltageAndTellsWhenTheFilamentIsOff)
{
    m_head.FilamentOff();
    m_head.HighVoltageOff();
    m_prompts.Expect("The filament is off.  Turn on before acquiring data.").Reply(IDOK);
    Command(ID_HEAD_CEM);
    EXPECT_EQ(HighVoltage(), 1) << "switched on all the same";
    ASSERT_EQ(m_prompts.Prompts().size(), 1u);
    EXPECT_EQ(m_prompts.Prompts()[0].flags & MB_ICONMASK, UINT(MB_ICONINFORMATION));

    Command(ID_HEAD_CEM);
    EXPECT_EQ(HighVoltage(), 0);
    EXPECT_EQ(Scan()->cemSwitched, (std::vector<int>{1, 0}));
}

TEST_F(HeadCommandsTest, WhileTheScanRunsTheCemCommandsOfferToStopItAndDoNothingElse)
{
    SetScan(SCAN_KIND_ANALOG)->m_bRunning = 1;
    m_head.HighVoltageOff();
    m_head.calls.clear();
    m_prompts.Expect("The scan must be stopped first").Reply(IDNO).Times(2);
    Command(ID_HEAD_CEM);
    Command(ID_HEAD_CEM_SETTINGS);
    EXPECT_EQ(HighVoltage(), 0);
    EXPECT_TRUE(m_head.calls.empty());
    EXPECT_EQ(m_prompts.Prompts()[0].flags & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));
}

TEST_F(HeadCommandsTest, TuneWhenTheHeadCannotBeReadLeavesNothingOpen)
{
    m_head.failOn = "RS";
    Command(ID_HEAD_TUNE);
    EXPECT_EQ(m_doc->m_pPeakTuningDlg, nullptr);
    EXPECT_EQ(m_doc->m_bPeakTuning, 0);
    EXPECT_EQ(m_doc->m_nMode, 0);
    EXPECT_EQ(m_doc->splitAnalog, 0);
    EXPECT_EQ(Update(ID_HEAD_TUNE).enabled, 1);
}

TEST_F(HeadCommandsTest, TuneOpensTheDialogAndItsCloseClearsItsOwnDocument)
{
    Command(ID_HEAD_TUNE);
    CPeakTuningDlg* dlg = m_doc->m_pPeakTuningDlg;
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->GetSafeHwnd());
    EXPECT_EQ(m_doc->m_bPeakTuning, 1);
    // The two reference peaks side by side: analog mode first, then the analog split layout.
    EXPECT_EQ(m_doc->splitAnalog, 1);
    EXPECT_EQ(m_doc->modeAtSplit, 0);
    EXPECT_TRUE(m_doc->dialogAtSplit);
    EXPECT_EQ(Update(ID_HEAD_TUNE).enabled, 0);

    // Another document may be active by now; the dialog's own document is the one cleared.
    dlg->DestroyWindow();
    EXPECT_EQ(m_doc->m_pPeakTuningDlg, nullptr);
    EXPECT_EQ(m_doc->m_bPeakTuning, 0);
    EXPECT_EQ(Update(ID_HEAD_TUNE).enabled, 1);
}

TEST_F(HeadCommandsTest, ADocumentClosedDuringPeakTuningTakesTheDialogWithIt)
{
    Command(ID_HEAD_TUNE);
    ASSERT_NE(m_doc->m_pPeakTuningDlg, nullptr);
    const HWND window = m_doc->m_pPeakTuningDlg->GetSafeHwnd();
    CloseDoc();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(HeadCommandsTest, GasSelectionWritesTheReferencePeaksAndMayChainToTune)
{
    m_prompts.Expect(IDD_PEAK_TUNING_GAS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_TUNEGAS_LOW_NAME, "Helium");
                d.SetText(IDC_TUNEGAS_LOW_MASS, "4");
                d.SetText(IDC_TUNEGAS_HIGH_NAME, "Krypton");
                d.SetText(IDC_TUNEGAS_HIGH_MASS, "84");
                d.Click(IDOK);
            });
    Command(ID_HEAD_GAS_SELECTION);
    EXPECT_EQ(std::string(m_doc->GetAnalogSettings(0)->m_title), "Helium");
    EXPECT_EQ(m_doc->GetAnalogSettings(0)->m_tuneMass, 4);
    EXPECT_EQ(std::string(m_doc->GetAnalogSettings(1)->m_title), "Krypton");
    EXPECT_EQ(m_doc->GetAnalogSettings(1)->m_tuneMass, 84);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(m_doc->m_pPeakTuningDlg, nullptr);

    m_doc->SetModifiedFlag(FALSE);
    m_prompts.Expect(IDD_PEAK_TUNING_GAS).Reply(IDCANCEL);
    Command(ID_HEAD_GAS_SELECTION);
    EXPECT_FALSE(m_doc->IsModified()) << "Cancel changes nothing";
}

TEST_F(HeadCommandsTest, SensitivityTuningRefusedAtTheFilamentQuestionChangesNothing)
{
    m_head.FilamentOff();
    m_doc->m_nTuningWord = 40;
    m_prompts.Expect("The filament must be on for this procedure.").Reply(IDNO);
    Command(ID_HEAD_SENSITIVITY_TUNING);
    int on = 1;
    ASSERT_TRUE(m_head.IsFilamentOn(on));
    EXPECT_EQ(on, 0);
    EXPECT_EQ(m_doc->m_nTuningWord, 40);
}

TEST_F(HeadCommandsTest, SensitivityTuningAsksItsWayInAndKeepsTheDialogsMassEvenOnCancel)
{
    m_head.FilamentOff();
    m_head.SetHighVoltage(1);
    m_doc->m_nTuningWord = 40;
    m_prompts.Expect("The filament must be on for this procedure.").Reply(IDYES);
    m_prompts.Expect("The CEM must be turned off first.").Reply(IDYES);
    m_prompts.Expect("The detector should be calibrated before this procedure.").Reply(IDNO);
    m_prompts.Expect(IDD_SENSITIVITY_TUNING)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_SENS_MASS, "44");
                d.Click(IDCANCEL);
            });
    Command(ID_HEAD_SENSITIVITY_TUNING);
    int on = 0;
    ASSERT_TRUE(m_head.IsFilamentOn(on));
    EXPECT_EQ(on, 1);
    EXPECT_EQ(HighVoltage(), 0);
    EXPECT_EQ(std::count(m_head.calls.begin(), m_head.calls.end(), "calibrate"), 0);
    EXPECT_EQ(m_doc->m_nTuningWord, 40) << "the dialog's mass as it was handed in (Cancel reads nothing)";
}

TEST_F(HeadCommandsTest, LeakRateTuningOkWritesTheThreeValuesBack)
{
    CAppSettings* settings = CAppSettings::GetInstance();
    settings->m_leakFactor = 2.5f;
    m_doc->m_nTuningWord = 4;
    m_doc->m_nLeakRateTuning = std::bit_cast<int32_t>(1e-7f);
    m_prompts.Expect(IDD_LEAK_SENSITIVITY)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_LEAK_MASS, "40");
                d.SetText(IDC_LEAK_REFERENCE_RATE, "2e-08");
                d.Click(IDOK);
            });
    Command(ID_HEAD_LEAKRATE_TUNING);
    EXPECT_EQ(m_doc->m_nTuningWord, 40);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(m_doc->m_nLeakRateTuning), 2e-8f);
    EXPECT_FLOAT_EQ(settings->m_leakFactor, 2.5f);

    m_prompts.Expect(IDD_LEAK_SENSITIVITY).Reply(IDCANCEL);
    Command(ID_HEAD_LEAKRATE_TUNING);
    EXPECT_EQ(m_doc->m_nTuningWord, 40) << "Cancel changes nothing";
}

TEST_F(HeadCommandsTest, TheLockCommandStoresTheLockAndRenamesItsMenuItem)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)));
    HMENU menu = ::CreateMenu();
    ::AppendMenu(menu, MF_STRING, ID_HEAD_LOCK, "&Lock Head Parameters...");
    ::SetMenu(frame->GetSafeHwnd(), menu);
    m_app.m_pMainWnd = frame;
    g_lockStores = 0;
    void (*previousStore)() = CKelDoc::s_pfnStoreHeadLock;
    CKelDoc::s_pfnStoreHeadLock = [] { ++g_lockStores; };

    m_prompts.Expect(IDD_HEAD_LOCK)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_LOCK_PASSWORD, "secret");
                d.SetText(IDC_LOCK_CONFIRM, "secret");
                d.Click(IDOK);
            });
    Command(ID_HEAD_LOCK);
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 1);
    EXPECT_EQ(g_lockStores, 1);

    char text[64] = {};
    CTestCmdUI ui = Update(ID_HEAD_LOCK);
    EXPECT_EQ(ui.checked, 1);
    EXPECT_EQ(ui.enabled, -1) << "never disabled";
    ::GetMenuString(menu, ID_HEAD_LOCK, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Unlock Head Parameters");

    CHeadLockDlg::SetLockState(0, "");
    EXPECT_EQ(Update(ID_HEAD_LOCK).checked, 0);
    ::GetMenuString(menu, ID_HEAD_LOCK, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Lock Head Parameters");

    CKelDoc::s_pfnStoreHeadLock = previousStore;
    m_app.m_pMainWnd = nullptr;
    frame->DestroyWindow();
}

} // namespace
