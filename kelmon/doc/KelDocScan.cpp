// Scan control: the Start, Stop Now and Stop At End commands, the repeat timer's tick and the
// start, step and stop tasks the port monitor's workers run for the document.
#include "doc/KelDoc.h"
#include "res/resource.h"

#include "KelMessages.h"
#include "displays/Display.h"
#include "doc/KelDocCommands.h"
#include "dialogs/LeakTestScheduleDlg.h"
#include "doc/LeakData.h"
#include "analysis/Library.h"
#include "dialogs/HeadPortLock.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "ports/DocTask.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "scans/Scan.h"
#include "scans/ScanPeriodDlg.h"
#include "scans/ScanScheduleDlg.h"
#include "scans/Table.h"

#include <cmath>

namespace
{

// The tasks of one document: each runs one of the document's task bodies while its worker holds
// the document's port mutex.
class CKelDocTask : public CDocTask
{
public:
    enum Kind
    {
        kStart,
        kStep,
        kStop
    };
    CKelDocTask(CKelDoc* doc, Kind kind, std::string name = {})
        : CDocTask(std::move(name)), m_pDoc(doc), m_kind(kind)
    {
        ++m_pDoc->m_nLiveTasks;
    }
    ~CKelDocTask() override { --m_pDoc->m_nLiveTasks; }

    int Run() override
    {
        switch (m_kind)
        {
        case kStart:
            m_pDoc->RunStartTask();
            return 0;
        case kStep:
            return m_pDoc->RunScanStep();
        case kStop:
            m_pDoc->RunStopTask();
            return 0;
        }
        return 0;
    }
    HANDLE GetLock() override { return m_pDoc->GetPortMutex(); }
    CDocTask* Clone() override { return new CKelDocTask(*this); }
    int GetKind() override { return m_kind; }

private:
    CKelDocTask(const CKelDocTask& other) : CDocTask(other), m_pDoc(other.m_pDoc), m_kind(other.m_kind)
    {
        ++m_pDoc->m_nLiveTasks;
    }

    CKelDoc* m_pDoc;
    Kind m_kind;
};

// The window of the document's own view (its first one), or NULL.
HWND OwnViewWindow(const CKelDoc& doc)
{
    POSITION pos = doc.GetFirstViewPosition();
    CView* view = pos != nullptr ? doc.GetNextView(pos) : nullptr;
    return view != nullptr ? view->GetSafeHwnd() : NULL;
}

bool ScanBusy(CScan* scan, int repeatTimer)
{
    return (scan != nullptr && scan->IsRunning() == 1) || repeatTimer != 0;
}

} // namespace

HWND CKelDoc::GetActiveViewWindow()
{
    CWnd* main = AfxGetMainWnd();
    auto* frame = dynamic_cast<CFrameWnd*>(main);
    if (frame == nullptr)
        return NULL;
    CFrameWnd* child = frame->GetActiveFrame();
    CView* view = child != nullptr ? child->GetActiveView() : nullptr;
    if (view == nullptr || view->GetDocument() == nullptr ||
        !view->GetDocument()->IsKindOf(RUNTIME_CLASS(CKelDoc)))
        return NULL;
    return view->GetSafeHwnd();
}

UINT CKelDoc::RepeatPeriodMs(float seconds)
{
    // Whole seconds as the schedule states them; a period below one second keeps its
    // milliseconds instead of becoming a timer of 0 ms.
    if (!(seconds > 0.0f))
        return USER_TIMER_MINIMUM;
    if (seconds >= 1.0f)
    {
        const double whole = std::floor(static_cast<double>(seconds));
        return whole * 1000.0 >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<UINT>(whole * 1000.0);
    }
    const UINT ms = static_cast<UINT>(std::lround(static_cast<double>(seconds) * 1000.0));
    return ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : ms;
}

void CKelDoc::WaitForTasks()
{
    if (m_nLiveTasks == 0)
        return;
    m_bStopRequested = 1;
    if (m_pScan)
        m_pScan->RequestStopNow();
    while (m_nLiveTasks > 0)
    {
        MSG msg;
        ::PeekMessage(&msg, NULL, 0, 0, PM_NOREMOVE);
        ::Sleep(1);
    }
}

