// Windows metafiles: recording through a metafile DC, files, handles, the placeable header, and
// playing back into images (and into another recorder) as the drawing would have looked directly.
#include <gtest/gtest.h>

#include "QtGdi.h"
#include "mfc/Gdi.h"
#include "testkit/Image.h"
#include "win32/files.h"
#include "win32/gdi.h"
#include "win32/kernel.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 200;
constexpr int kH = 160;

// A white memory DC of kW x kH.
struct Canvas
{
    Canvas()
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateBitmap(kW, kH, 1, 32, nullptr);
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, kW, kH, WHITENESS);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    kel::testkit::Image Pixels() const
    {
        GdiFlush();
        const QImage image = kel::qt::ImageOfBitmap(bitmap);
        kel::testkit::Image out;
        out.width = image.width();
        out.height = image.height();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                out.pixels.push_back(image.pixel(x, y));
        return out;
    }
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

int CountNonWhite(const kel::testkit::Image& image)
{
    int n = 0;
    for (uint32_t p : image.pixels)
        n += (p & 0x00FFFFFF) != 0x00FFFFFF;
    return n;
}

// A picture using what charts use: anisotropic mapping, pens, a hatched polygon, shapes, rotated
// text, a clip, saved states and a bitmap.
void DrawPicture(HDC dc)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, -50, -40, nullptr);
    SetWindowExtEx(dc, 1000, 800, nullptr);
    SetViewportExtEx(dc, kW, kH, nullptr);

    HPEN red = CreatePen(PS_SOLID, 10, RGB(200, 0, 0));
    HPEN dashed = CreatePen(PS_DASH, 0, RGB(0, 0, 160));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 128, 0));
    HBRUSH blue = CreateSolidBrush(RGB(40, 40, 220));
    LOGFONT lf{};
    lf.lfHeight = -14;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirect(&lf);
    lf.lfEscapement = 900;
    HFONT upwards = CreateFontIndirect(&lf);

    HGDIOBJ oldPen = SelectObject(dc, red);
    MoveToEx(dc, -40, -30, nullptr);
    LineTo(dc, 900, 700);
    const POINT zigzag[] = {{0, 700}, {100, 600}, {200, 700}, {300, 600}, {400, 700}};
    Polyline(dc, zigzag, 5);

    SelectObject(dc, dashed);
    SetBkColor(dc, RGB(255, 255, 200));
    HGDIOBJ oldBrush = SelectObject(dc, hatch);
    const POINT triangle[] = {{500, 50}, {900, 100}, {650, 450}};
    Polygon(dc, triangle, 3);

    SaveDC(dc);
    SelectObject(dc, blue);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, 50, 50, 300, 250);
    IntersectClipRect(dc, 0, 300, 450, 560);
    Ellipse(dc, 100, 280, 500, 620); // cut by the clip
    RestoreDC(dc, -1);

    // After the restore: the hatch and the dashed pen again, no clip.
    RoundRect(dc, 550, 500, 850, 650, 80, 60);
    Pie(dc, 700, 250, 900, 450, 900, 350, 800, 250);
    const RECT band{-40, 720, 400, 750};
    FillRect(dc, &band, blue);

    SelectObject(dc, font);
    SetTextColor(dc, RGB(128, 0, 128));
    SetBkMode(dc, TRANSPARENT);
    TextOut(dc, 350, 20, "Mass 44", 7);
    SelectObject(dc, upwards);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    TextOut(dc, 20, 650, "Pressure", 8);

    // A 4x2 bitmap stretched over a block.
    const uint32_t bits[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00000000,
                             0x00FFFF00, 0x0000FFFF, 0x00FF00FF, 0x00808080};
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 4;
    bmi.bmiHeader.biHeight = -2;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    StretchDIBits(dc, 600, 720, 200, 60, 0, 0, 4, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    for (HGDIOBJ o :
         {HGDIOBJ(red), HGDIOBJ(dashed), HGDIOBJ(hatch), HGDIOBJ(blue), HGDIOBJ(font), HGDIOBJ(upwards)})
        DeleteObject(o);
}

