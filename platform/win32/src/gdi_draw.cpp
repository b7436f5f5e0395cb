// Output calls: lines, shapes, fills, regions, edges, focus frames and pictures. Each call is
// worked out in device pixels (points mapped, pens and brushes resolved) and handed to the DC's
// device; a metafile DC's recorder gets the call as it was made first.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include "win32/imagelist.h"
#include "win32/user.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace kel::gdi
{

namespace
{

// The hatches as 8x8 bit rows (bit 7 = leftmost pixel), aligned to the brush origin: straight
// hatches on row 3 and column 4 of the cell, as Windows draws them.
constexpr uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

std::atomic<uint64_t> g_tileSerial{0};

// The tile a hatch or a monochrome pattern is drawn with, made again when the colours it was made
// for change (a hatch's gaps show the background colour in OPAQUE mode, nothing otherwise).
const Pixmap& TileOf(BrushObject& brush, const DcState& s)
{
    const bool hatch = brush.log.lbStyle == BS_HATCHED;
    const COLORREF fore = hatch ? brush.log.lbColor : s.textColor;
    const int mode = hatch ? s.bkMode : 0;
    if (brush.tileSerial && brush.tileFore == fore && brush.tileBack == s.bkColor && brush.tileMode == mode)
        return brush.tile;
    if (hatch)
    {
        brush.tile = Pixmap(8, 8, PixelFormat::Argb32Premultiplied);
        const uint32_t on = ArgbOf(fore), off = s.bkMode == OPAQUE ? ArgbOf(s.bkColor) : 0;
        const uint8_t* rows = kHatches[brush.log.lbHatch % 6];
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                brush.tile.SetPixel(x, y, (rows[y] >> (7 - x)) & 1 ? on : off);
    }
    else
    {
        // Monochrome patterns take the text colour for black and the background colour for white.
        brush.tile = brush.pattern.pixels;
        const uint32_t fg = ArgbOf(fore), bg = ArgbOf(s.bkColor);
        for (int y = 0; y < brush.tile.Height(); ++y)
        {
            uint32_t* row = brush.tile.Row(y);
            for (int x = 0; x < brush.tile.Width(); ++x)
                row[x] = GrayOf(row[x]) < 128 ? fg : bg;
        }
    }
    brush.tileFore = fore;
    brush.tileBack = s.bkColor;
    brush.tileMode = mode;
    brush.tileSerial = ++g_tileSerial;
    return brush.tile;
}

RECT BoundsOf(const POINT* points, size_t count)
{
    RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
    for (size_t i = 1; i < count; ++i)
    {
        box.left = std::min(box.left, points[i].x);
        box.top = std::min(box.top, points[i].y);
        box.right = std::max(box.right, points[i].x);
        box.bottom = std::max(box.bottom, points[i].y);
    }
    return RECT{box.left, box.top, box.right + 1, box.bottom + 1};
}

} // namespace

RECT Intersected(const RECT& a, const RECT& b)
{
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return IsEmpty(r) ? RECT{0, 0, 0, 0} : r;
}

RECT United(const RECT& a, const RECT& b)
{
    if (IsEmpty(a))
        return b;
    if (IsEmpty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

DevicePen ResolvePen(const DcState& s)
{
    DevicePen out;
    auto* pen = Lookup<PenObject>(s.pen, OBJ_PEN);
    if (!pen || (pen->log.lopnStyle & PS_STYLE_MASK) == PS_NULL)
        return out;
    out.style = pen->log.lopnStyle & PS_STYLE_MASK;
    out.width = std::clamp(s.WidthToDevice(static_cast<int>(pen->log.lopnWidth.x)), 1, kMaxSide);
    out.color = s.rop2 == R2_BLACK   ? RGB(0, 0, 0)
                : s.rop2 == R2_WHITE ? RGB(255, 255, 255)
                                     : pen->log.lopnColor;
    out.endCap = pen->log.lopnStyle & PS_ENDCAP_MASK;
    out.join = pen->log.lopnStyle & PS_JOIN_MASK;
    return out;
}

DeviceBrush ResolveBrush(HBRUSH hbr, const DcState& s)
{
    DeviceBrush out;
    const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value > 0 && value <= COLOR_MENUBAR + 1)
    {
        out.kind = DeviceBrush::Kind::Solid;
        out.color = GetSysColor(static_cast<int>(value - 1));
        return out;
    }
    auto* brush = Lookup<BrushObject>(hbr, OBJ_BRUSH);
    if (!brush)
        return out;
    switch (brush->log.lbStyle)
    {
    case BS_SOLID:
        out.kind = DeviceBrush::Kind::Solid;
        out.color = brush->log.lbColor;
        break;
    case BS_HATCHED:
    case BS_PATTERN:
        if (brush->log.lbStyle == BS_PATTERN && !brush->pattern.mono)
        {
            // A colour pattern is its own tile.
            if (!brush->tileSerial)
            {
                brush->tile = brush->pattern.pixels;
                brush->tileSerial = ++g_tileSerial;
            }
        }
        else
            TileOf(*brush, s);
        out.kind = brush->tile.IsNull() ? DeviceBrush::Kind::None : DeviceBrush::Kind::Tile;
        out.tile = &brush->tile;
        out.tileSerial = brush->tileSerial;
        break;
    default:
        break;
    }
    return out;
}

// ---- Drawing

Drawing::Drawing(DeviceContext* dc, bool useRop2) : dc_(dc)
{
    if (!dc || (useRop2 && dc->state.rop2 == R2_NOP))
        return;
    Pixmap* target = dc->Acquire();
    if (!dc->device->Ready(target))
        return;
    active_ = true;
    const DcState& s = dc->state;
    context_.target = target;
    context_.clip = dc->EffectiveClip();
    context_.clipSerial = dc->clipSerial;
    context_.rop2 = useRop2 ? s.rop2 : R2_COPYPEN;
    context_.textColor = s.textColor;
    context_.bkColor = s.bkColor;
    context_.bkMode = s.bkMode;
    context_.polyFillMode = s.polyFillMode;
    context_.brushOrigin = s.brushOrg;
}

Drawing::~Drawing()
{
    if (active_ && !IsEmpty(touched_))
        dc_->Touched(touched_);
}

DrawContext& Drawing::WithPen()
{
    context_.pen = ResolvePen(dc_->state);
    return context_;
}

DrawContext& Drawing::WithPenAndBrush()
{
    WithPen();
    context_.brush = ResolveBrush(dc_->state.brush, dc_->state);
    const int rop2 = dc_->state.rop2;
    if (context_.brush.kind == DeviceBrush::Kind::Solid && (rop2 == R2_BLACK || rop2 == R2_WHITE))
        context_.brush.color = rop2 == R2_BLACK ? RGB(0, 0, 0) : RGB(255, 255, 255);
    return context_;
}

bool DescribeBrush(HBRUSH hbr, LOGBRUSH& log, PatternTile& pattern)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value > 0 && value <= COLOR_MENUBAR + 1)
    {
        log = LOGBRUSH{BS_SOLID, GetSysColor(static_cast<int>(value - 1)), 0};
        pattern = PatternTile();
        return true;
    }
    std::lock_guard lock(TableLock());
    auto* brush = Lookup<BrushObject>(hbr, OBJ_BRUSH);
    if (!brush)
        return false;
    log = brush->log;
    pattern = brush->log.lbStyle == BS_PATTERN ? brush->pattern : PatternTile();
    return true;
}

} // namespace kel::gdi

