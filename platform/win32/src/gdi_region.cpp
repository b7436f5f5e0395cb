// Regions as banded rectangle lists: the set operations sweep both regions band by band, and
// ellipses and polygons are scan-converted a row at a time.
#include "win32/gdiregion.h"

#include "gdi_scan.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kel::gdi
{

namespace
{

constexpr int64_t kLimit = int64_t(1) << 30;

int Clamped(int64_t v)
{
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

// The spans (x pairs) of the band of `rects` that covers row y, moving `at` past bands above it.
void SpansAt(const std::vector<RECT>& rects, size_t& at, int y, std::vector<int>& spans)
{
    spans.clear();
    while (at < rects.size() && rects[at].bottom <= y)
        ++at;
    if (at == rects.size() || rects[at].top > y)
        return;
    for (size_t i = at; i < rects.size() && rects[i].top == rects[at].top; ++i)
    {
        spans.push_back(rects[i].left);
        spans.push_back(rects[i].right);
    }
}

// Sorted x pairs that may overlap or touch, made disjoint and apart.
void Normalize(std::vector<int>& spans)
{
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 0; i + 1 < spans.size(); i += 2)
        if (spans[i] < spans[i + 1])
            pairs.emplace_back(spans[i], spans[i + 1]);
    std::sort(pairs.begin(), pairs.end());
    spans.clear();
    for (const auto& [l, r] : pairs)
    {
        if (!spans.empty() && l <= spans.back())
            spans.back() = std::max(spans.back(), r);
        else
        {
            spans.push_back(l);
            spans.push_back(r);
        }
    }
}

} // namespace

Region::Region(const RECT& rect)
{
    if (rect.left < rect.right && rect.top < rect.bottom)
        rects_.push_back(rect);
}

Region Region::Ellipse(const RECT& box)
{
    return RoundRect(box, box.right - box.left, box.bottom - box.top);
}

Region Region::RoundRect(const RECT& box, int cornerW, int cornerH)
{
    Region out;
    const scan::RoundedBox shape = scan::RoundedBox::Of(box, cornerW, cornerH);
    std::vector<int> spans(2);
    // Rows between the corners are all alike: one band.
    const int64_t straight = shape.height - shape.cornerH;
    const int64_t middleTop = (shape.cy2 - straight + 1) >> 1, middleBottom = ((shape.cy2 + straight) >> 1) + 1;
    for (int64_t y = shape.Top(); y < shape.Bottom();)
    {
        const int64_t next = y >= middleTop && y < middleBottom ? middleBottom : y + 1;
        const auto [x0, x1] = shape.Row(y);
        spans[0] = Clamped(x0);
        spans[1] = Clamped(x1);
        if (spans[0] < spans[1])
            out.AddBand(Clamped(y), Clamped(next), spans);
        y = next;
    }
    return out;
}

Region Region::Polygons(const POINT* points, const int* counts, int polygons, bool winding)
{
    // The rasterizer's scan conversion, a band per row.
    struct Bands : scan::SpanSink
    {
        Region& out;
        int row = 0;
        std::vector<int> spans;
        explicit Bands(Region& r) : out(r) {}
        void Span(int y, int x0, int x1) override
        {
            if (y != row)
                Flush();
            row = y;
            spans.push_back(x0);
            spans.push_back(x1);
        }
        void Flush()
        {
            Normalize(spans);
            if (!spans.empty())
                out.AddBand(row, row + 1, spans);
            spans.clear();
        }
    };
    size_t total = 0;
    for (int i = 0; i < polygons; ++i)
        total += static_cast<size_t>(counts[i]);
    std::vector<scan::FixedPoint> fixed(total);
    for (size_t i = 0; i < total; ++i)
        fixed[i] = scan::FixedPoint{int64_t(points[i].x) * scan::kFixed, int64_t(points[i].y) * scan::kFixed};
    Region out;
    Bands bands(out);
    scan::ScanPolygons(fixed.data(), counts, static_cast<size_t>(polygons), winding, static_cast<int>(-kLimit),
                       static_cast<int>(kLimit), bands);
    bands.Flush();
    return out;
}

RECT Region::Bounds() const
{
    if (rects_.empty())
        return RECT{0, 0, 0, 0};
    RECT box{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
    for (const RECT& r : rects_)
    {
        box.left = std::min(box.left, r.left);
        box.right = std::max(box.right, r.right);
    }
    return box;
}

bool Region::Contains(int x, int y) const
{
    // Bottoms never decrease along the list: the first rectangle ending below y starts its band.
    auto it = std::upper_bound(rects_.begin(), rects_.end(), y,
                               [](int row, const RECT& r) { return row < r.bottom; });
    for (; it != rects_.end() && it->top <= y; ++it)
        if (x >= it->left && x < it->right)
            return true;
    return false;
}

bool Region::Intersects(const RECT& rect) const
{
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return false;
    for (const RECT& r : rects_)
    {
        if (r.top >= rect.bottom)
            break;
        if (r.bottom > rect.top && r.left < rect.right && r.right > rect.left)
            return true;
    }
    return false;
}

void Region::Offset(int dx, int dy)
{
    for (RECT& r : rects_)
        r = RECT{Clamped(int64_t(r.left) + dx), Clamped(int64_t(r.top) + dy), Clamped(int64_t(r.right) + dx),
                 Clamped(int64_t(r.bottom) + dy)};
    // Saturation can squash rectangles flat: keep the form.
    if (std::any_of(rects_.begin(), rects_.end(),
                    [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }))
        *this = *this | Region();
}

Region Region::Offsetted(int dx, int dy) const
{
    Region out = *this;
    out.Offset(dx, dy);
    return out;
}

Region Region::operator|(const Region& other) const
{
    return Combine(*this, other, Op::Union);
}

Region Region::operator&(const Region& other) const
{
    return Combine(*this, other, Op::Intersect);
}

Region Region::operator-(const Region& other) const
{
    return Combine(*this, other, Op::Subtract);
}

Region Region::operator^(const Region& other) const
{
    return Combine(*this, other, Op::Xor);
}

bool Region::operator==(const Region& other) const
{
    return rects_.size() == other.rects_.size() &&
           std::equal(rects_.begin(), rects_.end(), other.rects_.begin(),
                      [](const RECT& a, const RECT& b) {
                          return a.left == b.left && a.top == b.top && a.right == b.right &&
                                 a.bottom == b.bottom;
                      });
}

Region Region::Combine(const Region& a, const Region& b, Op op)
{
    // Every row where either region changes starts a stretch over which both are constant.
    std::vector<int> ys;
    for (const Region* r : {&a, &b})
        for (const RECT& rect : r->rects_)
            if (rect.left < rect.right && rect.top < rect.bottom)
            {
                ys.push_back(rect.top);
                ys.push_back(rect.bottom);
            }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    Region out;
    std::vector<int> sa, sb, spans;
    size_t ia = 0, ib = 0;
    for (size_t k = 0; k + 1 < ys.size(); ++k)
    {
        SpansAt(a.rects_, ia, ys[k], sa);
        SpansAt(b.rects_, ib, ys[k], sb);
        Normalize(sa);
        Normalize(sb);
        // Sweep the x boundaries of both, keeping where the operation holds.
        spans.clear();
        bool inA = false, inB = false, in = false;
        size_t i = 0, j = 0;
        while (i < sa.size() || j < sb.size())
        {
            const int x = std::min(i < sa.size() ? sa[i] : INT32_MAX, j < sb.size() ? sb[j] : INT32_MAX);
            for (; i < sa.size() && sa[i] == x; ++i)
                inA = !inA;
            for (; j < sb.size() && sb[j] == x; ++j)
                inB = !inB;
            const bool now = op == Op::Union       ? inA || inB
                             : op == Op::Intersect ? inA && inB
                             : op == Op::Subtract  ? inA && !inB
                                                   : inA != inB;
            if (now != in)
                spans.push_back(x);
            in = now;
        }
        if (!spans.empty())
            out.AddBand(ys[k], ys[k + 1], spans);
    }
    return out;
}

void Region::AddBand(int top, int bottom, const std::vector<int>& spans)
{
    if (!rects_.empty() && rects_.back().bottom == top)
    {
        size_t first = rects_.size();
        while (first > 0 && rects_[first - 1].top == rects_.back().top)
            --first;
        bool same = (rects_.size() - first) * 2 == spans.size();
        for (size_t i = 0; same && i < spans.size() / 2; ++i)
            same = rects_[first + i].left == spans[2 * i] && rects_[first + i].right == spans[2 * i + 1];
        if (same)
        {
            for (size_t i = first; i < rects_.size(); ++i)
                rects_[i].bottom = bottom;
            return;
        }
    }
    for (size_t i = 0; i + 1 < spans.size(); i += 2)
        rects_.push_back(RECT{spans[i], top, spans[i + 1], bottom});
}

} // namespace kel::gdi
