// Devices that draw the core's calls with a QPainter: on pixmaps (window backing images, bitmaps,
// owner-drawn items), and on a painter someone else keeps open (a widget's painter, a printer's
// page). What the core resolved arrives in device pixels; these turn it into QPainter calls.
#pragma once

#include <QtGui/QBrush>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPen>
#include <QtGui/QPolygon>

#include "QtGdi.h"

#include "win32/gdiraster.h"

namespace kel::qt
{

class PainterDevice : public kel::gdi::Device
{
public:
    bool Ready(kel::gdi::Pixmap* target) override { return Open(target) != nullptr; }
    void Polyline(const kel::gdi::DrawContext& context, const POINT* points, size_t count) override;
    void Polygons(const kel::gdi::DrawContext& context, const POINT* points, const int* counts,
                  size_t polygons) override;
    void DrawShape(const kel::gdi::DrawContext& context, const kel::gdi::Shape& shape) override;
    void FillRect(const kel::gdi::DrawContext& context, const RECT& rect,
                  const kel::gdi::DeviceBrush& brush) override;
    void Points(const kel::gdi::DrawContext& context, const POINT* points, size_t count,
                COLORREF color) override;
    void Text(const kel::gdi::DrawContext& context, const kel::gdi::TextRun& run) override;
    void DrawPixmap(const kel::gdi::DrawContext& context, const RECT& target,
                    const kel::gdi::Pixmap& image) override;

protected:
    // The painter for a call on `target`, opened or kept; null when drawing reaches nothing.
    virtual QPainter* Open(kel::gdi::Pixmap* target) = 0;
    // The painter is new or was restored: nothing applied to it is known any more.
    void Forget() { clipApplied_ = false; }

private:
    // The painter with the context's clip, raster op and brush origin; stroke: gaps of styled
    // pens show the background colour in OPAQUE mode.
    QPainter* Begin(const kel::gdi::DrawContext& context, bool stroke = false);
    const QPen& PenOf(const kel::gdi::DevicePen& pen);
    QBrush BrushOf(const kel::gdi::DeviceBrush& brush);
    const QPolygon& PolygonOf(const POINT* points, size_t count);
    void TextLine(QPainter& p, const QtFont& font, QPoint at, const kel::gdi::DrawContext& context,
                  const kel::gdi::TextRun& run);

    bool clipApplied_ = false;
    unsigned appliedClip_ = 0;
    // The last conversions, as pens and tiles are reused a lot.
    kel::gdi::DevicePen pen_;
    QPen qpen_;
    bool penMade_ = false;
    uint64_t tileSerial_ = 0;
    QBrush tileBrush_;
    COLORREF solidColor_ = 0;
    QBrush solidBrush_;
    bool solidMade_ = false;
    QPolygon polygon_;
};

// Draws on the pixmap each call names: lines, shapes and fills by the core's rasterizer, which
// follows Windows' raster rules; text and pictures through a painter kept open on it.
class ImageDevice : public PainterDevice
{
public:
    ~ImageDevice() override { Release(); }
    void Release() override;
    void Polyline(const kel::gdi::DrawContext& context, const POINT* points, size_t count) override;
    void Polygons(const kel::gdi::DrawContext& context, const POINT* points, const int* counts,
                  size_t polygons) override;
    void DrawShape(const kel::gdi::DrawContext& context, const kel::gdi::Shape& shape) override;
    void FillRect(const kel::gdi::DrawContext& context, const RECT& rect,
                  const kel::gdi::DeviceBrush& brush) override;
    void Points(const kel::gdi::DrawContext& context, const POINT* points, size_t count,
                COLORREF color) override;

protected:
    QPainter* Open(kel::gdi::Pixmap* target) override;

private:
    kel::gdi::Rasterizer raster_;
    QPainter painter_;
    QImage image_; // over the target's pixels
    kel::gdi::Pixmap* target_ = nullptr;
    const uint32_t* bits_ = nullptr;
};

// Draws through a painter that stays with its owner: its state is saved when the DC starts on it
// and restored when the DC lets go.
class LivePainterDevice : public PainterDevice
{
public:
    ~LivePainterDevice() override { Release(); }
    void Release() override;

protected:
    // The painter now; null when there is none (a printer between pages).
    virtual QPainter* Live() = 0;
    QPainter* Open(kel::gdi::Pixmap* target) override;

private:
    QPainter* live_ = nullptr;
};

} // namespace kel::qt