// The rest of what charts use, in plain pixels: blits, raster ops, region clips, frames, pixels,
// arcs and chords, spaced and opaque text, winding polygons.
void DrawMore(HDC dc)
{
    HDC source = CreateCompatibleDC(dc);
    HBITMAP tile = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ oldTile = SelectObject(source, tile);
    PatBlt(source, 0, 0, 8, 8, BLACKNESS);
    const RECT spot{2, 2, 6, 6};
    HBRUSH orange = CreateSolidBrush(RGB(255, 140, 0));
    FillRect(source, &spot, orange);
    BitBlt(dc, 4, 4, 8, 8, source, 0, 0, SRCCOPY);
    StretchBlt(dc, 16, 4, 32, 16, source, 0, 0, 8, 8, SRCCOPY);
    SelectObject(source, oldTile);
    // The disabled look has transparent parts.
    DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(tile), 0, 180, 40, 18, 18,
              DST_BITMAP | DSS_DISABLED);
    DeleteObject(tile);
    DeleteDC(source);

    HGDIOBJ oldBrush = SelectObject(dc, orange);
    PatBlt(dc, 60, 4, 30, 20, PATCOPY);
    PatBlt(dc, 70, 10, 30, 20, PATINVERT);
    const RECT frame{110, 4, 150, 30};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (int i = 0; i < 20; ++i)
        SetPixel(dc, 160 + i, 10 + i / 2, RGB(0, 0, 255));

    HPEN thick = CreatePen(PS_SOLID, 3, RGB(0, 90, 0));
    HGDIOBJ oldPen = SelectObject(dc, thick);
    Arc(dc, 4, 40, 64, 90, 64, 65, 4, 40);
    Chord(dc, 70, 40, 130, 90, 130, 40, 70, 90);
    SetPolyFillMode(dc, WINDING);
    const POINT star[] = {{150, 40}, {170, 90}, {130, 58}, {190, 58},
                          {150, 90}, {180, 40}, {160, 65}, {175, 80}};
    const INT counts[] = {5, 3};
    PolyPolygon(dc, star, counts, 2);

    SetROP2(dc, R2_XORPEN);
    MoveToEx(dc, 0, 100, nullptr);
    LineTo(dc, 200, 100);
    SetROP2(dc, R2_COPYPEN);

    HRGN clip = CreateRectRgn(20, 105, 90, 150);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
    Ellipse(dc, 0, 95, 120, 160);
    SelectClipRgn(dc, nullptr);
    RoundRect(dc, 100, 110, 130, 150, 10, 10);

    HRGN blob = CreateEllipticRgn(4, 92, 40, 112);
    HRGN bar = CreateRectRgn(30, 120, 80, 130);
    CombineRgn(blob, blob, bar, RGN_OR);
    FillRgn(dc, blob, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    FrameRgn(dc, blob, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 2, 1);
    InvertRgn(dc, bar);
    DeleteObject(blob);
    DeleteObject(bar);

    SetBkColor(dc, RGB(220, 220, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    const RECT box{135, 110, 198, 130};
    const INT spacing[] = {9, 9, 9, 9};
    ExtTextOut(dc, 138, 112, ETO_OPAQUE | ETO_CLIPPED, &box, "Scan", 4, spacing);
    RECT lines{135, 132, 198, 158};
    DrawText(dc, "Torr\nmbar", -1, &lines, DT_RIGHT);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(thick);
    DeleteObject(orange);
}

HMETAFILE Record(void (*draw)(HDC))
{
    HDC meta = CreateMetaFile(nullptr);
    EXPECT_NE(meta, nullptr);
    draw(meta);
    return CloseMetaFile(meta);
}

std::vector<uint8_t> BitsOf(HMETAFILE hmf)
{
    std::vector<uint8_t> bytes(GetMetaFileBitsEx(hmf, 0, nullptr));
    EXPECT_EQ(GetMetaFileBitsEx(hmf, static_cast<UINT>(bytes.size()), bytes.data()), bytes.size());
    return bytes;
}

std::string TempPath(const char* name)
{
    char dir[MAX_PATH] = {};
    GetTempPath(MAX_PATH, dir);
    return std::string(dir) + "/kel-wmf-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

struct RecordView
{
    uint32_t words;
    uint16_t function;
    size_t at; // of the parameters
};

// The records after the header.
std::vector<RecordView> Records(const std::vector<uint8_t>& b)
{
    std::vector<RecordView> out;
    for (size_t at = 18; at + 6 <= b.size();)
    {
        const RecordView r{U32(b, at), U16(b, at + 4), at + 6};
        out.push_back(r);
        if (r.function == 0 || r.words < 3)
            break;
        at += 2 * r.words;
    }
    return out;
}

// Builds metafile bytes by hand: records of 16-bit parameters, header sizes filled in.
struct WmfBuilder
{
    std::vector<uint8_t> body;
    uint16_t objects = 4;
    void Record(uint16_t function, std::vector<uint16_t> params)
    {
        const uint32_t words = static_cast<uint32_t>(3 + params.size());
        for (int i = 0; i < 4; ++i)
            body.push_back(static_cast<uint8_t>(words >> (8 * i)));
        body.push_back(static_cast<uint8_t>(function));
        body.push_back(static_cast<uint8_t>(function >> 8));
        for (uint16_t p : params)
        {
            body.push_back(static_cast<uint8_t>(p));
            body.push_back(static_cast<uint8_t>(p >> 8));
        }
    }
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> out = {1, 0, 9, 0, 0, 3};
        const uint32_t words = static_cast<uint32_t>((18 + body.size() + 6) / 2);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(words >> (8 * i)));
        out.push_back(static_cast<uint8_t>(objects));
        out.push_back(static_cast<uint8_t>(objects >> 8));
        for (uint8_t b : {0, 0, 0, 0, 0, 0})
            out.push_back(b);
        out.insert(out.end(), body.begin(), body.end());
        for (uint8_t b : {3, 0, 0, 0, 0, 0}) // EOF
            out.push_back(b);
        return out;
    }
};

TEST(MetafileWmf, RecordedDrawingWrittenReadAndPlayedMatchesDirectDrawing)
{
    Canvas direct;
    DrawPicture(direct.dc);
    const kel::testkit::Image expected = direct.Pixels();
    ASSERT_GT(CountNonWhite(expected), kW * kH / 10); // a real picture, not a blank one

    HMETAFILE recorded = Record(DrawPicture);
    ASSERT_NE(recorded, nullptr);
    const std::string path = TempPath("picture.wmf");
    HMETAFILE written = CopyMetaFile(recorded, path.c_str());
    ASSERT_NE(written, nullptr);
    HMETAFILE read = GetMetaFile(path.c_str());
    ASSERT_NE(read, nullptr);

    Canvas played;
    const int depth = SaveDC(played.dc);
    HGDIOBJ pen = GetCurrentObject(played.dc, OBJ_PEN);
    ASSERT_TRUE(PlayMetaFile(played.dc, read));
    EXPECT_LE(kel::testkit::CountDifferences(played.Pixels(), expected, 24), kW * kH / 500);

    // The DC is left as it was found.
    EXPECT_EQ(GetMapMode(played.dc), MM_TEXT);
    EXPECT_EQ(GetCurrentObject(played.dc, OBJ_PEN), pen);
    EXPECT_EQ(GetTextAlign(played.dc), UINT(TA_TOP | TA_LEFT));
    EXPECT_EQ(SaveDC(played.dc), depth + 1);

    // A file metafile says so in its header; the bytes are otherwise the recording's.
    std::vector<uint8_t> memoryBits = BitsOf(recorded), fileBits = BitsOf(read);
    EXPECT_EQ(U16(memoryBits, 0), 1);
    EXPECT_EQ(U16(fileBits, 0), 2);
    fileBits[0] = 1;
    EXPECT_EQ(fileBits, memoryBits);

    for (HMETAFILE h : {recorded, written, read})
        EXPECT_TRUE(DeleteMetaFile(h));
    DeleteFile(path.c_str());
}

TEST(MetafileWmf, EveryRecordedCallPlaysBackAsDrawn)
{
    for (auto draw : {DrawPicture, DrawMore})
    {
        Canvas direct, played, replayed;
        draw(direct.dc);
        const kel::testkit::Image expected = direct.Pixels();
        ASSERT_GT(CountNonWhite(expected), kW * kH / 10);
        // Straight from the recording, and through a second recorder fed by playing the first.
        HMETAFILE first = Record(draw);
        HDC again = CreateMetaFile(nullptr);
        ASSERT_TRUE(PlayMetaFile(again, first));
        HMETAFILE second = CloseMetaFile(again);
        ASSERT_NE(second, nullptr);
        ASSERT_TRUE(PlayMetaFile(played.dc, first));
        ASSERT_TRUE(PlayMetaFile(replayed.dc, second));
        EXPECT_LE(kel::testkit::CountDifferences(played.Pixels(), expected, 24), kW * kH / 500);
        EXPECT_EQ(kel::testkit::CountDifferences(replayed.Pixels(), played.Pixels(), 0), 0);
        DeleteMetaFile(first);
        DeleteMetaFile(second);
    }
}

TEST(MetafileWmf, MetafileDcKeepsItsStateAndDrawsNothing)
{
    HDC meta = CreateMetaFile(nullptr);
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(GetDeviceCaps(meta, TECHNOLOGY), DT_METAFILE);
    SetMapMode(meta, MM_ANISOTROPIC);
    SetWindowExtEx(meta, 100, 100, nullptr);
    SetViewportExtEx(meta, 50, 200, nullptr);
    POINT p{10, 10};
    LPtoDP(meta, &p, 1);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 20);
    MoveToEx(meta, 3, 4, nullptr);
    LineTo(meta, 30, 40);
    POINT cp{};
    GetCurrentPositionEx(meta, &cp);
    EXPECT_EQ(cp.x, 30);
    EXPECT_EQ(cp.y, 40);
    SIZE text{};
    EXPECT_TRUE(GetTextExtentPoint32(meta, "Ar", 2, &text));
    EXPECT_GT(text.cx, 0);
    EXPECT_EQ(CloseMetaFile(meta) != nullptr, true);
    // Closed: the DC is gone, and a plain DC is not a metafile DC.
    EXPECT_EQ(CloseMetaFile(meta), nullptr);
    Canvas plain;
    EXPECT_EQ(CloseMetaFile(plain.dc), nullptr);
}

