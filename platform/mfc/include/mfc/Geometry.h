// CPoint, CSize and CRect: the Win32 POINT/SIZE/RECT with MFC's members.
// Rectangles follow Windows' rules: right and bottom edges are exclusive.
#pragma once

#include "win32/types.h"

// a * b / c computed in 64 bits and rounded half away from zero; -1 when c is 0 or the result
// does not fit in an int.
int MulDiv(int nNumber, int nNumerator, int nDenominator);

class CSize;
class CRect;

class CPoint : public POINT
{
public:
    CPoint() noexcept : POINT{0, 0} {}
    CPoint(int initX, int initY) noexcept : POINT{initX, initY} {}
    CPoint(POINT pt) noexcept : POINT(pt) {}
    CPoint(SIZE sz) noexcept : POINT{sz.cx, sz.cy} {}
    // x from the low word, y from the high word, both signed.
    explicit CPoint(DWORD dwPoint) noexcept
        : POINT{static_cast<SHORT>(LOWORD(dwPoint)), static_cast<SHORT>(HIWORD(dwPoint))}
    {
    }

    void Offset(int xOffset, int yOffset) noexcept
    {
        x += xOffset;
        y += yOffset;
    }
    void Offset(POINT pt) noexcept { Offset(pt.x, pt.y); }
    void Offset(SIZE sz) noexcept { Offset(sz.cx, sz.cy); }
    void SetPoint(int X, int Y) noexcept
    {
        x = X;
        y = Y;
    }

    bool operator==(POINT pt) const noexcept { return x == pt.x && y == pt.y; }
    bool operator!=(POINT pt) const noexcept { return !(*this == pt); }
    void operator+=(SIZE sz) noexcept { Offset(sz); }
    void operator-=(SIZE sz) noexcept { Offset(-sz.cx, -sz.cy); }
    void operator+=(POINT pt) noexcept { Offset(pt); }
    void operator-=(POINT pt) noexcept { Offset(-pt.x, -pt.y); }

    CPoint operator+(SIZE sz) const noexcept { return CPoint(x + sz.cx, y + sz.cy); }
    CPoint operator-(SIZE sz) const noexcept { return CPoint(x - sz.cx, y - sz.cy); }
    CPoint operator-() const noexcept { return CPoint(-x, -y); }
    CPoint operator+(POINT pt) const noexcept { return CPoint(x + pt.x, y + pt.y); }
    // The distance between two points.
    CSize operator-(POINT pt) const noexcept;
    CRect operator+(LPCRECT lpRect) const noexcept;
    CRect operator-(LPCRECT lpRect) const noexcept;
};

class CSize : public SIZE
{
public:
    CSize() noexcept : SIZE{0, 0} {}
    CSize(int initCX, int initCY) noexcept : SIZE{initCX, initCY} {}
    CSize(SIZE sz) noexcept : SIZE(sz) {}
    CSize(POINT pt) noexcept : SIZE{pt.x, pt.y} {}
    // cx from the low word, cy from the high word, both signed.
    explicit CSize(DWORD dwSize) noexcept
        : SIZE{static_cast<SHORT>(LOWORD(dwSize)), static_cast<SHORT>(HIWORD(dwSize))}
    {
    }

    void SetSize(int CX, int CY) noexcept
    {
        cx = CX;
        cy = CY;
    }

    bool operator==(SIZE sz) const noexcept { return cx == sz.cx && cy == sz.cy; }
    bool operator!=(SIZE sz) const noexcept { return !(*this == sz); }
    void operator+=(SIZE sz) noexcept
    {
        cx += sz.cx;
        cy += sz.cy;
    }
    void operator-=(SIZE sz) noexcept
    {
        cx -= sz.cx;
        cy -= sz.cy;
    }
    CSize operator+(SIZE sz) const noexcept { return CSize(cx + sz.cx, cy + sz.cy); }
    CSize operator-(SIZE sz) const noexcept { return CSize(cx - sz.cx, cy - sz.cy); }
    CSize operator-() const noexcept { return CSize(-cx, -cy); }
    CPoint operator+(POINT pt) const noexcept { return CPoint(cx + pt.x, cy + pt.y); }
    CPoint operator-(POINT pt) const noexcept { return CPoint(cx - pt.x, cy - pt.y); }
    CRect operator+(LPCRECT lpRect) const noexcept;
    CRect operator-(LPCRECT lpRect) const noexcept;
};

inline CSize CPoint::operator-(POINT pt) const noexcept
{
    return CSize(x - pt.x, y - pt.y);
}

