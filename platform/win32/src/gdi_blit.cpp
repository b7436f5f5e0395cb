// Raster operations and pixels: PatBlt, BitBlt, StretchBlt and DIBs onto DCs, SetPixel and
// GetPixel. Copies go through the device; every other raster op combines source, pattern and
// destination pixel by pixel here, on the pixels the DC draws on.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"
#include "gdi_stretch.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

using namespace kel::gdi;

namespace
{

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
    auto* bitmap = Lookup<BitmapObject>(dc->state.bitmap, OBJ_BITMAP);
    return dc->memoryDc && bitmap && bitmap->bitsPixel == 1;
}

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

DeviceBrush Solid(COLORREF color)
{
    DeviceBrush brush;
    brush.kind = DeviceBrush::Kind::Solid;
    brush.color = color;
    return brush;
}

// The brush's pixels over `area`, as a fill of an opaque black image would leave them (the gaps of
// a transparent hatch stay black).
Pixmap PatternOver(const RECT& area, const DeviceBrush& brush, POINT origin)
{
    Pixmap pattern(Width(area), Height(area));
    if (brush.kind == DeviceBrush::Kind::Solid)
        pattern.Fill(ArgbOf(brush.color));
    else if (brush.kind == DeviceBrush::Kind::Tile && brush.tile && !brush.tile->IsNull())
    {
        const Pixmap& tile = *brush.tile;
        const int tw = tile.Width(), th = tile.Height();
        for (int y = 0; y < pattern.Height(); ++y)
        {
            const uint32_t* in = tile.Row(((y + area.top - origin.y) % th + th) % th);
            uint32_t* row = pattern.Row(y);
            for (int x = 0; x < pattern.Width(); ++x)
            {
                const uint32_t p = in[((x + area.left - origin.x) % tw + tw) % tw];
                row[x] = (p >> 24) == 0xFF ? p : 0xFF000000u;
            }
        }
    }
    return pattern;
}

// Combines `source` (already cut and scaled to `target`'s size, or null) into the destination DC
// at device rectangle `target` by the raster op.
BOOL Blit(DeviceContext* dc, const RECT& target, const Pixmap* source, DWORD rop)
{
    if (IsEmpty(target))
        return TRUE;
    Pixmap* image = dc->Target();
    // Plain copies go through the device (any device, printers too).
    if (!image || rop == SRCCOPY || rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY)
    {
        Drawing d(dc, false);
        if (!d.Active())
            return TRUE;
        if (rop == SRCCOPY && source)
            d.Dev().DrawPixmap(d.Context(), target, *source);
        else if (rop == BLACKNESS || rop == WHITENESS)
            d.Dev().FillRect(d.Context(), target,
                             Solid(rop == BLACKNESS ? RGB(0, 0, 0) : RGB(255, 255, 255)));
        else if (rop == PATCOPY)
        {
            const DrawContext& c = d.WithPenAndBrush();
            d.Dev().FillRect(c, target, c.brush);
        }
        else
            return FALSE; // other raster ops need the destination's pixels
        d.Touch(target);
        return TRUE;
    }
    // Everything else pixel by pixel, within the clip.
    image = dc->Acquire();
    Region area(Intersected(target, image->Rect()));
    if (const Region* clip = dc->EffectiveClip())
        area &= *clip;
    // The pattern covers only what is drawn: the target may be far larger than the image.
    const RECT drawn = area.Bounds();
    Pixmap pattern;
    if (UsesPattern(rop) && !IsEmpty(drawn))
        pattern = PatternOver(drawn, ResolveBrush(dc->state.brush, dc->state), dc->state.brushOrg);
    const uint8_t code = static_cast<uint8_t>(rop >> 16);
    for (const RECT& part : area.Rects())
        for (int y = part.top; y < part.bottom; ++y)
        {
            uint32_t* row = image->Row(y);
            const uint32_t* srow = source ? source->Row(y - target.top) : nullptr;
            const uint32_t* prow = pattern.IsNull() ? nullptr : pattern.Row(y - drawn.top);
            for (int x = part.left; x < part.right; ++x)
            {
                const uint32_t p = prow ? prow[x - drawn.left] : 0;
                const uint32_t s = srow ? srow[x - target.left] : 0;
                row[x] = 0xFF000000u | Rop3(code, p, s, row[x]);
            }
        }
    dc->Touched(target);
    return TRUE;
}

