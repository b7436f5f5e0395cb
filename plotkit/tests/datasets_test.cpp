// Data sets: defining and reusing numbers, the size checks, sorting, marks, compression, pasting,
// binding plot objects and the nearest-point search, and the data cursor.
#include "PlotkitFixture.h"

#include "testkit/Clipboard.h"

#include <cstring>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

// A plot object as a curve keeps one: the head, then its binding.
struct FakePlot
{
    ObjDesc head;
    DataSetLink link;
    int dropped;
};

DataSetLink* FakeLink(ObjDesc* o)
{
    return &reinterpret_cast<FakePlot*>(o)->link;
}

void FakeDrop(ObjDesc* o)
{
    ++reinterpret_cast<FakePlot*>(o)->dropped;
}

class DataSetsTest : public PlotkitTest
{
protected:
    void SetUp() override
    {
        PlotkitTest::SetUp();
        // Stand-in curves (type 1) for the binding and the nearest-point search, and bare axes;
        // whatever the library registered for them comes back afterwards.
        for (int type : {PK_TYPE_CURVE, PK_TYPE_AXIS})
            if (const PlotObjectType* t = FindObjectType(type))
                savedTypes.push_back(*t);
        if (const PlotDataOps* ops = FindPlotDataOps(PK_TYPE_CURVE))
            savedOps = *ops;
        PlotObjectType t{};
        t.type = PK_TYPE_CURVE;
        t.size = sizeof(FakePlot);
        RegisterOwnObjectType(t);
        // Bare axes carry the ranges the data cursor reads.
        t.type = PK_TYPE_AXIS;
        t.size = sizeof(AxisDesc);
        RegisterOwnObjectType(t);
        RegisterPlotDataOps(PK_TYPE_CURVE, PlotDataOps{FakeLink, FakeDrop, nullptr});
    }
    void TearDown() override
    {
        PlotkitTest::TearDown();
        for (const PlotObjectType& t : savedTypes)
            RegisterOwnObjectType(t);
        RegisterPlotDataOps(PK_TYPE_CURVE, savedOps);
    }

    // A float block holding `values`.
    static HGLOBAL Block(const std::vector<float>& values)
    {
        HGLOBAL h = GlobalAlloc(GHND, values.size() * sizeof(float));
        std::memcpy(GlobalLock(h), values.data(), values.size() * sizeof(float));
        GlobalUnlock(h);
        return h;
    }

    static std::vector<float> Xs(int number)
    {
        float* x = nullptr;
        int count = 0;
        WGGetDataSetArraysPtr(number, &x, nullptr, &count, nullptr);
        return std::vector<float>(x, x + count);
    }
    static std::vector<float> Ys(int number)
    {
        float* y = nullptr;
        int count = 0, per = 0;
        WGGetDataSetArraysPtr(number, nullptr, &y, &count, &per);
        return std::vector<float>(y, y + count * per);
    }

    std::vector<PlotObjectType> savedTypes;
    PlotDataOps savedOps{};
};

TEST_F(DataSetsTest, NumbersAreReusedAndNamesKept)
{
    float x[3] = {1, 2, 3}, y[3] = {4, 5, 6};
    const int a = WGDefineDataSetPtr("first", x, y, 3);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(WGDefineDataSetPtr("first", x, y, 3), a); // the same arrays, count and name
    const int b = WGDefineDataSetPtr("abcdefghijklmnopqrstuvwxy", x, y, 2);
    EXPECT_EQ(b, 2);
    EXPECT_STREQ(DataSetAt(b)->name, "abcdefghijklmnopqrst");
    const int c = WGDefineDataSetPtr(nullptr, x, y, 1);
    EXPECT_STREQ(DataSetAt(c)->name, "Data Set # 3");

    WGFreeDataSet(a, FALSE);
    EXPECT_EQ(DataSetAt(a), nullptr);
    EXPECT_EQ(WGDefineDataSetPtr("again", x, y, 3), a); // lowest free number first
    int count = 0, per = 0;
    EXPECT_TRUE(WGGetDataSetArrays(b, nullptr, nullptr, &count, &per));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(per, 1);
    EXPECT_FALSE(WGGetDataSetArrays(0, nullptr, nullptr, &count, &per)); // silently
}

