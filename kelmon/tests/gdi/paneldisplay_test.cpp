// The panel display offscreen: its ten channel cells built in a document's view, readings fed as the
// panel scan feeds them, the alarm colours, the channel alarm set-up and the display through the
// document file.
#include "displays/ChartHost.h"
#include "displays/PanelDisplay.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/ChannelScan.h"
#include "scans/Table.h"
#include "testkit/DialogDriver.h"
#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
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

class PanelTest : public kel::testkit::UiTest
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

    // Three enabled channels (configured 1, 3 and 4, so the active numbers differ from the indexes).
    CTable& ThreeChannels()
    {
        CTable& t = *m_doc->GetTable();
        const struct
        {
            int slot;
            const char* name;
            int mass;
        } channels[] = {{0, "Nitrogen", 28}, {2, "Oxygen", 32}, {3, "Water", 18}};
        for (int k = 0; k < CTable::kChannels; ++k)
            t.m_configured[k].m_enabled = 0;
        for (const auto& c : channels)
        {
            CTableData& r = t.m_configured[c.slot];
            CopyTextField(r.m_szGasName, sizeof r.m_szGasName, c.name);
            r.m_mass = c.mass;
            r.m_enabled = 1;
        }
        t.CollectEnabledChannels();
        return t;
    }

    CPanelDisplay* NewDisplay()
    {
        auto* display = new CPanelDisplay(m_doc->GetTable(), m_doc);
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->BindLoadedDisplay(display); // the document's mode follows its display
        return display;
    }

    static void Feed(CPanelDisplay* d, int channel, float value)
    {
        ChannelPointRecord record{channel, value};
        d->UpdateData(&record, 0);
    }

    static std::string Text(CPanelDisplay* d, int i, uint16_t object)
    {
        const char* text = WGGetString(d->m_graphs[i], object, 0);
        return text != nullptr ? text : "";
    }

    // The picture of channel i's graph.
    static kel::testkit::Image Picture(CPanelDisplay* d, int i)
    {
        Pump();
        HWND window = d->m_graphs[i]->window;
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return kel::testkit::CaptureWindow(window);
    }

    // Pixels of a colour inside an object's normalised extent on channel i's picture.
    static int CountIn(CPanelDisplay* d, int i, uint16_t object, COLORREF colour)
    {
        const kel::testkit::Image image = Picture(d, i);
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        WGGetObjectCoordNorm(d->m_graphs[i], object, &x1, &y1, &x2, &y2);
        int count = 0;
        for (int y = static_cast<int>(std::min(y1, y2) * image.height);
             y < static_cast<int>(std::max(y1, y2) * image.height); ++y)
            for (int x = static_cast<int>(std::min(x1, x2) * image.width);
                 x < static_cast<int>(std::max(x1, x2) * image.width); ++x)
                if (image.Pixel(x, y) == colour)
                    ++count;
        return count;
    }

    // The cell's fill, seen near its lower left corner (clear of its texts).
    static COLORREF CellColour(CPanelDisplay* d, int i)
    {
        const kel::testkit::Image image = Picture(d, i);
        return image.Pixel(image.width / 12, image.height * 9 / 10);
    }

    static void Keep(CPanelDisplay* d, const char* name)
    {
        Pump();
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(WGGetPageWindow(d->GetPage())),
                                  std::string(keep) + "/kelmon_" + name + ".png");
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

