#include "scans/PvsTScan.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "res/resource.h"
#include "scans/ScanException.h"
#include "scans/ScanSite.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"

#include <afxwin.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

IMPLEMENT_SERIAL(CPvsTScans, CChannelScan, 1)

CPvsTScans::CPvsTScans()
{
    MakeTicks();
}

CPvsTScans::CPvsTScans(CTable* table, CHead* head, CDisplay* display) : CChannelScan(table, head, display)
{
    MakeTicks();
}

void CPvsTScans::MakeTicks()
{
    m_pTicks.reset(new uint32_t[kBufferLength]);
    const uint32_t period = m_pTable ? static_cast<uint32_t>(std::max(0.0f, m_pTable->m_currentPeriod)) : 1;
    for (int k = 0; k < kBufferLength; ++k)
        m_pTicks[k] = static_cast<uint32_t>(k) * period * 1000u;
    m_nSampleIndex = 0;
}

void CPvsTScans::Serialize(CArchive& ar)
{
    CChannelScan::Serialize(ar);
    if (ar.IsLoading())
        MakeTicks();
}

int CPvsTScans::LoggingFolder()
{
    return CAppSettings::LOGDIR_PVST;
}

CString CPvsTScans::FormatHeader()
{
    CString text = FormatBanner("Pressure vs Time Scan Setup:\n\n");
    text.AppendFormat("Active channels in Scan, %d \nUnits, %s\nSample Period, %1.2f, sec\n", ActiveCount(),
                      UnitsName().GetString(), static_cast<double>(m_pTable ? m_pTable->m_currentPeriod : 0.0f));
    CString report;
    if (m_pHead)
        m_pHead->FormatSettingsReport(report);
    text += report;
    text += "\n";
    text.AppendFormat("Start time, %s \n", m_strCaption.GetString());
    text += "Channel,  Mass(amu),     Name,                 Cal Factor,  Noise Floor, CEM Status\n";
    text += FormatChannelLines("%d,\t\t %d,  \t\t %s,\t %1.2f,\t\t\t %d,\t\t\t %s\n");
    text += "\n\n";
    return text;
}

// =============================================================================================
// Runs

BOOL CPvsTScans::AttachDocument(CScanSite* document)
{
    if (!CChannelScan::AttachDocument(document))
        return 0;
    m_nSampleIndex = 0;
    m_pTicks[0] = 0;
    StampStartTime();
    return 1;
}

BOOL CPvsTScans::StartSeries()
{
    m_nRestarts = 0;
    m_bWaitingForData = 0;
    return CChannelScan::StartSeries();
}

BOOL CPvsTScans::StartContinuous()
{
    m_nRestarts = 0;
    m_bWaitingForData = 0;
    return CChannelScan::StartContinuous();
}

BOOL CPvsTScans::AcquireBackground()
{
    if (m_bBackgroundOn)
        return m_pDisplay ? m_pDisplay->ClearData() : FALSE;
    std::unique_ptr<float[]> reference(new (std::nothrow) float[kChannels]());
    if (!reference)
        return FALSE;
    const int n = ActiveCount();
    const bool fromDisplay = m_pDisplay && m_pDisplay->IsAutoScale();
    if (fromDisplay)
    {
        // The display's latest sample: n times, then n values.
        float last[4 * kChannels] = {};
        m_pDisplay->GetLastData(last);
        for (int k = 0; k < n; ++k)
            reference[k] = last[n + k];
    }
    else
        std::fill(reference.get(), reference.get() + kChannels, 1.0f);
    for (int k = 0; k < kChannels; ++k)
        m_referenceTaken[k] = fromDisplay ? 1 : 0;
    m_pBackground = std::move(reference);
    m_nBackgroundLength = n;
    m_bBackgroundOn = 1;
    return TRUE;
}

BOOL CPvsTScans::RemoveBackground()
{
    if (m_bBackgroundOn)
    {
        m_bBackgroundOn = 0;
        if (m_pDisplay)
            m_pDisplay->Redraw();
    }
    return TRUE;
}

