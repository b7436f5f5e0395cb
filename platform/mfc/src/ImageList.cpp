#include "mfc/ImageList.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>

IMPLEMENT_DYNCREATE(CImageList, CObject)

namespace
{

struct Image
{
    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;
    HBITMAP mask = nullptr;
    COLORREF maskColor = CLR_NONE;
};

struct ImageListData
{
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    COLORREF bkColor = CLR_NONE;
    std::vector<Image> images;
};

// Live image lists by handle; handles are never reused.
struct Table
{
    std::mutex mutex;
    std::unordered_map<HIMAGELIST, ImageListData> lists;
    UINT_PTR next = 0x1000;
};

Table& TheTable()
{
    static Table table;
    return table;
}

template <class F> auto WithList(HIMAGELIST h, F&& f, decltype(f(std::declval<ImageListData&>())) failed)
{
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.lists.find(h);
    return it == t.lists.end() ? failed : f(it->second);
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
    if (hImageList == nullptr || !WithList(
                                     hImageList, [](ImageListData&) { return true; }, false))
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
    if (m_hImageList != nullptr || !WithList(
                                       hImageList, [](ImageListData&) { return true; }, false))
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
    (void)nGrow;
    if (m_hImageList != nullptr || cx <= 0 || cy <= 0)
        return FALSE;
    Table& t = TheTable();
    HIMAGELIST h;
    {
        std::lock_guard lock(t.mutex);
        h = reinterpret_cast<HIMAGELIST>(t.next++);
        ImageListData& data = t.lists[h];
        data.cx = cx;
        data.cy = cy;
        data.flags = nFlags;
        data.images.reserve(nInitial > 0 ? static_cast<size_t>(nInitial) : 0);
    }
    return Attach(h);
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
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    return t.lists.erase(h) != 0;
}

int CImageList::GetImageCount() const
{
    return WithList(
        m_hImageList, [](ImageListData& d) { return static_cast<int>(d.images.size()); }, 0);
}

static int AddImage(HIMAGELIST h, const Image& image)
{
    return WithList(
        h,
        [&](ImageListData& d)
        {
            d.images.push_back(image);
            return static_cast<int>(d.images.size()) - 1;
        },
        -1);
}

int CImageList::Add(HICON hIcon)
{
    return hIcon == nullptr ? -1 : AddImage(m_hImageList, Image{hIcon, nullptr, nullptr, CLR_NONE});
}

int CImageList::Add(HBITMAP hbmImage, HBITMAP hbmMask)
{
    return hbmImage == nullptr ? -1 : AddImage(m_hImageList, Image{nullptr, hbmImage, hbmMask, CLR_NONE});
}

int CImageList::Add(HBITMAP hbmImage, COLORREF crMask)
{
    return hbmImage == nullptr ? -1 : AddImage(m_hImageList, Image{nullptr, hbmImage, nullptr, crMask});
}

int CImageList::Replace(int nImage, HICON hIcon)
{
    if (nImage == -1)
        return Add(hIcon);
    return WithList(
        m_hImageList,
        [&](ImageListData& d)
        {
            if (nImage < 0 || nImage >= static_cast<int>(d.images.size()) || hIcon == nullptr)
                return -1;
            d.images[static_cast<size_t>(nImage)] = Image{hIcon, nullptr, nullptr, CLR_NONE};
            return nImage;
        },
        -1);
}

BOOL CImageList::Replace(int nImage, HBITMAP hbmImage, HBITMAP hbmMask)
{
    return WithList(
        m_hImageList,
        [&](ImageListData& d)
        {
            if (nImage < 0 || nImage >= static_cast<int>(d.images.size()) || hbmImage == nullptr)
                return FALSE;
            d.images[static_cast<size_t>(nImage)] = Image{nullptr, hbmImage, hbmMask, CLR_NONE};
            return TRUE;
        },
        FALSE);
}

BOOL CImageList::Remove(int nImage)
{
    return WithList(
        m_hImageList,
        [&](ImageListData& d)
        {
            if (nImage == -1)
            {
                d.images.clear();
                return TRUE;
            }
            if (nImage < 0 || nImage >= static_cast<int>(d.images.size()))
                return FALSE;
            d.images.erase(d.images.begin() + nImage);
            return TRUE;
        },
        FALSE);
}

COLORREF CImageList::SetBkColor(COLORREF cr)
{
    return WithList(
        m_hImageList,
        [&](ImageListData& d)
        {
            const COLORREF old = d.bkColor;
            d.bkColor = cr;
            return old;
        },
        static_cast<COLORREF>(CLR_NONE));
}

COLORREF CImageList::GetBkColor() const
{
    return WithList(
        m_hImageList, [](ImageListData& d) { return d.bkColor; }, static_cast<COLORREF>(CLR_NONE));
}

BOOL CImageList::GetIconSize(int* cx, int* cy) const
{
    return WithList(
        m_hImageList,
        [&](ImageListData& d)
        {
            *cx = d.cx;
            *cy = d.cy;
            return TRUE;
        },
        FALSE);
}

BOOL CImageList::Draw(HDC hDC, int nImage, POINT pt, UINT nStyle)
{
    (void)hDC, (void)nImage, (void)pt, (void)nStyle;
    return FALSE;
}
