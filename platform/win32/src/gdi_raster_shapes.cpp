// The rasterizer's shapes bounded by a box: rectangles, ellipses, round rectangles, arcs, pies and
// chords.
//
// A one-pixel outline of a curved shape is the set of the shape's pixels (see scan::RoundedBox)
// that have a neighbour above, below, left or right outside it: a thin, gap-free ring on the box's
// outermost pixels, symmetric about both axes. The interior is the rest. A wider pen covers the
// pixels between the outline grown and shrunk by half the pen's width.
#include "win32/gdiraster.h"

#include "gdi_internal.h"
#include "gdi_raster_internal.h"

#include <algorithm>
#include <cmath>

namespace kel::gdi
{

using namespace raster;

namespace
{

using Row = std::pair<int64_t, int64_t>;

bool Empty(const Row& r)
{
    return r.first >= r.second;
}

// A shape's pixels a row at a time, split into the pen's and the brush's.
struct RowParts
{
    Row pen[2];
    Row fill;
};

// The one-pixel outline and the interior of a rounded box in row y.
RowParts OutlineRow(const scan::RoundedBox& box, int64_t y)
{
    RowParts parts{};
    const Row row = box.Row(y);
    if (Empty(row))
        return parts;
    const Row up = box.Row(y - 1), down = box.Row(y + 1);
    Row inner{row.first + 1, row.second - 1};
    if (Empty(up) || Empty(down))
        inner = Row{0, 0};
    else
        inner = Row{std::max({inner.first, up.first, down.first}), std::min({inner.second, up.second, down.second})};
    if (Empty(inner))
    {
        parts.pen[0] = row;
        return parts;
    }
    parts.pen[0] = Row{row.first, inner.first};
    parts.pen[1] = Row{inner.second, row.second};
    parts.fill = inner;
    return parts;
}

// The ring between two rounded boxes (the inner one may be empty) and the inner box in row y.
RowParts RingRow(const scan::RoundedBox& outer, const scan::RoundedBox& inner, int64_t y)
{
    RowParts parts{};
    const Row out = outer.Row(y);
    const Row in = inner.IsEmpty() ? Row{0, 0} : inner.Row(y);
    if (Empty(in))
    {
        parts.pen[0] = out;
        return parts;
    }
    parts.pen[0] = Row{out.first, std::min(in.first, out.second)};
    parts.pen[1] = Row{std::max(in.second, out.first), out.second};
    parts.fill = in;
    return parts;
}

// Which pixels an arc, pie or chord keeps, in coordinates doubled about the centre with y up.
class Sweep
{
public:
    // The sweep counter-clockwise from the ray through `from` to the ray through `to`; the whole
    // turn when both rays are one.
    Sweep(int64_t cx2, int64_t cy2, POINT from, POINT to) : cx2_(cx2), cy2_(cy2)
    {
        s_ = Doubled(from.x, from.y);
        e_ = Doubled(to.x, to.y);
        if (s_.x == 0 && s_.y == 0)
            s_ = V{1, 0};
        if (e_.x == 0 && e_.y == 0)
            e_ = V{1, 0};
        const Wide c = Cross(s_, e_), d = Wide(s_.x) * e_.x + Wide(s_.y) * e_.y;
        whole_ = c == 0 && d > 0;
        reflex_ = c < 0;
    }
    bool Keeps(int64_t x, int64_t y) const
    {
        if (whole_)
            return true;
        const V p = Doubled(x, y);
        return reflex_ ? (Cross(s_, p) >= 0 || Cross(p, e_) >= 0) : (Cross(s_, p) >= 0 && Cross(p, e_) >= 0);
    }
    bool Whole() const { return whole_; }

private:
    using Wide = __int128;
    struct V
    {
        int64_t x, y;
    };
    V Doubled(int64_t x, int64_t y) const { return V{2 * x - cx2_, cy2_ - 2 * y}; }
    static Wide Cross(const V& a, const V& b) { return Wide(a.x) * b.y - Wide(a.y) * b.x; }

