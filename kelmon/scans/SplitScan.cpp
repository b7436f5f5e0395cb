#include "scans/SplitScan.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"
#include "scans/PvsTScan.h"
#include "scans/ScanSite.h"
#include "scans/Table.h"
#include "scans/TableScan.h"

#include <afxwin.h>

#include <new>

IMPLEMENT_SERIAL(CSplitScan, CScan, 1)

namespace
{
CScan* MakeChild(int32_t kind, CObject* settings, CHead* head, CDisplay* display)
{
    switch (kind)
    {
    case CSplitScan::kChildAnalog:
        if (auto* record = dynamic_cast<CAnalogData*>(settings))
            return new (std::nothrow) CAnalogScan(record, head, display);
        break;
    case CSplitScan::kChildHistogram:
        if (auto* record = dynamic_cast<CAnalogData*>(settings))
            return new (std::nothrow) CHistogramScan(record, head, display);
        break;
    case CSplitScan::kChildTable:
        if (auto* table = dynamic_cast<CTable*>(settings))
            return new (std::nothrow) CTableScans(table, head, display);
        break;
    case CSplitScan::kChildPvsT:
        if (auto* table = dynamic_cast<CTable*>(settings))
            return new (std::nothrow) CPvsTScans(table, head, display);
        break;
    default:
        break;
    }
    return nullptr;
}

bool IsTablePvsTPair(int first, int second)
{
    return (first == SCAN_KIND_TABLE && second == SCAN_KIND_PVST) ||
           (first == SCAN_KIND_PVST && second == SCAN_KIND_TABLE);
}
} // namespace

CSplitScan::CSplitScan() = default;

CSplitScan::CSplitScan(CHead* head, CDisplay* parts[2], CObject* settings[2], const int32_t kinds[2],
                       int32_t couplingMode)
    : CScan(head, nullptr), m_nCouplingMode(couplingMode >= 0 && couplingMode <= 3 ? couplingMode : 0),
      m_nFirstKind(kinds[0]), m_nSecondKind(kinds[1])
{
    for (int i = 0; i < 2; ++i)
    {
        CScan* child = MakeChild(kinds[i], settings[i], head, parts[i]);
        if (!child)
        {
            AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
            continue;
        }
        Bind(child, i);
    }
}

CSplitScan::~CSplitScan()
{
    delete m_pFirst;
    delete m_pSecond;
}

void CSplitScan::Bind(CScan* child, int index)
{
    (index == 0 ? m_pFirst : m_pSecond) = child;
    child->m_bChild = 1;
    child->m_nChildIndex = index;
}

template <class Op> void CSplitScan::Both(Op op)
{
    if (m_pFirst)
        op(m_pFirst);
    if (m_pSecond)
        op(m_pSecond);
}

void CSplitScan::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << static_cast<LONG>(m_nCouplingMode);
        ar.WriteObject(m_pFirst);
        ar.WriteObject(m_pSecond);
        ar << static_cast<LONG>(m_nFirstKind) << static_cast<LONG>(m_nSecondKind);
    }
    else
    {
        LONG mode = 0, first = 0, second = 0;
        ar >> mode;
        delete m_pFirst;
        delete m_pSecond;
        m_pFirst = m_pSecond = nullptr;
        m_pFirst = static_cast<CScan*>(ar.ReadObject(RUNTIME_CLASS(CScan)));
        m_pSecond = static_cast<CScan*>(ar.ReadObject(RUNTIME_CLASS(CScan)));
        ar >> first >> second;
        m_nCouplingMode = mode >= 0 && mode <= 3 ? mode : 0;
        m_nFirstKind = first;
        m_nSecondKind = second;
        if (m_pFirst)
            Bind(m_pFirst, 0);
        if (m_pSecond)
            Bind(m_pSecond, 1);
    }
    CScan::Serialize(ar);
}

// =============================================================================================
// Forwarding

void CSplitScan::SetHead(CHead* head)
{
    m_pHead = head;
    Both([&](CScan* c) { c->SetHead(head); });
}

BOOL CSplitScan::IsStepAllowed()
{
    Both([](CScan* c) { c->IsStepAllowed(); });
    return 1;
}

BOOL CSplitScan::ExportAscii()
{
    Both([](CScan* c) { c->ExportAscii(); });
    return 1;
}

float CSplitScan::GetTriggerPeriod()
{
    return m_pFirst ? m_pFirst->GetTriggerPeriod() : 0.0f;
}

void CSplitScan::SetTriggerPeriod(float seconds)
{
    Both([&](CScan* c) { c->SetTriggerPeriod(seconds); });
}

