// Meters: the value-to-angle rule and the scale's angles, the needles of a meter of several values,
// what needle, pie and arc meters show on the screen (probed pixel by pixel), that updates end equal
// to a full repaint, and the refusals of values that have no sound meaning.
#include "Meters.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kBlack = RGB(0, 0, 0);

class MetersTest : public TrendkitTest
{
protected:
    GrDesc* MeterGraph(std::function<void(GrDesc*)> build)
    {
        static int pages = 0;
        const std::string name = "meters" + std::to_string(++pages);
        PgDesc* page = MakePage(name.c_str());
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1, [=](GrDesc* g, HWND) { build(g); });
        Repainted(graph);
        return graph;
    }

    static MeterDesc* Meter(GrDesc* graph, WORD number)
    {
        return AsMeter(GetObjDesc(graph, number, nullptr));
    }

    // The device pixel of a point at angle `a` and distance `r` (logical units) from the centre.
    static POINT PixelAt(GrDesc* graph, const MeterDesc* m, double a, int r)
    {
        POINT p{m->centre.x + static_cast<LONG>(r * std::cos(a * M_PI / 180)),
                m->centre.y - static_cast<LONG>(r * std::sin(a * M_PI / 180))};
        LPtoDP(graph->buildDc, &p, 1);
        return p;
    }

    // Whether `colour` lies within `slack` pixels of `p`.
    static bool Near(const Image& image, POINT p, COLORREF colour, int slack = 2)
    {
        for (int dy = -slack; dy <= slack; ++dy)
            for (int dx = -slack; dx <= slack; ++dx)
            {
                const int x = p.x + dx, y = p.y + dy;
                if (x >= 0 && y >= 0 && x < image.width && y < image.height && image.Pixel(x, y) == colour)
                    return true;
            }
        return false;
    }

    static WORD Needle(GrDesc* g, int slot, int index, int start, int end, float minimum = 0, float maximum = 100,
                       int style = 0, const int* colours = nullptr, float step = 20, int tickPosition = 0)
    {
        static const int kRed[5] = {12, 9, 10, 11, 13};
        return WRSetMeter(g, slot, index, minimum, maximum, 0.5f, 0.5f, 0.6f, start, end, style,
                          colours ? colours : kRed, 0.05f, step, 1, tickPosition, 4, 0, 0, 0, 1, 0, 0, 0,
                          nullptr);
    }
};

TEST_F(MetersTest, ValuesMapToAnglesFromTheMaximumAtTheStart)
{
    const int slot = DefineSet(1);
    struct Case
    {
        int start, end;
        float minimum, maximum;
        int wantEnd;
        bool full;
        float value;
        double angle;
    };
    const Case cases[] = {
        {30, 150, 0, 100, 150, false, 100, 30},  {30, 150, 0, 100, 150, false, 0, 150},
        {30, 150, 0, 100, 150, false, 50, 90},   {90, 90, 0, 100, 450, true, 25, 360},
        {90, 450, 0, 10, 450, true, 10, 90},     {300, 60, 0, 100, 420, false, 0, 420},
        {30, 150, 100, 0, 150, false, 100, 150}, {30, 150, 100, 0, 150, false, 25, 60},
    };
    WORD numbers[std::size(cases)] = {};
    GrDesc* graph = MeterGraph(
        [&](GrDesc* g)
        {
            for (size_t i = 0; i < std::size(cases); ++i)
                numbers[i] = Needle(g, slot, 0, cases[i].start, cases[i].end, cases[i].minimum, cases[i].maximum);
        });
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        MeterDesc* m = Meter(graph, numbers[i]);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->endAngle, c.wantEnd);
        EXPECT_EQ(m->fullCircle, c.full ? 1 : 0);
        EXPECT_EQ(m->direction, c.maximum > c.minimum ? 1 : -1);
        EXPECT_NEAR(MeterAngle(m, c.value), c.angle, 1e-3);
        int start = 0, end = 0;
        EXPECT_EQ(WRGetMeterAngles(graph, numbers[i], &start, &end), 1);
        EXPECT_EQ(end, c.wantEnd);
    }
    EXPECT_EQ(GetDynDataSet(slot)->useCount, static_cast<int>(std::size(cases)));

    // A value far beyond the scale stops the needle four degrees past its end.
    MeterDesc* m = Meter(graph, numbers[0]);
    Repainted(graph);
    float v = 1e6f;
    WRUpdateData(slot, &v, graph);
    EXPECT_EQ(m->needles[0].angle, 30 - 4);
    v = -1e6f;
    WRUpdateData(slot, &v, graph);
    EXPECT_EQ(m->needles[0].angle, 150 + 4);
    // Between whole degrees the needle's sine follows the exact angle.
    v = 50.5f; // 89.4 degrees
    WRUpdateData(slot, &v, graph);
    EXPECT_EQ(m->needles[0].angle, 89);
    EXPECT_NEAR(m->needles[0].cosine, std::cos(89.4 * M_PI / 180), 1e-3);
}

