#include "dialogs/LibrarySearchDlg.h"

#include "analysis/Gas.h"
#include "analysis/Library.h"

#include <cstdio>
#include <vector>

IMPLEMENT_DYNAMIC(CLibrarySearchDlg, CDialog)

BEGIN_MESSAGE_MAP(CLibrarySearchDlg, CDialog)
ON_BN_CLICKED(IDC_LIBSEARCH_SEARCH, OnSearch)
ON_BN_CLICKED(IDC_LIBSEARCH_SHOW_ALL, OnShowAll)
ON_BN_CLICKED(IDC_LIBSEARCH_CLEAR, OnClear)
ON_BN_CLICKED(IDC_LIBSEARCH_PLOT, OnPlot)
ON_BN_CLICKED(ID_HELP, OnHelp)
ON_LBN_SELCHANGE(IDC_LIBSEARCH_GASES, OnGasSelected)
ON_LBN_DBLCLK(IDC_LIBSEARCH_GASES, OnPlot)
END_MESSAGE_MAP()

const int CLibrarySearchDlg::kMassIds[kMasses] = {1123, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039};

CLibrarySearchDlg::CLibrarySearchDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CLibrarySearchDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LIBSEARCH_GASES, m_gases);
    DDX_Control(pDX, IDC_LIBSEARCH_PEAKS, m_peaks);
    for (int i = 0; i < kMasses; ++i)
    {
        DDX_Text(pDX, kMassIds[i], m_masses[i]);
        DDV_MinMaxInt(pDX, m_masses[i], 0, kHighestMass);
    }
    DDX_Text(pDX, IDC_LIBSEARCH_FRAG_MASSES, m_strFragmentMasses);
    DDX_Text(pDX, IDC_LIBSEARCH_FRAG_INTENSITIES, m_strFragmentIntensities);
}

BOOL CLibrarySearchDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_nGasCount = m_pLibrary ? m_pLibrary->GetSize() : 0;
    CRect area;
    m_peaks.GetClientRect(&area);
    m_peaks.InsertColumn(0, "Mass", LVCFMT_LEFT, area.Width() / 2);
    m_peaks.InsertColumn(1, "%", LVCFMT_LEFT, area.Width() / 2);
    OnShowAll();
    return TRUE;
}

BOOL CLibrarySearchDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Leaving a mass edit reads the fields at once, so a mass out of range is refused there. The
    // refusal is told once: a button pressed to leave the field does not tell it again.
    const int code = HIWORD(wParam);
    if (code == EN_KILLFOCUS || code == EN_CHANGE)
        for (int id : kMassIds)
            if (LOWORD(wParam) == id)
            {
                if (code == EN_CHANGE)
                    m_bFieldRefused = FALSE;
                else if (!m_bFieldRefused)
                    m_bFieldRefused = !UpdateData(TRUE);
                return TRUE;
            }
    return CDialog::OnCommand(wParam, lParam);
}

void CLibrarySearchDlg::ClearTexts()
{
    m_strFragmentMasses.Empty();
    m_strFragmentIntensities.Empty();
    SetDlgItemText(IDC_LIBSEARCH_FRAG_MASSES, "");
    SetDlgItemText(IDC_LIBSEARCH_FRAG_INTENSITIES, "");
    m_peaks.DeleteAllItems();
    m_pSelectedGas = nullptr;
}

void CLibrarySearchDlg::AddGas(CGas* gas)
{
    const int item = m_gases.AddString(gas->GetName());
    if (item >= 0)
        m_gases.SetItemDataPtr(item, gas);
}

void CLibrarySearchDlg::OnSearch()
{
    if (m_bFieldRefused)
        return;
    if (!UpdateData(TRUE))
    {
        m_bFieldRefused = TRUE; // told once, until the field changes
        return;
    }
    ClearTexts();
    m_gases.ResetContent();
    if (!m_pLibrary)
        return;
    std::vector<int> found;
    m_pLibrary->SearchMasses(m_masses, found);
    for (int index : found)
    {
        CGas* gas = nullptr;
        if (m_pLibrary->GetGasAt(index, gas) && gas)
            AddGas(gas);
    }
}

void CLibrarySearchDlg::OnShowAll()
{
    m_gases.ResetContent();
    ClearTexts();
    for (int i = 0; m_pLibrary && i < m_nGasCount; ++i)
    {
        CGas* gas = nullptr;
        if (!m_pLibrary->GetGasAt(i, gas) || !gas)
            break;
        AddGas(gas);
    }
}

void CLibrarySearchDlg::OnClear()
{
    m_gases.ResetContent();
    for (int32_t& mass : m_masses)
        mass = 0;
    ClearTexts();
    UpdateData(FALSE);
    m_bFieldRefused = FALSE;
}

void CLibrarySearchDlg::OnGasSelected()
{
    const int item = m_gases.GetCurSel();
    if (item < 0)
        return;
    m_pSelectedGas = static_cast<CGas*>(m_gases.GetItemDataPtr(item));
    if (!m_pSelectedGas)
        return;
    m_pSelectedGas->FormatPeaks(m_strFragmentMasses, m_strFragmentIntensities);
    SetDlgItemText(IDC_LIBSEARCH_FRAG_MASSES, m_strFragmentMasses);
    SetDlgItemText(IDC_LIBSEARCH_FRAG_INTENSITIES, m_strFragmentIntensities);
    FillPeaks();
}

void CLibrarySearchDlg::FillPeaks()
{
    m_peaks.DeleteAllItems();
    std::vector<PeakRecord> peaks;
    m_pSelectedGas->GetPeaks(peaks);
    for (size_t i = 0; i < peaks.size(); ++i)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(peaks[i].mass));
        const int item = m_peaks.InsertItem(static_cast<int>(i), text);
        std::snprintf(text, sizeof text, "%1.1f", peaks[i].intensity);
        m_peaks.SetItemText(item, 1, text);
    }
}

void CLibrarySearchDlg::OnPlot()
{
    const int item = m_gases.GetCurSel();
    if (item < 0 || !m_pLibrary)
        return;
    if (CGas* gas = static_cast<CGas*>(m_gases.GetItemDataPtr(item)))
        m_pLibrary->ShowGas(gas);
}

void CLibrarySearchDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