int CSplitScan::GetPeriodUnits()
{
    return m_pFirst ? m_pFirst->GetPeriodUnits() : 0;
}

void CSplitScan::SetPeriodUnits(int units)
{
    Both([&](CScan* c) { c->SetPeriodUnits(units); });
}

void CSplitScan::SetOptionWord(int word)
{
    Both([&](CScan* c) { c->SetOptionWord(word); });
}

int CSplitScan::GetOptionWord()
{
    return m_pFirst ? m_pFirst->GetOptionWord() : 0;
}

void CSplitScan::SetScanMode(int mode)
{
    if (m_pFirst)
        m_pFirst->SetScanMode(mode);
}

int CSplitScan::GetScanMode()
{
    return m_pFirst ? m_pFirst->GetScanMode() : SCAN_MODE_SINGLE;
}

BOOL CSplitScan::EstimateSweepTime(int& seconds)
{
    int t1 = 0, t2 = 0;
    if (m_pFirst)
        m_pFirst->EstimateSweepTime(t1);
    if (m_pSecond)
        m_pSecond->EstimateSweepTime(t2);
    switch (m_nCouplingMode)
    {
    case 0:
        seconds = t1 + t2 + 1;
        break;
    case 1:
    case 2:
        seconds = t1 + 1;
        break;
    default:
        seconds = t1;
        break;
    }
    return 1;
}

void CSplitScan::EditLoggingSettings(CWnd* parent)
{
    if (!m_pFirst)
        return;
    const int first = m_pFirst->GetScanKind();
    const int second = m_pSecond ? m_pSecond->GetScanKind() : 0;
    if (first == SCAN_KIND_ANALOG || first == SCAN_KIND_HISTOGRAM || IsTablePvsTPair(first, second))
        m_pFirst->EditLoggingSettings(parent);
}

BOOL CSplitScan::CheckMassRange()
{
    return (!m_pFirst || m_pFirst->CheckMassRange()) && (!m_pSecond || m_pSecond->CheckMassRange());
}

void CSplitScan::OnCemSwitched(int flag)
{
    if (m_pSecond)
        m_pSecond->SetMessageObject(flag);
}

float CSplitScan::GetSweepTime()
{
    if (m_pFirst && m_nFirstKind == kChildPvsT)
        return m_pFirst->GetSweepTime();
    if (m_pSecond && m_nSecondKind == kChildPvsT)
        return m_pSecond->GetSweepTime();
    return 1.0f;
}

void CSplitScan::SetSweepTime(int seconds)
{
    Both([&](CScan* c) { c->SetSweepTime(seconds); });
}

void CSplitScan::SetNumberOfScans(int count)
{
    if (m_nFirstKind == kChildPvsT || m_nSecondKind == kChildPvsT)
        return;
    Both([&](CScan* c) { c->SetNumberOfScans(count); });
}

int CSplitScan::GetNumberOfScans()
{
    if (m_nFirstKind == kChildPvsT || m_nSecondKind == kChildPvsT)
        return 0;
    return m_pFirst ? m_pFirst->GetNumberOfScans() : 0;
}

void CSplitScan::SetKindValue(int value)
{
    Both([&](CScan* c) { c->SetKindValue(value); });
}

BOOL CSplitScan::OpenAnalysis(CLibrary* library, const int32_t* gases)
{
    if (m_pFirst && m_pFirst->CanAnalyse())
        return m_pFirst->OpenAnalysis(library, gases);
    if (m_pSecond && m_pSecond->CanAnalyse())
        return m_pSecond->OpenAnalysis(library, gases);
    CString text;
    text.Format(IDS_SCAN_RANGE_FOR_ANALYSIS, 0);
    AfxMessageBox(text, MB_ICONSTOP);
    return 0;
}

BOOL CSplitScan::CloseAnalysis()
{
    Both([](CScan* c) { c->CloseAnalysis(); });
    return 1;
}

BOOL CSplitScan::HasAnalysis()
{
    return (m_pFirst && m_pFirst->HasAnalysis()) || (m_pSecond && m_pSecond->HasAnalysis());
}

BOOL CSplitScan::IsAnalysisVisible()
{
    return (m_pFirst && m_pFirst->IsAnalysisVisible()) || (m_pSecond && m_pSecond->IsAnalysisVisible());
}

BOOL CSplitScan::CreateBinaryLog(int maximum, int every, int everySweep)
{
    BOOL result = 0;
    Both([&](CScan* c) { result = c->CreateBinaryLog(maximum, every, everySweep); });
    return result;
}

void CSplitScan::StopLogging()
{
    Both([](CScan* c) { c->StopLogging(); });
}

