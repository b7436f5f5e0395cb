// The Mode commands through a real view in a stand-in main frame, on the simulated head: each mode
// reached from each other one gives its display, mode word and scan, keeps the displays it built,
// and leaves the document unmodified; the switch refuses while a scan runs or Peak Tuning is open.
#include "analysis/Library.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "head/Head.h"
#include "res/resource.h"
#include "scans/Scan.h"
#include "scans/Table.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "testsupport/HeadAccess.h"
#include "view/KelView.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;

namespace
{

class CTestCmdUI : public CCmdUI
{
public:
    void Enable(BOOL on) override
    {
        enabled = on ? 1 : 0;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int check) override { checked = check; }
    int enabled = -1; // -1: untouched
    int checked = -1;
};

struct ModeRow
{
    const char* name;
    UINT command;
    int mode;
    int kind;     // display kind code
    int scanKind; // -1: no scan
};

const ModeRow kModes[] = {
    {"analog", ID_MODE_ANALOG, 0, 1, SCAN_KIND_ANALOG},
    {"histogram", ID_MODE_HISTOGRAM, 1, 5, SCAN_KIND_HISTOGRAM},
    {"P vs T", ID_MODE_PVST, 3, 4, SCAN_KIND_PVST},
    {"annunciator", ID_MODE_ANNUNCIATOR, 5, 6, SCAN_KIND_PANEL},
    {"library", ID_MODE_LIBRARY, 7, 8, -1},
};

class ModeSwitchTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 700, 500)));
        m_app.m_pMainWnd = m_frame;
        m_doc = new CKelDoc;
        ASSERT_TRUE(m_doc->OnNewDocument());
        ASSERT_TRUE(m_head.Connect(0));
        m_doc->m_pHead = &m_head;
        m_doc->DistributeHead();
        m_view = new CKelView;
        ASSERT_TRUE(m_view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 640, 400), m_frame,
                                   AFX_IDW_PANE_FIRST, nullptr));
        m_doc->AddView(m_view);
        m_frame->SetActiveView(m_view);
    }

    void TearDown() override
    {
        m_doc->SetCurrentScan(nullptr);
        m_doc->m_pHead = nullptr;
        m_doc->DistributeHead();
        m_view->DestroyWindow(); // the last view closes the document and its displays
        m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        UiTest::TearDown();
    }

    void Command(UINT id) { m_frame->SendMessage(WM_COMMAND, id, 0); }
    int Checked(UINT id)
    {
        CTestCmdUI ui;
        ui.m_nID = id;
        ui.DoUpdate(m_frame, FALSE);
        EXPECT_EQ(ui.enabled, -1) << "the Mode items are never disabled";
        return ui.checked;
    }
    int DisplayKind() const
    {
        return m_doc->GetCurrentDisplay() != nullptr ? m_doc->GetCurrentDisplay()->GetKind() : 0;
    }
    int ScanKind() const
    {
        return m_doc->GetCurrentScan() != nullptr ? m_doc->GetCurrentScan()->GetScanKind() : -1;
    }
    void ExpectIn(const ModeRow& row)
    {
        EXPECT_EQ(DisplayKind(), row.kind);
        EXPECT_EQ(m_doc->m_nMode, row.mode);
        EXPECT_EQ(m_doc->m_nSecondMode, CKelDoc::kNoSplit);
        EXPECT_EQ(ScanKind(), row.scanKind);
        EXPECT_FALSE(m_doc->IsModified());
        for (const ModeRow& other : kModes)
            EXPECT_EQ(Checked(other.command), &other == &row ? 1 : 0) << other.name;
    }

    CWinApp m_app{"kelmon"};
    ScriptedPrompts m_prompts;
    kel::testkit::OpenDummyHead m_head;
    CFrameWnd* m_frame = nullptr;
    CKelDoc* m_doc = nullptr;
    CKelView* m_view = nullptr;
};

