// Shape objects: where and how they draw, their extents, the arrow accessors, creators on a
// finished graph, world placement on axes, and bitmap files good and bad.
#include "ShapeScene.h"

#include <cstdlib>
#include <cstring>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

using ShapesTest = ShapePageTest;

TEST_F(ShapesTest, TheSceneDrawsEachShapeInItsPlace)
{
    const std::string bmp = (folder / "quad.bmp").string();
    const COLORREF r = RGB(255, 0, 0), g = RGB(0, 255, 0), b = RGB(0, 0, 255), k = RGB(0, 0, 0);
    WriteFile(bmp, BmpBytes(2, 2, {r, g, b, k}));
    GrDesc* graph = PaintedGraph([&](GrDesc* gr, HWND) { BuildShapeScene(gr, gr->buildDc, bmp); });
    const Image image = Shot("plotkit_shapes");
    ASSERT_EQ(image.width, 640);
    EXPECT_EQ(WGGetLastError(), 0);
    EXPECT_EQ(graph->cursor, 0);

    struct Probe
    {
        const char* what;
        float x, y;
        COLORREF color;
    };
    const Probe probes[] = {
        {"rectangle inside", 0.15f, 0.15f, kRectFill},
        {"rectangle frame", 0.05f, 0.15f, RGB(0, 0, 255)},
        {"outside the rectangle", 0.04f, 0.15f, kSceneBackground},
        {"ellipse centre", 0.40f, 0.15f, kEllipseFill},
        {"ellipse box corner", 0.305f, 0.06f, kSceneBackground},
        {"line", 0.75f, 0.15f, RGB(0, 0, 0)},
        {"beside the line", 0.75f, 0.17f, kSceneBackground},
        {"arrow shaft", 0.20f, 0.40f, RGB(0, 0, 0)},
        {"triangle", 0.75f, 0.41f, kPolygonFill},
        {"beside the triangle", 0.58f, 0.50f, kSceneBackground},
        {"pie's quarter", 0.25f, 0.70f, kPieFill},
        {"pie's empty quarters", 0.15f, 0.85f, kSceneBackground},
        {"arc's middle is empty", 0.50f, 0.775f, kSceneBackground},
        {"bitmap top left", 0.70f, 0.70f, r},
        {"bitmap top right", 0.90f, 0.70f, g},
        {"bitmap bottom left", 0.70f, 0.90f, b},
        {"bitmap bottom right", 0.90f, 0.90f, k},
    };
    for (const Probe& p : probes)
    {
        const POINT d = At(p.x, p.y);
        EXPECT_EQ(image.Pixel(d.x, d.y), p.color) << p.what << " at " << d.x << "," << d.y;
    }
    // The arrow's head: filled around its middle, wider than the shaft; the shaft has no head at
    // its start.
    const POINT tip = At(0.45f, 0.40f), start = At(0.05f, 0.40f);
    EXPECT_EQ(image.Pixel(tip.x - 8, tip.y - 3), RGB(0, 0, 0));
    EXPECT_EQ(image.Pixel(tip.x - 8, tip.y + 3), RGB(0, 0, 0));
    EXPECT_EQ(image.Pixel(start.x + 8, start.y - 3), kSceneBackground);
    // The arc's outline crosses the column through its middle at its top and bottom.
    const POINT arcTop = At(0.50f, 0.60f), arcBottom = At(0.50f, 0.95f);
    EXPECT_GT(image.CountColor(RGB(0, 0, 0), arcTop.x, arcTop.y - 2, arcTop.x + 1, arcTop.y + 3), 0);
    EXPECT_GT(image.CountColor(RGB(0, 0, 0), arcBottom.x, arcBottom.y - 3, arcBottom.x + 1, arcBottom.y + 2),
              0);
}

