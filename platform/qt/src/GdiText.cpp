// Text output and measuring: TextOut/ExtTextOut with alignment and escapement, DrawText's layout
// flags, metrics and the face list.
#include "GdiDrawing.h"
#include "MetaRecorder.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>

#include "win32/codepage.h"

#include <cmath>
#include <cstring>
#include <strings.h>
#include <vector>

using namespace kel::gdi;

// ---- Text

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

// Draws one line of text with its top-left corner at device point `at` (unrotated), background
// first in OPAQUE mode. lpDx: the advance of each character in device pixels (nullptr: the font's).
void DrawTextLine(DeviceContext* dc, Drawing& d, const QFont& font, QPoint at, const QString& text,
                  const std::vector<int>* dx = nullptr)
{
    const QFontMetrics fm(font);
    const int width = dx ? Advance(*dx) : fm.horizontalAdvance(text);
    const QRect box(at.x(), at.y(), width, fm.height());
    QPainter& p = d.Painter();
    if (dc->state.bkMode == OPAQUE)
        p.fillRect(box, ColorOf(dc->state.bkColor));
    p.setFont(font);
    p.setPen(ColorOf(dc->state.textColor));
    if (!dx)
        p.drawText(QPoint(at.x(), at.y() + fm.ascent()), text);
    else
    {
        int x = at.x();
        for (int i = 0; i < text.size() && i < static_cast<int>(dx->size()); ++i)
        {
            p.drawText(QPoint(x, at.y() + fm.ascent()), QString(text[i]));
            x = Saturate(int64_t(x) + (*dx)[static_cast<size_t>(i)]);
        }
    }
    d.Touch(box);
}

int Escapement(const DeviceContext* dc)
{
    auto* font = static_cast<FontObject*>(LookupObject(dc->state.font, OBJ_FONT));
    return font ? static_cast<int>(font->log.lfEscapement % 3600) : 0;
}

BOOL TextAt(DeviceContext* dc, int x, int y, const QString& text, const RECT* opaque, const RECT* clip,
            const INT* lpDx)
{
    DcState& s = dc->state;
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    std::vector<int> dx;
    if (lpDx)
        for (int i = 0; i < text.size(); ++i)
            dx.push_back(s.WidthToDevice(lpDx[i]));
    const int width = lpDx ? Advance(dx) : fm.horizontalAdvance(text);
    const bool updateCp = (s.textAlign & TA_UPDATECP) != 0;
    const QPoint ref = updateCp ? s.ToDevice(s.current.x, s.current.y) : s.ToDevice(x, y);
    // The text box relative to the reference point, in the text's own (unrotated) direction.
    QPoint offset(0, 0);
    switch (s.textAlign & TA_CENTER)
    {
    case TA_RIGHT:
        offset.rx() -= width;
        break;
    case TA_CENTER:
        offset.rx() -= width / 2;
        break;
    default:
        break;
    }
    switch (s.textAlign & TA_BASELINE)
    {
    case TA_BASELINE:
        offset.ry() -= fm.ascent();
        break;
    case TA_BOTTOM:
        offset.ry() -= fm.height();
        break;
    default:
        break;
    }
    const int escapement = Escapement(dc);
    const double radians = escapement * M_PI / 1800.0;
    if (updateCp)
    {
        // The current position moves past the text (left-aligned), stays (centred) or moves back (right).
        const int dir =
            (s.textAlign & TA_CENTER) == TA_RIGHT ? -1 : ((s.textAlign & TA_CENTER) == TA_CENTER ? 0 : 1);
        const QPoint next(ref.x() + static_cast<int>(std::lround(dir * width * std::cos(radians))),
                          ref.y() - static_cast<int>(std::lround(dir * width * std::sin(radians))));
        const QPoint logical = s.ToLogical(next.x(), next.y());
        s.current = POINT{logical.x(), logical.y()};
    }
    Drawing d(dc, false);
    if (!d.Active())
        return TRUE;
    if (opaque)
    {
        const QRect r = DeviceRect(s, opaque->left, opaque->top, opaque->right, opaque->bottom);
        d.Painter().fillRect(r, ColorOf(s.bkColor));
        d.Touch(r);
    }
    if (clip)
        d.ClipTo(DeviceRect(s, clip->left, clip->top, clip->right, clip->bottom));
    if (escapement == 0)
    {
        DrawTextLine(dc, d, font, ref + offset, text, lpDx ? &dx : nullptr);
        return TRUE;
    }
    // Escapement turns the text counter-clockwise about the reference point.
    QPainter& p = d.Painter();
    const QTransform saved = p.transform();
    p.translate(ref);
    p.rotate(-escapement / 10.0);
    DrawTextLine(dc, d, font, offset, text, lpDx ? &dx : nullptr);
    p.setTransform(saved);
    const int reach = width + fm.height();
    d.Touch(QRect(ref.x() - reach, ref.y() - reach, 2 * reach, 2 * reach));
    return TRUE;
}

