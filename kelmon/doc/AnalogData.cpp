#include "doc/AnalogData.h"

#include "head/Head.h"

#include <cmath>

IMPLEMENT_SERIAL(CAnalogData, CObject, 1)

namespace
{
int32_t InRange(int32_t value, int32_t low, int32_t high, int32_t fallback)
{
    return value >= low && value <= high ? value : fallback;
}
} // namespace

int32_t CAnalogData::ExpectedPointCount() const
{
    if (m_mode == kModeAnalog)
        return (m_stopMass - m_startMass) * m_pointsPerAmu + 1;
    return m_stopMass - m_startMass + 1;
}

void CAnalogData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << static_cast<LONG>(m_startMass) << static_cast<LONG>(m_stopMass)
           << static_cast<LONG>(m_pointCount) << m_barScale;
        ar << static_cast<LONG>(m_mode) << static_cast<LONG>(m_noiseFloor) << static_cast<LONG>(m_cemFlag)
           << static_cast<LONG>(m_pointsPerAmu) << m_scaleFactor << static_cast<LONG>(m_backgroundSign)
           << m_sweepTime << m_maxSweepTime << static_cast<LONG>(m_numberOfScans) << m_triggerPeriod
           << static_cast<LONG>(m_periodUnits) << static_cast<LONG>(m_scanMode)
           << static_cast<LONG>(m_optionWord);
        return;
    }
    LONG start = 0, stop = 0, points = 0;
    ar >> start >> stop >> points >> m_barScale;
    LONG mode = 0, noiseFloor = 0, cem = 0, perAmu = 0, sign = 0, scans = 0, units = 0, scanMode = 0,
         option = 0;
    ar >> mode >> noiseFloor >> cem >> perAmu >> m_scaleFactor >> sign >> m_sweepTime >> m_maxSweepTime >>
        scans >> m_triggerPeriod >> units >> scanMode >> option;
    if (start < 1 || stop > 300 || start > stop)
    {
        start = 1;
        stop = 100;
    }
    m_startMass = start;
    m_stopMass = stop;
    m_mode = mode == kModeAnalog || mode == kModeHistogram ? mode : kModeLibrary;
    m_noiseFloor = InRange(noiseFloor, 0, 7, 2);
    m_cemFlag = cem ? 1 : 0;
    m_pointsPerAmu = InRange(perAmu, 1, 30, m_mode == kModeAnalog ? 10 : 1);
    m_backgroundSign = sign ? 1 : 0;
    m_numberOfScans = InRange(scans, 1, 1000, 2);
    m_periodUnits = InRange(units, 0, 1, 0);
    m_scanMode = InRange(scanMode, 0, 3, 0);
    m_optionWord = option;
    if (!std::isfinite(m_scaleFactor))
        m_scaleFactor = 1.0f;
    const int32_t expected = ExpectedPointCount();
    m_pointCount = points == expected ? points : expected;
}

void CAnalogData::UpdateScanTime()
{
    if (!m_pHead || (m_mode != kModeAnalog && m_mode != kModeHistogram))
        return;
    const double seconds =
        m_mode == kModeAnalog
            ? m_pHead->EstimateAnalogScanTime(m_startMass, m_stopMass, m_pointsPerAmu, m_noiseFloor)
            : m_pHead->EstimateHistogramScanTime(m_startMass, m_stopMass, m_noiseFloor);
    m_sweepTime = static_cast<float>(std::trunc(seconds + 3.0));
    if (m_sweepTime > m_maxSweepTime)
        m_maxSweepTime = m_sweepTime;
}