    int64_t cx2_, cy2_;
    V s_{}, e_{};
    bool whole_ = false;
    bool reflex_ = false;
};

// Where the ray from the outline's centre through p meets the outline ellipse.
PointF OnEllipse(const RectF& o, POINT p)
{
    const double cx = o.x + o.width / 2, cy = o.y + o.height / 2, rx = o.width / 2, ry = o.height / 2;
    const double vx = p.x - cx, vy = p.y - cy;
    const double q = (rx > 0 ? vx * vx / (rx * rx) : 0) + (ry > 0 ? vy * vy / (ry * ry) : 0);
    if (q <= 0)
        return PointF{cx + rx, cy};
    const double t = 1 / std::sqrt(q);
    return PointF{cx + vx * t, cy + vy * t};
}

POINT Rounded(PointF p)
{
    return POINT{static_cast<LONG>(std::floor(p.x + 0.5)), static_cast<LONG>(std::floor(p.y + 0.5))};
}

// Hands the part of [x0, x1) of row y that `keep` keeps to `out`, run by run.
template <typename Keep> void Kept(int y, Row row, const RECT& bounds, Keep keep, scan::SpanSink& out)
{
    const int64_t x0 = std::max<int64_t>(row.first, bounds.left), x1 = std::min<int64_t>(row.second, bounds.right);
    int64_t run = x0;
    for (int64_t x = x0; x <= x1; ++x)
        if (x == x1 || !keep(x))
        {
            if (run < x)
                out.Span(y, static_cast<int>(run), static_cast<int>(x));
            run = x + 1;
        }
}

void Clipped(int y, Row row, const RECT& bounds, scan::SpanSink& out)
{
    const int64_t x0 = std::max<int64_t>(row.first, bounds.left), x1 = std::min<int64_t>(row.second, bounds.right);
    if (x0 < x1)
        out.Span(y, static_cast<int>(x0), static_cast<int>(x1));
}

void DrawRectangle(const DrawContext& c, const Shape& shape, Painter& pen, Painter& fill, bool filled)
{
    const RECT& b = shape.box;
    const RECT& bounds = pen.Bounds();
    auto fillRect = [&](Painter& p, const RECT& r)
    {
        const RECT part = Intersected(r, bounds);
        for (int y = part.top; y < part.bottom; ++y)
            p.Span(y, part.left, part.right);
    };
    if (c.pen.style == PS_NULL)
    {
        if (filled)
            fillRect(fill, b);
        return;
    }
    const int w = c.pen.width;
    if (w <= 1)
    {
        const int width = b.right - b.left, height = b.bottom - b.top;
        if (width == 1 && height == 1)
            return; // an outline without an inside: nothing, as Windows draws it
        if (width == 1 || height == 1)
            return fillRect(pen, b);
        if (filled)
            fillRect(fill, Grown(b, -1));
        const POINT frame[] = {{b.left, b.top},
                               {b.right - 1, b.top},
                               {b.right - 1, b.bottom - 1},
                               {b.left, b.bottom - 1},
                               {b.left, b.top}};
        Painter gaps(c);
        gaps.UseColor(c.bkColor);
        CosmeticLines(frame, 5, c.pen.style, bounds, pen, c.bkMode == OPAQUE ? &gaps : nullptr);
        return;
    }
    // The wide pen's pixels reach half its width either side of the outline.
    const RectF& o = shape.outline;
    const double half = w / 2.0;
    if (filled)
        fillRect(fill, RECT{static_cast<LONG>(std::ceil(o.x + half)), static_cast<LONG>(std::ceil(o.y + half)),
                            static_cast<LONG>(std::ceil(o.x + o.width - half)),
                            static_cast<LONG>(std::ceil(o.y + o.height - half))});
    const PointF corners[] = {
        {o.x, o.y}, {o.x + o.width, o.y}, {o.x + o.width, o.y + o.height}, {o.x, o.y + o.height}};
    scan::SpanSet set;
    WideLines(corners, 4, true, c.pen, bounds, set);
    set.Flush(pen);
}

} // namespace

void Rasterizer::DrawShape(const DrawContext& c, const Shape& shape)
{
    Painter pen(c);
    pen.UseColor(c.pen.color);
    Painter fill(c);
    const bool filled = fill.UseBrush(c.brush) && shape.kind != Shape::Kind::Arc;
    const RECT& bounds = pen.Bounds();
    if (IsEmpty(bounds) || IsEmpty(shape.box))
        return;
    if (shape.kind == Shape::Kind::Rectangle)
        return DrawRectangle(c, shape, pen, fill, filled);

    const bool hasPen = c.pen.style != PS_NULL;
    const int w = c.pen.width;
    const bool round = shape.kind == Shape::Kind::RoundRect;
    const int64_t boxW = int64_t(shape.box.right) - shape.box.left, boxH = int64_t(shape.box.bottom) - shape.box.top;
    // The shape's own pixels and, for wide pens, the ring the pen covers about its outline.
    const scan::RoundedBox box =
        scan::RoundedBox::Of(shape.box, round ? shape.cornerX : boxW, round ? shape.cornerY : boxH);
    scan::RoundedBox outer = box, inner;
    if (hasPen && w > 1)
    {
        // The pen is centred on the one-pixel outline, or kept inside the box (inside-frame pens):
        // its ring reaches `grow` pixels past the box and is w pixels wide.
        const int64_t grow = c.pen.style == PS_INSIDEFRAME ? 0 : w - 1;
        outer.width += grow, outer.height += grow, outer.cornerW += grow, outer.cornerH += grow;
        inner = outer;
        inner.width -= 2 * w, inner.height -= 2 * w;
        inner.cornerW = std::max<int64_t>(inner.cornerW - 2 * w, 0);
        inner.cornerH = std::max<int64_t>(inner.cornerH - 2 * w, 0);
        if (inner.IsEmpty())
            inner = scan::RoundedBox();
    }
    const bool curved = shape.kind == Shape::Kind::Arc || shape.kind == Shape::Kind::Pie ||
                        shape.kind == Shape::Kind::Chord;
    // Arcs' radials start at the centre of the ellipse through the outline's pixels.
    const RectF centres{double(shape.box.left), double(shape.box.top), double(boxW - 1), double(boxH - 1)};
    const int64_t cx2 = box.cx2, cy2 = box.cy2;
    const Sweep sweep(cx2, cy2, shape.from, shape.to);
    const PointF start = OnEllipse(centres, shape.from), end = OnEllipse(centres, shape.to);
    // A chord keeps the side of the line from its end back to its start that the arc is on.
    auto chordSide = [&](int64_t x, int64_t y)
    {
        return (start.x - end.x) * (double(y) - end.y) - (start.y - end.y) * (double(x) - end.x) <= 0;
    };
    auto keepFill = [&](int64_t x, int64_t y)
    {
        if (shape.kind == Shape::Kind::Pie)
            return sweep.Keeps(x, y);
        if (shape.kind == Shape::Kind::Chord)
            return sweep.Whole() || chordSide(x, y);
        return true;
    };

    // Pies and chords close the arc with lines that cross the interior: their fill is painted
    // around the pen's pixels.
    const bool closed = hasPen && !sweep.Whole() &&
                        (shape.kind == Shape::Kind::Pie || shape.kind == Shape::Kind::Chord);
    scan::SpanSet penSet, fillSet;
    scan::SpanSink& fillOut = closed ? static_cast<scan::SpanSink&>(fillSet) : fill;
    const int64_t top = std::max<int64_t>(outer.Top(), bounds.top);
    const int64_t bottom = std::min<int64_t>(outer.Bottom(), bounds.bottom);
    for (int64_t y = top; y < bottom; ++y)
    {
        const int row = static_cast<int>(y);
        RowParts parts{};
        if (!hasPen)
            parts.fill = box.Row(y);
        else
            parts = w > 1 ? RingRow(outer, inner, y) : OutlineRow(box, y);
        for (const Row& part : parts.pen)
            if (!Empty(part))
            {
                if (curved)
                    Kept(row, part, bounds, [&](int64_t x) { return sweep.Keeps(x, y); }, penSet);
                else
                    Clipped(row, part, bounds, penSet);
            }
        if (filled && !Empty(parts.fill))
        {
            if (curved && !sweep.Whole())
                Kept(row, parts.fill, bounds, [&](int64_t x) { return keepFill(x, y); }, fillOut);
            else
                Clipped(row, parts.fill, bounds, fillOut);
        }
    }
    // Pies close the arc with lines through the centre, chords straight across.
    if (closed)
    {
        const PointF centre{cx2 / 2.0, cy2 / 2.0};
        std::vector<PointF> lines{end};
        if (shape.kind == Shape::Kind::Pie)
            lines.push_back(centre);
        lines.push_back(start);
        if (w > 1)
            WideLines(lines.data(), lines.size(), false, c.pen, bounds, penSet);
        else
        {
            std::vector<POINT> points;
            for (const PointF& p : lines)
                points.push_back(Rounded(p));
            CosmeticLines(points.data(), points.size(), PS_SOLID, bounds, penSet, nullptr);
        }
        scan::SpanList penSpans;
        penSet.Flush(penSpans);
        scan::Outside around(penSpans, fill);
        fillSet.Flush(around);
        penSpans.Flush(pen);
        return;
    }
    penSet.Flush(pen);
}

} // namespace kel::gdi
