#include "ScanFakes.h"

#include "KelMessages.h"
#include "doc/AnalogData.h"
#include "head/Head.h"
#include "ports/PortMonitor.h"
#include "units/Units.h"
#include "win32/uidriver.h"

#include <chrono>
#include <cstdio>

namespace scantest
{

IMPLEMENT_SERIAL(CRecordingDisplay, CObject, 1)

// =============================================================================================
// Recording display

namespace
{
std::string Text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Text(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}
} // namespace

void CRecordingDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar << static_cast<int32_t>(m_received);
    else
    {
        int32_t received = 0;
        ar >> received;
    }
}

int CRecordingDisplay::Count() const
{
    return m_pSettings && m_pSettings->m_pointCount > 0 ? m_pSettings->m_pointCount : 0;
}

void CRecordingDisplay::Note(const std::string& call)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(call);
}

void CRecordingDisplay::UpdateData(void* record, int)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const bool analog = m_pSettings && m_pSettings->m_mode == CAnalogData::kModeAnalog;
    AnalogPointRecord point{0.0f, 0.0f};
    if (analog)
        point = *static_cast<AnalogPointRecord*>(record);
    else
        point.value = *static_cast<float*>(record);
    m_points.push_back(point);
    const int count = Count();
    if (m_received >= count)
        m_received = 0;
    m_sweep.resize(static_cast<size_t>(count));
    if (m_received < count)
        m_sweep[static_cast<size_t>(m_received++)] = point.value;
    m_bHasData = 1;
}

int CRecordingDisplay::ReadData(float* values, int capacity)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int n = std::min(m_received, capacity);
    for (int i = 0; i < n; ++i)
        values[i] = m_sweep[static_cast<size_t>(i)];
    return n;
}

BOOL CRecordingDisplay::ClearData()
{
    Note("ClearData");
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bFailClear)
        return FALSE;
    m_received = 0;
    m_bHasData = 0;
    return TRUE;
}

BOOL CRecordingDisplay::Redraw()
{
    Note("Redraw");
    return TRUE;
}

BOOL CRecordingDisplay::Rebuild()
{
    Note("Rebuild");
    return !m_bFailRebuild;
}

BOOL CRecordingDisplay::ShowScanData(const float* values)
{
    Note("ShowScanData");
    return StoreScanData(values);
}

BOOL CRecordingDisplay::StoreScanData(const float* values)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int count = Count();
    m_sweep.assign(values, values + count);
    m_received = count;
    return TRUE;
}

BOOL CRecordingDisplay::ShowInfoText(int show, LPCTSTR text)
{
    Note(Text("ShowInfoText %d %s", show, text ? text : "(none)"));
    return TRUE;
}

BOOL CRecordingDisplay::ShowAlarmMessage(float* value)
{
    Note("ShowAlarmMessage");
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastPressure = *value;
    return TRUE;
}

BOOL CRecordingDisplay::UpdateAlarmMessage(float* value, LPCTSTR text)
{
    Note(Text("UpdateAlarmMessage %s", text));
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastPressure = *value;
    return TRUE;
}

void CRecordingDisplay::ShowScanCounter(int show, int index, int count)
{
    Note(Text("ShowScanCounter %d %d %d", show, index, count));
}

void CRecordingDisplay::UpdateXStep()
{
    Note("UpdateXStep");
}

void CRecordingDisplay::ShowLogStatus(int mode, int n, int limit)
{
    Note(Text("ShowLogStatus %d %d %d", mode, n, limit));
}

void CRecordingDisplay::ShowLogProgress(int every, int n, int maximum, int on)
{
    Note(Text("ShowLogProgress %d %d %d %d", every, n, maximum, on));
}

std::vector<std::string> CRecordingDisplay::Calls() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

std::vector<std::string> CRecordingDisplay::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : Calls())
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    return found;
}

void CRecordingDisplay::ClearCalls()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
}

std::vector<float> CRecordingDisplay::Sweep() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return std::vector<float>(m_sweep.begin(),
                              m_sweep.begin() + std::min<size_t>(m_sweep.size(), m_received));
}

std::vector<AnalogPointRecord> CRecordingDisplay::Points() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_points;
}

int CRecordingDisplay::PointsReceived() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_points.size());
}

