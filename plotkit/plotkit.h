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
    BYTE timeUnit; // time axes of the real-time library: 0 seconds, 1 minutes, 2 hours
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
    // Bytes from the record's start to its font block, for the types that carry one (the text
    // accessors reach it there); 0: the block follows the plotkit head directly.
    UINT fontOffset;
    // The line of member `member` (a trace of a multi-trace object) for the line accessors; null
    // for no such member. May be null: the accessors use the object's own line.
    LineDesc* (*memberLine)(ObjDesc* object, int member);
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
PKAPI int WINAPI WGRectangleNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2,
                                 int frameIndex, int frameWidth, int filled, COLORREF fill);
// As WGRectangleNorm with a frame style: 0 plain, 1-2 raised, 3-4 lowered (no pen), 5 3-D border.
PKAPI int WINAPI WGRectangleNormEx(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2,
                                   int frameIndex, int frameWidth, int filled, COLORREF fill, int frameStyle);
PKAPI int WINAPI WGRectangle(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2,
                             float y2, int frameIndex, int frameWidth, int filled, COLORREF fill);
PKAPI int WINAPI WGEllipseNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                               int frameWidth, int filled, COLORREF fill);
PKAPI int WINAPI WGEllipse(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2,
                           float y2, int frameIndex, int frameWidth, int filled, COLORREF fill);
// Arcs and pies: the bounding box (left, top, right, bottom), then the start and end radial points.
PKAPI int WINAPI WGArcNorm(GrDesc* graph, HDC dc, float left, float top, float right, float bottom,
                           float startX, float startY, float endX, float endY);
PKAPI int WINAPI WGArc(GrDesc* graph, HDC dc, int xAxis, int yAxis, float left, float top, float right,
                       float bottom, float startX, float startY, float endX, float endY);
PKAPI int WINAPI WGPieNorm(GrDesc* graph, HDC dc, float left, float top, float right, float bottom,
                           float startX, float startY, float endX, float endY, int frameIndex, int frameWidth,
                           int filled, COLORREF fill);
PKAPI int WINAPI WGPie(GrDesc* graph, HDC dc, int xAxis, int yAxis, float left, float top, float right,
                       float bottom, float startX, float startY, float endX, float endY, int frameIndex,
                       int frameWidth, int filled, COLORREF fill);
// The X and Y arrays (count values each) are copied.
PKAPI int WINAPI WGPolygonNorm(GrDesc* graph, HDC dc, const float* xs, const float* ys, int count,
                               int frameIndex, int frameWidth, int filled, COLORREF fill);
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
    HGLOBAL memory;     // the record's own block
    HANDLE metafile;    // HMETAFILE, or HENHMETAFILE when enhanced
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
PKAPI BOOL WINAPI WGPlayMetafile(HWND window, MetafileDesc* metafile, int left, int top, int right,
                                 int bottom);
// A METAFILE object showing a metafile file in a rectangle of the graph being built.
PKAPI int WINAPI WGMetafileNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2,
                                const char* path);
PKAPI int WINAPI WGMetafile(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2,
                            float y2, const char* path);

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
PKAPI void WINAPI WGSetPrintOptions(BOOL graphBackground, BOOL plotBackground, BOOL border,
                                    BOOL maintainAspect, int style, float left, float top);
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
// ---- Data sets ----------------------------------------------------------------------------------
// A data set is a numbered pair of float arrays owned by the caller: X values and, per X, one or
// more Y values (Y value g of point p at p * yPerX + g). Numbers run 1-1799; 0 is none.

// Defines a data set from global blocks or pointers (a missing pointer is taken by locking its
// block). The same arrays, count and name return the number already given. Blocks that hold fewer
// values than the count report message 58; the count then shrinks to what they hold. No name gives
// "Data Set # n"; longer names keep 20 characters. Returns the number, 0 on failure.
PKAPI int WINAPI DefineAnyDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count, int yPerX,
                                  float* x, float* y);
