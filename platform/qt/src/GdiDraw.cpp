// Output calls: lines, shapes, fills, edges, raster-op blits and pixels. Everything is drawn in
// device pixels without antialiasing, so raster operations are exact on image devices.
#include "GdiDrawing.h"
#include "MetaRecorder.h"

#include <QtGui/QPainterPath>

#include "win32/codepage.h"
#include "win32/rcdata.h"
#include "win32/user.h"

#include <cmath>
#include <cstring>

namespace kel::gdi
{

QString ToQString(LPCSTR text, int length)
{
    if (!text || length <= 0)
        return QString();
    return QString::fromStdString(kel::Cp1252ToUtf8(std::string_view(text, static_cast<size_t>(length))));
}

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

namespace
{

// The hatches as 8x8 bit rows (bit 7 = leftmost pixel), aligned to the brush origin.
constexpr uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}, // HS_HORIZONTAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

QImage HatchTile(int hatch, COLORREF color, COLORREF bk, bool opaque)
{
    QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
    const QRgb on = ColorOf(color).rgb();
    const QRgb off = opaque ? ColorOf(bk).rgb() : 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, (kHatches[hatch][y] >> (7 - x)) & 1 ? on : off);
    return tile;
}

} // namespace

QBrush QtBrush(HBRUSH hbr, const DcState& state)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value > 0 && value <= COLOR_MENUBAR + 1)
        return QBrush(ColorOf(GetSysColor(static_cast<int>(value - 1))));
    auto* brush = static_cast<BrushObject*>(LookupObject(hbr, OBJ_BRUSH));
    if (!brush)
        return QBrush(Qt::NoBrush);
    switch (brush->log.lbStyle)
    {
    case BS_SOLID:
        if (brush->qbrush.style() != Qt::SolidPattern || brush->qbrushBk != brush->log.lbColor)
        {
            brush->qbrush = QBrush(ColorOf(brush->log.lbColor));
            brush->qbrushBk = brush->log.lbColor; // the colour the cached brush has
        }
        return brush->qbrush;
    case BS_HATCHED:
        if (brush->qbrush.style() == Qt::NoBrush || brush->qbrushBk != state.bkColor ||
            brush->qbrushMode != state.bkMode)
        {
            brush->qbrush = QBrush(HatchTile(static_cast<int>(brush->log.lbHatch % 6), brush->log.lbColor,
                                             state.bkColor, state.bkMode == OPAQUE));
            brush->qbrushBk = state.bkColor;
            brush->qbrushMode = state.bkMode;
        }
        return brush->qbrush;
    case BS_PATTERN:
    {
        if (!brush->monoPattern)
            return QBrush(brush->pattern);
        // Monochrome patterns take the text colour for black and the background colour for white.
        QImage tile = brush->pattern.convertToFormat(QImage::Format_RGB32);
        const QRgb fg = ColorOf(state.textColor).rgb();
        const QRgb bg = ColorOf(state.bkColor).rgb();
        for (int y = 0; y < tile.height(); ++y)
        {
            auto* row = reinterpret_cast<QRgb*>(tile.scanLine(y));
            for (int x = 0; x < tile.width(); ++x)
                row[x] = qGray(row[x]) < 128 ? fg : bg;
        }
        return QBrush(tile);
    }
    default:
        return QBrush(Qt::NoBrush);
    }
}

QRect DeviceRect(const DcState& s, int left, int top, int right, int bottom)
{
    const QPoint a = s.ToDevice(left, top);
    const QPoint b = s.ToDevice(right, bottom);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
}

QFont CurrentFont(const DeviceContext* dc)
{
    if (auto* font = static_cast<FontObject*>(LookupObject(dc->state.font, OBJ_FONT)))
        return font->font;
    return QFont(QStringLiteral("Liberation Sans"));
}

} // namespace kel::gdi

using namespace kel::gdi;

namespace
{

QRect Grow(const QRect& r, int w)
{
    return r.adjusted(-w, -w, w, w);
}

// Draws a device polyline with the DC's pen; Qt's flat-capped lines leave out the end point, as
// Windows does, and draw each joint once.
void StrokePolyline(Drawing& d, const QPolygon& points)
{
    if (points.size() < 2)
        return;
    const QPen pen = d.Pen();
    if (pen.style() == Qt::NoPen)
        return;
    d.PrepareBackground();
    d.Painter().setPen(pen);
    d.Painter().drawPolyline(points);
    d.Touch(Grow(points.boundingRect(), pen.width()));
}

QPolygon DevicePoints(const DcState& s, const POINT* apt, int n)
{
    QPolygon polygon(std::max(n, 0));
    for (int i = 0; i < n; ++i)
        polygon[i] = s.ToDevice(apt[i].x, apt[i].y);
    return polygon;
}

// The outline rectangle of a shape in device pixels: a one-pixel pen runs on the outermost pixels
// of left..right-1; an inside-frame pen is pulled in so its width stays inside the box.
QRectF OutlineRect(const QRect& r, const QPen& pen, bool insideFrame)
{
    const int w = pen.style() == Qt::NoPen ? 0 : pen.width();
    if (w <= 1)
        return QRectF(r.adjusted(0, 0, -1, -1));
    const double inset = insideFrame ? w / 2.0 : 0.0;
    return QRectF(r).adjusted(inset, inset, -1 - inset + (insideFrame ? 1 : 0),
                              -1 - inset + (insideFrame ? 1 : 0));
}

// Shapes bounded by a rectangle: Windows leaves a shape drawn without a pen one pixel smaller.
template <typename Record, typename Draw>
BOOL ShapeCall(HDC hdc, int left, int top, int right, int bottom, Record record, Draw draw)
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        record(*r);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    QRect r = DeviceRect(dc->state, left, top, right, bottom);
    const QPen pen = d.Pen();
    if (pen.style() == Qt::NoPen)
        r.adjust(0, 0, -1, -1);
    if (r.width() < 1 || r.height() < 1)
        return TRUE;
    d.PrepareBackground();
    draw(d, r, pen, OutlineRect(r, pen, d.InsideFrame()));
    d.Touch(Grow(r, pen.width()));
    return TRUE;
}

