// A page drawn offscreen: two graphs with borders, the selected one framed by the highlight.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

namespace plotkit::test
{
namespace
{

using RenderTest = PlotkitTest;

TEST_F(RenderTest, TwoBorderedGraphsAndTheHighlightFrame)
{
    // White page, graphs at (40,40)-(280,200) and (360,40)-(600,200) of 640 x 480; the fill objects
    // paint each graph's background.
    PgDesc* page = MakePage("render", 8);
    ASSERT_NE(page, nullptr);
    auto fill = [](COLORREF color) {
        return [color](GrDesc* g, HWND) {
            AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, color);
        };
    };
    GrDesc* left = MakeGraph(page, 0.0625f, 1 / 12.0f, 0.4375f, 5 / 12.0f, fill(RGB(255, 255, 192)), 1, 3);
    GrDesc* right = MakeGraph(page, 0.5625f, 1 / 12.0f, 0.9375f, 5 / 12.0f, fill(RGB(192, 255, 192)), 4, 1);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    WGSelectGraph(right);
    WGToggleHigh(page, TRUE);
    InvalidateRect(page->window, nullptr, TRUE);
    UpdateWindow(page->window);
    for (HWND w : {left->window, right->window})
    {
        InvalidateRect(w, nullptr, TRUE);
        UpdateWindow(w);
    }
    Pump(50);

    const kel::testkit::Image image = kel::testkit::CaptureWindow(page->window);
    // KEL_KEEP_SCREENSHOTS=<folder> keeps the picture for a look.
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/plotkit_page.png");
    ASSERT_EQ(image.width, 640);
    ASSERT_EQ(image.height, 480);

    const COLORREF blue = RGB(0, 0, 128), red = RGB(128, 0, 0), white = RGB(255, 255, 255);
    const COLORREF black = RGB(0, 0, 0);
    // Left graph: a 3-pixel blue border inside its window, then its background.
    for (int x : {40, 41, 42, 279, 278, 277})
        EXPECT_EQ(image.Pixel(x, 120), blue) << x;
    EXPECT_EQ(image.Pixel(43, 120), RGB(255, 255, 192));
    EXPECT_EQ(image.Pixel(160, 40), blue);
    EXPECT_EQ(image.Pixel(160, 199), blue);
    // Right graph: a 1-pixel red border.
    EXPECT_EQ(image.Pixel(360, 120), red);
    EXPECT_EQ(image.Pixel(599, 120), red);
    EXPECT_EQ(image.Pixel(361, 120), RGB(192, 255, 192));
    // The highlight: 4 pixels around the selected graph, inverted from the white page.
    for (int x : {356, 357, 358, 359, 600, 603})
        EXPECT_EQ(image.Pixel(x, 120), black) << x;
    EXPECT_EQ(image.Pixel(480, 36), black);
    EXPECT_EQ(image.Pixel(480, 203), black);
    EXPECT_EQ(image.Pixel(355, 120), white);
    EXPECT_EQ(image.Pixel(604, 120), white);
    // None around the other graph.
    EXPECT_EQ(image.Pixel(38, 120), white);
    EXPECT_EQ(image.Pixel(160, 38), white);

    // Selecting the left graph moves the frame.
    WGSelectGraph(left);
    const kel::testkit::Image moved = kel::testkit::CaptureWindow(page->window);
    EXPECT_EQ(moved.Pixel(38, 120), black);
    EXPECT_EQ(moved.Pixel(358, 120), white);
}

} // namespace
} // namespace plotkit::test
