// Enhanced metafiles in pixels: a drawing recorded, written, read back and played matches the
// drawing made directly; records other writers use play; playing leaves the DC as it was; the
// clipboard carries the metafile's bytes and a picture.
#include "Clipboard.h"

#include "gdi_metafile_support.h"

#include "testkit/Canvas.h"
#include "testkit/Clipboard.h"
#include "testkit/Image.h"
#include "win32/clipboard.h"
#include "win32/gdi.h"
#include "win32/memory.h"

#include <QtGui/QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{

using kel::testkit::Canvas;
using kel::testkit::Image;
using metafiles::Bytes;
using metafiles::BytesOf;
using metafiles::Get32;
using metafiles::Handmade;
using metafiles::Rec;
using metafiles::TempPath;

// The enhanced metafile of a drawing, with the given frame or none.
HENHMETAFILE Record(const std::function<void(HDC)>& draw, const RECT* frame, LPCSTR path = nullptr)
{
    return metafiles::RecordEmf(draw, frame, path);
}

constexpr int kW = 240;
constexpr int kH = 180;

// A drawing that touches most of what a chart draws: pens, brushes (hatched, patterned), shapes,
// text (aligned, formatted, spaced), mapping changes inside SaveDC/RestoreDC, a clip, bitmap
// pixels, fills and inversions.
void DrawScene(HDC dc)
{
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(200, 0, 0));
    HPEN dashed = CreatePen(PS_DASH, 1, RGB(0, 0, 160));
    HBRUSH solid = CreateSolidBrush(RGB(0, 150, 0));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(120, 0, 120));
    LOGFONT lf{};
    lf.lfHeight = -14;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirect(&lf);

    HGDIOBJ oldPen = SelectObject(dc, wide);
    HGDIOBJ oldBrush = SelectObject(dc, solid);
    Rectangle(dc, 10, 10, 60, 50);
    SelectObject(dc, hatch);
    Ellipse(dc, 70, 10, 130, 50);
    SelectObject(dc, dashed);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 140, 10, 190, 50, 12, 12);
    MoveToEx(dc, 10, 60, nullptr);
    LineTo(dc, 190, 60);
    const POINT zigzag[] = {{10, 70}, {40, 90}, {70, 70}, {100, 90}};
    Polyline(dc, zigzag, 4);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, solid);
    Pie(dc, 110, 65, 150, 105, 150, 85, 130, 65);
    Chord(dc, 155, 65, 195, 105, 155, 85, 195, 85);
    const POINT star[] = {{30, 100}, {40, 140}, {10, 115}, {50, 115}, {20, 140}};
    SetPolyFillMode(dc, WINDING);
    Polygon(dc, star, 5);

    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 200));
    TextOut(dc, 60, 110, "Mass 28", 7);
    SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
    TextOut(dc, 195, 140,
            "\xB5"
            "A",
            2);
    SetTextAlign(dc, TA_LEFT | TA_TOP);

    // A chart's plot area: its own mapping and clip, undone afterwards.
    SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1000, 1000, nullptr);
    SetViewportExtEx(dc, 40, -40, nullptr);
    SetViewportOrgEx(dc, 150, 145, nullptr);
    IntersectClipRect(dc, 0, 0, 1000, 500);
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    Rectangle(dc, 0, 0, 1000, 1000); // clipped to its lower half
    RestoreDC(dc, -1);
    Rectangle(dc, 125, 132, 140, 147); // with the brush the restore brought back

    RECT fill{100, 120, 120, 130};
    FillRect(dc, &fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(dc, 5, 145, RGB(255, 0, 255));
    // 2x2 bitmap stretched to 8x8.
    const uint32_t dib[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000};
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 2;
    bmi.bmiHeader.biHeight = 2;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    StretchDIBits(dc, 80, 132, 8, 8, 0, 0, 2, 2, dib, &bmi, DIB_RGB_COLORS, SRCCOPY);

    // A fixed metric mode: y grows upwards, 0.1 mm units.
    SaveDC(dc);
    SetMapMode(dc, MM_LOMETRIC);
    SetViewportOrgEx(dc, 205, 10, nullptr);
    SetBkColor(dc, RGB(255, 255, 0));
    SetBkMode(dc, OPAQUE);
    SelectObject(dc, hatch);
    Rectangle(dc, 0, 0, 80, -200);
    RestoreDC(dc, -1);

    // A monochrome pattern, drawn in the text and background colours.
    const BYTE checker[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
    HBITMAP tile = CreateBitmap(8, 8, 1, 1, checker);
    HBRUSH pattern = CreatePatternBrush(tile);
    SetTextColor(dc, RGB(0, 128, 128));
    SetBkColor(dc, RGB(255, 200, 200));
    SelectObject(dc, pattern);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 205, 90, 235, 120);
    SelectObject(dc, GetStockObject(BLACK_PEN));

    const POINT squares[] = {{10, 150}, {30, 150}, {30, 170}, {10, 170},
                             {15, 155}, {25, 155}, {25, 165}, {15, 165}};
    const INT corners[] = {4, 4};
    SetPolyFillMode(dc, ALTERNATE);
    PolyPolygon(dc, squares, corners, 2);
    Arc(dc, 35, 150, 65, 178, 65, 164, 35, 164);
    RECT label{70, 150, 130, 178};
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, "Peak", -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const INT spacing[] = {10, 10, 10, 10};
    RECT box{135, 152, 200, 176};
    SetBkColor(dc, RGB(220, 220, 220));
    ExtTextOut(dc, 138, 156, ETO_OPAQUE, &box, "1e-7", 4, spacing);
    RECT frame{205, 125, 235, 145};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FrameRect(dc, &frame, red);
    RECT inverted{208, 150, 232, 175};
    InvertRect(dc, &inverted);
    HRGN area = CreateRectRgn(60, 128, 76, 146);
    HRGN hole = CreateRectRgn(64, 132, 72, 140);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRgn(dc, area, red);
    FrameRgn(dc, area, blue, 1, 1);
    InvertRgn(dc, hole);
    DeleteObject(area);
    DeleteObject(hole);
    DeleteObject(blue);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(pattern);
    DeleteObject(tile);
    DeleteObject(red);
    for (HGDIOBJ o : {HGDIOBJ(wide), HGDIOBJ(dashed), HGDIOBJ(solid), HGDIOBJ(hatch), HGDIOBJ(font)})
        DeleteObject(o);
}

