#include "doc/LeakData.h"

#include "foundation/AppUiState.h"
#include "foundation/Paths.h"
#include "head/Head.h"
#include "sound/AlarmSound.h"
#include "units/Units.h"

#include <cmath>
#include <cstdio>
#include <cstring>

IMPLEMENT_SERIAL(CLeakData, CObject, 1)

namespace
{
// The charting library's palette, by index.
constexpr COLORREF kPalette[20] = {
    RGB(0, 0, 0),       RGB(0, 0, 128),     RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(128, 0, 0),
    RGB(128, 0, 128),   RGB(128, 128, 0),   RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 255),
    RGB(0, 255, 0),     RGB(0, 255, 255),   RGB(255, 0, 0),     RGB(255, 0, 255),   RGB(255, 255, 0),
    RGB(255, 255, 255), RGB(166, 202, 240), RGB(192, 220, 192), RGB(160, 160, 164), RGB(255, 251, 240)};

COLORREF OwnPalette(int index)
{
    return index >= 0 && index < 20 ? kPalette[index] : 1;
}

ChartPaletteLookup g_paletteLookup = OwnPalette;

constexpr int32_t kLayoutDefaults[CLeakData::kLayoutWords] = {4, 0,
                                                              0, 1,
                                                              1, 0 /* value tick */,
                                                              4, 0 /* time tick */,
                                                              4, 3,
                                                              3, 1,
                                                              3, 2,
                                                              0, 0,
                                                              3, 2,
                                                              0, 0,
                                                              0, 0,
                                                              1, 3,
                                                              0, 0,
                                                              0, 3,
                                                              2, 0,
                                                              0, 0,
                                                              0, 4 /* time-axis format */,
                                                              0};
constexpr int kValueTickWord = 5;
constexpr int kTimeTickWord = 7;
constexpr int kTimeFormatWord = 33;

template <size_t N> void CopyText(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text ? text : "");
}

