// What the one-call graph builders share (not exported): text size and colours derived from the graph
// window, default alarm limits and colours of a data set, and the width estimate of value labels.
#pragma once

#include "TrendkitInternal.h"

namespace trendkit
{

struct AutoStyle
{
    int background = 0; // palette index of the graph's background
    int text = 0;       // contrast colour of the background
    int title = 0;
    int line = 0; // only when asked for
    int points = 0;
    float widthUnit = 0, heightUnit = 0; // the text size as fractions of the graph's width and height
    char face[LF_FACESIZE] = {};
    int flags = 0; // 1 bold, 2 italic
};

// The builders' text size and colours for `graph`; with `withLine` the graph's current line becomes a
// solid line of width 1 in the line colour.
AutoStyle AutoGraphStyle(GrDesc* graph, HDC dc, bool withLine);

// Sets the set's default alarm limits (High and Low when it has none), hysteresis and setpoint, and
// gives the alarm colours (kinds 1-7 at 0-6) and the mark colours (0 normal, 1 High, 2 Low).
void AutoAlarmLimits(int slot, DynDataSetDesc* set, int background, float high, float low, float setpoint,
                     const char* highMessage, const char* lowMessage, int alarmColours[7], int markColours[3]);

// Characters a value label of a range from `low` to `high` takes with `precision` decimals.
int LabelDigits(float low, float high, int precision);

// Whether the set has value labels.
bool HasValueLabels(const DynDataSetDesc* set);
// The widest value label of the set in the builders' text font, in graph logical units.
int WidestValueLabel(GrDesc* graph, HDC dc, const DynDataSetDesc* set, const AutoStyle& style);

} // namespace trendkit