PKAPI int WINAPI WGDefineDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count);
PKAPI int WINAPI WGDefineDataSetPtr(const char* name, float* x, float* y, int count);
PKAPI int WINAPI WGDefineGroupDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count, int yPerX);
PKAPI int WINAPI WGDefineGroupDataSetPtr(const char* name, float* x, float* y, int count, int yPerX);
// Frees the number; with freeArrays also the blocks no other data set uses.
PKAPI void WINAPI WGFreeDataSet(int number, BOOL freeArrays);
PKAPI void WINAPI FreeAllDataSets(BOOL freeArrays);
// The arrays, count and Y values per X (each output may be null); FALSE for a free number.
PKAPI BOOL WINAPI WGGetDataSetArrays(int number, HGLOBAL* xHandle, HGLOBAL* yHandle, int* count, int* yPerX);
PKAPI BOOL WINAPI WGGetDataSetArraysPtr(int number, float** x, float** y, int* count, int* yPerX);
// Sorts the points by X (moving their Y values) or by Y (plain data sets only).
PKAPI BOOL WINAPI WGSortDataX(int number, BOOL ascending);
PKAPI BOOL WINAPI WGSortDataY(int number, BOOL ascending);
// Smallest and largest value over the good points (1e21 / -1e21, for Y 1e31 / -1e31, when none).
PKAPI BOOL WINAPI WGGetMinMaxX(int number, float* minimum, float* maximum);
PKAPI BOOL WINAPI WGGetMinMaxY(int number, float* minimum, float* maximum);
// Marks point 0..count-1 bad or good; group data sets keep every point good.
PKAPI BOOL WINAPI WGMarkDataPoint(int number, int point, BOOL bad);
PKAPI BOOL WINAPI WGIsDataPointGood(int number, int point);
// A new data set of blocks of `factor` good points from start up to, not including, end (start =
// end: the whole set): method 0 the first point, 1 the means, 2 the maxima, 3 the minima of the Y
// values. Returns the new number (factor 0: the same number), 0 on failure.
PKAPI int WINAPI WGCompressData(int number, int method, int factor, int start, int end, const char* name);
// A data set from the clipboard's text: one row a line, X first, then its Y values.
PKAPI int WINAPI WGPasteDataSet(const char* name);
// Binds a curve or group to another data set; returns its point count.
PKAPI int WINAPI WGReconnectDataSet(GrDesc* graph, int number, int dataSet);
PKAPI int WINAPI WGGetDataSet(GrDesc* graph, int number);
// The good point of the graph's curves nearest (x, y): mode 0 in X, 1 in Y, 2 in the plane.
PKAPI BOOL WINAPI WGGetNearestPoint(GrDesc* graph, float x, float y, int mode, float* outX, float* outY,
                                    int* dataSet, int* index);
// Adds a data cursor (kind 0 vertical line, 1 horizontal line, 2 cross, 3 box) on two axes (0: the
// graph's default ones), hidden, while the graph builds. Returns its object number.
PKAPI int WINAPI WGSetDataCursor(GrDesc* graph, HDC dc, int kind, int xAxis, int yAxis, int size, int colorIndex,
                                 int penStyle, int penWidth);
// Moves the data cursor to (x, y) and shows it, or hides it.
PKAPI void WINAPI WGMoveDataCursor(GrDesc* graph, int number, float x, float y, BOOL show);
// Drops a curve's or group's computed points.
PKAPI void WINAPI DestroyCalcData(ObjDesc* object);

// ---- ASCII data-set files and number text -------------------------------------------------------

// Writes a data set as text, one point a line (X, then its Y values), each number right-aligned in
// a field; format "%W.Pl<e|f|g>" (every part optional: width 10, precision 6, fixed). Lines end
// with line feed, carriage return. Returns 1, 0 for a null path or when the file cannot be opened
// (message 7) or fully written (message 24).
PKAPI BOOL WINAPI WGSaveASCIIDataSet(int number, const char* path, const char* format);
// Reads such a file (any line ends; columns from the first line with numbers) into a new data set
// with its own blocks. Returns its number, 0 on failure (messages 7, 53, 58).
PKAPI int WINAPI WGLoadASCIIDataSet(const char* path, const char* name);
// The library's number text in one static buffer: style 0/2 fixed with `digits` decimals, 1 and 3
// scientific ("1.23x104", "1.23e+4"), 4 general with `digits` significant digits.
PKAPI char* WINAPI ftoa(float value, int digits, int style);
// The first digit, sign or point before a digit; null when none.
PKAPI char* WINAPI FirstDig(const char* text);
// The first character that is not a digit, sign, point, 'e' or 'E'.
PKAPI char* WINAPI FirstNotDig(const char* text);
// Decimals needed to show a tick step (0-5).
PKAPI int WINAPI GetPrec(float step);

