// Legends: samples of line, marker and bar curves drawn offscreen and probed, the automatic size,
// the title line, long texts cut with "..", rows, the legend's own copies of its texts, legends of
// pie slices, the string accessors, and the legend dialog.
#include "Legend.h"
#include "ShapeScene.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"

#include <cstring>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

class LegendTest : public ShapePageTest
{
protected:
    LegendDesc* Legend(GrDesc* g, int number)
    {
        return reinterpret_cast<LegendDesc*>(WGGetLegendDesc(g, number));
    }

    // Device pixel of a logical point of a graph covering the page.
    static POINT Device(GrDesc* g, int x, int y)
    {
        return POINT{static_cast<LONG>(static_cast<long long>(x) * g->devWidth / g->logWidth),
                     static_cast<LONG>(static_cast<long long>(y) * g->devHeight / g->logHeight)};
    }

    // Three curves on the plot: a red line, a blue line with square markers and green bars; then
    // `legend` adds the legend.
    GrDesc* CurvesGraph(std::function<void(GrDesc*)> legend, const char* name)
    {
        return PaintedGraph(
            [this, legend](GrDesc* g, HWND)
            {
                HDC dc = g->buildDc;
                WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.5f, 0.9f, 15);
                WGScalePlotArea(g, 0, 0, 4, 10);
                const int set = WGDefineDataSetPtr(nullptr, x, y, 3);
                WGSetLineStyle(g, dc, 0, 2, 12);
                line = WGLinePlot(g, dc, set, FALSE, FALSE);
                WGSetLineStyle(g, dc, 0, 2, 9);
                marked = WGLineMarkerPlot(g, dc, set, 4, 9, 8, 0);
                WGSetLineStyle(g, dc, 0, 1, 0);
                bars = WGBargraph(g, dc, set, 0.5f, 3, 6, kGreen, 255, -1);
                legend(g);
            },
            name);
    }

    // Texts as one string of 42-character pieces.
    static std::string Pieces(const std::vector<std::string>& texts)
    {
        std::string all;
        for (const std::string& t : texts)
            all += t + std::string(42 - t.size(), ' ');
        return all;
    }

    float x[3] = {1, 2, 3};
    float y[3] = {2, 5, 3};
    int line = 0, marked = 0, bars = 0;
};

TEST_F(LegendTest, ASelfSizingColumnShowsEachCurvesSampleBesideItsName)
{
    int legend = 0;
    const std::string names = Pieces({"Nitrogen", "Oxygen", "Argon"});
    GrDesc* g =
        CurvesGraph([&](GrDesc* g)
                    { legend = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0, 0, 0, 1, 0, 15, 0, names.c_str()); },
                    "legend_column");
    ASSERT_NE(legend, 0);
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->itemCount, 4);
    EXPECT_EQ(l->linesShown, 3) << "the title is hidden";
    EXPECT_STREQ(WGGetString(g, legend, 1), "Nitrogen");
    EXPECT_STREQ(WGGetString(g, legend, 3), "Argon");
    // Three lines without a title: 4 line heights less a quarter.
    const int lh = l->fontHeight * 4 / 3;
    EXPECT_EQ(l->head.extent.bottom - l->head.extent.top, 4 * lh - lh / 4);
    EXPECT_GT(l->head.extent.right - l->head.extent.left, l->longestWidth);

    const Image image = Shot("plotkit_legend_column");
    const int fx = l->fx, fh = l->fontHeight;
    struct Probe
    {
        int item;
        int dx, dy; // logical offsets from the item's position
        COLORREF color;
        const char* what;
    };
    const Probe probes[] = {
        {0, fx / 2, 0, kRed, "line sample"},
        {0, 2 * fx, 0, kRed, "line sample"},
        {0, fx / 2, -fh / 3, kWhite, "above the line"},
        {1, fx / 4, 0, kBlue, "line of the marker curve"},
        {1, 3 * fx / 2, -fh / 5, kBlue, "the marker's square"},
        {2, fx / 2, -fh / 4, kGreen, "bar box"},
        {2, 2 * fx, 0, kGreen, "bar box"},
        {2, 3 * fx + fx / 2, -fh / 4, kWhite, "between the box and the text"},
    };
    for (const Probe& p : probes)
    {
        int ix = 0, iy = 0;
        LegItemCoords(g, &l->head, p.item, 0, &ix, &iy);
        const POINT at = Device(g, ix + p.dx, iy + p.dy);
        EXPECT_EQ(image.Pixel(at.x, at.y), p.color) << p.what << " of item " << p.item;
    }
    // Text ink (black) right of each sample, none beyond the legend.
    for (int item = 0; item < 3; ++item)
    {
        int ix = 0, iy = 0;
        LegItemCoords(g, &l->head, item, 0, &ix, &iy);
        const POINT from = Device(g, ix + 3 * fx + fx, iy - fh / 2);
        const POINT to = Device(g, l->head.extent.right, iy + fh / 2);
        int ink = 0;
        for (int py = from.y; py < to.y; ++py)
            for (int px = from.x; px < to.x; ++px)
                ink += image.Pixel(px, py) == RGB(0, 0, 0);
        EXPECT_GT(ink, 5) << "text of item " << item;
    }
}

