// plotkit: the charting library's public interface. Pages of graphs, each graph a table of drawable
// objects painted by the object interpreter; everything is addressed by small handles (page numbers
// 1-59, graph handles 60 + 16 x page + slot, object numbers from 1, 32001 = the graph's edit copy).
//
// The host owns the one top control block (TopDesc, zero-initialised static storage) and the page
// and graph window procedures; the real-time library shares the same TopDesc and adds object types
// from 100 on through the object type interface (PlotObjectType).
//
// Every public function is exported by name and by ordinal (plotkit/exports.tbl). All calls come
// from the host's user-interface thread.
#pragma once

#include <windows.h>

#define PKAPI extern "C" __attribute__((visibility("default")))

// ---- Shared records -----------------------------------------------------------------------------

// Pen of graphs and objects.
struct LineDesc
{
    INT style;          // 0-6 as the Windows pen styles (6 = inside frame)
    INT widthX, widthY; // logical pen width (0: a one-pixel pen)
    COLORREF color;
    SHORT pixelWidth;   // width in device pixels as set
    SHORT paletteIndex; // -2 when the colour was given as RGB
    HWND window;        // the graph window
};

// Font block of text-bearing objects and the default text font.
struct FontDesc
{
    LOGFONT logFont;
    SHORT colorIndex;
    SHORT faceIndex;
    SHORT sizeIndex;
    SHORT baseSize;    // points
    SHORT currentSize; // points
    SHORT changed;
    char* text; // the text dialog's buffer
    INT textCapacity;
};

struct GrDesc;
struct ObjDesc;

// Re-scale hook of the real-time library (SetRemoteRecalc): graph, dc, object, text scale factor.
typedef void (*RemoteRecalcProc)(GrDesc* graph, HDC dc, ObjDesc* object, float textFactor);
// Axis-change hook (TopDesc): graph, object, index of the changed axis (number - 1).
typedef void (*AxisChangeProc)(GrDesc* graph, ObjDesc* object, int axisIndex);
// An object's draw procedure.
typedef void (*ObjDrawProc)(GrDesc* graph, HDC dc);

enum
{
    PK_MAX_PAGES = 60, // page table entries 1-60; pages are created as 1-59
    PK_MAX_DATASETS = 1799,
    PK_GRAPHS_PER_PAGE = 16,
    PK_EDIT_COPY = 32001, // number of a graph's edit copy
    PK_REAL_TYPE = 4,     // byte size of the host's floating-point type
};

// Window words (pointer-sized slots). "PgWin": the PgDesc and the TopDesc. "GrWin": the GrDesc, the
// TopDesc, the PgDesc and the data-table window opened for one of its curves.
enum
{
    PK_PAGE_WORD_DESC = 0,
    PK_PAGE_WORD_TOP = 8,
    PK_PAGE_EXTRA = 40,
    PK_GRAPH_WORD_DESC = 0,
    PK_GRAPH_WORD_TOP = 8,
    PK_GRAPH_WORD_PAGE = 16,
    PK_GRAPH_WORD_TABLE = 24,
    PK_GRAPH_EXTRA = 32,
};

// The top control block: owned by the host, shared with the real-time library.
struct TopDesc
{
    INT initialised;
    HGLOBAL pages[PK_MAX_PAGES + 1];     // by page number 1-60 (entry 0 unused)
    void* dataSets[PK_MAX_DATASETS + 1]; // by data-set number 1-1799 (entry 0 unused)
    FontDesc defaultFont;
    HRGN clipRegion;
    INT pageCount;
    HINSTANCE hostInstance;
    INT errorBoxesOn;
    INT abortFlag;
    AxisChangeProc axisChangeHook;
    HCURSOR graphCursor;
    INT gridOrder;
    INT metafileFlag;
    // Print options.
    INT printBorder;
    INT printGraphBackground;
    INT printPlotBackground;
    INT lineWidthScaling;
    SHORT printStyle; // 0 fitted to the paper, 1 proportionate, 2 exact size
    INT maintainAspect;
    float printLeftOffset; // fractions of the paper
    float printTopOffset;
    BYTE realType;
    void* realTimeBlock; // the real-time library's; plotkit never reads it
};

// Device descriptor: screen and printer metrics, the host's last mouse position.
struct DevDesc
{
    INT screenWidth, screenHeight;
    INT screenDpiX, screenDpiY;
    INT printerWidth, printerHeight;
    INT printerDpiX, printerDpiY;
    SHORT printerScaleX, printerScaleY;
    INT mouseX, mouseY;
    INT defaultPrinterFound;
    HINSTANCE libraryModule;
    SHORT displayColors;
    INT printOriginX, printOriginY;
};

// Page descriptor.
struct PgDesc
{
    SHORT number; // 1-59; 0 once killed
    HWND window;
    LPARAM userValue;
    HWND parent;
    INT clientWidth, clientHeight;
    INT extentX, extentY; // logical extents (13000 on the scaled side)
    COLORREF background;
    SHORT mapMode; // MM_ISOTROPIC or MM_ANISOTROPIC
    SHORT graphCount;
    SHORT majorTick, minorTick; // tick lengths in device pixels
    SHORT savedMapMode;
    INT built;
    INT hasRealTimeObjects;
    SHORT selectedGraph; // graph handle, 0 = none
    SHORT previousGraph;
    INT selectorsShown;
    INT selectorsMade;
    INT highlightOn;
    INT blownUp;
    float savedPos[4];    // normalised x, y, width, height of the blown-up graph
    float scaleX, scaleY; // client size / client size at creation
    INT createdWidth, createdHeight;
    char name[13];
    BYTE keepAspect; // 0 off, 1 armed, 2 a correcting resize is under way
    SHORT keepTextSize;
    TopDesc* top;
    HGLOBAL graphs[PK_GRAPHS_PER_PAGE];
    HWND selectors[PK_GRAPHS_PER_PAGE];
    DWORD check; // PK_PAGE_CHECK
};

