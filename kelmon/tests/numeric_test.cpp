#include "foundation/Numeric.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <limits>

TEST(NumericTest, ArrayRangesAndEmptyStarts)
{
    const double d[] = {-1, -5};
    EXPECT_EQ(ArrayMaxD(d, 2), -1);
    EXPECT_EQ(ArrayMinD(d, 2), -5);
    EXPECT_EQ(ArrayMaxAbsD(d, 2), 5);
    EXPECT_EQ(ArrayMaxD(d, 0), -3.4028234663852886e38);
    EXPECT_EQ(ArrayMinD(d, 0), 3.4028234663852886e38);
    EXPECT_EQ(ArrayMaxAbsD(d, 0), -3.4028234663852886e38);

    const float f[] = {2.f, -3.f, 1.f};
    EXPECT_EQ(ArrayMaxF(f, 3), 2.f);
    EXPECT_EQ(ArrayMinF(f, 3), -3.f);
    EXPECT_EQ(ArrayMaxAbsF(f, 3), 3.f);
    EXPECT_EQ(ArrayMaxF(f, 0), -std::numeric_limits<float>::max());
}

TEST(NumericTest, MeansAndNorm)
{
    const double d[] = {3, -4};
    EXPECT_DOUBLE_EQ(ArrayMeanD(d, 2), -0.5);
    EXPECT_DOUBLE_EQ(ArrayMeanAbsD(d, 2), 3.5);
    EXPECT_DOUBLE_EQ(ArrayNormD(d, 2), 5.0); // not divided by n
    EXPECT_EQ(ArrayMeanD(d, 0), 0);
    EXPECT_EQ(ArrayMeanAbsD(d, -1), 0);
    EXPECT_EQ(ArrayNormD(d, 0), 0);
    const float f[] = {3, -4};
    EXPECT_FLOAT_EQ(ArrayNormF(f, 2), 5.f);
    EXPECT_FLOAT_EQ(ArrayMeanAbsF(f, 2), 3.5f);
}

TEST(NumericTest, SplitDecade)
{
    struct Case
    {
        double value, mantissa;
        int exponent;
    } cases[] = {
        {0.05, 5, -2},
        {10, 1, 1},
        {9.99, 9.99, 0},
        {1, 1, 0},
        {1.5e-12, 1.5, -12},
        {2.5e17, 2.5, 17},
        // Values the loop would never finish on come back unchanged or mirrored.
        {0, 0, 0},
        {-250, -2.5, 2},
    };
    for (const auto& c : cases)
    {
        double m;
        int e;
        SplitDecade(c.value, m, e);
        EXPECT_NEAR(m, c.mantissa, 1e-9) << c.value;
        EXPECT_EQ(e, c.exponent) << c.value;
    }
    double m;
    int e;
    SplitDecade(std::numeric_limits<double>::infinity(), m, e);
    EXPECT_TRUE(std::isinf(m));
    EXPECT_EQ(e, 0);
    SplitDecade(std::nan(""), m, e);
    EXPECT_TRUE(std::isnan(m));

    float fm;
    SplitDecade(0.05f, fm, e);
    EXPECT_NEAR(fm, 5.f, 1e-5);
    EXPECT_EQ(e, -2);
    SplitDecade(-0.0f, fm, e);
    EXPECT_EQ(fm, 0.f);
    EXPECT_EQ(e, 0);
}

TEST(NumericTest, LocateInTable)
{
    const double falling[] = {10, 8, 6, 4};
    const double rising[] = {1, 2, 4, 8, 16};
    struct Case
    {
        const double* table;
        int n;
        double x;
        int j;
    } cases[] = {
        {falling, 4, 7, 1}, {falling, 4, 10, 0}, {falling, 4, 4, 2}, {falling, 4, 11, -1},
        {falling, 4, 3, 3}, {rising, 5, 1, 0},   {rising, 5, 16, 3}, {rising, 5, 0.5, -1},
        {rising, 5, 20, 4}, {rising, 5, 5, 2},   {rising, 5, 4, 2},  {rising, 0, 3, -1},
    };
    for (const auto& c : cases)
    {
        int j = 99;
        LocateInTable(c.table, c.n, c.x, j);
        EXPECT_EQ(j, c.j) << "x=" << c.x << " n=" << c.n;
    }
    const float f[] = {10, 8, 6, 4};
    int j;
    LocateInTable(f, 4, 7.f, j);
    EXPECT_EQ(j, 1);
}

TEST(NumericTest, DoubleBufferOwnsACopy)
{
    double src[] = {1, 2, 3};
    CDoubleBuffer b(src, 3);
    src[1] = 9;
    EXPECT_EQ(*b.At(1), 2);
    *b.At(2) = 7;
    EXPECT_EQ(b.GetCount(), 3);
    CDoubleBuffer z(4);
    EXPECT_EQ(*z.At(3), 0);
}

TEST(NumericTest, FpControlMasksAndUnmasks)
{
    EnableFpExceptions();
    const unsigned int unmasked = _controlfp(0, 0);
    ResetFpControl();                   // leave the runtime masked before anything can trap
    EXPECT_EQ(unmasked & 0x8000Cu, 0u); // overflow, zero-divide, denormal unmasked
    EXPECT_EQ(unmasked & 0x13u, 0x13u); // the others stay masked
    const unsigned int reset = _controlfp(0, 0);
    EXPECT_EQ(reset & 0x8001Fu, 0x8001Fu); // all masked again
    EXPECT_EQ(reset & 0x300u, 0u);         // round to nearest
}
