// Mapping modes: logical to device coordinates and back with Windows' rounding and isotropic
// rule, and the calls that set origins and extents.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include <algorithm>
#include <cmath>

namespace kel::gdi
{

int Round(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

int RoundWithin(double v, int limit)
{
    if (std::fabs(v) <= limit) [[likely]]
        return Round(v);
    return v < 0 ? -limit : limit;
}

namespace
{

// Logical units per inch of the fixed modes.
int UnitsPerInch(int mode)
{
    switch (mode)
    {
    case MM_LOMETRIC:
        return 254;
    case MM_HIMETRIC:
        return 2540;
    case MM_LOENGLISH:
        return 100;
    case MM_HIENGLISH:
        return 1000;
    case MM_TWIPS:
        return 1440;
    default:
        return 0;
    }
}

// Windows' isotropic rule: the viewport extent shrinks along the axis with the larger scale so one
// logical unit is as long in x as in y (square pixels here).
void AdjustIsotropic(DcState& s)
{
    if (s.mapMode != MM_ISOTROPIC || !s.windowExt.cx || !s.windowExt.cy || !s.viewportExt.cx ||
        !s.viewportExt.cy)
        return;
    const double xdim = std::fabs(double(s.viewportExt.cx) / s.windowExt.cx);
    const double ydim = std::fabs(double(s.viewportExt.cy) / s.windowExt.cy);
    if (xdim > ydim)
    {
        const int v = Round(std::fabs(s.viewportExt.cx * ydim / xdim));
        s.viewportExt.cx = s.viewportExt.cx < 0 ? -v : v;
    }
    else if (ydim > xdim)
    {
        const int v = Round(std::fabs(s.viewportExt.cy * xdim / ydim));
        s.viewportExt.cy = s.viewportExt.cy < 0 ? -v : v;
    }
    if (s.viewportExt.cx == 0)
        s.viewportExt.cx = 1;
    if (s.viewportExt.cy == 0)
        s.viewportExt.cy = 1;
}

} // namespace

// ---- DC state

POINT DcState::ToDevice(int x, int y) const
{
    // 64-bit sums: origins and coordinates may each be anywhere in the int range.
    if (mapMode == MM_TEXT)
        return POINT{Saturate(int64_t(x) - windowOrg.x + viewportOrg.x),
                     Saturate(int64_t(y) - windowOrg.y + viewportOrg.y)};
    const double sx = windowExt.cx ? double(viewportExt.cx) / windowExt.cx : 1.0;
    const double sy = windowExt.cy ? double(viewportExt.cy) / windowExt.cy : 1.0;
    return POINT{RoundWithin((double(x) - windowOrg.x) * sx + viewportOrg.x, kDeviceLimit),
                 RoundWithin((double(y) - windowOrg.y) * sy + viewportOrg.y, kDeviceLimit)};
}

POINT DcState::ToLogical(int x, int y) const
{
    if (mapMode == MM_TEXT)
        return POINT{Saturate(int64_t(x) - viewportOrg.x + windowOrg.x, INT32_MAX),
                     Saturate(int64_t(y) - viewportOrg.y + windowOrg.y, INT32_MAX)};
    const double sx = viewportExt.cx ? double(windowExt.cx) / viewportExt.cx : 1.0;
    const double sy = viewportExt.cy ? double(windowExt.cy) / viewportExt.cy : 1.0;
    return POINT{RoundWithin((double(x) - viewportOrg.x) * sx + windowOrg.x, INT32_MAX),
                 RoundWithin((double(y) - viewportOrg.y) * sy + windowOrg.y, INT32_MAX)};
}

int DcState::WidthToDevice(int w) const
{
    if (mapMode == MM_TEXT || windowExt.cx == 0)
        return Saturate(w);
    return RoundWithin(std::fabs(double(w) * viewportExt.cx / windowExt.cx), kDeviceLimit);
}

int DcState::HeightToDevice(int h) const
{
    if (mapMode == MM_TEXT || windowExt.cy == 0)
        return Saturate(h);
    return RoundWithin(std::fabs(double(h) * viewportExt.cy / windowExt.cy), kDeviceLimit);
}

RECT DeviceRect(const DcState& s, int left, int top, int right, int bottom)
{
    const POINT a = s.ToDevice(left, top);
    const POINT b = s.ToDevice(right, bottom);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

RECT DeviceFillRect(const DcState& s, int left, int top, int right, int bottom)
{
    const POINT a = s.ToDevice(left, top);
    const POINT b = s.ToDevice(right, bottom);
    return RECT{a.x <= b.x ? a.x : b.x + 1, a.y <= b.y ? a.y : b.y + 1, a.x <= b.x ? b.x : a.x + 1,
                a.y <= b.y ? b.y : a.y + 1};
}

} // namespace kel::gdi

using namespace kel::gdi;

// ---- Mapping

int SetMapMode(HDC hdc, int iMode)
{
    KEL_DC(hdc, 0);
    if (iMode < MM_TEXT || iMode > MM_ANISOTROPIC)
        return 0;
    if (auto* r = RecorderOf(dc))
        r->SetMapMode(iMode);
    DcState& s = dc->state;
    std::swap(s.mapMode, iMode);
    if (s.mapMode == MM_TEXT)
        s.windowExt = s.viewportExt = SIZE{1, 1};
    else if (const int units = UnitsPerInch(s.mapMode))
    {
        // y grows upwards in the fixed modes.
        s.windowExt = SIZE{units, units};
        s.viewportExt = SIZE{dc->device->DpiX(), -dc->device->DpiY()};
    }
    else
        AdjustIsotropic(s); // the scaling modes keep the extents they had
    return iMode;
}

int GetMapMode(HDC hdc)
{
    KEL_DC(hdc, 0);
    return dc->state.mapMode;
}

namespace
{

BOOL SetOrigin(HDC hdc, POINT DcState::*field, int x, int y, LPPOINT previous, bool offset,
               void (MetaRecorder::*record)(int, int))
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc))
        (r->*record)(x, y);
    POINT& p = dc->state.*field;
    if (previous)
        *previous = p;
    p = offset ? POINT{SumOf(p.x, x), SumOf(p.y, y)} : POINT{x, y};
    return TRUE;
}

