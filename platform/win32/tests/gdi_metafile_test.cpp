// Metafiles without a window system: the bytes both formats are recorded as, their headers and
// object tables, files and handles, and playing damaged or lying records safely.
#include "gdi_metafile_support.h"

#include "testkit/Canvas.h"
#include "testkit/RecordingDevice.h"
#include "testkit/TempDir.h"
#include "win32/files.h"
#include "win32/gdi.h"
#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace
{

using namespace metafiles;
using kel::testkit::Canvas;

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

TEST(MetafileWmf, MetafileDcKeepsItsStateAndDrawsNothing)
{
    HDC meta = CreateMetaFile(nullptr);
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(GetDeviceCaps(meta, TECHNOLOGY), DT_METAFILE);
    EXPECT_EQ(GetObjectType(meta), static_cast<DWORD>(OBJ_METADC));
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
    Canvas plain(kW, kH);
    EXPECT_EQ(CloseMetaFile(plain.Dc()), nullptr);
}

TEST(MetafileWmf, HeaderAndObjectTableDescribeTheRecords)
{
    HMETAFILE hmf = RecordWmf(
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
    HMETAFILE hmf = RecordWmf(DrawPicture);
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
    Canvas canvas(kW, kH);
    EXPECT_FALSE(DeleteMetaFile(hmf));
    EXPECT_FALSE(PlayMetaFile(canvas.Dc(), hmf));
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
    HMETAFILE hmf = RecordWmf(DrawPicture);
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
    HMETAFILE hmf = RecordWmf(DrawPicture);
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
    kel::testkit::RecordingDevices devices;
    Canvas canvas(kW, kH);
    HGDIOBJ pen = GetCurrentObject(canvas.Dc(), OBJ_PEN);
    const int depth = SaveDC(canvas.Dc());
    EXPECT_TRUE(PlayMetaFile(canvas.Dc(), hmf));
    ASSERT_FALSE(devices.Lines().empty());
    EXPECT_EQ(devices.Lines().back(), "polyline pen solid 3 #ff0000 0,0 20,20")
        << "the line with the red pen";
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_PEN), pen);
    EXPECT_EQ(SaveDC(canvas.Dc()), depth + 1);
    DeleteMetaFile(hmf);
}

TEST(MetafileWmf, DamagedRecordsPlayWithoutReadingOutsideThem)
{
    // Bytes changed at random inside the records of a real recording (fixed seed): whatever still
    // passes the structure check plays, and the DC comes back as it was.
    HMETAFILE hmf = RecordWmf(DrawMore);
    const std::vector<uint8_t> good = BitsOf(hmf);
    DeleteMetaFile(hmf);
    std::mt19937 random(20261210);
    kel::testkit::RecordingDevices devices; // what plays reaches a device
    Canvas canvas(kW, kH);
    const int depth = SaveDC(canvas.Dc());
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
        EXPECT_TRUE(PlayMetaFile(canvas.Dc(), damaged));
        EXPECT_EQ(GetMapMode(canvas.Dc()), MM_TEXT);
        DeleteMetaFile(damaged);
    }
    EXPECT_GT(played, 50);
    EXPECT_EQ(SaveDC(canvas.Dc()), depth + 1);
}

TEST(EnhMetaFile, HeaderDescribesTheRecording)
{
    auto draw = [](HDC dc)
    {
        EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_ENHMETADC));
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
    HENHMETAFILE emf = RecordEmf(draw, nullptr, nullptr, description);
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
    HENHMETAFILE framed = RecordEmf(draw, &frame);
    ENHMETAHEADER f{};
    GetEnhMetaFileHeader(framed, sizeof f, &f);
    EXPECT_EQ(f.rclFrame.left, -100);
    EXPECT_EQ(f.rclFrame.bottom, 4000);
    DeleteEnhMetaFile(framed);
    DeleteEnhMetaFile(emf);
}