TEST_F(DataSetsTest, TheEighteenHundredthIsRefused)
{
    float x[1] = {0}, y[1] = {0};
    for (int n = 1; n <= PK_MAX_DATASETS; ++n)
        ASSERT_EQ(WGDefineDataSetPtr(("s" + std::to_string(n)).c_str(), x, y, 1), n);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Too many data sets").Reply(IDYES);
    EXPECT_EQ(WGDefineDataSetPtr("one more", x, y, 1), 0);
    EXPECT_EQ(WGGetLastError(), 59);
}

TEST_F(DataSetsTest, BlocksShorterThanTheCountAreNotReadPastTheirEnd)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Wrong data set size - short").Reply(IDYES).Times(2);
    // X holds 4 values, Y only 3: the set keeps the 3 points both hold.
    HGLOBAL xh = Block({1, 2, 3, 4});
    HGLOBAL yh = Block({5, 6, 7});
    const int n = WGDefineDataSet("short", xh, yh, 4);
    ASSERT_NE(n, 0);
    EXPECT_EQ(DataSetAt(n)->count, 3);
    // A group set needs count x members Y values.
    HGLOBAL gx = Block({1, 2});
    HGLOBAL gy = Block({1, 2, 3});
    const int g = WGDefineGroupDataSet("short", gx, gy, 2, 2);
    EXPECT_EQ(DataSetAt(g)->count, 1);
    WGFreeDataSet(n, TRUE);
    WGFreeDataSet(g, TRUE);
    EXPECT_EQ(GlobalSize(xh), 0u); // freed with the set
}

TEST_F(DataSetsTest, CombSortMovesYWithX)
{
    // 12 points take the gap sequence 9, 11, 8, ... on the way down.
    std::vector<float> x = {5, 11, 2, 8, 0, 9, 3, 7, 10, 1, 6, 4};
    std::vector<float> y;
    for (float v : x)
        y.push_back(v * 10);
    const int n = WGDefineDataSetPtr("sort", x.data(), y.data(), 12);
    ASSERT_TRUE(WGSortDataX(n, FALSE));
    for (int i = 0; i < 12; ++i)
    {
        EXPECT_EQ(x[i], 11 - i);
        EXPECT_EQ(y[i], x[i] * 10);
    }
    ASSERT_TRUE(WGSortDataY(n, TRUE));
    EXPECT_EQ(x.front(), 0);
    EXPECT_EQ(y.back(), 110);

    float gx[2] = {2, 1}, gy[6] = {1, 2, 3, 4, 5, 6};
    const int g = WGDefineGroupDataSetPtr("group", gx, gy, 2, 3);
    EXPECT_FALSE(WGSortDataY(g, TRUE));
    EXPECT_EQ(gx[0], 2);
    ASSERT_TRUE(WGSortDataX(g, TRUE));
    EXPECT_EQ(gx[0], 1);
    EXPECT_EQ(gy[0], 4);
    EXPECT_EQ(gy[5], 3);
}

