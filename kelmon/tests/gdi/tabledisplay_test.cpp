// The table display offscreen: its page built in a document's view, channel values fed as the table
// scan feeds them, the alarm cells following the channels' levels, the total-pressure read-out and
// the display through the document file.
#include "displays/ChartHost.h"
#include "displays/TableDisplay.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/ChannelScan.h"
#include "scans/Table.h"
#include "testkit/DialogDriver.h"
#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "units/Units.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace
{

class CTestView : public CView
{
public:
    void OnDraw(CDC*) override {}
};

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TableDisplayTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame.CreateEx(0, AfxRegisterWndClass(0), "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 560,
                         NULL, NULL);
        m_view = new CTestView;
        RECT r{0, 0, 800, 520};
        ASSERT_TRUE(m_view->Create(nullptr, "View", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r, &m_frame, 1));
        m_doc = new CKelDoc;
        m_doc->m_bAutoDelete = FALSE;
        ASSERT_TRUE(m_doc->OnNewDocument());
        m_doc->AddView(m_view);
    }
    void TearDown() override
    {
        m_doc->RemoveView(m_view);
        m_doc->OnCloseDocument();
        delete m_doc;
        m_view->DestroyWindow();
        m_frame.DestroyWindow();
        ChartHostCleanup(TRUE);
        UnregisterClass("PgWin", ChartHostTop()->hostInstance);
        UnregisterClass("GrWin", ChartHostTop()->hostInstance);
        UiTest::TearDown();
    }

    // Three enabled channels; the first alarms above 1e-6 ("N2 HIGH") and watches no other level.
    CTable& ThreeChannels()
    {
        CTable& t = *m_doc->GetTable();
        const char* names[] = {"Nitrogen", "Oxygen", "Water"};
        const int masses[] = {28, 32, 18};
        for (int k = 0; k < 3; ++k)
        {
            CTableData& c = t.m_configured[k];
            CopyTextField(c.m_szGasName, sizeof c.m_szGasName, names[k]);
            c.m_mass = masses[k];
            c.m_enabled = 1;
            c.m_lowEnable = c.m_lowLowEnable = c.m_highHighEnable = 0;
            c.m_highLevel = 1e-6f;
            CopyTextField(c.m_szHighMessage, sizeof c.m_szHighMessage, "N2 HIGH");
            CopyTextField(c.m_szNormalMessage, sizeof c.m_szNormalMessage, "NORMAL");
        }
        t.CollectEnabledChannels();
        return t;
    }

    CTableDisplay* NewDisplay(int position = 0)
    {
        auto* display = new CTableDisplay(m_doc->GetTable(), position, m_doc);
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->BindLoadedDisplay(display);
        return display;
    }

    static void Feed(CTableDisplay* d, int channel, float value)
    {
        ChannelPointRecord record{channel, value};
        d->UpdateData(&record, 0);
    }

    static std::string CellText(CTableDisplay* d, int channel)
    {
        char* text = nullptr;
        if (!WRGetMessageParams(d->GetGraph(), d->m_valueCells[channel], &text, nullptr,
                                d->GetCellState(channel)))
            return "<none>";
        return text != nullptr ? text : "";
    }

    static kel::testkit::Image Picture(CTableDisplay* d)
    {
        InvalidateRect(d->GetGraph()->window, nullptr, TRUE);
        Pump();
        UpdateWindow(d->GetGraph()->window);
        return kel::testkit::CaptureWindow(d->GetGraph()->window);
    }

    // Pixels of the colour of palette entry index inside the object's rectangle.
    static int PixelsIn(const kel::testkit::Image& image, CTableDisplay* d, int object, int index)
    {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        WGGetObjectCoordNorm(d->GetGraph(), object, &x1, &y1, &x2, &y2);
        return image.CountColor(WGGetRGBColor(index), static_cast<int>(x1 * image.width),
                                static_cast<int>(y1 * image.height), static_cast<int>(x2 * image.width) + 1,
                                static_cast<int>(y2 * image.height) + 1);
    }

    static void Keep(CTableDisplay* d, const char* name)
    {
        Pump();
        UpdateWindow(d->GetGraph()->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(d->GetGraph()->window),
                                  std::string(keep) + "/kelmon_" + name + ".png");
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

} // namespace

