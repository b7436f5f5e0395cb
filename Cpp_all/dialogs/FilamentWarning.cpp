#include "dialogs/FilamentWarning.h"

#include "../../dlgpack/resource.h"

IMPLEMENT_DYNAMIC(CFilamentWarning, CDialog)

BEGIN_MESSAGE_MAP(CFilamentWarning, CDialog)
ON_BN_CLICKED(IDC_FILWARN_CONTINUE, OnContinue)
END_MESSAGE_MAP()

CFilamentWarning::CFilamentWarning(CWnd* pParent) : CDialog(IDD, pParent) {}

void CFilamentWarning::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_FILWARN_NOMORE, m_nCheck);
}

void CFilamentWarning::OnContinue()
{
    UpdateData(TRUE);
    EndDialog(kContinueWithoutFilament);
}