TEST_F(DataSetsTest, MarksStayInRangeAndGroupsIgnoreThem)
{
    float x[4] = {1, 2, 3, 4}, y[4] = {10, -20, 30, 40};
    const int n = WGDefineDataSetPtr("marks", x, y, 4);
    EXPECT_FALSE(WGMarkDataPoint(n, 4, TRUE)); // the count itself is out of range
    EXPECT_FALSE(WGIsDataPointGood(n, 4));
    EXPECT_TRUE(WGMarkDataPoint(n, 1, TRUE));
    EXPECT_TRUE(WGMarkDataPoint(n, 3, TRUE));
    EXPECT_FALSE(WGIsDataPointGood(n, 1));
    EXPECT_TRUE(WGIsDataPointGood(n, 2));
    float lo = 0, hi = 0;
    WGGetMinMaxY(n, &lo, &hi);
    EXPECT_EQ(lo, 10);
    EXPECT_EQ(hi, 30);
    WGGetMinMaxX(n, &lo, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 3);
    EXPECT_TRUE(WGMarkDataPoint(n, 3, FALSE));
    EXPECT_TRUE(WGIsDataPointGood(n, 3));
    for (int p : {1, 2})
        WGMarkDataPoint(n, p, TRUE);
    WGMarkDataPoint(n, 0, TRUE);
    WGMarkDataPoint(n, 3, TRUE);
    WGGetMinMaxX(n, &lo, &hi);
    EXPECT_EQ(lo, 1e21f); // no good point: the start values
    EXPECT_EQ(hi, -1e21f);

    float gy[8] = {};
    const int g = WGDefineGroupDataSetPtr("group", x, gy, 4, 2);
    EXPECT_TRUE(WGMarkDataPoint(g, 2, TRUE));
    EXPECT_TRUE(WGIsDataPointGood(g, 2));
}

TEST_F(DataSetsTest, CompressionByBlocks)
{
    std::vector<float> x(100), y(100);
    for (int i = 0; i < 100; ++i)
    {
        x[i] = static_cast<float>(i);
        y[i] = static_cast<float>(i % 7);
    }
    const int n = WGDefineDataSetPtr("raw", x.data(), y.data(), 100);
    const int mean = WGCompressData(n, 1, 10, 0, 0, "mean");
    ASSERT_NE(mean, 0);
    const std::vector<float> mx = Xs(mean);
    ASSERT_EQ(mx.size(), 10u);
    for (int b = 0; b < 10; ++b)
        EXPECT_FLOAT_EQ(mx[b], b * 10 + 4.5f);

    struct Case
    {
        int method, factor, start, end;
        std::vector<float> x, y;
    };
    // 25 points 0..24 with y = x % 7 (0..6, 0..6, 0..6, 0..3).
    const Case cases[] = {
        {0, 10, 0, 0, {0, 10, 20}, {0, 3, 6}}, // the whole set keeps its last block
        {2, 10, 0, 0, {0, 10, 20}, {6, 6, 6}}, // maxima
        {3, 10, 0, 0, {0, 10, 20}, {0, 0, 0}}, // minima
        {1, 10, 20, 99, {22}, {2.4f}},         // an end beyond the set: 20..24
        {2, 1, 3, 6, {3, 4, 5}, {3, 4, 5}},    // factor 1 takes each point
    };
    std::vector<float> sx(25), sy(25);
    for (int i = 0; i < 25; ++i)
    {
        sx[i] = static_cast<float>(i);
        sy[i] = static_cast<float>(i % 7);
    }
    const int s = WGDefineDataSetPtr("small", sx.data(), sy.data(), 25);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "method " << c.method << " factor " << c.factor << " from "
                                        << c.start << " to " << c.end);
        const int out = WGCompressData(s, c.method, c.factor, c.start, c.end, "out");
        ASSERT_NE(out, 0);
        EXPECT_EQ(Xs(out), c.x);
        EXPECT_EQ(Ys(out), c.y);
        WGFreeDataSet(out, TRUE);
    }
    EXPECT_EQ(WGCompressData(s, 1, 0, 0, 0, "same"), s);

    // Bad points are left out of the blocks.
    WGMarkDataPoint(s, 0, TRUE);
    const int good = WGCompressData(s, 0, 10, 0, 0, "good");
    EXPECT_EQ(Xs(good), (std::vector<float>{1, 11, 21}));
}

