#include "analysis/LibScanParameterDlg.h"

#include "analysis/Library.h"
#include "doc/AnalogData.h"
#include "foundation/AppUiState.h"

IMPLEMENT_DYNAMIC(CLibScanParameterDlg, CBaseParameterDlg)

CLibScanParameterDlg::CLibScanParameterDlg(CWnd* pParent) : CBaseParameterDlg(IDD, pParent) {}

void CLibScanParameterDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseParameterDlg::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LIB_START_MASS, m_startMass);
    DDV_MinMaxInt(pDX, m_startMass, kLowestMass, kHighestMass);
    DDX_Text(pDX, IDC_LIB_STOP_MASS, m_stopMass);
    DDV_MinMaxInt(pDX, m_stopMass, kLowestMass, kHighestMass);
}

void CLibScanParameterDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    NotifyParametersChanged();
}

void CLibScanParameterDlg::EnableControls(BOOL bEnable)
{
    CBaseParameterDlg::EnableControls(bEnable);
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
        if (child->GetDlgCtrlID() != ID_HELP)
            child->EnableWindow(bEnable);
}

// ---- The library's side ----------------------------------------------------------------------------

namespace
{
CLibScanParameterDlg* Dialog(const CLibrary& library)
{
    return static_cast<CLibScanParameterDlg*>(library.GetParameterDlg());
}
} // namespace

void CLibrary::CreateParameterDlg()
{
    if (!m_pParameterDlg)
        m_pParameterDlg = std::make_unique<CLibScanParameterDlg>();
    if (m_pRange)
    {
        Dialog(*this)->m_startMass = m_pRange->m_startMass;
        Dialog(*this)->m_stopMass = m_pRange->m_stopMass;
    }
}

void CLibrary::OpenParameterDlg()
{
    ActivateParameterDlg(CAppUiState::GetInstance()->m_bParamDlgShown ? SW_SHOW : SW_HIDE);
}

void CLibrary::ActivateParameterDlg(int showCommand)
{
    CreateParameterDlg();
    CLibScanParameterDlg* dlg = Dialog(*this);
    if (!dlg->m_hWnd && !dlg->Create(CLibScanParameterDlg::IDD, nullptr))
        return;
    dlg->RestorePlacement();
    dlg->ShowWindow(showCommand);
}

void CLibrary::ShowParameterDlg(int showCommand)
{
    if (CLibScanParameterDlg* dlg = Dialog(*this); dlg && dlg->m_hWnd)
        dlg->ShowWindow(showCommand);
}

void CLibrary::HideParameterDlg()
{
    CLibScanParameterDlg* dlg = Dialog(*this);
    if (!dlg || !dlg->m_hWnd || !dlg->IsWindowVisible())
        return;
    dlg->SavePlacement();
    dlg->ShowWindow(SW_HIDE);
}

void CLibrary::DestroyParameterDlg()
{
    CLibScanParameterDlg* dlg = Dialog(*this);
    if (!dlg)
        return;
    if (CBaseParameterDlg* owner = dlg->GetOwningDialog())
        owner->LinkSubDialog(nullptr);
    if (dlg->m_hWnd)
        dlg->DestroyWindow();
    m_pParameterDlg.reset();
}

BOOL CLibrary::ApplyScanParameters()
{
    CLibScanParameterDlg* dlg = Dialog(*this);
    return dlg ? ApplyScanParameters(dlg->m_startMass, dlg->m_stopMass) : FALSE;
}