TEST_F(ShapesTest, CheckingCreatorsCountOnAFinishedGraphTheOthersRefuse)
{
    GrDesc* graph = PaintedGraph([](GrDesc* g, HWND) { WGLineNorm(g, g->buildDc, 0, 0, 1, 1); });
    HDC dc = GetDC(graph->window);
    const float v[8] = {0, 0, 1, 1, 1, 0, 0, 1};
    const float xs[2] = {0, 1};
    struct Case
    {
        const char* name;
        std::function<int()> create;
        bool counts;
    };
    const Case cases[] = {
        {"WGLine", [&] { return WGLine(graph, dc, 0, 0, 0, 0, 1, 1); }, true},
        {"WGArrow", [&] { return WGArrow(graph, dc, 0, 0, 0, 0, 1, 1, 5, 5, 0, 1, 1); }, true},
        {"WGRectangleNorm", [&] { return WGRectangleNorm(graph, dc, 0, 0, 1, 1, 0, 1, 0, 0); }, true},
        {"WGRectangleNormEx", [&] { return WGRectangleNormEx(graph, dc, 0, 0, 1, 1, 0, 1, 0, 0, 3); }, true},
        {"WGEllipseNorm", [&] { return WGEllipseNorm(graph, dc, 0, 0, 1, 1, 0, 1, 0, 0); }, true},
        {"WGArcNorm", [&] { return WGArcNorm(graph, dc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]); },
         true},
        {"WGPie",
         [&] { return WGPie(graph, dc, 0, 0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], 0, 1, 0, 0); },
         true},
        {"WGBitmapNorm", [&] { return WGBitmapNorm(graph, dc, 0, 0, 1, 1, 1, "x.bmp"); }, true},
        {"WGLineNorm", [&] { return WGLineNorm(graph, dc, 0, 0, 1, 1); }, false},
        {"WGArrowNorm", [&] { return WGArrowNorm(graph, dc, 0, 0, 1, 1, 5, 5, 0, 1, 1); }, false},
        {"WGPolygonNorm", [&] { return WGPolygonNorm(graph, dc, xs, xs, 2, 0, 1, 0, 0); }, false},
        {"WGPolygon", [&] { return WGPolygon(graph, dc, 0, 0, xs, xs, 2, 0, 1, 0, 0); }, false},
        {"WGBitmap", [&] { return WGBitmap(graph, dc, 0, 0, 0, 0, 1, 1, 1, "x.bmp"); }, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        graph->cursor = 1; // a host running its building code again, after its one line
        ErrHdlr(0, 0, nullptr);
        const int number = c.create();
        if (c.counts)
        {
            EXPECT_EQ(number, 2);
            EXPECT_EQ(graph->cursor, 2);
        }
        else
        {
            EXPECT_EQ(number, 0);
            EXPECT_EQ(WGGetLastError(), 32);
        }
        EXPECT_EQ(ObjectAt(graph, 2), nullptr) << "nothing was made";
    }
    ReleaseDC(graph->window, dc);
}

TEST_F(ShapesTest, LineExtentsAreOrderedAndGrowByThePenWhileTheEndsKeepTheirOrder)
{
    int thin = 0, reversed = 0, wide = 0;
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            thin = WGLineNorm(g, g->buildDc, 0.1f, 0.2f, 0.5f, 0.6f);
            reversed = WGLineNorm(g, g->buildDc, 0.5f, 0.6f, 0.1f, 0.2f);
            SetLine(g, g->buildDc, &g->currentLine, 0, 0, 0, 3);
            wide = WGLineNorm(g, g->buildDc, 0.1f, 0.2f, 0.5f, 0.6f);
        });
    auto round = [](double v) { return static_cast<LONG>(v + 0.5); };
    const RECT expected{round(0.1 * graph->logWidth), round(0.2 * graph->logHeight),
                        round(0.5 * graph->logWidth), round(0.6 * graph->logHeight)};
    auto ends = [&](int n)
    {
        const auto* words = reinterpret_cast<const INT*>(reinterpret_cast<const BYTE*>(ObjectAt(graph, n)) +
                                                         sizeof(PosObjDesc));
        return std::vector<INT>(words, words + 4);
    };
    for (int n : {thin, reversed})
    {
        SCOPED_TRACE(n);
        const RECT e = ObjectAt(graph, n)->extent;
        EXPECT_EQ(e.left, expected.left);
        EXPECT_EQ(e.top, expected.top);
        EXPECT_EQ(e.right, expected.right);
        EXPECT_EQ(e.bottom, expected.bottom);
    }
    EXPECT_EQ(ends(reversed),
              (std::vector<INT>{expected.right, expected.bottom, expected.left, expected.top}));
    const int grow = 3 * graph->unitsPerPixelX / 2;
    ASSERT_GT(grow, 0);
    EXPECT_EQ(ObjectAt(graph, wide)->extent.left, expected.left - grow);
    EXPECT_EQ(ObjectAt(graph, wide)->extent.bottom, expected.bottom + grow);
}