// Graph descriptor.
struct GrDesc
{
    SHORT handle;
    HWND window;
    LPARAM userValue;
    ObjDesc* currentObject;
    COLORREF background;
    COLORREF plotBackground;
    INT building;
    INT finished;
    LineDesc border;
    INT borderOn;
    HDC printCopy; // the output DC while this is a temporary print or metafile copy
    HDC metafileDc;
    INT realTimeCount;
    RECT plot; // plot area in graph logical units
    PgDesc* page;
    INT logX, logY, logWidth, logHeight; // in page logical units; the size is the graph's extents
    INT devX, devY, devWidth, devHeight; // page client pixels
    float normX, normY, normWidth, normHeight;
    float createdNormWidth, createdNormHeight;
    float plotNorm[4]; // x from, y from, x to, y to
    LineDesc currentLine;
    SHORT scaleX, scaleY; // axis scale types
    float worldXFrom, worldXTo, worldYFrom, worldYTo;
    float lastXFrom, lastXTo, lastYFrom, lastYTo;
    SHORT mapMode;
    INT unitsPerPixelX, unitsPerPixelY;
    SHORT cursor; // building: objects added so far; drawing: index being drawn
    SHORT selectedObject;
    SHORT defaultXAxis, defaultYAxis;
    HDC buildDc;
    SHORT capacity;
    BYTE outsidePlotRepaint;
    BYTE raise;
    LPARAM context;
    DWORD check; // PK_GRAPH_CHECK
    BYTE layoutChanged;
    HGLOBAL editCopy;
    HGLOBAL objectTable;
    HGLOBAL* objects; // locked table: capacity entries, object n at n - 1
    INT activeObject;
    float xIntercept, yIntercept; // where axes created from now on cross
    BYTE backgroundOn;            // paint the graph background around the plot area (1 at creation)
};

// The common head of every object record.
struct ObjDesc
{
    SHORT type;
    SHORT subKind;
    ObjDrawProc draw;
    RECT extent;        // graph logical units
    SHORT xAxis, yAxis; // object numbers (an axis: its ring link and its crossing axis)
    LineDesc line;
    BYTE activation;
    BYTE moved;
    BYTE active;
    BYTE flash;
    BYTE visible;
};

// Object of a type with world coordinates (lines, arrows, metafiles, ellipses, bitmaps, rectangles,
// data cursors).
struct PosObjDesc
{
    ObjDesc head;
    INT recompute;
    float x1, y1, x2, y2;
};

// Curves, groups and axes begin with their world ranges.
struct RangedObjDesc
{
    ObjDesc head;
    float xMin, xMax, yMin, yMax;
};