// The pixels i of `length` that fall on target pixel k of `to` when shrinking: [first, second).
std::pair<int, int> Gathered(int k, int length, int to)
{
    return {static_cast<int>(int64_t(k) * length / to), static_cast<int>(int64_t(k + 1) * length / to)};
}

// Pixels combined as a stretch mode merges the ones that fall on one: AND (BLACKONWHITE: black on
// white survives), OR (WHITEONBLACK), the average (HALFTONE).
uint32_t Merged(int mode, const uint32_t* first, int count, int step)
{
    if (mode == HALFTONE)
    {
        uint32_t sum[3] = {0, 0, 0};
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < 3; ++c)
                sum[c] += first[i * step] >> (8 * c) & 0xFF;
        const uint32_t n = static_cast<uint32_t>(count);
        return 0xFF000000u | (sum[2] + n / 2) / n << 16 | (sum[1] + n / 2) / n << 8 | (sum[0] + n / 2) / n;
    }
    uint32_t out = first[0];
    for (int i = 1; i < count; ++i)
        out = mode == WHITEONBLACK ? out | first[i * step] : out & first[i * step];
    return out | 0xFF000000u;
}

// A blit's source brought to width x height. Enlarging repeats the nearest pixel; shrinking merges
// the pixels that fall on one by the stretch mode, or keeps one of them (COLORONCOLOR), spread so
// the first and the last row and column are always kept.
Pixmap Resampled(const Pixmap& in, int width, int height, int mode)
{
    Pixmap part = in;
    const bool keep = mode != BLACKONWHITE && mode != WHITEONBLACK && mode != HALFTONE;
    if (width < part.Width() && width > 0)
    {
        Pixmap out(width, part.Height(), part.Format());
        const int length = part.Width();
        for (int y = 0; y < part.Height(); ++y)
        {
            const uint32_t* row = part.Row(y);
            for (int x = 0; x < width; ++x)
            {
                const auto [a, b] = Gathered(x, length, width);
                out.SetPixel(x, y,
                             keep ? row[width == 1 ? 0 : int64_t(x) * (length - 1) / (width - 1)]
                                  : Merged(mode, row + a, b - a, 1));
            }
        }
        part = std::move(out);
    }
    if (height < part.Height() && height > 0)
    {
        Pixmap out(part.Width(), height, part.Format());
        const int length = part.Height(), stride = part.Stride();
        for (int y = 0; y < height; ++y)
        {
            const auto [a, b] = Gathered(y, length, height);
            const int kept = height == 1 ? 0 : static_cast<int>(int64_t(y) * (length - 1) / (height - 1));
            for (int x = 0; x < part.Width(); ++x)
                out.SetPixel(x, y, keep ? part.Pixel(x, kept) : Merged(mode, part.Row(a) + x, b - a, stride));
        }
        part = std::move(out);
    }
    return part.Scaled(width, height);
}

// The source pixels of a blit: cut, scaled by the destination's stretch mode and colour-converted
// as Windows does between monochrome and colour bitmaps.
Pixmap SourcePixels(DeviceContext* dst, const Pixmap& from, bool fromMono, COLORREF fromBk,
                    const RECT& srcRect, SIZE size, bool mirrorX, bool mirrorY)
{
    Pixmap part = Resampled(from.Copy(srcRect), size.cx, size.cy, dst->state.stretchMode);
    if (mirrorX || mirrorY)
        part = part.Mirrored(mirrorX, mirrorY);
    const bool toMono = IsMonochrome(dst);
    if (fromMono == toMono)
        return part;
    const uint32_t fg = ArgbOf(dst->state.textColor);
    const uint32_t bg = ArgbOf(dst->state.bkColor);
    const uint32_t key = ArgbOf(fromBk) & 0x00FFFFFF;
    for (int y = 0; y < part.Height(); ++y)
    {
        uint32_t* row = part.Row(y);
        for (int x = 0; x < part.Width(); ++x)
            if (fromMono) // black takes the text colour, white the background colour
                row[x] = (row[x] & 0x00FFFFFF) ? bg : fg;
            else // the source's background colour becomes white, everything else black
                row[x] = (row[x] & 0x00FFFFFF) == key ? 0xFFFFFFFF : 0xFF000000;
    }
    return part;
}

