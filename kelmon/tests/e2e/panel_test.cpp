// The annunciator panel end to end through the real application and its menus, offscreen: SOFT0
// bound, Mode > Annunciator, the panel scan's readings in the channel cells, Stop Now, the document
// saved, closed and opened again in the same mode with the same values.
#include "KelmonE2eTest.h"
#include "displays/PanelDisplay.h"
#include "scans/Table.h"

#include <plotkit.h>

#include <string>

namespace
{

using kel::testkit::UiTest;

class PanelJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    static CPanelDisplay* Display(CKelDoc* doc)
    {
        return dynamic_cast<CPanelDisplay*>(doc->GetCurrentDisplay());
    }
    static std::string ValueText(CPanelDisplay* d, int i)
    {
        const char* text = WGGetString(d->m_graphs[i], d->m_valueCells[i], 0);
        return text != nullptr ? text : "";
    }
};

TEST_F(PanelJobTest, TheAnnunciatorModeShowsTheLiveChannelsAndComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);

    // Three channels, measured again and again.
    CTable& t = *doc->GetTable();
    const int masses[] = {28, 32, 18};
    for (int k = 0; k < 3; ++k)
    {
        t.m_configured[k].m_mass = masses[k];
        t.m_configured[k].m_enabled = 1;
    }
    t.CollectEnabledChannels();
    t.m_scanMode = SCAN_MODE_CONTINUOUS;
    doc->GetLogSettings(SCAN_KIND_PANEL).m_folder = files.path().string().c_str();

    Click(ID_MODE_ANNUNCIATOR, 200);
    CPanelDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(doc->m_nMode, CKelDoc::kModeAnnunciator);
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_PANEL);
    EXPECT_EQ(ValueText(display, 0), "0.0E 00");
    EXPECT_EQ(ValueText(display, 3), "OFF");

    Click(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil(
        [&]
        {
            for (int i = 0; i < 3; ++i)
                if (display->GetLastValue(i) == 0.0f)
                    return false;
            return true;
        },
        20000));
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    EXPECT_TRUE(display->IsAutoScale());

    // Every channel in use shows its latest reading; the others stay off.
    float latest[3] = {};
    for (int i = 0; i < 3; ++i)
    {
        latest[i] = display->GetLastValue(i);
        char expected[32];
        FormatShortValue(expected, sizeof expected, latest[i]);
        EXPECT_EQ(ValueText(display, i), expected) << i;
    }
    EXPECT_EQ(ValueText(display, 4), "OFF");
    Screenshot("kelmon_panel.png");

    const auto path = files / "panel.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, CKelDoc::kModeAnnunciator);
    CPanelDisplay* back = Display(opened);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->GetPage(), nullptr);
    ASSERT_NE(opened->GetCurrentScan(), nullptr);
    EXPECT_EQ(opened->GetCurrentScan()->GetScanKind(), SCAN_KIND_PANEL);
    EXPECT_EQ(opened->GetTable()->m_activeCount, 3);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_FLOAT_EQ(back->GetLastValue(i), latest[i]) << i;
        char expected[32];
        FormatShortValue(expected, sizeof expected, latest[i]);
        EXPECT_EQ(ValueText(back, i), expected) << i;
    }
}

} // namespace