// Axis object (type 10).
struct AxisDesc
{
    ObjDesc head;
    float xMin, xMax, yMin, yMax;
    float xIntercept, yIntercept;
    float tickStep;
    float logMin, logMax;
    float firstTick;
    SHORT scale; // 0 linear, 1 logarithmic
    SHORT otherScale;
    SHORT direction; // 1 X axis, 0 Y axis
    SHORT tickCount;
    SHORT minorTicks;
    SHORT tickStyle;
    INT majorGrid, minorGrid;
    LineDesc majorGridLine, minorGridLine;
    INT drawNow;
    BYTE gridSuppressed;
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
    SHORT dataSet;                   // 0 = none
    void* dataRecord;                // the data set's record while bound
    INT pointCount;                  // points of the data set when bound
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

// Object types of plotkit (the real-time library's start at 100).
enum
{
    PK_TYPE_CURVE = 1,
    PK_TYPE_GROUP = 2,
    PK_TYPE_LEGEND = 3,
    PK_TYPE_LINE = 4,
    PK_TYPE_ARROW = 5,
    PK_TYPE_AXIS = 10,
    PK_TYPE_LABELS = 11,
    PK_TYPE_TEXT = 12,
    PK_TYPE_ARC = 13,
    PK_TYPE_PIECHART = 20,
    PK_TYPE_METAFILE = 21,
    PK_TYPE_ELLIPSE = 22,
    PK_TYPE_BITMAP = 23,
    PK_TYPE_POLYGON = 24,
    PK_TYPE_RECT = 25,
    PK_TYPE_PIE = 26,
    PK_TYPE_DATACURSOR = 27,
    PK_TYPE_WINDOW_CONTROL = 111,
};

// ---- Object type interface ----------------------------------------------------------------------
// What plotkit needs to know of an object type that it does not define itself. A library registers
// each of its types once (PlotRegisterObjectType); plotkit then allocates, draws, re-scales, picks,
// copies and frees those objects without knowing their records, which begin with an ObjDesc.
struct PlotObjectType
{
    SHORT type;       // 100 and above
    UINT size;        // bytes of the record, head included
    ObjDrawProc draw; // default draw procedure of new objects (may be null: drawn by updates)
    // After a page or graph size change; textFactor scales text heights. May be null.
    void (*rescale)(GrDesc* graph, HDC dc, ObjDesc* object, float textFactor);
    // After an axis range change (index = axis number - 1). May be null.
    void (*axisChanged)(GrDesc* graph, ObjDesc* object, int axisIndex);
    // Picking: pass 1 lines and symbols, 2 frames, 3 areas; 0 never picked by ObjFind. hitTest
    // null: the extent rectangle decides. p is in graph logical units.
    INT hitPass;
    BOOL (*hitTest)(GrDesc* graph, ObjDesc* object, POINT p);
    // After a byte copy of the record (the edit copy): give the copy its own buffers. May be null.
    BOOL (*copy)(GrDesc* graph, const ObjDesc* source, ObjDesc* copy);
    // Before the record is freed: release what the record owns. May be null.
    void (*release)(GrDesc* graph, ObjDesc* object);
    // Drop what was computed from the data (recomputed at the next draw). May be null.
    void (*recompute)(GrDesc* graph, ObjDesc* object);
    // The interpreter met the object hidden (a window-bearing object hides its window). May be null.
    void (*hidden)(GrDesc* graph, ObjDesc* object);
};

// Registers (or replaces) an object type of another library; FALSE for a type below 100 or a null
// description. The description must outlive the library's use.
PKAPI BOOL WINAPI PlotRegisterObjectType(const PlotObjectType* type);
// Adds an object of a registered type to a graph being built: a zeroed record with the graph's
// current line, visible, at the next table entry; null (after the error report) when the graph is
// finished, the type is unknown or memory runs out, and silently while the abort flag is set.
PKAPI ObjDesc* WINAPI NewObjDesc(GrDesc* graph, int type, int subKind);
// Counts the object made by the last NewObjDesc; returns its number (0 when there is none).
PKAPI WORD WINAPI CommitObjDesc(GrDesc* graph);

// ---- Start-up (library start, top control block) ------------------------------------------------

// Starts the library for the host: checks the host's real type, registers "PgWin" and "GrWin" with
// the host's window procedures. Returns the graph class atom, 0 on failure.
PKAPI ATOM WINAPI InitTop(TopDesc* top, WNDPROC pageProc, WNDPROC graphProc, UINT graphClassStyle);
// Makes `top` the current block (the real-time library's start); returns it.
PKAPI TopDesc* WINAPI InitDll(TopDesc* top);
// Ends the library: frees the data sets, the cursor and the clip region. Once per InitTop.
PKAPI void WINAPI Cleanup(TopDesc* top, BOOL freeArrays);
// Destroys every page window and ends the process with exit code 1.
PKAPI void WINAPI ExitApplication();
PKAPI DevDesc* WINAPI GetDevDesc();
PKAPI RemoteRecalcProc WINAPI SetRemoteRecalc(RemoteRecalcProc proc);
PKAPI HWND WINAPI SetFormPage(HWND window);
// Returns the major version (2) and writes the minor one (53).
PKAPI int WINAPI WGGetVersion(int* minor);
PKAPI const char* WINAPI WGGetDate();

// ---- Errors -------------------------------------------------------------------------------------

// The one error reporter: records the code, shows the message of the code's class (mode 0 message
// only, 1 extra text then message, 2 message then extra text). Returns 1 (stop) or 0 (go on).
PKAPI int WINAPI ErrHdlr(int code, int mode, const char* text);
PKAPI int WINAPI WGGetLastError();
PKAPI TopDesc* WINAPI WGEnableErrorMessages(BOOL on);
// Reports message 29 with the object's type name.
PKAPI int WINAPI ReportIllFunc(ObjDesc* object);

// ---- Pages and graphs ---------------------------------------------------------------------------

PKAPI PgDesc* WINAPI InitPage(const char* name, HWND parent, const char* title, const char* menu,
                              int background, int kind, DWORD style, int placement, int x, int y, int width,
                              int height, LPARAM userValue);
PKAPI GrDesc* WINAPI InitGraph(TopDesc* top, PgDesc* page, float x, float y, float x2, float y2,
                               int background, int borderIndex, int borderWidth, LPARAM userValue);
PKAPI PgDesc* WINAPI GetPgDescPtr(int page);
PKAPI GrDesc* WINAPI GetGrDescPtr(int handle);
PKAPI GrDesc* WINAPI GetGrDescNum(PgDesc* page, int slot);
PKAPI PgDesc* WINAPI WGGetPageDesc(HWND window);
PKAPI GrDesc* WINAPI WGGetGraphDesc(HWND window);
PKAPI HWND WINAPI WGGetPageWindow(PgDesc* page);
PKAPI HWND WINAPI WGGetGraphWindow(GrDesc* graph);
// 1 when the address is a live descriptor of the library (top block, page, graph or object).
PKAPI BOOL WINAPI WGIsDescValid(const void* address);
PKAPI BOOL WINAPI WGIsPageDescValid(const PgDesc* page);
PKAPI BOOL WINAPI WGIsGraphDescValid(const GrDesc* graph);
PKAPI int WINAPI KillGraphPage(int page);
PKAPI BOOL WINAPI WGClosePage(PgDesc* page);
PKAPI void WINAPI WGDeleteGraph(GrDesc* graph);
PKAPI HWND WINAPI WGSelectGraph(GrDesc* graph);
PKAPI GrDesc* WINAPI WGGetSelectedGraph(PgDesc* page);
PKAPI void WINAPI HighlightGraph(PgDesc* page, int handle);
PKAPI void WINAPI WGToggleHigh(PgDesc* page, BOOL on);
PKAPI void WINAPI ShowGraphSelectors(PgDesc* page, HDC dc, int mode);
PKAPI void WINAPI WGToggleSelectors(PgDesc* page, BOOL on);
PKAPI void WINAPI WGBlowupGraph(GrDesc* graph, BOOL on);
PKAPI void WINAPI ResizePage(HWND window, int width, int height);
PKAPI void WINAPI WGUpdatePage(PgDesc* page);
PKAPI void WINAPI WGChangeGraphPos(GrDesc* graph, float x, float y, float x2, float y2);
PKAPI void WINAPI WGGetGraphPos(GrDesc* graph, float* x, float* y, float* x2, float* y2);
PKAPI void WINAPI WGChangePlotPos(GrDesc* graph, float xFrom, float yFrom, float xTo, float yTo);
PKAPI void WINAPI WGGetPlotPos(GrDesc* graph, float* xFrom, float* yFrom, float* xTo, float* yTo);
PKAPI void WINAPI WGChangeGraphBackgnd(GrDesc* graph, COLORREF color);
PKAPI COLORREF WINAPI WGGetGraphBackgnd(GrDesc* graph);
PKAPI void WINAPI WGChangePlotBackgnd(GrDesc* graph, COLORREF color);
PKAPI COLORREF WINAPI WGGetPlotBackgnd(GrDesc* graph);
PKAPI void WINAPI WGSetGraphBorder(GrDesc* graph, BOOL on, int index, int width);
PKAPI int WINAPI WGRaiseGraph(GrDesc* graph, int value);
PKAPI void WINAPI WGRedrawGraph(GrDesc* graph, BOOL recompute);
PKAPI void WINAPI SetpGCO(GrDesc* graph, LPARAM value);
PKAPI LPARAM WINAPI GetpGCO(GrDesc* graph);

// ---- Objects ------------------------------------------------------------------------------------

PKAPI ObjDesc* WINAPI GetObjDesc(GrDesc* graph, int number, HGLOBAL* handle);
PKAPI void WINAPI ObjectInterpreter(GrDesc* graph, HDC dc);
PKAPI void WINAPI ConnectAxes(GrDesc* graph);
PKAPI int WINAPI ConnectAxLine(GrDesc* graph, ObjDesc* curve);
PKAPI void WINAPI UpdateAxisStyle(GrDesc* graph, HGLOBAL axisHandle, const AxisDesc* edited);
PKAPI void WINAPI ForceLinesUpdate(GrDesc* graph, int axisIndex);
PKAPI UINT WINAPI WGGetObjSize(GrDesc* graph, int number);
PKAPI UINT WINAPI WGGetObjTypeSize(int type);
PKAPI int WINAPI DefEditObject(GrDesc* graph);
PKAPI void WINAPI HighlightObj(GrDesc* graph);
PKAPI int WINAPI WGDuplicateObject(GrDesc* graph, int number);
PKAPI void WINAPI WGObjUpdate(GrDesc* graph, int a, int b);
PKAPI void WINAPI WGDeleteObject(GrDesc* graph, int number);
PKAPI void WINAPI WGShowObject(GrDesc* graph, int number, BOOL visible);
PKAPI void WINAPI WGRedrawObject(GrDesc* graph, int number, BOOL recompute);
PKAPI int WINAPI WGGetObjectType(GrDesc* graph, int number);
PKAPI int WINAPI WGGetSelObject(GrDesc* graph, int* dataSet, int* member);
PKAPI void WINAPI WGSelObject(GrDesc* graph, int number);
PKAPI void WINAPI WGEnableObjActivation(GrDesc* graph, int number, BOOL on);
PKAPI BOOL WINAPI WGIsObjActivationEnabled(GrDesc* graph, int number);
PKAPI int WINAPI WGGetActiveObject(GrDesc* graph);
PKAPI BOOL WINAPI WGIsActiveObjPosChanged(GrDesc* graph, int number);
PKAPI void WINAPI WGResetActiveObjPosStatus(GrDesc* graph, int number);
// Sets a line's style (0-6), colour (palette index >= 0, else the RGB value) and width in pixels.
PKAPI BOOL WINAPI SetLine(GrDesc* graph, HDC dc, LineDesc* line, int style, int colorIndex, COLORREF color,
                          int width);

// ---- Mapping and hit testing --------------------------------------------------------------------

PKAPI void WINAPI MapGraph(GrDesc* graph, HDC dc);
PKAPI void WINAPI RestoreSize(GrDesc* graph);
PKAPI int WINAPI PointsToLogSize(GrDesc* graph, HDC dc, int points);
PKAPI void WINAPI GetAbsPix(GrDesc* graph, int* x, int* y);
PKAPI void WINAPI WGExactPixel(HDC dc, int* x, int* y);
PKAPI int WINAPI OddPixel(HDC dc, int* length, int* half, int direction);
PKAPI int WINAPI WGGetMousePos(GrDesc* graph, int xAxis, int yAxis, float* x, float* y);
PKAPI void WINAPI WGGetMousePosNorm(GrDesc* graph, float* x, float* y);
PKAPI void WINAPI WGShowMouseCoord(HWND window, int mode, BOOL toggle);
PKAPI int WINAPI WGGetObjectCoord(GrDesc* graph, int number, float* x1, float* y1, float* x2, float* y2);
PKAPI int WINAPI WGGetObjectCoordNorm(GrDesc* graph, int number, float* x1, float* y1, float* x2, float* y2);
PKAPI int WINAPI WGChangeObjectCoord(GrDesc* graph, int number, float x1, float y1, float x2, float y2,
                                     BOOL redraw);
PKAPI int WINAPI WGChangeObjectCoordNorm(GrDesc* graph, int number, float x1, float y1, float x2, float y2);
PKAPI int WINAPI ObjFind(HWND graphWindow);

// ---- Colours, GDI services and utilities --------------------------------------------------------

PKAPI COLORREF WINAPI WGGetRGBColor(int index);
PKAPI int WINAPI WGGetPureColor(COLORREF color);
PKAPI COLORREF WINAPI WGCreateShadeColor(COLORREF color);
PKAPI COLORREF WINAPI CreateLighterColor(COLORREF color);
PKAPI void WINAPI RaisedRect(GrDesc* graph, HDC dc, const RECT* rect, COLORREF color, int mode);
PKAPI void WINAPI LowRect(GrDesc* graph, HDC dc, const RECT* rect, COLORREF color, int mode);
PKAPI void WINAPI Rect3DBorder(GrDesc* graph, HDC dc, const RECT* rect, int lines, int index);
PKAPI HBRUSH WINAPI CreateBarBrush(HDC dc, int hatch, COLORREF color);
PKAPI HBRUSH WINAPI SelectSolidBrush(GrDesc* graph, HDC dc, COLORREF color);
PKAPI HPEN WINAPI SelectPenIndirect(GrDesc* graph, HDC dc, const LOGPEN* pen);
PKAPI void WINAPI CleanGDI(HDC dc);
PKAPI void WINAPI InvalidatePlot(GrDesc* graph, HDC dc);
PKAPI void WINAPI ScaleLog(float* a, float* b);
PKAPI HGLOBAL WINAPI WGCopyMem(HGLOBAL block);
PKAPI HGLOBAL WINAPI HXRealloc(HGLOBAL block, UINT oldSize, UINT newSize, void** pointer);
PKAPI void WINAPI Delay(DWORD ms, BOOL pump);
PKAPI BOOL WINAPI WGMenuCheck(void* descriptor, UINT item, int submenu);
PKAPI void WINAPI WGSetOKCursor(HWND dialog);
PKAPI BOOL WINAPI SplitString(char* text, int length);

// ---- Graphic primitives -------------------------------------------------------------------------
// Creators take the graph being built and its DC and return the new object's number, 0 on failure.
// "Norm" calls place the shape in fractions of the graph (x from the left, y from the top); the
// others in world values of the axis objects xAxis and yAxis. Frame colours are palette indices
// (negative: no frame), fill colours RGB values; widths in pixels, arrow heads in points.

PKAPI int WINAPI WGLineNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2);
PKAPI int WINAPI WGLine(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2);
PKAPI int WINAPI WGArrowNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int headWidth,
                             int headLength, int atStart, int atEnd, int fill);
