// The icon button: its face, edges, image and caption in each state, its setters, and what a click
// does (check box, sounds, address, drop-down menu).
#include "controls/IconButton.h"

#include "testkit/Canvas.h"
#include "testkit/Image.h"
#include "testkit/UiTest.h"
#include "win32/rcdata.h"
#include "win32/uidriver.h"
#include "widgetlib/Hyperlink.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 100, kH = 40;
constexpr UINT kIconId = 201, kCursorId = 202, kMenuId = 301, kCmdFirst = 4001, kCmdSecond = 4002;
constexpr COLORREF kBkIn = RGB(200, 0, 0), kBkOut = RGB(0, 160, 0), kBkFocus = RGB(0, 0, 180);
constexpr COLORREF kRed = RGB(255, 0, 0);

// A 16x16 icon (or a cursor with its hot spot at (3, 3)): an opaque red 8x8 square at (4, 4)
// with one black pixel at (5, 5), transparent around it.
std::vector<unsigned char> MakeIcon(bool cursor)
{
    const int n = 16;
    std::vector<unsigned char> ico;
    auto put16 = [&](unsigned v) { ico.push_back(v & 0xFF), ico.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    const unsigned maskStride = 4, imageSize = 40 + n * n * 4 + n * maskStride;
    put16(0), put16(cursor ? 2 : 1), put16(1);                              // directory, one entry
    ico.push_back(n), ico.push_back(n), ico.push_back(0), ico.push_back(0); // size, colours
    put16(cursor ? 3 : 1), put16(cursor ? 3 : 32), put32(imageSize), put32(22);
    put32(40), put32(n), put32(2 * n), put16(1), put16(32), put32(0), put32(0), put32(0), put32(0), put32(0),
        put32(0);
    for (int row = n - 1; row >= 0; --row) // bottom-up BGRA
        for (int x = 0; x < n; ++x)
        {
            const bool inside = x >= 4 && x < 12 && row >= 4 && row < 12;
            const bool black = x == 5 && row == 5;
            ico.push_back(0), ico.push_back(0), ico.push_back(inside && !black ? 255 : 0);
            ico.push_back(inside ? 255 : 0);
        }
    for (int row = n - 1; row >= 0; --row)
        for (unsigned b = 0; b < maskStride; ++b)
        {
            unsigned char bits = 0;
            for (int i = 0; i < 8; ++i)
            {
                const int x = static_cast<int>(b) * 8 + i;
                if (x < n && !(x >= 4 && x < 12 && row >= 4 && row < 12))
                    bits |= static_cast<unsigned char>(0x80 >> i);
            }
            ico.push_back(bits);
        }
    return ico;
}

const std::vector<unsigned char>& IconBytes()
{
    static const std::vector<unsigned char> bytes = MakeIcon(false);
    return bytes;
}

const std::vector<unsigned char>& CursorBytes()
{
    static const std::vector<unsigned char> bytes = MakeIcon(true);
    return bytes;
}

// The test's own resource module: the icon and a menu whose first popup holds two commands.
const kel::rc::Module& TestModule()
{
    static const kel::rc::MenuItem popupItems[] = {{"&First", kCmdFirst, 0, 0, nullptr, 0},
                                                   {"&Second", kCmdSecond, 0, 0, nullptr, 0}};
    static const kel::rc::MenuItem top[] = {{"Popup", 0, MF_POPUP, 0, popupItems, 2}};
    static const kel::rc::Menu menus[] = {{{nullptr, kMenuId}, false, top, 1}};
    static kel::rc::Binary binaries[] = {
        {{nullptr, 14 /* RT_GROUP_ICON */}, {nullptr, kIconId}, nullptr, 0},
        {{nullptr, 12 /* RT_GROUP_CURSOR */}, {nullptr, kCursorId}, nullptr, 0}};
    binaries[0].bytes = IconBytes().data();
    binaries[0].size = IconBytes().size();
    binaries[1].bytes = CursorBytes().data();
    binaries[1].size = CursorBytes().size();
    static const kel::rc::Module module{"iconbuttontest", false, nullptr,  0, nullptr, 0, menus, 1,
                                        nullptr,          0,     binaries, 2, nullptr, 0};
    return module;
}

// A 32-bit memory canvas the button draws into through DrawItem, black to start with.
class Canvas : public kel::testkit::Canvas
{
public:
    Canvas() : kel::testkit::Canvas(kW, kH, RGB(0, 0, 0)) {}
};

class IconButtonTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(kel::rc::RegisterModule(&TestModule()));
        m_module = GetModuleHandle("iconbuttontest");
        ASSERT_NE(m_module, nullptr);
        m_previousResources = AfxGetResourceHandle();
        AfxSetResourceHandle(m_module);
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
    }
    void TearDown() override
    {
        if (m_button.GetSafeHwnd())
            m_button.DestroyWindow();
        m_parent.DestroyWindow();
        AfxSetResourceHandle(m_previousResources);
        kel::rc::UnregisterModule(&TestModule());
        UiTest::TearDown();
    }
    void Make(DWORD type = BS_PUSHBUTTON, LPCTSTR caption = "")
    {
        ASSERT_TRUE(m_button.Create(caption, WS_CHILD | WS_VISIBLE | type, CRect(10, 10, 10 + kW, 10 + kH),
                                    &m_parent, 100));
        m_button.SetColor(CIconButton::kColorBkIn, kBkIn, FALSE);
        m_button.SetColor(CIconButton::kColorBkOut, kBkOut, FALSE);
        m_button.SetColor(CIconButton::kColorBkFocus, kBkFocus, FALSE);
    }
    void Draw(Canvas& canvas, UINT state)
    {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = 100;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hwndItem = m_button.m_hWnd;
        dis.hDC = canvas.Dc();
        dis.rcItem = RECT{0, 0, kW, kH};
        m_button.DrawItem(&dis);
    }
    // Moves the mouse over the button (client point) as the window manager would report it.
    void Hover(UINT keys = 0)
    {
        m_parent.ShowWindow(SW_SHOW);
        CPoint screen(kW / 2, kH / 2);
        m_button.ClientToScreen(&screen);
        SetCursorPos(screen.x, screen.y);
        m_button.SendMessage(WM_MOUSEMOVE, keys, MAKELPARAM(kW / 2, kH / 2));
    }
    void Click()
    {
        m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(100, BN_CLICKED),
                             reinterpret_cast<LPARAM>(m_button.m_hWnd));
    }

    HMODULE m_module = nullptr;
    HINSTANCE m_previousResources = nullptr;
    CWnd m_parent;
    CIconButton m_button;
};

