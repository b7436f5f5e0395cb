#include "scans/LoggingDialogBase.h"

#include "res/resource.h"

#include <widgetlib/FilePickCtrl.h>

IMPLEMENT_DYNAMIC(CLoggingDialogBase, CDialog)

BEGIN_MESSAGE_MAP(CLoggingDialogBase, CDialog)
ON_BN_CLICKED(IDC_LOG_BROWSE, OnBrowse)
ON_BN_CLICKED(IDC_LOG_TITLE_RULE, OnRadio)
ON_BN_CLICKED(IDC_LOG_USER_RULE, OnRadio)
END_MESSAGE_MAP()

CLoggingDialogBase::CLoggingDialogBase(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}

INT_PTR CLoggingDialogBase::Edit(CScanLogSettings& settings, LPCTSTR caption, std::string& rememberedFolder)
{
    Load(settings);
    if (m_strFolder.IsEmpty())
        m_strFolder = rememberedFolder.c_str();
    m_startFolder = rememberedFolder;
    m_strCaption = caption;
    const INT_PTR result = DoModal();
    if (result == IDOK)
    {
        Store(settings);
        rememberedFolder = std::string(m_strFolder);
    }
    return result;
}

void CLoggingDialogBase::Load(const CScanLogSettings& settings)
{
    m_strFolder = settings.m_folder;
    m_nNameRule = settings.m_nameRule;
    m_bEnabled = settings.m_enabled;
    m_strFileName = settings.m_fileName;
}

void CLoggingDialogBase::Store(CScanLogSettings& settings) const
{
    settings.m_folder = m_strFolder;
    settings.m_nameRule = m_nNameRule;
    settings.m_enabled = m_bEnabled;
    settings.m_fileName = m_strFileName;
}

void CLoggingDialogBase::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_LOG_ENABLE, m_bEnabled);
    DDX_Text(pDX, IDC_LOG_FOLDER, m_strFolder);
    DDV_MaxChars(pDX, m_strFolder, MAX_PATH - 1);
    DDX_Radio(pDX, IDC_LOG_TITLE_RULE, m_nNameRule);
    DDX_Text(pDX, IDC_LOG_FILE_NAME, m_strFileName);
    DDV_MaxChars(pDX, m_strFileName, kMaxFileName);
}

BOOL CLoggingDialogBase::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    UpdateEnables();
    return TRUE;
}

void CLoggingDialogBase::UpdateEnables()
{
    if (CWnd* name = GetDlgItem(IDC_LOG_FILE_NAME))
        name->EnableWindow(IsDlgButtonChecked(IDC_LOG_USER_RULE) == BST_CHECKED);
}

void CLoggingDialogBase::OnRadio()
{
    UpdateEnables();
}

void CLoggingDialogBase::OnBrowse()
{
    CFilePickCtrl picker;
    picker.SetDirOnly(TRUE);
    picker.SetStartPath(m_startFolder.c_str());
    picker.SetOwner(m_hWnd);
    char path[MAX_PATH] = {};
    if (picker.DoModal("Select Folder") == IDOK && picker.GetSelectedItem(path, MAX_PATH))
        SetDlgItemText(IDC_LOG_FOLDER, path);
}
