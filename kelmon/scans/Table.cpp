#include "scans/Table.h"

#include "foundation/Paths.h"
#include "head/Head.h"
#include "sound/AlarmSound.h"
#include "units/Units.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <string>

IMPLEMENT_SERIAL(CTable, CObject, 1)

namespace
{
constexpr const char* kSoundFileName = "Alarm.wav";
constexpr int32_t kHistoryLength = 256000;

// The folder of the program file, with its trailing separator cut.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileName(nullptr, path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    const size_t slash = folder.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

template <size_t N> void StoreText(CArchive& ar, const char (&field)[N])
{
    ar << CString(field);
}

template <size_t N> void LoadText(CArchive& ar, char (&field)[N])
{
    CString text;
    ar >> text;
    CopyTextField(field, N, text);
}

template <size_t N> void SerializeText(CArchive& ar, char (&field)[N])
{
    if (ar.IsStoring())
        StoreText(ar, field);
    else
        LoadText(ar, field);
}

void SerializeWord(CArchive& ar, int32_t& word)
{
    if (ar.IsStoring())
        ar << static_cast<LONG>(word);
    else
    {
        LONG value = 0;
        ar >> value;
        word = value;
    }
}

template <size_t N> void SerializeWords(CArchive& ar, int32_t (&words)[N])
{
    for (int32_t& word : words)
        SerializeWord(ar, word);
}

void SerializeFloat(CArchive& ar, float& value)
{
    if (ar.IsStoring())
        ar << value;
    else
        ar >> value;
}

void SerializeFont(CArchive& ar, CTable::FontBlock& font)
{
    SerializeText(ar, font.face);
    SerializeWords(ar, font.words);
}

void SerializeString(CArchive& ar, CString& text)
{
    if (ar.IsStoring())
        ar << text;
    else
        ar >> text;
}
} // namespace

CTable::CTable()
{
    Construct();
}

CTable::CTable(CUnits* units, CHead* head) : m_pUnits(units), m_pHead(head)
{
    Construct();
}

CTable::~CTable()
{
    CAlarmSound::Instance().Stop(this);
}

void CTable::Construct()
{
    for (int k = 0; k < kChannels; ++k)
    {
        m_active[k].m_pUnits = m_pUnits;
        m_configured[k].m_pUnits = m_pUnits;
        m_active[k].m_number = m_configured[k].m_number = k + 1;
    }
    CopyTextField(m_szTableTitle, sizeof m_szTableTitle, "Table Scan");
    CopyTextField(m_szPvsTTitle, sizeof m_szPvsTTitle, "P vs T Scan");
    CopyTextField(m_szPanelTitle, sizeof m_szPanelTitle, "Annunciator Panel");
    CopyTextField(m_szTimeTitle, sizeof m_szTimeTitle, "Time");
    m_valueMaximum = 1e12f;
    m_valueMinimum = -0.01f;
    m_limitLow = 1.0f;
    m_limitHigh = 1000.0f;
    m_bAlarmPlaying = 0;
    std::memset(m_alarmState, 0, sizeof m_alarmState);
}

float CTable::GetDisplayFloat(int index) const
{
    float value = 0.0f;
    std::memcpy(&value, &m_displayWords[index], sizeof value);
    return value;
}

void CTable::SetDisplayFloat(int index, float value)
{
    std::memcpy(&m_displayWords[index], &value, sizeof value);
}

// =============================================================================================
// Defaults and the active list