double AngleOf(const QPointF& center, QPoint p)
{
    // Degrees counter-clockwise on the screen (y grows downwards).
    return std::atan2(-(p.y() - center.y()), p.x() - center.x()) * 180.0 / M_PI;
}

// Start and span in Qt's 1/16 degrees for an arc from the ray to `from` to the ray to `to`.
std::pair<int, int> ArcAngles(const DcState& s, const QRectF& box, QPoint from, QPoint to)
{
    const QPointF c = box.center();
    const double a = AngleOf(c, from);
    double b = AngleOf(c, to);
    double span;
    if (s.arcDirection == AD_CLOCKWISE)
    {
        span = b - a;
        while (span >= 0)
            span -= 360;
    }
    else
    {
        span = b - a;
        while (span <= 0)
            span += 360;
    }
    return {static_cast<int>(std::lround(a * 16)), static_cast<int>(std::lround(span * 16))};
}

enum class ArcKind
{
    Arc,
    Pie,
    Chord
};

BOOL ArcShape(HDC hdc, ArcKind kind, int l, int t, int r, int b, int x1, int y1, int x2, int y2)
{
    KEL_DC(hdc, FALSE);
    if (auto* rec = RecorderOf(dc))
        (rec->*(kind == ArcKind::Arc   ? &MetaRecorder::Arc
                : kind == ArcKind::Pie ? &MetaRecorder::Pie
                                       : &MetaRecorder::Chord))(l, t, r, b, x1, y1, x2, y2);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    const QRect rect = DeviceRect(dc->state, l, t, r, b);
    const QPen pen = d.Pen();
    const QRectF box = OutlineRect(rect, pen, d.InsideFrame());
    const auto [start, span] =
        ArcAngles(dc->state, box, dc->state.ToDevice(x1, y1), dc->state.ToDevice(x2, y2));
    d.PrepareBackground();
    QPainter& p = d.Painter();
    p.setPen(pen);
    p.setBrush(kind == ArcKind::Arc ? QBrush(Qt::NoBrush) : d.Brush());
    if (kind == ArcKind::Arc)
        p.drawArc(box, start, span);
    else if (kind == ArcKind::Pie)
        p.drawPie(box, start, span);
    else
        p.drawChord(box, start, span);
    d.Touch(Grow(rect, pen.width()));
    return TRUE;
}

// The ternary raster op on one pixel: bit i of the op's code is the result for
// (pattern, source, destination) = (i>>2 & 1, i>>1 & 1, i & 1), bit by bit.
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t result = 0;
    for (int i = 0; i < 8; ++i)
        if (code >> i & 1)
            result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return result & 0x00FFFFFF;
}

bool UsesSource(DWORD rop)
{
    const uint8_t code = static_cast<uint8_t>(rop >> 16);
    return ((code >> 2) & 0x33) != (code & 0x33);
}

bool UsesPattern(DWORD rop)
{
    const uint8_t code = static_cast<uint8_t>(rop >> 16);
    return ((code >> 4) & 0x0F) != (code & 0x0F);
}

bool IsMonochrome(const DeviceContext* dc)
{
    auto* bitmap = static_cast<BitmapObject*>(LookupObject(dc->state.bitmap, OBJ_BITMAP));
    return dc->memoryDc && bitmap && bitmap->bitsPixel == 1;
}

// Combines `source` (already cut and scaled to `target`'s size, or null) into the destination DC
// at device rectangle `target` by the raster op.
BOOL Blit(DeviceContext* dc, const QRect& target, const QImage* source, DWORD rop)
{
    if (target.isEmpty())
        return TRUE;
    QImage* image = dc->device->Image();
    const uint8_t code = static_cast<uint8_t>(rop >> 16);
    // Plain copies go through the painter (any device, printers too).
    if (!image || rop == SRCCOPY || rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY)
    {
        Drawing d(dc, false);
        if (!d.Active())
            return TRUE;
        QPainter& p = d.Painter();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (rop == SRCCOPY && source)
            p.drawImage(target.topLeft(), *source);
        else if (rop == BLACKNESS || rop == WHITENESS)
            p.fillRect(target, rop == BLACKNESS ? Qt::black : Qt::white);
        else if (rop == PATCOPY)
        {
            d.PrepareBackground();
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.fillRect(target, d.Brush());
        }
        else
            return FALSE; // other raster ops need the destination's pixels
        d.Touch(target);
        return TRUE;
    }
    // Everything else pixel by pixel, within the clip.
    dc->Painter(); // an open painter is harmless: image drawing is synchronous
    QRegion area = QRegion(target) & QRegion(image->rect());
    if (dc->Clipped())
        area &= dc->EffectiveClip();
    // The pattern covers only what is drawn: the target may be far larger than the image.
    const QRect drawn = area.boundingRect();
    QImage pattern;
    if (UsesPattern(rop) && !drawn.isEmpty())
    {
        pattern = QImage(drawn.size(), QImage::Format_RGB32);
        pattern.fill(Qt::black);
        QPainter pp(&pattern);
        pp.setBrushOrigin(dc->state.brushOrg.x - drawn.left(), dc->state.brushOrg.y - drawn.top());
        pp.fillRect(pattern.rect(), QtBrush(dc->state.brush, dc->state));
    }
    for (const QRect& part : area)
        for (int y = part.top(); y <= part.bottom(); ++y)
        {
            auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
            const int sy = y - target.top();
            const QRgb* srow = source ? reinterpret_cast<const QRgb*>(source->constScanLine(sy)) : nullptr;
            const QRgb* prow = pattern.isNull()
                                   ? nullptr
                                   : reinterpret_cast<const QRgb*>(pattern.constScanLine(y - drawn.top()));
            for (int x = part.left(); x <= part.right(); ++x)
            {
                const int sx = x - target.left();
                const uint32_t p = prow ? prow[x - drawn.left()] : 0;
                const uint32_t s = srow ? srow[sx] : 0;
                row[x] = 0xFF000000u | Rop3(code, p, s, row[x]);
            }
        }
    dc->device->Touched(target);
    return TRUE;
}

