// Bitmaps: device-dependent bitmaps, DIB sections, DIB and BMP file reading and writing, bitmap
// resources and pattern brushes. Pixels live in RGB32 images (monochrome bitmaps hold black and
// white only), which is also the layout of a top-down 32-bit DIB.
#include "GdiDrawing.h"

#include "win32/kernel.h"
#include "win32/resources.h"
#include "win32/styles.h"

#include <cstring>
#include <limits>

namespace kel::gdi
{

namespace
{

bool SizeOk(int64_t w, int64_t h)
{
    return w > 0 && h > 0 && w * h <= kMaxPixels;
}

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

int64_t DibStride(int64_t width, int64_t bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// A DIB header's row count (negative heights mean top-down rows).
int64_t Rows(const BITMAPINFOHEADER& h)
{
    return h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
}

template <typename T> T ReadLe(const uint8_t* p)
{
    T v{};
    std::memcpy(&v, p, sizeof(T)); // the formats are little-endian, as is every target we build for
    return v;
}

BitmapObject* Bitmap(HBITMAP h)
{
    return static_cast<BitmapObject*>(LookupObject(h, OBJ_BITMAP));
}

HBITMAP MakeBitmap(QImage image, int bitsPixel, bool dib = false)
{
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->image = std::move(image);
    bitmap->bitsPixel = bitsPixel;
    bitmap->dibSection = dib;
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

// Decodes DIB rows. `bitsSize` bounds what may be read from `bits`.
QImage DecodeDib(const BITMAPINFOHEADER& h, const RGBQUAD* colours, int colourCount, const uint8_t* bits,
                 size_t bitsSize)
{
    const int width = h.biWidth;
    const int bpp = h.biBitCount;
    if (!bits || !SizeOk(width, Rows(h)) ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
        return QImage();
    const int height = static_cast<int>(Rows(h));
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
        return QImage();
    const size_t stride = static_cast<size_t>(DibStride(width, bpp));
    if (stride * static_cast<size_t>(height) > bitsSize)
        return QImage();
    if (bpp <= 8 && colourCount <= 0)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
    {
        const uint8_t* row = bits + stride * static_cast<size_t>(h.biHeight > 0 ? height - 1 - y : y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
        {
            int index = -1;
            switch (bpp)
            {
            case 1:
                index = (row[x / 8] >> (7 - x % 8)) & 1;
                break;
            case 4:
                index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                break;
            case 8:
                index = row[x];
                break;
            case 16:
            {
                const uint16_t v = ReadLe<uint16_t>(row + 2 * x);
                // 5-5-5 (5-6-5 when the masks say so)
                const bool r565 = h.biCompression == BI_BITFIELDS;
                const int r = r565 ? (v >> 11) & 31 : (v >> 10) & 31;
                const int g = r565 ? ((v >> 5) & 63) * 255 / 63 : ((v >> 5) & 31) * 255 / 31;
                out[x] = qRgb(r * 255 / 31, g, (v & 31) * 255 / 31);
                continue;
            }
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                continue;
            default:
                out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                continue;
            }
            const RGBQUAD c = index < colourCount ? colours[index] : RGBQUAD{0, 0, 0, 0};
            out[x] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
    }
    return image;
}

int ColourCount(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8)
        return 0;
    const int full = 1 << h.biBitCount;
    return h.biClrUsed > 0 && h.biClrUsed < static_cast<DWORD>(full) ? static_cast<int>(h.biClrUsed) : full;
}

// A packed DIB (header, colours or masks, bits) of `size` bytes.
QImage DecodePackedDib(const uint8_t* data, size_t size, size_t bitsOffset)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return QImage();
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size)
        return QImage();
    const int colours = ColourCount(h);
    const size_t tableOffset = h.biSize + (h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0);
    if (tableOffset + static_cast<size_t>(colours) * sizeof(RGBQUAD) > size)
        return QImage();
    std::vector<RGBQUAD> table(static_cast<size_t>(colours));
    if (colours)
        std::memcpy(table.data(), data + tableOffset, table.size() * sizeof(RGBQUAD));
    if (bitsOffset == 0)
        bitsOffset = tableOffset + table.size() * sizeof(RGBQUAD);
    if (bitsOffset > size)
        return QImage();
    return DecodeDib(h, table.data(), colours, data + bitsOffset, size - bitsOffset);
}

} // namespace

HBITMAP BitmapFromImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    return MakeBitmap(image.convertToFormat(QImage::Format_RGB32), 32);
}

QImage ImageOfBitmap(HBITMAP bitmap)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(bitmap);
    return b ? b->image.copy() : QImage(); // a deep copy: the bitmap's own buffer must stay unshared
}

QImage ImageFromDib(const BITMAPINFO* info, const void* bits)
{
    if (!info || !bits || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return QImage();
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (!SizeOk(h.biWidth, Rows(h)))
        return QImage();
    const size_t size =
        static_cast<size_t>(DibStride(h.biWidth, h.biBitCount)) * static_cast<size_t>(Rows(h));
    return DecodeDib(h, info->bmiColors, ColourCount(h), static_cast<const uint8_t*>(bits), size);
}

QImage ImageFromBmp(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < 2)
        return QImage();
    if (bytes[0] == 'B' && bytes[1] == 'M')
    {
        if (size < 14 + sizeof(BITMAPINFOHEADER))
            return QImage();
        const uint32_t offBits = ReadLe<uint32_t>(bytes + 10);
        if (offBits < 14 || offBits > size)
            return QImage();
        return DecodePackedDib(bytes + 14, size - 14, offBits - 14);
    }
    return DecodePackedDib(bytes, size, 0);
}

std::vector<uint8_t> BmpFromImage(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int stride = DibStride(image.width(), 24);
    const uint32_t bitsSize = static_cast<uint32_t>(stride) * static_cast<uint32_t>(image.height());
    std::vector<uint8_t> out(14 + 40 + bitsSize, 0);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(image.width()));
    put32(22, static_cast<uint32_t>(image.height()));
    put16(26, 1);
    put16(28, 24);
    put32(34, bitsSize);
    put32(38, 3780); // 96 dpi in pixels per metre
    put32(42, 3780);
    for (int y = 0; y < image.height(); ++y)
    {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(image.height() - 1 - y));
        uint8_t* row = &out[54 + static_cast<size_t>(y) * static_cast<size_t>(stride)];
        for (int x = 0; x < image.width(); ++x)
        {
            row[3 * x] = static_cast<uint8_t>(qBlue(in[x]));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(in[x]));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(in[x]));
        }
    }
    return out;
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
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(mono ? Qt::black : Qt::black);
    if (lpBits)
    {
        const auto* src = static_cast<const uint8_t*>(lpBits);
        const int stride = WidthBytes(nWidth, bits);
        for (int y = 0; y < nHeight; ++y)
        {
            const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(stride);
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < nWidth; ++x)
                if (mono)
                    out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFF : 0xFF000000;
                else if (bits == 24)
                    out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                else if (bits == 32)
                    out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
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
    QImage image(cx, cy, QImage::Format_RGB32);
    image.fill(Qt::black);
    return MakeBitmap(std::move(image), mono ? 1 : 32);
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
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    std::lock_guard lock(TableLock());
    HBITMAP h = MakeBitmap(std::move(image), 32, true);
    if (ppvBits)
        *ppvBits = Bitmap(h)->image.bits();
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
    const QImage image = ImageFromBmp(binary->bytes, binary->size);
    if (image.isNull())
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return BitmapFromImage(image);
}

