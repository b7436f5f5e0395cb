// CImageList: a list of same-sized images (icons or bitmaps) behind an HIMAGELIST handle of the
// drawing side's image lists, so list views show what it holds. Handles are checked against the live
// lists, so a stale or foreign value is refused, not used.
#pragma once

#include "mfc/Object.h"
#include "win32/user.h"

#include "win32/imagelist.h"

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
    // Draws image nImage at pt of the DC (ILD_* style); FALSE for a bad list, index or DC.
    BOOL Draw(HDC hDC, int nImage, POINT pt, UINT nStyle);
};
