// Enhanced metafiles: a drawing recorded, written, read back and played matches the drawing made
// directly; header fields; bytes that are not a sound metafile are refused or skipped safely;
// playing leaves the DC as it was; the clipboard carries the metafile's bytes and a picture.
#include "Clipboard.h"

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

using Bytes = std::vector<uint8_t>;
using kel::testkit::Image;

constexpr int kW = 240;
constexpr int kH = 180;

// A white 32-bit bitmap in a memory DC for the duration of a test step.
class Canvas
{
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateBitmap(width, height, 1, 32, nullptr);
        old_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    Image Pixels() const
    {
        Image image;
        image.width = width_;
        image.height = height_;
        image.pixels.resize(static_cast<size_t>(width_) * height_);
        GetBitmapBits(bitmap_, static_cast<LONG>(image.pixels.size() * 4), image.pixels.data());
        for (uint32_t& p : image.pixels)
            p |= 0xFF000000u;
        return image;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

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

// The frame of a kW x kH picture at 96 dpi, in 0.01 mm.
RECT Frame(int w = kW, int h = kH)
{
    return RECT{0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96};
}

HENHMETAFILE Record(const std::function<void(HDC)>& draw, const RECT* frame, LPCSTR path = nullptr,
                    LPCSTR description = nullptr)
{
    Canvas reference(1, 1);
    HDC dc = CreateEnhMetaFile(reference.Dc(), path, frame, description);
    EXPECT_NE(dc, nullptr);
    draw(dc);
    return CloseEnhMetaFile(dc);
}

Bytes BytesOf(HENHMETAFILE emf)
{
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    return bytes;
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() /
            ("kel-emf-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + name))
        .string();
}

uint32_t Get32(const Bytes& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    std::memcpy(&b[at], &v, 4);
}

TEST(EnhMetaFile, RecordedWrittenReadAndPlayedMatchesTheDirectDrawing)
{
    const std::string path = TempPath("scene.emf");
    const RECT frame = Frame();
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
    const RECT frame = Frame();
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

TEST(EnhMetaFile, HeaderDescribesTheRecording)
{
    auto draw = [](HDC dc)
    {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
        HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
        SelectObject(dc, pen);
        SelectObject(dc, brush);
        Rectangle(dc, 10, 20, 50, 60);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
        DeleteObject(brush);
    };
    static const char description[] = "kelmon\0Spectrum\0";
    HENHMETAFILE emf = Record(draw, nullptr, nullptr, description);
    ASSERT_NE(emf, nullptr);
    const Bytes bytes = BytesOf(emf);

    ENHMETAHEADER h{};
    ASSERT_EQ(GetEnhMetaFileHeader(emf, sizeof h, &h), sizeof h);
    EXPECT_EQ(h.iType, 1u);
    EXPECT_EQ(h.dSignature, 0x464D4520u);
    EXPECT_EQ(Get32(bytes, 40), 0x464D4520u) << "the signature sits at byte 40";
    EXPECT_EQ(h.nBytes, bytes.size());
    // Walk the records: they fill the file exactly and end with EOF.
    uint32_t records = 0;
    size_t at = 0, last = 0;
    while (at < bytes.size())
    {
        last = at;
        ++records;
        at += Get32(bytes, at + 4);
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(Get32(bytes, last), 14u) << "EMR_EOF last";
    EXPECT_EQ(h.nRecords, records);
    EXPECT_EQ(h.nHandles, 3) << "the table's own entry, the pen and the brush";
    EXPECT_EQ(h.rclBounds.left, 10);
    EXPECT_EQ(h.rclBounds.top, 20);
    EXPECT_EQ(h.rclBounds.right, 49) << "bounds are inclusive";
    EXPECT_EQ(h.rclBounds.bottom, 59);
    EXPECT_EQ(h.rclFrame.left, 265) << "frame from the bounds at 96 dpi, in 0.01 mm";
    EXPECT_EQ(h.rclFrame.right, 1323);
    Canvas reference(1, 1);
    EXPECT_EQ(h.szlDevice.cx, GetDeviceCaps(reference.Dc(), HORZRES));
    EXPECT_EQ(h.szlMillimeters.cx, GetDeviceCaps(reference.Dc(), HORZSIZE));
    ASSERT_EQ(h.nDescription, 17u) << "both strings with their NULs, and the closing NUL";
    ASSERT_LE(h.offDescription + 2 * h.nDescription, h.nSize);
    EXPECT_EQ(bytes[h.offDescription], 'k');
    EXPECT_EQ(bytes[h.offDescription + 2 * 7], 'S');

    // A given frame is kept as given.
    const RECT frame{-100, -200, 3000, 4000};
    HENHMETAFILE framed = Record(draw, &frame);
    ENHMETAHEADER f{};
    GetEnhMetaFileHeader(framed, sizeof f, &f);
    EXPECT_EQ(f.rclFrame.left, -100);
    EXPECT_EQ(f.rclFrame.bottom, 4000);
    DeleteEnhMetaFile(framed);
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetaFile, HandlesAndFilesFollowTheirRules)
{
    HENHMETAFILE emf = Record([](HDC dc) { Rectangle(dc, 0, 0, 10, 10); }, nullptr);
    ASSERT_NE(emf, nullptr);
    const Bytes bytes = BytesOf(emf);
    Bytes small(bytes.size() - 1);
    EXPECT_EQ(GetEnhMetaFileBits(emf, static_cast<UINT>(small.size()), small.data()), 0u)
        << "buffer too small";

    HENHMETAFILE copy = CopyEnhMetaFile(emf, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, emf);
    EXPECT_EQ(BytesOf(copy), bytes);
    const std::string path = TempPath("copy.emf");
    HENHMETAFILE onDisk = CopyEnhMetaFile(emf, path.c_str());
    ASSERT_NE(onDisk, nullptr);
    HENHMETAFILE read = GetEnhMetaFile(path.c_str());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(BytesOf(read), bytes);

    // Trailing bytes after the metafile are not part of it.
    Bytes padded = bytes;
    padded.insert(padded.end(), 12, 0xAB);
    HENHMETAFILE trimmed = SetEnhMetaFileBits(static_cast<UINT>(padded.size()), padded.data());
    ASSERT_NE(trimmed, nullptr);
    EXPECT_EQ(BytesOf(trimmed), bytes);

    for (HENHMETAFILE h : {emf, copy, onDisk, read, trimmed})
        EXPECT_TRUE(DeleteEnhMetaFile(h));
    EXPECT_FALSE(DeleteEnhMetaFile(emf)) << "already deleted";
    EXPECT_EQ(GetEnhMetaFileBits(emf, 0, nullptr), 0u);
    ENHMETAHEADER h{};
    EXPECT_EQ(GetEnhMetaFileHeader(emf, sizeof h, &h), 0u);
    Canvas canvas(4, 4);
    const RECT area{0, 0, 4, 4};
    EXPECT_FALSE(PlayEnhMetaFile(canvas.Dc(), emf, &area));
    EXPECT_EQ(GetEnhMetaFile(TempPath("missing.emf").c_str()), nullptr);
    EXPECT_EQ(CopyEnhMetaFile(emf, nullptr), nullptr);
    EXPECT_EQ(CloseEnhMetaFile(canvas.Dc()), nullptr) << "not a recording DC";
    const std::string tooLong(300, 'x');
    EXPECT_EQ(CreateEnhMetaFile(nullptr, tooLong.c_str(), nullptr, nullptr), nullptr);
    std::filesystem::remove(path);
}

// A minimal metafile written by hand: header, the given records, EOF. The reference device has
// 4 pixels a millimetre and the frame is 10 mm square: 40 pixels, played 1:1 onto 40x40.
Bytes Handmade(const std::vector<Bytes>& records, uint16_t handles = 4)
{
    Bytes b(108, 0);
    Put32(b, 0, 1);
    Put32(b, 4, 108);
    Put32(b, 24 + 8, 1000); // frame right
    Put32(b, 24 + 12, 1000);
    Put32(b, 40, 0x464D4520);
    Put32(b, 44, 0x10000);
    b[56] = static_cast<uint8_t>(handles);
    Put32(b, 72, 1000);
    Put32(b, 76, 1000);
    Put32(b, 80, 250);
    Put32(b, 84, 250);
    for (const Bytes& r : records)
        b.insert(b.end(), r.begin(), r.end());
    const Bytes eof = {14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0};
    b.insert(b.end(), eof.begin(), eof.end());
    Put32(b, 48, static_cast<uint32_t>(b.size()));
    Put32(b, 52, static_cast<uint32_t>(records.size() + 2));
    return b;
}

// A record of the type with the given 32-bit fields after its size.
Bytes Rec(uint32_t type, std::vector<uint32_t> fields)
{
    Bytes r(8 + 4 * fields.size());
    Put32(r, 0, type);
    Put32(r, 4, static_cast<uint32_t>(r.size()));
    for (size_t i = 0; i < fields.size(); ++i)
        Put32(r, 8 + 4 * i, fields[i]);
    return r;
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

TEST(EnhMetaFile, BytesThatAreNotAMetafileAreRefused)
{
    const Bytes good = Handmade({Rec(43, {1, 1, 5, 5})});
    ASSERT_NE(SetEnhMetaFileBits(static_cast<UINT>(good.size()), good.data()), nullptr);

    struct Case
    {
        const char* what;
        std::function<void(Bytes&)> spoil;
    };
    const size_t record = 108; // where the rectangle starts
    const Case cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"shorter than a header", [](Bytes& b) { b.resize(87); }},
        {"cut inside a record", [&](Bytes& b) { b.resize(record + 12); }},
        {"cut before the end record", [&](Bytes& b) { b.resize(record + 24); }},
        {"not a header first", [](Bytes& b) { Put32(b, 0, 2); }},
        {"no signature", [](Bytes& b) { b[40] = 'X'; }},
        {"header size below the minimum", [](Bytes& b) { Put32(b, 4, 84); }},
        {"header size past the end", [](Bytes& b) { Put32(b, 4, 4000); }},
        {"length beyond the bytes", [](Bytes& b) { Put32(b, 48, static_cast<uint32_t>(b.size() + 4)); }},
        {"no object table", [](Bytes& b) { b[56] = 0; }},
        {"no reference size", [](Bytes& b) { Put32(b, 80, 0); }},
        {"description outside the header", [](Bytes& b) { Put32(b, 60, 40), Put32(b, 64, 100); }},
        {"record size zero", [&](Bytes& b) { Put32(b, record + 4, 0); }},
        {"record size not in words", [&](Bytes& b) { Put32(b, record + 4, 22); }},
        {"record size past the end", [&](Bytes& b) { Put32(b, record + 4, 0x7FFFFFF0); }},
        {"end record missing", [&](Bytes& b) { Put32(b, b.size() - 20, 43); }},
    };
    for (const Case& c : cases)
    {
        Bytes b = good;
        c.spoil(b);
        EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(b.size()), b.data()), nullptr) << c.what;
    }
    EXPECT_EQ(SetEnhMetaFileBits(10, nullptr), nullptr);
}

TEST(EnhMetaFile, RecordsThatDoNotHoldWhatTheySayAreSkipped)
{
    // Each case is well framed (the metafile is accepted) but one record's contents lie; playing
    // skips it, reports failure and still plays the rest. AddressSanitizer checks nothing is read
    // outside the bytes.
    struct Case
    {
        const char* what;
        Bytes record;
    };
    Bytes text = Rec(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 5, 0xFFFFFF00, 0, 0, 0, 0, 0, 0});
    Bytes dib = Rec(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 400, 0, 0xCC0020, 8, 8});
    dib.resize(dib.size() + 40 + 16, 0);
    Put32(dib, 4, static_cast<uint32_t>(dib.size()));
    Put32(dib, 80, 40); // BITMAPINFOHEADER: 2x2, 32 bits, but only 16 bytes of the 400 claimed
    Put32(dib, 84, 2);
    Put32(dib, 88, 2);
    Put32(dib, 92, 0x00200001);
    const Case cases[] = {
        {"select beyond the table", Rec(37, {9})},
        {"select an empty slot", Rec(37, {2})},
        {"unknown stock object", Rec(37, {0x80000000u | 99})},
        {"delete beyond the table", Rec(40, {0xFFFF})},
        {"pen into slot 0", Rec(38, {0, 0, 1, 0, 0})},
        {"polyline with more points than bytes", Rec(87, {0, 0, 10, 10, 1000, 0x00050005})},
        {"polypolygon counts that do not add up", Rec(91, {0, 0, 10, 10, 2, 3, 1, 1, 0, 0})},
        {"polypolygon count past the record", Rec(91, {0, 0, 10, 10, 0x40000000, 4, 1})},
        {"text string outside the record", text},
        {"bitmap bits shorter than its rows", dib},
        {"clip region larger than its record", Rec(75, {200, 5, 32, 1, 50, 0, 0, 0, 0, 0, 0})},
        {"restore below the start", Rec(34, {0xFFFFFFFFu})},
        {"record shorter than its fields", Rec(43, {1})},
    };
    for (const Case& c : cases)
    {
        const Bytes b =
            Handmade({c.record, Rec(39, {1, 0, 0x0000FF, 0}), Rec(37, {1}), Rec(43, {0, 0, 1000, 1000})});
        HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(b.size()), b.data());
        ASSERT_NE(emf, nullptr) << c.what;
        Canvas canvas(20, 20);
        const RECT area{0, 0, 20, 20};
        EXPECT_FALSE(PlayEnhMetaFile(canvas.Dc(), emf, &area)) << c.what;
        EXPECT_EQ(canvas.Pixels().Pixel(10, 10), RGB(255, 0, 0))
            << c.what << ": the records after it still play";
        DeleteEnhMetaFile(emf);
    }
}

