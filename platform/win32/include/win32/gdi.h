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
// tmPitchAndFamily bits besides the family.
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

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
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_TOPRIGHT (BF_TOP | BF_RIGHT)
#define BF_BOTTOMLEFT (BF_BOTTOM | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_DIAGONAL 0x0010
#define BF_DIAGONAL_ENDTOPRIGHT (BF_DIAGONAL | BF_TOP | BF_RIGHT)
#define BF_DIAGONAL_ENDTOPLEFT (BF_DIAGONAL | BF_TOP | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMLEFT (BF_DIAGONAL | BF_BOTTOM | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMRIGHT (BF_DIAGONAL | BF_BOTTOM | BF_RIGHT)
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

// DrawState
#define DST_COMPLEX 0x0000
#define DST_TEXT 0x0001
#define DST_PREFIXTEXT 0x0002
#define DST_ICON 0x0003
#define DST_BITMAP 0x0004
#define DSS_NORMAL 0x0000
#define DSS_UNION 0x0010
#define DSS_DISABLED 0x0020
#define DSS_MONO 0x0080
#define DSS_RIGHT 0x8000

// DrawIconEx
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_DEFAULTSIZE 0x0008

// Arc direction
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2

// RASTERCAPS bits
#define RC_BITBLT 0x0001
#define RC_BANDING 0x0002
#define RC_SCALING 0x0004
#define RC_BITMAP64 0x0008
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

// Font enumeration
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004

#define CLR_INVALID 0xFFFFFFFF

typedef struct tagPALETTEENTRY
{
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *PPALETTEENTRY, *LPPALETTEENTRY;

typedef struct tagLOGPALETTE
{
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE, *PLOGPALETTE, *LPLOGPALETTE;

typedef struct tagBITMAPFILEHEADER
{
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} __attribute__((packed)) BITMAPFILEHEADER, *PBITMAPFILEHEADER, *LPBITMAPFILEHEADER;

typedef struct tagNEWTEXTMETRIC
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
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
} NEWTEXTMETRIC, *LPNEWTEXTMETRIC;

typedef struct tagENUMLOGFONTEX
{
    LOGFONT elfLogFont;
    CHAR elfFullName[LF_FULLFACESIZE];
    CHAR elfStyle[LF_FACESIZE];
    CHAR elfScript[LF_FACESIZE];
} ENUMLOGFONTEX, *LPENUMLOGFONTEX;

typedef struct tagENUMLOGFONT
{
    LOGFONT elfLogFont;
    CHAR elfFullName[LF_FULLFACESIZE];
    CHAR elfStyle[LF_FACESIZE];
} ENUMLOGFONT, *LPENUMLOGFONT;

// Called once per face; returning 0 stops the enumeration.
typedef int(CALLBACK* FONTENUMPROC)(const LOGFONT*, const TEXTMETRIC*, DWORD, LPARAM);
typedef BOOL(CALLBACK* DRAWSTATEPROC)(HDC, LPARAM, WPARAM, int, int);

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
// Deletes a pen, brush, font, bitmap, region or palette. FALSE for a bad handle or a bitmap selected
// into a memory DC; a selected pen, brush, font or palette is freed when the last DC deselects it
// (TRUE). A stock object is never deleted (TRUE).
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
// origin. MM_TEXT keeps the extents at 1:1. Any int input is safe: device coordinates saturate at
// +-2^27, origins, extents and logical results at the int range; pen widths and font heights at
// 16384 device pixels.
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
#define GetCharWidth32A GetCharWidth32
#define GetCharWidthA GetCharWidth32
#define GetCharWidth GetCharWidth32
#define EnumFontsA EnumFonts
#define EnumFontFamiliesA EnumFontFamilies
#define EnumFontFamiliesExA EnumFontFamiliesEx
#define CreateDCA CreateDC
#define CreateICA CreateIC
#define DrawStateA DrawState
#define LoadBitmapA LoadBitmap

// Advance widths of the characters first..last (cp1252 codes) in logical units; FALSE on failure.
BOOL GetCharWidth32(HDC hdc, UINT iFirst, UINT iLast, LPINT lpBuffer);
// Calls the procedure once per installed face (lpFaceName NULL) or for the named face only.
// Returns the procedure's last value, or 1 when it was not called.
int EnumFonts(HDC hdc, LPCSTR lpFaceName, FONTENUMPROC lpProc, LPARAM lParam);
int EnumFontFamilies(HDC hdc, LPCSTR lpszFamily, FONTENUMPROC lpProc, LPARAM lParam);
// lpLogfont->lfFaceName empty: every face; lParam passed through; dwFlags must be 0.
int EnumFontFamiliesEx(HDC hdc, LPLOGFONT lpLogfont, FONTENUMPROC lpProc, LPARAM lParam, DWORD dwFlags);

// ---- More device contexts --------------------------------------------------------------------------------

// A memory DC like hdc (NULL: like the screen) with a 1x1 monochrome bitmap selected; NULL on failure.
HDC CreateCompatibleDC(HDC hdc);
// "DISPLAY" (or NULL driver and device) makes a screen DC; other names make a printer DC for the
// printer of that device name. NULL for an unknown printer.
HDC CreateDC(LPCSTR pwszDriver, LPCSTR pwszDevice, LPCSTR pszPort, const void* pdm);
// An information DC: measures and reports device caps, draws nothing.
HDC CreateIC(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszPort, const void* pdm);
// Deletes a DC made by CreateCompatibleDC/CreateDC/CreateIC; the objects it had selected are freed
// from it (not deleted). FALSE for a bad handle.
BOOL DeleteDC(HDC hdc);

BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
// Multiplies the extents by num/denom (x and y separately); in the scaling modes only.
BOOL ScaleViewportExtEx(HDC hdc, int xn, int dx, int yn, int yd, LPSIZE lpsz);
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, LPSIZE lpsz);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
int SetArcDirection(HDC hdc, int dir);
int GetArcDirection(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt);

