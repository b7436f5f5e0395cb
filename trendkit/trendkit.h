// trendkit: the real-time charting library's public interface. Live data sets (slots 1-199) with
// history rings and alarm limits, and real-time objects (types 100-111) that live in plotkit's graphs
// next to plotkit's own objects and follow the data sets they are bound to.
//
// The host owns the one top control block (TopDesc) and gives the same block to plotkit's InitTop
// and to InitRTDll; trendkit hangs its own block (RTTopBlock) on it. All calls come from the host's
// user-interface thread; the periodic update timer runs from that thread's message loop.
//
// Every public function is exported by name and by ordinal (trendkit/exports.tbl).
#pragma once

#include "plotkit.h"
#include "win32/dde.h"

#define TKAPI extern "C" __attribute__((visibility("default")))

enum
{
    RT_MAX_DATASETS = 199, // data-set slots 1-199
    RT_MAX_VALUES = 32,    // values per sample
    RT_MAX_PID = 127,      // PID loop slots 1-127
    RT_UPDATE_ENTRIES = 200,
    RT_NAME_MAX = 41,
    RT_UNITS_MAX = 10,
    RT_LABEL_MAX = 15,
    RT_ALARM_MESSAGE_MAX = 31,
    RT_NORMAL_MESSAGE_MAX = 11,
    RT_MARK_LABEL_MAX = 11,
};

// Real-time object types.
enum
{
    RT_TYPE_ALARM_LINES = 100,
    RT_TYPE_ALARM_MARKS = 101,
    RT_TYPE_DYN_GRID = 102,
    RT_TYPE_SCROLL = 103, // subtypes 1 scroll, 2 bargraph, 3 sweep, 4 logic, 5 variable, 7 stacked
    RT_TYPE_XY = 104,
    RT_TYPE_DYN_LABELS = 105,
    RT_TYPE_DYN_BARS = 106,
    RT_TYPE_DYN_TEXT = 107, // subtypes 1 dynamic text, 6 alarm text
    RT_TYPE_MESSAGE = 108,
    RT_TYPE_ANNUNCIATOR = 109,
    RT_TYPE_METER = 110,
    RT_TYPE_CONTROL = 111,
    RT_TYPE_FIRST = 100,
    RT_TYPE_LAST = 111,
};

// Alarm kinds 1-7 (kind k is bit k - 1 of the enable bits and of each value's state byte).
enum
{
    RT_ALARM_HIGH = 1,
    RT_ALARM_LOW = 2,
    RT_ALARM_HIGHHIGH = 3,
    RT_ALARM_LOWLOW = 4,
    RT_ALARM_RATE = 5,
    RT_ALARM_DEVIATION = 6,
    RT_ALARM_FAIL = 7,
};

struct AlarmDesc
{
    float limit;
    char message[RT_ALARM_MESSAGE_MAX + 1];
};

struct DdeLink;

// A dynamic data set: up to 32 values per sample, the previous sample, an optional history ring,
// a bit word and the alarm state of each value.
struct DynDataSetDesc
{
    signed char valueCount; // 1-32
    signed char useCount;   // objects bound to the set
    char name[RT_NAME_MAX + 1];
    DdeLink* ddeLink; // while set, the link writes the values
    float current[RT_MAX_VALUES];
    float previous[RT_MAX_VALUES];
    HGLOBAL ringHandle;
    float* ring; // (capacity + 1) x valueCount floats; null without history
    UINT writeIndex;
    UINT wrapped;
    UINT capacity;
    char units[RT_UNITS_MAX + 1];
    BYTE alarmEnable;
    UINT xyPairs; // 1: block copies move pairs (x, y) of each value
    AlarmDesc alarms[7];
    float setpoint;
    float hysteresis;
    float deviationHysteresis;
    char normalMessage[RT_NORMAL_MESSAGE_MAX + 1];
    UINT alarmCheckOn;
    char labels[RT_MAX_VALUES][RT_LABEL_MAX + 1];
    BYTE previousAlarm[RT_MAX_VALUES];
    BYTE currentAlarm[RT_MAX_VALUES];
    UINT bits;
    UINT previousBits;
};