void CTable::SetDefaults()
{
    m_axisTop = 1e-5f;
    m_axisBottom = 0.0f;
    m_timeStart = 0;
    m_timeSpan = 301.0f;
    m_sweepTime = 1.0f;
    m_numberOfScans = 2;
    m_scanMode = 1;
    m_optionWord = 0;
    m_triggerPeriod = 1.0f;
    m_periodUnits = 0;
    m_currentPeriod = 1.0f;
    m_timePoints = 301;
    m_backgroundSign = 1;
    m_colorA = 7;
    for (int k = 0; k < kChannels; ++k)
    {
        m_active[k].SetDefaults();
        m_active[k].m_number = k + 1;
        m_active[k].m_pUnits = m_pUnits;
        m_configured[k].CopyFrom(m_active[k]);
        m_channelColors[k] = m_defaultColors[k];
        m_channelWords1[k] = m_channelWords2[k] = 0;
    }
    for (CTableData* first : {&m_active[0], &m_configured[0]})
    {
        CopyTextField(first->m_szGasName, sizeof first->m_szGasName, "Nitrogen");
        first->m_mass = 28;
        first->m_enabled = 1;
    }
    m_activeCount = 1;
    m_cemCount = 0;
    static const int32_t kFontWords[kFontBlocks][3] = {{10, 1, 0}, {10, 5, 0}, {10, 3, 1}, {10, 3, 1}, {7, 0, 11},
                                                       {8, 1, 14}, {10, 0, 11}, {10, 1, 14}, {9, 1, 0}};
    for (int i = 0; i < kFontBlocks; ++i)
    {
        CopyTextField(m_fonts[i].face, sizeof m_fonts[i].face, "Arial");
        std::memcpy(m_fonts[i].words, kFontWords[i], sizeof m_fonts[i].words);
    }
    CopyTextField(m_szTableTitle, sizeof m_szTableTitle, "Table Scan");
    CopyTextField(m_szPvsTTitle, sizeof m_szPvsTTitle, "P vs T Scan");
    CopyTextField(m_szPanelTitle, sizeof m_szPanelTitle, "Annunciator Panel");
    CopyTextField(m_szTimeTitle, sizeof m_szTimeTitle, "Time");
    m_colorB1 = 0x588D63;
    m_colorB2 = 7;
    m_wordB = 4;
    m_shortB = 1;
    m_wordB2 = 1;
    std::memset(m_displayWords, 0, sizeof m_displayWords);
    SetDisplayFloat(kWordPressureTick, (m_axisTop - m_axisBottom) / 10.0f);
    m_displayWords[kWordTimeMode] = 1;
    SetDisplayFloat(kWordTimeTick, m_timeSpan / 10.0f);
    m_displayWords[kWordHistory] = kHistoryLength;
    SetDisplayFloat(kWordHalf, 0.5f);
    static const int32_t kAlarmColors[8] = {0, 4, 1, 12, 9, 12, 12, 12};
    std::memcpy(m_alarmColors, kAlarmColors, sizeof m_alarmColors);
    m_moreWords[0] = 0;
    m_moreWords[1] = 3;
    m_moreWords[2] = 0;
    m_totalPressureFlag = 0;
    m_strSoundFile = JoinPath(ProgramFolder(), kSoundFileName).c_str();
    StopAlarmSound();
    if (m_pUnits)
        CopyTextField(m_szUnitName, sizeof m_szUnitName, m_pUnits->m_szUnitName);
    m_totalOutput = CTableOutput();
    for (int32_t& flag : m_flags)
        flag = 1;
}

void CTable::CollectEnabledChannels()
{
    m_activeCount = 0;
    m_cemCount = 0;
    for (int k = 0; k < kChannels; ++k)
    {
        const CTableData& channel = m_configured[k];
        if (!channel.m_enabled)
            continue;
        CTableData& slot = m_active[m_activeCount++];
        slot.CopyFrom(channel);
        slot.m_number = k + 1;
        if (channel.m_cem)
            ++m_cemCount;
    }
    for (int k = m_activeCount; k < kChannels; ++k)
        m_active[k].m_enabled = 0;
}

// =============================================================================================
// Alarms

int CTable::ClassifyValue(int index, float value) const
{
    if (index < 0 || index >= kChannels)
        return kNormal;
    const CTableData& c = m_active[index];
    if (c.m_highEnable && value > c.m_highLevel)
        return kHigh;
    if (c.m_lowEnable && value < c.m_lowLevel)
        return kLow;
    if (c.m_highHighEnable && value > c.m_highHighLevel)
        return kHighHigh;
    if (c.m_lowLowEnable && value < c.m_lowLowLevel)
        return kLowLow;
    return kNormal;
}

const char* CTable::AlarmMessage(int index, int level) const
{
    if (index < 0 || index >= kChannels)
        return "";
    const CTableData& c = m_active[index];
    switch (level)
    {
    case kHigh:
        return c.m_szHighMessage;
    case kLow:
        return c.m_szLowMessage;
    case kHighHigh:
        return c.m_szHighHighMessage;
    case kLowLow:
        return c.m_szLowLowMessage;
    default:
        return c.m_szNormalMessage;
    }
}

