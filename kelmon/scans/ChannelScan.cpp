#include "scans/ChannelScan.h"

#include "KelException.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "foundation/Paths.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "res/resource.h"
#include "scans/DynamicLoggingDialog.h"
#include "scans/ScanScheduleDlg.h"
#include "scans/ScanSite.h"
#include "scans/SpectrumScan.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>

#include <algorithm>
#include <new>

IMPLEMENT_DYNAMIC(CChannelScan, CScan)

CChannelScan::CChannelScan() = default;

CChannelScan::CChannelScan(CTable* table, CHead* head, CDisplay* display)
    : CScan(head, display), m_pTable(table)
{
}

CChannelScan::~CChannelScan()
{
    // Rows still pending reach the file before the writer goes.
    CloseScanLog();
}

const CTableData& CChannelScan::ActiveChannel(int ch) const
{
    return m_pTable->m_active[ch >= 0 && ch < kChannels ? ch : 0];
}

int CChannelScan::ActiveCount() const
{
    return m_pTable ? std::clamp<int>(m_pTable->m_activeCount, 0, kChannels) : 0;
}

CString CChannelScan::UnitsName() const
{
    return m_pTable && m_pTable->m_pUnits ? CString(m_pTable->m_pUnits->m_szUnitName) : CString();
}

// =============================================================================================
// Document file and settings

void CChannelScan::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pTable);
        for (int32_t word : m_channelOrder)
            ar << static_cast<LONG>(word);
        ar << static_cast<LONG>(m_nCemSplit);
    }
    else
    {
        m_pTable = static_cast<CTable*>(ar.ReadObject(RUNTIME_CLASS(CTable)));
        for (int32_t& word : m_channelOrder)
        {
            LONG value = 0;
            ar >> value;
            // An order word outside the lists would read past them; the attach rebuilds it.
            word = value >= 0 && value < kChannels ? value : 0;
        }
        LONG split = 0;
        ar >> split;
        m_nCemSplit = split;
    }
    CScan::Serialize(ar);
}

void CChannelScan::SetSettings(CObject* record)
{
    m_pTable = static_cast<CTable*>(record);
}

CObject* CChannelScan::GetSettings()
{
    return m_pTable;
}

float CChannelScan::GetTriggerPeriod()
{
    return m_pTable ? m_pTable->m_triggerPeriod : 0.0f;
}

void CChannelScan::SetTriggerPeriod(float seconds)
{
    if (m_pTable)
        m_pTable->m_triggerPeriod = seconds;
}

int CChannelScan::GetPeriodUnits()
{
    return m_pTable ? m_pTable->m_periodUnits : 0;
}

void CChannelScan::SetPeriodUnits(int units)
{
    if (m_pTable)
        m_pTable->m_periodUnits = units;
}

void CChannelScan::SetOptionWord(int word)
{
    if (m_pTable)
        m_pTable->m_optionWord = word;
}

int CChannelScan::GetOptionWord()
{
    return m_pTable ? m_pTable->m_optionWord : 0;
}

void CChannelScan::SetScanMode(int mode)
{
    if (m_pTable)
        m_pTable->m_scanMode = mode;
}

int CChannelScan::GetScanMode()
{
    return m_pTable ? m_pTable->m_scanMode : SCAN_MODE_SINGLE;
}

float CChannelScan::GetSweepTime()
{
    return m_pTable ? m_pTable->m_sweepTime : 1.0f;
}

void CChannelScan::SetSweepTime(int seconds)
{
    if (m_pTable)
        m_pTable->m_sweepTime = static_cast<float>(seconds);
}

void CChannelScan::SetNumberOfScans(int count)
{
    if (m_pTable)
        m_pTable->m_numberOfScans = count;
}

int CChannelScan::GetNumberOfScans()
{
    return m_pTable ? m_pTable->m_numberOfScans : 1;
}

void CChannelScan::SetBackgroundMode(int mode)
{
    if (m_pTable)
        m_pTable->m_backgroundSign = mode;
}

BOOL CChannelScan::EstimateSweepTime(int& seconds)
{
    seconds = 0;
    if (!m_pTable)
        return FALSE;
    m_pTable->EstimateSweepTime();
    seconds = static_cast<int>(m_pTable->m_sweepTime);
    return TRUE;
}

