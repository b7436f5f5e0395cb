#include "view/KelView.h"

#include "KelMessages.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"
#include "displays/Display.h"
#include "doc/KelDoc.h"
#include "doc/KelDocCommands.h"
#include "foundation/AppUiState.h"
#include "res/resource.h"
#include "scans/Scan.h"

IMPLEMENT_DYNCREATE(CKelView, CView)

BEGIN_MESSAGE_MAP(CKelView, CView)
ON_WM_SIZE()
ON_WM_TIMER()
ON_WM_CREATE()
ON_WM_KEYDOWN()
ON_COMMAND(ID_VIEW_CONNECT, OnConnectCommand)
ON_UPDATE_COMMAND_UI(ID_VIEW_CONNECT, OnUpdateConnectCommand)
ON_COMMAND(ID_FILE_PRINT, OnFilePrint)
ON_COMMAND(ID_FILE_PRINT_DIRECT, OnFilePrint)
ON_MESSAGE(WM_KEL_VIEW_INITIALDISPLAY, OnInitialDisplay)
ON_MESSAGE(WM_KEL_VIEW_RESETAVERAGING, OnResetAveraging)
ON_MESSAGE(WM_KEL_VIEW_LEAKPARAMS, OnLeakParams)
ON_MESSAGE(WM_KEL_VIEW_ANALYSISUPDATED, OnAnalysisUpdated)
ON_MESSAGE(WM_KEL_VIEW_ANALYSISCLOSED, OnAnalysisClosed)
ON_MESSAGE(WM_KEL_VIEW_TIMERREFUSED, OnTimerRefused)
ON_MESSAGE(WM_KEL_STARTREPEATTIMER, OnStartRepeatTimer)
ON_MESSAGE(WM_KEL_STOPREPEATTIMER, OnStopRepeatTimer)
ON_MESSAGE(WM_KEL_NEWSWEEP, OnNewSweep)
ON_MESSAGE(WM_KEL_SCANDATA, OnScanData)
ON_MESSAGE(WM_KEL_SCANBATCH, OnScanBatch)
ON_MESSAGE(WM_KEL_GROUPACTIVATE, OnGroupActivate)
ON_MESSAGE(WM_KEL_CHANNELSCHANGED, OnChannelsChanged)
END_MESSAGE_MAP()

CKelView::CKelView() = default;

CKelView::~CKelView() = default;

CKelDoc* CKelView::GetDocument() const
{
    return static_cast<CKelDoc*>(CView::GetDocument());
}

CKelView* GetActiveKelView()
{
    auto* main = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (main == nullptr)
        return nullptr;
    CFrameWnd* child = main->GetActiveFrame();
    CView* view = child != nullptr ? child->GetActiveView() : nullptr;
    return view != nullptr && view->IsKindOf(RUNTIME_CLASS(CKelView)) ? static_cast<CKelView*>(view)
                                                                      : nullptr;
}

// ---- Overrides

BOOL CKelView::PreCreateWindow(CREATESTRUCT& cs)
{
    // The display's page window lies over the client area; the view must not paint over it.
    cs.style |= WS_CLIPCHILDREN;
    return CView::PreCreateWindow(cs);
}

void CKelView::OnInitialUpdate()
{
    // The display is built once the frame has its size.
    PostMessage(WM_KEL_VIEW_INITIALDISPLAY, 0, 0);
}

void CKelView::OnDraw(CDC* /*pDC*/)
{
    // The display pages are child windows that paint themselves.
}

int CKelView::OnCreate(LPCREATESTRUCT lpcs)
{
    return CView::OnCreate(lpcs) == -1 ? -1 : 0;
}

void CKelView::OnSize(UINT nType, int cx, int cy)
{
    CView::OnSize(nType, cx, cy);
    CKelDoc* doc = GetDocument();
    if (doc != nullptr && doc->GetCurrentDisplay() != nullptr)
        doc->GetCurrentDisplay()->ResizePage(cx, cy);
}

void CKelView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (CKelDoc* doc = GetDocument())
        doc->OnChartKeyDown(static_cast<int>(nChar), static_cast<int>(nRepCnt), static_cast<int>(nFlags));
    CView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CKelView::OnConnectCommand()
{
    PostMessage(WM_COMMAND, ID_HEAD_CONNECTOR_LIST, 0);
}

// The view draws nothing of its own: what it prints is the current display's chart page.
void CKelView::OnFilePrint()
{
    if (CKelDoc* doc = GetDocument())
        doc->OnFilePrintGraph();
}