TEST_F(ShapesTest, ArrowAccessorsChangeAndReportTheHead)
{
    int arrow = 0, line = 0;
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            arrow = WGArrowNorm(g, g->buildDc, 0.1f, 0.5f, 0.9f, 0.5f, 8, 12, 1, 0, 0);
            line = WGLineNorm(g, g->buildDc, 0, 0, 1, 1);
        });
    EXPECT_EQ(WGGetArrowWidth(graph, arrow), 8);
    EXPECT_EQ(WGGetArrowLength(graph, arrow), 12);
    EXPECT_EQ(WGGetArrowFill(graph, arrow), 0);
    EXPECT_EQ(WGGetArrowPos(graph, arrow), 1);
    EXPECT_EQ(WGChangeArrow(graph, arrow, 20, 10), 1);
    EXPECT_EQ(WGGetArrowLength(graph, arrow), 20);
    EXPECT_EQ(WGGetArrowWidth(graph, arrow), 10);
    EXPECT_EQ(WGChangeArrowFill(graph, arrow, 7), 1);
    EXPECT_EQ(WGGetArrowFill(graph, arrow), 1);
    const std::pair<int, int> positions[] = {{1, 1}, {2, 2}, {3, 3}, {0, 0}, {4, 0}, {-1, 0}};
    for (auto [set, got] : positions)
    {
        ErrHdlr(0, 0, nullptr);
        EXPECT_EQ(WGChangeArrowPos(graph, arrow, set), 1);
        EXPECT_EQ(WGGetArrowPos(graph, arrow), got) << set;
        EXPECT_EQ(WGGetLastError(), 0);
    }
    // The changed head is drawn at the next paint (no head now: the shaft reaches its ends), and
    // a recomputation keeps a "Norm" arrow where it was placed.
    WGRedrawGraph(graph, TRUE);
    Paint(graph);
    EXPECT_EQ(Shot("plotkit_arrow").Pixel(At(0.11f, 0.5f).x, At(0.11f, 0.5f).y), RGB(0, 0, 0));

    EXPECT_EQ(WGGetArrowPos(graph, line), 0);
    EXPECT_EQ(WGGetLastError(), 29);
    EXPECT_EQ(WGChangeArrowFill(graph, 99, 1), 0);
    EXPECT_EQ(WGGetLastError(), 56);
    ErrHdlr(0, 0, nullptr);
    EXPECT_EQ(WGGetArrowLength(nullptr, arrow), 0);
    EXPECT_EQ(WGGetLastError(), 0);
}

