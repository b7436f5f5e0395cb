#include "doc/AnalogData.h"

IMPLEMENT_SERIAL(CAnalogData, CObject, 1)

void CAnalogData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << static_cast<LONG>(m_startMass) << static_cast<LONG>(m_stopMass)
           << static_cast<LONG>(m_pointCount) << m_barScale;
        return;
    }
    LONG start = 0, stop = 0, points = 0;
    ar >> start >> stop >> points >> m_barScale;
    if (start < 1 || stop > 300 || start > stop)
    {
        start = 1;
        stop = 100;
    }
    m_startMass = start;
    m_stopMass = stop;
    m_pointCount = (points == stop - start + 1) ? points : stop - start + 1;
}
