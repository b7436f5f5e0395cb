// The table mode through the real application and its menus, offscreen: Mode > Table on a window
// bound to the simulated head, a table scan whose first channel crosses its high limit (the alarm
// cell's message colour and the alarm sound), Stop Now, and the document saved, closed and opened
// again in table mode with its channels.
#include "KelmonE2eTest.h"
#include "displays/TableDisplay.h"
#include "scans/Table.h"
#include "sound/AlarmSound.h"

#include "testkit/SoundRecorder.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <string>

namespace
{

using kel::testkit::UiTest;

class TableJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    void TearDown() override
    {
        KelmonE2eTest::TearDown();
        CAlarmSound::Instance().StopAll();
    }
    static CTableDisplay* Display(CKelDoc* doc)
    {
        return dynamic_cast<CTableDisplay*>(doc->GetCurrentDisplay());
    }

    // Nitrogen alarms above a level every reading passes; oxygen watches a level none reaches.
    static void SetUpChannels(CTable& t)
    {
        const char* names[] = {"Nitrogen", "Oxygen"};
        const int masses[] = {28, 32};
        const float highs[] = {1e-14f, 1.0f};
        for (int k = 0; k < 2; ++k)
        {
            CTableData& c = t.m_configured[k];
            CopyTextField(c.m_szGasName, sizeof c.m_szGasName, names[k]);
            c.m_mass = masses[k];
            c.m_enabled = 1;
            c.m_noiseFloor = 0;
            c.m_lowEnable = c.m_lowLowEnable = c.m_highHighEnable = 0;
            c.m_highEnable = 1;
            c.m_highLevel = highs[k];
            CopyTextField(c.m_szHighMessage, sizeof c.m_szHighMessage, "HIGH");
        }
        t.CollectEnabledChannels();
        t.m_alarmColors[CTable::kNormal] = 0;
        t.m_alarmColors[CTable::kHigh] = 12; // no channel is drawn in it
        t.m_bSoundOn = 1;
        t.m_scanMode = SCAN_MODE_CONTINUOUS;
    }

    // Pixels of palette entry index in the object's rectangle of the graph window's picture.
    static int PixelsIn(CTableDisplay* d, int object, int index)
    {
        HWND window = d->GetGraph()->window;
        InvalidateRect(window, nullptr, TRUE);
        UiTest::Pump(20);
        UpdateWindow(window);
        const kel::testkit::Image image = kel::testkit::CaptureWindow(window);
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        WGGetObjectCoordNorm(d->GetGraph(), object, &x1, &y1, &x2, &y2);
        return image.CountColor(WGGetRGBColor(index), static_cast<int>(x1 * image.width),
                                static_cast<int>(y1 * image.height), static_cast<int>(x2 * image.width) + 1,
                                static_cast<int>(y2 * image.height) + 1);
    }
};

TEST_F(TableJobTest, TheTableModeShowsTheChannelsRaisesTheAlarmAndComesBackFromItsFile)
{
    kel::testkit::SoundRecorder sounds;
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);
    SetUpChannels(*doc->GetTable());

    Click(ID_MODE_TABLE, 100);
    CTableDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    ASSERT_NE(display->GetGraph(), nullptr);
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_TABLE);
    EXPECT_EQ(doc->m_nMode, 2);
    EXPECT_EQ(display->GetChannelsAtBuild(), 2);
    // Choosing the mode in force builds nothing new.
    CScan* scan = doc->GetCurrentScan();
    Click(ID_MODE_TABLE);
    EXPECT_EQ(doc->GetCurrentScan(), scan);

    doc->GetLogSettings(SCAN_KIND_TABLE).m_folder = files.path().string().c_str();
    Click(ID_SCAN_START);
    const auto alarmed = [&]
    {
        const auto calls = sounds.Calls();
        return std::any_of(calls.begin(), calls.end(),
                           [](const std::string& c) { return c.rfind("play ", 0) == 0; });
    };
    // Several sweeps: both cells hold a reading and the alarm sounds.
    ASSERT_TRUE(UiTest::PumpUntil(
        [&] { return alarmed() && display->GetValue(0) > 0.0f && display->GetValue(1) > 0.0f; }, 20000));
    EXPECT_NE(sounds.Calls().front().find("Alarm.wav"), std::string::npos);
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    // The stop silences the alarm.
    EXPECT_EQ(sounds.Calls().back(), "stop");

    // Nitrogen's cell shows its alarm message in the alarm colour; oxygen's stays normal.
    EXPECT_GT(PixelsIn(display, display->m_alarmCells[0], 12), 10);
    EXPECT_EQ(PixelsIn(display, display->m_alarmCells[1], 12), 0);
    EXPECT_GT(PixelsIn(display, display->m_alarmCells[1], 0), 0);
    char* text = nullptr;
    ASSERT_EQ(WRGetMessageParams(display->GetGraph(), display->m_valueCells[0], &text, nullptr,
                                 display->GetCellState(0)),
              1);
    char expected[16];
    CTableDisplay::FormatCellValue(expected, sizeof expected, display->GetValue(0));
    EXPECT_STREQ(text, expected);
    Screenshot("kelmon_table.png");

    // Saved, closed and opened again: the table mode with its channels and last values.
    const float nitrogen = display->GetValue(0);
    const auto path = files / "table.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, 2);
    CTableDisplay* back = Display(opened);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->GetGraph(), nullptr);
    EXPECT_EQ(back->GetTable(), opened->GetTable());
    EXPECT_FLOAT_EQ(back->GetValue(0), nitrogen);
    const CTable& t = *opened->GetTable();
    EXPECT_EQ(t.m_activeCount, 2);
    EXPECT_STREQ(t.m_active[1].m_szGasName, "Oxygen");
    EXPECT_FLOAT_EQ(t.m_active[0].m_highLevel, 1e-14f);
    EXPECT_EQ(t.m_bSoundOn, 1);
    ASSERT_NE(opened->GetCurrentScan(), nullptr);
    EXPECT_EQ(opened->GetCurrentScan()->GetScanKind(), SCAN_KIND_TABLE);
    ASSERT_EQ(
        WRGetMessageParams(back->GetGraph(), back->m_valueCells[0], &text, nullptr, back->GetCellState(0)),
        1);
    EXPECT_STREQ(text, expected);
}

} // namespace