Image Direct(const std::function<void(HDC)>& draw, int w = kW, int h = kH)
{
    Canvas canvas(w, h);
    draw(canvas.Dc());
    return canvas.Pixels();
}

Image Played(HENHMETAFILE emf, int w = kW, int h = kH)
{
    Canvas canvas(w, h);
    const RECT area{0, 0, w, h};
    EXPECT_TRUE(PlayEnhMetaFile(canvas.Dc(), emf, &area));
    return canvas.Pixels();
}

TEST(EnhMetaFile, RecordedWrittenReadAndPlayedMatchesTheDirectDrawing)
{
    const std::string path = TempPath("scene.emf");
    const RECT frame = metafiles::Frame(kW, kH);
    HENHMETAFILE recorded = Record(DrawScene, &frame, path.c_str());
    ASSERT_NE(recorded, nullptr);
    HENHMETAFILE read = GetEnhMetaFile(path.c_str());
    ASSERT_NE(read, nullptr) << "the file was written and reads back";
    EXPECT_EQ(BytesOf(read), BytesOf(recorded));

    const Image direct = Direct(DrawScene);
    const Image played = Played(read);
    EXPECT_LE(kel::testkit::CountDifferences(direct, played, 8), kW * kH / 1000)
        << "at most 0.1 % of the pixels differ";
    EXPECT_EQ(played.Pixel(30, 30), RGB(0, 150, 0)) << "the filled rectangle";
    EXPECT_EQ(played.Pixel(160, 140), RGB(128, 128, 128)) << "inside the plot clip";
    EXPECT_EQ(played.Pixel(160, 120), RGB(255, 255, 255)) << "outside the plot clip";
    EXPECT_EQ(played.Pixel(132, 140), RGB(0, 150, 0)) << "the brush selected before SaveDC, after RestoreDC";
    EXPECT_EQ(played.Pixel(5, 145), RGB(255, 0, 255));
    EXPECT_EQ(played.Pixel(81, 133), RGB(0, 0, 255)) << "the bitmap's top-left pixel (bottom-up row 1)";
    EXPECT_EQ(played.Pixel(210, 12), RGB(255, 255, 0)) << "hatch background in the metric mode";
    EXPECT_EQ(played.Pixel(237, 50), RGB(255, 255, 255)) << "right of the 8 mm wide rectangle";
    EXPECT_EQ(played.Pixel(205, 90), RGB(0, 128, 128)) << "pattern bit 0 in the text colour";
    EXPECT_EQ(played.Pixel(206, 90), RGB(255, 200, 200)) << "pattern bit 1 in the background colour";
    EXPECT_EQ(played.Pixel(205, 135), RGB(255, 0, 0)) << "the frame";
    EXPECT_EQ(played.Pixel(220, 135), RGB(255, 255, 255)) << "inside the frame";
    EXPECT_EQ(played.Pixel(220, 160), RGB(0, 0, 0)) << "white inverted";
    EXPECT_EQ(played.Pixel(20, 160), RGB(255, 255, 255)) << "the hole of the alternate fill";
    EXPECT_EQ(played.Pixel(62, 130), RGB(255, 0, 0)) << "the filled region";
    EXPECT_EQ(played.Pixel(60, 137), RGB(0, 0, 255)) << "the region's frame";
    EXPECT_EQ(played.Pixel(68, 136), RGB(0, 255, 255)) << "the inverted region";

    DeleteEnhMetaFile(recorded);
    DeleteEnhMetaFile(read);
    std::filesystem::remove(path);
}

