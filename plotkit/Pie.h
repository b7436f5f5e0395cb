// The records of a pie chart (object type 20), shared by the chart and its dialogs.
#pragma once

#include "PlotkitInternal.h"

namespace plotkit
{

inline constexpr int kLabelSize = 42;
inline constexpr int kSubKind3D = 11;

struct SliceDesc
{
    float value;
    COLORREF fill;
    LineDesc border;
    INT exploded;
    float explosion; // fraction of the radius, at most 1.0
    char label[kLabelSize];
    BYTE hatch; // 0-5, 255 solid
    BYTE ownBorder;
};

// The slices live in their own block (calloc), copied with the record and freed with it.
struct PieDesc
{
    ObjDesc head;
    FontDesc font;
    float centreX, centreY; // normalised in the plot area
    float diameter;         // fraction of the plot area's smaller side
    HGLOBAL values;         // the caller's value block (the values are copied into the slices)
    SHORT count;
    SHORT valueText; // 0 none, 1 percentage, 2 value, 3 value and percentage
    SHORT textPos;   // 0 inside, 1 outside
    SHORT selected;
    SliceDesc* slices;
};

// Explosion rule: above 0 explodes the slice (capped at 1.0), anything else takes it back.
void SetExplosion(SliceDesc& slice, float explosion);
// The pie's bounding rectangle in graph logical units, from its centre and diameter.
void PlaceRectangle(GrDesc* graph, PieDesc* pie);

} // namespace plotkit