PKAPI int WINAPI WGArrow(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                         int headWidth, int headLength, int atStart, int atEnd, int fill);
PKAPI int WINAPI WGRectangleNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                                 int frameWidth, int filled, COLORREF fill);
// As WGRectangleNorm with a frame style: 0 plain, 1-2 raised, 3-4 lowered (no pen), 5 3-D border.
PKAPI int WINAPI WGRectangleNormEx(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                                   int frameWidth, int filled, COLORREF fill, int frameStyle);
PKAPI int WINAPI WGRectangle(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                             int frameIndex, int frameWidth, int filled, COLORREF fill);
PKAPI int WINAPI WGEllipseNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                               int frameWidth, int filled, COLORREF fill);
PKAPI int WINAPI WGEllipse(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                           int frameIndex, int frameWidth, int filled, COLORREF fill);
// Arcs and pies: the bounding box (left, top, right, bottom), then the start and end radial points.
PKAPI int WINAPI WGArcNorm(GrDesc* graph, HDC dc, float left, float top, float right, float bottom, float startX,
                           float startY, float endX, float endY);
PKAPI int WINAPI WGArc(GrDesc* graph, HDC dc, int xAxis, int yAxis, float left, float top, float right,
                       float bottom, float startX, float startY, float endX, float endY);
