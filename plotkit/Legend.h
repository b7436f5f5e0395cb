// The record of a legend (object type 3), shared by the legend and its dialog.
#pragma once

#include "PlotkitInternal.h"

namespace plotkit
{

inline constexpr int kLegendText = 42; // characters of an entry text

struct LegendItem
{
    SHORT source; // object number of the sample's object (0: none)
    SHORT member; // series or slice of a group object or pie chart
    char text[kLegendText + 1];
    INT shown;
};

// The items live in their own block (calloc), copied with the record and freed with it; the
// texts are the legend's own copies.
struct LegendDesc
{
    ObjDesc head;    // the head's line is the border
    FontDesc font;   // its colour index is the text colour (negative: each sample's colour)
    SHORT itemCount; // entries + 1 (the title item)
    SHORT longestLength, longestIndex;
    SHORT areaColor; // palette index, -1 none
    INT longestWidth;
    INT fontHeight; // logical
    INT itemWidth;
    INT orientation; // 0 a column, 1 rows
    SHORT kind;      // 0 the graph's curves, 1 one group object or pie chart, 2 a given count
    INT border;
    INT shortSamples;
    SHORT linesShown;
    BYTE titleShown;
    SHORT source; // the group object or pie chart of kind 1
    INT fx;       // the font height along x
    INT measure;  // the texts changed: measure them again at the next drawing
    LegendItem* items;
};

} // namespace plotkit