LONG GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits)
{
    std::lock_guard lock(TableLock());
    BitmapObject* b = Bitmap(hbit);
    if (!b || cb < 0)
        return 0;
    const int width = b->image.width(), height = b->image.height();
    const int stride = WidthBytes(width, b->bitsPixel);
    const LONG total = static_cast<LONG>(stride) * height;
    if (!lpvBits)
        return total;
    std::vector<uint8_t> out(static_cast<size_t>(total), 0);
    for (int y = 0; y < height; ++y)
    {
        const auto* in = reinterpret_cast<const QRgb*>(b->image.constScanLine(y));
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
    const int width = b->image.width(), height = b->image.height();
    const int stride = WidthBytes(width, b->bitsPixel);
    const auto* src = static_cast<const uint8_t*>(pvBits);
    const int rows = std::min<int64_t>(height, cb / static_cast<DWORD>(stride));
    for (int y = 0; y < rows; ++y)
    {
        const uint8_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(stride);
        auto* out = reinterpret_cast<QRgb*>(b->image.scanLine(y));
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
    const QImage rows = ImageFromDib(part, lpBits);
    if (rows.isNull())
        return 0;
    const int top = h.biHeight < 0 ? static_cast<int>(start) : fullHeight - static_cast<int>(start + lines);
    EndPainting(&b->image);
    QPainter p(&b->image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, top - (fullHeight - b->image.height()), rows);
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
    const int width = b->image.width(), height = b->image.height();
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
        const auto* in = reinterpret_cast<const QRgb*>(b->image.constScanLine(y));
        uint8_t* row = out + static_cast<size_t>(i) * static_cast<size_t>(stride);
        for (int x = 0; x < width; ++x)
        {
            uint8_t* px = row + x * (h.biBitCount / 8);
            px[0] = static_cast<uint8_t>(qBlue(in[x]));
            px[1] = static_cast<uint8_t>(qGreen(in[x]));
            px[2] = static_cast<uint8_t>(qRed(in[x]));
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
    brush->monoPattern = b->bitsPixel == 1;
    brush->pattern = b->image.copy();
    return static_cast<HBRUSH>(AddObject(std::move(brush)));
}
