// The drawing core's DC state without a window system: mapping modes and their limits, object
// selection and ownership, SaveDC/RestoreDC, and bitmap bytes. What reaches the device is read
// from the test kit's recording device.
#include "testkit/Canvas.h"
#include "testkit/RecordingDevice.h"
#include "win32/gdi.h"
#include "win32/gdibackend.h"
#include "win32/gdidevice.h"
#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace
{

using kel::gdi::kDeviceLimit;
using kel::gdi::kMaxSide;
using kel::testkit::Canvas;
using kel::testkit::RecordingDevices;

constexpr int kL = kDeviceLimit;

TEST(GdiMapping, ModesRoundTripAndIsotropicKeepsUnitsSquare)
{
    Canvas canvas(64, 64);
    HDC dc = canvas.Dc();
    struct Case
    {
        int mode;
        POINT logical, device; // a known mapping with the viewport origin at (100, 200)
    };
    const Case cases[] = {
        {MM_TEXT, {10, 20}, {110, 220}},         {MM_LOMETRIC, {254, -254}, {196, 296}},
        {MM_HIMETRIC, {2540, 2540}, {196, 104}}, {MM_LOENGLISH, {100, -50}, {196, 248}},
        {MM_HIENGLISH, {1000, 0}, {196, 200}},   {MM_TWIPS, {1440, -720}, {196, 248}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mode);
        SetMapMode(dc, c.mode);
        SetViewportOrgEx(dc, 100, 200, nullptr);
        POINT p = c.logical;
        LPtoDP(dc, &p, 1);
        EXPECT_EQ(p.x, c.device.x);
        EXPECT_EQ(p.y, c.device.y);
        // Device points survive device -> logical -> device in every mode.
        for (int d = -7; d <= 7; ++d)
        {
            POINT q{100 + d * 13, 200 - d * 7};
            DPtoLP(dc, &q, 1);
            LPtoDP(dc, &q, 1);
            EXPECT_EQ(q.x, 100 + d * 13);
            EXPECT_EQ(q.y, 200 - d * 7);
        }
    }
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 400, -200, nullptr);
    SIZE vp{};
    GetViewportExtEx(dc, &vp);
    EXPECT_EQ(vp.cx, 200);
    EXPECT_EQ(vp.cy, -200);
    SetMapMode(dc, MM_TEXT);
    GetViewportExtEx(dc, &vp);
    EXPECT_EQ(vp.cx, 1);
}

TEST(GdiMapping, SaturatesToTheDeviceRange)
{
    Canvas canvas(16, 16);
    HDC dc = canvas.Dc();
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

TEST(GdiMapping, OriginsAndExtentsSaturateInsteadOfOverflowing)
{
    RecordingDevices devices;
    Canvas canvas(16, 16);
    HDC dc = canvas.Dc();
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
    // Drawing through that mapping lands at the edges of the device range.
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, INT_MAX, INT_MAX, nullptr);
    EXPECT_TRUE(Rectangle(dc, -1, -1, 1, 1));
    ASSERT_EQ(devices.Lines().size(), 1u);
    EXPECT_EQ(devices.Lines()[0],
              "rectangle -134217728,-134217728,134217728,134217728 pen solid 1 #000000 brush #ffffff");
}

// Each call runs on the white bitmap; `black` is how many pixels it leaves black (-1: any).
TEST(GdiMapping, ShapesReachTheDeviceMappedWithPensInDevicePixels)
{
    // window 10x10 onto viewport 20x30 at (1, 2): x doubles, y triples.
    struct Case
    {
        const char* what;
        std::function<void(HDC)> draw;
        std::string line;
    };
    HPEN wide = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    const Case cases[] = {
        {"rectangle: corners mapped, a width-0 pen one pixel", [](HDC dc) { Rectangle(dc, 1, 1, 4, 3); },
         "rectangle 3,5,9,11 pen solid 1 #000000 brush #ffffff"},
        {"line: a logical width scales along x",
         [wide](HDC dc)
         {
             SelectObject(dc, wide);
             MoveToEx(dc, 0, 0, nullptr);
             LineTo(dc, 5, 5);
             SelectObject(dc, GetStockObject(BLACK_PEN));
         },
         "polyline pen solid 4 #010203 1,2 11,17"},
        {"without a pen a shape is a pixel smaller",
         [](HDC dc)
         {
             SelectObject(dc, GetStockObject(NULL_PEN));
             Ellipse(dc, 0, 0, 5, 5);
             SelectObject(dc, GetStockObject(BLACK_PEN));
         },
         "ellipse 1,2,10,16 pen none brush #ffffff"},
        {"fills take the brush given",
         [](HDC dc)
         {
             const RECT r{0, 0, 2, 1};
             FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
         },
         "fill 1,2,5,5 brush #808080 rop 13"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RecordingDevices devices;
        Canvas canvas(64, 64);
        HDC dc = canvas.Dc();
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 10, 10, nullptr);
        SetViewportExtEx(dc, 20, 30, nullptr);
        SetViewportOrgEx(dc, 1, 2, nullptr);
        c.draw(dc);
        EXPECT_EQ(devices.Lines(), std::vector<std::string>{c.line});
    }
    DeleteObject(wide);
}