TEST_F(IconButtonTest, BecomesOwnerDrawnAndKeepsTheDefaultBit)
{
    Make(BS_DEFPUSHBUTTON);
    EXPECT_EQ(m_button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_TRUE(m_button.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
    m_button.SetButtonStyle(BS_PUSHBUTTON);
    EXPECT_EQ(m_button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    const LRESULT code = m_button.SendMessage(WM_GETDLGCODE);
    EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_DEFPUSHBUTTON);
    EXPECT_FALSE(m_button.IsCheckBox());
}

TEST_F(IconButtonTest, SettersReportBadArguments)
{
    Make();
    struct Case
    {
        const char* what;
        DWORD got;
        DWORD expected;
    } cases[] = {
        {"placement 0", m_button.SetImagePlacement(0), CIconButton::kOk},
        {"placement 2", m_button.SetImagePlacement(2), CIconButton::kOk},
        {"placement 3 does not exist", m_button.SetImagePlacement(3), CIconButton::kInvalidAlign},
        {"placement 255", m_button.SetImagePlacement(255), CIconButton::kInvalidAlign},
        {"press style 0", m_button.SetPressOffsetStyle(0), CIconButton::kOk},
        {"press style 1", m_button.SetPressOffsetStyle(1), CIconButton::kOk},
        {"press style 2", m_button.SetPressOffsetStyle(2), CIconButton::kInvalidPressedStyle},
        {"colour 5", m_button.SetColor(5, 0), CIconButton::kOk},
        {"colour 6", m_button.SetColor(6, 0), CIconButton::kInvalidIndex},
        {"colour -1", m_button.SetColor(-1, 0), CIconButton::kInvalidIndex},
        {"shade index 6", m_button.ShadeColor(6, 10), CIconButton::kInvalidIndex},
        {"shade 256", m_button.ShadeColor(0, 256), CIconButton::kBadParam},
        {"shade -256", m_button.ShadeColor(0, -256), CIconButton::kBadParam},
        {"address too long", m_button.SetURL(std::string(260, 'a').c_str()), CIconButton::kBadParam},
        {"address that fits", m_button.SetURL(std::string(259, 'a').c_str()), CIconButton::kOk},
        {"missing cursor", m_button.SetHoverCursor(999), CIconButton::kInvalidResource},
        {"missing menu", m_button.AttachMenu(999, &m_parent), CIconButton::kInvalidResource},
        {"missing icon", m_button.SetIcon(999), CIconButton::kInvalidResource},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST_F(IconButtonTest, ShadeMovesAllChannelsUntilOneReachesItsLimit)
{
    Make();
    struct Case
    {
        COLORREF start;
        int shade;
        COLORREF expected;
    } cases[] = {
        {RGB(100, 150, 250), 50, RGB(105, 155, 255)}, // blue stops the rise at +5
        {RGB(10, 60, 200), -30, RGB(0, 50, 190)},     // red stops the fall at -10
        {RGB(10, 20, 30), 255, RGB(235, 245, 255)},
        {RGB(40, 50, 60), -255, RGB(0, 10, 20)},
        {RGB(1, 2, 3), 0, RGB(1, 2, 3)},
        {RGB(255, 0, 7), 20, RGB(255, 0, 7)}, // already at a limit either way
        {RGB(255, 0, 7), -20, RGB(255, 0, 7)},
    };
    for (const Case& c : cases)
    {
        m_button.SetColor(CIconButton::kColorFgOut, c.start, FALSE);
        EXPECT_EQ(m_button.ShadeColor(CIconButton::kColorFgOut, c.shade, FALSE), CIconButton::kOk);
        EXPECT_EQ(m_button.GetColor(CIconButton::kColorFgOut), c.expected)
            << std::hex << c.start << " shade " << std::dec << c.shade;
    }
    m_button.ResetColors(FALSE);
    EXPECT_EQ(m_button.GetColor(CIconButton::kColorBkIn), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(m_button.GetColor(CIconButton::kColorFgFocus), GetSysColor(COLOR_BTNTEXT));
    m_button.SetColor(CIconButton::kColorBkOut, RGB(1, 2, 3), FALSE);
    m_button.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(m_button.GetColor(CIconButton::kColorBkOut), GetSysColor(COLOR_BTNFACE))
        << "system colours again";
}

TEST_F(IconButtonTest, FaceAndEdgesFollowTheState)
{
    const COLORREF hi = GetSysColor(COLOR_BTNHILIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_3DLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF black = RGB(0, 0, 0);
    struct Case
    {
        const char* what;
        BOOL flat;
        UINT state;
        COLORREF face, topLeft, bottomRight, inner;
    } cases[] = {
        {"flat normal: no border", TRUE, 0, kBkOut, kBkOut, kBkOut, kBkOut},
        {"flat pressed: sunken", TRUE, ODS_SELECTED, kBkIn, shadow, hi, kBkIn},
        {"flat focused", TRUE, ODS_FOCUS, kBkFocus, kBkFocus, kBkFocus, kBkFocus},
        {"raised normal", FALSE, 0, kBkOut, hi, dark, light},
        {"raised focused: black frame first", FALSE, ODS_FOCUS, kBkFocus, black, black, hi},
        {"raised pressed: shadow frame", FALSE, ODS_SELECTED, kBkIn, shadow, shadow, kBkIn},
    };
    Make();
    for (const Case& c : cases)
    {
        m_button.SetFlat(c.flat, FALSE);
        Canvas canvas;
        Draw(canvas, c.state);
        EXPECT_EQ(canvas.At(kW / 2, kH / 2), c.face) << c.what;
        EXPECT_EQ(canvas.At(0, 0), c.topLeft) << c.what;
        EXPECT_EQ(canvas.At(kW - 1, kH - 1), c.bottomRight) << c.what;
        EXPECT_EQ(canvas.At(1, 1), c.inner) << c.what;
    }
}

TEST_F(IconButtonTest, HoveringAFlatButtonLightsItUntilTheMouseLeaves)
{
    Make();
    std::vector<kel::SoundRequest> sounds;
    auto previous = kel::SetSoundHandler(
        [&](const kel::SoundRequest& r)
        {
            sounds.push_back(r);
            return TRUE;
        });
    m_button.SetSound("hover.wav");
    Hover();
    ASSERT_TRUE(m_button.IsHovered()) << "the window under the cursor is the button";
    Hover(); // moving within the button plays nothing more
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].name, "hover.wav");
    EXPECT_EQ(sounds[0].flags & SND_FILENAME, static_cast<DWORD>(SND_FILENAME));

    Canvas canvas;
    Draw(canvas, 0);
    EXPECT_EQ(canvas.At(kW / 2, kH / 2), kBkIn);
    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_BTNHILIGHT));
    EXPECT_EQ(canvas.At(kW - 1, kH - 1), GetSysColor(COLOR_BTNSHADOW));

    m_button.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(m_button.IsHovered());
    Canvas after;
    Draw(after, 0);
    EXPECT_EQ(after.At(kW / 2, kH / 2), kBkOut);
    EXPECT_EQ(after.At(0, 0), kBkOut);
    kel::SetSoundHandler(previous);
}

TEST_F(IconButtonTest, HoverEndsWhenTheButtonLosesTheMouseOrTheFocus)
{
    Make();
    struct Case
    {
        const char* what;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"mouse left", WM_MOUSELEAVE, 0},
        {"focus lost", WM_KILLFOCUS, 0},
        {"window deactivated", WM_ACTIVATE, WA_INACTIVE},
        {"mode cancelled", WM_CANCELMODE, 0},
    };
    for (const Case& c : cases)
    {
        Hover();
        ASSERT_TRUE(m_button.IsHovered()) << c.what;
        m_button.SendMessage(c.message, c.wParam);
        EXPECT_FALSE(m_button.IsHovered()) << c.what;
    }
    Hover(MK_LBUTTON);
    EXPECT_FALSE(m_button.IsHovered()) << "a drag coming in from outside does not light it";
    m_button.SetFlat(FALSE, FALSE);
    Hover();
    EXPECT_FALSE(m_button.IsHovered()) << "only flat buttons light up";
}

TEST_F(IconButtonTest, FocusRectangleOnlyWhereItBelongs)
{
    Make();
    struct Case
    {
        BOOL flat, flatFocus;
        bool drawn;
    } cases[] = {{TRUE, FALSE, false}, {TRUE, TRUE, true}, {FALSE, FALSE, true}};
    for (const Case& c : cases)
    {
        m_button.SetFlat(c.flat, FALSE);
        m_button.SetFlatFocus(c.flatFocus, FALSE);
        Canvas canvas;
        Draw(canvas, ODS_FOCUS);
        // The dotted frame runs 3 pixels inside the item; somewhere on its top line it differs from
        // the face.
        int marked = 0;
        for (int x = 3; x < kW - 3; ++x)
            marked += canvas.At(x, 3) != kBkFocus;
        EXPECT_EQ(marked > 0, c.drawn) << c.flat << c.flatFocus;
        EXPECT_EQ(canvas.At(kW / 2, kH / 2), kBkFocus) << "nothing inside the frame";
    }
}

TEST_F(IconButtonTest, CaptionTakesTheStateTextColour)
{
    Make(BS_PUSHBUTTON, "WWWW");
    const COLORREF fgIn = RGB(255, 255, 0), fgOut = RGB(0, 255, 255), fgFocus = RGB(255, 0, 255);
    m_button.SetColor(CIconButton::kColorFgIn, fgIn, FALSE);
    m_button.SetColor(CIconButton::kColorFgOut, fgOut, FALSE);
    m_button.SetColor(CIconButton::kColorFgFocus, fgFocus, FALSE);
    struct Case
    {
        UINT state;
        COLORREF shown;
    } cases[] = {{0, fgOut}, {ODS_SELECTED, fgIn}, {ODS_FOCUS, fgFocus}};
    for (const Case& c : cases)
    {
        Canvas canvas;
        Draw(canvas, c.state);
        EXPECT_GT(canvas.Count(c.shown), 5) << c.state;
        for (COLORREF other : {fgIn, fgOut, fgFocus})
        {
            EXPECT_TRUE(other == c.shown || canvas.Count(other) == 0) << c.state;
        }
    }
    // Disabled: the embossed look in the 3-D colours, none of the state colours.
    Canvas disabled;
    Draw(disabled, ODS_DISABLED);
    EXPECT_GT(disabled.Count(GetSysColor(COLOR_3DSHADOW)), 5);
    EXPECT_EQ(disabled.Count(fgOut), 0);
}

TEST_F(IconButtonTest, IconIsPlacedByAlignmentAndMovesWhilePressed)
{
    Make(BS_PUSHBUTTON, "Go");
    HICON icon = LoadIcon(m_module, MAKEINTRESOURCE(kIconId));
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(m_button.SetIcon(icon, static_cast<HICON>(nullptr), FALSE), CIconButton::kOk);
    EXPECT_EQ(m_button.GetImageSize().cx, 16);
    EXPECT_EQ(m_button.GetImageSize().cy, 16);
    // The red square's top-left pixel lies 4 pixels into the icon.
    struct Case
    {
        BYTE align;
        UINT state;
        int x, y;
    } cases[] = {
        {CIconButton::kAlignLeft, 0, 3 + 4, 12 + 4}, // left margin, centred vertically
        {CIconButton::kAlignLeft, ODS_SELECTED, 3 + 4 + 1, 12 + 4 + 1},
        {CIconButton::kAlignAbove, 0, 42 + 4, 3 + 4},           // centred, top margin
        {CIconButton::kAlignRight, 0, kW - 3 - 16 + 4, 12 + 4}, // right edge less the margin
    };
    for (const Case& c : cases)
    {
        m_button.SetImagePlacement(c.align, FALSE);
        Canvas canvas;
        Draw(canvas, c.state);
        EXPECT_EQ(canvas.At(c.x + 2, c.y + 2), kRed) << int(c.align) << " " << c.state;
        EXPECT_NE(canvas.At(c.x - 1, c.y + 2), kRed) << int(c.align) << " " << c.state;
        EXPECT_NE(canvas.At(c.x + 2, c.y - 1), kRed) << int(c.align) << " " << c.state;
        EXPECT_EQ(canvas.At(c.x + 1, c.y + 1), RGB(0, 0, 0)) << "the black pixel";
    }
    // The second press offset style moves straight down by two.
    m_button.SetImagePlacement(CIconButton::kAlignLeft, FALSE);
    m_button.SetPressOffsetStyle(CIconButton::kPressDown, FALSE);
    Canvas down;
    Draw(down, ODS_SELECTED);
    EXPECT_EQ(down.At(7, 18), kRed);
    EXPECT_NE(down.At(7, 17), kRed);
}

TEST_F(IconButtonTest, OutIconVariantsAreGreyOrDarkerAndTheInIconShowsWhilePressed)
{
    Make();
    HICON icon = LoadIcon(m_module, MAKEINTRESOURCE(kIconId));
    ASSERT_NE(icon, nullptr);
    // No caption: the icon is centred, so the square's first pixel is at (42 + 4, 12 + 4).
    const int x = 42 + 6, y = 12 + 6;
    struct Case
    {
        int variant;
        COLORREF out;
    } cases[] = {{CIconButton::kOutGrey, RGB(76, 76, 76)}, {CIconButton::kOutDarker, RGB(191, 0, 0)}};
    for (const Case& c : cases)
    {
        ASSERT_EQ(m_button.SetIcon(icon, c.variant, FALSE), CIconButton::kOk);
        Canvas normal;
        Draw(normal, 0);
        EXPECT_EQ(normal.At(x, y), c.out) << c.variant;
        EXPECT_EQ(normal.At(42 + 5, 12 + 5), RGB(0, 0, 0)) << "black stays black";
        EXPECT_EQ(normal.At(42 + 1, 12 + 1), kBkOut) << "the mask is kept";
        Canvas pressed;
        Draw(pressed, ODS_SELECTED);
        EXPECT_EQ(pressed.At(x + 1, y + 1), kRed) << c.variant;
        EXPECT_EQ(pressed.At(42 + 2, 12 + 2), kBkIn);
    }
}

TEST_F(IconButtonTest, CheckBoxModeTogglesOnClickAndDrawsCheckedAsPressed)
{
    Make(BS_AUTOCHECKBOX, "Go");
    ASSERT_TRUE(m_button.IsCheckBox());
    HICON icon = LoadIcon(m_module, MAKEINTRESOURCE(kIconId));
    m_button.SetIcon(icon, static_cast<HICON>(nullptr), FALSE);

    struct Case
    {
        WPARAM value;
        int checked;
    } cases[] = {{BST_CHECKED, 1}, {BST_UNCHECKED, 0}, {BST_INDETERMINATE, 1}, {7, 0}};
    for (const Case& c : cases)
    {
        m_button.SendMessage(BM_SETCHECK, c.value);
        EXPECT_EQ(m_button.SendMessage(BM_GETCHECK), c.checked) << c.value;
    }

    Click();
    EXPECT_EQ(m_button.GetCheck(), 1);
    Canvas canvas;
    Draw(canvas, 0);
    EXPECT_EQ(canvas.At(1, kH / 2), kBkIn) << "checked looks pressed";
    EXPECT_EQ(canvas.At(7 + 2, 16 + 2), kRed) << "without the press offset";
    EXPECT_NE(canvas.At(7 + 2 + 7, 16 + 2 + 7), kRed);
    Click();
    EXPECT_EQ(m_button.GetCheck(), 0);

    // SetChecked only acts in check-box mode.
    EXPECT_EQ(m_button.SetChecked(TRUE), CIconButton::kOk);
    EXPECT_TRUE(m_button.GetChecked());
}

TEST_F(IconButtonTest, IconsLoadByIdAndTheHoverCursorShowsOverTheButton)
{
    Make();
    EXPECT_EQ(m_button.SetIcon(static_cast<int>(kIconId), CIconButton::kOutGrey, FALSE), CIconButton::kOk);
    EXPECT_EQ(m_button.GetImageSize().cx, 16);

    SetCursor(nullptr);
    m_button.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_button.m_hWnd),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursor(m_module, MAKEINTRESOURCE(kCursorId))) << "no cursor of its own yet";
    ASSERT_EQ(m_button.SetHoverCursor(kCursorId), CIconButton::kOk);
    SetCursor(nullptr);
    EXPECT_EQ(m_button.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_button.m_hWnd),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursor(m_module, MAKEINTRESOURCE(kCursorId)));
}