// record: how a recording DC records the call (null: the caller records it).
BOOL SetExtent(HDC hdc, SIZE DcState::*field, int x, int y, LPSIZE previous,
               void (MetaRecorder::*record)(int, int))
{
    KEL_DC(hdc, FALSE);
    if (auto* r = RecorderOf(dc); r && record)
        (r->*record)(x, y);
    DcState& s = dc->state;
    if (previous)
        *previous = s.*field;
    // Extents only count in the scaling modes.
    if (s.mapMode != MM_ISOTROPIC && s.mapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    s.*field = SIZE{x, y};
    AdjustIsotropic(s);
    return TRUE;
}

template <typename T> BOOL GetPair(HDC hdc, T DcState::*field, T* out)
{
    KEL_DC(hdc, FALSE);
    if (!out)
        return FALSE;
    *out = dc->state.*field;
    return TRUE;
}

BOOL ScaleExtent(HDC hdc, SIZE DcState::*field, int xn, int xd, int yn, int yd, LPSIZE previous,
                 void (MetaRecorder::*record)(int, int, int, int))
{
    KEL_DC(hdc, FALSE);
    if (xd == 0 || yd == 0)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        (r->*record)(xn, xd, yn, yd);
    const SIZE e = dc->state.*field;
    // In 64 bits: the products overflow int for large extents and factors.
    auto scaled = [](int v, int n, int d) { return Saturate(int64_t(v) * n / d, INT32_MAX); };
    return SetExtent(hdc, field, scaled(e.cx, xn, xd), scaled(e.cy, yn, yd), previous, nullptr);
}

} // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::windowOrg, x, y, lppt, false, &MetaRecorder::SetWindowOrg);
}
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::windowOrg, x, y, lppt, true, &MetaRecorder::OffsetWindowOrg);
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::windowOrg, lppoint);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::viewportOrg, x, y, lppt, false, &MetaRecorder::SetViewportOrg);
}
BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return SetOrigin(hdc, &DcState::viewportOrg, x, y, lppt, true, &MetaRecorder::OffsetViewportOrg);
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    return GetPair(hdc, &DcState::viewportOrg, lppoint);
}
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    return SetExtent(hdc, &DcState::windowExt, x, y, lpsz, &MetaRecorder::SetWindowExt);
}
BOOL GetWindowExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::windowExt, lpsize);
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz)
{
    return SetExtent(hdc, &DcState::viewportExt, x, y, lpsz, &MetaRecorder::SetViewportExt);
}
BOOL GetViewportExtEx(HDC hdc, LPSIZE lpsize)
{
    return GetPair(hdc, &DcState::viewportExt, lpsize);
}
BOOL ScaleViewportExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE lpsz)
{
    return ScaleExtent(hdc, &DcState::viewportExt, xn, xd, yn, yd, lpsz, &MetaRecorder::ScaleViewportExt);
}
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE lpsz)
{
    return ScaleExtent(hdc, &DcState::windowExt, xn, xd, yn, yd, lpsz, &MetaRecorder::ScaleWindowExt);
}

BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c)
{
    KEL_DC(hdc, FALSE);
    for (int i = 0; lppt && i < c; ++i)
    {
        lppt[i] = dc->state.ToDevice(lppt[i].x, lppt[i].y);
    }
    return lppt != nullptr;
}

BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c)
{
    KEL_DC(hdc, FALSE);
    for (int i = 0; lppt && i < c; ++i)
    {
        lppt[i] = dc->state.ToLogical(lppt[i].x, lppt[i].y);
    }
    return lppt != nullptr;
}
