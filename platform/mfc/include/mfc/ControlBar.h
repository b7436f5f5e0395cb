// Control bars of a frame: toolbars (buttons from a TOOLBAR resource and a bitmap strip, tooltips
// and command prompts from the string table's "prompt\ntip" strings), the status bar (indicator
// panes, the message pane showing the prompt of the item under the mouse) and dialog bars (a
// dialog template as a bar). The frame lays them out with WM_SIZEPARENT: each visible bar takes a
// strip off the top or bottom of what is left, in child order. Docked bars sit in rows of the
// frame's dock bars (CFrameWnd::EnableDocking, DockControlBar); they stay where they are docked:
// they are not dragged off or floated, and the left and right edges dock on the top and bottom.
#pragma once

#include "mfc/CommonControls.h"
#include "mfc/Frame.h"
#include "mfc/Gdi.h"

#include <string>
#include <vector>

// Bar styles (the low word of Create's style and SetBarStyle).
#define CBRS_FLOATING 0x00000001L
#define CBRS_SIZE_FIXED 0x00000002L
#define CBRS_SIZE_DYNAMIC 0x00000004L
#define CBRS_HIDE_INPLACE 0x00000008L
#define CBRS_TOOLTIPS 0x00000010L
#define CBRS_FLYBY 0x00000020L
#define CBRS_FLOAT_MULTI 0x00000040L
#define CBRS_BORDER_3D 0x00000080L
#define CBRS_BORDER_LEFT 0x00000100L
#define CBRS_BORDER_TOP 0x00000200L
#define CBRS_BORDER_RIGHT 0x00000400L
#define CBRS_BORDER_BOTTOM 0x00000800L
#define CBRS_BORDER_ANY 0x00000F00L
#define CBRS_ALIGN_LEFT 0x00001000L
#define CBRS_ALIGN_TOP 0x00002000L
#define CBRS_ALIGN_RIGHT 0x00004000L
#define CBRS_ALIGN_BOTTOM 0x00008000L
#define CBRS_ALIGN_ANY 0x0000F000L
#define CBRS_GRIPPER 0x00400000L
#define CBRS_ALL 0x0040FFFFL
#define CBRS_NOALIGN 0x00000000L
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// Toolbar control styles (CreateEx's dwCtrlStyle).
#ifndef TBSTYLE_TOOLTIPS
#define TBSTYLE_TOOLTIPS 0x0100
#define TBSTYLE_WRAPABLE 0x0200
#define TBSTYLE_FLAT 0x0800
#define TBSTYLE_LIST 0x1000
#define TBSTYLE_TRANSPARENT 0x8000
#endif

// Toolbar button styles and states (SetButtonStyle).
#define TBBS_BUTTON 0x0000
#define TBBS_SEPARATOR 0x0001
#define TBBS_CHECKBOX 0x0002
#define TBBS_GROUP 0x0004
#define TBBS_CHECKGROUP (TBBS_GROUP | TBBS_CHECKBOX)
#define TBBS_CHECKED 0x00010000
#define TBBS_PRESSED 0x00020000
#define TBBS_DISABLED 0x00040000
#define TBBS_HIDDEN 0x00080000
#define TBBS_INDETERMINATE 0x00100000

// Status bar pane styles (SetPaneInfo).
#define SBPS_NORMAL 0x0000
#define SBPS_NOBORDERS 0x0100
#define SBPS_POPOUT 0x0200
#define SBPS_OWNERDRAW 0x1000
#define SBPS_DISABLED 0x04000000
#define SBPS_STRETCH 0x08000000

// Where DockControlBar puts a bar.
#ifndef AFX_IDW_DOCKBAR_TOP
#define AFX_IDW_DOCKBAR_TOP 0xE81B
#define AFX_IDW_DOCKBAR_LEFT 0xE81C
#define AFX_IDW_DOCKBAR_RIGHT 0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81E
#endif

class CDockBar;

class CControlBar : public CWnd
{
    DECLARE_DYNAMIC(CControlBar)
public:
    CControlBar();
    ~CControlBar() override;

