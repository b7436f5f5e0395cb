// The text panel builder: a table of a set's values that fits its graph, and its refusals.
#include "TrendkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace trendkit::test
{
namespace
{

class PanelsTest : public TrendkitTest
{
protected:
    // An empty graph on a page of its own, `build` filling it.
    GrDesc* PanelGraph(std::function<void(GrDesc*)> build, int width = 640, int height = 480)
    {
        static int pages = 0;
        const std::string name = "panel" + std::to_string(++pages);
        PgDesc* page = MakePage(name.c_str(), 0, width, height);
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1, [build](GrDesc* g, HWND) { build(g); });
        UpdateWindow(graph->window);
        return graph;
    }
    static void Keep(GrDesc* graph, const char* name)
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(graph->window),
                                  std::string(keep) + "/trendkit_" + name + ".png");
    }
    static int Count(GrDesc* graph, int type)
    {
        int n = 0;
        for (int i = 1; i <= graph->capacity; ++i)
            if (ObjDesc* o = GetObjDesc(graph, i, nullptr); o && o->type == type)
                ++n;
        return n;
    }
};

TEST_F(PanelsTest, TextPanelMakesEveryColumnAndFitsTheGraph)
{
    const int slot = DefineSet(20, 0, "Residual gas");
    DynDataSetDesc* set = GetDynDataSet(slot);
    for (int i = 0; i < 20; ++i)
        std::strcpy(set->labels[i], ("Mass " + std::to_string(i + 1)).c_str());
    std::strcpy(set->units, "mbar");
    WRSetAlarm(slot, RT_ALARM_HIGH, 5, "Too high!");
    WORD out[4] = {9, 9, 9, 9};
    GrDesc* graph = PanelGraph([&](GrDesc* g) { WRSetAutoText(g, slot, 6, 2, nullptr, nullptr, nullptr, out); }, 320,
                               240);
    for (WORD o : out)
        EXPECT_NE(o, 0);
    auto* value = reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, out[2], nullptr));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->rt.head.type, RT_TYPE_DYN_TEXT);
    EXPECT_EQ(GetObjDesc(graph, out[1], nullptr)->type, PK_TYPE_LEGEND);
    // 20 rows on a small graph: the font shrank so that the rows end inside it.
    EXPECT_LE(value->rt.head.extent.bottom, graph->logHeight);
    EXPECT_LE(value->textHeight * 20, value->rt.head.extent.bottom - value->rt.head.extent.top);
    EXPECT_EQ(Count(graph, PK_TYPE_TEXT), 20 * 2 + 5 + 1); // units and setpoint per row, headers, title
    const float v[20] = {1, 2, 3, 4, 5, 6, 7};
    WRUpdateData(slot, v, graph);
    Keep(graph, "textpanel");
}