float WordAsFloat(int32_t word)
{
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

int32_t FloatAsWord(float value)
{
    int32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

int32_t InRange(int32_t value, int32_t low, int32_t high, int32_t fallback)
{
    return value >= low && value <= high ? value : fallback;
}

float Finite(float value, float fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// The folder of the running program, with its separator.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileName(nullptr, path, MAX_PATH);
    std::string text(path, length < MAX_PATH ? length : 0);
    const size_t cut = text.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
}

// char-array fields go into the archive as strings and come back cut to their width.
template <size_t N> void StoreText(CArchive& ar, const char (&field)[N])
{
    ar << CString(field, static_cast<int>(strnlen(field, N)));
}

template <size_t N> void LoadText(CArchive& ar, char (&field)[N])
{
    CString text;
    ar >> text;
    CopyText(field, text.GetString());
}

void StoreWords(CArchive& ar, const int32_t* words, int count)
{
    for (int i = 0; i < count; ++i)
        ar << words[i];
}

void LoadWords(CArchive& ar, int32_t* words, int count)
{
    for (int i = 0; i < count; ++i)
        ar >> words[i];
}
} // namespace

COLORREF ChartPaletteColor(int index)
{
    return g_paletteLookup(index);
}

ChartPaletteLookup SetChartPaletteLookup(ChartPaletteLookup lookup)
{
    ChartPaletteLookup previous = g_paletteLookup;
    g_paletteLookup = lookup ? lookup : OwnPalette;
    return previous;
}

// =============================================================================================
// Construction and defaults

CLeakData::CLeakData() : m_nDisplayOption(CAppUiState::GetInstance()->m_nNewObjectOption) {}

CLeakData::CLeakData(CUnits* units, CHead* head)
    : m_pUnits(units), m_pHead(head), m_nDisplayOption(CAppUiState::GetInstance()->m_nNewObjectOption)
{
}

// The sound of a record that goes away with its alarm on would loop on with no one to stop it.
CLeakData::~CLeakData()
{
    CAlarmSound::Instance().Stop(this);
}

void CLeakData::SetDefaults()
{
    m_nMass = 4;
    CopyText(m_szGasName, "Helium");
    m_nSpeed = 3;
    m_fScalingFactor = 1.0f;
    m_nWordA = 0;
    m_bLogScale = 0;
    m_fScaleTop = 1e-5f;
    m_fScaleBottom = 0.0f;
    m_nScanMode = 1;
    m_nScheduleWord = 0;
    m_fTriggerPeriod = 1.0f;
    m_nPeriodUnits = 0;
    m_fTimePerReading = 0.1f;
    m_fSamplePeriod = 0.1f;
    m_nTimeAxisPoints = 600;
    const float levels[5] = {0.0f, 5e-7f, 5e-6f, 8e-6f, 1e-7f};
    const char* messages[5] = {"LOW", "EXTREME LOW", "HIGH", "EXTREME HIGH", "NORMAL"};
    const int32_t flags[5] = {0, 1, 1, 1, 1};
    const int32_t lineColours[5] = {0, 4, 1, 12, 9};
    const int32_t colours[8] = {0, 4, 1, 12, 9, 12, 12, 12};
    for (int i = 0; i < 5; ++i)
    {
        m_alarmLevel[i] = levels[i];
        CopyText(m_alarmMessage[i], messages[i]);
        m_alarmFlag[i] = flags[i];
        m_alarmLineColour[i] = lineColours[i];
        m_alarmLineStyle[i] = m_alarmLineWidth[i] = m_alarmLineShown[i] = 0;
    }
    std::memcpy(m_alarmColour, colours, sizeof colours);
    m_nTimeAxisWord = 0;
    m_fTimeAxisLength = 600.0f;
    const LeakFontRecord fonts[7] = {{"Arial", 9, 1, 0, 0, 0},   {"Arial", 9, 1, 0, 0, 0},
                                     {"Arial", 7, 0, 11, 0, 0},  {"Arial", 8, 1, 11, 1, 1},
                                     {"Arial", 10, 0, 11, 0, 0}, {"Arial", 10, 1, 11, 0, 0},
                                     {"Arial", 10, 1, 1, 0, 0}};
    std::memcpy(m_font, fonts, sizeof fonts);
    CopyText(m_szTimeCaption, "time");
    CopyText(m_szTitle, "Leak Test");
    std::memcpy(m_layout, kLayoutDefaults, sizeof m_layout);
    SetTimeTick(m_fTimeAxisLength * 0.1f);
    m_lineColour = RGB(99, 141, 88);
    m_paletteColour = ChartPaletteColor(7);
    m_layout2[0] = 4;
    m_layout2[1] = 1;
    m_nMaxPoints = kMaximumPoints;
    m_fLayoutFloat = 0.5f;
    m_nLayoutWord3 = 0;
    m_fAudioMaximum = 1e-4f;
    m_fAudioMinimum = 1e-7f;
    m_nPitchMode = 1;
    m_bAudioEnabled = 0;
    m_bAudibleAlarm = 0;
    m_strAlarmWave = JoinPath(ProgramFolder(), "Alarm.wav").c_str();
    m_nLastValueUnits = 1;
    m_bAutoscale = 1;
    m_bAutoTimeAxis = 1;
    UpdateCaption();
}

void CLeakData::UpdateCaption()
{
    CopyText(m_szGasCaption, m_szGasName);
    std::snprintf(m_szCaption, sizeof m_szCaption, "%s (%i)", m_szGasName, static_cast<int>(m_nMass));
    SetValueTick((m_fScaleTop - m_fScaleBottom) * 0.1f);
}

float CLeakData::GetValueTick() const
{
    return WordAsFloat(m_layout[kValueTickWord]);
}

void CLeakData::SetValueTick(float tick)
{
    m_layout[kValueTickWord] = FloatAsWord(tick);
}

float CLeakData::GetTimeTick() const
{
    return WordAsFloat(m_layout[kTimeTickWord]);
}

void CLeakData::SetTimeTick(float tick)
{
    m_layout[kTimeTickWord] = FloatAsWord(tick);
}

void CLeakData::ConvertUnits()
{
    if (!m_pUnits)
        return;
    float tick = GetValueTick();
    float* values[] = {&m_fScaleTop,           &m_fScaleBottom,           &tick,
                       &m_alarmLevel[kHigh],   &m_alarmLevel[kHighHigh],  &m_alarmLevel[kLow],
                       &m_alarmLevel[kLowLow], &m_alarmLevel[kReference], &m_fValueUpperLimit,
                       &m_fValueLowerLimit};
    for (float* value : values)
        m_pUnits->Convert(*value);
    SetValueTick(tick);
}

// =============================================================================================
// Time axis

BOOL CLeakData::UpdateSampleTime()
{
    if (m_pHead)
        m_fTimePerReading = static_cast<float>(m_pHead->EstimatePointTime(m_nSpeed));
    if (m_nScanMode == 2)
    {
        if (m_fTriggerPeriod < m_fTimePerReading)
            m_fTriggerPeriod = m_fSamplePeriod = m_fTimePerReading;
    }
    else
        m_fSamplePeriod = m_fTimePerReading;
    return 1;
}

void CLeakData::UpdateTimeAxis()
{
    UpdateSampleTime();
    const float span = static_cast<float>(m_nTimeAxisPoints) * m_fSamplePeriod;
    m_nTimeAxisWord = 0;
    m_layout[kLayoutWords - 1] = 0;
    if (span < 1.0f)
    {
        m_layout[kTimeFormatWord] = 0;
        m_fTimeAxisLength = std::trunc(span * 1000.0f);
        CopyText(m_szTimeCaption, "time (milliseconds)");
    }
    else
    {
        m_layout[kTimeFormatWord] = span < 2000.0f ? 1 : 2;
        m_fTimeAxisLength = std::trunc(span);
        CopyText(m_szTimeCaption, span < 2000.0f ? "time (hh:mm:ss)" : "time (hh:mm)");
    }
    SetTimeTick(m_fTimeAxisLength * 0.1f);
}

// =============================================================================================
// Alarms

int CLeakData::CheckAlarm(float value)
{
    if (!m_bAudibleAlarm)
        return 0;
    const bool hit = (m_alarmFlag[kHighEnabled] && value > m_alarmLevel[kHigh]) ||
                     (m_alarmFlag[kLowEnabled] && value < m_alarmLevel[kLow]) ||
                     (m_alarmFlag[kHighHighEnabled] && value > m_alarmLevel[kHighHigh]) ||
                     (m_alarmFlag[kLowLowEnabled] && value < m_alarmLevel[kLowLow]);
    if (hit)
    {
        if (!m_bAlarmPlaying.exchange(1))
            CAlarmSound::Instance().Start(this, m_strAlarmWave);
        return 1;
    }
    if (m_bAlarmPlaying.exchange(0))
        CAlarmSound::Instance().Stop(this);
    return 0;
}

void CLeakData::StopAlarmSound()
{
    m_bAlarmPlaying = 0;
    CAlarmSound::Instance().Stop(this);
}

// =============================================================================================
// Document file

void CLeakData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
    {
        Load(ar);
        UpdateCaption();
    }
}

