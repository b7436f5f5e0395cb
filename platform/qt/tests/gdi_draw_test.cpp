// The drawing layer on memory DCs through the Qt backend's device: Windows' pixel rules where they
// are exact.
#include <gtest/gtest.h>

#include "testkit/Canvas.h"
#include "win32/gdi.h"
#include "win32/user.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 64;
constexpr int kH = 64;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory DC on a white 32-bit bitmap.
class GdiDrawTest : public ::testing::Test
{
protected:
    std::vector<uint32_t> Pixels() const { return canvas.Pixels().pixels; }
    // Rows of '#' (black) and '.' (anything else) for x0..x0+w-1, y0..y0+h-1.
    std::vector<std::string> Rows(int x0, int y0, int w, int h) const { return canvas.Rows(x0, y0, w, h); }

    kel::testkit::Canvas canvas{kW, kH};
    HDC dc = canvas.Dc();
};

TEST_F(GdiDrawTest, FilledShapesAndLinesLeaveOutTheRightAndBottomEdges)
{
    const RECT r{2, 2, 5, 5};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    MoveToEx(dc, 10, 10, nullptr);
    LineTo(dc, 15, 10);
    // A diagonal leaves out its end point too.
    MoveToEx(dc, 20, 20, nullptr);
    LineTo(dc, 23, 23);
    EXPECT_EQ(Rows(1, 1, 5, 5), (std::vector<std::string>{".....", ".###.", ".###.", ".###.", "....."}));
    EXPECT_EQ(Rows(9, 10, 8, 1), (std::vector<std::string>{".#####.."}));
    EXPECT_EQ(GetPixel(dc, 22, 22), kBlack);
    EXPECT_EQ(GetPixel(dc, 23, 23), kWhite);
    // Rectangle: the frame runs on left..right-1; without a pen the shape is a pixel smaller.
    Rectangle(dc, 30, 30, 34, 33);
    EXPECT_EQ(Rows(30, 30, 5, 4), (std::vector<std::string>{"####.", "#..#.", "####.", "....."}));
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 40, 40, 44, 43);
    EXPECT_EQ(Rows(40, 40, 5, 4), (std::vector<std::string>{"###..", "###..", ".....", "....."}));
}

TEST_F(GdiDrawTest, AnisotropicRectangleLandsOnTheScaledPixels)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 10, 10, nullptr);
    SetViewportExtEx(dc, 20, 30, nullptr);
    SetViewportOrgEx(dc, 1, 2, nullptr);
    // (1,1)-(4,3) logical is (3,5)-(9,11) in device pixels; the one-pixel pen stays one pixel.
    Rectangle(dc, 1, 1, 4, 3);
    SetMapMode(dc, MM_TEXT); // read back in device pixels
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(Rows(2, 4, 8, 8), (std::vector<std::string>{"........", ".######.", ".#....#.", ".#....#.",
                                                          ".#....#.", ".#....#.", ".######.", "........"}));
}

TEST_F(GdiDrawTest, InvertingOperationsTwiceLeaveTheImageUnchanged)
{
    // A coloured background so inversions are visible.
    HBRUSH red = CreateHatchBrush(HS_DIAGCROSS, RGB(200, 30, 40));
    const RECT all{0, 0, kW, kH};
    FillRect(dc, &all, red);
    const std::vector<uint32_t> before = Pixels();
    struct Case
    {
        const char* name;
        void (*draw)(HDC);
    };
    const Case cases[] = {
        {"R2_NOT frame",
         [](HDC h)
         {
             SetROP2(h, R2_NOT);
             HGDIOBJ b = SelectObject(h, GetStockObject(NULL_BRUSH));
             Rectangle(h, 5, 5, 40, 30);
             SelectObject(h, b);
             SetROP2(h, R2_COPYPEN);
         }},
        {"R2_XORPEN line",
         [](HDC h)
         {
             SetROP2(h, R2_XORPEN);
             HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 255, 0));
             HGDIOBJ p = SelectObject(h, pen);
             MoveToEx(h, 3, 50, nullptr);
             LineTo(h, 60, 7);
             SelectObject(h, p);
             DeleteObject(pen);
             SetROP2(h, R2_COPYPEN);
         }},
        {"DrawFocusRect",
         [](HDC h)
         {
             const RECT r{7, 9, 50, 41};
             DrawFocusRect(h, &r);
         }},
        {"InvertRect",
         [](HDC h)
         {
             const RECT r{1, 2, 33, 44};
             InvertRect(h, &r);
         }},
        {"PatBlt DSTINVERT", [](HDC h) { PatBlt(h, 10, 10, 20, 20, DSTINVERT); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        c.draw(dc);
        EXPECT_NE(Pixels(), before) << "the first pass changes pixels";
        c.draw(dc);
        EXPECT_EQ(Pixels(), before);
    }
    DeleteObject(red);
}

