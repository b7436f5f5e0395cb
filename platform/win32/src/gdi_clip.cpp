// Clipping: the selected clip region, combined in device units, within the system clip of a paint.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include <algorithm>

using namespace kel::gdi;

namespace
{

int Complexity(const Region& r)
{
    if (r.IsEmpty())
        return NULLREGION;
    return r.RectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int ClipComplexity(DeviceContext* dc)
{
    const Region* clip = dc->EffectiveClip();
    return clip ? Complexity(*clip) : SIMPLEREGION;
}

// Combines a device region into the DC's clip; the result's complexity.
int CombineClip(DeviceContext* dc, const Region& region, int mode)
{
    DcState& s = dc->state;
    // With no clip selected, the whole device stands for the current clip.
    Region current = s.hasClip ? s.clip : Region(RECT{-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF});
    switch (mode)
    {
    case RGN_AND:
        current &= region;
        break;
    case RGN_OR:
        current |= region;
        break;
    case RGN_XOR:
        current ^= region;
        break;
    case RGN_DIFF:
        current -= region;
        break;
    case RGN_COPY:
        current = region;
        break;
    default:
        return ERROR;
    }
    s.clip = std::move(current);
    s.hasClip = true;
    dc->ClipChanged();
    return ClipComplexity(dc);
}

} // namespace

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode)
{
    KEL_DC(hdc, ERROR);
    if (!hrgn)
    {
        if (mode != RGN_COPY)
            return ERROR;
        if (auto* r = RecorderOf(dc))
            r->SelectClipRegion(nullptr, mode);
        dc->state.hasClip = false;
        dc->state.clip = Region();
        dc->ClipChanged();
        return ClipComplexity(dc);
    }
    auto* rgn = Lookup<RegionObject>(hrgn, OBJ_REGION);
    if (!rgn)
        return ERROR;
    if (auto* r = RecorderOf(dc); r && mode >= RGN_AND && mode <= RGN_COPY)
        r->SelectClipRegion(&rgn->region, mode);
    return CombineClip(dc, rgn->region, mode);
}

int SelectClipRgn(HDC hdc, HRGN hrgn)
{
    return ExtSelectClipRgn(hdc, hrgn, RGN_COPY);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->IntersectClipRect(left, top, right, bottom);
    return CombineClip(dc, Region(DeviceRect(dc->state, left, top, right, bottom)), RGN_AND);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->ExcludeClipRect(left, top, right, bottom);
    return CombineClip(dc, Region(DeviceRect(dc->state, left, top, right, bottom)), RGN_DIFF);
}

int OffsetClipRgn(HDC hdc, int x, int y)
{
    KEL_DC(hdc, ERROR);
    if (auto* r = RecorderOf(dc))
        r->OffsetClipRgn(x, y);
    if (!dc->state.hasClip)
        return SIMPLEREGION;
    const POINT a = dc->state.ToDevice(x, y), o = dc->state.ToDevice(0, 0);
    // Kept within the device range so repeated offsets cannot overflow the region's coordinates.
    dc->state.clip.Offset(a.x - o.x, a.y - o.y);
    dc->state.clip &= Region(RECT{-kDeviceLimit, -kDeviceLimit, kDeviceLimit + 1, kDeviceLimit + 1});
    dc->ClipChanged();
    return ClipComplexity(dc);
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    KEL_DC(hdc, ERROR);
    if (!lprect)
        return ERROR;
    SIZE size = dc->PixelSize();
    if (size.cx <= 0 || size.cy <= 0)
        size = ScreenSize();
    Region visible(RECT{0, 0, size.cx, size.cy});
    if (const Region* clip = dc->EffectiveClip())
        visible &= *clip;
    const RECT box = visible.Bounds();
    const POINT a = dc->state.ToLogical(box.left, box.top);
    const POINT b = dc->state.ToLogical(box.right, box.bottom);
    *lprect = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return Complexity(visible);
}

int GetClipRgn(HDC hdc, HRGN hrgn)
{
    KEL_DC(hdc, -1);
    auto* rgn = Lookup<RegionObject>(hrgn, OBJ_REGION);
    if (!rgn)
        return -1;
    if (!dc->state.hasClip)
        return 0;
    rgn->region = dc->state.clip;
    return 1;
}

BOOL PtVisible(HDC hdc, int x, int y)
{
    KEL_DC(hdc, FALSE);
    const POINT p = dc->state.ToDevice(x, y);
    const Region* clip = dc->EffectiveClip();
    return !clip || clip->Contains(p.x, p.y);
}

BOOL RectVisible(HDC hdc, const RECT* lprect)
{
    KEL_DC(hdc, FALSE);
    if (!lprect)
        return FALSE;
    const RECT r = DeviceRect(dc->state, lprect->left, lprect->top, lprect->right, lprect->bottom);
    const Region* clip = dc->EffectiveClip();
    return !clip || clip->Intersects(r);
}