TEST(GdiState, RestoreDcBringsBackObjectsMappingAndClip)
{
    RecordingDevices devices;
    Canvas canvas(64, 64);
    HDC dc = canvas.Dc();
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    SelectObject(dc, blue);
    const int depth = SaveDC(dc);
    EXPECT_EQ(depth, 1);
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    SetViewportOrgEx(dc, 10, 10, nullptr);
    IntersectClipRect(dc, 0, 0, 5, 5);
    // Deleting a pen the DC holds waits for RestoreDC to let go of it.
    EXPECT_TRUE(DeleteObject(red));
    Rectangle(dc, 0, 0, 4, 4);
    ASSERT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetObjectType(red), 0u) << "freed once no state holds it";
    Rectangle(dc, 0, 0, 4, 4);
    EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing saved any more";
    EXPECT_EQ(devices.Lines(),
              (std::vector<std::string>{
                  "rectangle 10,10,14,14 pen solid 1 #ff0000 brush #808080 clip 10,10,15,15/1",
                  "rectangle 0,0,4,4 pen solid 1 #000000 brush #0000ff",
              }));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(blue);
}

TEST(GdiObjects, DeletingSelectedObjectsFollowsWindowsRules)
{
    RecordingDevices devices;
    Canvas canvas(8, 8);
    HDC dc = canvas.Dc();
    HBITMAP bitmap = canvas.Bitmap();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ previous = SelectObject(dc, pen);
    // A selected pen goes once deselected; until then the DC still draws with it.
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 3, 0);
    EXPECT_EQ(devices.Lines(), std::vector<std::string>{"polyline pen solid 1 #ff0000 0,0 3,0"});
    SelectObject(dc, previous);
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_EQ(SelectObject(dc, pen), nullptr);

    // A bitmap selected into a memory DC cannot be deleted, nor selected into a second DC.
    EXPECT_FALSE(DeleteObject(bitmap));
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    DeleteDC(other);
    // Stock objects survive DeleteObject.
    HGDIOBJ stock = GetStockObject(BLACK_PEN);
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_PEN));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x12345678)));
}

TEST(GdiObjects, BeyondSaneSizesAreRefusedWithAReason)
{
    Canvas canvas(4, 4);
    HDC dc = canvas.Dc();
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
        {"bitmap wider than the limit", [] { return CreateBitmap(kMaxSide + 1, 1, 1, 32, nullptr); },
         ERROR_NOT_ENOUGH_MEMORY},
        {"bitmap of INT_MAX sides", [] { return CreateBitmap(INT_MAX, INT_MAX, 1, 1, nullptr); },
         ERROR_NOT_ENOUGH_MEMORY},
        {"bitmap with overflowing bit count", [] { return CreateBitmap(4, 4, 0x10000, 0x10000, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"compatible bitmap of INT_MIN width", [dc] { return CreateCompatibleBitmap(dc, INT_MIN, 4); },
         ERROR_INVALID_PARAMETER},
        {"compatible bitmap too tall", [dc] { return CreateCompatibleBitmap(dc, 1, kMaxSide + 1); },
         ERROR_NOT_ENOUGH_MEMORY},
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
    HBITMAP edge = CreateBitmap(kMaxSide, 1, 1, 32, nullptr);
    EXPECT_NE(edge, nullptr);
    DeleteObject(edge);
}

TEST(GdiBitmapTest, BmpBytesAndDibsRoundTrip)
{
    // A 3x2 24-bit bottom-up DIB: rows padded to four bytes.
    const uint8_t bits[] = {
        0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0, // bottom row: red, green, blue
        255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0, // top row: white, black, grey
    };
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = CreateCompatibleDC(nullptr);
    HBITMAP bm = CreateBitmap(3, 2, 1, 32, nullptr);
    ASSERT_EQ(SetDIBits(screen, bm, 0, 2, bits, &info, DIB_RGB_COLORS), 2);
    HGDIOBJ old = SelectObject(screen, bm);
    EXPECT_EQ(GetPixel(screen, 0, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, 2, 1), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(screen, 2, 0), RGB(128, 128, 128));
    SelectObject(screen, old);

    // And back out as 32-bit top-down rows.
    BITMAPINFO out{};
    out.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    uint8_t read[3 * 2 * 4] = {};
    EXPECT_EQ(GetDIBits(screen, bm, 0, 2, read, &out, DIB_RGB_COLORS), 2);
    EXPECT_EQ(read[0], 255);      // white's blue
    EXPECT_EQ(read[12 + 2], 255); // red's red
    // BMP file bytes round trip; truncated or foreign bytes are refused rather than read past their end.
    const kel::gdi::Pixmap image = kel::gdi::PixmapOfBitmap(bm);
    const std::vector<uint8_t> file = kel::gdi::BmpFromPixmap(image);
    EXPECT_EQ(kel::gdi::PixmapFromBmp(file.data(), file.size()), image);
    for (size_t cut : {size_t(0), size_t(10), size_t(54), file.size() - 1})
        EXPECT_TRUE(kel::gdi::PixmapFromBmp(file.data(), cut).IsNull()) << cut;
    const char text[] = "not a bitmap at all, just some text";
    EXPECT_TRUE(kel::gdi::PixmapFromBmp(text, sizeof text).IsNull());
    DeleteObject(bm);
    DeleteDC(screen);
}

} // namespace