TEST_F(GdiDrawTest, HatchesAreExactEightByEightPatternsOverTheBackground)
{
    struct Case
    {
        int hatch;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {HS_HORIZONTAL,
         {"........", "........", "........", "########", "........", "........", "........", "........"}},
        {HS_VERTICAL,
         {"....#...", "....#...", "....#...", "....#...", "....#...", "....#...", "....#...", "....#..."}},
        {HS_FDIAGONAL,
         {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"}},
        {HS_BDIAGONAL,
         {".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "#......."}},
        {HS_CROSS,
         {"....#...", "....#...", "....#...", "########", "....#...", "....#...", "....#...", "....#..."}},
        {HS_DIAGCROSS,
         {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"}},
    };
    const RECT area{0, 0, 24, 24};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.hatch);
        HBRUSH brush = CreateHatchBrush(c.hatch, kBlack);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(0, 0, 255));
        FillRect(dc, &area, brush);
        // Aligned to the device origin, so every 8x8 cell is the same.
        EXPECT_EQ(Rows(0, 0, 8, 8), c.rows);
        EXPECT_EQ(Rows(8, 16, 8, 8), c.rows);
        const size_t gap = c.rows[0].find('.');
        EXPECT_EQ(GetPixel(dc, static_cast<int>(gap), 0), RGB(0, 0, 255))
            << "opaque gaps take the background colour";
        // Transparent mode keeps what was under the gaps.
        PatBlt(dc, 0, 0, 24, 24, WHITENESS);
        SetBkMode(dc, TRANSPARENT);
        FillRect(dc, &area, brush);
        EXPECT_EQ(Rows(0, 0, 8, 8), c.rows);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
            {
                if (c.rows[y][x] == '.')
                {
                    EXPECT_EQ(GetPixel(dc, x, y), kWhite);
                }
            }
        DeleteObject(brush);
    }
}

TEST_F(GdiDrawTest, TextAtEscapement900RunsUpwards)
{
    HFONT font = CreateFont(-16, 0, 900, 900, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                            0, "Arial");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    TextOut(dc, 32, 60, "MMMM", 4);
    int left = kW, right = -1, top = kH, bottom = -1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (GetPixel(dc, x, y) != kWhite)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "nothing drawn";
    EXPECT_GT(bottom - top, 2 * (right - left)) << "the run is vertical";
    EXPECT_LE(bottom, 60) << "it starts at the reference point";
    EXPECT_LT(top, 30) << "and goes up";
    EXPECT_LE(right, 32) << "glyphs stand left of the baseline";
    SelectObject(dc, previous);
    DeleteObject(font);
}

TEST_F(GdiDrawTest, AFontsHeightIsTakenThroughTheMappingMode)
{
    // Ink rows and the extent of "HH" in a font of `height` logical units, at `scale` pixels per unit.
    auto measure = [&](int height, int scale)
    {
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
        SetMapMode(dc, scale == 1 ? MM_TEXT : MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1, 1, nullptr);
        SetViewportExtEx(dc, scale, scale, nullptr);
        HFONT font = CreateFont(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                                NONANTIALIASED_QUALITY, 0, "Arial");
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        TextOut(dc, 2, 2, "HH", 2);
        SIZE extent{};
        GetTextExtentPoint32(dc, "HH", 2, &extent);
        SelectObject(dc, old);
        DeleteObject(font);
        SetMapMode(dc, MM_TEXT);
        int top = kH, bottom = -1;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (GetPixel(dc, x, y) != kWhite)
                {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return std::make_pair(bottom - top, extent);
    };
    const auto [pixelInk, pixelExtent] = measure(20, 1);
    const auto [mappedInk, mappedExtent] = measure(10, 2);
    ASSERT_GT(pixelInk, 5);
    // 10 units at two pixels a unit draw as 20 pixels, and measure as 10 units.
    EXPECT_EQ(mappedInk, pixelInk);
    EXPECT_NEAR(mappedExtent.cy, pixelExtent.cy / 2, 1);
    EXPECT_NEAR(mappedExtent.cx, pixelExtent.cx / 2, 1);
}

TEST_F(GdiDrawTest, InsideFramePensStayInsideAndUnderlinesRunBelowTheBaseline)
{
    // A wide inside-frame pen draws within the shape's rectangle; a plain wide pen straddles it.
    HPEN inside = CreatePen(PS_INSIDEFRAME, 5, kBlack), plain = CreatePen(PS_SOLID, 5, kBlack);
    HGDIOBJ previous = SelectObject(dc, inside);
    Rectangle(dc, 10, 10, 30, 30);
    // Across the middle of the left and right edges: five pixels each, inside 10..29.
    EXPECT_EQ(Rows(8, 20, 24, 1), (std::vector<std::string>{"..#####..........#####.."}));
    // And down the middle of the top and bottom edges.
    for (int y = 8; y < 32; ++y)
        EXPECT_EQ(GetPixel(dc, 20, y), (y >= 10 && y < 15) || (y >= 25 && y < 30) ? kBlack : kWhite) << y;
    SelectObject(dc, plain);
    Rectangle(dc, 40, 40, 60, 60);
    EXPECT_EQ(GetPixel(dc, 38, 50), kBlack) << "a plain pen's width lies across the edge";

    // Underlined text has a line under the baseline as long as the text; the same text without
    // it has nothing there.
    auto underRun = [&](BOOL underline)
    {
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
        HFONT font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, underline, 0, ANSI_CHARSET, 0, 0,
                                NONANTIALIASED_QUALITY, 0, "Arial");
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_LEFT | TA_BASELINE);
        TextOut(dc, 4, 30, "mmm", 3);
        SIZE size{};
        GetTextExtentPoint32(dc, "mmm", 3, &size);
        SelectObject(dc, old);
        DeleteObject(font);
        int longest = 0;
        for (int y = 31; y < 36; ++y)
        {
            int run = 0;
            for (int x = 0; x < kW; ++x)
                longest = std::max(longest, run = GetPixel(dc, x, y) == kBlack ? run + 1 : 0);
        }
        return std::make_pair(longest, static_cast<int>(size.cx));
    };
    const auto [withLine, width] = underRun(TRUE);
    EXPECT_GE(withLine, width - 2);
    EXPECT_EQ(underRun(FALSE).first, 0);
    SelectObject(dc, previous);
    DeleteObject(inside);
    DeleteObject(plain);
}

TEST(GdiFontTest, EnumeratingFacesFindsTheMappedFreeFacesAndStopsWhenAsked)
{
    HDC dc = CreateCompatibleDC(nullptr);
    struct Seen
    {
        std::vector<std::string> faces;
        int stopAfter = 1000;
    };
    auto proc = [](const LOGFONT* lf, const TEXTMETRIC* tm, DWORD type, LPARAM data) -> int
    {
        auto* seen = reinterpret_cast<Seen*>(data);
        EXPECT_GT(tm->tmHeight, 0);
        EXPECT_EQ(type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
        seen->faces.push_back(lf->lfFaceName);
        return static_cast<int>(seen->faces.size()) < seen->stopAfter;
    };
    Seen one;
    EXPECT_EQ(EnumFontFamilies(dc, "liberation sans", proc, reinterpret_cast<LPARAM>(&one)), 1);
    EXPECT_EQ(one.faces, std::vector<std::string>{"Liberation Sans"}) << "found whatever the case";
    Seen all;
    all.stopAfter = 2;
    EXPECT_EQ(EnumFonts(dc, nullptr, proc, reinterpret_cast<LPARAM>(&all)), 0) << "the procedure's 0 ends it";
    EXPECT_EQ(all.faces.size(), 2u);
    Seen none;
    EXPECT_EQ(EnumFontFamilies(dc, "No Such Face", proc, reinterpret_cast<LPARAM>(&none)), 1);
    EXPECT_TRUE(none.faces.empty());
    DeleteDC(dc);
}

TEST(GdiFontTest, AFontHeightIsLogicalUnitsUnderAScalingMapping)
{
    // The same 40-unit font at one and at two logical units per pixel: half as high on the device,
    // and the same 40 units high to the caller either way.
    auto inkHeight = [](int unitsPerPixel, TEXTMETRIC* tm, SIZE* extent)
    {
        kel::testkit::Canvas canvas(200, 100);
        HDC dc = canvas.Dc();
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 200 * unitsPerPixel, 100 * unitsPerPixel, nullptr);
        SetViewportExtEx(dc, 200, 100, nullptr);
        LOGFONT lf{};
        lf.lfHeight = -40;
        std::strcpy(lf.lfFaceName, "Arial");
        HFONT font = CreateFontIndirect(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        TextOut(dc, 0, 0, "HHH", 3);
        GetTextMetrics(dc, tm);
        GetTextExtentPoint32(dc, "HHH", 3, extent);
        SelectObject(dc, old);
        DeleteObject(font);
        const RECT ink = canvas.InkBounds();
        return static_cast<int>(ink.bottom - ink.top);
    };
    TEXTMETRIC one{}, two{};
    SIZE wide{}, narrow{};
    const int full = inkHeight(1, &one, &wide);
    const int half = inkHeight(2, &two, &narrow);
    ASSERT_GT(full, 20);
    EXPECT_NEAR(half, full / 2.0, 1.5);
    EXPECT_NEAR(two.tmHeight, one.tmHeight, 2) << "metrics in logical units";
    EXPECT_NEAR(two.tmAscent, one.tmAscent, 2);
    EXPECT_NEAR(narrow.cx, wide.cx, 4) << "extents in logical units";
}

TEST(GdiFontTest, TheWindowsFacesOfTheStandInsAreListedWithTheirFamilies)
{
    HDC dc = CreateCompatibleDC(nullptr);
    struct Seen
    {
        std::vector<std::string> faces;
        std::vector<int> families;
    };
    auto proc = [](const LOGFONT* lf, const TEXTMETRIC*, DWORD, LPARAM data) -> int
    {
        auto* seen = reinterpret_cast<Seen*>(data);
        seen->faces.push_back(lf->lfFaceName);
        seen->families.push_back(lf->lfPitchAndFamily);
        return 1;
    };
    const std::pair<const char*, int> expected[] = {{"Arial", FF_SWISS | VARIABLE_PITCH},
                                                    {"Times New Roman", FF_ROMAN | VARIABLE_PITCH},
                                                    {"Courier New", FF_MODERN | FIXED_PITCH}};
    for (auto [face, family] : expected)
    {
        Seen seen;
        EnumFonts(dc, face, proc, reinterpret_cast<LPARAM>(&seen));
        ASSERT_EQ(seen.faces, std::vector<std::string>{face});
        EXPECT_EQ(seen.families[0], family) << face;
    }
    Seen all;
    EnumFonts(dc, nullptr, proc, reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(std::count(all.faces.begin(), all.faces.end(), "Arial"), 1) << "listed once";
    DeleteDC(dc);
}

TEST_F(GdiDrawTest, ClipRectsIntersectAndExcludeAndRestoreWithTheSavedState)
{
    const int saved = SaveDC(dc);
    EXPECT_EQ(IntersectClipRect(dc, 10, 10, 30, 30), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(dc, 15, 15, 20, 20), COMPLEXREGION);
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.bottom, 30);
    const RECT all{0, 0, kW, kH};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(dc, 10, 10), kBlack);
    EXPECT_EQ(GetPixel(dc, 29, 29), kBlack);
    EXPECT_EQ(GetPixel(dc, 30, 29), CLR_INVALID) << "outside the clip reads as invalid";
    EXPECT_EQ(GetPixel(dc, 17, 17), CLR_INVALID);
    EXPECT_FALSE(PtVisible(dc, 9, 9));
    ASSERT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(GetPixel(dc, 17, 17), kWhite);
    EXPECT_EQ(GetPixel(dc, 5, 5), kWhite);

    // A region clip is a copy: changing the region afterwards does not move the clip.
    HRGN rgn = CreateEllipticRgn(0, 0, 20, 20);
    SelectClipRgn(dc, rgn);
    OffsetRgn(rgn, 30, 30);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(dc, 10, 10), kBlack);
    EXPECT_EQ(GetPixel(dc, 40, 40), CLR_INVALID);
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 40, 40), kWhite);
    DeleteObject(rgn);
}

