// Meters on paper and in metafiles: a page of needle, pie and arc meters drawn into a printer's DC,
// printed as a job, and saved as metafiles that play back to the picture the screen shows.
#include "Meters.h"
#include "TrendkitFixture.h"

#include "testkit/Canvas.h"
#include "testkit/Image.h"
#include "testkit/TempDir.h"
#include "win32/print.h"

#include <filesystem>
#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

namespace fs = std::filesystem;
using kel::testkit::Image;

// Pixels that may differ between the screen and another device (edges of arcs, needles and text
// rounded differently): 3 % of the page.
constexpr int kWidth = 640, kHeight = 480;
constexpr int kMaxDiffering = kWidth * kHeight * 3 / 100;
constexpr int kTolerance = 64;

class MeterPrintTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        WGEnableErrorMessages(FALSE);
        slot = WRDefineDynDataSet("meters", 3, "bar", nullptr, 0);
        WRSetAlarm(slot, RT_ALARM_HIGH, 70, "High");
        WRSetAlarm(slot, RT_ALARM_LOW, 20, "Low");
        page = MakePage("meterprint", 8, kWidth, kHeight);
        graph = MakeGraph(page, 0, 0, 1, 1,
                          [this](GrDesc* g, HWND)
                          {
                              const int colours[3] = {12, 1, 2};
                              needle = WRSetMeter(g, slot, -1, 0, 100, 0.25f, 0.3f, 0.25f, 0, 180, 4, colours,
                                                  0.05f, 20, 1, 0, 4, 0, 1, 1, 1, 1, 1, 0, nullptr);
                              pie = WRSetPieMeter(g, slot, 0, 0, 100, 0, 0.75f, 0.3f, 0.25f, 30, 150, 9, 7,
                                                  0.05f, 25, 0, 4, 0, 1, 0, 0, nullptr);
                              arc = WRSetArcMeter(g, slot, 1, 0, 100, 0, 0.5f, 0.75f, 0.26f, 225, 315, 10, 8,
                                                  0, 0.05f, 50, 1, 0, 0, 1, 1, 1, 1, 0, 0, nullptr);
                              WRSetMeterBorder(g, arc, 0.5f, 0.75f, 0.3f, 0.4f, RGB(255, 255, 224), 3, 0, 2);
                          });
        Repainted(graph);
        const float values[3] = {65, 40, 85};
        WRUpdateData(slot, values, graph);
        screen = Repainted(graph);
        Keep(screen, "meters_screen");
        // Print the graph's colours, as the screen shows them.
        top.printGraphBackground = 1;
        top.printPlotBackground = 1;
    }
    // The live meters are as the screen left them: their pictures and needles untouched.
    void ExpectMetersUnchanged()
    {
        for (WORD number : {needle, pie, arc})
        {
            const MeterDesc* m = AsMeter(GetObjDesc(graph, number, nullptr));
            ASSERT_NE(m, nullptr);
            EXPECT_NE(m->background, nullptr) << number;
        }
        EXPECT_EQ(kel::testkit::CountDifferences(screen, Repainted(graph), 0), 0);
    }

    kel::testkit::TempDir folder{"kel-meters-"};
    int slot = 0;
    WORD needle = 0, pie = 0, arc = 0;
    PgDesc* page = nullptr;
    GrDesc* graph = nullptr;
    Image screen;
};

