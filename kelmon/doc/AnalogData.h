// Settings record of a mass-spectrum display and of the scan that feeds it, owned by the document:
// the mass range and resolution, the pressure axis, titles and fonts, axis and grid options,
// colours, and the scan's own set-up.
#pragma once

#include "units/Units.h"

#include <afx.h>

#include <cstdint>

class CHead;

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

    // Font of a title or of axis labels: face, points, style bits (1 bold, 2 italic, 4 underline),
    // palette colour index.
    struct TextStyle
    {
        char face[32];
        int32_t size;
        int32_t style;
        int32_t colour;
    };
    // Line record of an axis grid: colour index, line style, width, and the grid's switch.
    struct GridLine
    {
        int32_t colour;
        int32_t style;
        int32_t width;
        int32_t on;
    };

    CAnalogData();
    CAnalogData(int32_t mode, CUnits* units, CHead* head);

    void Serialize(CArchive& ar) override;
    // The stored fields in their order, both ways.
    void SerializeFields(CArchive& ar);

    // Every default by the mode, then UpdateDerived; the record is then enabled.
    void SetDefaults();
    // Point count, trace count, linear tick, the Y title from the unit, the mass ticks.
    void UpdateDerived();
    // Mass-axis ticks by the number of masses in the range.
    void ComputeMassTicks();
    // Re-expresses the pressure fields after a change of unit (inline: the units' code is linked
    // only where this is called).
    void ConvertPressures()
    {
        if (m_pUnits == nullptr)
            return;
        m_pUnits->Convert(m_pressureTop);
        m_pUnits->Convert(m_pressureBottom);
        m_pUnits->Convert(m_linearTick);
        m_pUnits->Convert(m_alarmLevel);
    }
    // Narrows the record to the tuning mass for peak tuning, and back.
    void SaveState();
    void RestoreState();
    // Asks the head how long one scan of the range takes (analog or histogram by the mode), adds
    // 3 s, keeps the whole seconds as the sweep time and raises the longest sweep time kept.
    // Nothing without a head or in library mode.
    void UpdateScanTime();
    // A copy with every field (the face names and titles copied within their arrays).
    CAnalogData* Clone() const;
    // The head's mass range and gain mass (0 without a head): a head that has both reads down to
    // lower currents, so the log axis may go further down.
    int32_t GetHeadMassRange() const;
    int32_t GetHeadGainMass() const;

    // Points of one sweep of the range: (stop - start) x points per amu + 1 in analog mode, one per
    // mass otherwise.
    int32_t ExpectedPointCount() const;

    // ---- Record (the stored fields in the order Serialize writes them, others where they belong)
    CUnits* m_pUnits = nullptr; // the document's units; not owned
    int32_t m_mode = kModeLibrary;
    int32_t m_pointCount = 100; // points of one sweep (derived)
    int32_t m_startMass = 1;    // first mass of the range
    int32_t m_stopMass = 100;   // last mass of the range
    float m_pressureTop = 1e-5f;
    float m_pressureBottom = 1e-10f;
    int32_t m_noiseFloor = 2;     // scan speed index 0..7
    int32_t m_cemFlag = 0;        // the electron multiplier was on for the scan
    int32_t m_logScale = 1;       // pressure axis logarithmic
    int32_t m_pointsPerAmu = 10;  // analog points per amu (histogram, library: 1)
    float m_scaleFactor = 1.0f;   // multiplies every point
    int32_t m_backgroundSign = 1; // non-zero: data - background; 0: background - data
    float m_alarmLevel = 0.0f;
    int32_t m_enabledFlag = 0;
    int32_t m_savedState[12] = {0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0};
    CString m_title;
    int32_t m_tuneMass = 28;     // mass peak tuning centres the range on
    float m_sweepTime = 0.0f;    // s, whole seconds (UpdateScanTime)
    int32_t m_numberOfScans = 2; // sweeps of the n-scans mode
    int32_t m_option2 = 1;
    int32_t m_scanMode = 0;       // 0 single, 1 continuous, 2 triggered, 3 n scans
    float m_maxSweepTime = 60.0f; // s, the longest sweep time seen
    int32_t m_periodUnits = 0;    // 0 seconds, 1 minutes
    int32_t m_uiValue = 0;        // from the interface state; not stored
    int32_t m_plotBackground = 0; // RGB of the plot area
    // 1: mass labels, 2: pressure labels, 3: display title (the mass caption), 4: pressure caption,
    // 5: graph title.
    TextStyle m_textStyle[5] = {};
    uint16_t m_labelFormat = 1; // pressure labels: number format and precision
    int32_t m_labelPrecision = 1;
    char m_xAxisTitle[50] = {};
    char m_yAxisTitle[50] = {};
    char m_graphTitle[100] = {};
    // Trace colours, widths and styles (first element each; the second is kept).
    int32_t m_traceColours[2] = {12, 0};
    int32_t m_traceWidths[2] = {1, 0};
    int32_t m_traceStyles[2] = {0, 0};
    // Axis options (pressure-axis group: 1, 3, 4, 6, 7, 8 and yGrid; mass-axis group: 2, 5, 9, 10,
    // 11 and xGrid).
    int32_t m_autoLinearTick = 1; // a linear pressure axis takes a tenth of its range as tick
    int32_t m_axisOption2 = 1;
    float m_linearTick = 0.0f; // tick spacing of a linear pressure axis
    int32_t m_yMinorTicks = 4; // minor ticks of the pressure axis
    float m_massTick = 1.0f;   // major tick spacing of the mass axis
    int32_t m_massMinorTicks = 0;
    int32_t m_yTickStyle = 3;                           // tick style of the pressure axis (across)
    int32_t m_xTickStyle = 3;                           // tick style of the mass axis (across)
    int32_t m_yMajorGrid = 1;                           // the pressure axis' major grid is on
    GridLine m_yGrid[2] = {{3, 2, 0, 0}, {3, 2, 0, 0}}; // major, minor (the minor's switch in [0].on)
    int32_t m_yAxisStyle = 0;                           // line style and colour index of the pressure axis
    int32_t m_yAxisColour = 0;
    int32_t m_xMajorGrid = 0; // the mass axis' major grid is on
    GridLine m_xGrid[2] = {{3, 2, 0, 0}, {3, 2, 0, 0}};
    int32_t m_xAxisStyle = 0; // line style and colour index of the mass axis
    int32_t m_xAxisColour = 0;
    int32_t m_windowBackground = 0x588D63; // RGB of the graph window
    int32_t m_painterValue = 4;
    int32_t m_traceCount = 0; // analog: the point count; histogram and library: 1
    char m_comment[50] = {};
    float m_barWidth = 0.33f;
    int32_t m_barColour = 0;
    int32_t m_sweepCursorColour = 14; // colour index of the sweep-position cursor
    int32_t m_tempSetHalfCount = 1;   // half the value count of the display's temporary data set
    int32_t m_alarmMessageShown = 0;  // the total-pressure read-out is shown
    int32_t m_position = 0;           // 0 whole view, 1 top, 2 bottom
    int32_t m_displayOption3 = 0;
    int32_t m_displayOption4 = 0;
    int32_t m_displayOption5 = 0; // not stored
    // The stored extras: the schedule's option word, the trigger period and the library's bar
    // scale (the two floats in their 4 bytes), then six kept as read.
    int32_t m_optionWord = 0;
    float m_triggerPeriod = 60.0f; // s between triggered sweeps
    float m_barScale = 1.0f;       // library bars: intensity x bar scale x 0.01
    int32_t m_extra[6] = {};
    CString m_strings[5];
    float m_limitHigh = 1e12f; // top of the pressure axis when a log range is unusable
    float m_limitLow = -1e12f;
    int32_t m_notJov = 1;
    int32_t m_headValue = 0;  // the head's highest mass
    CHead* m_pHead = nullptr; // the document's head; not owned
};
