#include "dialogs/BrowseFolderDlg.h"

#include "foundation/AppUiState.h"
#include "foundation/Paths.h"

#include <widgetlib/FilePickCtrl.h>

namespace
{
// Characters a folder name may not hold.
constexpr char kInvalidNameChars[] = "\\*/:?<>|";
} // namespace

IMPLEMENT_DYNAMIC(CBrowseFolderDlg, CDialog)

BEGIN_MESSAGE_MAP(CBrowseFolderDlg, CDialog)
ON_BN_CLICKED(IDC_BROWSE_FOLDER, OnBrowse)
ON_EN_CHANGE(IDC_BROWSE_NAME, OnNameChange)
END_MESSAGE_MAP()

CBrowseFolderDlg::CBrowseFolderDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CBrowseFolderDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BROWSE_NAME, m_nameEdit);
    DDX_Radio(pDX, IDC_BROWSE_TYPE_KEL, m_nFileType);
}

BOOL CBrowseFolderDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_folder = CAppUiState::GetInstance()->m_lastFolder;
    SetDlgItemText(IDC_BROWSE_PATH, m_folder.c_str());
    return TRUE;
}

void CBrowseFolderDlg::OnBrowse()
{
    CAppUiState* state = CAppUiState::GetInstance();
    CFilePickCtrl picker;
    picker.SetDirOnly(TRUE);
    picker.SetStartPath(state->m_lastFolder.c_str());
    picker.SetOwner(m_hWnd);
    SetDlgItemText(IDC_BROWSE_PATH, state->m_lastFolder.c_str());
    if (picker.DoModal("Select Folder") != IDOK)
        return;
    char path[MAX_PATH];
    if (!picker.GetSelectedItem(path, MAX_PATH))
        return;
    m_folder = path;
    state->m_lastFolder = m_folder;
    SetDlgItemText(IDC_BROWSE_PATH, m_folder.c_str());
}

void CBrowseFolderDlg::OnNameChange()
{
    CString name;
    GetDlgItemText(IDC_BROWSE_NAME, name);
    SetDlgItemText(IDC_BROWSE_PATH, JoinPath(m_folder, static_cast<LPCTSTR>(name)).c_str());
}

void CBrowseFolderDlg::RefuseName(LPCTSTR lpszText)
{
    MessageBox(lpszText, "info", MB_OK);
    m_nameEdit.SetSel(0, -1);
    m_nameEdit.SendMessage(EM_SCROLLCARET);
    m_nameEdit.SetFocus();
}

void CBrowseFolderDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    CString text;
    m_nameEdit.GetWindowText(text);
    const std::string name = static_cast<LPCTSTR>(text);
    if (name.find_first_of(kInvalidNameChars) != std::string::npos)
    {
        RefuseName("Invalid folder name");
        return;
    }

    ShowWindow(SW_HIDE);
    const std::string path = JoinPath(m_folder, name);
    if (::GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES)
    {
        ShowWindow(SW_SHOW);
        RefuseName("Folder already exist! Select different one");
        return;
    }
    if (!::CreateDirectory(path.c_str(), nullptr))
    {
        ShowWindow(SW_SHOW);
        RefuseName("Failed to create the directory");
        return;
    }
    m_folder = path + '/';
    EndDialog(IDOK);
}
