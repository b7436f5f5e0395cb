// The WMF recorder: turns a metafile DC's calls into records. Objects arrive as descriptions; each
// distinct one gets a slot in the metafile's object table (lowest free index, as players allocate
// them), is selected by index and deleted once neither the DC nor a saved state holds it and the
// small cache of recently used objects overflows.
#include "gdi_wmf.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <initializer_list>

namespace kel::gdi::wmf
{

namespace
{

// An unreferenced object stays in the table this long (in later creations) so a pen or brush that
// comes back costs only a select.
constexpr int kCachedObjects = 8;

enum Slot
{
    kPenSlot,
    kBrushSlot,
    kFontSlot,
    kSlots
};

// A DIB (BITMAPINFOHEADER, colours, bottom-up rows) of an image: 24 bits, or 1 bit with a black
// and white colour table for a monochrome image.
std::vector<uint8_t> DibOf(const Pixmap& image, bool mono)
{
    const int w = image.Width(), h = image.Height();
    const int bits = mono ? 1 : 24;
    const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
    std::vector<uint8_t> dib;
    auto put = [&dib](uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            dib.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(40, 4);
    put(static_cast<uint32_t>(w), 4);
    put(static_cast<uint32_t>(h), 4);
    put(1, 2);
    put(static_cast<uint32_t>(bits), 2);
    put(0, 4); // BI_RGB
    put(static_cast<uint32_t>(stride * static_cast<size_t>(h)), 4);
    put(0, 4);
    put(0, 4);
    put(mono ? 2 : 0, 4);
    put(0, 4);
    if (mono)
    {
        // Index 0 black, 1 white.
        put(0x00000000, 4);
        put(0x00FFFFFF, 4);
    }
    for (int y = h - 1; y >= 0; --y)
    {
        std::vector<uint8_t> row(stride, 0);
        const uint32_t* line = image.Row(y);
        if (mono)
        {
            for (int x = 0; x < w; ++x)
                if (GrayOf(line[x]) >= 128)
                    row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        else
        {
            for (int x = 0; x < w; ++x)
            {
                row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(line[x]);
                row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(line[x] >> 8);
                row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(line[x] >> 16);
            }
        }
        dib.insert(dib.end(), row.begin(), row.end());
    }
    return dib;
}

// The layer's trace switch: KEL_TRACE set to anything but "" or "0".
bool Tracing()
{
    static const bool on = []
    {
        const char* value = std::getenv("KEL_TRACE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return on;
}

class WmfRecorder : public MetaRecorder
{
public:
    explicit WmfRecorder(std::string path) : MetaRecorder(DT_METAFILE), file(std::move(path)) {}
    DWORD Kind() const override { return OBJ_METADC; }

    // Where CloseMetaFile writes the metafile; empty for a memory metafile. It goes with the DC, so
    // a DC deleted without being closed leaves nothing behind.
    const std::string file;

    // ---- State
    void SaveDC() override
    {
        saved_.push_back(selected_);
        for (int index : selected_)
            Hold(index, +1);
        Emit(kSaveDc, {});
    }
    void RestoreDC(int saved) override
    {
        const int depth = static_cast<int>(saved_.size());
        const int target = saved < 0 ? depth + saved + 1 : saved;
        if (target < 1 || target > depth)
            return;
        const std::array<int, kSlots> restored = saved_[static_cast<size_t>(target - 1)];
        for (int index : restored)
            Hold(index, +1);
        for (int index : selected_)
            Hold(index, -1);
        for (size_t i = static_cast<size_t>(target - 1); i < saved_.size(); ++i)
            for (int index : saved_[i])
                Hold(index, -1);
        saved_.resize(static_cast<size_t>(target - 1));
        selected_ = restored;
        Emit(kRestoreDc, {saved});
    }
    void SetMapMode(int mode) override { Emit(kSetMapMode, {mode}); }
    void SetWindowOrg(int x, int y) override { Emit(kSetWindowOrg, {x, y}); }
    void SetWindowExt(int cx, int cy) override { Emit(kSetWindowExt, {cx, cy}); }
    void SetViewportOrg(int x, int y) override { Emit(kSetViewportOrg, {x, y}); }
    void SetViewportExt(int cx, int cy) override { Emit(kSetViewportExt, {cx, cy}); }
    void OffsetWindowOrg(int dx, int dy) override { Emit(kOffsetWindowOrg, {dx, dy}); }
    void OffsetViewportOrg(int dx, int dy) override { Emit(kOffsetViewportOrg, {dx, dy}); }
    void ScaleWindowExt(int xn, int xd, int yn, int yd) override { Emit(kScaleWindowExt, {xn, xd, yn, yd}); }
    void ScaleViewportExt(int xn, int xd, int yn, int yd) override
    {
        Emit(kScaleViewportExt, {xn, xd, yn, yd});
    }
    void SetTextColor(COLORREF color) override { EmitColor(kSetTextColor, color); }
    void SetBkColor(COLORREF color) override { EmitColor(kSetBkColor, color); }
    void SetBkMode(int mode) override { Emit(kSetBkMode, {mode}); }
    void SetROP2(int rop2) override { Emit(kSetRop2, {rop2}); }
    void SetPolyFillMode(int mode) override { Emit(kSetPolyFillMode, {mode}); }
    void SetStretchBltMode(int mode) override { Emit(kSetStretchBltMode, {mode}); }
    void SetTextAlign(UINT align) override { Emit(kSetTextAlign, {static_cast<int>(align & 0xFFFF)}); }
    // WMF has no records for these; players keep their DC's own.
    void SetArcDirection(int) override {}
    void SetBrushOrg(int, int) override {}

    // ---- Objects
    void SelectPen(const LOGPEN& pen) override
    {
        Words w = Counted();
        w.Word(static_cast<int>(pen.lopnStyle & 0xFFFF));
        w.Short(pen.lopnWidth.x);
        w.Short(pen.lopnWidth.y);
        w.Dword(pen.lopnColor);
        Select(kPenSlot, kCreatePenIndirect, std::move(w.data));
    }
    void SelectBrush(const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        Select(kBrushSlot, pattern.IsNull() ? kCreateBrushIndirect : kDibCreatePatternBrush,
               BrushWords(brush, pattern));
    }
    void SelectFont(const LOGFONT& font) override
    {
        Words w = Counted();
        for (LONG v : {font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation, font.lfWeight})
            w.Short(v);
        w.Bytes({font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision,
                 font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily});
        char face[LF_FACESIZE] = {};
        std::memcpy(face, font.lfFaceName, sizeof face);
        face[LF_FACESIZE - 1] = 0;
        w.Raw(face, sizeof face);
        Select(kFontSlot, kCreateFontIndirect, std::move(w.data));
    }

    // ---- Clipping
    void IntersectClipRect(int l, int t, int r, int b) override { Emit(kIntersectClipRect, {l, t, r, b}); }
    void ExcludeClipRect(int l, int t, int r, int b) override { Emit(kExcludeClipRect, {l, t, r, b}); }
    void OffsetClipRgn(int dx, int dy) override { Emit(kOffsetClipRgn, {dx, dy}); }
    void SelectClipRegion(const Region* region, int mode) override
    {
        if (!region)
        {
            // WMF cannot say "no clip"; a region larger than any device clips nothing.
            SelectRegion(Region(RECT{-32000, -32000, 32000, 32000}));
            return;
        }
        const RECT box = region->Bounds();
        const bool simple = region->RectCount() <= 1;
        if (mode == RGN_COPY)
            SelectRegion(*region);
        else if (simple && (mode == RGN_AND || mode == RGN_DIFF))
        {
            // One rectangle combines through the logical clip records.
            const POINT a = State().ToLogical(box.left, box.top);
            const POINT b = State().ToLogical(box.right, box.bottom);
            const int l = std::min(a.x, b.x), t = std::min(a.y, b.y);
            const int r = std::max(a.x, b.x), btm = std::max(a.y, b.y);
            Emit(mode == RGN_AND ? kIntersectClipRect : kExcludeClipRect, {l, t, r, btm});
        }
        // Other combinations have no WMF form; the clip stays as it was.
    }

    // ---- Output
    void MoveTo(int x, int y) override { Emit(kMoveTo, {x, y}); }
    void LineTo(int x, int y) override { Emit(kLineTo, {x, y}); }
    void Polyline(const POINT* points, int count) override { EmitPoints(kPolyline, points, count); }
    void PolylineTo(const POINT* points, int count) override
    {
        if (count <= 0)
            return;
        std::vector<POINT> all{State().current};
        all.insert(all.end(), points, points + count);
        EmitPoints(kPolyline, all.data(), static_cast<int>(all.size()));
        MoveTo(points[count - 1].x, points[count - 1].y);
    }
    void PolyPolyline(const POINT* points, const DWORD* counts, int polylines) override
    {
        for (int i = 0; i < polylines; points += counts[i], ++i)
            EmitPoints(kPolyline, points, static_cast<int>(counts[i]));
    }
    void Polygon(const POINT* points, int count) override { EmitPoints(kPolygon, points, count); }
    void PolyPolygon(const POINT* points, const INT* counts, int polygons) override
    {
        Words w = Counted();
        w.Word(polygons);
        int total = 0;
        for (int i = 0; i < polygons; ++i)
        {
            w.Word(counts[i]);
            total += counts[i];
        }
        for (int i = 0; i < total; ++i)
        {
            w.Short(points[i].x);
            w.Short(points[i].y);
        }
        Write(kPolyPolygon, w.data);
    }
    void Rectangle(int l, int t, int r, int b) override { Emit(kRectangle, {l, t, r, b}); }
    void RoundRect(int l, int t, int r, int b, int w, int h) override
    {
        Emit(kRoundRect, {l, t, r, b, w, h});
    }
    void Ellipse(int l, int t, int r, int b) override { Emit(kEllipse, {l, t, r, b}); }
    void Arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override
    {
        Emit(kArc, {l, t, r, b, xs, ys, xe, ye});
    }
    void Pie(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override
    {
        Emit(kPie, {l, t, r, b, xs, ys, xe, ye});
    }
    void Chord(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override
    {
        Emit(kChord, {l, t, r, b, xs, ys, xe, ye});
    }
    void FillRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        WithBrush(brush, pattern,
                  [&]
                  { PatBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY); });
    }
    void FrameRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        // One device pixel wide, in logical units.
        const DcState& s = State();
        const int px = std::max(1, s.mapMode == MM_TEXT || !s.viewportExt.cx
                                       ? 1
                                       : std::abs(static_cast<int>(s.windowExt.cx / s.viewportExt.cx)));
        const int py = std::max(1, s.mapMode == MM_TEXT || !s.viewportExt.cy
                                       ? 1
                                       : std::abs(static_cast<int>(s.windowExt.cy / s.viewportExt.cy)));
        const int w = rect.right - rect.left, h = rect.bottom - rect.top;
        WithBrush(brush, pattern,
                  [&]
                  {
                      PatBlt(rect.left, rect.top, w, py, PATCOPY);
                      PatBlt(rect.left, rect.bottom - py, w, py, PATCOPY);
                      PatBlt(rect.left, rect.top, px, h, PATCOPY);
                      PatBlt(rect.right - px, rect.top, px, h, PATCOPY);
                  });
    }
    void InvertRect(const RECT& rect) override
    {
        PatBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, DSTINVERT);
    }
    void FillRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern) override
    {
        const int r = Temporary(kCreateRegion, RegionWords(region));
        const int b = Temporary(pattern.IsNull() ? kCreateBrushIndirect : kDibCreatePatternBrush,
                                BrushWords(brush, pattern));
        Emit(kFillRegion, {b, r});
        Release(b);
        Release(r);
    }
    void FrameRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern, int width,
                     int height) override
    {
        const int r = Temporary(kCreateRegion, RegionWords(region));
        const int b = Temporary(pattern.IsNull() ? kCreateBrushIndirect : kDibCreatePatternBrush,
                                BrushWords(brush, pattern));
        Emit(kFrameRegion, {width, height, b, r});
        Release(b);
        Release(r);
    }
    void InvertRegion(const Region& region) override
    {
        const int r = Temporary(kCreateRegion, RegionWords(region));
        Emit(kInvertRegion, {r});
        Release(r);
    }
    void PatBlt(int x, int y, int width, int height, DWORD rop) override
    {
        Words w = Counted();
        w.Dword(rop);
        for (int v : {height, width, y, x})
            w.Short(v);
        Write(kPatBlt, w.data);
    }
    void StretchBlt(int x, int y, int width, int height, const Pixmap& source, DWORD rop) override
    {
        Words w = Counted();
        w.Dword(rop);
        w.Word(DIB_RGB_COLORS);
        for (int v : {source.Height(), source.Width(), 0, 0, height, width, y, x})
            w.Short(v);
        const std::vector<uint8_t> dib = DibOf(source, false);
        w.data.insert(w.data.end(), dib.begin(), dib.end());
        Write(kStretchDib, w.data);
    }
    void SetPixel(int x, int y, COLORREF color) override
    {
        Words w = Counted();
        w.Dword(color);
        w.Short(y);
        w.Short(x);
        Write(kSetPixel, w.data);
    }
    void TextOut(int x, int y, const char* text, int length) override
    {
        Words w = Counted();
        length = std::clamp(length, 0, 0x7FFE);
        w.Word(length);
        w.Raw(text, static_cast<size_t>(length));
        w.Pad();
        w.Short(y);
        w.Short(x);
        Write(kTextOut, w.data);
    }
    void ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, UINT length,
                    const INT* dx) override
    {
        Words w = Counted();
        length = std::min<UINT>(length, 0x7FFE);
        w.Short(y);
        w.Short(x);
        w.Word(static_cast<int>(length));
        const bool withRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
        w.Word(
            static_cast<int>(withRect ? options & 0xFFFF : options & 0xFFFF & ~(ETO_OPAQUE | ETO_CLIPPED)));
        if (withRect)
            for (LONG v : {rect->left, rect->top, rect->right, rect->bottom})
                w.Short(v);
        w.Raw(text, length);
        w.Pad();
        for (UINT i = 0; dx && i < length; ++i)
            w.Short(dx[i]);
        Write(kExtTextOut, w.data);
    }

