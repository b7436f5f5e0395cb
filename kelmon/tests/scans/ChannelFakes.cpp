#include "ChannelFakes.h"

#include "scans/ChannelScan.h"
#include "scans/Table.h"

#include <algorithm>
#include <cstdio>

namespace scantest
{

IMPLEMENT_SERIAL(CChannelDisplay, CObject, 1)

int CChannelDisplay::Count() const
{
    return m_pTable ? std::clamp<int>(m_pTable->m_activeCount, 0, 10) : 0;
}

void CChannelDisplay::Note(const std::string& call)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(call);
}

void CChannelDisplay::UpdateData(void* record, int)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bHasData = 1;
    if (m_bSamples)
    {
        const int n = Count();
        const auto* values = static_cast<const float*>(record);
        m_samples.emplace_back(values, values + 2 * n);
        for (int k = 0; k < n; ++k)
            m_current[static_cast<size_t>(k)] = values[n + k];
        return;
    }
    const auto* reading = static_cast<const ChannelPointRecord*>(record);
    m_readings.push_back({reading->channel, reading->value});
    if (reading->channel >= 0 && reading->channel < 10)
        m_current[static_cast<size_t>(reading->channel)] = reading->value;
}

int CChannelDisplay::ReadData(float* values, int capacity)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int n = Count();
    if (!m_bSamples)
    {
        const int count = std::min(n, capacity);
        std::copy(m_current.begin(), m_current.begin() + count, values);
        return count;
    }
    if (n < 1)
        return 0;
    const int perChannel = capacity / n;
    const int samples = std::min<int>(perChannel, static_cast<int>(m_samples.size()));
    for (int k = 0; k < n; ++k)
        for (int i = 0; i < samples; ++i)
            values[k * perChannel + i] = m_samples[static_cast<size_t>(i)][static_cast<size_t>(n + k)];
    return samples;
}

BOOL CChannelDisplay::GetLastData(float* values)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int n = Count();
    if (m_bSamples && !m_samples.empty())
        std::copy(m_samples.back().begin(), m_samples.back().end(), values);
    else if (!m_bSamples)
        std::copy(m_current.begin(), m_current.begin() + n, values);
    return 1;
}

BOOL CChannelDisplay::ClearData()
{
    Note("ClearData");
    std::lock_guard<std::mutex> guard(m_lock);
    m_bHasData = 0;
    return TRUE;
}

BOOL CChannelDisplay::Redraw()
{
    Note("Redraw");
    return TRUE;
}

BOOL CChannelDisplay::Rebuild()
{
    Note("Rebuild");
    return TRUE;
}

BOOL CChannelDisplay::ShowScanData(const float* values)
{
    char text[64];
    std::snprintf(text, sizeof text, "ShowScanData %g", static_cast<double>(values[0]));
    Note(text);
    std::lock_guard<std::mutex> guard(m_lock);
    std::copy(values, values + Count(), m_current.begin());
    return TRUE;
}

BOOL CChannelDisplay::ShowInfoText(int show, LPCTSTR text)
{
    Note("ShowInfoText " + std::to_string(show) + " " + (text ? text : "(none)"));
    return TRUE;
}

BOOL CChannelDisplay::ShowAlarmMessage(float* value)
{
    Note("ShowAlarmMessage");
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastPressure = *value;
    return TRUE;
}

BOOL CChannelDisplay::UpdateAlarmMessage(float* value, LPCTSTR text)
{
    Note(std::string("UpdateAlarmMessage ") + text);
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastPressure = *value;
    return TRUE;
}

std::vector<CChannelDisplay::Reading> CChannelDisplay::Readings() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_readings;
}

std::vector<std::vector<float>> CChannelDisplay::Samples() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_samples;
}

std::vector<float> CChannelDisplay::Current() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_current;
}

std::vector<std::string> CChannelDisplay::Calls() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

std::vector<std::string> CChannelDisplay::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : Calls())
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    return found;
}

float CChannelDisplay::LastPressure() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastPressure;
}

} // namespace scantest
