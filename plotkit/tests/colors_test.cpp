// Colours and utilities: the palette, shades and lighter colours, log-scale rounding, string splits
// and memory helpers.
#include "PlotkitFixture.h"

#include <cstring>

namespace plotkit::test
{
namespace
{

using ColorsTest = PlotkitTest;

TEST_F(ColorsTest, PaletteAndItsNames)
{
    EXPECT_EQ(WGGetRGBColor(7), 0xC0C0C0u);
    EXPECT_EQ(WGGetRGBColor(16), RGB(166, 202, 240));
    EXPECT_EQ(WGGetRGBColor(20), 1u);
    EXPECT_EQ(WGGetRGBColor(-1), 1u);
    EXPECT_EQ(LoadText(112 + 13), "Light Magenta");
    EXPECT_EQ(LoadText(132), "Transparent");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(WGGetPureColor(WGGetRGBColor(i)), i);
    EXPECT_EQ(WGGetPureColor(RGB(250, 250, 250)), 15); // White 15 away, Off White 16
}

TEST_F(ColorsTest, ShadeAndLighterColours)
{
    const struct
    {
        COLORREF in, shade, lighter;
    } cases[] = {
        {RGB(200, 100, 50), RGB(100, 50, 25), RGB(255, 150, 75)},
        {RGB(0, 0, 0), RGB(66, 66, 66), RGB(128, 128, 128)},
        {RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 255, 255)},
        {RGB(128, 128, 128), RGB(63, 63, 63), RGB(192, 192, 192)},
        {RGB(0, 0, 128), RGB(0, 0, 64), RGB(0, 0, 255)},
        {RGB(255, 255, 0), RGB(127, 127, 0), RGB(255, 255, 192)},
        {RGB(255, 255, 255), RGB(127, 127, 127), RGB(192, 192, 192)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(WGCreateShadeColor(c.in), c.shade);
        EXPECT_EQ(CreateLighterColor(c.in), c.lighter);
    }
}

TEST_F(ColorsTest, LogScaleRoundsOutToDecades)
{
    const struct
    {
        float a, b, lo, hi;
    } cases[] = {{3, 450, 1, 1000},
                 {0, 50, 0.01f, 100},
                 {0.02f, 0.5f, 0.01f, 1},
                 {-5, -1, 0, 0},
                 {100, 100, 100, 100}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.a);
        float a = c.a, b = c.b;
        ScaleLog(&a, &b);
        EXPECT_FLOAT_EQ(a, c.lo);
        EXPECT_FLOAT_EQ(b, c.hi);
        // The larger end stays where it was given.
        float x = c.b, y = c.a;
        ScaleLog(&x, &y);
        EXPECT_FLOAT_EQ(x, c.hi);
        EXPECT_FLOAT_EQ(y, c.lo);
    }
}

TEST_F(ColorsTest, SplitStringCutsAtMultiplesOfTheLength)
{
    char text[] = "ABCDEFGHIJ";
    EXPECT_TRUE(SplitString(text, 4));
    EXPECT_STREQ(text, "ABC");
    EXPECT_STREQ(text + 4, "EFG");
    EXPECT_STREQ(text + 8, "IJ");
    char padded[] = "AB  CD";
    SplitString(padded, 4); // blanks before a cut go too
    EXPECT_STREQ(padded, "AB");
    EXPECT_STREQ(padded + 4, "CD");
    char empty[] = "";
    EXPECT_FALSE(SplitString(empty, 4));
}

TEST_F(ColorsTest, MemoryHelpersCopyAndGrow)
{
    HGLOBAL block = GlobalAlloc(GPTR, 8);
    std::memcpy(GlobalLock(block), "abcdefg", 8);
    HGLOBAL copy = WGCopyMem(block);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(static_cast<char*>(GlobalLock(copy)), "abcdefg");
    void* p = nullptr;
    HGLOBAL grown = HXRealloc(copy, 8, 16, &p);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(GlobalSize(grown), 16u);
    EXPECT_STREQ(static_cast<char*>(p), "abcdefg");
    EXPECT_EQ(static_cast<char*>(p)[12], 0);
    EXPECT_EQ(GlobalFree(copy), copy); // the old block is gone
    GlobalFree(grown);
    GlobalFree(block);
}

} // namespace
} // namespace plotkit::test
