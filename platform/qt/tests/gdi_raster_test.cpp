// Windows' raster rules on image devices, pixel for pixel: which pixels lines, shapes, polygons,
// regions, fills and blits cover, written down from the rules rather than read off a renderer.
#include <gtest/gtest.h>

#include "testkit/Canvas.h"
#include "win32/gdi.h"
#include "win32/user.h"

#include <filesystem>
#include <string>
#include <vector>

namespace
{

using kel::testkit::Canvas;
using Rows = std::vector<std::string>;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

RECT Box(int l, int t, int r, int b)
{
    return RECT{l, t, r, b};
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Whether the ink is symmetric about the middle of `box` left to right (and top to bottom).
bool Symmetric(const Canvas& canvas, const RECT& box, bool vertically = true)
{
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
        {
            const COLORREF c = canvas.At(x, y);
            if (c != canvas.At(box.left + box.right - 1 - x, y) ||
                (vertically && c != canvas.At(x, box.top + box.bottom - 1 - y)))
                return false;
        }
    return true;
}

// Ink pixels with fewer than two inked neighbours (of eight): the stray spikes of a bad outline.
int LoosePixels(const Canvas& canvas)
{
    int loose = 0;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            if (canvas.At(x, y) != kBlack)
                continue;
            int neighbours = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    neighbours += (dx || dy) && canvas.At(x + dx, y + dy) == kBlack;
            loose += neighbours < 2;
        }
    return loose;
}

// ---- Lines

struct LineCase
{
    const char* name;
    std::vector<POINT> points;
    Rows rows; // over (0, 0) .. (w, h)
};

TEST(RasterLines, DrawTheStartPointAndLeaveOutTheEndInEveryDirection)
{
    const LineCase cases[] = {
        {"rightwards", {{1, 1}, {5, 1}}, {"......", ".####.", "......"}},
        {"leftwards", {{5, 1}, {1, 1}}, {"......", "..####", "......"}},
        {"one pixel leftwards", {{5, 1}, {4, 1}}, {"......", ".....#", "......"}},
        {"upwards", {{1, 4}, {1, 0}}, {"..", ".#", ".#", ".#", ".#"}},
        {"downwards", {{1, 0}, {1, 4}}, {".#", ".#", ".#", ".#", ".."}},
        {"diagonal up-left", {{3, 3}, {0, 0}}, {"....", ".#..", "..#.", "...#"}},
        // Exactly between two pixels, x-major lines take the upper one, y-major the left one,
        // whichever way they run.
        {"x-major tie forwards", {{0, 0}, {4, 1}}, {"###..", "...#."}},
        {"x-major tie backwards", {{4, 1}, {0, 0}}, {".##..", "...##"}},
        {"y-major tie forwards", {{0, 0}, {1, 4}}, {"#.", "#.", "#.", ".#", ".."}},
        {"y-major tie backwards", {{1, 4}, {0, 0}}, {"..", "#.", "#.", ".#", ".#"}},
        {"shallow slope", {{0, 0}, {7, 2}}, {"##......", "..####..", "......#."}},
        {"polyline joints once", {{0, 0}, {3, 0}, {3, 2}, {0, 2}}, {"####", "...#", ".###"}},
    };
    for (const LineCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        Canvas canvas(16, 8);
        Polyline(canvas.Dc(), c.points.data(), static_cast<int>(c.points.size()));
        EXPECT_EQ(canvas.Rows(0, 0, static_cast<int>(c.rows[0].size()), static_cast<int>(c.rows.size())), c.rows);
    }
}

TEST(RasterLines, XorLinesBackAndForthAndAcrossCancelExactly)
{
    Canvas canvas(24, 12);
    HDC dc = canvas.Dc();
    SetROP2(dc, R2_XORPEN);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    // There and back: the start of each leg is drawn, its end is not, so only the two turning
    // points are inverted once.
    const POINT there[] = {{2, 2}, {9, 2}, {2, 2}};
    Polyline(dc, there, 3);
    EXPECT_EQ(canvas.Rows(0, 2, 12, 1), Rows{"..#......#.."});
    // Crossing lines drawn each way invert their crossing twice.
    for (const auto& [a, b] : {std::pair{POINT{20, 5}, POINT{12, 5}}, std::pair{POINT{16, 9}, POINT{16, 1}}})
    {
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
    }
    EXPECT_EQ(canvas.At(16, 5), kWhite);
    EXPECT_EQ(canvas.At(20, 5), kBlack);
    EXPECT_EQ(canvas.At(12, 5), kWhite);
    EXPECT_EQ(canvas.At(16, 9), kBlack);
    EXPECT_EQ(canvas.At(16, 1), kWhite);
}

TEST(RasterLines, DashesRunFromTheStartPointAndOnAcrossJoints)
{
    Canvas canvas(24, 8);
    HDC dc = canvas.Dc();
    SetBkMode(dc, TRANSPARENT);
    HPEN dot = CreatePen(PS_DOT, 1, kBlack);
    SelectObject(dc, dot);
    // Three on, three off, counted from (20, 1) leftwards.
    MoveToEx(dc, 20, 1, nullptr);
    LineTo(dc, 0, 1);
    EXPECT_EQ(canvas.Rows(0, 1, 21, 1), Rows{".##...###...###...###"});
    // A polyline carries the pattern round its corner.
    const POINT corner[] = {{0, 4}, {4, 4}, {4, 8}};
    Polyline(dc, corner, 3);
    EXPECT_EQ(canvas.Rows(0, 4, 5, 4), (Rows{"###..", ".....", "....#", "....#"}));
    // OPAQUE fills the gaps with the background colour.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 255));
    MoveToEx(dc, 0, 6, nullptr);
    LineTo(dc, 3, 6);
    EXPECT_EQ(canvas.At(2, 6), kBlack);
    EXPECT_EQ(canvas.At(3, 6), kWhite) << "the end point stays out";
    MoveToEx(dc, 0, 7, nullptr);
    LineTo(dc, 4, 7);
    EXPECT_EQ(canvas.At(3, 7), RGB(0, 0, 255));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(dot);
}

TEST(RasterLines, WidePensCoverTheirWidthWithTheirCaps)
{
    struct Case
    {
        const char* name;
        DWORD style;
        int width;
        Rows rows; // columns 0..11, rows 2..8, of a line (3, 5) -> (9, 5)
    };
    const Case cases[] = {
        {"flat, odd width", PS_ENDCAP_FLAT, 3,
         {"............", "............", "...######...", "...######...", "...######...", "............",
          "............"}},
        {"flat, even width: half a pixel up", PS_ENDCAP_FLAT, 2,
         {"............", "............", "...######...", "...######...", "............", "............",
          "............"}},
        {"square", PS_ENDCAP_SQUARE, 3,
         {"............", "............", "..#########.", "..#########.", "..#########.", "............",
          "............"}},
        {"round", PS_ENDCAP_ROUND, 5,
         {"............", "..#########.", ".###########", ".###########", ".###########", "..#########.",
          "............"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Canvas canvas(12, 12);
        const LOGBRUSH brush{BS_SOLID, kBlack, 0};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | c.style, static_cast<DWORD>(c.width), &brush, 0, nullptr);
        SelectObject(canvas.Dc(), pen);
        MoveToEx(canvas.Dc(), 3, 5, nullptr);
        LineTo(canvas.Dc(), 9, 5);
        EXPECT_EQ(canvas.Rows(0, 2, 12, 7), c.rows);
        SelectObject(canvas.Dc(), GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
}

// ---- Polygons

TEST(RasterPolygons, FillThePixelsWhoseTopLeftCornersAreInsideByTheFillMode)
{
    Canvas canvas(16, 16);
    HDC dc = canvas.Dc();
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    const POINT triangle[] = {{0, 0}, {6, 0}, {0, 6}};
    Polygon(dc, triangle, 3);
    EXPECT_EQ(canvas.Rows(0, 0, 7, 7), (Rows{"######.", "#####..", "####...", "###....", "##.....", "#......",
                                             "......."}));
    // A square wound twice: a hole when alternating, filled when winding.
    const POINT nested[] = {{8, 8}, {14, 8}, {14, 14}, {8, 14}, {10, 10}, {12, 10}, {12, 12}, {10, 12}};
    const INT counts[] = {4, 4};
    PolyPolygon(dc, nested, counts, 2);
    EXPECT_EQ(canvas.At(11, 11), kWhite);
    EXPECT_EQ(canvas.At(9, 9), kBlack);
    SetPolyFillMode(dc, WINDING);
    PolyPolygon(dc, nested, counts, 2);
    EXPECT_EQ(canvas.At(11, 11), kBlack);
    EXPECT_TRUE(SameRect(canvas.InkBounds(), Box(0, 0, 14, 14))) << Text(canvas.InkBounds());
}

// ---- Ellipses, round rectangles, arcs

TEST(RasterShapes, EllipsesCoverTheirBoxAsWindowsDrawsThem)
{
    struct Case
    {
        const char* name;
        RECT box;
        int style; // PS_NULL: a null pen and a black brush
        int width;
        RECT ink; // what is drawn
    };
    const Case cases[] = {
        {"one-pixel pen: the whole box", Box(2, 2, 62, 42), PS_SOLID, 1, Box(2, 2, 62, 42)},
        {"odd box", Box(3, 5, 40, 30), PS_SOLID, 1, Box(3, 5, 40, 30)},
        {"null pen: a pixel less each way", Box(2, 2, 62, 42), PS_NULL, 0, Box(2, 2, 61, 41)},
        {"small circle", Box(10, 10, 17, 17), PS_SOLID, 1, Box(10, 10, 17, 17)},
        {"wide pen: centred on the outline", Box(4, 4, 44, 34), PS_SOLID, 5, Box(2, 2, 46, 36)},
        {"inside-frame pen: within the box", Box(4, 4, 44, 34), PS_INSIDEFRAME, 5, Box(4, 4, 44, 34)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Canvas canvas(64, 48);
        HDC dc = canvas.Dc();
        HPEN pen = CreatePen(c.style, c.width, kBlack);
        SelectObject(dc, pen);
        SelectObject(dc, GetStockObject(c.style != PS_NULL ? NULL_BRUSH : BLACK_BRUSH));
        Ellipse(dc, c.box.left, c.box.top, c.box.right, c.box.bottom);
        EXPECT_TRUE(SameRect(canvas.InkBounds(), c.ink)) << Text(canvas.InkBounds());
        EXPECT_TRUE(Symmetric(canvas, c.ink));
        EXPECT_EQ(LoosePixels(canvas), 0) << "no spikes";
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
    // Small circles exactly.
    Canvas canvas(16, 8);
    HDC dc = canvas.Dc();
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, 0, 0, 5, 5);
    Ellipse(dc, 6, 0, 13, 7);
    EXPECT_EQ(canvas.Rows(0, 0, 13, 7), (Rows{".###....###..", "#...#..#...#.", "#...#.#.....#", "#...#.#.....#",
                                              ".###..#.....#", ".......#...#.", "........###.."}));
}

TEST(RasterShapes, InteriorsMeetTheOutlineWithoutOverlap)
{
    // Inverting pen and brush leave a pixel inverted once unless the fill overlaps the outline.
    struct Case
    {
        const char* name;
        void (*draw)(HDC);
    };
    const Case shapes[] = {
        {"ellipse", [](HDC dc) { Ellipse(dc, 2, 2, 40, 30); }},
        {"round rectangle", [](HDC dc) { RoundRect(dc, 30, 20, 62, 46, 12, 10); }},
        {"rectangle", [](HDC dc) { Rectangle(dc, 5, 33, 20, 45); }},
        {"pie", [](HDC dc) { Pie(dc, 22, 2, 62, 38, 62, 2, 22, 2); }},
        {"chord", [](HDC dc) { Chord(dc, 2, 16, 48, 47, 48, 16, 2, 47); }},
        {"polygon",
         [](HDC dc)
         {
             const POINT star[] = {{30, 2}, {48, 45}, {3, 17}, {58, 17}, {12, 45}};
             Polygon(dc, star, 5);
         }},
    };
    for (int width : {1, 4})
        for (const Case& shape : shapes)
        {
            SCOPED_TRACE(std::string(shape.name) + ", width " + std::to_string(width));
            Canvas inverted(64, 48), copied(64, 48);
            SetROP2(inverted.Dc(), R2_XORPEN);
            HPEN white = CreatePen(PS_SOLID, width, kWhite), black = CreatePen(PS_SOLID, width, kBlack);
            SelectObject(inverted.Dc(), white);
            SelectObject(inverted.Dc(), GetStockObject(WHITE_BRUSH));
            SelectObject(copied.Dc(), black);
            SelectObject(copied.Dc(), GetStockObject(BLACK_BRUSH));
            shape.draw(inverted.Dc());
            shape.draw(copied.Dc());
            EXPECT_EQ(inverted.Count(kBlack), copied.Count(kBlack));
            EXPECT_EQ(inverted.Pixels().pixels, copied.Pixels().pixels);
            SelectObject(inverted.Dc(), GetStockObject(BLACK_PEN));
            SelectObject(copied.Dc(), GetStockObject(BLACK_PEN));
            DeleteObject(white);
            DeleteObject(black);
        }
}

TEST(RasterShapes, RoundRectCornersAreQuartersOfTheirEllipse)
{
    Canvas canvas(16, 12);
    HDC dc = canvas.Dc();
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 0, 0, 12, 9, 5, 5);
    EXPECT_EQ(canvas.Rows(0, 0, 12, 9), (Rows{".##########.", "#..........#", "#..........#", "#..........#",
                                             "#..........#", "#..........#", "#..........#", "#..........#",
                                             ".##########."}));
}

TEST(RasterShapes, ArcsStartAndEndWhereTheRadialsMeetAFlatEllipse)
{
    Canvas canvas(64, 24);
    HDC dc = canvas.Dc();
    // Centre (30, 10), radii 30 and 10: the rays to the top corners meet the outline near
    // (30 +- 21.2, 10 - 7.1).
    Arc(dc, 0, 0, 61, 21, 60, 0, 0, 0);
    EXPECT_TRUE(SameRect(canvas.InkBounds(), Box(9, 0, 52, 4))) << Text(canvas.InkBounds());
    EXPECT_TRUE(Symmetric(canvas, Box(9, 0, 52, 4), false));
    // Pies close the arc through the centre, chords straight across.
    Canvas pie(64, 24);
    SelectObject(pie.Dc(), GetStockObject(NULL_BRUSH));
    Pie(pie.Dc(), 0, 0, 61, 21, 60, 0, 0, 0);
    EXPECT_EQ(pie.At(30, 10), kBlack);
    EXPECT_TRUE(SameRect(pie.InkBounds(), Box(9, 0, 52, 11))) << Text(pie.InkBounds());
    Canvas chord(64, 24);
    SelectObject(chord.Dc(), GetStockObject(BLACK_BRUSH));
    Chord(chord.Dc(), 0, 0, 61, 21, 60, 0, 0, 0);
    EXPECT_EQ(chord.At(30, 10), kWhite);
    EXPECT_EQ(chord.At(30, 2), kBlack);
    // Clockwise, the same radials take the rest of the ellipse.
    Canvas rest(64, 24);
    SetArcDirection(rest.Dc(), AD_CLOCKWISE);
    Arc(rest.Dc(), 0, 0, 61, 21, 60, 0, 0, 0);
    EXPECT_TRUE(SameRect(rest.InkBounds(), Box(0, 3, 61, 21))) << Text(rest.InkBounds());
}

TEST(RasterShapes, AOneByOneRectangleDrawsNothing)
{
    Canvas canvas(8, 8);
    Rectangle(canvas.Dc(), 3, 3, 4, 4);
    EXPECT_EQ(canvas.Count(kWhite), 64);
    Rectangle(canvas.Dc(), 3, 3, 4, 6);
    EXPECT_EQ(canvas.Rows(3, 2, 1, 5), (Rows{".", "#", "#", "#", "."}));
}

// ---- Regions

TEST(RasterRegions, EllipticAndRoundRegionsHoldThePixelsAPenlessShapeFills)
{
    struct Case
    {
        RECT box;
        int cw, ch; // 0: an ellipse
    };
    const Case cases[] = {{Box(2, 2, 30, 20), 0, 0}, {Box(5, 3, 12, 10), 0, 0}, {Box(1, 1, 40, 30), 10, 8}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Text(c.box));
        HRGN region = c.cw ? CreateRoundRectRgn(c.box.left, c.box.top, c.box.right, c.box.bottom, c.cw, c.ch)
                           : CreateEllipticRgn(c.box.left, c.box.top, c.box.right, c.box.bottom);
        RECT bounds{};
        GetRgnBox(region, &bounds);
        EXPECT_TRUE(SameRect(bounds, Box(c.box.left, c.box.top, c.box.right - 1, c.box.bottom - 1)))
            << Text(bounds);
        Canvas filled(48, 32), drawn(48, 32);
        FillRgn(filled.Dc(), region, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SelectObject(drawn.Dc(), GetStockObject(NULL_PEN));
        SelectObject(drawn.Dc(), GetStockObject(BLACK_BRUSH));
        c.cw ? RoundRect(drawn.Dc(), c.box.left, c.box.top, c.box.right, c.box.bottom, c.cw, c.ch)
             : Ellipse(drawn.Dc(), c.box.left, c.box.top, c.box.right, c.box.bottom);
        EXPECT_EQ(filled.Pixels().pixels, drawn.Pixels().pixels);
        // Clipping to the region shows the same pixels.
        Canvas clipped(48, 32);
        SelectClipRgn(clipped.Dc(), region);
        PatBlt(clipped.Dc(), 0, 0, 48, 32, BLACKNESS);
        EXPECT_EQ(clipped.Pixels().pixels, filled.Pixels().pixels);
        DeleteObject(region);
    }
}

TEST(RasterRegions, PolygonRegionsHoldThePixelsAPolygonFills)
{
    const POINT star[] = {{20, 1}, {33, 30}, {2, 11}, {38, 11}, {7, 30}};
    for (int mode : {ALTERNATE, WINDING})
    {
        SCOPED_TRACE(mode);
        HRGN region = CreatePolygonRgn(star, 5, mode);
        Canvas filled(40, 32), drawn(40, 32);
        FillRgn(filled.Dc(), region, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SelectObject(drawn.Dc(), GetStockObject(NULL_PEN));
        SelectObject(drawn.Dc(), GetStockObject(BLACK_BRUSH));
        SetPolyFillMode(drawn.Dc(), mode);
        Polygon(drawn.Dc(), star, 5);
        EXPECT_EQ(filled.Pixels().pixels, drawn.Pixels().pixels);
        EXPECT_EQ(filled.At(20, 16), mode == WINDING ? kBlack : kWhite);
        DeleteObject(region);
    }
}

// ---- Fills and blits with extents that run backwards

TEST(RasterExtents, NegativeAndMirroredExtentsCoverThePixelsMappedPointByPoint)
{
    Canvas pat(64, 64);
    PatBlt(pat.Dc(), 60, 60, -20, -16, BLACKNESS);
    EXPECT_TRUE(SameRect(pat.InkBounds(), Box(41, 45, 61, 61))) << Text(pat.InkBounds());
    EXPECT_EQ(pat.Count(kBlack), 20 * 16);

    // A y-flipped mapping: logical rows 2..5 are device rows 61..58.
    Canvas flipped(64, 64);
    HDC dc = flipped.Dc();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 1, -1, nullptr);
    SetViewportOrgEx(dc, 0, 63, nullptr);
    const RECT r{2, 2, 10, 6};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_TRUE(SameRect(flipped.InkBounds(), Box(2, 58, 10, 62))) << Text(flipped.InkBounds());

    // A mirrored StretchBlt: the source's first pixel lands on the start corner.
    Canvas source(20, 16);
    SetPixel(source.Dc(), 0, 0, kBlack);
    SetPixel(source.Dc(), 19, 15, RGB(255, 0, 0));
    Canvas mirrored(64, 64, RGB(0, 255, 0));
    StretchBlt(mirrored.Dc(), 60, 60, -20, -16, source.Dc(), 0, 0, 20, 16, SRCCOPY);
    EXPECT_TRUE(SameRect(mirrored.InkBounds(RGB(0, 255, 0)), Box(41, 45, 61, 61)))
        << Text(mirrored.InkBounds(RGB(0, 255, 0)));
    EXPECT_EQ(mirrored.At(60, 60), kBlack);
    EXPECT_EQ(mirrored.At(41, 45), RGB(255, 0, 0));
}

TEST(RasterBlits, ShrinkingMergesByTheStretchModeAndKeepsTheLastRowAndColumn)
{
    struct Case
    {
        int mode; // 0: the default
        Rows rows;
    };
    const Case cases[] = {
        {0, {"#.", ".#"}},
        {BLACKONWHITE, {"#.", ".#"}},
        {WHITEONBLACK, {"..", ".."}},
        {COLORONCOLOR, {"..", ".#"}},
    };
    Canvas source(4, 4);
    SetPixel(source.Dc(), 1, 0, kBlack);
    SetPixel(source.Dc(), 3, 3, kBlack);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mode);
        Canvas canvas(4, 4);
        if (c.mode)
            SetStretchBltMode(canvas.Dc(), c.mode);
        StretchBlt(canvas.Dc(), 0, 0, 2, 2, source.Dc(), 0, 0, 4, 4, SRCCOPY);
        EXPECT_EQ(canvas.Rows(0, 0, 2, 2), c.rows);
    }
}

// ---- Edges

TEST(RasterEdges, SoftDiagonalAndPartialEdges)
{
    Canvas canvas(40, 40);
    HDC dc = canvas.Dc();
    // A top-left edge alone runs into its corners.
    RECT tl{0, 0, 10, 10};
    DrawEdge(dc, &tl, BDR_RAISEDOUTER, BF_TOPLEFT);
    EXPECT_EQ(canvas.At(9, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.At(0, 9), GetSysColor(COLOR_3DLIGHT));
    // Soft edges put the brighter top-left colour outside.
    RECT soft{12, 0, 22, 10};
    DrawEdge(dc, &soft, EDGE_RAISED, BF_RECT | BF_SOFT);
    EXPECT_EQ(canvas.At(12, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(canvas.At(13, 1), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.At(21, 9), GetSysColor(COLOR_3DDKSHADOW)) << "bottom-right colours stay";
    // A diagonal from the bottom-left corner to the top-right one, both drawn.
    RECT diagonal{0, 20, 10, 30};
    DrawEdge(dc, &diagonal, BDR_SUNKENOUTER, BF_DIAGONAL_ENDTOPRIGHT);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(canvas.At(i, 29 - i), GetSysColor(COLOR_BTNSHADOW)) << i;
    EXPECT_EQ(canvas.At(0, 20), kWhite);
}

// ---- What it looks like

TEST(RasterShapes, Screenshot)
{
    Canvas canvas(200, 120);
    HDC dc = canvas.Dc();
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 160));
    SelectObject(dc, hatch);
    Ellipse(dc, 4, 4, 60, 40);
    RoundRect(dc, 70, 4, 130, 40, 20, 16);
    Pie(dc, 140, 4, 196, 40, 196, 4, 140, 22);
    Chord(dc, 4, 50, 60, 90, 60, 50, 4, 90);
    for (int r = 3; r < 12; r += 2)
        Ellipse(dc, 70 + r * 5, 60 - r / 2, 70 + r * 6, 60 + r / 2 + 1);
    HPEN wide = CreatePen(PS_SOLID, 5, RGB(160, 0, 0));
    SelectObject(dc, wide);
    const POINT zigzag[] = {{140, 110}, {155, 60}, {170, 110}, {190, 70}};
    Polyline(dc, zigzag, 4);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(wide);
    DeleteObject(hatch);
    // Four times as large, to see the pixels.
    const kel::testkit::Image shot = canvas.Pixels();
    kel::testkit::Image large{shot.width * 4, shot.height * 4, {}};
    for (int y = 0; y < large.height; ++y)
        for (int x = 0; x < large.width; ++x)
            large.pixels.push_back(shot.pixels[static_cast<size_t>(y / 4 * shot.width + x / 4)]);
    const std::string path = (std::filesystem::temp_directory_path() / "kel_raster_shapes.png").string();
    EXPECT_TRUE(kel::testkit::SavePng(large, path));
}

} // namespace
