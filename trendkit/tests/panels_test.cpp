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

} // namespace
} // namespace trendkit::test
