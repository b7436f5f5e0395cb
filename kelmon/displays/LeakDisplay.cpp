#include "displays/LeakDisplay.h"

#include "dialogs/AlarmLinesDlg.h"
#include "dialogs/AxisLabelsDlg.h"
#include "dialogs/ChartDlgSupport.h"
#include "dialogs/LeakAlarmAttributesDlg.h"
#include "dialogs/LineParametersDlg.h"
#include "dialogs/TextParametersDlg.h"
#include "dialogs/TraceColorDlg.h"
#include "dialogs/TraceLinePropertiesDlg.h"
#include "dialogs/XAxisDlg.h"
#include "dialogs/YAxisDlg.h"
#include "displays/ChartHost.h"
#include "displays/DisplaySupport.h"
#include "displays/LayoutFile.h"
#include "displays/LeakGraphPainters.h"
#include "doc/KelDoc.h"
#include "doc/LeakData.h"
#include "foundation/AppUiState.h"
#include "scans/LeakScans.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

IMPLEMENT_SERIAL(CLeakDisplay, CDisplay, 1)

namespace
{
using L = LeakLayout;

constexpr float kLogFloor = 1e-12f;
constexpr float kTinyValue = 1e-20f;
constexpr float kSpanMinimum = 1e-20f;

int WholePart(float v)
{
    return static_cast<int>(v);
}

// The alarm kinds of the data set and the settings' fields of each.
struct AlarmField
{
    int kind;
    int level;
    int message;
    int enable; // -1: always enabled (the normal state)
};
// In the order the display sets them after a change: Low-low, Low, High, High-high, normal.
constexpr AlarmField kAlarms[5] = {
    {4, CLeakData::kLowLow, CLeakData::kMessageLowLow, CLeakData::kLowLowEnabled},
    {2, CLeakData::kLow, CLeakData::kMessageLow, CLeakData::kLowEnabled},
    {1, CLeakData::kHigh, CLeakData::kMessageHigh, CLeakData::kHighEnabled},
    {3, CLeakData::kHighHigh, CLeakData::kMessageHighHigh, CLeakData::kHighHighEnabled},
    {0, CLeakData::kReference, CLeakData::kMessageNormal, -1}};

ChartFont FontOf(const LeakFontRecord& record, int colour)
{
    ChartFont font;
    font.nSize = record.size;
    font.strFaceName = record.face;
    font.SetStyleWord(L::StyleBits(record));
    font.nColourIndex = colour;
    font.crColour = WGGetRGBColor(colour);
    return font;
}

void StoreFont(LeakFontRecord& record, const ChartFont& font)
{
    std::snprintf(record.face, sizeof record.face, "%s", static_cast<LPCTSTR>(font.strFaceName));
    record.size = font.nSize;
    record.weight = font.StyleWord();
    record.colour = font.nColourIndex;
}

void ApplyFont(GrDesc* graph, int object, const ChartFont& font)
{
    WGChangeFont(graph, object, font.strFaceName.IsEmpty() ? nullptr : static_cast<LPCTSTR>(font.strFaceName),
                 font.nSize, 0, font.bBold ? 700 : 400, font.bItalic, font.bUnderline);
    WGChangeTextColor(graph, object, font.nColourIndex);
}

void ApplyLine(GrDesc* graph, int object, const LineAttributes& line)
{
    WGChangeLineStyle(graph, object, line.nStyle, 0);
    WGChangeLineColor(graph, object, line.nColour, 0);
    WGChangeLineWidth(graph, object, line.nWidth, 0);
}

// The font of an object as the size fitting needs it: face and style bits.
struct ObjectFont
{
    std::string face;
    int weight = 400, italic = 0, underline = 0;
    int Flags() const { return (weight >= 700 ? 1 : 0) | (italic ? 2 : 0) | (underline ? 4 : 0); }
};

ObjectFont FontOfObject(GrDesc* graph, int object)
{
    ObjectFont font;
    const char* face = WGGetFontName(graph, object);
    font.face = face != nullptr ? face : "Arial";
    font.weight = WGGetFontWeight(graph, object);
    font.italic = WGGetFontItal(graph, object);
    font.underline = WGGetFontUnder(graph, object);
    return font;
}
} // namespace

// =============================================================================================
// Construction

CLeakDisplay::CLeakDisplay()
{
    m_nKind = 2;
}

CLeakDisplay::CLeakDisplay(CLeakData* settings, CKelDoc* document)
{
    m_nKind = 2;
    m_pSettings = settings;
    m_pDocument = document;
    BuildPage();
}

CLeakDisplay::~CLeakDisplay()
{
    ClosePage();
}

CLeakData* CLeakDisplay::Settings() const
{
    return static_cast<CLeakData*>(m_pSettings);
}

void CLeakDisplay::MarkModified()
{
    if (CKelDoc* doc = GetDocument())
        doc->SetModifiedFlag(TRUE);
}

int CLeakDisplay::ClosePage()
{
    const int sets[2] = {m_nDataSet, m_nBarSet};
    if (!CDisplay::ClosePage())
        return 0;
    m_pBarGraph = nullptr;
    for (int slot : sets)
        if (slot != 0)
            WRFreeDynDataSet(slot);
    m_nDataSet = m_nBarSet = 0;
    m_nHistoryShown = 0;
    return 1;
}

// =============================================================================================
// The page

int CLeakDisplay::BuildPage()
{
    CLeakData* s = Settings();
    if (s == nullptr)
        return 0;
    delete m_pLayoutItems;
    m_pLayoutItems = new CLayoutFile(this);
    m_bHasData = 0;
    m_nHistoryShown = 0;

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;

    MakePageName();
    std::strncat(m_szPageName, "Leak", sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    if (m_nLoadedCount == 0)
    {
        s->UpdateTimeAxis();
        // Without a run held, the time axis spans one screen of the time per reading in force.
        if (m_values.empty() && s->m_bAutoTimeAxis)
            L::SetXRange(*s, 0.0f, std::max(1.0f, L::ScreenSpan(*s)));
    }
    if (!(L::XMaximum(*s) > L::XMinimum(*s)))
        L::SetXRange(*s, 0.0f, std::max(1.0f, L::ScreenSpan(*s)));
    std::snprintf(m_szGraphName, sizeof m_szGraphName, "%s.Leak#1", m_szPageName);

    CLeakGraphPainter painter(s, m_szGraphName);
    CLeakBarPainter barPainter(s, m_szGraphName);
    CLeakPageBuilder builder(&painter, &barPainter, L::WindowBackground(*s));

    UpdateXStep();
    m_nShownStart = WholePart(L::XMinimum(*s));
    m_nShownEnd = WholePart(L::XMaximum(*s));
    if (!OpenGraphPage(view, builder, WS_CLIPSIBLINGS))
        return 0;
    m_pBarGraph = builder.m_pBarGraph;

    m_graphTitle = painter.m_title;
    m_trace = painter.m_trace;
    m_xLabels = painter.m_xLabels;
    m_yLabels = painter.m_yLabels;
    m_xTitle = painter.m_xTitle;
    m_yTitle = painter.m_yTitle;
    m_xAxis = painter.m_xAxis;
    m_yAxis = painter.m_yAxis;
    m_rightAxis = painter.m_rightAxis;
    std::copy(std::begin(painter.m_grids), std::end(painter.m_grids), m_grids);
    m_alarmLines = painter.m_alarmLines;
    m_alarmMarks = painter.m_alarmMarks;
    m_alarmText = painter.m_alarmText;
    m_nDataSet = painter.m_nDataSet;
    m_message = painter.m_message;
    m_caption = painter.m_caption;
    m_dataCursor = painter.m_dataCursor;
    m_readout = painter.m_readout;
    std::memcpy(m_plotArea, painter.m_plotArea, sizeof m_plotArea);
    m_nBarSet = barPainter.m_nDataSet;
    m_bars = barPainter.m_bars;
    m_barXAxis = barPainter.m_xAxis;
    m_barYAxis = barPainter.m_yAxis;
    m_barLabels = barPainter.m_labels;

    WGEnableObjActivation(m_pGraph, m_readout, TRUE);
    WGShowObject(m_pGraph, m_readout, m_bCursorShown ? TRUE : FALSE);
    m_pLayoutItems->AddText(m_readout);
    for (uint16_t object : {m_xTitle, m_yTitle, m_graphTitle})
    {
        WGEnableObjActivation(m_pGraph, object, TRUE);
        m_pLayoutItems->AddText(object);
    }
    ArrangeLabels();
    SetTimeRange(L::XMinimum(*s), L::XMaximum(*s));
    RefreshReadout();
    WRSetBitExclusive(m_nDataSet, 0, m_pGraph);
    return 1;
}

BOOL CLeakDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Rebuild(); });
    // The new page's data sets start empty: the run held is drawn back into them.
    if (!CDisplay::Rebuild())
        return FALSE;
    Replay();
    return TRUE;
}

