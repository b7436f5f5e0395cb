#include "scans/TableScan.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "res/resource.h"
#include "scans/ScanLogHeader.h"
#include "scans/ScanSite.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

IMPLEMENT_SERIAL(CTableScans, CChannelScan, 1)

namespace
{
constexpr const char* kLogFilter = "Log Files (*.tbl) |*.tbl||";
} // namespace

CTableScans::CTableScans()
{
    m_strLogPath = "*.tbl";
}

CTableScans::CTableScans(CTable* table, CHead* head, CDisplay* display) : CChannelScan(table, head, display)
{
    m_strLogPath = "*.tbl";
}

int CTableScans::LoggingFolder()
{
    return CAppSettings::LOGDIR_TABLE;
}

CString CTableScans::FormatHeader()
{
    CString text = FormatSetup("Table Scan Setup:\n\n");
    text += "\n\n";
    text += "Channel,      Mass(amu),          Name,            Cal Factor,    Noise Floor,            CEM Status\n";
    text += FormatChannelLines("%d,\t\t %d,  \t\t %s,\t%1.2f,\t\t %d,\t\t\t%s\n");
    text += "\n\n";
    return text;
}

BOOL CTableScans::MeasuresTotalPressure()
{
    return m_pTable && m_pTable->m_totalPressureFlag;
}

BOOL CTableScans::CheckMassRange()
{
    m_nCycleCount = 0;
    m_startTick = 0;
    m_elapsedMs = 0;
    int on = 0;
    if (m_pHead && m_pHead->IsHighVoltageOn(on))
        m_bTotalPressureCem = on ? 1 : 0;
    return CChannelScan::CheckMassRange();
}

void CTableScans::OnCycleEnd()
{
    // The table scan appends its own .tbl records: one per sweep while the log is on, as the
    // interval of the log says.
    if (!m_bBinaryLogOn)
        return;
    ++m_nSweepsSinceLogging;
    AppendBinaryLog();
}

void CTableScans::OnHeadStopped(BOOL stopRequested)
{
    // A triggered run that ended by count keeps its detector for the next trigger.
    if (GetScanMode() != SCAN_MODE_TRIGGERED || stopRequested || !m_bEndedNormally)
        SwitchDetectorQuietly(m_bTotalPressureCem);
}

void CTableScans::StopLogging()
{
    m_bBinaryLogOn = 0;
    CChannelScan::StopLogging();
}

void CTableScans::SetMessageObject(int message)
{
    if (!m_pTable)
        return;
    m_pTable->m_displayWords[7] = static_cast<uint32_t>(message);
    if (m_pTable->m_displayWords[5] == 0)
        return;
    if (m_pParameterDlg)
        ApplyParameters();
}

// =============================================================================================
// Background

BOOL CTableScans::AcquireBackground()
{
    if (!m_bBackgroundOn)
    {
        const int n = ActiveCount();
        std::unique_ptr<float[]> background(new (std::nothrow) float[kChannels]());
        if (!background)
            return FALSE;
        ReadDisplayData(background.get(), n);
        m_pBackground = std::move(background);
        m_nBackgroundLength = n;
        m_bBackgroundOn = 1;
    }
    return m_pDisplay ? m_pDisplay->ClearData() : FALSE;
}

BOOL CTableScans::RemoveBackground()
{
    if (!m_bBackgroundOn)
        return TRUE;
    m_bBackgroundOn = 0;
    if (!m_pDisplay)
        return TRUE;
    if (m_pBackground)
        m_pDisplay->ShowScanData(m_pBackground.get());
    else
        m_pDisplay->ClearData();
    return TRUE;
}

// =============================================================================================
// Split child

BOOL CTableScans::StepTimed(CScan* source, int sourceKind)
{
    if (!source || !m_pTable)
        return 1;
    StampStartTime();
    if (m_nCycleCount == 0)
    {
        m_startTick = GetTickCount();
        m_elapsedMs = 0;
    }
    else
        m_elapsedMs = GetTickCount() - m_startTick;
    m_cycleValues.clear();
    const int n = ActiveCount();
    const bool board = m_pIoBoard && m_pIoBoard->IsEnabled();
    const auto deliver = [&](int k, float value)
    {
        ChannelPointRecord record{k, value};
        SendPoint(&record);
        if (board)
            m_pIoBoard->OutputChannelValue(k, value);
        m_pTable->CheckAlarms(k, value);
    };

    if (sourceKind == 3)
    {
        // The pressure-versus-time partner's latest sample: n times, then n values.
        m_bTotalPressureCem = source->m_bTotalPressureCem;
        float last[4 * kChannels] = {};
        if (source->m_pDisplay)
            source->m_pDisplay->GetLastData(last);
        for (int k = 0; k < n; ++k)
            deliver(k, last[n + k]);
        return 1;
    }
    if (sourceKind != 0 && sourceKind != 1)
        return 1;
    float values[kChannels] = {};
    if (!ValuesFromSpectrum(source, sourceKind, values))
        return 0;
    for (int k = 0; k < n; ++k)
    {
        deliver(k, values[k]);
        m_cycleValues.push_back(values[k]);
    }
    ++m_nCycleCount;
    CDataQueue::Row row;
    for (float v : m_cycleValues)
        row.emplace_back(static_cast<float>(m_elapsedMs * 0.001), v);
    HandOffRow(std::move(row));
    return 1;
}