void CLeakData::Store(CArchive& ar)
{
    ar.WriteObject(m_pUnits);
    ar.WriteObject(m_pHead);
    ar << m_nMass;
    StoreText(ar, m_szGasName);
    ar << m_nSpeed << m_fScalingFactor << m_nWordA << m_bLogScale << m_fScaleTop << m_fScaleBottom
       << m_nScanMode << m_nScheduleWord << m_fTriggerPeriod << m_nPeriodUnits << m_fTimePerReading
       << m_fSamplePeriod << m_nTimeAxisPoints;
    for (float level : m_alarmLevel)
        ar << level;
    for (const auto& message : m_alarmMessage)
        StoreText(ar, message);
    StoreWords(ar, m_alarmFlag, 5);
    ar << m_nTimeAxisWord << m_fTimeAxisLength;
    StoreWords(ar, m_alarmLineColour, 5);
    StoreWords(ar, m_alarmLineStyle, 5);
    StoreWords(ar, m_alarmLineWidth, 5);
    StoreWords(ar, m_alarmLineShown, 5);
    StoreWords(ar, m_alarmColour, 8);
    for (int i = 0; i < 7; ++i)
    {
        const LeakFontRecord& f = m_font[i];
        StoreText(ar, f.face);
        ar << f.size << f.weight;
        if (i == 1)
        {
            ar << static_cast<uint32_t>(m_paletteColour);
            continue;
        }
        ar << f.colour;
        if (i == 3)
            ar << f.flags << f.extra;
    }
    StoreText(ar, m_szTimeCaption);
    StoreText(ar, m_szGasCaption);
    StoreText(ar, m_szTitle);
    StoreWords(ar, m_layout, kLayoutWords);
    ar << static_cast<uint32_t>(m_lineColour);
    StoreWords(ar, m_layout2, 2);
    ar << m_nMaxPoints << m_fLayoutFloat << m_nLayoutWord3;
    ar << m_fValueUpperLimit << m_fValueLowerLimit << m_limitWord[0] << m_limitWord[1];
    ar << m_fAudioMaximum << m_fAudioMinimum << m_nPitchMode << m_bAudioEnabled << m_bAudibleAlarm
       << m_strAlarmWave;
    ar << m_nLastValueUnits;
    StoreWords(ar, m_reserved + 1, 9);
    for (const CString& text : m_strReserved)
        ar << text;
}