TEST_F(PanelsTest, ColumnsNotShownAreNotMadeAndAnEmptySlotIsRefused)
{
    const int slot = DefineSet(3, 0, "Gauges");
    const int columns[5] = {0, 1, 0, 0, 1};
    char descriptors[3 * 42 + 1] = {};
    std::memset(descriptors, ' ', 3 * 42);
    std::memcpy(descriptors, "Chamber", 7);
    std::memcpy(descriptors + 42, "Foreline", 8);
    std::memcpy(descriptors + 84, "Load lock", 9);
    WORD out[4] = {9, 9, 9, 9}, none[4] = {9, 9, 9, 9};
    GrDesc* graph = PanelGraph(
        [&](GrDesc* g)
        {
            WRSetAutoText(g, slot, 5, 1, nullptr, descriptors, columns, out);
            WRSetAutoText(g, 150, 5, 1, nullptr, nullptr, nullptr, none);
            EXPECT_EQ(WGGetLastError(), 55);
        });
    EXPECT_NE(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_NE(out[2], 0);
    EXPECT_EQ(out[3], 0);
    for (WORD o : none)
        EXPECT_EQ(o, 0);
    EXPECT_EQ(Count(graph, RT_TYPE_DYN_TEXT), 1);
    EXPECT_EQ(Count(graph, PK_TYPE_TEXT), 3 * 2 + 3 + 1); // units, descriptor; VALUE, UNITS, DESCRIPTOR; title
    Keep(graph, "textpanel_columns");
}

// The annunciator: the first object of its graph, its cells following.
WORD Annunciator(GrDesc* graph)
{
    for (int i = 1; i <= graph->capacity; ++i)
        if (ObjDesc* o = GetObjDesc(graph, i, nullptr); o && o->type == RT_TYPE_ANNUNCIATOR)
            return static_cast<WORD>(i);
    return 0;
}

TEST_F(PanelsTest, AnnunciatorCellsTurnToTheAlarmColourAndBack)
{
    const int slot = DefineSet(6, 0, "Pumps");
    DynDataSetDesc* set = GetDynDataSet(slot);
    for (int i = 0; i < 6; ++i)
        std::strcpy(set->labels[i], ("Pump " + std::to_string(i + 1)).c_str());
    std::strcpy(set->units, "A");
    WRSetAlarm(slot, RT_ALARM_HIGH, 10, "Overload");
    WREnableAlarmCheck(slot, 1);
    const COLORREF normal[6] = {RGB(0, 255, 0), RGB(0, 255, 0), RGB(0, 255, 0),
                                RGB(0, 255, 0), RGB(0, 255, 0), RGB(10, 200, 30)};
    const COLORREF alarm = RGB(255, 0, 0);
    // Value 2 is in alarm before the panel is drawn.
    const float first[6] = {1, 2, 20, 4, 5, 6};
    WRUpdateData(slot, first, nullptr);
    GrDesc* graph = PanelGraph([&](GrDesc* g) { WRSetAnnun(g, slot, 5, 1, nullptr, normal, alarm, 2, 4, nullptr, 0); });
    const WORD ann = Annunciator(graph);
    ASSERT_NE(ann, 0);
    EXPECT_NE(WRGetAnnTitle(graph, ann), 0);
    // Six cells in a 2 x 4 grid: four in the first row, two in the second.
    WORD cells[6] = {};
    for (int i = 0; i < 6; ++i)
    {
        ASSERT_NE(WRGetAnnTag(graph, ann, i), 0);
        cells[i] = static_cast<WORD>(WRGetAnnTag(graph, ann, i) - 1);
        EXPECT_EQ(GetObjDesc(graph, cells[i], nullptr)->type, PK_TYPE_RECT);
        EXPECT_NE(WRGetAnnVal(graph, ann, i), 0);
        EXPECT_NE(WRGetAnnUnits(graph, ann, i), 0);
        EXPECT_NE(WRGetAnnAlm(graph, ann, i), 0);
    }
    auto top = [&](int i) { return GetObjDesc(graph, cells[i], nullptr)->extent.top; };
    auto left = [&](int i) { return GetObjDesc(graph, cells[i], nullptr)->extent.left; };
    EXPECT_EQ(top(0), top(3));
    EXPECT_LT(top(3), top(4));
    EXPECT_EQ(left(4), left(0));
    EXPECT_EQ(WRGetAnnTag(graph, ann, 6), 0);
    EXPECT_EQ(Count(graph, PK_TYPE_RECT), 6);

    // Colour of a cell's area.
    auto area = [&](int i) { return WGGetAreaColor(graph, cells[i], 0) & 0xFFFFFF; };
    EXPECT_EQ(area(2), normal[2]);
    WRUpdateData(slot, first, graph); // the first update colours what is already in alarm
    EXPECT_EQ(area(2), alarm);
    EXPECT_EQ(area(1), normal[1]);
    const float second[6] = {1, 2, 3, 4, 5, 30};
    WRUpdateData(slot, second, graph);
    EXPECT_EQ(area(2), normal[2]);
    EXPECT_EQ(area(5), alarm);
    // A cell colour that is not a palette colour gives its value a transparent background.
    auto* value5 = reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, WRGetAnnVal(graph, ann, 5), nullptr));
    auto* value0 = reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, WRGetAnnVal(graph, ann, 0), nullptr));
    EXPECT_GE(value0->background, 0);
    Keep(graph, "annunciator");
    const float third[6] = {1, 2, 3, 4, 5, 6};
    WRUpdateData(slot, third, graph);
    EXPECT_EQ(area(5), normal[5]);
    (void)value5;
    EXPECT_EQ(WRGetAnnTag(graph, cells[0], 0), 0);
    EXPECT_EQ(WGGetLastError(), 29);
}

TEST_F(PanelsTest, AnnunciatorRefusesAnEmptySlotOrNoItems)
{
    const int slot = DefineSet(2);
    const int none[4] = {0, 0, 0, 0};
    GrDesc* graph = PanelGraph(
        [&](GrDesc* g)
        {
            WRSetAnnun(g, 170, 5, 1, nullptr, nullptr, RGB(255, 0, 0), 1, 2, nullptr, 0);
            EXPECT_EQ(WGGetLastError(), 55);
            WRSetAnnun(g, slot, 5, 1, nullptr, nullptr, RGB(255, 0, 0), 1, 2, none, 0);
            EXPECT_EQ(WGGetLastError(), 30);
        });
    EXPECT_EQ(Annunciator(graph), 0);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
}

} // namespace
} // namespace trendkit::test
