// Objects: the table and its growth, the edit copy, deletion, the interpreter's order, axis rings
// and the hooks of other libraries' types.
#include "PlotkitFixture.h"

#include "testkit/RecordingDevice.h"
#include "win32/clock.h"

namespace plotkit::test
{
namespace
{

class ObjectsTest : public PlotkitTest
{
protected:
    // A graph whose build adds `count` boxes 100 units wide side by side.
    GrDesc* GraphWithBoxes(int count)
    {
        PgDesc* page = MakePage("objects");
        return MakeGraph(page, 0, 0, 1, 1,
                         [count](GrDesc* g, HWND)
                         {
                             for (int i = 0; i < count; ++i)
                                 EXPECT_EQ(AddObject(g, kBox, RECT{i * 100, 0, i * 100 + 100, 100}), i + 1);
                         });
    }

    static AxisDesc* AddAxis(GrDesc* graph, int direction, float min, float max, float otherMin,
                             float otherMax)
    {
        auto* axis = reinterpret_cast<AxisDesc*>(NewObjDesc(graph, PK_TYPE_AXIS, 0));
        axis->direction = static_cast<SHORT>(direction);
        (direction ? axis->xMin : axis->yMin) = min;
        (direction ? axis->xMax : axis->yMax) = max;
        (direction ? axis->yMin : axis->xMin) = otherMin;
        (direction ? axis->yMax : axis->xMax) = otherMax;
        CommitObjDesc(graph);
        return axis;
    }
};

TEST_F(ObjectsTest, TheTableGrowsByTwentyAndNumbersStay)
{
    GrDesc* graph = GraphWithBoxes(21);
    EXPECT_EQ(graph->capacity, 40);
    for (int n = 1; n <= 21; ++n)
    {
        ObjDesc* o = GetObjDesc(graph, n, nullptr);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->extent.left, (n - 1) * 100);
    }
    EXPECT_EQ(GetObjDesc(graph, 22, nullptr), nullptr);
    EXPECT_EQ(GetObjDesc(graph, 0, nullptr), nullptr);
    EXPECT_EQ(GetObjDesc(graph, 41, nullptr), nullptr);
    EXPECT_EQ(WGGetObjectType(graph, 21), kBox);
    EXPECT_EQ(WGGetObjSize(graph, 3), sizeof(TestObject));
}

TEST_F(ObjectsTest, ObjectsAreAddedOnlyWhileTheGraphBuilds)
{
    GrDesc* graph = GraphWithBoxes(1);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Attempt to add a graphical object after the graph was created!").Reply(IDYES);
    EXPECT_EQ(NewObjDesc(graph, kBox, 0), nullptr);
    EXPECT_EQ(CommitObjDesc(graph), 0);

    prompts.Expect("Bad object handle").Reply(IDYES);
    PgDesc* page = GetPgDescPtr(1);
    GrDesc* aborted = MakeGraph(page, 0, 0, 1, 1,
                                [this](GrDesc* g, HWND)
                                {
                                    top.abortFlag = 1;
                                    EXPECT_EQ(AddObject(g, kBox, RECT{}), 0); // silently
                                    top.abortFlag = 0;
                                    EXPECT_EQ(NewObjDesc(g, 99, 0), nullptr); // no such type
                                });
    EXPECT_EQ(aborted->cursor, 0);
}

TEST_F(ObjectsTest, EditCopyRoundTripInEitherOrder)
{
    GrDesc* graph = GraphWithBoxes(2);
    for (auto order : {0, 1})
    {
        SCOPED_TRACE(order);
        ASSERT_EQ(WGDuplicateObject(graph, 2), PK_EDIT_COPY);
        auto* copy = reinterpret_cast<TestObject*>(GetObjDesc(graph, PK_EDIT_COPY, nullptr));
        auto* object = reinterpret_cast<TestObject*>(GetObjDesc(graph, 2, nullptr));
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy->buffer, object->buffer); // the copy owns its own buffer
        copy->head.extent.right = 777 + order;
        *copy->buffer = 5 + order;
        if (order == 0)
            WGObjUpdate(graph, PK_EDIT_COPY, 2);
        else
            WGObjUpdate(graph, 2, PK_EDIT_COPY);
        object = reinterpret_cast<TestObject*>(GetObjDesc(graph, 2, nullptr));
        EXPECT_EQ(object->head.extent.right, 777 + order);
        EXPECT_EQ(*object->buffer, 5 + order);
        EXPECT_EQ(GetObjDesc(graph, PK_EDIT_COPY, nullptr), nullptr);
    }
    // A discarded copy frees its buffer; a missing partner is reported.
    const int released = Releases();
    WGDuplicateObject(graph, 1);
    WGDeleteObject(graph, PK_EDIT_COPY);
    EXPECT_EQ(Releases(), released + 1);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDYES);
    WGObjUpdate(graph, PK_EDIT_COPY, 1);
}

TEST_F(ObjectsTest, EditingWithNothingSelectedShowsTheQuestionAndCancels)
{
    GrDesc* graph = GraphWithBoxes(1);
    kel::UseFakeClock();
    const DWORD start = GetTickCount();
    EXPECT_EQ(DefEditObject(graph), 2);
    EXPECT_GE(GetTickCount() - start, 400u);
    kel::UseRealClock();
    EXPECT_EQ(DefEditObject(nullptr), 2);
}

