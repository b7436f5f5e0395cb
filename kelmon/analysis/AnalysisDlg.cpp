#include "analysis/AnalysisDlg.h"

#include "KelMessages.h"
#include "analysis/AnalysisSetupDlg.h"

#include <atomic>
#include <bit>

namespace
{
ActiveViewLookup g_viewLookup = nullptr;

const int kNameIds[CAnalysisDlg::kRows] = {IDC_ANALYSIS_NAME0, IDC_ANALYSIS_NAME1,  IDC_ANALYSIS_NAME2,
                                           IDC_ANALYSIS_NAME3, IDC_ANALYSIS_NAME4,  IDC_ANALYSIS_NAME5,
                                           IDC_ANALYSIS_NAME6, IDC_ANALYSIS_NAME7,  IDC_ANALYSIS_NAME8,
                                           IDC_ANALYSIS_NAME9, IDC_ANALYSIS_NAME10, IDC_ANALYSIS_NAME11};
const int kValueIds[CAnalysisDlg::kRows] = {IDC_ANALYSIS_VALUE0, IDC_ANALYSIS_VALUE1,  IDC_ANALYSIS_VALUE2,
                                            IDC_ANALYSIS_VALUE3, IDC_ANALYSIS_VALUE4,  IDC_ANALYSIS_VALUE5,
                                            IDC_ANALYSIS_VALUE6, IDC_ANALYSIS_VALUE7,  IDC_ANALYSIS_VALUE8,
                                            IDC_ANALYSIS_VALUE9, IDC_ANALYSIS_VALUE10, IDC_ANALYSIS_VALUE11};

void PostToActiveView(UINT message)
{
    HWND view = g_viewLookup ? g_viewLookup() : nullptr;
    if (view)
        ::PostMessage(view, message, 0, 0);
}
} // namespace

ActiveViewLookup SetAnalysisViewLookup(ActiveViewLookup lookup)
{
    ActiveViewLookup previous = g_viewLookup;
    g_viewLookup = lookup;
    return previous;
}

IMPLEMENT_DYNAMIC(CAnalysisDlg, CDialog)

BEGIN_MESSAGE_MAP(CAnalysisDlg, CDialog)
ON_MESSAGE(WM_KEL_ANALYSISRESULT, OnAnalysisResult)
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
ON_BN_CLICKED(IDC_ANALYSIS_SETUP, OnSetup)
ON_BN_CLICKED(IDC_ANALYSIS_DONE, OnDone)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CAnalysisDlg::CAnalysisDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CAnalysisDlg::~CAnalysisDlg()
{
    if (HasWindow())
    {
        m_quiet = true;
        DestroyWindow();
    }
}

BOOL CAnalysisDlg::CreateView(int32_t* selectionFlags, int32_t* changedFlag, const CStringArray* gasNames,
                              int32_t* unitsMode)
{
    m_pSelection = selectionFlags;
    m_pChanged = changedFlag;
    m_pGasNames = gasNames;
    m_pUnitsMode = unitsMode;
    if (HasWindow())
        return TRUE;
    return Create(IDD, nullptr);
}

void CAnalysisDlg::ShowResult(float* const* rows, uint32_t gases)
{
    ::SendMessage(m_hWnd, WM_KEL_ANALYSISRESULT, reinterpret_cast<WPARAM>(rows), static_cast<LPARAM>(gases));
}

BOOL CAnalysisDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    BuildNameRows();
    ShowTexts();
    return TRUE;
}

void CAnalysisDlg::BuildNameRows()
{
    int row = 0;
    for (int i = 0; i < kRows; ++i)
        m_nameText[i].Empty();
    for (int i = 0; i < kRows; ++i)
        if (m_pSelection && m_pSelection[i] && m_pGasNames && i < m_pGasNames->GetSize())
            m_nameText[row++] = (*m_pGasNames)[i];
}

void CAnalysisDlg::ShowTexts()
{
    for (int k = 0; k < kRows; ++k)
    {
        SetDlgItemText(kNameIds[k], m_nameText[k]);
        SetDlgItemText(kValueIds[k], m_valueText[k]);
    }
}

LRESULT CAnalysisDlg::OnAnalysisResult(WPARAM wParam, LPARAM lParam)
{
    const auto* rows = reinterpret_cast<float* const*>(wParam);
    const uint32_t gases = SelectionMask(m_pSelection, kRows);
    const int n = std::popcount(gases);
    // A result computed before the choice of gases changed belongs to other rows: the next
    // sweep brings one for these.
    if (!rows || n < 1 || gases != static_cast<uint32_t>(lParam))
        return 0;
    float values[kRows];
    for (int k = 0; k < n; ++k)
        values[k] = rows[k][0];
    FormatAnalysisResults(values, n, m_pUnitsMode ? *m_pUnitsMode : 0, m_valueText);
    ShowTexts();
    return 0;
}

LRESULT CAnalysisDlg::OnCommandHelp(WPARAM wParam, LPARAM lParam)
{
    return CDialog::OnCommandHelp(wParam, lParam ? lParam : static_cast<LPARAM>(kHelpContext));
}

void CAnalysisDlg::OnSetup()
{
    CAnalysisSetupDlg dlg(this);
    dlg.m_pSelection = m_pSelection;
    dlg.m_pGasNames = m_pGasNames;
    dlg.m_pUnitsMode = m_pUnitsMode;
    if (dlg.DoModal() != IDOK)
        return;
    // Read by the analysis on the scan's thread: the release makes the new selection visible there.
    if (m_pChanged)
        std::atomic_ref<int32_t>(*m_pChanged).store(1, std::memory_order_release);
    for (CString& text : m_valueText)
        text.Empty();
    BuildNameRows();
    ShowTexts();
    PostToActiveView(WM_KEL_ANALYSISSETUPCHANGED);
}

void CAnalysisDlg::OnDone()
{
    DestroyWindow();
}

void CAnalysisDlg::OnDestroy()
{
    CDialog::OnDestroy();
    if (!m_quiet)
        PostToActiveView(WM_KEL_ANALYSISCLOSED);
}
