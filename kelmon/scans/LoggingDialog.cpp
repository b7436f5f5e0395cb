#include "scans/LoggingDialog.h"

#include "res/resource.h"

IMPLEMENT_DYNAMIC(CLoggingDialog, CLoggingDialogBase)

BEGIN_MESSAGE_MAP(CLoggingDialog, CLoggingDialogBase)
ON_BN_CLICKED(IDC_LOG_SAVE_EVERY_SCAN, OnRadio)
ON_BN_CLICKED(IDC_LOG_SAVE_EVERY_N, OnRadio)
END_MESSAGE_MAP()

CLoggingDialog::CLoggingDialog(CWnd* pParent) : CLoggingDialogBase(IDD_LOGGING_SETTINGS, pParent) {}

void CLoggingDialog::Load(const CScanLogSettings& settings)
{
    CLoggingDialogBase::Load(settings);
    m_nSaveMode = settings.m_saveMode;
    m_nEveryN = settings.m_everyN;
    m_nMaxSaved = settings.m_maxSaved;
}

void CLoggingDialog::Store(CScanLogSettings& settings) const
{
    CLoggingDialogBase::Store(settings);
    settings.m_saveMode = m_nSaveMode;
    settings.m_everyN = m_nEveryN;
    settings.m_maxSaved = m_nMaxSaved;
}

void CLoggingDialog::DoDataExchange(CDataExchange* pDX)
{
    CLoggingDialogBase::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_LOG_SAVE_EVERY_SCAN, m_nSaveMode);
    DDX_Text(pDX, IDC_LOG_EVERY_N, m_nEveryN);
    // The count matters only when it is used; a greyed field never holds the dialog open.
    if (m_nSaveMode == CScanLogSettings::kSaveEveryN)
        DDV_MinMaxInt(pDX, m_nEveryN, 2, 10000);
    DDX_Text(pDX, IDC_LOG_MAX_SAVED, m_nMaxSaved);
    DDV_MinMaxInt(pDX, m_nMaxSaved, 1, 10000);
}

void CLoggingDialog::UpdateEnables()
{
    CLoggingDialogBase::UpdateEnables();
    if (CWnd* every = GetDlgItem(IDC_LOG_EVERY_N))
        every->EnableWindow(IsDlgButtonChecked(IDC_LOG_SAVE_EVERY_N) == BST_CHECKED);
}