// The source pixels of a blit: cut, scaled (nearest pixel) and colour-converted as Windows does
// between monochrome and colour bitmaps.
QImage SourcePixels(DeviceContext* dst, const QImage& from, bool fromMono, COLORREF fromBk, QRect srcRect,
                    QSize size, bool mirrorX, bool mirrorY)
{
    QImage part = from.copy(srcRect).convertToFormat(QImage::Format_RGB32);
    if (part.size() != size)
        part = part.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (mirrorX || mirrorY)
        part = part.mirrored(mirrorX, mirrorY);
    const bool toMono = IsMonochrome(dst);
    if (fromMono == toMono)
        return part;
    const QRgb fg = ColorOf(dst->state.textColor).rgb();
    const QRgb bg = ColorOf(dst->state.bkColor).rgb();
    const QRgb key = ColorOf(fromBk).rgb() & 0x00FFFFFF;
    for (int y = 0; y < part.height(); ++y)
    {
        auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x)
            if (fromMono) // black takes the text colour, white the background colour
                row[x] = (row[x] & 0x00FFFFFF) ? bg : fg;
            else // the source's background colour becomes white, everything else black
                row[x] = (row[x] & 0x00FFFFFF) == key ? 0xFFFFFFFF : 0xFF000000;
    }
    return part;
}

// Whether a blit's rectangle is small enough to hold in a temporary image.
bool Fits(const QRect& r)
{
    return int64_t(r.width()) * r.height() <= kMaxPixels;
}

// Where a DC's drawing can show, in device pixels; empty when the device has no size.
QRect DeviceBounds(DeviceContext* dc)
{
    if (QImage* image = dc->device->Image())
        return image->rect();
    const QPaintDevice* target = dc->device->Target();
    return target ? QRect(0, 0, target->width(), target->height()) : QRect();
}

// The part [from, to) of a span of `length` that maps onto `part` of `whole` (mirrored or not).
std::pair<int, int> SourceSpan(int length, int whole, int partStart, int partEnd, bool mirror)
{
    if (mirror)
        std::tie(partStart, partEnd) = std::pair(whole - partEnd, whole - partStart);
    const int from = static_cast<int>(int64_t(partStart) * length / whole);
    const int to = static_cast<int>((int64_t(partEnd) * length + whole - 1) / whole);
    return {from, std::max(to, from + 1)};
}

// Scales `srcRect` of `from` onto device rectangle `target` and blits it by the raster op. A
// target too large to hold is cut to the device first, with the source part it shows.
BOOL StretchPixels(DeviceContext* dst, QRect target, const QImage& from, bool fromMono, COLORREF fromBk,
                   QRect srcRect, bool mirrorX, bool mirrorY, DWORD rop)
{
    if (!Fits(srcRect))
        return FALSE;
    if (target.isEmpty())
        return TRUE;
    if (!Fits(target) || target.width() > kMaxSide || target.height() > kMaxSide)
    {
        QRect shown = target & DeviceBounds(dst);
        if (dst->Clipped())
            shown &= dst->EffectiveClip().boundingRect();
        if (shown.isEmpty())
            return TRUE;
        const auto [x0, x1] = SourceSpan(srcRect.width(), target.width(), shown.left() - target.left(),
                                         shown.right() + 1 - target.left(), mirrorX);
        const auto [y0, y1] = SourceSpan(srcRect.height(), target.height(), shown.top() - target.top(),
                                         shown.bottom() + 1 - target.top(), mirrorY);
        srcRect = QRect(srcRect.left() + x0, srcRect.top() + y0, x1 - x0, y1 - y0);
        target = shown;
    }
    const QImage pixels = SourcePixels(dst, from, fromMono, fromBk, srcRect, target.size(), mirrorX, mirrorY);
    return Blit(dst, target, &pixels, rop);
}

// A blit onto a recording DC: the source's pixels as they are, for the recorder to stretch.
BOOL RecordBlit(DeviceContext* dst, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop)
{
    if (!UsesSource(rop))
    {
        dst->recorder->PatBlt(xDest, yDest, wDest, hDest, rop);
        return TRUE;
    }
    DeviceContext* src = LookupDc(hdcSrc);
    QImage* from = src ? src->device->Image() : nullptr;
    if (!from)
        return FALSE;
    const QRect srcRect = DeviceRect(src->state, xSrc, ySrc, SumOf(xSrc, wSrc), SumOf(ySrc, hSrc));
    if (!Fits(srcRect))
        return FALSE;
    const QImage pixels = SourcePixels(dst, *from, IsMonochrome(src), src->state.bkColor, srcRect,
                                       srcRect.size(), false, false);
    dst->recorder->StretchBlt(xDest, yDest, wDest, hDest, pixels, rop);
    return TRUE;
}