BOOL CLeakDisplay::Redraw()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Redraw(); });
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage) || m_pGraph == nullptr)
        return 0;
    WGRedrawGraph(m_pGraph, FALSE);
    if (m_pBarGraph != nullptr)
        WGRedrawGraph(m_pBarGraph, FALSE);
    return 1;
}

void CLeakDisplay::RestoreValueAxes()
{
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    if (m_pGraph != nullptr && WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept))
        PlaceValueAxes(start, end, FALSE);
}

void CLeakDisplay::PlaceValueAxes(float start, float end, BOOL redraw)
{
    // Axes that cross share their crossing: the right axis is placed first, and the value axis
    // then takes the time axis's crossing back to the start.
    WGChangeAxisIntercept(m_pGraph, m_rightAxis, end, FALSE);
    WGChangeAxisIntercept(m_pGraph, m_yAxis, start, redraw);
}

void CLeakDisplay::UpdateXStep()
{
    const CLeakData* s = Settings();
    if (s == nullptr)
        return;
    const int points = std::max(1, static_cast<int>(s->m_nTimeAxisPoints));
    m_fSecondsPerPoint = (L::XMaximum(*s) - L::XMinimum(*s)) / static_cast<float>(points);
    if (!(m_fSecondsPerPoint > 0.0f))
        m_fSecondsPerPoint = L::TimePerReading(*s);
}

// =============================================================================================
// Readings

void CLeakDisplay::ShowValue(float displayed, bool toggle)
{
    char text[32];
    FormatShortValue(text, sizeof text, displayed);
    if (toggle)
        m_nBlink ^= 1;
    WRChangeMessage(m_pGraph, m_message, text, Settings() != nullptr ? L::TraceColour(*Settings()) : 0,
                    m_nBlink);
    WRSetBitExclusive(m_nDataSet, m_nBlink, m_pGraph);
}

void CLeakDisplay::FeedHistory(float time, float value)
{
    const float pair[2] = {time, value};
    if (m_nDataSet != 0)
        WRUpdateData(m_nDataSet, pair, nullptr);
    if (m_nBarSet != 0)
        WRUpdateData(m_nBarSet, &value, nullptr);
}

void CLeakDisplay::UpdateData(void* record, int /*arg*/)
{
    if (record == nullptr)
        return;
    const auto* r = static_cast<const LeakPointRecord*>(record);
    TakeReading(r->seconds, r->value);
}

void CLeakDisplay::TakeReading(float time, float value)
{
    CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr || m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return;
    // A new run: its readings alone are held and counted.
    if (m_nSampleCounter.load() < 1)
    {
        m_values.clear();
        m_times.clear();
        m_nStoredCount = 0;
    }
    FeedHistory(time, value);
    m_times.push_back(time);
    m_values.push_back(value);
    if (m_nStoredCount < s->m_nMaxPoints)
        ++m_nStoredCount;

    float displayed = value;
    if (!L::RawPressure(*s))
        displayed *= CAppSettings::GetInstance()->m_leakFactor;
    ShowValue(displayed, true);

    // The time axis moves on by half a window when the trace reaches its end.
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    const size_t held = m_times.size();
    if (held >= 2 && time >= end && m_times[held - 2] < end)
    {
        const float newStart = static_cast<float>(WholePart(start + end) / 2);
        const float newEnd = static_cast<float>(WholePart(end + (end - start) * 0.5f));
        WGChangeAxisRange(m_pGraph, m_xAxis, newStart, newEnd, TRUE);
        PlaceValueAxes(newStart, newEnd, TRUE);
        L::SetFloat(*s, L::kXMaximum, newEnd);
        m_nShownStart = WholePart(newStart);
        m_nShownEnd = WholePart(newEnd);
    }
    if (time > L::XMaximum(*s))
        L::SetFloat(*s, L::kXMaximum, time);

    if (m_bCursorShown && held >= 2 && m_times[held - 2] <= m_fCursorTime && m_fCursorTime <= time)
        TrackMouseCursor(m_pGraph, 0, 0);

    m_bHasData = 1;
    bool extreme = false;
    if (value > m_fDataMax)
    {
        m_fDataMax = value;
        extreme = true;
    }
    if (value < m_fDataMin)
    {
        m_fDataMin = value;
        extreme = true;
    }
    if (extreme && s->m_bAutoscale)
        AutoScale();
}

int CLeakDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    const CLeakData* s = Settings();
    if (values == nullptr || capacity <= 0 || s == nullptr || m_nDataSet == 0)
        return 0;
    const int count = std::min(capacity, static_cast<int>(s->m_nMaxPoints));
    return WRGetHistData(m_nDataSet, 1, values, static_cast<UINT>(count), count);
}

int CLeakDisplay::GetValueBuffer(float** buffer)
{
    if (buffer != nullptr)
        *buffer = m_times.empty() ? nullptr : m_times.data();
    return m_times.empty() ? 0 : 1;
}

int CLeakDisplay::GetValueCount()
{
    return static_cast<int>(m_values.size());
}

float CLeakDisplay::GetValueAt(int index)
{
    return index >= 0 && index < static_cast<int>(m_values.size()) ? m_values[static_cast<size_t>(index)]
                                                                   : 0.0f;
}

float CLeakDisplay::GetSecondValueAt(int index)
{
    return index >= 0 && index < static_cast<int>(m_times.size()) ? m_times[static_cast<size_t>(index)]
                                                                  : 0.0f;
}

int CLeakDisplay::RefreshReadout()
{
    const CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    char caption[96];
    if (L::RawPressure(*s))
        std::snprintf(caption, sizeof caption, "%s", s->m_szCaption);
    else
        std::snprintf(caption, sizeof caption, "%s (%s*L/s)", s->m_szCaption,
                      s->m_pUnits != nullptr ? s->m_pUnits->m_szUnitName : "");
    WGChangeString(m_pGraph, m_caption, caption, 0);
    WGRedrawObject(m_pGraph, m_caption, FALSE);
    if (!m_values.empty())
    {
        float displayed = m_values.back();
        if (!L::RawPressure(*s))
            displayed *= CAppSettings::GetInstance()->m_leakFactor;
        ShowValue(displayed, false);
        WGRedrawObject(m_pGraph, m_message, FALSE);
    }
    return 1;
}

