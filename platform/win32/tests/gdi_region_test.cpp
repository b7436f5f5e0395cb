// Regions as banded rectangle lists: set operations against a pixel-by-pixel oracle, the canonical
// form that makes equal sets equal lists, and the scan conversion of ellipses and polygons.
#include "win32/gdi.h"
#include "win32/gdiregion.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{

using kel::gdi::Region;
using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const Region& r)
{
    Pixels out;
    for (const RECT& rect : r.Rects())
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                out.insert({x, y});
    return out;
}

// The form every region keeps: bands top to bottom, spans left to right and apart, no two
// touching bands with the same spans.
void ExpectBanded(const Region& r)
{
    const std::vector<RECT>& rects = r.Rects();
    for (size_t i = 0; i < rects.size(); ++i)
    {
        const RECT& a = rects[i];
        ASSERT_LT(a.left, a.right);
        ASSERT_LT(a.top, a.bottom);
        if (i == 0)
            continue;
        const RECT& p = rects[i - 1];
        if (p.top == a.top)
        {
            ASSERT_EQ(p.bottom, a.bottom) << "a band shares top and bottom";
            ASSERT_LT(p.right, a.left) << "spans of a band are apart";
        }
        else
            ASSERT_LE(p.bottom, a.top) << "bands do not overlap";
    }
}

TEST(GdiRegion, SetOperationsMatchThePixelsTheyStandFor)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-6, 18), side(1, 9), count(0, 4);
    auto randomRegion = [&]
    {
        Region r;
        for (int i = 0, n = count(random); i < n; ++i)
        {
            const int x = coordinate(random), y = coordinate(random);
            r |= Region(RECT{x, y, x + side(random), y + side(random)});
        }
        return r;
    };
    struct Op
    {
        const char* name;
        std::function<Region(const Region&, const Region&)> regions;
        std::function<bool(bool, bool)> pixel;
    };
    const Op ops[] = {
        {"or", [](const Region& a, const Region& b) { return a | b; }, [](bool a, bool b) { return a || b; }},
        {"and", [](const Region& a, const Region& b) { return a & b; },
         [](bool a, bool b) { return a && b; }},
        {"diff", [](const Region& a, const Region& b) { return a - b; },
         [](bool a, bool b) { return a && !b; }},
        {"xor", [](const Region& a, const Region& b) { return a ^ b; },
         [](bool a, bool b) { return a != b; }},
    };
    for (int round = 0; round < 200; ++round)
    {
        const Region a = randomRegion(), b = randomRegion();
        const Pixels pa = PixelsOf(a), pb = PixelsOf(b);
        for (const Op& op : ops)
        {
            SCOPED_TRACE(std::string(op.name) + " round " + std::to_string(round));
            const Region result = op.regions(a, b);
            ExpectBanded(result);
            for (int y = -8; y < 30; ++y)
                for (int x = -8; x < 30; ++x)
                {
                    const bool expected = op.pixel(pa.count({x, y}) > 0, pb.count({x, y}) > 0);
                    ASSERT_EQ(result.Contains(x, y), expected) << x << "," << y;
                }
        }
    }
}

TEST(GdiRegion, EqualSetsHaveEqualListsWhateverTheyWereBuiltFrom)
{
    // An L shape three ways: rectangles in either order, and a square less a corner.
    const Region a = Region(RECT{0, 0, 10, 5}) | Region(RECT{0, 5, 5, 10});
    const Region b = Region(RECT{0, 5, 5, 10}) | Region(RECT{0, 0, 5, 5}) | Region(RECT{5, 0, 10, 5});
    const Region c = Region(RECT{0, 0, 10, 10}) - Region(RECT{5, 5, 10, 10});
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(a.RectCount(), 2u) << "one band per distinct run of spans";
    // Touching rectangles merge; rows with the same spans merge into one band.
    EXPECT_EQ((Region(RECT{0, 0, 5, 1}) | Region(RECT{5, 0, 9, 1}) | Region(RECT{0, 1, 9, 4})).RectCount(),
              1u);
    EXPECT_NE(a, Region(RECT{0, 0, 10, 10}));
    EXPECT_TRUE(Region(RECT{3, 3, 3, 9}).IsEmpty()) << "no width, no pixels";
    EXPECT_TRUE((a - a).IsEmpty());
}

TEST(GdiRegion, BoundsContainsIntersectsAndOffsetKeepEdgesExclusive)
{
    const Region r = Region(RECT{2, 2, 6, 4}) | Region(RECT{10, 8, 12, 9});
    const RECT box = r.Bounds();
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.right, 12);
    EXPECT_EQ(box.bottom, 9);
    EXPECT_TRUE(r.Contains(5, 3));
    EXPECT_FALSE(r.Contains(6, 3));
    EXPECT_FALSE(r.Contains(5, 4));
    EXPECT_TRUE(r.Intersects(RECT{0, 0, 3, 3}));
    EXPECT_FALSE(r.Intersects(RECT{6, 2, 10, 8})) << "touching is not intersecting";
    const RECT none = Region().Bounds();
    EXPECT_EQ(none.right - none.left, 0);

    const Region moved = r.Offsetted(-2, 5);
    EXPECT_TRUE(moved.Contains(0, 7));
    EXPECT_FALSE(moved.Contains(5, 3));
    // Offsets past the int range saturate instead of wrapping round to small coordinates.
    Region distant = r;
    distant.Offset(INT32_MAX, INT32_MAX);
    distant.Offset(INT32_MAX, INT32_MAX);
    EXPECT_FALSE(distant.Contains(5, 3));
    EXPECT_TRUE(distant.IsEmpty()) << "every pixel went past the limit";
}