BOOL StretchFrom(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                 int wSrc, int hSrc, DWORD rop)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dst = LookupDc(hdcDest);
    if (!dst)
        return FALSE;
    if (dst->recorder)
        return RecordBlit(dst, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
    const int xEnd = SumOf(xDest, wDest), yEnd = SumOf(yDest, hDest);
    const QRect target = DeviceRect(dst->state, xDest, yDest, xEnd, yEnd);
    const QPoint d0 = dst->state.ToDevice(xDest, yDest), d1 = dst->state.ToDevice(xEnd, yEnd);
    if (!UsesSource(rop))
        return Blit(dst, target, nullptr, rop);
    DeviceContext* src = LookupDc(hdcSrc);
    if (!src)
        return FALSE;
    QImage* from = src->device->Image();
    if (!from)
        return FALSE;
    const int xSrcEnd = SumOf(xSrc, wSrc), ySrcEnd = SumOf(ySrc, hSrc);
    const QRect srcRect = DeviceRect(src->state, xSrc, ySrc, xSrcEnd, ySrcEnd);
    const QPoint s0 = src->state.ToDevice(xSrc, ySrc), s1 = src->state.ToDevice(xSrcEnd, ySrcEnd);
    const bool mirrorX = (d1.x() < d0.x()) != (s1.x() < s0.x());
    const bool mirrorY = (d1.y() < d0.y()) != (s1.y() < s0.y());
    return StretchPixels(dst, target, *from, IsMonochrome(src), src->state.bkColor, srcRect, mirrorX, mirrorY,
                         rop);
}

} // namespace

// ---- Lines

namespace
{

// FillRgn or FrameRgn (frame: w by h) on a recording DC; FALSE for a bad brush.
BOOL RecordRegion(MetaRecorder& r, const QRegion& region, HBRUSH hbr, bool frame, int w, int h)
{
    LOGBRUSH log{};
    QImage pattern;
    if (!DescribeBrush(hbr, log, pattern))
        return FALSE;
    if (!frame)
        r.FillRegion(region, log, pattern);
    else
        r.FrameRegion(region, log, pattern, w, h);
    return TRUE;
}

// FillRect/FrameRect on a recording DC: 1 when recorded, 0 for a bad brush.
int RecordFill(MetaRecorder& r, void (MetaRecorder::*record)(const RECT&, const LOGBRUSH&, const QImage&),
               const RECT& rect, HBRUSH hbr)
{
    LOGBRUSH log{};
    QImage pattern;
    if (!DescribeBrush(hbr, log, pattern))
        return 0;
    (r.*record)(rect, log, pattern);
    return 1;
}

} // namespace

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        r->MoveTo(x, y);
    if (lppt)
        *lppt = dc->state.current;
    dc->state.current = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        r->LineTo(x, y);
    {
        Drawing d(dc);
        if (d.Active())
        {
            QPolygon line;
            line << dc->state.ToDevice(dc->state.current.x, dc->state.current.y) << dc->state.ToDevice(x, y);
            StrokePolyline(d, line);
        }
    }
    dc->state.current = POINT{x, y};
    return TRUE;
}

// Most points one call takes; more is a caller's error, not a picture.
constexpr int64_t kMaxPoints = 1 << 24;

// Whether `count` figures of asz[i] >= `minimum` points each add up to at most kMaxPoints.
template <typename Count> bool CountsOk(const Count* asz, int64_t count, int64_t minimum)
{
    if (!asz || count <= 0 || count > kMaxPoints)
        return false;
    int64_t total = 0;
    for (int64_t i = 0; i < count; ++i)
    {
        if (int64_t(asz[i]) < minimum)
            return false;
        total += int64_t(asz[i]);
        if (total > kMaxPoints)
            return false;
    }
    return true;
}

BOOL Polyline(HDC hdc, const POINT* apt, int cpt)
{
    KEL_DC(hdc, FALSE);
    if (!apt || cpt < 2 || cpt > kMaxPoints)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->Polyline(apt, cpt);
    Drawing d(dc);
    if (d.Active())
        StrokePolyline(d, DevicePoints(dc->state, apt, cpt));
    return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* apt, DWORD cpt)
{
    KEL_DC(hdc, FALSE);
    if (!apt || cpt == 0 || cpt > kMaxPoints)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->PolylineTo(apt, static_cast<int>(cpt));
    {
        Drawing d(dc);
        if (d.Active())
        {
            QPolygon points = DevicePoints(dc->state, apt, static_cast<int>(cpt));
            points.prepend(dc->state.ToDevice(dc->state.current.x, dc->state.current.y));
            StrokePolyline(d, points);
        }
    }
    dc->state.current = apt[cpt - 1];
    return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* apt, const DWORD* asz, DWORD csz)
{
    KEL_DC(hdc, FALSE);
    if (!apt || !CountsOk(asz, csz, 0))
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->PolyPolyline(apt, asz, static_cast<int>(csz));
    Drawing d(dc);
    for (DWORD i = 0, at = 0; i < csz; at += asz[i], ++i)
        if (d.Active())
            StrokePolyline(d, DevicePoints(dc->state, apt + at, static_cast<int>(asz[i])));
    return TRUE;
}

