// The document's small forwarders through which the view, the main frame's relays and the
// commands reach the current scan, the current display, the gas library's dialog and the
// application settings. Each does nothing when its target is missing.
#include "doc/KelDoc.h"

#include "analysis/Library.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"
#include "dialogs/ConnectorDlg.h"
#include "displays/Display.h"
#include "head/Head.h"
#include "scans/Scan.h"
#include "settings/AppSettings.h"

int CKelDoc::IsHeadOnline()
{
    return m_pHead != nullptr && m_pHead->IsOnline() ? 1 : 0;
}

void CKelDoc::RequestAveragingReset()
{
    if (m_pScan)
        m_pScan->RequestAveragingReset();
}

void CKelDoc::CloseAnalysis()
{
    if (m_pScan)
        m_pScan->CloseAnalysis();
}

void CKelDoc::UpdateAnalysis()
{
    if (m_pScan)
        m_pScan->UpdateAnalysis();
}

int CKelDoc::GetScanMode()
{
    return m_pScan ? m_pScan->GetScanMode() : -1;
}

void CKelDoc::OnChartKeyDown(int key, int repeat, int flags)
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->OnChartKeyDown(key, repeat, flags);
}

CBaseParameterDlg* CKelDoc::GetParameterDialog()
{
    return m_pScan ? m_pScan->m_pParameterDlg : nullptr;
}

CBaseScheduleDlg* CKelDoc::GetScheduleDialog()
{
    return m_pScan ? m_pScan->m_pScheduleDlg : nullptr;
}

void CKelDoc::ShowHeadInfo()
{
    if (m_pHead != nullptr)
        m_pHead->ShowInfoDialog();
}

int CKelDoc::RunConnectorDialog()
{
    CConnectorDlg dlg;
    dlg.m_pDocument = GetPortDocument();
    dlg.DoModal();
    return 1;
}

int CKelDoc::IsScanning()
{
    if (!m_pScan || m_pCurrentDisplay == nullptr || m_pHead == nullptr || !m_pHead->IsOnline())
        return 0;
    return m_pScan->IsRunning() == 1 || m_bRepeatTimer ? 1 : 0;
}

void CKelDoc::ShowParameterWindow(int show)
{
    bool expanded = false;
    if (m_pScan)
    {
        m_pScan->ShowParameterWindow(show);
        if (m_pScan->IsRunning() || (m_bRepeatTimer && show))
        {
            m_pScan->EnableParameterDialog(0);
            m_pScan->EnableScheduleDialog(0);
        }
        expanded = m_pScan->m_pParameterDlg != nullptr && m_pScan->m_pParameterDlg->m_bExpanded;
    }
    if (m_bLibraryDlgOpen && m_pLibrary)
    {
        if (expanded && show)
            m_pLibrary->ShowParameterDlg(1);
        else
            m_pLibrary->ShowParameterDlg(m_pScan && !expanded ? 0 : show);
    }
}

void CKelDoc::ApplyParameters()
{
    if (m_pScan && !m_pScan->IsRunning() && !m_bRepeatTimer)
    {
        m_pScan->ApplyParameters();
        SetModifiedFlag(TRUE);
    }
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->ApplyScanParameters();
}

void CKelDoc::ShowScheduleWindow(int show)
{
    if (!m_pScan)
        return;
    m_pScan->ShowScheduleWindow(show);
    if (m_pScan->IsRunning() || (m_bRepeatTimer && show))
        m_pScan->EnableScheduleDialog(0);
}

void CKelDoc::ApplySchedule()
{
    if (m_pScan && !m_pScan->IsRunning() && !m_bRepeatTimer)
    {
        m_pScan->ApplySchedule();
        SetModifiedFlag(TRUE);
    }
}

void CKelDoc::OnGroupActivate(int parameterShown, int scheduleShown)
{
    if (m_pScan)
        m_pScan->RestoreDialogs(parameterShown, scheduleShown);
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->ActivateParameterDlg(parameterShown);
}

void CKelDoc::OnGroupDeactivate()
{
    if (m_pScan)
        m_pScan->HideDialogs();
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->HideParameterDlg();
}

CAppSettings* CKelDoc::StoreDefaults()
{
    CAppSettings* settings = CAppSettings::GetInstance();
    // The active document window's frame, relative to the window it lies in.
    POSITION pos = GetFirstViewPosition();
    CView* view = pos != nullptr ? GetNextView(pos) : nullptr;
    CWnd* frame = view != nullptr ? view->GetParentFrame() : nullptr;
    if (frame != nullptr && frame->GetSafeHwnd() != NULL)
    {
        CRect rect;
        frame->GetWindowRect(&rect);
        if (CWnd* parent = frame->GetParent())
            parent->ScreenToClient(&rect);
        settings->m_graphLeft = rect.left;
        settings->m_graphRight = rect.right;
        settings->m_graphTop = rect.top;
        settings->m_graphBottom = rect.bottom;
    }
    settings->m_cursorColor = m_nCursorColor;
    settings->m_cursorWidth = m_nCursorWidth;
    settings->m_cursorType = m_nCursorType;
    return settings;
}