void CLeakData::Load(CArchive& ar)
{
    // The units and the head belong to the document: what the file put there goes again when the
    // rest of the record cannot be read.
    const DWORD mark = ar.GetLoadMark();
    CUnits* const unitsBefore = m_pUnits;
    CArchiveFieldReads fields(ar);
    fields.Read(m_pUnits, RUNTIME_CLASS(CUnits));
    try
    {
        fields.Read(m_pHead, RUNTIME_CLASS(CHead));
        LoadSettings(ar);
    }
    catch (...)
    {
        // Units this record made carry the head they read, which they do not own: when that head
        // came with them, it goes with them (the field reads free only what they made themselves).
        if (m_pUnits && m_pUnits != unitsBefore && ar.IsLoadedSince(m_pUnits->m_pHead, mark))
        {
            CHead* const orphan = m_pUnits->m_pHead;
            m_pUnits->m_pHead = nullptr;
            if (m_pHead == orphan)
                m_pHead = nullptr;
            ar.DeleteLoadedObject(orphan);
        }
        throw;
    }
    fields.Commit();
    Repair();
}

void CLeakData::LoadSettings(CArchive& ar)
{
    ar >> m_nMass;
    LoadText(ar, m_szGasName);
    ar >> m_nSpeed >> m_fScalingFactor >> m_nWordA >> m_bLogScale >> m_fScaleTop >> m_fScaleBottom >>
        m_nScanMode >> m_nScheduleWord >> m_fTriggerPeriod >> m_nPeriodUnits >> m_fTimePerReading >>
        m_fSamplePeriod >> m_nTimeAxisPoints;
    for (float& level : m_alarmLevel)
        ar >> level;
    for (auto& message : m_alarmMessage)
        LoadText(ar, message);
    LoadWords(ar, m_alarmFlag, 5);
    ar >> m_nTimeAxisWord >> m_fTimeAxisLength;
    LoadWords(ar, m_alarmLineColour, 5);
    LoadWords(ar, m_alarmLineStyle, 5);
    LoadWords(ar, m_alarmLineWidth, 5);
    LoadWords(ar, m_alarmLineShown, 5);
    LoadWords(ar, m_alarmColour, 8);
    for (int i = 0; i < 7; ++i)
    {
        LeakFontRecord& f = m_font[i];
        LoadText(ar, f.face);
        ar >> f.size >> f.weight;
        if (i == 1)
        {
            uint32_t colour = 0;
            ar >> colour;
            m_paletteColour = colour;
            continue;
        }
        ar >> f.colour;
        if (i == 3)
            ar >> f.flags >> f.extra;
    }
    LoadText(ar, m_szTimeCaption);
    LoadText(ar, m_szGasCaption);
    LoadText(ar, m_szTitle);
    LoadWords(ar, m_layout, kLayoutWords);
    uint32_t lineColour = 0;
    ar >> lineColour;
    m_lineColour = lineColour;
    LoadWords(ar, m_layout2, 2);
    ar >> m_nMaxPoints >> m_fLayoutFloat >> m_nLayoutWord3;
    ar >> m_fValueUpperLimit >> m_fValueLowerLimit >> m_limitWord[0] >> m_limitWord[1];
    ar >> m_fAudioMaximum >> m_fAudioMinimum >> m_nPitchMode >> m_bAudioEnabled >> m_bAudibleAlarm >>
        m_strAlarmWave;
    ar >> m_nLastValueUnits;
    LoadWords(ar, m_reserved + 1, 9);
    for (CString& text : m_strReserved)
        ar >> text;
}