BOOL CLeakDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    CLeakData* s = Settings();
    if (s == nullptr)
        return 0;
    // The read-out shows a zero reading; the trace and the history start empty.
    TakeReading(0.0f, 0.0f);
    if (m_pGraph != nullptr && m_trace != 0)
        WRResetScroll(m_pGraph, m_trace);
    if (m_nDataSet != 0)
        WRResetHistBuffer(m_nDataSet);
    m_nHistoryShown = 0;
    L::SetXRange(*s, 0.0f, L::TimePerReading(*s) * 600.0f);
    m_values.clear();
    m_times.clear();
    if (s->m_bAutoTimeAxis)
        SetTimeRange(L::XMinimum(*s), L::XMaximum(*s));
    else
        SetTimeRange(static_cast<float>(m_nShownStart), static_cast<float>(m_nShownEnd));
    m_nStoredCount = 0;
    m_bHasData = 0;
    m_fDataMin = FLT_MAX;
    m_fDataMax = -FLT_MAX;
    return 1;
}

BOOL CLeakDisplay::ShowScanData(const float* values)
{
    if (values != nullptr)
        return 1;
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ShowScanData(nullptr); });
    // The run read from the document is held in the display's arrays.
    const int count =
        std::min({m_nLoadedCount, static_cast<int>(m_values.size()), static_cast<int>(m_times.size())});
    if (count > 0 && m_pGraph != nullptr)
    {
        for (int i = 0; i < count; ++i)
            FeedHistory(m_times[static_cast<size_t>(i)], m_values[static_cast<size_t>(i)]);
        // The last reading as it was stored: the leak factor is not applied here.
        ShowValue(m_values[static_cast<size_t>(count - 1)], true);
        m_bHasData = 1;
        m_nStoredCount = count;
    }
    else
    {
        m_bHasData = 0;
        m_nStoredCount = 0;
    }
    m_nLoadedCount = 0;
    return 1;
}

void CLeakDisplay::ResetHistory()
{
    CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return;
    WRResetScroll(m_pGraph, m_trace);
    m_nHistoryShown = 0;
    if (m_nDataSet != 0)
        WRResetHistBuffer(m_nDataSet);
    const float step = L::TimePerReading(*s);
    for (size_t i = 0; i < m_values.size(); ++i)
    {
        if (s->m_pUnits != nullptr)
            s->m_pUnits->Convert(m_values[i]);
        FeedHistory(static_cast<float>(i) * step, m_values[i]);
    }
}

// =============================================================================================
// Units and scales

void CLeakDisplay::ApplyAlarms(bool fromSettings)
{
    const CLeakData* s = Settings();
    if (s == nullptr || m_nDataSet == 0)
        return;
    for (const AlarmField& alarm : kAlarms)
    {
        const int enable = alarm.enable < 0 || !fromSettings ? 1 : (s->m_alarmFlag[alarm.enable] ? 1 : 0);
        WRChangeAlarm(m_nDataSet, alarm.kind, s->m_alarmLevel[alarm.level], enable,
                      s->m_alarmMessage[alarm.message]);
    }
}

int CLeakDisplay::OnUnitsChanged(int /*flag*/)
{
    CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    if (!WGChangeString(m_pGraph, m_yTitle, s->m_pUnits != nullptr ? s->m_pUnits->m_szLabel : "", 0))
        return 0;
    WGRedrawObject(m_pGraph, m_yTitle, FALSE);
    const float tick =
        s->GetValueTick() > 0.0f ? s->GetValueTick() : (s->m_fScaleTop - s->m_fScaleBottom) * 0.1f;
    const int minor = L::Word(*s, L::kYMinorTicks), style = L::Word(*s, L::kYTickStyle);
    for (uint16_t axis : {m_yAxis, m_rightAxis})
    {
        WGChangeAxisRange(m_pGraph, axis, s->m_fScaleBottom, s->m_fScaleTop, FALSE);
        WGChangeAxisTicks(m_pGraph, axis, tick, minor, axis == m_yAxis ? style : 1);
    }
    WGChangeAxisIntercept(m_pGraph, m_xAxis, s->m_fScaleBottom, FALSE);
    // A unit change keeps each alarm as the settings enable it.
    ApplyAlarms(true);
    if (m_pBarGraph != nullptr)
    {
        WGChangeAxisRange(m_pBarGraph, m_barYAxis, s->m_fScaleBottom, s->m_fScaleTop, FALSE);
        WGChangeAxisTicks(m_pBarGraph, m_barYAxis, tick, minor, 2);
        WGChangeAxisIntercept(m_pBarGraph, m_barXAxis, s->m_fScaleBottom, FALSE);
    }
    RestoreValueAxes();
    ResetHistory();
    RefreshReadout();
    Redraw();
    return 1;
}

int CLeakDisplay::IsLogScale()
{
    return Settings() != nullptr ? L::LogScale(*Settings()) : 0;
}

int CLeakDisplay::SetLogScale(int log)
{
    CLeakData* s = Settings();
    if (s == nullptr)
        return 0;
    s->m_bLogScale = log ? 1 : 0;
    float top = s->m_fScaleTop, bottom = s->m_fScaleBottom;
    if (log)
    {
        if (bottom <= 0.0f)
            bottom = kLogFloor;
        if (top < 0.0f)
            top = L::SavedTop(*s);
        if (bottom < kTinyValue)
            bottom = kTinyValue;
        if (!(bottom < top))
        {
            top = L::SavedTop(*s);
            bottom = kLogFloor;
        }
    }
    s->m_fScaleTop = top;
    s->m_fScaleBottom = bottom;
    const float span = top - bottom;
    float tick = s->GetValueTick();
    if (L::Word(*s, L::kAutoTick) || !(tick > 0.0f))
        tick = span * 0.1f;
    else if (span / tick > 20.0f)
        tick = span * 0.05f;
    else if (span / tick < 1.0f)
        tick = span * 0.1f;
    s->SetValueTick(tick);
    if (m_pGraph == nullptr)
        return 1;
    const int minor = L::Word(*s, L::kYMinorTicks), style = L::Word(*s, L::kYTickStyle);
    struct
    {
        GrDesc* graph;
        uint16_t axis;
        int ticks;
    } axes[3] = {{m_pGraph, m_yAxis, style}, {m_pGraph, m_rightAxis, 1}, {m_pBarGraph, m_barYAxis, 2}};
    for (const auto& a : axes)
    {
        if (a.graph == nullptr || a.axis == 0)
            continue;
        WGChangeAxisRange(a.graph, a.axis, bottom, top, FALSE);
        WGChangeAxisScale(a.graph, a.axis, log ? 1 : 0, FALSE);
        WGChangeAxisRange(a.graph, a.axis, bottom, top, FALSE);
        WGChangeAxisTicks(a.graph, a.axis, tick, minor, a.ticks);
    }
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, TRUE);
    RestoreValueAxes();
    if (m_pBarGraph != nullptr)
        WGChangeAxisIntercept(m_pBarGraph, m_barXAxis, bottom, TRUE);
    Redraw();
    return 1;
}

BOOL CLeakDisplay::GetValueRange(float start, float end, float* minimum, float* maximum) const
{
    if (m_times.empty() || !(end > start))
        return FALSE;
    const size_t first =
        static_cast<size_t>(std::lower_bound(m_times.begin(), m_times.end(), start) - m_times.begin());
    const size_t last =
        std::min(static_cast<size_t>(std::upper_bound(m_times.begin(), m_times.end(), end) - m_times.begin()),
                 m_values.size());
    if (first >= last)
        return FALSE;
    const auto [low, high] = std::minmax_element(m_values.begin() + static_cast<long>(first),
                                                 m_values.begin() + static_cast<long>(last));
    *minimum = *low;
    *maximum = *high;
    return TRUE;
}