TEST(MetafileWmf, HeaderAndObjectTableDescribeTheRecords)
{
    HMETAFILE hmf = Record(
        [](HDC dc)
        {
            // Pens and brushes that come back are selected again, not created again.
            HPEN a = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
            HPEN b = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
            for (int i = 0; i < 5; ++i)
            {
                SelectObject(dc, i % 2 ? a : b);
                LineTo(dc, i * 10, 100000); // beyond 16 bits: clamped
            }
            SelectObject(dc, GetStockObject(BLACK_PEN));
            DeleteObject(a);
            DeleteObject(b);
            TextOut(dc, 0, 0, "odd", 3);
        });
    const std::vector<uint8_t> bytes = BitsOf(hmf);
    DeleteMetaFile(hmf);
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(U16(bytes, 2), 9);                // header words
    EXPECT_EQ(U16(bytes, 4), 0x0300);           // version
    EXPECT_EQ(U32(bytes, 6) * 2, bytes.size()); // total size in words
    const std::vector<RecordView> records = Records(bytes);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().function, 0); // EOF
    EXPECT_EQ(records.back().words, 3u);

    uint32_t largest = 0;
    int pens = 0, lines = 0;
    for (const RecordView& r : records)
    {
        largest = std::max(largest, r.words);
        pens += r.function == 0x02FA;
        if (r.function == 0x0213)
        {
            ++lines;
            EXPECT_EQ(static_cast<int16_t>(U16(bytes, r.at)), 32767); // y first
        }
        if (r.function == 0x0521) // text: length, bytes padded to a word, y, x
        {
            EXPECT_EQ(U16(bytes, r.at), 3);
            EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(r.at) + 2,
                                  bytes.begin() + static_cast<long>(r.at) + 5),
                      "odd");
            EXPECT_EQ(r.words, 3u + 1 + 2 + 2);
        }
    }
    EXPECT_EQ(pens, 3); // red, blue, black
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(U32(bytes, 12), largest);
    EXPECT_EQ(U16(bytes, 10), 3); // at most three objects alive at once
}

