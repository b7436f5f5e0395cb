// Enhanced metafiles: the record layout shared by the player, the recorder and the clipboard, the
// checks every metafile passes before it gets a handle, and the handle table.
#pragma once

#include "win32/gdi.h"
#include "win32/gdipixmap.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kel::gdi::emf
{

// Record types.
enum : uint32_t
{
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_SETARCDIRECTION = 57,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
};

// Sizes of fixed parts.
inline constexpr size_t kHeaderBase = 88;  // up to szlMillimeters
inline constexpr size_t kHeaderFull = 108; // with the pixel format and micrometre extensions
inline constexpr size_t kLogFontW = 92;    // LOGFONTW: 5 LONGs, 8 bytes, 32 WCHARs
inline constexpr size_t kFontRecord = 332; // the record with a LOGFONTPANOSE, as usually written
inline constexpr uint32_t kRdhRectangles = 1;
inline constexpr uint32_t kGmCompatible = 1;
inline constexpr UINT kEtoNoRect = 0x100;

// Little-endian access to record bytes (the caller checks the range).
inline uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t I32(const uint8_t* p)
{
    return static_cast<int32_t>(U32(p));
}
inline uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Appends little-endian fields.
class Writer
{
public:
    std::vector<uint8_t> bytes;
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U16(uint16_t v)
    {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void Rect(const RECT& r)
    {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    void Raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void Pad4()
    {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
    void PutU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
};

// Why the bytes are not an enhanced metafile this layer reads; empty when they are. On success
// *used (may be null) receives the metafile's length (trailing bytes are not part of it).
std::string Check(const uint8_t* data, size_t size, size_t* used = nullptr);

// The header fields of checked bytes.
ENHMETAHEADER HeaderOf(const uint8_t* data);

// A handle for checked bytes; NULL when they do not pass the check.
HENHMETAFILE Register(std::vector<uint8_t> bytes);
// The bytes behind a handle; nullptr for a stale or foreign handle. The bytes stay valid while
// the caller holds the pointer, even if the handle is deleted meanwhile.
std::shared_ptr<const std::vector<uint8_t>> BytesOf(HENHMETAFILE handle);

} // namespace kel::gdi::emf