void CKelView::OnUpdateConnectCommand(CCmdUI* pCmdUI)
{
    CKelDoc* doc = GetDocument();
    pCmdUI->SetCheck(doc != nullptr && doc->IsHeadOnline() ? 1 : 0);
}

void CKelView::PostPaint()
{
    PostMessage(WM_PAINT, 0, 0);
}

// ---- Repeat timer

void CKelView::SplitPeriod(int period, int& cycles, UINT& interval)
{
    if (period < kMaxTimerInterval)
    {
        cycles = 0;
        interval = static_cast<UINT>(period > 0 ? period : 0);
    }
    else if (period == kMaxTimerInterval)
    {
        cycles = 1;
        interval = kMaxTimerInterval;
    }
    else
    {
        int n = 2;
        while (period / n > kMaxTimerInterval)
            ++n;
        cycles = n;
        interval = static_cast<UINT>(period / n);
    }
    // A timer of 0 ms would fire without pause.
    if (interval < USER_TIMER_MINIMUM)
        interval = USER_TIMER_MINIMUM;
}

int CKelView::StartRepeatTimer(int period)
{
    m_dwStartTick = m_dwLastTick = ::GetTickCount();
    int cycles = 0;
    UINT interval = 0;
    SplitPeriod(period, cycles, interval);
    m_nCyclesCounter = m_nCyclesReload = cycles;
    m_nTimerInterval = interval;
    m_nTimerId = SetTimer(kRepeatTimerId, interval);
    if (m_nTimerId == 0)
        return 0;
    m_bOverrunSeen = 0;
    CKelDoc* doc = GetDocument();
    if (CDisplay* display = doc != nullptr ? doc->GetCurrentDisplay() : nullptr)
    {
        display->HideIndicatorA(4);
        display->HideIndicatorA(1);
        display->HideIndicatorB(3);
        display->HideIndicatorB(1);
    }
    return 1;
}

BOOL CKelView::StopRepeatTimer()
{
    const BOOL killed = KillTimer(kRepeatTimerId);
    m_nTimerId = 0;
    CKelDoc* doc = GetDocument();
    if (CDisplay* display = doc != nullptr ? doc->GetCurrentDisplay() : nullptr)
    {
        display->HideIndicatorA(4);
        display->HideIndicatorA(1);
        display->HideIndicatorB(3);
        display->HideIndicatorB(1);
    }
    return killed;
}

void CKelView::OnTimer(UINT_PTR nIDEvent)
{
    if (m_nTimerId == 0 || nIDEvent != m_nTimerId)
    {
        CView::OnTimer(nIDEvent);
        return;
    }
    m_dwLastTick = ::GetTickCount();
    if (--m_nCyclesCounter >= 1)
        return;
    CKelDoc* doc = GetDocument();
    if (doc != nullptr)
        doc->OnRepeatTimer();
    m_nCyclesCounter = m_nCyclesReload;
    CDisplay* display = doc != nullptr ? doc->GetCurrentDisplay() : nullptr;
    if (doc != nullptr && !doc->m_bOverrun)
    {
        if (display != nullptr)
            display->HideIndicatorA(1);
    }
    else if (doc != nullptr)
    {
        m_bOverrunSeen = 1;
        if (display != nullptr)
        {
            display->HideIndicatorB(1);
            display->HideIndicatorA(1);
        }
        doc->m_bOverrun = 0;
    }
}

LRESULT CKelView::OnStartRepeatTimer(WPARAM wParam, LPARAM /*lParam*/)
{
    const int period = wParam > static_cast<WPARAM>(0x7FFFFFFF) ? 0x7FFFFFFF : static_cast<int>(wParam);
    const int started = StartRepeatTimer(period);
    // The sender is a worker thread: the message is shown from here, once it has gone on.
    if (!started)
        PostMessage(WM_KEL_VIEW_TIMERREFUSED, 0, 0);
    return started;
}

LRESULT CKelView::OnStopRepeatTimer(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return StopRepeatTimer();
}