// ---- Shapes

BOOL PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz)
{
    KEL_DC(hdc, FALSE);
    if (!apt || !CountsOk(asz, csz, 2))
        return FALSE;
    if (auto* r = RecorderOf(dc))
        csz == 1 ? r->Polygon(apt, asz[0]) : r->PolyPolygon(apt, asz, csz);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    QPainterPath path;
    path.setFillRule(dc->state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    QRect bounds;
    for (int i = 0, at = 0; i < csz; at += asz[i], ++i)
    {
        const QPolygon polygon = DevicePoints(dc->state, apt + at, asz[i]);
        path.addPolygon(polygon);
        path.closeSubpath();
        bounds |= polygon.boundingRect();
    }
    d.PrepareBackground();
    const QPen pen = d.Pen();
    d.Painter().setPen(pen);
    d.Painter().setBrush(d.Brush());
    d.Painter().drawPath(path);
    d.Touch(Grow(bounds, pen.width()));
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt)
{
    if (!apt || cpt < 2)
        return FALSE;
    const INT count = cpt;
    return PolyPolygon(hdc, apt, &count, 1);
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return ShapeCall(
        hdc, left, top, right, bottom, [=](MetaRecorder& rec) { rec.Rectangle(left, top, right, bottom); },
        [](Drawing& d, const QRect& r, const QPen& pen, const QRectF& outline)
        {
            QPainter& p = d.Painter();
            // The interior and the frame never overlap, so raster ops apply once per pixel.
            const int w = pen.style() == Qt::NoPen ? 0 : (pen.width() <= 1 ? 1 : (pen.width() + 1) / 2);
            p.fillRect(r.adjusted(w, w, -w, -w), d.Brush());
            if (pen.style() == Qt::NoPen)
                return;
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(outline);
        });
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return ShapeCall(
        hdc, left, top, right, bottom, [=](MetaRecorder& rec) { rec.Ellipse(left, top, right, bottom); },
        [](Drawing& d, const QRect&, const QPen& pen, const QRectF& outline)
        {
            d.Painter().setPen(pen);
            d.Painter().setBrush(d.Brush());
            d.Painter().drawEllipse(outline);
        });
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    int rw = 0, rh = 0;
    {
        KEL_DC(hdc, FALSE);
        rw = dc->state.WidthToDevice(width) / 2;
        rh = dc->state.HeightToDevice(height) / 2;
    }
    return ShapeCall(
        hdc, left, top, right, bottom,
        [=](MetaRecorder& rec) { rec.RoundRect(left, top, right, bottom, width, height); },
        [rw, rh](Drawing& d, const QRect&, const QPen& pen, const QRectF& outline)
        {
            d.Painter().setPen(pen);
            d.Painter().setBrush(d.Brush());
            d.Painter().drawRoundedRect(outline, rw, rh);
        });
}

BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    return ArcShape(hdc, ArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

BOOL ArcTo(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2)
{
    // A line from the current position to the arc's start, the arc, and the current position at its end.
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    auto onEllipse = [&](int x, int y)
    {
        const double a = std::atan2((y - cy) / (ry ? ry : 1), (x - cx) / (rx ? rx : 1));
        return POINT{static_cast<LONG>(std::lround(cx + rx * std::cos(a))),
                     static_cast<LONG>(std::lround(cy + ry * std::sin(a)))};
    };
    const POINT start = onEllipse(xr1, yr1);
    const POINT end = onEllipse(xr2, yr2);
    if (!LineTo(hdc, start.x, start.y) || !Arc(hdc, left, top, right, bottom, xr1, yr1, xr2, yr2))
        return FALSE;
    return MoveToEx(hdc, end.x, end.y, nullptr);
}

BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2)
{
    return ArcShape(hdc, ArcKind::Pie, left, top, right, bottom, xr1, yr1, xr2, yr2);
}

BOOL Chord(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    return ArcShape(hdc, ArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

// ---- Fills

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    KEL_DC(hDC, 0);
    if (!lprc)
        return 0;
    if (auto* r = RecorderOf(dc))
        return RecordFill(*r, &MetaRecorder::FillRect, *lprc, hbr);
    const QBrush brush = QtBrush(hbr, dc->state);
    if (brush.style() == Qt::NoBrush)
        return reinterpret_cast<uintptr_t>(hbr) && LookupObject(hbr, OBJ_BRUSH) ? 1 : 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        d.Painter().fillRect(r, brush);
        d.Touch(r);
    }
    return 1;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    KEL_DC(hDC, 0);
    if (!lprc)
        return 0;
    if (auto* r = RecorderOf(dc))
        return RecordFill(*r, &MetaRecorder::FrameRect, *lprc, hbr);
    const QBrush brush = QtBrush(hbr, dc->state);
    if (brush.style() == Qt::NoBrush)
        return 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        if (r.isEmpty())
            return 1;
        QPainter& p = d.Painter();
        QRegion frame = QRegion(r) - QRegion(r.adjusted(1, 1, -1, -1));
        for (const QRect& part : frame)
            p.fillRect(part, brush);
        d.Touch(r);
    }
    return 1;
}

