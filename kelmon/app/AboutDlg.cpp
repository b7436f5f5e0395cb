#include "app/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_link.SetColours(kLinkColour, kLinkActiveColour);
    m_link.SetAllowFontChange(TRUE);
    m_link.SetFontSize(12);
    m_link.SetFontAttributes(TRUE, FALSE);
    m_link.SetWrap(FALSE);
    // The link sits inside the frame the template keeps for it.
    CRect rect(0, 0, 0, 0);
    if (CWnd* frame = GetDlgItem(IDC_ABOUT_LINK_FRAME))
    {
        frame->GetClientRect(&rect);
        rect.DeflateRect(1, 1);
        frame->MapWindowPoints(this, &rect);
    }
    m_link.SetURL(kMakerWebAddress);
    m_link.Create("ZOL website", WS_CHILD | WS_VISIBLE, rect, this, IDC_ABOUT_LINK);
    return TRUE;
}
