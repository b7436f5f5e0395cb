// Pages and graphs: limits, handles and lookups, names, extents, finishing, resizing, deletion.
#include "PlotkitFixture.h"

#include <stdexcept>

namespace plotkit::test
{
namespace
{

using PagesTest = PlotkitTest;

TEST_F(PagesTest, FiftyNinePagesAtMostAndNumbersReusedLowestFirst)
{
    kel::testkit::ScriptedPrompts prompts;
    for (int n = 1; n <= 59; ++n)
    {
        PgDesc* page = MakePage(("p" + std::to_string(n)).c_str());
        ASSERT_NE(page, nullptr) << n;
        EXPECT_EQ(page->number, n);
    }
    EXPECT_EQ(top.pageCount, 59);
    prompts.Expect("Too many pages").Reply(IDYES);
    EXPECT_EQ(MakePage("p60"), nullptr);
    EXPECT_EQ(WGGetLastError(), 51);

    HWND window = GetPgDescPtr(7)->window;
    EXPECT_EQ(KillGraphPage(7), 58);
    DestroyWindow(window);
    EXPECT_EQ(GetPgDescPtr(7), nullptr);
    PgDesc* again = MakePage("again");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->number, 7);
}

TEST_F(PagesTest, PageNamesAreUniqueAcrossAllPages)
{
    PgDesc* first = MakePage("one");
    PgDesc* second = MakePage("two");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    HWND window = first->window;
    KillGraphPage(1);
    DestroyWindow(window);
    // Number 1 is free again, but "two" lives on as page 2: refused without a message.
    kel::testkit::ScriptedPrompts prompts;
    EXPECT_EQ(MakePage("two"), nullptr);
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_NE(MakePage("three"), nullptr);
}

TEST_F(PagesTest, SixteenGraphsPerPageWithHandlesFromThePageNumber)
{
    MakePage("first");
    PgDesc* page = MakePage("second");
    ASSERT_EQ(page->number, 2);
    for (int slot = 0; slot < 16; ++slot)
    {
        GrDesc* graph = MakeGraph(page, 0, 0, 0.25f, 0.25f);
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->handle, 92 + slot);
        EXPECT_EQ(GetGrDescPtr(92 + slot), graph);
        EXPECT_EQ(GetGrDescNum(page, slot), graph);
        EXPECT_EQ(WGGetGraphDesc(graph->window), graph);
        EXPECT_EQ(reinterpret_cast<PgDesc*>(GetWindowLongPtr(graph->window, PK_GRAPH_WORD_PAGE)), page);
    }
    EXPECT_EQ(page->selectedGraph, 92);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Too many graphs").Reply(IDYES);
    EXPECT_EQ(MakeGraph(page, 0, 0, 1, 1), nullptr);
    prompts.Expect("Bad graph descriptor").Reply(IDYES).Times(2);
    EXPECT_EQ(GetGrDescPtr(108), nullptr); // page 3 does not exist
    EXPECT_EQ(GetGrDescPtr(60), nullptr);
    EXPECT_TRUE(exits.empty());
}

TEST_F(PagesTest, AFaultWhileThePageIsBuiltIsReportedAndThePageUndone)
{
    FirstPagePaint() = [this](PgDesc* page)
    {
        MakeGraph(page, 0, 0, 1, 1);
        throw std::runtime_error("no data");
    };
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Error building a graph - exception no data").Reply(IDYES);
    EXPECT_EQ(MakePage("faulty"), nullptr);
    EXPECT_TRUE(exits.empty()); // the host lives on
    EXPECT_EQ(top.pageCount, 0);
    EXPECT_EQ(GetPgDescPtr(1), nullptr);
    FirstPagePaint() = nullptr;
    PgDesc* page = MakePage("faulty"); // the name and the number are free again
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->number, 1);
}

TEST_F(PagesTest, DescriptorsAreCheckedThroughTheTables)
{
    PgDesc* page = MakePage("p");
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1);
    EXPECT_TRUE(WGIsPageDescValid(page));
    EXPECT_TRUE(WGIsGraphDescValid(graph));
    EXPECT_TRUE(WGIsDescValid(&top));
    EXPECT_TRUE(WGIsDescValid(graph));
    PgDesc copy = *page; // looks like a page but is none of the library's
    GrDesc fake = *graph;
    EXPECT_FALSE(WGIsPageDescValid(&copy));
    EXPECT_FALSE(WGIsGraphDescValid(&fake));
    EXPECT_FALSE(WGIsDescValid(&fake));
    EXPECT_FALSE(WGIsDescValid(nullptr));
    EXPECT_EQ(WGGetPageDesc(page->window), page);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad graph descriptor").Reply(IDYES);
    WGChangeGraphBackgnd(&fake, RGB(1, 2, 3)); // reported, nothing touched
    EXPECT_TRUE(exits.empty());

    WGDeleteGraph(graph);
    EXPECT_FALSE(WGIsGraphDescValid(graph));
    EXPECT_EQ(page->graphCount, 0);
    EXPECT_EQ(page->selectedGraph, 0);
}