TEST(GdiRegion, EllipsesTakeThePixelsWhoseCentresAreInside)
{
    const Region circle = Region::Ellipse(RECT{5, 5, 25, 25});
    ExpectBanded(circle);
    const RECT box = circle.Bounds();
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.top, 5);
    EXPECT_EQ(box.right, 25);
    EXPECT_EQ(box.bottom, 25);
    EXPECT_TRUE(circle.Contains(15, 15));
    EXPECT_FALSE(circle.Contains(5, 5)) << "corners are outside";
    EXPECT_FALSE(circle.Contains(24, 5));
    // Symmetric about both axes.
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 25; ++x)
        {
            ASSERT_EQ(circle.Contains(x, y), circle.Contains(29 - x, y)) << x << "," << y;
            ASSERT_EQ(circle.Contains(x, y), circle.Contains(x, 29 - y)) << x << "," << y;
        }
    EXPECT_TRUE(Region::Ellipse(RECT{0, 0, 0, 10}).IsEmpty());
    EXPECT_EQ(Region::Ellipse(RECT{0, 0, 2, 2}), Region(RECT{0, 0, 2, 2})) << "a tiny ellipse is its box";
}

TEST(GdiRegion, PolygonsFollowTheFillRule)
{
    // A pentagram: its centre is inside when winding, outside when alternating.
    const POINT star[] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
    const int five[] = {5};
    const Region winding = Region::Polygons(star, five, 1, true);
    const Region alternate = Region::Polygons(star, five, 1, false);
    ExpectBanded(winding);
    ExpectBanded(alternate);
    EXPECT_TRUE(winding.Contains(50, 50));
    EXPECT_FALSE(alternate.Contains(50, 50));
    EXPECT_TRUE(alternate.Contains(50, 10));
    EXPECT_FALSE(winding.Contains(5, 80));

    // A square's pixels exactly: edges on pixel boundaries, right and bottom exclusive.
    const POINT square[] = {{2, 3}, {8, 3}, {8, 7}, {2, 7}};
    const int four[] = {4};
    EXPECT_EQ(Region::Polygons(square, four, 1, false), Region(RECT{2, 3, 8, 7}));
    // Two squares, one inside the other: a hole when alternating, filled when both wind alike.
    const POINT nested[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
    const int counts[] = {4, 4};
    EXPECT_FALSE(Region::Polygons(nested, counts, 2, false).Contains(5, 5));
    EXPECT_TRUE(Region::Polygons(nested, counts, 2, true).Contains(5, 5));
}

TEST(GdiRegion, HandlesCombineByModeAndHitTheRightPoints)
{
    // A pentagram: its centre is inside when winding, outside when alternating.
    const POINT star[] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
    HRGN winding = CreatePolygonRgn(star, 5, WINDING);
    HRGN alternate = CreatePolygonRgn(star, 5, ALTERNATE);
    EXPECT_TRUE(PtInRegion(winding, 50, 50));
    EXPECT_FALSE(PtInRegion(alternate, 50, 50));
    EXPECT_TRUE(PtInRegion(alternate, 50, 10));
    EXPECT_FALSE(PtInRegion(winding, 5, 80));
    EXPECT_EQ(CreatePolygonRgn(star, 2, WINDING), nullptr);

    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    struct Case
    {
        int mode;
        int result;
        POINT in, out;
    };
    const Case cases[] = {
        {RGN_AND, SIMPLEREGION, {5, 5}, {10, 10}}, {RGN_OR, COMPLEXREGION, {14, 14}, {15, 15}},
        {RGN_XOR, COMPLEXREGION, {2, 2}, {7, 7}},  {RGN_DIFF, COMPLEXREGION, {9, 2}, {5, 5}},
        {RGN_COPY, SIMPLEREGION, {9, 9}, {10, 9}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.result);
        EXPECT_TRUE(PtInRegion(out, c.in.x, c.in.y));
        EXPECT_FALSE(PtInRegion(out, c.out.x, c.out.y));
    }
    RECT box{};
    CombineRgn(out, a, b, RGN_AND);
    EXPECT_EQ(GetRgnBox(out, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.right, 10);
    const RECT touching{10, 0, 20, 10};
    EXPECT_FALSE(RectInRegion(a, &touching)) << "right edges are exclusive";
    EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_AND), ERROR);
    for (HRGN r : {winding, alternate, a, b, out})
        DeleteObject(r);
}

} // namespace