int CLeakDisplay::AutoScale()
{
    CLeakData* s = Settings();
    if (!m_bHasData || s == nullptr || m_pGraph == nullptr)
        return 1;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    float minimum = 0.0f, maximum = 0.0f;
    if (!GetValueRange(start, end, &minimum, &maximum))
        return 1;
    const bool log = WGGetAxisScale(m_pGraph, m_yAxis) == 1;
    if (log)
    {
        // The values are in the unit in force: whole decades of it.
        float lower = minimum, upper = maximum;
        if (RoundAxisRange(minimum, maximum, &lower, &upper, L::LowestExponent(*s)))
        {
            minimum = lower;
            maximum = upper;
        }
    }
    if (maximum == 0.0f || maximum == minimum || (maximum <= 0.0f && minimum <= 0.0f))
        return 1;
    if (minimum < -1.0f)
        minimum = 0.0f;
    float top = 0.0f, bottom = 0.0f;
    const float span = maximum - minimum;
    if (!log)
    {
        top = maximum + 0.05f * span;
        bottom = minimum - 0.02f * span;
    }
    else
    {
        top = maximum * 1.05f * 10.0f;
        bottom = std::max(0.0f, minimum * 0.98f * 0.1f);
        if (top < 0.0f)
            return 0;
    }
    s->m_fScaleTop = top;
    s->m_fScaleBottom = bottom;
    const float tick = std::fabs(top - bottom) * 0.1f;
    s->SetValueTick(tick);
    if (!WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE) ||
        !WGChangeAxisRange(m_pGraph, m_rightAxis, bottom, top, FALSE))
        return 0;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, tick, 4, 1);
    WGChangeAxisTicks(m_pGraph, m_rightAxis, tick, 4, 1);
    if (m_pBarGraph != nullptr)
    {
        if (!WGChangeAxisRange(m_pBarGraph, m_barYAxis, bottom, top, FALSE))
            return 0;
        WGChangeAxisIntercept(m_pBarGraph, m_barXAxis, bottom, FALSE);
        WGChangeAxisTicks(m_pBarGraph, m_barYAxis, tick, 4, 2);
        WGRedrawGraph(m_pBarGraph, FALSE);
    }
    RestoreValueAxes();
    WGRedrawGraph(m_pGraph, FALSE);
    MoveCursor();
    return 1;
}

int CLeakDisplay::FullScale()
{
    const CLeakData* s = Settings();
    if (s == nullptr)
        return 0;
    return SetTimeRange(L::XMinimum(*s), L::XMaximum(*s));
}

// =============================================================================================
// Time axis

float CLeakDisplay::ComputeTimeTicks(float span)
{
    float digitsWidth = 0.0f, height = 0.0f;
    if (m_pGraph != nullptr && Settings() != nullptr)
    {
        HWND window = WGGetGraphWindow(m_pGraph);
        HDC dc = GetDC(window);
        L::UseFont(Settings()->m_font[L::kFontXLabels], 0);
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 10, &digitsWidth, &height);
        ReleaseDC(window, dc);
    }
    const float plotWidth = m_plotArea[1] - m_plotArea[0];
    float step = span, best = -FLT_MAX;
    for (int k = 1; k <= 51; ++k)
    {
        const float interval = static_cast<float>(WholePart(span / static_cast<float>(k)));
        if (interval < 1.0f)
            break;
        const float remainder = span - interval * static_cast<float>(k);
        const float score = static_cast<float>(k) - remainder;
        if (score > best)
        {
            best = score;
            step = interval;
        }
        // Eight characters a label, at a tenth of the ten digits' width each.
        if (static_cast<float>(8 * k) * digitsWidth * 0.1f > 0.65f * plotWidth)
            break;
    }
    return std::max(1.0f, step);
}

BOOL CLeakDisplay::SetTimeRange(float start, float end)
{
    const float from = std::round(start), to = std::round(end);
    if (!(to > from) || m_pGraph == nullptr)
        return FALSE;
    const float step = ComputeTimeTicks(to - from);
    WGChangeAxisRange(m_pGraph, m_xAxis, from, to, FALSE);
    WGChangeAxisTicks(m_pGraph, m_xAxis, step, 4, 3);
    PlaceValueAxes(from, to, FALSE);
    WGRedrawGraph(m_pGraph, FALSE);
    MoveCursor();
    m_nShownStart = WholePart(from);
    m_nShownEnd = WholePart(to);
    return TRUE;
}

BOOL CLeakDisplay::ComputeValueTicks(float span, float* step, int* minorTicks)
{
    if (!(span >= kSpanMinimum))
        return FALSE;
    static const float kSeries[9] = {1.0f, 1.25f, 1.5f, 2.0f, 2.5f, 3.0f, 4.0f, 5.0f, 7.5f};
    static const int kMinor[9] = {5, 4, 4, 3, 4, 2, 3, 4, 2};
    const double fifth = static_cast<double>(span) / 5.0;
    const double decade = std::pow(10.0, std::floor(std::log10(fifth)));
    const double mantissa = fifth / decade;
    int chosen = 0;
    for (int i = 0; i < 9; ++i)
        if (kSeries[i] <= mantissa * (1.0 + 1e-6))
            chosen = i;
    *step = static_cast<float>(kSeries[chosen] * decade);
    *minorTicks = kMinor[chosen];
    return TRUE;
}

BOOL CLeakDisplay::ApplyZoomRange(float start, float end, float bottom, float top)
{
    if (m_pGraph == nullptr || !(end > start) || !(top > bottom))
        return FALSE;
    const float from = std::round(start), to = std::round(end);
    if (!(to > from))
        return FALSE;
    WGChangeAxisRange(m_pGraph, m_xAxis, from, to, FALSE);
    WGChangeAxisTicks(m_pGraph, m_xAxis, ComputeTimeTicks(to - from), 4, 3);
    float step = 0.0f;
    int minor = 0;
    if (!ComputeValueTicks(top - bottom, &step, &minor))
        return FALSE;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisRange(m_pGraph, m_rightAxis, bottom, top, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, step, minor, 3);
    WGChangeAxisTicks(m_pGraph, m_rightAxis, step, minor, 1);
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, FALSE);
    PlaceValueAxes(from, to, FALSE);
    if (m_pBarGraph != nullptr)
    {
        WGChangeAxisRange(m_pBarGraph, m_barYAxis, bottom, top, FALSE);
        WGChangeAxisTicks(m_pBarGraph, m_barYAxis, step, minor, 1);
        WGChangeAxisIntercept(m_pBarGraph, m_barXAxis, bottom, FALSE);
    }
    m_nShownStart = WholePart(from);
    m_nShownEnd = WholePart(to);
    MoveCursor();
    Redraw();
    return TRUE;
}

int CLeakDisplay::Zoom(float factor)
{
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return 0;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    const float width = end - start, centre = (start + end) * 0.5f;
    if (factor < 1.0f)
    {
        if (width < 1.0f)
            return 0;
        start = centre - width * 0.25f;
        end = centre + width * 0.25f;
    }
    else if (factor > 1.0f)
    {
        start = std::max(centre - width, L::XMinimum(*s));
        end = std::min(centre + width, L::XMaximum(*s));
    }
    return SetTimeRange(start, end);
}

