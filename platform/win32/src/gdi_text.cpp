// Text output and measuring: TextOut/ExtTextOut with alignment and escapement, DrawText's layout
// flags, metrics and the face list. Fonts are measured by the backend (DeviceFactory); placing and
// laying out lines happens here, once, for drawing and for metafile bounds alike.
#include "gdi_internal.h"
#include "gdi_metarecorder.h"

#include "win32/codepage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <strings.h>

namespace kel::gdi
{

namespace
{

// The sum of character advances, saturated like device coordinates.
int Advance(const std::vector<int>& dx)
{
    int64_t sum = 0;
    for (int a : dx)
        sum += a;
    return Saturate(sum);
}

} // namespace

std::u16string Utf16Of(std::string_view cp1252)
{
    std::u16string out(cp1252.size(), u'\0');
    for (size_t i = 0; i < cp1252.size(); ++i)
        out[i] = static_cast<char16_t>(kel::Cp1252ToCodePoint(static_cast<unsigned char>(cp1252[i])));
    return out;
}

std::string Cp1252Of(std::u16string_view utf16)
{
    std::string out;
    for (size_t i = 0; i < utf16.size(); ++i)
    {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        const int byte = kel::CodePointToCp1252(c);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

const Font& DeviceFontOf(const DcState& s)
{
    const Font& selected = FontOf(s.font);
    if (s.mapMode == MM_TEXT)
        return selected;
    LOGFONT mapped = selected.log;
    const int height = s.HeightToDevice(std::abs(mapped.lfHeight));
    mapped.lfHeight = mapped.lfHeight < 0 ? -std::max(1, height) : (mapped.lfHeight > 0 ? std::max(1, height) : 0);
    mapped.lfWidth = mapped.lfWidth ? std::max(1, s.WidthToDevice(std::abs(mapped.lfWidth))) : 0;
    if (std::memcmp(&mapped, &selected.log, sizeof mapped) == 0)
        return selected;
    // A few mapped fonts per thread keep their realization between calls.
    thread_local std::deque<std::unique_ptr<Font>> recent;
    for (const auto& font : recent)
        if (std::memcmp(&font->log, &mapped, sizeof mapped) == 0)
            return *font;
    if (recent.size() >= 16)
        recent.pop_front();
    recent.push_back(std::make_unique<Font>());
    recent.back()->log = mapped;
    return *recent.back();
}

TextPlacement PlaceText(const DcState& s, int x, int y, std::string_view text, const INT* lpDx, bool measure)
{
    const Font& font = DeviceFontOf(s);
    DeviceFactory& factory = GetDeviceFactory();
    const FontMetrics metrics = factory.Metrics(font);
    TextPlacement t;
    t.text = Utf16Of(text);
    if (lpDx)
        for (size_t i = 0; i < t.text.size(); ++i)
            t.advances.push_back(s.WidthToDevice(lpDx[i]));
    t.width = lpDx ? Advance(t.advances) : (measure ? factory.TextWidth(font, t.text) : 0);
    t.height = metrics.height;
    // Glyphs may reach past their advance: two pixels for any face, and a whole wide glyph set on a
    // narrower advance by the caller.
    t.overhang = 2;
    if (lpDx && measure && !t.text.empty())
        t.overhang +=
            std::max(0, factory.TextWidth(font, t.text.substr(t.text.size() - 1)) - t.advances.back());
    t.ascent = metrics.ascent;
    t.pivot = (s.textAlign & TA_UPDATECP) ? s.ToDevice(s.current.x, s.current.y) : s.ToDevice(x, y);
    // The text box relative to the reference point, in the text's own (unrotated) direction.
    switch (s.textAlign & TA_CENTER)
    {
    case TA_RIGHT:
        t.offset.x = -t.width;
        break;
    case TA_CENTER:
        t.offset.x = -t.width / 2;
        break;
    default:
        break;
    }
    switch (s.textAlign & TA_BASELINE)
    {
    case TA_BASELINE:
        t.offset.y = -t.ascent;
        break;
    case TA_BOTTOM:
        t.offset.y = -t.height;
        break;
    default:
        break;
    }
    t.escapement = static_cast<int>(font.log.lfEscapement % 3600);
    return t;
}

RECT TextPlacement::Box() const
{
    const int64_t left = int64_t(pivot.x) + offset.x, top = int64_t(pivot.y) + offset.y;
    const int64_t reach = int64_t(width) + overhang;
    if (escapement == 0)
        return RECT{Saturate(left), Saturate(top), Saturate(left + reach), Saturate(top + height)};
    // The box's corners turned counter-clockwise (on the screen) about the pivot.
    const double radians = escapement * M_PI / 1800.0, c = std::cos(radians), s = std::sin(radians);
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool first = true;
    for (double dx : {double(offset.x), double(offset.x) + double(reach)})
        for (double dy : {double(offset.y), double(offset.y) + height})
        {
            const double x = dx * c + dy * s, y = dy * c - dx * s;
            minX = first ? x : std::min(minX, x);
            maxX = first ? x : std::max(maxX, x);
            minY = first ? y : std::min(minY, y);
            maxY = first ? y : std::max(maxY, y);
            first = false;
        }
    auto at = [](double v) { return Saturate(static_cast<int64_t>(std::clamp(v, -1e12, 1e12))); };
    return RECT{at(pivot.x + std::floor(minX)), at(pivot.y + std::floor(minY)), at(pivot.x + std::ceil(maxX)),
                at(pivot.y + std::ceil(maxY))};
}

} // namespace kel::gdi

using namespace kel::gdi;

namespace
{

TextRun RunOf(const TextPlacement& t, const DeviceContext* dc, const RECT* clipTo)
{
    TextRun run;
    run.font = &dc->CurrentFont();
    run.text = t.text;
    run.pivot = t.pivot;
    run.offset = t.offset;
    run.escapement = t.escapement;
    run.advances = t.advances.empty() ? nullptr : t.advances.data();
    run.width = t.width;
    run.height = t.height;
    run.ascent = t.ascent;
    run.opaque = dc->state.bkMode == OPAQUE;
    run.clipTo = clipTo;
    return run;
}

BOOL TextAt(DeviceContext* dc, int x, int y, std::string_view text, const RECT* opaque, const RECT* clip,
            const INT* lpDx)
{
    DcState& s = dc->state;
    const bool measure =
        (s.textAlign & (TA_UPDATECP | TA_CENTER)) || s.bkMode == OPAQUE || dc->ShowsTouched();
    const TextPlacement t = PlaceText(s, x, y, text, lpDx, measure);
    if (s.textAlign & TA_UPDATECP)
    {
        // The current position moves past the text (left-aligned), stays (centred) or moves back (right).
        const int dir =
            (s.textAlign & TA_CENTER) == TA_RIGHT ? -1 : ((s.textAlign & TA_CENTER) == TA_CENTER ? 0 : 1);
        const double radians = t.escapement * M_PI / 1800.0;
        const POINT next{t.pivot.x + static_cast<int>(std::lround(dir * t.width * std::cos(radians))),
                         t.pivot.y - static_cast<int>(std::lround(dir * t.width * std::sin(radians)))};
        s.current = s.ToLogical(next.x, next.y);
    }
    Drawing d(dc, false);
    if (!d.Active())
        return TRUE;
    if (opaque)
    {
        const RECT r = DeviceRect(s, opaque->left, opaque->top, opaque->right, opaque->bottom);
        DeviceBrush background;
        background.kind = DeviceBrush::Kind::Solid;
        background.color = s.bkColor;
        d.Dev().FillRect(d.Context(), r, background);
        d.Touch(r);
    }
    const RECT clipRect = clip ? DeviceRect(s, clip->left, clip->top, clip->right, clip->bottom) : RECT{};
    d.Dev().Text(d.Context(), RunOf(t, dc, clip ? &clipRect : nullptr));
    d.Touch(t.Box());
    return TRUE;
}

// DrawText's lines: one with DT_SINGLELINE, else split at line breaks and, with DT_WORDBREAK,
// wrapped to the box's width.
std::vector<std::u16string> LinesOf(const Font& font, std::u16string all, UINT format, int width)
{
    DeviceFactory& factory = GetDeviceFactory();
    auto split = [](const std::u16string& s, char16_t at)
    {
        std::vector<std::u16string> parts(1);
        for (char16_t c : s)
            if (c == at)
                parts.emplace_back();
            else
                parts.back().push_back(c);
        return parts;
    };
    if (format & DT_EXPANDTABS)
    {
        std::u16string expanded;
        for (char16_t c : all)
            expanded += c == u'\t' ? std::u16string(8, u' ') : std::u16string(1, c);
        all = std::move(expanded);
    }
    std::vector<std::u16string> lines;
    if (format & DT_SINGLELINE)
        lines.push_back(all);
    else
    {
        // "\r\n" ends a line as "\n" does.
        std::u16string joined;
        for (size_t i = 0; i < all.size(); ++i)
            if (!(all[i] == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n'))
                joined.push_back(all[i]);
        for (const std::u16string& paragraph : split(joined, u'\n'))
        {
            if (!(format & DT_WORDBREAK))
            {
                lines.push_back(paragraph);
                continue;
            }
            std::u16string line;
            for (const std::u16string& word : split(paragraph, u' '))
            {
                const std::u16string candidate = line.empty() ? word : line + u' ' + word;
                if (!line.empty() && factory.TextWidth(font, candidate) > width)
                {
                    lines.push_back(line);
                    line = word;
                }
                else
                    line = candidate;
            }
            lines.push_back(line);
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (std::u16string& line : lines)
            line = factory.ElideRight(font, line, width);
    return lines;
}

// Where a DrawText line starts in the box.
int LineLeft(const RECT& box, int lineWidth, UINT format)
{
    if (format & DT_CENTER)
        return box.left + (box.right - box.left - lineWidth) / 2;
    if (format & DT_RIGHT)
        return box.right - lineWidth;
    return box.left;
}

// DrawText on a recording DC: each line as a text output at its place, top-left aligned.
void RecordLines(DeviceContext* dc, MetaRecorder& r, const RECT& rect, const RECT& box,
                 const std::vector<std::u16string>& lines, int top, int lineHeight, UINT format)
{
    const UINT align = dc->state.textAlign;
    if (align != (TA_TOP | TA_LEFT))
        r.SetTextAlign(TA_TOP | TA_LEFT);
    int y = top;
    for (const std::u16string& line : lines)
    {
        const int x = LineLeft(box, GetDeviceFactory().TextWidth(dc->CurrentFont(), line), format);
        const POINT at = dc->state.ToLogical(x, y);
        const std::string bytes = Cp1252Of(line);
        r.ExtTextOut(at.x, at.y, (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, &rect, bytes.data(),
                     static_cast<UINT>(bytes.size()), nullptr);
        y += lineHeight;
    }
    if (align != (TA_TOP | TA_LEFT))
        r.SetTextAlign(align);
}

} // namespace

BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    KEL_DC(hdc, FALSE);
    if (c < 0 || (c > 0 && !lpString))
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->TextOut(x, y, lpString, c);
    return TextAt(dc, x, y, std::string_view(lpString ? lpString : "", static_cast<size_t>(c)), nullptr,
                  nullptr, nullptr);
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                const INT* lpDx)
{
    KEL_DC(hdc, FALSE);
    if (c > 0 && !lpString)
        return FALSE;
    if (auto* r = RecorderOf(dc))
        r->ExtTextOut(x, y, options, lprect, lpString, c, lpDx);
    const RECT* opaque = (options & ETO_OPAQUE) ? lprect : nullptr;
    const RECT* clip = (options & ETO_CLIPPED) ? lprect : nullptr;
    return TextAt(dc, x, y, std::string_view(lpString ? lpString : "", c), opaque, clip, lpDx);
}

int DrawText(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    KEL_DC(hdc, 0);
    if (!lprc || (!lpchText && cchText != 0))
        return 0;
    const int length = cchText < 0 ? static_cast<int>(std::strlen(lpchText)) : cchText;
    std::string text(lpchText ? lpchText : "", static_cast<size_t>(length));
    if (!(format & DT_NOPREFIX))
    {
        // "&&" is an ampersand, a single '&' marks the mnemonic and is not shown.
        std::string shown;
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '&' && i + 1 < text.size())
                ++i;
            else if (text[i] == '&')
                continue;
            shown += text[i];
        }
        text = std::move(shown);
    }
    const Font& font = dc->CurrentFont();
    DeviceFactory& factory = GetDeviceFactory();
    const FontMetrics metrics = factory.Metrics(font);
    const int lineHeight = metrics.height + ((format & DT_EXTERNALLEADING) ? metrics.leading : 0);
    const RECT box = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);
    const std::vector<std::u16string> lines = LinesOf(font, Utf16Of(text), format, box.right - box.left);

    int widest = 0;
    for (const std::u16string& line : lines)
        widest = std::max(widest, factory.TextWidth(font, line));
    const int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT)
    {
        const POINT size = dc->state.ToLogical(box.left + widest, box.top + height);
        lprc->right = size.x;
        lprc->bottom = size.y;
        return height;
    }

    int top = box.top;
    if (format & DT_SINGLELINE)
    {
        if (format & DT_VCENTER)
            top = box.top + (box.bottom - box.top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = box.bottom - lineHeight;
    }
    if (auto* r = RecorderOf(dc))
        RecordLines(dc, *r, *lprc, box, lines, top, lineHeight, format);
    Drawing d(dc, false);
    if (d.Active())
    {
        int y = top;
        for (const std::u16string& line : lines)
        {
            TextPlacement t;
            t.text = line;
            t.width = factory.TextWidth(font, line);
            t.height = metrics.height;
            t.ascent = metrics.ascent;
            t.pivot = POINT{LineLeft(box, t.width, format), y};
            d.Dev().Text(d.Context(), RunOf(t, dc, (format & DT_NOCLIP) ? nullptr : &box));
            d.Touch(t.Box());
            y += lineHeight;
        }
    }
    return top - box.top + height;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    KEL_DC(hdc, FALSE);
    if (!psizl || c < 0 || (c > 0 && !lpString))
        return FALSE;
    const Font& font = dc->CurrentFont();
    const int width = GetDeviceFactory().TextWidth(
        font, Utf16Of(std::string_view(lpString ? lpString : "", static_cast<size_t>(c))));
    const POINT origin = dc->state.ToLogical(0, 0);
    const POINT extent = dc->state.ToLogical(width, GetDeviceFactory().Metrics(font).height);
    psizl->cx = std::abs(extent.x - origin.x);
    psizl->cy = std::abs(extent.y - origin.y);
    return TRUE;
}

BOOL GetTextExtentPoint(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    return GetTextExtentPoint32(hdc, lpString, c, psizl);
}

BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC lptm)
{
    KEL_DC(hdc, FALSE);
    if (!lptm)
        return FALSE;
    const Font& font = dc->CurrentFont();
    const FontMetrics m = GetDeviceFactory().Metrics(font);
    const LOGFONT& lf = font.log;
    *lptm = TEXTMETRIC{};
    // Metrics are logical units, as the font's height was.
    const POINT origin = dc->state.ToLogical(0, 0);
    auto across = [&](int w) { return std::abs(dc->state.ToLogical(w, 0).x - origin.x); };
    auto up = [&](int h) { return std::abs(dc->state.ToLogical(0, h).y - origin.y); };
    lptm->tmHeight = up(m.height);
    lptm->tmAscent = up(m.ascent);
    lptm->tmDescent = up(m.descent);
    lptm->tmInternalLeading = up(std::max(0, m.height - m.pixelSize));
    lptm->tmExternalLeading = up(std::max(0, m.leading));
    lptm->tmAveCharWidth = across(m.averageCharWidth);
    lptm->tmMaxCharWidth = across(m.maxCharWidth);
    lptm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    lptm->tmDigitizedAspectX = 96;
    lptm->tmDigitizedAspectY = 96;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = '?';
    lptm->tmBreakChar = ' ';
    lptm->tmItalic = lf.lfItalic;
    lptm->tmUnderlined = lf.lfUnderline;
    lptm->tmStruckOut = lf.lfStrikeOut;
    // The low bit set means variable pitch (the name says the opposite); 0x04: an outline font.
    lptm->tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? 0 : 1) | 0x04 | (lf.lfPitchAndFamily & 0xF0));
    lptm->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

int GetTextFace(HDC hdc, int c, LPSTR lpName)
{
    KEL_DC(hdc, 0);
    const std::string face = FamilyOf(dc->CurrentFont().log);
    if (!lpName)
        return static_cast<int>(face.size()) + 1;
    if (c <= 0)
        return 0;
    const size_t n = std::min(face.size(), static_cast<size_t>(c - 1));
    std::memcpy(lpName, face.data(), n);
    lpName[n] = '\0';
    return static_cast<int>(n);
}

BOOL GetCharWidth32(HDC hdc, UINT iFirst, UINT iLast, LPINT lpBuffer)
{
    KEL_DC(hdc, FALSE);
    if (!lpBuffer || iLast < iFirst || iLast > 0xFF)
        return FALSE;
    const Font& font = dc->CurrentFont();
    for (UINT c = iFirst; c <= iLast; ++c)
    {
        const char ch = static_cast<char>(c);
        const int device = GetDeviceFactory().TextWidth(font, Utf16Of(std::string_view(&ch, 1)));
        lpBuffer[c - iFirst] = std::abs(dc->state.ToLogical(device, 0).x - dc->state.ToLogical(0, 0).x);
    }
    return TRUE;
}

namespace
{

// Calls the procedure for each face matching `face` (empty: all faces) with its LOGFONT and metrics.
int EnumFaces(HDC hdc, const std::string& face, FONTENUMPROC proc, LPARAM lParam)
{
    if (!proc)
        return 0;
    std::vector<FaceInfo> faces;
    {
        KEL_DC(hdc, 0);
        faces = GetDeviceFactory().Faces();
    }
    // The Windows faces that text is drawn in through their metric-compatible stand-ins are listed
    // under their own names too, with their families, so a program that looks for them finds them.
    struct Alias
    {
        const char* name;
        const char* standIn;
        BYTE family;
    };
    static const Alias aliases[] = {{"Arial", "Liberation Sans", FF_SWISS},
                                    {"Times New Roman", "Liberation Serif", FF_ROMAN},
                                    {"Courier New", "Liberation Mono", FF_MODERN}};
    std::vector<BYTE> families(faces.size(), 0);
    for (const Alias& alias : aliases)
    {
        bool present = false, standIn = false, fixed = false;
        for (const FaceInfo& info : faces)
        {
            present = present || strcasecmp(info.name.c_str(), alias.name) == 0;
            if (strcasecmp(info.name.c_str(), alias.standIn) == 0)
            {
                standIn = true;
                fixed = info.fixedPitch;
            }
        }
        if (standIn && !present)
        {
            faces.push_back(FaceInfo{alias.name, fixed});
            families.push_back(alias.family);
        }
    }
    int result = 1;
    for (size_t index = 0; index < faces.size(); ++index)
    {
        const FaceInfo& info = faces[index];
        const std::string& name = info.name;
        if (name.empty() || name.size() >= LF_FACESIZE ||
            (!face.empty() && strcasecmp(name.c_str(), face.c_str()) != 0))
            continue;
        ENUMLOGFONTEX elf{};
        LOGFONT& lf = elf.elfLogFont;
        lf.lfHeight = -13;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = ANSI_CHARSET;
        lf.lfOutPrecision = OUT_STROKE_PRECIS;
        lf.lfClipPrecision = CLIP_STROKE_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        const BYTE family = families[index] ? families[index] : (info.fixedPitch ? FF_MODERN : FF_SWISS);
        lf.lfPitchAndFamily = static_cast<BYTE>((info.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) | family);
        std::strncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
        std::strncpy(elf.elfFullName, name.c_str(), LF_FULLFACESIZE - 1);
        std::strncpy(elf.elfStyle, "Regular", LF_FACESIZE - 1);
        std::strncpy(elf.elfScript, "Western", LF_FACESIZE - 1);
        NEWTEXTMETRIC tm{};
        FontMetrics m;
        {
            std::lock_guard lock(TableLock());
            Font font;
            font.log = lf;
            m = GetDeviceFactory().Metrics(font);
        }
        tm.tmHeight = m.height;
        tm.tmAscent = m.ascent;
        tm.tmDescent = m.descent;
        tm.tmAveCharWidth = m.averageCharWidth;
        tm.tmMaxCharWidth = m.maxCharWidth;
        tm.tmWeight = FW_NORMAL;
        tm.tmPitchAndFamily =
            static_cast<BYTE>((info.fixedPitch ? 0 : 1) | 0x04 | (lf.lfPitchAndFamily & 0xF0));
        tm.tmCharSet = ANSI_CHARSET;
        tm.tmFirstChar = 0x20;
        tm.tmLastChar = 0xFF;
        tm.tmDefaultChar = '?';
        tm.tmBreakChar = ' ';
        tm.ntmSizeEM = 2048;
        result = proc(&lf, reinterpret_cast<const TEXTMETRIC*>(&tm), TRUETYPE_FONTTYPE, lParam);
        if (result == 0)
            break;
    }
    return result;
}

} // namespace

int EnumFonts(HDC hdc, LPCSTR lpFaceName, FONTENUMPROC lpProc, LPARAM lParam)
{
    return EnumFaces(hdc, lpFaceName ? lpFaceName : "", lpProc, lParam);
}

int EnumFontFamilies(HDC hdc, LPCSTR lpszFamily, FONTENUMPROC lpProc, LPARAM lParam)
{
    return EnumFaces(hdc, lpszFamily ? lpszFamily : "", lpProc, lParam);
}

int EnumFontFamiliesEx(HDC hdc, LPLOGFONT lpLogfont, FONTENUMPROC lpProc, LPARAM lParam, DWORD)
{
    if (!lpLogfont)
        return 0;
    return EnumFaces(hdc, std::string(lpLogfont->lfFaceName, strnlen(lpLogfont->lfFaceName, LF_FACESIZE)),
                     lpProc, lParam);
}
