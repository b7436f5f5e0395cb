// The drawing layer in pixels with the extreme values wild data or outside files can hand it:
// drawings are clipped to the device, huge blits cut, bad counts refused.
#include <gtest/gtest.h>

#include "testkit/Canvas.h"
#include "win32/gdi.h"
#include "win32/gdidevice.h"
#include "win32/kernel.h"

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 16;
constexpr int kH = 16;
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory DC on a white bitmap, black brush and pen selected.
class GdiExtremeTest : public ::testing::Test
{
protected:
    void SetUp() override { SelectObject(dc, GetStockObject(BLACK_BRUSH)); }
    int BlackPixels() const { return canvas.Count(kBlack); }

    kel::testkit::Canvas canvas{kW, kH};
    HDC dc = canvas.Dc();
};

TEST_F(GdiExtremeTest, PrimitivesWithExtremeInputAreClippedOrRefused)
{
    static const POINT triangle[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {0, INT_MAX}};
    static const POINT few[] = {{0, 0}, {1, 1}, {2, 2}};
    static const INT hugeCounts[] = {INT_MAX, INT_MAX};
    static const INT badCounts[] = {3, -5};
    static const DWORD hugeLines[] = {0xFFFFFFFFu};
    static const INT wideDx[] = {INT_MAX, INT_MAX, INT_MIN};
    struct Case
    {
        const char* name;
        std::function<BOOL(HDC)> call;
        BOOL result;
        int black;
    };
    const std::vector<Case> cases = {
        {"FillRect over the int range",
         [](HDC h)
         {
             const RECT r{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
             return static_cast<BOOL>(FillRect(h, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
         },
         TRUE, kW * kH},
        {"PatBlt BLACKNESS with extents past INT_MAX",
         [](HDC h) { return PatBlt(h, -5, -5, INT_MAX, INT_MAX, BLACKNESS); }, TRUE, kW * kH},
        {"PatBlt DSTINVERT with huge extents",
         [](HDC h) { return PatBlt(h, -5, -5, INT_MAX, INT_MAX, DSTINVERT); }, TRUE, kW * kH},
        {"PatBlt PATINVERT with huge extents",
         [](HDC h)
         {
             SelectObject(h, GetStockObject(WHITE_BRUSH));
             return PatBlt(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX, PATINVERT) &&
                    PatBlt(h, -1, -1, INT_MAX, INT_MAX, PATINVERT);
         },
         TRUE, kW * kH},
        // From the start pixel (4, 4) leftwards and upwards to the image's edge.
        {"PatBlt with negative extents", [](HDC h) { return PatBlt(h, 4, 4, INT_MIN, INT_MIN, BLACKNESS); },
         TRUE, 25},
        {"Rectangle over the int range",
         [](HDC h) { return Rectangle(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX); }, TRUE, kW * kH},
        {"Ellipse over the int range", [](HDC h) { return Ellipse(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX); },
         TRUE, kW * kH},
        {"RoundRect with extreme corners",
         [](HDC h) { return RoundRect(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN); }, TRUE,
         kW * kH},
        {"Pie with extreme radials",
         [](HDC h) { return Pie(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, INT_MIN, 0); }, TRUE, -1},
        {"Arc and Chord with extreme boxes",
         [](HDC h)
         {
             return Arc(h, INT_MAX, INT_MAX, INT_MIN, INT_MIN, 0, 0, 1, 1) &&
                    Chord(h, 0, 0, INT_MAX, 1, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
         },
         TRUE, -1},
        {"LineTo across the int range",
         [](HDC h) { return MoveToEx(h, INT_MIN, 3, nullptr) && LineTo(h, INT_MAX, 3); }, TRUE, kW},
        {"Polygon covering the device", [](HDC h) { return Polygon(h, triangle, 3); }, TRUE, kW * kH},
        {"Polyline of extreme points", [](HDC h) { return Polyline(h, triangle, 3); }, TRUE, -1},
        {"Polygon count beyond any buffer", [](HDC h) { return Polygon(h, few, INT_MAX); }, FALSE, 0},
        {"PolyPolygon counts overflowing int", [](HDC h) { return PolyPolygon(h, few, hugeCounts, 2); },
         FALSE, 0},
        {"PolyPolygon negative count", [](HDC h) { return PolyPolygon(h, few, badCounts, 2); }, FALSE, 0},
        {"PolyPolygon negative figure count", [](HDC h) { return PolyPolygon(h, few, badCounts, -1); }, FALSE,
         0},
        {"PolyPolyline count beyond int", [](HDC h) { return PolyPolyline(h, few, hugeLines, 1); }, FALSE, 0},
        {"PolylineTo count beyond int", [](HDC h) { return PolylineTo(h, few, 0xFFFFFFFFu); }, FALSE, 0},
        {"pen of INT_MAX width",
         [](HDC h)
         {
             HPEN pen = CreatePen(PS_SOLID, INT_MAX, kBlack);
             HGDIOBJ old = SelectObject(h, pen);
             const BOOL ok = MoveToEx(h, 0, 8, nullptr) && LineTo(h, 16, 8);
             SelectObject(h, old);
             DeleteObject(pen);
             return ok;
         },
         TRUE, kW * kH},
        {"font of INT_MIN height and extreme advances",
         [](HDC h)
         {
             HFONT font =
                 CreateFont(INT_MIN, INT_MAX, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
             HGDIOBJ old = SelectObject(h, font);
             SetBkMode(h, TRANSPARENT);
             TEXTMETRIC tm{};
             const BOOL ok = GetTextMetrics(h, &tm) && tm.tmHeight > 0 &&
                             tm.tmHeight < 4 * kel::gdi::kMaxSide && TextOut(h, INT_MAX, INT_MIN, "ab", 2) &&
                             ExtTextOut(h, INT_MIN, INT_MAX, 0, nullptr, "abc", 3, wideDx);
             SelectObject(h, old);
             DeleteObject(font);
             return ok;
         },
         TRUE, -1},
        {"clip rectangle over the int range",
         [](HDC h)
         {
             const RECT r{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
             bool ok = IntersectClipRect(h, INT_MIN, INT_MIN, INT_MAX, INT_MAX) == SIMPLEREGION;
             for (int i = 0; i < 20; ++i) // offsets add up far past the int range
                 ok = ok && OffsetClipRgn(h, INT_MAX, INT_MIN) != ERROR;
             return ok && FillRect(h, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
         },
         TRUE, -1},
        {"region over the int range",
         [](HDC h)
         {
             HRGN rgn = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
             const BOOL ok = rgn && FillRgn(h, rgn, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
             DeleteObject(rgn);
             return ok;
         },
         TRUE, kW * kH},
        {"FrameRgn with an INT_MAX frame",
         [](HDC h)
         {
             HRGN rgn = CreateRectRgn(0, 0, kW, kH);
             const BOOL ok =
                 FrameRgn(h, rgn, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), INT_MAX, INT_MAX);
             DeleteObject(rgn);
             return ok;
         },
         TRUE, kW * kH},
        {"DrawEdge adjusting a rectangle at the int limits",
         [](HDC h)
         {
             RECT r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
             return DrawEdge(h, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST) && r.left == INT_MAX &&
                    r.right == -INT_MAX;
         },
         TRUE, -1},
        {"pixels at extreme points",
         [](HDC h) {
             return SetPixel(h, INT_MAX, INT_MIN, kBlack) == CLR_INVALID &&
                    GetPixel(h, INT_MIN, 0) == CLR_INVALID;
         },
         TRUE, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SelectClipRgn(dc, nullptr);
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
        EXPECT_EQ(c.call(dc), c.result);
        if (c.black >= 0)
        {
            EXPECT_EQ(BlackPixels(), c.black);
        }
    }
}

TEST_F(GdiExtremeTest, BlitsCutHugeTargetsAndRefuseHugeSources)
{
    HDC src = CreateCompatibleDC(dc);
    HBITMAP srcBitmap = CreateCompatibleBitmap(dc, 8, 8); // black
    HGDIOBJ old = SelectObject(src, srcBitmap);
    // An 8x8 black DIB, top-down.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = -8;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const std::vector<uint32_t> bits(64, 0);
    struct Case
    {
        const char* name;
        std::function<int()> call;
        bool ok;
        int black;
    };
    const std::vector<Case> cases = {
        {"stretch onto a target past INT_MAX",
         [&] { return StretchBlt(dc, -5, -5, INT_MAX, INT_MAX, src, 0, 0, 8, 8, SRCCOPY); }, true, kW * kH},
        {"mirrored stretch from INT_MIN extents",
         [&] { return StretchBlt(dc, 20, 20, INT_MIN, INT_MIN, src, 0, 0, 8, 8, SRCCOPY); }, true, kW * kH},
        {"raster op through a huge target",
         [&]
         {
             return StretchBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, src, 0, 0, 8, 8, SRCAND) &&
                    StretchBlt(dc, -1, -1, INT_MAX, INT_MAX, src, 0, 0, 8, 8, SRCAND);
         },
         true, kW * kH},
        {"BitBlt with a source past any bitmap",
         [&] { return BitBlt(dc, INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, src, 0, 0, SRCCOPY); }, false,
         0},
        {"StretchBlt from INT_MIN source extents",
         [&] { return StretchBlt(dc, 0, 0, 4, 4, src, INT_MAX, INT_MAX, INT_MIN, INT_MIN, SRCCOPY); }, false,
         0},
        {"StretchDIBits onto a huge target",
         [&]
         {
             return StretchDIBits(dc, -7, -7, INT_MAX, INT_MAX, 0, 0, 8, 8, bits.data(), &info,
                                  DIB_RGB_COLORS, SRCCOPY);
         },
         true, kW * kH},
        {"StretchDIBits from extreme source extents",
         [&]
         {
             return StretchDIBits(dc, 0, 0, 4, 4, INT_MAX, INT_MIN, INT_MIN, INT_MIN, bits.data(), &info,
                                  DIB_RGB_COLORS, SRCCOPY);
         },
         false, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
        EXPECT_EQ(c.call() != 0, c.ok);
        EXPECT_EQ(BlackPixels(), c.black);
    }
    SelectObject(src, old);
    DeleteObject(srcBitmap);
    DeleteDC(src);
}

} // namespace
