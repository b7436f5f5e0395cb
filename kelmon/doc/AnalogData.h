// Settings record of the analog and histogram scans and of the library display, owned by the
// document. Only the fields the gas library uses so far; the display work completes the record.
#pragma once

#include <afx.h>

#include <cstdint>

class CAnalogData : public CObject
{
    DECLARE_SERIAL(CAnalogData)
public:
    CAnalogData() = default;

    // Stores start mass, stop mass, point count (int32 each) and bar scale (float32). Loading
    // repairs a range outside 1..300 or a start above the stop to 1..100.
    void Serialize(CArchive& ar) override;

    int32_t m_startMass = 1;    // amu, 1..300
    int32_t m_stopMass = 100;   // amu, start..300
    int32_t m_pointCount = 100; // points of the library display: stop - start + 1
    float m_barScale = 1.0f;    // library bars: intensity x bar scale x 0.01
};
