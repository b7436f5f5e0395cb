// Axis labels: where each label stands on linear and logarithmic axes, the number formats, the
// crossing label, the last label, names and strings, and the accessors.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>

#include <cstring>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

constexpr RECT kPlot{2000, 1000, 12000, 8000};

struct AxisSpec
{
    int direction = 1; // 1 X, 0 Y
    float min = 0, max = 10, step = 2, firstTick = 0;
    int ticks = 5;
    float xIntercept = 0, yIntercept = 0;
    int scale = 0;
    float logMin = 1, logMax = 1000;
};

class LabelsTest : public PlotkitTest
{
protected:
    // An axis whose geometry is given, not computed: the labels read it as they find it.
    static int AddAxis(GrDesc* g, const AxisSpec& s)
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
        a->direction = static_cast<SHORT>(s.direction);
        a->xMin = s.direction ? s.min : 0;
        a->xMax = s.direction ? s.max : 10;
        a->yMin = s.direction ? 0 : s.min;
        a->yMax = s.direction ? 100 : s.max;
        a->tickStep = s.step;
        a->firstTick = s.firstTick;
        a->tickCount = static_cast<SHORT>(s.ticks);
        a->xIntercept = s.xIntercept;
        a->yIntercept = s.yIntercept;
        a->scale = static_cast<SHORT>(s.scale);
        a->logMin = s.logMin;
        a->logMax = s.logMax;
        a->head.extent = s.direction ? RECT{kPlot.left, kPlot.bottom, kPlot.right, kPlot.bottom + 100}
                                     : RECT{kPlot.left - 100, kPlot.top, kPlot.left, kPlot.bottom};
        return CommitObjDesc(g);
    }

    // A graph over a whole 640 x 480 anisotropic page with the plot area kPlot; `build` adds objects.
    GrDesc* MakeLabelsGraph(std::function<void(GrDesc*)> build)
    {
        PgDesc* page = MakePage("labels", 8);
        EXPECT_NE(page, nullptr);
        return MakeGraph(page, 0, 0, 1, 1,
                         [build](GrDesc* g, HWND)
                         {
                             g->plot = kPlot;
                             AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, RGB(255, 255, 255));
                             build(g);
                         });
    }

    static LabelsDesc* Labels(GrDesc* g, int n)
    {
        return reinterpret_cast<LabelsDesc*>(GetObjDesc(g, n, nullptr));
    }

    // The labels as they stand, with the labels' font selected, and the font's height.
    static std::vector<LabelItem> Place(GrDesc* g, int n, int* height = nullptr)
    {
        HDC dc = GetMappedDC(g);
        LabelsDesc* l = Labels(g, n);
        HFONT font = CreateFontIndirect(&l->font.logFont);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRIC tm{};
        GetTextMetrics(dc, &tm);
        if (height)
            *height = tm.tmHeight;
        std::vector<LabelItem> items = PlaceLabels(g, dc, l);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(g->window, dc);
        return items;
    }
    static std::vector<std::string> Texts(const std::vector<LabelItem>& items)
    {
        std::vector<std::string> texts;
        for (const LabelItem& i : items)
            texts.push_back(i.main + (i.exponent.empty() ? "" : "^" + i.exponent));
        return texts;
    }
};

TEST_F(LabelsTest, LinearXLabelsStandAtTheTicksBelowTheAxis)
{
    int x = 0, labels = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            x = AddAxis(g, AxisSpec{});
            labels = WGLabelAxis(g, g->buildDc, x, 3, 0, -1, 0, nullptr);
        });
    ASSERT_NE(labels, 0);
    EXPECT_EQ(WGGetLabelsPos(g, labels), 0) << "position 3 is below an X axis";
    int h = 0;
    const std::vector<LabelItem> items = Place(g, labels, &h);
    ASSERT_EQ(Texts(items), (std::vector<std::string>{"0", "2", "4", "6", "8", "10"}));
    for (size_t i = 0; i < items.size(); ++i)
    {
        EXPECT_EQ(items[i].x, 2000 + 2000 * static_cast<int>(i));
        EXPECT_EQ(items[i].y, kPlot.bottom + 100 + 7 * h / 8);
    }
    const RECT e = Labels(g, labels)->head.extent;
    EXPECT_EQ(e.left, kPlot.left - h);
    EXPECT_EQ(e.right, kPlot.right + h);
    EXPECT_EQ(e.bottom, items[0].y + h / 10);
    EXPECT_EQ(e.bottom - e.top, h);
}

