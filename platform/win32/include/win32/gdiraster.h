// The drawing core's own rasterizer: lines, shapes, polygons and fills written as pixel spans into
// a device's pixmap by Windows' raster rules, so charts, markers and hit tests land on the pixels
// the system's code expects. A pixel device (win32/gdidevice.h) hands its drawing calls here and
// keeps text and pictures for itself.
//
// The rules, in device pixels (pixel (x, y) is the unit square right of and below the point):
// - One-pixel (cosmetic) lines light one pixel per step along their longer axis, the pixel nearest
//   the line; where the line runs exactly between two pixels the upper one (x-major lines) or the
//   left one (y-major lines) is lit, whichever way the line is drawn. The start point is drawn, the
//   end point is not. Styled lines count their dashes from the start point, pixel by pixel, and
//   carry them on across the joints of a polyline.
// - Wider (geometric) pens cover the pixels whose top-left corner lies inside the pen's outline
//   (left and top edges inside, right and bottom outside), with the pen's caps and joins.
// - Polygons fill by the same sampling rule, by the alternate or the winding rule.
// - Ellipses, round rectangles, arcs, pies and chords are bounded by their box, right and bottom
//   exclusive: a one-pixel outline runs on the box's outermost pixels, the interior is filled up
//   to it without overlapping it.
// - A shape's or polygon's fill and outline never overlap, so a raster op reaches each of their
//   pixels once. The lines of a polyline are drawn one by one, as Windows does: where two of them
//   cross, the raster op reaches the pixel twice.
// - Everything is clipped to the target and the clip region.
#pragma once

#include "win32/gdidevice.h"

namespace kel::gdi
{

class Rasterizer
{
public:
    // The calls of a pixel device (see Device), drawn on context.target.
    void Polyline(const DrawContext& context, const POINT* points, size_t count);
    void Polygons(const DrawContext& context, const POINT* points, const int* counts, size_t polygons);
    void DrawShape(const DrawContext& context, const Shape& shape);
    void FillRect(const DrawContext& context, const RECT& rect, const DeviceBrush& brush);
    void Points(const DrawContext& context, const POINT* points, size_t count, COLORREF color);
};

} // namespace kel::gdi
