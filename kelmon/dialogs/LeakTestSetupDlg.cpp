#include "dialogs/LeakTestSetupDlg.h"

#include "dialogs/LeakAlarmAttributesDlg.h"
#include "displays/Display.h"
#include "doc/LeakData.h"
#include "head/Head.h"

#include <cstdio>
#include <cstring>

IMPLEMENT_DYNAMIC(CLeakTestSetupDlg, CBaseParameterDlg)

BEGIN_MESSAGE_MAP(CLeakTestSetupDlg, CBaseParameterDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_LEAK_UNITS_PRESSURE, OnPressure)
ON_BN_CLICKED(IDC_LEAK_UNITS_RATE, OnLeakRate)
ON_BN_CLICKED(IDC_LEAK_ALARMS, OnAlarms)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CLeakTestSetupDlg::CLeakTestSetupDlg(CWnd* pParent) : CBaseParameterDlg(IDD, pParent) {}

void CLeakTestSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseParameterDlg::DoDataExchange(pDX);
    DDX_CBIndex(pDX, IDC_LEAK_SPEED, m_nSpeed);
    DDX_Text(pDX, IDC_LEAK_SCALING, m_fScalingFactor);
    DDV_MinMaxFloat(pDX, m_fScalingFactor, 0.01f, 100.0f);
    DDX_Text(pDX, IDC_LEAK_GAS_NAME, m_strGasName);
    DDV_MaxChars(pDX, m_strGasName, kGasNameChars);
    DDX_Text(pDX, IDC_LEAK_GAS_MASS, m_nMass);
    DDV_MinMaxInt(pDX, m_nMass, 1, m_nHighestMass);
    DDX_Radio(pDX, IDC_LEAK_UNITS_PRESSURE, m_nLastValueUnits);
    DDX_Check(pDX, IDC_LEAK_AUTOSCALE, m_bAutoscale);
    DDX_Check(pDX, IDC_LEAK_AUTO_TIME, m_bAutoTimeAxis);
}

BOOL CLeakTestSetupDlg::OnInitDialog()
{
    SendDlgItemMessage(IDC_LEAK_SPEED, CB_RESETCONTENT);
    for (int i = 1; i <= kSpeeds; ++i)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%d", i);
        SendDlgItemMessage(IDC_LEAK_SPEED, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    if (m_pSettings)
    {
        m_fScalingFactor = m_pSettings->m_fScalingFactor;
        m_strGasName = m_pSettings->m_szGasName;
        m_nMass = m_pSettings->m_nMass;
        m_nSpeed =
            (m_pSettings->m_nSpeed >= 0 && m_pSettings->m_nSpeed < kSpeeds) ? m_pSettings->m_nSpeed : 0;
        m_bAutoscale = m_pSettings->m_bAutoscale;
        m_bAutoTimeAxis = m_pSettings->m_bAutoTimeAxis;
        m_nLastValueUnits = m_pSettings->m_nLastValueUnits == 1 ? 0 : 1;
    }
    CBaseParameterDlg::OnInitDialog();
    return TRUE;
}

void CLeakTestSetupDlg::OnOK()
{
    if (m_pSettings && m_pSettings->m_pHead)
        m_nHighestMass = m_pSettings->m_pHead->GetMassRange();
    if (!UpdateData(TRUE))
        return;
    if (m_pSettings)
    {
        m_pSettings->m_nSpeed = m_nSpeed;
        m_pSettings->m_fScalingFactor = m_fScalingFactor;
        // Checked against the dialog's limit, which is well inside the record's field.
        static_assert(kGasNameChars < CLeakData::kGasNameSize);
        std::memset(m_pSettings->m_szGasName, 0, sizeof m_pSettings->m_szGasName);
        std::memcpy(m_pSettings->m_szGasName, static_cast<LPCTSTR>(m_strGasName),
                    static_cast<size_t>(m_strGasName.GetLength()));
        m_pSettings->m_nMass = m_nMass;
        m_pSettings->m_bAutoscale = m_bAutoscale;
        m_pSettings->m_bAutoTimeAxis = m_bAutoTimeAxis;
        m_pSettings->UpdateCaption();
    }
    m_params[0] = m_nMass;
    m_params[1] = 1;
    m_params[2] = m_nSpeed;
    m_params[3] = 1;
    CParamMessageHub::Instance()->Notify(this);
    NotifyParametersChanged();
}

void CLeakTestSetupDlg::OnClose()
{
    SavePlacement();
    NotifyClosed();
    EnableControls(TRUE);
    m_bClosePending = TRUE;
    CBaseParameterDlg::OnClose();
}

void CLeakTestSetupDlg::OnCancel()
{
    if (m_bClosePending)
        m_bClosePending = FALSE;
    else
    {
        SavePlacement();
        NotifyClosed();
        EnableControls(TRUE);
    }
    CBaseParameterDlg::OnCancel();
}

void CLeakTestSetupDlg::OnDestroy()
{
    SavePlacement();
    CBaseParameterDlg::OnDestroy();
}

void CLeakTestSetupDlg::SetLastValueUnits(int index)
{
    m_nLastValueUnits = index;
    if (m_pSettings)
        m_pSettings->m_nLastValueUnits = index == 0 ? 1 : 0;
    if (m_pDisplay)
        m_pDisplay->RefreshReadout();
}

void CLeakTestSetupDlg::OnPressure()
{
    SetLastValueUnits(0);
}

void CLeakTestSetupDlg::OnLeakRate()
{
    SetLastValueUnits(1);
}

void CLeakTestSetupDlg::OnAlarms()
{
    if (!m_pSettings)
        return;
    CLeakAlarmAttributesDlg dlg(this);
    dlg.m_pSettings = m_pSettings;
    for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
        dlg.m_colour[i] = m_pSettings->m_alarmColour[i];
    dlg.DoModal();
    // Cancel leaves the preset indexes as they were, so copying back is harmless.
    for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
        m_pSettings->m_alarmColour[i] = dlg.m_colour[i];
}

void CLeakTestSetupDlg::EnableControls(BOOL bEnable)
{
    CBaseParameterDlg::EnableControls(bEnable);
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
        child->EnableWindow(bEnable);
    for (int id : {ID_HELP, IDC_LEAK_UNITS_PRESSURE, IDC_LEAK_UNITS_RATE, IDC_LEAK_UNITS_GROUP})
        if (CWnd* item = GetDlgItem(id))
            item->EnableWindow(TRUE);
}

void CLeakTestSetupDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