BOOL InvertRect(HDC hDC, const RECT* lprc)
{
    KEL_DC(hDC, FALSE);
    if (!lprc)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->InvertRect(*lprc);
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        d.Painter().setCompositionMode(QPainter::RasterOp_NotDestination);
        d.Painter().fillRect(r, Qt::black);
        d.Touch(r);
    }
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr)
{
    KEL_DC(hdc, FALSE);
    auto* rgn = static_cast<RegionObject*>(LookupObject(hrgn, OBJ_REGION));
    if (!rgn)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        return RecordRegion(*r, rgn->region, hbr, false, 0, 0);
    const QBrush brush = QtBrush(hbr, dc->state);
    if (brush.style() == Qt::NoBrush)
        return LookupObject(hbr, OBJ_BRUSH) != nullptr;
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRegion region = rgn->region.translated(dc->state.ToDevice(0, 0));
        for (const QRect& part : region)
            d.Painter().fillRect(part, brush);
        d.Touch(region.boundingRect());
    }
    return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN hrgn)
{
    HBRUSH brush = static_cast<HBRUSH>(GetCurrentObject(hdc, OBJ_BRUSH));
    return FillRgn(hdc, hrgn, brush);
}

BOOL FrameRgn(HDC hdc, HRGN hrgn, HBRUSH hbr, int w, int h)
{
    KEL_DC(hdc, FALSE);
    auto* rgn = static_cast<RegionObject*>(LookupObject(hrgn, OBJ_REGION));
    if (!rgn || w < 0 || h < 0)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        return RecordRegion(*r, rgn->region, hbr, true, w, h);
    // Regions hold device coordinates: a wider frame covers them all the same.
    w = std::min(w, kDeviceLimit);
    h = std::min(h, kDeviceLimit);
    const QBrush brush = QtBrush(hbr, dc->state);
    Drawing d(dc, false);
    if (d.Active() && brush.style() != Qt::NoBrush)
    {
        const QRegion region = rgn->region.translated(dc->state.ToDevice(0, 0));
        // The frame: the region less the region shrunk by w and h on every side.
        QRegion inner = region;
        inner &= region.translated(w, 0);
        inner &= region.translated(-w, 0);
        inner &= region.translated(0, h);
        inner &= region.translated(0, -h);
        for (const QRect& part : region - inner)
            d.Painter().fillRect(part, brush);
        d.Touch(region.boundingRect());
    }
    return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN hrgn)
{
    KEL_DC(hdc, FALSE);
    auto* rgn = static_cast<RegionObject*>(LookupObject(hrgn, OBJ_REGION));
    if (!rgn)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->InvertRegion(rgn->region);
    Drawing d(dc, false);
    if (d.Active())
    {
        const QRegion region = rgn->region.translated(dc->state.ToDevice(0, 0));
        d.Painter().setCompositionMode(QPainter::RasterOp_NotDestination);
        for (const QRect& part : region)
            d.Painter().fillRect(part, Qt::black);
        d.Touch(region.boundingRect());
    }
    return TRUE;
}

// ---- Edges and focus

BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags)
{
    KEL_DC(hdc, FALSE);
    if (!qrc)
        return FALSE;
    RECT rc = *qrc;
    const bool flat = grfFlags & BF_FLAT, mono = grfFlags & BF_MONO;
    // Colours of the outer and inner borders: top-left, then bottom-right.
    auto colours = [&](bool outer, bool raised, bool sunken, COLORREF& tl, COLORREF& br)
    {
        if (mono)
            tl = br = GetSysColor(outer ? COLOR_WINDOWFRAME : COLOR_WINDOW);
        else if (flat)
            tl = br = GetSysColor(outer ? COLOR_BTNSHADOW : COLOR_BTNFACE);
        else if (raised)
        {
            tl = GetSysColor(outer ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
            br = GetSysColor(outer ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
        }
        else if (sunken)
        {
            tl = GetSysColor(outer ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
            br = GetSysColor(outer ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
        }
        return raised || sunken;
    };
    Drawing d(dc, false);
    auto border = [&](COLORREF tl, COLORREF br)
    {
        const QRect r = DeviceRect(dc->state, rc.left, rc.top, rc.right, rc.bottom);
        if (r.isEmpty())
            return;
        if (d.Active())
        {
            QPainter& p = d.Painter();
            // Top and left stop one pixel short: the bottom-right colour owns those two corners.
            if (grfFlags & BF_TOP)
                p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), ColorOf(tl));
            if (grfFlags & BF_LEFT)
                p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), ColorOf(tl));
            if (grfFlags & BF_BOTTOM)
                p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), ColorOf(br));
            if (grfFlags & BF_RIGHT)
                p.fillRect(QRect(r.right(), r.top(), 1, r.height()), ColorOf(br));
            d.Touch(r);
        }
        if (grfFlags & BF_LEFT)
            rc.left = SumOf(rc.left, 1);
        if (grfFlags & BF_TOP)
            rc.top = SumOf(rc.top, 1);
        if (grfFlags & BF_RIGHT)
            rc.right = SumOf(rc.right, -1);
        if (grfFlags & BF_BOTTOM)
            rc.bottom = SumOf(rc.bottom, -1);
    };
    COLORREF tl = 0, br = 0;
    if (colours(true, edge & BDR_RAISEDOUTER, edge & BDR_SUNKENOUTER, tl, br) || flat || mono)
        border(tl, br);
    if (colours(false, edge & BDR_RAISEDINNER, edge & BDR_SUNKENINNER, tl, br))
        border(tl, br);
    if ((grfFlags & BF_MIDDLE) && d.Active())
    {
        const QRect r = DeviceRect(dc->state, rc.left, rc.top, rc.right, rc.bottom);
        d.Painter().fillRect(r, ColorOf(GetSysColor(mono ? COLOR_WINDOW : COLOR_BTNFACE)));
        d.Touch(r);
    }
    if (grfFlags & BF_ADJUST)
        *qrc = rc;
    return TRUE;
}

