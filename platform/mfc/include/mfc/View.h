// CView: a child window of a frame that shows a document. It paints through OnDraw, hears about
// document changes through OnUpdate, and takes commands before its document does.
#pragma once

#include "mfc/Wnd.h"

class CDC;
class CDocument;
class CFrameWnd;
struct CCreateContext;

class CView : public CWnd
{
    DECLARE_DYNAMIC(CView)
public:
    CView();
    // Leaves its document's view list.
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // After the frame and the document are ready (and after New/Open): calls OnUpdate(NULL, 0, NULL).
    virtual void OnInitialUpdate();
    // Paints the view (from WM_PAINT, into the paint DC prepared by OnPrepareDC).
    virtual void OnDraw(CDC* pDC) = 0;
    virtual void OnPrepareDC(CDC* pDC, void* pInfo = nullptr);
    // The document changed (UpdateAllViews); the base invalidates the whole view.
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    // The view became (bActivate) or stopped being the frame's active view; the active one takes
    // the focus.
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    virtual void OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd);

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // The view first, then its document.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    // Views belong to their frame and go with their window.
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnDestroy();
    void OnPaint();
    int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    void OnSetFocus(CWnd* pOldWnd);

protected:
    CDocument* m_pDocument = nullptr;
    friend class CDocument;

    DECLARE_MESSAGE_MAP()
};
