// Test support for plotkit: a started library over a fresh top block, a small reference host (the
// page and graph window procedures a host gives InitTop) and test object types.
#pragma once

#include "PlotkitInternal.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plotkit::test
{

// The host object kept in a page's or a graph's user value: builds the graph's objects on its first
// paint.
struct HostGraph
{
    std::function<void(GrDesc*, HWND)> build;
};

// Run by the reference host on a page's first paint (where a host builds the page's graphs).
std::function<void(PgDesc*)>& FirstPagePaint();

// The reference host's window procedures (what a host passes to InitTop).
LRESULT CALLBACK ChartPageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ChartGraphWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Test object types (from 100, as another library would add them). Each object's draw procedure
// logs "<type>:<number>" and fills its extent with its colour.
enum
{
    kBox = 150,    // picked in the area pass by its extent
    kMarker = 151, // picked in the first pass
    kFrame = 152,  // picked in the frame pass
    kFill = 153,   // the graph background, never picked
};
struct TestObject
{
    ObjDesc head;
    COLORREF color;
    int* buffer; // owned: copied for the edit copy, freed with the object
};
void RegisterTestTypes();
std::vector<std::string>& DrawLog();
int Releases();

class PlotkitTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A page 640 x 480 pixels at (0, 0), popup, isotropic unless kind says otherwise.
    PgDesc* MakePage(const char* name, int kind = 0, int width = 640, int height = 480);
    // A graph in the page; `build` runs on its first paint.
    GrDesc* MakeGraph(PgDesc* page, float x, float y, float x2, float y2,
                      std::function<void(GrDesc*, HWND)> build = {}, int border = -1, int borderWidth = 0);
    // Adds a test object with an extent (graph logical units) while the graph builds.
    static int AddObject(GrDesc* graph, int type, RECT extent, COLORREF color = RGB(0, 0, 0));

    TopDesc top{};
    std::vector<int> exits; // codes the library tried to end the process with
    std::vector<std::unique_ptr<HostGraph>> hosts;
};

} // namespace plotkit::test
