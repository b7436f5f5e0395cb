// Playing an enhanced metafile into any DC through the public drawing calls.
//
// Records are in the logical units of the recording DC, whose mapping the records themselves set.
// A shadow DC with the reference device's resolution follows those mapping records (so the mapping
// rules are the drawing layer's own), and the target DC gets the composition of that mapping with
// the stretch of the frame onto the destination rectangle, as one anisotropic mapping. Regions in
// records are in reference device units and are stretched the same way. Every record's size is
// checked against what it reads before it is read; handle indices are checked against the table.
#include "gdi_emf.h"
#include "gdi_internal.h"
#include "gdi_stretch.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace kel::gdi;
using namespace kel::gdi::emf;

namespace
{

// A metafile's numbers may be anything; what reaches the drawing layer stays where its integer
// arithmetic is safe: coordinates (logical and device) within kCoordinates, the combined scale of
// the mapping within kScale, widths and sizes (pens, fonts, corners, advances) within kSizes.
constexpr double kCoordinates = 1 << 27;
constexpr double kScale = 1 << 12;
constexpr int32_t kSizes = 1 << 14;

int32_t ClampSize(int32_t v)
{
    return std::clamp(v, -kSizes, kSizes);
}

// Rounds half up, kept within what coordinates can hold.
int RoundHalfUp(double v)
{
    return static_cast<int>(std::clamp(std::floor(v + 0.5), -1e9, 1e9));
}

struct Record
{
    const uint8_t* p;
    uint32_t type;
    uint32_t size;

