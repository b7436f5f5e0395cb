// The pressure-versus-time mode through the real application and its menus, offscreen: Mode > P vs T
// on the simulated head, the trend running with its samples reaching the display, the history
// view moved back and resumed, Stop Now, the document saved, closed and opened again in the mode.
#include "KelmonE2eTest.h"
#include "app/ScanBar.h"
#include "displays/PvsTDisplay.h"
#include "scans/PvsTScan.h"
#include "scans/Table.h"

#include <plotkit.h>

namespace
{

using kel::testkit::UiTest;

class PvsTModeTest : public kel::e2e::KelmonE2eTest
{
protected:
    static CPvsTDisplay* Display(CKelDoc* doc)
    {
        return dynamic_cast<CPvsTDisplay*>(doc->GetCurrentDisplay());
    }

    // Oxygen and water beside the table's nitrogen, in table slots 2 and 3.
    static void AddChannels(CTable& t)
    {
        const char* names[] = {"Oxygen", "Water"};
        const int masses[] = {32, 18};
        for (int i = 0; i < 2; ++i)
        {
            CTableData& c = t.m_configured[i + 1];
            CopyTextField(c.m_szGasName, sizeof c.m_szGasName, names[i]);
            c.m_mass = masses[i];
            c.m_enabled = 1;
        }
        t.CollectEnabledChannels();
    }
};

TEST_F(PvsTModeTest, TheTrendRunsOnSoft0ItsHistoryIsBrowsedAndTheModeComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);
    CTable& table = *doc->GetTable();
    AddChannels(table);
    // A short screen, so that the history view (which needs a full screen) opens after a few samples.
    table.m_timePoints = 8;
    ASSERT_EQ(table.m_activeCount, 3);

    // Mode > P vs T: the trend display over the table and its scan.
    Click(ID_MODE_PVST, 200);
    CPvsTDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetKind(), 4);
    EXPECT_EQ(display->GetTable(), doc->GetTable());
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_PVST);
    EXPECT_EQ(doc->m_nMode, CKelDoc::kModePvsT);
    ASSERT_NE(display->m_legend, 0);
    for (int line = 1; line <= 3; ++line) // 0 is the title
        EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_legend, line),
                     table.m_active[line - 1].m_szGasName);

    // The trend: the samples reach the display, one time and value per channel each.
    doc->GetLogSettings(SCAN_KIND_PVST).m_folder = files.path().string().c_str();
    Click(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return display->GetHistoryCount() >= 10; }, 30000));
    ASSERT_EQ(display->ChannelValues().size(), 3u);
    for (const auto& values : display->ChannelValues())
    {
        ASSERT_FALSE(values.empty());
        EXPECT_GT(values.back(), 0.0f);
    }
    EXPECT_GT(display->XValues().back(), display->XValues().front());
    float latest[4 * CTable::kChannels] = {};
    display->GetLastData(latest);
    EXPECT_GT(latest[3 + 1], 0.0f) << "the newest oxygen sample is in the trend's data set";

    // History: frozen at the newest sample, moved back by the scan bar, then live again.
    Click(ID_HISTORY_SHOW);
    EXPECT_NE(display->IsHistoryShown(), 0);
    CScanBar bar;
    bar.SetupHistoryScroll();
    bar.OnHScroll(SB_PAGELEFT, 0, nullptr);
    EXPECT_LT(bar.GetCurrentPos(), CScanBar::kScrollMax);
    EXPECT_NE(display->IsHistoryShown(), 0);
    const int before = display->GetHistoryCount();
    ASSERT_TRUE(UiTest::PumpUntil([&] { return display->GetHistoryCount() > before; }, 30000))
        << "sampling goes on while the history is shown";
    Click(ID_HISTORY_RESUME);
    EXPECT_EQ(display->IsHistoryShown(), 0);

    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    UiTest::Pump(100);
    UpdateWindow(display->GetGraph()->window);
    Screenshot("kelmon_pvst.png");

    // Saved, closed, opened: the mode, the table and the trend come back.
    const int held = display->GetHistoryCount();
    const auto path = files / "trend.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, CKelDoc::kModePvsT);
    CPvsTDisplay* back = Display(opened);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetTable(), opened->GetTable());
    const CTable& loaded = *opened->GetTable();
    ASSERT_EQ(loaded.m_activeCount, 3);
    EXPECT_STREQ(loaded.m_active[1].m_szGasName, "Oxygen");
    EXPECT_EQ(loaded.m_active[2].m_mass, 18);
    EXPECT_EQ(back->GetHistoryCount(), held);
}

} // namespace
