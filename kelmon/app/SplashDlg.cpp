#include "app/SplashDlg.h"

#include "app/KelApp.h"
#include "res/resource.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CSplashDlg, CDialog)
ON_WM_TIMER()
ON_WM_PAINT()
END_MESSAGE_MAP()

CSplashDlg::CSplashDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CSplashDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_picture.AutoLoad(IDC_SPLASH_PICTURE, this);
    m_nTimer = SetTimer(kTimerId, kShowMs, nullptr);

    // The box takes the picture's size, centred in the screen's work area.
    CRect picture(0, 0, 0, 0);
    if (m_picture.GetSafeHwnd())
    {
        m_picture.GetWindowRect(&picture);
        m_picture.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int cx = picture.Width(), cy = picture.Height();
    const int x = std::max(0, (::GetSystemMetrics(SM_CXFULLSCREEN) - cx) / 2);
    const int y = std::max(0, (::GetSystemMetrics(SM_CYFULLSCREEN) - cy) / 2);
    SetWindowPos(nullptr, x, y, cx, cy, SWP_NOZORDER);
    return TRUE;
}

void CSplashDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTimerId)
        KillTimer(kTimerId);
    Default();
    // Any timer ends the picture: it is never meant to stay.
    EndDialog(1);
}

void CSplashDlg::OnPaint()
{
    Default();
    if (m_bPainted)
        return;
    m_bPainted = true;
    // The picture over the box paints too before the start counts the splash as shown.
    if (m_picture.GetSafeHwnd())
        m_picture.UpdateWindow();
    CKelApp::AnnounceFirstPaint("kelmon: splash painted");
}