PKAPI int WINAPI WGPieNorm(GrDesc* graph, HDC dc, float left, float top, float right, float bottom, float startX,
                           float startY, float endX, float endY, int frameIndex, int frameWidth, int filled,
                           COLORREF fill);
PKAPI int WINAPI WGPie(GrDesc* graph, HDC dc, int xAxis, int yAxis, float left, float top, float right,
                       float bottom, float startX, float startY, float endX, float endY, int frameIndex,
                       int frameWidth, int filled, COLORREF fill);
// The X and Y arrays (count values each) are copied.
PKAPI int WINAPI WGPolygonNorm(GrDesc* graph, HDC dc, const float* xs, const float* ys, int count, int frameIndex,
                               int frameWidth, int filled, COLORREF fill);
PKAPI int WINAPI WGPolygon(GrDesc* graph, HDC dc, int xAxis, int yAxis, const float* xs, const float* ys,
                           int count, int frameIndex, int frameWidth, int filled, COLORREF fill);
// A bitmap file (".BMP" added to a name without a dot), read on every paint; stretch non-zero fills
// the rectangle, else the bitmap keeps its pixel size.
PKAPI int WINAPI WGBitmapNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int stretch,
                              const char* path);
PKAPI int WINAPI WGBitmap(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                          int stretch, const char* path);
// Arrow heads: sizes in points; position 1 start, 2 end, 3 both, other values none. 0 on failure.
PKAPI int WINAPI WGChangeArrow(GrDesc* graph, int number, int length, int width);
PKAPI int WINAPI WGChangeArrowFill(GrDesc* graph, int number, int fill);
PKAPI int WINAPI WGChangeArrowPos(GrDesc* graph, int number, int position);
PKAPI int WINAPI WGGetArrowLength(GrDesc* graph, int number);
PKAPI int WINAPI WGGetArrowWidth(GrDesc* graph, int number);
PKAPI int WINAPI WGGetArrowFill(GrDesc* graph, int number);
PKAPI int WINAPI WGGetArrowPos(GrDesc* graph, int number);

