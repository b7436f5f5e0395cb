// Mapping between world, logical and device units, and picking objects under the mouse.
#include "PlotkitFixture.h"

namespace plotkit::test
{
namespace
{

class MappingTest : public PlotkitTest
{
protected:
    // An anisotropic graph over the whole 640 x 480 page (13000 x 9750 logical units) with the
    // plot from 1000 to 11000 across and 1000 to 9000 down, an X axis 0..10 and a Y axis.
    GrDesc* Plot(bool logY = false)
    {
        PgDesc* page = MakePage("map", 8);
        return MakeGraph(page, 0, 0, 1, 1,
                         [logY](GrDesc* g, HWND)
                         {
                             g->plot = RECT{1000, 1000, 11000, 9000};
                             auto* x = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
                             x->direction = 1;
                             x->xMin = 0;
                             x->xMax = 10;
                             CommitObjDesc(g);
                             auto* y = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
                             y->direction = 0;
                             y->yMin = 1;
                             y->yMax = 1000;
                             y->scale = logY ? 1 : 0;
                             y->logMin = 1;
                             y->logMax = 1000;
                             CommitObjDesc(g);
                             g->defaultXAxis = 1;
                             g->defaultYAxis = 2;
                         });
    }
};

TEST_F(MappingTest, WorldAndLogicalUnitsThroughTheAxes)
{
    GrDesc* graph = Plot(true);
    int lx = 0, ly = 0;
    WorldToLog(graph, 1, 2, 2.5, 10, &lx, &ly);
    EXPECT_EQ(lx, 3500);
    EXPECT_EQ(ly, 6333); // one decade of three: 9000 - 2666.7, truncated
    float x = 0, y = 0;
    LogToWorld(graph, 1, 2, 3500, 1000, &x, &y);
    EXPECT_FLOAT_EQ(x, 2.5f);
    EXPECT_NEAR(y, 1000.0f, 0.01f);

    struct
    {
        double x, y;
        int lx, ly;
    } clamps[] = {
        {1e9, 1e30, 32000, -32000},
        {-1e9, 1, -32000, 9000},
        {5, 0, 6000, 32000}, // zero on a log axis: below the plot
    };
    for (const auto& c : clamps)
    {
        SCOPED_TRACE(c.x);
        WorldToLog(graph, 1, 2, c.x, c.y, &lx, &ly);
        EXPECT_EQ(lx, c.lx);
        EXPECT_EQ(ly, c.ly);
    }
}

TEST_F(MappingTest, MousePositionInWorldAndNormalisedUnits)
{
    GrDesc* graph = Plot();
    GetDevDesc()->mouseX = 160; // logical 3250
    GetDevDesc()->mouseY = 240;
    float x = 0, y = 0;
    EXPECT_EQ(WGGetMousePos(graph, 1, 2, &x, &y), 1);
    EXPECT_NEAR(x, 2.25f, 0.01f);
    WGGetMousePosNorm(graph, &x, &y);
    EXPECT_NEAR(x, 0.25f, 0.001f);
    EXPECT_NEAR(y, 0.5f, 0.001f);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDYES);
    EXPECT_EQ(WGGetMousePos(graph, 999, 0, &x, &y), 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(MappingTest, PixelHelpers)
{
    GrDesc* graph = Plot();
    HDC dc = GetDC(graph->window);
    MapGraph(graph, dc);
    int ux = 0, uy = 0;
    GetAbsPix(graph, &ux, &uy);
    EXPECT_EQ(ux, 20); // 13000 / 640, rounded
    int length = 80, half = 0;
    EXPECT_EQ(OddPixel(dc, &length, &half, 1), 5); // 4 pixels made odd
    EXPECT_EQ(half, LogicalX(dc, 2));
    int px = 33;
    WGExactPixel(dc, &px, nullptr);
    EXPECT_EQ(px, LogicalX(dc, 2)); // 33 units are 1.6 pixels: snapped to 2
    EXPECT_EQ(PointsToLogSize(graph, dc, 72), LogicalY(dc, GetDevDesc()->screenDpiY));
    ReleaseDC(graph->window, dc);
}

TEST_F(MappingTest, PrintPlacementOfAnExactSizeCopy)
{
    GrDesc* graph = Plot();
    DevDesc* dev = GetDevDesc();
    SetScreenMetrics(*dev, 1024, 500, 96, 96);
    dev->printerWidth = 4800;
    dev->printerHeight = 6600;
    dev->printerDpiX = dev->printerDpiY = 600;
    top.printStyle = 2;
    HDC printer = CreateCompatibleDC(nullptr);
    graph->printCopy = printer;
    MapGraph(graph, printer);
    SIZE viewport{};
    GetViewportExtEx(printer, &viewport);
    EXPECT_EQ(viewport.cx, 3998); // 640 x 600 / 96 - 2
    EXPECT_EQ(viewport.cy, 2998);
    EXPECT_EQ(top.lineWidthScaling, 0);

    top.printStyle = 0; // fitted to the paper, keeping the graph's aspect
    MapGraph(graph, printer);
    GetViewportExtEx(printer, &viewport);
    EXPECT_EQ(viewport.cx, 4798);
    EXPECT_EQ(viewport.cy, 4798 * 480 / 640);
    EXPECT_EQ(top.lineWidthScaling, 1);
    graph->printCopy = nullptr;
    DeleteDC(printer);
}

TEST_F(MappingTest, ObjectCoordinatesThroughTheDefaultAxes)
{
    PlotObjectType rect{};
    rect.type = PK_TYPE_RECT;
    rect.size = sizeof(PosObjDesc);
    RegisterOwnObjectType(rect);
    GrDesc* graph = nullptr;
    PgDesc* page = MakePage("coords", 8);
    graph = MakeGraph(page, 0, 0, 1, 1,
                      [](GrDesc* g, HWND)
                      {
                          g->plot = RECT{1000, 1000, 11000, 9000};
                          for (int direction : {1, 0})
                          {
                              auto* axis = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
                              axis->direction = static_cast<SHORT>(direction);
                              axis->xMax = axis->yMax = 10;
                              CommitObjDesc(g);
                          }
                          g->defaultXAxis = 1;
                          g->defaultYAxis = 2;
                          ObjDesc* r = NewObjDesc(g, PK_TYPE_RECT, 0);
                          r->xAxis = 1;
                          r->yAxis = 2;
                          CommitObjDesc(g);
                          AddObject(g, kBox, RECT{});
                      });
    EXPECT_EQ(WGChangeObjectCoord(graph, 3, 2, 8, 6, 4, FALSE), 1);
    const RECT e = GetObjDesc(graph, 3, nullptr)->extent;
    EXPECT_EQ(e.left, 3000);
    EXPECT_EQ(e.right, 7000);
    EXPECT_EQ(e.top, 2600);    // y 8
    EXPECT_EQ(e.bottom, 5800); // y 4
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    EXPECT_EQ(WGGetObjectCoord(graph, 3, &x1, &y1, &x2, &y2), 1);
    EXPECT_FLOAT_EQ(x1, 2);
    EXPECT_FLOAT_EQ(y1, 8);
    EXPECT_FLOAT_EQ(x2, 6);
    EXPECT_FLOAT_EQ(y2, 4);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal editing function for").Reply(IDYES);
    EXPECT_EQ(WGChangeObjectCoord(graph, 4, 0, 0, 1, 1, FALSE), 0);
}

class PickTest : public MappingTest
{
protected:
    int Pick(GrDesc* graph, int x, int y)
    {
        GetDevDesc()->mouseX = x;
        GetDevDesc()->mouseY = y;
        return ObjFind(graph->window);
    }
};

TEST_F(PickTest, ActivatedObjectsWinAndTheLastPassiveHitIsFlashed)
{
    PgDesc* page = MakePage("pick", 8);
    GrDesc* graph =
        MakeGraph(page, 0, 0, 1, 1,
                  [](GrDesc* g, HWND)
                  {
                      AddObject(g, kMarker, RECT{0, 0, 4000, 4000});    // 1: first pass, not activated
                      AddObject(g, kFrame, RECT{0, 0, 4000, 4000});     // 2: second pass, activated below
                      AddObject(g, kBox, RECT{6000, 6000, 9000, 9000}); // 3 and 4 overlap, not activated
                      AddObject(g, kBox, RECT{7000, 7000, 10000, 10000});
                      AddObject(g, kFill, RECT{0, 0, 13000, 9750}); // never picked
                  });
    WGEnableObjActivation(graph, 2, TRUE);
    EXPECT_EQ(Pick(graph, 40, 40), 2); // the activated frame beats the earlier passive marker
    EXPECT_EQ(graph->selectedObject, 2);
    EXPECT_EQ(Pick(graph, 400, 380), 4); // overlap: the later one
    EXPECT_EQ(Pick(graph, 300, 300), 3);
    EXPECT_EQ(Pick(graph, 620, 20), 0);
    EXPECT_EQ(graph->selectedObject, 0);
    WGShowObject(graph, 2, FALSE);
    EXPECT_EQ(Pick(graph, 40, 40), 1); // hidden objects take no part
}

} // namespace
} // namespace plotkit::test