int CTable::AlarmColor(int level) const
{
    return level >= kNormal && level <= kLowLow ? m_alarmColors[level] : m_alarmColors[kNormal];
}

int CTable::GetAlarmState(int index) const
{
    return index >= 0 && index < kChannels ? m_alarmState[index] : 0;
}

int CTable::CheckAlarms(int index, float value)
{
    if (!m_bSoundOn || index < 0 || index >= kChannels)
        return 0;
    if (ClassifyValue(index, value) != kNormal)
    {
        m_alarmState[index] = 1;
        if (!m_bAlarmPlaying)
        {
            CAlarmSound::Instance().Start(this, m_strSoundFile);
            m_bAlarmPlaying = 1;
        }
        return 1;
    }
    m_alarmState[index] = 0;
    for (int k = 0; k < m_activeCount && k < kChannels; ++k)
        if (m_alarmState[k])
            return 1;
    const int wasPlaying = m_bAlarmPlaying;
    m_bAlarmPlaying = 0;
    if (wasPlaying)
        CAlarmSound::Instance().Stop(this);
    return 0;
}

void CTable::StopAlarmSound()
{
    m_bAlarmPlaying = 0;
    std::memset(m_alarmState, 0, sizeof m_alarmState);
    // Only this table's sound: another document's alarm keeps sounding.
    CAlarmSound::Instance().Stop(this);
}

// =============================================================================================
// Units, timing, axis

void CTable::ConvertPressures()
{
    if (!m_pUnits)
        return;
    m_pUnits->Convert(m_axisTop);
    m_pUnits->Convert(m_axisBottom);
    float tick = GetDisplayFloat(kWordPressureTick);
    m_pUnits->Convert(tick);
    SetDisplayFloat(kWordPressureTick, tick);
    m_pUnits->Convert(m_valueMaximum);
    m_pUnits->Convert(m_valueMinimum);
    for (int k = 0; k < kChannels; ++k)
    {
        m_active[k].ConvertPressures();
        m_configured[k].ConvertPressures();
    }
}

int CTable::EstimateSweepTime()
{
    double t = 0.0;
    bool switches = false;
    for (int k = 0; k < m_activeCount && k < kChannels; ++k)
    {
        if (m_pHead)
            t += m_pHead->EstimatePointTime(m_active[k].m_noiseFloor);
        if (m_active[k].m_cem != m_active[0].m_cem)
            switches = true;
    }
    if (switches)
        t += 0.75;
    if (std::ceil(t) - t < 0.08)
        t += 1.0;
    const float seconds = static_cast<float>(std::trunc(t + 1.0));
    m_sweepTime = seconds;
    if (seconds > m_triggerPeriod)
        m_triggerPeriod = m_currentPeriod = seconds;
    return 1;
}

int CTable::MinNoiseFloor() const
{
    int lowest = 999;
    for (int k = 0; k < m_activeCount && k < kChannels; ++k)
        if (m_active[k].m_enabled && m_active[k].m_noiseFloor < lowest)
            lowest = m_active[k].m_noiseFloor;
    return lowest;
}

void CTable::SetTimeAxis()
{
    if (m_scanMode == 2)
        m_currentPeriod = m_triggerPeriod;
    const float span = static_cast<float>(m_timePoints - 1) * m_currentPeriod;
    m_timeStart = 0;
    if (span < 5.0f)
    {
        m_displayWords[kWordTimeMode] = 0;
        m_timeSpan = span * 1000.0f;
        CopyTextField(m_szTimeTitle, sizeof m_szTimeTitle, "Time (milliseconds)");
    }
    else if (span < 2000.0f)
    {
        m_displayWords[kWordTimeMode] = 1;
        m_timeSpan = span;
        CopyTextField(m_szTimeTitle, sizeof m_szTimeTitle, "Time (hh:mm:ss)");
    }
    else
    {
        m_displayWords[kWordTimeMode] = 2;
        m_timeSpan = span;
        CopyTextField(m_szTimeTitle, sizeof m_szTimeTitle, "Time (hh:mm)");
    }
    SetDisplayFloat(kWordTimeTick, m_timeSpan / 10.0f);
}

