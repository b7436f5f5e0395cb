#include "head/HeadBoxPolicy.h"

#include "mfc/ModuleState.h"

CHeadBoxPolicy& CHeadBoxPolicy::Instance()
{
    static CHeadBoxPolicy instance;
    return instance;
}

void CHeadBoxPolicy::Install()
{
    CHead::SetAskPolicy(&Instance());
}

BOOL CHeadBoxPolicy::AskRetry(LPCTSTR text)
{
    return AfxMessageBox(text, MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2) == IDRETRY;
}

int CHeadBoxPolicy::AskAbortRetryIgnore(LPCTSTR text)
{
    return AfxMessageBox(text, MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2);
}

void CHeadBoxPolicy::Tell(LPCTSTR text, UINT type)
{
    AfxMessageBox(text, type);
}