// ---- Clipboard, metafile files and metafile objects ---------------------------------------------

// A metafile held in memory (WGGetMetafile, WGConvertPageToMeta); freed by WGDeleteMetafile.
struct MetafileDesc
{
    HGLOBAL memory; // the record's own block
    HANDLE metafile; // HMETAFILE, or HENHMETAFILE when enhanced
    BYTE placeable[24]; // the file's placeable header (22 bytes, key first); key 0 for other files
    INT enhanced;
};

// Copies a graph (or a page: every graph, or the selected one of a blown-up page) to the clipboard
// as a Windows metafile picture and a bitmap. 1, or 0 (bad descriptor, clipboard busy).
PKAPI BOOL WINAPI WGCopyGraph(GrDesc* graph);
PKAPI BOOL WINAPI WGCopyPage(PgDesc* page);
// Saves a page as kind 0 (Windows metafile), 1 (placeable) or 2 (enhanced) to `path`; a path
// without an extension gets ".WMF" or ".EMF"; null or empty asks with the save dialog. 1 saved,
// 0 cancelled or failed (after a message; no file is left behind).
PKAPI BOOL WINAPI WGSavePageMeta(PgDesc* page, int kind, const char* path);
// The page as an enhanced metafile in memory (a Windows metafile where enhanced ones are not made);
// null on failure.
PKAPI MetafileDesc* WINAPI WGConvertPageToMeta(PgDesc* page);
// Reads a plain, placeable or enhanced metafile file; null after a message.
PKAPI MetafileDesc* WINAPI WGGetMetafile(const char* path);
PKAPI void WINAPI WGDeleteMetafile(MetafileDesc* metafile);
// Plays a metafile into a window's client area (device units; an empty rectangle: all of it).
PKAPI BOOL WINAPI WGPlayMetafile(HWND window, MetafileDesc* metafile, int left, int top, int right, int bottom);
// A METAFILE object showing a metafile file in a rectangle of the graph being built.
PKAPI int WINAPI WGMetafileNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, const char* path);
PKAPI int WINAPI WGMetafile(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                            const char* path);

// ---- Printing -----------------------------------------------------------------------------------

// Determines the default printer once (nothing when none is found).
PKAPI void WINAPI SetupDefPrinter();
// The printer set-up dialog; 1 when a printer was chosen, 0 on cancel (nothing changes).
PKAPI int WINAPI WGPrinterSetup(HWND owner);
// A DC (kind non-zero) or an information context (0) of the chosen printer; null without one.
PKAPI HDC WINAPI CreatePrinterDC(int kind);
// Prints one graph, or every graph of a page, as one job with a stop dialog. 1 printed, 0 failed
// or cancelled.
PKAPI BOOL WINAPI WGPrintGraph(GrDesc* graph);
PKAPI BOOL WINAPI WGPrintPage(PgDesc* page);
// Draws a page into a caller's DC, into the given fractions of its printable area (right 0: the
// width follows the page's proportions). 1, or 0 for a bad page.
PKAPI BOOL WINAPI WGPrintPageDC(PgDesc* page, HDC dc, float left, float top, float right, float bottom);
// Print options: backgrounds, border, aspect ratio, style (0 fitted, 1 proportionate, 2 exact size)
// and the exact-size offsets (fractions of the paper).
PKAPI void WINAPI WGSetPrintOptions(BOOL graphBackground, BOOL plotBackground, BOOL border, BOOL maintainAspect,
                                    int style, float left, float top);
// The print options dialog; 1 when closed with OK.
PKAPI int WINAPI WGPrintOptionsDlg();
PKAPI BOOL CALLBACK PrintAbortProc(HDC dc, int code);
PKAPI INT_PTR CALLBACK PrintStopDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK PrintParamDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// A temporary copy of a graph whose real-time objects (types 103-110) are copied, the others
// shared, with the list of data-set pairs it made; HXDestroyTempGraph frees both.
PKAPI HGLOBAL WINAPI HXCopyGraph(GrDesc* graph, HGLOBAL* pairList);
PKAPI void WINAPI HXDestroyTempGraph(HGLOBAL tempGraph, HGLOBAL pairList);

