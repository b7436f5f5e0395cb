#include "dialogs/IonizerDlg.h"

#include "../../dlgpack/resource.h"

using namespace kel::ionizer;

namespace
{
void ExchangeValues(CDataExchange* pDX, int& electron, float& emission, int& focus)
{
    DDX_Text(pDX, IDC_ION_ELECTRON, electron);
    DDV_MinMaxInt(pDX, electron, kElectronEnergyMin, kElectronEnergyMax);
    DDX_Text(pDX, IDC_ION_EMISSION, emission);
    DDV_MinMaxFloat(pDX, emission, kEmissionMin, kEmissionMax);
    DDX_Text(pDX, IDC_ION_FOCUS, focus);
    DDV_MinMaxInt(pDX, focus, kFocusMin, kFocusMax);
}
} // namespace

IMPLEMENT_DYNAMIC(CIonizerDlg, CDialog)

BEGIN_MESSAGE_MAP(CIonizerDlg, CDialog)
ON_BN_CLICKED(IDC_ION_DEFAULT, OnDefault)
END_MESSAGE_MAP()

CIonizerDlg::CIonizerDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CIonizerDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    ExchangeValues(pDX, m_nElectronEnergy, m_fEmission, m_nFocusVoltage);
}

void CIonizerDlg::ShowIonEnergy()
{
    CheckRadioButton(IDC_ION_ENERGY_LOW, IDC_ION_ENERGY_HIGH,
                     m_nIonEnergy == 0 ? IDC_ION_ENERGY_LOW : IDC_ION_ENERGY_HIGH);
}

BOOL CIonizerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_ION_WARNINGS, m_nOptionFlag == 1 ? BST_CHECKED : BST_UNCHECKED);
    if (m_nIonEnergy == 0 || m_nIonEnergy == 1)
        ShowIonEnergy();
    CheckRadioButton(IDC_ION_FILAMENT_ON, IDC_ION_FILAMENT_OFF,
                     m_nFilament == 0 ? IDC_ION_FILAMENT_OFF : IDC_ION_FILAMENT_ON);
    return TRUE;
}

void CIonizerDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
    m_nOptionFlag = IsDlgButtonChecked(IDC_ION_WARNINGS) == BST_CHECKED;
    m_nFilament = IsDlgButtonChecked(IDC_ION_FILAMENT_ON) == BST_CHECKED;
    if (IsDlgButtonChecked(IDC_ION_ENERGY_LOW) == BST_CHECKED)
        m_nIonEnergy = 0;
    else if (IsDlgButtonChecked(IDC_ION_ENERGY_HIGH) == BST_CHECKED)
        m_nIonEnergy = 1;
}

void CIonizerDlg::OnDefault()
{
    m_nElectronEnergy = m_nDefElectronEnergy;
    m_fEmission = m_fDefEmission;
    m_nFocusVoltage = m_nDefFocusVoltage;
    m_nIonEnergy = m_nDefIonEnergy;
    ShowIonEnergy();
    UpdateData(FALSE);
}

IMPLEMENT_DYNAMIC(CDuxIonizerDlg, CDialog)

BEGIN_MESSAGE_MAP(CDuxIonizerDlg, CDialog)
ON_BN_CLICKED(IDC_ION_DEFAULT, OnDefault)
END_MESSAGE_MAP()

CDuxIonizerDlg::CDuxIonizerDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    for (CString& text : m_strPreset)
        text = "x";
}

void CDuxIonizerDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_DUX_TEXT0, m_strPreset[0]);
    DDX_Text(pDX, IDC_DUX_TEXT1, m_strPreset[1]);
    DDX_Text(pDX, IDC_DUX_TEXT2, m_strPreset[2]);
    DDX_Radio(pDX, IDC_DUX_PRESET0, m_nPreset);
    DDX_Radio(pDX, IDC_ION_FILAMENT_ON, m_nFilament);
    DDX_Radio(pDX, IDC_ION_ENERGY_LOW, m_nIonEnergy);
    ExchangeValues(pDX, m_nElectronEnergy, m_fEmission, m_nFocusVoltage);
}

void CDuxIonizerDlg::OnDefault()
{
    m_nElectronEnergy = m_nDefElectronEnergy;
    m_fEmission = m_fDefEmission;
    m_nFocusVoltage = m_nDefFocusVoltage;
    m_nIonEnergy = m_nDefIonEnergy;
    // The refresh below also sets the preset and filament radios: keep what the user picked.
    for (int k = 0; k < 4; ++k)
        if (IsDlgButtonChecked(IDC_DUX_PRESET0 + k) == BST_CHECKED)
            m_nPreset = k;
    for (int k = 0; k < 2; ++k)
        if (IsDlgButtonChecked(IDC_ION_FILAMENT_ON + k) == BST_CHECKED)
            m_nFilament = k;
    UpdateData(FALSE);
}