    std::vector<uint8_t> Close() override
    {
        // Objects left in the table are the player's to free, as with any metafile.
        Write(kEof, {});
        if (clamped_ > 0 && Tracing())
            std::fprintf(stderr, "metafile: %d coordinates beyond 16 bits were clamped\n", clamped_);
        std::vector<uint8_t> out;
        auto put = [&out](uint32_t v, int bytes)
        {
            for (int i = 0; i < bytes; ++i)
                out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        const size_t words = (kHeaderBytes + body_.size()) / 2;
        put(1, 2);      // mtType: memory
        put(9, 2);      // mtHeaderSize in words
        put(0x0300, 2); // mtVersion
        put(static_cast<uint32_t>(words), 4);
        put(static_cast<uint32_t>(maxObjects_), 2);
        put(maxRecord_, 4);
        put(0, 2); // mtNoParameters
        out.insert(out.end(), body_.begin(), body_.end());
        return out;
    }

private:
    // Record parameters as little-endian 16-bit words.
    struct Words
    {
        std::vector<uint8_t> data;
        int* clamped = nullptr;
        void Word(int v)
        {
            data.push_back(static_cast<uint8_t>(v));
            data.push_back(static_cast<uint8_t>(v >> 8));
        }
        // A coordinate: clamped to 16 bits, counting what did not fit.
        void Short(long v)
        {
            if (clamped && (v < -32768 || v > 32767))
                ++*clamped;
            Word(static_cast<int>(std::clamp<long>(v, -32768, 32767)));
        }
        void Dword(uint32_t v)
        {
            Word(static_cast<int>(v & 0xFFFF));
            Word(static_cast<int>(v >> 16));
        }
        void Bytes(std::initializer_list<BYTE> bytes) { data.insert(data.end(), bytes.begin(), bytes.end()); }
        void Raw(const void* p, size_t n)
        {
            const auto* b = static_cast<const uint8_t*>(p);
            if (n)
                data.insert(data.end(), b, b + n);
        }
        void Pad()
        {
            if (data.size() % 2)
                data.push_back(0);
        }
    };

    // Parameters whose coordinates count towards the clamped ones.
    Words Counted() { return Words{{}, &clamped_}; }

    struct Object
    {
        bool used = false;
        uint16_t function = 0;
        std::vector<uint8_t> params; // the creating record's parameters: what the object is
        int holds = 0;               // the DC's selection and saved states holding it
        unsigned lastUse = 0;
    };

    void Write(uint16_t function, const std::vector<uint8_t>& params)
    {
        const uint32_t words = static_cast<uint32_t>(3 + (params.size() + 1) / 2);
        for (int i = 0; i < 4; ++i)
            body_.push_back(static_cast<uint8_t>(words >> (8 * i)));
        body_.push_back(static_cast<uint8_t>(function));
        body_.push_back(static_cast<uint8_t>(function >> 8));
        body_.insert(body_.end(), params.begin(), params.end());
        if (params.size() % 2)
            body_.push_back(0);
        maxRecord_ = std::max(maxRecord_, words);
    }

    // A record of 16-bit parameters given in the call's order (stored last first).
    void Emit(uint16_t function, std::initializer_list<int> args)
    {
        Words w = Counted();
        for (auto it = std::rbegin(args); it != std::rend(args); ++it)
            w.Short(*it);
        Write(function, w.data);
    }

    void EmitColor(uint16_t function, COLORREF color)
    {
        Words w = Counted();
        w.Dword(color);
        Write(function, w.data);
    }

    void EmitPoints(uint16_t function, const POINT* points, int count)
    {
        Words w = Counted();
        w.Word(count);
        for (int i = 0; i < count; ++i)
        {
            w.Short(points[i].x);
            w.Short(points[i].y);
        }
        Write(function, w.data);
    }

    static std::vector<uint8_t> BrushWords(const LOGBRUSH& brush, const PatternTile& pattern)
    {
        Words w;
        if (!pattern.IsNull())
        {
            w.Word(BS_DIBPATTERNPT);
            w.Word(DIB_RGB_COLORS);
            const std::vector<uint8_t> dib = DibOf(pattern.pixels, pattern.mono);
            w.data.insert(w.data.end(), dib.begin(), dib.end());
            return w.data;
        }
        w.Word(static_cast<int>(brush.lbStyle));
        w.Dword(brush.lbColor);
        w.Word(static_cast<int>(brush.lbHatch & 0xFFFF));
        return w.data;
    }

    void Hold(int index, int delta)
    {
        if (index >= 0)
            table_[static_cast<size_t>(index)].holds += delta;
    }

    // Selects the object the parameters describe: the one already selected, one still in the table,
    // or a new one in the lowest free slot.
    void Select(Slot slot, uint16_t function, std::vector<uint8_t> params)
    {
        auto same = [&](const Object& o) { return o.used && o.function == function && o.params == params; };
        const int current = selected_[slot];
        if (current >= 0 && same(table_[static_cast<size_t>(current)]))
            return;
        int index = -1;
        for (size_t i = 0; i < table_.size() && index < 0; ++i)
            if (same(table_[i]))
                index = static_cast<int>(i);
        if (index < 0)
        {
            Evict(current);
            for (size_t i = 0; i < table_.size() && index < 0; ++i)
                if (!table_[i].used)
                    index = static_cast<int>(i);
            if (index < 0)
            {
                index = static_cast<int>(table_.size());
                table_.emplace_back();
            }
            Object& o = table_[static_cast<size_t>(index)];
            o = Object{true, function, params, 0, 0};
            Write(function, params);
            int live = 0;
            for (const Object& each : table_)
                live += each.used;
            maxObjects_ = std::max(maxObjects_, live);
        }
        Emit(kSelectObject, {index});
        table_[static_cast<size_t>(index)].lastUse = ++clock_;
        Hold(index, +1);
        Hold(current, -1);
        selected_[slot] = index;
    }

    // Deletes the least recently used unheld objects beyond the cache (never `keep`, about to be
    // deselected).
    void Evict(int keep)
    {
        for (;;)
        {
            int idle = 0, oldest = -1;
            for (size_t i = 0; i < table_.size(); ++i)
            {
                const Object& o = table_[i];
                if (!o.used || o.holds > 0 || static_cast<int>(i) == keep)
                    continue;
                ++idle;
                if (oldest < 0 || o.lastUse < table_[static_cast<size_t>(oldest)].lastUse)
                    oldest = static_cast<int>(i);
            }
            if (idle < kCachedObjects)
                return;
            Emit(kDeleteObject, {oldest});
            table_[static_cast<size_t>(oldest)] = Object{};
        }
    }

    // An object only the next record uses, in the lowest free slot; Release deletes it.
    int Temporary(uint16_t function, const std::vector<uint8_t>& params)
    {
        int index = -1;
        for (size_t i = 0; i < table_.size() && index < 0; ++i)
            if (!table_[i].used)
                index = static_cast<int>(i);
        if (index < 0)
        {
            index = static_cast<int>(table_.size());
            table_.emplace_back();
        }
        table_[static_cast<size_t>(index)].used = true; // never matched: no parameters kept
        int live = 0;
        for (const Object& each : table_)
            live += each.used;
        maxObjects_ = std::max(maxObjects_, live);
        Write(function, params);
        return index;
    }
    void Release(int index)
    {
        Emit(kDeleteObject, {index});
        table_[static_cast<size_t>(index)] = Object{};
    }

    // Regions are selected as a copy, so the object goes right after.
    void SelectRegion(const Region& region)
    {
        const int index = Temporary(kCreateRegion, RegionWords(region));
        Emit(kSelectClipRegion, {index});
        Release(index);
    }

    // The region object: a header, then one scan per band of rectangles sharing top and bottom.
    std::vector<uint8_t> RegionWords(const Region& region)
    {
        struct Band
        {
            int top, bottom;
            std::vector<std::pair<int, int>> spans;
        };
        std::vector<Band> bands;
        for (const RECT& r : region.Rects())
        {
            if (bands.empty() || bands.back().top != r.top || bands.back().bottom != r.bottom)
                bands.push_back(Band{r.top, r.bottom, {}});
            bands.back().spans.emplace_back(r.left, r.right);
        }
        Words scans = Counted();
        size_t maxScan = 0;
        for (const Band& b : bands)
        {
            scans.Word(static_cast<int>(b.spans.size() * 2));
            scans.Short(b.top);
            scans.Short(b.bottom);
            for (const auto& [l, r] : b.spans)
            {
                scans.Short(l);
                scans.Short(r);
            }
            scans.Word(static_cast<int>(b.spans.size() * 2));
            maxScan = std::max(maxScan, b.spans.size() * 2);
        }
        const RECT box = region.Bounds();
        Words w = Counted();
        w.Word(0);      // nextInChain
        w.Word(0x0006); // ObjectType: region
        w.Dword(0);     // ObjectCount
        w.Word(static_cast<int>(22 + scans.data.size()));
        w.Word(static_cast<int>(bands.size()));
        w.Word(static_cast<int>(maxScan));
        for (int v : {box.left, box.top, box.right, box.bottom})
            w.Short(v);
        w.data.insert(w.data.end(), scans.data.begin(), scans.data.end());
        return w.data;
    }

    // Runs `draw` with a brush selected, then selects the DC's own brush again.
    template <typename Draw> void WithBrush(const LOGBRUSH& brush, const PatternTile& pattern, Draw draw)
    {
        SelectBrush(brush, pattern);
        draw();
        LOGBRUSH own{};
        PatternTile ownPattern;
        if (DescribeBrush(State().brush, own, ownPattern))
            SelectBrush(own, ownPattern);
    }

    std::vector<uint8_t> body_;
    uint32_t maxRecord_ = 0;
    int maxObjects_ = 0;
    int clamped_ = 0;
    unsigned clock_ = 0;
    std::vector<Object> table_;
    std::array<int, kSlots> selected_{-1, -1, -1};
    std::vector<std::array<int, kSlots>> saved_;
};

} // namespace

std::unique_ptr<MetaRecorder> MakeRecorder(std::string file)
{
    return std::make_unique<WmfRecorder>(std::move(file));
}

const std::string& FileOf(const MetaRecorder& recorder)
{
    return static_cast<const WmfRecorder&>(recorder).file;
}

} // namespace kel::gdi::wmf
