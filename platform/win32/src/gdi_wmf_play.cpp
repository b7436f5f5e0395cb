// The WMF player: checks a metafile's structure, then replays each record through the public
// drawing calls, so it plays into any DC (an image, a printer, another recorder). Every read is
// checked against the record's size; records this player does not know are skipped.
#include "gdi_stretch.h"
#include "gdi_wmf.h"

#include <algorithm>
#include <cstring>

namespace kel::gdi::wmf
{

namespace
{

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(U16(p)) | static_cast<uint32_t>(U16(p + 2)) << 16;
}

// One record's parameters, read with bounds checks: a read past the end marks the record bad and
// gives 0.
class Params
{
public:
    Params(const uint8_t* p, size_t words) : p_(p), words_(words) {}
    size_t Words() const { return words_; }
    bool Ok() const { return ok_; }
    uint16_t W(size_t i)
    {
        if (i >= words_)
        {
            ok_ = false;
            return 0;
        }
        return U16(p_ + 2 * i);
    }
    int S(size_t i) { return static_cast<int16_t>(W(i)); }
    uint32_t D(size_t i) { return static_cast<uint32_t>(W(i)) | static_cast<uint32_t>(W(i + 1)) << 16; }
    // n bytes from word i on; nullptr when they are not all inside.
    const uint8_t* Bytes(size_t i, size_t n)
    {
        if (i > words_ || n > 2 * (words_ - i))
        {
            ok_ = false;
            return nullptr;
        }
        return p_ + 2 * i;
    }

private:
    const uint8_t* p_;
    size_t words_;
    bool ok_ = true;
};

// A packed DIB from a record as a top-down 32-bit DIB the public calls take.
struct Dib
{
    BITMAPINFO info{};
    Pixmap image;
    bool bottomUp = false;
    explicit operator bool() const { return !image.IsNull(); }
};

Dib ReadDib(const uint8_t* data, size_t size)
{
    Dib dib;
    if (!data || size < 40)
        return dib;
    dib.image = PixmapFromBmp(data, size);
    if (dib.image.IsNull())
        return dib;
    int32_t height = 0;
    std::memcpy(&height, data + 8, 4);
    dib.bottomUp = height > 0;
    BITMAPINFOHEADER& h = dib.info.bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = dib.image.Width();
    h.biHeight = -dib.image.Height();
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return dib;
}

class Player
{
public:
    // base: the DC's save depth before the first record.
    Player(HDC hdc, size_t objects, int base) : hdc_(hdc), table_(objects, nullptr), base_(base) {}

    ~Player()
    {
        for (HGDIOBJ o : table_)
            if (o)
                DeleteObject(o);
    }

