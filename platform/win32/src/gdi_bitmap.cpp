// Bitmaps: device-dependent bitmaps, DIB sections, bits in and out, bitmap resources and pattern
// brushes. Pixels live in Rgb32 pixmaps (monochrome bitmaps hold black and white only), which is
// also the layout of a top-down 32-bit DIB.
#include "gdi_internal.h"

#include "win32/kernel.h"
#include "win32/resources.h"
#include "win32/styles.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kel::gdi
{

namespace
{

// A bitmap asked for by size: false, with the reason as the last error, for an empty or negative
// size or one beyond kMaxSide per side or kMaxPixels in all.
bool CreatableSize(int w, int h)
{
    if (w <= 0 || h <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (w > kMaxSide || h > kMaxSide || int64_t(w) * h > kMaxPixels)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

// Row sizes in 64 bits: a header's width and bit count may be anything.
int64_t WidthBytes(int64_t width, int64_t bits)
{
    // Device-dependent bitmap rows are word-aligned.
    return ((width * bits + 15) / 16) * 2;
}

BitmapObject* Bitmap(HBITMAP h)
{
    return Lookup<BitmapObject>(h, OBJ_BITMAP);
}

HBITMAP MakeBitmap(Pixmap pixels, int bitsPixel, bool dib = false)
{
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->pixels = std::move(pixels);
    bitmap->bitsPixel = bitsPixel;
    bitmap->dibSection = dib;
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

} // namespace

HBITMAP BitmapFromPixmap(const Pixmap& pixels)
{
    if (pixels.IsNull())
        return nullptr;
    Pixmap copy = pixels.Copy(pixels.Rect());
    if (copy.Format() != PixelFormat::Rgb32)
    {
        copy = Pixmap(pixels.Width(), pixels.Height());
        for (int y = 0; y < pixels.Height(); ++y)
            for (int x = 0; x < pixels.Width(); ++x)
                copy.SetPixel(x, y, 0xFF000000u | pixels.Pixel(x, y));
    }
    return MakeBitmap(std::move(copy), 32);
}

Pixmap PixmapOfBitmap(HBITMAP bitmap)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(bitmap);
    return b ? b->pixels : Pixmap();
}

} // namespace kel::gdi

using namespace kel::gdi;

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (nPlanes * uint64_t(nBitCount) > 32 || nPlanes * nBitCount == 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!CreatableSize(nWidth, nHeight))
        return nullptr;
    const int bits = static_cast<int>(nPlanes * nBitCount);
    const bool mono = bits == 1;
    Pixmap image(nWidth, nHeight);
    if (lpBits)
    {
        const auto* src = static_cast<const uint8_t*>(lpBits);
        const int stride = WidthBytes(nWidth, bits);
        for (int y = 0; y < nHeight; ++y)
        {
            const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(stride);
            uint32_t* out = image.Row(y);
            for (int x = 0; x < nWidth; ++x)
                if (mono)
                    out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFF : 0xFF000000;
                else if (bits == 24)
                    out[x] = 0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 |
                             row[3 * x];
                else if (bits == 32)
                    out[x] = 0xFF000000u | ReadLe<uint32_t>(row + 4 * x);
        }
    }
    return MakeBitmap(std::move(image), mono ? 1 : 32);
}

HBITMAP CreateBitmapIndirect(const BITMAP* pbm)
{
    return pbm ? CreateBitmap(pbm->bmWidth, pbm->bmHeight, pbm->bmPlanes, pbm->bmBitsPixel, pbm->bmBits)
               : nullptr;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!CreatableSize(cx, cy))
        return nullptr;
    // Like a memory DC's selected bitmap: a fresh memory DC holds a monochrome one, as on Windows.
    const BitmapObject* selected = dc->memoryDc ? Bitmap(dc->state.bitmap) : nullptr;
    const bool mono = selected && selected->bitsPixel == 1;
    return MakeBitmap(Pixmap(cx, cy), mono ? 1 : 32);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT, void** ppvBits, HANDLE, DWORD)
{
    if (ppvBits)
        *ppvBits = nullptr;
    if (!pbmi || pbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // -INT_MIN would overflow: such a height is refused as too large anyway.
    const int64_t height =
        pbmi->bmiHeader.biHeight < 0 ? -int64_t(pbmi->bmiHeader.biHeight) : int64_t(pbmi->bmiHeader.biHeight);
    if (!CreatableSize(pbmi->bmiHeader.biWidth, static_cast<int>(std::min<int64_t>(height, kMaxSide + 1))))
        return nullptr;
    const int width = pbmi->bmiHeader.biWidth;
    Pixmap image(width, static_cast<int>(height));
    std::lock_guard lock(TableLock());
    HBITMAP h = MakeBitmap(std::move(image), 32, true);
    if (ppvBits)
        *ppvBits = Bitmap(h)->pixels.Bits();
    return h;
}

HBITMAP LoadBitmap(HINSTANCE hInstance, LPCSTR lpBitmapName)
{
    const kel::rc::Binary* binary = kel::rc::FindBinary(hInstance, lpBitmapName, RT_BITMAP);
    if (!binary)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const Pixmap image = PixmapFromBmp(binary->bytes, binary->size);
    if (image.IsNull())
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return BitmapFromPixmap(image);
}

LONG GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbit);
    if (!b || cb < 0)
        return 0;
    const int width = b->pixels.Width(), height = b->pixels.Height();
    const int stride = WidthBytes(width, b->bitsPixel);
    const LONG total = static_cast<LONG>(stride) * height;
    if (!lpvBits)
        return total;
    std::vector<uint8_t> out(static_cast<size_t>(total), 0);
    for (int y = 0; y < height; ++y)
    {
        const uint32_t* in = b->pixels.Row(y);
        uint8_t* row = &out[static_cast<size_t>(y) * static_cast<size_t>(stride)];
        for (int x = 0; x < width; ++x)
            if (b->bitsPixel == 1)
            {
                if (in[x] & 0x00FFFFFF)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            else
                std::memcpy(row + 4 * x, &in[x], 4);
    }
    const LONG n = std::min(cb, total);
    std::memcpy(lpvBits, out.data(), static_cast<size_t>(n));
    return n;
}

