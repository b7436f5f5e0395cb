// The recording seam: a metafile DC is an ordinary DC whose device is a recorder, a device of its
// own that measures like the screen or a reference device and draws nothing. Every GDI call that
// draws or changes state on such a DC is handed to the recorder first (arguments as the caller gave
// them, logical units) and then applied to the DC's state as usual, so GetMapMode, LPtoDP,
// GetTextExtentPoint32 and GetCurrentPositionEx keep working. Each format (WMF, EMF) implements
// the recorder and keeps its own object table: objects arrive as their LOG* description when
// selected.
#pragma once

#include "gdi_internal.h"

#include <cstdint>
#include <vector>

namespace kel::gdi
{

class MetaRecorder : public MeasuringDevice
{
public:
    using MeasuringDevice::MeasuringDevice;

    // OBJ_METADC or OBJ_ENHMETADC: which close call ends the recording.
    virtual DWORD Kind() const = 0;
    // The recording DC's state before the call being recorded (current position, mapping, ...).
    const DcState& State() const { return *state_; }

    // ---- State
    virtual void SaveDC() = 0;
    virtual void RestoreDC(int saved) = 0; // as given: < 0 relative to the top
    virtual void SetMapMode(int mode) = 0;
    virtual void SetWindowOrg(int x, int y) = 0;
    virtual void SetWindowExt(int cx, int cy) = 0;
    virtual void SetViewportOrg(int x, int y) = 0;
    virtual void SetViewportExt(int cx, int cy) = 0;
    virtual void OffsetWindowOrg(int dx, int dy) = 0;
    virtual void OffsetViewportOrg(int dx, int dy) = 0;
    virtual void ScaleWindowExt(int xn, int xd, int yn, int yd) = 0;
    virtual void ScaleViewportExt(int xn, int xd, int yn, int yd) = 0;
    virtual void SetTextColor(COLORREF color) = 0;
    virtual void SetBkColor(COLORREF color) = 0;
    virtual void SetBkMode(int mode) = 0;
    virtual void SetROP2(int rop2) = 0;
    virtual void SetPolyFillMode(int mode) = 0;
    virtual void SetStretchBltMode(int mode) = 0;
    virtual void SetTextAlign(UINT align) = 0;
    virtual void SetArcDirection(int direction) = 0;
    virtual void SetBrushOrg(int x, int y) = 0;

    // ---- Objects (the description of what is selected now)
    virtual void SelectPen(const LOGPEN& pen) = 0;
    // pattern: the tile of a BS_PATTERN brush, null otherwise.
    virtual void SelectBrush(const LOGBRUSH& brush, const PatternTile& pattern) = 0;
    virtual void SelectFont(const LOGFONT& font) = 0;

    // ---- Clipping
    virtual void IntersectClipRect(int left, int top, int right, int bottom) = 0;
    virtual void ExcludeClipRect(int left, int top, int right, int bottom) = 0;
    virtual void OffsetClipRgn(int dx, int dy) = 0;
    // region: in the recording DC's device units (regions are device objects); nullptr removes the
    // clip. mode: RGN_*.
    virtual void SelectClipRegion(const Region* region, int mode) = 0;

    // ---- Output
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const POINT* points, int count) = 0;
    virtual void PolylineTo(const POINT* points, int count) = 0;
    virtual void PolyPolyline(const POINT* points, const DWORD* counts, int polylines) = 0;
    virtual void Polygon(const POINT* points, int count) = 0;
    virtual void PolyPolygon(const POINT* points, const INT* counts, int polygons) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void RoundRect(int left, int top, int right, int bottom, int width, int height) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) = 0;
    virtual void Pie(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) = 0;
    virtual void Chord(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) = 0;
    // A fill or frame with a brush that is not selected (system colour brushes arrive as solid ones).
    virtual void FillRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) = 0;
    virtual void FrameRect(const RECT& rect, const LOGBRUSH& brush, const PatternTile& pattern) = 0;
    virtual void InvertRect(const RECT& rect) = 0;
    // Region output, the region as the caller's HRGN holds it; a format without these ignores them.
    virtual void FillRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern)
    {
        (void)region, (void)brush, (void)pattern;
    }
    virtual void FrameRegion(const Region& region, const LOGBRUSH& brush, const PatternTile& pattern,
                             int width, int height)
    {
        (void)region, (void)brush, (void)pattern, (void)width, (void)height;
    }
    virtual void InvertRegion(const Region& region) { (void)region; }
    // A raster op without a source (PATCOPY, DSTINVERT, BLACKNESS ...).
    virtual void PatBlt(int x, int y, int width, int height, DWORD rop) = 0;
    // Source pixels (already cut from the source, Rgb32, unscaled) stretched onto the logical
    // rectangle by the raster op.
    virtual void StretchBlt(int x, int y, int width, int height, const Pixmap& source, DWORD rop) = 0;
    virtual void SetPixel(int x, int y, COLORREF color) = 0;
    // length bytes of cp1252 text.
    virtual void TextOut(int x, int y, const char* text, int length) = 0;
    virtual void ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, UINT length,
                            const INT* dx) = 0;

    // Ends the recording: the finished metafile's bytes.
    virtual std::vector<uint8_t> Close() = 0;

private:
    friend HDC CreateRecordingDc(std::unique_ptr<MetaRecorder>);
    const DcState* state_ = nullptr;
};

inline MetaRecorder* RecorderOf(const DeviceContext* dc)
{
    return dc->recorder;
}

// A DC whose device is the recorder; nullptr without one.
HDC CreateRecordingDc(std::unique_ptr<MetaRecorder> recorder);
// Ends the recording of a DC of the given kind (OBJ_METADC, OBJ_ENHMETADC), deletes the DC and
// returns the metafile's bytes; false (DC untouched) for a DC that does not record that kind.
bool CloseRecordingDc(HDC hdc, DWORD kind, std::vector<uint8_t>& bytes);

} // namespace kel::gdi