TEST_F(TableDisplayTest, ThePageHoldsARowPerActiveChannel)
{
    ThreeChannels();
    CTableDisplay* d = NewDisplay();
    ASSERT_NE(d->GetGraph(), nullptr);
    EXPECT_EQ(d->GetKind(), 3);
    EXPECT_EQ(m_doc->m_nMode, 2);
    EXPECT_EQ(d->GetChannelsAtBuild(), 3);
    EXPECT_EQ(std::string(d->m_szDataSetNames[2]), std::string(d->GetPageName()) + ".Table#2");
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NE(d->m_dataSets[i], 0);
        EXPECT_NE(d->m_alarmCells[i], 0);
        EXPECT_EQ(CellText(d, i), " 0.0E-00 ");
    }
    EXPECT_EQ(d->m_dataSets[3], 0);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_rowTexts[1][0], 0), "2");
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_rowTexts[1][1], 0), "Oxygen");
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_rowTexts[1][2], 0), "32");
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_unitsText, 0), m_doc->GetTable()->m_pUnits->m_szUnitName);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_pressureCaption, 0), "Total Pressure");
    // The alarm cells keep inside the panel of the value and alarm columns.
    float fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0, ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0;
    WGGetObjectCoordNorm(d->GetGraph(), d->m_frame, &fx1, &fy1, &fx2, &fy2);
    WGGetObjectCoordNorm(d->GetGraph(), d->m_alarmCells[0], &ax1, &ay1, &ax2, &ay2);
    EXPECT_LE(ax2, fx2 - 0.0099f);
    EXPECT_GE(WGGetFontSize(d->GetGraph(), d->m_valueCells[0]), 4);
    Keep(d, "table_page");

    // Rebuilt without channels: an empty table page; and back with the channels again.
    CTable& t = *m_doc->GetTable();
    t.m_activeCount = 0;
    ASSERT_TRUE(d->Rebuild());
    EXPECT_EQ(d->GetChannelsAtBuild(), 0);
    EXPECT_EQ(d->m_dataSets[0], 0);
    t.m_activeCount = 3;
    ASSERT_TRUE(d->Rebuild());
    EXPECT_EQ(d->GetChannelsAtBuild(), 3);
}

