// The readers of bitmap and metafile files: what they take, and every size or offset that does not
// fit the file refused with the message for it.
#include "PictureFiles.h"
#include "ShapeScene.h"

#include <gtest/gtest.h>

#include <cstring>

namespace plotkit::test
{
namespace
{

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    std::memcpy(b.data() + at, &v, 2);
}

TEST(PictureFiles, BitmapsTheyTake)
{
    BitmapImage image;
    // 24 bits: no colour table; rows padded to four bytes.
    ASSERT_EQ(ParseBitmapFile(BmpBytes(3, 2, std::vector<uint32_t>(6, RGB(1, 2, 3))).data(), 14 + 40 + 24, image), 0);
    EXPECT_EQ(image.info.size(), 40u);
    EXPECT_EQ(image.bits.size(), 2u * 12);
    EXPECT_EQ(image.Info()->bmiHeader.biClrUsed, 0u);
    // 8 bits with the colours-used field 0: 256 colours.
    const std::vector<uint8_t> indexed = BmpBytes(2, 2, {1, 2, 2, 1}, std::vector<COLORREF>(256, 0), true);
    ASSERT_EQ(ParseBitmapFile(indexed.data(), indexed.size(), image), 0);
    EXPECT_EQ(image.Info()->bmiHeader.biClrUsed, 256u);
    EXPECT_EQ(image.info.size(), 40u + 4 * 256);
    // A zero image size in the header is computed.
    std::vector<uint8_t> zeroSize = indexed;
    Put32(zeroSize, 34, 0);
    ASSERT_EQ(ParseBitmapFile(zeroSize.data(), zeroSize.size(), image), 0);
    EXPECT_EQ(image.Info()->bmiHeader.biSizeImage, 8u);
    // The older core header is not drawn, without a message.
    std::vector<uint8_t> core = indexed;
    Put32(core, 14, 12);
    EXPECT_EQ(ParseBitmapFile(core.data(), core.size(), image), -1);
}

TEST(PictureFiles, DamagedBitmapsAreRefused)
{
    const std::vector<uint8_t> good = BmpBytes(2, 2, {1, 2, 2, 1}, {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255)});
    struct Case
    {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"not BM", [](auto& b) { b[0] = 'X'; }},
        {"cut in the info header", [](auto& b) { b.resize(30); }},
        {"header size beyond the file", [](auto& b) { Put32(b, 14, 0x7FFFFFF0); }},
        {"bits offset beyond the file", [](auto& b) { Put32(b, 10, 0x00FFFFFF); }},
        {"bits offset inside the headers", [](auto& b) { Put32(b, 10, 20); }},
        {"more rows than the file holds", [](auto& b) { Put32(b, 22, 1000); }},
        {"wider than the file holds", [](auto& b) { Put32(b, 18, 0x40000000); }},
        {"colour table beyond the file", [](auto& b) { Put32(b, 46, 200); }},
        {"more colours than the depth has", [](auto& b) { Put32(b, 46, 300); }},
        {"zero width", [](auto& b) { Put32(b, 18, 0); }},
        {"negative width", [](auto& b) { Put32(b, 18, static_cast<uint32_t>(-2)); }},
        {"an unknown depth", [](auto& b) { Put16(b, 28, 7); }},
        {"run-length compressed", [](auto& b) { Put32(b, 30, BI_RLE8); }},
        {"cut in the bits", [](auto& b) { b.pop_back(); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        BitmapImage image;
        EXPECT_EQ(ParseBitmapFile(bytes.data(), bytes.size(), image), 23);
        EXPECT_TRUE(image.bits.empty());
    }
}

TEST(PictureFiles, FileNamesWithoutADot)
{
    const std::pair<const char*, bool> cases[] = {
        {"picture", false},      {"picture.bmp", true},          {"/tmp/kel.d/picture", false},
        {"C:\\a.b\\pic", false}, {"/tmp/kel.d/pic.wmf", true},   {".hidden", true},
    };
    for (auto [name, dot] : cases)
        EXPECT_EQ(NameHasDot(name), dot) << name;
}

} // namespace
} // namespace plotkit::test
