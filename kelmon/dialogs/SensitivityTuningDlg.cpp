#include "dialogs/SensitivityTuningDlg.h"

#include "dialogs/HeadPortLock.h"
#include "head/Head.h"
#include "units/Units.h"

namespace
{
constexpr int kMaxTextChars = 12;

CString FormatFactor(float value)
{
    CString text;
    text.Format("%1.2e", static_cast<double>(value));
    return text;
}
} // namespace

IMPLEMENT_DYNAMIC(CSensitivityTuningDlg, CControlHelpDlg)

BEGIN_MESSAGE_MAP(CSensitivityTuningDlg, CControlHelpDlg)
ON_BN_CLICKED(IDC_SENS_PARTIAL, OnPartial)
ON_BN_CLICKED(IDC_SENS_TOTAL, OnTotal)
ON_BN_CLICKED(IDC_SENS_MEASURE, OnMeasure)
ON_BN_CLICKED(IDC_SENS_UNDO, OnUndo)
END_MESSAGE_MAP()

CSensitivityTuningDlg::CSensitivityTuningDlg(CWnd* pParent) : CControlHelpDlg(IDD, pParent)
{
    m_dwHelpContext = 0x10000 + ID_HEAD_SENSITIVITY_TUNING;
}

void CSensitivityTuningDlg::ReferenceRange(CHead* pHead, const CUnits* pUnits, float& minimum, float& maximum)
{
    minimum = 5e-9f;
    maximum = 5e-5f;
    if (pHead && pHead->GetHeadFamily() != HEAD_FAMILY_KEL)
    {
        switch (pHead->GetPresetIndex())
        {
        case 0:
        case 1:
            maximum = 1e-3f;
            break;
        case 3:
            maximum = 1e-5f;
            break;
        default:
            maximum = 1e-4f;
            break;
        }
    }
    if (pUnits && pUnits->m_bReductionEnabled)
    {
        minimum *= pUnits->m_fReductionFactor;
        maximum *= pUnits->m_fReductionFactor;
    }
}

void CSensitivityTuningDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SENS_PARTIAL, m_partialRadio);
    DDX_Text(pDX, IDC_SENS_FIRMWARE, m_strFirmware);
    DDX_Text(pDX, IDC_SENS_MODEL, m_strModel);
    DDX_Text(pDX, IDC_SENS_SERIAL, m_strSerial);
    DDX_Text(pDX, IDC_SENS_REF_PRESSURE, m_fRefPressure);
    if (pDX->m_bSaveAndValidate && (m_fRefPressure < m_fMinPressure || m_fRefPressure > m_fMaxPressure) &&
        AfxMessageBox(IDS_REF_PRESSURE_RANGE, MB_YESNO | MB_ICONQUESTION) != IDYES)
        pDX->Fail();
    DDX_Text(pDX, IDC_SENS_ION_CURRENT, m_strIonCurrent);
    DDV_MaxChars(pDX, m_strIonCurrent, kMaxTextChars);
    DDX_Text(pDX, IDC_SENS_FACTOR, m_strFactor);
    DDV_MaxChars(pDX, m_strFactor, kMaxTextChars);
    DDX_Text(pDX, IDC_SENS_MASS, m_nMass);
    DDV_MinMaxInt(pDX, m_nMass, 2, 200);
}

BOOL CSensitivityTuningDlg::OnInitDialog()
{
    ReferenceRange(m_pHead, m_pUnits, m_fMinPressure, m_fMaxPressure);
    m_fST0 = m_fST;
    m_fSP0 = m_fSP;
    if (m_pHead)
    {
        CString model;
        float firmware = 0.0f;
        int serial = 0;
        m_pHead->GetModelString(model);
        m_pHead->GetFirmwareVersion(firmware);
        m_pHead->GetSerialNumber(serial);
        m_strModel = model;
        m_strFirmware.Format("%1.2f", static_cast<double>(firmware));
        m_strSerial.Format("%d", serial);
    }
    m_strIonCurrent.Empty();
    m_strFactor = FormatFactor(m_fSP);

    CDialog::OnInitDialog();
    CheckDlgButton(IDC_SENS_PARTIAL, BST_CHECKED);
    CheckDlgButton(IDC_SENS_TOTAL, BST_UNCHECKED);
    if (m_pHead && m_pHead->GetHeadFamily() == HEAD_FAMILY_DUX)
        if (CWnd* total = GetDlgItem(IDC_SENS_TOTAL))
            total->EnableWindow(FALSE);

    if (m_pHead)
    {
        // Tune at a fixed noise floor; Accept and Cancel give the head its own back.
        CHeadPortLock lock(m_pHead);
        int noiseFloor = 0;
        if (m_pHead->QueryNoiseFloor(noiseFloor))
        {
            m_nSavedNoiseFloor = noiseFloor;
            m_pHead->SetNoiseFloor(kTuningNoiseFloor);
        }
    }
    return TRUE;
}

