// Windows metafiles (WMF): the record numbers, the recorder that writes them and the player that
// reads them back. A metafile is a 9-word header followed by records of (size in words, function,
// 16-bit parameters), ending with an EOF record; parameters are stored last argument first.
#pragma once

#include "gdi_metarecorder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kel::gdi::wmf
{

enum Function : uint16_t
{
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kRealizePalette = 0x0035,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetRelAbs = 0x0105,
    kSetPolyFillMode = 0x0106,
    kSetStretchBltMode = 0x0107,
    kSetTextCharExtra = 0x0108,
    kRestoreDc = 0x0127,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetTextJustification = 0x020A,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kOffsetClipRgn = 0x0220,
    kFillRegion = 0x0228,
    kSetMapperFlags = 0x0231,
    kSelectPalette = 0x0234,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kFrameRegion = 0x0429,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kEscape = 0x0626,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};

inline constexpr size_t kHeaderBytes = 18;
inline constexpr size_t kPlaceableBytes = 22;
inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

// A recorder writing a memory metafile (mtType 1; CopyMetaFile to a file marks it 2). `file`: where
// CloseMetaFile writes it, empty for none.
std::unique_ptr<MetaRecorder> MakeRecorder(std::string file = {});
// The file a recorder made by MakeRecorder was given.
const std::string& FileOf(const MetaRecorder& recorder);

// Checks a metafile's bytes (header, every record's size within the file, EOF last); false for
// anything else. A placeable header in front is skipped: `offset` receives where the metafile starts.
bool Validate(const uint8_t* data, size_t size, size_t* offset = nullptr);

// Plays validated metafile bytes into a DC through the public drawing calls, then puts the DC's
// state and objects back as they were and deletes what the metafile created. FALSE for bad bytes
// or a bad DC.
BOOL Play(HDC hdc, const uint8_t* data, size_t size);

} // namespace kel::gdi::wmf