TEST(EnhMetaFile, HandlesAndFilesFollowTheirRules)
{
    HENHMETAFILE emf = RecordEmf([](HDC dc) { Rectangle(dc, 0, 0, 10, 10); }, nullptr);
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
        kel::testkit::RecordingDevices devices;
        Canvas canvas(20, 20);
        const RECT area{0, 0, 20, 20};
        EXPECT_FALSE(PlayEnhMetaFile(canvas.Dc(), emf, &area)) << c.what;
        ASSERT_FALSE(devices.Lines().empty()) << c.what;
        EXPECT_EQ(devices.Lines().back().rfind("rectangle 0,0,", 0), 0u) << c.what;
        EXPECT_NE(devices.Lines().back().find("brush #ff0000"), std::string::npos)
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
    HENHMETAFILE emf = RecordEmf(draw, nullptr);
    ASSERT_NE(emf, nullptr);
    const Bytes good = BytesOf(emf);
    DeleteEnhMetaFile(emf);

    kel::testkit::RecordingDevices devices; // what plays reaches a device
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

TEST(GdiExtremeMetafile, DeletingAnUnclosedFileMetafileDcWritesNothing)
{
    struct Format
    {
        const char* file;
        HDC (*create)(const char* path);
        bool (*close)(HDC dc); // closes and frees the metafile; true when one came back
    };
    const Format formats[] = {
        {"kel_gdi_extreme_unclosed.wmf", [](const char* path) { return CreateMetaFile(path); },
         [](HDC dc)
         {
             HMETAFILE mf = CloseMetaFile(dc);
             return mf && DeleteMetaFile(mf);
         }},
        {"kel_gdi_extreme_unclosed.emf",
         [](const char* path) { return CreateEnhMetaFile(nullptr, path, nullptr, nullptr); },
         [](HDC dc)
         {
             HENHMETAFILE emf = CloseEnhMetaFile(dc);
             return emf && DeleteEnhMetaFile(emf);
         }},
    };
    const kel::testkit::TempDir folder;
    for (const Format& f : formats)
    {
        const std::string path = (folder / f.file).string();
        HDC meta = f.create(path.c_str());
        ASSERT_NE(meta, nullptr) << f.file;
        Rectangle(meta, 0, 0, 10, 10);
        EXPECT_TRUE(DeleteDC(meta));
        EXPECT_FALSE(f.close(meta)) << f.file;
        // A recording in memory made afterwards (which may get the same handle) writes no file.
        HDC memory = f.create(nullptr);
        ASSERT_NE(memory, nullptr);
        EXPECT_TRUE(f.close(memory)) << f.file;
        EXPECT_FALSE(std::filesystem::exists(path)) << f.file;
        // A DC closed properly still writes its file.
        meta = f.create(path.c_str());
        ASSERT_NE(meta, nullptr);
        Rectangle(meta, 0, 0, 10, 10);
        EXPECT_TRUE(f.close(meta)) << f.file;
        EXPECT_TRUE(std::filesystem::exists(path)) << f.file;
        std::filesystem::remove(path);
    }
}

// A stretch whose source reaches past its bitmap draws only the part inside the bitmap, onto the
// same part of the destination, and copies nothing beyond it: a 2x2 bitmap named as a 4x4 source
// onto 40x40 fills the top-left quarter; named as 16384x16384 (a few bytes that used to cost a
// gigabyte and seconds, minutes when recorded), it covers less than a pixel. A destination far
// larger than the pixels it lands on costs no more than those pixels. The same holds when the
// players play and when the recorders record it.
TEST(MetafileStretch, SourceBeyondTheBitmapIsCutToIt)
{
    struct Case
    {
        uint16_t extent;      // of the source
        uint16_t destination; // its extent
        const char* drawn;    // the pixmap line, or nullptr for nothing drawn
    };
    const Case cases[] = {
        {2, 40, "pixmap 0,0,40,40 40x40"},
        {4, 40, "pixmap 0,0,20,20 20x20"},
        {16384, 40, nullptr},
        {2, 16384, "pixmap 0,0,40,40 40x40"},
    };
    const uint32_t red[4] = {0x00FF0000, 0x00FF0000, 0x00FF0000, 0x00FF0000};
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.extent) + " onto " + std::to_string(c.destination));
        // The same stretch as a WMF and an EMF record (top-down DIB: rows count from the top).
        WmfBuilder w;
        std::vector<uint16_t> params = {0x0020, 0x00CC,        DIB_RGB_COLORS, c.extent, c.extent, 0,
                                        0,      c.destination, c.destination,  0,        0};
        for (int i = 0; i < 10; ++i) // the header's ten 32-bit fields
        {
            uint32_t field = 0;
            std::memcpy(&field, reinterpret_cast<const uint8_t*>(&bmi.bmiHeader) + 4 * i, 4);
            params.push_back(static_cast<uint16_t>(field));
            params.push_back(static_cast<uint16_t>(field >> 16));
        }
        for (uint32_t pixel : red)
            params.insert(params.end(), {static_cast<uint16_t>(pixel), static_cast<uint16_t>(pixel >> 16)});
        w.Record(0x0F43, params);
        const Bytes wmf = w.Bytes();
        std::vector<uint32_t> fields = {0,
                                        0,
                                        40,
                                        40,
                                        0,
                                        0,
                                        0,
                                        0,
                                        c.extent,
                                        c.extent,
                                        80,
                                        40,
                                        120,
                                        16,
                                        DIB_RGB_COLORS,
                                        SRCCOPY,
                                        c.destination,
                                        c.destination};
        for (int i = 0; i < 10; ++i)
        {
            uint32_t field = 0;
            std::memcpy(&field, reinterpret_cast<const uint8_t*>(&bmi.bmiHeader) + 4 * i, 4);
            fields.push_back(field);
        }
        fields.insert(fields.end(), std::begin(red), std::end(red));
        const Bytes emf = Handmade({Rec(81, fields)}) /* EMR_STRETCHDIBITS */;

        // Played as they are, and recorded by either recorder first.
        const std::function<void(HDC)> draws[] = {
            [&](HDC dc)
            {
                HMETAFILE hmf = SetMetaFileBitsEx(static_cast<UINT>(wmf.size()), wmf.data());
                ASSERT_NE(hmf, nullptr);
                EXPECT_TRUE(PlayMetaFile(dc, hmf));
                DeleteMetaFile(hmf);
            },
            [&](HDC dc)
            {
                HENHMETAFILE e = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data());
                ASSERT_NE(e, nullptr);
                const RECT area{0, 0, 40, 40};
                EXPECT_TRUE(PlayEnhMetaFile(dc, e, &area));
                DeleteEnhMetaFile(e);
            },
            [&](HDC dc)
            {
                HDC recorder = CreateMetaFile(nullptr);
                StretchDIBits(recorder, 0, 0, c.destination, c.destination, 0, 0, c.extent, c.extent, red,
                              &bmi, DIB_RGB_COLORS, SRCCOPY);
                HMETAFILE hmf = CloseMetaFile(recorder);
                EXPECT_LT(BitsOf(hmf).size(), 256u);
                EXPECT_TRUE(PlayMetaFile(dc, hmf));
                DeleteMetaFile(hmf);
            },
            [&](HDC dc)
            {
                const RECT frame = Frame(40, 40);
                HENHMETAFILE e = RecordEmf(
                    [&](HDC recorder)
                    {
                        StretchDIBits(recorder, 0, 0, c.destination, c.destination, 0, 0, c.extent, c.extent,
                                      red, &bmi, DIB_RGB_COLORS, SRCCOPY);
                    },
                    &frame);
                EXPECT_LT(BytesOf(e).size(), 512u);
                const RECT area{0, 0, 40, 40};
                EXPECT_TRUE(PlayEnhMetaFile(dc, e, &area));
                DeleteEnhMetaFile(e);
            },
        };
        const char* const ways[] = {"WMF played", "EMF played", "WMF recorded", "EMF recorded"};
        for (size_t way = 0; way < std::size(draws); ++way)
        {
            SCOPED_TRACE(ways[way]);
            kel::testkit::RecordingDevices devices;
            Canvas canvas(40, 40);
            draws[way](canvas.Dc());
            std::vector<std::string> pixmaps;
            for (const std::string& line : devices.Lines())
                if (line.rfind("pixmap ", 0) == 0)
                    pixmaps.push_back(line);
            if (c.drawn)
                EXPECT_EQ(pixmaps, std::vector<std::string>{c.drawn});
            else
                EXPECT_EQ(pixmaps, std::vector<std::string>{});
        }
    }
}

} // namespace