// ---- Object property accessors ------------------------------------------------------------------
// Each looks the object up (message 56 when there is none) and checks that its type has the
// property (message 29 with the type's name when not). Changes do not redraw. `member` selects a
// group member's line, colour or hatch.

// The line an accessor works on: the member's for types with member lines, else the object's own.
PKAPI LineDesc* WINAPI GetLineDesc(GrDesc* graph, int number, int member);
// Palette index 0-19 (20 and above fail).
PKAPI int WINAPI WGChangeLineColor(GrDesc* graph, int number, int index, int member);
PKAPI int WINAPI WGChangeLineColorRGB(GrDesc* graph, int number, COLORREF color, int member);
PKAPI int WINAPI WGGetLineColor(GrDesc* graph, int number, int member);
PKAPI COLORREF WINAPI WGGetLineColorRGB(GrDesc* graph, int number, int member);
// Width in pixels; the get call returns -1 on failure.
PKAPI int WINAPI WGChangeLineWidth(GrDesc* graph, int number, int width, int member);
PKAPI int WINAPI WGGetLineWidth(GrDesc* graph, int number, int member);
PKAPI int WINAPI WGChangeLineStyle(GrDesc* graph, int number, int style, int member);
PKAPI int WINAPI WGGetLineStyle(GrDesc* graph, int number, int member);
PKAPI int WINAPI WGChangeAreaColor(GrDesc* graph, int number, COLORREF color, int member);
PKAPI COLORREF WINAPI WGGetAreaColor(GrDesc* graph, int number, int member);
// Bar width in world units across the bars.
PKAPI int WINAPI WGGetBarWidth(GrDesc* graph, int number, float* width);
PKAPI int WINAPI WGChangeBarWidth(GrDesc* graph, int number, float width);
PKAPI int WINAPI WGChangeHatchStyle(GrDesc* graph, int number, int style, int member);
PKAPI int WINAPI WGGetHatchStyle(GrDesc* graph, int number, int member);
PKAPI int WINAPI WGChangeBarJust(GrDesc* graph, int number, int justification);
PKAPI int WINAPI WGGetBarJust(GrDesc* graph, int number);
PKAPI int WINAPI WGToggleSpline(GrDesc* graph, int number, BOOL on);
PKAPI int WINAPI WGGetSplineFlag(GrDesc* graph, int number);
PKAPI int WINAPI WGChangeObjFill(GrDesc* graph, int number, BOOL on);
PKAPI int WINAPI WGGetFillFlag(GrDesc* graph, int number);
PKAPI int WINAPI WGChangeMarkerColor(GrDesc* graph, int number, int index);
PKAPI int WINAPI WGGetMarkerColor(GrDesc* graph, int number);
// Marker type, size in points (a new size is measured again when drawn) and fill style.
PKAPI int WINAPI WGChangeMarkerType(GrDesc* graph, int number, int type, int size, int fill);
PKAPI int WINAPI WGGetMarkerType(GrDesc* graph, int number, int* type, int* fill, int* size);
PKAPI int WINAPI WGChangePlotType(GrDesc* graph, int number, int kind);
PKAPI int WINAPI WGGetPlotType(GrDesc* graph, int number);

// ---- FFT and windows ----------------------------------------------------------------------------
// In place on the caller's arrays; n must be a power of two (message 31 otherwise, nothing changed).

// Complex transform, forward X[k] = sum x[j] e^(+2 pi i jk / n) unscaled; the inverse scales by 1/n.
PKAPI BOOL WINAPI WGComplexFFT(float* re, float* im, int n, BOOL inverse);
// Real transform: forward, the n samples in data give the n-bin spectrum with the negative exponent
// (real parts in data, imaginary parts in second); inverse, bins 0..n/2 give the samples in data.
PKAPI BOOL WINAPI WGRealFFT(float* data, float* second, int n, BOOL inverse);
// Forward complex transform, then the power of bins 0..n/2 in re and their frequencies in im.
PKAPI BOOL WINAPI WGPowerSpectrum(float* re, float* im, int n, float interval);
PKAPI void WINAPI WGFFTMagnitude(float* re, float* im, int n, int bin, float* out);
PKAPI void WINAPI WGFFTPhase(float* re, float* im, int bin, float* out);
PKAPI void WINAPI WGFFTFrequency(int n, float rate, int bin, float* out);
// Multiplies re (and im when given) by a window: 1 triangular, 2 Hann, 3 Welch, 4 Hamming,
// 5 Blackman, others rectangular. Returns 0.
PKAPI int WINAPI WGDSPWindow(float* re, float* im, int n, int kind);

