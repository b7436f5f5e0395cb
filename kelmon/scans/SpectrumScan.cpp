#include "scans/SpectrumScan.h"

#include "analysis/Analyse.h"
#include "analysis/Library.h"
#include "analysis/TextLogFile.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BrowseFolderDlg.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "foundation/Paths.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "res/resource.h"
#include "scans/AveragingWeight.h"
#include "scans/LoggingDialog.h"
#include "scans/ScanLogSaverFactory.h"
#include "scans/ScanSite.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>

#include <new>
#include <vector>

namespace
{
// An end-of-sweep word from firmware 0.21 on: 0, or low three bits all set, means no error.
bool IsErrorReport(int word)
{
    return word != 0 && (word & 7) != 7;
}

std::unique_ptr<float[]> NewFloats(int count)
{
    if (count < 1)
        return nullptr;
    return std::unique_ptr<float[]>(new (std::nothrow) float[static_cast<size_t>(count)]());
}
} // namespace

IMPLEMENT_DYNAMIC(CSpectrumScan, CScan)

CSpectrumScan::CSpectrumScan() = default;

CSpectrumScan::CSpectrumScan(CAnalogData* settings, CHead* head, CDisplay* display)
    : CScan(head, display), m_pSettings(settings)
{
}

CSpectrumScan::~CSpectrumScan() = default;

int CSpectrumScan::GetPointCount() const
{
    return m_pSettings ? m_pSettings->m_pointCount : 0;
}

CString CSpectrumScan::UnitsName()
{
    return m_pSettings && m_pSettings->m_pUnits ? CString(m_pSettings->m_pUnits->m_szUnitName) : CString();
}

CString CSpectrumScan::CemStatusLine()
{
    const bool on = m_pHead && m_pHead->IsCemPresent() && m_pHead->GetHighVoltageState();
    return on ? "CEM Status, ON" : "CEM Status, OFF";
}

void CSpectrumScan::RepaintActiveView()
{
    if (CScanSite* site = GetActiveScanSite())
        site->PostPaint();
}

// =============================================================================================
// Document file

void CSpectrumScan::Serialize(CArchive& ar)
{
    // The settings record belongs to the document.
    CArchiveFieldReads fields(ar);
    if (ar.IsStoring())
        ar.WriteObject(m_pSettings);
    else
        fields.Read(m_pSettings, RUNTIME_CLASS(CAnalogData));
    CScan::Serialize(ar);
    fields.Commit();
    if (ar.IsLoading())
    {
        // The depth read back is the one in force, and the first step finds its buffer.
        m_fExponentialWeight = InverseAveragingWeight(0.95f, m_nAveragingDepth);
        if (m_bAveragingOn && !EnsureAverageBuffer())
            m_bAveragingOn = 0;
    }
}

// =============================================================================================
// Settings

void CSpectrumScan::SetSettings(CObject* record)
{
    m_pSettings = static_cast<CAnalogData*>(record);
}

CObject* CSpectrumScan::GetSettings()
{
    return m_pSettings;
}

int CSpectrumScan::QueryPointCount()
{
    int points = 0;
    return m_pHead && QueryHeadPoints(points) ? points : 0;
}

BOOL CSpectrumScan::EstimateSweepTime(int& seconds)
{
    seconds = 0;
    if (!m_pSettings)
        return FALSE;
    m_pSettings->UpdateScanTime();
    seconds = static_cast<int>(m_pSettings->m_sweepTime);
    return TRUE;
}

BOOL CSpectrumScan::CheckMassRange()
{
    if (!m_pHead || !m_pSettings || m_pSettings->m_stopMass <= m_pHead->GetMassRange())
        return 1;
    CString text;
    text.Format(IDS_STOP_MASS_RANGE, m_pSettings->m_stopMass);
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    return 0;
}