BOOL CChannelScan::CheckMassRange()
{
    if (!m_pTable || !m_pHead)
        return 1;
    for (int k = 0; k < ActiveCount(); ++k)
    {
        const CTableData& c = m_pTable->m_active[k];
        if (c.m_enabled && c.m_mass > m_pHead->GetMassRange())
        {
            CString text;
            text.Format(IDS_CHANNEL_MASS_RANGE, c.m_mass, c.m_szGasName);
            AfxMessageBox(text, MB_OK);
            return 0;
        }
    }
    return 1;
}

// =============================================================================================
// Attach and start

void CChannelScan::BuildChannelOrder()
{
    const int n = ActiveCount();
    const int c = m_pTable ? m_pTable->m_cemCount : 0;
    for (int i = 0; i < kChannels; ++i)
        m_channelOrder[i] = i;
    m_nCemSplit = -1;
    if (n > 1 && c != 0 && c != n)
    {
        int cemNext = 0, plainNext = c;
        for (int k = 0; k < n; ++k)
            m_channelOrder[m_pTable->m_active[k].m_cem ? cemNext++ : plainNext++] = k;
        m_nCemSplit = c;
    }
}

BOOL CChannelScan::AttachDocument(CScanSite* document)
{
    if (document)
        m_pDocument = document;
    m_bStopAtEnd = m_bStopNow = 0;
    CloseBinaryLog();
    if (!m_pTable)
        return 0;
    m_pTable->CollectEnabledChannels();
    m_pTable->EstimateSweepTime();
    BuildChannelOrder();
    if (!m_pHead || !m_pHead->CheckHeadPresent())
        return 0;
    if (!m_pHead->StopScan() && !m_pHead->Reconnect())
        return 0;
    if (!m_pHead->CheckErrors() && m_pHead->GetAbortFlag())
        return 0;
    m_bArmed = 1;
    return 1;
}

BOOL CChannelScan::UpdateFactors()
{
    CUnits* units = m_pTable ? m_pTable->m_pUnits : nullptr;
    if (!units)
        return FALSE;
    m_fValueFactor = units->m_fPartialFactor;
    m_fTotalPressureFactor = units->m_fTotalFactor;
    if (units->m_bReductionEnabled)
    {
        m_fValueFactor *= units->m_fReductionFactor;
        m_fTotalPressureFactor *= units->m_fReductionFactor;
    }
    m_fCemValueFactor = m_fValueFactor;
    m_fCemTotalPressureFactor = m_fTotalPressureFactor;
    if (m_pHead && m_pHead->IsCemPresent() && m_pHead->GetCemGain() > 0.0f)
    {
        m_fCemValueFactor /= m_pHead->GetCemGain();
        m_fCemTotalPressureFactor /= m_pHead->GetCemGain();
    }
    return TRUE;
}

BOOL CChannelScan::PrepareRun()
{
    if (!m_pTable || !m_pHead || !m_pHead->CheckHeadPresent() || !m_pHead->CheckErrors() ||
        m_pHead->GetAbortFlag() || m_pHead->EnsureFilamentOn() <= 0)
        return FALSE;
    StampStartTime();
    m_bWaitingForData = 0;
    m_bCycleStarted = 0;
    int on = 0;
    if (m_pHead->IsHighVoltageOn(on))
        m_bTotalPressureCem = on ? 1 : 0;
    if (m_pTable->m_pUnits)
        m_pTable->m_pUnits->SetScanRange(1, m_bTotalPressureCem, m_pTable->MinNoiseFloor());
    return UpdateFactors();
}

BOOL CChannelScan::StartSeries()
{
    if (!m_bArmed)
        return 1;
    m_bArmed = 0;
    if (!PrepareRun())
        return 0;
    m_nScansLeft = GetScanMode() == SCAN_MODE_NSCANS ? GetNumberOfScans() : 1;
    m_nPointIndex = 0;
    m_bRunning = 1;
    m_bContinuous = 0;
    m_bUnitsApplyRequest = 1;
    m_bAcquiring = 1;
    m_bArmed = 1;
    return 1;
}