TEST_F(LabelsTest, TheLabelAtTheCrossingIsLeftOutBesideTheAxisOnly)
{
    AxisSpec middle; // the X axis halfway up, the Y axis at x = 4
    middle.yIntercept = 50;
    middle.xIntercept = 4;
    int beside = 0, below = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            const int x = AddAxis(g, middle);
            beside = WGLabelAxis(g, g->buildDc, x, 0, 0, 0, 0, nullptr);
            below = WGLabelAxis(g, g->buildDc, x, 6, 0, 0, 0, nullptr);
        });
    EXPECT_EQ(Texts(Place(g, beside)), (std::vector<std::string>{"0", "2", "6", "8", "10"}));
    EXPECT_EQ(Texts(Place(g, below)), (std::vector<std::string>{"0", "2", "4", "6", "8", "10"}))
        << "below the plot area nothing collides";
}

TEST_F(LabelsTest, LogarithmicYLabelsStandAtTheDecades)
{
    AxisSpec log;
    log.direction = 0;
    log.scale = 1;
    log.min = 1;
    log.max = 1000;
    int labels = 0, right = 0, exponent = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            const int y = AddAxis(g, log);
            labels = WGLabelAxis(g, g->buildDc, y, 3, 0, -1, 0, nullptr);
            right = WGLabelAxis(g, g->buildDc, y, 9, 0, -1, 0, nullptr);
            exponent = WGLabelAxis(g, g->buildDc, y, 1, 1, -1, 0, nullptr);
        });
    int h = 0;
    const std::vector<LabelItem> items = Place(g, labels, &h);
    ASSERT_EQ(Texts(items), (std::vector<std::string>{"1", "10", "100", "1000"}));
    int px = 0, py = 0;
    GetAbsPix(g, &px, &py);
    const int height = kPlot.bottom - kPlot.top;
    for (size_t i = 0; i < items.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].x, kPlot.left - 100 - 2 * px) << "two pixels left of the ticks";
        EXPECT_NEAR(items[i].y, kPlot.bottom - static_cast<double>(height) * i / 3 + 3 * h / 8, 1);
    }
    const LabelsDesc* l = Labels(g, labels);
    EXPECT_EQ(l->head.extent.right, kPlot.left - 100 - 2 * px);
    EXPECT_GT(l->widest, 0);
    EXPECT_EQ(l->head.extent.left, l->head.extent.right - l->widest) << "as wide as the widest label";

    const std::vector<LabelItem> outside = Place(g, right);
    EXPECT_EQ(outside[0].x, kPlot.right + 4 * px);
    EXPECT_EQ(Texts(Place(g, exponent)), (std::vector<std::string>{"1x10^0", "1x10^1", "1x10^2", "1x10^3"}));
}

struct FormatCase
{
    int format;
    int precision;
    float value;
    const char* text;
};

TEST_F(LabelsTest, NumbersInEachFormat)
{
    const FormatCase cases[] = {
        {0, 2, 12.5f, "12.50"},
        {0, 3, 0.05f, "0.050"},
        {0, 0, -3, "-3"},
        {1, 1, 0.0015f, "1.5x10^-3"},
        {1, 2, 12345, "1.23x10^4"},
        {1, 1, 1e-41f, "0"},
        {2, -1, 1500, "1.5K"},
        {2, -1, 0.002f, "2m"},
        {2, -1, 2e6f, "2M"},
        {2, -1, 0, "0"},
        {2, -1, 17592186044416.0f, "1x10^13"},
        {5, 0, 3725, "01:02:05"},
        {5, 0, 59.9f, "00:00:59"},
    };
    int axis = 0;
    std::vector<int> numbers;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            AxisSpec one; // one label, the first tick, far from the crossing
            one.ticks = 0;
            one.xIntercept = -1000;
            axis = AddAxis(g, one);
            for (const FormatCase& c : cases)
                numbers.push_back(WGLabelAxis(g, g->buildDc, axis, 0, c.format, c.precision, 0, nullptr));
        });
    auto* a = reinterpret_cast<AxisDesc*>(GetObjDesc(g, axis, nullptr));
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(cases[i].text);
        a->firstTick = cases[i].value;
        EXPECT_EQ(Texts(Place(g, numbers[i])), std::vector<std::string>{cases[i].text});
    }
}

TEST_F(LabelsTest, TheLastLabelIsLeftOutOrReplaced)
{
    int out = 0, replaced = 0, x = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            x = AddAxis(g, AxisSpec{});
            out = WGLabelAxis(g, g->buildDc, x, 0, 0, 0, 1, nullptr);
            replaced = WGLabelAxis(g, g->buildDc, x, 0, 0, 0, 2, "amu and more");
        });
    EXPECT_EQ(Texts(Place(g, out)), (std::vector<std::string>{"0", "2", "4", "6", "8"}));
    const std::vector<LabelItem> items = Place(g, replaced);
    EXPECT_EQ(Texts(items), (std::vector<std::string>{"0", "2", "4", "6", "8", "amu and more"}));
    EXPECT_EQ(items.back().x, kPlot.right);
    EXPECT_STREQ(WGGetLastLabelText(g, replaced), "amu and more");
    EXPECT_EQ(WGGetLastLabelText(g, out), nullptr);
    // Twelve characters at most, whichever call sets the text.
    EXPECT_TRUE(WGChangeLastLabel(g, out, 2, "Partial pressures"));
    EXPECT_STREQ(WGGetLastLabelText(g, out), "Partial pres");
    EXPECT_EQ(WGGetLastLabelFlag(g, out), 2);
}