BOOL CSpectrumScan::AttachDocument(CScanSite* document)
{
    if (document)
        m_pDocument = document;
    if (!IsHistogram())
        m_bStopAtEnd = m_bStopNow = 0;
    CloseBinaryLog();
    if (!m_pSettings)
        return FALSE;
    m_pSettings->UpdateScanTime();
    if (m_pAnalysis && !CanAnalyse())
        CloseAnalysis();
    if (!m_pHead || !m_pHead->CheckHeadPresent())
        return FALSE;
    if (!m_pHead->StopScan() && !m_pHead->Reconnect())
        return FALSE;
    if (!m_pHead->CheckErrors() && m_pHead->GetAbortFlag())
        return FALSE;
    m_pHead->SetFinalMass(m_pHead->GetMassRange());
    m_pHead->SetInitialMass(m_pSettings->m_startMass);
    m_pHead->SetFinalMass(m_pSettings->m_stopMass);
    if (!IsHistogram())
        m_pHead->SetStepsPerAmu(m_pSettings->m_pointsPerAmu);
    m_pHead->SetNoiseFloor(m_pSettings->m_noiseFloor);
    m_pHead->GetFirmwareVersion(m_fFirmwareVersion);
    int points = 0;
    QueryHeadPoints(points);
    if (points != m_pSettings->m_pointCount)
    {
        AfxMessageBox(IDS_UNEXPECTED_POINT_COUNT, MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_bReady = 1;
    return TRUE;
}

// =============================================================================================
// Runs

BOOL CSpectrumScan::EnsureAverageBuffer()
{
    const int points = GetPointCount();
    if (m_pAverage && m_nAverageLength == points)
        return TRUE;
    m_pAverage = NewFloats(points);
    m_nAverageLength = m_pAverage ? points : 0;
    m_nSweepsAveraged = 0;
    return m_pAverage != nullptr;
}

BOOL CSpectrumScan::StartSweep()
{
    if (!m_pHead || !m_pSettings || !m_pHead->CheckHeadPresent() || !m_pHead->CheckErrors() ||
        m_pHead->GetAbortFlag() || !m_pHead->EnsureFilamentOn())
        return FALSE;
    StampStartTime();
    if (m_pDisplay)
    {
        if (m_bAveragingOn)
            m_pDisplay->ShowLogStatus(m_nAveragingMode, m_nSweepsAveraged + 1, m_nAveragingLimit);
        else
            m_pDisplay->ShowLogStatus(0, 0, 0);
        if (m_bLoggingOn)
            m_pDisplay->ShowLogProgress(m_nLogEvery, m_nLogRecordIndex + 1, m_nLogMaximum, 1);
        else
            m_pDisplay->ShowLogProgress(0, 0, 0, 0);
    }
    CUnits* units = m_pSettings->m_pUnits;
    if (units)
        units->Apply(m_bFirstSweep);
    m_bFirstSweep = 0;
    if (!PrepareFactors(units))
        return FALSE;
    m_bSweepComplete = 0;
    m_fValueFactor *= m_pSettings->m_scaleFactor;
    if (!StartHeadScan(1))
    {
        m_bReady = 1;
        return FALSE;
    }
    return TRUE;
}

void CSpectrumScan::PrepareRun()
{
    m_bFirstSweep = 1;
    // The point count may have changed since the buffer was made.
    if (m_bAveragingOn && !EnsureAverageBuffer())
        m_bAveragingOn = 0;
    if (m_bAveragingOn && !IsHistogram())
        ResetAveraging();
}

void CSpectrumScan::ClearUnitsScanRange()
{
    CUnits* units = m_pSettings ? m_pSettings->m_pUnits : nullptr;
    if (units && !IsHistogram())
        units->SetScanRange(0, 0, -1);
}

void CSpectrumScan::MarkRunning()
{
    m_nPointIndex = 0;
    m_bRunning = 1;
    m_bAcquiring = 1;
}

BOOL CSpectrumScan::StartSeries()
{
    PrepareRun();
    if (m_pParameterDlg && m_pParameterDlg->m_bEnabled)
        m_pParameterDlg->EnableControls(0);
    if (!m_bReady)
        return TRUE;
    m_bReady = 0;
    if (!m_bEndedNormally && m_pDisplay)
    {
        m_pDisplay->ClearData();
        if (IsHistogram())
            m_pDisplay->Redraw();
    }
    ClearUnitsScanRange();
    m_nScansLeft = GetScanMode() == SCAN_MODE_NSCANS ? GetNumberOfScans() : 1;
    m_bContinuous = 0;
    if (!StartSweep())
        return FALSE;
    MarkRunning();
    m_bReady = 1;
    return TRUE;
}

BOOL CSpectrumScan::StartContinuous()
{
    m_bStopAtEnd = m_bStopNow = 0;
    PrepareRun();
    if (m_pHead)
        m_pHead->StopScan();
    if (!m_pDisplay || !m_pDisplay->ClearData())
        return FALSE;
    ClearUnitsScanRange();
    if (!StartSweep())
        return FALSE;
    m_bContinuous = 1;
    MarkRunning();
    return TRUE;
}

void CSpectrumScan::FailRun()
{
    FinishScan();
    m_bEndedNormally = 0;
    if (m_pDocument)
        m_pDocument->OnScanFinished();
}

BOOL CSpectrumScan::Step()
{
    // Whatever ends or skips a step sends the points kept so far first.
    if (m_bStopNow)
    {
        FlushPoints();
        FinishScan();
        m_bEndedNormally = 0;
        return 0;
    }
    if (!m_bAcquiring)
    {
        FlushPoints();
        return 0;
    }
    float raw = 0.0f;
    // A head that is gone, a point that does not come or cannot be read: the run ends here.
    if (!m_pHead || !m_pSettings || !m_pHead->CheckHeadPresent() ||
        !m_pHead->WaitForBytes(4, kPointTimeoutMs) || !m_pHead->ReadDataPoint(raw))
    {
        FlushPoints();
        FailRun();
        return 0;
    }

    const int points = m_pSettings->m_pointCount;
    if (m_nPointIndex < points)
    {
        const int index = m_nPointIndex;
        float v = raw * m_fValueFactor;
        if (m_bBackgroundOn && index < m_nBackgroundLength)
        {
            v -= m_pBackground[index];
            if (m_pSettings->m_backgroundSign == 0)
                v = -v;
        }
        if (m_bAveragingOn && index < m_nAverageLength)
        {
            float& average = m_pAverage[index];
            const int n = m_nSweepsAveraged;
            if (m_nAveragingMode == 1)
            {
                if (n > 0)
                    v = (static_cast<float>(n) * average + v) / static_cast<float>(n + 1);
            }
            else if (m_nAveragingMode == 2)
            {
                const float w = m_fExponentialWeight;
                v = n > 0 ? w * v + (1.0f - w) * average : w * v;
            }
            average = v;
        }
        SendValue(index, v);
        ++m_nPointIndex;
        // The last point of a sweep goes at once: the sweep's end is handled next.
        if (HasQueuedPoints())
            FlushPointsUnless(m_nPointIndex < points && m_pHead->GetBytesWaiting() >= 4);
        return 1;
    }

    // The value after the last point: the total pressure, or from firmware 0.21 on an error report.
    if (m_fFirmwareVersion >= 0.21f)
    {
        int word = 0;
        m_pHead->GetLastDataPoint(word);
        if (IsErrorReport(word))
            return HandleErrorReport();
    }
    float pressure = raw * m_fTotalPressureFactor;
    CUnits* units = m_pSettings->m_pUnits;
    if (m_pDisplay)
    {
        if (units && units->IsUserUnit())
        {
            pressure = units->GetFactor();
            m_pDisplay->UpdateAlarmMessage(&pressure, units->m_szUnitName);
        }
        else
            m_pDisplay->ShowAlarmMessage(&pressure);
    }
    m_bSweepComplete = 1;
    return EndSweep();
}

BOOL CSpectrumScan::HandleErrorReport()
{
    m_pHead->StopScan();
    if ((m_pDisplay && !m_pDisplay->ClearData()) || !m_pHead->CheckHeadPresent() ||
        (!m_pHead->CheckErrors() && m_pHead->GetAbortFlag()))
    {
        FailRun();
        return 0;
    }
    CScanSite* site = GetSite();
    if (site && site->GetCurrentScanMode() == SCAN_MODE_CONTINUOUS)
    {
        if (!StartHeadScan(-1))
        {
            FailRun();
            return 0;
        }
        m_bContinuous = 1;
        m_bRunning = 1;
        m_bAcquiring = 1;
        m_bSweepComplete = 0;
        m_nPointIndex = 0;
        return 1;
    }
    FinishScan();
    m_bEndedNormally = 1;
    m_nPointIndex = 0;
    RepaintActiveView();
    return 0;
}

BOOL CSpectrumScan::EndSweep()
{
    if (m_pIoBoard && m_pIoBoard->IsEnabled())
        m_pIoBoard->ResetOutputs(1);
    m_nPointIndex = 0;
    m_bSweepComplete = 0;
    if (m_bAveragingOn)
    {
        ++m_nSweepsAveraged;
        if (m_nAveragingMode == 1 && m_nSweepsAveraged >= m_nAveragingLimit)
        {
            if (m_nLimitAction == 2)
                m_bResetRequest = 1;
            else
                m_bStopAtEnd = 1;
        }
        if (m_bResetRequest)
        {
            ResetAveraging();
            m_bResetRequest = 0;
        }
    }
    AppendLogIfDue();
    if (m_pAnalysis)
        UpdateAnalysis();
    if (!m_bContinuous && --m_nScansLeft <= 0)
    {
        FinishScan();
        m_bEndedNormally = 1;
        const int mode = GetScanMode();
        if ((mode == SCAN_MODE_NSCANS || mode == SCAN_MODE_SINGLE) && m_pIoBoard && m_pIoBoard->IsEnabled())
            m_pIoBoard->ResetOutputs(0);
        RepaintActiveView();
        return 0;
    }
    if (m_bStopAtEnd)
    {
        FinishScan();
        m_bEndedNormally = 1;
        return 0;
    }
    // A sweep that cannot start ends the run now rather than after a point that never comes.
    if (!StartSweep())
    {
        FailRun();
        return 0;
    }
    if (!IsHistogram())
        NotifyNewSweep();
    return 1;
}

void CSpectrumScan::FinishScan()
{
    m_bStopAtEnd = m_bStopNow = 0;
    CScanSite* site = GetSite();
    if (!m_pHead || !m_pHead->CheckHeadPresent() || !m_pHead->StopScan())
    {
        if (site)
            site->RebindInstrument();
    }
    m_bRunning = 0;
    m_bAcquiring = 0;
    if (site)
        site->SetScanEvent();
    if ((!site || !site->IsRepeating()) && !m_bChild)
    {
        EnableParameterDialog(1);
        EnableScheduleDialog(1);
        if (m_pAnalysis)
            CloseAnalysisLog();
    }
}

void CSpectrumScan::ApplyParameters()
{
    AttachDocument(m_pDocument);
    if (m_pDisplay && m_pDisplay->Rebuild())
    {
        StopLogging();
        DropBackground();
    }
}

void CSpectrumScan::ApplySchedule()
{
    AttachDocument(m_pDocument);
    if (m_pDisplay && !IsHistogram())
        m_pDisplay->UpdateXStep();
    StopLogging();
    DropBackground();
}

// =============================================================================================
// Averaging and background

void CSpectrumScan::SetAveraging(int on)
{
    if (on)
    {
        m_pAverage.reset();
        m_nAverageLength = 0;
        if (EnsureAverageBuffer())
        {
            m_bAveragingOn = 1;
            ResetAveraging();
            return;
        }
    }
    m_bAveragingOn = 0;
}

void CSpectrumScan::SetAveragingDepth(int sweeps)
{
    m_nAveragingDepth = sweeps;
    m_fExponentialWeight = InverseAveragingWeight(0.95f, sweeps);
}

void CSpectrumScan::ResetAveraging()
{
    m_nSweepsAveraged = 0;
    if (m_pAverage)
        std::fill(m_pAverage.get(), m_pAverage.get() + m_nAverageLength, 0.0f);
}

BOOL CSpectrumScan::AcquireBackground()
{
    if (m_bBackgroundOn)
        return m_pDisplay ? m_pDisplay->ClearData() : FALSE;
    const int points = GetPointCount();
    std::unique_ptr<float[]> background = NewFloats(points);
    if (!background)
        return FALSE;
    if (ReadDisplayData(background.get(), points) < points)
    {
        AfxMessageBox(IDS_BACKGROUND_INCOMPLETE, MB_ICONINFORMATION);
        return FALSE;
    }
    m_pBackground = std::move(background);
    m_nBackgroundLength = points;
    if (!m_pDisplay || !m_pDisplay->ClearData())
        return FALSE;
    m_bBackgroundOn = 1;
    return TRUE;
}

BOOL CSpectrumScan::RemoveBackground()
{
    if (!m_bBackgroundOn)
        return TRUE;
    m_bBackgroundOn = 0;
    if (!m_pDisplay)
        return TRUE;
    m_pDisplay->ClearData();
    // A background of another point count is not a sweep of this display.
    if (m_pBackground && m_nBackgroundLength == GetPointCount())
        m_pDisplay->ShowScanData(m_pBackground.get());
    return TRUE;
}

// =============================================================================================
// Binary scan logs

CScanLogHeader CSpectrumScan::MakeLogHeader()
{
    CScanLogHeader header(IsHistogram() ? CScanLogHeader::kHistogram : CScanLogHeader::kAnalog);
    if (m_pSettings)
    {
        header.m_startMass = m_pSettings->m_startMass;
        header.m_stopMass = m_pSettings->m_stopMass;
        header.m_pointsPerAmu = m_pSettings->m_pointsPerAmu;
        header.m_pointCount = m_pSettings->m_pointCount;
        header.m_noiseFloor = m_pSettings->m_noiseFloor;
        header.m_cemFlag = m_pSettings->m_cemFlag;
    }
    header.m_units = UnitsName();
    return header;
}

BOOL CSpectrumScan::WriteLogHeader()
{
    if (CreateLogFile(MakeLogHeader().Format()))
        return TRUE;
    m_bLoggingOn = 0;
    return FALSE;
}

BOOL CSpectrumScan::CreateBinaryLog(int maximum, int every, int everySweep)
{
    m_nLogMaximum = maximum;
    m_nLogEvery = everySweep || every < 1 ? 1 : every;
    m_bLogEverySweep = everySweep;
    m_nLogRecordIndex = 0;
    const bool histogram = IsHistogram();
    CFileDialog dialog(FALSE, histogram ? "hst" : "ana", nullptr,
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       histogram ? "Log Files (*.hst) |*.hst||" : "Log Files (*.ana) |*.ana||");
    if (dialog.DoModal() != IDOK)
        return TRUE;
    m_nSweepsSinceLogging = 0;
    m_bLoggingOn = 1;
    m_strLogPath = dialog.GetPathName();
    return WriteLogHeader();
}

BOOL CSpectrumScan::OpenScanLog()
{
    CScanSite* site = GetSite();
    if (!site)
    {
        m_bLoggingOn = 0;
        return FALSE;
    }
    m_logSettings = site->GetLogSettings(m_bChild ? SCAN_KIND_SPLIT : GetScanKind());
    if (!m_logSettings.m_enabled)
    {
        m_bLoggingOn = 0;
        return FALSE;
    }
    m_bLoggingOn = 1;
    m_nLogMaximum = m_logSettings.m_maxSaved;
    m_nLogEvery = m_logSettings.GetLogEvery() >= 1 ? m_logSettings.GetLogEvery() : 1;
    m_nSweepsSinceLogging = 0;
    m_bLogEverySweep = m_logSettings.m_saveMode == CScanLogSettings::kSaveEveryScan ? 1 : 0;
    m_nLogRecordIndex = 0;
    CString name = m_logSettings.m_nameRule == CScanLogSettings::kNameDocumentTitle
                       ? site->GetTitle()
                       : m_logSettings.m_fileName;
    if (m_bChild)
    {
        CString prefix;
        prefix.Format("split%d_", m_nChildIndex);
        name = prefix + name;
    }
    name += "_" + m_strFileStamp + (IsHistogram() ? ".hst" : ".ana");
    // Two runs started in the same second keep both logs.
    m_strLogPath = MakeUniquePath(JoinPath(std::string(m_logSettings.m_folder), std::string(name)).c_str());
    return WriteLogHeader();
}

void CSpectrumScan::EditLoggingSettings(CWnd* parent)
{
    CScanSite* site = GetSite();
    if (!site)
        return;
    CAppSettings* app = CAppSettings::GetInstance();
    const int slot = m_bChild
                         ? CAppSettings::LOGDIR_SPLIT
                         : (IsHistogram() ? CAppSettings::LOGDIR_HISTOGRAM : CAppSettings::LOGDIR_ANALOG);
    CScanLogSettings& settings = site->GetLogSettings(m_bChild ? SCAN_KIND_SPLIT : GetScanKind());
    CLoggingDialog dialog(parent);
    if (dialog.Edit(settings,
                    IsHistogram() ? "Histogram scan logging settings" : "Analog scan logging settings",
                    app->m_logDir[slot]) == IDOK)
        m_nLogEvery = settings.GetLogEvery();
}

BOOL CSpectrumScan::IsLoggingOn()
{
    CScanSite* site = GetActiveScanSite();
    return site ? site->GetLogSettings(GetScanKind()).m_enabled : 0;
}

void CSpectrumScan::AppendLogIfDue()
{
    if (!m_bLoggingOn)
        return;
    ++m_nSweepsSinceLogging;
    AppendBinaryLog();
}

BOOL CSpectrumScan::AppendBinaryLog()
{
    if (!m_bLoggingOn)
        return TRUE;
    if (!m_bLogEverySweep && m_nSweepsSinceLogging % (m_nLogEvery >= 1 ? m_nLogEvery : 1) != 0)
        return TRUE;
    const int points = GetPointCount();
    std::unique_ptr<float[]> values = NewFloats(points);
    if (!values)
    {
        m_bLoggingOn = 0;
        return FALSE;
    }
    ReadDisplayData(values.get(), points);
    if (!AppendLogRecord(values.get(), points))
    {
        m_bLoggingOn = 0;
        return FALSE;
    }
    if (++m_nLogRecordIndex >= m_nLogMaximum)
        m_bLoggingOn = 0;
    return TRUE;
}

void CSpectrumScan::CloseBinaryLog()
{
    if (IsHistogram())
    {
        m_bViewingLog = 0;
        if (m_pDisplay)
            m_pDisplay->ShowInfoText(0, nullptr);
        return;
    }
    m_logFile.Abort();
}

BOOL CSpectrumScan::AcceptStoredParameters(const CScanLogHeader& stored, LPCTSTR path)
{
    CAnalogData& s = *m_pSettings;
    const bool histogram = IsHistogram();
    const int currentCem = s.m_cemFlag;
    const bool differs =
        histogram ? stored.m_startMass != s.m_startMass || stored.m_stopMass != s.m_stopMass ||
                        stored.m_pointCount != s.m_pointCount || stored.m_noiseFloor != s.m_noiseFloor ||
                        stored.m_cemFlag != currentCem
                  : stored.m_startMass != s.m_startMass || stored.m_stopMass != s.m_stopMass ||
                        stored.m_pointsPerAmu != s.m_pointsPerAmu || stored.m_pointCount != s.m_pointCount ||
                        stored.m_noiseFloor != s.m_noiseFloor || (stored.m_cemFlag == 1) != (currentCem == 1);
    if (!differs)
        return TRUE;
    CString question;
    AfxFormatString1(question, IDS_LOG_PARAMETERS_DIFFER, path);
    if (!histogram)
    {
        CString table;
        table.Format(IDS_LOG_PARAMETER_TABLE, s.m_startMass, stored.m_startMass, s.m_stopMass,
                     stored.m_stopMass, s.m_pointsPerAmu, stored.m_pointsPerAmu, s.m_pointCount,
                     stored.m_pointCount, s.m_noiseFloor, stored.m_noiseFloor, currentCem, stored.m_cemFlag);
        question += "\n" + table;
    }
    if (AfxMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        return FALSE;
    const bool inRange = CheckStoredRange(1, 300, stored.m_startMass) &&
                         CheckStoredRange(1, 300, stored.m_stopMass) &&
                         (histogram || CheckStoredRange(1, 30, stored.m_pointsPerAmu)) &&
                         CheckStoredRange(1, histogram ? 300 : 10000, stored.m_pointCount) &&
                         CheckStoredRange(0, 7, stored.m_noiseFloor);
    if (!inRange)
        return FALSE;
    s.m_startMass = stored.m_startMass;
    s.m_stopMass = stored.m_stopMass;
    if (!histogram)
        s.m_pointsPerAmu = stored.m_pointsPerAmu;
    s.m_pointCount = stored.m_pointCount;
    s.m_noiseFloor = stored.m_noiseFloor;
    s.m_cemFlag = stored.m_cemFlag;
    if (m_pDisplay)
        m_pDisplay->Rebuild();
    return TRUE;
}

BOOL CSpectrumScan::ReadLogFile(CFile& file)
{
    const CString path = file.GetFilePath();
    const auto fail = [&]()
    {
        file.Abort();
        m_bViewingLog = 0;
        return FALSE;
    };
    const auto endOfFile = [&]()
    {
        CString text;
        AfxFormatString1(text, IDS_UNEXPECTED_EOF, path);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return fail();
    };
    if (!m_pSettings)
        return fail();
    CScanLogHeader stored(IsHistogram() ? CScanLogHeader::kHistogram : CScanLogHeader::kAnalog);
    ULONGLONG length = 0;
    CScanLogHeader::Result result = CScanLogHeader::kShortTag;
    try
    {
        result = stored.Read(file);
        length = file.GetLength();
    }
    catch (CFileException* e)
    {
        e->Delete();
        return endOfFile();
    }
    switch (result)
    {
    case CScanLogHeader::kShortTag:
    case CScanLogHeader::kShortFields:
        return endOfFile();
    case CScanLogHeader::kWrongTag:
        AfxMessageBox(IsHistogram() ? IDS_NOT_HISTOGRAM_LOG : IDS_NOT_ANALOG_LOG, MB_ICONEXCLAMATION);
        return fail();
    case CScanLogHeader::kOk:
        break;
    }
    if (stored.m_units != UnitsName())
    {
        CString text;
        AfxFormatString2(text, IDS_LOG_UNITS_MISMATCH, path, stored.m_units);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return fail();
    }
    if (!AcceptStoredParameters(stored, path))
        return fail();
    m_nLogHeaderSize = static_cast<int>(stored.GetHeaderSize());
    m_nLogRecordSize = static_cast<int>(CScanLogHeader::RecordSize(m_pSettings->m_pointCount));
    const ULONGLONG count = CScanLogHeader::RecordCount(length, m_nLogHeaderSize, m_nLogRecordSize);
    if (count == 0)
    {
        CString none, text;
        none.LoadString(IDS_NO_SCAN_DATA);
        AfxFormatString2(text, IDS_LOG_READ_ERROR, path, none);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return fail();
    }
    m_nLogRecordCount = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(count);
    return TRUE;
}

BOOL CSpectrumScan::ReadLogScan(int direction, CFile& file, int show, int& wrapped)
{
    wrapped = 0;
    if (!m_bViewingLog || !m_pSettings || m_nLogRecordCount < 1)
        return FALSE;
    int index = m_nLogRecordIndex;
    switch (direction)
    {
    case LOG_RECORD_NEXT:
        if (++index >= m_nLogRecordCount)
        {
            index = 0;
            wrapped = 1;
        }
        break;
    case LOG_RECORD_PREVIOUS:
        if (--index < 0)
            index = m_nLogRecordCount - 1;
        break;
    case LOG_RECORD_FIRST:
        index = 0;
        break;
    case LOG_RECORD_SAME:
        break;
    default:
        m_bViewingLog = 0;
        return FALSE;
    }
    if (index < 0 || index >= m_nLogRecordCount)
        index = 0;
    m_nLogRecordIndex = index;

    const int points = m_pSettings->m_pointCount;
    std::vector<float> values(points > 0 ? static_cast<size_t>(points) : 0);
    char time[CScanLogHeader::kTimeSize] = {};
    BOOL read = FALSE;
    try
    {
        read = CScanLogHeader::ReadRecord(file, m_nLogHeaderSize, points, index, time, values.data());
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
    if (!read)
    {
        CString text;
        AfxFormatString1(text, IDS_UNEXPECTED_EOF, file.GetFilePath());
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        file.Abort();
        m_bViewingLog = 0;
        return FALSE;
    }
    m_strLogSweepTime = time;
    if (m_pDisplay)
    {
        if (!show)
            m_pDisplay->StoreScanData(values.data());
        else
        {
            m_pDisplay->ShowScanData(values.data());
            m_pDisplay->ShowInfoText(1, time);
            m_pDisplay->ShowScanCounter(1, index, m_nLogRecordCount);
        }
    }
    return TRUE;
}

void CSpectrumScan::RewindViewPosition()
{
    RememberViewPosition();
    m_nLogRecordIndex = 0;
}

BOOL CSpectrumScan::OpenViewedLog()
{
    m_logFile.Abort();
    CFileException error;
    if (!m_logFile.Open(m_strLogPath, CFile::modeRead | CFile::shareDenyNone, &error))
    {
        CString cause;
        FileErrorText(error.m_cause, cause);
        ShowFileError(IDS_FILE_OPEN_FAILED, m_strLogPath, cause,
                      IsHistogram() ? MB_ICONSTOP : MB_ICONEXCLAMATION);
        m_bViewingLog = 0;
        return FALSE;
    }
    return ReadLogFile(m_logFile);
}

BOOL CSpectrumScan::OpenLogForView()
{
    m_nLogRecordIndex = 0;
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                       IsHistogram() ? "Log Files (*.hst) |*.hst||" : "Log Files (*.ana) |*.ana||");
    if (dialog.DoModal() != IDOK)
        return FALSE;
    m_bViewingLog = 1;
    m_strLogPath = dialog.GetPathName();
    if (!OpenViewedLog())
        return FALSE;
    if (m_pDisplay)
        m_pDisplay->ClearData();
    int wrapped = 0;
    return ReadLogScan(LOG_RECORD_FIRST, m_logFile, 1, wrapped);
}

void CSpectrumScan::ViewLogScan(int direction)
{
    if (!m_bViewingLog)
        return;
    if (m_logFile.m_hFile == CFile::hFileNull)
    {
        RememberViewPosition();
        if (!OpenViewedLog())
            return;
        RestoreViewPosition();
    }
    int wrapped = 0;
    ReadLogScan(direction, m_logFile, 1, wrapped);
}

BOOL CSpectrumScan::SaveLogAsFiles()
{
    CBrowseFolderDlg dialog;
    dialog.m_nFileType = m_nSaveAsChoice;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    m_nSaveAsChoice = dialog.m_nFileType;
    std::unique_ptr<CScanLogSaver> saver(CScanLogSaverFactory().Create(
        m_nSaveAsChoice == CBrowseFolderDlg::kTypeAscii ? CScanLogSaverFactory::kText
                                                        : CScanLogSaverFactory::kDocument));
    saver->SetScan(this);
    saver->SetSourcePath(std::string(m_strLogPath));
    saver->SetTargetFolder(dialog.m_folder);
    saver->Save();
    if (m_bViewingLog && m_logFile.m_hFile != CFile::hFileNull)
    {
        int wrapped = 0;
        ReadLogScan(LOG_RECORD_SAME, m_logFile, 1, wrapped);
    }
    RepaintActiveView();
    return TRUE;
}

// =============================================================================================
// Text files

BOOL CSpectrumScan::ExportAscii()
{
    CFileDialog dialog(FALSE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "Ascii Files (*.txt) |*.txt||");
    if (dialog.DoModal() != IDOK)
        return 0;
    WriteAsciiFile(dialog.GetPathName());
    return IsHistogram() ? 1 : 0;
}

BOOL CSpectrumScan::WriteAsciiFile(LPCTSTR path)
{
    if (!m_pSettings)
        return FALSE;
    CWinApp* app = AfxGetApp();
    const int oldAscii = app ? static_cast<int>(app->GetProfileInt("Version", "OldAscii", 0)) : 0;
    const bool histogram = IsHistogram();
    const CAnalogData& s = *m_pSettings;

    CString text = histogram ? CTime::GetCurrentTime().Format("%I:%M:%S %p , %B %d, %Y") : m_strCaption;
    text.AppendFormat("\n%s \nSoftware Version, %1.2f\n\n", kProductBanner, kSoftwareVersion);
    text += histogram ? "Histogram Scan Setup:\n\n" : "Analog Scan Setup:\n\n";
    text.AppendFormat("Data Points in Scan, %d \nUnits, %s \nNoise Floor, %d \n%s \nPoints Per AMU, %d",
                      s.m_pointCount, UnitsName().GetString(), s.m_noiseFloor, CemStatusLine().GetString(),
                      s.m_pointsPerAmu);
    CString report;
    if (m_pHead)
        m_pHead->FormatSettingsReport(report);
    text += report;
    text.AppendFormat("\nScan Start Mass, %d, amu \nScan Stop Mass, %d, amu\n", s.m_startMass, s.m_stopMass);
    text += "\n";

    const int points = s.m_pointCount;
    std::vector<float> values(points > 0 ? static_cast<size_t>(points) : 0);
    const int count = points > 0 ? ReadDisplayData(values.data(), points) : 0;
    for (int i = 0; i < count && i < points; ++i)
    {
        if (oldAscii)
            text.AppendFormat(histogram ? "%d,  % 1.2E \n" : "%d,  % 1.2E, \n", i,
                              static_cast<double>(values[i]));
        else if (histogram)
            text.AppendFormat("%d,  % 1.2E \n", s.m_startMass + i, static_cast<double>(values[i]));
        else
            text.AppendFormat(
                "% 6.2f,  % 1.2E, \n",
                static_cast<double>(static_cast<float>(i) / static_cast<float>(s.m_pointsPerAmu) +
                                    static_cast<float>(s.m_startMass)),
                static_cast<double>(values[i]));
    }

    return WriteTextFile(path, text);
}

// =============================================================================================
// Spectrum analysis

BOOL CSpectrumScan::CanAnalyse()
{
    if (!m_pSettings)
        return FALSE;
    if (m_pAnalysis)
        return m_pAnalysis->IsMassRangeUsable(m_pSettings->m_startMass, m_pSettings->m_stopMass);
    CScanSite* site = GetSite();
    CLibrary* library = site ? site->GetLibrary() : nullptr;
    return library && CAnalyse(library).IsMassRangeUsable(m_pSettings->m_startMass, m_pSettings->m_stopMass);
}

BOOL CSpectrumScan::OpenAnalysis(CLibrary* library, const int32_t* gases)
{
    if (!m_pSettings || !library)
        return FALSE;
    std::unique_ptr<CAnalyse> analysis(new (std::nothrow) CAnalyse(library));
    if (!analysis)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return FALSE;
    }
    if (!analysis->IsMassRangeUsable(m_pSettings->m_startMass, m_pSettings->m_stopMass))
    {
        // Without mass tables (a listed gas missing from the library) there is no mass to name.
        if (analysis->GetMassTableSize() > 0)
        {
            CString text;
            text.Format(IDS_SCAN_RANGE_FOR_ANALYSIS, analysis->GetHighestMass());
            AfxMessageBox(text, MB_ICONSTOP);
        }
        return FALSE;
    }
    for (int i = 0; i < kAnalysisGases; ++i)
        m_analysisGases[i] = gases ? gases[i] : 1;
    m_analysisChanged = 0;
    CloseAnalysis();
    if (!analysis->Start(m_analysisGases, &m_analysisChanged))
        return FALSE;
    m_pAnalysis = std::move(analysis);
    CScanSite* site = GetSite();
    if (IsRunning() || (site && site->IsBusy()))
        OpenAnalysisLog();
    UpdateAnalysis();
    return TRUE;
}

BOOL CSpectrumScan::CloseAnalysis()
{
    CloseAnalysisLog();
    m_pAnalysis.reset();
    return TRUE;
}

BOOL CSpectrumScan::IsAnalysisVisible()
{
    return m_pAnalysis && m_pAnalysis->IsDialogVisible();
}

BOOL CSpectrumScan::UpdateAnalysis()
{
    if (!m_pAnalysis || !m_pSettings)
        return TRUE;
    const int points = m_pSettings->m_pointCount;
    std::unique_ptr<float[]> sweep = NewFloats(points);
    if (!sweep)
        return FALSE;
    const int count = ReadDisplayData(sweep.get(), points);
    // Only the points in are a sweep; the analysis window is cut to them.
    float picked[CAnalyse::kRowCapacity] = {};
    if (count < 1 ||
        !m_pAnalysis->PickValues(sweep.get(), count < points ? count : points, m_pSettings->m_startMass,
                                 IsHistogram() ? 1 : m_pSettings->m_pointsPerAmu, picked))
        return TRUE;
    m_pAnalysis->Analyse(picked);
    WriteAnalysisLogLine();
    return TRUE;
}

BOOL CSpectrumScan::OpenAnalysisLog()
{
    CAppSettings* settings = CAppSettings::GetInstance();
    m_bAnalysisLogging = settings->m_analyzeLogging ? 1 : 0;
    if (!m_bAnalysisLogging)
        return FALSE;
    if (m_pAnalysisLog)
        return TRUE;
    if (!m_pAnalysis || !m_pSettings)
        return FALSE;
    m_nAnalysisLogCounter = 0;
    CScanSite* site = GetSite();
    const CString name = m_logSettings.m_nameRule == CScanLogSettings::kNameDocumentTitle
                             ? (site ? site->GetTitle() : CString())
                             : m_logSettings.m_fileName;
    const CString path = JoinPath(settings->m_logDir[CAppSettings::LOGDIR_ANALYZE],
                                  std::string(name + "_" + m_strFileStamp + ".txt"))
                             .c_str();
    auto log = std::make_unique<CTextLogFile>();
    if (!log->Open(path))
    {
        CString text;
        text.Format(IDS_ANALYSIS_LOG_FAILED, path.GetString());
        MessageBox(nullptr, text, "Warning", MB_OK | MB_ICONEXCLAMATION);
        m_bAnalysisLogging = 0;
        return FALSE;
    }
    CAnalyse::LogSetup setup;
    setup.banner = kProductBanner;
    setup.version = kSoftwareVersion;
    setup.pointCount = m_pSettings->m_pointCount;
    setup.units = UnitsName();
    setup.noiseFloor = m_pSettings->m_noiseFloor;
    setup.detector = CemStatusLine();
    setup.pointsPerAmu = m_pSettings->m_pointsPerAmu;
    setup.startMass = m_pSettings->m_startMass;
    setup.stopMass = m_pSettings->m_stopMass;
    log->Enable();
    const BOOL written = log->Write(m_pAnalysis->FormatLogHeader(CTime::GetCurrentTime(), setup));
    log->Close();
    if (!written)
    {
        ReportAnalysisLogWriteFailure(path);
        return FALSE;
    }
    m_pAnalysisLog = std::move(log);
    m_strAnalysisLogPath = path;
    return TRUE;
}

void CSpectrumScan::ReportAnalysisLogWriteFailure(const CString& path)
{
    // A full disk: the analysis log stops where it is, whole, and the user is told.
    m_bAnalysisLogging = 0;
    CString text;
    text.Format(IDS_ANALYSIS_LOG_WRITE_FAILED, path.GetString());
    MessageBox(nullptr, text, "Warning", MB_OK | MB_ICONEXCLAMATION);
}

void CSpectrumScan::WriteAnalysisLogLine()
{
    if (!m_bAnalysisLogging || !m_pAnalysisLog || !m_pAnalysis)
        return;
    ++m_nAnalysisLogCounter;
    // Opened for each line and closed after it, so the file is whole whenever the run stops.
    if (!m_pAnalysisLog->Open(m_strAnalysisLogPath))
    {
        CString text;
        text.Format(IDS_ANALYSIS_LOG_FAILED, m_strAnalysisLogPath.GetString());
        MessageBox(nullptr, text, "Warning", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const BOOL written = m_pAnalysisLog->Write(m_pAnalysis->FormatLogLine(m_nAnalysisLogCounter));
    m_pAnalysisLog->Close();
    if (!written)
        ReportAnalysisLogWriteFailure(m_strAnalysisLogPath);
}

BOOL CSpectrumScan::CloseAnalysisLog()
{
    if (m_bAnalysisLogging)
    {
        m_pAnalysisLog.reset();
        m_bAnalysisLogging = 0;
    }
    return TRUE;
}
