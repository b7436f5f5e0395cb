// Scan conversion shared by the rasterizer (gdi_raster*.cpp) and regions (gdi_region.cpp): shapes
// and polygons as rows of pixel spans, in exact integer arithmetic.
#pragma once

#include "win32/types.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kel::gdi::scan
{

// Where spans go: [x0, x1) of row y.
class SpanSink
{
public:
    virtual ~SpanSink() = default;
    virtual void Span(int y, int x0, int x1) = 0;
};

// Spans collected, then merged so each pixel appears once (a union of shapes drawn by a raster op
// that must touch each pixel once).
class SpanSet : public SpanSink
{
public:
    void Span(int y, int x0, int x1) override
    {
        if (x0 < x1)
            spans_.push_back(Item{y, x0, x1});
    }
    bool IsEmpty() const { return spans_.empty(); }
    // Hands the union to `out`, sorted by row then x, and empties the set.
    void Flush(SpanSink& out);

private:
    struct Item
    {
        int y, x0, x1;
    };
    std::vector<Item> spans_;
};

// Spans kept in the order they come, as SpanSet::Flush hands them over (sorted, disjoint).
class SpanList : public SpanSink
{
public:
    void Span(int y, int x0, int x1) override { spans_.push_back(Item{y, x0, x1}); }
    void Flush(SpanSink& out) const;
    // Hands [x0, x1) of row y less the listed spans to `out`.
    void Subtract(int y, int x0, int x1, SpanSink& out) const;

private:
    struct Item
    {
        int y, x0, x1;
    };
    std::vector<Item> spans_;
};

// Passes spans on to `out` less the pixels of a list (a fill painted around an outline).
class Outside : public SpanSink
{
public:
    Outside(const SpanList& list, SpanSink& out) : list_(list), out_(out) {}
    void Span(int y, int x0, int x1) override { list_.Subtract(y, x0, x1, out_); }

private:
    const SpanList& list_;
    SpanSink& out_;
};

// A box with rounded corners, centred on pixel coordinates given doubled (pixel x lies at 2x, so a
// centre between two pixels is odd): pixel (x, y) is inside when, with
//   u = max(0, |2x - cx2| - (width - cornerW)),  v = max(0, |2y - cy2| - (height - cornerH)),
//   u^2 cornerH^2 + v^2 cornerW^2 <= cornerW^2 cornerH^2.
// width and height are the box's extents through the centre in pixels; the corners are quarters of
// an ellipse cornerW by cornerH (the whole extent: an ellipse; 0: a rectangle). The box
// [l, r) x [t, b) is cx2 = l + r - 1, width = r - l, and so on.
struct RoundedBox
{
    int64_t cx2 = 0, cy2 = 0;
    int64_t width = 0, height = 0;
    int64_t cornerW = 0, cornerH = 0;

    // The box of pixels [box.left, box.right) x [box.top, box.bottom) with corners cw by ch.
    static RoundedBox Of(const RECT& box, int64_t cw, int64_t ch);
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    // Rows that may hold pixels: [Top(), Bottom()).
    int64_t Top() const;
    int64_t Bottom() const;
    // The pixels of row y inside, [first, second); empty (first >= second) when none.
    std::pair<int64_t, int64_t> Row(int64_t y) const;
};

// A point in 1/kFixed pixels.
inline constexpr int64_t kFixed = 256;
struct FixedPoint
{
    int64_t x = 0, y = 0;
};

// Fills polygons (counts[i] points each, closed) by sampling each pixel's top-left corner: a
// sample on a left or top edge is inside, on a right or bottom edge outside. Rows outside
// [top, bottom) are skipped.
void ScanPolygons(const FixedPoint* points, const int* counts, size_t polygons, bool winding, int top,
                  int bottom, SpanSink& out);

} // namespace kel::gdi::scan
