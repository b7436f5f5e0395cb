// Pie charts: slices in their places, flat and 3-D, value texts and labels, the accessors, and a
// pie with nothing to share out.
#include "ShapeScene.h"

#include "testkit/RecordingDevice.h"

#include <algorithm>
#include <cstring>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kCream = RGB(255, 251, 240); // the plot area (palette 19)
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class PieTest : public ShapePageTest
{
protected:
    void TearDown() override
    {
        for (HGLOBAL block : blocks)
            GlobalFree(block);
        ShapePageTest::TearDown();
    }

    HGLOBAL Values(std::vector<float> values)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, values.size() * sizeof(float));
        std::memcpy(GlobalLock(block), values.data(), values.size() * sizeof(float));
        GlobalUnlock(block);
        blocks.push_back(block);
        return block;
    }

    // A graph whose plot area runs from pixel 64 to 576 across and 48 to 432 down, with one pie of
    // diameter 0.5 (a radius of 96 pixels) in its middle, at (320, 240).
    GrDesc* PieGraph(std::vector<float> values, int subKind = 0, int valueText = 0,
                     std::vector<float> explode = {})
    {
        HGLOBAL block = Values(values);
        const int n = static_cast<int>(values.size());
        fills.assign(n, kRed);
        if (n > 1)
            fills[1] = kBlue;
        explode.resize(n, 0.0f);
        return PaintedGraph(
            [=, this](GrDesc* g, HWND)
            {
                WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                pie = WGPieChart(g, g->buildDc, block, n, subKind, valueText, 1, 0.5f, 0.5f, 0.5f,
                                 fills.data(), nullptr, nullptr, explode.data());
            },
            ("pie" + std::to_string(++pages)).c_str());
    }

    // The texts the pie draws, as the recording device sees them.
    std::vector<std::string> Texts(GrDesc* graph)
    {
        kel::testkit::RecordingDevices recording;
        HDC dc = CreateCompatibleDC(nullptr);
        MapGraph(graph, dc);
        ObjectInterpreter(graph, dc);
        DeleteDC(dc);
        std::vector<std::string> texts;
        for (const std::string& line : recording.Lines())
            if (line.rfind("text \"", 0) == 0)
                texts.push_back(line.substr(6, line.find('"', 6) - 6));
        return texts;
    }

    int pages = 0; // page names are unique
    std::vector<HGLOBAL> blocks;
    std::vector<COLORREF> fills;
    int pie = 0;
};

TEST_F(PieTest, TwoEqualValuesSplitVerticallyTheFirstOnTheLeft)
{
    PieGraph({3, 3});
    ASSERT_NE(pie, 0);
    const Image image = Shot("plotkit_pie_halves");
    EXPECT_EQ(image.Pixel(320 - 48, 240), kRed);
    EXPECT_EQ(image.Pixel(320 - 48, 240 - 60), kRed);
    EXPECT_EQ(image.Pixel(320 + 48, 240), kBlue);
    EXPECT_EQ(image.Pixel(320 + 48, 240 + 60), kBlue);
    EXPECT_EQ(image.Pixel(320, 240 - 110), kCream); // beyond the radius
    EXPECT_EQ(image.Pixel(320 - 110, 240), kCream);
}

TEST_F(PieTest, AThreeDPieIsTwiceAsWideAsHighAndStandsOnItsWall)
{
    PieGraph({3, 3}, 11);
    const Image image = Shot("plotkit_pie_3d");
    EXPECT_EQ(image.Pixel(320 - 180, 240), kRed);
    EXPECT_EQ(image.Pixel(320 + 180, 240), kBlue);
    EXPECT_EQ(image.Pixel(320, 240 - 110), kCream);
    EXPECT_EQ(image.Pixel(320 - 200, 240), kCream);
    // The wall under the front: a darker shade of the fill, about 3/4 of the height deep.
    const COLORREF wall = image.Pixel(320 - 60, 240 + 96 + 30);
    EXPECT_NE(wall, kCream);
    EXPECT_NE(wall, kRed);
    EXPECT_LT(GetRValue(wall), 255);
    EXPECT_EQ(image.Pixel(320 - 60, 240 + 96 + 80), kCream);
}

TEST_F(PieTest, AnExplodedSliceMovesOutAlongItsMiddle)
{
    PieGraph({3, 3}, 0, 0, {0.5f, 0});
    const Image image = Shot("plotkit_pie_exploded");
    // The red half moves left by half the radius at its middle (48 pixels).
    EXPECT_EQ(image.Pixel(320 - 96 - 24, 240), kRed);
    EXPECT_EQ(image.Pixel(320 - 20, 240), kCream);
    EXPECT_EQ(image.Pixel(320 + 20, 240), kBlue);
}

