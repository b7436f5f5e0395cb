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
int BarGeometry(HDC dc, struct CurveDesc* curve, GrDesc* graph, int* baseline, int* half);
// ---- Data sets ----------------------------------------------------------------------------------

// One data set's record (TopDesc::dataSets). The arrays belong to the caller.
struct DataSetDesc
{
    INT count;
    HGLOBAL xHandle, yHandle; // 0 when defined from pointers
    float* x;
    float* y; // Y value g of point p at p * yPerX + g
    DWORD* badMap; // made on the first mark: point p at bit p % 32 of word p / 32
    BYTE yPerX;
    INT curves; // curves and groups bound to it
    char name[21];
};
// The record of a data-set number in use, else null.
DataSetDesc* DataSetAt(int number);
// Whether point p is good: within the set, and unmarked unless it is a group set.
bool IsGoodPoint(const DataSetDesc* set, int p);
// Message 57 with the set's name when it holds more than `limit` values; false then.
bool CheckDataSetSize(int number, long limit);

// What a plot object (curve or group) keeps of the data set it draws; its record holds one.
struct DataSetLink
{
    SHORT number; // 0: none
    DataSetDesc* set;
    INT count;
};

// Curve object (type 1): one data set drawn as a line, markers or bars.
struct CurveDesc
{
    ObjDesc head;
    float xMin, xMax, yMin, yMax;
    float barWidth;                  // bars: fraction of the plot's extent along the category direction
    SHORT markerWidth, markerHeight; // points
    SHORT markerColor;               // palette index
    SHORT markerType;                // 0 none, 1 X ... 9 dot
    INT markerStyle;                 // markers: 0 full, 1 empty, 2 empty with a dot; bars: 2 bordered
    DataSetLink data;                // the data set drawn
    SHORT dataWidth, dataPrecision;  // data table format
    BYTE barPosition;                // 0/1 before, 2/4 after, else centred on the point
    BYTE fillArea;
    COLORREF barColor;
    BYTE hatch; // 0-5, 255 solid
    BYTE spline;
    BYTE dropLine;
    INT baseline;      // logical position of the value 0 line
    INT recompute;     // the points are computed again before the next drawing
    HGLOBAL points;    // computed logical points (POINT per data point), null until computed
    HGLOBAL splinePoints; // spline points (null: none)
    INT splineCount;
    INT markerLogSize; // logical marker size, 0 = not computed yet
    INT hitPoint;      // point index of the last hit
    INT pointsValid;   // count of computed points in `points`
};

// How the data-set code reaches a plot type's binding; the curve and group modules register theirs.
struct PlotDataOps
{
    DataSetLink* (*link)(ObjDesc* object);
    // Drops the computed points (and spline points); may be null.
    void (*dropComputed)(ObjDesc* object);
    // Draws the object once in the plot background before it lets go of its data; may be null.
    void (*erase)(GrDesc* graph, ObjDesc* object);
};
void RegisterPlotDataOps(int type, const PlotDataOps& ops);
const PlotDataOps* FindPlotDataOps(int type);
// Binds a plot object to a data set (releasing the old one): the point count, or after message 55
// the reporter's result for a free number.
int AttachDataSet(GrDesc* graph, ObjDesc* object, int number);
// Lets go of the object's data set and its computed points.
void ReleaseDataSet(GrDesc* graph, ObjDesc* object);

// ---- Number text --------------------------------------------------------------------------------

// The next number of a text: its value and, in length, the characters up to its end (0 when no
// number is left). A number starts at a digit, a sign or a point before a digit.
double ReadNumber(const char* text, int* length);

// ---- Object properties --------------------------------------------------------------------------

// The properties the accessors reach beyond an object's own line; each object module answers for
// its own records.
enum PlotProperty
{
    kPropLineColor = 1, // value: palette index (-2: number holds nothing, color the RGB); member
    kPropAreaColor,     // color
    kPropBarWidth,      // number: world units
    kPropHatch,         // value; member
    kPropBarJust,       // value
    kPropSpline,        // value: flag
    kPropFill,          // value: flag
    kPropMarkerColor,   // value: palette index
    kPropMarkerType,    // value: type, fill: fill style, size: points
    kPropPlotType,      // value: kind
    kPropDataFormat,    // data table format: value the column width, size the precision
};
struct PropertyValue
{
    INT value;
    COLORREF color;
    float number;
    INT fill;
    INT size;
};
// Reads (change false) or changes one property: 1 done, 0 the type lacks it (the caller reports
// message 29 with the type's name), -1 refused without a message.
typedef int (*PropertyProc)(GrDesc* graph, ObjDesc* object, int property, int member, bool change,
                            PropertyValue& value);