float CRecordingDisplay::LastPressure() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastPressure;
}

// =============================================================================================
// View thread

namespace
{
constexpr const char* kViewClass = "KelScanTestView";

LRESULT CALLBACK ViewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto* view = reinterpret_cast<CViewThread*>(GetWindowLongPtr(hWnd, GWLP_USERDATA)))
        if (message == WM_KEL_SCANDATA || message == WM_KEL_SCANBATCH || message == WM_KEL_NEWSWEEP ||
            message == WM_PAINT)
            return view->Handle(message, wParam, lParam);
    return DefWindowProc(hWnd, message, wParam, lParam);
}
} // namespace

CViewThread::CViewThread(bool record) : m_record(record)
{
    HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread(
        [this, ready]
        {
            // This thread plays the user-interface thread: prompts of the workers come here too.
            kel::ui::Initialize();
            WNDCLASS wc{};
            wc.lpfnWndProc = ViewProc;
            wc.lpszClassName = kViewClass;
            RegisterClass(&wc);
            m_hWnd =
                CreateWindow(kViewClass, "view", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongPtr(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_threadId = GetCurrentThreadId();
            SetEvent(ready);
            MSG msg;
            while (GetMessage(&msg, nullptr, 0, 0) > 0)
                DispatchMessage(&msg);
            DestroyWindow(m_hWnd);
            UnregisterClass(kViewClass, nullptr);
            kel::ui::Shutdown();
        });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
}

CViewThread::~CViewThread()
{
    PostThreadMessage(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
}

LRESULT CViewThread::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* display = reinterpret_cast<CDisplay*>(lParam);
    const char* name = "paint";
    switch (message)
    {
    case WM_KEL_SCANDATA:
        ++m_data;
        name = "data";
        if (display)
            display->UpdateData(reinterpret_cast<void*>(wParam), 0);
        break;
    case WM_KEL_SCANBATCH:
    {
        // As the view does: each record to the display in order, each a "data" of its own.
        const auto* batch = reinterpret_cast<const ScanPointBatch*>(wParam);
        ++m_batches;
        const auto* record = static_cast<const unsigned char*>(batch->records);
        for (int i = 0; i < batch->count; ++i, record += batch->recordSize)
        {
            ++m_data;
            if (display)
                display->UpdateData(const_cast<unsigned char*>(record), 0);
        }
        if (m_record)
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_messages.insert(m_messages.end(), batch->count, "data");
        }
        return 1;
    }
    case WM_KEL_NEWSWEEP:
        name = "newsweep";
        break;
    default:
        break;
    }
    if (m_record)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back(name);
    }
    return 1;
}

std::vector<std::string> CViewThread::Messages(bool withPaints) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> messages;
    for (const std::string& message : m_messages)
        if (withPaints || message != "paint")
            messages.push_back(message);
    return messages;
}

void CViewThread::ClearMessages()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.clear();
}

// =============================================================================================
// Document

namespace
{
class CFakeTask : public CDocTask
{
public:
    enum Kind
    {
        kStart,
        kStep,
        kStop
    };
    CFakeTask(CFakeDocument& document, Kind kind, std::string name)
        : CDocTask(std::move(name)), m_pDocument(&document), m_kind(kind)
    {
        ++g_liveTasks;
    }
    ~CFakeTask() override { --g_liveTasks; }
    int Run() override
    {
        switch (m_kind)
        {
        case kStart:
            return m_pDocument->RunStartTask();
        case kStep:
            return m_pDocument->RunScanStep();
        case kStop:
            return m_pDocument->RunStopTask();
        }
        return 0;
    }
    HANDLE GetLock() override { return m_pDocument->m_hPortLock; }
    CDocTask* Clone() override { return new CFakeTask(*this); }

    // Tasks queued or running, counted from creation to deletion (clones included): the monitor
    // takes a task off its queue before it runs it, so an empty queue alone does not mean done.
    static std::atomic<int> g_liveTasks;

private:
    CFakeTask(const CFakeTask& other) : CDocTask(other), m_pDocument(other.m_pDocument), m_kind(other.m_kind)
    {
        ++g_liveTasks;
    }

