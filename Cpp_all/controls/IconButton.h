// An owner-drawn push button with an icon or bitmap beside its caption, six state colours, an
// optional flat look that lights up under the mouse, a tool tip, its own cursor, hover and click
// sounds, a drop-down menu, a check-box mode and an address a click opens.
#pragma once

#include <afxcmn.h>

#include <cstdint>
#include <string>

class CIconButton : public CButton
{
    DECLARE_DYNAMIC(CIconButton)
public:
    // Results of the setters.
    enum
    {
        kOk = 0,
        kInvalidResource = 1,
        kFailedMask = 2,
        kInvalidIndex = 3,
        kInvalidAlign = 4,
        kBadParam = 5,
        kInvalidPressedStyle = 6
    };
    // Colour indices: background and text while hovered or pressed ("in"), normal ("out") and
    // focused.
    enum
    {
        kColorBkIn = 0,
        kColorFgIn = 1,
        kColorBkOut = 2,
        kColorFgOut = 3,
        kColorBkFocus = 4,
        kColorFgFocus = 5,
        kMaxColors = 6
    };
    // Image placement.
    enum
    {
        kAlignLeft = 0,  // icon left of the caption
        kAlignAbove = 1, // icon above the caption
        kAlignRight = 2  // icon right of the caption
    };
    // Press offset styles: (1, 1) or (0, 2).
    enum
    {
        kPressDiagonal = 0,
        kPressDown = 1
    };
    // The "out" image made from the "in" one: grey or darkened.
    static constexpr int kOutGrey = -2;
    static constexpr int kOutDarker = -3;

    CIconButton();
    ~CIconButton() override;

    DWORD SetFlat(BOOL bFlat = TRUE, BOOL bRepaint = TRUE);
    // nAlign 0..2 (kAlign*); anything else returns kInvalidAlign.
    DWORD SetImagePlacement(BYTE byAlign, BOOL bRepaint = TRUE);
    // kPressDiagonal or kPressDown; anything else returns kInvalidPressedStyle.
    DWORD SetPressOffsetStyle(BYTE byStyle, BOOL bRepaint = TRUE);
    // In check-box mode (a button made with a check-box style) only.
    DWORD SetChecked(BOOL bChecked, BOOL bRepaint = TRUE);
    BOOL GetChecked() const { return m_bChecked; }
    // The six colours back to the button face and button text colours.
    DWORD ResetColors(BOOL bRepaint = TRUE);
    // nIndex 0..5 (kColor*); kInvalidIndex otherwise.
    DWORD SetColor(int nIndex, COLORREF crColor, BOOL bRepaint = TRUE);
    COLORREF GetColor(int nIndex) const;
    // Adds shade (-255..255, else kBadParam) to all three channels of colour nIndex, reduced so
    // that no channel leaves 0..255.
    DWORD ShadeColor(int nIndex, int nShade, BOOL bRepaint = TRUE);
    // Flat mode: draw a thin 3-D border while hovered or pressed.
    DWORD SetDrawFlag(BOOL bDrawBorder = TRUE, BOOL bRepaint = TRUE);
    // Flat mode: draw the focus rectangle.
    DWORD SetFlatFocus(BOOL bDrawFlatFocus, BOOL bRepaint = TRUE);
    // Paints the parent's background under the button; it is captured again at the next paint.
    DWORD SetTransparent(BOOL bRepaint = TRUE);
    // Flat mode: light up even while no window of the program is active.
    void SetAlwaysTrack(BOOL bAlwaysTrack = TRUE) { m_bAlwaysTrack = bAlwaysTrack; }

    // Creates the tool tip on first use; sets its text and activates it. A NULL text does nothing.
    void SetTooltipText(LPCTSTR lpszText, BOOL bActivate = TRUE);
    void SetTooltipText(int nText, BOOL bActivate = TRUE);
    CToolTipCtrl& GetToolTip() { return m_toolTip; }

    // Icons by resource id (nIconOut 0: none, kOutGrey/kOutDarker: made from the "in" icon) or by
    // handle (the button does not destroy handles it was given). kInvalidResource when the "in" icon
    // is missing, kFailedMask when a variant could not be made.
    DWORD SetIcon(int nIconIn, int nIconOut = 0, BOOL bRepaint = TRUE);
    DWORD SetIcon(HICON hIconIn, HICON hIconOut = nullptr, BOOL bRepaint = TRUE);
    DWORD SetIcon(HICON hIconIn, int nIconOut, BOOL bRepaint = TRUE);
    // Bitmaps whose pixels of the transparent colour show the face; the button deletes them.
    DWORD SetBitmapPair(int nBitmapIn, COLORREF crTransIn, int nBitmapOut = 0, COLORREF crTransOut = 0,
                        BOOL bRepaint = TRUE);
    DWORD SetBitmapPair(HBITMAP hBitmapIn, COLORREF crTransIn, HBITMAP hBitmapOut = nullptr,
                        COLORREF crTransOut = 0, BOOL bRepaint = TRUE);
    // Loads the cursor shown over the button (0: none); a previous one is destroyed.
    DWORD SetHoverCursor(int nCursorId);
    // Loads the menu whose first submenu drops down on a click (0: none); a previous one is
    // destroyed. The chosen command goes to pParentWnd as WM_COMMAND.
    DWORD AttachMenu(UINT nMenu, CWnd* pParentWnd, BOOL bRepaint = TRUE);
    // Sent (wParam the menu) to hWnd before the menu opens; hWnd NULL: none.
    DWORD SetMenuCallback(HWND hWnd, UINT nMessage, LPARAM lParam = 0);
    // The address opened on a click (NULL or empty: none); longer than 259 characters: kBadParam.
    DWORD SetURL(LPCTSTR lpszURL);
    // The sound played on hover (bPlayOnClick FALSE) or click: a file name, or a resource of hMod
    // (a resource id or hMod given). NULL removes it.
    DWORD SetSound(LPCTSTR lpszSound, HMODULE hMod = nullptr, BOOL bPlayOnClick = FALSE,
                   BOOL bPlayAsync = TRUE);

