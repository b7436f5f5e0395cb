#include "dialogs/HeadWaitDlg.h"

#include "dialogs/DlgPackScope.h"
#include "head/Head.h"
#include "res/resource.h"

#include "../../dlgpack/resource.h"

IMPLEMENT_DYNAMIC(CHeadWaitDlg, CDialog)

BEGIN_MESSAGE_MAP(CHeadWaitDlg, CDialog)
ON_WM_TIMER()
ON_BN_CLICKED(IDC_WAIT_BUTTON, OnButton)
END_MESSAGE_MAP()

CHeadWaitDlg::CHeadWaitDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

INT_PTR CHeadWaitDlg::DoModal()
{
    CDlgPackScope scope;
    m_hResModule = AfxGetResourceHandle();
    return CDialog::DoModal();
}

void CHeadWaitDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WAIT_BUTTON, m_button);
    DDX_Control(pDX, IDC_WAIT_ICON, m_icon);
    DDX_Text(pDX, IDC_WAIT_LINE1, m_strLine1);
    DDV_MaxChars(pDX, m_strLine1, 75);
    DDX_Text(pDX, IDC_WAIT_LINE2, m_strLine2);
    DDV_MaxChars(pDX, m_strLine2, 75);
}

BOOL CHeadWaitDlg::OnInitDialog()
{
    m_nTicks = 0;
    m_nPhase = 0;
    m_bNoResponseShown = 0;
    if (!m_strText.IsEmpty())
        m_strLine1 = m_strText;
    else
        m_strLine1.LoadString(m_nTextId);
    m_strLine2.LoadString(IDS_PLEASE_WAIT);
    // A line longer than the box holds is cut, not refused: the box must open whatever it is told.
    m_strLine1 = m_strLine1.Left(75);
    m_strLine2 = m_strLine2.Left(75);
    CDialog::OnInitDialog();

    m_hStartIcon = m_icon.GetIcon();
    HINSTANCE module = m_hResModule ? m_hResModule : AfxGetResourceHandle();
    m_hWarning1 = ::LoadIcon(module, MAKEINTRESOURCE(IDI_HEAD_WARNING1));
    m_hWarning2 = ::LoadIcon(module, MAKEINTRESOURCE(IDI_HEAD_WARNING2));
    m_button.ShowWindow(m_nMode == 1 ? SW_HIDE : SW_SHOW);
    m_nTimer = SetTimer(kTimerId, kTickMs, nullptr);
    return m_nTimer != 0;
}

void CHeadWaitDlg::ShowIcon(HICON hIcon)
{
    if (hIcon)
        m_icon.SetIcon(hIcon);
}

void CHeadWaitDlg::Finish(int nResult)
{
    ShowIcon(m_hStartIcon);
    for (HICON* icon : {&m_hWarning1, &m_hWarning2})
    {
        if (*icon)
            ::DestroyIcon(*icon);
        *icon = nullptr;
    }
    KillTimer(kTimerId);
    m_nTimer = 0;
    EndDialog(nResult);
}

void CHeadWaitDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTimerId && m_nTimer != 0)
    {
        ++m_nTicks;
        switch (m_nPhase)
        {
        case 0:
            ShowIcon(m_hWarning1);
            if (m_nTicks > m_nTimeLimit)
            {
                m_nPhase = 2;
                m_nTicks = m_nTimeLimit + 10;
            }
            else
                m_nPhase = 1;
            break;
        case 1:
            ShowIcon(m_hStartIcon);
            m_nPhase = 0;
            break;
        default:
            ShowIcon(m_hWarning2);
            m_nPhase = 0;
            if (!m_bNoResponseShown)
            {
                m_bNoResponseShown = 1;
                m_strLine1 = "No Response from KEL Head!";
                m_strLine2 = "Check all connections and try again";
                m_button.ShowWindow(SW_SHOW);
                UpdateData(FALSE);
                ::MessageBeep(0xFFFFFFFF);
            }
            break;
        }

        int answered = 0;
        if (m_pHead && m_pHead->PollStatus(answered) && answered == 1)
        {
            Finish(1);
            return;
        }
    }
    CDialog::OnTimer(nIDEvent);
}

void CHeadWaitDlg::OnButton()
{
    Finish(IDCANCEL);
}

void CHeadWaitDlg::OnCancel()
{
    Finish(IDCANCEL);
}
