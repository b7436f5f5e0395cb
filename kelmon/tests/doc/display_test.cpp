// The display base's own rules: alarm value texts, log axis ranges, default page sizes.
#include "displays/Display.h"

#include <gtest/gtest.h>

namespace
{

TEST(DisplayBase, FormatAlarmValuePadsToEightAndShortensTheExponent)
{
    struct Case
    {
        float value;
        const char* text;
    } cases[] = {
        {0.0f, "---     "},  {1.0f, "1.0E+0  "},    {5.0f, "5.0     "},
        {10.0f, "10.0    "}, {250.0f, " 250    "},  {2.5e-7f, "2.5E-7  "},
        {-3.0f, "-3.0E+0 "}, {1.5e-5f, "1.5E-5  "}, {2.0e10f, "2.0E+10 "},
    };
    for (const Case& c : cases)
    {
        char out[32];
        FormatAlarmValue(out, sizeof out, c.value);
        EXPECT_STREQ(out, c.text) << c.value;
    }
}

TEST(DisplayBase, RoundAxisRangeGivesWholeDecades)
{
    float lower = -1.0f, upper = -1.0f;
    EXPECT_EQ(CDisplay::RoundAxisRange(0.0f, 0.5f, &lower, &upper, -11), 1);
    EXPECT_FLOAT_EQ(lower, 1e-6f);
    EXPECT_FLOAT_EQ(upper, 1.0f);
    EXPECT_EQ(CDisplay::RoundAxisRange(0.0f, 0.5f, &lower, &upper, -3), 1);
    EXPECT_FLOAT_EQ(lower, 1e-3f);
    EXPECT_EQ(CDisplay::RoundAxisRange(2e-9f, 3e-6f, &lower, &upper, -11), 1);
    EXPECT_FLOAT_EQ(lower, 1e-9f);
    EXPECT_FLOAT_EQ(upper, 1e-5f);
    lower = upper = 42.0f;
    EXPECT_EQ(CDisplay::RoundAxisRange(0.0f, 0.0f, &lower, &upper, -11), 0);
    EXPECT_EQ(lower, 42.0f);
    EXPECT_EQ(upper, 42.0f);
}

TEST(DisplayBase, DefaultPageSizeFollowsTheScreenWidth)
{
    struct Case
    {
        int screen, width, height;
    } cases[] = {{640, 640, 397}, {1024, 1024, 685}, {1280, 1280, 940}, {1152, 800, 517}, {1920, 800, 517}};
    for (const Case& c : cases)
    {
        int32_t w = 0, h = 0;
        CDisplay::DefaultPageSize(c.screen, w, h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
    }
}

} // namespace