HANDLE CKelDoc::GetPortMutex()
{
    if (!m_pDesc)
        return NULL;
    return CPortList::Instance().GetPortLock(m_pDesc->GetConnector());
}

void CKelDoc::OnScanStart()
{
    if (!m_pScan)
        return;
    // The filament question is asked here, on the user-interface thread: the start task on the
    // worker then finds the filament on (or the question answered) and shows nothing itself.
    if (m_pHead != nullptr && m_pHead->IsOnline())
    {
        CHeadPortLock lock(m_pHead);
        if (!m_pHead->EnsureFilamentOn())
            return;
    }
    m_pScan->EnableParameterDialog(0);
    m_pScan->EnableScheduleDialog(0);
    m_hViewWnd = OwnViewWindow(*this);
    if (m_hViewWnd == NULL)
        m_hViewWnd = GetActiveViewWindow();
    if (m_hScanEvent != NULL)
        ::ResetEvent(m_hScanEvent);
    m_bStopRequested = 0;
    CPortMonitor& monitor = CPortMonitor::Instance();
    monitor.Enqueue(new CKelDocTask(this, CKelDocTask::kStart));
    monitor.Enqueue(new CKelDocTask(this, CKelDocTask::kStep));
}

void CKelDoc::OnUpdateScanStart(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pHead != nullptr && m_pScan && m_pCurrentDisplay != nullptr && m_pHead->IsOnline() &&
                   !m_pScan->IsRunning() && !m_bRepeatTimer);
}

void CKelDoc::OnScanStopNow()
{
    m_bStopRequested = 1;
    CPortMonitor& monitor = CPortMonitor::Instance();
    monitor.Enqueue(new CKelDocTask(this, CKelDocTask::kStop, "STOP task"));
    monitor.Enqueue(new CKelDocTask(this, CKelDocTask::kStep, "LAST service task"));
}

void CKelDoc::OnUpdateScanStopNow(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    if (m_pScan && m_pCurrentDisplay != nullptr && m_pHead->IsOnline())
    {
        if (ScanBusy(m_pScan.get(), m_bRepeatTimer))
        {
            pCmdUI->Enable(TRUE);
            return;
        }
        pCmdUI->Enable(FALSE);
        if (m_pIoBoard && m_pIoBoard->IsEnabled())
            m_pIoBoard->ResetOutputs(0);
        return;
    }
    pCmdUI->Enable(FALSE);
}

void CKelDoc::OnScanStopAtEnd()
{
    if (m_pScan && m_pScan->GetScanMode() == SCAN_MODE_TRIGGERED)
    {
        // The timer is this document's view's (the active view may show another document).
        HWND view = m_hViewWnd != NULL ? m_hViewWnd : GetActiveViewWindow();
        if (view != NULL)
        {
            ::SendMessage(view, WM_KEL_STOPREPEATTIMER, 0, 0);
            m_bRepeatTimer = 0;
        }
    }
    if (m_pScan)
        m_pScan->RequestStopAtEnd();
    if (m_pTable)
        m_pTable->StopAlarmSound();
    if (m_pLeakData)
        m_pLeakData->StopAlarmSound();
}

void CKelDoc::OnUpdateScanStopAtEnd(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    if (m_pScan && m_pCurrentDisplay != nullptr && m_pHead->IsOnline())
    {
        const int kind = m_pCurrentDisplay->GetKind();
        if (kind == 2 || kind == 4) // leak, P-vs-T
        {
            pCmdUI->Enable(FALSE);
            return;
        }
        pCmdUI->Enable(ScanBusy(m_pScan.get(), m_bRepeatTimer));
        return;
    }
    pCmdUI->Enable(FALSE);
}

void CKelDoc::QueueScanSteps(int n)
{
    for (int i = 0; i < n; ++i)
    {
        auto* task = new CKelDocTask(this, CKelDocTask::kStep);
        if (m_pScan)
            m_pScan->SetAcquiring(1);
        CPortMonitor::Instance().Enqueue(task);
    }
}