TEST(EnhMetaFile, PlaysStretchedOntoTheRectangleAndIntoAnotherRecording)
{
    const RECT frame = metafiles::Frame(kW, kH);
    HENHMETAFILE emf = Record(DrawScene, &frame);
    ASSERT_NE(emf, nullptr);

    // Twice the size, offset by (10, 20).
    Canvas big(2 * kW + 20, 2 * kH + 40);
    const RECT area{10, 20, 10 + 2 * kW, 20 + 2 * kH};
    ASSERT_TRUE(PlayEnhMetaFile(big.Dc(), emf, &area));
    const Image image = big.Pixels();
    EXPECT_EQ(image.Pixel(10 + 60, 20 + 60), RGB(0, 150, 0)) << "the rectangle, scaled";
    EXPECT_EQ(image.Pixel(10 + 320, 20 + 280), RGB(128, 128, 128)) << "the clipped plot, scaled";
    EXPECT_EQ(image.Pixel(10 + 320, 20 + 240), RGB(255, 255, 255));
    EXPECT_EQ(image.Pixel(5, 5), RGB(255, 255, 255)) << "nothing outside the rectangle";

    // Played into a recording, the copy plays like the original.
    const RECT whole{0, 0, kW, kH};
    HENHMETAFILE copy = Record([&](HDC dc) { PlayEnhMetaFile(dc, emf, &whole); }, &frame);
    ASSERT_NE(copy, nullptr);
    EXPECT_LE(kel::testkit::CountDifferences(Played(emf), Played(copy), 8), kW * kH / 1000);
    DeleteEnhMetaFile(copy);
    DeleteEnhMetaFile(emf);
}

// A BITBLT (or STRETCHBLT) record with a w x h 32-bit DIB of one colour (0x00RRGGBB) as source.
Bytes Blit(std::vector<uint32_t> dest, uint32_t rop, int w, int h, uint32_t rgb, bool stretch)
{
    std::vector<uint32_t> fields = {0, 0, 0, 0};
    fields.insert(fields.end(), dest.begin(), dest.end());
    fields.push_back(rop);
    fields.insert(fields.end(), {0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, DIB_RGB_COLORS});
    const uint32_t bmiAt = stretch ? 108 : 100;
    fields.insert(fields.end(), {bmiAt, 40, bmiAt + 40, uint32_t(w * h * 4)});
    if (stretch)
        fields.insert(fields.end(), {uint32_t(w), uint32_t(h)});
    fields.insert(fields.end(), {40, uint32_t(w), uint32_t(h), 0x00200001, BI_RGB, 0, 0, 0, 0, 0});
    fields.insert(fields.end(), size_t(w * h), rgb);
    return Rec(stretch ? 77 : 76, fields);
}