// ---- Text objects and fonts ---------------------------------------------------------------------

// Every text-bearing object (legends 3, labels 11, texts 12, pie charts 20 and the real-time text
// types 105, 107, 108, 110, 111) carries its font block right after the head.
struct FontObjDesc
{
    ObjDesc head;
    FontDesc font;
};

// Text object (type 12; sub-kind 1 free text, 2 axis title). The font block follows the head.
enum
{
    PK_TEXT_MAX = 120, // characters of a text object
};
struct TextDesc
{
    ObjDesc head; // xAxis, yAxis: the axes of the world anchor
    FontDesc font;
    INT reposition;         // the next draw recomputes the anchor from the world or normalised one
    INT anchorX, anchorY;   // logical
    INT originX, originY;   // logical baseline origin of TextOut
    float normX, normY;     // normalised anchor, -1 when none
    float worldX, worldY;   // world anchor
    INT alignment;          // 2 right, 6 centred, 8 bottom, 24 baseline, else left and top
    SHORT titleAxis;        // axis object of an axis title
    SHORT angle;            // tenths of a degree
    SHORT titlePosition;    // 4 above the X axis (else below); 2 right of the Y axis (else left)
    char text[PK_TEXT_MAX + 1];
};

// Sets the default text font that new text objects copy: palette colour index, pitch and family
// (0 means 48), size in points, flags (1 bold, 2 italic, 4 underline). The face follows the family.
PKAPI void WINAPI WGSetTextParams(int colorIndex, int family, int points, int flags);
// As WGSetTextParams with a face by name; 0 when the face is not installed (the family's default
// face is taken then), else 1.
PKAPI BOOL WINAPI WGSetTextByName(int colorIndex, const char* face, int points, int flags);
// Text objects; each returns the object number, 0 on failure. Anchors: fractions of the graph
// (Norm) or world values on the two axes; angles in tenths of a degree.
PKAPI int WINAPI WGTextNorm(GrDesc* graph, HDC dc, const char* text, float x, float y, int alignment, int angle);
PKAPI int WINAPI WGText(GrDesc* graph, HDC dc, int xAxis, int yAxis, const char* text, float x, float y,
                        int alignment, int angle);
