// What the chart benchmarks measure the library against, drawn straight with Qt: the layer's Qt is
// private, so the benchmarks reach it only through these calls.
#pragma once

#include "win32/gdi.h"

#include <cstdint>
#include <string>

namespace kel::qt
{

// Draws the device points as one plain one-pixel polyline (flat caps) in `color` into a fresh white
// image of width x height; every point is drawn.
void DrawReferencePolyline(const POINT* points, int count, int width, int height, COLORREF color);

// Writes 32-bit pixels (row by row, as GetBitmapBits gives them) as a PNG; false on failure.
bool SavePixelsAsPng(const uint32_t* pixels, int width, int height, const std::string& path);

} // namespace kel::qt