TEST_F(GdiDrawTest, BitBltCombinesSourcePatternAndDestinationByTheRasterOp)
{
    constexpr COLORREF S = RGB(0xF0, 0xCC, 0x0F), D = RGB(0x33, 0xAA, 0x5A), P = RGB(0x81, 0x18, 0xE7);
    HDC src = CreateCompatibleDC(dc);
    HBITMAP srcBitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ srcOld = SelectObject(src, srcBitmap);
    HBRUSH sBrush = CreateSolidBrush(S), dBrush = CreateSolidBrush(D), pBrush = CreateSolidBrush(P);
    const RECT cell{0, 0, 8, 8};
    FillRect(src, &cell, sBrush);
    SelectObject(dc, pBrush);
    struct Case
    {
        const char* name;
        DWORD rop;
        COLORREF expected;
    };
    const Case cases[] = {
        {"SRCCOPY", SRCCOPY, S},
        {"SRCPAINT", SRCPAINT, S | D},
        {"SRCAND", SRCAND, S & D},
        {"SRCINVERT", SRCINVERT, S ^ D},
        {"SRCERASE", SRCERASE, S & ~D & 0xFFFFFF},
        {"NOTSRCCOPY", NOTSRCCOPY, ~S & 0xFFFFFF},
        {"MERGECOPY", MERGECOPY, P & S},
        {"MERGEPAINT", MERGEPAINT, (~S | D) & 0xFFFFFF},
        {"DSTINVERT", DSTINVERT, ~D & 0xFFFFFF},
        {"PATCOPY", PATCOPY, P},
        {"PATINVERT", PATINVERT, P ^ D},
        {"BLACKNESS", BLACKNESS, 0},
        {"WHITENESS", WHITENESS, 0xFFFFFF},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        FillRect(dc, &cell, dBrush);
        ASSERT_TRUE(BitBlt(dc, 0, 0, 8, 8, src, 0, 0, c.rop));
        EXPECT_EQ(GetPixel(dc, 3, 3), c.expected);
        EXPECT_EQ(GetPixel(dc, 8, 8), kWhite) << "nothing past the rectangle";
    }

    // Monochrome to colour: black takes the text colour, white the background colour.
    HDC mono = CreateCompatibleDC(dc);
    HBITMAP monoBitmap = CreateCompatibleBitmap(mono, 4, 1);
    BITMAP bm{};
    GetObject(monoBitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1) << "a fresh memory DC's compatible bitmap is monochrome";
    HGDIOBJ monoOld = SelectObject(mono, monoBitmap);
    PatBlt(mono, 0, 0, 2, 1, WHITENESS);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 0, 255));
    BitBlt(dc, 20, 20, 4, 1, mono, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 20, 20), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 23, 20), RGB(255, 0, 0));
    EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY)) << "a source op needs a source";

    SelectObject(mono, monoOld);
    DeleteObject(monoBitmap);
    DeleteDC(mono);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(src, srcOld);
    for (HGDIOBJ o : {HGDIOBJ(srcBitmap), HGDIOBJ(sBrush), HGDIOBJ(dBrush), HGDIOBJ(pBrush)})
        EXPECT_TRUE(DeleteObject(o));
    DeleteDC(src);
}

TEST_F(GdiDrawTest, DrawEdgeUsesTheThreeDColoursAndAdjustsTheRectangle)
{
    RECT r{0, 0, 10, 10};
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, 9, 9), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, 9, 0), GetSysColor(COLOR_BTNHIGHLIGHT))
        << "the bottom-right colour owns that corner";
    EXPECT_EQ(GetPixel(dc, 1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(dc, 8, 8), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(dc, 5, 5), kWhite);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);

    RECT raised{20, 20, 30, 30};
    DrawEdge(dc, &raised, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    EXPECT_EQ(GetPixel(dc, 20, 20), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(dc, 29, 29), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(dc, 25, 25), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(raised.left, 20) << "no BF_ADJUST, no change";
}

} // namespace