    DWORD GetBarStyle() const { return m_dwStyle; }
    // Bar styles (CBRS_*); the frame's layout follows at its next RecalcLayout.
    void SetBarStyle(DWORD dwStyle);
    // Edges the bar may be docked on (CBRS_ALIGN_*; 0: none).
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY; }
    DWORD GetDockingStyle() const { return m_dwDockStyle; }
    // The dock bar holding the bar, NULL when it is not docked.
    CDockBar* GetDockBar() const { return m_pDockBar; }
    BOOL IsVisible() const;

    // The bar's size in pixels: bStretch fills the frame's width (bHorz) or height.
    virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
    // Updates buttons/panes from the update handlers reached through pTarget.
    virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // Called by SetBarStyle when the style changed.
    virtual void OnBarStyleChange(DWORD dwOldStyle, DWORD dwNewStyle);
    // Called when the frame's layout has placed the bar: a bar holding others places them here.
    virtual void PositionContents() {}
    // Paints the bar's face (the background, borders and gripper come first).
    virtual void DoPaint(CDC* pDC);
    // The client area inside the borders and gripper.
    CRect InsideRect() const;
    // Creates the bar window: the CBRS_* bits of dwStyle go to the bar style.
    BOOL CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
    // Shows text in the owner frame's message pane (0: the idle text).
    void SetOwnerMessage(UINT nID);
    CFrameWnd* OwnerFrame() const;

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
    LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    void OnWindowPosChanged(WINDOWPOS* lpwndpos);

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;
    CDockBar* m_pDockBar = nullptr;
    friend class CDockBar;
    int m_cxLeftBorder = 6, m_cxRightBorder = 2, m_cyTopBorder = 2, m_cyBottomBorder = 2;
    bool m_bInLayout = false;

    DECLARE_MESSAGE_MAP()
};

class CToolBar : public CControlBar
{
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar();
    ~CToolBar() override;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT nID = AFX_IDW_TOOLBAR);
    // dwCtrlStyle: TBSTYLE_FLAT draws buttons without frames until the mouse is over them.
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                  UINT nID = AFX_IDW_TOOLBAR);

    // Buttons from the TOOLBAR resource and the bitmap strip of the same id. FALSE when either is
    // missing (the bar keeps what it had).
    BOOL LoadToolBar(LPCTSTR lpszResourceName);
    BOOL LoadToolBar(UINT nIDResource) { return LoadToolBar(MAKEINTRESOURCE(nIDResource)); }
    BOOL LoadBitmap(LPCTSTR lpszResourceName);
    BOOL LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCE(nIDResource)); }
    // Buttons with these command ids (ID_SEPARATOR for a separator); images in order.
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    // Button and image sizes in pixels (the button is at least the image plus 7).
    void SetSizes(SIZE sizeButton, SIZE sizeImage);

    int GetCount() const { return static_cast<int>(m_buttons.size()); }
    // Index of the button with the command, -1 when none.
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    // Rectangle of a button in the bar's client coordinates; empty for a bad index.
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    UINT GetButtonStyle(int nIndex) const;
    void SetButtonStyle(int nIndex, UINT nStyle);
    void GetButtonInfo(int nIndex, UINT& nID, UINT& nStyle, int& iImage) const;
    void SetButtonInfo(int nIndex, UINT nID, UINT nStyle, int iImage);
    // The tooltip control (CBRS_TOOLTIPS); NULL without one.
    CToolTipCtrl* GetToolTips() { return m_toolTip.GetSafeHwnd() ? &m_toolTip : nullptr; }
    // The tip text of a button (the second "\n" part of its command's string).
    CString GetButtonTipText(int nIndex) const;
    // The button under the mouse (flat bars show it raised), -1 when none.
    int GetHotItem() const { return m_nHot; }

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

protected:
    void OnBarStyleChange(DWORD dwOldStyle, DWORD dwNewStyle) override;
    void DoPaint(CDC* pDC) override;
    int HitTest(CPoint point) const;
    void Layout();
    void RefreshTips();

    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnCancelMode(WPARAM wParam, LPARAM lParam);

    struct Button
    {
        UINT id = 0;
        UINT style = 0; // TBBS_* including the states
        int image = -1;
        CRect rect;
    };
    std::vector<Button> m_buttons;
    CSize m_sizeButton{23, 22};
    CSize m_sizeImage{16, 15};
    CBitmap m_bitmap;
    DWORD m_dwCtrlStyle = 0;
    CToolTipCtrl m_toolTip;
    int m_nHot = -1;
    int m_nPressed = -1;
    bool m_bTracking = false;

    DECLARE_MESSAGE_MAP()
};

