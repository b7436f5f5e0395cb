#include "dialogs/ModifyAnalysisDlg.h"

#include "analysis/Gas.h"
#include "analysis/Library.h"

#include <widgetlib/FilePickCtrl.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CModifyAnalysisDlg, CDialog)

BEGIN_MESSAGE_MAP(CModifyAnalysisDlg, CDialog)
ON_NOTIFY(NM_DBLCLK, IDC_GASSEL_LIST, OnDblClkList)
ON_BN_CLICKED(IDC_GASSEL_DEFAULT, OnDefault)
ON_BN_CLICKED(IDC_GASSEL_BROWSE, OnBrowse)
END_MESSAGE_MAP()

const char* const CModifyAnalysisDlg::kDefaultGases[kListSize] = {
    "Hydrogen",        "Helium", "Methane", "Water", "Nitrogen",       "Oxygen",
    "Carbon monoxide", "NO",     "Neon",    "Argon", "Carbon dioxide", "MP Oil"};

CModifyAnalysisDlg::CModifyAnalysisDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CModifyAnalysisDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GASSEL_LIST, m_list);
    DDX_Radio(pDX, IDC_GASSEL_TITLE_RULE, m_nNameRule);
    DDX_Text(pDX, IDC_GASSEL_FOLDER, m_strFolder);
    DDV_MaxChars(pDX, m_strFolder, kMaxPathChars);
    DDX_Check(pDX, IDC_GASSEL_LOGGING, m_bLogging);
    DDX_Text(pDX, IDC_GASSEL_FILE_NAME, m_strFileName);
    DDV_MaxChars(pDX, m_strFileName, kMaxPathChars);
}

BOOL CModifyAnalysisDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_images.Create(16, 16, ILC_COLOR8 | ILC_MASK, 2, 0);
    for (UINT icon : {IDI_GAS_NOT_SELECTED, IDI_GAS_SELECTED})
        m_images.Add(::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(icon)));
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    CRect area;
    m_list.GetClientRect(&area);
    m_list.InsertColumn(0, "Gas", LVCFMT_LEFT, area.Width() - ::GetSystemMetrics(SM_CXVSCROLL));
    FillList();
    return TRUE;
}

void CModifyAnalysisDlg::FillList()
{
    const int count = m_pLibrary ? m_pLibrary->GetSize() : 0;
    m_selected.assign(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i)
    {
        CGas* gas = nullptr;
        if (!m_pLibrary->GetGasAt(i, gas) || !gas)
        {
            m_selected.resize(static_cast<size_t>(i));
            break;
        }
        const CString name = gas->GetName().Left(kMaxNameChars);
        for (const CString& listed : m_gasList)
            if (name == listed)
                m_selected[static_cast<size_t>(i)] = 1;
        m_list.InsertItem(i, name, m_selected[static_cast<size_t>(i)] ? 1 : 0);
    }
    m_initialSelection = m_selected;
}

void CModifyAnalysisDlg::ToggleGas(int item)
{
    if (item < 0 || item >= static_cast<int>(m_selected.size()))
        return;
    int& flag = m_selected[static_cast<size_t>(item)];
    flag = flag ? 0 : 1;
    if (m_list.m_hWnd)
    {
        m_list.SetItem(item, 0, LVIF_IMAGE, nullptr, flag, 0, 0, 0);
        m_list.SetFocus();
        m_list.SetSelectionMark(item);
    }
}

void CModifyAnalysisDlg::OnDblClkList(NMHDR* pNMHDR, LRESULT* pResult)
{
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
    const int item = activate->iItem >= 0 ? activate->iItem : m_list.GetNextItem(-1, LVNI_SELECTED);
    ToggleGas(item);
    *pResult = 0;
}

void CModifyAnalysisDlg::OnDefault()
{
    for (int i = 0; i < kListSize; ++i)
        m_gasList[i] = kDefaultGases[i];
    m_list.DeleteAllItems();
    m_selected.clear();
    FillList();
}

void CModifyAnalysisDlg::OnBrowse()
{
    CFilePickCtrl picker;
    picker.SetDirOnly(TRUE);
    picker.SetStartPath(m_startFolder.substr(0, MAX_PATH).c_str());
    picker.SetOwner(m_hWnd);
    char path[MAX_PATH] = {};
    if (picker.DoModal("Select Folder") == IDOK && picker.GetSelectedItem(path, MAX_PATH))
        SetDlgItemText(IDC_GASSEL_FOLDER, path);
}

BOOL CModifyAnalysisDlg::SelectionToList(CString (&list)[kListSize], int& selectedCount) const
{
    std::vector<CString> chosen; // selected library gases, in library order
    for (size_t i = 0; i < m_selected.size(); ++i)
        if (m_selected[i])
            chosen.push_back(m_list.GetItemText(static_cast<int>(i), 0));
    selectedCount = static_cast<int>(chosen.size());
    if (selectedCount != kListSize)
        return FALSE;
    // Gases still selected keep their places; the newly selected ones take the places of those
    // unselected (and of names the library does not have), in library order.
    bool kept[kListSize] = {};
    for (int i = 0; i < kListSize; ++i)
    {
        auto at = std::find(chosen.begin(), chosen.end(), m_gasList[i]);
        if (at != chosen.end())
        {
            list[i] = m_gasList[i];
            kept[i] = true;
            chosen.erase(at);
        }
    }
    auto next = chosen.begin();
    for (int i = 0; i < kListSize; ++i)
        if (!kept[i])
            list[i] = *next++;
    return TRUE;
}

void CModifyAnalysisDlg::OnOK()
{
    if (m_selected != m_initialSelection)
    {
        CString list[kListSize];
        int count = 0;
        if (!SelectionToList(list, count))
        {
            CString text;
            text.Format(IDS_GASSEL_COUNT, kListSize, count);
            AfxMessageBox(text, MB_ICONEXCLAMATION);
            m_list.SetFocus();
            return;
        }
        if (!UpdateData(TRUE))
            return;
        std::copy(std::begin(list), std::end(list), std::begin(m_gasList));
        EndDialog(IDOK);
        return;
    }
    CDialog::OnOK();
}
