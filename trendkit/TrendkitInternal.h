// State and helpers shared by trendkit's modules (not exported).
#pragma once

#include "trendkit.h"

#include <functional>
#include <string>
#include <vector>

namespace trendkit
{

// One entry of the periodic-update table. Graphs and objects are kept by handle and number and
// looked up at each tick, so an entry never reaches a freed record.
struct UpdateEntry
{
    bool used;
    HINSTANCE host; // the host instance at registration
    SHORT graph;    // graph handle
    WORD object;    // object number
};

// Library-wide state (one per process).
struct Library
{
    HINSTANCE module = nullptr;
    TopDesc* top = nullptr; // the current top control block
    float* sine = nullptr;  // 91 entries each
    float* cosine = nullptr;
    bool boxOpen = false;
    UINT_PTR timer = 0;
    UpdateEntry updates[RT_UPDATE_ENTRIES]{};
    std::vector<RTTopBlock*> blocks; // the blocks this library made and has not freed
};
Library& Lib();

// Library load and unload.
void AttachLibrary();
void DetachLibrary();
HINSTANCE Module();
std::string LoadText(UINT id);

// The error reporter: codes below 100 are plotkit's; 100 and above trendkit's. Returns 1 when the
// user chose to stop.
int RTErrHdlr(int code, int mode, const char* name);

// The RTTopBlock of the current top block (null before InitRTTop).
RTTopBlock* TopBlock();
// The data set of a slot 1-199, null for any other slot or a free one.
DynDataSetDesc* GetDynDataSet(int slot);
bool IsDynDataSetValid(const DynDataSetDesc* set);
void FreeAllDynDataSets();
DynDataSetDesc* GetObjDataSet(RtObjDesc* object);

// What trendkit needs of each of its object types beyond plotkit's part. Types register once
// (RegisterRtType); the object core, the deletion, the fan-out and the picker dispatch through it.
struct RtObjectType
{
    int type = 0;
    UINT size = 0;
    // Frees what the record owns; called for any record plotkit frees (also edit copies, whose
    // buffers `copy` made their own). Must leave the record's pointers null.
    void (*release)(GrDesc* graph, RtObjDesc* object) = nullptr;
    // Gives a byte copy of the record its own buffers; FALSE when they cannot be made.
    BOOL (*copy)(GrDesc* graph, const RtObjDesc* source, RtObjDesc* copy) = nullptr;
    // Font and size re-scale after a page or graph size change.
    void (*recalc)(GrDesc* graph, HDC dc, RtObjDesc* object, float scale) = nullptr;
    // After the object's ranges followed an axis (RescaleDynObj): its own recomputation. `oldSpan`
    // is the old span along the time direction, `timeHigh` the high end of the old time range.
    void (*rescale)(GrDesc* graph, RtObjDesc* object, int axisDirection, float oldSpan,
                    float timeHigh) = nullptr;
    // Whether a new value-axis range can be taken (scroll graphs limit their points per screen).
    bool (*checkRange)(RtObjDesc* object, float range) = nullptr;
    // After WRReconnectDynDataSet stored a new set in the object.
    void (*reconnect)(GrDesc* graph, RtObjDesc* object) = nullptr;
    // The data set whose use count the object holds (frozen scroll graphs: the live one).
    DynDataSetDesc* (*boundSet)(RtObjDesc* object) = nullptr;
    // Picking by line (tolerance in logical units) and by area; p in graph logical units.
    bool (*hitLine)(GrDesc* graph, RtObjDesc* object, POINT p, int tolerance) = nullptr;
    bool (*hitBox)(GrDesc* graph, RtObjDesc* object, POINT p) = nullptr;
    // The edit dialog; returns its result (2: cancelled).
    int (*edit)(GrDesc* graph, RtObjDesc* object, HGLOBAL handle) = nullptr;
    // The colour a value `index` is drawn in (trace, bar or needle), for texts that borrow it;
    // false when the object has none for that value.
    bool (*valueColour)(RtObjDesc* object, int index, COLORREF* colour) = nullptr;
};
void RegisterRtType(const RtObjectType& type);
const RtObjectType* FindRtType(int type);
// Registers the types built so far (alarm lines, marks, text); run at load.
void RegisterOwnTypes();

// Object core.
RtObjDesc* AllocRTObject(GrDesc* graph, int type, WORD subtype);
// Counts the object made by AllocRTObject; returns its number.
WORD CommitRTObject(GrDesc* graph);
// Frees the record AllocRTObject made for a creator that then failed.
void AbandonRTObject(GrDesc* graph);
void UpdateRTObj(GrDesc* graph, WORD number);
RtObjDesc* RtObjectAt(GrDesc* graph, int number);
void DefPaintProc(GrDesc* graph, HDC dc);
void DefUpdateProc(GrDesc* graph, RtObjDesc* object);
bool CheckScrollRange(RtObjDesc* object, float range);
// plotkit's re-scale hook for trendkit's types (SetRemoteRecalc).
void RTRemoteRecalc(GrDesc* graph, HDC dc, ObjDesc* object, float scale);
// Links a ranged object to the axes whose ranges match its own.
void LinkAxes(GrDesc* graph, RtRangedDesc* object);

// Fan-out of new data to bound objects.
void UpdateDynObjects(GrDesc* graph, DynDataSetDesc* set);
void UpdateBinaryObjects(GrDesc* graph, DynDataSetDesc* set);

// Alarms.
void CheckAlarms(DynDataSetDesc* set, int slot);
void WINAPI DefAlarmProc(int slot, int index, int kind, float value, int state);
void RefreshAlarmObjects(DynDataSetDesc* set);
void CalcAlarmLines(GrDesc* graph, RtObjDesc* object);
// Widest alarm or normal message of `set` in the font of the set's alarm text on `graph`.
int AlarmTextWidth(GrDesc* graph, DynDataSetDesc* set);

// Periodic updates.
// 1 added or already there, 0 table full.
int AddObjTimeUpdate(GrDesc* graph, WORD number);
void RemoveObjTimeUpdate(GrDesc* graph, WORD number);

// Drawing utilities.
void MapValuesToPixels(GrDesc* graph, RtRangedDesc* object, const float* values, int* pixels, int n);
void SetPlotClip(GrDesc* graph, HDC dc);
void SetGraphClip(GrDesc* graph, HDC dc);
void InvalidateGraphRect(GrDesc* graph, const RECT* rect);
// Rectangle arithmetic of graph logical units.
void GrowRect(RECT* r, int dx, int dy);
bool PointInRect(const RECT& r, POINT p); // right and bottom edges excluded, either orientation
bool RectsMeet(const RECT& a, const RECT& b);
RECT UnitedRect(const RECT& a, const RECT& b);
void CopyGraphRanges(GrDesc* graph, RtRangedDesc* object);
HPEN CreateSelectPen(HDC dc, const LOGPEN* pen);
bool IsStockColour(COLORREF colour);
int BarLabelCode(int code);
// The context an object draws on: metafile while copying, printer while printing, else the window.
HDC DrawingDC(GrDesc* graph);
bool IsCopying(GrDesc* graph);
double SinDeg(int degrees);
double CosDeg(int degrees);

// Child-window controls' type (type 111); run at load.
void RegisterControlType();
// The annunciator's type (type 109); run at load.
void RegisterAnnunciatorType();
// A dynamic legend of RT object `number` from `size` bytes of rows 42 characters apart.
WORD DynLegendOfRows(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                     int frameWidth, int textColour, int areaColour, int orientation, const char* rows, size_t size,
                     WORD number, int textOnly);
// The button WRChangeButtonState shows pressed until its release timer ends (null: none).
HWND PressedControlWindow();

// Copies at most `max` characters of `text` with its terminator; a null text leaves `field` alone.
void CopyText(char* field, const char* text, size_t max);

// Dynamic texts and messages; time axes and their labels; dynamic grids (registered at load).
void RegisterTextTypes();
void RegisterTimeAxisTypes();
void RegisterDynGridType();
// One text height (logical y units) in logical x units of the graph.
int TextHeightInX(GrDesc* graph, int height);

} // namespace trendkit