TEST_F(MeterPrintTest, APrinterDcGetsThePictureTheScreenShows)
{
    ASSERT_NE(needle, 0);
    ASSERT_NE(pie, 0);
    ASSERT_NE(arc, 0);
    kel::testkit::Canvas canvas(kWidth, kHeight, RGB(255, 255, 255));
    // The page at its own size: the fractions are of the DC's printable area.
    const float right = static_cast<float>(kWidth) / GetDeviceCaps(canvas.Dc(), HORZRES);
    const float bottom = static_cast<float>(kHeight) / GetDeviceCaps(canvas.Dc(), VERTRES);
    ASSERT_TRUE(WGPrintPageDC(page, canvas.Dc(), 0, 0, right, bottom));
    const Image printed = canvas.Pixels();
    Keep(printed, "meters_printed");
    EXPECT_LE(kel::testkit::CountDifferences(screen, printed, kTolerance), kMaxDiffering);
    // The needles' colours are in it: the first needle's red, the pie's blue sector, the arc's band.
    for (COLORREF colour : {WGGetRGBColor(12), WGGetRGBColor(9), WGGetRGBColor(10)})
        EXPECT_GT(printed.CountColor(colour, 0, 0, kWidth, kHeight), 20) << std::hex << colour;
    ExpectMetersUnchanged();
}

TEST_F(MeterPrintTest, APrintJobDrawsACopyAndLeavesTheLiveMeters)
{
    const bool pdfOnly = kel::SetPdfPrinterOnly(true); // never the machine's printers
    const std::string pdf = (folder / "meters.pdf").string();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Save Print Output As", kel::PromptKind::FileSave).ReplyPath(pdf);
        EXPECT_TRUE(WGPrintPage(page));
    }
    kel::SetPdfPrinterOnly(pdfOnly);
    EXPECT_EQ(WGGetLastError(), 0);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_GT(fs::file_size(pdf), 1000u);
    ExpectMetersUnchanged();
}

TEST_F(MeterPrintTest, SavedMetafilesPlayBackLikeTheScreen)
{
    // Recording draws the meters straight into the metafile: the pictures they keep for the screen
    // stay as they are.
    std::vector<HBITMAP> pictures;
    for (WORD number : {needle, pie, arc})
        pictures.push_back(AsMeter(GetObjDesc(graph, number, nullptr))->background);
    RECT corner = AsMeter(GetObjDesc(graph, arc, nullptr))->rt.head.extent;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&corner), 2);
    for (int kind : {1, 2})
    {
        SCOPED_TRACE(kind);
        const std::string base = (folder / ("meters" + std::to_string(kind))).string();
        ASSERT_TRUE(WGSavePageMeta(page, kind, base.c_str()));
        MetafileDesc* record = WGGetMetafile((base + (kind == 2 ? ".EMF" : ".WMF")).c_str());
        ASSERT_NE(record, nullptr);
        PgDesc* player = MakePage("meterplay", 8, kWidth, kHeight);
        InvalidateRect(player->window, nullptr, TRUE);
        UpdateWindow(player->window);
        Pump(20);
        EXPECT_TRUE(WGPlayMetafile(player->window, record, 0, 0, 0, 0));
        const Image played = kel::testkit::CaptureWindow(player->window);
        Keep(played, "meters_played" + std::to_string(kind));
        EXPECT_LE(kel::testkit::CountDifferences(screen, played, kTolerance), kMaxDiffering);
        for (COLORREF colour : {WGGetRGBColor(12), WGGetRGBColor(9), WGGetRGBColor(10)})
            EXPECT_GT(played.CountColor(colour, 0, 0, kWidth, kHeight), 20) << std::hex << colour;
        // Outside the rounded border the graph shows through, as on the screen.
        EXPECT_EQ(played.Pixel(corner.left + 1, corner.top + 1),
                  screen.Pixel(corner.left + 1, corner.top + 1));
        WGDeleteMetafile(record);
        HWND window = player->window;
        KillGraphPage(player->number);
        DestroyWindow(window);
    }
    EXPECT_EQ(WGGetLastError(), 0);
    for (size_t i = 0; i < pictures.size(); ++i)
        EXPECT_EQ(AsMeter(GetObjDesc(graph, std::vector<WORD>{needle, pie, arc}[i], nullptr))->background,
                  pictures[i]);
    ExpectMetersUnchanged();
}

} // namespace
} // namespace trendkit::test
