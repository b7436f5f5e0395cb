#include "analysis/Gas.h"

#include <cstring>

IMPLEMENT_SERIAL(CGas, CObject, 1)

int CountPeaks(const int32_t* masses)
{
    int n = 0;
    while (n < CGas::kSlots && masses[n] != 0)
        ++n;
    return n;
}

CGas::CGas(const char* name, int peakCount, float value1, float value2, const int32_t* masses,
           const float* intensities, int index)
    : m_name(name), m_peakCount(peakCount), m_value1(value1), m_value2(value2), m_index(index)
{
    std::memcpy(m_masses, masses, sizeof m_masses);
    std::memcpy(m_intensities, intensities, sizeof m_intensities);
}

BOOL CGas::HasMass(int mass) const
{
    for (int32_t m : m_masses)
        if (m == mass)
            return TRUE;
    return FALSE;
}

void CGas::GetName(char* buffer) const
{
    const int n = m_name.GetLength() < kMaxName ? m_name.GetLength() : kMaxName;
    std::memcpy(buffer, m_name.GetString(), n);
    buffer[n] = '\0';
}

void CGas::FormatPeaks(CString& massText, CString& intensityText) const
{
    massText.Empty();
    intensityText.Empty();
    for (int i = 0; i < kSlots; ++i)
    {
        if (m_masses[i] == 0)
            continue;
        massText.AppendFormat("%d ", m_masses[i]);
        intensityText.AppendFormat("%1.1f ", m_intensities[i]);
    }
}

void CGas::GetPeaks(std::vector<PeakRecord>& peaks) const
{
    std::vector<PeakRecord>().swap(peaks);
    for (int i = 0; i < kSlots; ++i)
        if (m_masses[i] != 0)
            peaks.push_back({m_masses[i], m_intensities[i]});
}

void CGas::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << m_name << static_cast<LONG>(m_peakCount) << m_value1 << m_value2;
        for (int32_t m : m_masses)
            ar << static_cast<LONG>(m);
        for (float f : m_intensities)
            ar << f;
        ar << static_cast<LONG>(m_index);
        return;
    }
    LONG peakCount = 0, index = 0;
    ar >> m_name >> peakCount >> m_value1 >> m_value2;
    // A name with a NUL would be cut there wherever it is shown or looked up.
    if (m_name.Find('\0') >= 0)
        AfxThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    for (int32_t& m : m_masses)
    {
        LONG v = 0;
        ar >> v;
        m = (v >= 0 && v <= kMaxMass) ? v : 0;
    }
    for (float& f : m_intensities)
        ar >> f;
    ar >> index;
    if (m_name.GetLength() > kMaxName)
        m_name = m_name.Left(kMaxName);
    m_peakCount = CountPeaks(m_masses);
    m_index = index;
}