using namespace kel::gdi;

namespace
{

// Draws device points as connected lines with the DC's pen.
void StrokePolyline(Drawing& d, const POINT* points, size_t count)
{
    if (count < 2)
        return;
    const DrawContext& c = d.WithPen();
    if (c.pen.style == PS_NULL)
        return;
    d.Dev().Polyline(c, points, count);
    d.Touch(Grown(BoundsOf(points, count), c.pen.width));
}

std::vector<POINT> DevicePoints(const DcState& s, const POINT* apt, size_t n)
{
    std::vector<POINT> points(n);
    for (size_t i = 0; i < n; ++i)
        points[i] = s.ToDevice(apt[i].x, apt[i].y);
    return points;
}

// The outline rectangle of a shape in device pixels: a one-pixel pen runs on the outermost pixels
// of left..right-1; an inside-frame pen is pulled in so its width stays inside the box.
RectF OutlineRect(const RECT& r, const DevicePen& pen)
{
    const int w = pen.style == PS_NULL ? 0 : pen.width;
    const double width = double(r.right) - r.left, height = double(r.bottom) - r.top;
    if (w <= 1)
        return RectF{double(r.left), double(r.top), width - 1, height - 1};
    const bool inside = pen.style == PS_INSIDEFRAME;
    const double inset = inside ? w / 2.0 : 0.0;
    const double grow = inside ? 1 : 0;
    return RectF{r.left + inset, r.top + inset, width - 1 - 2 * inset + grow, height - 1 - 2 * inset + grow};
}

// Shapes bounded by a rectangle: Windows leaves a shape drawn without a pen one pixel smaller.
template <typename Record>
BOOL ShapeCall(HDC hdc, Shape::Kind kind, int left, int top, int right, int bottom, Record record,
               int cornerX = 0, int cornerY = 0)
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        record(*r);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    Shape shape;
    shape.kind = kind;
    shape.box = DeviceRect(dc->state, left, top, right, bottom);
    const DrawContext& c = d.WithPenAndBrush();
    if (c.pen.style == PS_NULL)
        shape.box.right -= 1, shape.box.bottom -= 1;
    if (IsEmpty(shape.box))
        return TRUE;
    shape.outline = OutlineRect(shape.box, c.pen);
    shape.cornerX = cornerX;
    shape.cornerY = cornerY;
    d.Dev().DrawShape(c, shape);
    d.Touch(Grown(shape.box, c.pen.width));
    return TRUE;
}