BOOL DrawFocusRect(HDC hDC, const RECT* lprc)
{
    KEL_DC(hDC, FALSE);
    if (!lprc)
        return FALSE;
    Drawing d(dc, false);
    if (!d.Active())
        return TRUE;
    const QRect r = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
    if (r.isEmpty())
        return TRUE;
    // Every other pixel of the frame, checkered from the device origin, inverted.
    QPolygon dots;
    auto dot = [&](int x, int y)
    {
        if (((x + y) & 1) == 0)
            dots << QPoint(x, y);
    };
    for (int x = r.left(); x <= r.right(); ++x)
    {
        dot(x, r.top());
        if (r.bottom() != r.top())
            dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y)
    {
        dot(r.left(), y);
        if (r.right() != r.left())
            dot(r.right(), y);
    }
    QPainter& p = d.Painter();
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    QPen pen(Qt::black, 1);
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.drawPoints(dots);
    d.Touch(r);
    return TRUE;
}

// ---- Icons and states

namespace
{

QImage IconImage(HICON icon)
{
    return ImageOfIcon(icon);
}

// The disabled look: the shape's dark pixels embossed, in the highlight colour one pixel down and
// right, then in the shadow colour.
QImage Embossed(const QImage& from)
{
    QImage out(from.width() + 1, from.height() + 1, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    const QRgb hi = ColorOf(GetSysColor(COLOR_BTNHIGHLIGHT)).rgba();
    const QRgb sh = ColorOf(GetSysColor(COLOR_BTNSHADOW)).rgba();
    const QImage src = from.convertToFormat(QImage::Format_ARGB32);
    auto dark = [&](int x, int y)
    {
        const QRgb c = src.pixel(x, y);
        return qAlpha(c) > 127 && qGray(c) < 192;
    };
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (dark(x, y))
                out.setPixel(x + 1, y + 1, hi);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (dark(x, y))
                out.setPixel(x, y, sh);
    return out;
}

// A picture with transparent parts on a recording DC, as blits without alpha: a mask ANDed in
// (black where the picture is), then the picture (black where it is not) XORed over it.
void RecordImage(MetaRecorder& r, int x, int y, const QImage& image, int cx, int cy)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage mask(argb.size(), QImage::Format_RGB32), colour(argb.size(), QImage::Format_RGB32);
    bool transparent = false;
    for (int row = 0; row < argb.height(); ++row)
        for (int col = 0; col < argb.width(); ++col)
        {
            const QRgb c = argb.pixel(col, row);
            const bool shown = qAlpha(c) >= 128;
            transparent |= !shown;
            mask.setPixel(col, row, shown ? 0xFF000000u : 0xFFFFFFFFu);
            colour.setPixel(col, row, shown ? (c | 0xFF000000u) : 0xFF000000u);
        }
    if (!transparent)
        return r.StretchBlt(x, y, cx, cy, colour, SRCCOPY);
    r.StretchBlt(x, y, cx, cy, mask, SRCAND);
    r.StretchBlt(x, y, cx, cy, colour, SRCINVERT);
}

BOOL DrawImageAt(HDC hdc, int x, int y, const QImage& image, int cx, int cy)
{
    KEL_DC(hdc, FALSE);
    if (image.isNull())
        return FALSE;
    cx = std::min(cx, kMaxSide);
    cy = std::min(cy, kMaxSide);
    if (auto* r = RecorderOf(dc))
        RecordImage(*r, x, y, image, cx > 0 ? cx : image.width(), cy > 0 ? cy : image.height());
    Drawing d(dc, false);
    if (d.Active())
    {
        const QPoint at = dc->state.ToDevice(x, y);
        const QRect target(at, QSize(cx > 0 ? cx : image.width(), cy > 0 ? cy : image.height()));
        d.Painter().drawImage(target, image);
        d.Touch(target);
    }
    return TRUE;
}

} // namespace

BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    return DrawImageAt(hDC, X, Y, IconImage(hIcon), 32, 32);
}

BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT,
                HBRUSH hbrFlickerFreeDraw, UINT diFlags)
{
    QImage image = IconImage(hIcon);
    if (image.isNull())
        return FALSE;
    if ((diFlags & DI_DEFAULTSIZE) && cxWidth == 0)
        cxWidth = cyWidth = 32;
    if (hbrFlickerFreeDraw)
    {
        const RECT r{xLeft, yTop, SumOf(xLeft, cxWidth ? cxWidth : image.width()),
                     SumOf(yTop, cyWidth ? cyWidth : image.height())};
        FillRect(hdc, &r, hbrFlickerFreeDraw);
    }
    return DrawImageAt(hdc, xLeft, yTop, image, cxWidth, cyWidth);
}