TEST_F(LabelsTest, MonthAndWeekdayNamesRunOnFromTheFirst)
{
    AxisSpec four;
    four.ticks = 3;
    int months = 0, days = 0, later = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            const int x = AddAxis(g, four);
            months = WGLabelAxisMonth(g, g->buildDc, x, 0, 0, 11, FALSE);
            days = WGLabelAxisDayWk(g, g->buildDc, x, 0, 0, 7, TRUE);
            later = WGLabelAxisMonth(g, g->buildDc, x, 0, 2, 0, FALSE);
        });
    EXPECT_EQ(Texts(Place(g, months)),
              (std::vector<std::string>{"November", "December", "January", "February"}));
    EXPECT_EQ(Texts(Place(g, days)), (std::vector<std::string>{"Sat", "Sun", "Mon", "Tue"}));
    const std::vector<LabelItem> items = Place(g, later);
    EXPECT_EQ(Texts(items), (std::vector<std::string>{"January", "February"})) << "from the third tick on";
    EXPECT_EQ(items[0].x, 2000 + 2 * 2000);
}

TEST_F(LabelsTest, StringLabelsKeepTheirOwnCopyOfTheText)
{
    auto piece = [](std::string s)
    {
        s.resize(PK_LABEL_STRING, ' ');
        return s;
    };
    const std::string text = piece("Argon") + piece("Helium") + "Neon";
    std::vector<char> caller(text.begin(), text.end());
    caller.push_back(0);
    const std::vector<char> before = caller;
    int labels = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            AxisSpec three;
            three.ticks = 2;
            const int x = AddAxis(g, three);
            labels = WGLabelAxisStringsNew(g, g->buildDc, x, 0, 0, caller.data());
            EXPECT_EQ(WGLabelAxisStringsNew(g, g->buildDc, x, 0, 0, nullptr), 0);
        });
    EXPECT_EQ(caller, before) << "the caller's text is not cut";
    EXPECT_EQ(Texts(Place(g, labels)), (std::vector<std::string>{"Argon", "Helium", "Neon"}));
    EXPECT_TRUE(WGChangeString(g, labels, "Xenon, a gas heavier than air by far and more", 1));
    EXPECT_EQ(Texts(Place(g, labels)),
              (std::vector<std::string>{"Argon", "Xenon, a gas heavier than air by far and ", "Neon"}));
    EXPECT_FALSE(WGChangeString(g, labels, "beyond", 100)) << "not past the block";
    // The edit copy has strings of its own: discarding it leaves the labels theirs.
    ASSERT_EQ(WGDuplicateObject(g, labels), PK_EDIT_COPY);
    WGDeleteObject(g, PK_EDIT_COPY);
    EXPECT_EQ(Texts(Place(g, labels))[0], "Argon");
}

// Centres of the runs of `hit` positions, runs split by gaps of more than `gap`.
std::vector<double> Clusters(const std::vector<int>& hit, int gap)
{
    std::vector<double> centres;
    size_t start = 0;
    for (size_t i = 1; i <= hit.size(); ++i)
        if (i == hit.size() || hit[i] - hit[i - 1] > gap)
        {
            centres.push_back((hit[start] + hit[i - 1]) / 2.0);
            start = i;
        }
    return centres;
}