// Whether a blit's rectangle is small enough to hold in a temporary image.
bool Fits(const RECT& r)
{
    return int64_t(Width(r)) * Height(r) <= kMaxPixels;
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
// target too large to hold, or far larger than the device (it would cost its whole size), is cut to
// the device first, with the source part it shows.
BOOL StretchPixels(DeviceContext* dst, RECT target, const Pixmap& from, bool fromMono, COLORREF fromBk,
                   RECT srcRect, bool mirrorX, bool mirrorY, DWORD rop)
{
    if (!Fits(srcRect))
        return FALSE;
    if (IsEmpty(target))
        return TRUE;
    const SIZE size = dst->PixelSize();
    if (!Fits(target) || Width(target) > kMaxSide || Height(target) > kMaxSide ||
        int64_t(Width(target)) * Height(target) > 4 * (int64_t(size.cx) * size.cy + (1 << 20)))
    {
        RECT shown = Intersected(target, RECT{0, 0, size.cx, size.cy});
        if (const Region* clip = dst->EffectiveClip())
            shown = Intersected(shown, clip->Bounds());
        if (IsEmpty(shown))
            return TRUE;
        const auto [x0, x1] = SourceSpan(Width(srcRect), Width(target), shown.left - target.left,
                                         shown.right - target.left, mirrorX);
        const auto [y0, y1] = SourceSpan(Height(srcRect), Height(target), shown.top - target.top,
                                         shown.bottom - target.top, mirrorY);
        srcRect = RECT{srcRect.left + x0, srcRect.top + y0, srcRect.left + x1, srcRect.top + y1};
        target = shown;
    }
    const Pixmap pixels = SourcePixels(dst, from, fromMono, fromBk, srcRect,
                                       SIZE{Width(target), Height(target)}, mirrorX, mirrorY);
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
    const Pixmap* from = src ? src->Target() : nullptr;
    if (!from)
        return FALSE;
    RECT srcRect = DeviceRect(src->state, xSrc, ySrc, SumOf(xSrc, wSrc), SumOf(ySrc, hSrc));
    if (!ClipStretchSource(srcRect, from->Width(), from->Height(), xDest, yDest, wDest, hDest, false, false))
        return TRUE;
    if (!Fits(srcRect))
        return FALSE;
    const Pixmap pixels = SourcePixels(dst, *from, IsMonochrome(src), src->state.bkColor, srcRect,
                                       SIZE{Width(srcRect), Height(srcRect)}, false, false);
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
    const RECT target = DeviceFillRect(dst->state, xDest, yDest, xEnd, yEnd);
    const POINT d0 = dst->state.ToDevice(xDest, yDest), d1 = dst->state.ToDevice(xEnd, yEnd);
    if (!UsesSource(rop))
        return Blit(dst, target, nullptr, rop);
    DeviceContext* src = LookupDc(hdcSrc);
    if (!src)
        return FALSE;
    const Pixmap* from = src->Target();
    if (!from)
        return FALSE;
    const int xSrcEnd = SumOf(xSrc, wSrc), ySrcEnd = SumOf(ySrc, hSrc);
    const RECT srcRect = DeviceFillRect(src->state, xSrc, ySrc, xSrcEnd, ySrcEnd);
    const POINT s0 = src->state.ToDevice(xSrc, ySrc), s1 = src->state.ToDevice(xSrcEnd, ySrcEnd);
    const bool mirrorX = (d1.x < d0.x) != (s1.x < s0.x);
    const bool mirrorY = (d1.y < d0.y) != (s1.y < s0.y);
    return StretchPixels(dst, target, *from, IsMonochrome(src), src->state.bkColor, srcRect, mirrorX, mirrorY,
                         rop);
}

} // namespace

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    KEL_DC(hdc, FALSE);
    if (UsesSource(rop))
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->PatBlt(x, y, w, h, rop);
    return Blit(dc, DeviceFillRect(dc->state, x, y, SumOf(x, w), SumOf(y, h)), nullptr, rop);
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
    const Pixmap dib = PixmapFromDib(lpbmi, lpBits);
    if (dib.IsNull())
        return 0;
    KEL_DC(hdc, 0);
    // No source extent can be larger than a DIB's side, so these stay exact for every DIB read.
    SrcWidth = std::clamp(SrcWidth, -kDeviceLimit, kDeviceLimit);
    SrcHeight = std::clamp(SrcHeight, -kDeviceLimit, kDeviceLimit);
    xSrc = std::clamp(xSrc, -kDeviceLimit, kDeviceLimit);
    ySrc = std::clamp(ySrc, -kDeviceLimit, kDeviceLimit);
    const int xEnd = SumOf(xDest, DestWidth), yEnd = SumOf(yDest, DestHeight);
    const POINT d0 = dc->state.ToDevice(xDest, yDest), d1 = dc->state.ToDevice(xEnd, yEnd);
    const RECT target = DeviceFillRect(dc->state, xDest, yDest, xEnd, yEnd);
    // Source coordinates count from the DIB's lower-left corner for bottom-up DIBs, as on Windows.
    const bool bottomUp = lpbmi->bmiHeader.biHeight > 0;
    const int top = bottomUp ? dib.Height() - (ySrc + std::abs(SrcHeight)) : ySrc;
    const int left = std::min(xSrc, xSrc + SrcWidth);
    const RECT srcRect{left, top, left + std::abs(SrcWidth), top + std::abs(SrcHeight)};
    const bool mirrorX = (d1.x < d0.x) != (SrcWidth < 0);
    const bool mirrorY = (d1.y < d0.y) != (SrcHeight < 0);
    const bool mono = lpbmi->bmiHeader.biBitCount == 1;
    if (auto* r = RecorderOf(dc))
    {
        RECT shown = srcRect;
        if (!ClipStretchSource(shown, dib.Width(), dib.Height(), xDest, yDest, DestWidth, DestHeight,
                               SrcWidth < 0, SrcHeight < 0))
            return std::abs(SrcHeight);
        if (!Fits(shown))
            return 0;
        r->StretchBlt(xDest, yDest, DestWidth, DestHeight,
                      SourcePixels(dc, dib, mono, RGB(255, 255, 255), shown,
                                   SIZE{Width(shown), Height(shown)}, SrcWidth < 0, SrcHeight < 0),
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
    const POINT p = dc->state.ToDevice(x, y);
    if (const Region* clip = dc->EffectiveClip(); clip && !clip->Contains(p.x, p.y))
        return CLR_INVALID;
    const RECT pixel{p.x, p.y, p.x + 1, p.y + 1};
    Pixmap* image = dc->Target();
    if (!image)
    {
        // Devices without pixels of their own (printers) get a one-pixel fill.
        Drawing d(dc, false);
        if (!d.Active())
            return CLR_INVALID;
        d.Dev().FillRect(d.Context(), pixel, Solid(color));
        return color;
    }
    if (!image->Contains(p.x, p.y))
        return CLR_INVALID;
    image->SetPixel(p.x, p.y, ArgbOf(color));
    dc->Touched(pixel);
    return color;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    KEL_DC(hdc, CLR_INVALID);
    const Pixmap* image = dc->Target();
    const POINT p = dc->state.ToDevice(x, y);
    const Region* clip = dc->EffectiveClip();
    if (!image || !image->Contains(p.x, p.y) || (clip && !clip->Contains(p.x, p.y)))
        return CLR_INVALID;
    return ColorRefOf(image->Pixel(p.x, p.y));
}