class CStatusBar : public CControlBar
{
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar();
    ~CStatusBar() override;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = 0,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);

    // One pane per id: ID_SEPARATOR is an empty pane (the first one stretches and shows messages),
    // another id shows its string and is as wide as it. FALSE when a string is missing.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    CString GetPaneText(int nIndex) const;
    void GetPaneText(int nIndex, CString& rString) const { rString = GetPaneText(nIndex); }
    // FALSE for a bad index.
    BOOL SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate = TRUE);
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    // cxWidth in pixels, without the pane's borders.
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    UINT GetPaneStyle(int nIndex) const;
    void SetPaneStyle(int nIndex, UINT nStyle);

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void DoPaint(CDC* pDC) override;
    void Layout();

    struct Pane
    {
        UINT id = 0;
        UINT style = 0;
        int cxText = 0;
        CString text;
        CRect rect;
    };
    std::vector<Pane> m_panes;
    int m_cyHeight = 0;
};

class CDialogBar : public CControlBar
{
    DECLARE_DYNAMIC(CDialogBar)
public:
    CDialogBar();
    ~CDialogBar() override;

    // A bar made from a dialog template (its controls, its size). nStyle: CBRS_TOP, CBRS_BOTTOM...
    // FALSE when the template is missing.
    BOOL Create(CWnd* pParentWnd, LPCTSTR lpszTemplateName, UINT nStyle, UINT nID);
    BOOL Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID)
    {
        return Create(pParentWnd, MAKEINTRESOURCE(nIDTemplate), nStyle, nID);
    }

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    // Enables, checks and renames the bar's controls through pTarget's update handlers.
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

    CSize m_sizeDefault;
};

// One docking edge of a frame (made by CFrameWnd::EnableDocking, id AFX_IDW_DOCKBAR_TOP or
// AFX_IDW_DOCKBAR_BOTTOM): a bar across the frame holding docked bars in rows, each at its own
// width, left to right; rows stack top to bottom and a row of hidden bars takes no room.
class CDockBar : public CControlBar
{
    DECLARE_DYNAMIC(CDockBar)
public:
    // The dock bar lives on the heap and deletes itself with its window.
    static CDockBar* Create(CFrameWnd* pFrame, UINT nID);

    // Takes pBar (from wherever it was docked): into the row that lpRect (screen coordinates)
    // starts on, after the bars that start left of it; lpRect above the rows: a new first row;
    // anywhere else or NULL: a new last row. The bar's alignment becomes the edge's.
    void Dock(CControlBar* pBar, LPCRECT lpRect);
    // Lets pBar go (its window stays where it is); nothing when the bar is not in this dock bar.
    void Remove(CControlBar* pBar);
    // The docked bars, row by row.
    const std::vector<std::vector<CControlBar*>>& Rows() const { return m_rows; }

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void PositionContents() override;
    void PostNcDestroy() override;

private:
    CDockBar() = default;
    static int RowHeight(const std::vector<CControlBar*>& row);
    std::vector<std::vector<CControlBar*>> m_rows;
};

// A push button that shows bitmaps named after its caption: "<caption>U" (up, required), and
// "<caption>D" (down), "<caption>F" (focused), "<caption>X" (disabled) when they exist.
class CBitmapButton : public CButton
{
    DECLARE_DYNAMIC(CBitmapButton)
public:
    CBitmapButton() = default;
    ~CBitmapButton() override;

    // Loads the bitmaps; FALSE when the up bitmap is missing.
    BOOL LoadBitmaps(LPCTSTR lpszUp, LPCTSTR lpszDown = nullptr, LPCTSTR lpszFocus = nullptr,
                     LPCTSTR lpszDisabled = nullptr);
    // Takes over dialog control nID, loads the bitmaps its caption names and sizes the button to
    // them; FALSE when the control or its up bitmap is missing.
    BOOL AutoLoad(UINT nID, CWnd* pParent);
    // Sizes the button to its up bitmap.
    void SizeToContent();

    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;
};
