#include "dialogs/CemDlg.h"

#include "dialogs/CemGainAdjustDlg.h"
#include "dialogs/HeadWaitDlg.h"
#include "head/Head.h"
#include "res/resource.h"

#include "../../dlgpack/resource.h"

#include <cstdio>

std::atomic<int> CCemDlg::s_bSwitching{0};

IMPLEMENT_DYNAMIC(CCemDlg, CControlHelpDlg)

BEGIN_MESSAGE_MAP(CCemDlg, CControlHelpDlg)
ON_BN_CLICKED(IDC_CEM_OFF, OnCemRadio)
ON_BN_CLICKED(IDC_CEM_ON, OnCemRadio)
ON_BN_CLICKED(IDC_CEM_AUTO, OnAutoAdjust)
END_MESSAGE_MAP()

CCemDlg::CCemDlg(CWnd* pParent) : CControlHelpDlg(IDD, pParent) {}

void CCemDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_CEM_OFF, m_nCemRadio);
    DDX_Text(pDX, IDC_CEM_VOLTAGE, m_nCemVoltage);
    DDV_MinMaxInt(pDX, m_nCemVoltage, kMinVoltage, kMaxVoltage);
    DDX_Text(pDX, IDC_CEM_GAIN, m_fCemGain);
    DDV_MinMaxFloat(pDX, m_fCemGain, m_fMinGain, m_fMaxGain);
    DDX_Text(pDX, IDC_CEM_MODEL, m_strModel);
    DDX_Text(pDX, IDC_CEM_SERIAL, m_strSerial);
    DDX_Text(pDX, IDC_CEM_MASS, m_nMass);
    DDV_MinMaxInt(pDX, m_nMass, 1, m_nMaxMass);
}

BOOL CCemDlg::OnInitDialog()
{
    if (m_pHead)
    {
        m_pHead->GetModelString(m_strModel);
        int serial = 0;
        m_pHead->GetSerialNumber(serial);
        m_strSerial.Format("%d", serial);
        int on = 0;
        m_pHead->IsHighVoltageOn(on);
        m_nCemOn = on;
        m_nCemRadio = on != 0;
        m_nMaxMass = m_pHead->GetMassRange();
        m_nMass = m_pHead->GetGainMass();
        m_pHead->QueryMultiplierVoltage(m_nCemVoltage);
        m_pHead->QueryMultiplierGain(m_fCemGain);
    }
    m_nAutoMode = 1;
    CDialog::OnInitDialog();
    CString maxText;
    maxText.Format("(1 - %d)", m_nMaxMass);
    SetDlgItemText(IDC_CEM_MAXMASS, maxText);
    return TRUE;
}

void CCemDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_pHead)
        m_pHead->SetGainMass(m_nMass);
    EndDialog(IDOK);
    m_nCemOn = m_nCemRadio == 1;
}

void CCemDlg::RunWaitBox(int limit, UINT textId)
{
    CHeadWaitDlg wait(this);
    wait.m_pHead = m_pHead;
    wait.m_nTimeLimit = limit;
    wait.m_nMode = 1;
    wait.m_nTextId = textId;
    wait.DoModal();
}

void CCemDlg::ShowHighVoltageState()
{
    int on = 0;
    m_pHead->IsHighVoltageOn(on);
    m_nCemOn = on;
    m_nCemRadio = on != 0;
}

void CCemDlg::OnCemRadio()
{
    int expected = 0;
    if (!s_bSwitching.compare_exchange_strong(expected, 1))
    {
        ::MessageBeep(0);
        return;
    }
    const int oldRadio = m_nCemRadio;
    if (m_pHead && !UpdateData(TRUE))
    {
        // The radios were read before the field that failed: keep showing the real state.
        m_nCemRadio = oldRadio;
        CheckRadioButton(IDC_CEM_OFF, IDC_CEM_ON, oldRadio == 1 ? IDC_CEM_ON : IDC_CEM_OFF);
    }
    else if (m_pHead && m_nCemRadio != oldRadio)
    {
        int filamentOn = 0;
        if (m_pHead->IsFilamentOn(filamentOn))
        {
            if (m_nCemRadio == 0)
            {
                m_pHead->HighVoltageOff();
                RunWaitBox(80, IDS_HEAD_WAIT_CEM_OFF);
            }
            else
            {
                if (!filamentOn)
                    AfxMessageBox(IDS_CEM_FILAMENT_OFF, MB_ICONINFORMATION);
                m_pHead->SetCemVoltage(m_nCemVoltage);
                m_pHead->SetHighVoltage(1);
                RunWaitBox(80, IDS_HEAD_WAIT_CEM_ON);
            }
        }
        ShowHighVoltageState();
        s_bSwitching = 0;
        UpdateData(FALSE);
        return;
    }
    s_bSwitching = 0;
}

void CCemDlg::OnAutoAdjust()
{
    if (!m_pHead || !UpdateData(TRUE))
        return;

    int filamentOn = 0;
    m_pHead->IsFilamentOn(filamentOn);
    if (!filamentOn)
    {
        AfxMessageBox(IDS_GAIN_FILAMENT_OFF, MB_ICONEXCLAMATION);
        m_nCemOn = 0;
        m_nCemRadio = 0;
        UpdateData(FALSE);
        return;
    }

    if (m_bCalibrateFirst)
    {
        const int answer = AfxMessageBox(IDS_GAIN_CALIBRATE_FIRST, MB_YESNO | MB_ICONEXCLAMATION);
        m_bCalibrateFirst = 0;
        if (answer == IDYES)
        {
            if (!m_pHead->IsOnline())
                return;
            m_pHead->StopScan();
            m_pHead->Calibrate();
            RunWaitBox(120, IDS_HEAD_WAIT_CALIBRATE);
        }
    }

    m_pHead->SetGainMass(m_nMass);

    CCemGainAdjustDlg adjust(this);
    adjust.m_pHead = m_pHead;
    adjust.m_nMeasureMode = m_nAutoMode;
    adjust.m_nMass = m_nMass;
    adjust.m_fGain = m_fCemGain;
    adjust.m_nVoltage = m_nCemVoltage;
    // A dialog that could not be shown has not run: only a run that ended with 1 and still
    // running has reached the gain.
    const INT_PTR result = adjust.DoModal();
    if (result == 1 && adjust.m_bRunning)
    {
        m_nCemVoltage = adjust.m_nVoltage;
        m_fCemGain = adjust.m_fGain;
        m_pHead->SetCemVoltage(m_nCemVoltage);
        m_pHead->SetMultiplierVoltage(m_nCemVoltage);
        m_pHead->SetMultiplierGain(m_fCemGain);
    }
    else
    {
        m_nCemRadio = 0;
        int noiseFloor = 0;
        if (m_pHead->QueryNoiseFloor(noiseFloor))
        {
            // Sending another floor first makes the head take its scan settings again.
            m_pHead->SetNoiseFloor(8);
            m_pHead->SetNoiseFloor(noiseFloor);
        }
    }
    ShowHighVoltageState();
    UpdateData(FALSE);
}
