// Image lists: numbered images of one size, drawn into DCs and shown by list views.
#pragma once

#include "win32/types.h"

struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;

#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLORDDB 0x00FE
#define ILC_COLOR4 0x0004
#define ILC_COLOR8 0x0008
#define ILC_COLOR16 0x0010
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020

#define ILD_NORMAL 0x0000
#define ILD_TRANSPARENT 0x0001
#define ILD_MASK 0x0010
#define ILD_BLEND25 0x0002
#define ILD_BLEND50 0x0004
#define ILD_SELECTED ILD_BLEND50
#define ILD_FOCUS ILD_BLEND25

// A list of cx x cy images; cInitial/cGrow are hints. NULL on failure (sizes <= 0).
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
// Frees the list; FALSE for a bad handle.
BOOL ImageList_Destroy(HIMAGELIST himl);
// Appends the images a bitmap holds side by side (cx wide each); the mask marks transparent pixels.
// Returns the index of the first new image, -1 on failure.
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
// As ImageList_Add, pixels of crMask become transparent.
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
// Replaces image i (>= 0) with the first image of a bitmap; FALSE for a bad handle, bitmap or index.
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP hbmImage, HBITMAP hbmMask);
// Replaces image i with an icon (i == -1: appends). Returns the image's index, -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);
#define ImageList_AddIcon(himl, hicon) ImageList_ReplaceIcon(himl, -1, hicon)
// Removes image i (-1: all). FALSE for a bad handle or index.
BOOL ImageList_Remove(HIMAGELIST himl, int i);
#define ImageList_RemoveAll(himl) ImageList_Remove(himl, -1)
// Number of images, 0 for a bad handle.
int ImageList_GetImageCount(HIMAGELIST himl);
// Size of the images; FALSE for a bad handle.
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Draws image i at (x, y) of the DC; ILD_* style. FALSE for a bad handle, index or DC.
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);
// Background drawn under transparent pixels (CLR_NONE: none); returns the previous one.
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
