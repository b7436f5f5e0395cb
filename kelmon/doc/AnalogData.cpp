#include "doc/AnalogData.h"

#include "foundation/AppUiState.h"
#include "head/Head.h"
#include "units/Units.h"

#include <afxwin.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

IMPLEMENT_SERIAL(CAnalogData, CObject, 1)

namespace
{
// The plotkit palette's light grey (index 7), the default plot background.
constexpr int32_t kLightGrey = RGB(192, 192, 192);

// Copies text into a fixed field, cut to what fits, always terminated.
template <size_t N> void CopyField(char (&field)[N], const char* text)
{
    const size_t length = text != nullptr ? strnlen(text, N - 1) : 0;
    if (length > 0)
        std::memcpy(field, text, length);
    field[length] = '\0';
}

int ProfileSize(const char* entry, int fallback)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return fallback;
    const CString text = app->GetProfileString("Default", entry, "");
    const int value = text.IsEmpty() ? 0 : std::atoi(text);
    return value > 0 ? value : fallback;
}

void WriteInt(CArchive& ar, int32_t value)
{
    ar << static_cast<LONG>(value);
}

int32_t ReadInt(CArchive& ar)
{
    LONG value = 0;
    ar >> value;
    return value;
}

void SerializeInt(CArchive& ar, int32_t& value)
{
    if (ar.IsStoring())
        WriteInt(ar, value);
    else
        value = ReadInt(ar);
}

void SerializeFloat(CArchive& ar, float& value)
{
    if (ar.IsStoring())
        ar << value;
    else
        ar >> value;
}

template <size_t N> void SerializeText(CArchive& ar, char (&field)[N])
{
    if (ar.IsStoring())
    {
        ar << CString(field);
        return;
    }
    CString text;
    ar >> text;
    CopyField(field, text);
}

// A pointer field of the record refers to the document's object; the document checks it.
template <class T> void SerializeReference(CArchive& ar, T*& field, const CRuntimeClass* pClass)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(field);
        return;
    }
    CArchiveFieldReads reads(ar);
    reads.Read(field, pClass);
    reads.Commit();
}
} // namespace

CAnalogData::CAnalogData()
{
    for (TextStyle& style : m_textStyle)
        CopyField(style.face, "Arial");
}

CAnalogData::CAnalogData(int32_t mode, CUnits* units, CHead* head) : CAnalogData()
{
    m_pUnits = units;
    m_mode = mode;
    m_pHead = head;
    m_limitHigh = 1e12f;
    m_limitLow = -1e12f;
    m_notJov = head == nullptr || head->IsNotJovFamily() ? 1 : 0;
    m_headValue = head != nullptr ? head->GetMassRange() : 0;
    m_enabledFlag = 0;
    m_uiValue = CAppUiState::GetInstance()->m_nState;
    SetDefaults();
    m_enabledFlag = 0;
}