// ---- Bitmaps
// --------------------------------------------------------------------------------------------------

// Bitmaps: NULL with ERROR_INVALID_PARAMETER for sizes <= 0, ERROR_NOT_ENOUGH_MEMORY beyond 16384
// pixels a side or 2^28 in all.
// A bitmap of the DC's format (colour); NULL for sizes <= 0 or too large.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// A bitmap of nPlanes*nBitCount bits per pixel (1: monochrome, else kept as colour), optionally
// initialised from word-aligned rows of lpBits. NULL (ERROR_INVALID_PARAMETER) beyond 32 bits.
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
HBITMAP CreateBitmapIndirect(const BITMAP* pbm);
// A 32-bit top-down DIB section the caller can write through *ppvBits (BGRX rows); 24/8/4/1-bit
// and bottom-up requests get the same 32-bit top-down layout, reported as such by GetObject.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD offset);
// A bitmap resource (the resource holds BMP file bytes); NULL when missing or unreadable.
HBITMAP LoadBitmap(HINSTANCE hInstance, LPCSTR lpBitmapName);
// Copies up to cb bytes of the bitmap's rows (bmWidthBytes each, top-down); bytes copied, 0 on failure.
LONG GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits);
LONG SetBitmapBits(HBITMAP hbm, DWORD cb, const void* pvBits);
// Reads rows [start, start+cLines) of a DIB (bottom-up unless biHeight < 0; 1/4/8/24/32 bits, BI_RGB)
// into the bitmap. Lines set, 0 on failure.
int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
              UINT ColorUse);
// Writes rows as a 24- or 32-bit DIB (lpvBits NULL: fills in the header only). Lines copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT usage);
// Draws a DIB scaled into the destination rectangle. Lines drawn, 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                  int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                  DWORD rop);
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                      UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse);

// ---- Brushes and pens from bitmaps
// ---------------------------------------------------------------------------

// A brush tiling the bitmap (copied: the bitmap may be deleted afterwards).
HBRUSH CreatePatternBrush(HBITMAP hbm);
// Cosmetic or geometric pens: style, end caps and joins; user styles and bitmaps are not supported.
HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle);

// ---- Regions
// --------------------------------------------------------------------------------------------------

// Regions are in device units (saturated at +-2^27); right and bottom edges are exclusive.
HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
HRGN CreateRectRgnIndirect(const RECT* lprect);
// NULL (ERROR_NOT_ENOUGH_MEMORY) for an ellipse wider or taller than 16384.
HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2);
HRGN CreateEllipticRgnIndirect(const RECT* lprect);
HRGN CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);
// iMode ALTERNATE or WINDING; NULL for fewer than 3 points.
HRGN CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode);
HRGN CreatePolyPolygonRgn(const POINT* pptl, const INT* pc, int cPoly, int iMode);
// hrgnDst = hrgnSrc1 op hrgnSrc2 (RGN_AND/OR/XOR/DIFF/COPY); returns NULLREGION, SIMPLEREGION,
// COMPLEXREGION or ERROR.
int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN hrgn, int x, int y);
BOOL RectInRegion(HRGN hrgn, const RECT* lprect);
BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2);
int GetRgnBox(HRGN hrgn, LPRECT lprc);
int OffsetRgn(HRGN hrgn, int x, int y);
BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr);
BOOL FrameRgn(HDC hdc, HRGN hrgn, HBRUSH hbr, int w, int h);
BOOL PaintRgn(HDC hdc, HRGN hrgn);
BOOL InvertRgn(HDC hdc, HRGN hrgn);