class CRect : public RECT
{
public:
    CRect() noexcept : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
    CRect(const RECT& src) noexcept : RECT(src) {}
    CRect(LPCRECT lpSrc) noexcept : RECT(*lpSrc) {}
    CRect(POINT point, SIZE size) noexcept : RECT{point.x, point.y, point.x + size.cx, point.y + size.cy} {}
    CRect(POINT topLeft, POINT bottomRight) noexcept
        : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y}
    {
    }

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    CSize Size() const noexcept { return CSize(Width(), Height()); }
    // The corners as points stored in the rectangle itself, so they can be changed in place.
    CPoint& TopLeft() noexcept { return *reinterpret_cast<CPoint*>(&left); }
    CPoint& BottomRight() noexcept { return *reinterpret_cast<CPoint*>(&right); }
    const CPoint& TopLeft() const noexcept { return *reinterpret_cast<const CPoint*>(&left); }
    const CPoint& BottomRight() const noexcept { return *reinterpret_cast<const CPoint*>(&right); }
    CPoint CenterPoint() const noexcept { return CPoint((left + right) / 2, (top + bottom) / 2); }

    operator LPRECT() noexcept { return this; }
    operator LPCRECT() const noexcept { return this; }

    // Empty: no area (width or height <= 0). Null: all four coordinates 0.
    BOOL IsRectEmpty() const noexcept { return left >= right || top >= bottom; }
    BOOL IsRectNull() const noexcept { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Inside when left <= x < right and top <= y < bottom.
    BOOL PtInRect(POINT point) const noexcept
    {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }

    void SetRect(int x1, int y1, int x2, int y2) noexcept
    {
        left = x1;
        top = y1;
        right = x2;
        bottom = y2;
    }
    void SetRect(POINT topLeft, POINT bottomRight) noexcept
    {
        SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }
    void SetRectEmpty() noexcept { SetRect(0, 0, 0, 0); }
    void CopyRect(LPCRECT lpSrc) noexcept { *static_cast<RECT*>(this) = *lpSrc; }
    BOOL EqualRect(LPCRECT lpRect) const noexcept
    {
        return left == lpRect->left && top == lpRect->top && right == lpRect->right &&
               bottom == lpRect->bottom;
    }

    // Inflate moves the edges outwards by the amounts given, Deflate inwards.
    void InflateRect(int x, int y) noexcept { InflateRect(x, y, x, y); }
    void InflateRect(SIZE size) noexcept { InflateRect(size.cx, size.cy); }
    void InflateRect(LPCRECT lpRect) noexcept
    {
        InflateRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
    }
    void InflateRect(int l, int t, int r, int b) noexcept
    {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int x, int y) noexcept { InflateRect(-x, -y); }
    void DeflateRect(SIZE size) noexcept { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(LPCRECT lpRect) noexcept
    {
        InflateRect(-lpRect->left, -lpRect->top, -lpRect->right, -lpRect->bottom);
    }
    void DeflateRect(int l, int t, int r, int b) noexcept { InflateRect(-l, -t, -r, -b); }

    void OffsetRect(int x, int y) noexcept
    {
        left += x;
        right += x;
        top += y;
        bottom += y;
    }
    void OffsetRect(POINT point) noexcept { OffsetRect(point.x, point.y); }
    void OffsetRect(SIZE size) noexcept { OffsetRect(size.cx, size.cy); }
    void MoveToX(int x) noexcept { OffsetRect(x - left, 0); }
    void MoveToY(int y) noexcept { OffsetRect(0, y - top); }
    void MoveToXY(int x, int y) noexcept { OffsetRect(x - left, y - top); }
    void MoveToXY(POINT point) noexcept { MoveToXY(point.x, point.y); }
    // Swaps edges so that left <= right and top <= bottom.
    void NormalizeRect() noexcept;

    // The overlap of the two; an empty (all zero) rectangle and FALSE when they do not overlap.
    BOOL IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) noexcept;
    // The smallest rectangle holding both; empty rectangles are ignored. FALSE if the result is empty.
    BOOL UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) noexcept;
    // lpRectSrc1 less lpRectSrc2 where the rest is still a rectangle (lpRectSrc2 covers a full side);
    // otherwise lpRectSrc1 unchanged. FALSE if the result is empty.
    BOOL SubtractRect(LPCRECT lpRectSrc1, LPCRECT lpRectSrc2) noexcept;

    CRect& operator=(const RECT& src) noexcept
    {
        CopyRect(&src);
        return *this;
    }
    bool operator==(const RECT& rect) const noexcept { return EqualRect(&rect); }
    bool operator!=(const RECT& rect) const noexcept { return !EqualRect(&rect); }
    void operator+=(POINT point) noexcept { OffsetRect(point); }
    void operator+=(SIZE size) noexcept { OffsetRect(size); }
    void operator+=(LPCRECT lpRect) noexcept { InflateRect(lpRect); }
    void operator-=(POINT point) noexcept { OffsetRect(-point.x, -point.y); }
    void operator-=(SIZE size) noexcept { OffsetRect(-size.cx, -size.cy); }
    void operator-=(LPCRECT lpRect) noexcept { DeflateRect(lpRect); }
    void operator&=(const RECT& rect) noexcept { IntersectRect(this, &rect); }
    void operator|=(const RECT& rect) noexcept { UnionRect(this, &rect); }

    CRect operator+(POINT point) const noexcept
    {
        CRect r(*this);
        r += point;
        return r;
    }
    CRect operator-(POINT point) const noexcept
    {
        CRect r(*this);
        r -= point;
        return r;
    }
    CRect operator+(SIZE size) const noexcept
    {
        CRect r(*this);
        r += size;
        return r;
    }
    CRect operator-(SIZE size) const noexcept
    {
        CRect r(*this);
        r -= size;
        return r;
    }
    CRect operator+(LPCRECT lpRect) const noexcept
    {
        CRect r(*this);
        r += lpRect;
        return r;
    }
    CRect operator-(LPCRECT lpRect) const noexcept
    {
        CRect r(*this);
        r -= lpRect;
        return r;
    }
    CRect operator&(const RECT& rect) const noexcept
    {
        CRect r;
        r.IntersectRect(this, &rect);
        return r;
    }
    CRect operator|(const RECT& rect) const noexcept
    {
        CRect r;
        r.UnionRect(this, &rect);
        return r;
    }
};

inline CRect CPoint::operator+(LPCRECT lpRect) const noexcept
{
    return CRect(lpRect) + *this;
}

inline CRect CPoint::operator-(LPCRECT lpRect) const noexcept
{
    return CRect(lpRect) - *this;
}

inline CRect CSize::operator+(LPCRECT lpRect) const noexcept
{
    return CRect(lpRect) + *this;
}

inline CRect CSize::operator-(LPCRECT lpRect) const noexcept
{
    return CRect(lpRect) - *this;
}
