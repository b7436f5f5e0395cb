// Text objects and fonts: the default font and its faces, text objects at angles with their layout,
// drawn offscreen, the font and string accessors, measuring, and the text parameter dialog.
#include "PlotkitFixture.h"
#include "res/resource.h"

#include "testkit/Image.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plotkit::test
{
namespace
{

class TextTest : public PlotkitTest
{
protected:
    // A 640 x 480 anisotropic page with one graph over all of it, white; `build` adds the objects.
    GrDesc* MakeTextGraph(std::function<void(GrDesc*)> build)
    {
        page = MakePage("text", 8);
        EXPECT_NE(page, nullptr);
        return MakeGraph(page, 0, 0, 1, 1,
                         [build](GrDesc* g, HWND)
                         {
                             AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, RGB(255, 255, 255));
                             build(g);
                         });
    }
    static TextDesc* Text(GrDesc* g, int n) { return reinterpret_cast<TextDesc*>(GetObjDesc(g, n, nullptr)); }
    // An object of another type that plain text calls refuse (a labels object needs an axis).
    static int AddAxis(GrDesc* g)
    {
        if (FindObjectType(PK_TYPE_AXIS) == nullptr)
        {
            PlotObjectType axis{};
            axis.type = PK_TYPE_AXIS;
            axis.size = sizeof(AxisDesc);
            axis.hitPass = 2;
            RegisterOwnObjectType(axis);
        }
        auto* a = reinterpret_cast<AxisDesc*>(NewObjDesc(g, PK_TYPE_AXIS, 0));
        a->head.draw = nullptr;
        a->direction = 1;
        a->xMax = a->yMax = 1;
        return CommitObjDesc(g);
    }

    PgDesc* page = nullptr;
};

TEST_F(TextTest, TheDefaultFontFollowsTheFamilyAndTheFaceByName)
{
    EXPECT_STREQ(top.defaultFont.logFont.lfFaceName, "Arial");
    EXPECT_EQ(top.defaultFont.currentSize, 10);
    EXPECT_EQ(top.defaultFont.colorIndex, 0);
    EXPECT_EQ(top.defaultFont.logFont.lfPitchAndFamily, 32);
    EXPECT_EQ(top.defaultFont.logFont.lfWeight, FW_NORMAL);
    EXPECT_EQ(top.defaultFont.logFont.lfClipPrecision & CLIP_LH_ANGLES, CLIP_LH_ANGLES);

    WGSetTextParams(0, 0, 12, 3); // family 0 means 48: bold italic Courier New
    EXPECT_STREQ(top.defaultFont.logFont.lfFaceName, "Courier New");
    EXPECT_EQ(top.defaultFont.logFont.lfWeight, FW_BOLD);
    EXPECT_EQ(top.defaultFont.logFont.lfItalic, 1);
    EXPECT_EQ(top.defaultFont.logFont.lfUnderline, 0);
    EXPECT_EQ(top.defaultFont.currentSize, 12);
    EXPECT_EQ(top.defaultFont.baseSize, 12);
    EXPECT_EQ(top.defaultFont.sizeIndex, -1);

    WGSetTextParams(4, 0x12, 8, 4);
    EXPECT_STREQ(top.defaultFont.logFont.lfFaceName, "Times New Roman");
    EXPECT_EQ(top.defaultFont.logFont.lfUnderline, 1);
    EXPECT_EQ(top.defaultFont.colorIndex, 4);

    EXPECT_TRUE(WGSetTextByName(1, "times new roman", 9, 1));
    EXPECT_STREQ(top.defaultFont.logFont.lfFaceName, "Times New Roman");
    EXPECT_EQ(top.defaultFont.currentSize, 9);
    EXPECT_FALSE(WGSetTextByName(1, "No Such Face", 9, 0)) << "falls back to family 48";
    EXPECT_STREQ(top.defaultFont.logFont.lfFaceName, "Courier New");
    EXPECT_EQ(top.defaultFont.logFont.lfPitchAndFamily, 48);
}

TEST_F(TextTest, TextsHoldAtMost120Characters)
{
    const std::string longText(150, 'x');
    int n = 0;
    GrDesc* g =
        MakeTextGraph([&](GrDesc* g) { n = WGTextNorm(g, g->buildDc, longText.c_str(), 0.5f, 0.5f, 0, 0); });
    ASSERT_NE(n, 0);
    EXPECT_EQ(std::string(WGGetString(g, n, 0)), std::string(120, 'x'));
    ASSERT_TRUE(WGChangeString(g, n, std::string(200, 'y').c_str(), 0));
    EXPECT_EQ(std::string(WGGetString(g, n, 0)), std::string(120, 'y'));
    EXPECT_EQ(WGGetString(nullptr, n, 0), nullptr);
    EXPECT_EQ(WGGetFontSize(nullptr, n), 0);
}

struct LayoutCase
{
    int alignment;
    int angle;
};

TEST_F(TextTest, TheExtentFollowsAlignmentAndAngle)
{
    const LayoutCase cases[] = {{0, 0},   {6, 0},   {2, 0},    {8, 0},  {24, 0},
                                {0, 900}, {6, 900}, {0, 2700}, {6, 450}};
    std::vector<int> numbers;
    GrDesc* g = MakeTextGraph(
        [&](GrDesc* g)
        {
            for (const LayoutCase& c : cases)
                numbers.push_back(WGTextNorm(g, g->buildDc, "Layout", 0.5f, 0.5f, c.alignment, c.angle));
        });
    ASSERT_NE(g, nullptr);
    HDC dc = GetMappedDC(g);
    HFONT font = CreateFontIndirect(&Text(g, numbers[0])->font.logFont);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32(dc, "Layout", 6, &size);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(g->window, dc);
    const int w = size.cx, h = size.cy;
    ASSERT_GT(w, h);

    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const LayoutCase& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "alignment " << c.alignment << ", angle " << c.angle);
        const TextDesc* t = Text(g, numbers[i]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->font.logFont.lfEscapement, c.angle);
        EXPECT_EQ(t->font.logFont.lfOrientation, c.angle);
        const RECT e = Ordered(t->head.extent);
        const int ax = t->anchorX, ay = t->anchorY;
        if (c.angle == 0)
        {
            EXPECT_EQ(e.right - e.left, w);
            EXPECT_EQ(e.bottom - e.top, h);
            EXPECT_EQ(t->originY - e.top, tm.tmAscent) << "baseline one ascent below the top";
        }
        switch (c.alignment * 10000 + c.angle)
        {
        case 0:
            EXPECT_EQ(e.left, ax);
            EXPECT_EQ(e.top, ay);
            break;
        case 60000:
            EXPECT_EQ(ax - e.left, e.right - ax) << "symmetric about the anchor";
            break;
        case 20000:
            EXPECT_EQ(e.right, ax);
            break;
        case 80000:
            EXPECT_EQ(e.bottom, ay);
            break;
        case 240000:
            EXPECT_EQ(t->originY, ay);
            break;
        case 900:
            // Exactly upright, rising from the anchor: one line high across, the text's length up.
            EXPECT_EQ(e.left, ax);
            EXPECT_EQ(e.right - e.left, tm.tmHeight);
            EXPECT_EQ(e.bottom, ay);
            EXPECT_EQ(e.bottom - e.top, w);
            EXPECT_EQ(t->originX, ax + tm.tmAscent);
            EXPECT_EQ(t->originY, ay);
            break;
        case 60900:
            EXPECT_EQ((e.top + e.bottom) / 2, ay) << "centred along its length";
            break;
        case 2700:
            EXPECT_EQ(e.right, ax);
            EXPECT_EQ(e.top, ay);
            EXPECT_EQ(e.bottom - e.top, w);
            EXPECT_EQ(t->originX, ax - tm.tmAscent);
            break;
        case 60450:
            EXPECT_NEAR((e.left + e.right) / 2, ax, tm.tmHeight);
            EXPECT_LT(e.bottom - e.top, w) << "a slanted text is lower than long";
            break;
        }
    }
}

