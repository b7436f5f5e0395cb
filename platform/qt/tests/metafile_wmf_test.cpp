// Windows metafiles played back into images (and into another recorder) as the drawing would have
// looked directly; the MFC metafile DC.
#include <gtest/gtest.h>

#include "gdi_metafile_support.h"

#include "mfc/Gdi.h"
#include "testkit/Canvas.h"
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

using namespace metafiles;
using kel::testkit::Canvas;

int CountNonWhite(const kel::testkit::Image& image)
{
    int n = 0;
    for (uint32_t p : image.pixels)
        n += (p & 0x00FFFFFF) != 0x00FFFFFF;
    return n;
}

TEST(MetafileWmf, RecordedDrawingWrittenReadAndPlayedMatchesDirectDrawing)
{
    Canvas direct(kW, kH);
    DrawPicture(direct.Dc());
    const kel::testkit::Image expected = direct.Pixels();
    ASSERT_GT(CountNonWhite(expected), kW * kH / 10); // a real picture, not a blank one

    HMETAFILE recorded = RecordWmf(DrawPicture);
    ASSERT_NE(recorded, nullptr);
    const std::string path = TempPath("picture.wmf");
    HMETAFILE written = CopyMetaFile(recorded, path.c_str());
    ASSERT_NE(written, nullptr);
    HMETAFILE read = GetMetaFile(path.c_str());
    ASSERT_NE(read, nullptr);

    Canvas played(kW, kH);
    const int depth = SaveDC(played.Dc());
    HGDIOBJ pen = GetCurrentObject(played.Dc(), OBJ_PEN);
    ASSERT_TRUE(PlayMetaFile(played.Dc(), read));
    EXPECT_LE(kel::testkit::CountDifferences(played.Pixels(), expected, 24), kW * kH / 500);

    // The DC is left as it was found.
    EXPECT_EQ(GetMapMode(played.Dc()), MM_TEXT);
    EXPECT_EQ(GetCurrentObject(played.Dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetTextAlign(played.Dc()), UINT(TA_TOP | TA_LEFT));
    EXPECT_EQ(SaveDC(played.Dc()), depth + 1);

    // A file metafile says so in its header; the bytes are otherwise the recording's.
    std::vector<uint8_t> memoryBits = BitsOf(recorded), fileBits = BitsOf(read);
    EXPECT_EQ(memoryBits[0], 1);
    EXPECT_EQ(fileBits[0], 2);
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
        Canvas direct(kW, kH), played(kW, kH), replayed(kW, kH);
        draw(direct.Dc());
        const kel::testkit::Image expected = direct.Pixels();
        ASSERT_GT(CountNonWhite(expected), kW * kH / 10);
        // Straight from the recording, and through a second recorder fed by playing the first.
        HMETAFILE first = RecordWmf(draw);
        HDC again = CreateMetaFile(nullptr);
        ASSERT_TRUE(PlayMetaFile(again, first));
        HMETAFILE second = CloseMetaFile(again);
        ASSERT_NE(second, nullptr);
        ASSERT_TRUE(PlayMetaFile(played.Dc(), first));
        ASSERT_TRUE(PlayMetaFile(replayed.Dc(), second));
        EXPECT_LE(kel::testkit::CountDifferences(played.Pixels(), expected, 24), kW * kH / 500);
        EXPECT_EQ(kel::testkit::CountDifferences(replayed.Pixels(), played.Pixels(), 0), 0);
        DeleteMetaFile(first);
        DeleteMetaFile(second);
    }
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
        Canvas canvas(kW, kH);
        ASSERT_TRUE(PlayMetaFile(canvas.Dc(), hmf));
        EXPECT_EQ(GetPixel(canvas.Dc(), 80, 65), RGB(0, 0, 0));
        DeleteMetaFile(hmf);
    }
    // Going out of scope while recording closes the DC and frees the metafile.
    CMetaFileDC open;
    ASSERT_TRUE(open.Create());
    open.LineTo(5, 5);
}

} // namespace