BOOL CChannelScan::StartContinuous()
{
    m_bStopAtEnd = m_bStopNow = 0;
    if (m_pHead)
        m_pHead->StopScan();
    if (!PrepareRun())
        return 0;
    m_bContinuous = 1;
    m_nPointIndex = 0;
    m_bRunning = 1;
    m_bUnitsApplyRequest = 1;
    m_bAcquiring = 1;
    return 1;
}

// =============================================================================================
// Steps

void CChannelScan::Require(BOOL ok)
{
    if (!ok)
        CKelException::Throw(1);
}

void CChannelScan::SwitchDetector(int on)
{
    if (!m_pHead || (m_pHead->GetHighVoltageState() ? 1 : 0) == (on ? 1 : 0))
        return;
    Require(m_pHead->SetHighVoltage(on));
    int reply = 0;
    Require(m_pHead->ReadIntReply(reply));
    if (reply)
        m_pHead->CheckErrors();
}

void CChannelScan::SwitchDetectorQuietly(int on)
{
    if (!m_pHead || (m_pHead->GetHighVoltageState() ? 1 : 0) == (on ? 1 : 0))
        return;
    int reply = 0;
    if (m_pHead->SetHighVoltage(on) && m_pHead->ReadIntReply(reply) && reply)
        m_pHead->CheckErrors();
}

void CChannelScan::MeasureCycleStart()
{
    CUnits* units = m_pTable->m_pUnits;
    float pressure = 0.0f;
    if (units && units->IsUserUnit())
    {
        units->Apply(m_bUnitsApplyRequest);
        m_bUnitsApplyRequest = 0;
        // Factors that cannot be had end the run like any other failure of the step.
        Require(UpdateFactors());
        pressure = units->GetFactor();
        if (m_pDisplay)
            m_pDisplay->UpdateAlarmMessage(&pressure, units->m_szUnitName);
    }
    else if (MeasuresTotalPressure())
    {
        SwitchDetector(m_bTotalPressureCem);
        float raw = 0.0f;
        Require(m_pHead->MeasureTotalPressure(raw));
        pressure = raw * (m_bTotalPressureCem ? m_fCemTotalPressureFactor : m_fTotalPressureFactor);
        if (m_pDisplay)
            m_pDisplay->ShowAlarmMessage(&pressure);
    }
    if (m_pIoBoard && m_pIoBoard->IsEnabled())
        m_pIoBoard->OutputTotalPressure(pressure);
}

float CChannelScan::ScaleReading(int ch, float raw) const
{
    const CTableData& c = ActiveChannel(ch);
    return raw * (c.m_cem ? m_fCemValueFactor : m_fValueFactor) * c.m_calFactor;
}

float CChannelScan::SubtractBackground(int ch, float value) const
{
    if (!m_bBackgroundOn || !m_pBackground || ch >= m_nBackgroundLength)
        return value;
    value -= m_pBackground[ch];
    return m_pTable->m_backgroundSign == 0 ? -value : value;
}

BOOL CChannelScan::PeakWindow(int count, int mass, int start, int stop, int ppa, int& first, int& width) const
{
    if (mass < start || mass > stop || count < 1)
        return FALSE;
    const int centre = (mass - start) * ppa;
    const int half = static_cast<int>(m_fPeakWidth * 0.5f * static_cast<float>(ppa));
    if (mass == start)
    {
        width = half;
        first = 0;
    }
    else if (mass == stop)
    {
        width = half;
        first = centre - half + 1;
    }
    else
    {
        width = static_cast<int>(static_cast<float>(ppa) * m_fPeakWidth);
        first = centre - width / 2;
    }
    width = std::max(width, 1);
    first = std::clamp(first, 0, count - 1);
    width = std::min(width, count - first);
    return TRUE;
}

BOOL CChannelScan::ValuesFromSpectrum(CScan* source, int kind, float* values)
{
    const int n = ActiveCount();
    std::fill(values, values + n, 0.0f);
    auto* settings = dynamic_cast<CAnalogData*>(source->GetSettings());
    if (!settings)
        return TRUE;
    const int count = settings->m_pointCount;
    std::unique_ptr<float[]> sweep(count > 0 ? new (std::nothrow) float[static_cast<size_t>(count)]()
                                             : nullptr);
    if (!sweep)
        return FALSE;
    const int read = std::clamp(source->ReadDisplayData(sweep.get(), count), 0, count);
    for (int k = 0; k < n; ++k)
    {
        const CTableData& c = m_pTable->m_active[k];
        const int start = settings->m_startMass;
        if (kind == 1)
        {
            const int index = c.m_mass - start;
            if (c.m_mass >= start && c.m_mass <= settings->m_stopMass && index < read)
                values[k] = sweep[index] * c.m_calFactor;
            continue;
        }
        int first = 0, width = 0;
        const int ppa = settings->m_pointsPerAmu;
        if (PeakWindow(read, c.m_mass, start, settings->m_stopMass, ppa, first, width))
            values[k] = WindowPeak(sweep.get(), read, (c.m_mass - start) * ppa, first, width) * c.m_calFactor;
    }
    return TRUE;
}