// Bounding box of the pixels that differ from white inside `area` (device pixels).
RECT InkBox(const kel::testkit::Image& image, RECT area)
{
    RECT box{INT32_MAX, INT32_MAX, -1, -1};
    for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, image.height); ++y)
        for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, image.width); ++x)
            if (image.Pixel(x, y) != RGB(255, 255, 255))
            {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

TEST_F(TextTest, TextsAtAnglesAreDrawnInsideTheirExtents)
{
    WGSetTextParams(4, 32, 16, 0); // red, 16 points
    int flat = 0, up = 0, down = 0, slanted = 0;
    GrDesc* g = MakeTextGraph(
        [&](GrDesc* g)
        {
            flat = WGTextNorm(g, g->buildDc, "Partial pressure", 0.5f, 0.1f, 6, 0);
            up = WGTextNorm(g, g->buildDc, "Rising", 0.15f, 0.8f, 0, 900);
            down = WGTextNorm(g, g->buildDc, "Falling", 0.85f, 0.3f, 0, 2700);
            slanted = WGTextNorm(g, g->buildDc, "Slanted", 0.4f, 0.8f, 0, 450);
        });
    ASSERT_NE(g, nullptr);
    InvalidateRect(g->window, nullptr, TRUE);
    UpdateWindow(g->window);
    const kel::testkit::Image image = kel::testkit::CaptureWindow(page->window);
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/plotkit_text_angles.png");

    HDC dc = GetMappedDC(g);
    auto device = [&](int n, POINT* anchor)
    {
        const TextDesc* t = Text(g, n);
        RECT e = Ordered(t->head.extent);
        POINT p[3] = {{e.left, e.top}, {e.right, e.bottom}, {t->anchorX, t->anchorY}};
        LPtoDP(dc, p, 3);
        *anchor = p[2];
        return RECT{p[0].x, p[0].y, p[1].x, p[1].y};
    };
    POINT a{};
    // Each text's ink lies in its extent (two pixels of slack for anti-aliasing and the slanted
    // extent's rounding) and is red.
    for (int n : {flat, up, down, slanted})
    {
        SCOPED_TRACE(n);
        const RECT e = device(n, &a);
        const RECT grown{e.left - 3, e.top - 3, e.right + 3, e.bottom + 3};
        const RECT ink = InkBox(image, grown);
        ASSERT_GE(ink.right, 0) << "no ink near the text";
        EXPECT_GE(ink.left, grown.left + 1);
        EXPECT_LE(ink.right, grown.right - 1);
        EXPECT_GE(ink.top, grown.top + 1);
        EXPECT_LE(ink.bottom, grown.bottom - 1);
        int red = 0;
        for (int y = ink.top; y < ink.bottom; ++y)
            for (int x = ink.left; x < ink.right; ++x)
                red += image.Pixel(x, y) == RGB(128, 0, 0);
        EXPECT_GT(red, 10);
    }
    // The flat title is centred on its anchor; the upright texts run up and down from theirs.
    RECT e = device(flat, &a);
    RECT ink = InkBox(image, RECT{e.left - 2, e.top - 2, e.right + 2, e.bottom + 2});
    EXPECT_NEAR((ink.left + ink.right) / 2.0, a.x, 2.0);
    EXPECT_GT(ink.right - ink.left, 3 * (ink.bottom - ink.top));
    e = device(up, &a);
    ink = InkBox(image, RECT{e.left - 2, e.top - 2, e.right + 2, e.bottom + 2});
    EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left)) << "upright";
    EXPECT_LE(ink.bottom, a.y + 1) << "rising from the anchor";
    EXPECT_GE(ink.left, a.x - 1);
    e = device(down, &a);
    ink = InkBox(image, RECT{e.left - 2, e.top - 2, e.right + 2, e.bottom + 2});
    EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left)) << "upright";
    EXPECT_GE(ink.top, a.y - 1) << "falling from the anchor";
    EXPECT_LE(ink.right, a.x + 1);
    ReleaseDC(g->window, dc);

    // Flashing: the text is drawn in the colour under its baseline origin (here the white fill).
    Text(g, flat)->head.flash = 1;
    InvalidateRect(g->window, nullptr, TRUE);
    UpdateWindow(g->window);
    const kel::testkit::Image flashed = kel::testkit::CaptureWindow(page->window);
    dc = GetMappedDC(g);
    e = device(flat, &a);
    ReleaseDC(g->window, dc);
    EXPECT_LT(InkBox(flashed, RECT{e.left - 2, e.top - 2, e.right + 2, e.bottom + 2}).right, 0)
        << "white on white";
}

