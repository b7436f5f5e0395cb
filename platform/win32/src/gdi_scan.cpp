// Scan conversion in exact integer arithmetic: rounded boxes row by row, polygons with an active
// edge list, and unions of spans.
#include "gdi_scan.h"

#include <algorithm>
#include <cmath>

namespace kel::gdi::scan
{

namespace
{

// Floor and ceiling of a / b for b > 0.
template <typename T> T FloorDiv(T a, T b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

template <typename T> T CeilDiv(T a, T b)
{
    return -FloorDiv<T>(-a, b);
}

uint64_t Isqrt(uint64_t v)
{
    uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<long double>(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

constexpr int64_t kSpanLimit = int64_t(1) << 30;

int Clamped(int64_t v)
{
    return static_cast<int>(std::clamp(v, -kSpanLimit, kSpanLimit));
}

} // namespace

void SpanSet::Flush(SpanSink& out)
{
    std::sort(spans_.begin(), spans_.end(),
              [](const Item& a, const Item& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    for (size_t i = 0; i < spans_.size();)
    {
        Item merged = spans_[i++];
        while (i < spans_.size() && spans_[i].y == merged.y && spans_[i].x0 <= merged.x1)
            merged.x1 = std::max(merged.x1, spans_[i++].x1);
        out.Span(merged.y, merged.x0, merged.x1);
    }
    spans_.clear();
}

void SpanList::Flush(SpanSink& out) const
{
    for (const Item& s : spans_)
        out.Span(s.y, s.x0, s.x1);
}

void SpanList::Subtract(int y, int x0, int x1, SpanSink& out) const
{
    auto it = std::lower_bound(spans_.begin(), spans_.end(), y,
                               [](const Item& s, int row) { return s.y < row; });
    for (; it != spans_.end() && it->y == y && x0 < x1; ++it)
    {
        if (it->x1 <= x0)
            continue;
        if (it->x0 >= x1)
            break;
        if (it->x0 > x0)
            out.Span(y, x0, it->x0);
        x0 = std::max(x0, it->x1);
    }
    if (x0 < x1)
        out.Span(y, x0, x1);
}

RoundedBox RoundedBox::Of(const RECT& box, int64_t cw, int64_t ch)
{
    RoundedBox b;
    b.cx2 = int64_t(box.left) + box.right - 1;
    b.cy2 = int64_t(box.top) + box.bottom - 1;
    b.width = int64_t(box.right) - box.left;
    b.height = int64_t(box.bottom) - box.top;
    b.cornerW = std::clamp<int64_t>(cw, 0, std::max<int64_t>(b.width, 0));
    b.cornerH = std::clamp<int64_t>(ch, 0, std::max<int64_t>(b.height, 0));
    return b;
}

int64_t RoundedBox::Top() const
{
    return CeilDiv<int64_t>(cy2 - height, 2);
}

int64_t RoundedBox::Bottom() const
{
    return FloorDiv<int64_t>(cy2 + height, 2) + 1;
}

std::pair<int64_t, int64_t> RoundedBox::Row(int64_t y) const
{
    const int64_t a = std::abs(2 * y - cy2);
    if (IsEmpty() || a > height)
        return {0, 0};
    int64_t half = width;
    const int64_t v = a - (height - cornerH);
    if (v > 0 && cornerW > 0 && cornerH > 0)
    {
        // The largest u with u^2 ch^2 <= cw^2 (ch^2 - v^2); products need 128 bits.
        using Wide = __int128;
        const Wide ch2 = Wide(cornerH) * cornerH;
        const Wide n = Wide(cornerW) * cornerW * (ch2 - Wide(v) * v);
        half = width - cornerW + static_cast<int64_t>(Isqrt(static_cast<uint64_t>(n / ch2)));
    }
    return {CeilDiv<int64_t>(cx2 - half, 2), FloorDiv<int64_t>(cx2 + half, 2) + 1};
}

void ScanPolygons(const FixedPoint* points, const int* counts, size_t polygons, bool winding, int top,
                  int bottom, SpanSink& out)
{
    struct Edge
    {
        int64_t x0, y0, x1, y1; // y0 < y1
        int direction;
    };
    std::vector<Edge> edges;
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (size_t i = 0, at = 0; i < polygons; at += static_cast<size_t>(counts[i]), ++i)
        for (int k = 0; k < counts[i]; ++k)
        {
            const FixedPoint& p = points[at + static_cast<size_t>(k)];
            const FixedPoint& q = points[at + static_cast<size_t>((k + 1) % counts[i])];
            if (p.y == q.y)
                continue;
            edges.push_back(p.y < q.y ? Edge{p.x, p.y, q.x, q.y, 1} : Edge{q.x, q.y, p.x, p.y, -1});
            minY = std::min(minY, edges.back().y0);
            maxY = std::max(maxY, edges.back().y1);
        }
    if (edges.empty())
        return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    // Rows whose sample line y * kFixed some edge crosses (top end inside, bottom end outside).
    const int64_t first = std::max<int64_t>(CeilDiv(minY, kFixed), top);
    const int64_t last = std::min<int64_t>(CeilDiv(maxY, kFixed), bottom);
    std::vector<const Edge*> active;
    std::vector<std::pair<int, int>> crossings;
    size_t next = 0;
    for (int64_t y = first; y < last; ++y)
    {
        const int64_t sample = y * kFixed;
        while (next < edges.size() && edges[next].y0 <= sample)
            active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->y1 <= sample; }),
                     active.end());
        crossings.clear();
        for (const Edge* e : active)
        {
            // The first pixel at or right of the crossing: ceil(x / kFixed), exactly.
            using Wide = __int128;
            const int64_t dy = e->y1 - e->y0;
            const Wide num = Wide(e->x0) * dy + Wide(sample - e->y0) * (e->x1 - e->x0);
            const Wide x = CeilDiv<Wide>(num, Wide(dy) * kFixed);
            crossings.emplace_back(Clamped(static_cast<int64_t>(
                                       std::clamp<Wide>(x, -Wide(kSpanLimit), Wide(kSpanLimit)))),
                                   e->direction);
        }
        std::sort(crossings.begin(), crossings.end());
        int inside = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i)
        {
            inside += winding ? crossings[i].second : 1;
            if ((winding ? inside != 0 : (inside & 1)) && crossings[i].first < crossings[i + 1].first)
                out.Span(static_cast<int>(y), crossings[i].first, crossings[i + 1].first);
        }
    }
}

} // namespace kel::gdi::scan
