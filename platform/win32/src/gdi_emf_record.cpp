// Recording enhanced metafiles: a recorder on the DC's recording seam writes EMF records as the
// calls arrive and keeps the picture's bounds in device units of the reference device.
//
// Objects reach the recorder as descriptions when they are selected. Each selection creates a
// table entry and selects it; an entry is deleted once neither the current state nor a saved one
// (SaveDC) refers to it, so RestoreDC on playback always finds the objects it brings back.
#include "gdi_emf.h"
#include "gdi_metarecorder.h"

#include "win32/codepage.h"
#include "win32/files.h"
#include "win32/kernel.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <map>
#include <mutex>
#include <string>

using namespace kel::gdi;
using namespace kel::gdi::emf;

namespace
{

enum ObjectKind
{
    kPen,
    kBrush,
    kFont,
    kKinds
};

// A selected object as the table knows it: a stock index (with the stock flag) or a table entry.
using Slots = std::array<uint32_t, kKinds>;

// The device the recording measures like.
struct Reference
{
    int technology = DT_RASDISPLAY;
    int dpiX = 96, dpiY = 96;
    SIZE pixels{1, 1};
};

bool Fits16(const POINT* points, size_t count)
{
    return std::all_of(points, points + count,
                       [](const POINT& p)
                       { return p.x >= SHRT_MIN && p.x <= SHRT_MAX && p.y >= SHRT_MIN && p.y <= SHRT_MAX; });
}

// A packed DIB of an image: 32-bit rows bottom-up, or 1-bit with a black/white table for a
// monochrome pattern.
void AppendDib(Writer& w, const Pixmap& image, bool mono)
{
    const int width = image.Width(), height = image.Height();
    const int bpp = mono ? 1 : 32;
    const uint32_t stride = static_cast<uint32_t>((width * bpp + 31) / 32 * 4);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(static_cast<uint16_t>(bpp));
    w.U32(BI_RGB);
    w.U32(stride * static_cast<uint32_t>(height));
    w.I32(0);
    w.I32(0);
    w.U32(mono ? 2 : 0);
    w.U32(0);
    if (mono)
    {
        // Index 0 black, 1 white.
        w.U32(0x00000000);
        w.U32(0x00FFFFFF);
    }
    for (int y = height - 1; y >= 0; --y)
    {
        std::vector<uint8_t> row(stride, 0);
        const uint32_t* in = image.Row(y);
        if (mono)
            for (int x = 0; x < width; ++x)
            {
                if (GrayOf(in[x]) >= 128)
                    row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        else
            for (int x = 0; x < width; ++x)
            {
                row[4 * x] = static_cast<uint8_t>(in[x]);
                row[4 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
                row[4 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
            }
        w.Raw(row.data(), row.size());
    }
}

class EmfRecorder : public MetaRecorder
{
public:
    // The file the recording goes to when it closes; empty: memory only. Kept with the recorder so
    // a DC deleted without closing leaves nothing behind.
    std::string file_;

    EmfRecorder(const Reference& ref, const RECT* frame, std::u16string description, std::string file)
        : MetaRecorder(ref.technology, ref.dpiX, ref.dpiY, ref.pixels), file_(std::move(file)), ref_(ref),
          description_(std::move(description)), scaleX_(static_cast<float>(2540.0 / ref.dpiX)),
          scaleY_(static_cast<float>(2540.0 / ref.dpiY))
    {
        if (frame)
            frame_ = *frame;
        hasFrame_ = frame != nullptr;
        current_ = {ENHMETA_STOCK_OBJECT | BLACK_PEN, ENHMETA_STOCK_OBJECT | WHITE_BRUSH,
                    ENHMETA_STOCK_OBJECT | SYSTEM_FONT};
        GetObject(GetStockObject(BLACK_PEN), sizeof pen_, &pen_);
    }

    DWORD Kind() const override { return OBJ_ENHMETADC; }

    // ---- State

    void SaveDC() override
    {
        Begin(EMR_SAVEDC);
        End();
        saved_.push_back(current_);
        savedPens_.push_back(pen_);
        for (uint32_t index : current_)
            Hold(index);
    }
    void RestoreDC(int saved) override
    {
        const int depth = static_cast<int>(saved_.size());
        const int target = saved < 0 ? depth + saved + 1 : saved;
        if (target < 1 || target > depth)
            return; // the DC refuses it too
        Begin(EMR_RESTOREDC);
        Out().I32(target - depth - 1); // always relative
        End();
        const Slots previous = current_;
        current_ = saved_[static_cast<size_t>(target - 1)];
        pen_ = savedPens_[static_cast<size_t>(target - 1)];
        for (uint32_t index : current_)
            Hold(index);
        for (uint32_t index : previous)
            Release(index);
        for (size_t i = static_cast<size_t>(target - 1); i < saved_.size(); ++i)
            for (uint32_t index : saved_[i])
                Release(index);
        saved_.resize(static_cast<size_t>(target - 1));
        savedPens_.resize(static_cast<size_t>(target - 1));
    }
    void SetMapMode(int mode) override { Value(EMR_SETMAPMODE, static_cast<uint32_t>(mode)); }
    void SetWindowOrg(int x, int y) override { Pair(EMR_SETWINDOWORGEX, x, y); }
    void SetWindowExt(int cx, int cy) override { Pair(EMR_SETWINDOWEXTEX, cx, cy); }
    void SetViewportOrg(int x, int y) override { Pair(EMR_SETVIEWPORTORGEX, x, y); }
    void SetViewportExt(int cx, int cy) override { Pair(EMR_SETVIEWPORTEXTEX, cx, cy); }
    void OffsetWindowOrg(int dx, int dy) override
    {
        Pair(EMR_SETWINDOWORGEX, State().windowOrg.x + dx, State().windowOrg.y + dy);
    }
    void OffsetViewportOrg(int dx, int dy) override
    {
        Pair(EMR_SETVIEWPORTORGEX, State().viewportOrg.x + dx, State().viewportOrg.y + dy);
    }
    void ScaleWindowExt(int xn, int xd, int yn, int yd) override
    {
        Scale(EMR_SCALEWINDOWEXTEX, xn, xd, yn, yd);
    }
    void ScaleViewportExt(int xn, int xd, int yn, int yd) override
    {
        Scale(EMR_SCALEVIEWPORTEXTEX, xn, xd, yn, yd);
    }
    void SetTextColor(COLORREF color) override { Value(EMR_SETTEXTCOLOR, color); }
    void SetBkColor(COLORREF color) override { Value(EMR_SETBKCOLOR, color); }
    void SetBkMode(int mode) override { Value(EMR_SETBKMODE, static_cast<uint32_t>(mode)); }
    void SetROP2(int rop2) override { Value(EMR_SETROP2, static_cast<uint32_t>(rop2)); }
    void SetPolyFillMode(int mode) override { Value(EMR_SETPOLYFILLMODE, static_cast<uint32_t>(mode)); }
    void SetStretchBltMode(int mode) override { Value(EMR_SETSTRETCHBLTMODE, static_cast<uint32_t>(mode)); }
    void SetTextAlign(UINT align) override { Value(EMR_SETTEXTALIGN, align); }
    void SetArcDirection(int direction) override
    {
        Value(EMR_SETARCDIRECTION, static_cast<uint32_t>(direction));
    }
    void SetBrushOrg(int x, int y) override { Pair(EMR_SETBRUSHORGEX, x, y); }

    // ---- Objects

    void SelectPen(const LOGPEN& pen) override
    {
        pen_ = pen;
        const uint32_t stock = StockPen(pen);
        Select(kPen, stock ? stock : CreatePen(pen));
    }
    void SelectBrush(const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        const uint32_t stock = StockBrush(brush, pattern);
        Select(kBrush, stock ? stock : CreateBrush(brush, pattern));
    }
    void SelectFont(const LOGFONT& font) override { Select(kFont, CreateFont(font)); }

    // ---- Clipping

    void IntersectClipRect(int left, int top, int right, int bottom) override
    {
        Rect(EMR_INTERSECTCLIPRECT, RECT{left, top, right, bottom}, false);
    }
    void ExcludeClipRect(int left, int top, int right, int bottom) override
    {
        Rect(EMR_EXCLUDECLIPRECT, RECT{left, top, right, bottom}, false);
    }
    void OffsetClipRgn(int dx, int dy) override { Pair(EMR_OFFSETCLIPRGN, dx, dy); }
    void SelectClipRegion(const Region* region, int mode) override
    {
        Begin(EMR_EXTSELECTCLIPRGN);
        if (!region)
        {
            Out().U32(0);
            Out().I32(mode);
        }
        else
        {
            const size_t lengthAt = Out().bytes.size();
            Out().U32(0);
            Out().I32(mode);
            const size_t start = Out().bytes.size();
            AppendRegion(*region);
            Out().PutU32(lengthAt, static_cast<uint32_t>(Out().bytes.size() - start));
        }
        End();
    }

    // ---- Output

    void MoveTo(int x, int y) override { Pair(EMR_MOVETOEX, x, y); }
    void LineTo(int x, int y) override
    {
        TouchLogical(State().current.x, State().current.y, PenMargin());
        TouchLogical(x, y, PenMargin());
        Pair(EMR_LINETO, x, y);
    }
    void Polyline(const POINT* points, int count) override
    {
        Poly(EMR_POLYLINE16, EMR_POLYLINE, points, count);
    }
    void PolylineTo(const POINT* points, int count) override
    {
        TouchLogical(State().current.x, State().current.y, PenMargin());
        Poly(EMR_POLYLINETO16, EMR_POLYLINETO, points, count);
    }
    void Polygon(const POINT* points, int count) override { Poly(EMR_POLYGON16, EMR_POLYGON, points, count); }
    void PolyPolyline(const POINT* points, const DWORD* counts, int polylines) override
    {
        std::vector<uint32_t> sizes(counts, counts + std::max(polylines, 0));
        PolyPoly(EMR_POLYPOLYLINE16, EMR_POLYPOLYLINE, points, sizes);
    }
    void PolyPolygon(const POINT* points, const INT* counts, int polygons) override
    {
        std::vector<uint32_t> sizes;
        for (int i = 0; i < polygons; ++i)
            sizes.push_back(static_cast<uint32_t>(std::max(counts[i], 0)));
        PolyPoly(EMR_POLYPOLYGON16, EMR_POLYPOLYGON, points, sizes);
    }
    void Rectangle(int left, int top, int right, int bottom) override
    {
        Rect(EMR_RECTANGLE, RECT{left, top, right, bottom}, true);
    }
    void RoundRect(int left, int top, int right, int bottom, int width, int height) override
    {
        TouchRect(RECT{left, top, right, bottom});
        Begin(EMR_ROUNDRECT);
        Out().Rect(RECT{left, top, right, bottom});
        Out().I32(width);
        Out().I32(height);
        End();
    }
    void Ellipse(int left, int top, int right, int bottom) override
    {
        Rect(EMR_ELLIPSE, RECT{left, top, right, bottom}, true);
    }
    void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override
    {
        Radial(EMR_ARC, RECT{left, top, right, bottom}, xs, ys, xe, ye);
    }
    void Pie(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override
    {
        Radial(EMR_PIE, RECT{left, top, right, bottom}, xs, ys, xe, ye);
    }
    void Chord(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override
    {
        Radial(EMR_CHORD, RECT{left, top, right, bottom}, xs, ys, xe, ye);
    }
    void FillRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        WithBrush(brush, pattern,
                  [&]
                  { PatBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY); });
    }
    void FrameRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        // One device pixel wide, whatever the mapping.
        const POINT one = State().ToLogical(1, 1), origin = State().ToLogical(0, 0);
        const int w = std::max(1, std::abs(one.x - origin.x)), h = std::max(1, std::abs(one.y - origin.y));
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        WithBrush(brush, pattern,
                  [&]
                  {
                      PatBlt(rect.left, rect.top, width, h, PATCOPY);
                      PatBlt(rect.left, rect.bottom - h, width, h, PATCOPY);
                      PatBlt(rect.left, rect.top, w, height, PATCOPY);
                      PatBlt(rect.right - w, rect.top, w, height, PATCOPY);
                  });
    }
    void InvertRect(const RECT& rect) override
    {
        PatBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, DSTINVERT);
    }
    void FillRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        WithBrushEntry(brush, pattern,
                       [&](uint32_t index) { RegionRecord(EMR_FILLRGN, region, index, nullptr); });
    }
    void FrameRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern, int width,
                     int height) override
    {
        const SIZE size{width, height};
        WithBrushEntry(brush, pattern,
                       [&](uint32_t index) { RegionRecord(EMR_FRAMERGN, region, index, &size); });
    }
    void InvertRegion(const Region& region) override { RegionRecord(EMR_INVERTRGN, region, 0, nullptr); }
    void PatBlt(int x, int y, int width, int height, DWORD rop) override
    {
        TouchRect(RECT{x, y, x + width, y + height});
        Begin(EMR_BITBLT);
        Out().Rect(DeviceBox(RECT{x, y, x + width, y + height}));
        Out().I32(x);
        Out().I32(y);
        Out().I32(width);
        Out().I32(height);
        Out().U32(rop);
        Out().I32(0); // xSrc, ySrc
        Out().I32(0);
        Identity();
        Out().U32(0);              // source background colour
        Out().U32(DIB_RGB_COLORS); // usage
        for (int i = 0; i < 4; ++i)
            Out().U32(0); // no source bitmap
        End();
    }
    void StretchBlt(int x, int y, int width, int height, const Pixmap& source, DWORD rop) override
    {
        // Nothing the player would refuse: bitmap sides and corners within its limits.
        const auto fits = [](int64_t v) { return v >= -kDeviceLimit && v <= kDeviceLimit; };
        if (source.IsNull() || source.Width() > kMaxSide || source.Height() > kMaxSide || !fits(x) ||
            !fits(y) || !fits(int64_t(x) + width) || !fits(int64_t(y) + height))
            return;
        TouchRect(RECT{x, y, x + width, y + height});
        Begin(EMR_STRETCHDIBITS);
        Out().Rect(DeviceBox(RECT{x, y, x + width, y + height}));
        Out().I32(x);
        Out().I32(y);
        Out().I32(0); // the whole source
        Out().I32(0);
        Out().I32(source.Width());
        Out().I32(source.Height());
        const size_t offsetsAt = Out().bytes.size();
        for (int i = 0; i < 4; ++i)
            Out().U32(0);
        Out().U32(DIB_RGB_COLORS);
        Out().U32(rop);
        Out().I32(width);
        Out().I32(height);
        const size_t bmiAt = Out().bytes.size() - recordStart_;
        AppendDib(Out(), source, false);
        const size_t bitsAt = bmiAt + 40;
        const size_t end = Out().bytes.size() - recordStart_;
        Out().PutU32(offsetsAt, static_cast<uint32_t>(bmiAt));
        Out().PutU32(offsetsAt + 4, 40);
        Out().PutU32(offsetsAt + 8, static_cast<uint32_t>(bitsAt));
        Out().PutU32(offsetsAt + 12, static_cast<uint32_t>(end - bitsAt));
        End();
    }
    void SetPixel(int x, int y, COLORREF color) override
    {
        TouchLogical(x, y, 0);
        Begin(EMR_SETPIXELV);
        Out().I32(x);
        Out().I32(y);
        Out().U32(color);
        End();
    }
    void TextOut(int x, int y, const char* text, int length) override
    {
        ExtTextOut(x, y, 0, nullptr, text, static_cast<UINT>(std::max(length, 0)), nullptr);
    }
    void ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, UINT length,
                    const INT* dx) override
    {
        const std::string_view bytes(text ? text : "", text ? length : 0);
        const std::u16string units = Utf16Of(bytes);
        const RECT box = TextBox(x, y, bytes, dx, options, rect);
        Begin(EMR_EXTTEXTOUTW);
        Out().Rect(box);
        Out().U32(kGmCompatible);
        Float(scaleX_);
        Float(scaleY_);
        Out().I32(x);
        Out().I32(y);
        Out().U32(static_cast<uint32_t>(units.size()));
        const size_t offsetsAt = Out().bytes.size();
        Out().U32(0); // offString
        Out().U32(rect ? options : options & ~UINT(ETO_OPAQUE | ETO_CLIPPED));
        Out().Rect(rect ? *rect : RECT{0, 0, 0, 0});
        Out().U32(0); // offDx
        Out().PutU32(offsetsAt, static_cast<uint32_t>(Out().bytes.size() - recordStart_));
        for (char16_t u : units)
            Out().U16(u);
        Out().Pad4();
        if (dx && units.size() == length)
        {
            Out().PutU32(offsetsAt + 24, static_cast<uint32_t>(Out().bytes.size() - recordStart_));
            for (UINT i = 0; i < length; ++i)
                Out().I32(dx[i]);
        }
        End();
    }

    std::vector<uint8_t> Close() override
    {
        Begin(EMR_EOF);
        Out().U32(0);  // no palette
        Out().U32(16); // where it would be
        Out().U32(20); // this record's size, repeated
        End();

        // Bounds inclusive; empty when nothing was drawn.
        const RECT bounds = drawn_ ? RECT{minX_, minY_, maxX_, maxY_} : RECT{0, 0, -1, -1};
        RECT frame = frame_;
        if (!hasFrame_)
        {
            // From the bounds, right and bottom past the last pixel so the frame spans them all.
            auto hundredths = [](LONG pixels, int dpi)
            { return static_cast<LONG>(std::lround(pixels * 2540.0 / dpi)); };
            frame = drawn_ ? RECT{hundredths(minX_, ref_.dpiX), hundredths(minY_, ref_.dpiY),
                                  hundredths(maxX_ + 1, ref_.dpiX), hundredths(maxY_ + 1, ref_.dpiY)}
                           : RECT{0, 0, 0, 0};
        }

        Writer h;
        h.U32(EMR_HEADER);
        h.U32(0); // size, below
        h.Rect(bounds);
        h.Rect(frame);
        h.U32(ENHMETA_SIGNATURE);
        h.U32(0x00010000);
        h.U32(0); // bytes, below
        h.U32(records_ + 1);
        h.U16(static_cast<uint16_t>(std::min<size_t>(entries_.size() + 1, 0xFFFF)));
        h.U16(0);
        h.U32(static_cast<uint32_t>(description_.size()));
        h.U32(description_.empty() ? 0 : static_cast<uint32_t>(kHeaderFull));
        h.U32(0); // palette entries
        h.I32(ref_.pixels.cx);
        h.I32(ref_.pixels.cy);
        h.I32(std::max(1L, std::lround(ref_.pixels.cx * 25.4 / ref_.dpiX)));
        h.I32(std::max(1L, std::lround(ref_.pixels.cy * 25.4 / ref_.dpiY)));
        h.U32(0); // no pixel format
        h.U32(0);
        h.U32(0); // not OpenGL
        h.I32(std::max(1L, std::lround(ref_.pixels.cx * 25400.0 / ref_.dpiX)));
        h.I32(std::max(1L, std::lround(ref_.pixels.cy * 25400.0 / ref_.dpiY)));
        for (char16_t u : description_)
            h.U16(u);
        h.Pad4();
        h.PutU32(4, static_cast<uint32_t>(h.bytes.size()));
        h.PutU32(48, static_cast<uint32_t>(h.bytes.size() + out_.bytes.size()));
        h.bytes.insert(h.bytes.end(), out_.bytes.begin(), out_.bytes.end());
        return std::move(h.bytes);
    }