TEST_F(TextTest, AFaceThatIsNotInstalledIsReportedAndLeavesTheDefaultFontAlone)
{
    int n = 0;
    GrDesc* g =
        MakeTextGraph([&](GrDesc* g) { n = WGTextNorm(g, g->buildDc, "Ion current", 0.2f, 0.2f, 0, 0); });
    ASSERT_NE(n, 0);
    const FontDesc before = top.defaultFont;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Font not present - No Such Face").Reply(IDOK);
        EXPECT_FALSE(WGChangeFont(g, n, "No Such Face", 14, 0, FW_BOLD, 1, 0));
    }
    EXPECT_EQ(WGGetLastError(), 4);
    EXPECT_EQ(std::memcmp(&before, &top.defaultFont, sizeof before), 0) << "the default font is untouched";
    // The object keeps its face and takes the other changes, with a height that fits its new size.
    EXPECT_STREQ(WGGetFontName(g, n), "Arial");
    EXPECT_EQ(WGGetFontSize(g, n), 14);
    EXPECT_EQ(WGGetFontWeight(g, n), FW_BOLD);
    EXPECT_EQ(WGGetFontItal(g, n), 1);
    HDC dc = GetMappedDC(g);
    EXPECT_EQ(Text(g, n)->font.logFont.lfHeight, -PointsToLogSize(g, dc, 14));
    ReleaseDC(g->window, dc);

    const int width = Ordered(Text(g, n)->head.extent).right - Ordered(Text(g, n)->head.extent).left;
    const SHORT base = Text(g, n)->font.baseSize;
    EXPECT_TRUE(WGChangeFont(g, n, "Times New Roman", 14, 900, FW_NORMAL, 0, 1));
    EXPECT_STREQ(WGGetFontName(g, n), "Times New Roman");
    EXPECT_EQ(Text(g, n)->font.baseSize, base) << "the same size keeps its base size";
    EXPECT_EQ(WGGetFontEsc(g, n), 900);
    EXPECT_EQ(WGGetFontOrient(g, n), 900);
    EXPECT_EQ(WGGetFontUnder(g, n), 1);
    EXPECT_EQ(Text(g, n)->angle, 900);
    const RECT upright = Ordered(Text(g, n)->head.extent);
    EXPECT_GT(upright.bottom - upright.top, upright.right - upright.left) << "laid out again, upright";
    EXPECT_GT(width, 0);
}

