#include "app/KelCMDIChildWnd.h"

#include "app/WindowActivationManager.h"

IMPLEMENT_DYNCREATE(CKelCMDIChildWnd, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CKelCMDIChildWnd, CMDIChildWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
END_MESSAGE_MAP()

CKelCMDIChildWnd::CKelCMDIChildWnd() = default;

BOOL CKelCMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.x = 0;
    cs.y = 0;
    cs.cx = 800;
    cs.cy = 517;
    cs.style = WS_CHILD | WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
    return CMDIChildWnd::PreCreateWindow(cs);
}

int CKelCMDIChildWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CMDIChildWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    CWindowActivationManager::Instance()->Register(m_hWnd);
    return 0;
}

void CKelCMDIChildWnd::OnDestroy()
{
    CWindowActivationManager::Instance()->Unregister(m_hWnd);
    CMDIChildWnd::OnDestroy();
}

LRESULT CKelCMDIChildWnd::OnNcActivate(WPARAM wParam, LPARAM lParam)
{
    const BOOL active = static_cast<BOOL>(wParam);
    CWindowActivationManager::Instance()->OnNcActivate(m_hWnd, active);
    // Only the manager greys the caption; losing the focus to a dialog of ours keeps it active.
    const BOOL show = active || lParam != CWindowActivationManager::kFromManager;
    return DefWindowProc(WM_NCACTIVATE, show, lParam);
}