TEST_F(LegendTest, TheTitleLineComesAndGoesAndAMarkedOffEntryIsNotCounted)
{
    int legend = 0;
    GrDesc* g = CurvesGraph([&](GrDesc* g)
                            { legend = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0, 0, 0, 1, 0, 15, 0, "A"); },
                            "legend_title");
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->linesShown, 3);
    EXPECT_EQ(WGShowLegendTitle(g, legend, 1), 1);
    EXPECT_EQ(l->linesShown, 4);
    EXPECT_EQ(WGShowLegendTitle(g, legend, 1), 1);
    EXPECT_EQ(l->linesShown, 4) << "showing it twice adds it once";
    EXPECT_EQ(WGShowLegendTitle(g, legend, 0), 0);
    EXPECT_EQ(l->linesShown, 3);
    EXPECT_EQ(WGMarkLineLegend(g, legend, 2, 0), 1);
    EXPECT_EQ(l->linesShown, 2);
    EXPECT_EQ(WGMarkLineLegend(g, legend, 4, 0), 0) << "no such entry";

    char title[60];
    std::memset(title, 'T', sizeof title);
    title[59] = 0;
    EXPECT_EQ(WGSetLegendTitle(g, legend, title), 1);
    EXPECT_EQ(std::strlen(WGGetString(g, legend, 0)), 41u);
    title[0] = 'X';
    EXPECT_EQ(WGGetString(g, legend, 0)[0], 'T') << "the legend keeps its own copy";

    // Accessors refuse other objects without a message.
    EXPECT_EQ(WGGetLegendDesc(g, line), nullptr);
    EXPECT_EQ(WGGetLegendDesc(g, 999), nullptr);
    EXPECT_EQ(WGSetLegendAreaColor(g, line, 3), 0);
    EXPECT_EQ(WGSetLegendAreaColor(g, legend, 3), 1);
    EXPECT_EQ(WGGetLegendAreaColor(g, legend), 3);
    EXPECT_EQ(WGSetLegendBorderWidth(g, legend, 3), 1);
    EXPECT_EQ(WGGetLegendBorderWidth(g, legend), 3);
    EXPECT_EQ(WGSetLegendBorderStyle(g, legend, 2), 1);
    EXPECT_EQ(WGGetLegendBorderStyle(g, legend), 2);
    EXPECT_EQ(WGSetLegendBorderColor(g, legend, 12), 1);
    EXPECT_EQ(WGGetLegendBorderColor(g, legend), kRed);
    EXPECT_EQ(WGSetLegendOrientation(g, legend, 1), 1);
    EXPECT_EQ(WGGetLegendOrientation(g, legend), 1);
    EXPECT_EQ(WGIsObjectVisible(g, legend), 1);
    EXPECT_EQ(WGGetLastError(), 0);
}

