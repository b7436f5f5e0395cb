// The core's drawing calls as QPainter calls. Everything is drawn in device pixels without
// antialiasing, so raster operations are exact on images.
#include "PainterDevice.h"

#include <QtGui/QPainterPath>

#include <algorithm>

using namespace kel::gdi;

namespace kel::qt
{

namespace
{

QPainter::CompositionMode CompositionOf(int rop2)
{
    switch (rop2)
    {
    case R2_XORPEN:
        return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTXORPEN:
        return QPainter::RasterOp_NotSourceXorDestination;
    case R2_NOT:
        return QPainter::RasterOp_NotDestination;
    case R2_NOTCOPYPEN:
        return QPainter::RasterOp_NotSource;
    case R2_MERGEPEN:
        return QPainter::RasterOp_SourceOrDestination;
    case R2_MASKPEN:
        return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTMERGEPEN:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_NOTMASKPEN:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPENNOT:
        return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MASKNOTPEN:
        return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MERGENOTPEN:
        return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT:
        return QPainter::RasterOp_SourceOrNotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

QRect QRectOf(const RECT& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QRectF QRectFOf(const RectF& r)
{
    return QRectF(r.x, r.y, r.width, r.height);
}

// A pixmap's pixels as a read-only image (no copy), for as long as the call lasts.
QImage ImageReading(const Pixmap& pixels)
{
    return QImage(
        reinterpret_cast<const uchar*>(pixels.Bits()), pixels.Width(), pixels.Height(), pixels.Width() * 4,
        pixels.Format() == PixelFormat::Rgb32 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QPainter* PainterDevice::Begin(const DrawContext& c, bool stroke)
{
    QPainter* p = Open(c.target);
    if (!p)
        return nullptr;
    if (!clipApplied_ || appliedClip_ != c.clipSerial)
    {
        if (c.clip)
            p->setClipRegion(RegionOf(*c.clip));
        else
            p->setClipping(false);
        appliedClip_ = c.clipSerial;
        clipApplied_ = true;
    }
    p->setCompositionMode(CompositionOf(c.rop2));
    p->setBrushOrigin(c.brushOrigin.x, c.brushOrigin.y);
    p->setBackgroundMode(stroke && c.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    if (stroke)
        p->setBackground(ColorOf(c.bkColor));
    return p;
}

const QPen& PainterDevice::PenOf(const DevicePen& pen)
{
    if (penMade_ && pen == pen_)
        return qpen_;
    if (pen.style == PS_NULL)
        qpen_ = QPen(Qt::NoPen);
    else
    {
        qpen_ = QPen(ColorOf(pen.color), pen.width);
        // Styled lines are one pixel wide; wider pens draw solid.
        if (pen.width == 1 && pen.style >= PS_DASH && pen.style <= PS_DASHDOTDOT)
        {
            static const QList<qreal> dashes[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
            qpen_.setDashPattern(dashes[pen.style - PS_DASH]);
        }
        if (pen.width > 1)
        {
            qpen_.setCapStyle(pen.endCap == PS_ENDCAP_FLAT     ? Qt::FlatCap
                              : pen.endCap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                               : Qt::RoundCap);
            qpen_.setJoinStyle(pen.join == PS_JOIN_BEVEL   ? Qt::BevelJoin
                               : pen.join == PS_JOIN_MITER ? Qt::MiterJoin
                                                           : Qt::RoundJoin);
        }
        else
        {
            qpen_.setCapStyle(Qt::FlatCap);
            qpen_.setJoinStyle(Qt::MiterJoin);
        }
    }
    pen_ = pen;
    penMade_ = true;
    return qpen_;
}

QBrush PainterDevice::BrushOf(const DeviceBrush& brush)
{
    switch (brush.kind)
    {
    case DeviceBrush::Kind::Solid:
        if (!solidMade_ || brush.color != solidColor_)
        {
            solidBrush_ = QBrush(ColorOf(brush.color));
            solidColor_ = brush.color;
            solidMade_ = true;
        }
        return solidBrush_;
    case DeviceBrush::Kind::Tile:
        if (brush.tileSerial != tileSerial_)
        {
            tileBrush_ = QBrush(ImageOf(*brush.tile));
            tileSerial_ = brush.tileSerial;
        }
        return tileBrush_;
    default:
        return QBrush(Qt::NoBrush);
    }
}

const QPolygon& PainterDevice::PolygonOf(const POINT* points, size_t count)
{
    polygon_.resize(static_cast<qsizetype>(count));
    for (size_t i = 0; i < count; ++i)
        polygon_[static_cast<qsizetype>(i)] = QPoint(points[i].x, points[i].y);
    return polygon_;
}

void PainterDevice::Polyline(const DrawContext& c, const POINT* points, size_t count)
{
    QPainter* p = Begin(c, true);
    if (!p)
        return;
    // Flat-capped lines leave out the end point, as Windows does, and draw each joint once.
    p->setPen(PenOf(c.pen));
    p->drawPolyline(PolygonOf(points, count));
}

void PainterDevice::Polygons(const DrawContext& c, const POINT* points, const int* counts, size_t polygons)
{
    QPainter* p = Begin(c, true);
    if (!p)
        return;
    QPainterPath path;
    path.setFillRule(c.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    for (size_t i = 0; i < polygons; points += counts[i], ++i)
    {
        path.addPolygon(PolygonOf(points, static_cast<size_t>(counts[i])));
        path.closeSubpath();
    }
    p->setPen(PenOf(c.pen));
    p->setBrush(BrushOf(c.brush));
    p->drawPath(path);
}

void PainterDevice::DrawShape(const DrawContext& c, const Shape& shape)
{
    QPainter* p = Begin(c, true);
    if (!p)
        return;
    const QPen& pen = PenOf(c.pen);
    const QRectF outline = QRectFOf(shape.outline);
    if (shape.kind == Shape::Kind::Rectangle)
    {
        // The interior and the frame never overlap, so raster ops apply once per pixel.
        const int w = c.pen.style == PS_NULL ? 0 : (c.pen.width <= 1 ? 1 : (c.pen.width + 1) / 2);
        p->fillRect(QRectOf(shape.box).adjusted(w, w, -w, -w), BrushOf(c.brush));
        if (c.pen.style == PS_NULL)
            return;
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawRect(outline);
        return;
    }
    p->setPen(pen);
    p->setBrush(BrushOf(c.brush));
    switch (shape.kind)
    {
    case Shape::Kind::Ellipse:
        p->drawEllipse(outline);
        break;
    case Shape::Kind::RoundRect:
        p->drawRoundedRect(outline, shape.cornerX / 2.0, shape.cornerY / 2.0);
        break;
    case Shape::Kind::Arc:
        p->drawArc(outline, shape.start, shape.span);
        break;
    case Shape::Kind::Pie:
        p->drawPie(outline, shape.start, shape.span);
        break;
    default:
        p->drawChord(outline, shape.start, shape.span);
        break;
    }
}

void PainterDevice::FillRect(const DrawContext& c, const RECT& rect, const DeviceBrush& brush)
{
    QPainter* p = Begin(c);
    if (p && brush.kind != DeviceBrush::Kind::None)
        p->fillRect(QRectOf(rect), BrushOf(brush));
}

void PainterDevice::Points(const DrawContext& c, const POINT* points, size_t count, COLORREF color)
{
    QPainter* p = Begin(c);
    if (!p)
        return;
    QPen pen(ColorOf(color), 1);
    pen.setCapStyle(Qt::SquareCap);
    p->setPen(pen);
    p->drawPoints(PolygonOf(points, count));
}

void PainterDevice::TextLine(QPainter& p, const QtFont& font, QPoint at, const DrawContext& c,
                             const TextRun& run)
{
    if (run.opaque)
        p.fillRect(QRect(at.x(), at.y(), run.width, run.height), ColorOf(c.bkColor));
    p.setFont(font.font);
    p.setPen(ColorOf(c.textColor));
    const QString text = QString::fromUtf16(run.text.data(), static_cast<qsizetype>(run.text.size()));
    if (!run.advances)
    {
        p.drawText(QPoint(at.x(), at.y() + run.ascent), text);
        return;
    }
    int x = at.x();
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        p.drawText(QPoint(x, at.y() + run.ascent), QString(text[i]));
        x = static_cast<int>(std::clamp<int64_t>(int64_t(x) + run.advances[i], -kDeviceLimit, kDeviceLimit));
    }
}

void PainterDevice::Text(const DrawContext& c, const TextRun& run)
{
    QPainter* p = Begin(c);
    if (!p)
        return;
    if (run.clipTo)
    {
        p->setClipRect(QRectOf(*run.clipTo), c.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        clipApplied_ = false; // the next call puts the DC's own clip back
    }
    const QtFont& font = Realized(*run.font);
    if (run.escapement == 0)
    {
        TextLine(*p, font, QPoint(run.pivot.x + run.offset.x, run.pivot.y + run.offset.y), c, run);
        return;
    }
    // Escapement turns the text counter-clockwise about the reference point.
    const QTransform saved = p->transform();
    p->translate(run.pivot.x, run.pivot.y);
    p->rotate(-run.escapement / 10.0);
    TextLine(*p, font, QPoint(run.offset.x, run.offset.y), c, run);
    p->setTransform(saved);
}

void PainterDevice::DrawPixmap(const DrawContext& c, const RECT& target, const Pixmap& image)
{
    if (QPainter* p = Begin(c))
        p->drawImage(QRectOf(target), ImageReading(image));
}

// ---- On pixmaps

QPainter* ImageDevice::Open(Pixmap* target)
{
    if (!target)
    {
        Release();
        return nullptr;
    }
    if (painter_.isActive() && target == target_ && target->Bits() == bits_ &&
        image_.width() == target->Width() && image_.height() == target->Height())
        return &painter_;
    Release();
    image_ = ImageOver(*target);
    if (!painter_.begin(&image_))
        return nullptr;
    target_ = target;
    bits_ = target->Bits();
    Forget();
    return &painter_;
}

// The rasterizer writes into the target's pixels; the painter kept open on them draws straight
// into the same memory, so the two never hold anything back from each other.
void ImageDevice::Polyline(const DrawContext& c, const POINT* points, size_t count)
{
    if (c.target)
        raster_.Polyline(c, points, count);
}

void ImageDevice::Polygons(const DrawContext& c, const POINT* points, const int* counts, size_t polygons)
{
    if (c.target)
        raster_.Polygons(c, points, counts, polygons);
}

void ImageDevice::DrawShape(const DrawContext& c, const Shape& shape)
{
    if (c.target)
        raster_.DrawShape(c, shape);
}

void ImageDevice::FillRect(const DrawContext& c, const RECT& rect, const DeviceBrush& brush)
{
    if (c.target)
        raster_.FillRect(c, rect, brush);
}

void ImageDevice::Points(const DrawContext& c, const POINT* points, size_t count, COLORREF color)
{
    if (c.target)
        raster_.Points(c, points, count, color);
}

void ImageDevice::Release()
{
    if (painter_.isActive())
        painter_.end();
    image_ = QImage();
    target_ = nullptr;
    bits_ = nullptr;
}

// ---- On a painter of someone else's

QPainter* LivePainterDevice::Open(Pixmap*)
{
    QPainter* live = Live();
    if (live != live_)
    {
        Release();
        live_ = live;
        if (live_)
        {
            live_->save();
            Forget();
        }
    }
    return live_ && live_->isActive() ? live_ : nullptr;
}

void LivePainterDevice::Release()
{
    if (!live_)
        return;
    if (live_->isActive())
        live_->restore();
    live_ = nullptr;
}

} // namespace kel::qt