int CKelDoc::OnRepeatTimer()
{
    if (!m_pScan || m_pCurrentDisplay == nullptr)
        return 0;
    if (m_pHead == nullptr || !m_pHead->IsOnline())
        return 0;
    if (!m_bRepeatTimer)
        return 1;
    if (m_pScan->IsRunning())
    {
        m_bOverrun = 1;
        ++m_nOverrunCount;
        return 1;
    }
    if (m_pScan->StartSeries())
        QueueScanSteps(1);
    else
        OnScanStopNow();
    return 1;
}

void CKelDoc::SetScanEvent()
{
    if (m_hScanEvent != NULL)
        ::SetEvent(m_hScanEvent);
}

void CKelDoc::OnScanFinished()
{
    if (m_pScan && m_pScan->GetScanMode() == SCAN_MODE_TRIGGERED)
    {
        HWND view = m_hViewWnd != NULL ? m_hViewWnd : GetActiveViewWindow();
        if (view == NULL)
            return;
        ::SendMessage(view, WM_KEL_STOPREPEATTIMER, 0, 0);
        m_bRepeatTimer = 0;
    }
    if (m_pTable)
        m_pTable->StopAlarmSound();
    if (m_pLeakData)
        m_pLeakData->StopAlarmSound();
    if (m_pIoBoard && m_pIoBoard->IsEnabled())
        m_pIoBoard->ResetOutputs(0);
}

void CKelDoc::ShowInitialDisplay()
{
    if (!m_bOpenedFromFile)
    {
        // The analog mode is the new document's default; its command builds display and scan.
        OnCmdMsg(ID_MODE_ANALOG, CN_COMMAND, nullptr, nullptr);
        return;
    }
    CDisplay* display = m_pCurrentDisplay;
    if (display == nullptr)
        return;
    display->m_pDocument = this;
    display->BuildPage();
    display->ShowScanData(nullptr);
    display->FullScale();
    if (m_pScan)
    {
        // The scan of a split layout with the library below stays on the upper pane.
        const bool onPane = display->GetKind() == 7 && m_pScan->GetScanKind() != SCAN_KIND_SPLIT;
        m_pScan->SetDisplay(onPane ? display->m_pTopDisplay : display);
        m_pScan->ShowCaption(m_pScan->m_bCaptionShown);
    }
    if (m_pLibrary && display->GetKind() == 7 && m_pLibrary->GetDisplay() != nullptr)
        m_pLibrary->SetDisplay(m_pLibrary->GetDisplay()); // the library's pane shows its gas again
}

// ---- The tasks (on a port-monitor worker holding the port mutex)