TEST_F(PanelTest, TenChannelCellsInTwoRowsOfFive)
{
    ThreeChannels();
    CPanelDisplay* d = NewDisplay();
    ASSERT_NE(d->GetPage(), nullptr);
    EXPECT_EQ(d->GetKind(), 6);
    EXPECT_EQ(m_doc->m_nMode, CKelDoc::kModeAnnunciator);
    const std::string page = d->GetPageName();
    EXPECT_EQ(page.substr(page.size() - 5), "Panel");

    RECT first{}, sixth{}, fifth{};
    for (int i = 0; i < CPanelDisplay::kChannels; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_NE(d->m_graphs[i], nullptr);
        EXPECT_EQ(std::string(d->m_graphNames[i]), page + ".Pannels#" + std::to_string(i));
        EXPECT_NE(d->m_dataSets[i], 0);
        EXPECT_NE(d->m_annunciators[i], 0);
        EXPECT_NE(d->m_tagCells[i], 0);
        EXPECT_NE(d->m_valueCells[i], 0);
        EXPECT_NE(d->m_alarmCells[i], 0);
        EXPECT_EQ(d->ChannelOf(d->m_graphs[i]), i);
    }
    ::GetWindowRect(d->m_graphs[0]->window, &first);
    ::GetWindowRect(d->m_graphs[4]->window, &fifth);
    ::GetWindowRect(d->m_graphs[5]->window, &sixth);
    EXPECT_EQ(first.top, fifth.top);
    EXPECT_GT(fifth.left, first.left);
    EXPECT_EQ(sixth.left, first.left);
    EXPECT_GT(sixth.top, first.top);

    // The channels in use show tag, gas and a zero value; the others are marked off.
    EXPECT_EQ(Text(d, 0, d->m_tagCells[0]), "Ch#1   Mass=28");
    EXPECT_EQ(Text(d, 1, d->m_tagCells[1]), "Ch#3   Mass=32");
    EXPECT_EQ(Text(d, 2, d->m_titleCells[2]), "Water");
    EXPECT_EQ(Text(d, 2, d->m_valueCells[2]), "0.0E 00");
    EXPECT_EQ(Text(d, 3, d->m_valueCells[3]), "OFF");
    EXPECT_EQ(Text(d, 9, d->m_titleCells[9]), "     Disabled");
    EXPECT_EQ(d->ChannelOf(nullptr), -1);
    Keep(d, "panel_built");
}

TEST_F(PanelTest, ReadingsShowInTheirCellsAndStrayChannelsAreIgnored)
{
    ThreeChannels();
    CPanelDisplay* d = NewDisplay();
    Feed(d, 1, 1.234e-7f);
    EXPECT_EQ(Text(d, 1, d->m_valueCells[1]), " 1.2E-07");
    EXPECT_FLOAT_EQ(d->GetLastValue(1), 1.234e-7f);
    EXPECT_TRUE(d->IsAutoScale());

    // Indexes outside the ten cells change nothing.
    for (int stray : {-1, 10, 1000, std::numeric_limits<int>::min()})
        Feed(d, stray, 5e-5f);
    for (int i = 0; i < CPanelDisplay::kChannels; ++i)
        EXPECT_EQ(d->GetLastValue(i), i == 1 ? 1.234e-7f : 0.0f) << i;

    // The text export reads the channels in use only.
    Feed(d, 0, 2e-6f);
    Feed(d, 2, 3e-9f);
    float values[CPanelDisplay::kChannels];
    std::fill(std::begin(values), std::end(values), -1.0f);
    EXPECT_EQ(d->ReadData(values, CPanelDisplay::kChannels), 3);
    EXPECT_FLOAT_EQ(values[0], 2e-6f);
    EXPECT_FLOAT_EQ(values[1], 1.234e-7f);
    EXPECT_FLOAT_EQ(values[2], 3e-9f);
    EXPECT_EQ(values[3], -1.0f);
    EXPECT_EQ(d->ReadData(values, 2), 2);

    // A unit change that is not applied keeps the values; an applied one clears the cells in use.
    EXPECT_EQ(d->OnUnitsChanged(0), 1);
    EXPECT_EQ(Text(d, 1, d->m_valueCells[1]), " 1.2E-07");
    EXPECT_EQ(d->OnUnitsChanged(1), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Text(d, i, d->m_valueCells[i]), " 0.0E+00") << i;
    EXPECT_EQ(Text(d, 3, d->m_valueCells[3]), "OFF");
    EXPECT_FALSE(d->IsAutoScale());
}

