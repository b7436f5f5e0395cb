#include "scans/Scan.h"

#include "KelMessages.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"
#include "displays/Display.h"
#include "head/Head.h"
#include "res/resource.h"
#include "scans/ScanLogHeader.h"
#include "scans/ScanSite.h"
#include "units/Units.h"

#include <afxwin.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CScan, CObject)

namespace
{
ActiveScanSiteLookup g_activeSiteLookup = nullptr;

// Causes that have a text (CFileException::m_cause).
bool HasCauseText(int cause)
{
    switch (cause)
    {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 8:
    case 9:
    case 10:
    case 11:
    case 13:
    case 14:
        return true;
    default:
        return false;
    }
}

int32_t InRange(int32_t value, int32_t low, int32_t high, int32_t fallback)
{
    return value >= low && value <= high ? value : fallback;
}
} // namespace

CScanSite* GetActiveScanSite()
{
    return g_activeSiteLookup ? g_activeSiteLookup() : nullptr;
}

ActiveScanSiteLookup SetActiveScanSiteLookup(ActiveScanSiteLookup lookup)
{
    ActiveScanSiteLookup previous = g_activeSiteLookup;
    g_activeSiteLookup = lookup;
    return previous;
}

// =============================================================================================
// Shared functions

void FileErrorText(int cause, CString& text)
{
    text.Empty();
    if (HasCauseText(cause))
        text.LoadString(IDS_FILE_CAUSE_BASE + cause);
}

BOOL CheckStoredRange(int low, int high, int value)
{
    if (low <= value && value <= high)
        return TRUE;
    AfxMessageBox(IDS_STORED_VALUE_RANGE, MB_ICONEXCLAMATION);
    return FALSE;
}

CString FormatTime(time_t time, LPCTSTR format)
{
    struct tm local = {};
    if (!CTime(time).GetLocalTm(&local))
        return CString();
    char text[128];
    const size_t length = std::strftime(text, sizeof text, format, &local);
    return length ? CString(text) : CString();
}

CString MakeUniquePath(const CString& path)
{
    CFileStatus status;
    if (!CFile::GetStatus(path, status))
        return path;
    const int slash = path.ReverseFind('/');
    int dot = path.ReverseFind('.');
    if (dot <= slash)
        dot = path.GetLength();
    const CString stem = path.Left(dot), extension = path.Mid(dot);
    for (int n = 2;; ++n)
    {
        CString candidate;
        candidate.Format("%s_%d%s", stem.GetString(), n, extension.GetString());
        if (!CFile::GetStatus(candidate, status))
            return candidate;
    }
}

void SetParameterCaptionSuffix(CBaseParameterDlg* dialog, LPCTSTR text)
{
    if (dialog)
        dialog->m_strCaptionSuffix = text;
}

// =============================================================================================
// Construction

CScan::CScan()
{
    ResetFields();
}

CScan::CScan(CHead* head, CDisplay* display) : m_pDisplay(display), m_pHead(head)
{
    ResetFields();
}

CScan::~CScan()
{
    m_logFile.Abort();
    m_pDocument = nullptr;
    DestroyParameterDialog();
    delete m_pParameterDlg;
    if (m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd()))
        m_pScheduleDlg->DestroyWindow();
    delete m_pScheduleDlg;
}

void CScan::ResetFields()
{
    m_bRunning = 0;
    m_bStopAtEnd = 0;
    m_bStopNow = 0;
    m_bEndedNormally = 0;
    m_bAcquiring = 0;
    m_nScansLeft = 0;
    m_nPointIndex = 0;
    m_pBackground.reset();
    m_nBackgroundLength = 0;
    m_bBackgroundOn = 0;
    m_nLogRecordIndex = 0;
    m_nLogRecordCount = 0;
    m_nSweepsSinceLogging = 0;
    m_bLoggingOn = 0;
    m_bViewingLog = 0;
    m_bSweepComplete = 0;
    m_pIoBoard = nullptr;
    m_pDocument = nullptr;
    m_bCaptionShown = 0;
    m_bAveragingOn = 0;
    m_bResetRequest = 0;
    m_nKindWord = 0;
    m_bChild = 0;
    m_fStoredFactor = 1.0f;
    m_bReady = 1;
    m_nAveragingLimit = 12;
    m_nLimitAction = 1;
    m_nAveragingMode = 1;
    m_nAveragingDepth = 5;
    m_strSchema = kSchemaMarker;
    m_nChildIndex = -1;
    m_bWaitingForData = 0;
    m_bCycleStarted = 0;
}

