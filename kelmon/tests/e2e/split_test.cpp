// The split layout through the real application and its menus, offscreen: Split > Analog from the
// analog mode on the simulated head, a run that feeds both panes, Stop Now, the document saved,
// closed and opened again with its split layout.
#include "KelmonE2eTest.h"
#include "displays/AnalogDisplay.h"
#include "displays/SplitDisplay.h"
#include "doc/AnalogData.h"
#include "scans/SplitScan.h"

#include <plotkit.h>

namespace
{

using kel::testkit::UiTest;

class SplitJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    static CSplitDisplay* Split(CKelDoc* doc)
    {
        return dynamic_cast<CSplitDisplay*>(doc->GetCurrentDisplay());
    }
    static CAnalogDisplay* Pane(CSplitDisplay* split, int index)
    {
        return split != nullptr ? dynamic_cast<CAnalogDisplay*>(split->GetPane(index)) : nullptr;
    }
};

TEST_F(SplitJobTest, SplitAnalogRunsBothPanesAndComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);

    Click(ID_SPLIT_ANALOG, 200);
    CSplitDisplay* split = Split(doc);
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(doc->m_nMode, 0);
    EXPECT_EQ(doc->m_nSecondMode, 0);
    auto* scan = dynamic_cast<CSplitScan*>(doc->GetCurrentScan());
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetCouplingMode(), 0);
    CAnalogDisplay* top = Pane(split, 0);
    CAnalogDisplay* bottom = Pane(split, 1);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    // The panes sit one above the other in the view.
    RECT upper{}, lower{};
    ::GetWindowRect(WGGetPageWindow(top->GetPage()), &upper);
    ::GetWindowRect(WGGetPageWindow(bottom->GetPage()), &lower);
    EXPECT_EQ(lower.top, upper.bottom);
    EXPECT_EQ(lower.left, upper.left);

    // Short, quick sweeps on both copies; the lower pane scans another range.
    auto* first = static_cast<CAnalogData*>(doc->m_pSplitSettings[0]);
    auto* second = static_cast<CAnalogData*>(doc->m_pSplitSettings[1]);
    ASSERT_NE(first, second);
    for (CAnalogData* s : {first, second})
    {
        s->m_noiseFloor = 7;
        s->m_scanMode = SCAN_MODE_CONTINUOUS;
    }
    first->m_startMass = 1;
    first->m_stopMass = 30;
    second->m_startMass = 12;
    second->m_stopMass = 50;
    for (CAnalogData* s : {first, second})
        s->m_pointCount = s->ExpectedPointCount();
    split->Rebuild();
    doc->GetLogSettings(SCAN_KIND_ANALOG).m_folder = files.path().string().c_str();
    doc->GetLogSettings(SCAN_KIND_SPLIT).m_folder = files.path().string().c_str();

    Click(ID_SCAN_START);
    ASSERT_TRUE(
        UiTest::PumpUntil([&] { return bottom->GetPointsReceived() >= second->m_pointCount / 2; }, 30000));
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    EXPECT_TRUE(top->HasData());
    EXPECT_TRUE(bottom->HasData());
    EXPECT_EQ(top->GetPointsReceived(), first->m_pointCount);
    UpdateWindow(top->GetGraph()->window);
    UpdateWindow(bottom->GetGraph()->window);
    Screenshot("kelmon_split.png");

    const int received = bottom->GetPointsReceived();
    const auto path = files / "split.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, 0);
    EXPECT_EQ(opened->m_nSecondMode, 0);
    CSplitDisplay* back = Split(opened);
    ASSERT_NE(back, nullptr);
    CAnalogDisplay* backTop = Pane(back, 0);
    CAnalogDisplay* backBottom = Pane(back, 1);
    ASSERT_NE(backTop, nullptr);
    ASSERT_NE(backBottom, nullptr);
    EXPECT_NE(backTop->GetPage(), nullptr);
    EXPECT_NE(backBottom->GetPage(), nullptr);
    EXPECT_EQ(backBottom->GetPointsReceived(), received);
    EXPECT_EQ(static_cast<CAnalogData*>(backBottom->m_pSettings)->m_startMass, 12);
    auto* backScan = dynamic_cast<CSplitScan*>(opened->GetCurrentScan());
    ASSERT_NE(backScan, nullptr);
    EXPECT_EQ(backScan->GetChild(1)->m_pDisplay, backBottom);

    // Back to a single mode: the split display and its copies go.
    Click(ID_MODE_ANALOG, 200);
    EXPECT_EQ(opened->GetDisplayOfKind(7), nullptr);
    EXPECT_EQ(opened->m_pSplitSettings[0], nullptr);
    EXPECT_EQ(opened->m_nSecondMode, CKelDoc::kNoSplit);
    ASSERT_NE(dynamic_cast<CAnalogDisplay*>(opened->GetCurrentDisplay()), nullptr);
}

} // namespace