namespace trendkit
{

// One PID loop (owned by the PID table of the RTTopBlock).
struct PidLoopDesc
{
    int slot;
    char name[RT_NAME_MAX + 1];
    int pvSlot;
    int outSlot;
    DynDataSetDesc* pvSet;
    DynDataSetDesc* outSet;
    float dt;
    float rangeHigh, rangeLow; // output range
    float limitHigh, limitLow; // output limits
    float output;
    float pv;       // the last process value; with the setpoint, the process-value set's sample
    float setpoint;
    float bias;
    float pvHigh, pvLow;
    float e, e0, e1, e2, e3;
    float integralSum;
    float rateLimit; // largest output change per time unit; 0 or less: none
    float filtered;
    float alpha;
    float scale; // output units per process unit
    float kc, ki, kd;
    int action;    // 0: error = setpoint - process value; else process value - setpoint
    int automatic; // 1 automatic, 0 manual
};
// The loop of a slot 1-127, null for any other slot or a free one.
PidLoopDesc* GetPidLoop(int slot);
// Deletes every loop with its data sets (at RTCleanup).
void FreeAllPIDs();

// Object edit dialogs: the graph whose object the dialog opened by `rtDefEditObject` edits (null
// when a dialog was opened some other way), and the edit hooks of the alarm objects.
GrDesc*& EditGraph();
// Runs an object's edit dialog from trendkit's resources with EditGraph() set to `graph` meanwhile;
// the dialog's initial value is the object's handle.
int RunObjectEditDialog(GrDesc* graph, DLGPROC proc, const char* name, HGLOBAL handle);
int EditAlarmLines(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
int EditAlarmMarks(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
// Edit hooks of the dynamic and alarm texts (by subtype) and of the message object.
int EditDynText(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
int EditMessage(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
// The time labels dialog (sets the font height after OK) and the time axis dialog on the selected axis.
int EditTimeLabels(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
int EditTimeAxis(GrDesc* graph);
// Edit hooks of the scroll family (types 103 and 104, by subtype) and of the dynamic bars.
int EditScrollGraph(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);
int EditDynBars(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);

// DDE client.
HDDEDATA WINAPI DefDdeProc(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);
// Ends every conversation and the DDE instance (clean-up).
void EndDde();
// Stops the items that feed the set and frees its link (the set is being freed).
void DropDdeLink(DynDataSetDesc* set);
// Uses of conversation entry 0-4; -1 when the entry is free (tests).
int DdeConversationUses(int index);

} // namespace trendkit
