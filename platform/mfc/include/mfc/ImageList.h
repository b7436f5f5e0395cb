// CImageList: a list of same-sized images (icons or bitmaps) behind an HIMAGELIST handle. Handles
// are checked against the table of live lists, so a stale or foreign value is refused, not used.
#pragma once

#include "mfc/Object.h"
#include "win32/user.h"

#ifndef KEL_HIMAGELIST_DECLARED
#define KEL_HIMAGELIST_DECLARED
struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;
#endif

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020
#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_MASK 0x00000010
#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

class CImageList : public CObject
{
    DECLARE_DYNCREATE(CImageList)
public:
    CImageList() = default;
    ~CImageList() override;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;

    // The object attached to hImageList, else a temporary one; NULL for NULL or an unknown handle.
    static CImageList* FromHandle(HIMAGELIST hImageList);
    static void DeleteTempMap();
    BOOL Attach(HIMAGELIST hImageList);
    HIMAGELIST Detach();
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    // An empty list of cx x cy images (nFlags ILC_*); nInitial and nGrow are capacity hints.
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // A list cut from bitmap resource nBitmapID into images cx wide; crMask is the transparent colour.
    // FALSE until the drawing classes can load bitmaps.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    BOOL DeleteImageList();

    int GetImageCount() const;
    // Each returns the new image's index, -1 on failure.
    int Add(HICON hIcon);
    int Add(HBITMAP hbmImage, HBITMAP hbmMask);
    int Add(HBITMAP hbmImage, COLORREF crMask);
    template <class B, class = decltype(&B::GetSafeHandle)> int Add(B* pbmImage, COLORREF crMask)
    {
        return Add(static_cast<HBITMAP>(pbmImage->GetSafeHandle()), crMask);
    }
    template <class B, class = decltype(&B::GetSafeHandle)> int Add(B* pbmImage, B* pbmMask)
    {
        return Add(static_cast<HBITMAP>(pbmImage->GetSafeHandle()),
                   pbmMask ? static_cast<HBITMAP>(pbmMask->GetSafeHandle()) : nullptr);
    }
    // Replaces image nImage (-1 with an icon: adds it). Returns the index, -1 on failure.
    int Replace(int nImage, HICON hIcon);
    BOOL Replace(int nImage, HBITMAP hbmImage, HBITMAP hbmMask);
    // Removes image nImage (-1: all).
    BOOL Remove(int nImage);
    COLORREF SetBkColor(COLORREF cr);
    COLORREF GetBkColor() const;
    BOOL GetIconSize(int* cx, int* cy) const;
    // Drawing needs the drawing classes; until a DC can take images this draws nothing and
    // returns FALSE.
    BOOL Draw(HDC hDC, int nImage, POINT pt, UINT nStyle);
};