void CAnalogData::SetDefaults()
{
    const bool jov = !m_notJov;
    m_startMass = jov ? 0 : 1;
    m_stopMass = m_mode == kModeLibrary ? 150 : jov ? 6 : 65;
    m_pressureTop = 1e-5f;
    m_pressureBottom = 1e-10f;
    m_noiseFloor = 2;
    m_cemFlag = 0;
    m_logScale = 1;
    m_pointsPerAmu = m_mode == kModeAnalog ? (jov ? 350 : 10) : 1;
    m_scaleFactor = 1.0f;
    m_backgroundSign = 1;
    m_alarmLevel = m_mode == kModeLibrary ? 9e-6f : 0.0f;
    for (int32_t& v : m_savedState)
        v = 0;
    m_savedState[4] = -1;
    m_title.Empty();
    m_numberOfScans = 2;
    m_option2 = 1;
    m_scanMode = 0;
    m_maxSweepTime = 60.0f;
    m_periodUnits = 0;
    m_plotBackground = kLightGrey;

    const int label = ProfileSize("LabelFontSize", 8);
    const int title = ProfileSize("TitleFontSize", 10);
    const TextStyle styles[5] = {
        {{}, label, 1, 11}, {{}, label, 1, 11}, {{}, label, 0, 11}, {{}, label, 1, 11}, {{}, title, 1, 1}};
    for (int i = 0; i < 5; ++i)
    {
        m_textStyle[i] = styles[i];
        CopyField(m_textStyle[i].face, "Arial");
    }
    m_labelFormat = 1;
    m_labelPrecision = 1;
    CopyField(m_xAxisTitle, "mass");
    CopyField(m_graphTitle, m_mode == kModeAnalog      ? "Analog Scan"
                            : m_mode == kModeHistogram ? "Bargraph Scan"
                                                       : "Library");
    m_traceColours[0] = 12;
    m_traceWidths[0] = 1;
    m_traceStyles[0] = 0;
    m_autoLinearTick = 1;
    m_axisOption2 = 1;
    m_yMinorTicks = 4;
    m_yTickStyle = 3;
    m_xTickStyle = 3;
    m_yMajorGrid = 1;
    m_yGrid[0] = m_yGrid[1] = {3, 2, 0, 0};
    m_yAxisStyle = m_yAxisColour = 0;
    m_xMajorGrid = 0;
    m_xGrid[0] = m_xGrid[1] = {3, 2, 0, 0};
    m_xAxisStyle = m_xAxisColour = 0;
    m_windowBackground = 0x588D63;
    m_painterValue = 4;
    m_comment[0] = '\0';
    m_barWidth = 0.33f;
    m_barColour = m_mode == kModeHistogram ? 0xFF0000 : m_mode == kModeLibrary ? 0x0000FF : 0;
    m_sweepCursorColour = m_mode == kModeAnalog ? 14 : 0;
    m_tempSetHalfCount = 1;
    m_alarmMessageShown = 0;
    m_position = 0;
    m_displayOption3 = 0;
    m_displayOption4 = m_mode == kModeHistogram ? 9 : 0;
    UpdateDerived();
    m_enabledFlag = 1;
}

int32_t CAnalogData::ExpectedPointCount() const
{
    if (m_mode == kModeAnalog)
        return (m_stopMass - m_startMass) * m_pointsPerAmu + 1;
    return m_stopMass - m_startMass + 1;
}

void CAnalogData::UpdateDerived()
{
    m_pointCount = ExpectedPointCount();
    m_traceCount = m_mode == kModeAnalog ? m_pointCount : 1;
    m_linearTick = (m_pressureTop - m_pressureBottom) * 0.1f;
    if (m_pUnits != nullptr)
        CopyField(m_yAxisTitle, m_pUnits->m_szLabel);
    ComputeMassTicks();
}

void CAnalogData::ComputeMassTicks()
{
    const int32_t masses = m_stopMass - m_startMass + 1;
    if (masses < 12)
    {
        m_massTick = 1.0f;
        m_massMinorTicks = 9;
    }
    else if (masses < 30)
    {
        m_massTick = 1.0f;
        m_massMinorTicks = 0;
    }
    else
    {
        const int32_t tick = static_cast<int32_t>(masses * 0.05);
        m_massTick = static_cast<float>(tick);
        m_massMinorTicks = tick - 1;
    }
}

void CAnalogData::SaveState()
{
    const int32_t saved[12] = {m_pointCount, m_startMass,    m_stopMass,        m_noiseFloor,
                               m_cemFlag,    m_pointsPerAmu, m_option2,         m_massMinorTicks,
                               m_xMajorGrid, m_xGrid[0].on,  m_xGrid[0].colour, m_xGrid[0].style};
    std::memcpy(m_savedState, saved, sizeof saved);
    m_xGrid[0].colour = 0;
    m_xGrid[0].style = 0;
    if (m_notJov)
    {
        if (m_tuneMass - 5 > 0)
        {
            m_startMass = m_tuneMass - 5;
            m_stopMass = m_tuneMass + 5;
        }
        else
        {
            m_startMass = 1;
            m_stopMass = 10;
        }
        const int32_t highest = m_pHead != nullptr ? m_pHead->GetMassRange() : m_headValue;
        if (highest > 0 && m_stopMass > highest)
            m_stopMass = highest;
    }
    m_noiseFloor = 1;
    m_xMajorGrid = 1;
    m_xGrid[0].on = 1;
    m_cemFlag = 0;
    m_option2 = 0;
    m_pointsPerAmu = 20;
    m_massMinorTicks = 9;
    m_pointCount = (m_stopMass - m_startMass) * 20 + 1;
}

