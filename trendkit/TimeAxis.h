// Time axes and their labels (not exported): the record of a time labels object (type 105,
// subtype 10) and what the scrolling graphs call after they jump.
#pragma once

#include "TrendkitInternal.h"

namespace trendkit
{

enum
{
    TIME_AXIS_SUBTYPE = 10,
    TIME_LABELS_SUBTYPE = 10,
    TIME_LAST_TEXT_MAX = 12,
};

struct TimeLabelsDesc
{
    RtObjDesc rt; // head.xAxis: the labelled axis
    FontDesc font;
    SHORT position;    // 0, 4, 6, 7 for a horizontal axis; 1, 2, 8, 9 for a vertical one
    SHORT orientation; // the axis's at creation: 1 horizontal, 0 vertical
    SHORT lastMode;    // 0 drawn, 1 left out, 2 replaced by lastText
    UINT startHours;   // the shown start as time of day (hours not reduced)
    BYTE startMinutes, startSeconds;
    BYTE frozen;  // the owning graph shows history: the history start is shown
    SHORT format; // 0 number, 1 hh:mm:ss, 2 hh:mm, 4 mm:ss
    signed char precision;
    BYTE precisionSet;
    INT widest; // logical units, from the last measuring paint
    char lastText[TIME_LAST_TEXT_MAX + 1];
    float liveStart; // seconds for the clock formats, axis units for format 0
    float historyStart, historyCopy;
};

// Clock text of `t` whole seconds: 1 hh:mm:ss, 2 hh:mm, 4 mm:ss; empty for any other format.
std::string FormatClockTime(long long t, int format);
// Moves the labels object `number` by `delta` axis units (repaints only when its text changes).
void ShiftTimeLabels(GrDesc* graph, WORD number, float delta);
// After `jumps` jumps of a scrolling record with `labels` attached (up to three, filled in order).
void AdvanceTimeLabels(GrDesc* graph, const WORD* labels, int jumps, float jumpSpan);

} // namespace trendkit