TEST_F(LegendTest, TheCallersStringIsNeverWrittenAndEntriesAreCopied)
{
    // A first piece of 42 characters and a second of 5: each piece loses its last character.
    std::string caller(42, 'A');
    caller += "BBBBB";
    const std::string before = caller;
    int fromString = 0, fromBlock = 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 2 * 42);
    char* texts = static_cast<char*>(GlobalLock(block));
    std::memset(texts, 'C', 42); // exactly 42 characters, no zero
    std::strcpy(texts + 42, "Short");
    GlobalUnlock(block);
    GrDesc* g = CurvesGraph(
        [&](GrDesc* g)
        {
            fromString = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0.3f, 0.3f, 0, 1, 0, -1, 0, caller.data());
            fromBlock = WGLegend(g, g->buildDc, 0.6f, 0.5f, 0.3f, 0.3f, 0, 1, 0, -1, 0, block);
        },
        "legend_copies");
    EXPECT_EQ(caller, before) << "the caller's string is untouched";
    EXPECT_EQ(std::string(WGGetString(g, fromString, 1)), std::string(41, 'A'));
    EXPECT_STREQ(WGGetString(g, fromString, 2), "BBBBB");
    EXPECT_STREQ(WGGetString(g, fromString, 3), "");
    EXPECT_EQ(std::string(WGGetString(g, fromBlock, 1)), std::string(42, 'C')) << "42 characters kept whole";
    EXPECT_STREQ(WGGetString(g, fromBlock, 2), "Short");

    // Texts changed or freed by the caller afterwards leave the legend alone.
    caller.assign(caller.size(), 'Z');
    texts = static_cast<char*>(GlobalLock(block));
    std::memset(texts, 'Z', 84);
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(WGGetString(g, fromBlock, 1)[0], 'C');
    EXPECT_EQ(WGGetString(g, fromString, 1)[0], 'A');

    // WGChangeString writes the legend's own line (counted from 0 under the title), at most 42
    // characters.
    EXPECT_TRUE(WGChangeString(g, fromBlock, std::string(60, 'D').c_str(), 1));
    EXPECT_EQ(std::string(WGGetString(g, fromBlock, 2)), std::string(42, 'D'));
    EXPECT_EQ(WGGetString(g, fromBlock, 1)[0], 'C') << "the line above is another";
    EXPECT_FALSE(WGChangeString(g, fromBlock, "x", 9)) << "beyond the items";
    EXPECT_EQ(WGGetString(g, fromBlock, 9), nullptr);
}

TEST_F(LegendTest, ALongEntryIsCutWithDotsAtTheRightEdge)
{
    int legend = 0;
    const char* names = "Total pressure of the residual gas in mbar";
    GrDesc* g =
        CurvesGraph([&](GrDesc* g)
                    { legend = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0.25f, 0.2f, 0, 1, 0, 15, 0, names); },
                    "legend_cut");
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    Shot("plotkit_legend_cut");
    HDC dc = GetMappedDC(g);
    LOGFONT lf = l->font.logFont;
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    char out[42];
    const int start = l->head.extent.left + 4 * l->fx;
    const int n = GetSmartString(g, dc, &l->head, out, names, 1, start, 0);
    ASSERT_GE(n, 3);
    EXPECT_LT(n, static_cast<int>(std::strlen(names)));
    EXPECT_EQ(std::string(out + n - 2), "..");
    EXPECT_EQ(std::string(out, n - 2), std::string(names, n - 2));
    SIZE size{};
    GetTextExtentPoint32(dc, out, n, &size);
    EXPECT_LE(size.cx, l->head.extent.right - start + l->fx) << "fits the room";
    // A short text stays whole.
    EXPECT_EQ(GetSmartString(g, dc, &l->head, out, "Ar", 1, start, 0), 2);
    EXPECT_STREQ(out, "Ar");
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(g->window, dc);
}

