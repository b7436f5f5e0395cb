#include "mfc/View.h"

#include "afxres.h"
#include "mfc/DocTemplate.h"
#include "mfc/Document.h"
#include "mfc/Frame.h"
#include "mfc/Gdi.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_MOUSEACTIVATE()
ON_WM_SETFOCUS()
AFX_WM_ENTRY(WM_INITIALUPDATE, p_->OnInitialUpdate())
END_MESSAGE_MAP()

CView::CView() = default;

CView::~CView()
{
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    // The frame hands the document over in the creation context.
    auto* pContext = lpcs != nullptr ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    if (pContext != nullptr && pContext->m_pCurrentDoc != nullptr)
        pContext->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy()
{
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame != nullptr && pFrame->GetActiveView() == this)
        pFrame->SetActiveView(nullptr, FALSE);
    CWnd::OnDestroy();
}

void CView::PostNcDestroy()
{
    delete this;
}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    OnDraw(&dc);
}

void CView::OnPrepareDC(CDC* pDC, void* pInfo)
{
    (void)pDC, (void)pInfo;
}

void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint)
{
    (void)pSender, (void)lHint, (void)pHint;
    Invalidate(TRUE);
}

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView)
{
    (void)pDeactiveView;
    if (bActivate && pActivateView == this)
    {
        // Take the focus when the frame is where the user works.
        CFrameWnd* pTop = GetTopLevelFrame();
        if (pTop != nullptr && (::GetActiveWindow() == pTop->m_hWnd || ::GetFocus() == nullptr))
            SetFocus();
    }
}

void CView::OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd)
{
    (void)nState, (void)pFrameWnd;
}

int CView::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message)
{
    const int nResult = CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
    if (nResult == MA_NOACTIVATE || nResult == MA_NOACTIVATEANDEAT)
        return nResult;
    // A click makes this the active view of its frame.
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame != nullptr)
        pFrame->SetActiveView(this);
    return nResult;
}

void CView::OnSetFocus(CWnd* pOldWnd)
{
    CWnd::OnSetFocus(pOldWnd);
    // The focus arriving (a click, the keyboard) makes this the frame's active view and the frame
    // the active document window.
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame == nullptr)
        return;
    if (pFrame->GetActiveView() != this)
        pFrame->SetActiveView(this, FALSE);
    if (auto* pChild = dynamic_cast<CMDIChildWnd*>(pFrame))
        if (CMDIFrameWnd* pMain = pChild->GetMDIFrame(); pMain != nullptr && pMain->MDIGetActive() != pChild)
            pChild->MDIActivate();
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