void CChannelScan::EndRunOnFailure()
{
    if (m_pHead)
        m_pHead->SetThrowOnError(0);
    m_bEndedNormally = 0;
    FinishScan();
    if (CScanSite* site = GetDocument())
        site->OnScanFinished();
}

int CChannelScan::BeginStep()
{
    if (m_bStopNow)
    {
        m_bEndedNormally = 0;
        FinishScan();
        return 0;
    }
    if (!m_bAcquiring || !m_pTable || !m_pHead)
        return 0;
    const int n = ActiveCount();
    if (n < 1)
    {
        // Nothing to read: the run ends at once instead of stepping on nothing.
        m_bEndedNormally = 1;
        FinishScan();
    }
    return n;
}

BOOL CChannelScan::Step()
{
    const int n = BeginStep();
    if (n < 1)
        return 0;
    try
    {
        if (m_nCycleCount == 0)
            m_startTick = GetTickCount();
        m_pHead->SetThrowOnError(1);
        Require(m_pHead->CheckHeadPresent());
        const int position = std::clamp(m_nPointIndex, 0, n - 1);
        const int ch = std::clamp<int>(m_channelOrder[position], 0, n - 1);
        const CTableData& channel = ActiveChannel(ch);
        if (!m_bWaitingForData)
        {
            if (m_nPointIndex == 0 && !m_bCycleStarted)
            {
                MeasureCycleStart();
                m_bCycleStarted = 1;
                SwitchDetector(channel.m_cem);
            }
            else
            {
                SwitchDetector(channel.m_cem);
                Require(m_pHead->StartSingleMass(channel.m_mass, channel.m_noiseFloor));
                m_bWaitingForData = 1;
            }
            if (m_nPointIndex == 0)
            {
                m_elapsedMs = GetTickCount() - m_startTick;
                m_cycleValues.clear();
            }
            m_pHead->SetThrowOnError(0);
            return 1;
        }
        if (!m_pHead->WaitForBytes(4, kReadingWaitMs))
        {
            m_pHead->SetThrowOnError(0);
            return 1;
        }
        float raw = 0.0f;
        Require(m_pHead->ReadDataPoint(raw));
        m_bWaitingForData = 0;
        const float value = SubtractBackground(ch, ScaleReading(ch, raw));
        ChannelPointRecord record{ch, value};
        SendPoint(&record);
        m_cycleValues.push_back(value);
        const bool board = m_pIoBoard && m_pIoBoard->IsEnabled();
        if (board)
            m_pIoBoard->OutputChannelValue(ch, value);
        ++m_nPointIndex;
        m_pTable->CheckAlarms(ch, value);
        m_pHead->SetThrowOnError(0);
        if (m_nPointIndex < n)
            return 1;

        // The cycle is complete.
        if (board)
            m_pIoBoard->ResetOutputs(1);
        ++m_nCycleCount;
        CDataQueue::Row row;
        for (float v : m_cycleValues)
            row.emplace_back(static_cast<float>(m_elapsedMs * 0.001), v);
        HandOffRow(std::move(row));
        OnCycleEnd();
        m_bCycleStarted = 0;
        m_nPointIndex = 0;
        if (!m_bContinuous && --m_nScansLeft <= 0)
        {
            m_bEndedNormally = 1;
            FinishScan();
            const int mode = GetScanMode();
            if (mode == SCAN_MODE_SINGLE || mode == SCAN_MODE_NSCANS)
            {
                m_pTable->StopAlarmSound();
                if (board)
                    m_pIoBoard->ResetOutputs(0);
            }
            if (CScanSite* site = GetActiveScanSite())
                site->PostPaint();
            return 0;
        }
        if (m_bStopAtEnd)
        {
            m_bEndedNormally = 1;
            FinishScan();
            return 0;
        }
        return 1;
    }
    catch (CException* e)
    {
        e->Delete();
    }
    catch (...)
    {
    }
    EndRunOnFailure();
    return 0;
}

