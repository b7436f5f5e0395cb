// Readers of the picture files that graphs show: bitmap files (BITMAP objects) and metafile files
// (plain, placeable and enhanced; METAFILE objects and WGGetMetafile). They work on the file's bytes,
// check every size and offset against the bytes there are, and say why a file cannot be used with
// the number of the library's message for it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plotkit
{

// Files larger than this are not read (a picture of that size is not a drawing of a graph).
constexpr size_t kMaxPictureFile = 256u << 20;

// A bitmap ready for StretchDIBits: the info header with its colour table, and the bits.
struct BitmapImage
{
    std::vector<uint8_t> info; // BITMAPINFOHEADER, then the colours
    std::vector<uint8_t> bits; // exactly the image size the header describes
    int width = 0, height = 0; // pixels; height is the header's (negative: top-down)
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// Reads a BMP file's bytes. 0 when `image` is ready; -1 for a file in the older core format (not
// drawn, no message); else the message number: 23 (truncated, or not a bitmap this library draws:
// headers, colour table or bits that do not fit in the file, an unknown compression or depth).
int ParseBitmapFile(const uint8_t* data, size_t size, BitmapImage& image);

enum class MetafileKind
{
    Windows,   // a plain Windows metafile
    Placeable, // a Windows metafile after a placeable header
    Enhanced,
};

struct MetafileFile
{
    MetafileKind kind = MetafileKind::Windows;
    // Placeable files: the header as read (22 bytes, key first); zero otherwise.
    BYTE header[22]{};
    // The metafile's own bytes (after any placeable header), cut to the size its header gives.
    std::vector<uint8_t> bits;
};

// Recognises and reads a metafile file's bytes. 0 when `file` is ready, else the message number:
// 9 (not a metafile), 23 (the file ends before its headers or its records do).
int ParseMetafileFile(const uint8_t* data, size_t size, MetafileFile& file);

// True when the file name (the path's last part) has a dot, so no extension is added to it.
bool NameHasDot(const std::string& path);

} // namespace plotkit
