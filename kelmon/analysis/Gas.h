// One reference gas of the gas library: its name, two header values and a fragment pattern of up
// to ten masses with relative intensities.
#pragma once

#include <afx.h>

#include <cstdint>
#include <vector>

// One library peak as the library hands peaks to the scans and the library search.
struct PeakRecord
{
    int32_t mass;
    double intensity;
};

class CGas : public CObject
{
    DECLARE_SERIAL(CGas)
public:
    static constexpr int kSlots = 10;
    static constexpr int kMaxName = 19;
    static constexpr int kMaxMass = 300;

    CGas() = default;
    // masses and intensities hold kSlots values each; intensities as they are to be stored.
    CGas(const char* name, int peakCount, float value1, float value2, const int32_t* masses,
         const float* intensities, int index);

    // TRUE when any of the ten masses equals mass.
    BOOL HasMass(int mass) const;
    // TRUE when the first mass equals mass.
    BOOL IsMainMass(int mass) const { return m_masses[0] == mass; }
    int GetPeakCount() const { return m_peakCount; }
    // Copies the name (at most kMaxName chars and a NUL) into buffer.
    void GetName(char* buffer) const;
    const CString& GetName() const { return m_name; }
    // Appends "%d " per non-zero mass to massText and "%1.1f " of its intensity to intensityText.
    void FormatPeaks(CString& massText, CString& intensityText) const;
    // Replaces peaks by one record per non-zero mass in slot order (also behind a 0 slot).
    void GetPeaks(std::vector<PeakRecord>& peaks) const;

    int GetMass(int slot) const { return m_masses[slot]; }
    float GetIntensity(int slot) const { return m_intensities[slot]; }
    float GetValue1() const { return m_value1; }
    float GetValue2() const { return m_value2; }
    int GetIndex() const { return m_index; }

    // Name, peak count, the two header values, ten masses, ten intensities, index. Loading puts a
    // mass outside 0..300 to 0 and derives the peak count from the masses again.
    void Serialize(CArchive& ar) override;

private:
    CString m_name;
    int32_t m_peakCount = 0;
    float m_value1 = 0.0f;
    float m_value2 = 0.0f;
    int32_t m_masses[kSlots] = {};
    float m_intensities[kSlots] = {};
    int32_t m_index = 0;
};

// Peak count of a mass line: the non-zero masses before the first 0.
int CountPeaks(const int32_t* masses);
