// One channel of the multi-channel scans (table, panel, pressure versus time): the gas and mass it
// measures, how (noise floor, calibration factor, detector), its four alarm levels with their
// messages, and its output on the I/O board. Embedded in CTable's two lists and stored by CTable
// through a direct Serialize call, never as an object of its own.
#pragma once

#include <afx.h>

#include <cstdint>

class CUnits;

// The output of a channel (or of the total pressure) on the I/O board: ten stored words.
struct CTableOutput
{
    int32_t hysteresis = 10; // percent 0..100
    int32_t enable = 0;
    int32_t triggerLevel = 0; // 0 low, 1 high
    int32_t words[2] = {};
    float triggerValue = 1e-6f; // pressure at which the output switches
    int32_t moreWords[4] = {};

    // Stores or loads the ten words. Loading repairs: enable outside 0..1 -> 0, hysteresis outside
    // 0..100 -> 10, trigger level outside 0..1 -> 0, a trigger value that is not finite, above
    // 1e12 or non-zero below 1e-20 in magnitude -> 1e-6.
    void Serialize(CArchive& ar);
    void Repair();
};

// Copies text into a fixed field of size bytes, cut to size - 1 characters and terminated.
void CopyTextField(char* field, size_t size, const char* text);

class CTableData : public CObject
{
    DECLARE_SERIAL(CTableData)
public:
    static constexpr int kNameSize = 32;
    static constexpr int kMessageSize = 25;
    // Longest message the alarm set-up lets the user enter.
    static constexpr int kMessageLength = 12;
    static constexpr int kTexts = 5;

    CTableData();
    explicit CTableData(CUnits* units);

    // Number, mass, gas name, noise floor, enabled, calibration factor, CEM, the four levels, the
    // five messages (low, low-low, high, high-high, normal), the spare word and the enables (high,
    // low, high-high, low-low), the units object, the ten output words and the five texts. Loading
    // cuts every text to its field and repairs the output fields (CTableOutput::Repair).
    void Serialize(CArchive& ar) override;

    // The defaults of a channel: mass 1, no gas, noise floor 3, off, factor 1, Faraday, the levels
    // 0 / 1e-5 / 2.5e-4 / 3.8e-4 with their messages and every enable set, output off.
    void SetDefaults();
    // The fields a channel copy carries (not the stored-only output words and texts).
    void CopyFrom(const CTableData& other);
    // The four levels and the output trigger value re-expressed in the units in force.
    void ConvertPressures();


    int32_t m_number = 1;
    int32_t m_mass = 1;
    char m_szGasName[kNameSize] = {};
    int32_t m_noiseFloor = 3;
    int32_t m_enabled = 0;
    float m_calFactor = 1.0f;
    int32_t m_cem = 0;
    float m_lowLowLevel = 0.0f;
    float m_lowLevel = 1e-5f;
    float m_highLevel = 2.5e-4f;
    float m_highHighLevel = 3.8e-4f;
    char m_szLowMessage[kMessageSize] = {};
    char m_szLowLowMessage[kMessageSize] = {};
    char m_szHighMessage[kMessageSize] = {};
    char m_szHighHighMessage[kMessageSize] = {};
    char m_szNormalMessage[kMessageSize] = {};
    int32_t m_spare = 0;
    int32_t m_highEnable = 1;
    int32_t m_lowEnable = 1;
    int32_t m_highHighEnable = 1;
    int32_t m_lowLowEnable = 1;
    CUnits* m_pUnits = nullptr; // the document's units; not owned
    CTableOutput m_output;
    CString m_strText[kTexts];
};
