#include "dialogs/MyListCtrl.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace
{
// The wide form of the header's item-click notification.
constexpr UINT kHdnItemClickW = HDN_FIRST - 22;

template <class T> std::string StreamText(T value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
} // namespace

IMPLEMENT_DYNAMIC(CMyListCtrl, CListCtrl)

BEGIN_MESSAGE_MAP(CMyListCtrl, CListCtrl)
ON_NOTIFY(HDN_ITEMCLICK, 0, OnHeaderItemClick)
ON_NOTIFY(kHdnItemClickW, 0, OnHeaderItemClick)
END_MESSAGE_MAP()

void CMyListCtrl::ShowPairs(const std::vector<Pair>& pairs)
{
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
    {
        const int row = InsertItem(GetItemCount(), StreamText(it->first).c_str());
        if (row < 0)
            continue;
        SetItemText(row, 1, StreamText(it->second).c_str());
        SetItemData(row, static_cast<DWORD_PTR>(row));
    }
}

void CMyListCtrl::SortByColumn(int nColumn)
{
    std::vector<Pair> pairs;
    const int count = GetItemCount();
    pairs.reserve(count > 0 ? count : 0);
    for (int row = 0; row < count; ++row)
        pairs.emplace_back(std::atoi(GetItemText(row, 0)), std::atof(GetItemText(row, 1)));

    m_bSortFlag = m_bSortFlag ? 0 : 1;
    const bool decreasing = m_bSortFlag == 1;
    std::sort(pairs.begin(), pairs.end(),
              [&](const Pair& a, const Pair& b)
              {
                  if (nColumn == 0)
                      return decreasing ? a.first > b.first : a.first < b.first;
                  return decreasing ? a.second > b.second : a.second < b.second;
              });
    // ShowPairs reverses the vector: the rows read increasing after the first click.
    DeleteAllItems();
    ShowPairs(pairs);
}

void CMyListCtrl::OnHeaderItemClick(NMHDR* pNMHDR, LRESULT* pResult)
{
    SortByColumn(reinterpret_cast<NMHEADER*>(pNMHDR)->iItem);
    *pResult = 0;
}