// =============================================================================================
// Document file

void CScan::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pDisplay);
        ar.WriteObject(m_pHead);
        ar << m_fStoredFactor << static_cast<int32_t>(m_nLogMaximum) << static_cast<int32_t>(m_nLogEvery)
           << static_cast<int32_t>(m_bLogEverySweep) << m_strLogPath;
        for (int32_t value : m_nStoredInt)
            ar << value;
        for (float value : m_fStoredFloat)
            ar << value;
        ar << m_strCaption << m_strStored[0] << m_strStored[1] << m_strStored[2] << CString(kSchemaMarker);
        ar << static_cast<int32_t>(m_bAveragingOn) << static_cast<int32_t>(m_bResetRequest)
           << static_cast<int32_t>(m_nAveragingLimit) << static_cast<int32_t>(m_nAveragingDepth)
           << static_cast<int32_t>(m_nLimitAction) << static_cast<int32_t>(m_nAveragingMode);
        return;
    }

    // The display and the head belong to the document.
    CArchiveFieldReads fields(ar);
    fields.Read(m_pDisplay, RUNTIME_CLASS(CDisplay));
    fields.Read(m_pHead, RUNTIME_CLASS(CHead));
    int32_t maximum = 0, every = 0, everySweep = 0;
    ar >> m_fStoredFactor >> maximum >> every >> everySweep >> m_strLogPath;
    for (int32_t& value : m_nStoredInt)
        ar >> value;
    for (float& value : m_fStoredFloat)
        ar >> value;
    CString marker;
    ar >> m_strCaption >> m_strStored[0] >> m_strStored[1] >> m_strStored[2] >> marker;
    m_nLogMaximum = maximum;
    // A damaged interval would divide by zero at the first logged sweep.
    m_nLogEvery = every >= 1 ? every : 1;
    m_bLogEverySweep = everySweep ? 1 : 0;
    m_bCaptionShown = m_strCaption.IsEmpty() ? 0 : 1;

    int version = 1;
    if (marker.GetLength() > 0 && marker.Left(6) == "SCHEMA")
    {
        const int number = std::atoi(marker.Mid(6));
        if (number == 1 || number == 2)
            version = number;
    }
    int32_t on = 0, reset = 0, limit = 0, depth = 0, action = 0, mode = 0;
    if (version >= 2)
        ar >> on >> reset >> limit >> depth >> action >> mode;
    fields.Commit();
    if (version < 2)
        return;
    m_bAveragingOn = on ? 1 : 0;
    m_bResetRequest = reset ? 1 : 0;
    m_nAveragingLimit = InRange(limit, 2, 32000, 12);
    m_nAveragingDepth = InRange(depth, 2, 1000, 5);
    m_nLimitAction = InRange(action, 1, 2, 1);
    m_nAveragingMode = InRange(mode, 1, 2, 1);
}

// =============================================================================================
// Peak routines

float CScan::FindExtreme(const float* values, int start, int count, BOOL byMagnitude)
{
    float best = values[start];
    for (int i = start + 1; i < start + count; ++i)
    {
        const float v = values[i];
        if (byMagnitude ? std::fabs(v) > std::fabs(best) : v > best)
            best = v;
    }
    return best;
}

float CScan::FindMaximum(const float* values, int start, int count)
{
    return FindExtreme(values, start, count, FALSE);
}