void CAnalogData::RestoreState()
{
    const int32_t* s = m_savedState;
    m_pointCount = s[0];
    m_startMass = s[1];
    m_stopMass = s[2];
    m_noiseFloor = s[3];
    m_cemFlag = s[4];
    m_pointsPerAmu = s[5];
    m_option2 = s[6];
    m_massMinorTicks = s[7];
    m_xMajorGrid = s[8];
    m_xGrid[0].on = s[9];
    m_xGrid[0].colour = s[10];
    m_xGrid[0].style = s[11];
}

void CAnalogData::UpdateScanTime()
{
    if (!m_pHead || (m_mode != kModeAnalog && m_mode != kModeHistogram))
        return;
    const double seconds =
        m_mode == kModeAnalog
            ? m_pHead->EstimateAnalogScanTime(m_startMass, m_stopMass, m_pointsPerAmu, m_noiseFloor)
            : m_pHead->EstimateHistogramScanTime(m_startMass, m_stopMass, m_noiseFloor);
    m_sweepTime = static_cast<float>(std::trunc(seconds + 3.0));
    if (m_sweepTime > m_maxSweepTime)
        m_maxSweepTime = m_sweepTime;
}

CAnalogData* CAnalogData::Clone() const
{
    auto* copy = new CAnalogData();
    // Every field is a plain value but the CStrings, which copy by assignment.
    copy->m_pUnits = m_pUnits;
    copy->m_mode = m_mode;
    copy->m_pointCount = m_pointCount;
    copy->m_startMass = m_startMass;
    copy->m_stopMass = m_stopMass;
    copy->m_pressureTop = m_pressureTop;
    copy->m_pressureBottom = m_pressureBottom;
    copy->m_noiseFloor = m_noiseFloor;
    copy->m_cemFlag = m_cemFlag;
    copy->m_logScale = m_logScale;
    copy->m_pointsPerAmu = m_pointsPerAmu;
    copy->m_scaleFactor = m_scaleFactor;
    copy->m_backgroundSign = m_backgroundSign;
    copy->m_alarmLevel = m_alarmLevel;
    copy->m_enabledFlag = m_enabledFlag;
    std::memcpy(copy->m_savedState, m_savedState, sizeof m_savedState);
    copy->m_title = m_title;
    copy->m_tuneMass = m_tuneMass;
    copy->m_sweepTime = m_sweepTime;
    copy->m_numberOfScans = m_numberOfScans;
    copy->m_option2 = m_option2;
    copy->m_scanMode = m_scanMode;
    copy->m_maxSweepTime = m_maxSweepTime;
    copy->m_periodUnits = m_periodUnits;
    copy->m_uiValue = m_uiValue;
    copy->m_plotBackground = m_plotBackground;
    for (int i = 0; i < 5; ++i)
    {
        copy->m_textStyle[i] = m_textStyle[i];
        CopyField(copy->m_textStyle[i].face, m_textStyle[i].face);
    }
    copy->m_labelFormat = m_labelFormat;
    copy->m_labelPrecision = m_labelPrecision;
    CopyField(copy->m_xAxisTitle, m_xAxisTitle);
    CopyField(copy->m_yAxisTitle, m_yAxisTitle);
    CopyField(copy->m_graphTitle, m_graphTitle);
    std::memcpy(copy->m_traceColours, m_traceColours, sizeof m_traceColours);
    std::memcpy(copy->m_traceWidths, m_traceWidths, sizeof m_traceWidths);
    std::memcpy(copy->m_traceStyles, m_traceStyles, sizeof m_traceStyles);
    copy->m_autoLinearTick = m_autoLinearTick;
    copy->m_axisOption2 = m_axisOption2;
    copy->m_linearTick = m_linearTick;
    copy->m_yMinorTicks = m_yMinorTicks;
    copy->m_massTick = m_massTick;
    copy->m_massMinorTicks = m_massMinorTicks;
    copy->m_yTickStyle = m_yTickStyle;
    copy->m_xTickStyle = m_xTickStyle;
    copy->m_yMajorGrid = m_yMajorGrid;
    copy->m_yGrid[0] = m_yGrid[0];
    copy->m_yGrid[1] = m_yGrid[1];
    copy->m_yAxisStyle = m_yAxisStyle;
    copy->m_yAxisColour = m_yAxisColour;
    copy->m_xMajorGrid = m_xMajorGrid;
    copy->m_xGrid[0] = m_xGrid[0];
    copy->m_xGrid[1] = m_xGrid[1];
    copy->m_xAxisStyle = m_xAxisStyle;
    copy->m_xAxisColour = m_xAxisColour;
    copy->m_windowBackground = m_windowBackground;
    copy->m_painterValue = m_painterValue;
    copy->m_traceCount = m_traceCount;
    CopyField(copy->m_comment, m_comment);
    copy->m_barWidth = m_barWidth;
    copy->m_barColour = m_barColour;
    copy->m_sweepCursorColour = m_sweepCursorColour;
    copy->m_tempSetHalfCount = m_tempSetHalfCount;
    copy->m_alarmMessageShown = m_alarmMessageShown;
    copy->m_position = m_position;
    copy->m_displayOption3 = m_displayOption3;
    copy->m_displayOption4 = m_displayOption4;
    copy->m_displayOption5 = m_displayOption5;
    copy->m_optionWord = m_optionWord;
    copy->m_triggerPeriod = m_triggerPeriod;
    copy->m_barScale = m_barScale;
    std::memcpy(copy->m_extra, m_extra, sizeof m_extra);
    for (int i = 0; i < 5; ++i)
        copy->m_strings[i] = m_strings[i];
    copy->m_limitHigh = m_limitHigh;
    copy->m_limitLow = m_limitLow;
    copy->m_notJov = m_notJov;
    copy->m_headValue = m_headValue;
    copy->m_pHead = m_pHead;
    return copy;
}