TEST_F(LegendTest, ARowLegendPutsItsItemsSideBySide)
{
    int legend = 0;
    GrDesc* g = CurvesGraph(
        [&](GrDesc* g)
        {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 3 * 42);
            char* texts = static_cast<char*>(GlobalLock(block));
            std::strcpy(texts, "N2");
            std::strcpy(texts + 42, "O2");
            std::strcpy(texts + 84, "Ar");
            GlobalUnlock(block);
            legend = WGAutoLegend(g, g->buildDc, 0.1f, 0.92f, 0, 1, 0, 15, 1, block);
            GlobalFree(block);
        },
        "legend_rows");
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    const RECT r = l->head.extent;
    const int lh = l->fontHeight * 4 / 3;
    EXPECT_EQ(r.bottom - r.top, lh + lh / 3) << "one row";
    int x0 = 0, y0 = 0, x2 = 0, y2 = 0;
    LegItemCoords(g, &l->head, 0, 0, &x0, &y0);
    LegItemCoords(g, &l->head, 2, 0, &x2, &y2);
    EXPECT_EQ(y0, y2);
    EXPECT_GT(x2, x0);
    const Image image = Shot("plotkit_legend_rows");
    EXPECT_EQ(image.Pixel(Device(g, r.left + l->fx + l->fx / 2, y0).x, Device(g, 0, y0).y), kRed);

    float w = 0, h = 0;
    WGCalculateAutomaticLegendBox(g, legend, 1, &w, &h);
    EXPECT_GT(w, 0.0f);
    EXPECT_LE(w, 0.6f);
    EXPECT_GT(h, 0.0f);
    WGCalculateAutomaticLegendBox(g, legend, 0, &w, &h);
    EXPECT_GT(w, 0.0f);
    EXPECT_LE(w, 0.5f);
}

TEST_F(LegendTest, APieLegendListsTheSlicesInTheirColours)
{
    float values[2] = {1, 3};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof values);
    std::memcpy(GlobalLock(block), values, sizeof values);
    GlobalUnlock(block);
    const COLORREF fills[2] = {kRed, kBlue};
    int pie = 0, legend = 0;
    ObjDesc* given = nullptr;
    GrDesc* g = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.6f, 0.9f, 15);
            pie = WGPieChart(g, g->buildDc, block, 2, 0, 0, 1, 0.8f, 0.5f, 0.5f, fills, nullptr, nullptr,
                             nullptr);
            legend = WGLegendGroupPtr(g, g->buildDc, 0.65f, 0.1f, 0.3f, 0.2f, 0, 1, -1, 15, 0, "Water", pie);
            given = InitLeg(g, g->buildDc, pie, 0.65f, 0.5f, 0.95f, 0.7f, 1, 0, 1, 0, 15, 0, "One", FALSE);
        },
        "legend_pie");
    ASSERT_NE(legend, 0);
    LegendDesc* l = Legend(g, legend);
    EXPECT_EQ(l->kind, 1);
    EXPECT_EQ(l->itemCount, 3);
    // A given count of one: kind 2, its entry the pie's first slice, with short samples.
    ASSERT_NE(given, nullptr);
    const auto* two = reinterpret_cast<const LegendDesc*>(given);
    EXPECT_EQ(two->kind, 2);
    EXPECT_EQ(two->itemCount, 2);
    EXPECT_EQ(two->items[1].source, pie);
    EXPECT_EQ(two->items[1].member, 0);
    EXPECT_EQ(two->shortSamples, 1);
    EXPECT_STREQ(two->items[1].text, "One");
    EXPECT_TRUE(WGChangeString(g, pie, "Nitrogen and everything else that is in it", 1));
    EXPECT_EQ(std::string(WGGetString(g, pie, 1)), std::string("Nitrogen and everything else that is in i"))
        << "a label holds 41 characters";
    EXPECT_EQ(WGGetString(g, pie, 2), nullptr);
    WGChangeString(g, pie, "Air", 1);
    WGChangeString(g, legend, "Air", 1);
    Paint(g);
    const Image image = Shot("plotkit_legend_pie");
    const int fh = l->fontHeight;
    for (int item = 0; item < 2; ++item)
    {
        int ix = 0, iy = 0;
        LegItemCoords(g, &l->head, item, 0, &ix, &iy);
        const POINT p = Device(g, ix + l->fx, iy - fh / 4);
        EXPECT_EQ(image.Pixel(p.x, p.y), fills[item]) << "slice " << item;
    }
    GlobalFree(block);
}