PKAPI int WINAPI WGTitleGraph(GrDesc* graph, HDC dc, const char* text);
PKAPI int WINAPI WGTitleAxis(GrDesc* graph, HDC dc, int axis, int position, const char* text);
// Font and colour accessors of the text-bearing objects (legends, labels, texts, pie charts and the
// real-time text types). Missing object: message 56; another type: message 29; results 0 then.
PKAPI int WINAPI WGGetTextColor(GrDesc* graph, int number);
PKAPI BOOL WINAPI WGChangeTextColor(GrDesc* graph, int number, int colorIndex);
PKAPI const char* WINAPI WGGetFontName(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontSize(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontWeight(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontItal(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontUnder(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontEsc(GrDesc* graph, int number);
PKAPI int WINAPI WGGetFontOrient(GrDesc* graph, int number);
// Changes an object's font: face (null keeps it), size in points, escapement (tenths of a degree),
// weight, italic, underline. 0 when the face is not installed (the other changes stay).
PKAPI BOOL WINAPI WGChangeFont(GrDesc* graph, int number, const char* face, int points, int escapement,
                               int weight, int italic, int underline);
PKAPI const char* WINAPI WGGetString(GrDesc* graph, int number, int item);
PKAPI BOOL WINAPI WGChangeString(GrDesc* graph, int number, const char* text, int item);
// Text sizes as fractions of the graph (horizontal 0: the text stands on its side). A null text
// measures `length` zeros; a length below 1 measures the whole text.
PKAPI void WINAPI WGGetTextSizeNorm(GrDesc* graph, HDC dc, BOOL horizontal, const char* text, int length,
                                    float* width, float* height);
PKAPI void WINAPI WGGetLegendTextSizeNorm(GrDesc* graph, HDC dc, ObjDesc* legend, BOOL horizontal,
                                          const char* text, int length, float* width, float* height);
// Creates the block's font, selects it (deleting the font it replaces unless the graph records a
// metafile), sets transparent text in the colour given. Returns the font.
PKAPI HFONT WINAPI ConfigureText(GrDesc* graph, HDC dc, FontDesc* font, COLORREF color);
PKAPI int CALLBACK FontEnumFunc(const LOGFONT* font, const TEXTMETRIC* metrics, DWORD type, LPARAM data);
// The text parameter dialog ("TEXTPAR"), opened with a FontDesc as its parameter.
PKAPI INT_PTR CALLBACK TextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Axis labels --------------------------------------------------------------------------------

enum
{
    PK_LABEL_STRING = 42, // bytes of one label string (41 characters and the zero)
};
// Labels object (type 11, sub-kind 1); the head's X axis is the labelled axis. The real-time
// library's dynamic labels (type 105) begin the same way.
struct LabelsDesc
{
    ObjDesc head;
    FontDesc font;
    SHORT position; // X: 0 below, 4 above the axis, 6 below, 7 above the plot; Y: 1 left, 2 right of
                    // the axis, 8 left, 9 right of the plot
    SHORT direction; // 1 X, 0 Y
    SHORT lastLabel; // 0 normal, 1 left out, 2 replaced by lastText
    SHORT kind;      // 0 numbers, 1 strings, 2 month names, 3 weekday names
    HGLOBAL stringsHandle;
    char* strings; // PK_LABEL_STRING bytes each
    SHORT format;  // 0 fixed, 1 raised power of ten, 2 engineering, 5 clock time
    signed char precision;
    BYTE precisionFixed; // numbers: the caller set the precision; names: abbreviate
    char lastText[13];
    BYTE ownsStrings;
    INT widest;         // logical units
    INT widestExponent; // logical units
    BYTE firstIndex;
    UINT stringsSize; // bytes the strings block holds (0: unknown, the caller's)
};

PKAPI int WINAPI WGLabelAxis(GrDesc* graph, HDC dc, int axis, int position, int format, int precision,
                             int lastLabel, const char* lastText);
PKAPI LabelsDesc* WINAPI StartLabs(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int* number);
PKAPI int WINAPI WGLabelAxisStrings(GrDesc* graph, HDC dc, int axis, int position, int firstIndex,
                                    HGLOBAL strings);
PKAPI int WINAPI WGLabelAxisStringsPtr(GrDesc* graph, HDC dc, int axis, int position, int firstIndex,
                                       char* strings);
PKAPI int WINAPI WGLabelAxisStringsNew(GrDesc* graph, HDC dc, int axis, int position, int firstIndex,
                                       const char* text);
PKAPI int WINAPI WGLabelAxisMonth(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int firstMonth,
                                  BOOL abbreviate);
PKAPI int WINAPI WGLabelAxisDayWk(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int firstDay,
                                  BOOL abbreviate);
PKAPI int WINAPI WGGetLastLabelFlag(GrDesc* graph, int number);
PKAPI const char* WINAPI WGGetLastLabelText(GrDesc* graph, int number);
PKAPI BOOL WINAPI WGChangeLastLabel(GrDesc* graph, int number, int flag, const char* text);
PKAPI int WINAPI WGGetLabelsPos(GrDesc* graph, int number);
PKAPI BOOL WINAPI WGChangeLabelsPos(GrDesc* graph, int number, int position);
PKAPI int WINAPI WGGetLabelsFormat(GrDesc* graph, int number);
PKAPI BOOL WINAPI WGChangeLabelsFormat(GrDesc* graph, int number, int format);
PKAPI int WINAPI WGGetLabelsPrec(GrDesc* graph, int number);
PKAPI BOOL WINAPI WGChangeLabelsPrec(GrDesc* graph, int number, int precision);
// ---- Group plots --------------------------------------------------------------------------------
// A group data set (several Y values, the members, per X; at most 16 members) drawn in one of seven
// arrangements. Creators run while the graph builds and return the object number, 0 on failure.

// Bars of each member (arrangement 0 grouped, 1 deep, 2 stacked): bar width in world units, bar
// position (0/1 before the point, 2/4 after it, 3 centred), sub-kind 6-9 (vertical, horizontal,
// and their 3-D forms), member colours, hatches (one every 4 bytes, 255 solid) and outline colour
// indexes (negative: none); each array may be null.
PKAPI int WINAPI WGGroupBargraph(GrDesc* graph, HDC dc, int dataSet, float barWidth, int barPosition, int subKind,
                                 int arrangement, const COLORREF* colors, const INT* hatches,
                                 const INT* lineColors);
// One bar a point from its first value to its second; border < 0: no outline.
PKAPI int WINAPI WGFloatingBars(GrDesc* graph, HDC dc, int dataSet, float barWidth, int barPosition, int subKind,
                                COLORREF color, int hatch, int border);
// Members stacked as lines, or as filled areas.
PKAPI int WINAPI WGStackedLines(GrDesc* graph, HDC dc, int dataSet, BOOL filled, const INT* styles,
                                const INT* widths, const INT* colorIndexes);
// High (value 1), low (value 0) and close (value 2, as markers); tick width in points.
PKAPI int WINAPI WGHighLowClose(GrDesc* graph, HDC dc, int dataSet, int markerType, int markerColor, int tickWidth,
                                int markerStyle);
// Ticks at each point's two values.
PKAPI int WINAPI WGErrorBars(GrDesc* graph, HDC dc, int dataSet, int tickWidth);
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

// ---- Legends ------------------------------------------------------------------------------------
// A legend (object type 3) lists a sample and a name per curve of the graph (and per floating-bar
// or high-low-close group), per series of a group object or per slice of a pie chart. Position and
// size are fractions of the graph (a width of 0: the legend sizes itself); frame colour a palette
// index (negative: no border), frame width in pixels; text colour a palette index (negative: each
// item in its sample's colour), area colour a palette index (-1: none); orientation 0 a column, 1
// rows. Texts are 42 characters apart in the handle's block, or one string cut into 42-character
// pieces (the last character of each piece is dropped); the legend keeps its own copies. Each
// creator returns the object number, 0 on failure.
PKAPI int WINAPI WGLegend(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                          int frameWidth, int textColor, int areaColor, int orientation, HGLOBAL texts);
PKAPI int WINAPI WGLegendPtr(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                             int frameWidth, int textColor, int areaColor, int orientation,
                             const char* texts);
PKAPI int WINAPI WGAutoLegend(GrDesc* graph, HDC dc, float x, float y, int frameColor, int frameWidth,
                              int textColor, int areaColor, int orientation, HGLOBAL texts);
PKAPI int WINAPI WGAutoLegendGroup(GrDesc* graph, HDC dc, float x, float y, int frameColor, int frameWidth,
                                   int textColor, int areaColor, int orientation, HGLOBAL texts, int group);
PKAPI int WINAPI WGLegendGroup(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                               int frameWidth, int textColor, int areaColor, int orientation, HGLOBAL texts,
                               int group);
PKAPI int WINAPI WGLegendGroupPtr(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                                  int frameWidth, int textColor, int areaColor, int orientation,
                                  const char* texts, int group);
// The common creator: group object (0: the graph's curves), corners as fractions (right 0: the
// automatic size), entry count (non-zero: that many entries), texts (42 characters apart, each
// read up to its zero), longSamples 0 for short samples. Returns the new legend, null on failure.
PKAPI ObjDesc* WINAPI InitLeg(GrDesc* graph, HDC dc, int group, float left, float top, float right,
                              float bottom, int count, int frameColor, int frameWidth, int textColor,
                              int areaColor, int orientation, const char* texts, BOOL longSamples);
// The automatic size of a legend from its longest text and its shown lines (graph logical units).
PKAPI void WINAPI CalcLegendSize(GrDesc* graph, ObjDesc* legend);
// Where shown item i (from 0) goes: align 0 left, 2 right, 6 centred; logical units.
PKAPI void WINAPI LegItemCoords(GrDesc* graph, ObjDesc* legend, int i, int align, int* x, int* y);
// Fits a text (at most 41 characters) into the room from startX to the legend's right edge in the
// DC's font, ending it in ".." when it does not fit; out holds 42 characters. Returns its length.
PKAPI int WINAPI GetSmartString(GrDesc* graph, HDC dc, ObjDesc* legend, char* out, const char* text, int item,
                                int startX, int orientation);
// The size (fractions of the graph) a legend needs for its shown texts in a column (0) or rows (1).
PKAPI void WINAPI WGCalculateAutomaticLegendBox(GrDesc* graph, int number, int orientation, float* w,
                                                float* h);
// Accessors (none redraws); 0 or null without a message for an object that is no legend.
PKAPI void* WINAPI WGGetLegendDesc(GrDesc* graph, int number);
PKAPI int WINAPI WGGetLegendBorder(GrDesc* graph, int number);
PKAPI int WINAPI WGSetLegendBorder(GrDesc* graph, int number, int on);
PKAPI COLORREF WINAPI WGGetLegendBorderColor(GrDesc* graph, int number);
// Colour: a palette index 0-19, else an RGB value.
PKAPI int WINAPI WGSetLegendBorderColor(GrDesc* graph, int number, COLORREF color);
PKAPI int WINAPI WGGetLegendBorderStyle(GrDesc* graph, int number);
PKAPI int WINAPI WGSetLegendBorderStyle(GrDesc* graph, int number, int style);
PKAPI int WINAPI WGGetLegendBorderWidth(GrDesc* graph, int number);
PKAPI int WINAPI WGSetLegendBorderWidth(GrDesc* graph, int number, int width);
PKAPI int WINAPI WGGetLegendAreaColor(GrDesc* graph, int number);
PKAPI int WINAPI WGSetLegendAreaColor(GrDesc* graph, int number, int color);
PKAPI int WINAPI WGGetLegendOrientation(GrDesc* graph, int number);
PKAPI int WINAPI WGSetLegendOrientation(GrDesc* graph, int number, int orientation);
PKAPI int WINAPI WGIsObjectVisible(GrDesc* graph, int number);
// Shows or hides entry `item` (from 1); 1, or 0 for no such entry.
PKAPI int WINAPI WGMarkLineLegend(GrDesc* graph, int number, int item, int on);
// Copies at most 41 characters of the title into the legend.
PKAPI int WINAPI WGSetLegendTitle(GrDesc* graph, int number, const char* text);
// Shows or hides the title line; returns on.
PKAPI int WINAPI WGShowLegendTitle(GrDesc* graph, int number, int on);
// The legend dialog ("LEGEND"), opened with an ObjectEditRequest (graph and legend) as parameter.
PKAPI INT_PTR CALLBACK LegendDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The pie chart dialog ("PIECHART", with an ObjectEditRequest) and the slice dialog ("PIESLICE",
// with the slice being edited).
PKAPI INT_PTR CALLBACK PieChartDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK PieSliceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Data table window --------------------------------------------------------------------------

// Opens the table of a curve or group object's data set beside the graph (nothing when one is open
// already); cells are edited in place, the table copied as text and its number format set.
PKAPI void WINAPI WGShowData(GrDesc* graph, int number);
PKAPI LRESULT CALLBACK DataTableProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK FormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Object parameter dialogs -------------------------------------------------------------------
// Every dialog edits a copy and writes it back on OK; a dialog opened while it is open ends with 2.
// Results: 1 OK, 2 Cancel, 3 OK and the graph must be erased and repainted, 4 open the data table,
// 5 continue in the bar dialog, 6 continue in the plot dialog, 7 the spline switch changed.

// Runs a dialog of the library's resources (owner used only when it is a window).
PKAPI int WINAPI DisplayDialogBoxParam(DLGPROC proc, const char* name, HWND owner, LPARAM param);
// "GRAPHPAR" on the page's selected graph: 1 when OK was pressed, else 0.
PKAPI int WINAPI WGEditGraphDlg(PgDesc* page);
// "LINEPAR" on the object's first line; the graph is repainted after OK.
PKAPI int WINAPI EditLineParDlg(GrDesc* graph, int number);
// A number typed in a field (at most `length` characters, a decimal comma accepted).
PKAPI float WINAPI CheckReal(char* text, int length);
PKAPI INT_PTR CALLBACK AxisDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK PlotDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK HighLowCloseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK BarDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK LabelsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK ArrowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK WGLineParDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
PKAPI INT_PTR CALLBACK GraphParamDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Bar dialog services: the hatch list (combo 1260), the colour sample (1090), the colours of the
// sample and the red, green and blue scroll bars, and one step of a colour scroll bar.
PKAPI void WINAPI InitHatchStyles(HWND dialog, int hatch);
PKAPI void WINAPI UpdateColorBar(HWND dialog, COLORREF color, int hatch);
PKAPI HBRUSH WINAPI BarCtlColor(HWND dialog, HDC dc, HWND control, int kind, COLORREF color, int hatch,
                                HBRUSH red, HBRUSH green, HBRUSH blue);
PKAPI COLORREF WINAPI BarScroll(HWND dialog, HWND scrollBar, int code, int position, COLORREF color, int hatch);