BOOL CSplitScan::AppendBinaryLog()
{
    BOOL result = 0;
    Both([&](CScan* c) { result = c->AppendBinaryLog(); });
    return result;
}

void CSplitScan::CloseBinaryLog()
{
    Both([](CScan* c) { c->CloseBinaryLog(); });
}

BOOL CSplitScan::OpenLogForView()
{
    BOOL result = 0;
    Both([&](CScan* c) { result = c->OpenLogForView(); });
    return result;
}

void CSplitScan::ViewLogScan(int direction)
{
    Both([&](CScan* c) { c->ViewLogScan(direction); });
}

BOOL CSplitScan::HasBackground()
{
    return (m_pFirst && m_pFirst->HasBackground()) || (m_pSecond && m_pSecond->HasBackground());
}

void CSplitScan::DropBackground()
{
    Both([](CScan* c) { c->DropBackground(); });
}

BOOL CSplitScan::AcquireBackground()
{
    BOOL result = 0;
    Both([&](CScan* c) { result = c->AcquireBackground(); });
    return result;
}

BOOL CSplitScan::RemoveBackground()
{
    BOOL result = 0;
    Both([&](CScan* c) { result = c->RemoveBackground(); });
    return result;
}

void CSplitScan::SetBackgroundMode(int mode)
{
    Both([&](CScan* c) { c->SetBackgroundMode(mode); });
}

BOOL CSplitScan::IsDisplayAutoScale()
{
    if (m_pFirst && !m_pFirst->IsDisplayAutoScale())
        return 0;
    return m_pSecond ? m_pSecond->IsDisplayAutoScale() : 0;
}

BOOL CSplitScan::IsLoggingOn()
{
    return (m_pFirst && m_pFirst->IsLoggingOn()) || (m_pSecond && m_pSecond->IsLoggingOn());
}

BOOL CSplitScan::IsViewingLog()
{
    return (m_pFirst && m_pFirst->IsViewingLog()) || (m_pSecond && m_pSecond->IsViewingLog());
}

void CSplitScan::SetIoBoardSignal(CCbBoard* board)
{
    m_pIoBoard = board;
    Both([&](CScan* c) { c->SetIoBoardSignal(board); });
}

void CSplitScan::ShowCaption(int show)
{
    Both([&](CScan* c) { c->ShowCaption(show); });
}

void CSplitScan::StampStartTime()
{
    Both([](CScan* c)
         {
             if (c->GetScanKind() != SCAN_KIND_PVST)
                 c->StampStartTime();
         });
}

BOOL CSplitScan::DestroyParameterDialog()
{
    Both([](CScan* c) { c->DestroyParameterDialog(); });
    return 1;
}

void CSplitScan::EnableParameterDialog(int enable)
{
    Both(
        [&](CScan* c)
        {
            c->EnableParameterDialog(enable);
            c->EnableScheduleDialog(enable);
        });
}

void CSplitScan::ApplyParameters()
{
    Both([](CScan* c) { c->ApplyParameters(); });
}

CScan* CSplitScan::ScheduleOwner() const
{
    return m_pSecond && m_pSecond->GetScanKind() == SCAN_KIND_PVST ? m_pSecond : m_pFirst;
}

BOOL CSplitScan::ShowScheduleDialog(CScan*)
{
    CScan* owner = ScheduleOwner();
    if (!owner)
        return 0;
    const BOOL shown = owner->ShowScheduleDialog(this);
    m_pScheduleDlg = nullptr; // the owner's, never this scan's to delete
    return shown;
}

void CSplitScan::EditSchedule(CScan*)
{
    if (CScan* owner = ScheduleOwner())
        owner->EditSchedule(this);
}

BOOL CSplitScan::DestroyScheduleDialog()
{
    CScan* owner = ScheduleOwner();
    m_pScheduleDlg = nullptr;
    return owner ? owner->DestroyScheduleDialog() : 0;
}

void CSplitScan::ShowScheduleWindow(int show)
{
    if (CScan* owner = ScheduleOwner())
        owner->ShowScheduleWindow(show);
}

void CSplitScan::EnableScheduleDialog(int enable)
{
    if (CScan* owner = ScheduleOwner())
        owner->EnableScheduleDialog(enable);
}

void CSplitScan::ApplySchedule()
{
    Both([&](CScan* c) { c->AttachDocument(m_pDocument); });
    if (!m_pDisplay || m_pDisplay->Rebuild())
    {
        StopLogging();
        DropBackground();
    }
}