// The user alarm procedure: (slot, value index, kind, value, state 1 on / 0 off).
typedef void(WINAPI* RTAlarmProc)(int slot, int index, int kind, float value, int state);
// The user DDE procedure: gets the DDE client's transactions other than advise data, with the
// callback's arguments; its result is not used.
typedef HDDEDATA(WINAPI* RTDdeProc)(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

// trendkit's block in the TopDesc (TopDesc::realTimeBlock).
struct RTTopBlock
{
    DynDataSetDesc* dataSets[RT_MAX_DATASETS + 1]; // by slot 1-199 (entry 0 unused)
    void* pidLoops[RT_MAX_PID + 1];                // by loop 1-127 (entry 0 unused)
    RTAlarmProc alarmProc;
    RTDdeProc ddeProc;
};

struct RtObjDesc;
// Draws an object's change after new data (on the graph's building device context).
typedef void (*RtUpdateProc)(GrDesc* graph, RtObjDesc* object);

// The head of every real-time object record; it begins with plotkit's object head.
struct RtObjDesc
{
    ObjDesc head;            // type, subtype, paint callback, rectangle, axes, line, visible
    RtUpdateProc update;     // never null
    DWORD lastUpdateSecond;  // periodic updates: whole seconds of the tick count
    WORD updatePeriod;       // seconds
    DynDataSetDesc* dataSet; // the bound set (types that bind one)
};

// Objects that scale values along the graph's axes begin with the graph's world ranges.
struct RtRangedDesc
{
    RtObjDesc rt;
    float xLow, xHigh, yLow, yHigh;
    float xSpan, ySpan;
    INT direction; // 1: values along Y (time or lines along X), 0: values along X
};

// Alarm line or alarm mark (records 0 setpoint, 1 High, 2 Low, 3 HighHigh, 4 LowLow).
struct AlarmLineRec
{
    INT shown;
    INT position; // logical units along the value axis
    LineDesc line;
    char label[RT_MARK_LABEL_MAX + 1]; // marks only
};

// Alarm lines (type 100).
struct AlarmLinesDesc
{
    RtRangedDesc r;
    AlarmLineRec lines[5];
    INT setpointPosition;
    INT blink;
};

// Alarm marks (type 101).
struct AlarmMarksDesc
{
    RtRangedDesc r;
    AlarmLineRec marks[5];
    INT setpointPosition;
    INT blink;
    WORD pointSize, pointSizeCopy;
    INT markSize; // logical units
    FontDesc font;
    WORD enlargedSize, enlargedSizeCopy;
    WORD placement; // 4 above an X axis, 2 right of a Y axis, else below or left
    WORD axis;      // object number of the marked axis
};

// Dynamic text and alarm text (type 107): the text layout and the colour table shared by both.
struct DynTextDesc
{
    RtObjDesc rt;
    FontDesc font;
    INT textHeight;
    INT cellWidth;
    UINT align;
    SHORT shown; // value shown, -1 all (one cell each)
    SHORT valueCount;
    INT layout; // 1 across, else down
    INT widest;
    SHORT background; // palette index, below 0 transparent
    INT frame;
    INT frameWidth;
    INT drawAll;
    INT blink;
    INT colors[8]; // palette indices: 0 normal, 1-7 alarm kinds
    // Dynamic text (subtype 1) only.
    INT digits, decimals;
    WORD colorSource;
    INT frameStyle;
    INT marginX, marginY;           // inner margins of the frame, logical units
    INT valueColors[RT_MAX_VALUES]; // palette index per value; entries 0-7 live in `colors`
};

// Message object (type 108): one of up to eight texts, chosen by bits of a set's bit word.
enum
{
    RT_MESSAGES = 8,
    RT_MESSAGE_MAX = 41,
};
struct MessageRec
{
    INT width;   // logical units on the graph's context
    SHORT color; // palette index
    char text[RT_MESSAGE_MAX + 1];
};
struct MessageDesc
{
    RtObjDesc rt;
    FontDesc font;
    SHORT background; // palette index, below 0 transparent
    INT widest;
    INT textHeight;
    INT cellWidth;
    SHORT drawAll;
    INT frame;
    INT frameWidth; // pixels
    SHORT firstBit;
    SHORT count;
    SHORT current; // shown now, -1 before the first
    SHORT previous;
    MessageRec messages[RT_MESSAGES];
};

// ---- Library attach, top block and clean-up ------------------------------------------------------

// Binds both libraries to `top`; makes trendkit's block on the first call for it. Non-zero when set up.
TKAPI int WINAPI InitRTDll(TopDesc* top);
// Makes the RTTopBlock of `top`: 1 made, 0 refused (old plotkit or no memory).
TKAPI int WINAPI InitRTTop(TopDesc* top);
// Ends the DDE client, deletes PID loops and every data set, frees the RTTopBlock, stops the timer.
TKAPI void WINAPI RTCleanup(TopDesc* top);

// ---- Object core ---------------------------------------------------------------------------------

// Record size of a real-time type; other types: plotkit's WGGetObjTypeSize.
TKAPI UINT WINAPI WRGetDynTypeSize(int type);
// Axis-change hook: an object follows the new range of the axis at table index `axisIndex`.
TKAPI void WINAPI RescaleDynObj(GrDesc* graph, RtObjDesc* object, int axisIndex);
// Opens the edit dialog of the graph's selected object; 2 when cancelled or nothing to edit.
TKAPI int WINAPI rtDefEditObject(GrDesc* graph);
// Runs the update callback of a visible object.
TKAPI void WINAPI WRUpdateObj(GrDesc* graph, WORD number);

// ---- Dynamic data sets ---------------------------------------------------------------------------

// Defines a data set of `count` (1-32) values with an optional history ring of `capacity` samples;
// `labels` holds one 16-character field per value. Returns the slot 1-199, 0 on failure.
TKAPI int WINAPI WRDefineDynDataSet(const char* name, int count, const char* units, const char* labels,
                                    UINT capacity);
// 1 freed, 0 refused (free slot, or objects still bound to it).
TKAPI int WINAPI WRFreeDynDataSet(int slot);
// New sample of value-count floats; updates the bound objects of `graph`, or of every page when null.
TKAPI void WINAPI WRUpdateData(int slot, const float* values, GrDesc* graph);
// `n` samples (oldest first) into the ring and the bound objects; n of 1 is WRUpdateData.
TKAPI void WINAPI WRUpdateBlockData(int slot, const float* samples, int n, GrDesc* graph);
TKAPI void WINAPI WRGetLastData(int slot, float* current, float* previous);
// Copies value `index` of the last `back` samples (time order); returns the number copied.
TKAPI int WINAPI WRGetHistData(int slot, int index, float* out, UINT back, int count);
TKAPI UINT WINAPI WRGetBinData(int slot);
TKAPI void WINAPI WRUpdateBinaryData(int slot, WORD bits, GrDesc* graph);
TKAPI void WINAPI WRSetBit(int slot, int bit, int on, GrDesc* graph);
TKAPI void WINAPI WRSetBitExclusive(int slot, int bit, GrDesc* graph);
// Smallest and largest held value of `index` (below 0: all values); 1, or 0 on error.
TKAPI int WINAPI WRGetMinMaxValues(int slot, int index, float* min, float* max);
TKAPI int WINAPI WRResetHistBuffer(int slot);
// Binds an existing object to another data set.
TKAPI void WINAPI WRReconnectDynDataSet(GrDesc* graph, WORD number, int slot);

// ---- Alarms --------------------------------------------------------------------------------------

// Kind 0: the normal message; kinds 1-7: enables the kind with its limit and message. 1, 0 on error.
TKAPI int WINAPI WRSetAlarm(int slot, int kind, float limit, const char* message);
TKAPI int WINAPI WRSetSetpoint(int slot, float setpoint);
TKAPI int WINAPI WREnableAlarmCheck(int slot, int on);
TKAPI void WINAPI WRSetAlarmProc(RTAlarmProc proc);
TKAPI int WINAPI WRSetAlarmHyst(int slot, float hysteresis, float deviationHysteresis);
TKAPI int WINAPI WRGetAlarm(int slot, int kind, float* limit, int* enabled, char** message);
TKAPI int WINAPI WRChangeAlarm(int slot, int kind, float limit, int enable, const char* message);
TKAPI WORD WINAPI WRSetAlarmLines(GrDesc* graph, int slot, int period, int direction, const int* shown,
                                  const int* style, const int* width, const int* colour);
TKAPI WORD WINAPI WRSetAlarmMarks(GrDesc* graph, int slot, WORD axis, int placement, int points,
                                  const int* shown, int width, const int* colour, const char* labels);
TKAPI WORD WINAPI WRSetAlarmText(GrDesc* graph, int slot, int index, float left, float top, float right,
                                 float bottom, int frameColour, int frameWidth, int background,
                                 const char* normalMessage, const int* colours, int alignment, int layout);

// ---- DDE client ----------------------------------------------------------------------------------

// Starts the DDE client if it is not running; returns its instance id, 0 when it cannot start.
TKAPI DWORD WINAPI WRInitDde();
// The procedure that gets the DDE transactions other than advise data (null: none).
TKAPI void WINAPI WRSetDdeProc(RTDdeProc proc);
// Links the set in `slot` to `item` of a server's `topic`: the item's numbers (up to 32, separated
// by anything else) become the set's values now and at each change the server advises; with
// `update` each change also runs WRUpdateData. The service is `service`, or without one the file
// name of `commandLine`, which is started when no server answers. A link that cannot be made, or a
// conversation that ends, marks the set's values failed (alarm kind 7).
TKAPI void WINAPI WRConnectDDE(int slot, const char* commandLine, const char* service, const char* topic,
                               const char* item, int update);
// The DDE client's callback: DDE_FACK for advise data, else 0.
TKAPI HDDEDATA WINAPI DdeCallback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                  HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

// ---- Periodic update timer -----------------------------------------------------------------------

TKAPI int WINAPI SetObjTimeUpdate(GrDesc* graph, WORD number, WORD period);
TKAPI int WINAPI WRStopObjTimeUpdate(GrDesc* graph, WORD number);
TKAPI int WINAPI StartUpdateTimer();
TKAPI void WINAPI StopUpdateTimer();
TKAPI void CALLBACK UpdateTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// ---- Object management and hit testing -----------------------------------------------------------

TKAPI void WINAPI WRDeleteRTGraph(GrDesc* graph);
TKAPI void WINAPI WRDeleteRTObject(GrDesc* graph, WORD number);
TKAPI int WINAPI KillRTPage(SHORT page);
TKAPI WORD WINAPI rtObjFind(HWND window);

// ---- Accessors -----------------------------------------------------------------------------------

// Alarm lines and marks are numbered 0..4 in the order reference, high, low, high-high, low-low, the
// order in which the host walks them; any other index reports message 30 and gives 0.
TKAPI int WINAPI WRGetAlarmLineState(GrDesc* graph, WORD number, int line);
TKAPI int WINAPI WREnableAlarmLine(GrDesc* graph, WORD number, int line, int shown);
TKAPI int WINAPI WRChangeAlarmMarks(GrDesc* graph, WORD number, const char* label, int mark, int shown);
TKAPI int WINAPI WRGetAlarmMarks(GrDesc* graph, WORD number, char** label, int mark);
TKAPI int WINAPI WRGetDynTextColor(GrDesc* graph, WORD number, int entry);
TKAPI int WINAPI WRChangeDynTextColor(GrDesc* graph, WORD number, int colour, int entry);

// ---- Scroll family and XY graphs -----------------------------------------------------------------
// Creators take the graph being built; they return the new object's number, 0 on failure (an
// undefined set: message 55; an interval, range or point count that cannot make a screen: message
// 30). Tables hold one 32-bit element per channel (the low 16 bits of a colour are a palette index);
// a null table gives 0 for every channel.

// Strip chart of every value of a set: `interval` seconds (time-axis units) per sample, `keptFraction`
// of the screen kept when the trace reaches the far edge (capped so that each jump moves at least one
// sample), direction 1 time along X, 0 along Y; line mode 0 straight, 1 step at the earlier sample's
// time, 2 hold until the later sample's time.
TKAPI WORD WINAPI WRSetScrollGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                                   WORD lineMode, const int* styles, const int* widths, const int* colours);
// Oscilloscope-like trace that restarts at the edge; a sweep-line colour index below 0 hides the line.
TKAPI WORD WINAPI WRSetSweepGraph(GrDesc* graph, UINT slot, float interval, int direction, WORD lineMode,
                                  int sweepColour, const int* styles, const int* widths, const int* colours);
