#include "mfc/Gdi.h"
#include "mfc/ModuleState.h"
#include "mfc/WinThread.h"
#include "mfc/Wnd.h"

#include <cstdlib>
#include <cstring>

#include <memory>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)
IMPLEMENT_DYNCREATE(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

namespace
{

// Per-thread handle maps: objects that own their handle, and temporaries made by FromHandle.
template <class Handle, class Object> struct HandleMaps
{
    std::unordered_map<Handle, Object*> permanent;
    std::unordered_map<Handle, std::unique_ptr<Object>> temporary;

    ~HandleMaps() { ClearTemporary(); }
    void ClearTemporary()
    {
        for (auto& [handle, object] : temporary)
            Release(*object); // a temporary object never owns its handle
        temporary.clear();
    }
    static void Release(CGdiObject& o) { o.m_hObject = nullptr; }
    static void Release(CDC& dc) { dc.m_hDC = dc.m_hAttribDC = nullptr; }
};

thread_local HandleMaps<HGDIOBJ, CGdiObject> t_objects;
thread_local HandleMaps<HDC, CDC> t_dcs;

// The permanent object of h, else a temporary of type T (a T found there is reused, another class
// is replaced so the caller gets what it asked for).
template <class T> T* GdiFromHandle(HGDIOBJ h)
{
    if (!h)
        return nullptr;
    if (auto it = t_objects.permanent.find(h); it != t_objects.permanent.end())
        return static_cast<T*>(it->second);
    auto& temp = t_objects.temporary[h];
    if (!temp || !dynamic_cast<T*>(temp.get()))
    {
        if (temp)
            temp->m_hObject = nullptr;
        temp = std::make_unique<T>();
        temp->m_hObject = h;
    }
    return static_cast<T*>(temp.get());
}

} // namespace

// ---- CGdiObject

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h)
{
    return GdiFromHandle<CGdiObject>(h);
}

void CGdiObject::DeleteTempMap()
{
    t_objects.ClearTemporary();
    t_dcs.ClearTemporary();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (!hObject || m_hObject)
        return FALSE;
    m_hObject = hObject;
    t_objects.permanent[hObject] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    if (h)
    {
        auto it = t_objects.permanent.find(h);
        if (it != t_objects.permanent.end() && it->second == this)
            t_objects.permanent.erase(it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    const bool owned =
        m_hObject && t_objects.permanent.count(m_hObject) && t_objects.permanent[m_hObject] == this;
    HGDIOBJ h = Detach();
    return owned ? ::DeleteObject(h) : FALSE;
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const
{
    return ::GetObject(m_hObject, nCount, lpObject);
}

BOOL CGdiObject::CreateStockObject(int nIndex)
{
    // Stock objects are shared: not attached, never deleted.
    m_hObject = ::GetStockObject(nIndex);
    return m_hObject != nullptr;
}

// ---- Pens, brushes, fonts, bitmaps, regions, palettes

CPen* CPen::FromHandle(HPEN hPen)
{
    return GdiFromHandle<CPen>(hPen);
}
BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}
BOOL CPen::CreatePen(int nPenStyle, int nWidth, const LOGBRUSH* pLogBrush, int nStyleCount,
                     const DWORD* lpStyle)
{
    return Attach(::ExtCreatePen(static_cast<DWORD>(nPenStyle), static_cast<DWORD>(nWidth), pLogBrush,
                                 static_cast<DWORD>(nStyleCount), lpStyle));
}
BOOL CPen::CreatePenIndirect(LPLOGPEN lpLogPen)
{
    return Attach(::CreatePenIndirect(lpLogPen));
}

CBrush* CBrush::FromHandle(HBRUSH hBrush)
{
    return GdiFromHandle<CBrush>(hBrush);
}
BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    return Attach(::CreateSolidBrush(crColor));
}
BOOL CBrush::CreateHatchBrush(int nIndex, COLORREF crColor)
{
    return Attach(::CreateHatchBrush(nIndex, crColor));
}
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush)
{
    return Attach(::CreateBrushIndirect(lpLogBrush));
}
BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap)
{
    return pBitmap && Attach(::CreatePatternBrush(static_cast<HBITMAP>(pBitmap->m_hObject)));
}
BOOL CBrush::CreateSysColorBrush(int nIndex)
{
    return Attach(::CreateSolidBrush(::GetSysColor(nIndex)));
}