TEST_F(IconButtonTest, BitmapPixelsOfTheTransparentColourShowTheFace)
{
    Make();
    // 10x10: magenta (transparent) with a blue 4x4 block at (3, 3).
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 10;
    bi.bmiHeader.biHeight = -10;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    auto* px = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            px[y * 10 + x] = x >= 3 && x < 7 && y >= 3 && y < 7 ? 0x0000FF : 0xFF00FF;
    ASSERT_EQ(m_button.SetBitmapPair(bitmap, RGB(255, 0, 255)), CIconButton::kOk);
    EXPECT_EQ(m_button.GetImageSize().cx, 10);
    Canvas canvas;
    Draw(canvas, 0);
    // Centred: the bitmap's corner at (45, 15).
    EXPECT_EQ(canvas.At(45 + 4, 15 + 4), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(45 + 1, 15 + 1), kBkOut);
    EXPECT_EQ(canvas.Count(RGB(255, 0, 255)), 0);
}

TEST_F(IconButtonTest, TransparentButtonShowsTheParentsBackground)
{
    Make();
    m_button.SetTransparent(FALSE);
    // What the parent shows under the button.
    HDC parentDc = GetDC(m_parent.m_hWnd);
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    const RECT under{10, 10, 10 + kW, 10 + kH};
    FillRect(parentDc, &under, brush);
    DeleteObject(brush);
    ReleaseDC(m_parent.m_hWnd, parentDc);
    Canvas canvas;
    Draw(canvas, 0);
    EXPECT_EQ(canvas.At(kW / 2, kH / 2), RGB(10, 200, 30));
    EXPECT_EQ(canvas.Count(kBkOut), 0) << "no face of its own";
}

