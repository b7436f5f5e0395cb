#include "mfc/Geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

static void PrintTo(const CRect& r, std::ostream* os)
{
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

TEST(MulDiv, RoundsHalfAwayFromZero)
{
    struct Case
    {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {10, 3, 4, 8},     // 7.5 -> 8
        {-10, 3, 4, -8},   // -7.5 -> -8
        {10, -3, 4, -8},   // sign from the numerator
        {10, 3, -4, -8},   // sign from the denominator
        {-10, -3, -4, -8}, // all negative
        {7, 1, 3, 2},      // 2.33 -> 2
        {8, 1, 3, 3},      // 2.67 -> 3
        {-8, 1, 3, -3},
        {5, 1, 2, 3}, // 2.5 -> 3
        {0, 5, 7, 0},
        {100000, 100000, 100000, 100000}, // the product needs 64 bits
        {INT_MAX, 2, 2, INT_MAX},
        {INT_MAX, 2, 1, -1}, // result does not fit
        {1, 2, 0, -1},       // division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(CPointCSize, Arithmetic)
{
    CPoint p(3, 4);
    p += CSize(1, 1);
    EXPECT_EQ(p, CPoint(4, 5));
    p -= CPoint(4, 5);
    EXPECT_EQ(p, CPoint(0, 0));
    const CSize d = CPoint(10, 7) - CPoint(4, 2);
    EXPECT_EQ(d, CSize(6, 5));
    EXPECT_EQ(CPoint(1, 2) + CSize(3, 4), CPoint(4, 6));
    EXPECT_EQ(-CPoint(1, -2), CPoint(-1, 2));
    EXPECT_EQ(CSize(1, 2) + CSize(3, 4), CSize(4, 6));
    EXPECT_EQ(CPoint(0xFFFF0001u), CPoint(1, -1)); // signed words
    EXPECT_EQ(CPoint(1, 1) + CRect(0, 0, 2, 2), CRect(1, 1, 3, 3));
    EXPECT_NE(CPoint(1, 2), CPoint(2, 1));
}

TEST(CRect, BasicMeasures)
{
    const CRect r(10, 20, 40, 60);
    EXPECT_EQ(r.Width(), 30);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_EQ(r.Size(), CSize(30, 40));
    EXPECT_EQ(r.TopLeft(), CPoint(10, 20));
    EXPECT_EQ(r.BottomRight(), CPoint(40, 60));
    EXPECT_EQ(r.CenterPoint(), CPoint(25, 40));
    EXPECT_EQ(CRect(CPoint(1, 2), CSize(3, 4)), CRect(1, 2, 4, 6));

    // The corner accessors are views into the rectangle.
    CRect m(0, 0, 5, 5);
    m.BottomRight() = CPoint(8, 9);
    m.TopLeft().Offset(1, 1);
    EXPECT_EQ(m, CRect(1, 1, 8, 9));

    LPRECT raw = m;
    raw->left = 2;
    EXPECT_EQ(m.left, 2);
}

TEST(CRect, EmptyNullAndExclusiveEdges)
{
    EXPECT_TRUE(CRect().IsRectNull());
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 5, 10).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 4, 10).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 5, 10).IsRectNull());
    EXPECT_FALSE(CRect(0, 0, 1, 1).IsRectEmpty());

    const CRect r(0, 0, 10, 5);
    struct Case
    {
        int x, y;
        bool inside;
    };
    const Case cases[] = {
        {0, 0, true},   {9, 4, true},   {10, 0, false}, {0, 5, false},
        {-1, 0, false}, {10, 5, false}, {5, 2, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!!r.PtInRect(CPoint(c.x, c.y)), c.inside) << c.x << "," << c.y;
}

TEST(CRect, InflateDeflateOffsetNormalize)
{
    CRect r(10, 10, 20, 20);
    r.InflateRect(2, 3);
    EXPECT_EQ(r, CRect(8, 7, 22, 23));
    r.DeflateRect(CSize(2, 3));
    EXPECT_EQ(r, CRect(10, 10, 20, 20));
    r.InflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(9, 8, 23, 24));
    const RECT edges = {1, 2, 3, 4};
    r.DeflateRect(&edges);
    EXPECT_EQ(r, CRect(10, 10, 20, 20));
    r.OffsetRect(-10, 5);
    EXPECT_EQ(r, CRect(0, 15, 10, 25));
    r += CPoint(1, 1);
    EXPECT_EQ(r, CRect(1, 16, 11, 26));
    EXPECT_EQ(r - CSize(1, 16), CRect(0, 0, 10, 10));
    r.MoveToXY(0, 0);
    EXPECT_EQ(r, CRect(0, 0, 10, 10));

    CRect n(10, 20, 0, 5);
    n.NormalizeRect();
    EXPECT_EQ(n, CRect(0, 5, 10, 20));
}

TEST(CRect, IntersectUnion)
{
    struct Case
    {
        CRect a, b, inter, uni;
        bool overlaps;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, {0, 0, 15, 15}, true},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}, {0, 0, 20, 10}, false}, // touching edges only
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 0, 0}, {0, 0, 30, 30}, false},
        {{0, 0, 10, 10}, {2, 2, 4, 4}, {2, 2, 4, 4}, {0, 0, 10, 10}, true},
        {{0, 0, 10, 10}, {3, 3, 3, 8}, {0, 0, 0, 0}, {0, 0, 10, 10}, false}, // empty one is ignored
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
    {
        CRect i;
        EXPECT_EQ(!!i.IntersectRect(&c.a, &c.b), c.overlaps);
        EXPECT_EQ(i, c.inter);
        EXPECT_EQ(c.a & c.b, c.inter);
        EXPECT_EQ(c.a | c.b, c.uni);
    }
    CRect self(0, 0, 10, 10);
    self &= CRect(5, 5, 20, 20); // the result may be one of the inputs
    EXPECT_EQ(self, CRect(5, 5, 10, 10));
    self |= CRect(0, 0, 1, 1);
    EXPECT_EQ(self, CRect(0, 0, 10, 10));
}

TEST(CRect, SubtractOnlyWhenSideIsCovered)
{
    struct Case
    {
        CRect src, cut, expected;
        bool nonEmpty;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {-5, -5, 4, 15}, {4, 0, 10, 10}, true},  // covers the left part
        {{0, 0, 10, 10}, {6, -1, 20, 11}, {0, 0, 6, 10}, true},   // the right part
        {{0, 0, 10, 10}, {-1, -1, 11, 3}, {0, 3, 10, 10}, true},  // the top part
        {{0, 0, 10, 10}, {0, 8, 10, 10}, {0, 0, 10, 8}, true},    // the bottom part
        {{0, 0, 10, 10}, {2, 2, 4, 4}, {0, 0, 10, 10}, true},     // a hole: unchanged
        {{0, 0, 10, 10}, {3, -1, 6, 11}, {0, 0, 10, 10}, true},   // a band through the middle
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 10, 10}, true}, // apart
        {{0, 0, 10, 10}, {-1, -1, 11, 11}, {0, 0, 0, 0}, false},  // covered
        {{0, 0, 0, 5}, {0, 0, 1, 1}, {0, 0, 0, 0}, false},        // empty source
    };
    for (const Case& c : cases)
    {
        CRect r;
        EXPECT_EQ(!!r.SubtractRect(&c.src, &c.cut), c.nonEmpty);
        EXPECT_EQ(r, c.expected);
    }
}
