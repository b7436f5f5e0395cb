// The drawing core's seam to the devices it draws on, in the style of the window manager's driver
// (win32/uidriver.h). The core (win32/gdi.h) owns objects, DC state, mapping and clipping, and
// hands every drawing call to the DC's device resolved to device pixels: points and rectangles
// mapped, pens and brushes in device units, the clip as a region. A backend implements devices for
// pixels (window backing images, memory-DC bitmaps), printers and painters of its own, plus text
// measurement, and registers them with SetDeviceFactory. Without a backend DCs still keep their
// state, map, select objects and record metafiles; they draw nothing. Not for the system's own
// code: only backends, the metafile recorder and tests use this.
//
// Threads: every drawing call holds the core's table lock (recursive) for its whole run, so devices
// and factories are called one call at a time, from whichever thread draws; a device must not wait
// for another thread that draws. Window DCs belong to the user-interface thread.
#pragma once

#include "win32/gdi.h"
#include "win32/gdipixmap.h"
#include "win32/gdiregion.h"
#include "win32/print.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kel::gdi
{

// ---- Limits on what reaches a device

// Device coordinates stay within +-2^27: rasterizers and rectangle arithmetic are exact there, and
// no screen or page comes close.
inline constexpr int kDeviceLimit = 1 << 27;
// Pens, fonts and bitmap sides beyond this many pixels are saturated (or refused, for bitmaps).
inline constexpr int kMaxSide = 1 << 14;
// Largest bitmap in pixels; bigger requests fail instead of exhausting memory.
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;

// ---- Fonts

// What a backend made of a font (its own font object, metrics), kept with the core's font.
class FontRealization
{
public:
    virtual ~FontRealization() = default;
};

// A font as the core keeps it: the LOGFONT it was made from (heights in pixels) and a slot where
// the backend keeps what it made of it, filled on first use under the table lock.
struct Font
{
    LOGFONT log{};
    mutable std::unique_ptr<FontRealization> realized;
};

struct FontMetrics
{
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int leading = 0; // external leading: extra space between lines
    int averageCharWidth = 0;
    int maxCharWidth = 0;
    int pixelSize = 0; // the character height the face was made at
    bool fixedPitch = false;
};

// A face text can be drawn in, as EnumFonts reports it.
struct FaceInfo
{
    std::string name; // cp1252
    bool fixedPitch = false;
};

// ---- What a drawing call carries

// A pen in device pixels. Styled pens (dash ... dash-dot-dot) are one pixel wide; wider ones draw
// solid with the caps and joins given.
struct DevicePen
{
    UINT style = PS_NULL; // PS_SOLID ... PS_DASHDOTDOT; PS_NULL: no outline
    int width = 1;        // >= 1
    COLORREF color = 0;
    UINT endCap = PS_ENDCAP_ROUND; // PS_ENDCAP_*, for widths > 1
    UINT join = PS_JOIN_ROUND;     // PS_JOIN_*, for widths > 1
    bool operator==(const DevicePen&) const = default;
};

// A brush resolved for a device: nothing, a colour, or a tile of pixels repeated from the brush
// origin (hatches, patterns; a premultiplied tile may have see-through pixels).
struct DeviceBrush
{
    enum class Kind : uint8_t
    {
        None,
        Solid,
        Tile
    };
    Kind kind = Kind::None;
    COLORREF color = 0;
    const Pixmap* tile = nullptr;
    uint64_t tileSerial = 0; // changes whenever a tile's pixels do, so devices may keep conversions
};

// The DC state every drawing call comes with, in device pixels.
struct DrawContext
{
    Pixmap* target = nullptr;     // pixel devices: the pixels to draw on; null for devices with pages
    const Region* clip = nullptr; // null: nothing clipped
    unsigned clipSerial = 0;      // changes whenever the clip does
    int rop2 = R2_COPYPEN;        // how drawn pixels combine with those there (R2_*)
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE; // OPAQUE fills the gaps of styled pens with bkColor
    int polyFillMode = ALTERNATE;
    POINT brushOrigin{0, 0};
    DevicePen pen;     // the selected pen, for calls that outline
    DeviceBrush brush; // the selected brush, for calls that fill
};

struct RectF
{
    double x = 0, y = 0, width = 0, height = 0;
};

// A shape bounded by a rectangle.
struct Shape
{
    enum class Kind : uint8_t
    {
        Rectangle,
        Ellipse,
        RoundRect,
        Arc,
        Pie,
        Chord
    };
    Kind kind = Kind::Rectangle;
    RECT box{};      // the shape's pixels, right and bottom exclusive
    RectF outline;   // where the pen's centre line runs (inside-frame pens already pulled in)
    int cornerX = 0; // RoundRect: width and height of the ellipse the corners are cut from
    int cornerY = 0;
    int start = 0; // arcs, pies, chords: start and span in 1/16 degree, counter-clockwise, of the
    int span = 0;  // ellipse's parameter (a circle's angle before it is scaled to the ellipse)
    // Arcs, pies, chords: the arc runs counter-clockwise on the screen from where the ray from the
    // centre through `from` meets the ellipse to where the ray through `to` does.
    POINT from{0, 0};
    POINT to{0, 0};
};

// One line of text. Unrotated, its box has its top-left corner at pivot + offset; escapement turns
// the whole box about pivot.
struct TextRun
{
    const Font* font = nullptr;
    std::u16string_view text;
    POINT pivot{0, 0};
    POINT offset{0, 0};
    int escapement = 0;            // tenths of a degree, counter-clockwise
    const int* advances = nullptr; // one per character (device pixels); null: the font's own
    int width = 0;                 // the box, from the font's metrics (or the advances)
    int height = 0;
    int ascent = 0;               // baseline below the box's top
    bool opaque = false;          // fill the box with the background colour first
    const RECT* clipTo = nullptr; // narrows the clip for this run only
};

// ---- Devices

class PrintJob;

// Where a DC's drawing goes. Every call but the metrics comes with the table lock held.
class Device
{
public:
    virtual ~Device() = default;

    // ---- What the device is
    virtual int Technology() const { return DT_RASDISPLAY; }
    // Resolution in dots per inch (LOGPIXELSX/Y).
    virtual int DpiX() const { return 96; }
    virtual int DpiY() const { return 96; }
    // Drawable area in pixels (HORZRES/VERTRES); empty: the target's size, or the screen's.
    virtual SIZE PixelSize() const { return SIZE{0, 0}; }
    // The whole page and where the drawable area starts on it (PHYSICAL*); printers only.
    virtual SIZE PhysicalSize() const { return PixelSize(); }
    virtual POINT PhysicalOffset() const { return POINT{0, 0}; }
    // A printer's job control; null for every other device.
    virtual PrintJob* Job() { return nullptr; }

    // ---- Drawing (device pixels)
    // Whether drawing calls now reach anything (target: as in DrawContext). The core asks before
    // it works out a call; false: the call is skipped (a measuring device, a printer between
    // pages).
    virtual bool Ready(Pixmap* target)
    {
        (void)target;
        return false;
    }
    // Connected lines with the context's pen; the last point is left out, as Windows does.
    virtual void Polyline(const DrawContext& context, const POINT* points, size_t count)
    {
        (void)context, (void)points, (void)count;
    }
    // Closed polygons filled with the context's brush by its fill mode, outlined with its pen.
    virtual void Polygons(const DrawContext& context, const POINT* points, const int* counts, size_t polygons)
    {
        (void)context, (void)points, (void)counts, (void)polygons;
    }
    // A shape filled with the context's brush (arcs are not) and outlined with its pen.
    virtual void DrawShape(const DrawContext& context, const Shape& shape) { (void)context, (void)shape; }
    // A rectangle (right and bottom exclusive) filled with a brush by the context's raster op.
    virtual void FillRect(const DrawContext& context, const RECT& rect, const DeviceBrush& brush)
    {
        (void)context, (void)rect, (void)brush;
    }
    // Single pixels of a colour by the context's raster op.
    virtual void Points(const DrawContext& context, const POINT* points, size_t count, COLORREF color)
    {
        (void)context, (void)points, (void)count, (void)color;
    }
    virtual void Text(const DrawContext& context, const TextRun& run) { (void)context, (void)run; }
    // A picture scaled onto the target rectangle, blended by its alpha (Rgb32: copied).
    virtual void DrawPixmap(const DrawContext& context, const RECT& target, const Pixmap& image)
    {
        (void)context, (void)target, (void)image;
    }
    // Lets go of what the device keeps between calls (an open painter on the target): the target
    // is about to be read, replaced or freed, or another device is to draw on it.
    virtual void Release() {}
};

// A printer's job, driven by StartDoc ... EndDoc (win32/print.h), with their results. Drawing
// reaches the page only between StartPage and EndPage.
class PrintJob
{
public:
    virtual ~PrintJob() = default;
    // A job id > 0, SP_ERROR, or SP_USERABORT when asking for the output file was cancelled.
    virtual int StartDoc(const DOCINFO& info) = 0;
    virtual int StartPage() = 0;
    virtual int EndPage() = 0;
    virtual int EndDoc() = 0;
    // Drops the job and whatever output it made.
    virtual int Abort() = 0;
};

// What a printer is set up with (from DEVMODE, or the print dialog).
struct PrinterSetup
{
    int orientation = 1; // DMORIENT_PORTRAIT
    int paperSize = 0;   // DMPAPER_*, 0: the printer's default
    int copies = 1;
};

// The PDF printer's resolution.
inline constexpr int kPdfPrinterDpi = 600;

// What the core asks of a backend. The defaults stand for no backend: DCs on pixels draw nothing,
// there are no printers, and text is measured by a simple rule (every character half as wide as
// the font is high).
class DeviceFactory
{
public:
    virtual ~DeviceFactory() = default;

    // A device drawing on pixmaps (window backing images, memory DCs' bitmaps); null: such DCs
    // draw nothing.
    virtual std::unique_ptr<Device> CreatePixelDevice() { return nullptr; }

    // ---- Printers (names cp1252)
    virtual std::vector<std::string> PrinterNames() { return {}; }
    virtual std::string DefaultPrinterName() { return {}; }
    // Printing only to PDF (tests); returns the previous setting.
    virtual bool SetPdfPrinterOnly(bool only)
    {
        (void)only;
        return false;
    }
    // Whether the printer exists; fills in its own set-up.
    virtual bool PrinterDefaults(const std::string& name, PrinterSetup& setup)
    {
        (void)name, (void)setup;
        return false;
    }
    // A printer's device (info: measuring only, no jobs) with output to `port` (see win32/print.h);
    // null for an unknown printer. Its Job() runs the print jobs.
    virtual std::unique_ptr<Device> CreatePrinter(const std::string& name, const std::string& port,
                                                  const PrinterSetup& setup, bool info)
    {
        (void)name, (void)port, (void)setup, (void)info;
        return nullptr;
    }

    // ---- Text (pixels; fonts are the same on every device)
    virtual FontMetrics Metrics(const Font& font);
    virtual int TextWidth(const Font& font, std::u16string_view text);
    // The text cut to fit `width` with an ellipsis at its end, as DT_END_ELLIPSIS shows it.
    virtual std::u16string ElideRight(const Font& font, std::u16string_view text, int width);
    virtual std::vector<FaceInfo> Faces() { return {}; }

    // ---- Pictures
    // PNG bytes (icons hold them) as premultiplied pixels; false when they cannot be read.
    virtual bool DecodePng(const uint8_t* data, size_t size, Pixmap& out)
    {
        (void)data, (void)size, (void)out;
        return false;
    }
};

// Installs the backend's factory (null: none) and gives the window manager DCs on windows' backing
// images (GetDC, BeginPaint). The factory must outlive its use.
void SetDeviceFactory(DeviceFactory* factory);
DeviceFactory& GetDeviceFactory();

// ---- DCs of a backend's own

// A DC drawing through `device` (null: one that measures like the screen and draws nothing) on
// `pixels` (null: the device's own output), for `window` (may be NULL). The pixels must outlive the
// DC. DestroyDc deletes it; DeleteDC does only when no window is given.
HDC CreateDc(std::unique_ptr<Device> device, HWND window = nullptr, Pixmap* pixels = nullptr);
BOOL DestroyDc(HDC hdc);

} // namespace kel::gdi