private:
    // ---- Writing records

    Writer& Out() { return out_; }
    void Begin(uint32_t type)
    {
        recordStart_ = out_.bytes.size();
        out_.U32(type);
        out_.U32(0);
    }
    void End()
    {
        out_.Pad4();
        out_.PutU32(recordStart_ + 4, static_cast<uint32_t>(out_.bytes.size() - recordStart_));
        ++records_;
    }
    void Value(uint32_t type, uint32_t value)
    {
        Begin(type);
        out_.U32(value);
        End();
    }
    void Pair(uint32_t type, int a, int b)
    {
        Begin(type);
        out_.I32(a);
        out_.I32(b);
        End();
    }
    void Scale(uint32_t type, int xn, int xd, int yn, int yd)
    {
        Begin(type);
        out_.I32(xn);
        out_.I32(xd);
        out_.I32(yn);
        out_.I32(yd);
        End();
    }
    void Rect(uint32_t type, const RECT& r, bool drawn)
    {
        if (drawn)
            TouchRect(r);
        Begin(type);
        out_.Rect(r);
        End();
    }
    void Radial(uint32_t type, const RECT& r, int xs, int ys, int xe, int ye)
    {
        TouchRect(r);
        Begin(type);
        out_.Rect(r);
        out_.I32(xs);
        out_.I32(ys);
        out_.I32(xe);
        out_.I32(ye);
        End();
    }
    void Identity()
    {
        for (float v : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f})
            Float(v);
    }
    void Float(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        out_.U32(bits);
    }
    // The device box of the points with the pen around them (bounds of poly records are in the
    // reference device's units, like the header's).
    RECT DeviceBoxOf(const POINT* points, size_t count) const
    {
        RECT box{0, 0, -1, -1};
        const int m = PenMargin();
        for (size_t i = 0; i < count; ++i)
        {
            const POINT p = State().ToDevice(points[i].x, points[i].y);
            if (i == 0)
                box = RECT{p.x, p.y, p.x, p.y};
            box.left = std::min(box.left, p.x);
            box.top = std::min(box.top, p.y);
            box.right = std::max(box.right, p.x);
            box.bottom = std::max(box.bottom, p.y);
        }
        return count ? RECT{box.left - m, box.top - m, box.right + m, box.bottom + m} : box;
    }
    void Points(const POINT* points, size_t count, bool narrow)
    {
        for (size_t i = 0; i < count; ++i)
        {
            if (narrow)
            {
                out_.U16(static_cast<uint16_t>(points[i].x));
                out_.U16(static_cast<uint16_t>(points[i].y));
            }
            else
            {
                out_.I32(points[i].x);
                out_.I32(points[i].y);
            }
            TouchLogical(points[i].x, points[i].y, PenMargin());
        }
    }
    void Poly(uint32_t narrowType, uint32_t wideType, const POINT* points, int count)
    {
        if (!points || count <= 0)
            return;
        const size_t n = static_cast<size_t>(count);
        const bool narrow = Fits16(points, n);
        Begin(narrow ? narrowType : wideType);
        out_.Rect(DeviceBoxOf(points, n));
        out_.U32(static_cast<uint32_t>(n));
        Points(points, n, narrow);
        End();
    }
    void PolyPoly(uint32_t narrowType, uint32_t wideType, const POINT* points,
                  const std::vector<uint32_t>& counts)
    {
        size_t total = 0;
        for (uint32_t c : counts)
            total += c;
        if (!points || counts.empty())
            return;
        const bool narrow = Fits16(points, total);
        Begin(narrow ? narrowType : wideType);
        out_.Rect(DeviceBoxOf(points, total));
        out_.U32(static_cast<uint32_t>(counts.size()));
        out_.U32(static_cast<uint32_t>(total));
        for (uint32_t c : counts)
            out_.U32(c);
        Points(points, total, narrow);
        End();
    }
    void AppendRegion(const Region& region)
    {
        out_.U32(32);
        out_.U32(kRdhRectangles);
        out_.U32(static_cast<uint32_t>(region.RectCount()));
        out_.U32(static_cast<uint32_t>(region.RectCount() * 16));
        out_.Rect(region.Bounds());
        for (const RECT& r : region.Rects())
            out_.Rect(r);
    }

    // ---- Objects

    uint32_t NewEntry()
    {
        uint32_t index = 1;
        while (index < entries_.size() + 1 && entries_[index - 1].used)
            ++index;
        if (index == entries_.size() + 1)
            entries_.push_back({});
        entries_[index - 1] = Entry{true, 0};
        return index;
    }
    void Hold(uint32_t index)
    {
        if (!(index & ENHMETA_STOCK_OBJECT))
            ++entries_[index - 1].refs;
    }
    void Release(uint32_t index)
    {
        if (index & ENHMETA_STOCK_OBJECT)
            return;
        Entry& e = entries_[index - 1];
        if (--e.refs == 0)
        {
            Value(EMR_DELETEOBJECT, index);
            e.used = false;
        }
    }
    void Select(ObjectKind kind, uint32_t index)
    {
        Value(EMR_SELECTOBJECT, index);
        Hold(index);
        const uint32_t previous = current_[kind];
        current_[kind] = index;
        Release(previous);
    }

    static uint32_t Stock(int first, int last, const void* log, size_t size, DWORD type)
    {
        for (int i = first; i <= last; ++i)
        {
            uint8_t stock[sizeof(LOGFONT)] = {};
            HGDIOBJ object = GetStockObject(i);
            if (GetObjectType(object) == type && GetObject(object, static_cast<int>(size), stock) &&
                std::memcmp(stock, log, size) == 0)
                return ENHMETA_STOCK_OBJECT | static_cast<uint32_t>(i);
        }
        return 0;
    }
    static uint32_t StockPen(const LOGPEN& pen)
    {
        LOGPEN plain{};
        plain.lopnStyle = pen.lopnStyle;
        plain.lopnWidth.x = pen.lopnWidth.x;
        plain.lopnColor = pen.lopnColor;
        return Stock(WHITE_PEN, NULL_PEN, &plain, sizeof plain, OBJ_PEN);
    }
    static uint32_t StockBrush(const LOGBRUSH& brush, const PatternTile& pattern)
    {
        if (!pattern.IsNull() || brush.lbStyle != BS_SOLID)
            return brush.lbStyle == BS_NULL ? ENHMETA_STOCK_OBJECT | NULL_BRUSH : 0;
        for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i)
        {
            LOGBRUSH stock{};
            if (GetObject(GetStockObject(i), sizeof stock, &stock) && stock.lbStyle == BS_SOLID &&
                stock.lbColor == brush.lbColor)
                return ENHMETA_STOCK_OBJECT | static_cast<uint32_t>(i);
        }
        return 0;
    }

    uint32_t CreatePen(const LOGPEN& pen)
    {
        const uint32_t index = NewEntry();
        if (pen.lopnStyle & ~DWORD(PS_STYLE_MASK))
        {
            // Geometric pens with caps and joins.
            Begin(EMR_EXTCREATEPEN);
            out_.U32(index);
            for (int i = 0; i < 4; ++i)
                out_.U32(0); // no bitmap
            out_.U32(pen.lopnStyle);
            out_.U32(static_cast<uint32_t>(pen.lopnWidth.x));
            out_.U32(BS_SOLID);
            out_.U32(pen.lopnColor);
            out_.U32(0);
            out_.U32(0); // no style entries
        }
        else
        {
            Begin(EMR_CREATEPEN);
            out_.U32(index);
            out_.U32(pen.lopnStyle);
            out_.I32(pen.lopnWidth.x);
            out_.I32(0);
            out_.U32(pen.lopnColor);
        }
        End();
        return index;
    }
    uint32_t CreateBrush(const LOGBRUSH& brush, const PatternTile& pattern)
    {
        const uint32_t index = NewEntry();
        if (brush.lbStyle == BS_PATTERN && !pattern.IsNull())
        {
            const bool mono = pattern.mono;
            Begin(mono ? EMR_CREATEMONOBRUSH : EMR_CREATEDIBPATTERNBRUSHPT);
            out_.U32(index);
            out_.U32(DIB_RGB_COLORS);
            const size_t offsetsAt = out_.bytes.size();
            for (int i = 0; i < 4; ++i)
                out_.U32(0);
            const size_t bmiAt = out_.bytes.size() - recordStart_;
            AppendDib(out_, pattern.pixels, mono);
            const size_t bitsAt = bmiAt + 40 + (mono ? 8 : 0);
            out_.PutU32(offsetsAt, static_cast<uint32_t>(bmiAt));
            out_.PutU32(offsetsAt + 4, static_cast<uint32_t>(bitsAt - bmiAt));
            out_.PutU32(offsetsAt + 8, static_cast<uint32_t>(bitsAt));
            out_.PutU32(offsetsAt + 12, static_cast<uint32_t>(out_.bytes.size() - recordStart_ - bitsAt));
        }
        else
        {
            Begin(EMR_CREATEBRUSHINDIRECT);
            out_.U32(index);
            out_.U32(brush.lbStyle == BS_PATTERN ? BS_SOLID : brush.lbStyle);
            out_.U32(brush.lbColor);
            out_.U32(static_cast<uint32_t>(brush.lbHatch));
        }
        End();
        return index;
    }
    uint32_t CreateFont(const LOGFONT& font)
    {
        const uint32_t index = NewEntry();
        Begin(EMR_EXTCREATEFONTINDIRECTW);
        out_.U32(index);
        out_.I32(font.lfHeight);
        out_.I32(font.lfWidth);
        out_.I32(font.lfEscapement);
        out_.I32(font.lfOrientation);
        out_.I32(font.lfWeight);
        for (BYTE b : {font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision,
                       font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily})
            out_.bytes.push_back(b);
        std::u16string face =
            Utf16Of(std::string_view(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));
        face.resize(LF_FACESIZE - 1);
        for (char16_t u : face)
            out_.U16(u);
        out_.U16(0);
        // The rest of the usual record (full name, style, script, panose) left empty.
        while (out_.bytes.size() - recordStart_ < kFontRecord)
            out_.bytes.push_back(0);
        End();
        return index;
    }

    // A brush that is not selected, as a table entry (or stock object) for the call's records.
    template <typename F> void WithBrushEntry(const LOGBRUSH& brush, const PatternTile& pattern, F use)
    {
        uint32_t index = StockBrush(brush, pattern);
        const bool temporary = index == 0;
        if (temporary)
            index = CreateBrush(brush, pattern);
        use(index);
        if (temporary)
        {
            Value(EMR_DELETEOBJECT, index);
            entries_[index - 1].used = false;
        }
    }
    // A fill with a brush that is not selected: selected for the call, then the old one again.
    template <typename F> void WithBrush(const LOGBRUSH& brush, const PatternTile& pattern, F draw)
    {
        WithBrushEntry(brush, pattern,
                       [&](uint32_t index)
                       {
                           Value(EMR_SELECTOBJECT, index);
                           draw();
                           Value(EMR_SELECTOBJECT, current_[kBrush]);
                       });
    }
    // FILLRGN, FRAMERGN (frame: the frame's width and height) and INVERTRGN: a device region.
    void RegionRecord(uint32_t type, const Region& region, uint32_t brush, const SIZE* frame)
    {
        if (region.IsEmpty())
            return;
        const RECT box = region.Bounds();
        TouchDevice(box.left, box.top, box.right - 1, box.bottom - 1);
        Begin(type);
        out_.Rect(RECT{box.left, box.top, box.right - 1, box.bottom - 1});
        const size_t lengthAt = out_.bytes.size();
        out_.U32(0);
        if (type != EMR_INVERTRGN)
            out_.U32(brush);
        if (frame)
        {
            out_.I32(frame->cx);
            out_.I32(frame->cy);
        }
        const size_t start = out_.bytes.size();
        AppendRegion(region);
        out_.PutU32(lengthAt, static_cast<uint32_t>(out_.bytes.size() - start));
        End();
    }

    // ---- Bounds (device units of the reference device, inclusive)

    int PenMargin() const
    {
        if ((pen_.lopnStyle & PS_STYLE_MASK) == PS_NULL)
            return 0;
        return std::max(0, State().WidthToDevice(pen_.lopnWidth.x) / 2);
    }
    void TouchDevice(int left, int top, int right, int bottom)
    {
        if (!drawn_)
        {
            minX_ = left, minY_ = top, maxX_ = right, maxY_ = bottom;
            drawn_ = true;
            return;
        }
        minX_ = std::min(minX_, left);
        minY_ = std::min(minY_, top);
        maxX_ = std::max(maxX_, right);
        maxY_ = std::max(maxY_, bottom);
    }
    void TouchLogical(int x, int y, int margin)
    {
        const POINT p = State().ToDevice(x, y);
        TouchDevice(p.x - margin, p.y - margin, p.x + margin, p.y + margin);
    }
    // A shape's rectangle (right and bottom exclusive) with the pen around it.
    void TouchRect(const RECT& r)
    {
        const RECT d = DeviceBox(r);
        const int m = PenMargin();
        TouchDevice(d.left - m, d.top - m, d.right + m, d.bottom + m);
    }
    RECT DeviceBox(const RECT& r) const
    {
        const RECT q = DeviceRect(State(), r.left, r.top, r.right, r.bottom);
        return RECT{q.left, q.top, std::max(q.left, q.right - 1), std::max(q.top, q.bottom - 1)};
    }
    // Where text lands, in device units: the box the drawing itself fills, from the font's
    // metrics, the advances, the alignment and the escapement, with the opaque rectangle.
    RECT TextBox(int x, int y, std::string_view text, const INT* dx, UINT options, const RECT* rect)
    {
        const RECT drawn = PlaceText(State(), x, y, text, dx).Box();
        RECT box{drawn.left, drawn.top, drawn.right - 1, drawn.bottom - 1};
        if (rect && (options & ETO_OPAQUE))
        {
            const RECT d = DeviceBox(*rect);
            box = RECT{std::min(box.left, d.left), std::min(box.top, d.top), std::max(box.right, d.right),
                       std::max(box.bottom, d.bottom)};
        }
        if (!text.empty() || (rect && (options & ETO_OPAQUE)))
            TouchDevice(box.left, box.top, box.right, box.bottom);
        return box;
    }

    struct Entry
    {
        bool used = false;
        int refs = 0;
    };

    Reference ref_;
    RECT frame_{};
    bool hasFrame_ = false;
    std::u16string description_;
    Writer out_;
    size_t recordStart_ = 0;
    uint32_t records_ = 0;
    std::vector<Entry> entries_; // entry i + 1
    Slots current_{};
    std::vector<Slots> saved_;
    LOGPEN pen_{};
    std::vector<LOGPEN> savedPens_;
    bool drawn_ = false;
    int minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    float scaleX_, scaleY_; // 0.01 mm per reference pixel, for text in the compatible mode
};

} // namespace

