#include "mfc/ImageList.h"

#include <memory>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CImageList, CObject)

namespace
{

bool IsLive(HIMAGELIST h)
{
    int cx = 0, cy = 0;
    return h != nullptr && ImageList_GetIconSize(h, &cx, &cy);
}

thread_local std::unordered_map<HIMAGELIST, CImageList*> t_permanent;
thread_local std::unordered_map<HIMAGELIST, std::unique_ptr<CImageList>> t_temporary;

} // namespace

CImageList::~CImageList()
{
    DeleteImageList();
}

CImageList* CImageList::FromHandle(HIMAGELIST hImageList)
{
    if (!IsLive(hImageList))
        return nullptr;
    if (auto it = t_permanent.find(hImageList); it != t_permanent.end())
        return it->second;
    auto& temp = t_temporary[hImageList];
    if (!temp)
    {
        temp = std::make_unique<CImageList>();
        temp->m_hImageList = hImageList;
    }
    return temp.get();
}

void CImageList::DeleteTempMap()
{
    for (auto& [h, p] : t_temporary)
        p->m_hImageList = nullptr;
    t_temporary.clear();
}

BOOL CImageList::Attach(HIMAGELIST hImageList)
{
    if (m_hImageList != nullptr || !IsLive(hImageList))
        return FALSE;
    m_hImageList = hImageList;
    t_permanent[hImageList] = this;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST h = m_hImageList;
    if (auto it = t_permanent.find(h); it != t_permanent.end() && it->second == this)
        t_permanent.erase(it);
    m_hImageList = nullptr;
    return h;
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    if (m_hImageList != nullptr)
        return FALSE;
    HIMAGELIST h = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return h != nullptr && Attach(h);
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask)
{
    // Bitmap resources are loaded by the drawing classes, which are not part of this library yet.
    (void)nBitmapID, (void)cx, (void)nGrow, (void)crMask;
    return FALSE;
}

BOOL CImageList::DeleteImageList()
{
    if (m_hImageList == nullptr)
        return FALSE;
    const bool owned = t_permanent.count(m_hImageList) != 0 && t_permanent[m_hImageList] == this;
    HIMAGELIST h = Detach();
    if (!owned)
        return FALSE;
    return ImageList_Destroy(h);
}

int CImageList::GetImageCount() const
{
    return ImageList_GetImageCount(m_hImageList);
}

int CImageList::Add(HICON hIcon)
{
    return ImageList_AddIcon(m_hImageList, hIcon);
}

int CImageList::Add(HBITMAP hbmImage, HBITMAP hbmMask)
{
    return ImageList_Add(m_hImageList, hbmImage, hbmMask);
}

int CImageList::Add(HBITMAP hbmImage, COLORREF crMask)
{
    return ImageList_AddMasked(m_hImageList, hbmImage, crMask);
}

int CImageList::Replace(int nImage, HICON hIcon)
{
    return ImageList_ReplaceIcon(m_hImageList, nImage, hIcon);
}

BOOL CImageList::Replace(int nImage, HBITMAP hbmImage, HBITMAP hbmMask)
{
    return ImageList_Replace(m_hImageList, nImage, hbmImage, hbmMask);
}

BOOL CImageList::Remove(int nImage)
{
    return ImageList_Remove(m_hImageList, nImage);
}

COLORREF CImageList::SetBkColor(COLORREF cr)
{
    return ImageList_SetBkColor(m_hImageList, cr);
}

COLORREF CImageList::GetBkColor() const
{
    return ImageList_GetBkColor(m_hImageList);
}

BOOL CImageList::GetIconSize(int* cx, int* cy) const
{
    return ImageList_GetIconSize(m_hImageList, cx, cy);
}

BOOL CImageList::Draw(HDC hDC, int nImage, POINT pt, UINT nStyle)
{
    return ImageList_Draw(m_hImageList, nImage, hDC, pt.x, pt.y, nStyle);
}
