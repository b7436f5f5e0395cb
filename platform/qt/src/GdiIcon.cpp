// Icons and cursors from resources: the handle is the resource entry holding the .ico/.cur file
// bytes. One entry is chosen (the largest, then the deepest) and decoded: PNG entries by Qt, DIB
// entries here (colour part through the DIB reader, 32-bit alpha and the AND mask applied here).
#include "Gdi.h"

#include "win32/rcdata.h"

#include <cstring>
#include <vector>

namespace kel::gdi
{
namespace
{

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Standard icons and cursors are small placeholder values or entries of the backend's own table,
// never resource entries: only a handle the resource table knows is read.
const kel::rc::Binary* EntryOf(HICON icon)
{
    if (reinterpret_cast<uintptr_t>(icon) < 0x1000000)
        return nullptr;
    auto* b = reinterpret_cast<const kel::rc::Binary*>(icon);
    if (!b->bytes || b->size < 6 + 16 || U16(b->bytes) != 0)
        return nullptr;
    const uint16_t type = U16(b->bytes + 2);
    return type == 1 || type == 2 ? b : nullptr;
}

struct Chosen
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    int hotX = 0, hotY = 0;
};

Chosen ChooseEntry(const kel::rc::Binary& b)
{
    const uint8_t* bytes = b.bytes;
    const size_t count = U16(bytes + 4);
    Chosen best;
    int bestArea = -1, bestDepth = -1;
    for (size_t i = 0; i < count && 6 + (i + 1) * 16 <= b.size; ++i)
    {
        const uint8_t* e = bytes + 6 + i * 16;
        const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const int depth = U16(e + 6);
        const uint32_t size = U32(e + 8), offset = U32(e + 12);
        if (offset > b.size || size > b.size - offset || size < 8)
            continue;
        if (w * h > bestArea || (w * h == bestArea && depth > bestDepth))
        {
            bestArea = w * h;
            bestDepth = depth;
            best = Chosen{bytes + offset, size, U16(e + 4), U16(e + 6)};
        }
    }
    return best;
}

QImage DecodeDibEntry(const uint8_t* data, size_t size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return QImage();
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || h.biWidth > 1024 || h.biHeight <= 0 ||
        h.biHeight > 2048 || h.biCompression > BI_BITFIELDS)
        return QImage();
    const int w = h.biWidth, height = h.biHeight / 2; // colour rows, then the AND mask
    const int bpp = h.biBitCount;
    if (height <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        return QImage();
    size_t colours = h.biClrUsed ? h.biClrUsed : (bpp <= 8 ? (size_t{1} << bpp) : 0);
    if (h.biCompression == BI_BITFIELDS)
        colours = 3;
    const size_t headerSize = h.biSize + colours * 4;
    const size_t xorStride = static_cast<size_t>((w * bpp + 31) / 32) * 4;
    const size_t andStride = static_cast<size_t>((w + 31) / 32) * 4;
    const size_t xorSize = xorStride * static_cast<size_t>(height);
    if (headerSize > size || xorSize > size - headerSize)
        return QImage();
    const uint8_t* xorBits = data + headerSize;
    const uint8_t* andBits = xorBits + xorSize;
    const bool hasMask = andStride * static_cast<size_t>(height) <= size - headerSize - xorSize;

    std::vector<uint8_t> info(data, data + headerSize);
    auto* patched = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    patched->biHeight = height;
    patched->biSizeImage = 0;
    QImage image = ImageFromDib(reinterpret_cast<const BITMAPINFO*>(info.data()), xorBits)
                       .convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();

    bool alpha = false;
    if (bpp == 32)
        for (int y = 0; y < height && !alpha; ++y)
            for (int x = 0; x < w && !alpha; ++x)
                alpha = xorBits[static_cast<size_t>(y) * xorStride + static_cast<size_t>(x) * 4 + 3] != 0;
    for (int y = 0; y < height; ++y)
    {
        const size_t row = static_cast<size_t>(height - 1 - y); // bottom-up
        for (int x = 0; x < w; ++x)
        {
            const QRgb c = image.pixel(x, y);
            int a = 255;
            if (alpha)
                a = xorBits[row * xorStride + static_cast<size_t>(x) * 4 + 3];
            else if (hasMask && (andBits[row * andStride + static_cast<size_t>(x / 8)] & (0x80 >> (x % 8))))
                a = 0;
            image.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), a));
        }
    }
    return image;
}

} // namespace

QImage ImageOfIcon(HICON icon, QPoint* hotspot)
{
    const kel::rc::Binary* b = EntryOf(icon);
    if (!b)
        return QImage();
    const Chosen entry = ChooseEntry(*b);
    if (!entry.data)
        return QImage();
    if (hotspot)
        *hotspot = U16(b->bytes + 2) == 2 ? QPoint(entry.hotX, entry.hotY) : QPoint(0, 0);
    static const uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
    QImage image = entry.size >= 4 && std::memcmp(entry.data, kPng, 4) == 0
                       ? QImage::fromData(entry.data, static_cast<int>(entry.size), "PNG")
                       : DecodeDibEntry(entry.data, entry.size);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace kel::gdi

BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo)
{
    QPoint hotspot;
    const QImage image = kel::gdi::ImageOfIcon(hIcon, &hotspot);
    if (!piconinfo || image.isNull())
        return FALSE;
    const int w = image.width(), h = image.height();
    // Monochrome rows are word-aligned; a set bit is white (transparent).
    const int stride = ((w + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                maskBits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    const bool isIcon = kel::gdi::U16(kel::gdi::EntryOf(hIcon)->bytes + 2) == 1;
    piconinfo->fIcon = isIcon;
    piconinfo->xHotspot = static_cast<DWORD>(isIcon ? w / 2 : hotspot.x());
    piconinfo->yHotspot = static_cast<DWORD>(isIcon ? h / 2 : hotspot.y());
    QImage colour(w, h, QImage::Format_RGB32);
    colour.fill(Qt::black);
    {
        QPainter p(&colour);
        p.drawImage(0, 0, image);
    }
    piconinfo->hbmColor = kel::gdi::BitmapFromImage(colour);
    piconinfo->hbmMask = CreateBitmap(w, h, 1, 1, maskBits.data());
    return piconinfo->hbmColor && piconinfo->hbmMask;
}