TEST(PanelValueText, SixCharactersAndTwoExponentDigits)
{
    const struct
    {
        float value;
        const char* text;
    } cases[] = {
        {1.234e-7f, " 1.2E-07"}, {0.0f, " 0.0E+00"},   {-5.5e-12f, "-5.5E-12"},
        {3.0e20f, " 3.0E+20"},   {1e-40f, " 1.0E-40"}, // a float below the normal range keeps its two
                                                       // exponent digits
    };
    for (const auto& c : cases)
    {
        char text[32];
        FormatShortValue(text, sizeof text, c.value);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    char text[32];
    FormatShortValue(text, sizeof text, std::numeric_limits<float>::infinity());
    EXPECT_STREQ(text, " INF");
    char tiny[4];
    FormatShortValue(tiny, sizeof tiny, 1.5f);
    EXPECT_STREQ(tiny, " 1.");
}

TEST_F(PanelTest, AValuePastItsLevelTurnsTheCellToTheAlarmColours)
{
    CTable& t = ThreeChannels();
    CTableData& water = t.m_active[2];
    water.m_lowLevel = 1e-8f;
    water.m_highLevel = 1e-6f;
    CopyTextField(water.m_szHighMessage, sizeof water.m_szHighMessage, "WET");
    CPanelDisplay* d = NewDisplay();
    const COLORREF grey = RGB(192, 192, 192), yellow = RGB(255, 255, 0);
    const COLORREF normalText = WGGetRGBColor(t.m_alarmColors[CTable::kNormal]);
    const COLORREF highText = WGGetRGBColor(t.m_alarmColors[CTable::kHigh]);

    Feed(d, 2, 5e-7f);
    EXPECT_EQ(CellColour(d, 2), grey);
    EXPECT_GT(CountIn(d, 2, d->m_alarmCells[2], normalText), 0);
    EXPECT_EQ(CountIn(d, 2, d->m_alarmCells[2], highText), 0);

    Feed(d, 2, 2e-6f);
    EXPECT_EQ(CellColour(d, 2), yellow);
    EXPECT_GT(CountIn(d, 2, d->m_alarmCells[2], highText), 0);
    // The other cells stay as they were.
    EXPECT_EQ(CellColour(d, 0), grey);
    Keep(d, "panel_alarm");

    Feed(d, 2, 5e-7f);
    EXPECT_EQ(CellColour(d, 2), grey);
}

TEST_F(PanelTest, TheAlarmSetupOfACellChangesItsChannelAndTheColoursOfAll)
{
    CTable& t = ThreeChannels();
    CPanelDisplay* d = NewDisplay();
    m_doc->SetModifiedFlag(FALSE);
    const float waterHigh = t.m_active[2].m_highLevel;

    // Cancelled: nothing changes.
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_TABLE_ALARM)
            .Drive(
                [](kel::testkit::DialogDriver& dlg)
                {
                    dlg.SetText(IDC_TALARM_HIGH_VALUE, "7e-7");
                    dlg.Click(IDCANCEL);
                });
        EXPECT_EQ(d->EditTextObject(d->m_graphs[1], d->m_titleCells[1]), 1);
    }
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_FLOAT_EQ(t.m_active[1].m_highLevel, waterHigh);

    // OK on the second cell (configured channel 3).
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_TABLE_ALARM)
            .Drive(
                [](kel::testkit::DialogDriver& dlg)
                {
                    EXPECT_EQ(dlg.GetText(IDC_TALARM_CHANNEL), "3");
                    dlg.SetText(IDC_TALARM_HIGH_VALUE, "7e-7");
                    dlg.SetText(IDC_TALARM_HIGH_MESSAGE, "O2 HIGH");
                    dlg.Select(IDC_TALARM_HIGH_COLOR, 2);
                    dlg.Click(IDOK);
                });
        EXPECT_EQ(d->EditDynamicText(d->m_graphs[1], d->m_alarmCells[1]), 1);
    }
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(t.m_alarmColors[CTable::kHigh], 2);
    EXPECT_FLOAT_EQ(t.m_active[1].m_highLevel, 7e-7f);
    EXPECT_FLOAT_EQ(t.m_configured[2].m_highLevel, 7e-7f);
    EXPECT_STREQ(t.m_configured[2].m_szHighMessage, "O2 HIGH");
    // The colours on every cell in use, the level on the edited channel only.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WRGetDynTextColor(d->m_graphs[i], d->m_alarmCells[i], CTable::kHigh), 2) << i;
    float limit = 0.0f;
    int enabled = 0;
    char* message = nullptr;
    ASSERT_TRUE(WRGetAlarm(d->m_dataSets[1], RT_ALARM_HIGH, &limit, &enabled, &message));
    EXPECT_FLOAT_EQ(limit, 7e-7f);
    ASSERT_TRUE(WRGetAlarm(d->m_dataSets[2], RT_ALARM_HIGH, &limit, &enabled, &message));
    EXPECT_FLOAT_EQ(limit, waterHigh);
    // A value between the default levels is past the edited channel's new high level only.
    Feed(d, 1, 5e-5f);
    Feed(d, 2, 5e-5f);
    EXPECT_EQ(CellColour(d, 1), RGB(255, 255, 0));
    EXPECT_EQ(CellColour(d, 2), RGB(192, 192, 192));

    // A graph of no channel opens nothing.
    EXPECT_EQ(d->EditDynamicText(nullptr, 0), 0);
    EXPECT_EQ(d->EditTextObject(nullptr, 0), 0);
}

