// What the rasterizer's files share: the painter that writes spans into a target, and lines.
#pragma once

#include "gdi_scan.h"

#include "win32/gdidevice.h"

namespace kel::gdi::raster
{

// Writes spans into the context's target with one colour or brush by the context's raster op,
// within the target and the clip.
class Painter : public scan::SpanSink
{
public:
    explicit Painter(const DrawContext& context);
    void UseColor(COLORREF color);
    // false for a brush that draws nothing.
    bool UseBrush(const DeviceBrush& brush);
    // The pixels drawing may reach: the target within the clip's bounds (may be empty).
    const RECT& Bounds() const { return bounds_; }
    void Span(int y, int x0, int x1) override;

private:
    void Write(int y, int x0, int x1);

    Pixmap* target_;
    const Region* clip_;
    int rop_;
    POINT origin_;
    RECT bounds_{0, 0, 0, 0};
    uint32_t color_ = 0xFF000000u;
    const Pixmap* tile_ = nullptr;
};

// Connected one-pixel lines through the points (see win32/gdiraster.h), the last point left out.
// Pixels of styled pens' dashes go to `on`, those of their gaps to `gaps` (null: none); only pixels
// within `bounds` are worked out.
void CosmeticLines(const POINT* points, size_t count, UINT style, const RECT& bounds, scan::SpanSink& on,
                   scan::SpanSink* gaps);

// A point in pixels, not necessarily whole.
struct PointF
{
    double x = 0, y = 0;
};

// Connected lines of a wide pen through the points (closed: back to the first, joined there too),
// with its caps and joins, added to `out` for painting once.
void WideLines(const PointF* points, size_t count, bool closed, const DevicePen& pen, const RECT& bounds,
               scan::SpanSet& out);

// The pixels of a rounded box within rows [bounds.top, bounds.bottom), as spans.
void FillRounded(const scan::RoundedBox& box, const RECT& bounds, scan::SpanSink& out);

} // namespace kel::gdi::raster
