#include "mfc/Geometry.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    const long long product = static_cast<long long>(nNumber) * nNumerator;
    long long quotient = product / nDenominator;
    const long long remainder = product % nDenominator;
    // Round half away from zero: bump the magnitude when the remainder is at least half the divisor.
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(nDenominator)))
        quotient += ((product < 0) != (nDenominator < 0)) ? -1 : 1;
    if (quotient > INT_MAX || quotient < INT_MIN)
        return -1;
    return static_cast<int>(quotient);
}

void CRect::NormalizeRect() noexcept
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

BOOL CRect::IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) noexcept
{
    const CRect a(lpRect1), b(lpRect2);
    CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom));
    if (a.IsRectEmpty() || b.IsRectEmpty() || r.IsRectEmpty())
        r.SetRectEmpty();
    *this = r;
    return !IsRectEmpty();
}

BOOL CRect::UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) noexcept
{
    const CRect a(lpRect1), b(lpRect2);
    if (a.IsRectEmpty() && b.IsRectEmpty())
        SetRectEmpty();
    else if (a.IsRectEmpty())
        *this = b;
    else if (b.IsRectEmpty())
        *this = a;
    else
        SetRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom));
    return !IsRectEmpty();
}

BOOL CRect::SubtractRect(LPCRECT lpRectSrc1, LPCRECT lpRectSrc2) noexcept
{
    const CRect src(lpRectSrc1);
    CRect overlap;
    if (src.IsRectEmpty())
    {
        SetRectEmpty();
        return FALSE;
    }
    *this = src;
    if (!overlap.IntersectRect(&src, lpRectSrc2))
        return TRUE;
    if (overlap == src)
    {
        SetRectEmpty();
        return FALSE;
    }
    if (overlap.top == src.top && overlap.bottom == src.bottom)
    {
        // Covers the full height: cut from the left or the right side.
        if (overlap.left == src.left)
            left = overlap.right;
        else if (overlap.right == src.right)
            right = overlap.left;
    }
    else if (overlap.left == src.left && overlap.right == src.right)
    {
        // Covers the full width: cut from the top or the bottom.
        if (overlap.top == src.top)
            top = overlap.bottom;
        else if (overlap.bottom == src.bottom)
            bottom = overlap.top;
    }
    return TRUE;
}