TEST(MetafileWmf, RecordingStraightToAFile)
{
    const std::string path = TempPath("direct.wmf");
    HDC meta = CreateMetaFile(path.c_str());
    ASSERT_NE(meta, nullptr);
    DrawMore(meta);
    HMETAFILE closed = CloseMetaFile(meta);
    ASSERT_NE(closed, nullptr);
    HMETAFILE read = GetMetaFile(path.c_str());
    ASSERT_NE(read, nullptr);
    const std::vector<uint8_t> bits = BitsOf(read);
    EXPECT_EQ(U16(bits, 0), 2); // a disk metafile
    EXPECT_EQ(BitsOf(closed), bits);
    DeleteMetaFile(closed);
    DeleteMetaFile(read);
    DeleteFile(path.c_str());

    // A path that does not fit is refused at once; one that cannot be written at the close, with
    // nothing left behind.
    EXPECT_EQ(CreateMetaFile(std::string(MAX_PATH + 10, 'a').c_str()), nullptr);
    const std::string nowhere = TempPath("missing-folder/picture.wmf");
    meta = CreateMetaFile(nowhere.c_str());
    ASSERT_NE(meta, nullptr);
    LineTo(meta, 10, 10);
    EXPECT_EQ(CloseMetaFile(meta), nullptr);
    EXPECT_EQ(GetFileAttributes(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(MetafileWmf, BitsRoundTripByteExactAndStaleHandlesAreRefused)
{
    HMETAFILE hmf = Record(DrawPicture);
    const std::vector<uint8_t> bytes = BitsOf(hmf);
    EXPECT_EQ(GetMetaFileBitsEx(hmf, static_cast<UINT>(bytes.size() - 1),
                                std::vector<uint8_t>(bytes.size()).data()),
              0u);

    HMETAFILE copy = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(BitsOf(copy), bytes);
    HMETAFILE memoryCopy = CopyMetaFile(copy, nullptr);
    ASSERT_NE(memoryCopy, nullptr);
    EXPECT_EQ(BitsOf(memoryCopy), bytes);

    EXPECT_TRUE(DeleteMetaFile(hmf));
    Canvas canvas;
    EXPECT_FALSE(DeleteMetaFile(hmf));
    EXPECT_FALSE(PlayMetaFile(canvas.dc, hmf));
    EXPECT_EQ(GetMetaFileBitsEx(hmf, 0, nullptr), 0u);
    EXPECT_EQ(CopyMetaFile(hmf, nullptr), nullptr);
    EXPECT_FALSE(PlayMetaFile(nullptr, copy));
    DeleteMetaFile(copy);
    DeleteMetaFile(memoryCopy);
}

TEST(MetafileWmf, PlaceableHeaderAndChecksumAreByteExact)
{
    struct Case
    {
        kel::PlaceableWmf box;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {{0, 0, 1000, 800, 1440}, {0xD7, 0xCD, 0xC6, 0x9A, 0,    0, 0, 0, 0, 0,    0xE8,
                                   0x03, 0x20, 0x03, 0xA0, 0x05, 0, 0, 0, 0, 0x79, 0x52}},
        {{-100, -2, 300, 200, 576}, {0xD7, 0xCD, 0xC6, 0x9A, 0,    0, 0x9C, 0xFF, 0xFE, 0xFF, 0x2C,
                                     0x01, 0xC8, 0x00, 0x40, 0x02, 0, 0,    0,    0,    0xD7, 0x54}},
    };
    for (const Case& c : cases)
    {
        BYTE header[22] = {};
        kel::MakePlaceableWmfHeader(c.box, header);
        EXPECT_EQ(std::vector<uint8_t>(header, header + 22), c.bytes);
        EXPECT_EQ(kel::PlaceableWmfChecksum(header), U16(c.bytes, 20));
        kel::PlaceableWmf back{};
        ASSERT_TRUE(kel::ReadPlaceableWmfHeader(header, 22, back));
        EXPECT_EQ(back.left, c.box.left);
        EXPECT_EQ(back.bottom, c.box.bottom);
        EXPECT_EQ(back.inch, c.box.inch);
        header[12] ^= 1; // any changed word breaks the checksum
        EXPECT_FALSE(kel::ReadPlaceableWmfHeader(header, 22, back));
    }
    kel::PlaceableWmf box{};
    EXPECT_FALSE(kel::ReadPlaceableWmfHeader(cases[0].bytes.data(), 21, box));
}

TEST(MetafileWmf, PlaceableFileOpensAsItsMetafile)
{
    HMETAFILE hmf = Record(DrawPicture);
    const std::vector<uint8_t> bits = BitsOf(hmf);
    BYTE header[22];
    kel::MakePlaceableWmfHeader({0, 0, 1000, 800, 1440}, header);
    std::vector<uint8_t> file(header, header + 22);
    file.insert(file.end(), bits.begin(), bits.end());
    const std::string path = TempPath("placeable.wmf");
    ASSERT_TRUE(WriteBytes(path, file));
    HMETAFILE read = GetMetaFile(path.c_str());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(BitsOf(read), bits);
    DeleteMetaFile(read);
    DeleteMetaFile(hmf);
    DeleteFile(path.c_str());
}

TEST(MetafileWmf, BrokenFilesAreRefused)
{
    HMETAFILE hmf = Record(DrawPicture);
    const std::vector<uint8_t> good = BitsOf(hmf);
    DeleteMetaFile(hmf);
    auto with = [&](auto change)
    {
        std::vector<uint8_t> b = good;
        change(b);
        return b;
    };
    auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    BYTE placeable[22];
    kel::MakePlaceableWmfHeader({0, 0, 10, 10, 1440}, placeable);
    placeable[21] ^= 0xFF;
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 18)},
        {"cut in the middle", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
        {"last record cut", std::vector<uint8_t>(good.begin(), good.end() - 2)},
        {"not a metafile", std::vector<uint8_t>(64, 0x5A)},
        {"wrong header size", with([](std::vector<uint8_t>& b) { b[2] = 8; })},
        {"wrong version", with([](std::vector<uint8_t>& b) { b[5] = 7; })},
        {"size beyond the data", with([&](std::vector<uint8_t>& b) { put32(b, 6, U32(b, 6) + 1); })},
        {"record of size zero", with([&](std::vector<uint8_t>& b) { put32(b, 18, 0); })},
        {"record past the end", with([&](std::vector<uint8_t>& b) { put32(b, 18, 0x7FFFFFFF); })},
        {"no EOF record", with([](std::vector<uint8_t>& b) { b[b.size() - 2] = 0x1E; })},
        {"placeable with a bad checksum",
         [&]
         {
             std::vector<uint8_t> b(placeable, placeable + 22);
             b.insert(b.end(), good.begin(), good.end());
             return b;
         }()},
    };
    const std::string path = TempPath("broken.wmf");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(c.bytes.size()), c.bytes.data()), nullptr);
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        EXPECT_EQ(GetMetaFile(path.c_str()), nullptr);
    }
    DeleteFile(path.c_str());
    EXPECT_EQ(GetMetaFile(path.c_str()), nullptr); // missing
}