TEST_F(DataSetsTest, PastedTables)
{
    kel::testkit::Clipboard clipboard;
    struct Case
    {
        const char* text;
        int count, per;
        std::vector<float> x, y;
    };
    const Case cases[] = {
        {"1 2 3\n4 5 6\n", 2, 2, {1, 4}, {2, 3, 5, 6}},
        {"1\t2\r\n3\t4\r\n", 2, 1, {1, 3}, {2, 4}}, // CR LF counts once
        {"x y\n1 2\n3 4", 2, 1, {1, 3}, {2, 4}},    // the last row has no line end
        {"1 2", 1, 1, {1}, {2}},                    // a short text is a table too
        {"-1.5e2 .5\n+2 3E-1\n", 2, 1, {-150, 2}, {0.5f, 0.3f}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        clipboard.PutText(c.text);
        const int n = WGPasteDataSet("pasted");
        ASSERT_NE(n, 0);
        EXPECT_EQ(DataSetAt(n)->count, c.count);
        EXPECT_EQ(DataSetAt(n)->yPerX, c.per);
        EXPECT_EQ(Xs(n), c.x);
        EXPECT_EQ(Ys(n), c.y);
        WGFreeDataSet(n, TRUE);
    }

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("No data in the Clipboard").Reply(IDOK).Times(2);
    clipboard.PutText("1\n2\n3\n"); // one column
    EXPECT_EQ(WGPasteDataSet("one"), 0);
    clipboard.PutText("no numbers here");
    EXPECT_EQ(WGPasteDataSet("none"), 0);
}

TEST_F(DataSetsTest, BindingCountsCurvesWithoutWrapping)
{
    float x[3] = {0, 1, 2}, y[3] = {0, 1, 4};
    const int n = WGDefineDataSetPtr("bound", x, y, 3);
    std::vector<FakePlot> plots(300);
    for (FakePlot& p : plots)
    {
        p.head.type = PK_TYPE_CURVE;
        EXPECT_EQ(AttachDataSet(nullptr, &p.head, n), 3);
    }
    EXPECT_EQ(DataSetAt(n)->curves, 300);
    const int dropped = plots[0].dropped;
    for (FakePlot& p : plots)
        ReleaseDataSet(nullptr, &p.head);
    EXPECT_EQ(DataSetAt(n)->curves, 0);
    EXPECT_EQ(plots[0].link.number, 0);
    EXPECT_EQ(plots[0].dropped, dropped + 1); // its computed points go with the binding
}

TEST_F(DataSetsTest, ReconnectAndNearestPoint)
{
    float ax[4] = {0, 1, 2, 3}, ay[4] = {0, 10, 20, 30};
    float bx[3] = {0.4f, 1.6f, 2.5f}, by[3] = {5, 12, 19};
    const int a = WGDefineDataSetPtr("a", ax, ay, 4);
    const int b = WGDefineDataSetPtr("b", bx, by, 3);
    PgDesc* page = MakePage("nearest");
    int curveA = 0, curveB = 0, box = 0;
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                              [&](GrDesc* g, HWND)
                              {
                                  for (int* number : {&curveA, &curveB})
                                  {
                                      ObjDesc* o = NewObjDesc(g, PK_TYPE_CURVE, 3);
                                      ASSERT_NE(o, nullptr);
                                      AttachDataSet(g, o, number == &curveA ? a : b);
                                      *number = CommitObjDesc(g);
                                  }
                                  box = AddObject(g, kBox, RECT{0, 0, 10, 10});
                              });
    ASSERT_NE(box, 0);
    EXPECT_EQ(WGGetDataSet(graph, curveA), a);
    EXPECT_EQ(WGGetDataSet(graph, box), 0);

    struct Case
    {
        float x, y;
        int mode;
        int set, index;
    };
    const Case cases[] = {
        {1.5f, 0, 0, b, 1},  // |X - 1.5|: 1.6 beats 1 and 2
        {0, 11, 1, a, 1},    // |Y - 11|: 10 ties 12, the first curve stands
        {2.4f, 19, 2, b, 2}, // the plane
        {2, 20, 7, a, 2},    // exact match only
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        float px = 0, py = 0;
        int set = 0, index = -1;
        ASSERT_TRUE(WGGetNearestPoint(graph, c.x, c.y, c.mode, &px, &py, &set, &index));
        EXPECT_EQ(set, c.set);
        EXPECT_EQ(index, c.index);
    }
    EXPECT_FALSE(WGGetNearestPoint(graph, 9, 9, 7, nullptr, nullptr, nullptr, nullptr));
    WGMarkDataPoint(b, 1, TRUE);
    int index = 0, set = 0;
    WGGetNearestPoint(graph, 1.5f, 0, 0, nullptr, nullptr, &set, &index);
    EXPECT_EQ(set, a); // the bad point is passed over
    EXPECT_EQ(index, 1);

    EXPECT_EQ(WGReconnectDataSet(graph, curveA, b), 3);
    EXPECT_EQ(DataSetAt(a)->curves, 0);
    EXPECT_EQ(DataSetAt(b)->curves, 2);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad data set handle").Reply(IDYES);
    WGReconnectDataSet(graph, curveA, 77);
    EXPECT_EQ(WGGetLastError(), 55);
    prompts.Expect("Illegal editing function for ").Reply(IDYES);
    WGReconnectDataSet(graph, box, a);
    EXPECT_EQ(WGGetLastError(), 29);
}