CFont* CFont::FromHandle(HFONT hFont)
{
    return GdiFromHandle<CFont>(hFont);
}
BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont)
{
    return Attach(::CreateFontIndirect(lpLogFont));
}
BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision,
                       BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename)
{
    return Attach(::CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                               cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                               lpszFacename));
}
BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC)
{
    LOGFONT lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = nPointSize;
    if (lpszFaceName)
        std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    return CreatePointFontIndirect(&lf, pDC);
}
BOOL CFont::CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC)
{
    if (!lpLogFont)
        return FALSE;
    HDC hDC = pDC ? pDC->m_hAttribDC : ::GetDC(nullptr);
    LOGFONT lf = *lpLogFont;
    // Tenths of a point to device pixels, then to logical units (the height's size only counts).
    POINT pt{0, ::MulDiv(::GetDeviceCaps(hDC, LOGPIXELSY), lpLogFont->lfHeight, 720)};
    POINT origin{0, 0};
    ::DPtoLP(hDC, &pt, 1);
    ::DPtoLP(hDC, &origin, 1);
    lf.lfHeight = -std::abs(pt.y - origin.y);
    if (!pDC)
        ::ReleaseDC(nullptr, hDC);
    return CreateFontIndirect(&lf);
}

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap)
{
    return GdiFromHandle<CBitmap>(hBitmap);
}
BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    return Attach(::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource)));
}
BOOL CBitmap::LoadBitmap(LPCTSTR lpszResourceName)
{
    return Attach(::LoadBitmap(AfxGetResourceHandle(), lpszResourceName));
}
BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
{
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}
BOOL CBitmap::CreateBitmapIndirect(LPBITMAP lpBitmap)
{
    return Attach(::CreateBitmapIndirect(lpBitmap));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return pDC && Attach(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
}
DWORD CBitmap::GetBitmapBits(DWORD dwCount, LPVOID lpBits) const
{
    return static_cast<DWORD>(
        ::GetBitmapBits(static_cast<HBITMAP>(m_hObject), static_cast<LONG>(dwCount), lpBits));
}
DWORD CBitmap::SetBitmapBits(DWORD dwCount, const void* lpBits)
{
    return static_cast<DWORD>(::SetBitmapBits(static_cast<HBITMAP>(m_hObject), dwCount, lpBits));
}

CRgn* CRgn::FromHandle(HRGN hRgn)
{
    return GdiFromHandle<CRgn>(hRgn);
}
BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return Attach(::CreateRectRgn(x1, y1, x2, y2));
}
BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect)
{
    return Attach(::CreateRectRgnIndirect(lpRect));
}
BOOL CRgn::CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    return Attach(::CreateEllipticRgn(x1, y1, x2, y2));
}
BOOL CRgn::CreateEllipticRgnIndirect(LPCRECT lpRect)
{
    return Attach(::CreateEllipticRgnIndirect(lpRect));
}
BOOL CRgn::CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode)
{
    return Attach(::CreatePolygonRgn(lpPoints, nCount, nMode));
}
BOOL CRgn::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
}
int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode)
{
    return ::CombineRgn(*this, pRgn1 ? static_cast<HRGN>(pRgn1->m_hObject) : nullptr,
                        pRgn2 ? static_cast<HRGN>(pRgn2->m_hObject) : nullptr, nCombineMode);
}
BOOL CRgn::EqualRgn(const CRgn* pRgn) const
{
    return pRgn && ::EqualRgn(*this, *pRgn);
}
int CRgn::OffsetRgn(int x, int y)
{
    return ::OffsetRgn(*this, x, y);
}
int CRgn::GetRgnBox(LPRECT lpRect) const
{
    return ::GetRgnBox(*this, lpRect);
}
BOOL CRgn::PtInRegion(int x, int y) const
{
    return ::PtInRegion(*this, x, y);
}
BOOL CRgn::RectInRegion(LPCRECT lpRect) const
{
    return ::RectInRegion(*this, lpRect);
}
void CRgn::SetRectRgn(int x1, int y1, int x2, int y2)
{
    ::SetRectRgn(*this, x1, y1, x2, y2);
}

CPalette* CPalette::FromHandle(HPALETTE hPalette)
{
    return GdiFromHandle<CPalette>(hPalette);
}
BOOL CPalette::CreatePalette(LPLOGPALETTE lpLogPalette)
{
    return Attach(::CreatePalette(lpLogPalette));
}
UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, LPPALETTEENTRY lpPaletteColors) const
{
    return ::GetPaletteEntries(*this, nStartIndex, nNumEntries, lpPaletteColors);
}
int CPalette::GetEntryCount() const
{
    WORD count = 0;
    return GetObject(sizeof count, &count) ? count : 0;
}