BOOL CScan::FitPeakCenter(const float* y, float& value)
{
    const float b = (3.0f * y[6] + 2.0f * y[5] + y[4] - y[2] - 2.0f * y[1] - 3.0f * y[0]) / 28.0f;
    const float c = (5.0f * y[0] - 3.0f * y[2] - 4.0f * y[3] - 3.0f * y[4] + 5.0f * y[6]) / 84.0f;
    const float a =
        (-2.0f * y[0] + 3.0f * y[1] + 6.0f * y[2] + 7.0f * y[3] + 6.0f * y[4] + 3.0f * y[5] - 2.0f * y[6]) /
        21.0f;
    if (!(c < 0.0f))
        return FALSE;
    const float x = -b / (2.0f * c);
    if (!(x >= -2.25f && x <= 2.25f))
        return FALSE;
    value = a + b * x + c * x * x;
    return TRUE;
}

BOOL CScan::FitPeakAround(const float* values, int count, int centre, float& value)
{
    if (!values || centre - 3 < 0 || centre + 3 >= count)
        return FALSE;
    return FitPeakCenter(values + centre - 3, value);
}

// =============================================================================================
// Display and view

int CScan::ReadDisplayData(float* buffer, int capacity)
{
    return m_pDisplay ? m_pDisplay->ReadData(buffer, capacity) : 0;
}

BOOL CScan::IsDisplayAutoScale()
{
    return m_pDisplay ? m_pDisplay->IsAutoScale() : 0;
}

CScanSite* CScan::GetSite() const
{
    return m_pDocument ? m_pDocument : GetActiveScanSite();
}

void CScan::SendPoint(void* record)
{
    CScanSite* site = GetSite();
    if (HWND view = site ? site->GetViewWindow() : nullptr)
        SendMessage(view, WM_KEL_SCANDATA, reinterpret_cast<WPARAM>(record),
                    reinterpret_cast<LPARAM>(m_pDisplay));
}

void CScan::QueuePoint(const void* record, size_t size)
{
    if (m_nBatchPoints > 0 && size != m_nBatchRecordSize)
        FlushPoints();
    if (m_nBatchPoints == 0)
    {
        m_nBatchRecordSize = size;
        m_batchStart = GetTickCount64();
        m_pointBatch.resize(size * kMaxBatchPoints);
    }
    std::memcpy(m_pointBatch.data() + m_nBatchPoints * size, record, size);
    if (++m_nBatchPoints >= kMaxBatchPoints)
        FlushPoints();
}

void CScan::FlushPoints()
{
    if (m_nBatchPoints == 0)
        return;
    ScanPointBatch batch{m_pointBatch.data(), m_nBatchPoints, static_cast<int>(m_nBatchRecordSize)};
    m_nBatchPoints = 0;
    CScanSite* site = GetSite();
    if (HWND view = site ? site->GetViewWindow() : nullptr)
        SendMessage(view, WM_KEL_SCANBATCH, reinterpret_cast<WPARAM>(&batch),
                    reinterpret_cast<LPARAM>(m_pDisplay));
}

void CScan::FlushPointsUnless(bool moreWaiting)
{
    if (!moreWaiting || GetTickCount64() - m_batchStart >= kMaxBatchMs)
        FlushPoints();
}

void CScan::NotifyNewSweep()
{
    CScanSite* site = GetSite();
    if (HWND view = site ? site->GetViewWindow() : nullptr)
        SendMessage(view, WM_KEL_NEWSWEEP, 0, 0);
}

void CScan::ShowCaption(int show)
{
    m_bCaptionShown = show;
    if (m_strCaption.IsEmpty())
        StampStartTime();
    else if (m_pDisplay)
        m_pDisplay->ShowInfoText(show, m_strCaption);
}

void CScan::StampStartTime()
{
    const time_t now = CTime::GetCurrentTime().GetTime();
    m_strCaption = FormatTime(now, kScanTimeFormat);
    m_strFileStamp = FormatTime(now, kScanFileStampFormat);
    if (m_pDisplay)
        m_pDisplay->ShowInfoText(m_bCaptionShown, m_strCaption);
}