// =============================================================================================
// Copy and document file

CTable* CTable::Clone() const
{
    CTable* copy = new CTable(m_pUnits, m_pHead);
    copy->m_activeCount = m_activeCount;
    copy->m_word3 = m_word3;
    for (int k = 0; k < kChannels; ++k)
    {
        copy->m_active[k].CopyFrom(m_active[k]);
        copy->m_configured[k].CopyFrom(m_configured[k]);
    }
    copy->m_axisTop = m_axisTop;
    copy->m_axisBottom = m_axisBottom;
    copy->m_timeStart = m_timeStart;
    copy->m_timeSpan = m_timeSpan;
    copy->m_sweepTime = m_sweepTime;
    copy->m_numberOfScans = m_numberOfScans;
    copy->m_scanMode = m_scanMode;
    copy->m_optionWord = m_optionWord;
    copy->m_triggerPeriod = m_triggerPeriod;
    copy->m_periodUnits = m_periodUnits;
    copy->m_currentPeriod = m_currentPeriod;
    copy->m_timePoints = m_timePoints;
    copy->m_backgroundSign = m_backgroundSign;
    copy->m_colorA = m_colorA;
    std::memcpy(copy->m_fonts, m_fonts, sizeof m_fonts);
    std::memcpy(copy->m_szTableTitle, m_szTableTitle, sizeof m_szTableTitle);
    std::memcpy(copy->m_szPvsTTitle, m_szPvsTTitle, sizeof m_szPvsTTitle);
    std::memcpy(copy->m_szPanelTitle, m_szPanelTitle, sizeof m_szPanelTitle);
    copy->m_colorB1 = m_colorB1;
    copy->m_colorB2 = m_colorB2;
    copy->m_wordB = m_wordB;
    copy->m_shortB = m_shortB;
    copy->m_wordB2 = m_wordB2;
    std::memcpy(copy->m_szTimeTitle, m_szTimeTitle, sizeof m_szTimeTitle);
    std::memcpy(copy->m_szUnitName, m_szUnitName, sizeof m_szUnitName);
    std::memcpy(copy->m_szTextB, m_szTextB, sizeof m_szTextB);
    std::memcpy(copy->m_channelColors, m_channelColors, sizeof m_channelColors);
    std::memcpy(copy->m_channelWords1, m_channelWords1, sizeof m_channelWords1);
    std::memcpy(copy->m_channelWords2, m_channelWords2, sizeof m_channelWords2);
    std::memcpy(copy->m_displayWords, m_displayWords, sizeof m_displayWords);
    std::memcpy(copy->m_szDisplayText, m_szDisplayText, sizeof m_szDisplayText);
    std::memcpy(copy->m_displayWords3, m_displayWords3, sizeof m_displayWords3);
    std::memcpy(copy->m_alarmColors, m_alarmColors, sizeof m_alarmColors);
    std::memcpy(copy->m_moreWords, m_moreWords, sizeof m_moreWords);
    copy->m_cemCount = m_cemCount;
    copy->m_totalPressureFlag = m_totalPressureFlag;
    std::memcpy(copy->m_alarmWords, m_alarmWords, sizeof m_alarmWords);
    copy->m_bSoundOn = m_bSoundOn;
    copy->m_strSoundFile = m_strSoundFile;
    copy->m_totalOutput = m_totalOutput;
    for (int i = 0; i < CTableData::kTexts; ++i)
        copy->m_strTotalText[i] = m_strTotalText[i];
    copy->m_limitLow = m_limitLow;
    copy->m_limitHigh = m_limitHigh;
    std::memcpy(copy->m_flags, m_flags, sizeof m_flags);
    copy->m_uiWord = m_uiWord;
    std::memcpy(copy->m_defaultColors, m_defaultColors, sizeof m_defaultColors);
    copy->m_valueMaximum = m_valueMaximum;
    copy->m_valueMinimum = m_valueMinimum;
    return copy;
}

