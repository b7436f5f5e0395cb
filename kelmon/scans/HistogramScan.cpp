#include "scans/HistogramScan.h"

#include "head/Head.h"

IMPLEMENT_SERIAL(CHistogramScan, CSpectrumScan, 1)

CHistogramScan::CHistogramScan()
{
    m_strLogPath = "*.hst";
}

CHistogramScan::CHistogramScan(CAnalogData* settings, CHead* head, CDisplay* display)
    : CSpectrumScan(settings, head, display)
{
    m_strLogPath = "*.hst";
}

BOOL CHistogramScan::QueryHeadPoints(int& points)
{
    return m_pHead->QueryHP(points);
}

BOOL CHistogramScan::StartHeadScan(int n)
{
    return m_pHead->StartHistogramScan(n);
}

void CHistogramScan::SendValue(int, float value)
{
    SendPoint(&value);
}