// Samples at uneven times: the set's last value is the time since the previous sample (time-axis
// units); the others are the channels. Jumps by whole spans of (1 - keptFraction) x the range (the
// fraction is kept within 0..29/30); the screen grows by 10 positions whenever it fills.
TKAPI WORD WINAPI WRSetVarScroll(GrDesc* graph, UINT slot, float keptFraction, int direction, WORD lineMode,
                                 const int* styles, const int* widths, const int* colours);
// Each value in a band of its own (0 at the band's base, 1 at 80% of it); `bandFraction` is the part
// of the plot the bands share (outside (0, 1]: all of it).
TKAPI WORD WINAPI WRSetStackedGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                                    WORD lineMode, float bandFraction, const int* styles, const int* widths,
                                    const int* colours);
// Bits 0..bits-1 (1-16) of the set's bit word as two-level traces in lanes; no message for a free slot.
TKAPI WORD WINAPI WRSetLogicGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                                  int bits, float bandFraction, const int* styles, const int* widths,
                                  const int* colours);
// XY graphs: the newest `count` samples (2 or more) of a set of 2n values, trace i being (value i,
// value n + i). The tables come in the host's order: colours, styles, widths. The ascending kind
// breaks a trace where its x falls back instead of joining it back across the plot.
TKAPI WORD WINAPI WRSetXYGraph(GrDesc* graph, UINT slot, int count, const int* colours, const int* styles,
                               const int* widths);
