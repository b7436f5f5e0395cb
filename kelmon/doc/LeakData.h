// CLeakData: the leak-test settings of a document - the tracer gas and mass, the speed and
// calibration, the leak scan's schedule words, the leak display's time axis, fonts and layout
// words, five alarm levels with their messages, colours and lines, the audio tone's range and the
// audible alarm. The leak scan reads it at every reading and checks its alarm levels; the leak
// display and the leak dialogs read and edit it; the document stores it in its file.
//
// The alarm sound is a wave file looping while an enabled level is crossed. It goes through the
// program's alarm-sound arbiter, so the leak alarm of one document and the table alarms of others
// never silence each other.
#pragma once

#include <windows.h>

#include <afx.h>

#include <atomic>
#include <cstdint>

class CHead;
class CUnits;

// One font record of the leak display: a face and up to five words (how many are stored depends
// on the record; see Serialize).
struct LeakFontRecord
{
    char face[32];
    int32_t size;
    int32_t weight;
    int32_t colour;
    uint16_t flags;
    int32_t extra;
};

// The palette colour of an index (0..19) of the charting library's palette; 1 (transparent) past
// it. Until the charting library is linked, its palette is looked up here; the application hands
// in the library's lookup with SetChartPaletteLookup.
COLORREF ChartPaletteColor(int index);
using ChartPaletteLookup = COLORREF (*)(int index);
ChartPaletteLookup SetChartPaletteLookup(ChartPaletteLookup lookup);

class CLeakData : public CObject
{
    DECLARE_SERIAL(CLeakData)
public:
    // Alarm level indexes (m_alarmLevel).
    enum : int
    {
        kLowLow = 0,
        kLow = 1,
        kHigh = 2,
        kHighHigh = 3,
        kReference = 4
    };
    // Alarm message indexes (m_alarmMessage).
    enum : int
    {
        kMessageLow = 0,
        kMessageLowLow = 1,
        kMessageHigh = 2,
        kMessageHighHigh = 3,
        kMessageNormal = 4
    };
    // Alarm flag indexes (m_alarmFlag): word 0 is only stored.
    enum : int
    {
        kHighEnabled = 1,
        kLowEnabled = 2,
        kHighHighEnabled = 3,
        kLowLowEnabled = 4
    };
    static constexpr int kGasNameSize = 25;
    static constexpr int kCaptionSize = 43;
    static constexpr int kMessageSize = 25;
    static constexpr int kMessageChars = 12;
    static constexpr int kLayoutWords = 35;
    static constexpr int32_t kMaximumPoints = 256000;

    // A record loaded from an archive: only the alarm state and the display option are set.
    CLeakData();
    // The document's record over its units and head (not owned); SetDefaults follows for a new file.
    CLeakData(CUnits* units, CHead* head);
    CLeakData(const CLeakData&) = delete;
    CLeakData& operator=(const CLeakData&) = delete;
    ~CLeakData() override;

    // Every default; the alarm wave file is "Alarm.wav" in the program's folder.
    void SetDefaults();
    // The caption "%s (%i)" of gas name and mass, the gas caption, and the value tick.
    void UpdateCaption();
    // Re-expresses the pressure-type values in the units in force after a change of units.
    void ConvertUnits();
    // Asks the head for the time of one reading at the speed index; in triggered mode raises the
    // trigger period to it, otherwise takes it as the sample period. Returns 1.
    BOOL UpdateSampleTime();
    // Derives the time axis (format, length, caption, tick) from the points and sample period.
    void UpdateTimeAxis();
    // Checks one reading against the enabled levels (High, Low, High-high, Low-low, strictly, in
    // that order) while the audible alarm is on: the alarm sound starts at the first crossing, loops
    // while readings stay outside and stops at the first reading inside. 1 on a crossing. A reading
    // that is not a number crosses nothing.
    int CheckAlarm(float value);
    // Stops the alarm sound (the run ended).
    void StopAlarmSound();
    BOOL IsAlarmPlaying() const { return m_bAlarmPlaying.load(); }