TEST_F(DataSetsTest, DataCursorFollowsItsAxes)
{
    PgDesc* page = MakePage("cursor");
    int vertical = 0, box = 0;
    GrDesc* graph =
        MakeGraph(page, 0, 0, 1, 1,
                  [&](GrDesc* g, HWND)
                  {
                      g->plot = RECT{1000, 1000, 9000, 9000};
                      for (int direction : {1, 0})
                      {
                          auto* axis = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
                          axis->direction = static_cast<SHORT>(direction);
                          axis->xMin = 0;
                          axis->xMax = 100;
                          axis->yMin = 0;
                          axis->yMax = 10;
                          const int number = CommitObjDesc(g);
                          (direction ? g->defaultXAxis : g->defaultYAxis) = static_cast<SHORT>(number);
                      }
                      vertical = WGSetDataCursor(g, g->buildDc, 0, 0, 0, 10, 4, 0, 1);
                      box = WGSetDataCursor(g, g->buildDc, 3, 0, 0, 10, 4, 0, 1);
                  });
    ASSERT_NE(vertical, 0);
    ASSERT_NE(box, 0);
    EXPECT_EQ(WGGetObjectType(graph, vertical), PK_TYPE_DATACURSOR);
    EXPECT_FALSE(GetObjDesc(graph, vertical, nullptr)->visible); // hidden until moved

    WGMoveDataCursor(graph, vertical, 25, 5, TRUE);
    float x = 0, y = 0;
    WGGetObjectCoord(graph, vertical, &x, &y, nullptr, nullptr);
    EXPECT_EQ(x, 25);
    EXPECT_EQ(y, 0); // spans the Y range from its start
    EXPECT_TRUE(GetObjDesc(graph, vertical, nullptr)->visible);

    float bx1 = 0, by1 = 0;
    WGGetObjectCoord(graph, box, &bx1, &by1, nullptr, nullptr);
    WGMoveDataCursor(graph, box, 50, 5, TRUE);
    float nx1 = 0, ny1 = 0;
    WGGetObjectCoord(graph, box, &nx1, &ny1, nullptr, nullptr);
    EXPECT_FLOAT_EQ(nx1 - bx1, 50); // moved with its centre from (0, 0)
    EXPECT_FLOAT_EQ(ny1 - by1, 5);
    WGMoveDataCursor(graph, box, 50, 5, FALSE);
    EXPECT_FALSE(GetObjDesc(graph, box, nullptr)->visible);
}

} // namespace
} // namespace plotkit::test