TEST_F(TableDisplayTest, ACellShowsItsValueWithATwoDigitExponent)
{
    const struct
    {
        float value;
        const char* text;
    } cases[] = {{0.0f, " 0.0E+00"},
                 {1.5e-7f, " 1.5E-07"},
                 {-2.5e-10f, "-2.5E-10"},
                 {3.0e12f, " 3.0E+12"},
                 {1e-38f, " 1.0E-38"}};
    for (const auto& c : cases)
    {
        char text[16];
        CTableDisplay::FormatCellValue(text, sizeof text, c.value);
        EXPECT_STREQ(text, c.text) << c.value;
    }

    ThreeChannels();
    CTableDisplay* d = NewDisplay();
    Feed(d, 1, 1.5e-7f);
    EXPECT_EQ(CellText(d, 1), " 1.5E-07");
    EXPECT_EQ(d->GetCellState(1), 1);
    EXPECT_TRUE(d->IsAutoScale());
    // The same value again still flips the cell's state, so the cell is drawn again.
    Feed(d, 1, 1.5e-7f);
    EXPECT_EQ(d->GetCellState(1), 0);
    EXPECT_EQ(CellText(d, 1), " 1.5E-07");
    Feed(d, 2, 4e-9f);

    // A channel the page has no row for is dropped.
    for (int bad : {-1, 3, 9, 10, 1000})
        Feed(d, bad, 9e-9f);
    EXPECT_EQ(d->GetCellState(0), 0);
    EXPECT_FLOAT_EQ(d->GetValue(0), 0.0f);

    // The values read back, one per channel, from any thread.
    float values[CTable::kChannels] = {};
    int read = 0;
    std::thread worker([&] { read = d->ReadData(values, CTable::kChannels); });
    EXPECT_TRUE(PumpUntil([&] { return read != 0; }, 5000));
    worker.join();
    EXPECT_EQ(read, 3);
    EXPECT_FLOAT_EQ(values[1], 1.5e-7f);
    EXPECT_FLOAT_EQ(values[2], 4e-9f);
    EXPECT_EQ(d->ReadData(values, 2), 2);

    // A unit change shows 0 in every cell until the next value.
    EXPECT_EQ(d->OnUnitsChanged(1), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(CellText(d, i), " 0.0E+00") << i;
    EXPECT_FALSE(d->IsAutoScale());
}

TEST_F(TableDisplayTest, AChannelAboveItsLimitShowsItsAlarmInTheAlarmColour)
{
    CTable& t = ThreeChannels();
    t.m_alarmColors[CTable::kNormal] = 0;
    t.m_alarmColors[CTable::kHigh] = 12; // no channel is drawn in it
    CTableDisplay* d = NewDisplay();
    Feed(d, 0, 5e-7f);
    Feed(d, 1, 5e-7f);
    auto before = Picture(d);
    EXPECT_EQ(PixelsIn(before, d, d->m_alarmCells[0], 12), 0);
    EXPECT_GT(PixelsIn(before, d, d->m_alarmCells[0], 0), 0); // "NORMAL"

    Feed(d, 0, 2e-6f);
    auto after = Picture(d);
    EXPECT_GT(PixelsIn(after, d, d->m_alarmCells[0], 12), 10);
    EXPECT_EQ(PixelsIn(after, d, d->m_alarmCells[1], 12), 0);
    Keep(d, "table_alarm");

    // Back below the limit, the cell is normal again.
    Feed(d, 0, 5e-7f);
    EXPECT_EQ(PixelsIn(Picture(d), d, d->m_alarmCells[0], 12), 0);

    // The alarm set-up on the cell: the high level is switched off, the new colours go to every
    // cell and the configured channel keeps the edit.
    {
        kel::testkit::ScriptedPrompts prompts;
        auto& setup = prompts.Expect(IDD_TABLE_ALARM)
                          .Drive(
                              [](kel::testkit::DialogDriver& dlg)
                              {
                                  dlg.Check(IDC_TALARM_HIGH_ENABLE, false);
                                  dlg.Click(IDOK);
                              });
        EXPECT_EQ(d->EditDynamicText(d->GetGraph(), d->m_alarmCells[0]), 1);
        EXPECT_EQ(setup.Calls(), 1);
    }
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(t.m_active[0].m_highEnable, 0);
    EXPECT_EQ(t.m_configured[0].m_highEnable, 0);
    Feed(d, 0, 2e-6f);
    EXPECT_EQ(PixelsIn(Picture(d), d, d->m_alarmCells[0], 12), 0);

    // An object of another graph, or no alarm cell, opens nothing.
    EXPECT_EQ(d->EditDynamicText(nullptr, d->m_alarmCells[0]), 0);
    EXPECT_EQ(d->EditDynamicText(d->GetGraph(), d->m_valueCells[0]), 0);
}

TEST_F(TableDisplayTest, TheTotalPressureReadoutAlternatesAndIsLeftToTheUpperPane)
{
    CTable& t = ThreeChannels();
    CTableDisplay* d = NewDisplay();
    float value = 2.5e-7f;
    bool done = false;
    std::thread worker(
        [&]
        {
            d->ShowAlarmMessage(&value);
            d->UpdateAlarmMessage(&value, " Torr");
            done = true;
        });
    EXPECT_TRUE(PumpUntil([&] { return done; }, 5000));
    worker.join();
    EXPECT_EQ(d->GetMessageState(), 0);
    char* text = nullptr;
    ASSERT_EQ(WRGetMessageParams(d->GetGraph(), d->m_pressureValue, &text, nullptr, 1), 1);
    EXPECT_STREQ(text, "2.5E-7  ");
    ASSERT_EQ(WRGetMessageParams(d->GetGraph(), d->m_pressureValue, &text, nullptr, 0), 1);
    EXPECT_STREQ(text, "2.5E-7   Torr");

    // The caption shows or hides the read-out after asking; No changes nothing.
    EXPECT_EQ(d->HasTotalPressure(), 0);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDNO);
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDYES);
        d->EditTotalPressure();
        EXPECT_EQ(d->HasTotalPressure(), 0);
        EXPECT_EQ(d->EditMessageObject(d->GetGraph(), d->m_pressureValue), 1);
        EXPECT_EQ(d->HasTotalPressure(), 1);
    }
    EXPECT_EQ(d->EditMessageObject(nullptr, d->m_pressureValue), 0);
    Keep(d, "table_pressure");

    CTableDisplay lower(&t, 2, m_doc);
    ASSERT_NE(lower.GetGraph(), nullptr);
    lower.ShowAlarmMessage(&value);
    lower.UpdateAlarmMessage(&value, " Torr");
    EXPECT_EQ(lower.GetMessageState(), 0);
    ASSERT_EQ(WRGetMessageParams(lower.GetGraph(), lower.m_pressureValue, &text, nullptr, 1), 1);
    EXPECT_STREQ(text, "  ---  ");
}

