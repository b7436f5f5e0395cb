// Clipboard internals: hooks for formats whose handles the clipboard cannot convert by itself
// (metafiles), and the Qt backend's picture rendering.
#pragma once

#include <QtGui/QImage>

#include "win32/clipboard.h"

#include <functional>
#include <vector>

namespace kel::qt
{

// How the clipboard handles one format's handles: to the bytes the shared clipboard keeps, back to
// a handle, freeing, and (optionally) whether a handle is one of the format. CF_ENHMETAFILE and
// CF_METAFILEPICT have built-in handlers (the metafile side's handles); an installed handler
// replaces the built-in one until it is removed. Other formats with handles are refused by
// SetClipboardData until a handler is installed.
struct ClipboardFormatHandler
{
    std::function<bool(HANDLE handle, std::vector<uint8_t>& bytes)> toBytes;
    std::function<HANDLE(const std::vector<uint8_t>& bytes)> fromBytes;
    std::function<void(HANDLE handle)> free;
    std::function<bool(HANDLE handle)> valid; // empty: every handle is taken
};
// Installs (or with an empty handler removes) the handler of a format.
void SetClipboardFormatHandler(UINT format, ClipboardFormatHandler handler);

// The desktop clipboard keeps CF_ENHMETAFILE and CF_METAFILEPICT as their bytes under these MIME
// types. When the program puts a metafile on the clipboard without a bitmap, a PNG picture of it
// goes along (as the registered format "PNG", an image on the desktop) for programs that do not
// read metafiles.
inline constexpr const char* kEmfMimeType = "application/x-kel-emf";
inline constexpr const char* kWmfPictureMimeType = "application/x-kel-wmf-picture";
inline constexpr const char* kPictureFormatName = "PNG";
// Replaces how the picture of an enhanced metafile is made (nullptr: playing it into an image).
void SetClipboardEmfRenderer(std::function<QImage(const std::vector<uint8_t>& emf)> renderer);

// A packed DIB (info header, colours, rows) from an image, and back (null image for bad bytes).
std::vector<uint8_t> DibFromImage(const QImage& image);
QImage ImageFromDib(const std::vector<uint8_t>& dib);

} // namespace kel::qt