TEST_F(ShapesTest, RectangleFrameStyles)
{
    const COLORREF fill = RGB(0, 128, 255);
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, kSceneBackground);
            WGRectangleNormEx(g, g->buildDc, 0.1f, 0.1f, 0.3f, 0.3f, 0, 4, 1, fill, 0);
            WGRectangleNormEx(g, g->buildDc, 0.4f, 0.1f, 0.6f, 0.3f, 0, 4, 0, fill, 3); // filled, no pen
            WGRectangleNormEx(g, g->buildDc, 0.7f, 0.1f, 0.9f, 0.3f, 0, 4, 1, fill, 6); // draws nothing
        });
    (void)graph;
    const Image image = Shot("plotkit_rect_styles");
    const POINT plainEdge = At(0.1f, 0.2f), lowEdge = At(0.4f, 0.2f);
    EXPECT_EQ(image.Pixel(plainEdge.x + 1, plainEdge.y), RGB(0, 0, 0)) << "a 4-pixel black frame";
    EXPECT_EQ(image.Pixel(At(0.2f, 0.2f).x, At(0.2f, 0.2f).y), fill);
    // Style 3 fills (though not asked to) and has no black frame.
    EXPECT_EQ(image.Pixel(At(0.5f, 0.2f).x, At(0.5f, 0.2f).y), fill);
    EXPECT_EQ(image.CountColor(RGB(0, 0, 0), lowEdge.x - 2, lowEdge.y, lowEdge.x + 3, lowEdge.y + 1), 0);
    EXPECT_EQ(image.CountColor(kSceneBackground, At(0.7f, 0.1f).x, At(0.7f, 0.1f).y, At(0.9f, 0.3f).x,
                               At(0.9f, 0.3f).y),
              (At(0.9f, 0.3f).x - At(0.7f, 0.1f).x) * (At(0.9f, 0.3f).y - At(0.7f, 0.1f).y));
}

TEST_F(ShapesTest, WorldShapesFollowTheirAxes)
{
    if (FindObjectType(PK_TYPE_AXIS) == nullptr)
    {
        PlotObjectType axisType{};
        axisType.type = PK_TYPE_AXIS;
        axisType.size = sizeof(AxisDesc);
        RegisterOwnObjectType(axisType);
    }
    int line = 0, rect = 0, beyond = 0, polygon = 0;
    RECT plot{};
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            g->plot = plot =
                RECT{g->logWidth / 10, g->logHeight / 10, g->logWidth * 9 / 10, g->logHeight * 9 / 10};
            for (int direction : {1, 0})
            {
                auto* axis = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
                axis->direction = static_cast<SHORT>(direction);
                axis->xMin = axis->yMin = 0;
                axis->xMax = axis->yMax = 100;
                axis->head.visible = 0;
                CommitObjDesc(g);
            }
            line = WGLine(g, g->buildDc, 1, 2, 25, 75, 75, 25);
            rect = WGRectangle(g, g->buildDc, 1, 2, 50, 50, 100, 0, 0, 1, 1, RGB(255, 0, 0));
            beyond = WGEllipse(g, g->buildDc, 1, 99, 0, 0, 1, 1, 0, 1, 0, 0);
            const float xs[3] = {0, 100, 50}, ys[3] = {0, 0, 100};
            polygon = WGPolygon(g, g->buildDc, 1, 2, xs, ys, 3, 0, 1, 0, 0);
        });
    const int w = plot.right - plot.left, h = plot.bottom - plot.top;
    const RECT l = ObjectAt(graph, line)->extent;
    EXPECT_EQ(l.left, plot.left + w / 4);
    EXPECT_EQ(l.right, plot.left + 3 * w / 4);
    EXPECT_EQ(l.top, plot.bottom - 3 * h / 4);
    const RECT r = ObjectAt(graph, rect)->extent;
    EXPECT_EQ(r.left, plot.left + w / 2);
    EXPECT_EQ(r.right, plot.right);
    EXPECT_EQ(r.top, plot.bottom - h / 2);
    EXPECT_EQ(r.bottom, plot.bottom);
    EXPECT_EQ(ObjectAt(graph, polygon)->extent.top, plot.top);
    EXPECT_EQ(beyond, 0) << "axis 99 is beyond the table";
    EXPECT_EQ(WGGetLastError(), 54);

    // The polygon's edit copy has arrays of its own; deleting both frees each once.
    EXPECT_EQ(WGDuplicateObject(graph, polygon), PK_EDIT_COPY);
    WGDeleteObject(graph, polygon);
    WGDeleteObject(graph, PK_EDIT_COPY);
}