TEST(EnhMetaFile, PlaysRecordsOtherWritersUse)
{
    struct Probe
    {
        int x, y;
        COLORREF color;
    };
    struct Case
    {
        const char* what;
        std::vector<Bytes> records;
        std::vector<Probe> probes;
    };
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const Bytes redBrush = Rec(39, {1, BS_SOLID, RGB(255, 0, 0), 0});
    const Bytes blackBrush = Rec(37, {0x80000000u | BLACK_BRUSH});
    const float one = 1.0f;
    uint32_t oneBits;
    std::memcpy(&oneBits, &one, 4);
    const Bytes blackness =
        Rec(76, {0, 0, 0, 0, 0, 0, 10, 10, BLACKNESS, 0, 0, oneBits, 0, 0, oneBits, 0, 0, 0, 0, 0, 0, 0, 0});
    const Case cases[] = {
        {"32-bit polygon",
         {redBrush, Rec(37, {1}), Rec(3, {5, 5, 30, 30, 4, 5, 5, 30, 5, 30, 30, 5, 30})},
         {{15, 15, RGB(255, 0, 0)}, {35, 35, white}}},
        {"32-bit polyline", {Rec(4, {0, 0, 39, 0, 2, 0, 20, 39, 20})}, {{20, 20, black}, {20, 22, white}}},
        {"Bezier with its control points on a line",
         {Rec(85, {0, 0, 39, 0, 4, 20 << 16, 13 | 20 << 16, 26 | 20 << 16, 39 | 20 << 16})},
         {{20, 20, black}, {20, 25, white}}},
        {"pixels from a bitmap",
         {Blit({10, 10, 4, 4}, SRCCOPY, 4, 4, 0x00FF00, false)},
         {{12, 12, RGB(0, 255, 0)}}},
        {"pattern operation without a bitmap", {blackness}, {{5, 5, black}, {15, 5, white}}},
        {"a pixel stretched",
         {Blit({10, 10, 20, 20}, SRCCOPY, 1, 1, 0x0000FF, true)},
         {{25, 25, RGB(0, 0, 255)}}},
        {"region filled with a stock brush",
         {Rec(71, {0, 0, 0, 0, 48, 0x80000000u | BLACK_BRUSH, 32, 1, 1, 16, 20, 20, 30, 30, 20, 20, 30, 30})},
         {{25, 25, black}, {15, 15, white}}},
        {"clip region",
         {Rec(75, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 20, 40, 0, 0, 20, 40}), blackBrush,
          Rec(43, {0, 0, 40, 40})},
         {{10, 10, black}, {30, 10, white}}},
        {"mapping",
         {Rec(17, {MM_ANISOTROPIC}), Rec(9, {100, 100}), Rec(11, {40, 40}), blackBrush,
          Rec(43, {50, 50, 100, 100})},
         {{30, 30, black}, {10, 10, white}}},
        {"a pixel", {Rec(15, {3, 3, RGB(255, 0, 0)})}, {{3, 3, RGB(255, 0, 0)}}},
    };
    for (const Case& c : cases)
    {
        const Bytes b = Handmade(c.records);
        HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(b.size()), b.data());
        ASSERT_NE(emf, nullptr) << c.what;
        Canvas canvas(40, 40);
        const RECT area{0, 0, 40, 40};
        EXPECT_TRUE(PlayEnhMetaFile(canvas.Dc(), emf, &area)) << c.what;
        const Image image = canvas.Pixels();
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.Pixel(p.x, p.y), p.color) << c.what << " at " << p.x << "," << p.y;
        DeleteEnhMetaFile(emf);
    }
}

