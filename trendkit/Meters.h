// The meter (type 110): a round dial showing live values of one data set by the angle of a pointer on
// a scale. Subtype 0 needle meter (up to five needles), 1 pie meter, 2 arc meter. The model and
// geometry live in MeterModel.cpp, the drawing in MeterDraw.cpp (not exported).
#pragma once

#include "TrendkitInternal.h"

namespace trendkit
{

enum
{
    METER_NEEDLE = 0,
    METER_PIE = 1,
    METER_ARC = 2,
    METER_MAX_NEEDLES = 5,
};

struct MeterNeedle
{
    SHORT angle, previousAngle; // whole degrees
    float sine, cosine;         // of the exact (fractional) angle
    float previousSine, previousCosine;
    INT length, tail; // logical units
    COLORREF colour;
    SHORT colourIndex;
};

struct MeterDesc
{
    RtObjDesc rt;
    FontDesc font;
    INT regeometry;
    RECT dial;
    POINT startPoint, endPoint;
    POINT centre;
    INT radius;
    INT tickLength;
    float floatRect[4];
    float floatStart[2], floatEnd[2];
    float cx, cy;
    float rx, ry;
    SHORT startAngle, endAngle, highAngle, lowAngle;
    float tickFraction;
    float degreesPerUnit;
    float minimum, maximum;
    float reference;
    float majorStep;
    INT capHeight;
    SHORT minorTicks;
    SHORT tickPosition;
    SHORT labelPosition;
    HBITMAP background;
    MeterNeedle needles[METER_MAX_NEEDLES];
    SHORT zoneColours[3]; // normal, high, low; -1 not drawn
    INT zoneWidth;
    LineDesc borderLine;
    COLORREF face;
    INT hubSize;
    INT bandWidth;
    INT innerRadius;
    signed char valueIndex;
    BYTE readout;
    signed char labelDecimals;
    signed char readoutDecimals;
    BYTE needleStyle;
    BYTE borderKind;
    BYTE scaleArc;
    BYTE units;
    BYTE zones;
    BYTE fullCircle;
    signed char direction;
};

// The record of a meter, null for anything else.
MeterDesc* AsMeter(ObjDesc* object);
// The range of shown values: first..last (last < first: none).
void MeterValueRange(const MeterDesc* m, int* first, int* last);
// The angle (degrees, fractional) of `value` on the scale.
double MeterAngle(const MeterDesc* m, double value);
void SetMeterGeometry(GrDesc* graph, MeterDesc* m, float cx, float cy, float diameter);
void RelayoutNeedles(GrDesc* graph, MeterDesc* m, float previousRx);
void MoveNeedle(MeterNeedle* n, double a, int i);
void RegisterMeterType();
// The meter's edit dialog on the object behind `handle` (1 OK, 2 Cancel).
int EditMeter(GrDesc* graph, RtObjDesc* object, HGLOBAL handle);

// Drawing.
void PaintMeter(GrDesc* graph, HDC dc);
void DrawMeterMoving(GrDesc* graph, HDC dc, MeterDesc* m);

} // namespace trendkit