// ---- Clipping
// -------------------------------------------------------------------------------------------------

// Selects a copy of the region (device units) as the clip; NULL removes the clip. Returns the
// region's complexity, ERROR on failure.
int SelectClipRgn(HDC hdc, HRGN hrgn);
int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC hdc, int x, int y);
// The bounding box of what can be drawn, in logical units.
int GetClipBox(HDC hdc, LPRECT lprect);
// Copies the selected clip region into hrgn: 1 when there is one, 0 when none, -1 on failure.
int GetClipRgn(HDC hdc, HRGN hrgn);
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, const RECT* lprect);

// ---- Palettes (true colour: kept for the calls, no effect on colours)
// ----------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* plpal);
HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd);
UINT RealizePalette(HDC hdc);
UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries);
UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries);
COLORREF GetNearestColor(HDC hdc, COLORREF color);

// ---- More output
// ----------------------------------------------------------------------------------------------

// Point counts must match the buffers; FALSE for counts below a figure's minimum or more than 2^24
// points in all.
BOOL PolylineTo(HDC hdc, const POINT* apt, DWORD cpt);
BOOL PolyPolyline(HDC hdc, const POINT* apt, const DWORD* asz, DWORD csz);
BOOL PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
// Arcs run counter-clockwise (SetArcDirection) from the ray to (xs, ys) to the ray to (xe, ye).
BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
BOOL ArcTo(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
BOOL Chord(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
// Raised/sunken/etched/bump edges with the 3-D system colours; BF_ADJUST shrinks *qrc by the edge.
BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags);
// A dotted XOR frame: drawing it twice restores the pixels.
BOOL DrawFocusRect(HDC hDC, const RECT* lprc);
// Text, bitmaps or icons in the normal or disabled (embossed) look. cx, cy 0: natural size.
BOOL DrawState(HDC hdc, HBRUSH hbrFore, DRAWSTATEPROC qfnCallBack, LPARAM lData, WPARAM wData, int x, int y,
               int cx, int cy, UINT uFlags);
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                HBRUSH hbrFlickerFreeDraw, UINT diFlags);
typedef struct _ICONINFO
{
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;
// The icon's or cursor's pictures as two new bitmaps the caller deletes: hbmColor (32 bits, the
// colours over black) and hbmMask (monochrome, white where transparent). An icon's hot spot is its
// centre. FALSE for a handle without a picture.
BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo);
// Fills with the selected brush combined by the raster op (PATCOPY, PATINVERT, DSTINVERT, BLACKNESS,
// WHITENESS).
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// Copies pixels between DCs combined by a raster op (SRCCOPY ... WHITENESS); the source is needed
// only by ops that use it and must have pixels. FALSE for bad DCs, a source without pixels or a
// source rectangle beyond 2^28 pixels; a huge destination is cut to the device.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                int wSrc, int hSrc, DWORD rop);
// Makes sure drawing so far is in the pixels (bitmap bits read directly); always TRUE.
BOOL GdiFlush();

// ---- Windows metafiles
// ----------------------------------------------------------------------------------------

// A DC recording a Windows metafile (16-bit coordinates: larger ones are clamped). pszFile NULL
// records in memory; a path is written by CloseMetaFile. NULL when the path does not fit.
HDC CreateMetaFile(LPCSTR pszFile);
// Ends the recording, writes the file when one was named and deletes the DC. NULL for a DC that
// does not record a Windows metafile, or when the file cannot be written.
HMETAFILE CloseMetaFile(HDC hdc);
// Reads a metafile file (a placeable header in front is skipped); NULL when it is missing,
// truncated or not a valid metafile.
HMETAFILE GetMetaFile(LPCSTR lpName);
// A copy in memory (lpFileName NULL) or written to the file; NULL on failure.
HMETAFILE CopyMetaFile(HMETAFILE hmf, LPCSTR lpFileName);
BOOL DeleteMetaFile(HMETAFILE hmf);
// Copies the metafile's bytes into lpData (NULL: returns the size). Bytes copied, 0 for a bad
// handle or when cbBuffer is too small.
UINT GetMetaFileBitsEx(HMETAFILE hMF, UINT cbBuffer, LPVOID lpData);
// A metafile from its bytes (copied); NULL when they are not a valid metafile.
HMETAFILE SetMetaFileBitsEx(UINT cbBuffer, const BYTE* lpData);
// Plays the records into hdc in its current mapping; the DC's objects, modes, mapping and clip
// are left as they were and the metafile's objects are deleted. FALSE for bad handles.
BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf);
#define CreateMetaFileA CreateMetaFile
#define GetMetaFileA GetMetaFile
#define CopyMetaFileA CopyMetaFile