BOOL DrawState(HDC hdc, HBRUSH, DRAWSTATEPROC qfnCallBack, LPARAM lData, WPARAM wData, int x, int y, int cx,
               int cy, UINT uFlags)
{
    const UINT type = uFlags & 0x000F;
    const bool disabled = uFlags & DSS_DISABLED;
    if (type == DST_TEXT || type == DST_PREFIXTEXT)
    {
        auto* text = reinterpret_cast<LPCSTR>(lData);
        if (!text)
            return FALSE;
        const int length = wData ? static_cast<int>(wData) : static_cast<int>(std::strlen(text));
        SIZE size{};
        GetTextExtentPoint32(hdc, text, length, &size);
        RECT r{x, y, SumOf(x, cx ? cx : size.cx), SumOf(y, cy ? cy : size.cy)};
        const UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | (type == DST_TEXT ? DT_NOPREFIX : 0);
        if (!disabled)
        {
            DrawText(hdc, text, length, &r, format);
            return TRUE;
        }
        const int mode = SetBkMode(hdc, TRANSPARENT);
        const COLORREF colour = GetTextColor(hdc);
        RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        SetTextColor(hdc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(hdc, text, length, &shifted, format);
        SetTextColor(hdc, GetSysColor(COLOR_BTNSHADOW));
        DrawText(hdc, text, length, &r, format);
        SetTextColor(hdc, colour);
        SetBkMode(hdc, mode);
        return TRUE;
    }
    if (type == DST_COMPLEX)
        return qfnCallBack ? qfnCallBack(hdc, lData, wData, cx, cy) : FALSE;
    QImage image = type == DST_ICON ? IconImage(reinterpret_cast<HICON>(lData))
                                    : ImageOfBitmap(reinterpret_cast<HBITMAP>(lData));
    if (image.isNull())
        return FALSE;
    return DrawImageAt(hdc, x, y, disabled ? Embossed(image) : image, cx, cy);
}

// ---- Raster operations

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    KEL_DC(hdc, FALSE);
    if (UsesSource(rop))
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->PatBlt(x, y, w, h, rop);
    return Blit(dc, DeviceRect(dc->state, x, y, SumOf(x, w), SumOf(y, h)), nullptr, rop);
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    return StretchFrom(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                int wSrc, int hSrc, DWORD rop)
{
    return StretchFrom(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                  int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT, DWORD rop)
{
    const QImage dib = ImageFromDib(lpbmi, lpBits);
    if (dib.isNull())
        return 0;
    KEL_DC(hdc, 0);
    // No source extent can be larger than a DIB's side, so these stay exact for every DIB read.
    SrcWidth = std::clamp(SrcWidth, -kDeviceLimit, kDeviceLimit);
    SrcHeight = std::clamp(SrcHeight, -kDeviceLimit, kDeviceLimit);
    xSrc = std::clamp(xSrc, -kDeviceLimit, kDeviceLimit);
    ySrc = std::clamp(ySrc, -kDeviceLimit, kDeviceLimit);
    const int xEnd = SumOf(xDest, DestWidth), yEnd = SumOf(yDest, DestHeight);
    const QPoint d0 = dc->state.ToDevice(xDest, yDest), d1 = dc->state.ToDevice(xEnd, yEnd);
    const QRect target = DeviceRect(dc->state, xDest, yDest, xEnd, yEnd);
    // Source coordinates count from the DIB's lower-left corner for bottom-up DIBs, as on Windows.
    const bool bottomUp = lpbmi->bmiHeader.biHeight > 0;
    const int top = bottomUp ? dib.height() - (ySrc + std::abs(SrcHeight)) : ySrc;
    const QRect srcRect(std::min(xSrc, xSrc + SrcWidth), top, std::abs(SrcWidth), std::abs(SrcHeight));
    const bool mirrorX = (d1.x() < d0.x()) != (SrcWidth < 0);
    const bool mirrorY = (d1.y() < d0.y()) != (SrcHeight < 0);
    const bool mono = lpbmi->bmiHeader.biBitCount == 1;
    if (auto* r = RecorderOf(dc))
    {
        if (!Fits(srcRect))
            return 0;
        r->StretchBlt(xDest, yDest, DestWidth, DestHeight,
                      SourcePixels(dc, dib, mono, RGB(255, 255, 255), srcRect, srcRect.size(), SrcWidth < 0,
                                   SrcHeight < 0),
                      rop);
        return std::abs(SrcHeight);
    }
    return StretchPixels(dc, target, dib, mono, RGB(255, 255, 255), srcRect, mirrorX, mirrorY, rop)
               ? std::abs(SrcHeight)
               : 0;
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT, UINT cLines,
                      const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse)
{
    const int drawn =
        StretchDIBits(hdc, xDest, yDest, static_cast<int>(w), static_cast<int>(h), xSrc, ySrc,
                      static_cast<int>(w), static_cast<int>(h), lpvBits, lpbmi, ColorUse, SRCCOPY);
    return drawn ? static_cast<int>(cLines) : 0;
}

// ---- Pixels

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    KEL_DC(hdc, CLR_INVALID);
    if (auto* r = RecorderOf(dc))
    {
        r->SetPixel(x, y, color);
        return color;
    }
    const QPoint p = dc->state.ToDevice(x, y);
    if (dc->Clipped() && !dc->EffectiveClip().contains(p))
        return CLR_INVALID;
    QImage* image = dc->device->Image();
    if (!image)
    {
        // Devices without an image (printers) get a one-pixel fill.
        Drawing d(dc, false);
        if (!d.Active())
            return CLR_INVALID;
        d.Painter().fillRect(QRect(p, QSize(1, 1)), ColorOf(color));
        return color;
    }
    if (!image->rect().contains(p))
        return CLR_INVALID;
    image->setPixel(p, ColorOf(color).rgb());
    dc->device->Touched(QRect(p, QSize(1, 1)));
    return color;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    KEL_DC(hdc, CLR_INVALID);
    QImage* image = dc->device->Image();
    const QPoint p = dc->state.ToDevice(x, y);
    if (!image || !image->rect().contains(p) || (dc->Clipped() && !dc->EffectiveClip().contains(p)))
        return CLR_INVALID;
    return RgbOf(image->pixel(p));
}
