#include "gdi_metafile_support.h"

#include "testkit/Canvas.h"
#include "testkit/TempDir.h"
#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace metafiles
{

// A picture using what charts use: anisotropic mapping, pens, a hatched polygon, shapes, rotated
// text, a clip, saved states and a bitmap.
void DrawPicture(HDC dc)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, -50, -40, nullptr);
    SetWindowExtEx(dc, 1000, 800, nullptr);
    SetViewportExtEx(dc, kW, kH, nullptr);

    HPEN red = CreatePen(PS_SOLID, 10, RGB(200, 0, 0));
    HPEN dashed = CreatePen(PS_DASH, 0, RGB(0, 0, 160));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 128, 0));
    HBRUSH blue = CreateSolidBrush(RGB(40, 40, 220));
    LOGFONT lf{};
    lf.lfHeight = -14;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirect(&lf);
    lf.lfEscapement = 900;
    HFONT upwards = CreateFontIndirect(&lf);

    HGDIOBJ oldPen = SelectObject(dc, red);
    MoveToEx(dc, -40, -30, nullptr);
    LineTo(dc, 900, 700);
    const POINT zigzag[] = {{0, 700}, {100, 600}, {200, 700}, {300, 600}, {400, 700}};
    Polyline(dc, zigzag, 5);

    SelectObject(dc, dashed);
    SetBkColor(dc, RGB(255, 255, 200));
    HGDIOBJ oldBrush = SelectObject(dc, hatch);
    const POINT triangle[] = {{500, 50}, {900, 100}, {650, 450}};
    Polygon(dc, triangle, 3);

    SaveDC(dc);
    SelectObject(dc, blue);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, 50, 50, 300, 250);
    IntersectClipRect(dc, 0, 300, 450, 560);
    Ellipse(dc, 100, 280, 500, 620); // cut by the clip
    RestoreDC(dc, -1);

    // After the restore: the hatch and the dashed pen again, no clip.
    RoundRect(dc, 550, 500, 850, 650, 80, 60);
    Pie(dc, 700, 250, 900, 450, 900, 350, 800, 250);
    const RECT band{-40, 720, 400, 750};
    FillRect(dc, &band, blue);

    SelectObject(dc, font);
    SetTextColor(dc, RGB(128, 0, 128));
    SetBkMode(dc, TRANSPARENT);
    TextOut(dc, 350, 20, "Mass 44", 7);
    SelectObject(dc, upwards);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    TextOut(dc, 20, 650, "Pressure", 8);

    // A 4x2 bitmap stretched over a block.
    const uint32_t bits[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00000000,
                             0x00FFFF00, 0x0000FFFF, 0x00FF00FF, 0x00808080};
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 4;
    bmi.bmiHeader.biHeight = -2;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    StretchDIBits(dc, 600, 720, 200, 60, 0, 0, 4, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    for (HGDIOBJ o :
         {HGDIOBJ(red), HGDIOBJ(dashed), HGDIOBJ(hatch), HGDIOBJ(blue), HGDIOBJ(font), HGDIOBJ(upwards)})
        DeleteObject(o);
}

