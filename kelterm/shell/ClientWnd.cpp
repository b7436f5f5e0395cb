#include "shell/ClientWnd.h"

BEGIN_MESSAGE_MAP(CClientWnd, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CClientWnd::Create(CWnd* pParent, UINT nID)
{
    LPCTSTR cls = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                      reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    return CreateEx(WS_EX_CLIENTEDGE, cls, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), pParent, nID);
}

void CClientWnd::OnPaint()
{
    ValidateRect(nullptr);
}