double CScan::ElapsedSeconds(ULONGLONG startTick)
{
    return static_cast<double>(GetTickCount64() - startTick) * 0.001;
}

// =============================================================================================
// Factors

BOOL CScan::PrepareFactors(CUnits* units)
{
    if (!units)
        return FALSE;
    m_fTotalPressureFactor = units->m_fTotalFactor;
    m_fValueFactor = units->m_fPartialFactor;
    if (units->m_bReductionEnabled)
    {
        m_fTotalPressureFactor *= units->m_fReductionFactor;
        m_fValueFactor *= units->m_fReductionFactor;
    }
    if (m_pHead && m_pHead->IsCemPresent())
    {
        int on = 0;
        if (!m_pHead->IsHighVoltageOn(on))
            return FALSE;
        if (on && m_pHead->GetCemGain() > 0.0f)
        {
            m_fTotalPressureFactor /= m_pHead->GetCemGain();
            m_fValueFactor /= m_pHead->GetCemGain();
        }
    }
    return TRUE;
}

// =============================================================================================
// Dialogs

BOOL CScan::DestroyParameterDialog()
{
    if (!m_pParameterDlg)
        return 0;
    CBaseParameterDlg* sub = m_pParameterDlg->GetSubDialog();
    CBaseParameterDlg* owner = m_pParameterDlg->GetOwningDialog();
    BOOL result = 0;
    if (::IsWindow(m_pParameterDlg->GetSafeHwnd()))
        result = m_pParameterDlg->DestroyWindow();
    if (sub)
        m_pParameterDlg->LinkSubDialog(nullptr);
    if (owner && owner->GetSubDialog() == m_pParameterDlg)
        owner->LinkSubDialog(nullptr);
    return result;
}

void CScan::ShowParameterWindow(int show)
{
    if (m_pParameterDlg && ::IsWindow(m_pParameterDlg->GetSafeHwnd()))
        m_pParameterDlg->ShowWindow(show);
}

void CScan::EnableParameterDialog(int enable)
{
    if (m_pParameterDlg && ::IsWindow(m_pParameterDlg->GetSafeHwnd()))
        m_pParameterDlg->EnableControls(enable);
}

BOOL CScan::DestroyScheduleDialog()
{
    if (m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd()))
        return m_pScheduleDlg->DestroyWindow();
    return 0;
}

void CScan::ShowScheduleWindow(int show)
{
    if (m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd()))
        m_pScheduleDlg->ShowWindow(show);
}

void CScan::EnableScheduleDialog(int enable)
{
    if (m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd()))
        m_pScheduleDlg->EnableControls(enable);
}

void CScan::RestoreDialogs(int parameterShow, int scheduleShow)
{
    if ((m_pParameterDlg && ::IsWindow(m_pParameterDlg->GetSafeHwnd())) || ShowParameterDialog())
    {
        if (m_pParameterDlg)
            m_pParameterDlg->RestorePlacement();
        ShowParameterWindow(parameterShow);
    }
    if ((m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd())) || ShowScheduleDialog(nullptr))
    {
        if (m_pScheduleDlg)
            m_pScheduleDlg->RestorePlacement();
        ShowScheduleWindow(scheduleShow);
    }
}

void CScan::HideDialogs()
{
    if (m_pParameterDlg && ::IsWindow(m_pParameterDlg->GetSafeHwnd()) && m_pParameterDlg->IsWindowVisible())
        m_pParameterDlg->SavePlacement();
    ShowParameterWindow(SW_HIDE);
    if (m_pScheduleDlg && ::IsWindow(m_pScheduleDlg->GetSafeHwnd()) && m_pScheduleDlg->IsWindowVisible())
        m_pScheduleDlg->SavePlacement();
    ShowScheduleWindow(SW_HIDE);
}

// =============================================================================================
// Files

CString CScan::FileErrorMessage(const CFileException& e)
{
    CString text;
    text.Format("Error:%d", e.m_cause);
    return text;
}