TKAPI WORD WINAPI WRSetAscendXYGraph(GrDesc* graph, UINT slot, int count, const int* colours, const int* styles,
                                     const int* widths);
// Interval, kept fraction and line mode (each output may be null); 1, or 0 for a missing object.
TKAPI int WINAPI WRGetScrollGraphParams(GrDesc* graph, WORD number, float* interval, float* keptFraction,
                                        int* lineMode);
// Changes the kept fraction and line mode; a new interval re-samples the screen. 1, 0 on failure.
TKAPI int WINAPI WRChangeScrollGraph(GrDesc* graph, WORD number, float interval, float keptFraction, int lineMode);

// ---- History view --------------------------------------------------------------------------------
// Works on scroll graphs (not the variable scroll graph) and on XY graphs. While a graph shows
// history it draws a frozen copy of its set; the live set goes on taking samples, and resuming shows
// the newest screenful again, so nothing is lost while the ring holds it.
//
// WRShowHist: freezes the graph and shows the screenful whose newest sample lies `secondsBack`
// seconds before the newest one. Either sign counts back (the host passes it negative). `window` is
// the screen's length in seconds: an XY graph, which has no interval of its own, takes window / its
// point count as seconds per sample for the view (1 s when not positive); scroll graphs use their
// interval and do not need it. The window is clamped to the history held; the seconds actually used
// go to `secondsUsed`. 1 shown; 0 when the screen was never full, for a set without history (error
// 134) or without memory (53).
TKAPI int WINAPI WRShowHist(GrDesc* graph, WORD number, float secondsBack, float window, float* secondsUsed);
// Moves the view by `seconds` (positive: toward newer samples), clamped to the history held; writes
// the seconds moved (0 when nothing moved). 1 moved, 0 not.
TKAPI int WINAPI WRMoveHistScroll(GrDesc* graph, WORD number, float seconds, float* secondsMoved);
// Back to live drawing; the time labels move on by the samples missed. 1, 0 when not frozen.
TKAPI int WINAPI WRResumeScroll(GrDesc* graph, WORD number);
// Empties a scroll or XY graph (ending its history view first). 1, 0 on error (56, 30).
TKAPI int WINAPI WRResetScroll(GrDesc* graph, WORD number);

// ---- Bargraphs -----------------------------------------------------------------------------------
// One bar per value of a set, from `baseValue` to the value's level, at positions from `first` to
// `last` along the category axis (orientation 1: bars along Y growing along X; else bars along X
// growing along Y). `barWidth` in category units, 0 for automatic. Per bar (each may be null): fill
// colours (RGB; none: the plot background), hatch styles (low byte; -1 solid) and border colour
// indices (negative: no border). Returns the object number, 0 on failure.
TKAPI WORD WINAPI WRSetBargraph(GrDesc* graph, int slot, float baseValue, int orientation, float first, float last,
                                float barWidth, const COLORREF* colours, const int* hatches, const int* borders);
// Strip chart of value `index` of a set drawn as one bar per sample, scrolling like the scroll graph;
// `barWidth` in time-axis units, `border` a colour index (negative: no border).
TKAPI WORD WINAPI WRSetScrollBargraph(GrDesc* graph, int slot, int index, float interval, float keptFraction,
                                      int direction, float barWidth, COLORREF fill, int border);

// ---- One-call builders ---------------------------------------------------------------------------
// A complete bar display of a set on a graph being built: plot area, value axes with labels and the
// units title, the bargraph, and alarm marks and text when `alarmHigh` and `alarmLow` differ
// (orientation 0 vertical bars, else horizontal). `out` (11 entries, or null) receives the object
// numbers: 0 title, 1 value axis, 2 labels, 3 axis title, 4 bargraph, 5 second axis, 7 legend, 8 value
// text, 9 alarm marks, 10 alarm text (0: not made). Returns the bargraph's number, 0 on failure.
TKAPI WORD WINAPI WRSetAutoBargraph(GrDesc* graph, int slot, float minimum, float maximum, float base,
                                    int orientation, int precision, float setpoint, float alarmHigh,
                                    float alarmLow, const char* highMessage, const char* lowMessage,
                                    const COLORREF* colours, WORD* out);
