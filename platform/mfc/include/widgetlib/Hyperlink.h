// A static text that shows an underlined link and opens it with the desktop's handler when
// clicked. The link colour changes to the active colour while the mouse is over it.
#pragma once

#include <afxwin.h>

#include "win32/shell.h" // kel::OpenUrl, kel::SetUrlOpener

#include <string>

class CHyperlink : public CStatic
{
    DECLARE_DYNAMIC(CHyperlink)
public:
    CHyperlink() = default;
    ~CHyperlink() override;

    // Creates the link as a child window showing lpszText. FALSE on failure.
    BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);

    // The address opened on a click; without one the link's text is opened.
    void SetURL(LPCTSTR lpszURL) { m_url = lpszURL ? lpszURL : ""; }
    CString GetURL() const { return CString(m_url.c_str()); }
    // Link colour and the colour while the mouse is over the link.
    void SetColours(COLORREF crLink, COLORREF crActive);
    COLORREF GetLinkColour() const { return m_crLink; }
    COLORREF GetActiveColour() const { return m_crActive; }
    // With font changes allowed the link uses its own size (points) and attributes; otherwise the
    // parent's font, underlined.
    void SetAllowFontChange(BOOL bAllow);
    void SetFontSize(int nPoints);
    void SetFontAttributes(BOOL bBold, BOOL bItalic);
    // Whether long text wraps onto more lines (default: one line).
    void SetWrap(BOOL bWrap);
    BOOL IsHot() const { return m_bHot; }

    // Opens the link; TRUE when the handler was started.
    BOOL Open() const;

protected:
    void OnPaint();
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    void OnMouseMove(UINT nFlags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    void OnLButtonUp(UINT nFlags, CPoint point);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

    DECLARE_MESSAGE_MAP()

private:
    void RebuildFont();

    std::string m_url;
    COLORREF m_crLink = RGB(0, 0, 238);
    COLORREF m_crActive = RGB(85, 26, 139);
    BOOL m_bAllowFontChange = FALSE;
    int m_nFontSize = 8;
    BOOL m_bBold = FALSE;
    BOOL m_bItalic = FALSE;
    BOOL m_bWrap = FALSE;
    BOOL m_bHot = FALSE;
    HFONT m_hFont = nullptr; // owned
};