TEST_F(TextTest, AccessorsReportMissingObjectsAndOtherTypes)
{
    int text = 0, axis = 0;
    GrDesc* g = MakeTextGraph(
        [&](GrDesc* g)
        {
            text = WGTextNorm(g, g->buildDc, "T", 0.1f, 0.1f, 0, 0);
            axis = AddAxis(g);
        });
    ASSERT_NE(axis, 0);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDYES).Times(2);
    prompts.Expect("Illegal editing function for AXIS").Reply(IDYES).Times(3);
    EXPECT_EQ(WGGetTextColor(g, 19), 0);
    EXPECT_FALSE(WGChangeFont(g, 19, nullptr, 10, 0, 400, 0, 0));
    EXPECT_EQ(WGGetTextColor(g, axis), 0);
    EXPECT_EQ(WGGetFontName(g, axis), nullptr);
    EXPECT_EQ(WGGetString(g, axis, 0), nullptr);
    EXPECT_EQ(WGGetLastError(), 29);
    EXPECT_TRUE(WGChangeTextColor(g, text, 9));
    EXPECT_EQ(WGGetTextColor(g, text), 9);
}

TEST_F(TextTest, TitlesNeedAnAxisAndSitAtTheTopOfTheGraph)
{
    int title = 0, bad = 0, notAxis = 0;
    GrDesc* g = MakeTextGraph(
        [&](GrDesc* g)
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("Axes not defined").Reply(IDYES).Times(2);
            title = WGTitleGraph(g, g->buildDc, "Spectrum");
            bad = WGTitleAxis(g, g->buildDc, 500, 0, "Mass");
            notAxis = WGTitleAxis(g, g->buildDc, title, 0, "Mass");
        });
    ASSERT_NE(title, 0);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(notAxis, 0);
    const TextDesc* t = Text(g, title);
    EXPECT_EQ(t->anchorX, g->logWidth / 2);
    EXPECT_EQ(t->anchorY, 4 * g->unitsPerPixelY);
    EXPECT_EQ(t->alignment, 6);
    EXPECT_FLOAT_EQ(t->normX, 0.5f);
}

