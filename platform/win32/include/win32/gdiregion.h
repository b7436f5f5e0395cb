// A set of pixels as rectangles, the way the drawing side keeps clip regions, region objects and
// the parts of a window's backing image: y-x banded (rectangles sorted by top, then left; the
// rectangles of a band share top and bottom), spans within a band merged where they touch, and
// touching bands with the same spans merged into one. That form is unique for a set of pixels, so
// two regions are equal exactly when their rectangle lists are. Right and bottom edges are
// exclusive. For backends and tests; the system's code uses HRGN.
#pragma once

#include "win32/types.h"

#include <cstddef>
#include <vector>

namespace kel::gdi
{

class Region
{
public:
    Region() = default;
    // The rectangle's pixels; empty when it has no width or height.
    explicit Region(const RECT& rect);

    // The pixels whose centres lie inside the ellipse that fills `box` (right and bottom exclusive),
    // row by row.
    static Region Ellipse(const RECT& box);
    // The box with its corners cut by quarters of an ellipse cornerW by cornerH (clamped to the box),
    // by the same rule.
    static Region RoundRect(const RECT& box, int cornerW, int cornerH);
    // The pixels of the polygons (counts[i] points each, closed) as they are filled: those whose
    // top-left corner lies inside (on a left or top edge counts as inside), by the alternate
    // (even-odd) or the winding rule.
    static Region Polygons(const POINT* points, const int* counts, int polygons, bool winding);

    bool IsEmpty() const { return rects_.empty(); }
    // The smallest rectangle holding every pixel; all zero when empty.
    RECT Bounds() const;
    const std::vector<RECT>& Rects() const { return rects_; }
    size_t RectCount() const { return rects_.size(); }
    bool Contains(int x, int y) const;
    // Whether any pixel of the rectangle is in the region.
    bool Intersects(const RECT& rect) const;

    // Moves every pixel by (dx, dy); coordinates saturate at +-2^30 instead of overflowing.
    void Offset(int dx, int dy);
    Region Offsetted(int dx, int dy) const;

    Region operator|(const Region& other) const;
    Region operator&(const Region& other) const;
    Region operator-(const Region& other) const;
    Region operator^(const Region& other) const;
    Region& operator|=(const Region& other) { return *this = *this | other; }
    Region& operator&=(const Region& other) { return *this = *this & other; }
    Region& operator-=(const Region& other) { return *this = *this - other; }
    Region& operator^=(const Region& other) { return *this = *this ^ other; }
    bool operator==(const Region& other) const;
    bool operator!=(const Region& other) const { return !(*this == other); }

private:
    enum class Op
    {
        Union,
        Intersect,
        Subtract,
        Xor
    };
    static Region Combine(const Region& a, const Region& b, Op op);
    // Appends a band of spans (x pairs) over [top, bottom), merging it into the last band when it
    // touches it with the same spans.
    void AddBand(int top, int bottom, const std::vector<int>& spans);

    std::vector<RECT> rects_;
};

} // namespace kel::gdi
