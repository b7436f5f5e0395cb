#include "dialogs/CemGainAdjustDlg.h"
#include "dialogs/HeadPortLock.h"

#include "head/Head.h"
#include "res/resource.h"

#include "../../dlgpack/resource.h"

#include <cmath>

namespace
{

// Converts a ratio to an int without overflowing; values beyond the limits stand at them.
int TruncClamped(double value, int low, int high)
{
    if (!(value > low)) // also NaN
        return low;
    if (value > high)
        return high;
    return static_cast<int>(value);
}
} // namespace

IMPLEMENT_DYNAMIC(CCemGainAdjustDlg, CDialog)

BEGIN_MESSAGE_MAP(CCemGainAdjustDlg, CDialog)
ON_MESSAGE(WM_KEL_RUNGAINADJUST, OnRunGainAdjust)
ON_WM_CHAR()
END_MESSAGE_MAP()

CCemGainAdjustDlg::CCemGainAdjustDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    CPercentBar::RegisterWindowClass(); // the template's bar control is of this class
}

int CCemGainAdjustDlg::StartVoltage(float gain)
{
    if (gain < 500.0f)
        return 800;
    const int t = static_cast<int>(125.0 * std::log10(gain * 0.1) * -1.0);
    return 800 - t;
}

BOOL CCemGainAdjustDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bar.Attach(IDC_GAIN_BAR, this, 100, RGB(0, 0, 255), RGB(255, 255, 255));
    PostMessage(WM_KEL_RUNGAINADJUST);
    return TRUE;
}

void CCemGainAdjustDlg::OnCancel()
{
    m_bRunning = 0;
    m_bCancelled = TRUE;
    CDialog::OnCancel();
}

void CCemGainAdjustDlg::OnChar(UINT, UINT, UINT)
{
    Default();
}