    int32_t I(size_t at) const { return I32(p + at); }
    uint32_t U(size_t at) const { return U32(p + at); }
    RECT Rect(size_t at) const { return RECT{I(at), I(at + 4), I(at + 8), I(at + 12)}; }
    // A range [offset, offset + length) inside the record.
    bool Holds(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
};

// The fixed part each record type needs; 0 for types that are not played.
uint32_t MinimumSize(uint32_t type)
{
    switch (type)
    {
    case EMR_SAVEDC:
        return 8;
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_RESTOREDC:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SETARCDIRECTION:
        return 12;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETBRUSHORGEX:
    case EMR_OFFSETCLIPRGN:
    case EMR_MOVETOEX:
    case EMR_LINETO:
    case EMR_EXTSELECTCLIPRGN:
        return 16;
    case EMR_SETPIXELV:
        return 20;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
    case EMR_ELLIPSE:
    case EMR_RECTANGLE:
    case EMR_CREATEBRUSHINDIRECT:
        return 24;
    case EMR_CREATEPEN:
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
        return 28;
    case EMR_ROUNDRECT:
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
    case EMR_FILLRGN:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
        return 32;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
    case EMR_FRAMERGN:
        return 40;
    case EMR_EXTCREATEPEN:
        return 52;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        return 60;
    case EMR_SETDIBITSTODEVICE:
        return 76;
    case EMR_STRETCHDIBITS:
        return 80;
    case EMR_BITBLT:
        return 100;
    case EMR_STRETCHBLT:
        return 108;
    case EMR_EXTCREATEFONTINDIRECTW:
        return 12 + kLogFontW;
    default:
        return 0;
    }
}

// A 1-bit bitmap of an image's light (1) and dark (0) pixels; NULL for a null image.
HBITMAP MonoBitmap(const Pixmap& image)
{
    if (image.IsNull())
        return nullptr;
    const int stride = (image.Width() + 15) / 16 * 2; // rows of whole 16-bit words
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * static_cast<size_t>(image.Height()), 0);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (GrayOf(image.Pixel(x, y)) >= 128)
                rows[static_cast<size_t>(y * stride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return CreateBitmap(image.Width(), image.Height(), 1, 1, rows.data());
}

// A cubic Bezier segment as line points (the start point left out).
void Flatten(POINT a, POINT b, POINT c, POINT d, std::vector<POINT>& out)
{
    constexpr int kSteps = 16;
    for (int i = 1; i <= kSteps; ++i)
    {
        const double t = double(i) / kSteps, u = 1 - t;
        const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
        out.push_back(POINT{RoundHalfUp(w0 * a.x + w1 * b.x + w2 * c.x + w3 * d.x),
                            RoundHalfUp(w0 * a.y + w1 * b.y + w2 * c.y + w3 * d.y)});
    }
}

class Player
{
public:
    Player(HDC hdc, const std::vector<uint8_t>& bytes)
        : hdc_(hdc), bytes_(bytes), header_(HeaderOf(bytes.data()))
    {
        table_.assign(header_.nHandles, nullptr);
    }

    bool Play(const RECT& destination)
    {
        baseDepth_ = SaveDC(hdc_);
        if (!baseDepth_)
            return false;
        baseClip_ = CreateRectRgn(0, 0, 0, 0);
        hasBaseClip_ = GetClipRgn(hdc_, baseClip_) == 1;
        SetUpStretch(destination);
        SetUpShadow();
        ResetState();
        Sync();

        bool ok = shadow_ != nullptr;
        size_t at = U32(bytes_.data() + 4);
        while (ok && at + 8 <= bytes_.size())
        {
            const Record r{bytes_.data() + at, U32(bytes_.data() + at), U32(bytes_.data() + at + 4)};
            if (r.type == EMR_EOF)
                break;
            if (!PlayRecord(r))
                failed_ = true;
            at += r.size; // sizes were checked when the handle was made
        }

        RestoreDC(hdc_, baseDepth_);
        for (HGDIOBJ& h : table_)
            if (h)
                DeleteObject(h);
        DeleteObject(baseClip_);
        if (shadow_)
            DeleteDC(shadow_);
        return ok && !failed_;
    }

private:
    // ---- Set-up

    // Reference device pixels per 0.01 mm along each axis.
    double PerHundredthMm(LONG pixels, LONG millimetres, LONG micrometres) const
    {
        if (header_.nSize >= kHeaderFull && micrometres > 0)
            return pixels / (micrometres / 10.0);
        return pixels / (millimetres * 100.0);
    }

    void SetUpStretch(const RECT& destination)
    {
        const double kx =
            PerHundredthMm(header_.szlDevice.cx, header_.szlMillimeters.cx, header_.szlMicrometers.cx);
        const double ky =
            PerHundredthMm(header_.szlDevice.cy, header_.szlMillimeters.cy, header_.szlMicrometers.cy);
        double left = header_.rclFrame.left * kx, right = header_.rclFrame.right * kx;
        double top = header_.rclFrame.top * ky, bottom = header_.rclFrame.bottom * ky;
        if (std::fabs(right - left) < 0.5 || std::fabs(bottom - top) < 0.5)
        {
            // No frame: the bounds (inclusive) stand for it.
            left = header_.rclBounds.left;
            right = header_.rclBounds.right + 1.0;
            top = header_.rclBounds.top;
            bottom = header_.rclBounds.bottom + 1.0;
        }
        POINT corners[2] = {{destination.left, destination.top}, {destination.right, destination.bottom}};
        LPtoDP(hdc_, corners, 2);
        Axis(left, right, corners[0].x, corners[1].x, sx_, tx_);
        Axis(top, bottom, corners[0].y, corners[1].y, sy_, ty_);
    }

    // Maps [from0, from1) of reference pixels onto [to0, to1) of target pixels. The frame is only
    // known to 0.01 mm: when it rounds to the destination's size, the scale is taken as exactly 1
    // so a picture played at its own size lands on the same pixels.
    static void Axis(double from0, double from1, int to0, int to1, double& scale, double& offset)
    {
        const double span = from1 - from0;
        if (std::fabs(span) < 0.5)
        {
            scale = 1;
            offset = to0 - from0;
            return;
        }
        if (RoundHalfUp(span) == int64_t(to1) - to0)
        {
            scale = 1;
            offset = double(to0) - RoundHalfUp(from0);
            return;
        }
        scale = (double(to1) - to0) / span;
        offset = to0 - from0 * scale;
    }

    void SetUpShadow()
    {
        auto dpi = [this](LONG pixels, LONG millimetres, LONG micrometres)
        { return std::max(1, RoundHalfUp(PerHundredthMm(pixels, millimetres, micrometres) * 2540.0)); };
        // Measures like the reference device and draws nothing.
        const int dpiX = dpi(header_.szlDevice.cx, header_.szlMillimeters.cx, header_.szlMicrometers.cx);
        const int dpiY = dpi(header_.szlDevice.cy, header_.szlMillimeters.cy, header_.szlMicrometers.cy);
        shadow_ = AddDc(std::make_unique<MeasuringDevice>(DT_RASDISPLAY, dpiX, dpiY, header_.szlDevice),
                        nullptr, nullptr, false);
    }

    // A recording starts from a new DC's defaults; so does playing it.
    void ResetState()
    {
        SelectObject(hdc_, GetStockObject(BLACK_PEN));
        SelectObject(hdc_, GetStockObject(WHITE_BRUSH));
        SelectObject(hdc_, GetStockObject(SYSTEM_FONT));
        SetTextColor(hdc_, RGB(0, 0, 0));
        SetBkColor(hdc_, RGB(255, 255, 255));
        SetBkMode(hdc_, OPAQUE);
        SetROP2(hdc_, R2_COPYPEN);
        SetPolyFillMode(hdc_, ALTERNATE);
        SetStretchBltMode(hdc_, BLACKONWHITE);
        SetArcDirection(hdc_, AD_COUNTERCLOCKWISE);
        SetTextAlign(hdc_, TA_TOP | TA_LEFT);
        SetBrushOrgEx(hdc_, 0, 0, nullptr);
        SetMapMode(hdc_, MM_ANISOTROPIC);
    }

    // Gives the target the shadow's mapping followed by the stretch.
    void Sync()
    {
        POINT wo{}, vo{};
        SIZE we{1, 1}, ve{1, 1};
        GetWindowOrgEx(shadow_, &wo);
        GetViewportOrgEx(shadow_, &vo);
        if (GetMapMode(shadow_) != MM_TEXT)
        {
            GetWindowExtEx(shadow_, &we);
            GetViewportExtEx(shadow_, &ve);
        }
        LONG wx, vx, wy, vy;
        Ratio(we.cx, ve.cx * sx_, wx, vx);
        Ratio(we.cy, ve.cy * sy_, wy, vy);
        // A scale this large would carry coordinates and pen widths beyond what can be drawn.
        unmappable_ = std::fabs(double(vx) / wx) > kScale || std::fabs(double(vy) / wy) > kScale;
        if (unmappable_)
            return;
        SetWindowExtEx(hdc_, wx, wy, nullptr);
        SetViewportExtEx(hdc_, vx, vy, nullptr);
        SetWindowOrgEx(hdc_, wo.x, wo.y, nullptr);
        SetViewportOrgEx(hdc_, RoundHalfUp(vo.x * sx_ + tx_), RoundHalfUp(vo.y * sy_ + ty_), nullptr);
    }

    // Integer extents whose ratio is viewport / window: exact when the viewport extent is whole,
    // else both scaled up as far as 32 bits allow.
    static void Ratio(LONG window, double viewport, LONG& outWindow, LONG& outViewport)
    {
        if (viewport == std::floor(viewport) && std::fabs(viewport) < 1e9)
        {
            outWindow = window;
            outViewport = static_cast<LONG>(viewport);
        }
        else
        {
            double k = 65536;
            while (k > 1 && (std::fabs(window * k) > 1e9 || std::fabs(viewport * k) > 1e9))
                k /= 2;
            outWindow = static_cast<LONG>(window * k);
            outViewport = static_cast<LONG>(std::lround(viewport * k));
        }
        if (outViewport == 0)
            outViewport = viewport < 0 ? -1 : 1;
    }

    // ---- Helpers

    HGDIOBJ* Slot(uint32_t index) { return index >= 1 && index < table_.size() ? &table_[index] : nullptr; }

    bool Store(uint32_t index, HGDIOBJ object)
    {
        HGDIOBJ* slot = Slot(index);
        if (!slot || !object)
        {
            if (object)
                DeleteObject(object);
            return false;
        }
        if (*slot)
            DeleteObject(*slot);
        *slot = object;
        return true;
    }

    // Whether logical points are within range, before and after the target's mapping.
    bool Safe(const POINT* points, size_t count) const
    {
        if (unmappable_)
            return false;
        POINT wo{}, vo{};
        SIZE we{1, 1}, ve{1, 1};
        GetWindowOrgEx(hdc_, &wo);
        GetViewportOrgEx(hdc_, &vo);
        GetWindowExtEx(hdc_, &we);
        GetViewportExtEx(hdc_, &ve);
        auto ok = [](double v) { return std::fabs(v) <= kCoordinates; };
        for (size_t i = 0; i < count; ++i)
        {
            const POINT& p = points[i];
            if (!ok(p.x) || !ok(p.y) || !ok((double(p.x) - wo.x) * ve.cx / we.cx + vo.x) ||
                !ok((double(p.y) - wo.y) * ve.cy / we.cy + vo.y))
                return false;
        }
        return true;
    }
    bool Safe(std::initializer_list<POINT> points) const { return Safe(points.begin(), points.size()); }
    // The corners of a logical rectangle given by origin and size (sizes may be anything).
    bool SafeBox(int32_t x, int32_t y, int32_t cx, int32_t cy) const
    {
        const int64_t right = int64_t(x) + cx, bottom = int64_t(y) + cy;
        if (std::abs(right) > int64_t(kCoordinates) || std::abs(bottom) > int64_t(kCoordinates))
            return false;
        return Safe({POINT{x, y}, POINT{static_cast<LONG>(right), static_cast<LONG>(bottom)}});
    }
    // A mapping value the shadow may take.
    static bool Mappable(int32_t a, int32_t b)
    {
        return std::abs(int64_t(a)) <= int64_t(kCoordinates) && std::abs(int64_t(b)) <= int64_t(kCoordinates);
    }
    // ScaleWindowExtEx/ScaleViewportExtEx computed here in 64 bits, then set.
    bool ScaleExtent(bool window, int32_t xn, int32_t xd, int32_t yn, int32_t yd)
    {
        if (xd == 0 || yd == 0)
            return false;
        SIZE e{};
        window ? GetWindowExtEx(shadow_, &e) : GetViewportExtEx(shadow_, &e);
        const int64_t cx = int64_t(e.cx) * xn / xd, cy = int64_t(e.cy) * yn / yd;
        if (!Mappable(static_cast<int32_t>(std::clamp<int64_t>(cx, INT32_MIN, INT32_MAX)),
                      static_cast<int32_t>(std::clamp<int64_t>(cy, INT32_MIN, INT32_MAX))))
            return false;
        return window ? SetWindowExtEx(shadow_, static_cast<int>(cx), static_cast<int>(cy), nullptr)
                      : SetViewportExtEx(shadow_, static_cast<int>(cx), static_cast<int>(cy), nullptr);
    }

    RECT ToTarget(const RECT& r) const
    {
        auto at = [](double v) { return RoundHalfUp(std::clamp(v, -kCoordinates, kCoordinates)); };
        const int l = at(r.left * sx_ + tx_), rr = at(r.right * sx_ + tx_);
        const int t = at(r.top * sy_ + ty_), b = at(r.bottom * sy_ + ty_);
        return RECT{std::min(l, rr), std::min(t, b), std::max(l, rr), std::max(t, b)};
    }

    // A region from RGNDATA at `at` of `length` bytes, stretched into target device units; NULL
    // when the data do not fit.
    HRGN Region(const Record& r, uint64_t at, uint64_t length) const
    {
        if (!r.Holds(at, length) || length < 32 || r.U(at) < 32 || r.U(at) > length ||
            r.U(at + 4) != kRdhRectangles)
            return nullptr;
        const uint32_t count = r.U(at + 8);
        if (uint64_t(count) * 16 > length - r.U(at))
            return nullptr;
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        const uint64_t first = at + r.U(at);
        for (uint32_t i = 0; i < count; ++i)
        {
            const RECT q = ToTarget(r.Rect(first + 16 * i));
            if (IsEmpty(q))
                continue;
            HRGN part = CreateRectRgn(q.left, q.top, q.right, q.bottom);
            CombineRgn(region, region, part, RGN_OR);
            DeleteObject(part);
        }
        return region;
    }

    // The picture's clip never reaches outside the clip the DC had when playing started.
    void KeepWithinBaseClip()
    {
        if (hasBaseClip_)
            ExtSelectClipRgn(hdc_, baseClip_, RGN_AND);
    }

    bool Points(const Record& r, uint64_t at, uint32_t count, bool wide, std::vector<POINT>& out) const
    {
        const uint64_t each = wide ? 8 : 4;
        if (!r.Holds(at, each * count))
            return false;
        out.resize(count);
        for (uint32_t i = 0; i < count; ++i)
        {
            const uint8_t* q = r.p + at + each * i;
            out[i] = wide ? POINT{I32(q), I32(q + 4)}
                          : POINT{static_cast<int16_t>(U16(q)), static_cast<int16_t>(U16(q + 2))};
        }
        return true;
    }

    // A DIB held in the record as an image; null when it is missing or does not fit.
    Pixmap Dib(const Record& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits) const
    {
        if (cbBmi < sizeof(BITMAPINFOHEADER) || !r.Holds(offBmi, cbBmi) || !r.Holds(offBits, cbBits))
            return Pixmap();
        // Sizes a bitmap can have, before the decoder works with them.
        const int32_t width = r.I(offBmi + 4), height = r.I(offBmi + 8);
        if (width <= 0 || width > kSizes || height == 0 || height < -kSizes || height > kSizes)
            return Pixmap();
        // As a BMP file, so the decoder checks the sizes against what is there.
        std::vector<uint8_t> file(14, 0);
        file[0] = 'B';
        file[1] = 'M';
        const uint32_t bitsAt = 14 + cbBmi;
        for (int i = 0; i < 4; ++i)
            file[10 + i] = static_cast<uint8_t>(bitsAt >> (8 * i));
        file.insert(file.end(), r.p + offBmi, r.p + offBmi + cbBmi);
        file.insert(file.end(), r.p + offBits, r.p + offBits + cbBits);
        return PixmapFromBmp(file.data(), file.size());
    }

    // Source pixels onto the target rectangle through a memory DC. ySrc counts from the top.
    bool Blit(const Pixmap& image, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc, int cySrc,
              DWORD rop)
    {
        // Only the part of the source inside the bitmap is drawn.
        RECT source{std::min(xSrc, xSrc + cxSrc), std::min(ySrc, ySrc + cySrc), 0, 0};
        source.right = source.left + std::abs(cxSrc);
        source.bottom = source.top + std::abs(cySrc);
        if (!ClipStretchSource(source, image.Width(), image.Height(), x, y, cx, cy, cxSrc < 0, cySrc < 0))
            return true;
        xSrc = cxSrc < 0 ? source.right : source.left;
        ySrc = cySrc < 0 ? source.bottom : source.top;
        cxSrc = cxSrc < 0 ? source.left - source.right : source.right - source.left;
        cySrc = cySrc < 0 ? source.top - source.bottom : source.bottom - source.top;
        HBITMAP bitmap = BitmapFromPixmap(image);
        HDC memory = CreateCompatibleDC(nullptr);
        bool ok = false;
        if (bitmap && memory)
        {
            HGDIOBJ old = SelectObject(memory, bitmap);
            ok = StretchBlt(hdc_, x, y, cx, cy, memory, xSrc, ySrc, cxSrc, cySrc, rop);
            SelectObject(memory, old);
        }
        if (memory)
            DeleteDC(memory);
        if (bitmap)
            DeleteObject(bitmap);
        return ok;
    }

    bool Text(const Record& r)
    {
        const bool wide = r.type == EMR_EXTTEXTOUTW;
        const int x = r.I(36), y = r.I(40);
        const uint32_t chars = r.U(44), offString = r.U(48), options = r.U(52);
        const bool hasRect = !(options & kEtoNoRect);
        if (hasRect && r.size < 76)
            return false;
        const RECT rect = hasRect ? r.Rect(56) : RECT{};
        const uint32_t offDx = r.U(hasRect ? 72 : 56);
        if (!Safe({{x, y}, {rect.left, rect.top}, {rect.right, rect.bottom}}))
            return false;
        if (!r.Holds(offString, uint64_t(chars) * (wide ? 2 : 1)))
            return false;
        std::string text;
        if (wide)
        {
            std::vector<char16_t> units(chars);
            for (uint32_t i = 0; i < chars; ++i)
                units[i] = U16(r.p + offString + 2 * i);
            text = Cp1252Of(std::u16string_view(units.data(), chars));
        }
        else
            text.assign(reinterpret_cast<const char*>(r.p + offString), chars);
        // ETO_PDY: a vertical advance follows each horizontal one.
        const uint32_t perChar = (options & 0x2000) ? 2 : 1;
        std::vector<INT> dx;
        if (offDx && r.Holds(offDx, uint64_t(chars) * 4 * perChar) && text.size() == chars)
            for (uint32_t i = 0; i < chars; ++i)
            {
                dx.push_back(r.I(offDx + 4 * perChar * i));
                if (std::abs(int64_t(dx.back())) > kSizes)
                    return false;
            }
        return ExtTextOut(hdc_, x, y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr,
                          text.data(), static_cast<UINT>(text.size()), dx.empty() ? nullptr : dx.data());
    }

    bool Font(const Record& r)
    {
        LOGFONT lf{};
        lf.lfHeight = ClampSize(r.I(12));
        lf.lfWidth = ClampSize(r.I(16));
        lf.lfEscapement = r.I(20);
        lf.lfOrientation = r.I(24);
        lf.lfWeight = std::clamp(r.I(28), 0, 1000);
        lf.lfItalic = r.p[32];
        lf.lfUnderline = r.p[33];
        lf.lfStrikeOut = r.p[34];
        lf.lfCharSet = r.p[35];
        lf.lfOutPrecision = r.p[36];
        lf.lfClipPrecision = r.p[37];
        lf.lfQuality = r.p[38];
        lf.lfPitchAndFamily = r.p[39];
        std::vector<char16_t> face;
        for (int i = 0; i < LF_FACESIZE && U16(r.p + 40 + 2 * i); ++i)
            face.push_back(U16(r.p + 40 + 2 * i));
        const std::string name = Cp1252Of(std::u16string_view(face.data(), face.size()));
        std::memcpy(lf.lfFaceName, name.data(), std::min<size_t>(name.size(), LF_FACESIZE - 1));
        return Store(r.U(8), CreateFontIndirect(&lf));
    }

    bool Poly(const Record& r)
    {
        const bool wide = r.type <= EMR_POLYLINETO;
        const uint32_t count = r.U(24);
        std::vector<POINT> pts;
        if (!Points(r, 28, count, wide, pts) || !Safe(pts.data(), pts.size()))
            return false;
        const int n = static_cast<int>(count);
        switch (r.type)
        {
        case EMR_POLYGON:
        case EMR_POLYGON16:
            return Polygon(hdc_, pts.data(), n);
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
            return Polyline(hdc_, pts.data(), n);
        case EMR_POLYLINETO:
        case EMR_POLYLINETO16:
            return PolylineTo(hdc_, pts.data(), count);
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
        {
            if (count < 1 || (count - 1) % 3)
                return false;
            std::vector<POINT> line{pts[0]};
            for (uint32_t i = 1; i + 2 < count; i += 3)
                Flatten(pts[i - 1], pts[i], pts[i + 1], pts[i + 2], line);
            return Polyline(hdc_, line.data(), static_cast<int>(line.size()));
        }
        default: // the Bezier ...TO forms
        {
            if (count % 3)
                return false;
            POINT from{};
            GetCurrentPositionEx(hdc_, &from);
            std::vector<POINT> line;
            for (uint32_t i = 0; i + 2 < count; i += 3)
            {
                Flatten(i ? pts[i - 1] : from, pts[i], pts[i + 1], pts[i + 2], line);
            }
            return line.empty() || PolylineTo(hdc_, line.data(), static_cast<DWORD>(line.size()));
        }
        }
    }

    bool PolyPoly(const Record& r)
    {
        const bool wide = r.type == EMR_POLYPOLYLINE || r.type == EMR_POLYPOLYGON;
        const uint32_t polys = r.U(24), total = r.U(28);
        if (!r.Holds(32, uint64_t(polys) * 4))
            return false;
        std::vector<INT> counts(polys);
        uint64_t sum = 0;
        for (uint32_t i = 0; i < polys; ++i)
        {
            counts[i] = r.I(32 + 4 * i);
            if (counts[i] < 0)
                return false;
            sum += static_cast<uint64_t>(counts[i]);
        }
        std::vector<POINT> pts;
        if (sum != total || !Points(r, 32 + uint64_t(polys) * 4, total, wide, pts) ||
            !Safe(pts.data(), pts.size()))
            return false;
        if (r.type == EMR_POLYPOLYGON || r.type == EMR_POLYPOLYGON16)
            return PolyPolygon(hdc_, pts.data(), counts.data(), static_cast<int>(polys));
        std::vector<DWORD> sizes(counts.begin(), counts.end());
        return PolyPolyline(hdc_, pts.data(), sizes.data(), polys);
    }

    // Arcs, pies and chords: a box and two points on the rays.
    bool Radial(const Record& r)
    {
        const RECT box = r.Rect(8);
        const POINT from{r.I(24), r.I(28)}, to{r.I(32), r.I(36)};
        if (!Safe({{box.left, box.top}, {box.right, box.bottom}, from, to}))
            return false;
        auto* draw = r.type == EMR_ARC     ? &Arc
                     : r.type == EMR_ARCTO ? &ArcTo
                     : r.type == EMR_CHORD ? &Chord
                                           : &Pie;
        return draw(hdc_, box.left, box.top, box.right, box.bottom, from.x, from.y, to.x, to.y);
    }

    bool Shadowed(bool ok)
    {
        Sync();
        return ok;
    }

    // ---- Records

    bool PlayRecord(const Record& r)
    {
        const uint32_t minimum = MinimumSize(r.type);
        if (minimum == 0)
            return true; // comments, palettes, paths, transforms: nothing to draw here
        if (r.size < minimum)
            return false;
        switch (r.type)
        {
        // Mapping: the shadow follows, the target gets the composition.
        case EMR_SETMAPMODE:
            return Shadowed(SetMapMode(shadow_, r.I(8)) != 0);
        case EMR_SETWINDOWEXTEX:
            return Mappable(r.I(8), r.I(12)) && Shadowed(SetWindowExtEx(shadow_, r.I(8), r.I(12), nullptr));
        case EMR_SETWINDOWORGEX:
            return Mappable(r.I(8), r.I(12)) && Shadowed(SetWindowOrgEx(shadow_, r.I(8), r.I(12), nullptr));
        case EMR_SETVIEWPORTEXTEX:
            return Mappable(r.I(8), r.I(12)) && Shadowed(SetViewportExtEx(shadow_, r.I(8), r.I(12), nullptr));
        case EMR_SETVIEWPORTORGEX:
            return Mappable(r.I(8), r.I(12)) && Shadowed(SetViewportOrgEx(shadow_, r.I(8), r.I(12), nullptr));
        case EMR_SCALEVIEWPORTEXTEX:
            return Shadowed(ScaleExtent(false, r.I(8), r.I(12), r.I(16), r.I(20)));
        case EMR_SCALEWINDOWEXTEX:
            return Shadowed(ScaleExtent(true, r.I(8), r.I(12), r.I(16), r.I(20)));
        case EMR_SAVEDC:
            if (!SaveDC(hdc_))
                return false;
            SaveDC(shadow_);
            ++depth_;
            return true;
        case EMR_RESTOREDC:
        {
            // Only relative levels, and never below where playing started.
            const int32_t level = r.I(8);
            if (level >= 0 || -int64_t(level) > depth_)
                return false;
            RestoreDC(hdc_, level);
            RestoreDC(shadow_, level);
            depth_ += level;
            return Shadowed(true);
        }

        // Attributes
        case EMR_SETBKMODE:
            return SetBkMode(hdc_, r.I(8)) != 0;
        case EMR_SETPOLYFILLMODE:
            return SetPolyFillMode(hdc_, r.I(8)) != 0;
        case EMR_SETROP2:
            return SetROP2(hdc_, r.I(8)) != 0;
        case EMR_SETSTRETCHBLTMODE:
            return SetStretchBltMode(hdc_, r.I(8)) != 0;
        case EMR_SETARCDIRECTION:
            return SetArcDirection(hdc_, r.I(8)) != 0;
        case EMR_SETTEXTALIGN:
            return SetTextAlign(hdc_, r.U(8)) != GDI_ERROR;
        case EMR_SETTEXTCOLOR:
            return SetTextColor(hdc_, r.U(8)) != CLR_INVALID;
        case EMR_SETBKCOLOR:
            return SetBkColor(hdc_, r.U(8)) != CLR_INVALID;
        case EMR_SETBRUSHORGEX:
            return Mappable(r.I(8), r.I(12)) && SetBrushOrgEx(hdc_, r.I(8), r.I(12), nullptr);

        // Objects
        case EMR_CREATEPEN:
        {
            const LOGPEN lp{r.U(12), POINT{ClampSize(r.I(16)), 0}, r.U(24)};
            return Store(r.U(8), CreatePenIndirect(&lp));
        }
        case EMR_EXTCREATEPEN:
        {
            const DWORD style = r.U(28), width = std::min<DWORD>(r.U(32), kSizes);
            const LOGBRUSH lb{r.U(36), r.U(40), r.U(44)};
            HPEN pen = ExtCreatePen(style, width, &lb, 0, nullptr);
            if (!pen) // user styles and the like: the nearest plain pen
            {
                const DWORD kind = style & PS_STYLE_MASK;
                pen = CreatePen(kind < PS_USERSTYLE ? static_cast<int>(kind) : PS_SOLID,
                                static_cast<int>(width), lb.lbColor);
            }
            return Store(r.U(8), pen);
        }
        case EMR_CREATEBRUSHINDIRECT:
        {
            const LOGBRUSH lb{r.U(12), r.U(16), r.U(20)};
            return Store(r.U(8), CreateBrushIndirect(&lb));
        }
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT:
        {
            const Pixmap tile = Dib(r, r.U(16), r.U(20), r.U(24), r.U(28));
            // A monochrome pattern stays one, drawn in the text and background colours.
            HBITMAP bitmap = r.type == EMR_CREATEMONOBRUSH ? MonoBitmap(tile) : BitmapFromPixmap(tile);
            if (!bitmap)
                return false;
            HBRUSH brush = CreatePatternBrush(bitmap);
            DeleteObject(bitmap);
            return Store(r.U(8), brush);
        }
        case EMR_EXTCREATEFONTINDIRECTW:
            return Font(r);
        case EMR_SELECTOBJECT:
        {
            const uint32_t index = r.U(8);
            HGDIOBJ object = nullptr;
            if (index & ENHMETA_STOCK_OBJECT)
                object = GetStockObject(static_cast<int>(index & ~ENHMETA_STOCK_OBJECT));
            else if (HGDIOBJ* slot = Slot(index))
                object = *slot;
            return object && SelectObject(hdc_, object);
        }
        case EMR_DELETEOBJECT:
        {
            HGDIOBJ* slot = Slot(r.U(8));
            if (!slot || !*slot)
                return false;
            DeleteObject(*slot);
            *slot = nullptr;
            return true;
        }

        // Clipping
        case EMR_INTERSECTCLIPRECT:
            return Safe({{r.I(8), r.I(12)}, {r.I(16), r.I(20)}}) &&
                   IntersectClipRect(hdc_, r.I(8), r.I(12), r.I(16), r.I(20)) != ERROR;
        case EMR_EXCLUDECLIPRECT:
            return Safe({{r.I(8), r.I(12)}, {r.I(16), r.I(20)}}) &&
                   ExcludeClipRect(hdc_, r.I(8), r.I(12), r.I(16), r.I(20)) != ERROR;
        case EMR_OFFSETCLIPRGN:
        {
            if (!Safe({{0, 0}, {r.I(8), r.I(12)}}))
                return false;
            const bool ok = OffsetClipRgn(hdc_, r.I(8), r.I(12)) != ERROR;
            KeepWithinBaseClip();
            return ok;
        }
        case EMR_EXTSELECTCLIPRGN:
        {
            const uint32_t length = r.U(8);
            const int mode = r.I(12);
            if (length == 0)
            {
                if (mode != RGN_COPY)
                    return false;
                SelectClipRgn(hdc_, nullptr);
                KeepWithinBaseClip();
                return true;
            }
            HRGN region = Region(r, 16, length);
            if (!region)
                return false;
            const bool ok = ExtSelectClipRgn(hdc_, region, mode) != ERROR;
            DeleteObject(region);
            KeepWithinBaseClip();
            return ok;
        }

        // Output
        case EMR_MOVETOEX:
            return Safe({{r.I(8), r.I(12)}}) && MoveToEx(hdc_, r.I(8), r.I(12), nullptr);
        case EMR_LINETO:
            return Safe({{r.I(8), r.I(12)}}) && LineTo(hdc_, r.I(8), r.I(12));
        case EMR_SETPIXELV:
            if (!Safe({{r.I(8), r.I(12)}}))
                return false;
            SetPixel(hdc_, r.I(8), r.I(12), r.U(16));
            return true;
        case EMR_RECTANGLE:
        case EMR_ELLIPSE:
        case EMR_ROUNDRECT:
            if (!Safe({{r.I(8), r.I(12)}, {r.I(16), r.I(20)}}))
                return false;
            if (r.type == EMR_RECTANGLE)
                return Rectangle(hdc_, r.I(8), r.I(12), r.I(16), r.I(20));
            if (r.type == EMR_ELLIPSE)
                return Ellipse(hdc_, r.I(8), r.I(12), r.I(16), r.I(20));
            return RoundRect(hdc_, r.I(8), r.I(12), r.I(16), r.I(20), ClampSize(r.I(24)), ClampSize(r.I(28)));
        case EMR_ARC:
        case EMR_ARCTO:
        case EMR_CHORD:
        case EMR_PIE:
            return Radial(r);
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYLINETO:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIERTO:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYLINETO16:
        case EMR_POLYBEZIER16:
        case EMR_POLYBEZIERTO16:
            return Poly(r);
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON16:
            return PolyPoly(r);
        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW:
            return Text(r);
        case EMR_FILLRGN:
        case EMR_FRAMERGN:
        {
            HGDIOBJ* slot = Slot(r.U(28));
            HGDIOBJ brush = (r.U(28) & ENHMETA_STOCK_OBJECT)
                                ? GetStockObject(static_cast<int>(r.U(28) & ~ENHMETA_STOCK_OBJECT))
                                : (slot ? *slot : nullptr);
            HRGN region = Region(r, r.type == EMR_FILLRGN ? 32 : 40, r.U(24));
            bool ok = brush && region && !unmappable_;
            if (ok)
                ok = r.type == EMR_FILLRGN ? FillRgn(hdc_, region, static_cast<HBRUSH>(brush))
                                           : FrameRgn(hdc_, region, static_cast<HBRUSH>(brush),
                                                      ClampSize(r.I(32)), ClampSize(r.I(36)));
            if (region)
                DeleteObject(region);
            return ok;
        }
        case EMR_PAINTRGN:
        case EMR_INVERTRGN:
        {
            HRGN region = Region(r, 28, r.U(24));
            if (!region)
                return false;
            const bool ok = r.type == EMR_PAINTRGN ? PaintRgn(hdc_, region) : InvertRgn(hdc_, region);
            DeleteObject(region);
            return ok;
        }
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        {
            const int x = r.I(24), y = r.I(28), cx = r.I(32), cy = r.I(36);
            const DWORD rop = r.U(40);
            if (!SafeBox(x, y, cx, cy) || !Mappable(r.I(44), r.I(48)) ||
                (r.type == EMR_STRETCHBLT && !Mappable(r.I(100), r.I(104))))
                return false;
            if (r.U(88) == 0) // no source: a pattern operation
                return PatBlt(hdc_, x, y, cx, cy, rop);
            const Pixmap source = Dib(r, r.U(84), r.U(88), r.U(92), r.U(96));
            if (source.IsNull())
                return false;
            const bool stretch = r.type == EMR_STRETCHBLT;
            return Blit(source, x, y, cx, cy, r.I(44), r.I(48), stretch ? r.I(100) : cx,
                        stretch ? r.I(104) : cy, rop);
        }
        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE:
        {
            const Pixmap source = Dib(r, r.U(48), r.U(52), r.U(56), r.U(60));
            if (source.IsNull())
                return false;
            const int xSrc = r.I(32), ySrc = r.I(36), cxSrc = r.I(40), cySrc = r.I(44);
            const bool stretch = r.type == EMR_STRETCHDIBITS;
            const int cx = stretch ? r.I(72) : cxSrc, cy = stretch ? r.I(76) : cySrc;
            if (!SafeBox(r.I(24), r.I(28), cx, cy) || !Mappable(xSrc, ySrc) || !Mappable(cxSrc, cySrc))
                return false;
            // A bottom-up DIB counts source rows from its bottom.
            const bool bottomUp = r.I(r.U(48) + 8) > 0;
            const int top = bottomUp ? source.Height() - ySrc - cySrc : ySrc;
            return Blit(source, r.I(24), r.I(28), cx, cy, xSrc, top, cxSrc, cySrc,
                        stretch ? r.U(68) : SRCCOPY);
        }
        default:
            return true;
        }
    }

    HDC hdc_;
    const std::vector<uint8_t>& bytes_;
    ENHMETAHEADER header_;
    std::vector<HGDIOBJ> table_;
    HDC shadow_ = nullptr;
    int baseDepth_ = 0;
    int64_t depth_ = 0;
    HRGN baseClip_ = nullptr;
    bool hasBaseClip_ = false;
    bool failed_ = false;
    bool unmappable_ = false; // the mapping is out of range: nothing is drawn until it is not
    double sx_ = 1, sy_ = 1, tx_ = 0, ty_ = 0;
};

} // namespace

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hmf, const RECT* lprect)
{
    const auto bytes = BytesOf(hmf);
    if (!bytes || !lprect)
        return FALSE;
    return Player(hdc, *bytes).Play(*lprect) ? TRUE : FALSE;
}