void CLeakData::Repair()
{
    m_nMass = InRange(m_nMass, 1, 300, 4);
    m_nSpeed = InRange(m_nSpeed, 0, 7, 3);
    m_nScanMode = InRange(m_nScanMode, 0, 3, 1);
    m_nPeriodUnits = InRange(m_nPeriodUnits, 0, 1, 0);
    m_nPitchMode = InRange(m_nPitchMode, 0, 2, 1);
    m_nTimeAxisPoints = InRange(m_nTimeAxisPoints, 1, kMaximumPoints, 600);
    // A limit of no points, or more than the buffer holds, would never stop the run.
    m_nMaxPoints = InRange(m_nMaxPoints, 1, kMaximumPoints, kMaximumPoints);
    m_nLastValueUnits = m_nLastValueUnits ? 1 : 0;
    m_fScalingFactor = m_fScalingFactor >= 0.01f && m_fScalingFactor <= 100.0f ? m_fScalingFactor : 1.0f;
    m_fTriggerPeriod = m_fTriggerPeriod > 0.0f && std::isfinite(m_fTriggerPeriod) ? m_fTriggerPeriod : 1.0f;
    m_fTimePerReading =
        m_fTimePerReading >= 0.0f && std::isfinite(m_fTimePerReading) ? m_fTimePerReading : 0.1f;
    m_fSamplePeriod = m_fSamplePeriod > 0.0f && std::isfinite(m_fSamplePeriod) ? m_fSamplePeriod : 0.1f;
    m_fScaleTop = Finite(m_fScaleTop, 1e-5f);
    m_fScaleBottom = Finite(m_fScaleBottom, 0.0f);
    m_fAudioMaximum = Finite(m_fAudioMaximum, 1e-4f);
    m_fAudioMinimum = Finite(m_fAudioMinimum, 1e-7f);
    for (int i = 0; i < 5; ++i)
    {
        m_alarmLineColour[i] = InRange(m_alarmLineColour[i], 0, 19, 0);
        m_alarmLineStyle[i] = InRange(m_alarmLineStyle[i], 0, 4, 0);
        m_alarmLineWidth[i] = InRange(m_alarmLineWidth[i], 0, 4, 0);
        m_alarmColour[i] = InRange(m_alarmColour[i], 0, 19, 0);
        // Messages hold at most 12 characters.
        m_alarmMessage[i][kMessageChars] = '\0';
    }
}