void CChannelScan::FinishScan()
{
    CScanSite* site = GetSite();
    const bool repeating = site && site->IsRepeating();
    // A repeated run keeps its log open between its runs; any other end writes it whole.
    if (!repeating)
        CloseScanLog();
    const BOOL stopRequested = m_bStopNow || m_bStopAtEnd;
    m_bStopAtEnd = m_bStopNow = 0;
    if (m_pHead && m_pHead->CheckHeadPresent() && m_pHead->StopScan())
        OnHeadStopped(stopRequested);
    else if (site)
        site->RebindInstrument();
    m_bWaitingForData = 0;
    m_bCycleStarted = 0;
    m_nPointIndex = 0;
    m_bRunning = 0;
    m_bAcquiring = 0;
    if (site)
        site->SetScanEvent();
    if (!repeating && !m_bChild)
    {
        EnableParameterDialog(1);
        EnableScheduleDialog(1);
    }
}

void CChannelScan::ApplyParameters()
{
    if (m_pTable)
        m_pTable->CollectEnabledChannels();
    ApplySchedule();
}

void CChannelScan::ApplySchedule()
{
    AttachDocument(m_pDocument);
    if (m_pDisplay && m_pDisplay->Rebuild())
    {
        StopLogging();
        DropBackground();
    }
}

void CChannelScan::EditSchedule(CScan* owner)
{
    if (!m_pScheduleDlg)
    {
        auto* dialog = new CScanScheduleDlg();
        dialog->m_nKindValue = ScheduleKindValue();
        m_pScheduleDlg = dialog;
    }
    static_cast<CScanScheduleDlg*>(m_pScheduleDlg)->m_pScan = owner ? owner : this;
}

BOOL CChannelScan::ShowScheduleDialog(CScan* owner)
{
    EditSchedule(owner);
    if (!::IsWindow(m_pScheduleDlg->GetSafeHwnd()) && !m_pScheduleDlg->Create(IDD_SCAN_SCHEDULE, nullptr))
        return 0;
    m_pScheduleDlg->RestorePlacement();
    m_pScheduleDlg->ShowWindow(SW_SHOW);
    return 1;
}

// =============================================================================================
// Text log

BOOL CChannelScan::IsLoggingOn()
{
    CScanSite* site = GetActiveScanSite();
    return site ? site->GetLogSettings(GetScanKind()).m_enabled : 0;
}

void CChannelScan::EditLoggingSettings(CWnd* parent)
{
    CScanSite* site = GetSite();
    if (!site)
        return;
    CDynamicLoggingDialog dialog(parent);
    dialog.Edit(
        site->GetLogSettings(m_bChild ? SCAN_KIND_SPLIT : GetScanKind()), LoggingCaption(),
        CAppSettings::GetInstance()->m_logDir[m_bChild ? CAppSettings::LOGDIR_SPLIT : LoggingFolder()]);
}

void CChannelScan::StopLogging()
{
    CloseScanLog();
}