void CTable::Serialize(CArchive& ar)
{
    for (CTableData& record : m_active)
        record.Serialize(ar);
    for (CTableData& record : m_configured)
        record.Serialize(ar);
    SerializeBody(ar);
    if (ar.IsLoading())
    {
        for (int32_t& flag : m_flags)
            flag = 1;
        // A count the lists cannot hold would run the scans past their channels.
        if (m_activeCount < 0 || m_activeCount > kChannels)
            CollectEnabledChannels();
        if (m_cemCount < 0 || m_cemCount > m_activeCount)
            CollectEnabledChannels();
        m_bAlarmPlaying = 0;
        std::memset(m_alarmState, 0, sizeof m_alarmState);
    }
}

void CTable::SerializeBody(CArchive& ar)
{
    if (ar.IsStoring())
        ar.WriteObject(m_pUnits);
    else
        m_pUnits = static_cast<CUnits*>(ar.ReadReference(RUNTIME_CLASS(CUnits))); // the document's
    SerializeWord(ar, m_activeCount);
    SerializeWord(ar, m_word3);
    // Group A.
    SerializeFloat(ar, m_axisTop);
    SerializeFloat(ar, m_axisBottom);
    SerializeWord(ar, m_timeStart);
    SerializeFloat(ar, m_timeSpan);
    SerializeFloat(ar, m_sweepTime);
    SerializeWord(ar, m_numberOfScans);
    SerializeWord(ar, m_scanMode);
    SerializeWord(ar, m_optionWord);
    SerializeFloat(ar, m_triggerPeriod);
    SerializeWord(ar, m_periodUnits);
    SerializeFloat(ar, m_currentPeriod);
    SerializeWord(ar, m_timePoints);
    SerializeWord(ar, m_backgroundSign);
    SerializeWord(ar, m_colorA);
    // Group B.
    for (int i = 0; i < 4; ++i)
        SerializeFont(ar, m_fonts[i]);
    SerializeText(ar, m_szTableTitle);
    SerializeText(ar, m_szPvsTTitle);
    SerializeText(ar, m_szPanelTitle);
    SerializeWord(ar, m_colorB1);
    SerializeWord(ar, m_colorB2);
    SerializeWord(ar, m_wordB);
    SerializeFont(ar, m_fonts[4]);
    SerializeFont(ar, m_fonts[5]);
    if (ar.IsStoring())
        ar << static_cast<SHORT>(m_shortB);
    else
    {
        SHORT value = 0;
        ar >> value;
        m_shortB = value;
    }
    SerializeWord(ar, m_wordB2);
    for (int i = 6; i < kFontBlocks; ++i)
        SerializeFont(ar, m_fonts[i]);
    SerializeText(ar, m_szTimeTitle);
    SerializeText(ar, m_szUnitName);
    SerializeText(ar, m_szTextB);
    // Items 8 and 9.
    SerializeWords(ar, m_channelColors);
    SerializeWords(ar, m_channelWords1);
    SerializeWords(ar, m_channelWords2);
    for (uint32_t& word : m_displayWords)
    {
        int32_t value = static_cast<int32_t>(word);
        SerializeWord(ar, value);
        word = static_cast<uint32_t>(value);
    }
    SerializeText(ar, m_szDisplayText);
    SerializeWords(ar, m_displayWords3);
    SerializeWords(ar, m_alarmColors);
    SerializeWords(ar, m_moreWords);
    SerializeWord(ar, m_cemCount);
    SerializeWord(ar, m_totalPressureFlag);
    // Items 15, 16, 12.
    SerializeWords(ar, m_defaultColors);
    SerializeFloat(ar, m_valueMaximum);
    SerializeFloat(ar, m_valueMinimum);
    SerializeFloat(ar, m_limitLow);
    SerializeFloat(ar, m_limitHigh);
    if (ar.IsStoring())
        ar.WriteObject(m_pHead);
    else
        m_pHead = static_cast<CHead*>(ar.ReadReference(RUNTIME_CLASS(CHead))); // the document's
    // Item 10: the audible alarm.
    SerializeWords(ar, m_alarmWords);
    SerializeWord(ar, m_bSoundOn);
    SerializeString(ar, m_strSoundFile);
    // Item 11: the total-pressure output.
    m_totalOutput.Serialize(ar);
    for (CString& text : m_strTotalText)
        SerializeString(ar, text);
}