// A complete strip chart of a set on an empty graph: title, plot area, time axis from 0 to `timeRange`,
// value axis, the chart (kind 1 scroll graph, 2 scroll bargraph, 3 sweep graph) and alarm lines when
// `alarmHigh` and `alarmLow` differ. `xTitle` null: no axis titles. `out` (11 entries, or null):
// title, X axis, X labels, X title, Y axis, Y labels, Y title, chart, legend, value text, alarm lines.
// Returns the chart's number, 0 on failure (136: the graph is too small for the labels).
TKAPI WORD WINAPI WRSetAutoScrollGraph(GrDesc* graph, UINT slot, float interval, float keptFraction,
                                       float minimum, float maximum, float timeRange, int kind, int decimals,
                                       float setpoint, float alarmHigh, float alarmLow, const char* xTitle,
                                       int background, const int* colours, int legend, WORD* out);
// A legend's item text (item 0 the title): at most 42 characters are set, or copied with their
// terminator into `buffer` (room for 43). 1, or 0 for a null text or buffer, a missing legend or an
// item at or past its count.
TKAPI int WINAPI WRSetLegendText(GrDesc* graph, WORD legend, int item, const char* text);
TKAPI int WINAPI WRGetLegendText(GrDesc* graph, WORD legend, int item, char* buffer);

// ---- Dynamic text and messages -------------------------------------------------------------------

// A framed box showing value `index` (-1: all values) of a set as numbers with `decimals` decimals,
// redrawn on each update. Position and size are fractions of the graph (right and bottom 0: fitted);
// a frame colour index below 0 draws no frame pen; `colours` holds one palette index per value (null,
// or a first entry of -1 with a `colourSource` object: each value takes that object's trace, bar or
// needle colour); a background index below 0 is transparent; layout 0 a column, 1 a row or grid;
// `digits` sizes the box for the widest number; frame styles 0-5. Object number, 0 on failure.
TKAPI WORD WINAPI WRSetDynText(GrDesc* graph, int slot, int index, float x, float y, float right, float bottom,
                               int frameColour, int frameWidth, const int* colours, int background, int layout,
                               int digits, int decimals, int colourSource, int frameStyle);

// A framed box showing message k (0 <= k < count, at most 8) while bit firstBit + k is the lowest of
// those bits set in the set's bit word; with none set the last message stays. `texts` holds `count`
// rows of 42 characters (at most 41 are used; the rows are not changed); `colours` one palette index
// per message, or null for 0. A frame colour index below 0 draws no frame; a background index below 0
// is transparent. Object number, 0 on failure.
TKAPI WORD WINAPI WRSetMessage(GrDesc* graph, int slot, int firstBit, float x, float y, int frameColour,
                               int frameWidth, int background, int count, const char* texts, const int* colours);
// Text and palette colour of message 0-7 (either output may be null); 1, or 0 on error.
TKAPI int WINAPI WRGetMessageParams(GrDesc* graph, WORD number, char** text, int* colour, int message);
// New text (null: kept, at most 41 characters) and colour of message 0-7; a wider text widens the box
// and redraws it. 1, or 0 on error.
TKAPI int WINAPI WRChangeMessage(GrDesc* graph, WORD number, const char* text, int colour, int message);

// ---- Time axes and time labels -------------------------------------------------------------------

// Draws a time axis while the graph is built (orientation 1: X axis, else Y axis) with the tick step
// in axis units of `unit` (0 seconds, 1 minutes, 2 hours). Axis object number, 0 on failure.
TKAPI int WINAPI WRDrawTimeAxis(GrDesc* graph, float step, int minorTicks, int tickStyle, int orientation,
                                int unit);
// Labels the time axis `axis`: position 0, 4, 6, 7 (X axis) or 1, 2, 8, 9 (Y axis), 3 automatic; format
// 0 number (from `startValue` with `precision` decimals, below 0 automatic), 1 hh:mm:ss, 2 hh:mm, 4 mm:ss
// (from the start time of day); last-label mode 0 drawn, 1 left out, 2 replaced by `lastText` (at most
// 12 characters). Object number of the labels, 0 on failure.
TKAPI WORD WINAPI WRLabelTimeAxis(GrDesc* graph, int axis, int position, int format, int precision, int hours,
                                  int minutes, int seconds, float startValue, int lastMode, const char* lastText);
// Sets the labels' start (axis units); the labels are redrawn.
TKAPI void WINAPI WRResetTimeLabels(GrDesc* graph, WORD labels, float start);
// New time format; 1, or 0 for a missing labels object.
TKAPI int WINAPI WRChangeTimeLabelsFormat(GrDesc* graph, WORD labels, int format);
// Moves the labels by `delta` axis units; they repaint only when their text changes.
TKAPI void WINAPI WRUpdateTimeLabels(GrDesc* graph, WORD labels, float delta);
// Attaches the labels to a scroll object (at most three), which moves them at each jump. 1, or 0 when
// all three places are taken or an object is missing.
TKAPI int WINAPI WRStartTimeLabelsUpdate(GrDesc* graph, WORD labels, WORD scroll);
// Detaches them; 1, or 0 when not attached or an object is missing.
TKAPI int WINAPI WRStopTimeLabelsUpdate(GrDesc* graph, WORD labels, WORD scroll);
// The start of the labels of time axis `axis` in seconds of the day; 1, or 0 (and 0 seconds) when the
// axis has no time labels.
TKAPI int WINAPI WRGetStartSec(GrDesc* graph, WORD axis, INT* seconds);
// Rounds the range of value `index` (below 0: all values) held in the set's history to a range for the
// (non-time) axis `axis`; with `apply` the axis takes it and is redrawn. 1, 0 when nothing was computed.
TKAPI int WINAPI WRAutoRescale(GrDesc* graph, WORD axis, int slot, int index, float* min, float* max, int apply);