void CScan::ShowFileError(UINT messageId, LPCTSTR path, const CString& text, UINT icon)
{
    CString message;
    AfxFormatString2(message, messageId, path, text);
    AfxMessageBox(message, icon);
}

BOOL CScan::AppendLogRecord(const float* values, int count)
{
    char time[CScanLogHeader::kTimeSize];
    CScanLogHeader::FormatRecordTime(time);
    CFile file;
    CFileException error;
    if (!file.Open(m_strLogPath, CFile::modeWrite, &error))
    {
        CString cause;
        FileErrorText(error.m_cause, cause);
        ShowFileError(IDS_FILE_OPEN_FAILED, m_strLogPath, cause, MB_ICONSTOP);
        return FALSE;
    }
    ULONGLONG length = 0;
    try
    {
        length = file.SeekToEnd();
        file.Write(time, sizeof time);
        file.Write(values, static_cast<UINT>(count * sizeof(float)));
        file.Close();
    }
    catch (CFileException* e)
    {
        // The log keeps its whole records: a record written in part is taken back.
        CString cause;
        FileErrorText(e->m_cause, cause);
        e->Delete();
        try
        {
            file.SetLength(length);
        }
        catch (CFileException* again)
        {
            again->Delete();
        }
        file.Abort();
        ShowFileError(IDS_FILE_WRITE_FAILED, m_strLogPath, cause, MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

BOOL CScan::CreateLogFile(const std::vector<BYTE>& header)
{
    CFile file;
    CFileException error;
    if (!file.Open(m_strLogPath, CFile::modeCreate | CFile::modeWrite, &error))
    {
        CString cause;
        FileErrorText(error.m_cause, cause);
        ShowFileError(IDS_FILE_OPEN_FAILED, m_strLogPath, cause, MB_ICONSTOP);
        return FALSE;
    }
    try
    {
        file.Write(header.data(), static_cast<UINT>(header.size()));
        file.Close();
    }
    catch (CFileException* e)
    {
        CString cause;
        FileErrorText(e->m_cause, cause);
        e->Delete();
        file.Abort();
        ShowFileError(IDS_FILE_WRITE_FAILED, m_strLogPath, cause, MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

void CScan::DiscardFile(CFile& file, LPCTSTR path)
{
    file.Abort();
    try
    {
        CFile::Remove(path);
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
}

BOOL CScan::WriteTextFile(LPCTSTR path, const CString& text, BOOL causeNumber)
{
    CStdioFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText, &error))
    {
        CString cause;
        if (causeNumber)
            cause.Format("%d", static_cast<int>(error.m_cause));
        else
            FileErrorText(error.m_cause, cause);
        ShowFileError(IDS_FILE_OPEN_FAILED, path, cause, MB_ICONSTOP);
        return FALSE;
    }
    try
    {
        file.WriteString(text);
        file.Close();
    }
    catch (CFileException* e)
    {
        CString cause;
        FileErrorText(e->m_cause, cause);
        e->Delete();
        DiscardFile(file, path);
        ShowFileError(IDS_FILE_WRITE_FAILED, path, cause, MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

BOOL CScan::SaveDocumentCopy(LPCTSTR path)
{
    CScanSite* site = GetSite();
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, &error))
    {
        ShowFileError(IDS_FILE_OPEN_FAILED, path, FileErrorMessage(error), MB_ICONEXCLAMATION);
        return FALSE;
    }
    try
    {
        CArchive ar(&file, CArchive::store, 4096);
        if (site)
            site->Serialize(ar);
        ar.Close();
        file.Close();
    }
    catch (CException* e)
    {
        // A copy that could not be written whole is not left behind as if it were one.
        CString text;
        if (auto* fileError = dynamic_cast<CFileException*>(e))
            FileErrorText(fileError->m_cause, text);
        e->Delete();
        DiscardFile(file, path);
        ShowFileError(IDS_FILE_WRITE_FAILED, path, text, MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}