    BOOL IsHovered() const { return m_bMouseOnButton; }
    BOOL IsCheckBox() const { return m_bIsCheckBox; }
    SIZE GetImageSize() const { return SIZE{m_images[0].cx, m_images[0].cy}; }

    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual void PaintFace(CDC* pDC, CRect* pRect);
    virtual void PaintEdge(CDC* pDC, CRect* pRect);
    virtual void PaintIcon(CDC* pDC, BOOL bHasTitle, const RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                           BOOL bIsDisabled);
    virtual void PaintBitmap(CDC* pDC, BOOL bHasTitle, const RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                             BOOL bIsDisabled);
    virtual void PaintCaption(CDC* pDC, LPCTSTR lpszTitle, const RECT* rpItem, CRect* rpCaption,
                              BOOL bIsPressed, BOOL bIsDisabled);

    void PreSubclassWindow() override;
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);
    UINT OnGetDlgCode();
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnMouseMove(UINT nFlags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    void OnKillFocus(CWnd* pNewWnd);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    LRESULT OnCancelMode(WPARAM wParam, LPARAM lParam);
    void OnEnable(BOOL bEnable);
    LRESULT OnSysColorChange(WPARAM wParam, LPARAM lParam);
    BOOL OnClicked();

    DECLARE_MESSAGE_MAP()

    // Space between the border and the image, and how far image and caption move while pressed.
    int32_t m_nMarginX = 3;
    int32_t m_nMarginY = 3;
    int32_t m_nPressOffsetX = 1;
    int32_t m_nPressOffsetY = 1;
    int32_t m_bFlat = 1;
    int32_t m_bMouseOnButton = 0;
    int32_t m_bTransparent = 0;
    int32_t m_bIsPressed = 0;
    int32_t m_bIsFocused = 0;
    int32_t m_bIsDisabled = 0;
    int32_t m_bIsDefault = 0;
    int32_t m_bIsCheckBox = 0;
    int32_t m_bChecked = 0;
    BYTE m_byAlign = kAlignLeft;
    int32_t m_bDrawBorder = 1;
    int32_t m_bDrawFlatFocus = 0;
    int32_t m_bAlwaysTrack = 1;
    int32_t m_bMenuDisplayed = 0;
    COLORREF m_crColors[kMaxColors] = {};

private:
    // One picture: an icon (drawn as it is) or a colour/mask pair made from a bitmap or an icon
    // variant (colour black where transparent, mask white there).
    struct Picture
    {
        HICON hIcon = nullptr;         // an icon drawn as it is
        bool ownIcon = false;          // loaded here: destroyed with the button
        HBITMAP hBitmap = nullptr;     // the source bitmap (drawn disabled as it is)
        HBITMAP hColor = nullptr;      // masked colours
        HBITMAP hMask = nullptr;       // white where transparent
        HICON hDisabledFrom = nullptr; // a variant is drawn disabled from its source icon
        int cx = 0;
        int cy = 0;
    };
    struct Sound
    {
        std::string name; // file or resource name
        LPCSTR id = nullptr;
        HMODULE module = nullptr;
        DWORD flags = 0;
        bool set = false;
    };
    void FreePicture(Picture& picture);
    void FreeImages();
    DWORD MakeIconVariant(HICON hSource, bool grey, Picture& out);
    DWORD MakeMaskedBitmap(HBITMAP hBitmap, COLORREF crTrans, Picture& out);
    void DrawPicture(CDC* pDC, const Picture& picture, CRect rImage, BOOL bIsDisabled);
    CRect PlaceImage(const RECT* rpItem, BOOL bHasTitle, SIZE size, CRect* rpCaption, BOOL bIsPressed) const;
    const Picture& CurrentPicture() const;
    void CancelHover();
    void Repaint(BOOL bRepaint);
    void PlaySoundOf(const Sound& sound) const;
    void FreeBackground();
    void CaptureBackground(CDC* pDC);

    Picture m_images[2]; // "in" and "out"
    CToolTipCtrl m_toolTip;
    HCURSOR m_hCursor = nullptr;
    HMENU m_hMenu = nullptr;
    HWND m_hParentWndMenu = nullptr;
    HWND m_hCallbackWnd = nullptr;
    UINT m_nCallbackMessage = 0;
    LPARAM m_lCallbackParam = 0;
    CString m_csURL;
    Sound m_sounds[2]; // hover, click
    HDC m_hBkDC = nullptr;
    HBITMAP m_hBkBitmap = nullptr;
    HGDIOBJ m_hBkOld = nullptr;
};