// =============================================================================================
// The .tbl log

CTableLogHeader CTableScans::MakeLogHeader() const
{
    CTableLogHeader header;
    header.m_units = UnitsName();
    for (int k = 0; k < ActiveCount(); ++k)
    {
        const CTableData& c = m_pTable->m_active[k];
        CTableLogHeader::Channel channel;
        char name[CTableLogHeader::kNameSize + 1] = {};
        std::memcpy(name, c.m_szGasName, CTableLogHeader::kNameSize);
        channel.name = name;
        channel.mass = c.m_mass;
        channel.calFactor = c.m_calFactor;
        channel.noiseFloor = c.m_noiseFloor;
        channel.cem = c.m_cem;
        header.m_channels.push_back(channel);
    }
    header.m_count = static_cast<int32_t>(header.m_channels.size());
    return header;
}

BOOL CTableScans::CreateBinaryLog(int maximum, int every, int everySweep)
{
    CFileDialog dialog(FALSE, "tbl", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_SHOWHELP,
                       kLogFilter);
    if (dialog.DoModal() != IDOK)
        return TRUE;
    return CreateBinaryLogAt(dialog.GetPathName(), maximum, every, everySweep);
}

BOOL CTableScans::CreateBinaryLogAt(LPCTSTR path, int maximum, int every, int everySweep)
{
    m_nLogMaximum = maximum;
    m_nLogEvery = every >= 1 ? every : 1;
    m_bLogEverySweep = everySweep;
    m_nLogRecordIndex = 0;
    m_nSweepsSinceLogging = 0;
    m_strLogPath = path;
    m_bBinaryLogOn = 0;
    if (ActiveCount() < 1)
        return FALSE;
    if (!CreateLogFile(MakeLogHeader().Format()))
        return FALSE;
    m_bBinaryLogOn = 1;
    return TRUE;
}

BOOL CTableScans::AppendBinaryLog()
{
    if (!m_bBinaryLogOn)
        return TRUE;
    if (!m_bLogEverySweep && m_nSweepsSinceLogging % (m_nLogEvery >= 1 ? m_nLogEvery : 1) != 0)
        return TRUE;
    const int n = ActiveCount();
    float values[kChannels] = {};
    const int read = std::clamp(ReadDisplayData(values, n), 0, n);
    for (int k = read; k < n; ++k)
        values[k] = 0.0f;
    if (!AppendLogRecord(values, n))
    {
        m_bBinaryLogOn = 0;
        return FALSE;
    }
    if (++m_nLogRecordIndex >= m_nLogMaximum)
        m_bBinaryLogOn = 0;
    return TRUE;
}

void CTableScans::CloseViewedLog()
{
    m_logFile.Abort();
    m_bViewingLog = 0;
}

void CTableScans::CloseBinaryLog()
{
    const BOOL viewing = m_bViewingLog;
    CloseViewedLog();
    if (viewing && m_pDisplay)
        m_pDisplay->ShowInfoText(0, nullptr);
}

BOOL CTableScans::OpenLogForView()
{
    CFileDialog dialog(TRUE, nullptr, m_strLogPath, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_SHOWHELP,
                       kLogFilter);
    if (dialog.DoModal() != IDOK)
    {
        m_bViewingLog = 0;
        return FALSE;
    }
    return OpenLogAt(dialog.GetPathName());
}

BOOL CTableScans::ReadViewedHeader(const CString& path)
{
    const auto refuse = [&](UINT id, UINT icon)
    {
        CString text;
        AfxFormatString1(text, id, path);
        AfxMessageBox(text, icon);
        CloseViewedLog();
        return FALSE;
    };
    CTableLogHeader::Result result = CTableLogHeader::kShortTag;
    try
    {
        result = m_viewHeader.Read(m_logFile);
    }
    catch (CFileException* e)
    {
        e->Delete();
        return refuse(IDS_UNEXPECTED_EOF, MB_ICONEXCLAMATION);
    }
    switch (result)
    {
    case CTableLogHeader::kShortTag:
    case CTableLogHeader::kShortUnits:
        return refuse(IDS_UNEXPECTED_EOF, MB_ICONEXCLAMATION);
    case CTableLogHeader::kWrongTag:
        AfxMessageBox(IDS_NOT_TABLE_LOG, MB_ICONEXCLAMATION);
        CloseViewedLog();
        return FALSE;
    default:
        break;
    }
    // The units come before the channels: a file of other units is refused before they are read.
    if (m_viewHeader.m_units != UnitsName())
    {
        CString text;
        AfxFormatString2(text, IDS_LOG_UNITS_MISMATCH, path, m_viewHeader.m_units);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        CloseViewedLog();
        return FALSE;
    }
    if (result == CTableLogHeader::kBadCount)
        return refuse(IDS_FILE_FORMAT_ERROR, MB_ICONEXCLAMATION);
    if (result == CTableLogHeader::kShortChannels)
        return refuse(IDS_UNEXPECTED_EOF, MB_ICONEXCLAMATION);
    return TRUE;
}

