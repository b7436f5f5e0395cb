#include "scans/DynamicLoggingDialog.h"

#include "res/resource.h"

IMPLEMENT_DYNAMIC(CDynamicLoggingDialog, CLoggingDialogBase)

CDynamicLoggingDialog::CDynamicLoggingDialog(CWnd* pParent) : CLoggingDialogBase(IDD_DYNAMIC_LOGGING, pParent)
{
}

void CDynamicLoggingDialog::Load(const CScanLogSettings& settings)
{
    CLoggingDialogBase::Load(settings);
    m_nFileType = settings.m_fileType;
}

void CDynamicLoggingDialog::Store(CScanLogSettings& settings) const
{
    CLoggingDialogBase::Store(settings);
    settings.m_fileType = m_nFileType;
}

void CDynamicLoggingDialog::DoDataExchange(CDataExchange* pDX)
{
    CLoggingDialogBase::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_LOG_TYPE_TXT, m_nFileType);
}

BOOL CDynamicLoggingDialog::OnInitDialog()
{
    CLoggingDialogBase::OnInitDialog();
    const int show = m_nLayoutMode == 1 ? SW_SHOW : SW_HIDE;
    for (int id : {IDC_LOG_TYPE_GROUP, IDC_LOG_TYPE_TXT, IDC_LOG_TYPE_KEL})
        if (CWnd* item = GetDlgItem(id))
            item->ShowWindow(show);
    if (m_nLayoutMode == 1)
        SetDlgItemText(IDC_LOG_ENABLE, "Enable logging");
    return TRUE;
}