BOOL CCemGainAdjustDlg::PumpMessages()
{
    CWinApp* app = AfxGetApp();
    MSG msg;
    while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return FALSE;
        }
        if (app && app->PreTranslateMessage(&msg))
            continue;
        // The dialog keys (Escape is Cancel) work while the run holds the thread.
        if (m_hWnd && ::IsDialogMessage(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
    if (app)
    {
        app->OnIdle(0);
        app->OnIdle(1);
    }
    return TRUE;
}

BOOL CCemGainAdjustDlg::WaitForLock(HANDLE hLock)
{
    for (;;)
    {
        // Input already waiting counts too: a Cancel queued before the wait must end it.
        const DWORD r = ::MsgWaitForMultipleObjectsEx(1, &hLock, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED)
            return TRUE;
        // Messages keep the window alive (and may bring Cancel) while a task holds the port.
        if (r == WAIT_OBJECT_0 + 1 && PumpMessages() && m_bRunning)
            continue;
        m_bRunning = 0;
        return FALSE;
    }
}

LRESULT CCemGainAdjustDlg::OnRunGainAdjust(WPARAM, LPARAM)
{
    if (!m_pHead)
    {
        m_bRunning = 0;
        if (!m_bCancelled)
            EndDialog(1);
        return 0;
    }
    // The head is used from this thread: a port-monitor task on the same port must wait.
    HANDLE hLock = CHeadPortLock::Find(m_pHead);
    if (hLock && !WaitForLock(hLock))
    {
        if (!m_bCancelled)
            EndDialog(1);
        return 0;
    }

    const int startVoltage = m_pHead->GetCemVoltage();
    m_bEnergised = FALSE;
    m_nErrorId = 0;
    const Outcome outcome = Adjust();
    if (outcome != Outcome::Reached)
    {
        m_bRunning = 0;
        // Never leave the multiplier on at a trial voltage: switch it off and give the head back
        // the voltage it had. The reply is read only while the head is answering.
        if (m_bEnergised && m_pHead->SetHighVoltage(0) && outcome != Outcome::Failed)
        {
            int status = 0;
            m_pHead->ReadIntReply(status);
        }
        m_pHead->SetCemVoltage(startVoltage);
    }
    if (hLock)
        ::ReleaseMutex(hLock);

    if (outcome == Outcome::Error)
        AfxMessageBox(m_nErrorId, MB_ICONEXCLAMATION);
    if (!m_bCancelled) // a Cancel has ended the dialog already
        EndDialog(1);
    return 0;
}

BOOL CCemGainAdjustDlg::SwitchMultiplier(int on)
{
    if (!m_pHead->SetHighVoltage(on))
        return FALSE;
    int status = 0;
    m_pHead->ReadIntReply(status);
    if (status != 0)
        m_pHead->CheckErrors();
    return TRUE;
}

BOOL CCemGainAdjustDlg::Measure(int noiseFloor, float& current)
{
    float value = 0.0f;
    if (m_nMeasureMode == 0)
    {
        if (!m_pHead->EnableTotalPressure(1) || !m_pHead->MeasureTotalPressure(value))
            return FALSE;
    }
    else if (!m_pHead->MeasureSingleMass(m_nMass, noiseFloor, value))
        return FALSE;
    current = static_cast<float>(value * 1e-16);
    return TRUE;
}

CCemGainAdjustDlg::Outcome CCemGainAdjustDlg::Adjust()
{
    auto error = [this](UINT id)
    {
        m_nErrorId = id;
        return Outcome::Error;
    };

    m_bRunning = 1;
    m_nStep = 10;
    m_nVoltage = StartVoltage(m_fGain);

    if (!SwitchMultiplier(0))
        return Outcome::Failed;

    if (m_nMeasureMode == 0)
    {
        if (!Measure(1, m_fFaraday))
            return Outcome::Failed;
        if (m_fFaraday < kMinTotalCurrent)
            return error(IDS_GAIN_FARADAY_TOTAL_LOW);
    }
    else
    {
        double sum = 0.0;
        for (int k = 0; k < 10; ++k)
        {
            float reading = 0.0f;
            if (!Measure(1, reading))
                return Outcome::Failed;
            if (reading < kMinMassCurrent)
                return error(IDS_GAIN_FARADAY_MASS_LOW);
            sum += reading;
        }
        m_fFaraday = static_cast<float>(sum * 0.1);
    }

    m_fTarget = m_fFaraday * m_fGain;
    if (m_fTarget > kMaxTargetCurrent)
        return error(IDS_GAIN_TOO_HIGH);

    m_nVoltage += m_nStep;
    while (m_bRunning)
    {
        if (m_nVoltage > kMaxVoltage)
            return error(IDS_GAIN_VOLTAGE_MAX);

        m_pHead->SetCemVoltage(m_nVoltage);
        m_bEnergised = TRUE;
        if (!SwitchMultiplier(1))
            return Outcome::Failed;

        m_fPrevious = m_fCurrent;
        if (!Measure(-1, m_fCurrent))
            return Outcome::Failed;

        m_nProgress = TruncClamped(static_cast<double>(m_fCurrent) / m_fTarget * 100.0, -1, 1000);
        if (m_nProgress >= 0)
            m_bar.SetPos(m_nProgress < 100 ? m_nProgress : 100);

        if (!PumpMessages() || !m_bRunning)
            return Outcome::Cancelled;

        if (0.95f * m_fTarget < m_fCurrent && m_fCurrent < 10.0f * m_fTarget)
            break;
        if (m_fCurrent >= 10.0f * m_fTarget)
            return error(IDS_GAIN_TEN_TIMES);

        const float r = m_fTarget / m_fCurrent;
        m_nStep = r < 2.0f ? 10 : (r < 10.0f ? 50 : 125);
        m_nVoltage += m_nStep;
    }
    if (!m_bRunning)
        return Outcome::Cancelled;

    const int reached = TruncClamped(static_cast<double>(m_fCurrent) / m_fFaraday, 0, 2000000000);
    if (reached < 10 || reached > 100.0 * m_fGain)
        return error(IDS_GAIN_INVALID);
    m_fGain = static_cast<float>(reached);
    return Outcome::Reached;
}