TEST_F(LabelsTest, LabelsAndTitlesOfRealAxesAreDrawnAtTheirTicks)
{
    // The plot runs from pixel 128 to 576 across and 48 to 408 down: X 0..8 linear, ticks every 2
    // (112 pixels); Y 1..1000 logarithmic, a decade every 120 pixels.
    PgDesc* page = MakePage("drawn", 8);
    int xTitle = 0, yTitle = 0;
    GrDesc* g = MakeGraph(page, 0, 0, 1, 1,
                          [&](GrDesc* g, HWND)
                          {
                              HDC dc = g->buildDc;
                              WGSetPlotArea(g, dc, 0.2f, 0.1f, 0.9f, 0.85f, 15);
                              WGSetAxesScale(g, 0, 1);
                              WGScalePlotArea(g, 0, 1, 8, 1000);
                              WGSetXYIntercepts(g, 0, 1);
                              const int x = WGDrawXAxis(g, dc, 2, 1, 0);
                              const int y = WGDrawYAxis(g, dc, 200, 1, 1);
                              WGLabelAxis(g, dc, x, 0, 0, -1, 0, nullptr);
                              WGLabelAxis(g, dc, y, 1, 0, -1, 0, nullptr);
                              xTitle = WGTitleAxis(g, dc, x, 0, "Mass");
                              yTitle = WGTitleAxis(g, dc, y, 1, "Pressure");
                          });
    ASSERT_NE(yTitle, 0);
    InvalidateRect(g->window, nullptr, TRUE);
    UpdateWindow(g->window);
    const kel::testkit::Image image = kel::testkit::CaptureWindow(page->window);
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/plotkit_labels.png");
    auto dark = [&](int x, int y) { return image.Pixel(x, y) == RGB(0, 0, 0); };

    // X labels: in the band below the ticks, one cluster of ink centred on each tick.
    std::vector<int> columns;
    for (int x = 0; x < 640; ++x)
        for (int y = 419; y < 440; ++y)
            if (dark(x, y))
            {
                columns.push_back(x);
                break;
            }
    const std::vector<double> across = Clusters(columns, 6);
    ASSERT_EQ(across.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(across[i], 128 + 112 * i, 2.5) << i;
    // Y labels: left of the ticks, one cluster per decade at its height.
    std::vector<int> rows;
    for (int y = 0; y < 480; ++y)
        for (int x = 70; x < 122; ++x)
            if (dark(x, y))
            {
                rows.push_back(y);
                break;
            }
    const std::vector<double> up = Clusters(rows, 6);
    ASSERT_EQ(up.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(up[i], 48 + 120 * i, 4) << i;
    // The Y labels end two pixels left of the ticks.
    int rightmost = 0;
    for (int y = 40; y < 412; ++y)
        for (int x = 70; x < 122; ++x)
            if (dark(x, y))
                rightmost = std::max(rightmost, x);
    EXPECT_LE(rightmost, 128 - 4 - 2);
    EXPECT_GE(rightmost, 128 - 4 - 5);

    // The titles stand beyond the labels: "Mass" below the X labels, "Pressure" upright left of the
    // Y labels.
    const RECT x = Ordered(GetObjDesc(g, xTitle, nullptr)->extent);
    const RECT xl = Ordered(GetObjDesc(g, xTitle - 2, nullptr)->extent);
    EXPECT_GT(x.top, xl.bottom - 2);
    const RECT y = Ordered(GetObjDesc(g, yTitle, nullptr)->extent);
    const RECT yl = Ordered(GetObjDesc(g, yTitle - 2, nullptr)->extent);
    EXPECT_LT(y.right, yl.left);
    EXPECT_GT(y.bottom - y.top, y.right - y.left);
}

TEST_F(LabelsTest, AccessorsAndCreatorsCheckWhatTheyAreGiven)
{
    int labels = 0, axis = 0, bad = 0, notAxis = 0;
    GrDesc* g = MakeLabelsGraph(
        [&](GrDesc* g)
        {
            axis = AddAxis(g, AxisSpec{});
            labels = WGLabelAxis(g, g->buildDc, axis, 0, 0, -1, 0, nullptr);
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("Axes not defined").Reply(IDYES).Times(2);
            bad = WGLabelAxis(g, g->buildDc, 300, 0, 0, -1, 0, nullptr);
            notAxis = WGLabelAxisMonth(g, g->buildDc, labels, 0, 0, 1, FALSE);
        });
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(notAxis, 0);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for WGChangeLabelsFormat").Reply(IDYES).Times(2);
    prompts.Expect("Bad object handle").Reply(IDYES);
    prompts.Expect("Illegal editing function for AXIS").Reply(IDYES);
    EXPECT_TRUE(WGChangeLabelsFormat(g, labels, 5)) << "clock time is a format";
    EXPECT_EQ(WGGetLabelsFormat(g, labels), 5);
    EXPECT_FALSE(WGChangeLabelsFormat(g, labels, 6));
    EXPECT_FALSE(WGChangeLabelsFormat(g, labels, -1));
    EXPECT_EQ(WGGetLabelsFormat(g, labels), 5);
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_TRUE(WGChangeLabelsPrec(g, labels, 3));
    EXPECT_EQ(WGGetLabelsPrec(g, labels), 3);
    EXPECT_EQ(Labels(g, labels)->precisionFixed, 1);
    EXPECT_TRUE(WGChangeLabelsPos(g, labels, 6));
    EXPECT_EQ(WGGetLabelsPos(g, labels), 6);
    EXPECT_EQ(WGGetLabelsPos(g, 77), 0);
    EXPECT_EQ(WGGetLabelsPos(g, axis), 0);
    EXPECT_EQ(WGGetLabelsPos(nullptr, labels), 0);
    EXPECT_EQ(WGGetTextColor(g, labels), 0) << "labels are text-bearing";
}

} // namespace
} // namespace plotkit::test