TEST(EnhMetaFile, AnyFieldOverwrittenPlaysWithoutHarm)
{
    // A small recording with one of each kind of record; every 32-bit field in turn is set to
    // extreme values. Whatever is accepted plays without reading outside the bytes (checked by
    // AddressSanitizer) and leaves the DC as it was.
    auto draw = [](HDC dc)
    {
        HPEN pen = CreatePen(PS_DASH, 2, RGB(1, 2, 3));
        SelectObject(dc, pen);
        SelectObject(dc, CreateHatchBrush(HS_CROSS, RGB(4, 5, 6)));
        SaveDC(dc);
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 10, 10, nullptr);
        SetViewportExtEx(dc, 20, 20, nullptr);
        HRGN clip = CreateRectRgn(1, 1, 30, 30);
        SelectClipRgn(dc, clip);
        DeleteObject(clip);
        const POINT pts[] = {{0, 0}, {5, 9}, {9, 0}, {2, 2}};
        const INT counts[] = {3, 1};
        PolyPolygon(dc, pts, counts, 2);
        Pie(dc, 0, 0, 9, 9, 9, 5, 0, 5);
        RestoreDC(dc, -1);
        TextOut(dc, 1, 1, "Ab", 2);
        const uint32_t pixels[2] = {0x00FF0000, 0x0000FF00};
        BITMAPINFO bmi{};
        bmi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        StretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 1, pixels, &bmi, DIB_RGB_COLORS, SRCCOPY);
        DeleteObject(SelectObject(dc, GetStockObject(WHITE_BRUSH)));
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    };
    HENHMETAFILE emf = Record(draw, nullptr);
    ASSERT_NE(emf, nullptr);
    const Bytes good = BytesOf(emf);
    DeleteEnhMetaFile(emf);

    Canvas canvas(16, 16);
    const RECT area{0, 0, 16, 16};
    int accepted = 0;
    for (size_t at = 0; at + 4 <= good.size(); at += 4)
        for (uint32_t value : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x00010000u})
        {
            Bytes b = good;
            Put32(b, at, value);
            HENHMETAFILE spoilt = SetEnhMetaFileBits(static_cast<UINT>(b.size()), b.data());
            if (!spoilt)
                continue;
            ++accepted;
            PlayEnhMetaFile(canvas.Dc(), spoilt, &area);
            DeleteEnhMetaFile(spoilt);
            ASSERT_EQ(GetMapMode(canvas.Dc()), MM_TEXT) << "field at byte " << at;
            ASSERT_EQ(SaveDC(canvas.Dc()), 1) << "field at byte " << at;
            RestoreDC(canvas.Dc(), -1);
        }
    EXPECT_GT(accepted, 0);
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
    const RECT frame = Frame(40, 40);
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
    const RECT frame = Frame();
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
