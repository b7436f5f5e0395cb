// Bitmap and metafile files as graphs read them. Every field that names a size or an offset is
// checked against the file's own length before anything is copied, so a damaged or hostile file is
// refused instead of read past its end.
#include "PictureFiles.h"

#include <cstring>

namespace plotkit
{
namespace
{

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t I32(const uint8_t* p)
{
    return static_cast<int32_t>(U32(p));
}

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
constexpr size_t kCoreHeader = 12;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEnhancedSignature = 0x464D4520;
constexpr size_t kMetaHeader = 18;

// A Windows metafile header at `p` with `avail` bytes from there: its size in bytes (0 when it is
// not a metafile header).
uint64_t MetaHeaderBytes(const uint8_t* p, size_t avail)
{
    if (avail < kMetaHeader)
        return 0;
    const uint16_t type = U16(p), headerWords = U16(p + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        return 0;
    return static_cast<uint64_t>(U32(p + 6)) * 2;
}

} // namespace

int ParseBitmapFile(const uint8_t* data, size_t size, BitmapImage& image)
{
    image = BitmapImage{};
    if (data == nullptr || size < kFileHeader + 4 || U16(data) != 0x4D42)
        return 23;
    const uint32_t headerSize = U32(data + kFileHeader);
    if (headerSize == kCoreHeader)
        return -1;
    if (headerSize < kInfoHeader || size < kFileHeader + kInfoHeader || headerSize > size - kFileHeader)
        return 23;
    const uint8_t* h = data + kFileHeader;
    const int32_t width = I32(h + 4), height = I32(h + 8);
    const uint16_t planes = U16(h + 12), bpp = U16(h + 14);
    const uint32_t compression = U32(h + 16);
    uint32_t colorsUsed = U32(h + 32);
    if (planes != 1 || compression != BI_RGB || width <= 0 || height == 0 || height == INT32_MIN)
        return 23;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return 23;
    uint32_t colors = colorsUsed;
    if (colors == 0 && bpp <= 8)
        colors = 1u << bpp;
    if (bpp <= 8 && colors > (1u << bpp))
        return 23;
    // The rows as the header describes them; the header's own image size may only be larger.
    const uint64_t stride = (static_cast<uint64_t>(bpp) * static_cast<uint64_t>(width) + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    const uint64_t imageSize = stride * rows;
    const uint64_t tableEnd = kFileHeader + static_cast<uint64_t>(headerSize) + 4ull * colors;
    if (tableEnd > size)
        return 23;
    const uint32_t bitsOffset = U32(data + 10);
    const uint64_t bitsStart = bitsOffset != 0 ? bitsOffset : tableEnd;
    if (bitsStart < kFileHeader + kInfoHeader || bitsStart > size || imageSize == 0 ||
        imageSize > size - bitsStart)
        return 23;

    // Deeper bitmaps may carry a palette for displays of few colours; they are drawn without it.
    const uint32_t kept = bpp <= 8 ? colors : 0;
    try
    {
        image.info.assign(kInfoHeader + 4ull * kept, 0);
        std::memcpy(image.info.data(), h, kInfoHeader);
        std::memcpy(image.info.data() + kInfoHeader, data + kFileHeader + headerSize, 4ull * kept);
        image.bits.assign(data + bitsStart, data + bitsStart + imageSize);
    }
    catch (const std::bad_alloc&)
    {
        image = BitmapImage{};
        return 26;
    }
    // What the drawing call reads: a plain info header with the counts filled in.
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(image.info.data());
    info->biSize = kInfoHeader;
    info->biClrUsed = kept;
    info->biSizeImage = static_cast<DWORD>(imageSize);
    image.width = width;
    image.height = height;
    return 0;
}

int ParseMetafileFile(const uint8_t* data, size_t size, MetafileFile& file)
{
    file = MetafileFile{};
    if (data == nullptr || size < 4)
        return 23;
    size_t start = 0;
    if (U32(data) == kPlaceableKey)
    {
        if (size < 22 + kMetaHeader)
            return 23;
        // The standard header is 22 bytes; files of an older release put the records at 24.
        start = MetaHeaderBytes(data + 22, size - 22) ? 22 : 24;
        if (size < start + kMetaHeader)
            return 23;
        file.kind = MetafileKind::Placeable;
        std::memcpy(file.header, data, sizeof(file.header));
    }
    else if (size >= 44 && U32(data + 40) == kEnhancedSignature)
    {
        if (size < 108)
            return 23;
        const uint32_t bytes = U32(data + 48);
        if (U32(data) != 1 || bytes < 108 || bytes > size)
            return bytes > size ? 23 : 9;
        file.kind = MetafileKind::Enhanced;
        file.bits.assign(data, data + bytes);
        return 0;
    }
    else if (size < kMetaHeader)
        return 23;

    const uint64_t bytes = MetaHeaderBytes(data + start, size - start);
    if (bytes == 0)
        return 9;
    if (bytes < kMetaHeader)
        return 9;
    if (bytes > size - start)
        return 23;
    file.bits.assign(data + start, data + start + bytes);
    return 0;
}

bool NameHasDot(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return path.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
}

} // namespace plotkit
