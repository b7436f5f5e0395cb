// The drawing API: GDI objects (pens, brushes, fonts, bitmaps, regions), device contexts and the
// output calls, with Windows' values and rules (right and bottom edges of filled shapes are
// exclusive, a LineTo leaves out its end point). Every handle is looked up in a table: a stale or
// foreign handle fails the call instead of touching memory.
#pragma once

#include "win32/types.h"

// ---- Object types (GetObjectType) ------------------------------------------------------------------

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// ---- Stock objects --------------------------------------------------------------------------------

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// ---- Pens ---------------------------------------------------------------------------------------------

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

typedef struct tagLOGPEN
{
    UINT lopnStyle;
    POINT lopnWidth; // only x is used
    COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

// ---- Brushes ------------------------------------------------------------------------------------------

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_INDEXED 4
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define BS_PATTERN8X8 7
#define BS_DIBPATTERN8X8 8

#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

typedef struct tagLOGBRUSH
{
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

// ---- Fonts --------------------------------------------------------------------------------------------

#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255

#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_DEVICE_PRECIS 5
#define OUT_RASTER_PRECIS 6
#define OUT_TT_ONLY_PRECIS 7
#define OUT_OUTLINE_PRECIS 8

#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define CLIP_LH_ANGLES 0x10

#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5

#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50

typedef struct tagLOGFONT
{
    LONG lfHeight; // < 0: character height in pixels; > 0: cell height; 0: default
    LONG lfWidth;
    LONG lfEscapement; // tenths of a degree, counter-clockwise
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
} LOGFONT, LOGFONTA, *PLOGFONT, *LPLOGFONT;

typedef struct tagTEXTMETRIC
{
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRIC, TEXTMETRICA, *PTEXTMETRIC, *LPTEXTMETRIC;

// ---- Bitmaps ------------------------------------------------------------------------------------------

typedef struct tagBITMAP
{
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagRGBQUAD
{
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER
{
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO
{
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

// ---- Raster operations --------------------------------------------------------------------------------

// Binary (SetROP2)
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary (BitBlt, PatBlt)
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// ---- Modes ----------------------------------------------------------------------------------------------

// Background modes
#define TRANSPARENT 1
#define OPAQUE 2

// Polygon fill modes
#define ALTERNATE 1
#define WINDING 2

// Stretch modes
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// Mapping modes
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// Text alignment (SetTextAlign)
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define TA_MASK (TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING)
#define GDI_ERROR 0xFFFFFFFFL

// ExtTextOut options
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// DrawText formats
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

// Region results and combine modes
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// GetDeviceCaps
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_METAFILE 5

// Edges and frame controls (DrawEdge)
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)

#define CLR_INVALID 0xFFFFFFFF

// ---- Objects ------------------------------------------------------------------------------------------

// A pen of style PS_*, width in logical units (0: one pixel) and colour. NULL for a bad style.
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* plpen);
HBRUSH CreateSolidBrush(COLORREF color);
// A hatched brush (HS_*); NULL for a bad hatch style.
HBRUSH CreateHatchBrush(int iHatch, COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
HFONT CreateFontIndirect(const LOGFONT* lplf);
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                 DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);
// A stock object (WHITE_BRUSH ... DEFAULT_GUI_FONT); NULL for an unknown index. Never deleted.
HGDIOBJ GetStockObject(int i);
// Deletes a pen, brush, font, bitmap or region. FALSE for a bad handle or an object selected into a
// DC; TRUE (and nothing happens) for a stock object.
BOOL DeleteObject(HGDIOBJ ho);
// OBJ_* of a handle, 0 when it is not a live object.
DWORD GetObjectType(HGDIOBJ h);
// Copies the object's LOGPEN/LOGBRUSH/LOGFONT into pv (NULL: returns the size needed). 0 on failure.
int GetObject(HGDIOBJ h, int c, LPVOID pv);
#define GetObjectA GetObject
#define CreateFontIndirectA CreateFontIndirect
#define CreateFontA CreateFont

// ---- Device contexts ----------------------------------------------------------------------------------

// Selects a pen, brush or font into the DC and returns the one it replaces; NULL on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// Pushes the DC's state; returns the new depth (>= 1), 0 on failure.
int SaveDC(HDC hdc);
// Pops to depth nSavedDC (< 0: relative to the top).
BOOL RestoreDC(HDC hdc, int nSavedDC);

COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
// TRANSPARENT or OPAQUE; returns the previous mode, 0 on failure.
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
// R2_*; returns the previous mode, 0 on failure.
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);
// TA_*; returns the previous alignment, GDI_ERROR on failure.
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);

// Coordinate mapping: device = (logical - window origin) * viewport extent / window extent + viewport
// origin. MM_TEXT keeps the extents at 1:1.
int SetMapMode(HDC hdc, int iMode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppoint);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppoint);
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
BOOL GetWindowExtEx(HDC hdc, LPSIZE lpsize);
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
BOOL GetViewportExtEx(HDC hdc, LPSIZE lpsize);
BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c);
BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c);

// Device properties (HORZRES, LOGPIXELSX, BITSPIXEL, TECHNOLOGY ...); 0 for an unknown index.
int GetDeviceCaps(HDC hdc, int index);

// ---- Output -------------------------------------------------------------------------------------------

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
// Draws from the current position to (x, y), leaving out the end point, which becomes current.
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* apt, int cpt);
BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
// Outline with the pen, interior with the brush; covers left..right-1, top..bottom-1.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
// Fills left..right-1, top..bottom-1 with a brush or a system colour (COLOR_* + 1). Returns 0 on failure.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
// One-pixel frame inside the rectangle with the brush.
int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
BOOL InvertRect(HDC hDC, const RECT* lprc);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the device.
COLORREF GetPixel(HDC hdc, int x, int y);

// Text at (x, y) placed by the DC's text alignment; c bytes of cp1252.
BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                const INT* lpDx);
// Text formatted in a rectangle (DT_*); cchText -1: NUL-terminated. Returns the height of the text,
// 0 on failure. DT_CALCRECT only measures (and updates lprc).
int DrawText(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
// Width and height of c bytes of text in the selected font (logical units).
BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);
BOOL GetTextExtentPoint(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);
BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC lptm);
int GetTextFace(HDC hdc, int c, LPSTR lpName);
#define TextOutA TextOut
#define ExtTextOutA ExtTextOut
#define DrawTextA DrawText
#define GetTextExtentPoint32A GetTextExtentPoint32
#define GetTextMetricsA GetTextMetrics
#define GetTextFaceA GetTextFace
