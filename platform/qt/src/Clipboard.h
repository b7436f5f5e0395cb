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
// a handle, and freeing. A format with handles (CF_ENHMETAFILE, CF_METAFILEPICT) is refused by
// SetClipboardData until a handler is installed.
struct ClipboardFormatHandler
{
    std::function<bool(HANDLE handle, std::vector<uint8_t>& bytes)> toBytes;
    std::function<HANDLE(const std::vector<uint8_t>& bytes)> fromBytes;
    std::function<void(HANDLE handle)> free;
};
// Installs (or with an empty handler removes) the handler of a format.
void SetClipboardFormatHandler(UINT format, ClipboardFormatHandler handler);

// The desktop clipboard keeps CF_ENHMETAFILE as its bytes under this MIME type, plus a PNG picture
// made by the renderer for programs that do not read it.
inline constexpr const char* kEmfMimeType = "application/x-kel-emf";
void SetClipboardEmfRenderer(std::function<QImage(const std::vector<uint8_t>& emf)> renderer);

// A packed DIB (info header, colours, rows) from an image, and back (null image for bad bytes).
std::vector<uint8_t> DibFromImage(const QImage& image);
QImage ImageFromDib(const std::vector<uint8_t>& dib);

} // namespace kel::qt
