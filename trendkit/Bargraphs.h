// The bar displays (not exported): the dynamic bargraph (type 106), one bar per value of a data set,
// and the scroll bargraph (type 103, subtype 2), one bar per sample of one value. Both lay out their
// bars with the same geometry.
#pragma once

#include "ScrollGraph.h"

namespace trendkit
{

// What both bar displays share: the bar width along the category (or time) axis and the coordinate
// the bars grow from, recomputed whenever the plot or the scale changes.
struct BarGeometry
{
    float widthFraction; // of the plot extent along the category axis; negative for a descending axis
    INT barWidth;        // logical units
    INT base;            // logical units along the value axis
    INT dirty;           // 1: recompute before the next drawing
};

// Dynamic bargraph (type 106).
struct BarsDesc
{
    RtRangedDesc r; // direction 1: bars stand on the X axis and grow along Y; 0: they lie along Y
    BarGeometry g;
    LineDesc* borders; // one per bar, or null without border colours
    float baseValue;
    float first, last; // bar positions, category-axis units
    SHORT count;
    INT edges[RT_MAX_VALUES];    // leading edge of each bar along the category axis
    INT values[RT_MAX_VALUES];   // value coordinates
    INT previous[RT_MAX_VALUES]; // value coordinates before the last update
    COLORREF fills[RT_MAX_VALUES];
    signed char hatches[RT_MAX_VALUES]; // -1 solid, else a hatch style
    SHORT current;                      // the bar the edit dialog works on
};

BarsDesc* AsBars(ObjDesc* object);
// Bar positions, geometry and the value coordinates of the set's current values.
void RecalcBargraph(GrDesc* graph, BarsDesc* bars, HDC dc);
// Registration of the dynamic bargraph's type (run at load).
void RegisterBarTypes();
// The scroll bargraph's paint and update callbacks.
void InstallScrollBarCallbacks(ScrollDesc* s);

// The scroll bargraph's geometry for `dc` (null: no pixel snapping).
void ScrollBarGeometry(GrDesc* graph, ScrollDesc* s, HDC dc);

} // namespace trendkit