// Degrees counter-clockwise on the screen (y grows downwards) of the ellipse's parameter where the
// ray from its centre through p meets it: on a flat ellipse that is not the ray's own angle.
double AngleOf(const RectF& outline, POINT p)
{
    const double cx = outline.x + outline.width / 2, cy = outline.y + outline.height / 2;
    return std::atan2(-(p.y - cy) * outline.width, (p.x - cx) * outline.height) * 180.0 / M_PI;
}

BOOL ArcShape(HDC hdc, Shape::Kind kind, int l, int t, int r, int b, int x1, int y1, int x2, int y2)
{
    KEL_DC(hdc, FALSE);
    if (auto* rec = RecorderOf(dc))
        (rec->*(kind == Shape::Kind::Arc   ? &MetaRecorder::Arc
                : kind == Shape::Kind::Pie ? &MetaRecorder::Pie
                                           : &MetaRecorder::Chord))(l, t, r, b, x1, y1, x2, y2);
    Drawing d(dc);
    if (!d.Active())
        return TRUE;
    DrawContext& c = d.WithPenAndBrush();
    if (kind == Shape::Kind::Arc)
        c.brush = DeviceBrush();
    Shape shape;
    shape.kind = kind;
    shape.box = DeviceRect(dc->state, l, t, r, b);
    shape.outline = OutlineRect(shape.box, c.pen);
    // From the ray to the first point to the ray to the second, counter-clockwise unless the DC
    // says otherwise; in 1/16 degree.
    shape.from = dc->state.ToDevice(x1, y1);
    shape.to = dc->state.ToDevice(x2, y2);
    const double a = AngleOf(shape.outline, shape.from);
    double span = AngleOf(shape.outline, shape.to) - a;
    if (dc->state.arcDirection == AD_CLOCKWISE)
    {
        while (span >= 0)
            span -= 360;
        std::swap(shape.from, shape.to);
    }
    else
        while (span <= 0)
            span += 360;
    shape.start = static_cast<int>(std::lround(a * 16));
    shape.span = static_cast<int>(std::lround(span * 16));
    d.Dev().DrawShape(c, shape);
    d.Touch(Grown(shape.box, c.pen.width));
    return TRUE;
}

