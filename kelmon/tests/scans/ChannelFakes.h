// A display for the channel scans (table, panel, pressure versus time) that keeps what it is sent
// as the real channel displays do and records its other calls, in order.
#pragma once

#include "displays/Display.h"

#include <mutex>
#include <string>
#include <vector>

class CTable;

namespace scantest
{

class CChannelDisplay : public CDisplay
{
    DECLARE_SERIAL(CChannelDisplay)
public:
    CChannelDisplay() = default;
    // samples: the record is a whole sample (n times, then n values, n the table's active
    // count), as the pressure-versus-time display takes it; else one channel reading.
    explicit CChannelDisplay(CTable* table, bool samples = false) : m_pTable(table), m_bSamples(samples) {}

    void UpdateData(void* record, int arg) override;
    // Readings: the latest value of each channel. Samples: the history, channel after channel,
    // capacity / n values per channel; the count of samples.
    int ReadData(float* values, int capacity) override;
    BOOL GetLastData(float* values) override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    BOOL Rebuild() override;
    int BuildPage() override { return 1; }
    BOOL ShowScanData(const float* values) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;

    struct Reading
    {
        int channel;
        float value;
    };
    std::vector<Reading> Readings() const;
    std::vector<std::vector<float>> Samples() const;
    std::vector<float> Current() const;
    std::vector<std::string> Calls() const;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    float LastPressure() const;

private:
    void Note(const std::string& call);
    int Count() const;

    CTable* m_pTable = nullptr;
    bool m_bSamples = false;
    mutable std::mutex m_lock;
    std::vector<Reading> m_readings;
    std::vector<std::vector<float>> m_samples;
    std::vector<float> m_current = std::vector<float>(10, 0.0f);
    std::vector<std::string> m_calls;
    float m_lastPressure = 0.0f;
};

} // namespace scantest