int CLeakDisplay::PanLeft(float fraction)
{
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return 0;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    const float width = end - start;
    const float shift = std::max(1.0f, fraction * 0.5f * width);
    start -= shift;
    end -= shift;
    if (start < L::XMinimum(*s))
    {
        start = L::XMinimum(*s);
        end = start + width;
    }
    return SetTimeRange(start, end);
}

int CLeakDisplay::PanRight(float fraction)
{
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return 0;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    const float width = end - start;
    const float shift = std::max(1.0f, fraction * 0.5f * width);
    start += shift;
    end += shift;
    if (end > L::XMaximum(*s))
    {
        end = L::XMaximum(*s);
        start = end - width;
    }
    return SetTimeRange(start, end);
}

void CLeakDisplay::StartZoom(HWND graphWindow, int x, int y)
{
    m_nZoomX = x;
    m_nZoomY = y;
    if (m_pGraph == nullptr || graphWindow != WGGetGraphWindow(m_pGraph))
        return;
    WGStartZoom(graphWindow, m_xAxis, m_yAxis, 0x204, FALSE);
    HCURSOR zoom = CAppUiState::GetInstance()->m_hChartCursor;
    m_hSavedCursor = SetCursor(zoom != nullptr ? zoom : LoadCursor(NULL, IDC_CROSS));
}

void CLeakDisplay::FinishZoom(HWND /*graphWindow*/, int x, int y)
{
    if (m_hSavedCursor != NULL)
        SetCursor(m_hSavedCursor);
    float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
    if (m_pGraph == nullptr || !WGGetZoom(&x1, &y1, &x2, &y2))
        return;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    float from = std::clamp(std::min(x1, x2), start, end);
    float to = std::clamp(std::max(x1, x2), start, end);
    // Released above the press point: nothing; down and to the right: times and values; down and
    // to the left: times only.
    if (y <= m_nZoomY)
        return;
    if (x > m_nZoomX)
        ApplyZoomRange(from, to, std::min(y1, y2), std::max(y1, y2));
    else
        SetTimeRange(from, to);
}

// =============================================================================================
// History

int CLeakDisplay::ShowHistory(int points, int /*unused*/)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowHistory(points, 0); });
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr || m_fSecondsPerPoint <= 0.0f)
        return 0;
    const float seconds = static_cast<float>(points) * m_fSecondsPerPoint;
    float used = 0.0f;
    if (!m_nHistoryShown)
    {
        m_nHistoryShown = WRShowHist(m_pGraph, m_trace, -seconds, L::ScreenSpan(*s), &used);
        return -static_cast<int>(used / m_fSecondsPerPoint);
    }
    WRMoveHistScroll(m_pGraph, m_trace, seconds, &used);
    return static_cast<int>(used / m_fSecondsPerPoint);
}

int CLeakDisplay::ResumeScrolling()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ResumeScrolling(); });
    if (m_pGraph != nullptr)
        WRResumeScroll(m_pGraph, m_trace);
    m_nHistoryShown = 0;
    return 1;
}

int CLeakDisplay::CanChangeHistoryLength(int direction, int* current)
{
    const int length = Settings() != nullptr ? Settings()->m_nTimeAxisPoints : 0;
    if (current != nullptr)
        *current = length;
    if (direction == 0)
        return length >= 51 ? 1 : 0;
    if (direction == 1)
        return length < 2000 && length <= m_nStoredCount ? 1 : 0;
    return 1;
}

// =============================================================================================
// Data cursor

BOOL CLeakDisplay::FindNearestPoint(float time, int step, float* foundTime, float* foundValue)
{
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return FALSE;
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    if (time < start - 0.5f || time > end + 0.5f)
        return FALSE;
    const float perReading = L::TimePerReading(*s);
    if (m_times.empty() || time < m_times.front() || time > m_times.back())
    {
        *foundTime = time + static_cast<float>(step) * perReading;
        *foundValue = 0.0f;
        return TRUE;
    }
    // The two neighbours: the later one when the time is past the earlier one and at most a
    // second before the later one.
    const size_t later =
        static_cast<size_t>(std::lower_bound(m_times.begin(), m_times.end(), time) - m_times.begin());
    size_t index = later;
    if (later > 0)
    {
        const size_t earlier = later - 1;
        index = time > m_times[earlier] && m_times[later] - time <= 1.0f ? later : earlier;
    }
    const long moved = static_cast<long>(index) + step;
    if (moved < 0 || moved >= static_cast<long>(m_times.size()))
    {
        *foundTime = time + static_cast<float>(step) * perReading;
        *foundValue = 0.0f;
        return TRUE;
    }
    *foundTime = m_times[static_cast<size_t>(moved)];
    *foundValue = m_values[static_cast<size_t>(moved)];
    return TRUE;
}

int CLeakDisplay::TrackMouseCursor(GrDesc* graph, int fromMouse, int step)
{
    if (graph == nullptr || graph != m_pGraph)
        return 0;
    float time = m_fCursorTime, value = 0.0f;
    int moveBy = step;
    if (fromMouse)
    {
        WGGetMousePos(m_pGraph, m_xAxis, m_yAxis, &time, &value);
        moveBy = 0;
    }
    float foundTime = 0.0f, foundValue = 0.0f;
    if (!FindNearestPoint(time, moveBy, &foundTime, &foundValue))
        return 0;
    m_fCursorTime = foundTime;
    m_fCursorValue = foundValue;
    WGMoveDataCursor(m_pGraph, m_dataCursor, m_fCursorTime, m_fCursorValue, TRUE);
    const int whole = std::max(0, WholePart(m_fCursorTime));
    char clock[32], text[64];
    std::snprintf(clock, sizeof clock, "Time:%02d:%02d:%02d", whole / 3600, whole / 60 % 60, whole % 60);
    std::snprintf(text, sizeof text, "%s Y = %1.2e", clock, static_cast<double>(m_fCursorValue));
    WGChangeString(m_pGraph, m_readout, text, 0);
    WGRedrawObject(m_pGraph, m_readout, FALSE);
    WGMoveDataCursor(m_pGraph, m_dataCursor, m_fCursorTime, m_fCursorValue, TRUE);
    return 1;
}

void CLeakDisplay::ToggleCursor()
{
    if (m_pGraph == nullptr)
        return;
    m_bCursorShown = m_bCursorShown ? 0 : 1;
    WGMoveDataCursor(m_pGraph, m_dataCursor, m_fCursorTime, m_fCursorValue, m_bCursorShown ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_readout, m_bCursorShown ? TRUE : FALSE);
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 1, 0);
    s_bCursorShownGlobal = m_bCursorShown;
}

void CLeakDisplay::SetCursorProperties()
{
    if (m_pGraph == nullptr)
        return;
    ApplyCursorStyle(m_dataCursor);
    WGRedrawObject(m_pGraph, m_dataCursor, FALSE);
}

void CLeakDisplay::MoveCursor()
{
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 0, 0);
}

// =============================================================================================
// Editing

void CLeakDisplay::ApplyTraceColor()
{
    // The trace's pen and the bar's fill are taken when they are made: the page is made again with
    // the run drawn back into it.
    RebuildWithRun();
}

BOOL CLeakDisplay::RebuildWithRun()
{
    return Settings() != nullptr && Rebuild() ? TRUE : FALSE;
}