TEST_F(TextTest, TextsMoveByNormalisedAndWorldAnchors)
{
    int norm = 0, world = 0;
    GrDesc* g = MakeTextGraph(
        [&](GrDesc* g)
        {
            WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.9f, 0.9f, 15);
            WGScalePlotArea(g, 0, 0, 10, 100);
            WGDrawXAxis(g, g->buildDc, 2, 0, 0);
            WGDrawYAxis(g, g->buildDc, 20, 0, 1);
            norm = WGTextNorm(g, g->buildDc, "Norm", 0.5f, 0.5f, 0, 0);
            world = WGText(g, g->buildDc, 0, 0, "World", 5, 50, 0, 0);
        });
    ASSERT_NE(world, 0);
    float x = 0, y = 0;
    ASSERT_EQ(WGGetObjectCoord(g, world, &x, &y, nullptr, nullptr), 1);
    EXPECT_NEAR(x, 5, 0.01);
    EXPECT_NEAR(y, 50, 0.1);
    ASSERT_EQ(WGChangeObjectCoord(g, world, 2.5f, 25, 0, 0, TRUE), 1);
    ASSERT_EQ(WGGetObjectCoord(g, world, &x, &y, nullptr, nullptr), 1);
    EXPECT_NEAR(x, 2.5, 0.01);
    EXPECT_NEAR(y, 25, 0.1);
    ASSERT_EQ(WGChangeObjectCoordNorm(g, norm, 0.25f, 0.75f, 0, 0), 1);
    InvalidateRect(g->window, nullptr, TRUE);
    UpdateWindow(g->window);
    ASSERT_EQ(WGGetObjectCoordNorm(g, norm, &x, &y, nullptr, nullptr), 1);
    EXPECT_NEAR(x, 0.25, 0.001);
    EXPECT_NEAR(y, 0.75, 0.001);
    EXPECT_EQ(Ordered(Text(g, norm)->head.extent).left, Text(g, norm)->anchorX)
        << "laid out at the new anchor";
}

