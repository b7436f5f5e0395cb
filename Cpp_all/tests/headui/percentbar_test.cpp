// The gain adjustment's percent bar: where its position stops, and how it draws the filled part
// and the percentage in inverse colours.
#include "dialogs/PercentBar.h"

#include "testkit/Image.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

namespace
{

constexpr int kBarId = 1259;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

class PercentBarTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "Bar", WS_POPUP | WS_VISIBLE, 0, 0, 240, 60,
                                    nullptr, nullptr));
        // 200 x 20 pixels: inside the black frame 198 x 18.
        ASSERT_TRUE(CPercentBar::RegisterWindowClass());
        ASSERT_NE(::CreateWindowEx(0, CPercentBar::kClassName, "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20,
                                   parent.GetSafeHwnd(), reinterpret_cast<HMENU>(kBarId), nullptr, nullptr),
                  nullptr);
        ASSERT_EQ(bar.Attach(kBarId, &parent, 100, kBlue, kWhite), 1);
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        UiTest::TearDown();
    }

    CWnd parent;
    CPercentBar bar;
};

} // namespace

TEST_F(PercentBarTest, PositionStopsAtTheRangeAndNegativeCountsAsBeyondIt)
{
    const struct
    {
        int set;
        int pos;
    } cases[] = {{40, 40}, {100, 100}, {150, 100}, {0, 0}, {-5, 100}};
    for (const auto& c : cases)
    {
        bar.SetPos(c.set);
        EXPECT_EQ(bar.GetPos(), c.pos) << c.set;
    }
    EXPECT_EQ(CPercentBar().Attach(4242, &parent, 100, kBlue, kWhite), 0); // no such control
}

TEST_F(PercentBarTest, FillsItsShareAndWritesThePercentageInInverseColours)
{
    bar.SetPos(30);
    bar.UpdateWindow();
    const kel::testkit::Image image = kel::testkit::CaptureWindow(parent.GetSafeHwnd());
    ASSERT_FALSE(image.Empty());
    // Frame, then 198 x 30 / 100 = 59 filled pixels from x = 11.
    const int top = 10 + 1, left = 10 + 1;
    EXPECT_EQ(image.Pixel(10, 15), RGB(0, 0, 0));
    EXPECT_EQ(image.CountColor(kBlue, left, top, left + 59, top + 2), 59 * 2);
    EXPECT_EQ(image.CountColor(kWhite, left + 59, top, left + 198, top + 2), 139 * 2);
    // "30%" sits in the middle of the unfilled part: blue strokes on white there.
    EXPECT_GT(image.CountColor(kBlue, left + 59, top, left + 198, top + 18), 10);

    bar.SetPos(100); // now the text lies on the bar: white strokes on blue
    bar.UpdateWindow();
    const kel::testkit::Image full = kel::testkit::CaptureWindow(parent.GetSafeHwnd());
    EXPECT_EQ(full.CountColor(kWhite, left, top, left + 198, top + 2), 0);
    EXPECT_GT(full.CountColor(kWhite, left, top, left + 198, top + 18), 10);
}