LONG SetBitmapBits(HBITMAP hbm, DWORD cb, const void* pvBits)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbm);
    if (!b || !pvBits)
        return 0;
    const int width = b->pixels.Width(), height = b->pixels.Height();
    const int stride = WidthBytes(width, b->bitsPixel);
    const auto* src = static_cast<const uint8_t*>(pvBits);
    const int rows = std::min<int64_t>(height, cb / static_cast<DWORD>(stride));
    for (int y = 0; y < rows; ++y)
    {
        const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(stride);
        uint32_t* out = b->pixels.Row(y);
        for (int x = 0; x < width; ++x)
            out[x] = b->bitsPixel == 1 ? ((row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFF : 0xFF000000)
                                       : 0xFF000000 | ReadLe<uint32_t>(row + 4 * x);
    }
    return static_cast<LONG>(rows) * stride;
}

int SetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi, UINT)
{
    if (!lpbmi || !lpBits || cLines == 0 || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbm);
    if (!b)
        return 0;
    const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (Rows(h) > INT32_MAX || start >= Rows(h))
        return 0;
    const int fullHeight = static_cast<int>(Rows(h));
    if (start >= static_cast<UINT>(fullHeight))
        return 0;
    const UINT lines = std::min<UINT>(cLines, static_cast<UINT>(fullHeight) - start);
    // Decode just the lines given; bottom-up scan line `start` is counted from the bottom.
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12, 0);
    const size_t extra = std::min<size_t>(info.size() - sizeof(BITMAPINFOHEADER),
                                          static_cast<size_t>(ColourCount(h)) * sizeof(RGBQUAD));
    std::memcpy(info.data(), lpbmi, sizeof(BITMAPINFOHEADER) + extra);
    auto* part = reinterpret_cast<BITMAPINFO*>(info.data());
    part->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    part->bmiHeader.biHeight = h.biHeight < 0 ? -static_cast<LONG>(lines) : static_cast<LONG>(lines);
    const Pixmap rows = PixmapFromDib(part, lpBits);
    if (rows.IsNull())
        return 0;
    const int top = h.biHeight < 0 ? static_cast<int>(start) : fullHeight - static_cast<int>(start + lines);
    // The rows land counted from the bitmap's bottom when the DIB is taller than the bitmap.
    const int64_t at = int64_t(top) - (fullHeight - b->pixels.Height());
    const int width = std::min(rows.Width(), b->pixels.Width());
    for (int y = 0; y < rows.Height(); ++y)
        if (at + y >= 0 && at + y < b->pixels.Height())
            std::copy(rows.Row(y), rows.Row(y) + width, b->pixels.Row(static_cast<int>(at + y)));
    return static_cast<int>(lines);
}

int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT)
{
    if (!lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbm);
    if (!b)
        return 0;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    const int width = b->pixels.Width(), height = b->pixels.Height();
    if (!lpvBits)
    {
        // Fill in the header only.
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(b->bitsPixel == 1 ? 1 : 32);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(DibStride(width, h.biBitCount) * height);
        return height;
    }
    if (h.biBitCount != 24 && h.biBitCount != 32)
        return 0;
    const bool topDown = h.biHeight < 0;
    const int stride = DibStride(width, h.biBitCount);
    const UINT lines = start >= static_cast<UINT>(height) ? 0 : std::min<UINT>(cLines, height - start);
    auto* out = static_cast<uint8_t*>(lpvBits);
    for (UINT i = 0; i < lines; ++i)
    {
        // Line i of the output is scan line start + i, counted from the bottom for bottom-up DIBs.
        const int y = topDown ? static_cast<int>(start + i) : height - 1 - static_cast<int>(start + i);
        const uint32_t* in = b->pixels.Row(y);
        uint8_t* row = out + static_cast<size_t>(i) * static_cast<size_t>(stride);
        for (int x = 0; x < width; ++x)
        {
            uint8_t* px = row + x * (h.biBitCount / 8);
            px[0] = static_cast<uint8_t>(in[x]);
            px[1] = static_cast<uint8_t>(in[x] >> 8);
            px[2] = static_cast<uint8_t>(in[x] >> 16);
            if (h.biBitCount == 32)
                px[3] = 0;
        }
    }
    return static_cast<int>(lines);
}

HBRUSH CreatePatternBrush(HBITMAP hbm)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbm);
    if (!b)
        return nullptr;
    auto brush = std::make_unique<BrushObject>();
    brush->log = LOGBRUSH{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(hbm)};
    brush->pattern.mono = b->bitsPixel == 1;
    brush->pattern.pixels = b->pixels;
    return static_cast<HBRUSH>(AddObject(std::move(brush)));
}
