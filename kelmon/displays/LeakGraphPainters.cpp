#include "displays/LeakGraphPainters.h"

#include "displays/ChartHost.h"
#include "displays/Display.h"
#include "doc/LeakData.h"
#include "units/Units.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float kPlotLeft = 0.09f, kPlotTop = 0.2f, kPlotRight = 0.86f, kPlotBottom = 0.9f;
constexpr float kLogFloor = 1e-12f;

const char* UnitLabel(const CLeakData& s)
{
    return s.m_pUnits != nullptr ? s.m_pUnits->m_szLabel : "";
}

uint16_t Text(GrDesc* graph, HDC dc, const char* text, float x, float y, int placement = 0)
{
    return static_cast<uint16_t>(WGTextNorm(graph, dc, text, x, y, placement, 0));
}

// The value range a graph is scaled to: never empty, never below the log floor on a log axis.
void ValueRange(const CLeakData& s, float* bottom, float* top)
{
    *bottom = s.m_fScaleBottom;
    *top = s.m_fScaleTop;
    if (LeakLayout::LogScale(s) && *bottom <= 0.0f)
        *bottom = kLogFloor;
    if (!(*top > *bottom))
        *top = *bottom > 0.0f ? *bottom * 10.0f : *bottom + 1.0f;
}

float ValueTick(const CLeakData& s, float bottom, float top)
{
    const float tick = s.GetValueTick();
    return tick > 0.0f && (top - bottom) / tick <= 50.0f ? tick : (top - bottom) * 0.1f;
}

void Grid(GrDesc* graph, HDC dc, int axis, int which, int colour, int style, int width, uint16_t& grid)
{
    WGSetLineStyle(graph, dc, style, width, static_cast<COLORREF>(colour));
    grid = WRDynGrid(graph, axis, which, 0);
}
} // namespace

// ---- Settings words

float LeakLayout::Float(const CLeakData& s, int word)
{
    float value = 0.0f;
    std::memcpy(&value, &s.m_layout[word], sizeof value);
    return std::isfinite(value) ? value : 0.0f;
}

void LeakLayout::SetFloat(CLeakData& s, int word, float value)
{
    std::memcpy(&s.m_layout[word], &value, sizeof value);
}

int LeakLayout::Word(const CLeakData& s, int word)
{
    return static_cast<int>(s.m_layout[word]);
}

void LeakLayout::SetXRange(CLeakData& s, float minimum, float maximum)
{
    SetFloat(s, kXMinimum, minimum);
    SetFloat(s, kXMaximum, maximum);
}

float LeakLayout::SavedTop(const CLeakData& s)
{
    const float top = Float(s, kSavedTop);
    return top > 0.0f ? top : 1e-5f;
}

float LeakLayout::TimePerReading(const CLeakData& s)
{
    return s.m_fSamplePeriod > 0.0f ? s.m_fSamplePeriod : 0.1f;
}

float LeakLayout::ScreenSpan(const CLeakData& s)
{
    return static_cast<float>(std::max(1, s.m_nTimeAxisPoints)) * TimePerReading(s);
}

int LeakLayout::TraceColour(const CLeakData& s)
{
    return std::clamp(static_cast<int>(s.m_layout2[0]), 0, 19);
}

int LeakLayout::TraceWidth(const CLeakData& s)
{
    return std::clamp(static_cast<int>(s.m_layout2[1]), 0, 4);
}

int LeakLayout::TraceStyle(const CLeakData& s)
{
    return std::clamp(Word(s, kTraceStyle), 0, 4);
}

bool LeakLayout::RawPressure(const CLeakData& s)
{
    return s.m_nLastValueUnits == 1;
}

bool LeakLayout::TimesStored(const CLeakData& s)
{
    return s.m_nScanMode == 2 || s.m_nScanMode == 3;
}

COLORREF LeakLayout::WindowBackground(const CLeakData& s)
{
    return s.m_lineColour;
}

COLORREF LeakLayout::GraphBackground(const CLeakData& s)
{
    return s.m_paletteColour;
}

int LeakLayout::LogScale(const CLeakData& s)
{
    return s.m_bLogScale ? 1 : 0;
}

int LeakLayout::StyleBits(const LeakFontRecord& font)
{
    // Old records keep a weight; the display stores the style bits.
    return font.weight >= 700 ? 1 : font.weight & 7;
}