struct PlotPropertyOps
{
    PropertyProc property; // may be null: no properties beyond the line
    // The line of a member; null when the member has none. Null: the object's own line.
    LineDesc* (*memberLine)(ObjDesc* object, int member);
};
void RegisterPropertyOps(int type, const PlotPropertyOps& ops);
const PlotPropertyOps* FindPropertyOps(int type);

// ---- Spline -------------------------------------------------------------------------------------

// The natural cubic spline through a line plot's logical points, one point per device pixel of
// their span inside the plot: a new global block of POINTs (count in splineCount), or null when
// the curve keeps its own points (fewer than 4 or more than 399 in the plot, a span under 10
// pixels; message 53 when memory runs out).
HGLOBAL SplinePoints(GrDesc* graph, HDC dc, const POINT* points, int count, int* splineCount);

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

// Opens the text dialog on a text object (owner: the dialog's owner window); on OK its size, height
// and layout follow the new font. Returns the dialog's result.
int EditTextObject(GrDesc* graph, ObjDesc* text, HWND owner);

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

// Library load: the window class of the graph selector buttons ("CusButton").
void RegisterSelectorClass();

// Object activation: the inverted frame with its four handles round an active object.
void DrawActivationFrame(HDC dc, const RECT& r);

} // namespace plotkit

namespace plotkit
{

// Legend samples: what an entry of a group's member or a pie's slice looks like.
struct MemberSample
{
    int kind = 0; // 0 a line, 1 a bar box, 2 a filled box
    COLORREF color = 0;
    int hatch = 255; // 0-5, 255 solid
    bool threeD = false;
    LineDesc line{};
};
// Members of a group object, and one member's sample (false when there is no such member).
int GroupMemberCount(ObjDesc* group);
bool GroupMemberSample(ObjDesc* group, int member, MemberSample& sample);
// Group arrangement (3 floating bars, 6 high-low-close, ...), -1 for another type.
int GroupArrangement(ObjDesc* group);
// Slices of a pie chart and one slice's sample.
int PieSliceCount(ObjDesc* pie);
bool PieSliceSample(ObjDesc* pie, int slice, MemberSample& sample);
// The text buffers WGGetString and WGChangeString reach: a legend's item (0 the title) or a pie's
// slice label, with the characters they hold before their terminating zero; null outside.
char* LegendItemText(ObjDesc* legend, int item, int* capacity);
char* PieLabelText(ObjDesc* pie, int slice, int* capacity);
// A curve's marker drawn once at (x, y), its size held to at most `limit` logical units.
void DrawCurveMarker(GrDesc* graph, HDC dc, struct CurveDesc* curve, int x, int y, int limit);

// Object dialogs reached through DefEditObject: the graph and the object they edit.
struct ObjectEditRequest
{
    GrDesc* graph;
    ObjDesc* object;
};
int EditLegendObject(GrDesc* graph, ObjDesc* legend, HWND owner);
int EditPieObject(GrDesc* graph, ObjDesc* pie, HWND owner);
// A real number typed into a dialog field (its first 8 characters); false when it is none.
bool ReadDialogReal(HWND dialog, int id, float* value);

// Data table window: whether a table is open (one at a time), and closing it when its object goes.
bool DataTableOpen();
// The number format of a curve or group's table (width in characters, significant digits); false
// for another type.
bool GetDataFormat(ObjDesc* object, int* width, int* precision);
bool SetDataFormat(ObjDesc* object, int width, int precision);
// Library load: the window class of the data table ("DataTab").
void RegisterDataTableClass();

// The object editor's dialogs for a type other than text: the dialog's result (2 when the type has
// none). The owner is the dialogs' owner window.
int EditObjectDialog(GrDesc* graph, int number, HWND owner);

} // namespace plotkit