// DrawText on a recording DC: each line as a text output at its place, top-left aligned.
void RecordLines(DeviceContext* dc, MetaRecorder& r, const RECT& rect, const QRect& box,
                 const QStringList& lines, int top, int lineHeight, UINT format)
{
    const QFontMetrics fm(CurrentFont(dc));
    const UINT align = dc->state.textAlign;
    if (align != (TA_TOP | TA_LEFT))
        r.SetTextAlign(TA_TOP | TA_LEFT);
    int y = top;
    for (const QString& line : lines)
    {
        const int w = fm.horizontalAdvance(line);
        int x = box.left();
        if (format & DT_CENTER)
            x = box.left() + (box.width() - w) / 2;
        else if (format & DT_RIGHT)
            x = box.left() + box.width() - w;
        const QPoint at = dc->state.ToLogical(x, y);
        const std::string bytes = kel::Utf8ToCp1252(line.toStdString());
        r.ExtTextOut(at.x(), at.y(), (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, &rect, bytes.data(),
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
    return TextAt(dc, x, y, ToQString(lpString, c), nullptr, nullptr, nullptr);
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
    return TextAt(dc, x, y, ToQString(lpString, static_cast<int>(c)), opaque, clip, lpDx);
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
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    const int lineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? fm.leading() : 0);
    const QRect box = DeviceRect(dc->state, lprc->left, lprc->top, lprc->right, lprc->bottom);

    // Lines: one with DT_SINGLELINE, else split at line breaks and, with DT_WORDBREAK, wrapped.
    QStringList lines;
    QString all = QString::fromStdString(kel::Cp1252ToUtf8(text));
    if (format & DT_EXPANDTABS)
        all.replace(QLatin1Char('\t'), QStringLiteral("        "));
    if (format & DT_SINGLELINE)
        lines << all;
    else
    {
        all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        for (const QString& paragraph : all.split(QLatin1Char('\n')))
        {
            if (!(format & DT_WORDBREAK))
            {
                lines << paragraph;
                continue;
            }
            QString line;
            for (const QString& word : paragraph.split(QLatin1Char(' ')))
            {
                const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
                if (!line.isEmpty() && fm.horizontalAdvance(candidate) > box.width())
                {
                    lines << line;
                    line = word;
                }
                else
                    line = candidate;
            }
            lines << line;
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (QString& line : lines)
            line = fm.elidedText(line, Qt::ElideRight, box.width());

    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    const int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT)
    {
        const QPoint size = dc->state.ToLogical(box.left() + widest, box.top() + height);
        lprc->right = size.x();
        lprc->bottom = size.y();
        return height;
    }

    int top = box.top();
    if (format & DT_SINGLELINE)
    {
        if (format & DT_VCENTER)
            top = box.top() + (box.height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = box.top() + box.height() - lineHeight;
    }
    if (auto* r = RecorderOf(dc))
        RecordLines(dc, *r, *lprc, box, lines, top, lineHeight, format);
    Drawing d(dc, false);
    if (d.Active())
    {
        if (!(format & DT_NOCLIP))
            d.ClipTo(box);
        int y = top;
        for (const QString& line : lines)
        {
            const int w = fm.horizontalAdvance(line);
            int x = box.left();
            if (format & DT_CENTER)
                x = box.left() + (box.width() - w) / 2;
            else if (format & DT_RIGHT)
                x = box.left() + box.width() - w;
            DrawTextLine(dc, d, font, QPoint(x, y), line);
            y += lineHeight;
        }
    }
    return top - box.top() + height;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    KEL_DC(hdc, FALSE);
    if (!psizl || c < 0 || (c > 0 && !lpString))
        return FALSE;
    const QFontMetrics fm(CurrentFont(dc));
    const QPoint origin = dc->state.ToLogical(0, 0);
    const QPoint extent = dc->state.ToLogical(fm.horizontalAdvance(ToQString(lpString, c)), fm.height());
    psizl->cx = std::abs(extent.x() - origin.x());
    psizl->cy = std::abs(extent.y() - origin.y());
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
    const QFont font = CurrentFont(dc);
    const QFontMetrics fm(font);
    LOGFONT lf{};
    if (auto* f = static_cast<FontObject*>(LookupObject(dc->state.font, OBJ_FONT)))
        lf = f->log;
    *lptm = TEXTMETRIC{};
    lptm->tmHeight = fm.height();
    lptm->tmAscent = fm.ascent();
    lptm->tmDescent = fm.descent();
    lptm->tmInternalLeading = std::max(0, fm.height() - font.pixelSize());
    lptm->tmExternalLeading = std::max(0, fm.leading());
    lptm->tmAveCharWidth = fm.averageCharWidth();
    lptm->tmMaxCharWidth = fm.maxWidth();
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
    const bool fixed = QFontInfo(font).fixedPitch();
    lptm->tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : 1) | 0x04 | (lf.lfPitchAndFamily & 0xF0));
    lptm->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

int GetTextFace(HDC hdc, int c, LPSTR lpName)
{
    KEL_DC(hdc, 0);
    const std::string face = kel::Utf8ToCp1252(CurrentFont(dc).family().toStdString());
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
    const QFontMetrics fm(CurrentFont(dc));
    for (UINT c = iFirst; c <= iLast; ++c)
    {
        const char ch = static_cast<char>(c);
        const int device = fm.horizontalAdvance(ToQString(&ch, 1));
        lpBuffer[c - iFirst] = std::abs(dc->state.ToLogical(device, 0).x() - dc->state.ToLogical(0, 0).x());
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
    {
        KEL_DC(hdc, 0);
    }
    int result = 1;
    for (const QString& family : QFontDatabase::families())
    {
        const std::string name = kel::Utf8ToCp1252(family.toStdString());
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
        const bool fixed = QFontDatabase::isFixedPitch(family);
        lf.lfPitchAndFamily =
            static_cast<BYTE>((fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS));
        std::strncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
        std::strncpy(elf.elfFullName, name.c_str(), LF_FULLFACESIZE - 1);
        std::strncpy(elf.elfStyle, "Regular", LF_FACESIZE - 1);
        std::strncpy(elf.elfScript, "Western", LF_FACESIZE - 1);
        NEWTEXTMETRIC tm{};
        const QFontMetrics fm(FontFromLog(lf));
        tm.tmHeight = fm.height();
        tm.tmAscent = fm.ascent();
        tm.tmDescent = fm.descent();
        tm.tmAveCharWidth = fm.averageCharWidth();
        tm.tmMaxCharWidth = fm.maxWidth();
        tm.tmWeight = FW_NORMAL;
        tm.tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : 1) | 0x04 | (lf.lfPitchAndFamily & 0xF0));
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