TEST_F(ShapesTest, BitmapFiles)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    // A 2 x 2 8-bit bitmap whose colours-used field is 0 (256 colours), shown at its pixel size.
    std::vector<COLORREF> palette(256, RGB(0, 0, 0));
    palette[1] = red;
    palette[2] = blue;
    const std::string noDot = (folder / "pic").string();
    WriteFile(noDot + ".BMP", BmpBytes(2, 2, {1, 2, 2, 1}, palette, true));
    // A long path (beyond the 80 characters of older releases).
    const std::string longDir = (folder / std::string(90, 'd')).string();
    std::filesystem::create_directory(longDir);
    const std::string longPath = longDir + "/wide.bmp";
    WriteFile(longPath, BmpBytes(1, 1, {blue}));
    // Damaged: an image size the file does not hold (a 1000 x 1000 header over 4 bytes of bits).
    std::vector<uint8_t> damaged = BmpBytes(1, 1, {red});
    damaged[18] = 0xE8, damaged[19] = 0x03, damaged[22] = 0xE8, damaged[23] = 0x03;
    const std::string damagedPath = (folder / "damaged.bmp").string();
    WriteFile(damagedPath, damaged);
    const std::string tooLong = (folder / std::string(300, 'x')).string();

    int natural = 0, wide = 0, bad = 0, refused = -1, missing = 0;
    GrDesc* graph = PaintedGraph(
        [&](GrDesc* g, HWND)
        {
            AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, kSceneBackground);
            natural = WGBitmapNorm(g, g->buildDc, 0.1f, 0.1f, 0.5f, 0.5f, 0, noDot.c_str());
            wide = WGBitmapNorm(g, g->buildDc, 0.6f, 0.1f, 0.9f, 0.5f, 1, longPath.c_str());
            bad = WGBitmapNorm(g, g->buildDc, 0.1f, 0.6f, 0.4f, 0.9f, 1, damagedPath.c_str());
            missing = WGBitmapNorm(g, g->buildDc, 0.6f, 0.6f, 0.9f, 0.9f, 1,
                                   (folder / "none.bmp").string().c_str());
            ErrHdlr(0, 0, nullptr);
            refused = WGBitmapNorm(g, g->buildDc, 0, 0, 1, 1, 1, tooLong.c_str());
            EXPECT_EQ(WGGetLastError(), 25);
        });
    EXPECT_EQ(refused, 0);
    EXPECT_GT(natural, 0);
    EXPECT_GT(wide, 0);
    EXPECT_GT(bad, 0);
    EXPECT_GT(missing, 0);

    // Drawn at the last paint, in table order: the damaged file reports 23, the missing one 16.
    std::vector<int> codes;
    ErrHdlr(0, 0, nullptr);
    for (int n : {bad, missing})
    {
        ErrHdlr(0, 0, nullptr);
        HDC dc = GetMappedDC(graph);
        graph->currentObject = ObjectAt(graph, n);
        graph->currentObject->draw(graph, dc);
        ReleaseDC(graph->window, dc);
        codes.push_back(WGGetLastError());
    }
    EXPECT_EQ(codes, (std::vector<int>{23, 16}));

    const Image image = Shot("plotkit_bitmaps");
    const POINT n = At(0.1f, 0.1f);
    EXPECT_EQ(image.Pixel(n.x, n.y), red);
    EXPECT_EQ(image.Pixel(n.x + 1, n.y), blue);
    EXPECT_EQ(image.Pixel(n.x, n.y + 1), blue);
    EXPECT_EQ(image.Pixel(n.x + 1, n.y + 1), red);
    EXPECT_EQ(image.Pixel(n.x + 2, n.y), kSceneBackground) << "natural size: two pixels wide";
    EXPECT_EQ(image.Pixel(At(0.75f, 0.3f).x, At(0.75f, 0.3f).y), blue) << "stretched over its rectangle";
    EXPECT_EQ(image.Pixel(At(0.25f, 0.75f).x, At(0.25f, 0.75f).y), kSceneBackground) << "damaged: not drawn";
}

} // namespace
} // namespace plotkit::test