HDC CreateEnhMetaFile(HDC hdcRef, LPCSTR lpFilename, const RECT* lprc, LPCSTR lpDesc)
{
    if (lpFilename && std::strlen(lpFilename) >= MAX_PATH)
    {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    Reference ref;
    HDC screen = hdcRef ? nullptr : CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    HDC source = hdcRef ? hdcRef : screen;
    ref.technology = GetDeviceCaps(source, TECHNOLOGY);
    ref.dpiX = std::max(1, GetDeviceCaps(source, LOGPIXELSX));
    ref.dpiY = std::max(1, GetDeviceCaps(source, LOGPIXELSY));
    ref.pixels =
        SIZE{std::max(1, GetDeviceCaps(source, HORZRES)), std::max(1, GetDeviceCaps(source, VERTRES))};
    if (screen)
        DeleteDC(screen);
    if (hdcRef && !GetDeviceCaps(hdcRef, LOGPIXELSX))
        return nullptr; // not a DC

    // "Application\0Picture\0\0": the description runs to the double NUL.
    std::u16string description;
    if (lpDesc)
    {
        size_t n = 0;
        while (n < 1024 && !(lpDesc[n] == '\0' && (n == 0 || lpDesc[n - 1] == '\0')))
            ++n;
        description = Utf16Of(std::string_view(lpDesc, n));
        description.push_back(0);
        if (description.size() < 2 || description[description.size() - 2] != 0)
            description.push_back(0);
    }

    auto recorder =
        std::make_unique<EmfRecorder>(ref, lprc, std::move(description), lpFilename ? lpFilename : "");
    return CreateRecordingDc(std::move(recorder));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc)
{
    std::vector<uint8_t> bytes;
    std::string path;
    {
        std::lock_guard lock(TableLock());
        DeviceContext* dc = LookupDc(hdc);
        if (dc && dc->recorder && dc->recorder->Kind() == OBJ_ENHMETADC)
            path = static_cast<const EmfRecorder&>(*dc->recorder).file_;
        if (!CloseRecordingDc(hdc, OBJ_ENHMETADC, bytes))
            return nullptr;
    }
    if (!path.empty() && !WriteWholeFile(path.c_str(), bytes))
        return nullptr;
    return Register(std::move(bytes));
}