LRESULT CKelView::OnTimerRefused(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    AfxMessageBox(IDS_NO_SYSTEM_TIMER, MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CKelView::OnClearDisplay(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    CKelDoc* doc = GetDocument();
    if (doc == nullptr || doc->GetCurrentDisplay() == nullptr)
        return 0;
    return doc->GetCurrentDisplay()->ClearData();
}

// ---- Scan data and notices

LRESULT CKelView::OnScanData(WPARAM wParam, LPARAM lParam)
{
    // The display the scan names: in a split layout a pane, not the document's current display.
    if (auto* display = reinterpret_cast<CDisplay*>(lParam))
        display->UpdateData(reinterpret_cast<void*>(wParam), 0);
    return 0;
}

LRESULT CKelView::OnScanBatch(WPARAM wParam, LPARAM lParam)
{
    auto* display = reinterpret_cast<CDisplay*>(lParam);
    const auto* batch = reinterpret_cast<const ScanPointBatch*>(wParam);
    if (display == nullptr || batch == nullptr || batch->records == nullptr)
        return 0;
    const auto* record = static_cast<const unsigned char*>(batch->records);
    for (int i = 0; i < batch->count; ++i, record += batch->recordSize)
        display->UpdateData(const_cast<unsigned char*>(record), 0);
    return 0;
}

LRESULT CKelView::OnNewSweep(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    InvalidateRect(nullptr, TRUE);
    UpdateWindow();
    InvalidateRect(nullptr, TRUE);
    CKelDoc* doc = GetDocument();
    if (doc != nullptr && doc->GetCurrentDisplay() != nullptr)
        doc->GetCurrentDisplay()->Redraw();
    return 0;
}

LRESULT CKelView::OnInitialDisplay(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (CKelDoc::GetOpenDocumentCount() > CKelDoc::kMaxDocuments)
        return 0;
    if (CKelDoc* doc = GetDocument())
        doc->ShowInitialDisplay();
    return 0;
}

LRESULT CKelView::OnResetAveraging(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (CKelDoc* doc = GetDocument())
        doc->RequestAveragingReset();
    return 0;
}

LRESULT CKelView::OnLeakParams(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (CKelDoc* doc = GetDocument())
        doc->OnCmdMsg(ID_SCAN_LEAK_PARAMS, CN_COMMAND, nullptr, nullptr);
    return 0;
}

LRESULT CKelView::OnAnalysisUpdated(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (CKelDoc* doc = GetDocument())
        doc->UpdateAnalysis();
    return 0;
}

LRESULT CKelView::OnAnalysisClosed(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (CKelDoc* doc = GetDocument())
        doc->CloseAnalysis();
    return 0;
}

LRESULT CKelView::OnGroupActivate(WPARAM wParam, LPARAM /*lParam*/)
{
    CKelDoc* doc = GetDocument();
    if (doc == nullptr)
        return 0;
    if (wParam != 0)
    {
        CAppUiState* ui = CAppUiState::GetInstance();
        doc->OnGroupActivate(ui->m_bParamDlgShown, ui->m_bScheduleDlgShown);
    }
    else
    {
        doc->OnGroupDeactivate();
    }
    return 0;
}

LRESULT CKelView::OnChannelsChanged(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    CKelDoc* doc = GetDocument();
    if (doc != nullptr && doc->GetCurrentDisplay() != nullptr)
        doc->GetCurrentDisplay()->RefreshReadout();
    return 0;
}

// ---- Relays of the main frame

void CKelView::ShowParameterDialog(int show)
{
    if (CKelDoc* doc = GetDocument())
        doc->ShowParameterWindow(show);
}

void CKelView::OnParamsChanged()
{
    if (CKelDoc* doc = GetDocument())
        doc->ApplyParameters();
}

void CKelView::ShowScheduleDialog(int show)
{
    if (CKelDoc* doc = GetDocument())
        doc->ShowScheduleWindow(show);
}

void CKelView::OnScheduleChanged()
{
    if (CKelDoc* doc = GetDocument())
        doc->ApplySchedule();
}

void CKelView::OnParamsApplied()
{
    CKelDoc* doc = GetDocument();
    if (CBaseScheduleDlg* dlg = doc != nullptr ? doc->GetScheduleDialog() : nullptr)
        dlg->ReloadSchedule();
}

void CKelView::ShowMaximized()
{
    ShowWindow(SW_MAXIMIZE);
    CKelDoc* doc = GetDocument();
    if (doc != nullptr && doc->GetCurrentDisplay() != nullptr)
        doc->GetCurrentDisplay()->ShowPageWindow();
}

void CKelView::NcActivateDialogs(BOOL active)
{
    CKelDoc* doc = GetDocument();
    if (doc == nullptr)
        return;
    if (CBaseParameterDlg* dlg = doc->GetParameterDialog(); dlg != nullptr && dlg->GetSafeHwnd() != NULL)
        dlg->SendMessage(WM_NCACTIVATE, active, -1);
    if (CBaseScheduleDlg* dlg = doc->GetScheduleDialog(); dlg != nullptr && dlg->GetSafeHwnd() != NULL)
        dlg->SendMessage(WM_NCACTIVATE, active, -1);
}