TEST_F(PanelTest, TheValueFontShrinksToItsCellAndStopsAtTheLeastSize)
{
    ThreeChannels();
    CPanelDisplay* d = NewDisplay();
    auto points = [&](int i) { return WGGetFontSize(d->m_graphs[i], d->m_valueCells[i]); };
    const int normal = points(0);
    EXPECT_GE(normal, CPanelDisplay::kLeastValuePoints);
    EXPECT_LE(normal, CPanelDisplay::kValuePoints);
    for (int i = 1; i < CPanelDisplay::kChannels; ++i)
        EXPECT_EQ(points(i), normal) << i;

    // Built again over the open page: the old page and its sets are given back first.
    const int sets = d->m_dataSets[0];
    ASSERT_TRUE(d->BuildPage());
    EXPECT_EQ(d->m_dataSets[0], sets);

    // A view too small for any size: the least one, and the build ends.
    m_view->MoveWindow(0, 0, 40, 30);
    ASSERT_TRUE(d->Rebuild());
    EXPECT_EQ(points(0), CPanelDisplay::kLeastValuePoints);
    EXPECT_EQ(points(9), CPanelDisplay::kLeastValuePoints);
}

TEST_F(PanelTest, TheDisplayGoesThroughTheDocumentFile)
{
    ThreeChannels();
    CPanelDisplay* d = NewDisplay();
    Feed(d, 0, 2e-6f);
    Feed(d, 2, 4.5e-9f);
    kel::testkit::TempDir dir{"panel-"};
    const auto first = dir / "first.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(first.c_str()));

    // Ten values follow the class name and the table's reference, whatever the channel count.
    const auto bytes = ReadBytes(first);
    const char name[] = "CPanelDisplay";
    auto at = std::search(bytes.begin(), bytes.end(), name, name + sizeof name - 1);
    ASSERT_NE(at, bytes.end());
    const auto values = at + (sizeof name - 1) + 2;
    float stored[CPanelDisplay::kChannels] = {};
    std::memcpy(stored, &*values, sizeof stored);
    EXPECT_FLOAT_EQ(stored[0], 2e-6f);
    EXPECT_FLOAT_EQ(stored[2], 4.5e-9f);
    EXPECT_EQ(stored[9], 0.0f);

    auto* loaded = new CKelDoc;
    loaded->m_bAutoDelete = FALSE;
    ASSERT_TRUE(loaded->OnNewDocument());
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* back = dynamic_cast<CPanelDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(loaded->m_nMode, CKelDoc::kModeAnnunciator);
    EXPECT_EQ(back->GetTable(), loaded->GetTable());
    EXPECT_FLOAT_EQ(back->GetLastValue(2), 4.5e-9f);
    // Shown in a view, the loaded values are in their cells.
    m_doc->RemoveView(m_view);
    loaded->AddView(m_view);
    ASSERT_TRUE(back->BuildPage());
    EXPECT_EQ(back->ShowScanData(nullptr), 1);
    EXPECT_EQ(Text(back, 2, back->m_valueCells[2]), " 4.5E-09");
    EXPECT_EQ(Text(back, 0, back->m_valueCells[0]), " 2.0E-06");
    Keep(back, "panel_loaded");
    const auto second = dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    loaded->RemoveView(m_view);
    m_doc->AddView(m_view);
    loaded->OnCloseDocument();
    delete loaded;
    EXPECT_EQ(ReadBytes(second), bytes);
}

} // namespace