void CLeakDisplay::Replay()
{
    CLeakData* s = Settings();
    const size_t count = std::min(m_values.size(), m_times.size());
    if (s == nullptr || count == 0)
        return;
    for (size_t i = 0; i < count; ++i)
        FeedHistory(m_times[i], m_values[i]);
    float displayed = m_values[count - 1];
    if (!L::RawPressure(*s))
        displayed *= CAppSettings::GetInstance()->m_leakFactor;
    ShowValue(displayed, false);
    m_nStoredCount =
        static_cast<int>(std::min(count, static_cast<size_t>(std::max<int32_t>(s->m_nMaxPoints, 0))));
    if (m_times[count - 1] > L::XMaximum(*s))
        L::SetFloat(*s, L::kXMaximum, m_times[count - 1]);
    m_bHasData = 1;
    Redraw();
}

int CLeakDisplay::EditMessageObject(GrDesc* graph, int /*object*/)
{
    CLeakData* s = Settings();
    if (s == nullptr || graph == nullptr || (graph != m_pGraph && graph != m_pBarGraph))
        return 0;
    CTraceColorDlg dialog;
    dialog.m_colours[0] = L::TraceColour(*s);
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    s->m_layout2[0] = dialog.m_colours[0];
    ApplyTraceColor();
    return 1;
}

int CLeakDisplay::EditBarsObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pBarGraph)
        return 0;
    return EditMessageObject(graph, object);
}

int CLeakDisplay::EditScrollObject(GrDesc* graph, int object)
{
    CLeakData* s = Settings();
    if (s == nullptr || graph == nullptr || object != m_trace || (graph != m_pGraph && graph != m_pBarGraph))
        return 0;
    CTraceLinePropertiesDlg dialog;
    dialog.m_nChannels = 1;
    dialog.m_nChannel = 0;
    dialog.m_colour[0] = L::TraceColour(*s);
    dialog.m_width[0] = L::TraceWidth(*s);
    dialog.m_style[0] = L::TraceStyle(*s);
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    s->m_layout2[0] = dialog.m_colour[0];
    s->m_layout2[1] = dialog.m_width[0];
    s->m_layout[L::kTraceStyle] = dialog.m_style[0];
    WRChangeScrollGraph(m_pGraph, m_trace, m_fSecondsPerPoint, s->m_fLayoutFloat, s->m_nLayoutWord3);
    // Colour, width and style come with the trace when it is made.
    ApplyTraceColor();
    return 1;
}

void CLeakDisplay::EditTraces()
{
    EditScrollObject(m_pGraph, m_trace);
}

int CLeakDisplay::EditTextObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph)
        return 0;
    if (object == m_graphTitle)
        EditGraphTitle();
    else if (object == m_xTitle)
        EditTitleText();
    else if (object == m_yTitle)
    {
        if (CKelDoc* doc = GetDocument())
            doc->OnGraphUnits();
    }
    else if (object != m_caption)
        return 0;
    return 1;
}

void CLeakDisplay::EditTitle(bool graphTitle)
{
    CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return;
    LeakFontRecord& record = s->m_font[graphTitle ? L::kFontTitle : L::kFontXTitle];
    char* text = graphTitle ? s->m_szTitle : s->m_szTimeCaption;
    const size_t size = graphTitle ? sizeof s->m_szTitle : sizeof s->m_szTimeCaption;
    const int object = graphTitle ? m_graphTitle : m_xTitle;
    CTextParametersDlg dialog;
    dialog.m_strText = text;
    dialog.m_font = FontOf(record, record.colour);
    if (dialog.DoModal() != IDOK)
        return;
    MarkModified();
    std::snprintf(text, size, "%s", static_cast<LPCTSTR>(dialog.m_strText));
    StoreFont(record, dialog.m_font);
    WGChangeString(m_pGraph, object, text, 0);
    ApplyFont(m_pGraph, object, dialog.m_font);
    WGRedrawObject(m_pGraph, object, FALSE);
    if (graphTitle)
    {
        WGChangeTextColor(m_pGraph, m_caption, dialog.m_font.nColourIndex);
        WGRedrawObject(m_pGraph, m_caption, FALSE);
    }
    Redraw();
}

void CLeakDisplay::EditTitleText()
{
    EditTitle(false);
}

void CLeakDisplay::EditGraphTitle()
{
    EditTitle(true);
}

int CLeakDisplay::EditAxis(GrDesc* graph, int axis)
{
    if (graph == nullptr || Settings() == nullptr)
        return 0;
    if (graph == m_pGraph && axis == m_xAxis)
        return EditTimeAxis();
    if ((graph == m_pGraph && (axis == m_yAxis || axis == m_rightAxis)) ||
        (graph == m_pBarGraph && axis == m_barYAxis))
        return EditValueAxis();
    return 0;
}

