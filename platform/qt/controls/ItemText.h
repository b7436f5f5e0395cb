// What list boxes and combo boxes share: item roles, Windows' case-insensitive ordering and search,
// and text drawn at tab stops.
#pragma once

#include <windows.h>

#include <QtCore/QString>
#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>

#include <string>
#include <vector>

namespace kel::qt::controls
{

constexpr int kDataRole = Qt::UserRole + 1; // item data (LB_SETITEMDATA / CB_SETITEMDATA)
constexpr int kTextRole = Qt::UserRole + 2; // the item's cp1252 text

// The order of sorted lists (<0, 0, >0), as Windows sorts words: symbols and punctuation before
// digits, digits before letters, letters regardless of case with accented letters beside their
// base letter; hyphens and apostrophes count only between texts otherwise equal. 0 only for texts
// equal but for case.
int CompareNoCase(const std::string& a, const std::string& b);

// Tells the owner of a list or combo box that an item with item data goes (WM_DELETEITEM), so it
// can free what the data holds; nothing for items without data.
void SendDeleteItem(HWND list, UINT ctlType, int item, unsigned long long data);

// Where a text goes in a list sorted with CompareNoCase: after its equals.
template <class TextAt> int SortedIndex(int count, TextAt textAt, const std::string& text)
{
    int lo = 0, hi = count;
    while (lo < hi)
    {
        const int mid = (lo + hi) / 2;
        if (CompareNoCase(textAt(mid), text) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The first item after `start` (-1: from the top), wrapping around, whose text begins with s
// (exact: equals s), ignoring case; -1 when none.
template <class TextAt> int FindText(int count, int start, TextAt textAt, const char* s, bool exact)
{
    if (!s || count <= 0)
        return -1;
    const std::string key = s;
    if (start < -1 || start >= count)
        start = -1;
    for (int k = 1; k <= count; ++k)
    {
        const int i = (start + k) % count;
        const std::string t = textAt(i);
        if (exact ? CompareNoCase(t, key) == 0 : CompareNoCase(t.substr(0, key.size()), key) == 0)
            return i;
    }
    return -1;
}

// As FindText for lists without strings: the item whose data equals value.
template <class DataAt> int FindData(int count, int start, DataAt dataAt, unsigned long long value)
{
    if (start < -1 || start >= count)
        start = -1;
    for (int k = 1; k <= count; ++k)
        if (dataAt((start + k) % count) == value)
            return (start + k) % count;
    return -1;
}

// Draws one line of text, vertically centred, expanding tabs at tab stops given in dialog units
// (nullptr: no tab expansion; empty: every 32 units; one value: every that many units).
void DrawTabbedText(QPainter& p, const QRect& rect, const QString& text, const std::vector<int>* tabs,
                    const QFontMetrics& fm);

} // namespace kel::qt::controls