BOOL CTableScans::OpenLogAt(LPCTSTR path)
{
    m_logFile.Abort();
    m_bViewingLog = 0;
    m_strLogPath = path;
    if (!m_pTable)
        return FALSE;
    CFileException error;
    if (!m_logFile.Open(path, CFile::modeRead | CFile::shareDenyNone, &error))
    {
        CString cause;
        cause.Format("%d", error.m_cause);
        ShowFileError(IDS_FILE_OPEN_FAILED, path, cause, MB_ICONSTOP);
        return FALSE;
    }
    const CString filePath = path;
    if (!ReadViewedHeader(filePath))
        return FALSE;
    const int n = static_cast<int>(m_viewHeader.m_channels.size());
    bool same = n == ActiveCount();
    for (int k = 0; same && k < n; ++k)
    {
        const CTableLogHeader::Channel& stored = m_viewHeader.m_channels[k];
        const CTableData& c = m_pTable->m_active[k];
        same = std::strncmp(stored.name, c.m_szGasName, CTableLogHeader::kNameSize) == 0 &&
               stored.mass == c.m_mass && stored.calFactor == c.m_calFactor &&
               stored.noiseFloor == c.m_noiseFloor && stored.cem == c.m_cem;
    }
    if (!same)
    {
        CString question;
        AfxFormatString1(question, IDS_LOG_PARAMETERS_DIFFER, filePath);
        if (AfxMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        {
            CloseViewedLog();
            return FALSE;
        }
        // Exactly the stored channels are taken: the others are switched off.
        for (int k = 0; k < CTable::kChannels; ++k)
        {
            CTableData& c = m_pTable->m_configured[k];
            c.m_number = k + 1;
            c.m_enabled = k < n ? 1 : 0;
            if (k >= n)
                continue;
            const CTableLogHeader::Channel& stored = m_viewHeader.m_channels[k];
            CopyTextField(c.m_szGasName, sizeof c.m_szGasName, stored.name);
            c.m_mass = stored.mass;
            c.m_calFactor = stored.calFactor;
            c.m_noiseFloor = stored.noiseFloor;
            c.m_cem = stored.cem ? 1 : 0;
        }
        m_pTable->CollectEnabledChannels();
        BuildChannelOrder();
        if (m_pDisplay)
            m_pDisplay->Rebuild();
    }
    ULONGLONG length = 0;
    try
    {
        length = m_logFile.GetLength();
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
    const ULONGLONG count = CTableLogHeader::RecordCount(length, n);
    if (count == 0)
    {
        CString none, text;
        none.LoadString(IDS_NO_SCAN_DATA);
        AfxFormatString2(text, IDS_LOG_READ_ERROR, filePath, none);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        CloseViewedLog();
        return FALSE;
    }
    m_nLogRecordCount = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(count);
    m_nLogRecordIndex = m_nLogRecordCount;
    m_bViewingLog = 1;
    if (m_pDisplay)
        m_pDisplay->ClearData();
    ViewLogScan(LOG_RECORD_NEXT);
    return m_bViewingLog;
}

void CTableScans::ViewLogScan(int direction)
{
    if (!m_bViewingLog || m_nLogRecordCount < 1)
        return;
    int index = m_nLogRecordIndex;
    if (direction == LOG_RECORD_NEXT)
        index = index + 1 >= m_nLogRecordCount ? 0 : index + 1;
    else if (direction == LOG_RECORD_PREVIOUS)
        index = index > 0 ? std::min(index, m_nLogRecordCount) - 1 : m_nLogRecordCount - 1;
    else
    {
        CloseBinaryLog();
        return;
    }
    m_nLogRecordIndex = index;
    char time[CTableLogHeader::kTimeSize] = {};
    float values[kChannels] = {};
    BOOL read = FALSE;
    try
    {
        read = m_viewHeader.ReadRecord(m_logFile, static_cast<ULONGLONG>(index), time, values);
    }
    catch (CFileException* e)
    {
        e->Delete();
    }
    if (!read)
    {
        CString text;
        AfxFormatString1(text, IDS_UNEXPECTED_EOF, m_strLogPath);
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        CloseViewedLog();
        return;
    }
    m_strLogSweepTime = time;
    if (m_pDisplay)
    {
        m_pDisplay->ShowScanData(values);
        m_pDisplay->ShowInfoText(1, time);
    }
}
