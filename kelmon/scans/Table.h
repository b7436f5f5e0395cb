// The settings record of the table, panel and pressure-versus-time scans and of their displays:
// ten configured channels (CTableData), the active list the scans run, the schedule words, the
// displays' stored settings, the audible table alarm and the total-pressure output. One belongs
// to the document, which stores it in its file; the scans hold it without owning it.
//
// Threads: the scans' steps call CheckAlarms and StopAlarmSound on a port-monitor worker; the
// document and the dialogs use the rest on the user-interface thread while no step runs.
#pragma once

#include "scans/TableData.h"

#include <afx.h>

#include <cstdint>

class CHead;
class CUnits;

class CTable : public CObject
{
    DECLARE_SERIAL(CTable)
public:
    static constexpr int kChannels = 10;
    static constexpr int kFontBlocks = 9;
    static constexpr int kDisplayWords = 36;
    // What a reading of a channel is, measured against its levels (ClassifyValue).
    enum Level : int
    {
        kNormal = 0,
        kHigh = 1,
        kLow = 2,
        kHighHigh = 3,
        kLowLow = 4
    };
    // A display's font: face and three words (size and two style words).
    struct FontBlock
    {
        char face[32] = "Arial";
        int32_t words[3] = {};
    };

    // Serial construction (loading): lists, texts and limits made, alarm state clear.
    CTable();
    CTable(CUnits* units, CHead* head);
    // Lets go of the table's alarm sound.
    ~CTable() override;
    CTable(const CTable&) = delete;
    CTable& operator=(const CTable&) = delete;

    // The ten active records, the ten configured records, then the body (see Table.cpp). Loading
    // cuts texts to their fields and repairs the output words; archive errors propagate.
    void Serialize(CArchive& ar) override;

    // The table of a new document: channel 1 "Nitrogen" at mass 28, enabled and active.
    void SetDefaults();
    // Rebuilds the active list from the enabled configured channels, in order, numbering each with
    // its configured position + 1, and counts those with the CEM flag.
    void CollectEnabledChannels();
    // The alarm test of active channel index after a reading (see Table.cpp); non-zero while any
    // active channel is in alarm. Nothing and 0 while the audible alarm is off.
    int CheckAlarms(int index, float value);
    // Clears the playing flag and the channels' alarm states and gives up the table's sound.
    void StopAlarmSound();
    // The first enabled level value crosses, in the order high, low, high-high, low-low; kNormal
    // when none (equality never crosses). Out-of-range index: kNormal.
    int ClassifyValue(int index, float value) const;
    // The message of active channel index for a level, and the palette index of its colour.
    const char* AlarmMessage(int index, int level) const;
    int AlarmColor(int level) const;
    // The channel's alarm state (1 in alarm) and the playing flag.
    int GetAlarmState(int index) const;
    int IsAlarmPlaying() const { return m_bAlarmPlaying; }

    // Every pressure field re-expressed after a change of unit.
    void ConvertPressures();
    // Whole-second estimate of one sweep over the active channels; raises the trigger and current
    // periods to it. Returns 1.
    int EstimateSweepTime();
    // Smallest noise floor among the enabled active channels; 999 when there is none.
    int MinNoiseFloor() const;
    // The time axis of the pressure-versus-time display from the period and point count.
    void SetTimeAxis();
    // A copy of every member (owned by the caller).
    CTable* Clone() const;

    // ---- Members, in stored order ----
    CUnits* m_pUnits = nullptr; // not owned
    int32_t m_activeCount = 0;
    int32_t m_word3 = 0;
    CTableData m_active[kChannels];
    CTableData m_configured[kChannels];
    // Group A: schedule, axis and timing.
    float m_axisTop = 1e-5f;
    float m_axisBottom = 0.0f;
    int32_t m_timeStart = 0;
    float m_timeSpan = 301.0f;
    float m_sweepTime = 1.0f;
    int32_t m_numberOfScans = 2;
    int32_t m_scanMode = 1;
    int32_t m_optionWord = 0;
    float m_triggerPeriod = 1.0f;
    int32_t m_periodUnits = 0;
    float m_currentPeriod = 1.0f;
    int32_t m_timePoints = 301;
    int32_t m_backgroundSign = 1;
    int32_t m_colorA = 7;
    // Group B: fonts and titles of the displays.
    FontBlock m_fonts[kFontBlocks];
    char m_szTableTitle[30] = {};
    char m_szPvsTTitle[30] = {};
    char m_szPanelTitle[32] = {};
    int32_t m_colorB1 = 0x588D63;
    int32_t m_colorB2 = 7;
    int32_t m_wordB = 4;
    int16_t m_shortB = 1;
    int32_t m_wordB2 = 1;
    char m_szTimeTitle[50] = {};
    char m_szUnitName[50] = {};
    char m_szTextB[100] = {};
    // Item 8: per-channel palette indexes and two arrays.
    int32_t m_channelColors[kChannels] = {};
    int32_t m_channelWords1[kChannels] = {};
    int32_t m_channelWords2[kChannels] = {};
    // Item 9: the displays' words (see the indexes in Table.cpp), a text and words.
    uint32_t m_displayWords[kDisplayWords] = {};
    char m_szDisplayText[32] = {};
    int32_t m_displayWords3[3] = {};
    int32_t m_alarmColors[8] = {}; // normal, high, low, high-high, low-low, three more
    int32_t m_moreWords[3] = {}; // the channel dialog's common CEM state and common speed, a word
    int32_t m_cemCount = 0;
    int32_t m_totalPressureFlag = 0; // measure total pressure at the start of each sweep
    // Item 10: the audible alarm.
    int32_t m_alarmWords[2] = {};
    int32_t m_bSoundOn = 0;
    CString m_strSoundFile;
    int32_t m_bAlarmPlaying = 0;         // not stored
    int32_t m_alarmState[kChannels] = {}; // not stored
    // Item 11: the total-pressure output, and its texts.
    CTableOutput m_totalOutput;
    CString m_strTotalText[CTableData::kTexts];
    // Items 12-16.
    float m_limitLow = 1.0f;
    float m_limitHigh = 1000.0f;
    int32_t m_flags[kChannels] = {}; // set to 1 by the defaults and after every load; not stored
    int32_t m_uiWord = 0;            // not stored
    int32_t m_defaultColors[kChannels] = {4, 1, 2, 3, 0, 9, 8, 13, 14, 5};
    float m_valueMaximum = 1e12f;
    float m_valueMinimum = -0.01f;
    CHead* m_pHead = nullptr; // not owned

    // Display word indexes that the table itself writes.
    enum : int
    {
        kWordPressureTick = 0, // float: one tenth of top - bottom
        kWordTimeMode = 1,     // 0 ms, 1 hh:mm:ss, 2 hh:mm
        kWordTimeTick = 2,     // float: one tenth of the stored span
        kWordHistory = 3,      // 256000 samples of history
        kWordHalf = 4          // float 0.5
    };
    float GetDisplayFloat(int index) const;
    void SetDisplayFloat(int index, float value);

private:
    void Construct();
    void SerializeBody(CArchive& ar);
};