// FillRgn or FrameRgn (frame: w by h) on a recording DC; FALSE for a bad brush.
BOOL RecordRegion(MetaRecorder& r, const Region& region, HBRUSH hbr, bool frame, int w, int h)
{
    LOGBRUSH log{};
    PatternTile pattern;
    if (!DescribeBrush(hbr, log, pattern))
        return FALSE;
    if (!frame)
        r.FillRegion(region, log, pattern);
    else
        r.FrameRegion(region, log, pattern, w, h);
    return TRUE;
}

// FillRect/FrameRect on a recording DC: 1 when recorded, 0 for a bad brush.
int RecordFill(MetaRecorder& r,
               void (MetaRecorder::*record)(const RECT&, const LOGBRUSH&, const PatternTile&),
               const RECT& rect, HBRUSH hbr)
{
    LOGBRUSH log{};
    PatternTile pattern;
    if (!DescribeBrush(hbr, log, pattern))
        return 0;
    (r.*record)(rect, log, pattern);
    return 1;
}

// Fills each rectangle of a region (already in device pixels) with a brush.
void FillRects(Drawing& d, const DrawContext& c, const Region& region, const DeviceBrush& brush)
{
    for (const RECT& part : region.Rects())
        d.Dev().FillRect(c, part, brush);
    d.Touch(region.Bounds());
}

DeviceBrush Solid(COLORREF color)
{
    DeviceBrush brush;
    brush.kind = DeviceBrush::Kind::Solid;
    brush.color = color;
    return brush;
}

} // namespace

// ---- Lines

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
            const POINT line[2] = {dc->state.ToDevice(dc->state.current.x, dc->state.current.y),
                                   dc->state.ToDevice(x, y)};
            StrokePolyline(d, line, 2);
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
    {
        const std::vector<POINT> points = DevicePoints(dc->state, apt, static_cast<size_t>(cpt));
        StrokePolyline(d, points.data(), points.size());
    }
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
            std::vector<POINT> points(cpt + 1);
            points[0] = dc->state.ToDevice(dc->state.current.x, dc->state.current.y);
            for (DWORD i = 0; i < cpt; ++i)
                points[i + 1] = dc->state.ToDevice(apt[i].x, apt[i].y);
            StrokePolyline(d, points.data(), points.size());
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
        {
            const std::vector<POINT> points = DevicePoints(dc->state, apt + at, asz[i]);
            StrokePolyline(d, points.data(), points.size());
        }
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
    size_t total = 0;
    for (int i = 0; i < csz; ++i)
        total += static_cast<size_t>(asz[i]);
    const std::vector<POINT> points = DevicePoints(dc->state, apt, total);
    RECT bounds{0, 0, 0, 0};
    for (int i = 0, at = 0; i < csz; at += asz[i], ++i)
        bounds = United(bounds, BoundsOf(points.data() + at, static_cast<size_t>(asz[i])));
    const DrawContext& c = d.WithPenAndBrush();
    d.Dev().Polygons(c, points.data(), asz, static_cast<size_t>(csz));
    d.Touch(Grown(bounds, c.pen.width));
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
    return ShapeCall(hdc, Shape::Kind::Rectangle, left, top, right, bottom,
                     [=](MetaRecorder& rec) { rec.Rectangle(left, top, right, bottom); });
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return ShapeCall(hdc, Shape::Kind::Ellipse, left, top, right, bottom,
                     [=](MetaRecorder& rec) { rec.Ellipse(left, top, right, bottom); });
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    int rw = 0, rh = 0;
    {
        KEL_DC(hdc, FALSE);
        rw = std::min(std::abs(dc->state.WidthToDevice(width)), kDeviceLimit);
        rh = std::min(std::abs(dc->state.HeightToDevice(height)), kDeviceLimit);
    }
    return ShapeCall(
        hdc, Shape::Kind::RoundRect, left, top, right, bottom,
        [=](MetaRecorder& rec) { rec.RoundRect(left, top, right, bottom, width, height); }, rw, rh);
}

BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    return ArcShape(hdc, Shape::Kind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
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
    return ArcShape(hdc, Shape::Kind::Pie, left, top, right, bottom, xr1, yr1, xr2, yr2);
}

BOOL Chord(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    return ArcShape(hdc, Shape::Kind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

// ---- Fills

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    KEL_DC(hDC, 0);
    if (!lprc)
        return 0;
    if (auto* r = RecorderOf(dc))
        return RecordFill(*r, &MetaRecorder::FillRect, *lprc, hbr);
    const DeviceBrush brush = ResolveBrush(hbr, dc->state);
    if (brush.kind == DeviceBrush::Kind::None)
        return reinterpret_cast<uintptr_t>(hbr) && LookupObject(hbr, OBJ_BRUSH) ? 1 : 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const RECT r = DeviceFillRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        d.Dev().FillRect(d.Context(), r, brush);
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
    const DeviceBrush brush = ResolveBrush(hbr, dc->state);
    if (brush.kind == DeviceBrush::Kind::None)
        return 0;
    Drawing d(dc, false);
    if (d.Active())
    {
        const RECT r = DeviceFillRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        if (IsEmpty(r))
            return 1;
        FillRects(d, d.Context(), Region(r) - Region(Grown(r, -1)), brush);
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
        const RECT r = DeviceFillRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
        DrawContext c = d.Context();
        c.rop2 = R2_NOT;
        d.Dev().FillRect(c, r, Solid(RGB(0, 0, 0)));
        d.Touch(r);
    }
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr)
{
    KEL_DC(hdc, FALSE);
    auto* rgn = Lookup<RegionObject>(hrgn, OBJ_REGION);
    if (!rgn)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        return RecordRegion(*r, rgn->region, hbr, false, 0, 0);
    const DeviceBrush brush = ResolveBrush(hbr, dc->state);
    if (brush.kind == DeviceBrush::Kind::None)
        return LookupObject(hbr, OBJ_BRUSH) != nullptr;
    Drawing d(dc, false);
    if (d.Active())
    {
        const POINT o = dc->state.ToDevice(0, 0);
        FillRects(d, d.Context(), rgn->region.Offsetted(o.x, o.y), brush);
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
    auto* rgn = Lookup<RegionObject>(hrgn, OBJ_REGION);
    if (!rgn || w < 0 || h < 0)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        return RecordRegion(*r, rgn->region, hbr, true, w, h);
    // Regions hold device coordinates: a wider frame covers them all the same.
    w = std::min(w, kDeviceLimit);
    h = std::min(h, kDeviceLimit);
    const DeviceBrush brush = ResolveBrush(hbr, dc->state);
    Drawing d(dc, false);
    if (d.Active() && brush.kind != DeviceBrush::Kind::None)
    {
        const POINT o = dc->state.ToDevice(0, 0);
        const Region region = rgn->region.Offsetted(o.x, o.y);
        // The frame: the region less the region shrunk by w and h on every side.
        Region inner = region;
        inner &= region.Offsetted(w, 0);
        inner &= region.Offsetted(-w, 0);
        inner &= region.Offsetted(0, h);
        inner &= region.Offsetted(0, -h);
        FillRects(d, d.Context(), region - inner, brush);
        d.Touch(region.Bounds());
    }
    return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN hrgn)
{
    KEL_DC(hdc, FALSE);
    auto* rgn = Lookup<RegionObject>(hrgn, OBJ_REGION);
    if (!rgn)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->InvertRegion(rgn->region);
    Drawing d(dc, false);
    if (d.Active())
    {
        const POINT o = dc->state.ToDevice(0, 0);
        DrawContext c = d.Context();
        c.rop2 = R2_NOT;
        FillRects(d, c, rgn->region.Offsetted(o.x, o.y), Solid(RGB(0, 0, 0)));
    }
    return TRUE;
}

// ---- Edges and focus

namespace
{

// A diagonal edge across the rectangle, from the corner opposite the one the flags name
// (BF_DIAGONAL_END*) to that corner, both drawn: the outer border's line on the diagonal, the
// inner border's one pixel further across the rectangle's middle. Edges ending at the top take the
// top-left colours, those ending at the bottom the bottom-right ones. BF_MIDDLE fills the half of
// the rectangle on the side the lines' colours face: below an edge ending at the top, above one
// ending at the bottom.
template <typename Colours>
BOOL DiagonalEdge(Drawing& d, const DcState& s, const RECT& rc, UINT edge, UINT flags, Colours colours)
{
    const RECT r = DeviceRect(s, rc.left, rc.top, rc.right, rc.bottom);
    if (!d.Active() || IsEmpty(r))
        return TRUE;
    const bool toTop = flags & BF_TOP, toRight = flags & BF_RIGHT;
    const POINT end{toRight ? r.right - 1 : r.left, toTop ? r.top : r.bottom - 1};
    const POINT start{toRight ? r.left : r.right - 1, toTop ? r.bottom - 1 : r.top};
    const int stepX = toRight ? 1 : -1, stepY = toTop ? -1 : 1;
    DrawContext c = d.Context();
    c.pen = DevicePen{PS_SOLID, 1, 0, PS_ENDCAP_ROUND, PS_JOIN_ROUND};
    auto line = [&](int shift, COLORREF colour)
    {
        // Shifted down for edges ending at the top, up for those ending at the bottom.
        const int dy = toTop ? shift : -shift;
        c.pen.color = colour;
        const POINT points[] = {{start.x, start.y + dy}, {end.x + stepX, end.y + dy + stepY}};
        d.Dev().Polyline(c, points, 2);
    };
    const bool flat = flags & (BF_FLAT | BF_MONO);
    COLORREF tl = 0, br = 0;
    int shift = 0;
    if (colours(true, edge & BDR_RAISEDOUTER, edge & BDR_SUNKENOUTER, tl, br) || flat)
        line(shift++, toTop ? tl : br);
    if (colours(false, edge & BDR_RAISEDINNER, edge & BDR_SUNKENINNER, tl, br))
        line(shift++, toTop ? tl : br);
    if (flags & BF_MIDDLE)
    {
        // The triangle beyond the lines, on the side away from the corner the flags do not name.
        const POINT corner{end.x, start.y};
        const int dy = toTop ? shift : -shift;
        const POINT triangle[] = {{start.x, start.y + dy}, {end.x, end.y + dy}, corner};
        DrawContext f = d.Context();
        f.brush = Solid(GetSysColor(flags & BF_MONO ? COLOR_WINDOW : COLOR_BTNFACE));
        const int three = 3;
        d.Dev().Polygons(f, triangle, &three, 1);
    }
    d.Touch(r);
    return TRUE;
}

} // namespace

BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags)
{
    KEL_DC(hdc, FALSE);
    if (!qrc)
        return FALSE;
    RECT rc = *qrc;
    const bool flat = grfFlags & BF_FLAT, mono = grfFlags & BF_MONO, soft = grfFlags & BF_SOFT;
    // Colours of the outer and inner borders: top-left, then bottom-right. Soft edges swap the
    // top-left colours of the two borders, so the brighter (raised) or darker (sunken) one is
    // outside.
    auto colours = [&](bool outer, bool raised, bool sunken, COLORREF& tl, COLORREF& br)
    {
        const bool outerTl = soft ? !outer : outer;
        if (mono)
            tl = br = GetSysColor(outer ? COLOR_WINDOWFRAME : COLOR_WINDOW);
        else if (flat)
            tl = br = GetSysColor(outer ? COLOR_BTNSHADOW : COLOR_BTNFACE);
        else if (raised)
        {
            tl = GetSysColor(outerTl ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
            br = GetSysColor(outer ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
        }
        else if (sunken)
        {
            tl = GetSysColor(outerTl ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
            br = GetSysColor(outer ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
        }
        return raised || sunken;
    };
    Drawing d(dc, false);
    if (grfFlags & BF_DIAGONAL)
        return DiagonalEdge(d, dc->state, rc, edge, grfFlags, colours);
    auto border = [&](COLORREF tl, COLORREF br)
    {
        const RECT r = DeviceRect(dc->state, rc.left, rc.top, rc.right, rc.bottom);
        if (IsEmpty(r))
            return;
        if (d.Active())
        {
            // Top and left stop one pixel short where the bottom-right colour owns the corner.
            const int right = r.right - (grfFlags & BF_RIGHT ? 1 : 0);
            const int bottom = r.bottom - (grfFlags & BF_BOTTOM ? 1 : 0);
            if (grfFlags & BF_TOP)
                d.Dev().FillRect(d.Context(), RECT{r.left, r.top, right, r.top + 1}, Solid(tl));
            if (grfFlags & BF_LEFT)
                d.Dev().FillRect(d.Context(), RECT{r.left, r.top, r.left + 1, bottom}, Solid(tl));
            if (grfFlags & BF_BOTTOM)
                d.Dev().FillRect(d.Context(), RECT{r.left, r.bottom - 1, r.right, r.bottom}, Solid(br));
            if (grfFlags & BF_RIGHT)
                d.Dev().FillRect(d.Context(), RECT{r.right - 1, r.top, r.right, r.bottom}, Solid(br));
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
        const RECT r = DeviceRect(dc->state, rc.left, rc.top, rc.right, rc.bottom);
        d.Dev().FillRect(d.Context(), r, Solid(GetSysColor(mono ? COLOR_WINDOW : COLOR_BTNFACE)));
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
    const RECT r = DeviceFillRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
    if (IsEmpty(r))
        return TRUE;
    // Every other pixel of the frame, checkered from the device origin, inverted.
    std::vector<POINT> dots;
    auto dot = [&](int x, int y)
    {
        if (((x + y) & 1) == 0)
            dots.push_back(POINT{x, y});
    };
    const int right = r.right - 1, bottom = r.bottom - 1;
    for (int x = r.left; x <= right; ++x)
    {
        dot(x, r.top);
        if (bottom != r.top)
            dot(x, bottom);
    }
    for (int y = r.top + 1; y < bottom; ++y)
    {
        dot(r.left, y);
        if (right != r.left)
            dot(right, y);
    }
    DrawContext c = d.Context();
    c.rop2 = R2_NOT;
    d.Dev().Points(c, dots.data(), dots.size(), RGB(0, 0, 0));
    d.Touch(r);
    return TRUE;
}

// ---- Icons and states

namespace
{

// A premultiplied pixel with its colour divided back out (what the colour is where it shows).
uint32_t Unpremultiplied(uint32_t p)
{
    const uint32_t a = p >> 24;
    if (a == 255 || a == 0)
        return a == 0 ? 0 : p;
    auto channel = [&](int shift)
    { return std::min<uint32_t>(255, ((p >> shift & 0xFF) * 255 + a / 2) / a); };
    return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

uint32_t Straight(const Pixmap& image, int x, int y)
{
    const uint32_t p = image.Pixel(x, y);
    return image.Format() == PixelFormat::Argb32Premultiplied ? Unpremultiplied(p) : p | 0xFF000000u;
}

// The disabled look: the shape's dark pixels embossed, in the highlight colour one pixel down and
// right, then in the shadow colour.
Pixmap Embossed(const Pixmap& from)
{
    Pixmap out(from.Width() + 1, from.Height() + 1, PixelFormat::Argb32Premultiplied);
    const uint32_t hi = ArgbOf(GetSysColor(COLOR_BTNHIGHLIGHT));
    const uint32_t sh = ArgbOf(GetSysColor(COLOR_BTNSHADOW));
    auto dark = [&](int x, int y)
    {
        const uint32_t c = Straight(from, x, y);
        return (c >> 24) > 127 && GrayOf(c) < 192;
    };
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x)
            if (dark(x, y))
                out.SetPixel(x + 1, y + 1, hi);
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x)
            if (dark(x, y))
                out.SetPixel(x, y, sh);
    return out;
}

// A picture with transparent parts on a recording DC, as blits without alpha: a mask ANDed in
// (black where the picture is), then the picture (black where it is not) XORed over it.
void RecordImage(MetaRecorder& r, int x, int y, const Pixmap& image, int cx, int cy)
{
    Pixmap mask(image.Width(), image.Height()), colour(image.Width(), image.Height());
    bool transparent = false;
    for (int row = 0; row < image.Height(); ++row)
        for (int col = 0; col < image.Width(); ++col)
        {
            const uint32_t c = Straight(image, col, row);
            const bool shown = (c >> 24) >= 128;
            transparent |= !shown;
            mask.SetPixel(col, row, shown ? 0xFF000000u : 0xFFFFFFFFu);
            colour.SetPixel(col, row, shown ? (c | 0xFF000000u) : 0xFF000000u);
        }
    if (!transparent)
        return r.StretchBlt(x, y, cx, cy, colour, SRCCOPY);
    r.StretchBlt(x, y, cx, cy, mask, SRCAND);
    r.StretchBlt(x, y, cx, cy, colour, SRCINVERT);
}

BOOL DrawImageAt(HDC hdc, int x, int y, const Pixmap& image, int cx, int cy)
{
    KEL_DC(hdc, FALSE);
    if (image.IsNull())
        return FALSE;
    cx = std::min(cx, kMaxSide);
    cy = std::min(cy, kMaxSide);
    if (auto* r = RecorderOf(dc))
        RecordImage(*r, x, y, image, cx > 0 ? cx : image.Width(), cy > 0 ? cy : image.Height());
    Drawing d(dc, false);
    if (d.Active())
    {
        const POINT at = dc->state.ToDevice(x, y);
        const RECT target{at.x, at.y, at.x + (cx > 0 ? cx : image.Width()),
                          at.y + (cy > 0 ? cy : image.Height())};
        d.Dev().DrawPixmap(d.Context(), target, image);
        d.Touch(target);
    }
    return TRUE;
}

} // namespace

namespace kel::gdi
{

BOOL DrawPixmapAt(HDC hdc, int x, int y, const Pixmap& picture, COLORREF background)
{
    KEL_DC(hdc, FALSE);
    Pixmap* target = dc->Acquire();
    if (!target || picture.IsNull() || !dc->device->Ready(target))
        return TRUE;
    DrawContext c;
    c.target = target;
    c.clipSerial = 0; // unclipped
    const POINT at = dc->state.ToDevice(x, y);
    const RECT rect{at.x, at.y, at.x + picture.Width(), at.y + picture.Height()};
    if (background != CLR_NONE)
        dc->device->FillRect(c, rect, Solid(background));
    dc->device->DrawPixmap(c, rect, picture);
    dc->Touched(rect);
    return TRUE;
}

Pixmap PixmapOfIcon(HICON icon, POINT* hotspot)
{
    return IconPixmap(icon, hotspot);
}

} // namespace kel::gdi

BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    return DrawImageAt(hDC, X, Y, IconPixmap(hIcon), 32, 32);
}

BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT,
                HBRUSH hbrFlickerFreeDraw, UINT diFlags)
{
    const Pixmap image = IconPixmap(hIcon);
    if (image.IsNull())
        return FALSE;
    if ((diFlags & DI_DEFAULTSIZE) && cxWidth == 0)
        cxWidth = cyWidth = 32;
    if (hbrFlickerFreeDraw)
    {
        const RECT r{xLeft, yTop, SumOf(xLeft, cxWidth ? cxWidth : image.Width()),
                     SumOf(yTop, cyWidth ? cyWidth : image.Height())};
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
    const Pixmap image = type == DST_ICON ? IconPixmap(reinterpret_cast<HICON>(lData))
                                          : PixmapOfBitmap(reinterpret_cast<HBITMAP>(lData));
    if (image.IsNull())
        return FALSE;
    return DrawImageAt(hdc, x, y, disabled ? Embossed(image) : image, cx, cy);
}