// The rest of what charts use, in plain pixels: blits, raster ops, region clips, frames, pixels,
// arcs and chords, spaced and opaque text, winding polygons.
void DrawMore(HDC dc)
{
    HDC source = CreateCompatibleDC(dc);
    HBITMAP tile = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ oldTile = SelectObject(source, tile);
    PatBlt(source, 0, 0, 8, 8, BLACKNESS);
    const RECT spot{2, 2, 6, 6};
    HBRUSH orange = CreateSolidBrush(RGB(255, 140, 0));
    FillRect(source, &spot, orange);
    BitBlt(dc, 4, 4, 8, 8, source, 0, 0, SRCCOPY);
    StretchBlt(dc, 16, 4, 32, 16, source, 0, 0, 8, 8, SRCCOPY);
    SelectObject(source, oldTile);
    // The disabled look has transparent parts.
    DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(tile), 0, 180, 40, 18, 18,
              DST_BITMAP | DSS_DISABLED);
    DeleteObject(tile);
    DeleteDC(source);

    HGDIOBJ oldBrush = SelectObject(dc, orange);
    PatBlt(dc, 60, 4, 30, 20, PATCOPY);
    PatBlt(dc, 70, 10, 30, 20, PATINVERT);
    const RECT frame{110, 4, 150, 30};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (int i = 0; i < 20; ++i)
        SetPixel(dc, 160 + i, 10 + i / 2, RGB(0, 0, 255));

    HPEN thick = CreatePen(PS_SOLID, 3, RGB(0, 90, 0));
    HGDIOBJ oldPen = SelectObject(dc, thick);
    Arc(dc, 4, 40, 64, 90, 64, 65, 4, 40);
    Chord(dc, 70, 40, 130, 90, 130, 40, 70, 90);
    SetPolyFillMode(dc, WINDING);
    const POINT star[] = {{150, 40}, {170, 90}, {130, 58}, {190, 58},
                          {150, 90}, {180, 40}, {160, 65}, {175, 80}};
    const INT counts[] = {5, 3};
    PolyPolygon(dc, star, counts, 2);

    SetROP2(dc, R2_XORPEN);
    MoveToEx(dc, 0, 100, nullptr);
    LineTo(dc, 200, 100);
    SetROP2(dc, R2_COPYPEN);

    HRGN clip = CreateRectRgn(20, 105, 90, 150);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
    Ellipse(dc, 0, 95, 120, 160);
    SelectClipRgn(dc, nullptr);
    RoundRect(dc, 100, 110, 130, 150, 10, 10);

    HRGN blob = CreateEllipticRgn(4, 92, 40, 112);
    HRGN bar = CreateRectRgn(30, 120, 80, 130);
    CombineRgn(blob, blob, bar, RGN_OR);
    FillRgn(dc, blob, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    FrameRgn(dc, blob, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 2, 1);
    InvertRgn(dc, bar);
    DeleteObject(blob);
    DeleteObject(bar);

    SetBkColor(dc, RGB(220, 220, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    const RECT box{135, 110, 198, 130};
    const INT spacing[] = {9, 9, 9, 9};
    ExtTextOut(dc, 138, 112, ETO_OPAQUE | ETO_CLIPPED, &box, "Scan", 4, spacing);
    RECT lines{135, 132, 198, 158};
    DrawText(dc, "Torr\nmbar", -1, &lines, DT_RIGHT);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(thick);
    DeleteObject(orange);
}

HMETAFILE RecordWmf(void (*draw)(HDC))
{
    HDC meta = CreateMetaFile(nullptr);
    EXPECT_NE(meta, nullptr);
    draw(meta);
    return CloseMetaFile(meta);
}

Bytes BitsOf(HMETAFILE hmf)
{
    Bytes bytes(GetMetaFileBitsEx(hmf, 0, nullptr));
    EXPECT_EQ(GetMetaFileBitsEx(hmf, static_cast<UINT>(bytes.size()), bytes.data()), bytes.size());
    return bytes;
}

HENHMETAFILE RecordEmf(const std::function<void(HDC)>& draw, const RECT* frame, LPCSTR path,
                       LPCSTR description)
{
    kel::testkit::Canvas reference(1, 1);
    HDC dc = CreateEnhMetaFile(reference.Dc(), path, frame, description);
    EXPECT_NE(dc, nullptr);
    draw(dc);
    return CloseEnhMetaFile(dc);
}

Bytes BytesOf(HENHMETAFILE emf)
{
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    return bytes;
}

RECT Frame(int w, int h)
{
    return RECT{0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96};
}

std::string TempPath(const std::string& name)
{
    // One folder of this process's own, removed when the tests end.
    static const kel::testkit::TempDir folder("kel-metafile-");
    return (folder / name).string();
}

uint32_t Get32(const Bytes& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    std::memcpy(&b[at], &v, 4);
}

Bytes Handmade(const std::vector<Bytes>& records, uint16_t handles)
{
    Bytes b(108, 0);
    Put32(b, 0, 1);
    Put32(b, 4, 108);
    Put32(b, 24 + 8, 1000); // frame right
    Put32(b, 24 + 12, 1000);
    Put32(b, 40, 0x464D4520);
    Put32(b, 44, 0x10000);
    b[56] = static_cast<uint8_t>(handles);
    Put32(b, 72, 1000);
    Put32(b, 76, 1000);
    Put32(b, 80, 250);
    Put32(b, 84, 250);
    for (const Bytes& r : records)
        b.insert(b.end(), r.begin(), r.end());
    const Bytes eof = {14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0};
    b.insert(b.end(), eof.begin(), eof.end());
    Put32(b, 48, static_cast<uint32_t>(b.size()));
    Put32(b, 52, static_cast<uint32_t>(records.size() + 2));
    return b;
}

Bytes Rec(uint32_t type, std::vector<uint32_t> fields)
{
    Bytes r(8 + 4 * fields.size());
    Put32(r, 0, type);
    Put32(r, 4, static_cast<uint32_t>(r.size()));
    for (size_t i = 0; i < fields.size(); ++i)
        Put32(r, 8 + 4 * i, fields[i]);
    return r;
}

} // namespace metafiles
