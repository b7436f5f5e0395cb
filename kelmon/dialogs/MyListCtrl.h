// A two-column report list of (whole number, real number) pairs that sorts by the clicked
// column, reversing the direction on every click.
#pragma once

#include <afxcmn.h>

#include <utility>
#include <vector>

class CMyListCtrl : public CListCtrl
{
    DECLARE_DYNAMIC(CMyListCtrl)
public:
    using Pair = std::pair<int, double>;

    // Appends one row per pair, from the last pair to the first (row 0 shows the last pair);
    // each row's item data is its index. Does not clear the list.
    void ShowPairs(const std::vector<Pair>& pairs);
    // Reads the rows back, flips the sort flag and shows them sorted by column (0: the whole
    // numbers, else the real numbers): increasing after an odd number of sorts, else decreasing.
    void SortByColumn(int nColumn);

    BYTE m_bSortFlag = 0;

protected:
    void OnHeaderItemClick(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()
};