// ---- Plot area, scaling and curve plots ---------------------------------------------------------

// While the graph is built: the plot area in fractions of the graph (x from the left, y from the
// top) and its background (palette index). While painting: paints the graph and plot backgrounds.
// Returns 1.
PKAPI int WINAPI WGSetPlotArea(GrDesc* graph, HDC dc, float left, float top, float right, float bottom,
                               int background);
// Scale types (0 linear, 1 logarithmic) of the axes created from now on.
PKAPI void WINAPI WGSetAxesScale(GrDesc* graph, SHORT xScale, SHORT yScale);
// World scaling of the plot area; equal limits are refused (message 68). Returns 1, 0 on failure.
PKAPI int WINAPI WGScalePlotArea(GrDesc* graph, float xMin, float yMin, float xMax, float yMax);
// Where axes created from now on cross (world values).
PKAPI void WINAPI WGSetXYIntercepts(GrDesc* graph, float x, float y);
// The graph's current line (copied into each new object): style 0-6, width in pixels, colour
// (palette index 0-19, else an RGB value).
PKAPI void WINAPI WGSetLineStyle(GrDesc* graph, HDC dc, int style, int width, COLORREF color);
// Column width and precision of a curve in the data table.
PKAPI void WINAPI WGSetDataFormat(GrDesc* graph, int number, int width, int precision);
// Curve creators (while the graph is built); each returns the object number, 0 on failure.
PKAPI int WINAPI WGLinePlot(GrDesc* graph, HDC dc, int dataSet, BOOL fill, BOOL spline);
PKAPI int WINAPI WGScatterPlot(GrDesc* graph, HDC dc, int dataSet, int markerType, int color, int markerSize,
                               int markerStyle, BOOL dropLines);
PKAPI int WINAPI WGLineMarkerPlot(GrDesc* graph, HDC dc, int dataSet, int markerType, int markerColor,
                                  int markerSize, int markerStyle);
// Bars: width in world units, position 0-4, sub-kind 6-9, colour RGB, hatch 0-5 (else solid),
// border palette index (< 0: none).
PKAPI int WINAPI WGBargraph(GrDesc* graph, HDC dc, int dataSet, float barWidth, int position, int subKind,
                            COLORREF color, int hatch, int border);

// ---- Axes and grids -----------------------------------------------------------------------------

// Rounds min..max to nice values for an axis `length` device pixels long (mode 1, or 2 with a
// margin) and writes the tick step.
PKAPI void WINAPI RoundAxis(int mode, int length, float* min, float* max, float* step, int xAxis);
// One call: plot area (if none), scaling, intercepts, both axes and their labels for a data set.
PKAPI int WINAPI WGAutoAxes(GrDesc* graph, HDC dc, int dataSet, int roundMode, int interceptMode,
                            SHORT* xAxis, SHORT* yAxis, SHORT* xLabels, SHORT* yLabels);
// Axes (while the graph is built): tick step in world units (0: a fifth of the range), minor ticks per
// interval, tick style (X: 0 below, 4 above, 3 across; Y: 1 left, 2 right, 3 across). Return the
// object number, 0 on failure.
PKAPI int WINAPI WGDrawXAxis(GrDesc* graph, HDC dc, float step, int minorTicks, int tickStyle);
PKAPI int WINAPI WGDrawYAxis(GrDesc* graph, HDC dc, float step, int minorTicks, int tickStyle);
// Switches an axis's grid on with the graph's current line (which: 0 major, 1 minor, 2 both).
PKAPI void WINAPI WGDrawGrid(GrDesc* graph, int number, int which);
PKAPI int WINAPI WGChangeAxisRange(GrDesc* graph, int number, float min, float max, BOOL redraw);
PKAPI int WINAPI WGChangeAxisIntercept(GrDesc* graph, int number, float value, BOOL redraw);
PKAPI int WINAPI WGChangeAxisScale(GrDesc* graph, int number, int scale, BOOL redraw);
PKAPI void WINAPI WGSetTickSize(PgDesc* page, SHORT major, SHORT minor);
PKAPI int WINAPI WGChangeAxisTicks(GrDesc* graph, int number, float step, int minorTicks, int tickStyle);
PKAPI void WINAPI WGChangeGrid(GrDesc* graph, int number, int which, int style, int width, COLORREF color);
PKAPI int WINAPI WGGetAxisTicks(GrDesc* graph, int number, float* step, int* minorTicks, int* tickStyle);
PKAPI int WINAPI WGGetAxisRange(GrDesc* graph, int number, float* min, float* max, float* intercept);
PKAPI int WINAPI WGGetAxisScale(GrDesc* graph, int number);
PKAPI int WINAPI WGGetAxisDir(GrDesc* graph, int number);
PKAPI void WINAPI WGToggleGrid(GrDesc* graph, int number, int which, BOOL on);
PKAPI void WINAPI WGGetGrid(GrDesc* graph, int number, int* majorOn, int* minorOn, LineDesc** major,
                            LineDesc** minor);
