// Object property accessors: the object's own line, member lines, properties answered by the
// object's type, and the errors for a missing object (56) and a type without the property (29).
#include "PlotkitFixture.h"

#include <vector>

namespace plotkit::test
{
namespace
{

// A type with three member lines and a colour per member, as group-like objects have.
constexpr int kMembers = 160;
struct MemberObject
{
    ObjDesc head;
    LineDesc lines[3];
    COLORREF colors[3];
};

LineDesc* MemberLine(ObjDesc* o, int member)
{
    return member >= 0 && member < 3 ? &reinterpret_cast<MemberObject*>(o)->lines[member] : nullptr;
}

int MemberProperty(GrDesc*, ObjDesc* o, int property, int member, bool change, PropertyValue& v)
{
    auto* m = reinterpret_cast<MemberObject*>(o);
    if (property != kPropAreaColor)
        return 0;
    if (member < 0 || member > 2)
        return -1;
    if (change)
        m->colors[member] = v.color;
    else
        v.color = m->colors[member];
    return 1;
}

class AccessorsTest : public PlotkitTest
{
protected:
    void SetUp() override
    {
        PlotkitTest::SetUp();
        if (const PlotObjectType* t = FindObjectType(PK_TYPE_AXIS))
            savedAxis = *t;
        PlotObjectType t{};
        t.type = PK_TYPE_AXIS;
        t.size = sizeof(AxisDesc);
        RegisterOwnObjectType(t);
        t.type = kMembers;
        t.size = sizeof(MemberObject);
        PlotRegisterObjectType(&t);
        RegisterPropertyOps(kMembers, PlotPropertyOps{MemberProperty, MemberLine});
    }
    void TearDown() override
    {
        PlotkitTest::TearDown();
        if (savedAxis.size)
            RegisterOwnObjectType(savedAxis);
    }

    GrDesc* Graph()
    {
        PgDesc* page = MakePage("accessors");
        return MakeGraph(page, 0, 0, 1, 1,
                         [this](GrDesc* g, HWND)
                         {
                             box = AddObject(g, kBox, RECT{0, 0, 100, 100});
                             NewObjDesc(g, PK_TYPE_AXIS, 0);
                             axis = CommitObjDesc(g);
                             NewObjDesc(g, kMembers, 0);
                             members = CommitObjDesc(g);
                         });
    }

    PlotObjectType savedAxis{};
    int box = 0, axis = 0, members = 0;
};

TEST_F(AccessorsTest, TheObjectsOwnLine)
{
    GrDesc* graph = Graph();
    ASSERT_NE(box, 0);
    EXPECT_EQ(WGChangeLineColor(graph, box, 4, 0), 1);
    EXPECT_EQ(WGGetLineColor(graph, box, 0), 4);
    EXPECT_EQ(WGGetLineColorRGB(graph, box, 0), RGB(128, 0, 0));
    EXPECT_EQ(WGChangeLineColor(graph, box, 20, 0), 0); // no such palette entry: unchanged
    EXPECT_EQ(WGGetLineColor(graph, box, 0), 4);
    EXPECT_EQ(WGChangeLineColorRGB(graph, box, RGB(1, 2, 3), 0), 1);
    EXPECT_EQ(WGGetLineColor(graph, box, 0), -2);
    EXPECT_EQ(WGGetLineColorRGB(graph, box, 0), RGB(1, 2, 3));

    EXPECT_EQ(WGChangeLineWidth(graph, box, 3, 0), 1);
    EXPECT_EQ(WGGetLineWidth(graph, box, 0), 3);
    EXPECT_GT(GetObjDesc(graph, box, nullptr)->line.widthX, 0); // measured on the graph's mapping
    EXPECT_EQ(WGChangeLineStyle(graph, box, 2, 0), 1);
    EXPECT_EQ(WGGetLineStyle(graph, box, 0), 2);
    EXPECT_EQ(WGChangeLineStyle(graph, box, 7, 0), 0);
    EXPECT_EQ(GetLineDesc(graph, box, 0), &GetObjDesc(graph, box, nullptr)->line);
}

TEST_F(AccessorsTest, MemberLinesAndTypeProperties)
{
    GrDesc* graph = Graph();
    auto* m = reinterpret_cast<MemberObject*>(GetObjDesc(graph, members, nullptr));
    EXPECT_EQ(WGChangeLineColor(graph, members, 9, 2), 1);
    EXPECT_EQ(m->lines[2].paletteIndex, 9);
    EXPECT_EQ(m->head.line.paletteIndex, graph->currentLine.paletteIndex); // its own line untouched
    EXPECT_EQ(GetLineDesc(graph, members, 1), &m->lines[1]);
    // A member without a line fails without a message.
    EXPECT_EQ(WGChangeLineWidth(graph, members, 2, 5), 0);
    EXPECT_EQ(WGGetLineStyle(graph, members, 5), -1);

    EXPECT_EQ(WGChangeAreaColor(graph, members, RGB(10, 20, 30), 1), 1);
    EXPECT_EQ(m->colors[1], RGB(10, 20, 30));
    EXPECT_EQ(WGGetAreaColor(graph, members, 1), RGB(10, 20, 30));
    EXPECT_EQ(WGChangeAreaColor(graph, members, 0, 7), 0); // refused by the type, silently
    EXPECT_EQ(WGGetLastError(), 0);
}

TEST_F(AccessorsTest, MissingObjectsAndTypesWithoutTheProperty)
{
    GrDesc* graph = Graph();
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDYES).Times(2);
    EXPECT_EQ(WGChangeObjFill(graph, 99, TRUE), 0);
    EXPECT_EQ(WGGetLastError(), 56);
    EXPECT_EQ(WGGetLineWidth(graph, 99, 0), -1);

    struct Case
    {
        const char* what;
        std::function<int()> call;
        int failure;
    };
    const Case cases[] = {
        {"hatch", [&] { return WGChangeHatchStyle(graph, axis, 2, 0); }, 0},
        {"get hatch", [&] { return WGGetHatchStyle(graph, axis, 0); }, -1},
        {"bar justification", [&] { return WGGetBarJust(graph, axis); }, -1},
        {"plot type", [&] { return WGChangePlotType(graph, axis, 9); }, 0},
        {"fill", [&] { return WGGetFillFlag(graph, members); }, 0},
    };
    prompts.Expect("Illegal editing function for AXIS").Reply(IDYES).Times(4);
    prompts.Expect("Illegal editing function for ").Reply(IDYES);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(), c.failure);
        EXPECT_EQ(WGGetLastError(), 29);
    }
    // Null graphs fail quietly where the calls allow it.
    EXPECT_EQ(WGGetHatchStyle(nullptr, 1, 0), 0);
    EXPECT_EQ(WGGetPlotType(nullptr, 1), 0);
}

} // namespace
} // namespace plotkit::test