    void Play(uint16_t function, Params& p)
    {
        switch (function)
        {
        case kSaveDc:
            if (SaveDC(hdc_))
                ++saves_;
            break;
        case kRestoreDc:
            RestoreDc(p.S(0));
            break;
        case kSetBkMode:
            SetBkMode(hdc_, p.S(0));
            break;
        case kSetMapMode:
            SetMapMode(hdc_, p.S(0));
            break;
        case kSetRop2:
            SetROP2(hdc_, p.S(0));
            break;
        case kSetPolyFillMode:
            SetPolyFillMode(hdc_, p.S(0));
            break;
        case kSetStretchBltMode:
            SetStretchBltMode(hdc_, p.S(0));
            break;
        case kSetTextAlign:
            SetTextAlign(hdc_, p.W(0));
            break;
        case kSetBkColor:
            if (const COLORREF c = p.D(0); p.Ok())
                SetBkColor(hdc_, c);
            break;
        case kSetTextColor:
            if (const COLORREF c = p.D(0); p.Ok())
                SetTextColor(hdc_, c);
            break;
        case kSetWindowOrg:
            Call(p, 2, [&] { SetWindowOrgEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kSetWindowExt:
            Call(p, 2, [&] { SetWindowExtEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kSetViewportOrg:
            Call(p, 2, [&] { SetViewportOrgEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kSetViewportExt:
            Call(p, 2, [&] { SetViewportExtEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kOffsetWindowOrg:
            Call(p, 2, [&] { OffsetWindowOrgEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kOffsetViewportOrg:
            Call(p, 2, [&] { OffsetViewportOrgEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kScaleWindowExt:
            Call(p, 4, [&] { ScaleWindowExtEx(hdc_, p.S(3), p.S(2), p.S(1), p.S(0), nullptr); });
            break;
        case kScaleViewportExt:
            Call(p, 4, [&] { ScaleViewportExtEx(hdc_, p.S(3), p.S(2), p.S(1), p.S(0), nullptr); });
            break;
        case kMoveTo:
            Call(p, 2, [&] { MoveToEx(hdc_, p.S(1), p.S(0), nullptr); });
            break;
        case kLineTo:
            Call(p, 2, [&] { LineTo(hdc_, p.S(1), p.S(0)); });
            break;
        case kIntersectClipRect:
            Call(p, 4, [&] { IntersectClipRect(hdc_, p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        case kExcludeClipRect:
            Call(p, 4, [&] { ExcludeClipRect(hdc_, p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        case kOffsetClipRgn:
            Call(p, 2, [&] { OffsetClipRgn(hdc_, p.S(1), p.S(0)); });
            break;
        case kRectangle:
            Call(p, 4, [&] { Rectangle(hdc_, p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        case kEllipse:
            Call(p, 4, [&] { Ellipse(hdc_, p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        case kRoundRect:
            Call(p, 6, [&] { RoundRect(hdc_, p.S(5), p.S(4), p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        case kArc:
        case kPie:
        case kChord:
        {
            auto* call = function == kArc ? &Arc : function == kPie ? &Pie : &Chord;
            Call(p, 8, [&] { call(hdc_, p.S(7), p.S(6), p.S(5), p.S(4), p.S(3), p.S(2), p.S(1), p.S(0)); });
            break;
        }
        case kPatBlt:
            Call(p, 6, [&] { PatBlt(hdc_, p.S(5), p.S(4), p.S(3), p.S(2), p.D(0)); });
            break;
        case kSetPixel:
            Call(p, 4, [&] { SetPixel(hdc_, p.S(3), p.S(2), p.D(0)); });
            break;
        case kPolyline:
        case kPolygon:
        {
            std::vector<POINT> points;
            if (ReadPoints(p, 1, p.W(0), points))
                function == kPolyline ? Polyline(hdc_, points.data(), static_cast<int>(points.size()))
                                      : Polygon(hdc_, points.data(), static_cast<int>(points.size()));
            break;
        }
        case kPolyPolygon:
            PolyPolygonRecord(p);
            break;
        case kTextOut:
            TextOutRecord(p);
            break;
        case kExtTextOut:
            ExtTextOutRecord(p);
            break;
        case kStretchDib:
            // rop, usage, source h w y x, destination h w y x, DIB.
            if (p.Words() > 11)
                Stretch(p, p.D(0), p.S(10), p.S(9), p.S(8), p.S(7), p.S(6), p.S(5), p.S(4), p.S(3), 11);
            break;
        case kDibStretchBlt:
            if (HasBitmap(function, p))
                Stretch(p, p.D(0), p.S(9), p.S(8), p.S(7), p.S(6), p.S(5), p.S(4), p.S(3), p.S(2), 10);
            else
                PatBltTail(p);
            break;
        case kDibBitBlt:
            if (HasBitmap(function, p))
                Stretch(p, p.D(0), p.S(7), p.S(6), p.S(5), p.S(4), p.S(3), p.S(2), p.S(5), p.S(4), 8);
            else
                PatBltTail(p);
            break;
        case kCreatePenIndirect:
        {
            LOGPEN pen{p.W(0), POINT{p.S(1), p.S(2)}, p.D(3)};
            Place(p.Ok() ? CreatePenIndirect(&pen) : nullptr, NULL_PEN);
            break;
        }
        case kCreateBrushIndirect:
            CreateBrushRecord(p);
            break;
        case kDibCreatePatternBrush:
            CreatePatternRecord(p);
            break;
        case kCreateFontIndirect:
            CreateFontRecord(p);
            break;
        case kCreateRegion:
            Place(ReadRegion(p), -1);
            break;
        case 0x00F7: // META_CREATEPALETTE
        case 0x01F9: // META_CREATEPATTERNBRUSH (device-dependent bitmap)
            // Not drawn here, but they take a slot the records after them count on.
            Place(nullptr, function == 0x00F7 ? DEFAULT_PALETTE : NULL_BRUSH);
            break;
        case kSelectObject:
            if (HGDIOBJ o = Object(p.W(0)); o && p.Ok())
            {
                if (GetObjectType(o) == OBJ_REGION)
                    SelectClipRgn(hdc_, static_cast<HRGN>(o));
                else if (GetObjectType(o) == OBJ_PAL)
                    SelectPalette(hdc_, static_cast<HPALETTE>(o), FALSE);
                else
                    SelectObject(hdc_, o);
            }
            break;
        case kSelectClipRegion:
            if (HGDIOBJ o = Object(p.W(0)); o && GetObjectType(o) == OBJ_REGION)
                SelectClipRgn(hdc_, static_cast<HRGN>(o));
            break;
        case kDeleteObject:
            if (const uint16_t i = p.W(0); p.Ok() && i < table_.size() && table_[i])
            {
                DeleteObject(table_[i]);
                table_[i] = nullptr;
            }
            break;
        case kFillRegion:
            if (HGDIOBJ r = Object(p.W(0)), b = Object(p.W(1)); r && b)
                FillRgn(hdc_, static_cast<HRGN>(r), static_cast<HBRUSH>(b));
            break;
        case kFrameRegion:
            if (HGDIOBJ r = Object(p.W(0)), b = Object(p.W(1)); r && b && p.Words() >= 4)
                FrameRgn(hdc_, static_cast<HRGN>(r), static_cast<HBRUSH>(b), p.S(3), p.S(2));
            break;
        case kPaintRegion:
            if (HGDIOBJ r = Object(p.W(0)))
                PaintRgn(hdc_, static_cast<HRGN>(r));
            break;
        case kInvertRegion:
            if (HGDIOBJ r = Object(p.W(0)))
                InvertRgn(hdc_, static_cast<HRGN>(r));
            break;
        default:
            break; // escapes, palettes, device-dependent bitmaps: nothing to draw here
        }
    }

private:
    // Runs a call when the record holds the parameters it needs.
    template <typename F> void Call(Params& p, size_t words, F f)
    {
        if (p.Words() >= words)
            f();
    }

    HGDIOBJ Object(uint16_t index) const { return index < table_.size() ? table_[index] : nullptr; }

    // Puts a new object in the lowest free slot; a failed creation takes its slot with a stock
    // stand-in (never deleted) so later indices still match.
    void Place(HGDIOBJ object, int standIn)
    {
        if (!object && standIn >= 0)
            object = GetStockObject(standIn);
        if (!object)
            object = CreateRectRgn(0, 0, 0, 0);
        auto free = std::find(table_.begin(), table_.end(), nullptr);
        if (free == table_.end())
        {
            // More objects than the header said: keep going, indices stay as a player counts them.
            if (table_.size() >= 0xFFFF)
            {
                DeleteObject(object);
                return;
            }
            free = table_.insert(table_.end(), nullptr);
        }
        *free = object;
    }

    // Only the metafile's own saves may be popped; absolute levels count from its start.
    void RestoreDc(int saved)
    {
        const int target = saved < 0 ? saves_ + saved + 1 : saved;
        if (target < 1 || target > saves_ || !RestoreDC(hdc_, base_ + target))
            return;
        saves_ = target - 1;
    }

    static bool ReadPoints(Params& p, size_t at, size_t count, std::vector<POINT>& points)
    {
        if (!p.Ok() || at + 2 * count > p.Words())
            return false;
        points.resize(count);
        for (size_t i = 0; i < count; ++i)
            points[i] = POINT{p.S(at + 2 * i), p.S(at + 2 * i + 1)};
        return true;
    }

    void PolyPolygonRecord(Params& p)
    {
        const size_t polygons = p.W(0);
        if (!p.Ok() || polygons == 0 || 1 + polygons > p.Words())
            return;
        std::vector<INT> counts(polygons);
        size_t total = 0;
        for (size_t i = 0; i < polygons; ++i)
            total += counts[i] = p.W(1 + i);
        std::vector<POINT> points;
        if (ReadPoints(p, 1 + polygons, total, points))
            PolyPolygon(hdc_, points.data(), counts.data(), static_cast<int>(polygons));
    }

    void TextOutRecord(Params& p)
    {
        const int length = p.S(0);
        if (length < 0)
            return;
        const size_t words = (static_cast<size_t>(length) + 1) / 2;
        const uint8_t* text = p.Bytes(1, static_cast<size_t>(length));
        const int y = p.S(1 + words), x = p.S(2 + words);
        if (p.Ok())
            TextOut(hdc_, x, y, reinterpret_cast<const char*>(text), length);
    }

    void ExtTextOutRecord(Params& p)
    {
        const int y = p.S(0), x = p.S(1), length = p.S(2);
        const UINT options = p.W(3);
        if (!p.Ok() || length < 0)
            return;
        size_t at = 4;
        RECT rect{};
        const bool withRect = options & (ETO_OPAQUE | ETO_CLIPPED);
        if (withRect)
        {
            rect = RECT{p.S(4), p.S(5), p.S(6), p.S(7)};
            at = 8;
        }
        const uint8_t* text = p.Bytes(at, static_cast<size_t>(length));
        if (!p.Ok())
            return;
        at += (static_cast<size_t>(length) + 1) / 2;
        // Character advances follow when the record has room for them.
        std::vector<INT> dx;
        if (length > 0 && at + static_cast<size_t>(length) <= p.Words())
            for (int i = 0; i < length; ++i)
                dx.push_back(p.S(at + static_cast<size_t>(i)));
        ExtTextOut(hdc_, x, y, options, withRect ? &rect : nullptr, reinterpret_cast<const char*>(text),
                   static_cast<UINT>(length), dx.empty() ? nullptr : dx.data());
    }

    // The no-bitmap forms of the DIB blits end with height, width, y, x of the destination.
    static bool HasBitmap(uint16_t function, const Params& p) { return p.Words() != (function >> 8u); }
    void PatBltTail(Params& p)
    {
        const size_t n = p.Words();
        if (n >= 6)
            PatBlt(hdc_, p.S(n - 1), p.S(n - 2), p.S(n - 3), p.S(n - 4), p.D(0));
    }

    void Stretch(Params& p, DWORD rop, int x, int y, int w, int h, int xs, int ys, int ws, int hs,
                 size_t dibAt)
    {
        if (!p.Ok() || dibAt >= p.Words())
            return;
        const size_t bytes = 2 * (p.Words() - dibAt);
        const Dib dib = ReadDib(p.Bytes(dibAt, bytes), bytes);
        if (!dib)
            return;
        // Source rows count from the bottom of a bottom-up DIB; ours is top-down.
        if (dib.bottomUp)
            ys = dib.image.Height() - (ys + std::abs(hs));
        // Only the part of the source inside the bitmap is drawn.
        const int left = std::min(xs, xs + ws);
        RECT source{left, ys, left + std::abs(ws), ys + std::abs(hs)};
        if (!ClipStretchSource(source, dib.image.Width(), dib.image.Height(), x, y, w, h, ws < 0, hs < 0))
            return;
        xs = ws < 0 ? source.right : source.left;
        ws = ws < 0 ? source.left - source.right : source.right - source.left;
        ys = source.top;
        hs = hs < 0 ? source.top - source.bottom : source.bottom - source.top;
        StretchDIBits(hdc_, x, y, w, h, xs, ys, ws, hs, dib.image.Bits(), &dib.info, DIB_RGB_COLORS, rop);
    }

    void CreateBrushRecord(Params& p)
    {
        LOGBRUSH log{p.W(0), p.D(1), p.W(3)};
        if (!p.Ok())
            return Place(nullptr, NULL_BRUSH);
        // Pattern styles need a bitmap this record cannot carry.
        if (log.lbStyle != BS_SOLID && log.lbStyle != BS_NULL && log.lbStyle != BS_HATCHED)
            log.lbStyle = BS_SOLID;
        Place(CreateBrushIndirect(&log), NULL_BRUSH);
    }

    void CreatePatternRecord(Params& p)
    {
        HBRUSH brush = nullptr;
        if (p.Words() > 2)
        {
            const size_t bytes = 2 * (p.Words() - 2);
            if (const Dib dib = ReadDib(p.Bytes(2, bytes), bytes))
            {
                HBITMAP bitmap = BitmapFromPixmap(dib.image);
                brush = CreatePatternBrush(bitmap);
                DeleteObject(bitmap);
            }
        }
        Place(brush, NULL_BRUSH);
    }

    void CreateFontRecord(Params& p)
    {
        LOGFONT lf{};
        lf.lfHeight = p.S(0);
        lf.lfWidth = p.S(1);
        lf.lfEscapement = p.S(2);
        lf.lfOrientation = p.S(3);
        lf.lfWeight = p.S(4);
        const uint8_t* b = p.Bytes(5, 8);
        if (!p.Ok())
            return Place(nullptr, SYSTEM_FONT);
        lf.lfItalic = b[0];
        lf.lfUnderline = b[1];
        lf.lfStrikeOut = b[2];
        lf.lfCharSet = b[3];
        lf.lfOutPrecision = b[4];
        lf.lfClipPrecision = b[5];
        lf.lfQuality = b[6];
        lf.lfPitchAndFamily = b[7];
        // The face runs to its terminator or the record's end, at most LF_FACESIZE - 1 characters.
        const size_t room = p.Words() > 9 ? std::min<size_t>(2 * (p.Words() - 9), LF_FACESIZE - 1) : 0;
        const uint8_t* face = p.Words() > 9 ? p.Bytes(9, room) : nullptr;
        for (size_t i = 0; face && i < room && face[i]; ++i)
            lf.lfFaceName[i] = static_cast<CHAR>(face[i]);
        Place(CreateFontIndirect(&lf), SYSTEM_FONT);
    }

    // A region object: header, bounding box, then scans of (count, top, bottom, count/2 spans, count).
    static HRGN ReadRegion(Params& p)
    {
        const size_t scans = p.W(5);
        if (!p.Ok())
            return nullptr;
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        size_t at = 11;
        for (size_t s = 0; s < scans; ++s)
        {
            const size_t count = p.W(at);
            const int top = p.S(at + 1), bottom = p.S(at + 2);
            if (!p.Ok() || count % 2 || at + 4 + count > p.Words())
            {
                DeleteObject(region);
                return nullptr;
            }
            for (size_t i = 0; i < count; i += 2)
            {
                HRGN part = CreateRectRgn(p.S(at + 3 + i), top, p.S(at + 4 + i), bottom);
                CombineRgn(region, region, part, RGN_OR);
                DeleteObject(part);
            }
            at += 4 + count;
        }
        return region;
    }

    HDC hdc_;
    std::vector<HGDIOBJ> table_;
    int base_;
    int saves_ = 0;
};

} // namespace

bool Validate(const uint8_t* data, size_t size, size_t* offset)
{
    if (!data)
        return false;
    size_t start = 0;
    if (size >= kPlaceableBytes && U32(data) == kPlaceableKey)
    {
        uint16_t sum = 0;
        for (size_t i = 0; i < 10; ++i)
            sum ^= U16(data + 2 * i);
        if (sum != U16(data + 20))
            return false;
        start = kPlaceableBytes;
    }
    const uint8_t* h = data + start;
    const size_t available = size - start;
    if (available < kHeaderBytes)
        return false;
    const uint16_t type = U16(h), headerWords = U16(h + 2), version = U16(h + 4);
    const uint64_t bytes = 2 * static_cast<uint64_t>(U32(h + 6));
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300) ||
        bytes < kHeaderBytes + 6 || bytes > available)
        return false;
    for (size_t at = kHeaderBytes; at + 6 <= bytes;)
    {
        const uint64_t words = U32(h + at);
        if (words < 3 || at + 2 * words > bytes)
            return false;
        if (U16(h + at + 4) == kEof)
        {
            if (offset)
                *offset = start;
            return true;
        }
        at += static_cast<size_t>(2 * words);
    }
    return false; // no EOF record inside the stated size
}

BOOL Play(HDC hdc, const uint8_t* data, size_t size)
{
    size_t start = 0;
    if (!Validate(data, size, &start))
        return FALSE;
    const uint8_t* h = data + start;
    const int depth = SaveDC(hdc);
    if (!depth)
        return FALSE;
    {
        Player player(hdc, U16(h + 10), depth);
        for (size_t at = kHeaderBytes;;)
        {
            const size_t words = U32(h + at);
            const uint16_t function = U16(h + at + 4);
            if (function == kEof)
                break;
            Params params(h + at + 6, words - 3);
            player.Play(function, params);
            at += 2 * words;
        }
        // The DC gets its own objects back before the metafile's are deleted.
        RestoreDC(hdc, depth);
    }
    return TRUE;
}

} // namespace kel::gdi::wmf