int32_t CAnalogData::GetHeadMassRange() const
{
    return m_pHead != nullptr ? m_pHead->GetMassRange() : 0;
}

int32_t CAnalogData::GetHeadGainMass() const
{
    return m_pHead != nullptr ? m_pHead->GetGainMass() : 0;
}

void CAnalogData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        SerializeFields(ar);
        return;
    }
    // The units and the head belong to the document: what this record's file brought goes again
    // when the rest of the record cannot be read (a unit's head is not its own either).
    const DWORD mark = ar.GetLoadMark();
    try
    {
        SerializeFields(ar);
    }
    catch (...)
    {
        CHead* unitsHead = m_pUnits != nullptr ? m_pUnits->m_pHead : nullptr;
        if (m_pUnits != nullptr && ar.IsLoadedSince(m_pUnits, mark))
        {
            ar.DeleteLoadedObject(m_pUnits);
            m_pUnits = nullptr;
        }
        if (m_pHead != nullptr && ar.IsLoadedSince(m_pHead, mark))
        {
            if (unitsHead == m_pHead)
                unitsHead = nullptr;
            ar.DeleteLoadedObject(m_pHead);
            m_pHead = nullptr;
        }
        if (unitsHead != nullptr && ar.IsLoadedSince(unitsHead, mark))
            ar.DeleteLoadedObject(unitsHead);
        throw;
    }
}

