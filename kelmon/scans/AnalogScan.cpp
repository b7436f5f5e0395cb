#include "scans/AnalogScan.h"

#include "doc/AnalogData.h"
#include "head/Head.h"

IMPLEMENT_SERIAL(CAnalogScan, CSpectrumScan, 1)

CAnalogScan::CAnalogScan()
{
    m_strLogPath = "*.ana";
}

CAnalogScan::CAnalogScan(CAnalogData* settings, CHead* head, CDisplay* display)
    : CSpectrumScan(settings, head, display)
{
    m_strLogPath = "*.ana";
}

BOOL CAnalogScan::QueryHeadPoints(int& points)
{
    return m_pHead->QueryAP(points);
}

BOOL CAnalogScan::StartHeadScan(int n)
{
    return m_pHead->StartAnalogScan(n);
}

void CAnalogScan::SendValue(int index, float value)
{
    AnalogPointRecord record;
    record.mass = static_cast<float>(index) / static_cast<float>(m_pSettings->m_pointsPerAmu) +
                  static_cast<float>(m_pSettings->m_startMass);
    record.value = value;
    QueuePoint(&record, sizeof record);
}
