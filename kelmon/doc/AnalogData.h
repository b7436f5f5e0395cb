// Settings record of the analog and histogram scans and of the library display, owned by the
// document. The fields the gas library and the scans use so far; the display work completes the
// record (titles, fonts, axes) and its stored form.
#pragma once

#include <afx.h>

#include <cstdint>

class CHead;
class CUnits;

class CAnalogData : public CObject
{
    DECLARE_SERIAL(CAnalogData)
public:
    // The record's modes: what the record sets up.
    enum : int32_t
    {
        kModeAnalog = 0,
        kModeHistogram = 1,
        kModeLibrary = 7
    };

    CAnalogData() = default;
    CAnalogData(int32_t mode, CUnits* units, CHead* head)
        : m_pUnits(units), m_pHead(head), m_mode(mode), m_pointsPerAmu(mode == kModeAnalog ? 10 : 1)
    {
    }

    // Stores start mass, stop mass, point count (int32 each), bar scale (float32), then the mode
    // and the scan set-up in declaration order. Loading repairs a range outside 1..300 or a start
    // above the stop to 1..100, a point count that does not fit the range and mode, and set-up
    // values outside their ranges.
    void Serialize(CArchive& ar) override;
    // Points of one sweep of the range: (stop - start) x points per amu + 1 in analog mode, one per
    // mass otherwise.
    int32_t ExpectedPointCount() const;
    // Re-derives the point count from the range and mode (a new document's records, and after any
    // change of the range or the points per amu).
    void UpdateDerived() { m_pointCount = ExpectedPointCount(); }

    // Asks the head how long one scan of the range takes (analog or histogram by the mode), adds
    // 3 s, keeps the whole seconds as the sweep time and raises the longest sweep time kept.
    // Nothing without a head or in library mode.
    void UpdateScanTime();

    CUnits* m_pUnits = nullptr; // the document's units; not owned
    CHead* m_pHead = nullptr;   // the document's head; not owned
    // A record made without a mode (the library's range, or one about to be loaded) counts one
    // point per mass.
    int32_t m_mode = kModeLibrary;
    int32_t m_startMass = 1;    // amu, 1..300
    int32_t m_stopMass = 100;   // amu, start..300
    int32_t m_pointCount = 100; // points of one sweep: (stop - start) x points per amu + 1 (analog)
    float m_barScale = 1.0f;    // library bars: intensity x bar scale x 0.01

    // ---- Scan set-up ----
    int32_t m_noiseFloor = 2;      // scan speed index 0..7
    int32_t m_cemFlag = 0;         // the electron multiplier was on for the scan
    int32_t m_pointsPerAmu = 10;   // analog points per amu (histogram: 1)
    float m_scaleFactor = 1.0f;    // multiplies every point
    int32_t m_backgroundSign = 1;  // non-zero: data - background; 0: background - data
    float m_sweepTime = 0.0f;      // s, whole seconds (UpdateScanTime)
    float m_maxSweepTime = 60.0f;  // s, the longest sweep time seen
    int32_t m_numberOfScans = 2;   // sweeps of the n-scans mode
    float m_triggerPeriod = 60.0f; // s between triggered sweeps
    int32_t m_periodUnits = 0;     // 0 seconds, 1 minutes
    int32_t m_scanMode = 0;        // 0 single, 1 continuous, 2 triggered, 3 n scans
    int32_t m_optionWord = 0;
};