TEST_F(IconButtonTest, ShellOpensWithTheOpenVerbOnly)
{
    std::vector<std::string> opened;
    auto previous = kel::SetUrlOpener(
        [&](const std::string& url)
        {
            opened.push_back(url);
            return TRUE;
        });
    struct Case
    {
        LPCSTR verb;
        LPCSTR file;
        DWORD size;
        BOOL result;
    } cases[] = {
        {"open", "https://example.org", sizeof(SHELLEXECUTEINFO), TRUE},
        {nullptr, "/tmp/manual.pdf", sizeof(SHELLEXECUTEINFO), TRUE},
        {"print", "/tmp/manual.pdf", sizeof(SHELLEXECUTEINFO), FALSE},
        {"open", "", sizeof(SHELLEXECUTEINFO), FALSE},
        {"open", "https://example.org", 12, FALSE},
    };
    for (const Case& c : cases)
    {
        SHELLEXECUTEINFO sei{};
        sei.cbSize = c.size;
        sei.lpVerb = c.verb;
        sei.lpFile = c.file;
        EXPECT_EQ(ShellExecuteEx(&sei), c.result) << (c.verb ? c.verb : "(none)") << " " << c.file;
        EXPECT_TRUE(!c.result || reinterpret_cast<ULONG_PTR>(sei.hInstApp) > 32u);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org", "/tmp/manual.pdf"}));
    kel::SetUrlOpener(previous);
}

TEST_F(IconButtonTest, TheWindowShowsTheOwnerDrawnFace)
{
    Make(BS_PUSHBUTTON, "Go");
    HICON icon = LoadIcon(m_module, MAKEINTRESOURCE(kIconId));
    m_button.SetIcon(icon, static_cast<HICON>(nullptr), FALSE);
    m_parent.ShowWindow(SW_SHOW);
    kel::testkit::Image image;
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            image = kel::testkit::CaptureWindow(m_parent.m_hWnd);
            return !image.Empty() && image.CountColor(kBkOut, 10, 10, 10 + kW, 10 + kH) > kW * kH / 2;
        }))
        << "the face colour fills the button";
    // The icon at the left margin, centred vertically: its red square from (10 + 7, 10 + 16).
    EXPECT_EQ(image.CountColor(kRed, 10 + 7, 10 + 16, 10 + 15, 10 + 24), 8 * 8 - 1);
    EXPECT_EQ(image.CountColor(kBkOut, 0, 0, 10, 10), 0) << "nothing outside the button";
}