// ---- Dynamic grid --------------------------------------------------------------------------------

// Takes over the grid of axis `axis` (which then no longer draws it) and draws it on every full paint
// and, with a period above 0, every `period` seconds, over the live traces. Kind 0 major, 1 minor,
// 2 both grids, each with the graph's current line. Object number, 0 on failure.
TKAPI WORD WINAPI WRDynGrid(GrDesc* graph, int axis, int kind, int period);
// ---- Child-window controls -----------------------------------------------------------------------
// Real child windows of the graph window (type 111): scrollbars, owner-drawn buttons, button groups
// and LED lamps. The host passes its graph window's WM_DRAWITEM, WM_COMMAND, WM_HSCROLL, WM_VSCROLL
// and control-colour messages to HXChildControlProc. Positions are fractions of the graph.

// The host's notification: (graph, object, new, old). Scrollbars pass pointers to the new and the
// old value (float) and move the thumb when the result is non-zero; buttons pass the new and the old
// state (groups: selection).
typedef int(WINAPI* ControlNotifyProc)(GrDesc* graph, WORD object, INT_PTR newValue, INT_PTR oldValue);

// A scrollbar from minimum to maximum in steps (neither range nor step 0); 0 without a callback.
TKAPI WORD WINAPI WRSetScrBarControl(GrDesc* graph, ControlNotifyProc notify, float x, float y, float w, float h,
                                     COLORREF colour, float minimum, float maximum, float step, float page,
                                     float value);
TKAPI int WINAPI WRSetScrollPos(GrDesc* graph, WORD number, float value);
TKAPI void WINAPI WRGetScrollPos(GrDesc* graph, WORD number, float* value);
TKAPI int WINAPI WRGetScrBar(GrDesc* graph, WORD number, float* minimum, float* maximum, float* step, float* page);
// Keeps the value shown.
TKAPI int WINAPI WRChangeScrBar(GrDesc* graph, WORD number, float minimum, float maximum, float step, float page);
// Kind 0 momentary, 1 toggle; style 0 flat 3-D, 1 deep 3-D, 2 round indicator, 3 square indicator;
// side non-zero puts the indicator at the right.
TKAPI WORD WINAPI WRSetButtonControl(GrDesc* graph, ControlNotifyProc notify, int kind, int style, float x, float y,
                                     float w, float h, COLORREF colour, const char* caption, int side);
// 2-20 buttons with 16-character captions; orientation 0 stacks them top to bottom.
TKAPI WORD WINAPI WRSetButtonGroup(GrDesc* graph, ControlNotifyProc notify, int style, float x, float y, float w,
                                   float h, COLORREF colour, int count, int orientation, const char* captions,
                                   int side);
// A round lamp of `size` (fraction of the graph's width) centred at (x, y); palette indices.
TKAPI WORD WINAPI WRSetLEDControl(GrDesc* graph, float x, float y, float size, COLORREF colour, int on, int off);
TKAPI int WINAPI WRGetButtonState(GrDesc* graph, WORD number);
TKAPI int WINAPI WRChangeButtonState(GrDesc* graph, WORD number, int selection);
TKAPI void WINAPI WRChangeButtonColor(GrDesc* graph, WORD number, COLORREF colour, int button);
TKAPI COLORREF WINAPI WRGetButtonColor(GrDesc* graph, WORD number, int button);
TKAPI LRESULT WINAPI HXChildControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI void CALLBACK ButtonDelayEnd(HWND window, UINT message, UINT_PTR id, DWORD time);
// The window of a control; for a group, that of button `button`.
TKAPI HWND WINAPI WRGetButtonWindow(GrDesc* graph, WORD number, int button);

// ---- Dynamic legend ------------------------------------------------------------------------------
// A legend (plotkit type 3) bound to real-time object `number`: one entry per channel of a scroll
// graph, per pair of an XY graph, else per value of its set, each drawn in the object's present
// colour. Corners are fractions of the graph (right 0: automatic size); texts are rows of 42
// characters (none: the set's value labels); textOnly draws no samples. Object 0 or a plotkit object
// makes an ordinary legend (needs texts). Returns the legend's number, 0 on failure.
TKAPI WORD WINAPI WRDynLegend(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                              int frameWidth, int textColour, int areaColour, int orientation, HGLOBAL texts,
                              WORD number, int textOnly);
TKAPI WORD WINAPI WRDynLegendPtr(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                                 int frameWidth, int textColour, int areaColour, int orientation, const char* texts,
                                 WORD number, int textOnly);
// Where shown item k of a legend or a dynamic text goes (logical units); align bit 2 right, bits 2
// and 4 centred. A negative or too large k leaves x and y alone.
TKAPI void WINAPI TextItemCoords(GrDesc* graph, ObjDesc* record, int k, int align, int* x, int* y);

// ---- Tags of stacked and logic graphs ------------------------------------------------------------
// A column (lanes stacked) or row of tags beside the lanes of stacked or logic graph `number`, on
// the side where time starts: the caller's text in 42-character fields, or the set's value labels.
// Frame colour and width, text and area colour as for the dynamic legend. Returns the legend's number.
TKAPI WORD WINAPI WRLogicTagsPtr(GrDesc* graph, int frameColour, int frameWidth, int textColour, int areaColour,
                                 const char* tags, WORD number);