PKAPI void WINAPI WGToggleGridsOrder(int order);
PKAPI int WINAPI WGRoundAxis(GrDesc* graph, int number, float* min, float* max, float* step, BOOL apply);

// ---- Object activation: moving and resizing with the mouse --------------------------------------
// One object of a graph window becomes active: the user moves it by dragging its body or resizes it
// by its edge handles; the button-up places it (WGChangeObjectCoordNorm) and marks it moved. One
// object is active per process.

// Activates object `number` of the graph window; startMoving non-zero when the user is already
// dragging it. 1 when an object is active (also one that already was), 0 on error (message 30 for
// a window without a graph).
PKAPI int WINAPI WGStartActivateObject(HWND graphWindow, int number, BOOL startMoving);
// Ends the activation of object `number`: 1, or 0 when it was not active.
PKAPI int WINAPI WGStopActivateObject(HWND graphWindow, int number);
// Whether (x, y) lies in the rectangle (any corner order, edges included); with a graph, a rectangle
// of no width or height is one pixel wider on each side.
PKAPI BOOL WINAPI IsInsideRect(const RECT* rect, int x, int y, GrDesc* graph);
// An inverted frame (black pen, no brush, R2_NOT) round the rectangle.
PKAPI void WINAPI DrawRectFrame(HDC dc, const RECT* rect);

// ---- Selector button control --------------------------------------------------------------------
// Window procedure of "CusButton", the graph selector button a page shows for each graph (child
// identifier 900 + slot). It paints a face bitmap, a frame and the first two characters of its
// text (magenta while pressed); a click inside the frame presses it and sends WM_COMMAND BN_CLICKED
// (and BN_DOUBLECLICKED for a double click) to the parent; WM_USER + 3 presses (wParam 1) or
// releases (0) it without a notification; BM_GETCHECK says whether it is pressed.
PKAPI LRESULT WINAPI CusButtonWinFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Rubber-band zoom ---------------------------------------------------------------------------
// Started by the host on a button press in a graph window (message WM_LBUTTONDOWN, WM_RBUTTONDOWN or
// WM_MBUTTONDOWN) from DevDesc's last mouse position, on axis objects xAxis and yAxis (0: the
// graph's default axes). Until the same button comes up the window is subclassed and a band drawn.
// With apply the axes are zoomed to the band (rounded ranges, crossings kept in range) and the
// release is consumed; without, the host gets the release and asks WGGetZoom. 1 when a zoom runs
// (also one that already ran), 0 on error (message 30).
PKAPI int WINAPI WGStartZoom(HWND graphWindow, int xAxis, int yAxis, UINT message, BOOL apply);
// The temporary window procedure of a zooming graph window.
PKAPI LRESULT WINAPI fnGraphTempProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The world corners of the last zoom that was not applied (x in its X axis's direction, y in its Y
// axis's): 1 when both spans are non-zero, else 0 (also while a zoom runs or when there was none).
// The zoom is forgotten afterwards.
PKAPI int WINAPI WGGetZoom(float* x1, float* y1, float* x2, float* y2);

// ---- Pie charts ---------------------------------------------------------------------------------
// A pie chart (object type 20) of `count` values (32-bit floats in the caller's global block
// `values`) in the plot area: sub-kind 0 flat, 11 a 3-D disc; value text 0 none, 1 percentage,
// 2 value, 3 both; text position 0 inside, 1 outside; diameter a fraction of the plot area's
// smaller side, centre normalised in the plot area. Per slice: fill colours (RGB), border colours
// (palette indices, negative: the fill's nearest palette colour; the array may be null), hatches
// (0-5, others solid; may be null), explosions (fractions of the radius, capped at 1; may be
// null). Returns the object number, 0 on failure. Values that add up to 0 or less leave the pie
// empty (message 30).
PKAPI int WINAPI WGPieChart(GrDesc* graph, HDC dc, HGLOBAL values, int count, int subKind, int valueText,
                            int textPos, float diameter, float centreX, float centreY, const COLORREF* fills,
                            const int* borders, const int* hatches, const float* explosions);
// As WGPieChart with either the value block's handle or a pointer into it.
PKAPI int WINAPI InitPieChart(GrDesc* graph, HDC dc, const void* valuesOrHandle, int count, int subKind,
                              int valueText, int textPos, float diameter, float centreX, float centreY,
                              const COLORREF* fills, const int* borders, const int* hatches,
                              const float* explosions);
// Copies the slices' labels (42 bytes apart in the block, at most 41 characters each); returns the
// slice count, 0 on failure.
PKAPI int WINAPI WGLabelPie(GrDesc* graph, int number, HGLOBAL labels);
// A slice's explosion; a new value above 0 explodes the slice (capped at 1), others take it back.
PKAPI int WINAPI WGGetPieExpl(GrDesc* graph, int number, int slice, float* explosion);
PKAPI int WINAPI WGChangePieExpl(GrDesc* graph, int number, float explosion, int slice);
PKAPI int WINAPI WGGetPieTextPos(GrDesc* graph, int number);
PKAPI int WINAPI WGChangePieTextPos(GrDesc* graph, int number, int position);
// A slice's value; 0 for a slice at or beyond the count.
PKAPI int WINAPI WGGetPieValue(GrDesc* graph, int number, float* value, int slice);
PKAPI int WINAPI WGChangePieValue(GrDesc* graph, int number, float value, int slice);