    // Stores or loads the record, in the document file's order. Loading keeps fields within their
    // ranges (out-of-range values take their defaults) and then updates the caption.
    void Serialize(CArchive& ar) override;

    // ---- Fields ----
    CUnits* m_pUnits = nullptr; // not owned
    CHead* m_pHead = nullptr;   // not owned
    int32_t m_nMass = 4;
    char m_szGasName[kGasNameSize] = {};
    char m_szCaption[kCaptionSize] = {};
    int32_t m_nSpeed = 3; // speed index 0..7: the head's noise floor
    float m_fScalingFactor = 1.0f;
    int32_t m_nWordA = 0;
    int32_t m_bLogScale = 0;
    float m_fScaleTop = 1e-5f;
    float m_fScaleBottom = 0.0f;
    int32_t m_nScanMode = 1; // 0 single, 1 continuous, 2 triggered, 3 n readings
    int32_t m_nScheduleWord = 0;
    float m_fTriggerPeriod = 1.0f; // s
    int32_t m_nPeriodUnits = 0;    // 0 seconds, 1 minutes
    float m_fTimePerReading = 0.1f;
    float m_fSamplePeriod = 0.1f;
    int32_t m_nTimeAxisPoints = 600;
    float m_alarmLevel[5] = {};                // Low-low, Low, High, High-high, Reference
    char m_alarmMessage[5][kMessageSize] = {}; // Low, Low-low, High, High-high, Normal
    int32_t m_alarmFlag[5] = {};               // stored word, High, Low, High-high, Low-low
    int32_t m_nTimeAxisWord = 0;
    float m_fTimeAxisLength = 600.0f;
    int32_t m_alarmLineColour[5] = {}; // Reference, High, Low, High-high, Low-low
    int32_t m_alarmLineStyle[5] = {};
    int32_t m_alarmLineWidth[5] = {};
    int32_t m_alarmLineShown[5] = {};
    int32_t m_alarmColour[8] = {}; // Normal, High, Low, High-high, Low-low, three stored words
    LeakFontRecord m_font[7] = {};
    char m_szTimeCaption[50] = {};
    char m_szGasCaption[50] = {};
    char m_szTitle[100] = {};
    int32_t m_layout[kLayoutWords] = {}; // words 5 and 7 hold floats (value tick, time tick)
    COLORREF m_lineColour = 0;
    COLORREF m_paletteColour = 0;
    int32_t m_layout2[2] = {};
    int32_t m_nMaxPoints = kMaximumPoints;
    float m_fLayoutFloat = 0.5f;
    int32_t m_nLayoutWord3 = 0;
    float m_fAudioMaximum = 1e-4f;
    float m_fAudioMinimum = 1e-7f;
    int32_t m_nPitchMode = 1;
    int32_t m_bAudioEnabled = 0;
    int32_t m_bAudibleAlarm = 0;
    CString m_strAlarmWave;
    // Set while the alarm sound loops (the stepping thread checks, the document's stop clears it).
    std::atomic<int32_t> m_bAlarmPlaying{0};
    int32_t m_reserved[10] = {};
    CString m_strReserved[5];
    float m_fValueUpperLimit = 1e12f;
    float m_fValueLowerLimit = -0.01f;
    int32_t m_limitWord[2] = {0, 1};
    int32_t m_nLastValueUnits = 1; // 1 pressure, 0 leak rate
    int32_t m_nDisplayOption = 0;
    int32_t m_bAutoscale = 1;
    int32_t m_bAutoTimeAxis = 1;

    // Value and time ticks, kept as floats in the layout words.
    float GetValueTick() const;
    void SetValueTick(float tick);
    float GetTimeTick() const;
    void SetTimeTick(float tick);
    // The time axis format (0 milliseconds, 1 hh:mm:ss, 2 hh:mm; 4 until first derived).
    int32_t GetTimeFormat() const { return m_layout[33]; }

private:
    void Store(CArchive& ar);
    void Load(CArchive& ar);
    // The record after its units and head references.
    void LoadSettings(CArchive& ar);
    // Keeps loaded fields within their ranges.
    void Repair();
};
