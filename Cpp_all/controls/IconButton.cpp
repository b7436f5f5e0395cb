#include "controls/IconButton.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

IMPLEMENT_DYNAMIC(CIconButton, CButton)

BEGIN_MESSAGE_MAP(CIconButton, CButton)
ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
ON_MESSAGE(BM_SETCHECK, OnSetCheck)
ON_MESSAGE(BM_GETCHECK, OnGetCheck)
ON_WM_GETDLGCODE()
ON_WM_CTLCOLOR_REFLECT()
ON_WM_SETCURSOR()
ON_WM_MOUSEMOVE()
ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
ON_WM_KILLFOCUS()
ON_WM_ACTIVATE()
ON_MESSAGE(WM_CANCELMODE, OnCancelMode)
ON_WM_ENABLE()
ON_MESSAGE(WM_SYSCOLORCHANGE, OnSysColorChange)
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

namespace
{

// 32-bit top-down pixels of a bitmap (0x00RRGGBB); empty on failure.
std::vector<uint32_t> ReadPixels(HBITMAP hBitmap, int& cx, int& cy)
{
    BITMAP bm{};
    if (!hBitmap || !::GetObject(hBitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return {};
    cx = bm.bmWidth;
    cy = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    if (::GetDIBits(nullptr, hBitmap, 0, static_cast<UINT>(cy), pixels.data(), &bi, DIB_RGB_COLORS) != cy)
        return {};
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

// A 32-bit bitmap of the pixels (0x00RRGGBB, top-down).
HBITMAP MakeBitmap(const std::vector<uint32_t>& pixels, int cx, int cy)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (hBitmap && bits)
        std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
    return hBitmap;
}

constexpr uint32_t kWhite = 0x00FFFFFF;

uint32_t R(uint32_t p)
{
    return (p >> 16) & 0xFF;
}
uint32_t G(uint32_t p)
{
    return (p >> 8) & 0xFF;
}
uint32_t B(uint32_t p)
{
    return p & 0xFF;
}
uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return (r << 16) | (g << 8) | b;
}

} // namespace

CIconButton::CIconButton()
{
    ResetColors(FALSE);
}

CIconButton::~CIconButton()
{
    FreeImages();
    FreeBackground();
    if (m_hCursor)
        ::DestroyCursor(m_hCursor);
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
}

// ---- Setters

void CIconButton::Repaint(BOOL bRepaint)
{
    if (bRepaint && m_hWnd)
        Invalidate();
}

DWORD CIconButton::SetFlat(BOOL bFlat, BOOL bRepaint)
{
    m_bFlat = bFlat != FALSE;
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetImagePlacement(BYTE byAlign, BOOL bRepaint)
{
    if (byAlign > kAlignRight)
        return kInvalidAlign;
    m_byAlign = byAlign;
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetPressOffsetStyle(BYTE byStyle, BOOL bRepaint)
{
    switch (byStyle)
    {
    case kPressDiagonal:
        m_nPressOffsetX = 1;
        m_nPressOffsetY = 1;
        break;
    case kPressDown:
        m_nPressOffsetX = 0;
        m_nPressOffsetY = 2;
        break;
    default:
        return kInvalidPressedStyle;
    }
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetChecked(BOOL bChecked, BOOL bRepaint)
{
    if (m_bIsCheckBox)
    {
        m_bChecked = bChecked != FALSE;
        Repaint(bRepaint);
    }
    return kOk;
}

DWORD CIconButton::ResetColors(BOOL bRepaint)
{
    for (int i = 0; i < kMaxColors; ++i)
        m_crColors[i] = ::GetSysColor(i % 2 == 0 ? COLOR_BTNFACE : COLOR_BTNTEXT);
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetColor(int nIndex, COLORREF crColor, BOOL bRepaint)
{
    if (nIndex < 0 || nIndex >= kMaxColors)
        return kInvalidIndex;
    m_crColors[nIndex] = crColor;
    Repaint(bRepaint);
    return kOk;
}

COLORREF CIconButton::GetColor(int nIndex) const
{
    return nIndex >= 0 && nIndex < kMaxColors ? m_crColors[nIndex] : CLR_INVALID;
}

DWORD CIconButton::ShadeColor(int nIndex, int nShade, BOOL bRepaint)
{
    if (nIndex < 0 || nIndex >= kMaxColors)
        return kInvalidIndex;
    if (nShade < -255 || nShade > 255)
        return kBadParam;
    const COLORREF c = m_crColors[nIndex];
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    // The channel closest to its limit decides how far all three move.
    if (nShade > 0)
        nShade = std::min(nShade, 255 - std::max({r, g, b}));
    else
        nShade = std::max(nShade, -std::min({r, g, b}));
    m_crColors[nIndex] = RGB(r + nShade, g + nShade, b + nShade);
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetDrawFlag(BOOL bDrawBorder, BOOL bRepaint)
{
    m_bDrawBorder = bDrawBorder != FALSE;
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetFlatFocus(BOOL bDrawFlatFocus, BOOL bRepaint)
{
    m_bDrawFlatFocus = bDrawFlatFocus != FALSE;
    Repaint(bRepaint);
    return kOk;
}

DWORD CIconButton::SetTransparent(BOOL bRepaint)
{
    m_bTransparent = 1;
    FreeBackground();
    Repaint(bRepaint);
    return kOk;
}

void CIconButton::SetTooltipText(LPCTSTR lpszText, BOOL bActivate)
{
    if (!lpszText || !m_hWnd)
        return;
    if (!m_toolTip.GetSafeHwnd())
    {
        if (!m_toolTip.Create(this))
            return;
        m_toolTip.SetMaxTipWidth(400);
        CRect rect;
        GetClientRect(&rect);
        m_toolTip.AddTool(this, lpszText, &rect, 1);
    }
    else
        m_toolTip.UpdateTipText(lpszText, this, 1);
    m_toolTip.Activate(bActivate);
}

void CIconButton::SetTooltipText(int nText, BOOL bActivate)
{
    CString text;
    if (text.LoadString(static_cast<UINT>(nText)))
        SetTooltipText(text, bActivate);
}

BOOL CIconButton::PreTranslateMessage(MSG* pMsg)
{
    if (m_toolTip.GetSafeHwnd())
        m_toolTip.RelayEvent(pMsg);
    return CButton::PreTranslateMessage(pMsg);
}

// ---- Images

void CIconButton::FreePicture(Picture& picture)
{
    if (picture.ownIcon && picture.hIcon)
        ::DestroyIcon(picture.hIcon);
    for (HBITMAP h : {picture.hBitmap, picture.hColor, picture.hMask})
        if (h)
            ::DeleteObject(h);
    picture = Picture{};
}

void CIconButton::FreeImages()
{
    FreePicture(m_images[0]);
    FreePicture(m_images[1]);
}

DWORD CIconButton::MakeIconVariant(HICON hSource, bool grey, Picture& out)
{
    ICONINFO ii{};
    if (!::GetIconInfo(hSource, &ii))
        return kFailedMask;
    int cx = 0, cy = 0, mx = 0, my = 0;
    std::vector<uint32_t> colour = ReadPixels(ii.hbmColor, cx, cy);
    std::vector<uint32_t> mask = ReadPixels(ii.hbmMask, mx, my);
    ::DeleteObject(ii.hbmColor);
    ::DeleteObject(ii.hbmMask);
    if (colour.empty() || mask.size() != colour.size())
        return kFailedMask;
    for (size_t i = 0; i < colour.size(); ++i)
    {
        uint32_t& p = colour[i];
        if (mask[i] != 0)
            p = 0; // transparent: black, so the colour pass leaves the face alone
        else if (p == 0)
            continue; // black stays black
        else if (grey)
        {
            const auto level = static_cast<uint32_t>(0.299 * R(p) + 0.587 * G(p) + 0.114 * B(p));
            p = Rgb(level, level, level);
        }
        else
        {
            auto darker = [](uint32_t c) { return static_cast<uint32_t>(c - 0.25 * c); };
            p = Rgb(darker(R(p)), darker(G(p)), darker(B(p)));
        }
        mask[i] = mask[i] != 0 ? kWhite : 0;
    }
    out.hColor = MakeBitmap(colour, cx, cy);
    out.hMask = MakeBitmap(mask, cx, cy);
    out.hDisabledFrom = hSource;
    out.cx = static_cast<int>(ii.xHotspot * 2);
    out.cy = static_cast<int>(ii.yHotspot * 2);
    return out.hColor && out.hMask ? kOk : kFailedMask;
}

DWORD CIconButton::MakeMaskedBitmap(HBITMAP hBitmap, COLORREF crTrans, Picture& out)
{
    int cx = 0, cy = 0;
    std::vector<uint32_t> colour = ReadPixels(hBitmap, cx, cy);
    if (colour.empty())
        return kInvalidResource;
    const uint32_t trans = Rgb(GetRValue(crTrans), GetGValue(crTrans), GetBValue(crTrans));
    std::vector<uint32_t> mask(colour.size(), 0);
    for (size_t i = 0; i < colour.size(); ++i)
        if (colour[i] == trans)
        {
            colour[i] = 0;
            mask[i] = kWhite;
        }
    out.hBitmap = hBitmap;
    out.hColor = MakeBitmap(colour, cx, cy);
    out.hMask = MakeBitmap(mask, cx, cy);
    out.cx = cx;
    out.cy = cy;
    return out.hColor && out.hMask ? kOk : kFailedMask;
}

DWORD CIconButton::SetIcon(int nIconIn, int nIconOut, BOOL bRepaint)
{
    HINSTANCE hInst = AfxFindResourceHandle(MAKEINTRESOURCE(nIconIn), RT_GROUP_ICON);
    HICON hIn = ::LoadIcon(hInst, MAKEINTRESOURCE(nIconIn));
    if (!hIn)
    {
        FreeImages();
        Repaint(bRepaint);
        return kInvalidResource;
    }
    HICON hOut = nullptr;
    if (nIconOut > 0)
        hOut = ::LoadIcon(AfxFindResourceHandle(MAKEINTRESOURCE(nIconOut), RT_GROUP_ICON),
                          MAKEINTRESOURCE(nIconOut));
    const DWORD result = nIconOut == kOutGrey || nIconOut == kOutDarker ? SetIcon(hIn, nIconOut, bRepaint)
                                                                        : SetIcon(hIn, hOut, bRepaint);
    m_images[0].ownIcon = true;
    m_images[1].ownIcon = m_images[1].hIcon != nullptr;
    return result;
}

DWORD CIconButton::SetIcon(HICON hIconIn, HICON hIconOut, BOOL bRepaint)
{
    FreeImages();
    DWORD result = kOk;
    HICON icons[2] = {hIconIn, hIconOut};
    for (int i = 0; i < 2 && icons[i]; ++i)
    {
        ICONINFO ii{};
        if (!::GetIconInfo(icons[i], &ii))
        {
            result = i == 0 ? kInvalidResource : kFailedMask;
            break;
        }
        ::DeleteObject(ii.hbmColor);
        ::DeleteObject(ii.hbmMask);
        m_images[i].hIcon = icons[i];
        m_images[i].cx = static_cast<int>(ii.xHotspot * 2);
        m_images[i].cy = static_cast<int>(ii.yHotspot * 2);
    }
    if (result != kOk)
        FreeImages();
    Repaint(bRepaint);
    return result;
}

DWORD CIconButton::SetIcon(HICON hIconIn, int nIconOut, BOOL bRepaint)
{
    if (nIconOut != kOutGrey && nIconOut != kOutDarker)
        return SetIcon(hIconIn, static_cast<HICON>(nullptr), bRepaint);
    DWORD result = SetIcon(hIconIn, static_cast<HICON>(nullptr), FALSE);
    if (result == kOk)
        result = MakeIconVariant(hIconIn, nIconOut == kOutGrey, m_images[1]);
    if (result != kOk)
        FreePicture(m_images[1]);
    Repaint(bRepaint);
    return result;
}

DWORD CIconButton::SetBitmapPair(int nBitmapIn, COLORREF crTransIn, int nBitmapOut, COLORREF crTransOut,
                                 BOOL bRepaint)
{
    HBITMAP hIn = ::LoadBitmap(AfxFindResourceHandle(MAKEINTRESOURCE(nBitmapIn), RT_BITMAP),
                               MAKEINTRESOURCE(nBitmapIn));
    HBITMAP hOut = nBitmapOut ? ::LoadBitmap(AfxFindResourceHandle(MAKEINTRESOURCE(nBitmapOut), RT_BITMAP),
                                             MAKEINTRESOURCE(nBitmapOut))
                              : nullptr;
    if (!hIn)
    {
        if (hOut)
            ::DeleteObject(hOut);
        FreeImages();
        Repaint(bRepaint);
        return kInvalidResource;
    }
    return SetBitmapPair(hIn, crTransIn, hOut, crTransOut, bRepaint);
}

DWORD CIconButton::SetBitmapPair(HBITMAP hBitmapIn, COLORREF crTransIn, HBITMAP hBitmapOut,
                                 COLORREF crTransOut, BOOL bRepaint)
{
    FreeImages();
    DWORD result = kOk;
    if (hBitmapIn)
        result = MakeMaskedBitmap(hBitmapIn, crTransIn, m_images[0]);
    if (result == kOk && hBitmapIn && hBitmapOut)
        result = MakeMaskedBitmap(hBitmapOut, crTransOut, m_images[1]);
    else if (hBitmapOut && !hBitmapIn)
        ::DeleteObject(hBitmapOut);
    if (result != kOk)
        FreeImages();
    Repaint(bRepaint);
    return result;
}

// ---- Cursor, menu, address, sounds

DWORD CIconButton::SetHoverCursor(int nCursorId)
{
    if (m_hCursor)
        ::DestroyCursor(m_hCursor);
    m_hCursor = nullptr;
    if (nCursorId == 0)
        return kOk;
    m_hCursor = ::LoadCursor(AfxFindResourceHandle(MAKEINTRESOURCE(nCursorId), RT_GROUP_CURSOR),
                             MAKEINTRESOURCE(nCursorId));
    return m_hCursor ? kOk : kInvalidResource;
}

DWORD CIconButton::AttachMenu(UINT nMenu, CWnd* pParentWnd, BOOL bRepaint)
{
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    m_hParentWndMenu = nullptr;
    DWORD result = kOk;
    if (nMenu)
    {
        m_hMenu = ::LoadMenu(AfxFindResourceHandle(MAKEINTRESOURCE(nMenu), RT_MENU), MAKEINTRESOURCE(nMenu));
        if (m_hMenu)
            m_hParentWndMenu = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
        else
            result = kInvalidResource;
    }
    Repaint(bRepaint);
    return result;
}

DWORD CIconButton::SetMenuCallback(HWND hWnd, UINT nMessage, LPARAM lParam)
{
    m_hCallbackWnd = hWnd;
    m_nCallbackMessage = nMessage;
    m_lCallbackParam = lParam;
    return kOk;
}

DWORD CIconButton::SetURL(LPCTSTR lpszURL)
{
    if (lpszURL && std::strlen(lpszURL) >= MAX_PATH)
        return kBadParam; // refused whole, never cut
    m_csURL = lpszURL ? lpszURL : "";
    return kOk;
}

DWORD CIconButton::SetSound(LPCTSTR lpszSound, HMODULE hMod, BOOL bPlayOnClick, BOOL bPlayAsync)
{
    Sound& sound = m_sounds[bPlayOnClick ? 1 : 0];
    sound = Sound{};
    if (!lpszSound)
        return kOk;
    const bool isId = IS_INTRESOURCE(lpszSound);
    if (isId)
        sound.id = lpszSound;
    else
        sound.name = lpszSound;
    sound.module = hMod;
    sound.flags =
        (isId || hMod ? SND_RESOURCE : SND_FILENAME) | SND_NODEFAULT | (bPlayAsync ? SND_ASYNC : SND_SYNC);
    sound.set = true;
    return kOk;
}

void CIconButton::PlaySoundOf(const Sound& sound) const
{
    if (sound.set)
        ::PlaySound(sound.id ? sound.id : sound.name.c_str(), sound.module, sound.flags);
}

// ---- Messages

void CIconButton::PreSubclassWindow()
{
    const UINT type = GetButtonStyle() & BS_TYPEMASK;
    m_bIsDefault = type == BS_DEFPUSHBUTTON;
    m_bIsCheckBox = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
    CButton::PreSubclassWindow();
    // The window is not ours yet: make it owner-drawn directly, keeping the other style bits.
    ::SendMessage(m_hWnd, BM_SETSTYLE, (GetButtonStyle() & ~static_cast<UINT>(BS_TYPEMASK)) | BS_OWNERDRAW,
                  FALSE);
}

LRESULT CIconButton::OnSetStyle(WPARAM wParam, LPARAM lParam)
{
    // Our own owner-draw style says nothing about the default bit.
    if ((wParam & BS_TYPEMASK) != static_cast<WPARAM>(BS_OWNERDRAW))
        m_bIsDefault = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    return DefWindowProc(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
}

LRESULT CIconButton::OnSetCheck(WPARAM wParam, LPARAM)
{
    if (m_bIsCheckBox)
    {
        m_bChecked = wParam == BST_CHECKED || wParam == BST_INDETERMINATE;
        Invalidate();
    }
    return 0;
}

LRESULT CIconButton::OnGetCheck(WPARAM, LPARAM)
{
    return m_bChecked;
}

UINT CIconButton::OnGetDlgCode()
{
    UINT code = CButton::OnGetDlgCode() & ~static_cast<UINT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    return code | (m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

HBRUSH CIconButton::CtlColor(CDC*, UINT)
{
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CIconButton::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (m_hCursor)
    {
        ::SetCursor(m_hCursor);
        return TRUE;
    }
    return CButton::OnSetCursor(pWnd, nHitTest, message);
}

void CIconButton::OnMouseMove(UINT nFlags, CPoint point)
{
    CButton::OnMouseMove(nFlags, point);
    CPoint screen = point;
    ClientToScreen(&screen);
    CWnd* pUnder = WindowFromPoint(screen);
    if ((nFlags & MK_LBUTTON) && !m_bMouseOnButton)
        return;
    if (!m_bFlat)
        return;
    if (pUnder && pUnder->m_hWnd == m_hWnd && (m_bAlwaysTrack || GetActiveWindow() != nullptr))
    {
        if (m_bMouseOnButton)
            return;
        m_bMouseOnButton = 1;
        Invalidate();
        PlaySoundOf(m_sounds[0]);
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        ::TrackMouseEvent(&tme);
    }
    else
        CancelHover();
}

void CIconButton::CancelHover()
{
    if (m_bFlat && m_bMouseOnButton)
    {
        m_bMouseOnButton = 0;
        Invalidate();
    }
}

LRESULT CIconButton::OnMouseLeave(WPARAM, LPARAM)
{
    CancelHover();
    return 0;
}

void CIconButton::OnKillFocus(CWnd* pNewWnd)
{
    CButton::OnKillFocus(pNewWnd);
    CancelHover();
}

void CIconButton::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
{
    CButton::OnActivate(nState, pWndOther, bMinimized);
    if (nState == WA_INACTIVE)
        CancelHover();
}

LRESULT CIconButton::OnCancelMode(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    CancelHover();
    return result;
}

void CIconButton::OnEnable(BOOL bEnable)
{
    CButton::OnEnable(bEnable);
    if (bEnable)
        return;
    // A disabled button loses the focus: pass it on, but never take it from another window.
    CWnd* pFocus = GetFocus();
    if (CWnd* pParent = GetParent(); pParent && (pFocus == nullptr || pFocus == this))
    {
        CWnd* pNext = pParent->GetNextDlgTabItem(this);
        if (pNext && pNext != this)
            pNext->SetFocus();
        else
            pParent->SetFocus();
    }
    m_bMouseOnButton = 0;
    Invalidate();
}

LRESULT CIconButton::OnSysColorChange(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    FreeBackground();
    ResetColors(TRUE);
    return result;
}

BOOL CIconButton::OnClicked()
{
    SetFocus();
    PlaySoundOf(m_sounds[1]);
    if (m_bIsCheckBox)
    {
        m_bChecked = !m_bChecked;
        Invalidate();
    }
    else if (m_hMenu)
    {
        m_bMenuDisplayed = 1;
        Invalidate();
        if (m_hCallbackWnd)
            ::SendMessage(m_hCallbackWnd, m_nCallbackMessage, reinterpret_cast<WPARAM>(m_hMenu),
                          m_lCallbackParam);
        CRect rWnd;
        GetWindowRect(&rWnd);
        UINT nCommand = 0;
        if (HMENU hSub = ::GetSubMenu(m_hMenu, 0))
            nCommand =
                static_cast<UINT>(::TrackPopupMenuEx(hSub, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD,
                                                     rWnd.left, rWnd.bottom, m_hParentWndMenu, nullptr));
        m_bMenuDisplayed = 0;
        Invalidate();
        // A dismissed menu chose nothing: no command to send.
        if (nCommand && m_hParentWndMenu)
            ::PostMessage(m_hParentWndMenu, WM_COMMAND, MAKEWPARAM(nCommand, 0), 0);
    }
    else if (!m_csURL.IsEmpty())
    {
        SHELLEXECUTEINFO sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.hwnd = m_hWnd;
        sei.lpVerb = "open";
        sei.lpFile = m_csURL;
        sei.nShow = SW_SHOWNORMAL;
        ::ShellExecuteEx(&sei);
    }
    return FALSE; // the parent gets the click too
}

// ---- Painting

void CIconButton::FreeBackground()
{
    if (m_hBkDC)
    {
        ::SelectObject(m_hBkDC, m_hBkOld);
        ::DeleteDC(m_hBkDC);
    }
    if (m_hBkBitmap)
        ::DeleteObject(m_hBkBitmap);
    m_hBkDC = nullptr;
    m_hBkBitmap = nullptr;
    m_hBkOld = nullptr;
}

void CIconButton::CaptureBackground(CDC* pDC)
{
    CRect rClient, rWnd;
    GetClientRect(&rClient);
    GetWindowRect(&rWnd);
    CWnd* pParent = GetParent();
    if (!m_hBkDC && pParent)
    {
        pParent->ScreenToClient(&rWnd);
        HDC hParentDC = ::GetDC(pParent->m_hWnd);
        m_hBkDC = ::CreateCompatibleDC(hParentDC);
        m_hBkBitmap = ::CreateCompatibleBitmap(hParentDC, rClient.Width(), rClient.Height());
        if (m_hBkDC && m_hBkBitmap)
        {
            m_hBkOld = ::SelectObject(m_hBkDC, m_hBkBitmap);
            ::BitBlt(m_hBkDC, 0, 0, rClient.Width(), rClient.Height(), hParentDC, rWnd.left, rWnd.top,
                     SRCCOPY);
        }
        ::ReleaseDC(pParent->m_hWnd, hParentDC);
    }
    if (m_hBkDC && m_hBkBitmap)
        ::BitBlt(pDC->m_hDC, 0, 0, rClient.Width(), rClient.Height(), m_hBkDC, 0, 0, SRCCOPY);
}

void CIconButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    CDC* pDC = CDC::FromHandle(lpDIS->hDC);
    const BOOL bSelected = (lpDIS->itemState & ODS_SELECTED) != 0;
    m_bIsPressed = m_bIsCheckBox ? (bSelected || m_bChecked) : (bSelected || m_bMenuDisplayed);
    m_bIsFocused = (lpDIS->itemState & ODS_FOCUS) != 0;
    m_bIsDisabled = (lpDIS->itemState & ODS_DISABLED) != 0;

    const int saved = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);
    if (HFONT hFont = GetFontHandle())
        pDC->SelectObject(static_cast<HGDIOBJ>(hFont));

    CRect itemRect(lpDIS->rcItem);
    if (m_bTransparent)
        CaptureBackground(pDC);
    else
        PaintFace(pDC, &itemRect);
    PaintEdge(pDC, &itemRect);

    CString title;
    GetWindowText(title);
    CRect captionRect(lpDIS->rcItem);
    if (m_images[0].hIcon)
        PaintIcon(pDC, !title.IsEmpty(), &lpDIS->rcItem, &captionRect, m_bIsPressed, m_bIsDisabled);
    else if (m_images[0].hBitmap)
        PaintBitmap(pDC, !title.IsEmpty(), &lpDIS->rcItem, &captionRect, m_bIsPressed, m_bIsDisabled);
    if (!title.IsEmpty())
        PaintCaption(pDC, title, &lpDIS->rcItem, &captionRect, m_bIsPressed, m_bIsDisabled);

    if (m_bIsFocused && (!m_bFlat || m_bDrawFlatFocus))
    {
        CRect focusRect(lpDIS->rcItem);
        focusRect.DeflateRect(3, 3);
        pDC->DrawFocusRect(&focusRect);
    }
    pDC->RestoreDC(saved);
}

void CIconButton::PaintFace(CDC* pDC, CRect* pRect)
{
    if (!m_bFlat && (m_bIsFocused || m_bIsDefault))
    {
        CBrush black;
        black.CreateSolidBrush(RGB(0, 0, 0));
        pDC->FrameRect(pRect, &black);
        pRect->DeflateRect(1, 1);
    }
    const COLORREF crBk = m_bMouseOnButton || m_bIsPressed ? m_crColors[kColorBkIn]
                          : m_bIsFocused                   ? m_crColors[kColorBkFocus]
                                                           : m_crColors[kColorBkOut];
    pDC->FillSolidRect(pRect, crBk);
}

void CIconButton::PaintEdge(CDC* pDC, CRect* pRect)
{
    if (m_bIsPressed)
    {
        if (m_bFlat)
        {
            if (m_bDrawBorder)
                pDC->Draw3dRect(pRect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHILIGHT));
        }
        else
        {
            CBrush shadow;
            shadow.CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW));
            pDC->FrameRect(pRect, &shadow);
        }
        return;
    }
    if (!m_bFlat)
    {
        CRect r(*pRect);
        pDC->Draw3dRect(&r, ::GetSysColor(COLOR_BTNHILIGHT), ::GetSysColor(COLOR_3DDKSHADOW));
        r.DeflateRect(1, 1);
        pDC->Draw3dRect(&r, ::GetSysColor(COLOR_3DLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    }
    else if (m_bMouseOnButton && m_bDrawBorder)
        pDC->Draw3dRect(pRect, ::GetSysColor(COLOR_BTNHILIGHT), ::GetSysColor(COLOR_BTNSHADOW));
}

CRect CIconButton::PlaceImage(const RECT* rpItem, BOOL bHasTitle, SIZE size, CRect* rpCaption,
                              BOOL bIsPressed) const
{
    const CRect item(*rpItem);
    CRect image(item.left, item.top, item.left + size.cx, item.top + size.cy);
    const int centredX = item.left + (item.Width() - size.cx) / 2;
    const int centredY = item.top + (item.Height() - size.cy) / 2;
    switch (m_byAlign)
    {
    case kAlignAbove:
        image.MoveToXY(centredX, bHasTitle ? item.top + m_nMarginY : centredY);
        if (bHasTitle)
            rpCaption->top = image.bottom;
        break;
    case kAlignRight:
        image.MoveToXY(item.right - m_nMarginX - size.cx, centredY);
        if (bHasTitle)
            rpCaption->right = image.left - m_nMarginX;
        break;
    default:
        image.MoveToXY(bHasTitle ? item.left + m_nMarginX : centredX, centredY);
        if (bHasTitle)
            rpCaption->left = image.right + m_nMarginX;
        break;
    }
    if (bIsPressed && !m_bIsCheckBox)
        image.OffsetRect(m_nPressOffsetX, m_nPressOffsetY);
    return image;
}

const CIconButton::Picture& CIconButton::CurrentPicture() const
{
    const bool hasOut = m_images[1].hIcon || m_images[1].hColor;
    return m_bMouseOnButton || m_bIsPressed || !hasOut ? m_images[0] : m_images[1];
}

void CIconButton::DrawPicture(CDC* pDC, const Picture& picture, CRect rImage, BOOL bIsDisabled)
{
    const CSize size(picture.cx, picture.cy);
    if (bIsDisabled)
    {
        if (picture.hIcon || picture.hDisabledFrom)
            pDC->DrawState(rImage.TopLeft(), size, picture.hIcon ? picture.hIcon : picture.hDisabledFrom,
                           DSS_DISABLED);
        else if (picture.hBitmap)
            pDC->DrawState(rImage.TopLeft(), size, picture.hBitmap, DSS_DISABLED);
        return;
    }
    if (picture.hIcon)
    {
        ::DrawIconEx(pDC->m_hDC, rImage.left, rImage.top, picture.hIcon, size.cx, size.cy, 0, nullptr,
                     DI_NORMAL);
        return;
    }
    // The mask clears what the picture covers; the colours then fill it in.
    HDC hMem = ::CreateCompatibleDC(pDC->m_hDC);
    HGDIOBJ old = ::SelectObject(hMem, picture.hMask);
    const COLORREF oldBk = pDC->SetBkColor(RGB(255, 255, 255));
    const COLORREF oldText = pDC->SetTextColor(RGB(0, 0, 0));
    ::BitBlt(pDC->m_hDC, rImage.left, rImage.top, size.cx, size.cy, hMem, 0, 0, SRCAND);
    ::SelectObject(hMem, picture.hColor);
    ::BitBlt(pDC->m_hDC, rImage.left, rImage.top, size.cx, size.cy, hMem, 0, 0, SRCPAINT);
    ::SelectObject(hMem, old);
    ::DeleteDC(hMem);
    pDC->SetBkColor(oldBk);
    pDC->SetTextColor(oldText);
}

void CIconButton::PaintIcon(CDC* pDC, BOOL bHasTitle, const RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                            BOOL bIsDisabled)
{
    const Picture& picture = CurrentPicture();
    const CRect image = PlaceImage(rpItem, bHasTitle, SIZE{picture.cx, picture.cy}, rpCaption, bIsPressed);
    DrawPicture(pDC, picture, image, bIsDisabled);
}

void CIconButton::PaintBitmap(CDC* pDC, BOOL bHasTitle, const RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                              BOOL bIsDisabled)
{
    const Picture& picture = CurrentPicture();
    const CRect image = PlaceImage(rpItem, bHasTitle, SIZE{picture.cx, picture.cy}, rpCaption, bIsPressed);
    pDC->SetBkColor(RGB(255, 255, 255));
    DrawPicture(pDC, picture, image, bIsDisabled);
}

void CIconButton::PaintCaption(CDC* pDC, LPCTSTR lpszTitle, const RECT*, CRect* rpCaption, BOOL bIsPressed,
                               BOOL bIsDisabled)
{
    CRect caption(*rpCaption);
    if (bIsPressed && !m_bIsCheckBox)
        caption.OffsetRect(m_nPressOffsetX, m_nPressOffsetY);
    // Centred as a block, lines broken at words.
    CRect measured(caption);
    pDC->DrawText(lpszTitle, -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    caption.OffsetRect((caption.Width() - measured.Width()) / 2, (caption.Height() - measured.Height()) / 2);
    caption.right = caption.left + measured.Width();
    caption.bottom = caption.top + measured.Height();
    pDC->SetBkMode(TRANSPARENT);
    if (bIsDisabled)
    {
        caption.OffsetRect(1, 1);
        pDC->SetTextColor(::GetSysColor(COLOR_3DHILIGHT));
        pDC->DrawText(lpszTitle, -1, &caption, DT_WORDBREAK | DT_CENTER);
        caption.OffsetRect(-1, -1);
        pDC->SetTextColor(::GetSysColor(COLOR_3DSHADOW));
        pDC->DrawText(lpszTitle, -1, &caption, DT_WORDBREAK | DT_CENTER);
        return;
    }
    const int fg = m_bMouseOnButton || m_bIsPressed ? kColorFgIn : m_bIsFocused ? kColorFgFocus : kColorFgOut;
    pDC->SetTextColor(m_crColors[fg]);
    pDC->DrawText(lpszTitle, -1, &caption, DT_WORDBREAK | DT_CENTER);
}