TKAPI WORD WINAPI WRLogicTags(GrDesc* graph, int frameColour, int frameWidth, int textColour, int areaColour,
                              HGLOBAL tags, WORD number);

// ---- Text panel builder --------------------------------------------------------------------------
// Fills an empty graph with a table of set `slot`'s values: TAG, VALUE, UNITS, SETP, ALARM and
// DESCRIPTOR columns (columns: five flags tag, units, setpoint, alarm, descriptor; null: all; the
// descriptor column needs descriptors, one 42-character field per value). `colours`: one palette
// index per value, or null. `out` (or null) gets the title, tag legend, value text and alarm text.
TKAPI void WINAPI WRSetAutoText(GrDesc* graph, int slot, int digits, int decimals, const int* colours,
                                const char* descriptors, const int* columns, WORD* out);

// ---- Annunciator panel ---------------------------------------------------------------------------
// Fills a graph with rows x columns cells, one per value of set `slot` (more cells than values are
// never made): each a rectangle in its normal colour (one RGB per value) holding the items chosen
// (items: tag, value, units, alarm flags; null: all) in the value's text colour (null: the automatic
// one). A cell turns to the alarm colour while its value is in any alarm. Frame styles 0-5 are those
// of WGRectangleNormEx. Errors: 55 for an empty slot, 30 when no item is chosen.
TKAPI void WINAPI WRSetAnnun(GrDesc* graph, int slot, int digits, int decimals, const int* textColours,
                             const COLORREF* normalColours, COLORREF alarmColour, int rows, int columns,
                             const int* items, int frameStyle);
// The object numbers of an annunciator's title and of value `value`'s tag, value, units and alarm
// texts (0: none).
TKAPI WORD WINAPI WRGetAnnTitle(GrDesc* graph, WORD number);
TKAPI WORD WINAPI WRGetAnnTag(GrDesc* graph, WORD number, int value);
TKAPI WORD WINAPI WRGetAnnVal(GrDesc* graph, WORD number, int value);
TKAPI WORD WINAPI WRGetAnnUnits(GrDesc* graph, WORD number, int value);
TKAPI WORD WINAPI WRGetAnnAlm(GrDesc* graph, WORD number, int value);

// ---- PID loops -----------------------------------------------------------------------------------
// Software PID controllers in slots 1-127. The caller steps a loop with WRCalcPID at the loop's
// sample time; the loop publishes [process value, setpoint] to its process-value set and [output] to
// its output set (bit 0 of the output set's bit word in automatic, bit 1 in manual).
// Output ends are ordered automatically; the limits are kept inside the output range. A rate limit
// of 0 or less means no rate limit. Returns the loop slot, 0 on failure.
TKAPI int WINAPI WRDefinePID(int pvSlot, int outSlot, const char* name, float setpoint, float gain,
                             float integral, float derivativeTime, float bias, float pvHigh, float pvLow,
                             float outEndA, float outEndB, float limitHigh, float limitLow, float rateLimit,
                             float dt, float filter, int action);
// One step with process value `pv`; the new output goes to `output`. 1, 0 for an unknown slot.
TKAPI int WINAPI WRCalcPID(int slot, float pv, float* output);
TKAPI void WINAPI WRChangePIDSetp(int slot, float setpoint);
TKAPI void WINAPI WRChangePIDSteadyState(int slot, float bias);
TKAPI void WINAPI WRChangePIDConstants(int slot, float gain, float integral, float derivativeTime);
TKAPI int WINAPI WRGetPIDConstants(int slot, float* gain, float* integral, float* derivativeTime);
TKAPI int WINAPI WRGetPIDSetp(int slot, float* setpoint);
// 1 automatic, 0 manual or unknown slot.
TKAPI int WINAPI WRGetPIDAutoState(int slot);
TKAPI void WINAPI WRChangePIDAutoState(int slot, int state);
// Manual only: 1 stored, 0 in automatic or for an unknown slot.
TKAPI int WINAPI WRChangePIDOut(int slot, float output);
// Frees the loop; with `freeSets` also its two data sets (refused for sets still in use).
TKAPI void WINAPI WRDeletePID(int slot, int freeSets);
// A faceplate of a loop on a graph being built: process value and setpoint bars on a left scale,
// the output bar on a right scale, value texts, legends, alarm texts showing `normalMessage` while
// normal, and (with `autoText`) an automatic/manual indicator. `colours`: process value, setpoint,
// output. `out` (16 entries, or null, zeroed first) receives the object numbers: 0 title, 1-3 process
// axis, labels, title, 4 process bargraph, 5-7 output axis, labels, title, 8 output bargraph,
// 9 indicator, 10-12 process text, legend, alarm text, 13-15 the same for the output. Returns the
// output axis's number; 0, with nothing built, for a free slot or a loop without both data sets.
TKAPI WORD WINAPI WRSetPIDBargraph(GrDesc* graph, int slot, float pvBase, float outBase, int pvPrecision,
                                   int outPrecision, const char* normalMessage, const char* autoText,
                                   const char* manualText, const COLORREF* colours, WORD* out);