void LeakLayout::UseFont(const LeakFontRecord& font, int colour)
{
    WGSetTextByName(colour, font.face[0] != '\0' ? font.face : "Arial", font.size > 0 ? font.size : 8,
                    StyleBits(font));
}

// ---- The main graph

CLeakGraphPainter::CLeakGraphPainter(CLeakData* settings, const char* name) : m_pSettings(settings)
{
    std::snprintf(m_szName, sizeof m_szName, "%s", name != nullptr ? name : "");
}

void CLeakGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    CLeakData& s = *m_pSettings;
    using L = LeakLayout;
    const COLORREF plotColour = L::GraphBackground(s);
    WGSetPlotArea(graph, dc, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom, WGGetPureColor(plotColour));
    WGChangePlotBackgnd(graph, plotColour);
    m_plotArea[0] = kPlotLeft;
    m_plotArea[1] = kPlotRight;
    m_plotArea[2] = kPlotBottom;
    m_plotArea[3] = kPlotTop;

    const float xMin = L::XMinimum(s);
    float xMax = L::XMaximum(s);
    if (!(xMax > xMin))
        xMax = xMin + std::max(1.0f, L::ScreenSpan(s));
    float bottom = 0.0f, top = 0.0f;
    ValueRange(s, &bottom, &top);
    WGScalePlotArea(graph, xMin, bottom, xMax, top);
    WGSetXYIntercepts(graph, xMin, bottom);
    WGSetAxesScale(graph, 0, static_cast<SHORT>(L::LogScale(s)));

    const float timeTick = s.GetTimeTick() > 0.0f && (xMax - xMin) / s.GetTimeTick() <= 50.0f
                               ? s.GetTimeTick()
                               : std::max(1.0f, std::floor((xMax - xMin) / 10.0f));
    WGSetLineStyle(graph, dc, L::Word(s, L::kXAxisStyle), 1,
                   static_cast<COLORREF>(L::Word(s, L::kXAxisColour)));
    m_xAxis = static_cast<uint16_t>(WGDrawXAxis(graph, dc, timeTick, 4, L::Word(s, L::kXTickStyle)));
    const LeakFontRecord& xLabels = s.m_font[L::kFontXLabels];
    L::UseFont(xLabels, xLabels.colour);
    m_xLabels = static_cast<uint16_t>(WGLabelAxis(graph, dc, m_xAxis, 0, 5, -1, 0, nullptr));
    const LeakFontRecord& xTitle = s.m_font[L::kFontXTitle];
    L::UseFont(xTitle, xTitle.colour);
    m_xTitle = Text(graph, dc, s.m_szTimeCaption, 0.45f, 0.93f);

    const float valueTick = ValueTick(s, bottom, top);
    const int yMinor = L::Word(s, L::kYMinorTicks), yTicks = L::Word(s, L::kYTickStyle);
    WGSetLineStyle(graph, dc, L::Word(s, L::kYAxisStyle), 1,
                   static_cast<COLORREF>(L::Word(s, L::kYAxisColour)));
    m_yAxis = static_cast<uint16_t>(WGDrawYAxis(graph, dc, valueTick, yMinor, yTicks));
    const LeakFontRecord& yLabels = s.m_font[L::kFontYLabels];
    L::UseFont(yLabels, yLabels.colour);
    m_yLabels =
        static_cast<uint16_t>(WGLabelAxis(graph, dc, m_yAxis, 1, yLabels.flags, yLabels.extra, 0, nullptr));
    const LeakFontRecord& yTitle = s.m_font[L::kFontYTitle];
    L::UseFont(yTitle, yTitle.colour);
    m_yTitle = Text(graph, dc, UnitLabel(s), 0.03f, 0.11f);
    // The second value axis along the right edge of the plot, with its ticks pointing in.
    WGSetXYIntercepts(graph, xMax, bottom);
    m_rightAxis = static_cast<uint16_t>(WGDrawYAxis(graph, dc, valueTick, yMinor, 1));
    WGSetXYIntercepts(graph, xMin, bottom);
    const LeakFontRecord& title = s.m_font[L::kFontTitle];
    L::UseFont(title, title.colour);
    m_title = static_cast<uint16_t>(WGTitleGraph(graph, dc, s.m_szTitle));

    // Grids: major then minor, Y first.
    Grid(graph, dc, m_yAxis, 0, L::Word(s, L::kYGridColour), L::Word(s, L::kYGridStyle),
         L::Word(s, L::kYGridWidth), m_grids[0]);
    WGToggleGrid(graph, m_yAxis, 0, L::Word(s, L::kYMajorGrid) ? TRUE : FALSE);
    if (L::Word(s, L::kYMinorGrid))
        Grid(graph, dc, m_yAxis, 1, L::Word(s, L::kMinorGridColour), L::Word(s, L::kMinorGridStyle),
             L::Word(s, L::kMinorGridWidth), m_grids[1]);
    Grid(graph, dc, m_xAxis, 0, L::Word(s, L::kXGridColour), L::Word(s, L::kXGridStyle),
         L::Word(s, L::kXGridWidth), m_grids[2]);
    WGToggleGrid(graph, m_xAxis, 0, L::Word(s, L::kXMajorGrid) ? TRUE : FALSE);
    if (L::Word(s, L::kXMinorGrid))
        Grid(graph, dc, m_xAxis, 1, L::Word(s, L::kMinorGridColour), L::Word(s, L::kMinorGridStyle),
             L::Word(s, L::kMinorGridWidth), m_grids[3]);

    // The run: (seconds, value) pairs, every reading of it held in the history.
    const int limit =
        std::clamp(static_cast<int>(s.m_nMaxPoints), 2, static_cast<int>(CLeakData::kMaximumPoints));
    m_nDataSet = WRDefineDynDataSet(m_szName, 2, UnitLabel(s), nullptr, static_cast<UINT>(limit));
    const int colours[1] = {L::TraceColour(s)}, styles[1] = {L::TraceStyle(s)},
              widths[1] = {L::TraceWidth(s)};
    // The trace holds a screen of readings: the history view takes a reading's time from it.
    const int screen = std::clamp(static_cast<int>(s.m_nTimeAxisPoints), 2, limit);
    m_trace = WRSetAscendXYGraph(graph, static_cast<UINT>(m_nDataSet), screen, colours, styles, widths);

    L::UseFont(s.m_font[L::kFontAlarm], s.m_alarmColour[0]);
    m_alarmText = WRSetAlarmText(graph, m_nDataSet, 1, 0.36f, 0.1125f, 0.66f, 0.1725f, 0, 2, 7,
                                 s.m_alarmMessage[CLeakData::kMessageNormal], s.m_alarmColour, 6, 0);

    int colour = 1, width = 2, style = 0;
    GetDocumentCursorStyle(&colour, &width, &style);
    m_dataCursor =
        static_cast<uint16_t>(WGSetDataCursor(graph, dc, 0, m_xAxis, m_yAxis, 0, colour, style, width));
    WGSetTextByName(0, "Arial", 8, 1);
    // The cursor's read-out ends at the graph's right edge, whatever its length.
    m_readout = Text(graph, dc, " ", 0.99f, 0.02f, 2);
    WGShowObject(graph, m_readout, FALSE);

    // The alarm levels: setpoint (the reference), Low-low, Low, High, High-high; their lines and
    // marks in the order reference, High, Low, High-high, Low-low.
    WRSetSetpoint(m_nDataSet, s.m_alarmLevel[CLeakData::kReference]);
    WRSetAlarm(m_nDataSet, 4, s.m_alarmLevel[CLeakData::kLowLow],
               s.m_alarmMessage[CLeakData::kMessageLowLow]);
    WRSetAlarm(m_nDataSet, 2, s.m_alarmLevel[CLeakData::kLow], s.m_alarmMessage[CLeakData::kMessageLow]);
    WRSetAlarm(m_nDataSet, 1, s.m_alarmLevel[CLeakData::kHigh], s.m_alarmMessage[CLeakData::kMessageHigh]);
    WRSetAlarm(m_nDataSet, 3, s.m_alarmLevel[CLeakData::kHighHigh],
               s.m_alarmMessage[CLeakData::kMessageHighHigh]);
    m_alarmLines = WRSetAlarmLines(graph, m_nDataSet, 1, 1, s.m_alarmLineShown, s.m_alarmLineStyle,
                                   s.m_alarmLineWidth, s.m_alarmLineColour);
    WGSetTextByName(0, "Arial", 6, 1);
    // Five fields of 12 characters, blank-padded.
    static const char marks[] = "RF          H           L           HH          LL          ";
    m_alarmMarks = WRSetAlarmMarks(graph, m_nDataSet, m_rightAxis, 2, 3, s.m_alarmLineShown, 0,
                                   s.m_alarmLineColour, marks);
    // Each level checked only as far as the settings enable it.
    const int kinds[4] = {1, 2, 3, 4};
    const int enables[4] = {CLeakData::kHighEnabled, CLeakData::kLowEnabled, CLeakData::kHighHighEnabled,
                            CLeakData::kLowLowEnabled};
    for (int k = 0; k < 4; ++k)
        if (!s.m_alarmFlag[enables[k]])
            WRChangeAlarm(m_nDataSet, kinds[k], 0.0f, 0, nullptr);

    const LeakFontRecord& value = s.m_font[L::kFontValue];
    L::UseFont(value, L::TraceColour(s));
    char texts[2][42] = {" 0.0E-00 ", " 0.0E-00 "};
    const int messageColours[2] = {L::TraceColour(s), L::TraceColour(s)};
    m_message =
        WRSetMessage(graph, m_nDataSet, 0, kPlotLeft, 0.1125f, 15, 2, 7, 2, &texts[0][0], messageColours);

    WGSetTextByName(title.colour, "Arial", 7, 1);
    m_caption = Text(graph, dc, s.m_szGasCaption, kPlotLeft, 0.06f);

    WRUpdateObj(graph, m_xTitle);
    for (uint16_t grid : m_grids)
        if (grid != 0)
            WRUpdateObj(graph, grid);
}

