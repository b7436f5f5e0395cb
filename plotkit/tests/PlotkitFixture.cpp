#include "PlotkitFixture.h"

#include "win32/uidriver.h"

#include <cstdlib>

namespace plotkit::test
{
namespace
{

std::vector<std::string> drawLog;
int releases = 0;

void DrawTest(GrDesc* graph, HDC dc)
{
    auto* o = reinterpret_cast<TestObject*>(graph->currentObject);
    drawLog.push_back(std::to_string(o->head.type) + ":" + std::to_string(graph->cursor + 1));
    HBRUSH brush = CreateSolidBrush(o->color);
    RECT r = Ordered(o->head.extent);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

BOOL CopyTest(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* s = reinterpret_cast<const TestObject*>(source);
    auto* c = reinterpret_cast<TestObject*>(copy);
    c->buffer = static_cast<int*>(std::malloc(sizeof(int)));
    *c->buffer = *s->buffer;
    return TRUE;
}

void ReleaseTest(GrDesc*, ObjDesc* object)
{
    auto* o = reinterpret_cast<TestObject*>(object);
    std::free(o->buffer);
    o->buffer = nullptr;
    ++releases;
}

// Both window procedures keep the device position of every mouse message for the library.
void StoreMouse(UINT message, LPARAM lParam)
{
    if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK)
    {
        GetDevDesc()->mouseX = LOWORD(lParam);
        GetDevDesc()->mouseY = HIWORD(lParam);
    }
}

} // namespace

std::function<void(PgDesc*)>& FirstPagePaint()
{
    static std::function<void(PgDesc*)> hook;
    return hook;
}

std::vector<std::string>& DrawLog()
{
    return drawLog;
}

int Releases()
{
    return releases;
}

void RegisterTestTypes()
{
    for (auto [type, pass] :
         {std::pair{kBox, 3}, std::pair{kMarker, 1}, std::pair{kFrame, 2}, std::pair{kFill, 0}})
    {
        PlotObjectType t{};
        t.type = static_cast<SHORT>(type);
        t.size = sizeof(TestObject);
        t.draw = DrawTest;
        t.hitPass = pass;
        t.copy = CopyTest;
        t.release = ReleaseTest;
        PlotRegisterObjectType(&t);
    }
}

LRESULT CALLBACK ChartPageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PgDesc* page = WGGetPageDesc(window);
    switch (message)
    {
    case WM_SIZE:
        ResizePage(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (page)
        {
            HBRUSH brush = CreateSolidBrush(page->background);
            RECT client{};
            GetClientRect(window, &client);
            FillRect(dc, &client, brush);
            DeleteObject(brush);
            if (!page->built)
            {
                page->built = 1; // the graphs build themselves on their first paint
                if (FirstPagePaint())
                    FirstPagePaint()(page);
            }
            else if (page->highlightOn)
                HighlightGraph(page, page->selectedGraph);
        }
        EndPaint(window, &ps);
        return 0;
    }
    }
    StoreMouse(message, lParam);
    return DefWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK ChartGraphWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
    {
        auto* graph = static_cast<GrDesc*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
        graph->buildDc = GetDC(window);
        return 0;
    }
    case WM_ERASEBKGND:
        if (GrDesc* graph = WGGetGraphDesc(window))
            graph->layoutChanged = 1;
        return 1;
    case WM_PAINT:
    {
        GrDesc* graph = WGGetGraphDesc(window);
        if (graph == nullptr)
            break;
        MapGraph(graph, graph->buildDc);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        MapGraph(graph, dc);
        if (!graph->finished)
        {
            graph->finished = 1;
            graph->cursor = 0;
            if (auto* host = reinterpret_cast<HostGraph*>(graph->userValue); host && host->build)
                host->build(graph, window);
            graph->cursor = 0;
            graph->building = 0;
            ConnectAxes(graph);
        }
        if (!graph->building)
            ObjectInterpreter(graph, dc);
        graph->layoutChanged = 1;
        graph->outsidePlotRepaint = 0;
        EndPaint(window, &ps);
        return 0;
    }
    }
    StoreMouse(message, lParam);
    return DefWindowProc(window, message, wParam, lParam);
}

void PlotkitTest::SetUp()
{
    UiTest::SetUp();
    kel::ui::SetSystemMetricForTests(SM_CXSCREEN, 1024);
    kel::ui::SetSystemMetricForTests(SM_CYSCREEN, 768);
    Library& lib = Lib();
    lib = Library{};
    AttachLibrary();
    lib.exitProcess = [this](int code) { exits.push_back(code); };
    RegisterTestTypes();
    drawLog.clear();
    releases = 0;
    FirstPagePaint() = nullptr;
    top.realType = PK_REAL_TYPE;
    ASSERT_NE(InitTop(&top, ChartPageWndProc, ChartGraphWndProc, CS_DBLCLKS), 0);
}

void PlotkitTest::TearDown()
{
    for (int n = 1; n < PK_MAX_PAGES; ++n)
        if (PgDesc* page = GetPgDescPtr(n))
        {
            HWND window = page->window;
            KillGraphPage(n);
            DestroyWindow(window);
        }
    Cleanup(&top, TRUE);
    // The classes live as long as the host; each test is a host of its own.
    UnregisterClass("PgWin", top.hostInstance);
    UnregisterClass("GrWin", top.hostInstance);
    kel::ui::ResetSystemMetricsForTests();
    UiTest::TearDown();
}

PgDesc* PlotkitTest::MakePage(const char* name, int kind, int width, int height)
{
    return InitPage(name, nullptr, nullptr, nullptr, 15, kind, WS_POPUP | WS_VISIBLE, 2, 0, 0, width, height,
                    0);
}

GrDesc* PlotkitTest::MakeGraph(PgDesc* page, float x, float y, float x2, float y2,
                               std::function<void(GrDesc*, HWND)> build, int border, int borderWidth)
{
    hosts.push_back(std::make_unique<HostGraph>(HostGraph{std::move(build)}));
    return InitGraph(&top, page, x, y, x2, y2, 15, border, borderWidth,
                     reinterpret_cast<LPARAM>(hosts.back().get()));
}

int PlotkitTest::AddObject(GrDesc* graph, int type, RECT extent, COLORREF color)
{
    auto* o = reinterpret_cast<TestObject*>(NewObjDesc(graph, type, 0));
    if (o == nullptr)
        return 0;
    o->head.extent = extent;
    o->color = color;
    o->buffer = static_cast<int*>(std::malloc(sizeof(int)));
    *o->buffer = type;
    return CommitObjDesc(graph);
}

} // namespace plotkit::test
