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

} // namespace plotkit

namespace plotkit
{

// Text and fonts.
// The list of installed faces from which fonts are chosen: built at InitTop, freed at unload.
void BuildFaceList();
void FreeFaceList();
// Index of a face in the list (case-insensitive), -1 when it is not installed.
int FindFaceByName(const char* name);
int FaceCount();
const char* FaceName(int index); // "" outside the list
// Gives a block the face of the list at `index`: name, character set, family, index.
void TakeFace(FontDesc& font, int index);
// Gives a font block the face its family asks for (name, character set, index).
void PickDefaultFace(FontDesc& font);
bool HasFontBlock(int type);
FontDesc* FontBlock(ObjDesc* object); // null for a type without one
// The factor that text sizes follow: the smaller of the graph's size factors against its creation.
float TextScale(const GrDesc* graph);

// A font block's font selected into a DC for one drawing, with transparent text in a colour; the
// DC's previous font comes back (and ours is deleted) when it goes.
class TextFont
{
public:
    TextFont(HDC dc, const LOGFONT& font, COLORREF color);
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

} // namespace plotkit

#include <string>
#include <vector>

namespace plotkit
{

// Axis labels: one label's text and place (logical units; x, y as TextOut takes them). A number in
// the power-of-ten format keeps its raised exponent apart.
struct LabelItem
{
    int x = 0, y = 0;
    std::string main;
    std::string exponent;
};
// The labels of a labels object as they stand now, in the DC's selected font; also sets the
// object's extent across the axis and its automatic precision.
std::vector<LabelItem> PlaceLabels(GrDesc* graph, HDC dc, LabelsDesc* labels);

} // namespace plotkit
