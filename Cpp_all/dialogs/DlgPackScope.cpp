#include "dialogs/DlgPackScope.h"

#include "ResourceDll.h"

#include <afxwin.h>

CDlgPackScope::CDlgPackScope()
{
    CResourceDll* dll = CResourceDll::Instance();
    m_switched = dll->GetModule() != nullptr && AfxGetResourceHandle() != dll->GetModule();
    if (m_switched)
        dll->SwitchToDll();
}

CDlgPackScope::~CDlgPackScope()
{
    if (m_switched)
        CResourceDll::Instance()->RestoreHandle();
}