TEST(MetafileWmf, BadRecordsInsideAWellFormedFileAreSkipped)
{
    // Each record lies about what it holds; playing must read nothing outside it and go on.
    WmfBuilder w;
    w.objects = 1;
    w.Record(0x0325, {50, 1, 1});                                  // polyline of 50 points with one
    w.Record(0x0538, {2, 3, 60000, 0, 0, 1});                      // polypolygon counts beyond the record
    w.Record(0x0521, {400, 0x4141});                               // text longer than the record
    w.Record(0x0A32, {0, 0, 30, 0x0004});                          // ext text: clipped rect missing
    w.Record(0x012D, {7});                                         // select an object that does not exist
    w.Record(0x01F0, {300});                                       // delete one out of the table
    w.Record(0x06FF, {0, 6, 0, 0, 40, 9, 2, 0, 0, 5, 5, 4, 0, 5}); // region with missing scans
    w.Record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 2, 2, 0, 0, 40, 0, 100, 0, 100, 0}); // DIB cut short
    w.Record(0x02FB, {12});                 // font without its fields
    w.Record(0x02FA, {0, 3, 0, 0x00FF, 0}); // a valid pen, in slot 2 although the header said one slot
    w.Record(0x012D, {2});
    w.Record(0x0127, {static_cast<uint16_t>(-5)}); // restore more than was saved
    w.Record(0x0213, {20, 20});                    // still drawing afterwards
    w.Record(0x7777, {1, 2, 3});                   // unknown
    const std::vector<uint8_t> bytes = w.Bytes();
    HMETAFILE hmf = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
    ASSERT_NE(hmf, nullptr);
    Canvas canvas;
    HGDIOBJ pen = GetCurrentObject(canvas.dc, OBJ_PEN);
    const int depth = SaveDC(canvas.dc);
    EXPECT_TRUE(PlayMetaFile(canvas.dc, hmf));
    EXPECT_EQ(GetPixel(canvas.dc, 10, 10), RGB(255, 0, 0)); // the line from (0, 0) with the red pen
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), pen);
    EXPECT_EQ(SaveDC(canvas.dc), depth + 1);
    DeleteMetaFile(hmf);
}