TEST(EnhMetaFile, TextBoundsHoldThePixelsTheTextDraws)
{
    // Text under an anisotropic mapping (a logical unit is 3 pixels across, 2 down): the text record's
    // bounds and the header's are device pixels and hold what the same text draws on an image, with
    // no more room than the text's own box around it.
    struct Case
    {
        const char* what;
        int escapement;
        bool spaced;
        UINT align;
    };
    const Case cases[] = {
        {"plain", 0, false, TA_LEFT | TA_TOP},
        {"spaced by logical advances", 0, true, TA_LEFT | TA_TOP},
        {"right-aligned on the baseline", 0, false, TA_RIGHT | TA_BASELINE},
        {"running upwards", 900, false, TA_LEFT | TA_BASELINE},
        {"turned by 30 degrees, spaced", 300, true, TA_LEFT | TA_TOP},
    };
    constexpr int kFont = 16;     // pixels high on the device
    constexpr int kFontUnits = 8; // logical units: a unit is 2 pixels down
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        auto draw = [&](HDC dc)
        {
            SetMapMode(dc, MM_ANISOTROPIC);
            SetWindowExtEx(dc, 100, 100, nullptr);
            SetViewportExtEx(dc, 300, 200, nullptr);
            HFONT font = CreateFont(-kFontUnits, 0, c.escapement, c.escapement, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                                    0, 0, NONANTIALIASED_QUALITY, 0, "Arial");
            HGDIOBJ old = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextAlign(dc, c.align);
            const INT advances[] = {5, 5, 5, 5};
            ExtTextOut(dc, 40, 50, 0, nullptr, "MWMW", 4, c.spaced ? advances : nullptr);
            SelectObject(dc, old);
            DeleteObject(font);
        };
        Canvas canvas(kW, kH);
        draw(canvas.Dc());
        const RECT ink = canvas.InkBounds();
        ASSERT_GT(ink.right, ink.left) << "the text drew something";

        HENHMETAFILE emf = Record(draw, nullptr);
        ASSERT_NE(emf, nullptr);
        const Bytes bytes = BytesOf(emf);
        ENHMETAHEADER header{};
        GetEnhMetaFileHeader(emf, sizeof header, &header);
        DeleteEnhMetaFile(emf);
        RECT text{};
        bool found = false;
        for (size_t at = header.nSize; at + 24 <= bytes.size() && !found; at += Get32(bytes, at + 4))
            if (Get32(bytes, at) == 84) // EMR_EXTTEXTOUTW
            {
                std::memcpy(&text, &bytes[at + 8], sizeof text);
                found = true;
            }
        ASSERT_TRUE(found);
        for (const RECT& bounds : {text, RECT(header.rclBounds)})
        {
            // Bounds are inclusive.
            EXPECT_LE(bounds.left, ink.left);
            EXPECT_LE(bounds.top, ink.top);
            EXPECT_GE(bounds.right, ink.right - 1);
            EXPECT_GE(bounds.bottom, ink.bottom - 1);
            EXPECT_GE(bounds.left, ink.left - kFont);
            EXPECT_GE(bounds.top, ink.top - kFont);
            EXPECT_LE(bounds.right, ink.right + kFont);
            EXPECT_LE(bounds.bottom, ink.bottom + kFont);
        }
    }
}