TEST_F(TextTest, TextSizesFollowThePageUnlessItKeepsThem)
{
    for (int kind : {8, 10})
    {
        SCOPED_TRACE(kind);
        PgDesc* p = MakePage(kind == 8 ? "scaled" : "kept", kind);
        int n = 0;
        GrDesc* g = MakeGraph(
            p, 0, 0, 1, 1, [&](GrDesc* g, HWND) { n = WGTextNorm(g, g->buildDc, "Scan", 0.5f, 0.5f, 6, 0); });
        ASSERT_NE(n, 0);
        SetWindowPos(p->window, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
        ResizePage(p->window, 320, 240);
        EXPECT_EQ(WGGetFontSize(g, n), kind == 8 ? 5 : 10);
        HDC dc = GetMappedDC(g);
        EXPECT_EQ(Text(g, n)->font.logFont.lfHeight, -PointsToLogSize(g, dc, WGGetFontSize(g, n)));
        ReleaseDC(g->window, dc);
        EXPECT_EQ(Text(g, n)->font.baseSize, 10) << "the size at page scale 1 stays";
    }
}

TEST_F(TextTest, MeasuringANullTextMeasuresZeros)
{
    GrDesc* g = MakeTextGraph([](GrDesc*) {});
    HDC dc = GetDC(g->window);
    float w1 = 0, h1 = 0, w2 = 0, h2 = 0, w3 = 0, h3 = 0;
    WGGetTextSizeNorm(g, dc, TRUE, nullptr, 5, &w1, &h1);
    WGGetTextSizeNorm(g, dc, TRUE, "00000", 0, &w2, &h2);
    EXPECT_GT(w1, 0);
    EXPECT_FLOAT_EQ(w1, w2);
    EXPECT_FLOAT_EQ(h1, h2);
    WGGetTextSizeNorm(g, dc, FALSE, "00000xyz", 5, &w3, &h3);
    EXPECT_FLOAT_EQ(w3, w1 * g->logWidth / g->logHeight) << "on its side the divisors swap";
    EXPECT_FLOAT_EQ(h3, h1 * g->logHeight / g->logWidth);
    ReleaseDC(g->window, dc);
}

TEST_F(TextTest, EditingASelectedTextOpensTheTextDialog)
{
    int n = 0;
    GrDesc* g = MakeTextGraph([&](GrDesc* g) { n = WGTextNorm(g, g->buildDc, "Helium", 0.3f, 0.3f, 0, 0); });
    WGSelObject(g, n);
    const int width = Ordered(Text(g, n)->head.extent).right - Ordered(Text(g, n)->head.extent).left;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Text").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_TEXT_TEXT), "Helium");
                d.SetText(IDC_TEXT_TEXT, "Helium leak");
                d.SetText(IDC_TEXT_SIZE, "20");
                EXPECT_EQ(d.GetText(IDC_TEXT_SIZE), "20");
                d.Click(IDOK);
            });
        EXPECT_EQ(DefEditObject(g), 3);
    }
    EXPECT_STREQ(WGGetString(g, n, 0), "Helium leak");
    EXPECT_EQ(WGGetFontSize(g, n), 20);
    EXPECT_EQ(Text(g, n)->font.text, nullptr) << "the dialog's text pointer is not kept";
    HDC dc = GetMappedDC(g);
    EXPECT_EQ(Text(g, n)->font.logFont.lfHeight, -PointsToLogSize(g, dc, 20));
    ReleaseDC(g->window, dc);
    UpdateWindow(g->window);
    EXPECT_GT(Ordered(Text(g, n)->head.extent).right - Ordered(Text(g, n)->head.extent).left, 2 * width)
        << "laid out again at its new size";
}

TEST_F(TextTest, TheTextDialogEditsACopyAndWritesItBackOnOk)
{
    char text[121] = "Old";
    FontDesc font = top.defaultFont;
    font.text = text;
    font.textCapacity = 120;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Text").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_TEXT_TEXT), "Old");
                EXPECT_EQ(d.GetText(IDC_TEXT_SIZE), "10");
                EXPECT_EQ(SendMessage(d.Item(IDC_TEXT_SIZE), CB_GETCOUNT, 0, 0), 3) << "8, 10 and 14";
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                    kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                          std::string(keep) + "/plotkit_text_dialog.png");
                d.SetText(IDC_TEXT_TEXT, "Total pressure");
                d.Select(IDC_TEXT_FACE, "Courier New");
                d.Select(IDC_TEXT_SIZE, "14");
                d.Select(IDC_TEXT_COLOR, 12);
                d.Check(IDC_TEXT_BOLD);
                d.Click(IDOK);
            });
        EXPECT_EQ(DialogBoxParam(Module(), "TEXTPAR", nullptr, TextDlgProc, reinterpret_cast<LPARAM>(&font)),
                  3);
    }
    EXPECT_STREQ(text, "Total pressure");
    EXPECT_STREQ(font.logFont.lfFaceName, "Courier New");
    EXPECT_EQ(font.currentSize, 14);
    EXPECT_EQ(font.colorIndex, 12);
    EXPECT_EQ(font.logFont.lfWeight, FW_BOLD);
    EXPECT_EQ(font.changed, 1);
    EXPECT_EQ(font.text, text);

    const FontDesc kept = font;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Text").Drive(
            [](kel::testkit::DialogDriver& d)
            {
                d.SetText(IDC_TEXT_TEXT, "Thrown away");
                d.Check(IDC_TEXT_ITALIC);
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(DialogBoxParam(Module(), "TEXTPAR", nullptr, TextDlgProc, reinterpret_cast<LPARAM>(&font)),
                  2);
    }
    EXPECT_STREQ(text, "Total pressure");
    EXPECT_EQ(std::memcmp(&kept, &font, sizeof font), 0);
}

} // namespace
} // namespace plotkit::test