// ---- CDC

CDC::~CDC()
{
    // A DC made by Create*DC belongs to its object; attached window DCs are released by their owner.
    if (m_hDC && t_dcs.permanent.count(m_hDC) && t_dcs.permanent[m_hDC] == this)
    {
        HDC h = Detach();
        if (!::WindowFromDC(h))
            ::DeleteDC(h);
    }
}

CDC* CDC::FromHandle(HDC hDC)
{
    if (!hDC)
        return nullptr;
    if (auto it = t_dcs.permanent.find(hDC); it != t_dcs.permanent.end())
        return it->second;
    auto& temp = t_dcs.temporary[hDC];
    if (!temp)
    {
        temp = std::make_unique<CDC>();
        temp->m_hDC = temp->m_hAttribDC = hDC;
        temp->m_bPrinting = ::GetDeviceCaps(hDC, TECHNOLOGY) == DT_RASPRINTER;
    }
    return temp.get();
}

void CDC::DeleteTempMap()
{
    t_dcs.ClearTemporary();
}

namespace
{
// The message loop's idle time clears this thread's temporary DC and GDI objects.
const bool g_idleCleanup = (kel::mfc::AddIdleCleanup(
                                []
                                {
                                    CDC::DeleteTempMap();
                                    CGdiObject::DeleteTempMap();
                                }),
                            true);
} // namespace

void CDC::SetHandles(HDC hDC)
{
    m_hDC = m_hAttribDC = hDC;
}

BOOL CDC::Attach(HDC hDC)
{
    if (!hDC || m_hDC)
        return FALSE;
    SetHandles(hDC);
    t_dcs.permanent[hDC] = this;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    if (h)
    {
        auto it = t_dcs.permanent.find(h);
        if (it != t_dcs.permanent.end() && it->second == this)
            t_dcs.permanent.erase(it);
    }
    m_hDC = m_hAttribDC = nullptr;
    return h;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

CWnd* CDC::GetWindow() const
{
    return CWnd::FromHandle(::WindowFromDC(m_hDC));
}

BOOL CDC::CreateDC(LPCTSTR lpszDriverName, LPCTSTR lpszDeviceName, LPCTSTR lpszOutput, const void* lpInitData)
{
    if (!Attach(::CreateDC(lpszDriverName, lpszDeviceName, lpszOutput, lpInitData)))
        return FALSE;
    m_bPrinting = ::GetDeviceCaps(m_hDC, TECHNOLOGY) == DT_RASPRINTER;
    return TRUE;
}

BOOL CDC::CreateIC(LPCTSTR lpszDriverName, LPCTSTR lpszDeviceName, LPCTSTR lpszOutput, const void* lpInitData)
{
    return Attach(::CreateIC(lpszDriverName, lpszDeviceName, lpszOutput, lpInitData));
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
}

CPen* CDC::SelectObject(CPen* pPen)
{
    return pPen ? CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen->m_hObject))) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return pBrush ? CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush->m_hObject)))
                  : nullptr;
}
CFont* CDC::SelectObject(CFont* pFont)
{
    return pFont ? CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject))) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return pBitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap->m_hObject)))
                   : nullptr;
}
int CDC::SelectObject(CRgn* pRgn)
{
    return pRgn ? ::SelectClipRgn(m_hDC, static_cast<HRGN>(pRgn->m_hObject)) : ERROR;
}
CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    return pObject ? CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject)) : nullptr;
}
CGdiObject* CDC::SelectStockObject(int nIndex)
{
    HGDIOBJ stock = ::GetStockObject(nIndex);
    return stock ? CGdiObject::FromHandle(::SelectObject(m_hDC, stock)) : nullptr;
}
CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground)
{
    return pPalette ? CPalette::FromHandle(::SelectPalette(m_hDC, *pPalette, bForceBackground)) : nullptr;
}
CPen* CDC::GetCurrentPen() const
{
    return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN)));
}
CBrush* CDC::GetCurrentBrush() const
{
    return CBrush::FromHandle(static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}
CFont* CDC::GetCurrentFont() const
{
    return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}
CBitmap* CDC::GetCurrentBitmap() const
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

CPoint CDC::SetBrushOrg(int x, int y)
{
    POINT old{};
    ::SetBrushOrgEx(m_hDC, x, y, &old);
    return CPoint(old);
}

// ---- Mapping

#define KEL_CDC_POINT(call, ...)                                                                             \
    POINT p{};                                                                                               \
    call(__VA_ARGS__, &p);                                                                                   \
    return CPoint(p);
#define KEL_CDC_SIZE(call, ...)                                                                              \
    SIZE s{};                                                                                                \
    call(__VA_ARGS__, &s);                                                                                   \
    return CSize(s);

CPoint CDC::SetWindowOrg(int x, int y){
    KEL_CDC_POINT(::SetWindowOrgEx, m_hDC, x, y)} CPoint CDC::GetWindowOrg() const {
    KEL_CDC_POINT(::GetWindowOrgEx, m_hAttribDC)} CPoint CDC::OffsetWindowOrg(int nWidth, int nHeight){
    KEL_CDC_POINT(::OffsetWindowOrgEx, m_hDC, nWidth, nHeight)} CSize CDC::SetWindowExt(int cx, int cy){
    KEL_CDC_SIZE(::SetWindowExtEx, m_hDC, cx, cy)} CSize CDC::GetWindowExt() const {
    KEL_CDC_SIZE(::GetWindowExtEx, m_hAttribDC)} CSize CDC::ScaleWindowExt(int xNum, int xDenom, int yNum,
                                                                           int yDenom){
    KEL_CDC_SIZE(::ScaleWindowExtEx, m_hDC, xNum, xDenom, yNum, yDenom)} CPoint CDC::SetViewportOrg(int x,
                                                                                                    int y){
    KEL_CDC_POINT(::SetViewportOrgEx, m_hDC, x, y)} CPoint CDC::GetViewportOrg() const {
    KEL_CDC_POINT(::GetViewportOrgEx, m_hAttribDC)} CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight){
    KEL_CDC_POINT(::OffsetViewportOrgEx, m_hDC, nWidth, nHeight)} CSize CDC::SetViewportExt(int cx, int cy){
    KEL_CDC_SIZE(::SetViewportExtEx, m_hDC, cx, cy)} CSize CDC::GetViewportExt() const {
    KEL_CDC_SIZE(::GetViewportExtEx, m_hAttribDC)} CSize CDC::ScaleViewportExt(int xNum, int xDenom, int yNum,
                                                                               int yDenom)
{
    KEL_CDC_SIZE(::ScaleViewportExtEx, m_hDC, xNum, xDenom, yNum, yDenom)
}

