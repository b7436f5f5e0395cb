// What a window-system backend reads from the drawing core and hands it besides drawing: windows'
// backing images, the pixels of bitmaps and icons, images drawn onto DCs, the face a LOGFONT maps
// to, and enhanced metafiles as bytes for the clipboard. Not for the system's own code.
#pragma once

#include "win32/gdi.h"
#include "win32/gdipixmap.h"
#include "win32/gdiregion.h"
#include "win32/imagelist.h"
#include "win32/uidriver.h"

#include <memory>
#include <string>
#include <vector>

namespace kel::gdi
{

// A window's backing image, kept across repaints; the window's surface shows it. Window DCs draw
// on `pixels`.
class BackingStore : public kel::ui::WindowSurfaceData
{
public:
    ~BackingStore() override;
    Pixmap pixels;  // client-area sized, Rgb32
    Region painted; // the part holding what the window drew (the rest is asked for again)
    Region dirty;   // drawn since the last flush to the screen
};

// The window's backing store, created or resized to its client area (a grown part starts in the
// window colour); nullptr for a bad window.
BackingStore* BackingFor(HWND hwnd);

// A copy of a bitmap's pixels; null for a bad handle.
Pixmap PixmapOfBitmap(HBITMAP bitmap);
// A 32-bit bitmap of the pixels (premultiplied ones composed over black); NULL for a null pixmap.
HBITMAP BitmapFromPixmap(const Pixmap& pixels);
// The picture of an icon or cursor from resources, premultiplied; `hotspot` (may be null) gets a
// cursor's hot spot, (0, 0) for an icon. Null for a standard icon or bytes this layer cannot read.
Pixmap PixmapOfIcon(HICON icon, POINT* hotspot = nullptr);
// The pixels of an image list's image i (premultiplied, the list's size); null for a bad handle or
// index. List views draw them.
Pixmap ImageListPixmap(HIMAGELIST list, int index);
// Draws a picture at logical (x, y) of the DC, unclipped, over a background colour (CLR_NONE,
// 0xFFFFFFFF: blended over what is there), as image lists draw. FALSE for a bad DC.
BOOL DrawPixmapAt(HDC hdc, int x, int y, const Pixmap& picture, COLORREF background);

// The installed font family a LOGFONT's face maps to: metric-compatible free fonts for the faces
// the code names, the face itself otherwise, a family by pitch and family bits when it has none.
std::string FamilyOf(const LOGFONT& font);

// The bytes behind an enhanced metafile handle; null for a stale or foreign handle. They stay valid
// while held, even if the handle is deleted.
std::shared_ptr<const std::vector<uint8_t>> EnhMetaFileBytes(HENHMETAFILE handle);
// A handle for bytes that pass the structure check; NULL otherwise.
HENHMETAFILE EnhMetaFileFromBytes(std::vector<uint8_t> bytes);
// The picture played into a white pixmap of its frame's size at 96 dpi (at most 4096 pixels a
// side); null for bytes that are not a metafile.
Pixmap RenderEnhMetaFile(const std::vector<uint8_t>& bytes);

} // namespace kel::gdi
