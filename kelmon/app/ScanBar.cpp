#include "app/ScanBar.h"

#include "displays/Display.h"
#include "doc/KelDoc.h"
#include "KelMessages.h"
#include "res/resource.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CScanBar, CDialogBar)

BEGIN_MESSAGE_MAP(CScanBar, CDialogBar)
ON_WM_HSCROLL()
ON_MESSAGE(WM_KEL_SETUPHISTORYSCROLL, OnSetupHistoryScroll)
END_MESSAGE_MAP()

CScanBar::CScanBar() = default;

CScanBar::~CScanBar() = default;

BOOL CScanBar::Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID)
{
    if (!CDialogBar::Create(pParentWnd, nIDTemplate, nStyle, nID))
        return FALSE;
    if (!m_zoomIn.AutoLoad(IDC_SCANBAR_ZOOM_IN, this) || !m_zoomOut.AutoLoad(IDC_SCANBAR_ZOOM_OUT, this) ||
        !m_scroll.AutoLoad(IDC_SCANBAR_RESUME, this) || !m_history.AutoLoad(IDC_SCANBAR_HISTORY, this))
        return FALSE;
    m_nCurrent = m_nMax;
    if (HWND bar = ::GetDlgItem(m_hWnd, IDC_SCANBAR_SCROLL))
    {
        ::SetScrollRange(bar, SB_CTL, m_nMin, m_nMax, FALSE);
        ::SetScrollPos(bar, SB_CTL, m_nCurrent, TRUE);
    }
    return TRUE;
}

CDisplay* CScanBar::GetHistoryDisplay()
{
    CKelDoc* doc = GetActiveKelDoc();
    return doc ? doc->GetCurrentDisplay() : nullptr;
}

int CScanBar::PointsPerStep(CDisplay* display) const
{
    const int count = display ? display->GetHistoryCount() : 0;
    return std::max(1, count / std::max(1, m_nMax - m_nMin));
}

void CScanBar::SetupHistoryScroll()
{
    m_nCurrent = m_nMax;
    m_nPage = 10;
    CDisplay* display = GetHistoryDisplay();
    if (display)
    {
        // A direction that is neither shorter nor longer only reports the screen's length.
        int length = 0;
        display->CanChangeHistoryLength(2, &length);
        const int count = display->GetHistoryCount();
        if (count > 0 && length > 0)
            m_nPage = std::clamp(static_cast<int>(static_cast<long long>(m_nMax - m_nMin) * length / count),
                                 1, m_nMax - m_nMin);
    }
    if (HWND bar = ::GetDlgItem(m_hWnd, IDC_SCANBAR_SCROLL))
    {
        ::SetScrollRange(bar, SB_CTL, m_nMin, m_nMax, FALSE);
        ::SetScrollPos(bar, SB_CTL, m_nCurrent, TRUE);
    }
}

LRESULT CScanBar::OnSetupHistoryScroll(WPARAM, LPARAM)
{
    SetupHistoryScroll();
    return 0;
}

void CScanBar::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    HWND bar = pScrollBar ? pScrollBar->GetSafeHwnd() : ::GetDlgItem(m_hWnd, IDC_SCANBAR_SCROLL);
    int pos = m_nCurrent;
    switch (nSBCode)
    {
    case SB_LINELEFT:
        pos -= 1;
        break;
    case SB_LINERIGHT:
        pos += 1;
        break;
    case SB_PAGELEFT:
        pos -= m_nPage;
        break;
    case SB_PAGERIGHT:
        pos += m_nPage;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = static_cast<int>(nPos);
        break;
    case SB_LEFT:
        pos = m_nMin;
        break;
    case SB_RIGHT:
        pos = m_nMax;
        break;
    default: // SB_ENDSCROLL
        return;
    }
    pos = std::clamp(pos, m_nMin, m_nMax);
    CDisplay* display = GetHistoryDisplay();
    // Only a display that shows its history can be moved through it; the thumb stays put otherwise.
    if (!display || !display->IsHistoryShown() || pos == m_nCurrent)
    {
        if (bar)
            ::SetScrollPos(bar, SB_CTL, m_nCurrent, TRUE);
        return;
    }
    display->ShowHistory((pos - m_nCurrent) * PointsPerStep(display), 0);
    m_nCurrent = pos;
    if (bar)
        ::SetScrollPos(bar, SB_CTL, m_nCurrent, TRUE);
}
