// The scroll family's record and the operations its members share (not exported): the scroll graph,
// sweep and variable scroll graphs, stacked and logic graphs (type 103) and the XY graphs (type 104).
#pragma once

#include "TrendkitInternal.h"

namespace trendkit
{

enum
{
    SCROLL_PLAIN = 1,
    SCROLL_BARGRAPH = 2,
    SCROLL_SWEEP = 3,
    SCROLL_LOGIC = 4,
    SCROLL_VARIABLE = 5,
    SCROLL_STACKED = 7,
    XY_SUBTYPE = 3, // type 104
};

// Record of types 103 and 104. Positions are the sample places across the screen; ring slots hold
// the samples shown. The three buffers belong to the record.
struct ScrollDesc
{
    RtRangedDesc r;
    WORD timeLabels[3]; // attached time-label objects, filled in order (0: none)
    SHORT channels;
    SHORT lineMode; // 0 straight, 1 step at the earlier time, 2 hold until the later time
    LineDesc pens[RT_MAX_VALUES];
    DynDataSetDesc* liveSet; // while frozen: the live set (the record shows a frozen copy)
    float interval;          // seconds (time-axis units) per sample
    float keptFraction;
    float jumpSpan; // time-axis units moved at a jump
    INT points;     // positions per screen
    INT kept;       // positions kept at a jump
    INT position;   // positions drawn
    INT start;      // ring slot drawn at position 0
    INT ringIndex;  // slot of the newest sample, -1 before the first
    INT previous;   // slot of the sample before it; negative: no segment
    INT barValue;
    UINT ringCount;
    INT scrolled;
    INT ringFull;
    POINT* coords; // per position; the time coordinate is fixed, the value one filled while drawing
    float* values; // points x valueFloats (logic graphs: one bit word per sample)
    INT valueFloats;
    INT* pixels;  // (points + 2) x channels value coordinates, slot by slot
    INT* xPixels; // XY graphs: points x channels x coordinates
    INT oldestShown;
    INT positionAtFreeze;
    BYTE frozen;
    // Stacked and logic graphs.
    float bandFraction;
    INT bandSize;
    INT bands;
    // Sweep graph.
    INT samplesPerPixel;
    // XY graphs in the history view: seconds per sample (from the window length the host gives).
    float historyInterval;
    // While frozen: the copy of the set (with its ring) that the record owns.
    DynDataSetDesc* frozenCopy;
    // XY graphs: 1 for the ascending kind (a trace breaks where its x falls back).
    INT ascending;
    // Scroll bargraph: the bar layout, the fill colour and whether the first pen borders the bars.
    float barWidthFraction;
    INT barWidth;
    INT barBase;
    COLORREF barFill;
    INT barBorder;
};

// Hooks of the time-label objects (set by their module when it is there); every call may be absent.
struct TimeLabelHooks
{
    void (*shift)(GrDesc* graph, WORD labels, float delta) = nullptr;
    void (*freeze)(GrDesc* graph, WORD labels, bool frozen) = nullptr;
    // The labels object of an axis, 0 for none.
    WORD (*find)(GrDesc* graph, WORD axis) = nullptr;
};
TimeLabelHooks& TimeLabels();

ScrollDesc* AsScroll(ObjDesc* object);
// The pen of trace `member` of a scroll or XY object; null for another object or no such trace.
LineDesc* TracePen(ObjDesc* object, int member);
bool IsLogic(const ScrollDesc* s);
bool IsXY(const ScrollDesc* s);
// The time range |to - from| along the record's time direction.
float TimeRange(const ScrollDesc* s);

// Shared creation step; returns the object's number or 0 (error reported, buffers freed).
WORD InitScrollObj(GrDesc* graph, ScrollDesc* s, float keptFraction, int valueCount, const int* styles,
                   const int* widths, const int* colours, DynDataSetDesc* set);
void ComputeTimePositions(GrDesc* graph, ScrollDesc* s, HDC dc);
// The value coordinates of ring slot `slot` from its stored values.
void SampleToPixels(GrDesc* graph, ScrollDesc* s, int slot);
void PointsToPixels(GrDesc* graph, ScrollDesc* s);
// Fills the value ring from the data set's ring: back indexes `to` (oldest) down to `from`, oldest
// first from slot 0; returns the number of samples copied.
int CopyHistToGraph(ScrollDesc* s, int from, int to, int limit = -1); // limit: slots (-1: points)
// Shifts the attached time labels (or the time axis's labels) by `delta` time-axis units.
void ShiftAttachedLabels(GrDesc* graph, ScrollDesc* s, float delta);
void FreezeAttachedLabels(GrDesc* graph, ScrollDesc* s, bool frozen);

// Advances ring index and ring count for a new sample.
void AdvanceRing(ScrollDesc* s);
void StoreSample(ScrollDesc* s, int slot);
// The time coordinate of position i and the value coordinate of channel c of ring slot `slot`.
LOGPEN PenOfLine(const LineDesc& line);
void DrawScrollSegment(GrDesc* graph, ScrollDesc* s, HDC dc);
void DrawScrollTraces(GrDesc* graph, ScrollDesc* s, HDC dc, int firstSlot, int count, bool erase);
// Erases the trace of positions 0..position-1 from slot `oldStart` and draws `newCount` positions from
// `newStart`.
void RedrawScrollTrace(GrDesc* graph, ScrollDesc* s, HDC dc, int oldStart, int oldCount, int newStart,
                       int newCount);

// Rescaling.
int ClassifyRescale(int oldPoints, int newPoints, int position, UINT historyCapacity, int ringFull);
void RefillScrollValues(ScrollDesc* s, const float* oldValues, int oldPoints, int newPoints, int kase);
bool ApplyScrollRescale(GrDesc* graph, ScrollDesc* s, int newPoints, float range, int kase);

// History view internals.
void FreeFrozenCopy(ScrollDesc* s);

// The plain scroll graph's paint and update callbacks (also the stacked and logic graphs').
void InstallScrollCallbacks(ScrollDesc* s);

// The variable scroll graph's time and value coordinates after a change of the axes.
void RecomputeVarScroll(GrDesc* graph, ScrollDesc* s);

// Registration of the family's types (run at load).
void RegisterScrollTypes();

} // namespace trendkit