TEST_F(IconButtonTest, ToolTipIsMadeOnceAndItsTextReplaced)
{
    Make();
    m_button.SetTooltipText(static_cast<LPCTSTR>(nullptr));
    EXPECT_EQ(m_button.GetToolTip().GetSafeHwnd(), nullptr) << "no text, no tip";
    m_button.SetTooltipText("Connect the head");
    ASSERT_NE(m_button.GetToolTip().GetSafeHwnd(), nullptr);
    m_button.SetTooltipText("Disconnect the head");
    EXPECT_EQ(m_button.GetToolTip().GetToolCount(), 1);
}

TEST_F(IconButtonTest, PushButtonIgnoresCheckState)
{
    Make();
    m_button.SendMessage(BM_SETCHECK, BST_CHECKED);
    m_button.SetChecked(TRUE);
    EXPECT_EQ(m_button.GetCheck(), 0);
}

TEST_F(IconButtonTest, ClickPlaysItsSoundAndOpensTheAddress)
{
    Make();
    std::vector<kel::SoundRequest> sounds;
    auto previousSound = kel::SetSoundHandler(
        [&](const kel::SoundRequest& r)
        {
            sounds.push_back(r);
            return TRUE;
        });
    std::vector<std::string> opened;
    auto previousOpener = kel::SetUrlOpener(
        [&](const std::string& url)
        {
            opened.push_back(url);
            return TRUE;
        });
    m_button.SetSound(MAKEINTRESOURCE(12), m_module, TRUE);
    m_button.SetURL("https://example.org/manual");
    Click();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].name, "#12");
    EXPECT_EQ(sounds[0].module, m_module);
    EXPECT_EQ(sounds[0].flags & SND_RESOURCE, static_cast<DWORD>(SND_RESOURCE));
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/manual"});

    // No hover sound was set: hovering plays nothing; without an address a click opens nothing.
    m_button.SetSound(nullptr, nullptr, TRUE);
    m_button.SetURL(nullptr);
    Click();
    EXPECT_EQ(sounds.size(), 1u);
    EXPECT_EQ(opened.size(), 1u);
    kel::SetUrlOpener(previousOpener);
    kel::SetSoundHandler(previousSound);
}