TEST_F(ModeSwitchTest, EachModeFromEachOtherGivesItsDisplayAndScanAndKeepsTheDisplaysBuilt)
{
    ASSERT_NE(m_doc->GetLibrary(), nullptr) << "the gas library beside the program";
    std::map<int, CDisplay*> built; // display kind -> the display first made for it
    for (const ModeRow& from : kModes)
        for (const ModeRow& to : kModes)
        {
            SCOPED_TRACE(std::string(from.name) + " -> " + to.name);
            Command(from.command);
            ExpectIn(from);
            m_doc->GetTable()->m_displayWords[5] = 1; // the table coupled to an analog pane
            CScan* scan = m_doc->GetCurrentScan();
            CDisplay* display = m_doc->GetCurrentDisplay();
            Command(to.command);
            ExpectIn(to);
            CDisplay* now = m_doc->GetCurrentDisplay();
            if (&from == &to)
            {
                // The mode in force: nothing is rebuilt.
                EXPECT_EQ(m_doc->GetCurrentScan(), scan);
                EXPECT_EQ(now, display);
                EXPECT_EQ(m_doc->GetTable()->m_displayWords[5], 1u);
                continue;
            }
            // A new scan for the new display, none in library mode; the coupling ends.
            if (to.scanKind >= 0)
            {
                EXPECT_EQ(m_doc->GetCurrentScan()->m_pDisplay, now);
            }
            EXPECT_EQ(m_doc->GetTable()->m_displayWords[5], 0u);
            // One display per kind, kept while the document lives.
            EXPECT_EQ(built.emplace(to.kind, now).first->second, now);
            EXPECT_EQ(m_doc->GetDisplayOfKind(to.kind), now);
            EXPECT_EQ(m_doc->GetDisplayOfKind(from.kind), display);
        }
    // Library mode: the library shows its gas on the library display, its range dialog is open.
    Command(ID_MODE_LIBRARY);
    EXPECT_EQ(m_doc->GetLibrary()->GetDisplay(), m_doc->GetCurrentDisplay());
    EXPECT_EQ(m_doc->GetLibrary()->GetRangeSettings(), m_doc->GetAnalogSettings(4));
    EXPECT_EQ(m_doc->m_bLibraryDlgOpen, 1);
    EXPECT_NE(m_doc->GetLibrary()->GetParameterDlg(), nullptr);
    // Leaving it closes the dialog.
    Command(ID_MODE_HISTOGRAM);
    EXPECT_EQ(m_doc->m_bLibraryDlgOpen, 0);
    EXPECT_EQ(m_doc->GetLibrary()->GetParameterDlg(), nullptr);
}

TEST_F(ModeSwitchTest, AModeLeavesASplitLayoutWithItsSettingsCopies)
{
    Command(ID_MODE_ANALOG);
    Command(ID_SPLIT_ANALOG);
    ASSERT_EQ(DisplayKind(), 7);
    ASSERT_NE(m_doc->m_pSplitSettings[0], nullptr);
    m_doc->SetModifiedFlag(FALSE);
    Command(ID_MODE_HISTOGRAM);
    ExpectIn(kModes[1]);
    EXPECT_EQ(m_doc->GetDisplayOfKind(7), nullptr);
    EXPECT_EQ(m_doc->m_pSplitSettings[0], nullptr);
    EXPECT_EQ(m_doc->m_pSplitSettings[1], nullptr);
}

TEST_F(ModeSwitchTest, ARunningScanOrPeakTuningKeepsTheModeInForce)
{
    Command(ID_MODE_HISTOGRAM);
    CScan* scan = m_doc->GetCurrentScan();
    CDisplay* display = m_doc->GetCurrentDisplay();
    ASSERT_NE(scan, nullptr);
    const auto unchanged = [&]
    {
        EXPECT_EQ(m_doc->GetCurrentScan(), scan);
        EXPECT_EQ(m_doc->GetCurrentDisplay(), display);
        EXPECT_EQ(m_doc->m_nMode, 1);
        EXPECT_EQ(m_doc->GetDisplayOfKind(1), nullptr) << "no analog display was built";
    };

    // A running scan or the repeat timer: asked to stop first; No leaves everything as it was.
    for (int timer : {0, 1})
    {
        SCOPED_TRACE(timer);
        scan->m_bRunning = !timer;
        m_doc->m_bRepeatTimer = timer;
        m_prompts.Expect("The scan must be stopped first\n\nWould you like to stop the scan?").Reply(IDNO);
        Command(ID_MODE_ANALOG);
        unchanged();
        m_prompts.Expect("The scan must be stopped first").Reply(IDNO);
        Command(ID_MODE_LIBRARY);
        unchanged();
    }
    scan->m_bRunning = 0;
    m_doc->m_bRepeatTimer = 0;

    // Peak Tuning open: told to leave it first, for every mode.
    m_doc->m_bPeakTuning = 1;
    m_prompts.Expect("You must exit the Peak Tuning \nprocedure before proceeding").Reply(IDOK).Times(2);
    Command(ID_MODE_PVST);
    unchanged();
    Command(ID_MODE_LIBRARY);
    unchanged();
    m_doc->m_bPeakTuning = 0;

    // The mode-switch lock (held while printing): nothing, and no question.
    m_doc->m_bModeSwitchLock = 1;
    Command(ID_MODE_ANALOG);
    Command(ID_MODE_LIBRARY);
    unchanged();
    m_doc->m_bModeSwitchLock = 0;
    EXPECT_EQ(m_prompts.Prompts().size(), 6u);
}

} // namespace