TEST_F(MetersTest, SeveralValuesGetFiveNeedlesEachShorterAndOneNeedleTakesTheFirstColour)
{
    const int eight = DefineSet(8), four = DefineSet(4);
    const int colours[5] = {12, 9, 10, 11, 13};
    WORD many = 0, single = 0;
    GrDesc* graph = MeterGraph(
        [&](GrDesc* g)
        {
            many = Needle(g, eight, -1, 0, 180, 0, 100, 0, colours);
            single = Needle(g, four, 3, 0, 180, 0, 100, 0, colours);
        });
    MeterDesc* m = Meter(graph, many);
    ASSERT_NE(m, nullptr);
    int first = 0, last = 0;
    MeterValueRange(m, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 4);
    for (int k = 1; k < 5; ++k)
        EXPECT_NEAR(m->needles[k - 1].length - m->needles[k].length, m->tickLength / 2.0, 1) << k;
    EXPECT_EQ(m->needles[4].colour, WGGetRGBColor(13));
    MeterDesc* s = Meter(graph, single);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->needles[0].colour, WGGetRGBColor(12));
}

TEST_F(MetersTest, SoundValuesOnlyAndAStepOfZeroStillEndsTheScale)
{
    const int slot = DefineSet(2);
    WORD zeroStep = 0, equal = 0, pastLast = 0, tooMany = 0, good = 0;
    GrDesc* graph = MeterGraph(
        [&](GrDesc* g)
        {
            zeroStep = Needle(g, slot, 0, 0, 180, 0, 100, 0, nullptr, 0);
            equal = Needle(g, slot, 0, 0, 180, 50, 50);
            pastLast = Needle(g, slot, 2, 0, 180);
            tooMany = Needle(g, slot, 40, 0, 180);
            good = Needle(g, slot, 1, 0, 180, 0, 100, 0, nullptr, -5);
        });
    EXPECT_NE(zeroStep, 0);
    EXPECT_EQ(equal, 0);
    EXPECT_EQ(pastLast, 0);
    EXPECT_EQ(tooMany, 0);
    ASSERT_NE(good, 0);
    EXPECT_FLOAT_EQ(Meter(graph, zeroStep)->majorStep, 100);
    EXPECT_FLOAT_EQ(Meter(graph, good)->majorStep, 100);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 2);
    // The painting of both ended (the test would hang otherwise); a step of 0, one too large or an
    // empty range is refused by the changers and the old values stay.
    EXPECT_EQ(WRChangeMeterTicks(graph, good, 0.05f, 0, 1, 0, 1), 1);
    EXPECT_EQ(WRChangeMeterTicks(graph, good, 0.05f, 500, 1, 0, 1), 1);
    EXPECT_FLOAT_EQ(Meter(graph, good)->majorStep, 100);
    EXPECT_EQ(WRChangeMeterTicks(graph, good, 0.05f, 25, 1, 0, 1), 1);
    EXPECT_FLOAT_EQ(Meter(graph, good)->majorStep, 25);
    EXPECT_EQ(WRChangeMeterRange(graph, good, 7, 7, 0, 1), 0);
    float minimum = 0, maximum = 0;
    EXPECT_EQ(WRGetMeterRange(graph, good, &minimum, &maximum, nullptr), 1);
    EXPECT_FLOAT_EQ(minimum, 0);
    EXPECT_FLOAT_EQ(maximum, 100);
    // Not a meter, or no object at all.
    EXPECT_EQ(WRGetMeterRange(graph, 999, &minimum, &maximum, nullptr), 0);
    Repainted(graph);
}

TEST_F(MetersTest, NeedlePieAndArcMetersDrawTheirValuesAndUpdatesMatchARepaint)
{
    const int slot = DefineSet(1);
    const int zones[3] = {10, 12, 11};
    WORD needle = 0, pie = 0, arc = 0;
    GrDesc* graph = MeterGraph(
        [&](GrDesc* g)
        {
            const int colours[1] = {12};
            needle = WRSetMeter(g, slot, 0, 0, 100, 0.14f, 0.4f, 0.2f, 0, 180, 2, colours, 0.06f, 20, 1, 0, 4, 0,
                                1, 1, 1, 0, 1, 0, zones);
            pie = WRSetPieMeter(g, slot, 0, 0, 100, 0, 0.5f, 0.4f, 0.2f, 30, 150, 9, 7, 0.05f, 25, 0, 4, 0, 1, 0,
                                0, nullptr);
            arc = WRSetArcMeter(g, slot, 0, 0, 100, 0, 0.86f, 0.4f, 0.2f, 225, 315, 10, 8, 0, 0.05f, 50, 1, 0, 0, 1,
                                1, 1, 0, 0, 0, nullptr);
        });
    ASSERT_NE(needle, 0);
    ASSERT_NE(pie, 0);
    ASSERT_NE(arc, 0);
    MeterDesc* n = Meter(graph, needle);
    MeterDesc* p = Meter(graph, pie);
    MeterDesc* a = Meter(graph, arc);
    EXPECT_EQ(p->rt.head.subKind, METER_PIE);
    EXPECT_EQ(a->rt.head.subKind, METER_ARC);
    Repainted(graph);
    const float values[] = {75, 40, 10};
    for (float v : values)
    {
        WRUpdateData(slot, &v, graph);
        const std::string stage = "meters_" + std::to_string(static_cast<int>(v));
        const Image image = ExpectLikeRepaint(graph, stage);
        // The needle points at (100 - v) x 1.8 degrees, its tip in red.
        const double na = (100 - v) * 1.8;
        EXPECT_TRUE(Near(image, PixelAt(graph, n, na, n->needles[0].length * 3 / 4), WGGetRGBColor(12)));
        // The pie's sector reaches from the reference (0, at 150 degrees) to the value.
        const double pa = 30 + (100 - v) * 1.2;
        EXPECT_TRUE(Near(image, PixelAt(graph, p, (pa + 150) / 2, p->innerRadius / 2), WGGetRGBColor(9)));
        EXPECT_TRUE(Near(image, PixelAt(graph, p, (pa + 30) / 2 - 2, p->innerRadius / 2), WGGetRGBColor(7)) ||
                    pa < 34);
        // The arc's band runs from 315 (the reference 0) back to the value's angle.
        const double aa = 225 + (100 - v) * 0.9;
        EXPECT_TRUE(Near(image, PixelAt(graph, a, (aa + 315) / 2, a->innerRadius + a->bandWidth / 2),
                         WGGetRGBColor(10)));
    }
}