float CPvsTScans::ApplyReference(int ch, float value)
{
    if (!m_bBackgroundOn || !m_pBackground || ch < 0 || ch >= kChannels)
        return value;
    if (!m_referenceTaken[ch])
    {
        m_referenceTaken[ch] = 1;
        m_pBackground[ch] = value;
    }
    const float ref = m_pBackground[ch];
    switch (m_nReferenceMode)
    {
    case kRefDifference:
        return value - ref;
    case kRefInverse:
        return ref - value;
    case kRefPercent:
        return ref != 0.0f ? (value - ref) / ref * 100.0f : 0.0f;
    case kRefRatio:
        return ref != 0.0f ? value / ref : 0.0f;
    case kRefLogRatio:
    {
        const float ratio = ref != 0.0f ? value / ref : 0.0f;
        // A ratio that has no logarithm counts as 1.
        return ratio > 0.0f && std::isfinite(ratio) ? std::log10(ratio) : 0.0f;
    }
    default:
        // Without a relation of its own, the reading is corrected as a plain background.
        return SubtractBackground(ch, value);
    }
}

void CPvsTScans::RecordSample()
{
    const DWORD now = GetTickCount();
    const ULONGLONG now64 = GetTickCount64();
    if (m_nSampleIndex == 0)
        m_originTick64 = now64;
    else if (now64 - m_originTick64 > 0xFFFFFFFFull)
        ThrowScanException(2);
    if (m_pDisplay)
        m_pDisplay->m_nSampleCounter = m_nSampleIndex;
    m_pTicks[m_nSampleIndex] = now;
    const int n = ActiveCount();
    const uint32_t seconds = (m_pTicks[m_nSampleIndex] - m_pTicks[0] + 500u) / 1000u;
    std::vector<float> record(static_cast<size_t>(2 * n));
    for (int k = 0; k < n; ++k)
    {
        record[static_cast<size_t>(k)] = static_cast<float>(seconds);
        record[static_cast<size_t>(n + k)] = m_sampleValues[k];
    }
    SendPoint(record.data());
    if (m_bLoggingOn)
    {
        const uint32_t elapsed = now - m_pTicks[0];
        const float t = now == 0 ? 0.0f : static_cast<float>(elapsed * 0.001);
        CDataQueue::Row row;
        for (int k = 0; k < n; ++k)
            row.emplace_back(t, m_sampleValues[k]);
        HandOffRow(std::move(row));
    }
    if (++m_nSampleIndex >= kBufferLength)
        ThrowScanException(1);
}

void CPvsTScans::EndSample(bool board)
{
    m_bCycleStarted = 0;
    m_nPointIndex = 0;
    if ((!m_bContinuous && --m_nScansLeft <= 0) || m_bStopAtEnd)
    {
        m_bEndedNormally = 1;
        FinishScan();
        if (board)
            m_pIoBoard->ResetOutputs(0);
    }
}