TEST_F(ObjectsTest, DeletingLeavesAnEmptyEntry)
{
    GrDesc* graph = GraphWithBoxes(3);
    graph->selectedObject = 2;
    WGDeleteObject(graph, 2);
    EXPECT_EQ(GetObjDesc(graph, 2, nullptr), nullptr);
    EXPECT_EQ(graph->selectedObject, 0);
    EXPECT_NE(GetObjDesc(graph, 3, nullptr), nullptr);
    EXPECT_EQ(Releases(), 1);
}

TEST_F(ObjectsTest, TheInterpreterDrawsVisibleObjectsInTableOrderThenTheBorder)
{
    PgDesc* page = MakePage("order");
    GrDesc* graph = MakeGraph(
        page, 0, 0, 1, 1,
        [](GrDesc* g, HWND)
        {
            AddObject(g, kFill, RECT{0, 0, 1000, 1000}, RGB(255, 0, 0));
            AddObject(g, kMarker, RECT{0, 0, 500, 500}, RGB(0, 255, 0));
            AddObject(g, kBox, RECT{0, 0, 200, 200}, RGB(0, 0, 255));
        },
        0, 2);
    WGShowObject(graph, 2, FALSE);
    DrawLog().clear();
    kel::testkit::RecordingDevices recording;
    HDC dc = CreateCompatibleDC(nullptr);
    MapGraph(graph, dc);
    ObjectInterpreter(graph, dc);
    DeleteDC(dc);
    EXPECT_EQ(DrawLog(), (std::vector<std::string>{"153:1", "150:3"}));
    const auto& lines = recording.Lines();
    ASSERT_EQ(lines.size(), 4u);
    // The graph's background first (white), then the objects, the border last.
    EXPECT_EQ(lines[0].rfind("fill", 0), 0u);
    EXPECT_NE(lines[0].find("#ffffff"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("fill", 0), 0u);
    EXPECT_NE(lines[1].find("#ff0000"), std::string::npos);
    EXPECT_NE(lines[2].find("#0000ff"), std::string::npos);
    EXPECT_EQ(lines[3].rfind("rectangle", 0), 0u);
    EXPECT_NE(lines[3].find("brush none"), std::string::npos);
    EXPECT_EQ(graph->cursor, 0); // restored

    top.abortFlag = 1;
    DrawLog().clear();
    ObjectInterpreter(graph, graph->buildDc);
    EXPECT_TRUE(DrawLog().empty());
    top.abortFlag = 0;
}

TEST_F(ObjectsTest, EqualAxesFormRingsAndCrossTheOtherDirection)
{
    PgDesc* page = MakePage("axes");
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                              [](GrDesc* g, HWND)
                              {
                                  AddAxis(g, 1, 0, 10, 0, 1); // 1
                                  AddAxis(g, 1, 0, 10, 0, 1); // 2: equal to 1
                                  AddAxis(g, 1, 5, 50, 0, 1); // 3
                                  AddAxis(g, 1, 5, 50, 0, 1); // 4: equal to 3
                                  AddAxis(g, 0, 0, 1, 0, 10); // 5: a Y axis over X 0..10
                              });
    auto link = [graph](int n) { return GetObjDesc(graph, n, nullptr)->xAxis; };
    auto crossing = [graph](int n) { return GetObjDesc(graph, n, nullptr)->yAxis; };
    EXPECT_EQ(link(1), 2);
    EXPECT_EQ(link(2), 1);
    EXPECT_EQ(link(3), 4);
    EXPECT_EQ(link(4), 3);
    EXPECT_EQ(link(5), 0);
    EXPECT_EQ(crossing(5), 1); // the first X axis over 0..10
    EXPECT_EQ(crossing(1), 5);
    EXPECT_EQ(crossing(2), 5);

    // An edited axis hands its range to its ring.
    ASSERT_EQ(WGDuplicateObject(graph, 1), PK_EDIT_COPY);
    auto* edited = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, PK_EDIT_COPY, nullptr));
    edited->xMax = 20;
    WGObjUpdate(graph, PK_EDIT_COPY, 1);
    EXPECT_EQ(reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 2, nullptr))->xMax, 20);
    EXPECT_EQ(reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 3, nullptr))->xMax, 50);
}

TEST_F(ObjectsTest, OtherLibrariesTypesGetTheirHooks)
{
    static std::vector<int> changed;
    static int hidden = 0;
    changed.clear();
    hidden = 0;
    PlotObjectType live{};
    live.type = 103;
    live.size = sizeof(ObjDesc) + 16;
    live.axisChanged = [](GrDesc*, ObjDesc*, int index) { changed.push_back(index); };
    live.hidden = [](GrDesc*, ObjDesc*) { ++hidden; };
    ASSERT_TRUE(PlotRegisterObjectType(&live));
    PlotObjectType own = live;
    own.type = 12;
    EXPECT_FALSE(PlotRegisterObjectType(&own)); // plotkit's own range is not open to others

    PgDesc* page = MakePage("hooks");
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                              [](GrDesc* g, HWND)
                              {
                                  NewObjDesc(g, 103, 1);
                                  EXPECT_EQ(CommitObjDesc(g), 1);
                              });
    ForceLinesUpdate(graph, 4);
    EXPECT_EQ(changed, std::vector<int>{4});
    WGShowObject(graph, 1, FALSE);
    HDC dc = GetDC(graph->window);
    ObjectInterpreter(graph, dc);
    ReleaseDC(graph->window, dc);
    EXPECT_EQ(hidden, 1);
}

} // namespace
} // namespace plotkit::test