TEST_F(MetersTest, ARoundBlackFaceLeavesTheGraphAroundItAndABlackBorderShows)
{
    const int slot = DefineSet(1);
    WORD number = 0;
    GrDesc* graph = MeterGraph(
        [&](GrDesc* g)
        {
            const int colours[1] = {15};
            number = WRSetMeter(g, slot, 0, 0, 100, 0.5f, 0.5f, 0.5f, 0, 180, 0, colours, 0.05f, 20, 1, 0, 0, 0, 0,
                                0, 1, 0, 0, 0, nullptr);
            WRSetMeterBorder(g, number, 0.5f, 0.5f, 0.6f, 0.6f, kBlack, 3, 0, 3);
        });
    ASSERT_NE(number, 0);
    MeterDesc* m = Meter(graph, number);
    const Image image = ExpectLikeRepaint(graph, "meter_black_face");
    const COLORREF background = graph->background;
    RECT e = m->rt.head.extent;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&e), 2);
    // The corner outside the rounded rectangle keeps the graph's colour; inside the face is black.
    EXPECT_EQ(image.Pixel(e.left + 1, e.top + 1), background);
    EXPECT_EQ(image.Pixel((e.left + e.right) / 2, e.bottom - 8), kBlack);
    // The black border along the middle of the left side.
    EXPECT_EQ(image.Pixel(e.left + 1, (e.top + e.bottom) / 2), kBlack);
    const float v = 30;
    WRUpdateData(slot, &v, graph);
    ExpectLikeRepaint(graph, "meter_black_face_updated");
}

TEST_F(MetersTest, ChangersLayTheMeterOutAgainAndTheNextPaintShowsIt)
{
    const int slot = DefineSet(3);
    WORD number = 0;
    GrDesc* graph = MeterGraph([&](GrDesc* g) { number = Needle(g, slot, -1, 0, 180, 0, 100, 4); });
    ASSERT_NE(number, 0);
    MeterDesc* m = Meter(graph, number);
    const float v[3] = {20, 50, 80};
    WRUpdateData(slot, v, graph);
    ExpectLikeRepaint(graph, "meter_arrows");

    EXPECT_EQ(WRChangeMeterCenter(graph, number, 0.3f, 0.6f, 0.4f, 1), 1);
    float cx = 0, cy = 0, diameter = 0;
    EXPECT_EQ(WRGetMeterCenter(graph, number, &cx, &cy, &diameter), 1);
    EXPECT_FLOAT_EQ(cx, 0.3f);
    EXPECT_FLOAT_EQ(diameter, 0.4f);
    const RECT before = m->rt.head.extent;
    EXPECT_EQ(WRChangeMeterTicks(graph, number, 0.05f, 25, 0, 4, 1), 1);
    EXPECT_EQ(WRChangeMeterAngles(graph, number, 200, 340, 1), 1);
    const Image image = ExpectLikeRepaint(graph, "meter_changed");
    // Ticks outside the circle widen the meter by a tick length on each side.
    EXPECT_EQ(m->rt.head.extent.left, std::max<LONG>(before.left - m->tickLength, graph->unitsPerPixelX));
    // The first needle (20) now points at 200 + 80% of 140 degrees.
    EXPECT_TRUE(Near(image, PixelAt(graph, m, 312, m->needles[0].length * 3 / 4), WGGetRGBColor(12)));
    int minor = -1, position = -1;
    float fraction = 0, step = 0;
    EXPECT_EQ(WRGetMeterTicks(graph, number, &fraction, &step, &minor, &position), 1);
    EXPECT_FLOAT_EQ(step, 25);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(position, 4);
}

} // namespace
} // namespace trendkit::test