BOOL CPvsTScans::Step()
{
    const int n = BeginStep();
    if (n < 1)
        return 0;
    const bool board = m_pIoBoard && m_pIoBoard->IsEnabled();
    try
    {
        m_pHead->SetThrowOnError(1);
        Require(m_pHead->CheckHeadPresent());
        if (m_nPointIndex == 0 && !m_bCycleStarted)
        {
            MeasureCycleStart();
            m_bCycleStarted = 1;
        }
        while (m_nPointIndex < n)
        {
            const int ch = std::clamp<int>(m_channelOrder[std::clamp(m_nPointIndex, 0, n - 1)], 0, n - 1);
            const CTableData& channel = ActiveChannel(ch);
            SwitchDetector(channel.m_cem);
            Require(m_pHead->StartSingleMass(channel.m_mass, channel.m_noiseFloor));
            m_bWaitingForData = 1;
            if (!m_pHead->WaitForBytes(4, kSampleWaitMs))
            {
                // No reply within its time: the run ends without a box of its own.
                m_pHead->SetThrowOnError(0);
                m_bEndedNormally = 0;
                FinishScan();
                return 0;
            }
            if (m_pHead->GetBytesWaiting() < 4)
            {
                // A reading cut short is asked for again by the next step, with the port free in
                // between, and only a few times.
                if (board)
                    m_pIoBoard->ResetOutputs(1);
                m_bWaitingForData = 0;
                m_pHead->SetThrowOnError(0);
                if (++m_nRestarts > kMaxRestarts)
                {
                    m_bEndedNormally = 0;
                    FinishScan();
                    return 0;
                }
                return 1;
            }
            m_nRestarts = 0;
            float raw = 0.0f;
            Require(m_pHead->ReadDataPoint(raw));
            m_bWaitingForData = 0;
            const float value = ApplyReference(ch, ScaleReading(ch, raw));
            m_sampleValues[ch] = value;
            if (board)
            {
                m_pIoBoard->OutputChannelValue(ch, value);
                m_pIoBoard->ResetOutputs(1);
            }
            ++m_nPointIndex;
        }
        RecordSample();
        EndSample(board);
        m_pHead->SetThrowOnError(0);
        return 0;
    }
    catch (CScanException* e)
    {
        const int code = e->m_nCode;
        e->Delete();
        m_pHead->SetThrowOnError(0);
        m_bEndedNormally = 1;
        FinishScan();
        if (board)
            m_pIoBoard->ResetOutputs(0);
        if (CScanSite* site = GetDocument())
            site->OnScanFinished();
        AfxMessageBox(code == 1 ? IDS_PVST_BUFFER_FULL : IDS_PVST_TIMER_WRAPPED, MB_ICONINFORMATION);
        return 0;
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

// =============================================================================================
// Split child

float CPvsTScans::WindowPeak(const float* sweep, int count, int centre, int first, int width)
{
    // The seven-point fit first; the window's largest value where the points do not make a peak
    // or the mass is too near an end of the sweep.
    float fitted = 0.0f;
    if (FitPeakAround(sweep, count, centre, fitted))
        return fitted;
    return FindMaximum(sweep, first, width);
}

BOOL CPvsTScans::StepTimed(CScan* source, int sourceKind)
{
    if (!source || !m_pTable)
        return 1;
    if (m_nSampleIndex == 0)
        m_splitSourceTick = GetTickCount();
    const int n = ActiveCount();
    const bool board = m_pIoBoard && m_pIoBoard->IsEnabled();
    if (sourceKind == 2)
    {
        float current[kChannels] = {};
        const int read = std::clamp(source->ReadDisplayData(current, kChannels), 0, kChannels);
        for (int k = 0; k < n; ++k)
            m_sampleValues[k] = k < read ? current[k] : 0.0f;
    }
    else if (sourceKind == 0 || sourceKind == 1)
    {
        if (!ValuesFromSpectrum(source, sourceKind, m_sampleValues))
            return 0;
    }
    else
        return 1;
    if (board)
        for (int k = 0; k < n; ++k)
            m_pIoBoard->OutputChannelValue(k, m_sampleValues[k]);
    try
    {
        RecordSample();
    }
    catch (CScanException* e)
    {
        const int code = e->m_nCode;
        e->Delete();
        m_bEndedNormally = 1;
        FinishScan();
        AfxMessageBox(code == 1 ? IDS_PVST_BUFFER_FULL : IDS_PVST_TIMER_WRAPPED, MB_ICONINFORMATION);
        return 0;
    }
    return 1;
}

// =============================================================================================
// Export

BOOL CPvsTScans::WriteAsciiFile(LPCTSTR path)
{
    const int n = ActiveCount();
    if (n < 1)
        return FALSE;
    CWinApp* app = AfxGetApp();
    const int oldAscii = app ? static_cast<int>(app->GetProfileInt("Version", "OldAscii", 0)) : 0;
    // One block of history per channel, channel after channel.
    const size_t length = static_cast<size_t>(m_pTable->m_displayWords[CTable::kWordHistory]);
    const size_t perChannel = length > 0 && length <= static_cast<size_t>(kBufferLength) ? length : kBufferLength;
    std::unique_ptr<float[]> history(new (std::nothrow) float[perChannel * static_cast<size_t>(n)]());
    if (!history)
    {
        AfxMessageBox("Problem allocating PvsT buffers", MB_ICONSTOP);
        return FALSE;
    }
    const int samples = std::clamp(ReadDisplayData(history.get(), static_cast<int>(perChannel) * n), 0,
                                   std::min(static_cast<int>(perChannel), m_nSampleIndex > 0 ? m_nSampleIndex : 0));
    CString text = m_strCaption + FormatHeader();
    for (int i = 0; i < samples; ++i)
    {
        if (oldAscii)
            text.AppendFormat("%d,  ", i);
        else if (m_pTicks[i] == 0 && i > 0)
            continue;
        else
            text.AppendFormat("%2.3f,  ", (m_pTicks[i] - m_pTicks[0]) * 0.001);
        for (int k = 0; k < n; ++k)
            text.AppendFormat("% 1.2E,  ", static_cast<double>(history[static_cast<size_t>(k) * perChannel + i]));
        text += "\n";
    }
    return WriteTextFile(path, text);
}