int CKelDoc::RunStartTask()
{
    if (m_bStartTaskBusy || !m_pScan || m_pScan->IsRunning())
        return 0;
    m_bStartTaskBusy = 1;
    if (m_pHead == nullptr)
    {
        m_bStartTaskBusy = 0;
        return RunStopTask();
    }
    m_pHead->StopScan();
    if (!m_pHead->EnsureFilamentOn())
    {
        m_bStartTaskBusy = 0;
        return RunStopTask();
    }
    m_pScan->CloseBinaryLog();
    const int mode = m_pScan->GetScanMode();
    if ((m_nMode == 3 || m_nMode == 4 || m_nSecondMode == 3) && m_pCurrentDisplay != nullptr)
    {
        // The display belongs to the user-interface thread; the view clears it there.
        if (m_hViewWnd != NULL)
            ::SendMessage(m_hViewWnd, WM_KEL_VIEW_CLEARDISPLAY, 0, 0);
        else
            m_pCurrentDisplay->ClearData();
    }
    m_pScan->StampStartTime();
    if (!m_pScan->CheckMassRange())
    {
        m_bStartTaskBusy = 0;
        return RunStopTask();
    }
    m_pScan->OpenScanLog();
    if (m_pScan->HasAnalysis())
        m_pScan->OpenAnalysisLog();

    switch (mode)
    {
    case SCAN_MODE_SINGLE:
    case SCAN_MODE_NSCANS:
        m_pScan->AttachDocument(this);
        m_pScan->StartSeries();
        break;
    case SCAN_MODE_CONTINUOUS:
        m_pScan->StartContinuous();
        break;
    case SCAN_MODE_TRIGGERED:
    {
        if (!m_pScan->AttachDocument(this) || m_hViewWnd == NULL)
        {
            m_bStartTaskBusy = 0;
            return 0;
        }
        // The view shows "no timer" itself, on its own thread, when it could not start one.
        const UINT period = RepeatPeriodMs(m_pScan->GetTriggerPeriod());
        m_bRepeatTimer = ::SendMessage(m_hViewWnd, WM_KEL_STARTREPEATTIMER, period, 0) != 0 ? 1 : 0;
        m_bOverrun = 0;
        m_nOverrunCount = 0;
        if (!m_pScan->StartSeries())
        {
            ::SendMessage(m_hViewWnd, WM_KEL_STOPREPEATTIMER, 0, 0);
            m_bRepeatTimer = 0;
        }
        break;
    }
    default:
        break;
    }
    SetModifiedFlag(TRUE);
    m_bStartTaskBusy = 0;
    return 0;
}

int CKelDoc::RunScanStep()
{
    int result = 0;
    // A head that went off line mid-run still gets the step: the scan finds the head gone and ends
    // its run there, instead of staying marked as running with nothing left to step it.
    if (m_pHead != nullptr && m_pScan && (m_pHead->IsOnline() || m_pScan->IsRunning()))
    {
        m_bStepInProgress = 1;
        result = m_pScan->Step();
        m_bStepInProgress = 0;
    }
    return m_bStopRequested ? 0 : result;
}

int CKelDoc::RunStopTask()
{
    if (m_pScan && m_pScan->GetScanMode() == SCAN_MODE_TRIGGERED)
    {
        if (m_hViewWnd != NULL)
            ::SendMessage(m_hViewWnd, WM_KEL_STOPREPEATTIMER, 0, 0);
        m_bRepeatTimer = 0;
    }
    if (m_pScan)
        m_pScan->RequestStopNow();
    if (m_pTable)
        m_pTable->StopAlarmSound();
    if (m_pLeakData)
        m_pLeakData->StopAlarmSound();
    if (m_pIoBoard && m_pIoBoard->IsEnabled())
        m_pIoBoard->ResetOutputs(0);
    return 0;
}

// ---- Acquisition frequency

void CKelDoc::OnAcquisitionFrequency()
{
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return;
    }
    if (!m_pScan || m_pCurrentDisplay == nullptr)
        return;
    CDisplay* display = m_pCurrentDisplay;
    const int kind = display->GetKind();
    const bool splitWithPvsT = kind == 7 && (display->GetPaneCode(0) == 3 || display->GetPaneCode(1) == 3);
    INT_PTR result = IDCANCEL;
    if (kind == 8)
        return;
    if (kind == 4 || splitWithPvsT)
    {
        CScanPeriodDlg dlg;
        dlg.m_pScan = m_pScan.get();
        result = dlg.DoModal();
    }
    else if (kind == 2)
    {
        CLeakTestScheduleDlg dlg;
        dlg.m_pScan = m_pScan.get();
        result = dlg.DoModal();
    }
    else
    {
        CScanScheduleDlg dlg;
        dlg.m_pScan = m_pScan.get();
        // The dialog's kind word: histogram 1, annunciator 5, a split layout 6 (no n-scans choice).
        dlg.m_nKindValue = kind == 5 ? 1 : kind == 6 ? 5 : kind == 7 ? 6 : 0;
        result = dlg.DoModal();
    }
    if (result != IDOK)
        return;
    m_pScan->AttachDocument(this);
    display->Rebuild();
    m_pScan->DropBackground();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateAcquisitionFrequency(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay != nullptr && !m_pScan->IsRunning() && !m_bRepeatTimer);
}