TEST_F(IconButtonTest, DisablingTheFocusedButtonPassesTheFocusOn)
{
    Make();
    CEdit other;
    ASSERT_TRUE(other.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 100, 110, 120), &m_parent, 101));
    m_button.ModifyStyle(0, WS_TABSTOP);
    m_parent.ShowWindow(SW_SHOW);
    m_button.SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), &m_button);
    m_button.EnableWindow(FALSE);
    ASSERT_NE(CWnd::GetFocus(), nullptr);
    EXPECT_EQ(CWnd::GetFocus()->GetSafeHwnd(), other.GetSafeHwnd());

    // A button without the focus leaves it where it is.
    m_button.EnableWindow(TRUE);
    m_button.EnableWindow(FALSE);
    ASSERT_NE(CWnd::GetFocus(), nullptr);
    EXPECT_EQ(CWnd::GetFocus()->GetSafeHwnd(), other.GetSafeHwnd());
    other.DestroyWindow();
}

// The drop-down menu runs on the null driver, whose popup "chooses" what the test says.
class IconButtonMenuTest : public ::testing::Test
{
protected:
    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_APP + 7)
            s_callbackMenus.push_back(reinterpret_cast<HMENU>(wp));
        return DefWindowProc(hwnd, msg, wp, lp);
    }
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize(&m_driver));
        ASSERT_TRUE(kel::rc::RegisterModule(&TestModule()));
        m_previousResources = AfxGetResourceHandle();
        AfxSetResourceHandle(GetModuleHandle("iconbuttontest"));
        WNDCLASS wc{};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = "IconButtonMenuParent";
        RegisterClass(&wc);
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "IconButtonMenuButton";
        RegisterClass(&wc);
        m_hParent = CreateWindowEx(0, "IconButtonMenuParent", "", WS_OVERLAPPED, 0, 0, 200, 100, nullptr,
                                   nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent.Attach(m_hParent));
        HWND hButton = CreateWindowEx(0, "IconButtonMenuButton", "Menu", WS_CHILD | WS_VISIBLE, 10, 10, 80,
                                      30, m_hParent, reinterpret_cast<HMENU>(100), nullptr, nullptr);
        ASSERT_TRUE(m_button.SubclassWindow(hButton));
        s_callbackMenus.clear();
    }
    void TearDown() override
    {
        m_button.DestroyWindow();
        m_parent.Detach();
        DestroyWindow(m_hParent);
        AfxSetResourceHandle(m_previousResources);
        kel::rc::UnregisterModule(&TestModule());
        kel::ui::Shutdown();
    }
    // The WM_COMMAND ids waiting for the parent.
    std::vector<UINT> PostedCommands()
    {
        std::vector<UINT> ids;
        MSG msg;
        while (PeekMessage(&msg, m_hParent, WM_COMMAND, WM_COMMAND, PM_REMOVE))
            ids.push_back(LOWORD(msg.wParam));
        return ids;
    }
    void Click()
    {
        m_button.OnChildNotify(WM_COMMAND, MAKEWPARAM(100, BN_CLICKED),
                               reinterpret_cast<LPARAM>(m_button.m_hWnd), nullptr);
    }

    static inline std::vector<HMENU> s_callbackMenus;
    kel::ui::NullDriver m_driver;
    HINSTANCE m_previousResources = nullptr;
    HWND m_hParent = nullptr;
    CWnd m_parent;
    CIconButton m_button;
};

TEST_F(IconButtonMenuTest, MenuOpensUnderTheButtonAndItsChoiceGoesToTheOwner)
{
    ASSERT_EQ(m_button.AttachMenu(kMenuId, &m_parent), CIconButton::kOk);
    m_button.SetMenuCallback(m_hParent, WM_APP + 7);

    m_driver.popupChoice = kCmdSecond;
    Click();
    ASSERT_EQ(s_callbackMenus.size(), 1u) << "the callback comes before the menu";
    ASSERT_NE(s_callbackMenus[0], nullptr);
    EXPECT_EQ(m_driver.lastPopup, GetSubMenu(s_callbackMenus[0], 0)) << "the first submenu drops down";
    EXPECT_EQ(PostedCommands(), std::vector<UINT>{kCmdSecond});

    m_driver.popupChoice = 0; // dismissed
    Click();
    EXPECT_TRUE(PostedCommands().empty());
}

} // namespace
