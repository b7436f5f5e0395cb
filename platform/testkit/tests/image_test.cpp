// The test kit's image comparison.
#include "testkit/Image.h"

#include <gtest/gtest.h>

namespace
{

kel::testkit::Image Filled(int w, int h, uint32_t argb)
{
    kel::testkit::Image image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), argb);
    return image;
}

TEST(ImageCompareTest, CountsPixelsBeyondTheToleranceAndFailsBoundsOnOtherSizes)
{
    kel::testkit::Image a = Filled(4, 3, 0xFF102030), b = a;
    b.pixels[5] = 0xFF102038; // one channel 8 off
    EXPECT_EQ(kel::testkit::CountDifferences(a, b, 8), 0);
    EXPECT_EQ(kel::testkit::CountDifferences(a, b, 7), 1);
    // Images of different sizes never pass a bound on the count.
    EXPECT_GT(kel::testkit::CountDifferences(a, Filled(3, 4, 0xFF102030), 255), 1000000);
}

} // namespace