BOOL CSplitScan::OpenScanLog()
{
    return (!m_pFirst || m_pFirst->OpenScanLog()) && (!m_pSecond || m_pSecond->OpenScanLog());
}

BOOL CSplitScan::CloseScanLog()
{
    return (!m_pFirst || m_pFirst->CloseScanLog()) && (!m_pSecond || m_pSecond->CloseScanLog());
}

void CSplitScan::RequestStopNow()
{
    m_bStopNow = 1;
    Both(
        [](CScan* c)
        {
            if (c->IsRunning())
                c->RequestStopNow();
        });
}

void CSplitScan::RequestStopAtEnd()
{
    m_bStopAtEnd = 1;
    Both(
        [](CScan* c)
        {
            if (c->IsRunning())
                c->RequestStopAtEnd();
        });
}

BOOL CSplitScan::AttachDocument(CScanSite* document)
{
    if (document)
        m_pDocument = document;
    BOOL attached = 1;
    if (m_pSecond)
        attached = m_pSecond->AttachDocument(document) && attached;
    if (m_pFirst)
        attached = m_pFirst->AttachDocument(document) && attached;
    return attached && m_pFirst && m_pSecond;
}

// =============================================================================================
// Runs

BOOL CSplitScan::StartSeries()
{
    if (!m_pDocument)
        return 0;
    m_nPhase = 1;
    m_bStopAtEnd = m_bStopNow = 0;
    m_bReserved = 0;
    m_bEndedNormally = 0;
    m_bContinuous = 0;
    m_bAcquiring = 1;
    m_bRunning = 1;
    return 1;
}

BOOL CSplitScan::StartContinuous()
{
    m_nPhase = 1;
    m_bStopAtEnd = m_bStopNow = 0;
    m_bReserved = 0;
    m_bEndedNormally = 0;
    m_bContinuous = 1;
    m_bAcquiring = 1;
    m_bRunning = 1;
    return 1;
}

BOOL CSplitScan::Fail()
{
    FinishScan();
    m_bEndedNormally = 0;
    return 0;
}

BOOL CSplitScan::StartChild(CScan* child, bool attach)
{
    if (attach && !child->AttachDocument(nullptr))
        return FALSE;
    return child->StartSeries();
}

BOOL CSplitScan::StepChild(CScan* child, int next)
{
    if (child->IsAcquiring())
    {
        if (child->Step())
            return 1;
        return child->m_bEndedNormally ? 1 : Fail();
    }
    m_nPhase = next;
    return 1;
}

BOOL CSplitScan::Step()
{
    if (m_bStopNow)
    {
        FinishScan();
        m_bEndedNormally = 0;
        if (CScanSite* site = GetSite())
            site->SetScanEvent();
        return 0;
    }
    if (!m_bAcquiring)
        return 0;
    if (!m_pFirst || !m_pSecond)
        return Fail();
    switch (m_nPhase)
    {
    case 1:
        // In coupling mode 3 the first child is one of a table and pressure-versus-time pair: an
        // attach would start a new trend every round, so it keeps the attach of the scan's start.
        if (!StartChild(m_pFirst, m_nCouplingMode != 3))
            return Fail();
        m_nPhase = 2;
        return 1;
    case 2:
        return StepChild(m_pFirst, 3);
    case 3:
        if (m_nCouplingMode == 0 && !StartChild(m_pSecond, true))
            return Fail();
        m_nPhase = 4;
        return 1;
    case 4:
        if (m_nCouplingMode == 0)
            return StepChild(m_pSecond, 5);
        m_pSecond->StepTimed(m_pFirst, m_nCouplingMode == 1   ? 0
                                       : m_nCouplingMode == 2 ? 1
                                       : m_nFirstKind == kChildTable ? 2
                                                                     : 3);
        m_nPhase = 5;
        return 1;
    case 5:
        if (m_bStopAtEnd || !m_bContinuous)
        {
            m_bEndedNormally = 1;
            FinishScan();
            return 0;
        }
        m_nPhase = 1;
        return 1;
    default:
        return 0;
    }
}

void CSplitScan::FinishScan()
{
    Both(
        [&](CScan* c)
        {
            c->m_bEndedNormally = m_bEndedNormally;
            c->m_bStopAtEnd = m_bStopAtEnd.load();
            c->FinishScan();
        });
    m_nPhase = 0;
    m_bStopNow = 0;
    m_bStopAtEnd = 0;
    m_bRunning = 0;
    m_bAcquiring = 0;
    CScanSite* site = GetSite();
    if (!site || !site->IsRepeating())
        Both(
            [](CScan* c)
            {
                c->EnableParameterDialog(1);
                c->EnableScheduleDialog(1);
            });
}