TEST_F(PagesTest, LogicalExtentsFollowThePageKind)
{
    SetScreenMetrics(Lib().dev, 1300, 800, 96, 96);
    PgDesc* iso = MakePage("iso", 0, 1300, 650);
    EXPECT_EQ(iso->mapMode, MM_ISOTROPIC);
    EXPECT_EQ(iso->extentX, 13000);
    EXPECT_EQ(iso->extentY, 6500);
    PgDesc* aniso = MakePage("aniso", 8, 650, 1300);
    EXPECT_EQ(aniso->mapMode, MM_ANISOTROPIC);
    EXPECT_EQ(aniso->extentX, 6500);
    EXPECT_EQ(aniso->extentY, 13000);
    PgDesc* keep = MakePage("keep", 11, 400, 300);
    EXPECT_EQ(keep->keepAspect, 1);
    EXPECT_EQ(keep->keepTextSize, 1);
}

TEST_F(PagesTest, GraphPlacementInLogicalAndDeviceUnits)
{
    PgDesc* page = MakePage("aniso", 8, 640, 480);
    GrDesc* graph = MakeGraph(page, 0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(graph->devX, 160);
    EXPECT_EQ(graph->devY, 240);
    EXPECT_EQ(graph->devWidth, 320);
    EXPECT_EQ(graph->devHeight, 240);
    EXPECT_EQ(graph->logWidth, 6500);
    EXPECT_EQ(graph->logHeight, 4875);
    EXPECT_FLOAT_EQ(graph->normWidth, 0.5f);
    EXPECT_EQ(graph->unitsPerPixelX, 20);
    RECT r{};
    GetWindowRect(graph->window, &r);
    EXPECT_EQ(r.right - r.left, 320);
}

TEST_F(PagesTest, FinishingHappensOncePerPage)
{
    PgDesc* page = MakePage("p");
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1);
    page->built = 0;
    graph->finished = 0; // not painted yet: the page finishes it
    WGUpdatePage(page);
    EXPECT_EQ(graph->finished, 1);
    EXPECT_EQ(graph->building, 0);
    EXPECT_EQ(page->built, 1);
    graph->finished = 0;
    WGUpdatePage(page); // the second call does nothing
    EXPECT_EQ(graph->finished, 0);
}

TEST_F(PagesTest, IsotropicResizeReachesEveryGraphPastAGap)
{
    PgDesc* page = MakePage("iso", 0, 640, 480);
    GrDesc* a = MakeGraph(page, 0, 0, 0.5f, 0.5f);
    GrDesc* b = MakeGraph(page, 0.5f, 0, 1, 0.5f);
    GrDesc* c = MakeGraph(page, 0, 0.5f, 0.5f, 1);
    WGDeleteGraph(b); // slot 1 is free now; slot 2 still holds c
    const float before = c->normWidth;
    ResizePage(page->window, 1280, 960);
    EXPECT_EQ(page->clientWidth, 1280);
    EXPECT_FLOAT_EQ(page->scaleX, 2.0f);
    // The extents doubled while the graphs kept their logical place: their fractions halve.
    EXPECT_NEAR(a->normWidth, before / 2, 1e-3);
    EXPECT_NEAR(c->normWidth, before / 2, 1e-3);
}

TEST_F(PagesTest, AKeepAspectPageCorrectsItsSizeOnce)
{
    PgDesc* page = MakePage("keep", 9, 400, 300);
    ASSERT_EQ(page->keepAspect, 1);
    ResizePage(page->window, 800, 300); // the wrong aspect: the page asks for 800 x 600
    RECT client{};
    GetClientRect(page->window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(page->keepAspect, 1);
    EXPECT_EQ(page->clientWidth, 800); // the corrected size was taken (through the host's WM_SIZE)
    EXPECT_EQ(page->clientHeight, 600);
    EXPECT_FLOAT_EQ(page->scaleY, 2.0f);
}

TEST_F(PagesTest, BlowUpNeedsASelectedGraphAndRestoresThePlacement)
{
    PgDesc* page = MakePage("aniso", 8);
    GrDesc* a = MakeGraph(page, 0, 0, 0.5f, 0.5f);
    GrDesc* b = MakeGraph(page, 0.5f, 0.5f, 1, 1);
    page->selectedGraph = 0;
    WGBlowupGraph(b, TRUE);
    EXPECT_EQ(page->blownUp, 0);
    EXPECT_EQ(b->devWidth, 320);

    WGSelectGraph(a);
    WGBlowupGraph(b, TRUE);
    EXPECT_EQ(page->blownUp, 1);
    EXPECT_EQ(page->selectedGraph, b->handle);
    EXPECT_EQ(b->devWidth, 640);
    EXPECT_EQ(b->devHeight, 480);
    WGBlowupGraph(b, FALSE);
    EXPECT_EQ(b->devX, 320);
    EXPECT_EQ(b->devWidth, 320);
}

} // namespace
} // namespace plotkit::test
