// FFT, windows and spline: a known sine's spectrum, transforms undone by their inverses, the power
// spectrum of a constant, bin frequencies, windows, and a spline through known points.
#include "PlotkitFixture.h"

#include <cmath>
#include <vector>

namespace plotkit::test
{
namespace
{

constexpr double kPi = 3.14159265358979323846;

using FftTest = PlotkitTest;

TEST_F(FftTest, SpectrumOfAKnownSine)
{
    // 3 cycles of amplitude 2 in 64 samples, plus an offset of 0.5.
    const int n = 64;
    std::vector<float> re(n), im(n, 0.0f), samples(n);
    for (int j = 0; j < n; ++j)
        samples[j] = re[j] = static_cast<float>(0.5 + 2 * std::sin(2 * kPi * 3 * j / n));
    ASSERT_TRUE(WGComplexFFT(re.data(), im.data(), n, FALSE));
    // 2 sin t = -i (e^it - e^-it): with the positive exponent bin 3 holds +i n and bin 61 -i n.
    EXPECT_NEAR(re[0], 0.5 * n, 1e-3);
    EXPECT_NEAR(im[3], n, 1e-3);
    EXPECT_NEAR(im[61], -n, 1e-3);
    for (int k : {1, 2, 4, 20, 32})
    {
        EXPECT_NEAR(re[k], 0, 1e-3) << k;
        EXPECT_NEAR(im[k], 0, 1e-3) << k;
    }
    float magnitude = 0;
    WGFFTMagnitude(re.data(), im.data(), n, 3, &magnitude);
    EXPECT_NEAR(magnitude, 2, 1e-5); // both halves of the sine
    WGFFTMagnitude(re.data(), im.data(), n, 0, &magnitude);
    EXPECT_NEAR(magnitude, 0.5, 1e-5);
    WGFFTMagnitude(re.data(), im.data(), n, 33, &magnitude);
    EXPECT_EQ(magnitude, 0);
    float phase = 0;
    WGFFTPhase(re.data(), im.data(), 3, &phase);
    EXPECT_NEAR(phase, kPi / 2, 1e-4);

    ASSERT_TRUE(WGComplexFFT(re.data(), im.data(), n, TRUE));
    for (int j = 0; j < n; ++j)
    {
        EXPECT_NEAR(re[j], samples[j], 1e-5);
        EXPECT_NEAR(im[j], 0, 1e-5);
    }

    // The real transform gives the conjugate spectrum and its inverse the samples.
    std::vector<float> data = samples, second(n);
    ASSERT_TRUE(WGRealFFT(data.data(), second.data(), n, FALSE));
    EXPECT_NEAR(second[3], -n, 1e-3);
    EXPECT_NEAR(second[61], n, 1e-3);
    EXPECT_NEAR(data[0], 0.5 * n, 1e-3);
    ASSERT_TRUE(WGRealFFT(data.data(), second.data(), n, TRUE));
    for (int j = 0; j < n; ++j)
        EXPECT_NEAR(data[j], samples[j], 1e-5);
}

TEST_F(FftTest, SizesThatAreNotPowersOfTwoAreRefused)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Array size for FFT must be a power of 2!").Reply(IDYES).Times(3);
    std::vector<float> re{1, 2, 3, 4, 5, 6}, im(6, 0.0f);
    EXPECT_FALSE(WGComplexFFT(re.data(), im.data(), 6, FALSE));
    EXPECT_EQ(re, (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(WGRealFFT(re.data(), im.data(), 1, FALSE));
    EXPECT_FALSE(WGPowerSpectrum(re.data(), im.data(), 6, 1));
    EXPECT_EQ(WGGetLastError(), 31);
}

TEST_F(FftTest, PowerSpectrumOfAConstantAndBinFrequencies)
{
    const int n = 16;
    std::vector<float> re(n, 3.0f), im(n, 0.0f);
    ASSERT_TRUE(WGPowerSpectrum(re.data(), im.data(), n, 0.25f));
    EXPECT_NEAR(re[0], 9, 1e-5);
    for (int k = 1; k <= n / 2; ++k)
    {
        EXPECT_NEAR(re[k], 0, 1e-6) << k;
        EXPECT_FLOAT_EQ(im[k], k / (n * 0.25f)) << k; // up to 1 / (2 dt) = 2
    }
    const float expected[8] = {0, 1, 2, 3, 4, -3, -2, -1};
    for (int k = 0; k < 8; ++k)
    {
        float f = 99;
        WGFFTFrequency(8, 8, k, &f);
        EXPECT_EQ(f, expected[k]) << k;
    }
}

TEST_F(FftTest, Windows)
{
    const int n = 9; // m = 8: the middle sample is i = 4
    struct Case
    {
        int kind;
        float first, quarter, middle;
    };
    const Case cases[] = {
        {0, 1, 1, 1},         {1, 0, 0.5f, 1},  {2, 0, 0.5f, 1}, {3, 1 - 0.8f * 0.8f, 1 - 0.4f * 0.4f, 1},
        {4, 0.08f, 0.54f, 1}, {5, 0, 0.34f, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.kind);
        std::vector<float> re(n, 2.0f), im(n, 1.0f);
        EXPECT_EQ(WGDSPWindow(re.data(), im.data(), n, c.kind), 0);
        EXPECT_NEAR(re[0], 2 * c.first, 1e-5);
        EXPECT_NEAR(re[8], 2 * c.first, 1e-5);
        EXPECT_NEAR(re[2], 2 * c.quarter, 1e-5);
        EXPECT_NEAR(re[4], 2 * c.middle, 1e-5);
        EXPECT_NEAR(im[2], c.quarter, 1e-5);
    }
    std::vector<float> re(n, 2.0f);
    WGDSPWindow(re.data(), nullptr, n, 2);
    EXPECT_NEAR(re[4], 2, 1e-6);
}

TEST_F(FftTest, SplineThroughKnownPoints)
{
    GrDesc graph{};
    graph.plot = RECT{0, 0, 1000, 1000};
    HDC dc = CreateCompatibleDC(nullptr); // MM_TEXT: one logical unit a pixel
    // y = x^3 sampled on 0, 10, 20, 30, 40 (scaled by 1/100): a natural spline matches the ends and
    // passes through every knot.
    std::vector<POINT> points;
    for (int x = 0; x <= 40; x += 10)
        points.push_back(POINT{x, x * x * x / 100});
    int count = 0;
    HGLOBAL block = SplinePoints(&graph, dc, points.data(), static_cast<int>(points.size()), &count);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(count, 41); // one point a pixel over 40 pixels
    const auto* s = static_cast<const POINT*>(GlobalLock(block));
    for (const POINT& knot : points)
    {
        EXPECT_EQ(s[knot.x].x, knot.x);
        EXPECT_NEAR(s[knot.x].y, knot.y, 1) << knot.x;
    }
    // Between knots it stays between them where the data climb steeply.
    EXPECT_GT(s[25].y, 80);
    EXPECT_LT(s[25].y, 270);
    EXPECT_GT(s[35].y, 270);
    EXPECT_LT(s[35].y, 640);
    const LONG middle = s[20].y;
    GlobalFree(block);

    // Points running right to left give the same curve.
    std::vector<POINT> reversed(points.rbegin(), points.rend());
    block = SplinePoints(&graph, dc, reversed.data(), 5, &count);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(count, 41);
    EXPECT_EQ(static_cast<const POINT*>(GlobalLock(block))[20].y, middle);
    GlobalFree(block);

    // No spline: 3 points, a span of 9 pixels, 400 points.
    EXPECT_EQ(SplinePoints(&graph, dc, points.data(), 3, &count), nullptr);
    std::vector<POINT> narrow{{0, 0}, {3, 1}, {6, 2}, {9, 0}};
    EXPECT_EQ(SplinePoints(&graph, dc, narrow.data(), 4, &count), nullptr);
    std::vector<POINT> many;
    for (int x = 0; x < 400; ++x)
        many.push_back(POINT{x * 2, x});
    EXPECT_EQ(SplinePoints(&graph, dc, many.data(), 400, &count), nullptr);
    block = SplinePoints(&graph, dc, many.data(), 399, &count);
    EXPECT_NE(block, nullptr);
    GlobalFree(block);
    DeleteDC(dc);
}

} // namespace
} // namespace plotkit::test