TEST(EnhMetaFile, PlayingLeavesTheDcAsFoundAndStaysInsideItsClip)
{
    // The metafile selects its own clip and objects and paints everything red.
    auto draw = [](HDC dc)
    {
        HRGN all = CreateRectRgn(-1000, -1000, 1000, 1000);
        SelectClipRgn(dc, all);
        DeleteObject(all);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        SelectObject(dc, red);
        SetMapMode(dc, MM_LOMETRIC);
        SetTextColor(dc, RGB(1, 2, 3));
        SaveDC(dc);
        PatBlt(dc, -100, 100, 10000, -10000, PATCOPY);
        // Unbalanced: the player restores what the metafile left saved.
    };
    const RECT frame = metafiles::Frame(40, 40);
    HENHMETAFILE emf = Record(draw, &frame);
    ASSERT_NE(emf, nullptr);

    Canvas canvas(40, 40);
    HDC dc = canvas.Dc();
    HPEN pen = CreatePen(PS_DOT, 1, RGB(9, 9, 9));
    SelectObject(dc, pen);
    SetTextColor(dc, RGB(7, 7, 7));
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 4, 4, nullptr);
    SetViewportExtEx(dc, 8, 8, nullptr); // a logical unit is 2 pixels
    IntersectClipRect(dc, 0, 0, 10, 20); // device (0,0)-(20,40): the left half
    const int depth = SaveDC(dc);
    RestoreDC(dc, -1);

    const RECT area{0, 0, 20, 20}; // logical: the whole 40x40 canvas
    EXPECT_TRUE(PlayEnhMetaFile(dc, emf, &area));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetTextColor(dc), RGB(7, 7, 7));
    EXPECT_EQ(GetMapMode(dc), MM_ANISOTROPIC);
    SIZE ext{};
    GetViewportExtEx(dc, &ext);
    EXPECT_EQ(ext.cx, 8);
    EXPECT_EQ(SaveDC(dc), depth) << "the saved-state stack is as it was";
    RestoreDC(dc, -1);
    RECT clip{};
    GetClipBox(dc, &clip);
    EXPECT_EQ(clip.right, 10);

    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
    const Image image = canvas.Pixels();
    EXPECT_EQ(image.Pixel(5, 30), RGB(255, 0, 0)) << "inside the DC's clip";
    EXPECT_EQ(image.Pixel(30, 30), RGB(255, 255, 255)) << "outside: the metafile's own clip does not escape";
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetaFile, TravelsOnTheClipboardAsItsBytesWithAPicture)
{
    kel::testkit::Clipboard clipboard;
    const RECT frame = metafiles::Frame(kW, kH);
    HENHMETAFILE emf = Record(DrawScene, &frame);
    ASSERT_NE(emf, nullptr);
    const Bytes bytes = BytesOf(emf);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_ENHMETAFILE, emf), emf);
    CloseClipboard();
    ASSERT_TRUE(clipboard.Data(CF_ENHMETAFILE).has_value());
    EXPECT_EQ(*clipboard.Data(CF_ENHMETAFILE), bytes);
    const auto png = clipboard.Data(RegisterClipboardFormat("PNG"));
    ASSERT_TRUE(png.has_value()) << "a picture for programs that do not read metafiles";
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(png->data(), static_cast<int>(png->size()), "PNG"));
    EXPECT_EQ(picture.size(), QSize(kW, kH));
    EXPECT_EQ(picture.pixel(30, 30) & 0xFFFFFF, 0x009600u) << "the drawing, not a blank";

    // Read back as another program's data: a new handle with the same bytes.
    clipboard.Put({{CF_ENHMETAFILE, bytes}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE back = GetClipboardData(CF_ENHMETAFILE);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(BytesOf(static_cast<HENHMETAFILE>(back)), bytes);
    CloseClipboard();

    // Bytes that are not a metafile give no handle.
    clipboard.Put({{CF_ENHMETAFILE, Bytes{1, 2, 3}}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(CF_ENHMETAFILE), nullptr);
    CloseClipboard();
}

TEST(MetafilePicture, TravelsOnTheClipboardWithItsFieldsAndAPicture)
{
    kel::testkit::Clipboard clipboard;
    // As the charting library copies a graph: its logical extents in an anisotropic picture.
    HDC recording = CreateMetaFile(nullptr);
    ASSERT_NE(recording, nullptr);
    SetWindowExtEx(recording, 1000, 750, nullptr);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(recording, blue);
    Rectangle(recording, 0, 0, 500, 750);
    SelectObject(recording, GetStockObject(WHITE_BRUSH));
    DeleteObject(blue);
    HMETAFILE wmf = CloseMetaFile(recording);
    ASSERT_NE(wmf, nullptr);
    Bytes wmfBytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(wmfBytes.size()), wmfBytes.data());

    HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(METAFILEPICT));
    *static_cast<METAFILEPICT*>(GlobalLock(block)) = METAFILEPICT{MM_ANISOTROPIC, 1000, 750, wmf};
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, small), nullptr) << "a block too small for the fields";
    EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, block), block);
    CloseClipboard();
    GlobalFree(small);

    const auto data = clipboard.Data(CF_METAFILEPICT);
    ASSERT_TRUE(data.has_value());
    ASSERT_GT(data->size(), 12u);
    EXPECT_EQ(Get32(*data, 0), uint32_t(MM_ANISOTROPIC));
    EXPECT_EQ(Get32(*data, 4), 1000u);
    EXPECT_EQ(Get32(*data, 8), 750u);
    EXPECT_EQ(Bytes(data->begin() + 12, data->end()), wmfBytes);
    const auto png = clipboard.Data(RegisterClipboardFormat("PNG"));
    ASSERT_TRUE(png.has_value());
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(png->data(), static_cast<int>(png->size()), "PNG"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixel(picture.width() / 4, picture.height() / 2) & 0xFFFFFF, 0x0000FFu)
        << "the blue left half, stretched onto the picture";
    EXPECT_EQ(picture.pixel(picture.width() * 3 / 4, picture.height() / 2) & 0xFFFFFF, 0xFFFFFFu);

    // Another program's picture replaces ours: the clipboard frees our block and its metafile.
    clipboard.Put({{CF_METAFILEPICT, *data}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE));
    EXPECT_FALSE(DeleteMetaFile(wmf)) << "deleted with the block";
    HANDLE back = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(back, nullptr);
    const METAFILEPICT fields = *static_cast<const METAFILEPICT*>(GlobalLock(back));
    GlobalUnlock(back);
    EXPECT_EQ(fields.mm, MM_ANISOTROPIC);
    EXPECT_EQ(fields.xExt, 1000);
    EXPECT_EQ(fields.yExt, 750);
    Bytes backBytes(GetMetaFileBitsEx(fields.hMF, 0, nullptr));
    GetMetaFileBitsEx(fields.hMF, static_cast<UINT>(backBytes.size()), backBytes.data());
    EXPECT_EQ(backBytes, wmfBytes);
    CloseClipboard();
}

} // namespace