    CFakeDocument* m_pDocument;
    Kind m_kind;
};

std::atomic<int> CFakeTask::g_liveTasks{0};

CScanSite* g_activeSite = nullptr;
CScanSite* ActiveSite()
{
    return g_activeSite;
}
} // namespace

CFakeDocument::CFakeDocument(CHead* head, CUnits* units, HWND view, HANDLE portLock)
    : m_pHead(head), m_pUnits(units), m_hView(view), m_hPortLock(portLock),
      m_hScanEvent(CreateEvent(nullptr, FALSE, TRUE, nullptr))
{
}

CFakeDocument::~CFakeDocument()
{
    CloseHandle(m_hScanEvent);
}

void CFakeDocument::PostPaint()
{
    ++m_paints;
    if (m_hView)
        PostMessage(m_hView, WM_PAINT, 0, 0);
}

CScanLogSettings& CFakeDocument::GetLogSettings(int kind)
{
    return m_logSettings[kind >= 0 && kind < 8 ? kind : 0];
}

void CFakeDocument::SetScanEvent()
{
    ++m_scanEvents;
    SetEvent(m_hScanEvent);
}

void CFakeDocument::Serialize(CArchive& ar)
{
    if (m_serialize)
    {
        m_serialize(ar);
        return;
    }
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pHead);
        ar.WriteObject(m_pUnits);
        ar.WriteObject(m_pScan);
    }
}

void CFakeDocument::Start()
{
    if (m_pScan)
    {
        m_pScan->EnableParameterDialog(0);
        m_pScan->EnableScheduleDialog(0);
    }
    ResetEvent(m_hScanEvent);
    m_stopRequested = 0;
    CPortMonitor::Instance().Enqueue(new CFakeTask(*this, CFakeTask::kStart, "START task"));
    CPortMonitor::Instance().Enqueue(new CFakeTask(*this, CFakeTask::kStep, ""));
}

bool CFakeDocument::IsSettled()
{
    return CFakeTask::g_liveTasks == 0 && CPortMonitor::Instance().IsIdle();
}

void CFakeDocument::QueueStep()
{
    m_stopRequested = 0;
    CPortMonitor::Instance().Enqueue(new CFakeTask(*this, CFakeTask::kStep, ""));
}

void CFakeDocument::StopNow()
{
    m_stopRequested = 1;
    CPortMonitor::Instance().Enqueue(new CFakeTask(*this, CFakeTask::kStop, "STOP task"));
    CPortMonitor::Instance().Enqueue(new CFakeTask(*this, CFakeTask::kStep, "LAST service task"));
}

bool CFakeDocument::WaitForRunEnd(DWORD timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline)
    {
        const bool ended = m_pScan && !m_pScan->IsRunning();
        if (ended && !m_busy && CFakeDocument::IsSettled())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

int CFakeDocument::RunStartTask()
{
    if (!m_pScan || m_pScan->IsRunning())
        return 0;
    m_pHead->StopScan();
    if (!m_pHead->EnsureFilamentOn())
        return RunStopTask();
    m_pScan->CloseBinaryLog();
    const int mode = m_pScan->GetScanMode();
    m_pScan->StampStartTime();
    if (!m_pScan->CheckMassRange())
        return RunStopTask();
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
        m_pScan->StartSeries();
        break;
    default:
        break;
    }
    return 0;
}

int CFakeDocument::RunScanStep()
{
    // The step itself finds a head that went off line and ends the run; a document that skipped
    // it would leave the scan marked as running.
    int result = 0;
    if (m_pHead && m_pScan)
    {
        m_busy = 1;
        result = m_pScan->Step();
        m_busy = 0;
        if (result && !m_pScan->IsRunning())
            ++m_againAfterEnd;
    }
    return m_stopRequested ? 0 : result;
}

int CFakeDocument::RunStopTask()
{
    if (m_pScan)
        m_pScan->RequestStopNow();
    return 0;
}

ActiveDocumentScope::ActiveDocumentScope(CScanSite* site) : m_previous(SetActiveScanSiteLookup(ActiveSite))
{
    g_activeSite = site;
}

ActiveDocumentScope::~ActiveDocumentScope()
{
    g_activeSite = nullptr;
    SetActiveScanSiteLookup(m_previous);
}

} // namespace scantest