// ---- The side graph

CLeakBarPainter::CLeakBarPainter(CLeakData* settings, const char* name) : m_pSettings(settings)
{
    std::snprintf(m_szName, sizeof m_szName, "%s", name != nullptr ? name : "");
}

void CLeakBarPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    CLeakData& s = *m_pSettings;
    using L = LeakLayout;
    const COLORREF plotColour = L::GraphBackground(s);
    WGSetPlotArea(graph, dc, 0.0f, 0.063f, 0.2f, 0.937f, WGGetPureColor(plotColour));
    WGChangePlotBackgnd(graph, plotColour);
    float bottom = 0.0f, top = 0.0f;
    ValueRange(s, &bottom, &top);
    WGScalePlotArea(graph, 0.0f, bottom, 1.0f, top);
    WGRectangleNormEx(graph, dc, 0.0f, 0.062f, 0.2f, 0.938f, 0, 1, 0, 0, 0);
    WGSetLineStyle(graph, dc, L::Word(s, L::kYAxisStyle), 1,
                   static_cast<COLORREF>(L::Word(s, L::kYAxisColour)));
    WGSetXYIntercepts(graph, 1.0f, bottom);
    WGSetAxesScale(graph, 0, static_cast<SHORT>(L::LogScale(s)));
    m_xAxis = static_cast<uint16_t>(WGDrawXAxis(graph, dc, 1.0f, 0, 2));
    m_yAxis = static_cast<uint16_t>(
        WGDrawYAxis(graph, dc, ValueTick(s, bottom, top), L::Word(s, L::kYMinorTicks), 2));
    const LeakFontRecord& labels = s.m_font[L::kFontYLabels];
    L::UseFont(labels, labels.colour);
    m_labels =
        static_cast<uint16_t>(WGLabelAxis(graph, dc, m_yAxis, 2, labels.flags, labels.extra, 0, nullptr));
    m_nDataSet = WRDefineDynDataSet(m_szName, 1, UnitLabel(s), nullptr, 0);
    const COLORREF barColour = WGGetRGBColor(L::TraceColour(s));
    m_bars = WRSetBargraph(graph, m_nDataSet, -0.1f, 0, 0.5f, 0.0f, 1.0f, &barColour, nullptr, nullptr);
    WGShowObject(graph, m_xAxis, FALSE);
}

// ---- The page

void CLeakPageBuilder::CreateGraphs(PgDesc* page)
{
    m_pBarGraph = ChartInitGraph(page, reinterpret_cast<LPARAM>(m_pBarPainter), 0.89f, 0.15f, 0.99f, 0.95f,
                                 WGGetPureColor(m_background), -1, 2);
    if (m_pBarGraph != nullptr)
        WGChangeGraphBackgnd(m_pBarGraph, m_background);
    CSingleGraphBuilder::CreateGraphs(page);
    // The main graph spans the page: the side graph stays in front of it.
    if (m_pBarGraph != nullptr)
        SetWindowPos(WGGetGraphWindow(m_pBarGraph), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
