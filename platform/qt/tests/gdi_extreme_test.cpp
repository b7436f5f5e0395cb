// The drawing layer with the extreme values wild data or outside files can hand it: mapping
// saturates, objects beyond sane sizes are refused, drawings are clipped to the device.
#include <gtest/gtest.h>

#include "win32/gdidevice.h"
#include "win32/gdi.h"
#include "win32/kernel.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 16;
constexpr int kH = 16;
constexpr int kL = kel::gdi::kDeviceLimit;
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory DC on a white bitmap, black brush and pen selected.
class GdiExtremeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dc = CreateCompatibleDC(nullptr);
        ASSERT_NE(dc, nullptr);
        bitmap = CreateBitmap(kW, kH, 1, 32, nullptr);
        ASSERT_NE(bitmap, nullptr);
        oldBitmap = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
        oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    }
    void TearDown() override
    {
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int BlackPixels() const
    {
        int n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                n += GetPixel(dc, x, y) == kBlack;
        return n;
    }

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr, oldBrush = nullptr;
};

TEST_F(GdiExtremeTest, MappingSaturatesToTheDeviceRange)
{
    struct Case
    {
        const char* name;
        int mode;
        POINT windowOrg, viewportOrg;
        SIZE windowExt, viewportExt;
        POINT in, out;
    };
    const Case cases[] = {
        {"ordinary text mapping", MM_TEXT, {10, 20}, {5, 5}, {1, 1}, {1, 1}, {100, 100}, {95, 85}},
        {"int extremes", MM_TEXT, {0, 0}, {0, 0}, {1, 1}, {1, 1}, {INT_MAX, INT_MIN}, {kL, -kL}},
        {"origin and point both extreme",
         MM_TEXT,
         {INT_MIN, INT_MAX},
         {INT_MAX, INT_MIN},
         {1, 1},
         {1, 1},
         {INT_MAX, INT_MIN},
         {kL, -kL}},
        {"ordinary scale", MM_ANISOTROPIC, {0, 0}, {0, 0}, {10, 10}, {20, -30}, {5, 5}, {10, -15}},
        {"huge scale", MM_ANISOTROPIC, {0, 0}, {0, 0}, {1, 1}, {INT_MAX, -INT_MAX}, {2, 2}, {kL, -kL}},
        {"tiny scale of extreme points",
         MM_ANISOTROPIC,
         {0, 0},
         {0, 0},
         {INT_MAX, INT_MAX},
         {1, 1},
         {INT_MAX, INT_MIN},
         {1, -1}},
        {"extreme window origin scaled",
         MM_ANISOTROPIC,
         {INT_MIN, INT_MIN},
         {0, 0},
         {1, 1},
         {2, 2},
         {INT_MAX, INT_MAX},
         {kL, kL}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetMapMode(dc, c.mode);
        SetWindowExtEx(dc, c.windowExt.cx, c.windowExt.cy, nullptr);
        SetViewportExtEx(dc, c.viewportExt.cx, c.viewportExt.cy, nullptr);
        SetWindowOrgEx(dc, c.windowOrg.x, c.windowOrg.y, nullptr);
        SetViewportOrgEx(dc, c.viewportOrg.x, c.viewportOrg.y, nullptr);
        POINT p = c.in;
        ASSERT_TRUE(LPtoDP(dc, &p, 1));
        EXPECT_EQ(p.x, c.out.x);
        EXPECT_EQ(p.y, c.out.y);
        POINT back = {INT_MAX, INT_MIN};
        EXPECT_TRUE(DPtoLP(dc, &back, 1)); // saturates to the int range instead of overflowing
    }
}

TEST_F(GdiExtremeTest, OriginsAndExtentsSaturateInsteadOfOverflowing)
{
    OffsetWindowOrgEx(dc, INT_MAX, INT_MIN, nullptr);
    OffsetWindowOrgEx(dc, INT_MAX, INT_MIN, nullptr);
    POINT org{};
    GetWindowOrgEx(dc, &org);
    EXPECT_EQ(org.x, INT_MAX);
    EXPECT_EQ(org.y, -INT_MAX);

    SetMapMode(dc, MM_ANISOTROPIC);
    SetViewportExtEx(dc, INT_MAX, INT_MIN, nullptr);
    EXPECT_TRUE(ScaleViewportExtEx(dc, INT_MAX, 1, INT_MIN, -1, nullptr));
    SIZE ext{};
    GetViewportExtEx(dc, &ext);
    EXPECT_EQ(ext.cx, INT_MAX);
    EXPECT_EQ(ext.cy, -INT_MAX);
    // Drawing through that mapping lands within the device range and covers the bitmap.
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, INT_MAX, INT_MAX, nullptr);
    EXPECT_TRUE(Rectangle(dc, -1, -1, 1, 1));
    SetMapMode(dc, MM_TEXT); // pixels are read in device units
    EXPECT_EQ(BlackPixels(), kW * kH);
}

// Each call runs on the white bitmap; `black` is how many pixels it leaves black (-1: any).
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
        {"PatBlt with negative extents", [](HDC h) { return PatBlt(h, 4, 4, INT_MIN, INT_MIN, BLACKNESS); },
         TRUE, 16},
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

TEST_F(GdiExtremeTest, ObjectsBeyondSaneSizesAreRefusedWithAReason)
{
    auto dib = [](LONG width, LONG height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = reinterpret_cast<void*>(1);
        HBITMAP h = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        EXPECT_EQ(bits, nullptr); // no pixels handed out for a refused section
        return h;
    };
    struct Case
    {
        const char* name;
        std::function<HGDIOBJ()> create;
        DWORD error;
    };
    const std::vector<Case> cases = {
        {"negative bitmap", [] { return CreateBitmap(-1, 4, 1, 32, nullptr); }, ERROR_INVALID_PARAMETER},
        {"bitmap wider than the limit",
         [] { return CreateBitmap(kel::gdi::kMaxSide + 1, 1, 1, 32, nullptr); }, ERROR_NOT_ENOUGH_MEMORY},
        {"bitmap of INT_MAX sides", [] { return CreateBitmap(INT_MAX, INT_MAX, 1, 1, nullptr); },
         ERROR_NOT_ENOUGH_MEMORY},
        {"bitmap with overflowing bit count", [] { return CreateBitmap(4, 4, 0x10000, 0x10000, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"compatible bitmap of INT_MIN width", [this] { return CreateCompatibleBitmap(dc, INT_MIN, 4); },
         ERROR_INVALID_PARAMETER},
        {"compatible bitmap too tall",
         [this] { return CreateCompatibleBitmap(dc, 1, kel::gdi::kMaxSide + 1); }, ERROR_NOT_ENOUGH_MEMORY},
        {"DIB section of INT_MIN height", [&] { return dib(4, INT_MIN); }, ERROR_NOT_ENOUGH_MEMORY},
        {"DIB section of zero width", [&] { return dib(0, 4); }, ERROR_INVALID_PARAMETER},
        {"elliptic region over the int range",
         [] { return CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX); }, ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(c.create(), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // The largest side is still accepted.
    HBITMAP edge = CreateBitmap(kel::gdi::kMaxSide, 1, 1, 32, nullptr);
    EXPECT_NE(edge, nullptr);
    DeleteObject(edge);
}

} // namespace