int CLeakDisplay::EditTimeAxis()
{
    CLeakData* s = Settings();
    CXAxisDlg dialog;
    dialog.m_bTimeAxis = 1;
    dialog.m_fLowest = L::XMinimum(*s);
    dialog.m_fHighest = L::XMaximum(*s);
    dialog.m_nTimeFrom = m_nShownStart;
    dialog.m_nTimeTo = m_nShownEnd;
    dialog.m_nMinorTicks = L::Word(*s, L::kXMinorTicks);
    dialog.m_bMajorGrid = L::Word(*s, L::kXMajorGrid);
    dialog.m_bMinorGrid = L::Word(*s, L::kXMinorGrid);
    dialog.m_axisLine = LineAttributes{L::Word(*s, L::kXAxisColour), L::Word(*s, L::kXAxisStyle), 1};
    dialog.m_majorGridLine = LineAttributes{L::Word(*s, L::kXGridColour), L::Word(*s, L::kXGridStyle),
                                            L::Word(*s, L::kXGridWidth)};
    dialog.m_minorGridLine = LineAttributes{L::Word(*s, L::kMinorGridColour), L::Word(*s, L::kMinorGridStyle),
                                            L::Word(*s, L::kMinorGridWidth)};
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    ApplyLine(m_pGraph, m_xAxis, dialog.m_axisLine);
    const LineAttributes* lines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
    const int on[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
    for (int g = 0; g < 2; ++g)
    {
        WGChangeGrid(m_pGraph, m_xAxis, g, lines[g]->nStyle, lines[g]->nWidth,
                     WGGetRGBColor(lines[g]->nColour));
        WGToggleGrid(m_pGraph, m_xAxis, g, on[g]);
    }
    // The choices are kept with the settings, as the value axis's are.
    s->m_layout[L::kXMajorGrid] = dialog.m_bMajorGrid;
    s->m_layout[L::kXMinorGrid] = dialog.m_bMinorGrid;
    s->m_layout[L::kXAxisColour] = dialog.m_axisLine.nColour;
    s->m_layout[L::kXAxisStyle] = dialog.m_axisLine.nStyle;
    s->m_layout[L::kXGridColour] = dialog.m_majorGridLine.nColour;
    s->m_layout[L::kXGridStyle] = dialog.m_majorGridLine.nStyle;
    s->m_layout[L::kXGridWidth] = dialog.m_majorGridLine.nWidth;
    s->m_layout[L::kMinorGridColour] = dialog.m_minorGridLine.nColour;
    s->m_layout[L::kMinorGridStyle] = dialog.m_minorGridLine.nStyle;
    s->m_layout[L::kMinorGridWidth] = dialog.m_minorGridLine.nWidth;
    SetTimeRange(static_cast<float>(dialog.m_nTimeFrom), static_cast<float>(dialog.m_nTimeTo));
    return 1;
}

int CLeakDisplay::EditValueAxis()
{
    CLeakData* s = Settings();
    CYAxisDlg dialog;
    dialog.m_bLogarithmic = L::LogScale(*s);
    dialog.m_fHighest = s->m_fValueUpperLimit;
    dialog.m_fLowest = std::min(s->m_fValueLowerLimit, s->m_fScaleBottom);
    dialog.m_fFrom = s->m_fScaleBottom;
    dialog.m_fTo = s->m_fScaleTop;
    dialog.m_fStep = s->GetValueTick() > 0.0f ? s->GetValueTick() : 1.0f;
    dialog.m_nMinorTicks = L::Word(*s, L::kYMinorTicks);
    dialog.m_bAutomatic = L::Word(*s, L::kAutoTick);
    dialog.m_bMajorGrid = L::Word(*s, L::kYMajorGrid);
    dialog.m_bMinorGrid = L::Word(*s, L::kYMinorGrid);
    dialog.m_axisLine = LineAttributes{L::Word(*s, L::kYAxisColour), L::Word(*s, L::kYAxisStyle), 1};
    dialog.m_majorGridLine = LineAttributes{L::Word(*s, L::kYGridColour), L::Word(*s, L::kYGridStyle),
                                            L::Word(*s, L::kYGridWidth)};
    dialog.m_minorGridLine = LineAttributes{L::Word(*s, L::kMinorGridColour), L::Word(*s, L::kMinorGridStyle),
                                            L::Word(*s, L::kMinorGridWidth)};
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    for (uint16_t axis : {m_yAxis, m_rightAxis})
        ApplyLine(m_pGraph, axis, dialog.m_axisLine);
    if (m_pBarGraph != nullptr)
        ApplyLine(m_pBarGraph, m_barYAxis, dialog.m_axisLine);
    const LineAttributes* lines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
    const int on[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
    for (int g = 0; g < 2; ++g)
    {
        WGChangeGrid(m_pGraph, m_yAxis, g, lines[g]->nStyle, lines[g]->nWidth,
                     WGGetRGBColor(lines[g]->nColour));
        WGToggleGrid(m_pGraph, m_yAxis, g, on[g]);
    }
    s->m_fScaleBottom = dialog.m_fFrom;
    s->m_fScaleTop = dialog.m_fTo;
    s->SetValueTick(dialog.m_fStep);
    s->m_layout[L::kYMinorTicks] = dialog.m_nMinorTicks;
    s->m_layout[L::kAutoTick] = dialog.m_bAutomatic;
    s->m_layout[L::kYMajorGrid] = dialog.m_bMajorGrid;
    s->m_layout[L::kYMinorGrid] = dialog.m_bMinorGrid;
    s->m_layout[L::kYAxisColour] = dialog.m_axisLine.nColour;
    s->m_layout[L::kYAxisStyle] = dialog.m_axisLine.nStyle;
    s->m_layout[L::kYGridColour] = dialog.m_majorGridLine.nColour;
    s->m_layout[L::kYGridStyle] = dialog.m_majorGridLine.nStyle;
    s->m_layout[L::kYGridWidth] = dialog.m_majorGridLine.nWidth;
    s->m_layout[L::kMinorGridColour] = dialog.m_minorGridLine.nColour;
    s->m_layout[L::kMinorGridStyle] = dialog.m_minorGridLine.nStyle;
    s->m_layout[L::kMinorGridWidth] = dialog.m_minorGridLine.nWidth;
    // The scale switch settles the range (a log axis keeps above zero) and applies it to all three
    // value axes.
    SetLogScale(dialog.m_bLogarithmic);
    return 1;
}

int CLeakDisplay::EditAxisLabels(GrDesc* graph, int labels)
{
    if (graph == nullptr || Settings() == nullptr)
        return 0;
    if ((graph == m_pGraph && labels == m_xLabels) || (graph == m_pBarGraph && labels == m_barLabels))
        return EditTimeLabels(graph, labels);
    if (graph == m_pGraph && labels == m_yLabels)
        return EditValueLabels();
    return 0;
}

int CLeakDisplay::EditValueLabels()
{
    CLeakData* s = Settings();
    LeakFontRecord& record = s->m_font[L::kFontYLabels];
    CAxisLabelsDlg dialog;
    dialog.m_font = FontOf(record, record.colour);
    dialog.m_nStyle = L::StyleBits(record);
    dialog.m_nFormat = record.flags;
    dialog.m_nDecimalPlaces = record.extra;
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    ChartFont font = dialog.m_font;
    font.SetStyleWord(dialog.m_nStyle);
    StoreFont(record, font);
    record.flags = static_cast<uint16_t>(dialog.m_nFormat);
    record.extra = dialog.m_nDecimalPlaces;
    struct
    {
        GrDesc* graph;
        uint16_t labels;
    } targets[2] = {{m_pGraph, m_yLabels}, {m_pBarGraph, m_barLabels}};
    for (const auto& t : targets)
    {
        if (t.graph == nullptr || t.labels == 0)
            continue;
        WGChangeLabelsPrec(t.graph, t.labels, dialog.m_nDecimalPlaces);
        WGChangeLabelsFormat(t.graph, t.labels, dialog.m_nFormat);
        ApplyFont(t.graph, t.labels, font);
    }
    Redraw();
    return 1;
}

int CLeakDisplay::EditTimeLabels(GrDesc* graph, int /*object*/)
{
    CLeakData* s = Settings();
    if (s == nullptr || graph == nullptr || (graph != m_pGraph && graph != m_pBarGraph))
        return 0;
    LeakFontRecord& record = s->m_font[L::kFontXLabels];
    CAxisLabelsDlg dialog;
    dialog.m_font = FontOf(record, record.colour);
    dialog.m_nStyle = L::StyleBits(record);
    dialog.m_bFormatHidden = 1;
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    ChartFont font = dialog.m_font;
    font.SetStyleWord(dialog.m_nStyle);
    StoreFont(record, font);
    ApplyFont(m_pGraph, m_xLabels, font);
    // The tick spacing follows the new label width.
    float start = 0.0f, end = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    SetTimeRange(start, end);
    Redraw();
    return 1;
}

void CLeakDisplay::EditXAxis()
{
    EditAxis(m_pGraph, m_xAxis);
}

void CLeakDisplay::EditYAxis()
{
    EditAxis(m_pGraph, m_yAxis);
}

void CLeakDisplay::EditXAxisLabels()
{
    EditTimeLabels(m_pGraph, m_xLabels);
}

void CLeakDisplay::EditYAxisLabels()
{
    EditAxisLabels(m_pGraph, m_yLabels);
}

int CLeakDisplay::EditDynamicText(GrDesc* graph, int object)
{
    CLeakData* s = Settings();
    if (s == nullptr || graph == nullptr || graph != m_pGraph || object != m_alarmText)
        return 0;
    CLeakAlarmAttributesDlg dialog;
    dialog.m_pSettings = s;
    for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
        dialog.m_colour[i] = s->m_alarmColour[i];
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
        s->m_alarmColour[i] = dialog.m_colour[i];
    ApplyAlarms(true);
    for (int state = 0; state < 5; ++state)
        WRChangeDynTextColor(m_pGraph, m_alarmText, s->m_alarmColour[state], state);
    Redraw();
    return 1;
}

void CLeakDisplay::EditAlarmLines()
{
    CLeakData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return;
    CAlarmLinesDlg dialog;
    dialog.m_pSettings = s;
    if (dialog.DoModal() != IDOK)
        return;
    MarkModified();
    static const char* const kMarks[5] = {"RF", "H", "L", "HH", "LL"};
    for (int k = 0; k < 5; ++k)
    {
        WREnableAlarmLine(m_pGraph, m_alarmLines, k, s->m_alarmLineShown[k]);
        WREnableAlarmLine(m_pGraph, m_alarmMarks, k, s->m_alarmLineShown[k]);
        WRChangeAlarmMarks(m_pGraph, m_alarmMarks, kMarks[k], k, s->m_alarmLineShown[k]);
    }
    ApplyAlarms(true);
    // Each line's colour, style and width are taken when the lines are made.
    RebuildWithRun();
}

void CLeakDisplay::EditWindowBackground()
{
    CLeakData* s = Settings();
    if (s == nullptr)
        return;
    int32_t colour = static_cast<int32_t>(s->m_lineColour);
    if (!PickBackground(colour, FALSE))
        return;
    s->m_lineColour = static_cast<COLORREF>(colour);
    if (m_pBarGraph != nullptr)
        WGChangeGraphBackgnd(m_pBarGraph, s->m_lineColour);
    Redraw();
}

void CLeakDisplay::EditGraphBackground()
{
    CLeakData* s = Settings();
    if (s == nullptr)
        return;
    int32_t colour = static_cast<int32_t>(s->m_paletteColour);
    if (!PickBackground(colour, TRUE))
        return;
    s->m_paletteColour = static_cast<COLORREF>(colour);
    if (m_pBarGraph != nullptr)
        WGChangePlotBackgnd(m_pBarGraph, s->m_paletteColour);
    Redraw();
}

// =============================================================================================
// Label layout

void CLeakDisplay::ArrangeLabels()
{
    const CLeakData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return;
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    const auto measure = [&](const ObjectFont& font, int points, float* width, float* height)
    {
        WGSetTextByName(0, font.face.c_str(), points, font.Flags());
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 0, width, height);
    };
    const float plotWidth = m_plotArea[1] - m_plotArea[0];

    // Time labels: the font grows or shrinks a point at a time until a row of them fits.
    float start = 0.0f, end = 0.0f, intercept = 0.0f, step = 0.0f;
    int minor = 0, ticks = 0;
    WGGetAxisRange(m_pGraph, m_xAxis, &start, &end, &intercept);
    WGGetAxisTicks(m_pGraph, m_xAxis, &step, &minor, &ticks);
    const int intervals = step > 0.0f ? WholePart((end - start) / step) : 0;
    const ObjectFont xFont = FontOfObject(m_pGraph, m_xLabels);
    int size = WGGetFontSize(m_pGraph, m_xLabels);
    for (int round = 0; round < 8 && size >= 4 && size <= 10; ++round)
    {
        float width = 0.0f, height = 0.0f;
        measure(xFont, size, &width, &height);
        const float row = static_cast<float>(intervals * 8) * width * 0.1f;
        int next = size;
        if (row > 0.85f * plotWidth)
            next = size - 1;
        else if (row < 0.5f * plotWidth)
            next = size + 1;
        if (next == size || next < 4 || next > 10)
            break;
        size = next;
        for (uint16_t object : {m_xLabels, m_xTitle})
            WGChangeFont(m_pGraph, object, xFont.face.c_str(), size, 0, xFont.weight, xFont.italic,
                         xFont.underline);
        measure(xFont, size, &width, &height);
        m_plotArea[2] = 1.0f - 3.5f * height;
    }

    // Value labels: as many characters as the format needs; the font shrinks until they fit left
    // of the plot.
    const LeakFontRecord& labels = s->m_font[L::kFontYLabels];
    int chars = labels.extra + (labels.flags == 1 ? 5 : labels.flags == 2 ? 3 : 0);
    if (WGGetLabelsPos(m_pGraph, m_yLabels) == 1)
    {
        int digits = 0;
        for (float v = s->m_fScaleTop; v >= 1.0f && digits < 40; v *= 0.1f)
            ++digits;
        chars += digits == 0 ? 2 : digits;
    }
    const ObjectFont yFont = FontOfObject(m_pGraph, m_yLabels);
    int ySize = WGGetFontSize(m_pGraph, m_yLabels);
    while (ySize > 3)
    {
        float width = 0.0f, height = 0.0f;
        measure(yFont, ySize, &width, &height);
        if (static_cast<float>(chars) * width * 0.1f + 0.015f < m_plotArea[0])
            break;
        --ySize;
    }
    for (uint16_t object : {m_yLabels, m_yTitle})
        WGChangeFont(m_pGraph, object, yFont.face.c_str(), ySize, 0, yFont.weight, yFont.italic,
                     yFont.underline);
    if (m_pBarGraph != nullptr)
        WGChangeFont(m_pBarGraph, m_barLabels, yFont.face.c_str(), ySize, 0, yFont.weight, yFont.italic,
                     yFont.underline);
    ReleaseDC(window, dc);

    // Above the plot: the latest reading and, right of it, the alarm text, both just over the plot
    // area; the caption over the reading.
    const auto moveTo = [&](int object, float left, float bottom, float* top)
    {
        float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
        if (object == 0 || !WGGetObjectCoordNorm(m_pGraph, object, &x1, &y1, &x2, &y2))
            return 0.0f;
        const float width = std::fabs(x2 - x1), height = std::fabs(y2 - y1);
        WGChangeObjectCoordNorm(m_pGraph, object, left, bottom - height, left + width, bottom);
        if (top != nullptr)
            *top = bottom - height;
        return width;
    };
    const float bottom = m_plotArea[3] - 0.02f;
    float messageTop = bottom;
    const float messageWidth = moveTo(m_message, m_plotArea[0], bottom, &messageTop);
    moveTo(m_alarmText, m_plotArea[0] + messageWidth + 0.04f, bottom, nullptr);
    moveTo(m_caption, m_plotArea[0], messageTop - 0.02f, nullptr);
}

// =============================================================================================
// Document file

void CLeakDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        const CLeakData* s = Settings();
        ar.WriteObject(m_pSettings);
        // The run as the display holds it: the history ring wraps and is no record of the run.
        const size_t held = std::min(m_values.size(), m_times.size());
        const size_t limit = s != nullptr ? static_cast<size_t>(std::max<int32_t>(s->m_nMaxPoints, 0)) : 0;
        const size_t count = std::min(held, limit);
        ar << static_cast<LONG>(count);
        const size_t first = held - count;
        for (size_t i = 0; i < count; ++i)
            ar << m_values[first + i];
        for (size_t i = 0; i < count; ++i)
            ar << m_times[first + i];
        CDisplay::Serialize(ar);
        return;
    }
    // The settings are the document's (read before the display); the document checks the reference.
    CLeakData* settings = nullptr;
    CArchiveFieldReads fields(ar);
    fields.Read(settings, RUNTIME_CLASS(CLeakData));
    if (settings == nullptr)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    LONG count = 0;
    ar >> count;
    // No store writes more readings than the run may hold.
    if (count < 0 || count > static_cast<LONG>(CLeakData::kMaximumPoints) || count > settings->m_nMaxPoints)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    std::vector<float> values, times;
    if (count > 0)
    {
        values.resize(static_cast<size_t>(count));
        for (float& v : values)
            ar >> v;
        times.resize(static_cast<size_t>(count));
        for (float& t : times)
            ar >> t;
        if (!L::TimesStored(*settings))
        {
            const float step = L::TimePerReading(*settings);
            for (size_t i = 0; i < times.size(); ++i)
                times[i] = static_cast<float>(i) * step;
        }
    }
    CDisplay::Serialize(ar);
    fields.Commit();
    m_pSettings = settings;
    m_nLoadedCount = static_cast<int>(count);
    m_values = std::move(values);
    m_times = std::move(times);
    m_nStoredCount = 0;
}
