// The graph selector button: its states, what it tells its parent, and how each state looks.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

std::vector<std::string> commands; // WM_COMMAND notifications the parent got: "id/code"

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        commands.push_back(std::to_string(LOWORD(wParam)) + "/" + std::to_string(HIWORD(wParam)));
    if (message == WM_ERASEBKGND)
    {
        RECT r{};
        GetClientRect(window, &r);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(reinterpret_cast<HDC>(wParam), &r, white);
        DeleteObject(white);
        return 1;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

class SelectorTest : public PlotkitTest
{
protected:
    void SetUp() override
    {
        PlotkitTest::SetUp();
        commands.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = "SelectorParent";
        RegisterClass(&wc);
        parent = CreateWindowEx(0, "SelectorParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 120, 60, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(parent);
        UnregisterClass("SelectorParent", nullptr);
        PlotkitTest::TearDown();
    }

    // A 40 x 24 button at (10, 10) with identifier 902 and label "3".
    HWND Button(DWORD style = 0, int x = 10)
    {
        return CreateWindowEx(0, "CusButton", "3", WS_CHILD | WS_VISIBLE | style, x, 10, 40, 24, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(902)), nullptr, nullptr);
    }

    static void Click(HWND button, int x, int y, UINT message = WM_LBUTTONDOWN)
    {
        SendMessage(button, message, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessage(button, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    Image Shot(const char* name)
    {
        UpdateWindow(parent);
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            UpdateWindow(child);
        Pump();
        Image image = kel::testkit::CaptureWindow(parent);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/" + name + ".png");
        return image;
    }

    HWND parent = nullptr;
};

TEST_F(SelectorTest, ClicksInsideTheFramePressAndNotify)
{
    HWND button = Button();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 0);

    Click(button, 0, 12); // on the frame: nothing
    Click(button, 39, 12);
    Click(button, 20, 23);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 0);

    Click(button, 1, 1); // just inside
    EXPECT_EQ(commands, std::vector<std::string>{"902/0"});
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 1);
    EXPECT_EQ(GetFocus(), button);

    Click(button, 20, 12); // pressed already: notifies again and stays pressed
    Click(button, 20, 12, WM_LBUTTONDBLCLK);
    EXPECT_EQ(commands, (std::vector<std::string>{"902/0", "902/0", "902/0", "902/5"}));
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 1);

    // Released by its owner without a word; the space bar presses it again, silently.
    commands.clear();
    SendMessage(button, WM_USER + 3, 0, 0);
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 0);
    SendMessage(button, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 1);
    SendMessage(button, WM_USER + 3, 0, 0);
    SendMessage(button, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), 0);
    EXPECT_TRUE(commands.empty());
}

TEST_F(SelectorTest, StyleAndEnablingSetTheStateBits)
{
    HWND plain = Button();
    HWND def = Button(BS_DEFPUSHBUTTON, 60);
    EXPECT_EQ(SendMessage(plain, WM_GETDLGCODE, 0, 0), 0x2020);
    EXPECT_EQ(SendMessage(def, WM_GETDLGCODE, 0, 0), 0x2010);
    EXPECT_EQ(GetWindowLongPtr(def, 0), 32);

    HWND disabled = Button(WS_DISABLED);
    EXPECT_EQ(GetWindowLongPtr(disabled, 0) & 1, 1);
    EnableWindow(disabled, TRUE);
    EXPECT_EQ(GetWindowLongPtr(disabled, 0) & 1, 0);
    SetFocus(plain);
    EXPECT_EQ(GetWindowLongPtr(plain, 0) & 2, 2);
    SetFocus(def);
    EXPECT_EQ(GetWindowLongPtr(plain, 0) & 2, 0);
}

TEST_F(SelectorTest, EachStateLooksItsOwn)
{
    HWND released = Button();
    HWND pressed = Button(0, 60);
    SendMessage(pressed, WM_USER + 3, 1, 0);
    const Image image = Shot("plotkit_selectors");
    // Frames are black; the faces are the light and the darker grey of the two bitmaps.
    for (int x : {10, 49, 60, 99})
        EXPECT_EQ(image.Pixel(x, 20), RGB(0, 0, 0)) << x;
    EXPECT_EQ(image.Pixel(14, 28), RGB(192, 192, 192));
    EXPECT_EQ(image.Pixel(64, 28), RGB(160, 160, 160));
    // The label: black on the released button, magenta on the pressed one, near the top middle.
    auto has = [](const Image& shot, int left, COLORREF color)
    {
        for (int y = 11; y < 33; ++y)
            for (int x = left + 10; x < left + 30; ++x)
                if (shot.Pixel(x, y) == color)
                    return true;
        return false;
    };
    EXPECT_TRUE(has(image, 10, RGB(0, 0, 0)));
    EXPECT_FALSE(has(image, 10, RGB(255, 0, 255)));
    EXPECT_TRUE(has(image, 60, RGB(255, 0, 255)));

    // Disabled looks different from enabled.
    EnableWindow(released, FALSE);
    InvalidateRect(released, nullptr, FALSE);
    const Image disabled = Shot("plotkit_selector_disabled");
    // The label greys and the face loses its raised edge.
    EXPECT_FALSE(has(disabled, 10, RGB(0, 0, 0)));
    EXPECT_TRUE(has(disabled, 10, RGB(128, 128, 128)));
    EXPECT_NE(disabled.Pixel(12, 12), image.Pixel(12, 12));
}

} // namespace
} // namespace plotkit::test
