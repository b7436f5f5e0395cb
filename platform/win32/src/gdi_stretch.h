// Internal: a stretch's source cut to the bitmap it reads. Metafile records and callers may name a
// source rectangle far beyond the bitmap (16384 x 16384 of a 1 x 1 bitmap); what lies outside draws
// nothing, and copying it first would cost gigabytes and seconds.
#pragma once

#include "win32/types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kel::gdi
{

// Cuts source (bitmap pixels counted from the top, right and bottom exclusive) to a width x height
// bitmap, and the destination (origin x, y and extents w, h, which may be negative) in proportion.
// The source's left column lands at the destination's x (at x + w when mirrorX), its top row at y
// (at y + h when mirrorY). Nothing changes when the source lies inside the bitmap; false when no
// source pixel is left to draw.
inline bool ClipStretchSource(RECT& source, int width, int height, int& x, int& y, int& w, int& h,
                              bool mirrorX, bool mirrorY)
{
    const auto axis = [](LONG& lo, LONG& hi, int limit, int& origin, int& extent, bool mirrored)
    {
        const int64_t a = std::max<int64_t>(lo, 0), b = std::min<int64_t>(hi, limit);
        if (a >= b)
            return false;
        if (a == lo && b == hi)
            return true;
        const int64_t n = int64_t(hi) - lo;
        // Offsets of the part kept, counted from the source end that lands on the origin.
        const int64_t from = mirrored ? hi - b : a - lo, to = mirrored ? hi - a : b - lo;
        const auto at = [&](int64_t offset)
        { return origin + std::llround(static_cast<double>(offset) * extent / static_cast<double>(n)); };
        const int64_t start = at(from), end = at(to);
        origin = static_cast<int>(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
        extent = static_cast<int>(std::clamp<int64_t>(end - start, INT32_MIN, INT32_MAX));
        lo = static_cast<LONG>(a);
        hi = static_cast<LONG>(b);
        return true;
    };
    return axis(source.left, source.right, width, x, w, mirrorX) &&
           axis(source.top, source.bottom, height, y, h, mirrorY);
}

} // namespace kel::gdi