void CSensitivityTuningDlg::ShowFactor()
{
    if (IsDlgButtonChecked(IDC_SENS_PARTIAL))
        SetDlgItemText(IDC_SENS_FACTOR, FormatFactor(m_fSP));
    else if (IsDlgButtonChecked(IDC_SENS_TOTAL))
        SetDlgItemText(IDC_SENS_FACTOR, FormatFactor(m_fST));
}

void CSensitivityTuningDlg::OnPartial()
{
    SetDlgItemText(IDC_SENS_FACTOR, FormatFactor(m_fSP));
}

void CSensitivityTuningDlg::OnTotal()
{
    SetDlgItemText(IDC_SENS_FACTOR, FormatFactor(m_fST));
}

void CSensitivityTuningDlg::OnMeasure()
{
    if (!UpdateData(TRUE) || !m_pHead)
        return;
    const bool partial = IsDlgButtonChecked(IDC_SENS_PARTIAL) == BST_CHECKED;
    const bool total = IsDlgButtonChecked(IDC_SENS_TOTAL) == BST_CHECKED;
    if (!partial && !total)
        return;

    float current = 0.0f;
    {
        CHeadPortLock lock(m_pHead);
        BeginWaitCursor();
        bool ok = true;
        if (partial)
        {
            float sum = 0.0f;
            for (int i = 0; i < kReadings && ok; ++i)
            {
                float reading = 0.0f;
                ok = m_pHead->MeasureSingleMass(m_nMass, -1, reading) != 0;
                sum += reading;
            }
            current = sum * 0.1f;
        }
        else
            ok = m_pHead->MeasureTotalPressure(current) != 0;
        EndWaitCursor();
        if (!ok)
            return;
    }

    current *= 1e-16f; // amperes
    if (m_fRefPressure <= 0.0f || current <= 0.0f)
        return;
    float factor = current / m_fRefPressure;
    if (m_pUnits && m_pUnits->m_bReductionEnabled)
        factor = current / m_fRefPressure * m_pUnits->m_fReductionFactor;

    const int kind = partial ? 0 : 1;
    const struct
    {
        BOOL outside;
        UINT message;
    } checks[] = {{m_pHead->IsSensitivityTooHigh(kind, factor), IDS_SENSITIVITY_TOO_HIGH},
                  {m_pHead->IsSensitivityTooLow(kind, factor), IDS_SENSITIVITY_TOO_LOW}};
    for (const auto& check : checks)
    {
        if (!check.outside)
            continue;
        CString warning;
        warning.LoadString(check.message);
        CString text;
        text.Format("Computed factor = %1.2e A/Torr\n", static_cast<double>(factor));
        text += warning;
        if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }

    if (partial)
        m_fSP = factor;
    else
        m_fST = factor;
    m_strFactor = FormatFactor(factor);
    m_strIonCurrent = FormatFactor(current);
    UpdateData(FALSE);
}

void CSensitivityTuningDlg::OnUndo()
{
    m_fST = m_fST0;
    m_fSP = m_fSP0;
    ShowFactor();
    if (m_pHead)
    {
        CHeadPortLock lock(m_pHead);
        m_pHead->SetSP(m_fSP0);
        m_pHead->SetST(m_fST0);
    }
}

void CSensitivityTuningDlg::WriteHead(float sp, float st)
{
    if (!m_pHead)
        return;
    CHeadPortLock lock(m_pHead);
    m_pHead->SetSP(sp);
    m_pHead->SetST(st);
    m_pHead->SetNoiseFloor(m_nSavedNoiseFloor);
}

void CSensitivityTuningDlg::OnOK()
{
    WriteHead(m_fSP, m_fST);
    EndDialog(IDOK);
}

void CSensitivityTuningDlg::OnCancel()
{
    WriteHead(m_fSP0, m_fST0);
    CDialog::OnCancel();
}