namespace kel
{

// The 22-byte header in front of a placeable metafile: its picture's bounds in metafile units and
// how many of those units make an inch.
struct PlaceableWmf
{
    SHORT left, top, right, bottom;
    WORD inch;
};
inline constexpr DWORD kPlaceableWmfKey = 0x9AC6CDD7;
// The header's bytes (key, bounds, units per inch, checksum), little-endian.
void MakePlaceableWmfHeader(const PlaceableWmf& box, BYTE header[22]);
// The XOR of the header's first ten 16-bit words.
WORD PlaceableWmfChecksum(const BYTE* header);
// Reads a header; false when size < 22 or the key or checksum is wrong.
bool ReadPlaceableWmfHeader(const void* data, size_t size, PlaceableWmf& box);

} // namespace kel

// ---- Enhanced metafiles
// ---------------------------------------------------------------------------------------

typedef RECT RECTL, *PRECTL, *LPRECTL;
typedef SIZE SIZEL, *PSIZEL, *LPSIZEL;
typedef POINT POINTL, *PPOINTL, *LPPOINTL;

#define ENHMETA_SIGNATURE 0x464D4520
#define ENHMETA_STOCK_OBJECT 0x80000000

// The first record of an enhanced metafile. Bounds are in device units of the reference device,
// the frame in 0.01 mm; sizes of the reference device in pixels and millimetres.
typedef struct tagENHMETAHEADER
{
    DWORD iType; // EMR_HEADER (1)
    DWORD nSize; // bytes of this record
    RECTL rclBounds;
    RECTL rclFrame;
    DWORD dSignature; // ENHMETA_SIGNATURE
    DWORD nVersion;
    DWORD nBytes;   // the whole metafile
    DWORD nRecords; // header and EOF included
    WORD nHandles;  // object table entries, index 0 included
    WORD sReserved;
    DWORD nDescription;   // WCHARs of the description, 0 when there is none
    DWORD offDescription; // from the start of the record
    DWORD nPalEntries;
    SIZEL szlDevice;
    SIZEL szlMillimeters;
    DWORD cbPixelFormat;
    DWORD offPixelFormat;
    DWORD bOpenGL;
    SIZEL szlMicrometers;
} ENHMETAHEADER, *PENHMETAHEADER, *LPENHMETAHEADER;

// A DC recording into an enhanced metafile. hdcRef (NULL: the screen) gives the device units;
// lprc is the picture's frame in 0.01 mm (NULL: computed from what is drawn); lpFilename (NULL:
// in memory) is written by CloseEnhMetaFile. NULL when the file name does not fit.
HDC CreateEnhMetaFile(HDC hdcRef, LPCSTR lpFilename, const RECT* lprc, LPCSTR lpDesc);
// Ends the recording, writes the file when one was named and deletes the DC. NULL for a bad DC or
// when the file cannot be written.
HENHMETAFILE CloseEnhMetaFile(HDC hdc);
// Reads an enhanced metafile file; NULL when it is missing or not a valid metafile.
HENHMETAFILE GetEnhMetaFile(LPCSTR lpName);
// A metafile from its bytes (copied); NULL when they are not a valid metafile.
HENHMETAFILE SetEnhMetaFileBits(UINT nSize, const BYTE* pb);
// Copies the metafile's bytes into lpData (NULL: returns the size). Bytes copied, 0 on failure or
// when nSize is too small.
UINT GetEnhMetaFileBits(HENHMETAFILE hEMF, UINT nSize, LPBYTE lpData);
// A copy in memory (lpFileName NULL) or written to the file; NULL on failure.
HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE hEnh, LPCSTR lpFileName);
BOOL DeleteEnhMetaFile(HENHMETAFILE hmf);
// Copies up to nSize bytes of the header record (lpEnhMetaHeader NULL: returns its size). Bytes
// copied, 0 for a bad handle.
UINT GetEnhMetaFileHeader(HENHMETAFILE hemf, UINT nSize, LPENHMETAHEADER lpEnhMetaHeader);
// Plays the records into hdc with the frame stretched onto lprect (logical units of hdc). The DC's
// objects, modes, mapping and clip are left as they were. FALSE for bad handles or a record that
// could not be played (the others still are).
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hmf, const RECT* lprect);
#define CreateEnhMetaFileA CreateEnhMetaFile
#define GetEnhMetaFileA GetEnhMetaFile
#define CopyEnhMetaFileA CopyEnhMetaFile
