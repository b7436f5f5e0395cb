// What the metafile tests share, with and without a window system: two pictures using what charts
// draw, recording and reading back both formats, and enhanced metafiles written by hand.
#pragma once

#include "win32/gdi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace metafiles
{

using Bytes = std::vector<uint8_t>;

// The Windows metafile pictures' canvas.
constexpr int kW = 200;
constexpr int kH = 160;

// Anisotropic mapping, pens, a hatched polygon, shapes, rotated text, a clip, saved states and a
// bitmap.
void DrawPicture(HDC dc);
// The rest of what charts use: blits, raster ops, region clips, frames, pixels, arcs and chords,
// spaced and opaque text, winding polygons.
void DrawMore(HDC dc);

HMETAFILE RecordWmf(void (*draw)(HDC));
Bytes BitsOf(HMETAFILE hmf);
// An enhanced metafile of the drawing, with a 1x1 memory DC as the reference device.
HENHMETAFILE RecordEmf(const std::function<void(HDC)>& draw, const RECT* frame, LPCSTR path = nullptr,
                       LPCSTR description = nullptr);
Bytes BytesOf(HENHMETAFILE emf);
// The frame of a w x h pixel picture at 96 dpi, in 0.01 mm.
RECT Frame(int w, int h);
// A file name in the temporary folder, distinct per test process.
std::string TempPath(const std::string& name);

uint32_t Get32(const Bytes& b, size_t at);
void Put32(Bytes& b, size_t at, uint32_t v);
// A minimal enhanced metafile: header, the records, EOF. The reference device has 4 pixels a
// millimetre and the frame is 10 mm square: 40 pixels, played 1:1 onto 40x40.
Bytes Handmade(const std::vector<Bytes>& records, uint16_t handles = 4);
// A record of the type with the given 32-bit fields after its size.
Bytes Rec(uint32_t type, std::vector<uint32_t> fields);

} // namespace metafiles