BOOL CChannelScan::OpenScanLog()
{
    CScanSite* site = GetSite();
    // A log still open from an earlier run is written whole before the new one starts.
    CloseScanLog();
    if (!site)
        return 0;
    m_logSettings = site->GetLogSettings(m_bChild ? SCAN_KIND_SPLIT : GetScanKind());
    if (!m_logSettings.m_enabled)
        return 0;
    CString name = m_logSettings.m_nameRule == CScanLogSettings::kNameUserDefined ? m_logSettings.m_fileName
                                                                                  : site->GetTitle();
    if (m_bChild)
        name.AppendFormat("_split%d", m_nChildIndex);
    name += "_" + m_strFileStamp + ".txt";
    m_strTextLogPath =
        MakeUniquePath(JoinPath(std::string(m_logSettings.m_folder), std::string(name)).c_str());
    m_logStream.clear();
    m_logStream.open(std::string(m_strTextLogPath), std::ios::out | std::ios::trunc);
    if (!m_logStream.is_open())
    {
        CString text;
        text.Format(IDS_TEXT_LOG_FAILED, m_strTextLogPath.GetString());
        MessageBox(nullptr, text, "Warning", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    m_bLoggingOn = 1;
    m_pending.clear();
    m_pWriter = std::make_unique<CDataQueue>();
    m_pWriter->SetStream(&m_logStream);
    m_pWriter->Start();
    m_pWriter->WriteLine(std::string(m_strCaption + FormatHeader()));
    return 1;
}

BOOL CChannelScan::CloseScanLog()
{
    if (!m_pWriter)
    {
        m_bLoggingOn = 0;
        return 0;
    }
    // Finish waits for the writer to be idle, hands over what is pending and writes it.
    m_pWriter->Finish(m_pending);
    bool failed = m_pWriter->HasFailed();
    m_pWriter.reset();
    m_pending.clear();
    m_logStream.close();
    failed = failed || m_logStream.fail();
    m_bLoggingOn = 0;
    if (failed)
    {
        // Rows were lost (a full disk): the user learns that the log is not whole.
        CString text;
        text.Format(IDS_TEXT_LOG_WRITE_FAILED, m_strTextLogPath.GetString());
        MessageBox(nullptr, text, "Warning", MB_OK | MB_ICONEXCLAMATION);
    }
    return 1;
}

BOOL CChannelScan::HandOffRow(CDataQueue::Row row)
{
    if (!m_bLoggingOn || !m_pWriter)
        return FALSE;
    if (m_pWriter->HasFailed())
    {
        // The log stops at the first failed write instead of losing every row after it unseen.
        CloseScanLog();
        return FALSE;
    }
    m_pending.push_back(std::move(row));
    return m_pWriter->HandOff(m_pending);
}

// =============================================================================================
// Text files

CString CChannelScan::FormatBanner(const char* setupTitle) const
{
    CString text;
    text.Format("\n%s \nKEL Software Version, %1.2f\n\n%s", CSpectrumScan::kProductBanner,
                CSpectrumScan::kSoftwareVersion, setupTitle);
    return text;
}

CString CChannelScan::FormatSetup(const char* setupTitle) const
{
    CString text = FormatBanner(setupTitle);
    text.AppendFormat("Active channels in Scan, %d \nUnits, %s\n", ActiveCount(), UnitsName().GetString());
    CString report;
    if (m_pHead)
        m_pHead->FormatSettingsReport(report);
    return text + report;
}

CString CChannelScan::FormatChannelLines(const char* format) const
{
    CString text;
    const bool cem = m_pHead && m_pHead->IsCemPresent();
    for (int k = 0; k < ActiveCount(); ++k)
    {
        const CTableData& c = m_pTable->m_active[k];
        CString name;
        name.Format("%-19s", c.m_szGasName);
        text.AppendFormat(format, k + 1, c.m_mass, name.GetString(), static_cast<double>(c.m_calFactor),
                          c.m_noiseFloor, cem && c.m_cem ? "ON" : "OFF");
    }
    return text;
}

CString CChannelScan::FormatExport(const float* values, int count)
{
    CString text = FormatHeader();
    text += "Channel,  Value\n";
    for (int k = 0; k < count; ++k)
        text.AppendFormat("%d,  % 1.2E\n", k + 1, static_cast<double>(values[k]));
    return text;
}

BOOL CChannelScan::ExportAscii()
{
    if (ActiveCount() < 1)
        return 0;
    CFileDialog dialog(FALSE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       "Ascii Files (*.txt) |*.txt||");
    if (dialog.DoModal() != IDOK)
        return 0;
    return WriteAsciiFile(dialog.GetPathName());
}

BOOL CChannelScan::WriteAsciiFile(LPCTSTR path)
{
    if (!m_pTable)
        return FALSE;
    const int n = ActiveCount();
    std::vector<float> values(kChannels, 0.0f);
    const int count = std::clamp(ReadDisplayData(values.data(), kChannels), 0, kChannels);
    for (int k = count; k < kChannels; ++k)
        values[k] = 0.0f;
    CString text = CTime::GetCurrentTime().Format("%I:%M:%S %p  %A, %B %d, %Y");
    text += FormatExport(values.data(), n);
    return WriteTextFile(path, text);
}