TEST(MetafileWmf, DamagedRecordsPlayWithoutReadingOutsideThem)
{
    // Bytes changed at random inside the records of a real recording (fixed seed): whatever still
    // passes the structure check plays, and the DC comes back as it was.
    HMETAFILE hmf = Record(DrawMore);
    const std::vector<uint8_t> good = BitsOf(hmf);
    DeleteMetaFile(hmf);
    std::mt19937 random(20261210);
    Canvas canvas;
    const int depth = SaveDC(canvas.dc);
    int played = 0;
    for (int round = 0; round < 150; ++round)
    {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < 3; ++i)
            bytes[18 + random() % (bytes.size() - 18)] = static_cast<uint8_t>(random());
        HMETAFILE damaged = SetMetaFileBitsEx(static_cast<UINT>(bytes.size()), bytes.data());
        if (!damaged)
            continue;
        ++played;
        EXPECT_TRUE(PlayMetaFile(canvas.dc, damaged));
        EXPECT_EQ(GetMapMode(canvas.dc), MM_TEXT);
        DeleteMetaFile(damaged);
    }
    EXPECT_GT(played, 50);
    EXPECT_EQ(SaveDC(canvas.dc), depth + 1);
}

TEST(MetafileWmf, MfcMetafileDcRecordsAndCloses)
{
    {
        CMetaFileDC dc;
        ASSERT_TRUE(dc.Create());
        EXPECT_FALSE(dc.Create()); // already recording
        dc.MoveTo(10, 10);
        dc.LineTo(150, 120);
        EXPECT_EQ(dc.CloseEnhanced(), nullptr); // not an enhanced recording
        HMETAFILE hmf = dc.Close();
        ASSERT_NE(hmf, nullptr);
        EXPECT_EQ(dc.m_hDC, nullptr);
        Canvas canvas;
        ASSERT_TRUE(PlayMetaFile(canvas.dc, hmf));
        EXPECT_EQ(GetPixel(canvas.dc, 80, 65), RGB(0, 0, 0));
        DeleteMetaFile(hmf);
    }
    // Going out of scope while recording closes the DC and frees the metafile.
    CMetaFileDC open;
    ASSERT_TRUE(open.Create());
    open.LineTo(5, 5);
}

} // namespace
