// The drawing side's internals: GDI objects in a handle table, device-independent DC state and the
// devices a DC draws on. A DC is state + device: the state (objects, colours, modes, origins) knows
// nothing of the target, the device supplies the pixels (a window's backing image now; bitmaps,
// printers and metafile recorders plug in as further devices).
#pragma once

#include <QtCore/QRect>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtGui/QRegion>

#include "win32/gdi.h"
#include "win32/uidriver.h"

#include <memory>
#include <mutex>
#include <vector>

namespace kel::gdi
{

// ---- Objects

struct GdiObject
{
    explicit GdiObject(DWORD t) : type(t) {}
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
    int selectedCount = 0; // DCs that have it selected
};

struct PenObject : GdiObject
{
    PenObject() : GdiObject(OBJ_PEN) {}
    LOGPEN log{};
};

struct BrushObject : GdiObject
{
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    LOGBRUSH log{};
};

struct FontObject : GdiObject
{
    FontObject() : GdiObject(OBJ_FONT) {}
    LOGFONT log{};
    QFont font; // the face and pixel size LOGFONT maps to
};

// Looks up a live object of the given type (0: any); nullptr for a stale or foreign handle. The
// table lock is not held afterwards: objects are only deleted by DeleteObject, which refuses
// selected ones, so a pointer stays valid while its DC draws with it.
GdiObject* LookupObject(HGDIOBJ h, DWORD type = 0);
std::recursive_mutex& TableLock();

// The QFont a LOGFONT maps to (faces mapped to installed metric-compatible fonts).
QFont FontFromLog(const LOGFONT& lf);

// ---- Devices

// The pixels a DC draws on. origin: where the DC's device (0,0) lies in the image.
class Device
{
public:
    virtual ~Device() = default;
    // The image to draw on; nullptr when the device has none (the DC then only measures).
    virtual QImage* Image() = 0;
    // Called after drawing touched `rect` (image coordinates).
    virtual void Touched(const QRect& rect) { (void)rect; }
    virtual int Technology() const { return DT_RASDISPLAY; }
};

// A window's backing image, kept across repaints; the window's surface blits it.
class BackingStore : public kel::ui::WindowSurfaceData
{
public:
    QImage image;    // client-area sized, RGB32
    QRegion painted; // the part holding what the window drew (the rest is shown after a repaint)
    QRegion dirty;   // drawn since the last flush to the screen
};

// The window's backing store, created or resized to its client area; nullptr for a bad window.
BackingStore* BackingFor(HWND hwnd);

// ---- DCs

// Device-independent state; SaveDC pushes a copy.
struct DcState
{
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    UINT textAlign = TA_TOP | TA_LEFT;
    POINT current{0, 0};
    int mapMode = MM_TEXT;
    POINT windowOrg{0, 0};
    POINT viewportOrg{0, 0};
    SIZE windowExt{1, 1};
    SIZE viewportExt{1, 1};
    QRect clip; // device coordinates; empty: none beyond the device

    QPoint ToDevice(int x, int y) const;
    QPoint ToLogical(int x, int y) const;
    int WidthToDevice(int w) const;
};

class DeviceContext
{
public:
    DeviceContext(std::unique_ptr<Device> device, HWND hwnd);
    ~DeviceContext();

    // Selects into the current state, keeping the selected counts.
    void Select(HPEN pen, HBRUSH brush, HFONT font);

    std::unique_ptr<Device> device;
    HWND hwnd = nullptr;
    DcState state;
    std::vector<DcState> saved;
};

// Makes a DC handle for a device; its initial objects are the stock defaults.
HDC CreateDc(std::unique_ptr<Device> device, HWND hwnd);
// A live DC, nullptr for a bad handle.
DeviceContext* LookupDc(HDC hdc);
BOOL DestroyDc(HDC hdc);

} // namespace kel::gdi