TEST_F(TableDisplayTest, TheValuesGoThroughTheDocumentFileAndAreShownAgain)
{
    ThreeChannels();
    CTableDisplay* d = NewDisplay();
    Feed(d, 0, 3e-7f);
    Feed(d, 2, 6.5e-9f);
    kel::testkit::TempDir dir{"table-"};
    const auto first = dir / "first.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(first.c_str()));

    auto* loaded = new CKelDoc;
    loaded->m_bAutoDelete = FALSE;
    ASSERT_TRUE(loaded->OnNewDocument());
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* back = dynamic_cast<CTableDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetTable(), loaded->GetTable());
    EXPECT_EQ(loaded->m_nMode, 2);
    EXPECT_FLOAT_EQ(back->GetValue(0), 3e-7f);
    EXPECT_FLOAT_EQ(back->GetValue(2), 6.5e-9f);
    const auto second = dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));

    // Shown in a view, the stored values come back into the cells.
    m_doc->RemoveView(m_view);
    loaded->AddView(m_view);
    ASSERT_TRUE(back->BuildPage());
    EXPECT_EQ(back->ShowScanData(nullptr), 1);
    EXPECT_EQ(CellText(back, 0), " 3.0E-07");
    EXPECT_EQ(CellText(back, 2), " 6.5E-09");
    Keep(back, "table_loaded");
    const auto third = dir / "third.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(third.c_str()));
    loaded->RemoveView(m_view);
    m_doc->AddView(m_view);
    loaded->OnCloseDocument();
    delete loaded;

    const auto a = ReadBytes(first);
    for (const auto& other : {second, third})
        EXPECT_EQ(a, ReadBytes(other)) << other;

    // A display whose table is not the document's is refused.
    auto damaged = a;
    const char name[] = "CTableDisplay";
    auto at = std::search(damaged.begin(), damaged.end(), name, name + sizeof name - 1);
    ASSERT_NE(at, damaged.end());
    // The table reference right after the class name: a null object instead.
    auto reference = at + (sizeof name - 1);
    reference[0] = 0;
    reference[1] = 0;
    const auto bad = dir / "bad.kel";
    {
        std::ofstream out(bad, std::ios::binary);
        out.write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    }
    auto* refused = new CKelDoc;
    refused->m_bAutoDelete = FALSE;
    ASSERT_TRUE(refused->OnNewDocument());
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDOK).AnyTimes();
        EXPECT_FALSE(refused->OnOpenDocument(bad.c_str()));
    }
    refused->OnCloseDocument();
    delete refused;
}