void CAnalogData::SerializeFields(CArchive& ar)
{
    SerializeReference(ar, m_pUnits, RUNTIME_CLASS(CUnits));
    for (int32_t* v : {&m_mode, &m_pointCount, &m_startMass, &m_stopMass})
        SerializeInt(ar, *v);
    SerializeFloat(ar, m_pressureTop);
    SerializeFloat(ar, m_pressureBottom);
    for (int32_t* v : {&m_noiseFloor, &m_cemFlag, &m_logScale, &m_pointsPerAmu})
        SerializeInt(ar, *v);
    SerializeFloat(ar, m_scaleFactor);
    SerializeInt(ar, m_backgroundSign);
    for (int i = 0; i < 10; ++i)
        SerializeInt(ar, m_savedState[i]);
    if (ar.IsStoring())
        ar << m_title;
    else
        ar >> m_title;
    SerializeInt(ar, m_tuneMass);
    SerializeFloat(ar, m_sweepTime);
    for (int32_t* v : {&m_numberOfScans, &m_option2, &m_scanMode})
        SerializeInt(ar, *v);
    SerializeFloat(ar, m_maxSweepTime);
    SerializeInt(ar, m_periodUnits);
    SerializeInt(ar, m_plotBackground);
    for (int i = 0; i < 5; ++i)
    {
        TextStyle& style = m_textStyle[i];
        SerializeText(ar, style.face);
        for (int32_t* v : {&style.size, &style.style, &style.colour})
            SerializeInt(ar, *v);
        if (i == 1)
        {
            if (ar.IsStoring())
                ar << static_cast<WORD>(m_labelFormat);
            else
            {
                WORD format = 0;
                ar >> format;
                m_labelFormat = format;
            }
            SerializeInt(ar, m_labelPrecision);
        }
    }
    SerializeText(ar, m_xAxisTitle);
    SerializeText(ar, m_yAxisTitle);
    SerializeText(ar, m_graphTitle);
    for (int32_t* pair : {m_traceColours, m_traceWidths, m_traceStyles})
        for (int i = 0; i < 2; ++i)
            SerializeInt(ar, pair[i]);
    SerializeInt(ar, m_autoLinearTick);
    SerializeInt(ar, m_axisOption2);
    SerializeFloat(ar, m_linearTick);
    SerializeInt(ar, m_yMinorTicks);
    SerializeFloat(ar, m_massTick);
    for (int32_t* v : {&m_massMinorTicks, &m_yTickStyle, &m_xTickStyle, &m_yMajorGrid})
        SerializeInt(ar, *v);
    for (GridLine& line : m_yGrid)
        for (int32_t* v : {&line.colour, &line.style, &line.width, &line.on})
            SerializeInt(ar, *v);
    for (int32_t* v : {&m_yAxisStyle, &m_yAxisColour, &m_xMajorGrid})
        SerializeInt(ar, *v);
    for (GridLine& line : m_xGrid)
        for (int32_t* v : {&line.colour, &line.style, &line.width, &line.on})
            SerializeInt(ar, *v);
    for (int32_t* v : {&m_xAxisStyle, &m_xAxisColour, &m_windowBackground, &m_painterValue, &m_traceCount})
        SerializeInt(ar, *v);
    SerializeText(ar, m_comment);
    SerializeFloat(ar, m_barWidth);
    for (int32_t* v : {&m_barColour, &m_sweepCursorColour, &m_tempSetHalfCount, &m_alarmMessageShown})
        SerializeInt(ar, *v);
    SerializeFloat(ar, m_limitHigh);
    SerializeFloat(ar, m_limitLow);
    SerializeInt(ar, m_notJov);
    SerializeInt(ar, m_headValue);
    SerializeReference(ar, m_pHead, RUNTIME_CLASS(CHead));
    SerializeInt(ar, m_position);
    SerializeInt(ar, m_displayOption3);
    SerializeFloat(ar, m_alarmLevel);
    SerializeInt(ar, m_displayOption4);
    if (ar.IsStoring())
        WriteInt(ar, m_enabledFlag);
    else
        m_enabledFlag = ReadInt(ar) == 1 ? 1 : 0;
    SerializeInt(ar, m_optionWord);
    SerializeFloat(ar, m_triggerPeriod);
    SerializeFloat(ar, m_barScale);
    for (int32_t& v : m_extra)
        SerializeInt(ar, v);
    for (CString& text : m_strings)
    {
        if (ar.IsStoring())
            ar << text;
        else
            ar >> text;
    }
    if (ar.IsStoring())
        return;

    // What the scans and displays size their arrays by is checked here: a damaged range, a
    // resolution or a point count that does not fit gives the defaults' range.
    if (m_startMass < 0 || m_stopMass > 300 || m_startMass >= m_stopMass)
    {
        m_startMass = 1;
        m_stopMass = 100;
    }
    if (m_mode != kModeAnalog && m_mode != kModeHistogram)
        m_mode = kModeLibrary;
    if (m_pointsPerAmu < 1 || m_pointsPerAmu > 350)
        m_pointsPerAmu = m_mode == kModeAnalog ? 10 : 1;
    if (m_noiseFloor < 0 || m_noiseFloor > 7)
        m_noiseFloor = 2;
    if (m_numberOfScans < 1 || m_numberOfScans > 1000)
        m_numberOfScans = 2;
    if (m_periodUnits < 0 || m_periodUnits > 1)
        m_periodUnits = 0;
    if (m_scanMode < 0 || m_scanMode > 3)
        m_scanMode = 0;
    if (m_position < 0 || m_position > 2)
        m_position = 0;
    if (!std::isfinite(m_scaleFactor))
        m_scaleFactor = 1.0f;
    if (!std::isfinite(m_triggerPeriod) || m_triggerPeriod < 0.0f)
        m_triggerPeriod = 60.0f;
    const int32_t expected = ExpectedPointCount();
    if (m_pointCount != expected)
        m_pointCount = expected;
    if (m_mode == kModeAnalog && m_traceCount != m_pointCount)
        m_traceCount = m_pointCount;
}