void CDC::LPtoDP(LPSIZE lpSize) const
{
    // A size maps as the distance between two mapped points (signs kept).
    POINT pts[2] = {{0, 0}, {lpSize->cx, lpSize->cy}};
    ::LPtoDP(m_hAttribDC, pts, 2);
    lpSize->cx = std::abs(pts[1].x - pts[0].x) * (lpSize->cx < 0 ? -1 : 1);
    lpSize->cy = std::abs(pts[1].y - pts[0].y) * (lpSize->cy < 0 ? -1 : 1);
}

void CDC::DPtoLP(LPSIZE lpSize) const
{
    POINT pts[2] = {{0, 0}, {lpSize->cx, lpSize->cy}};
    ::DPtoLP(m_hAttribDC, pts, 2);
    lpSize->cx = std::abs(pts[1].x - pts[0].x) * (lpSize->cx < 0 ? -1 : 1);
    lpSize->cy = std::abs(pts[1].y - pts[0].y) * (lpSize->cy < 0 ? -1 : 1);
}

// ---- Clipping, shapes, fills

int CDC::SelectClipRgn(CRgn* pRgn, int nMode)
{
    return ::ExtSelectClipRgn(m_hDC, pRgn ? static_cast<HRGN>(pRgn->m_hObject) : nullptr, nMode);
}
int CDC::IntersectClipRect(LPCRECT lpRect)
{
    return IntersectClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
int CDC::ExcludeClipRect(LPCRECT lpRect)
{
    return ExcludeClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

CPoint CDC::MoveTo(int x,
                   int y){KEL_CDC_POINT(::MoveToEx, m_hDC, x, y)} CPoint CDC::GetCurrentPosition() const {
    KEL_CDC_POINT(::GetCurrentPositionEx, m_hAttribDC)}

BOOL CDC::RoundRect(LPCRECT lpRect, POINT point)
{
    return RoundRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, point.x, point.y);
}
BOOL CDC::Arc(LPCRECT r, POINT s, POINT e)
{
    return Arc(r->left, r->top, r->right, r->bottom, s.x, s.y, e.x, e.y);
}
BOOL CDC::Pie(LPCRECT r, POINT s, POINT e)
{
    return Pie(r->left, r->top, r->right, r->bottom, s.x, s.y, e.x, e.y);
}
BOOL CDC::Chord(LPCRECT r, POINT s, POINT e)
{
    return Chord(r->left, r->top, r->right, r->bottom, s.x, s.y, e.x, e.y);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    // An opaque empty text fills fastest and leaves no brush behind.
    const COLORREF old = ::SetBkColor(m_hDC, clr);
    ::ExtTextOut(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    const RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, clr);
}
void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight)
{
    Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
               clrTopLeft, clrBottomRight);
}
void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight)
{
    FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
    FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
    FillSolidRect(x + cx, y, -1, cy, clrBottomRight);
    FillSolidRect(x, y + cy, cx, -1, clrBottomRight);
}
BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush)
{
    return pRgn && pBrush && ::FillRgn(m_hDC, *pRgn, *pBrush);
}
BOOL CDC::FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight)
{
    return pRgn && pBrush && ::FrameRgn(m_hDC, *pRgn, *pBrush, nWidth, nHeight);
}
BOOL CDC::DrawState(CPoint pt, CSize size, HBITMAP hBitmap, UINT nFlags, HBRUSH hBrush)
{
    return ::DrawState(m_hDC, hBrush, nullptr, reinterpret_cast<LPARAM>(hBitmap), 0, pt.x, pt.y, size.cx,
                       size.cy, nFlags | DST_BITMAP);
}
BOOL CDC::DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, HBRUSH hBrush)
{
    return ::DrawState(m_hDC, hBrush, nullptr, reinterpret_cast<LPARAM>(hIcon), 0, pt.x, pt.y, size.cx,
                       size.cy, nFlags | DST_ICON);
}
BOOL CDC::DrawState(CPoint pt, CSize size, LPCTSTR lpszText, UINT nFlags, BOOL bPrefixText, int nTextLen,
                    HBRUSH hBrush)
{
    return ::DrawState(m_hDC, hBrush, nullptr, reinterpret_cast<LPARAM>(lpszText),
                       static_cast<WPARAM>(nTextLen), pt.x, pt.y, size.cx, size.cy,
                       nFlags | (bPrefixText ? DST_PREFIXTEXT : DST_TEXT));
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}
BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop)
{
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, nSrcWidth,
                        nSrcHeight, dwRop);
}

CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const
{
    SIZE s{};
    ::GetTextExtentPoint32(m_hAttribDC, lpszString, nCount, &s);
    return CSize(s);
}
int CDC::GetTextFace(CString& rString) const
{
    char face[LF_FACESIZE] = {};
    const int n = ::GetTextFace(m_hAttribDC, LF_FACESIZE, face);
    rString = face;
    return n;
}

// ---- Window DCs

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr)
{
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr)
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr)
{
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}

// ---- Metafile DCs

IMPLEMENT_DYNAMIC(CMetaFileDC, CDC)

CMetaFileDC::~CMetaFileDC()
{
    if (!m_hDC)
        return;
    if (m_bEnhanced)
        ::DeleteEnhMetaFile(CloseEnhanced());
    else
        ::DeleteMetaFile(Close());
}

BOOL CMetaFileDC::Create(LPCTSTR lpszFilename)
{
    if (m_hDC || !Attach(::CreateMetaFile(lpszFilename)))
        return FALSE;
    m_bEnhanced = false;
    return TRUE;
}

BOOL CMetaFileDC::CreateEnhanced(CDC* pDCRef, LPCTSTR lpszFileName, LPCRECT lpBounds, LPCTSTR lpszDescription)
{
    if (m_hDC || !Attach(::CreateEnhMetaFile(pDCRef ? pDCRef->m_hDC : nullptr, lpszFileName, lpBounds,
                                             lpszDescription)))
        return FALSE;
    m_bEnhanced = true;
    return TRUE;
}

HMETAFILE CMetaFileDC::Close()
{
    if (!m_hDC || m_bEnhanced)
        return nullptr;
    return ::CloseMetaFile(Detach());
}

HENHMETAFILE CMetaFileDC::CloseEnhanced()
{
    if (!m_hDC || !m_bEnhanced)
        return nullptr;
    return ::CloseEnhMetaFile(Detach());
}
