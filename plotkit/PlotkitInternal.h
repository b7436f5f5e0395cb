// State and helpers shared by plotkit's modules (not exported).
#pragma once

#include "plotkit.h"

#include <functional>

namespace plotkit
{

constexpr DWORD kPageCheck = 0x2468ACE1;
constexpr DWORD kGraphCheck = 0x13579BDF;
constexpr int kTableGrowth = 20;

// Library-wide state (one per process).
struct Library
{
    TopDesc* top = nullptr; // the current top control block
    DevDesc dev{};
    HINSTANCE module = nullptr; // the library's own resources
    int attachCount = 0;
    int windowsClass = 0; // 1 Win32s, 2 NT, 3 Windows 95 or later
    RemoteRecalcProc remoteRecalc = nullptr;
    HWND formPage = nullptr;
    int lastError = 0;
    bool boxOpen = false;
    // Ends the process for a critical error; tests replace it.
    std::function<void(int)> exitProcess;
};
Library& Lib();

// Library load: fills the screen part of DevDesc from the screen's size and dots per inch.
void AttachLibrary();
void DetachLibrary();
// The screen metrics rule of DevDesc: screens 600 pixels high or more count width x 96 / 640 and
// height x 96 / 480 dots per inch.
void SetScreenMetrics(DevDesc& dev, int width, int height, int dpiX, int dpiY);

// The library's own module (its resources).
HINSTANCE Module();
// Text of one of the library's strings ("" when missing).
std::string LoadText(UINT id);

// Handle tables: the live pages and graphs of the current top block.
bool IsLivePage(const PgDesc* page);
bool IsLiveGraph(const GrDesc* graph);
// A temporary copy of a graph made for printing (HXCopyGraph); it counts as live while it exists.
bool IsTempGraph(const GrDesc* graph);
// A graph descriptor that may be used: live, else false (after message 65 unless it is null).
bool CheckGraph(const GrDesc* graph);

// Objects.
ObjDesc* ObjectAt(const GrDesc* graph, int number); // null for 0, beyond the table or empty
// The object an accessor works on: null after message 65 for a bad graph or 56 for no such object.
ObjDesc* FindObject(GrDesc* graph, int number);
int ObjectCount(const GrDesc* graph); // table entries in use or not (capacity)
void FreeObjectTable(GrDesc* graph);
void RescaleObjects(GrDesc* graph, HDC dc);
// An object's area: curves and groups the plot, others their extent grown by 4 pixels.
void InvalidateObject(GrDesc* graph, ObjDesc* object);

// Registered object types (plotkit's own and other libraries').
const PlotObjectType* FindObjectType(int type);
void RegisterOwnObjectType(const PlotObjectType& type);

// Mapping.
void ApplyPageMapping(HDC dc, int mapMode, int clientWidth, int clientHeight, int extentX, int extentY);
// World to logical through the axes (0: skip that direction); results clamped to -32000..32000.
void WorldToLog(GrDesc* graph, int xAxis, int yAxis, double x, double y, int* lx, int* ly);
void LogToWorld(GrDesc* graph, int xAxis, int yAxis, int lx, int ly, float* x, float* y);
// A screen DC of the graph window mapped like the graph; release with ReleaseDC(graph->window, dc).
HDC GetMappedDC(GrDesc* graph);
// Logical size of `pixels` device pixels in x and y.
int LogicalX(HDC dc, int pixels);
int LogicalY(HDC dc, int pixels);

// Rectangles.
RECT Ordered(RECT r);

// Graph helpers.
void DrawGraphBorder(GrDesc* graph, HDC dc);
// Finishing: ends the graph's building state and links its axes.
void FinishGraph(GrDesc* graph, HDC dc);

// Plot area: clip drawing to the plot (one pixel more to the right and bottom), and back to the
// whole graph.
void ClipToPlot(GrDesc* graph, HDC dc);
void ClipToGraph(GrDesc* graph, HDC dc);
// True while the graph records into a metafile (objects made while drawing are deleted after use).
bool RecordsMetafile(const GrDesc* graph);

// Axes around data: a plot that draws its data holds the axes back (they compute their geometry
// only) and draws them over its data afterwards, so grids lie on top of curves.
void HoldAxes(GrDesc* graph);
void DrawAxesOver(GrDesc* graph, HDC dc);

// Curves: the build-time pass of a new curve (the one NewObjDesc just made): binds its data set and
// axes, computes its points and returns its number (0 on failure, the record then freed).
int BuildCurve(GrDesc* graph, HDC dc, int dataSet);
// Bar width in logical units, with the bars' baseline and half width (dc may be null).
int BarGeometry(HDC dc, CurveDesc* curve, GrDesc* graph, int* baseline, int* half);

// Library load: the window class of the graph selector buttons ("CusButton").
void RegisterSelectorClass();

// Object activation: the inverted frame with its four handles round an active object.
void DrawActivationFrame(HDC dc, const RECT& r);

} // namespace plotkit