TEST_F(LegendTest, TheLegendDialogEditsACopyAndWritesItBackOnOk)
{
    int legend = 0;
    GrDesc* g = CurvesGraph(
        [&](GrDesc* g) { legend = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0.3f, 0.2f, 0, 1, 0, 15, 0, "A"); },
        "legend_dialog");
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    std::vector<LegendItem> items(l->items, l->items + l->itemCount);
    const RECT extent = l->head.extent;
    ObjectEditRequest request{g, &l->head};
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Legend").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                d.SetText(IDC_LEGEND_LEFT, "20");
                d.SetText(IDC_LEGEND_TEXTS, "Lost");
                d.Select(IDC_AREA_COLOR, 0);
                d.Check(IDC_LEGEND_BORDER, false);
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(
            DialogBoxParam(Module(), "LEGEND", nullptr, LegendDlgProc, reinterpret_cast<LPARAM>(&request)),
            2);
    }
    EXPECT_EQ(l->head.extent.left, extent.left);
    EXPECT_EQ(l->areaColor, 15);
    EXPECT_EQ(l->border, 1);
    EXPECT_STREQ(l->items[1].text, items[1].text);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Legend").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_LEGEND_LEFT), "60.0");
                EXPECT_EQ(d.GetText(IDC_LEGEND_WIDTH), "30.0");
                EXPECT_EQ(d.GetText(IDC_LEGEND_TEXTS), "A\r\n\r\n\r\n");
                EXPECT_TRUE(d.IsChecked(IDC_LEGEND_BORDER));
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                    kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                          std::string(keep) + "/plotkit_legend_dialog.png");
                d.SetText(IDC_LEGEND_LEFT, "20");    // moves, same size
                d.SetText(IDC_LEGEND_HEIGHT, "abc"); // not a number: unchanged
                // As typed: a multi-line edit reports no programmatic change, only its modify flag.
                d.SetText(IDC_LEGEND_TEXTS, "Nitrogen\r\nOxygen\r\nArgon");
                SendMessage(d.Item(IDC_LEGEND_TEXTS), EM_SETMODIFY, TRUE, 0);
                d.Select(IDC_AREA_COLOR, 0); // transparent
                d.Check(IDC_LEGEND_BORDER, false);
                d.Click(IDOK);
            });
        EXPECT_EQ(
            DialogBoxParam(Module(), "LEGEND", nullptr, LegendDlgProc, reinterpret_cast<LPARAM>(&request)),
            1);
    }
    EXPECT_NEAR(l->head.extent.left, 0.2 * g->logWidth, 2);
    EXPECT_NEAR(l->head.extent.right - l->head.extent.left, extent.right - extent.left, 2);
    EXPECT_NEAR(l->head.extent.bottom - l->head.extent.top, extent.bottom - extent.top, 2);
    EXPECT_EQ(l->areaColor, -1);
    EXPECT_EQ(l->border, 0);
    EXPECT_STREQ(WGGetString(g, legend, 1), "Nitrogen");
    EXPECT_STREQ(WGGetString(g, legend, 2), "Oxygen");
    EXPECT_STREQ(WGGetString(g, legend, 3), "Argon");
    Paint(g);
    Shot("plotkit_legend_dialog_result");
}

// The border's own line dialog edits the legend's working copy: OK in the legend keeps the new
// border, Cancel in the legend drops it.
TEST_F(LegendTest, TheBorderAttributesEditTheLegendsCopyOfItsBorder)
{
    int legend = 0;
    GrDesc* g = CurvesGraph(
        [&](GrDesc* g) { legend = WGLegendPtr(g, g->buildDc, 0.6f, 0.1f, 0.3f, 0.2f, 0, 1, 0, 15, 0, "A"); },
        "legend_border");
    LegendDesc* l = Legend(g, legend);
    ASSERT_NE(l, nullptr);
    ObjectEditRequest request{g, &l->head};
    const LineDesc before = l->head.line;
    for (const bool keep : {false, true})
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Legend").Drive(
            [&](kel::testkit::DialogDriver& d)
            {
                d.Click(IDC_BORDER_ATTRIBUTES);
                d.Click(keep ? IDOK : IDCANCEL);
            });
        prompts.Expect("Line Parameters").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                d.SetText(IDC_LINEPAR_WIDTH, "3");
                d.Click(IDOK);
            });
        DialogBoxParam(Module(), "LEGEND", nullptr, LegendDlgProc, reinterpret_cast<LPARAM>(&request));
        EXPECT_EQ(l->head.line.pixelWidth, keep ? 3 : before.pixelWidth) << (keep ? "OK" : "Cancel");
    }
}

} // namespace
} // namespace plotkit::test