// The modal "PID Parameters" dialog on a loop: 1 when it ended with OK, else 0 (0 at once for slot 0).
TKAPI int WINAPI WREditPIDDlg(int slot);
TKAPI INT_PTR CALLBACK PIDDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Meters --------------------------------------------------------------------------------------
// A round dial of one data set on a graph being built, centred at (cx, cy) with diameter `diameter`
// (fractions of the graph's width), the scale running from `maximum` at `startAngle` to `minimum` at
// `endAngle` (degrees counter-clockwise from 3 o'clock; equal angles: a full circle). Needle meter:
// value `valueIndex` (negative: the first five values, one needle each) in needle style 0-5 and the
// palette colours `colours` (one per value). Ticks: `tickFraction` of the diameter long, labels every
// `majorStep` with `minorTicks` between, tick position 0 inside, 3 across, 4 outside the circle;
// label position 0 inside the ticks, else outside (4 also makes room for them). `zoneColours` (normal,
// high, low palette indices, null: defaults) colour the alarm zones. Returns the object number, 0 on
// failure (a value the set lacks, an empty range).
TKAPI WORD WINAPI WRSetMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum, float cx,
                             float cy, float diameter, int startAngle, int endAngle, int needleStyle,
                             const int* colours, float tickFraction, float majorStep, int minorTicks,
                             int tickPosition, int labelPosition, int labelDecimals, int readout,
                             int readoutDecimals, int scaleArc, int units, int zones, float zoneWidth,
                             const int* zoneColours);
// A meter whose band along the scale grows from `reference` to the value, in the palette colour
// `valueColour` over `backgroundColour` (negative: none); `bandWidth` a fraction of the diameter.
TKAPI WORD WINAPI WRSetArcMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum,
                                float reference, float cx, float cy, float diameter, int startAngle, int endAngle,
                                int valueColour, int backgroundColour, float bandWidth, float tickFraction,
                                float majorStep, int minorTicks, int tickPosition, int labelDecimals, int readout,
                                int readoutDecimals, int scaleArc, int units, int zones, float zoneWidth,
                                const int* zoneColours);
// A meter whose filled sector grows from `reference` to the value.
TKAPI WORD WINAPI WRSetPieMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum,
                                float reference, float cx, float cy, float diameter, int startAngle, int endAngle,
                                int valueColour, int backgroundColour, float tickFraction, float majorStep,
                                int minorTicks, int tickPosition, int labelDecimals, int scaleArc, int zones,
                                float zoneWidth, const int* zoneColours);
// The meter's face colour and border: kind 0 none, 1 rectangle, 2 circle, 3 rounded rectangle of the
// given centre and size (fractions of the graph).
TKAPI void WINAPI WRSetMeterBorder(GrDesc* graph, WORD number, float cx, float cy, float width, float height,
                                   COLORREF face, int kind, int colourIndex, int borderWidth);
// Accessors: 1 done, 0 not (no such meter, or a refused value).
TKAPI int WINAPI WRChangeMeterRange(GrDesc* graph, WORD number, float minimum, float maximum, float reference,
                                    int redraw);
TKAPI int WINAPI WRGetMeterRange(GrDesc* graph, WORD number, float* minimum, float* maximum, float* reference);
TKAPI int WINAPI WRChangeMeterTicks(GrDesc* graph, WORD number, float tickFraction, float majorStep,
                                    int minorTicks, int tickPosition, int redraw);
TKAPI int WINAPI WRGetMeterTicks(GrDesc* graph, WORD number, float* tickFraction, float* majorStep,
                                 int* minorTicks, int* tickPosition);
TKAPI int WINAPI WRGetMeterCenter(GrDesc* graph, WORD number, float* cx, float* cy, float* diameter);
TKAPI int WINAPI WRChangeMeterCenter(GrDesc* graph, WORD number, float cx, float cy, float diameter, int redraw);
TKAPI int WINAPI WRGetMeterAngles(GrDesc* graph, WORD number, int* startAngle, int* endAngle);
TKAPI int WINAPI WRChangeMeterAngles(GrDesc* graph, WORD number, int startAngle, int endAngle, int redraw);
// Maps a memory DC at the graph's scale so that the logical point `origin` falls on its pixel (0, 0).
TKAPI void WINAPI MapMeter(GrDesc* graph, HDC dc, POINT origin);
// The meter's edit dialog (init value: the meter's memory handle) and the meter background dialog
// it opens (init value: a meter record, whose face colour and border it sets at OK). Modal; 1 for OK,
// 2 for Cancel.
TKAPI INT_PTR CALLBACK MeterDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI INT_PTR CALLBACK MeterBackgndDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Object edit dialogs. Each runs modally on its own resource template and returns 1 (OK) or 2
// (Cancel); one of each kind is open at a time.
TKAPI int WINAPI rtDisplayDialogBoxParam(DLGPROC proc, const char* name, HWND owner, LPARAM param);
// Init value: the data set record.
TKAPI INT_PTR CALLBACK AlarmLimitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the memory handle of the alarm lines / alarm marks object.
TKAPI INT_PTR CALLBACK AlarmLineDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI INT_PTR CALLBACK AlarmMarksDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the memory handle of the dynamic text, alarm text / message object.
TKAPI INT_PTR CALLBACK DynTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI INT_PTR CALLBACK AlarmTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI INT_PTR CALLBACK MessageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the graph, whose selected object is a time axis.
TKAPI INT_PTR CALLBACK TimeAxisDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the memory handle of the time labels object.
TKAPI INT_PTR CALLBACK TimeLabelsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the graph, whose selected object is a scroll-family graph (ScrollGraphDlgProc: any but
// the scroll bargraph; ScrollBarDlgProc: the scroll bargraph).
TKAPI INT_PTR CALLBACK ScrollGraphDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TKAPI INT_PTR CALLBACK ScrollBarDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Init value: the memory handle of the dynamic bars object.
TKAPI INT_PTR CALLBACK DynBarsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