TEST_F(PieTest, ValueTextsAndLabels)
{
    GrDesc* graph = PieGraph({25, 75}, 0, 3);
    EXPECT_EQ(Texts(graph), (std::vector<std::string>{"25 (25.0%)", "75 (75.0%)"}));
    WGLabelPie(graph, pie, nullptr);
    // Labels 42 bytes apart; a block too short for the second leaves it empty.
    HGLOBAL labels = GlobalAlloc(GMEM_MOVEABLE, 42 + 5);
    char* text = static_cast<char*>(GlobalLock(labels));
    std::memset(text, 0, 47);
    std::strcpy(text, "Nitrogen");
    std::memcpy(text + 42, "Argon", 5);
    GlobalUnlock(labels);
    blocks.push_back(labels);
    EXPECT_EQ(WGLabelPie(graph, pie, labels), 2);
    EXPECT_EQ(Texts(graph), (std::vector<std::string>{"Nitrogen", "25 (25.0%)", "Argon", "75 (75.0%)"}));
    // Outside the pie, each text beside its slice: the small one's on the left, the large one's on
    // the right (black on cream somewhere in each half).
    Paint(graph);
    const Image image = Shot("plotkit_pie_labels");
    auto inked = [&image](int x0, int x1)
    {
        for (int y = 48; y < 432; ++y)
            for (int x = x0; x < x1; ++x)
                if (image.Pixel(x, y) == RGB(0, 0, 0))
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(64, 320 - 96));
    EXPECT_TRUE(inked(320 + 96, 576));

    struct Case
    {
        int mode;
        float value;
        const char* text;
    };
    for (const Case& c :
         {Case{1, 25, "12.5%"}, Case{2, 25, "25"}, Case{2, 2.5f, "2.5"}, Case{2, 0.25f, "0.25"}})
    {
        GrDesc* g = PieGraph({c.value, 200 - c.value}, 0, c.mode);
        WGChangePieValue(g, pie, c.value, 0);
        const std::vector<std::string> texts = Texts(g);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), c.text) << c.mode << " " << c.value;
    }
}

TEST_F(PieTest, AccessorsKeepTheirLimits)
{
    GrDesc* graph = PieGraph({1, 2, 3});
    float v = 0;
    EXPECT_EQ(WGChangePieExpl(graph, pie, 2.5f, 1), 1);
    EXPECT_EQ(WGGetPieExpl(graph, pie, 1, &v), 1);
    EXPECT_EQ(v, 1.0f);
    WGChangePieExpl(graph, pie, 0, 1);
    WGGetPieExpl(graph, pie, 1, &v);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(WGGetPieValue(graph, pie, &v, 2), 1);
    EXPECT_EQ(v, 3.0f);
    EXPECT_EQ(WGGetPieValue(graph, pie, &v, 3), 0); // beyond the count
    EXPECT_EQ(WGChangePieValue(graph, pie, 9, 3), 0);
    EXPECT_EQ(WGChangePieTextPos(graph, pie, 0), 1);
    EXPECT_EQ(WGGetPieTextPos(graph, pie), 0);

    EXPECT_EQ(WGGetPieValue(graph, 99, &v, 0), 0);
    EXPECT_EQ(WGGetLastError(), 56);
    EXPECT_EQ(WGLabelPie(graph, 0, nullptr), 0);
    EXPECT_EQ(WGGetLastError(), 56);
}

TEST_F(PieTest, ACountBeyondTheValueBlockReadsOnlyTheBlock)
{
    HGLOBAL block = Values({1, 2});
    const COLORREF colours[5] = {kRed, kBlue, kRed, kBlue, kRed};
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
            pie = WGPieChart(g, g->buildDc, block, 5, 0, 0, 1, 0.5f, 0.5f, 0.5f, colours, nullptr, nullptr,
                             nullptr);
        },
        "short");
    ASSERT_NE(pie, 0);
    float v = 0;
    EXPECT_EQ(WGGetPieValue(graph, pie, &v, 1), 1);
    EXPECT_EQ(v, 2.0f);
    EXPECT_EQ(WGGetPieValue(graph, pie, &v, 2), 0);

    // The locked block's pointer instead of its handle.
    const float* values = static_cast<const float*>(GlobalLock(block));
    int second = 0;
    GrDesc* other = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
            second = InitPieChart(g, g->buildDc, values, 5, 0, 0, 1, 0.5f, 0.5f, 0.5f, colours, nullptr,
                                  nullptr, nullptr);
        },
        "pointer");
    GlobalUnlock(block);
    ASSERT_NE(second, 0);
    EXPECT_EQ(WGGetPieValue(other, second, &v, 1), 1);
    EXPECT_EQ(v, 2.0f);
    EXPECT_EQ(WGGetPieValue(other, second, &v, 2), 0);
}

TEST_F(PieTest, NothingToShareOutDrawsNothing)
{
    GrDesc* graph = PieGraph({0, 0});
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_EQ(Shot("plotkit_pie_empty").Pixel(320 - 48, 240), kCream);
    // A pie whose values later add up to nothing goes empty the same way.
    GrDesc* other = PieGraph({1, 1});
    WGChangePieValue(other, pie, 0, 0);
    WGChangePieValue(other, pie, 0, 1);
    EXPECT_EQ(WGGetLastError(), 30);
    Paint(other);
    EXPECT_EQ(Shot("plotkit_pie_emptied").Pixel(320 + 48, 240), kCream);
    (void)graph;
}

TEST_F(PieTest, AnExplodedThreeDSliceShowsTheFacesOfItsCuts)
{
    // A quarter at the upper left moved out by half the radius: its left cut hangs below the
    // moved slice, left of the disc, in the shade of its fill.
    PieGraph({1, 3}, 11, 0, {0.5f, 0});
    const Image image = Shot("plotkit_pie_3d_cut");
    EXPECT_EQ(image.Pixel(320 - 220, 240), RGB(127, 0, 0));
    EXPECT_EQ(image.Pixel(320 - 220, 240 + 60), kCream) << "below the face";
    EXPECT_EQ(image.Pixel(320 - 100, 240 + 20), kBlue) << "the rest of the disc covers the hidden part";
}

} // namespace
} // namespace plotkit::test
