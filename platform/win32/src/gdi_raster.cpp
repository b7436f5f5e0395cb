// The rasterizer's spans, lines, polygons and fills (shapes: gdi_raster_shapes.cpp).
#include "win32/gdiraster.h"

#include "gdi_internal.h"
#include "gdi_raster_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kel::gdi
{

namespace raster
{

namespace
{

int Mod(int64_t a, int b)
{
    const int64_t m = a % b;
    return static_cast<int>(m < 0 ? m + b : m);
}

// A pixel combined with the one there by a binary raster op (R2_*): bit (pen << 1 | screen) of
// op - 1 is the result for those bits.
inline uint32_t Combine(int rop, uint32_t p, uint32_t d)
{
    switch (rop)
    {
    case R2_COPYPEN:
        return p | 0xFF000000u;
    case R2_XORPEN:
        return (p ^ d) | 0xFF000000u;
    case R2_NOT:
        return ~d | 0xFF000000u;
    default:
        break;
    }
    const unsigned code = static_cast<unsigned>(rop - 1) & 0xF;
    uint32_t out = 0;
    for (unsigned i = 0; i < 4; ++i)
        if (code >> i & 1)
            out |= ((i & 2) ? p : ~p) & ((i & 1) ? d : ~d);
    return out | 0xFF000000u;
}

// A premultiplied tile pixel over an opaque one.
inline uint32_t Over(uint32_t p, uint32_t d)
{
    const uint32_t a = p >> 24, keep = 255 - a;
    auto channel = [&](int shift)
    { return std::min<uint32_t>(255, (p >> shift & 0xFF) + ((d >> shift & 0xFF) * keep + 127) / 255); };
    return 0xFF000000u | channel(16) << 16 | channel(8) << 8 | channel(0);
}

} // namespace

Painter::Painter(const DrawContext& c) : target_(c.target), clip_(c.clip), rop_(c.rop2), origin_(c.brushOrigin)
{
    if (target_ && !target_->IsNull())
        bounds_ = clip_ ? Intersected(target_->Rect(), clip_->Bounds()) : target_->Rect();
}

void Painter::UseColor(COLORREF color)
{
    color_ = ArgbOf(color);
    tile_ = nullptr;
}

bool Painter::UseBrush(const DeviceBrush& brush)
{
    if (brush.kind == DeviceBrush::Kind::Solid)
    {
        UseColor(brush.color);
        return true;
    }
    if (brush.kind != DeviceBrush::Kind::Tile || !brush.tile || brush.tile->IsNull())
        return false;
    tile_ = brush.tile;
    return true;
}

void Painter::Span(int y, int x0, int x1)
{
    if (y < bounds_.top || y >= bounds_.bottom)
        return;
    x0 = std::max(x0, static_cast<int>(bounds_.left));
    x1 = std::min(x1, static_cast<int>(bounds_.right));
    if (x0 >= x1)
        return;
    if (!clip_ || clip_->RectCount() == 1)
        return Write(y, x0, x1);
    // The band of the clip holding row y (bands are sorted and share their top and bottom).
    const std::vector<RECT>& rects = clip_->Rects();
    auto it = std::partition_point(rects.begin(), rects.end(), [y](const RECT& r) { return r.bottom <= y; });
    for (; it != rects.end() && it->top <= y && it->left < x1; ++it)
        if (it->right > x0)
            Write(y, std::max(x0, static_cast<int>(it->left)), std::min(x1, static_cast<int>(it->right)));
}

void Painter::Write(int y, int x0, int x1)
{
    uint32_t* row = target_->Row(y);
    if (!tile_)
    {
        if (rop_ == R2_COPYPEN)
            std::fill(row + x0, row + x1, color_);
        else
            for (int x = x0; x < x1; ++x)
                row[x] = Combine(rop_, color_, row[x]);
        return;
    }
    const int tw = tile_->Width();
    const uint32_t* in = tile_->Row(Mod(int64_t(y) - origin_.y, tile_->Height()));
    int tx = Mod(int64_t(x0) - origin_.x, tw);
    for (int x = x0; x < x1; ++x)
    {
        const uint32_t p = in[tx];
        if (++tx == tw)
            tx = 0;
        const uint32_t alpha = p >> 24;
        if (alpha == 0)
            continue; // see-through (the gaps of a transparent hatch)
        row[x] = Combine(rop_, alpha == 255 ? p : Over(p, row[x]), row[x]);
    }
}

// ---- Lines

namespace
{

// Which pixels of a styled pen's period are dashes: bit k for pixel k.
struct Dashes
{
    uint32_t on = 0;
    int period = 0;
};

Dashes DashesOf(UINT style)
{
    static const int kLengths[4][6] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
    Dashes d;
    if (style < PS_DASH || style > PS_DASHDOTDOT)
        return d;
    for (int i = 0, dash = 1; i < 6 && kLengths[style - PS_DASH][i]; ++i, dash ^= 1)
        for (int k = 0; k < kLengths[style - PS_DASH][i]; ++k, ++d.period)
            if (dash)
                d.on |= 1u << d.period;
    return d;
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// One line p -> q: p drawn, q not. `position` is the style's pixel count at p and moves on by the
// line's length.
void CosmeticLine(POINT p, POINT q, const Dashes& dashes, int64_t& position, const RECT& bounds,
                  scan::SpanSink& on, scan::SpanSink* gaps)
{
    const int64_t dx = int64_t(q.x) - p.x, dy = int64_t(q.y) - p.y;
    if (dx == 0 && dy == 0)
        return;
    // Steps run along the major axis; the minor coordinate of step i is the line's, rounded, with
    // halves going to the smaller coordinate: r_i = floor((2 i m + bias) / 2D).
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const int64_t length = std::llabs(major), m = std::llabs(minor);
    const int sMajor = major < 0 ? -1 : 1, sMinor = minor < 0 ? -1 : 1;
    const int64_t a0 = xMajor ? p.x : p.y, c0 = xMajor ? p.y : p.x;
    const int64_t bias = sMinor > 0 ? length - 1 : length;
    const int64_t start = position;
    position += length;

    // Only the steps that land within the bounds.
    const int64_t amin = xMajor ? bounds.left : bounds.top, amax = (xMajor ? bounds.right : bounds.bottom) - 1;
    const int64_t cmin = xMajor ? bounds.top : bounds.left, cmax = (xMajor ? bounds.bottom : bounds.right) - 1;
    if (amin > amax || cmin > cmax)
        return;
    int64_t first = sMajor > 0 ? amin - a0 : a0 - amax;
    int64_t last = sMajor > 0 ? amax - a0 : a0 - amin;
    first = std::max<int64_t>(first, 0);
    last = std::min(last, length - 1);
    const int64_t rlo = sMinor > 0 ? cmin - c0 : c0 - cmax, rhi = sMinor > 0 ? cmax - c0 : c0 - cmin;
    if (m == 0)
    {
        if (rlo > 0 || rhi < 0)
            return;
    }
    else
    {
        first = std::max(first, -FloorDiv(-(2 * length * rlo - bias), 2 * m));
        last = std::min(last, FloorDiv(2 * length * (rhi + 1) - bias - 1, 2 * m));
    }
    if (first > last)
        return;

    int64_t r = FloorDiv(2 * first * m + bias, 2 * length);
    int64_t err = 2 * first * m + bias - 2 * length * r;
    auto pixel = [&](int64_t i, scan::SpanSink& sink)
    {
        const int a = static_cast<int>(a0 + sMajor * i), c = static_cast<int>(c0 + sMinor * r);
        xMajor ? sink.Span(c, a, a + 1) : sink.Span(a, c, c + 1);
    };
    if (dashes.period == 0 && xMajor)
    {
        // Solid x-major lines as runs along their rows.
        int64_t runStart = first;
        for (int64_t i = first; i <= last; ++i)
        {
            const bool step = i == last || err + 2 * m >= 2 * length;
            if (step)
            {
                const int64_t x0 = a0 + sMajor * runStart, x1 = a0 + sMajor * i;
                on.Span(static_cast<int>(c0 + sMinor * r), static_cast<int>(std::min(x0, x1)),
                        static_cast<int>(std::max(x0, x1) + 1));
                runStart = i + 1;
            }
            err += 2 * m;
            if (err >= 2 * length)
                err -= 2 * length, ++r;
        }
        return;
    }
    int phase = dashes.period ? Mod(start + first, dashes.period) : 0;
    for (int64_t i = first; i <= last; ++i)
    {
        if (dashes.period == 0 || (dashes.on >> phase & 1))
            pixel(i, on);
        else if (gaps)
            pixel(i, *gaps);
        if (dashes.period && ++phase == dashes.period)
            phase = 0;
        err += 2 * m;
        if (err >= 2 * length)
            err -= 2 * length, ++r;
    }
}

scan::FixedPoint Fixed(PointF p)
{
    return scan::FixedPoint{std::llround(p.x * scan::kFixed), std::llround(p.y * scan::kFixed)};
}

void FillPolygon(std::initializer_list<PointF> points, const RECT& bounds, scan::SpanSink& out)
{
    scan::FixedPoint fixed[8];
    int count = 0;
    for (const PointF& p : points)
        fixed[count++] = Fixed(p);
    scan::ScanPolygons(fixed, &count, 1, true, bounds.top, bounds.bottom, out);
}

// The pen's round end: the samples within half the width of the point. An even width's pixels
// lie half a pixel up and left of the point, as the body of the line does.
void Disc(PointF c, int width, const RECT& bounds, scan::SpanSink& out)
{
    const int64_t shift = width % 2 == 0 ? 1 : 0;
    scan::RoundedBox disc;
    disc.cx2 = std::llround(2 * c.x) - shift;
    disc.cy2 = std::llround(2 * c.y) - shift;
    disc.width = disc.height = disc.cornerW = disc.cornerH = width;
    FillRounded(disc, bounds, out);
}

} // namespace

void CosmeticLines(const POINT* points, size_t count, UINT style, const RECT& bounds, scan::SpanSink& on,
                   scan::SpanSink* gaps)
{
    const Dashes dashes = DashesOf(style);
    int64_t position = 0;
    for (size_t i = 0; i + 1 < count; ++i)
        CosmeticLine(points[i], points[i + 1], dashes, position, bounds, on, gaps);
}

void FillRounded(const scan::RoundedBox& box, const RECT& bounds, scan::SpanSink& out)
{
    const int64_t top = std::max<int64_t>(box.Top(), bounds.top);
    const int64_t bottom = std::min<int64_t>(box.Bottom(), bounds.bottom);
    for (int64_t y = top; y < bottom; ++y)
    {
        const auto [x0, x1] = box.Row(y);
        if (x0 < x1)
            out.Span(static_cast<int>(y), static_cast<int>(std::max<int64_t>(x0, bounds.left - 1)),
                     static_cast<int>(std::min<int64_t>(x1, bounds.right + 1)));
    }
}

void WideLines(const PointF* points, size_t count, bool closed, const DevicePen& pen, const RECT& bounds,
               scan::SpanSet& out)
{
    // Points that repeat add nothing.
    std::vector<PointF> path;
    for (size_t i = 0; i < count; ++i)
        if (path.empty() || points[i].x != path.back().x || points[i].y != path.back().y)
            path.push_back(points[i]);
    if (closed && path.size() > 1 && path.front().x == path.back().x && path.front().y == path.back().y)
        path.pop_back();
    const double half = pen.width / 2.0;
    // Margin so shapes just outside the bounds are still cut, not dropped.
    const RECT area = Grown(bounds, pen.width + 1);
    if (path.size() == 1)
    {
        // A point: a round pen leaves a dot, other caps nothing.
        if (pen.endCap == PS_ENDCAP_ROUND)
            Disc(path[0], pen.width, area, out);
        return;
    }
    const size_t n = path.size(), segments = closed ? n : n - 1;
    auto direction = [&](size_t i)
    {
        const PointF& a = path[i];
        const PointF& b = path[(i + 1) % n];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        return PointF{(b.x - a.x) / len, (b.y - a.y) / len};
    };
    for (size_t i = 0; i < segments; ++i)
    {
        PointF a = path[i], b = path[(i + 1) % n];
        const PointF d = direction(i);
        if (!closed && pen.endCap == PS_ENDCAP_SQUARE)
        {
            if (i == 0)
                a = PointF{a.x - d.x * half, a.y - d.y * half};
            if (i + 1 == segments)
                b = PointF{b.x + d.x * half, b.y + d.y * half};
        }
        const PointF nrm{-d.y * half, d.x * half};
        FillPolygon({{a.x + nrm.x, a.y + nrm.y}, {b.x + nrm.x, b.y + nrm.y}, {b.x - nrm.x, b.y - nrm.y},
                     {a.x - nrm.x, a.y - nrm.y}},
                    area, out);
    }
    // Ends and joints.
    for (size_t i = 0; i < n; ++i)
    {
        const bool end = !closed && (i == 0 || i + 1 == n);
        if (end)
        {
            if (pen.endCap == PS_ENDCAP_ROUND)
                Disc(path[i], pen.width, area, out);
            continue;
        }
        if (pen.join == PS_JOIN_ROUND)
        {
            Disc(path[i], pen.width, area, out);
            continue;
        }
        const PointF d1 = direction((i + n - 1) % n), d2 = direction(i);
        const PointF v = path[i];
        const double turn = d1.x * d2.y - d1.y * d2.x;
        if (turn == 0 && d1.x * d2.x + d1.y * d2.y > 0)
            continue; // straight on
        // The joint's outer side is opposite the way the path turns.
        const double side = turn > 0 ? -1 : 1;
        const PointF n1{-d1.y * half * side, d1.x * half * side}, n2{-d2.y * half * side, d2.x * half * side};
        const double cosine = (n1.x * n2.x + n1.y * n2.y) / (half * half);
        if (pen.join == PS_JOIN_MITER && 1 + cosine >= 0.02)
        {
            // Miters up to ten times the half width; longer ones are bevelled.
            const double k = 1 / (1 + cosine);
            FillPolygon({v, {v.x + n1.x, v.y + n1.y}, {v.x + (n1.x + n2.x) * k, v.y + (n1.y + n2.y) * k},
                         {v.x + n2.x, v.y + n2.y}},
                        area, out);
        }
        else
            FillPolygon({v, {v.x + n1.x, v.y + n1.y}, {v.x + n2.x, v.y + n2.y}}, area, out);
    }
}

} // namespace raster

using namespace raster;

namespace
{

// The pen's pixels of lines through the points (closed: back to the first point): dashes to `on`,
// the gaps of styled pens to `gaps` (null: left as they are).
void StrokeSpans(const DrawContext& c, const POINT* points, size_t count, bool closed, const RECT& bounds,
                 scan::SpanSink& on, scan::SpanSink* gaps)
{
    if (c.pen.width <= 1)
    {
        std::vector<POINT> loop;
        if (closed)
        {
            loop.assign(points, points + count);
            loop.push_back(points[0]);
            points = loop.data();
            count = loop.size();
        }
        CosmeticLines(points, count, c.pen.style, bounds, on, gaps);
        return;
    }
    std::vector<PointF> path(count);
    for (size_t i = 0; i < count; ++i)
        path[i] = PointF{double(points[i].x), double(points[i].y)};
    scan::SpanSet set;
    WideLines(path.data(), count, closed, c.pen, bounds, set);
    set.Flush(on);
}

} // namespace

void Rasterizer::Polyline(const DrawContext& c, const POINT* points, size_t count)
{
    if (c.pen.style == PS_NULL || count == 0)
        return;
    Painter on(c), gaps(c);
    on.UseColor(c.pen.color);
    gaps.UseColor(c.bkColor);
    StrokeSpans(c, points, count, false, on.Bounds(), on, c.bkMode == OPAQUE ? &gaps : nullptr);
}

void Rasterizer::Polygons(const DrawContext& c, const POINT* points, const int* counts, size_t polygons)
{
    Painter pen(c), gaps(c), fill(c);
    pen.UseColor(c.pen.color);
    gaps.UseColor(c.bkColor);
    // The outlines first, so the fill can be painted around them.
    scan::SpanSet penSet, gapSet;
    size_t total = 0;
    for (size_t i = 0; i < polygons; ++i)
    {
        if (c.pen.style != PS_NULL)
            StrokeSpans(c, points + total, static_cast<size_t>(counts[i]), true, pen.Bounds(), penSet,
                        c.bkMode == OPAQUE ? &gapSet : nullptr);
        total += static_cast<size_t>(counts[i]);
    }
    scan::SpanList penSpans, gapSpans;
    penSet.Flush(penSpans);
    gapSet.Flush(gapSpans);
    if (fill.UseBrush(c.brush))
    {
        std::vector<scan::FixedPoint> fixed(total);
        for (size_t i = 0; i < total; ++i)
            fixed[i] = scan::FixedPoint{int64_t(points[i].x) * scan::kFixed, int64_t(points[i].y) * scan::kFixed};
        scan::Outside aroundGaps(gapSpans, fill);
        scan::Outside aroundPen(penSpans, aroundGaps);
        scan::ScanPolygons(fixed.data(), counts, polygons, c.polyFillMode == WINDING, fill.Bounds().top,
                           fill.Bounds().bottom, aroundPen);
    }
    penSpans.Flush(pen);
    gapSpans.Flush(gaps);
}

void Rasterizer::FillRect(const DrawContext& c, const RECT& rect, const DeviceBrush& brush)
{
    Painter p(c);
    if (!p.UseBrush(brush))
        return;
    const RECT r = Intersected(rect, p.Bounds());
    for (int y = r.top; y < r.bottom; ++y)
        p.Span(y, r.left, r.right);
}

void Rasterizer::Points(const DrawContext& c, const POINT* points, size_t count, COLORREF color)
{
    Painter p(c);
    p.UseColor(color);
    for (size_t i = 0; i < count; ++i)
        p.Span(points[i].y, points[i].x, points[i].x + 1);
}

} // namespace kel::gdi
