#include "displays/PvsTDisplay.h"

#include "displays/ChartHost.h"
#include "displays/GraphBuilder.h"
#include "displays/DisplaySupport.h"
#include "displays/LayoutFile.h"
#include "doc/KelDoc.h"
#include "scans/PvsTScan.h"
#include "res/resource.h"
#include "units/Units.h"

#include "dialogs/AxisLabelsDlg.h"
#include "dialogs/TextParametersDlg.h"
#include "dialogs/TraceColorDlg.h"
#include "dialogs/TraceLinePropertiesDlg.h"
#include "dialogs/XAxisDlg.h"
#include "dialogs/YAxisDlg.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

IMPLEMENT_SERIAL(CPvsTDisplay, CDisplay, 1)

namespace
{
constexpr float kLogFloor = 1e-12f;
constexpr float kTinyRange = 1e-20f;
// The string asking before the total-pressure read-out is shown or hidden.

int WholePart(float v)
{
    return static_cast<int>(v);
}
} // namespace

float PvsTWords::TimeTick(const CTable& t)
{
    const float tick = t.GetDisplayFloat(CTable::kWordTimeTick);
    return tick > 0.0f ? tick : std::max(1.0f, t.m_timeSpan / 10.0f);
}

float PvsTWords::DefaultTop(const CTable& t)
{
    const float top = t.GetDisplayFloat(kDefaultTop);
    return top > 0.0f ? top : 1e-5f;
}

COLORREF PvsTWords::PlotColour(const CTable& t)
{
    return t.m_colorB2 >= 0 && t.m_colorB2 < 20 ? WGGetRGBColor(t.m_colorB2)
                                                : static_cast<COLORREF>(t.m_colorB2);
}

unsigned PvsTWords::HistoryCapacity(const CTable& t)
{
    const uint32_t words = t.m_displayWords[CTable::kWordHistory];
    return std::clamp<uint32_t>(words, 2u, static_cast<uint32_t>(CPvsTScans::kBufferLength));
}

CPvsTDisplay::CPvsTDisplay()
{
    m_nKind = 4;
}

CPvsTDisplay::CPvsTDisplay(CTable* table, int position, CKelDoc* document)
{
    m_nKind = 4;
    m_pSettings = table;
    m_pDocument = document;
    if (table != nullptr)
        table->m_displayWords[PvsTWords::kPanePosition] = static_cast<uint32_t>(position);
    m_nPosition = position;
    BuildPage();
}

CPvsTDisplay::~CPvsTDisplay()
{
    ClosePage();
}

int CPvsTDisplay::ActiveCount() const
{
    return Table() != nullptr ? std::clamp(Table()->m_activeCount, 0, static_cast<int>(CTable::kChannels))
                              : 0;
}

bool CPvsTDisplay::ChannelEnabled(int k) const
{
    return Table() != nullptr && k >= 0 && k < ActiveCount() && Table()->m_active[k].m_enabled != 0;
}

bool CPvsTDisplay::TraceShown(int k) const
{
    if (!ChannelEnabled(k))
        return false;
    const int slot = std::clamp(Table()->m_active[k].m_number - 1, 0, CTable::kChannels - 1);
    return Table()->m_flags[slot] != 0;
}

float CPvsTDisplay::SampleInterval() const
{
    // A schedule faster than a second still places samples; never a zero or negative step.
    const float interval = Table() != nullptr ? Table()->m_currentPeriod : 1.0f;
    return interval > 0.0f ? interval : 1.0f;
}

// ---- Page

int CPvsTDisplay::BuildPage()
{
    CTable* t = Table();
    if (t == nullptr)
        return 0;
    delete m_pLayoutItems;
    m_pLayoutItems = new CLayoutFile(this);
    m_nSampleCount = 0;
    m_nPosition = static_cast<int32_t>(t->m_displayWords[PvsTWords::kPanePosition]);
    if (m_nPosition < 0 || m_nPosition > 2)
        m_nPosition = 0;
    m_bHasData = 0;

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;

    MakePageName();
    std::strncat(m_szPageName, "PvsT", sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    std::snprintf(m_szGraphName, sizeof m_szGraphName, "%s.PvsT#1", m_szPageName);
    UpdateXStep();
    m_nXStartAtBuild = static_cast<int>(std::lround(t->m_timeStart));
    m_nXEndAtBuild = static_cast<int>(std::lround(t->m_timeSpan));

    auto painter = std::make_unique<CPvsTGraphPainter>(t, m_szGraphName);
    auto builder = std::make_unique<CSingleGraphBuilder>(painter.get(), static_cast<COLORREF>(t->m_colorB1),
                                                         t->m_colorB2, 0);
    if (!OpenGraphPage(view, *builder, WS_CLIPSIBLINGS))
        return 0;

    const CPvsTGraphPainter& p = *painter;
    m_graphTitle = p.m_plot.title;
    m_trace = p.m_trace;
    m_xLabels = p.m_plot.xLabels;
    m_yLabels = p.m_plot.yLabels;
    m_titleText = p.m_plot.xCaption;
    m_unitsText = p.m_plot.yCaption;
    m_xAxis = p.m_plot.xAxis;
    m_yAxis = p.m_plot.yAxis;
    m_grids[0] = p.m_plot.yGrids[0];
    m_grids[1] = p.m_plot.yGrids[1];
    m_grids[2] = p.m_plot.xGrids[0];
    m_grids[3] = p.m_plot.xGrids[1];
    m_legend = p.m_legend;
    m_infoText = p.m_infoText;
    m_alarmMessage = p.m_alarmMessage;
    m_pressureCaption = p.m_pressureCaption;
    m_dataCursor = p.m_dataCursor;
    m_nIndicatorA = p.m_leds[0];
    m_nIndicatorB = p.m_leds[1];
    m_nDataSet = p.m_nDataSet;
    std::memcpy(m_plotArea, p.m_plotArea, sizeof m_plotArea);

    if (m_legend != 0)
    {
        // The legend's record lives as long as the page; the program places the legend until
        // the user drags it.
        if (m_pLegendLayout == nullptr)
        {
            m_pLegendLayout = new CLegendSettings(0, m_legend);
            m_pLegendLayout->Capture(m_pGraph);
            m_pLegendLayout->m_nAutoPlacement = 1;
            m_pLegendLayout->m_bPending = 1;
            m_pLegendLayout->m_bVisible = 1;
        }
        m_pLegendLayout->m_nObject = m_legend;
        WGShowLegendTitle(m_pGraph, m_legend, m_bCursorShown);
        WGSetLegendTitle(m_pGraph, m_legend, "Time");
        WGEnableObjActivation(m_pGraph, m_legend, TRUE);
        m_pLayoutItems->AddLegend(m_legend, m_pLegendLayout);
    }
    for (uint16_t object : {m_titleText, m_unitsText, m_graphTitle})
        WGEnableObjActivation(m_pGraph, object, TRUE);
    m_pLayoutItems->AddXTitle(m_titleText);
    m_pLayoutItems->AddYTitle(m_unitsText);
    m_pLayoutItems->AddTitle(m_graphTitle);
    WGMoveDataCursor(m_pGraph, m_dataCursor, m_fCursorX, 0.0f, m_bCursorShown ? TRUE : FALSE);
    ArrangeLabels();
    // The time ticks as wide as their labels need.
    ApplyXRange(static_cast<float>(t->m_timeStart), t->m_timeSpan);
    RefreshReadout();
    return 1;
}

BOOL CPvsTDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return CDisplay::Rebuild(); });
    return CDisplay::Rebuild();
}

int CPvsTDisplay::ClosePage()
{
    const int slot = m_nDataSet;
    if (!CDisplay::ClosePage())
        return 0;
    if (slot != 0)
        WRFreeDynDataSet(slot);
    m_nDataSet = 0;
    return 1;
}

int CPvsTDisplay::RefreshReadout()
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    int line = 0;
    for (int k = 0; k < ActiveCount(); ++k)
    {
        if (!ChannelEnabled(k))
            continue;
        const int slot = SlotOf(k);
        if (m_legend != 0)
            WGMarkLineLegend(m_pGraph, m_legend, line + 1, Table()->m_flags[slot] ? 1 : 0);
        // A hidden channel keeps its samples but draws no line.
        if (m_trace != 0)
            WGChangeLineStyle(m_pGraph, m_trace, Table()->m_flags[slot] ? Table()->m_channelWords2[slot] : 5,
                              k);
        ++line;
    }
    ArrangeLegend(1);
    WGRedrawGraph(m_pGraph, TRUE);
    return 0;
}

void CPvsTDisplay::ArrangeLabels()
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return;
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    const auto fontFlags = [this](int object)
    {
        return (WGGetFontWeight(m_pGraph, object) >= 700 ? 1 : 0) |
               (WGGetFontItal(m_pGraph, object) ? 2 : 0) | (WGGetFontUnder(m_pGraph, object) ? 4 : 0);
    };
    const auto measure = [&](int object, int points, const char* text, float* width, float* height)
    {
        const char* face = WGGetFontName(m_pGraph, object);
        WGSetTextByName(0, face != nullptr ? face : "Arial", points, fontFlags(object));
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, text, 0, width, height);
    };
    const auto setSize = [&](int object, int points)
    {
        const char* face = WGGetFontName(m_pGraph, object);
        const std::string name = face != nullptr ? face : "Arial";
        WGChangeFont(m_pGraph, object, name.c_str(), points, 0, WGGetFontWeight(m_pGraph, object),
                     WGGetFontItal(m_pGraph, object), WGGetFontUnder(m_pGraph, object));
    };
    float xFrom = 0.0f, yFrom = 0.0f, xTo = 0.0f, yTo = 0.0f;
    WGGetPlotPos(m_pGraph, &xFrom, &yFrom, &xTo, &yTo);

    // The time labels (eight characters each) take the largest font whose labels fill the plot's
    // width without crowding it; the time caption follows them.
    if (m_xLabels != 0)
    {
        float lo = 0.0f, hi = 0.0f, intercept = 0.0f, tick = 0.0f;
        int minor = 0, style = 0;
        WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
        WGGetAxisTicks(m_pGraph, m_xAxis, &tick, &minor, &style);
        const float count = tick > 0.0f ? (hi - lo) / tick : 1.0f;
        const int size = WGGetFontSize(m_pGraph, m_xLabels);
        float digits = 0.0f, height = 0.0f;
        measure(m_xLabels, size, "0123456789", &digits, &height);
        const float needed = count * digits * 0.8f;
        const float plotWidth = xTo - xFrom;
        int fitted = size;
        if (needed * 0.85f >= plotWidth)
            fitted = std::max(5, size - 1);
        else if (needed * 0.5f < plotWidth)
            fitted = std::min(10, size + 1);
        if (fitted != size)
        {
            setSize(m_xLabels, fitted);
            if (m_titleText != 0)
                setSize(m_titleText, fitted);
            measure(m_xLabels, fitted, "0123456789", &digits, &height);
        }
        // The last label is centred on the plot's right edge: the plot leaves room for its half.
        const float right = std::min(m_plotArea[1], 0.99f - digits * 0.4f);
        if (right > xFrom + 0.2f && right < xTo)
        {
            WGChangePlotPos(m_pGraph, xFrom, yFrom, right, yTo);
            xTo = right;
            m_plotArea[1] = right;
        }
    }

    // The pressure labels must fit left of the plot: the plot gives way to wide labels.
    const int precision = PvsTWords::YLabelPrecision(*Table());
    std::string sample = WGGetLabelsFormat(m_pGraph, m_yLabels) == 0 ? "0000." : "0.";
    sample.append(static_cast<size_t>(std::clamp(precision, 0, 10)), '0');
    if (WGGetLabelsFormat(m_pGraph, m_yLabels) != 0)
        sample += "x10-00"; // the exponent is written as a power of ten
    float labelWidth = 0.0f, unused = 0.0f;
    measure(m_yLabels, WGGetFontSize(m_pGraph, m_yLabels), sample.c_str(), &labelWidth, &unused);
    ReleaseDC(window, dc);
    const float needed = std::min(0.3f, labelWidth + 0.02f);
    if (WGGetLabelsPos(m_pGraph, m_yLabels) == 1 && xFrom < needed && xTo > needed)
    {
        WGChangePlotPos(m_pGraph, needed, yFrom, xTo, yTo);
        m_plotArea[0] = needed;
    }
}

void CPvsTDisplay::ArrangeLegend(int /*how*/)
{
    if (m_pGraph == nullptr || m_legend == 0)
        return;
    CLegendSettings* s = m_pLegendLayout;
    if (!m_bLegendShown || s == nullptr)
    {
        WGShowObject(m_pGraph, m_legend, m_bLegendShown ? TRUE : FALSE);
        if (m_bLegendShown)
            WGRedrawObject(m_pGraph, m_legend, TRUE);
        return;
    }
    // Values read from a layout file are applied as they are; otherwise the legend starts from
    // what the graph shows (the user may have dragged it or changed its font).
    if (!s->m_bPending)
    {
        s->CheckMoved(m_pGraph);
        s->Capture(m_pGraph);
        s->m_bVisible = 1;
    }
    if (!s->m_bVisible)
    {
        WGShowObject(m_pGraph, m_legend, FALSE);
        s->m_bPending = 0;
        return;
    }
    float width = 0.0f, height = 0.0f;
    WGCalculateAutomaticLegendBox(m_pGraph, m_legend, s->m_nOrientation, &width, &height);
    const float left = m_plotArea[0], right = m_plotArea[1], bottom = m_plotArea[2], top = m_plotArea[3];
    const float margin = 0.01f;
    float x1 = s->m_x1, y1 = s->m_y1;
    if (s->m_nAutoPlacement)
    {
        // Automatic: in the plot's upper right corner.
        x1 = right - margin - width;
        y1 = top + margin;
    }
    // Inside the plot area, as far as the legend fits in it.
    x1 = std::max(std::min(x1, right - width), left);
    y1 = std::max(std::min(y1, bottom - height), top);
    const bool moved = std::fabs(x1 - s->m_x1) > 1e-4f || std::fabs(y1 - s->m_y1) > 1e-4f ||
                       std::fabs(x1 + width - s->m_x2) > 1e-4f || std::fabs(y1 + height - s->m_y2) > 1e-4f;
    s->m_x1 = x1;
    s->m_y1 = y1;
    s->m_x2 = x1 + width;
    s->m_y2 = y1 + height;
    s->m_bPending = 1;
    s->Apply(m_pGraph);
    // A legend that changed its place or size leaves its old place to be painted again.
    if (moved)
        WGRedrawGraph(m_pGraph, FALSE);
    else
        WGRedrawObject(m_pGraph, m_legend, TRUE);
}

void CPvsTDisplay::ToggleLegend(int how)
{
    m_bLegendShown = how ? 1 : 0;
    ArrangeLegend(1);
}

// ---- Data

void CPvsTDisplay::UpdateData(void* record, int /*arg*/)
{
    if (record == nullptr || Table() == nullptr)
        return;
    const int n = ActiveCount();
    const auto* r = static_cast<const float*>(record);
    if (m_nSampleCounter.load() < 1)
    {
        m_xValues.clear();
        m_channelValues.clear();
    }
    if (m_channelValues.empty())
        m_channelValues.assign(static_cast<size_t>(n), {});
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return;
    bool extreme = false;
    for (int k = 0; k < n && k < static_cast<int>(m_channelValues.size()); ++k)
    {
        const float v = r[n + k];
        m_channelValues[static_cast<size_t>(k)].push_back(v);
        if (!ChannelEnabled(k))
            continue;
        if (v > m_fDataMax)
        {
            m_fDataMax = v;
            extreme = true;
        }
        else if (v < m_fDataMin)
        {
            m_fDataMin = v;
            extreme = true;
        }
    }
    const float x = n > 0 ? r[0] : 0.0f;
    m_xValues.push_back(x);
    if (m_nDataSet != 0)
        WRUpdateData(m_nDataSet, r, nullptr);

    // The time axis moves on by half a window when the trace reaches its end.
    float xMin = 0.0f, xMax = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &xMin, &xMax, &intercept);
    const size_t held = m_xValues.size();
    if (held >= 2 && x >= xMax && m_xValues[held - 2] < xMax)
    {
        const float newMin = static_cast<float>(WholePart(xMin + xMax) / 2);
        const float newMax = static_cast<float>(WholePart(xMax + (xMax - xMin) * 0.5f));
        WGChangeAxisRange(m_pGraph, m_xAxis, newMin, newMax, TRUE);
        WGChangeAxisIntercept(m_pGraph, m_yAxis, newMin, TRUE);
        Table()->m_timeSpan = newMax;
    }
    if (x > Table()->m_timeSpan)
        Table()->m_timeSpan = x;
    if (m_bCursorShown && held >= 2 && m_xValues[held - 2] <= m_fCursorX && m_fCursorX <= x)
        TrackMouseCursor(m_pGraph, 0, 0);
    if (m_nSampleCount != static_cast<int>(PvsTWords::HistoryCapacity(*Table())))
        ++m_nSampleCount;
    // The span of the history held, as a document file gives it back.
    Table()->SetDisplayFloat(PvsTWords::kHistoryStart, 0.0f);
    Table()->SetDisplayFloat(PvsTWords::kHistoryEnd, static_cast<float>(m_nSampleCount) * SampleInterval());
    m_bHasData = 1;
    if (extreme)
        AutoScale();
}

int CPvsTDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    const int n = ActiveCount();
    if (values == nullptr || n == 0 || capacity < n)
        return m_nSampleCount;
    const int perChannel = capacity / n;
    const int back = std::min(perChannel, m_nSampleCount);
    if (m_nDataSet == 0)
    {
        // No page (a loaded document not shown yet): the samples held are the run's lists.
        for (int k = 0; k < n && k < static_cast<int>(m_channelValues.size()); ++k)
        {
            const auto& list = m_channelValues[static_cast<size_t>(k)];
            const int have = std::min(back, static_cast<int>(list.size()));
            std::copy(list.end() - have, list.end(), values + static_cast<size_t>(k) * perChannel);
        }
        return m_nSampleCount;
    }
    for (int k = 0; k < n; ++k)
        WRGetHistData(m_nDataSet, n + k, values + static_cast<size_t>(k) * perChannel,
                      static_cast<UINT>(back), back);
    return m_nSampleCount;
}

BOOL CPvsTDisplay::GetLastData(float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return GetLastData(values); });
    if (values == nullptr || m_nDataSet == 0)
        return 1;
    float previous[2 * CTable::kChannels] = {};
    WRGetLastData(m_nDataSet, values, previous);
    return 1;
}

BOOL CPvsTDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    if (m_pGraph != nullptr && m_trace != 0)
        WRResetScroll(m_pGraph, m_trace);
    if (m_nDataSet != 0)
        WRResetHistBuffer(m_nDataSet);
    m_nSampleCount = 0;
    m_bHasData = 0;
    m_nHistoryShown = 0;
    if (Table() != nullptr)
    {
        Table()->m_timeStart = 0;
        Table()->m_timePoints = 301;
        Table()->SetDisplayFloat(PvsTWords::kPointTime, 1.0f);
        Table()->m_timeSpan = 1.0f * 301;
        Table()->SetDisplayFloat(PvsTWords::kHistoryStart, 0.0f);
        Table()->SetDisplayFloat(PvsTWords::kHistoryEnd, 0.0f);
    }
    m_fDataMin = FLT_MAX;
    m_fDataMax = -FLT_MAX;
    return 1;
}

BOOL CPvsTDisplay::Redraw()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Redraw(); });
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return 0;
    WGRedrawGraph(m_pGraph, FALSE);
    return 1;
}

void CPvsTDisplay::Replay(const float* const* channels, int count)
{
    const int n = ActiveCount();
    std::vector<float> record(static_cast<size_t>(std::max(2, 2 * n)), 0.0f);
    const float interval = SampleInterval();
    for (int i = 0; i < count; ++i)
    {
        for (int k = 0; k < n; ++k)
        {
            record[static_cast<size_t>(k)] = static_cast<float>(i) * interval;
            record[static_cast<size_t>(n + k)] = channels[k][i];
        }
        if (m_nDataSet != 0)
            WRUpdateData(m_nDataSet, record.data(), nullptr);
    }
}

void CPvsTDisplay::FreeLoadBuffers()
{
    m_loadBuffers.clear();
}

BOOL CPvsTDisplay::ShowScanData(const float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowScanData(values); });
    if (values != nullptr)
    {
        ClearData();
        if (m_nDataSet != 0)
            WRUpdateData(m_nDataSet, values, nullptr);
        m_bHasData = 1;
        return 1;
    }
    const int n = ActiveCount();
    if (m_nStoredCount > 0 && static_cast<int>(m_loadBuffers.size()) >= n)
    {
        std::vector<const float*> channels;
        for (int k = 0; k < n; ++k)
            channels.push_back(m_loadBuffers[static_cast<size_t>(k)].get());
        Replay(channels.data(), m_nStoredCount);
        m_nSampleCount = m_nStoredCount;
        m_bHasData = 1;
    }
    else
    {
        m_bHasData = 0;
        m_nSampleCount = 0;
    }
    FreeLoadBuffers();
    return 1;
}

BOOL CPvsTDisplay::ShowInfoText(int show, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowInfoText(show, text); });
    if (m_pGraph == nullptr)
        return 1;
    if (show && text != nullptr)
    {
        WGChangeString(m_pGraph, m_infoText, text, 0);
        WGRedrawObject(m_pGraph, m_infoText, TRUE);
        WGShowObject(m_pGraph, m_infoText, TRUE);
    }
    else
        WGShowObject(m_pGraph, m_infoText, FALSE);
    return 1;
}

void CPvsTDisplay::ShowMessage(float* value, LPCTSTR suffix)
{
    if (m_nPosition == 2 || m_pGraph == nullptr || value == nullptr)
        return;
    ShowTotalPressure(m_pGraph, m_alarmMessage, m_nDataSet, m_nMessageState, *value, suffix);
}

BOOL CPvsTDisplay::ShowAlarmMessage(float* value)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowAlarmMessage(value); });
    ShowMessage(value, nullptr);
    return 1;
}

BOOL CPvsTDisplay::UpdateAlarmMessage(float* value, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return UpdateAlarmMessage(value, text); });
    ShowMessage(value, text);
    return 1;
}

int CPvsTDisplay::HasTotalPressure()
{
    return Table() != nullptr && PvsTWords::TotalShown(*Table()) ? 1 : 0;
}

void CPvsTDisplay::ToggleTotalPressure()
{
    ::ToggleTotalPressure(Table(), m_pGraph, m_pressureCaption, m_alarmMessage);
}

int CPvsTDisplay::EditTextObject(GrDesc* graph, int object)
{
    if (graph != m_pGraph || m_pGraph == nullptr)
        return 0;
    if (object == 0)
        return 0;
    if (object == m_infoText)
        return 1;
    if (object == m_graphTitle)
        EditGraphTitle();
    else if (object == m_pressureCaption)
        ToggleTotalPressure();
    else if (object == m_titleText)
        EditTitleText();
    else if (object == m_unitsText)
    {
        if (CKelDoc* document = GetDocument())
            document->OnGraphUnits();
    }
    else
        return 0;
    return 1;
}

int CPvsTDisplay::EditMessageObject(GrDesc* graph, int object)
{
    if (graph != m_pGraph || m_pGraph == nullptr || object != m_alarmMessage)
        return 0;
    ToggleTotalPressure();
    return 1;
}

void CPvsTDisplay::EditTotalPressure()
{
    EditTextObject(m_pGraph, m_pressureCaption);
}

void CPvsTDisplay::EditWindowBackground()
{
    if (Table() == nullptr || !PickBackground(Table()->m_colorB1, FALSE) || m_pGraph == nullptr)
        return;
    // The lamps sit on the window background.
    for (uint16_t lamp : {m_nIndicatorA, m_nIndicatorB})
        if (lamp != 0)
            WRChangeButtonColor(m_pGraph, lamp, static_cast<COLORREF>(Table()->m_colorB1), 0);
    WGRedrawGraph(m_pGraph, FALSE);
}

void CPvsTDisplay::SetCursorProperties()
{
    if (m_pGraph == nullptr)
        return;
    ApplyCursorStyle(m_dataCursor);
    WGRedrawObject(m_pGraph, m_dataCursor, FALSE);
}

// ---- Scales

int CPvsTDisplay::IsLogScale()
{
    return Table() != nullptr && PvsTWords::LogScale(*Table()) ? 1 : 0;
}

int CPvsTDisplay::SetLogScale(int log)
{
    if (Table() == nullptr)
        return 0;
    CTable& t = *Table();
    t.m_displayWords[PvsTWords::kLogScale] = log ? 1 : 0;
    float top = t.m_axisTop, bottom = t.m_axisBottom;
    if (log)
    {
        if (bottom <= 0.0f)
            bottom = kLogFloor;
        if (top < 0.0f)
            top = PvsTWords::DefaultTop(t);
        if (bottom > 0.0f && bottom < kTinyRange)
            bottom = kTinyRange;
        if (top <= bottom)
        {
            top = PvsTWords::DefaultTop(t);
            bottom = kLogFloor;
        }
    }
    t.m_axisTop = top;
    t.m_axisBottom = bottom;
    if (m_pGraph == nullptr)
        return 1;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisScale(m_pGraph, m_yAxis, log ? 1 : 0, FALSE);
    const float range = top - bottom;
    float tick = t.GetDisplayFloat(CTable::kWordPressureTick);
    if (t.m_displayWords[PvsTWords::kTickAuto] || tick <= 0.0f)
        tick = 0.1f * range;
    else if (range / tick > 20.0f)
        tick = 0.05f * range;
    else if (range / tick < 1.0f)
        tick = 0.1f * range;
    t.SetDisplayFloat(CTable::kWordPressureTick, tick);
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    float intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_yAxis, &bottom, &top, &intercept);
    WGChangeAxisTicks(m_pGraph, m_yAxis, tick, PvsTWords::MinorTicks(t), PvsTWords::TickStyle(t));
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, TRUE);
    return 1;
}

int CPvsTDisplay::AutoScale()
{
    if (!m_bHasData || m_pGraph == nullptr || Table() == nullptr)
        return 1;
    float xMin = 0.0f, xMax = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &xMin, &xMax, &intercept);
    // The samples in view, found by their times (the sample interval may be below a second).
    const auto first =
        static_cast<size_t>(std::lower_bound(m_xValues.begin(), m_xValues.end(), xMin) - m_xValues.begin());
    const auto last =
        static_cast<size_t>(std::upper_bound(m_xValues.begin(), m_xValues.end(), xMax) - m_xValues.begin());
    float top = -FLT_MAX, bottom = FLT_MAX;
    bool counted = false;
    for (int k = 0; k < ActiveCount() && k < static_cast<int>(m_channelValues.size()); ++k)
    {
        if (!TraceShown(k))
            continue;
        const auto& values = m_channelValues[static_cast<size_t>(k)];
        const size_t end = std::min(last, values.size());
        for (size_t i = first; i < end; ++i)
        {
            top = std::max(top, values[i]);
            bottom = std::min(bottom, values[i]);
            counted = true;
        }
    }
    if (!counted)
        return 1;
    const bool log = WGGetAxisScale(m_pGraph, m_yAxis) == 1;
    if (log)
    {
        float lower = bottom, upper = top;
        if (RoundAxisRange(bottom, top, &lower, &upper, -13))
        {
            bottom = lower;
            top = upper;
        }
    }
    if (top == 0.0f || top <= bottom)
        return 1;
    if (bottom < -1.0f)
        bottom = 0.0f;
    const float span = std::fabs(top - bottom);
    if (!log)
    {
        top += 0.05f * span;
        bottom -= 0.02f * span;
    }
    else
    {
        if (top < 0.0f)
            return 0;
        if (bottom < 0.0f)
            bottom = 0.0f;
    }
    Table()->m_axisTop = top;
    Table()->m_axisBottom = bottom;
    const float tick = 0.1f * std::fabs(top - bottom);
    Table()->SetDisplayFloat(CTable::kWordPressureTick, tick);
    if (!WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE))
        return 0;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, TRUE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, tick, 4, 1);
    WGRedrawGraph(m_pGraph, FALSE);
    MoveCursor();
    return 1;
}

int CPvsTDisplay::ApplyXRange(float from, float to)
{
    const float lo = static_cast<float>(WholePart(from + 0.5f));
    const float hi = static_cast<float>(WholePart(to + 0.5f));
    if (hi <= lo || m_pGraph == nullptr)
        return 0;
    const float span = hi - lo;
    // The tick that divides the range best among those whose labels still fit the plot width.
    float digitsWidth = 0.0f, height = 0.0f;
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    if (Table() != nullptr)
    {
        const CTable::FontBlock& f = Table()->m_fonts[PvsTWords::kFontTimeLabels];
        WGSetTextByName(f.words[2], f.face, f.words[0], f.words[1]);
    }
    WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 10, &digitsWidth, &height);
    ReleaseDC(window, dc);
    // A label is eight characters wide.
    const float labelWidth = digitsWidth * 0.8f;
    const float plotWidth = m_plotArea[1] - m_plotArea[0];
    float tick = span, best = -FLT_MAX;
    for (int d = 1; d <= 50; ++d)
    {
        const float candidate = static_cast<float>(WholePart(span / static_cast<float>(d)));
        if (candidate < 1.0f || labelWidth * static_cast<float>(d + 1) > plotWidth)
            break;
        const float leftOver = static_cast<float>(d) - 2.0f * (span - candidate * static_cast<float>(d));
        if (leftOver >= best)
        {
            best = leftOver;
            tick = candidate;
        }
    }
    tick = std::max(1.0f, tick);
    if (!WGChangeAxisRange(m_pGraph, m_xAxis, lo, hi, FALSE))
        return 0;
    WGChangeAxisTicks(m_pGraph, m_xAxis, tick, 0, 3);
    WGChangeAxisIntercept(m_pGraph, m_yAxis, lo, TRUE);
    m_nXStartAtBuild = static_cast<int>(lo);
    m_nXEndAtBuild = static_cast<int>(hi);
    AutoScale();
    WGRedrawGraph(m_pGraph, FALSE);
    return 1;
}

int CPvsTDisplay::FullScale()
{
    if (Table() == nullptr)
        return 0;
    return ApplyXRange(static_cast<float>(Table()->m_timeStart), Table()->m_timeSpan);
}

int CPvsTDisplay::Zoom(float factor)
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float range = hi - lo;
    if (factor < 1.0f)
    {
        if (range * 0.5f < 0.5f)
            return 0;
        lo += range / 4.0f;
        hi -= range / 4.0f;
        // Whole seconds: a window that rounds back to its width is as narrow as it gets.
        if (WholePart(hi + 0.5f) - WholePart(lo + 0.5f) >= static_cast<int>(std::lround(range)))
            return 0;
    }
    else if (factor > 1.0f)
    {
        lo = std::max(lo - range / 2.0f, static_cast<float>(Table()->m_timeStart));
        hi = std::min(hi + range / 2.0f, Table()->m_timeSpan);
    }
    return ApplyXRange(lo, hi);
}

int CPvsTDisplay::PanLeft(float fraction)
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float range = hi - lo;
    const float shift = std::max(1.0f, fraction * 0.5f * range);
    lo -= shift;
    hi -= shift;
    const float start = static_cast<float>(Table()->m_timeStart);
    if (lo < start)
    {
        lo = start;
        hi = start + range;
    }
    return ApplyXRange(lo, hi);
}

int CPvsTDisplay::PanRight(float fraction)
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float range = hi - lo;
    const float shift = std::max(1.0f, fraction * 0.5f * range);
    lo += shift;
    hi += shift;
    const float end = Table()->m_timeSpan;
    if (hi > end)
    {
        hi = end;
        lo = end - range;
    }
    return ApplyXRange(lo, hi);
}

int CPvsTDisplay::CanChangeHistoryLength(int direction, int* current)
{
    const int points = Table() != nullptr ? Table()->m_timePoints : 0;
    if (current != nullptr)
        *current = points;
    if (direction == 0)
        return points < 6 ? 0 : 1;
    if (direction == 1)
        return points >= 16000 || m_nSampleCount < points ? 0 : 1;
    return 1;
}

void CPvsTDisplay::StartZoom(HWND graphWindow, int /*x*/, int /*y*/)
{
    WGStartZoom(graphWindow, m_xAxis, m_yAxis, 0x204, TRUE);
}

void CPvsTDisplay::UpdateXStep()
{
    if (Table() == nullptr)
        return;
    const int points = Table()->m_timePoints;
    // One point per screen has no step; take the whole span for it.
    const float span = Table()->m_timeSpan - static_cast<float>(Table()->m_timeStart);
    m_fXStep = points > 1 ? span / static_cast<float>(points - 1) : span;
}

int CPvsTDisplay::OnUnitsChanged(int /*flag*/)
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    CUnits* units = Table()->m_pUnits;
    WGChangeString(m_pGraph, m_pressureCaption,
                   units != nullptr && units->IsUserUnit() ? "Ref Pressure" : "Total Pressure", 0);
    if (units != nullptr)
        WGChangeString(m_pGraph, m_unitsText, units->m_szLabel, 0);
    if (!WGChangeAxisRange(m_pGraph, m_yAxis, Table()->m_axisBottom, Table()->m_axisTop, FALSE))
        return 0;
    WGChangeAxisTicks(m_pGraph, m_yAxis, Table()->GetDisplayFloat(CTable::kWordPressureTick),
                      PvsTWords::MinorTicks(*Table()), PvsTWords::TickStyle(*Table()));
    WGChangeAxisIntercept(m_pGraph, m_xAxis, Table()->m_axisBottom, TRUE);
    ResetHistory();
    return 1;
}

// ---- History

int CPvsTDisplay::ShowHistory(int points, int /*unused*/)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowHistory(points, 0); });
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    const float seconds = static_cast<float>(points) * m_fXStep;
    float used = 0.0f;
    if (!m_nHistoryShown)
        m_nHistoryShown = WRShowHist(m_pGraph, m_trace, -seconds,
                                     Table()->m_timeSpan - static_cast<float>(Table()->m_timeStart), &used);
    else
        WRMoveHistScroll(m_pGraph, m_trace, seconds, &used);
    return static_cast<int>(used);
}

int CPvsTDisplay::ResumeScrolling()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ResumeScrolling(); });
    if (m_pGraph != nullptr)
        WRResumeScroll(m_pGraph, m_trace);
    m_nHistoryShown = 0;
    return 1;
}

void CPvsTDisplay::ResetHistory()
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return;
    WRResetScroll(m_pGraph, m_trace);
    m_nHistoryShown = 0;
    if (m_nDataSet != 0)
        WRResetHistBuffer(m_nDataSet);
    const int n = std::min(ActiveCount(), static_cast<int>(m_channelValues.size()));
    size_t count = m_xValues.size();
    std::vector<const float*> channels;
    for (int k = 0; k < n; ++k)
    {
        auto& values = m_channelValues[static_cast<size_t>(k)];
        if (Table()->m_pUnits != nullptr)
            for (float& v : values)
                Table()->m_pUnits->Convert(v);
        count = std::min(count, values.size());
        channels.push_back(values.data());
    }
    if (n > 0)
        Replay(channels.data(), static_cast<int>(count));
}

// ---- Cursor

void CPvsTDisplay::ToggleCursor()
{
    if (m_pGraph == nullptr)
        return;
    m_bCursorShown = m_bCursorShown ? 0 : 1;
    WGMoveDataCursor(m_pGraph, m_dataCursor, 0.0f, 0.0f, m_bCursorShown ? TRUE : FALSE);
    if (m_legend != 0)
        WGShowLegendTitle(m_pGraph, m_legend, m_bCursorShown);
    s_bCursorShownGlobal = m_bCursorShown;
    if (!m_bCursorShown)
    {
        int line = 0;
        for (int k = 0; k < ActiveCount(); ++k)
            if (ChannelEnabled(k) && m_legend != 0)
                WGChangeString(m_pGraph, m_legend, Table()->m_active[k].m_szGasName, line++);
        if (m_legend != 0)
            WGRedrawObject(m_pGraph, m_legend, TRUE);
        return;
    }
    if (m_legend != 0)
        WGSetLegendTitle(m_pGraph, m_legend, "Time");
    if (!TrackMouseCursor(m_pGraph, 1, 0))
        ArrangeLegend(1);
}

int CPvsTDisplay::TrackMouseCursor(GrDesc* graph, int fromMouse, int step)
{
    if (graph != m_pGraph || m_pGraph == nullptr || Table() == nullptr)
        return 0;
    float time = m_fCursorX;
    int moveBy = m_nCursorStep;
    if (fromMouse)
    {
        float y = 0.0f;
        WGGetMousePos(m_pGraph, m_xAxis, m_yAxis, &time, &y);
        moveBy = step;
    }
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    if (time < lo - 0.5f || time > hi + 0.5f)
        return 0;
    // The nearest held sample, then the step.
    const auto it = std::lower_bound(m_xValues.begin(), m_xValues.end(), time);
    long index = static_cast<long>(it - m_xValues.begin());
    if (index > 0 && (index == static_cast<long>(m_xValues.size()) ||
                      std::fabs(m_xValues[static_cast<size_t>(index - 1)] - time) <=
                          std::fabs(m_xValues[static_cast<size_t>(index)] - time)))
        --index;
    index += moveBy;
    bool held = index >= 0 && index < static_cast<long>(m_xValues.size());
    // Past either end of the samples held, the cursor reads nothing there.
    if (held && moveBy == 0 &&
        std::fabs(m_xValues[static_cast<size_t>(index)] - time) > SampleInterval() * 0.5f + 0.5f)
        held = false;
    const float at = held ? m_xValues[static_cast<size_t>(index)] : time;
    m_fCursorX = at;
    m_nCursorStep = 0;
    WGMoveDataCursor(m_pGraph, m_dataCursor, at, 0.0f, TRUE);
    if (m_legend != 0)
    {
        const int whole = std::max(0, static_cast<int>(at));
        char title[40];
        std::snprintf(title, sizeof title, "Time:%02d:%02d:%02d", whole / 3600, whole / 60 % 60, whole % 60);
        WGSetLegendTitle(m_pGraph, m_legend, title);
        int line = 0;
        for (int k = 0; k < ActiveCount(); ++k)
        {
            if (!ChannelEnabled(k))
                continue;
            float value = 0.0f;
            if (held && k < static_cast<int>(m_channelValues.size()) &&
                index < static_cast<long>(m_channelValues[static_cast<size_t>(k)].size()))
                value = m_channelValues[static_cast<size_t>(k)][static_cast<size_t>(index)];
            char text[64];
            std::snprintf(text, sizeof text, "%1.2e %s", static_cast<double>(value),
                          Table()->m_active[k].m_szGasName);
            WGChangeString(m_pGraph, m_legend, text, line++);
        }
    }
    ArrangeLegend(1);
    return 1;
}

void CPvsTDisplay::MoveCursor()
{
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 0, 0);
}

// ---- Document file

float* CPvsTDisplay::NewBuffer(size_t count)
{
    return new (std::nothrow) float[count]();
}

void CPvsTDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        const int n = ActiveCount();
        m_nStoredCount =
            Table() != nullptr ? std::min(m_nSampleCount, static_cast<int>(m_xValues.size())) : 0;
        ar.WriteObject(Table());
        ar << static_cast<LONG>(m_nStoredCount);
        if (m_nStoredCount > 0)
        {
            const unsigned capacity = PvsTWords::HistoryCapacity(*Table());
            std::unique_ptr<float[]> history(NewBuffer(static_cast<size_t>(capacity) * n));
            if (!history)
            {
                AfxMessageBox("Problem allocating PvsT buffers", MB_ICONSTOP);
                // A file without the display's samples is no saved document.
                AfxThrowMemoryException();
            }
            ReadData(history.get(), static_cast<int>(capacity) * n);
            for (int k = 0; k < n; ++k)
                for (int i = 0; i < m_nStoredCount; ++i)
                    ar << history[static_cast<size_t>(k) * capacity + i];
            for (int i = 0; i < m_nStoredCount; ++i)
                ar << m_xValues[static_cast<size_t>(i)];
        }
        CDisplay::Serialize(ar);
        return;
    }
    // The table is the document's (read before the display); the document checks the reference.
    CTable* table = nullptr;
    CArchiveFieldReads fields(ar);
    fields.Read(table, RUNTIME_CLASS(CTable));
    if (table == nullptr)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    LONG stored = 0;
    ar >> stored;
    const int n = std::clamp(table->m_activeCount, 0, static_cast<int>(CTable::kChannels));
    // More samples than the history holds were never written by a store.
    if (stored < 0 || stored > static_cast<LONG>(PvsTWords::HistoryCapacity(*table)) ||
        (stored > 0 && n == 0))
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    std::vector<std::unique_ptr<float[]>> buffers;
    std::vector<std::vector<float>> channels(static_cast<size_t>(n));
    std::vector<float> xs;
    if (stored > 0)
    {
        for (int k = 0; k < n; ++k)
        {
            buffers.emplace_back(NewBuffer(static_cast<size_t>(stored)));
            if (!buffers.back())
            {
                AfxMessageBox("Problem allocating PvsT buffers", MB_ICONSTOP);
                AfxThrowMemoryException();
            }
            auto& list = channels[static_cast<size_t>(k)];
            list.resize(static_cast<size_t>(stored));
            for (LONG i = 0; i < stored; ++i)
            {
                ar >> buffers.back()[i];
                list[static_cast<size_t>(i)] = buffers.back()[i];
            }
        }
        xs.resize(static_cast<size_t>(stored));
        for (float& x : xs)
            ar >> x;
    }
    CDisplay::Serialize(ar);
    fields.Commit();
    m_pSettings = table;
    m_nStoredCount = static_cast<int>(stored);
    m_nSampleCount = m_nStoredCount;
    if (stored > 0)
    {
        const float interval = SampleInterval();
        if (table->m_timePoints < stored)
            table->m_timePoints = static_cast<int32_t>(stored);
        table->m_timeStart = 0;
        table->m_timeSpan = static_cast<float>(table->m_timePoints) * interval;
        table->SetDisplayFloat(PvsTWords::kHistoryStart, 0.0f);
        table->SetDisplayFloat(PvsTWords::kHistoryEnd, static_cast<float>(stored) * interval);
        if (table->m_displayWords[CTable::kWordTimeMode] != 3)
            for (LONG i = 0; i < stored; ++i)
                xs[static_cast<size_t>(i)] = static_cast<float>(i) * interval;
    }
    m_loadBuffers = std::move(buffers);
    m_channelValues = std::move(channels);
    m_xValues = std::move(xs);
}

// ---- Chart editors

namespace
{
LineAttributes LineOf(const LineDesc* line)
{
    LineAttributes attributes;
    if (line != nullptr)
    {
        attributes.nColour = std::max<int>(0, line->paletteIndex);
        attributes.nStyle = line->style;
        attributes.nWidth = line->pixelWidth;
    }
    return attributes;
}

ChartFont FontOf(const CTable::FontBlock& block)
{
    ChartFont font;
    font.nSize = block.words[0];
    font.strFaceName = block.face;
    font.SetStyleWord(block.words[1]);
    font.nColourIndex = block.words[2];
    font.crColour = WGGetRGBColor(block.words[2]);
    return font;
}

void StoreFont(CTable::FontBlock& block, const ChartFont& font)
{
    CopyTextField(block.face, sizeof block.face, static_cast<LPCTSTR>(font.strFaceName));
    block.words[0] = font.nSize;
    block.words[1] = font.StyleWord();
    block.words[2] = font.nColourIndex;
}

// The font a chart text object has now, for a dialog to start from.
ChartFont FontOfObject(GrDesc* graph, int object)
{
    ChartFont font;
    font.nSize = WGGetFontSize(graph, object);
    const char* face = WGGetFontName(graph, object);
    font.strFaceName = face != nullptr ? face : "";
    font.bBold = WGGetFontWeight(graph, object) >= 700 ? 1 : 0;
    font.nWeight = font.bBold ? 700 : 400;
    font.bItalic = WGGetFontItal(graph, object) ? 1 : 0;
    font.bUnderline = WGGetFontUnder(graph, object) ? 1 : 0;
    font.nColourIndex = WGGetTextColor(graph, object);
    font.crColour = WGGetRGBColor(font.nColourIndex);
    return font;
}

// Grid 0 (major) and 1 (minor) of an axis as the two axis dialogs show them.
void ReadGrids(GrDesc* graph, int axis, int on[2], LineAttributes lines[2])
{
    LineDesc* major = nullptr;
    LineDesc* minor = nullptr;
    WGGetGrid(graph, axis, &on[0], &on[1], &major, &minor);
    lines[0] = LineOf(major);
    lines[1] = LineOf(minor);
}

void ApplyGrids(GrDesc* graph, int axis, const int on[2], const LineAttributes* const lines[2])
{
    for (int g = 0; g < 2; ++g)
    {
        WGChangeGrid(graph, axis, g, lines[g]->nStyle, lines[g]->nWidth, WGGetRGBColor(lines[g]->nColour));
        WGToggleGrid(graph, axis, g, on[g] ? TRUE : FALSE);
    }
}
} // namespace

int PvsTWords::YLabelPrecision(const CTable& t)
{
    const uint32_t word = t.m_displayWords[kYLabelFormat];
    return word & 0x10000u ? static_cast<int>(word & 0xFFu) : 1;
}

int PvsTWords::YLabelFormat(const CTable& t)
{
    const uint32_t word = t.m_displayWords[kYLabelFormat];
    return word & 0x10000u ? static_cast<int>((word >> 8) & 0xFFu) : 1;
}

void PvsTWords::SetYLabelFormat(CTable& t, int precision, int format)
{
    t.m_displayWords[kYLabelFormat] = 0x10000u | (static_cast<uint32_t>(std::clamp(format, 0, 2)) << 8) |
                                      static_cast<uint32_t>(std::clamp(precision, 0, 10));
}

void CPvsTDisplay::MarkModified()
{
    if (CKelDoc* document = GetDocument())
        document->SetModifiedFlag(TRUE);
}

int CPvsTDisplay::SlotOf(int k) const
{
    return std::clamp(Table()->m_active[k].m_number - 1, 0, CTable::kChannels - 1);
}

void CPvsTDisplay::ApplyTraceLine(int k)
{
    const CTable& t = *Table();
    const int slot = SlotOf(k);
    WGChangeLineColor(m_pGraph, m_trace, t.m_channelColors[slot], k);
    WGChangeLineWidth(m_pGraph, m_trace, t.m_channelWords1[slot], k);
    WGChangeLineStyle(m_pGraph, m_trace, t.m_flags[slot] ? t.m_channelWords2[slot] : 5, k);
}

int CPvsTDisplay::EditObject(GrDesc* graph)
{
    if (graph == m_pGraph && m_pGraph != nullptr && Table() != nullptr && m_trace != 0)
    {
        for (int k = 0; k < ActiveCount(); ++k)
            WGChangeLineColor(m_pGraph, m_trace, Table()->m_channelColors[SlotOf(k)], k);
        Redraw();
    }
    return 1;
}

int CPvsTDisplay::EditLegend(GrDesc* graph, int object)
{
    if (graph != m_pGraph || m_pGraph == nullptr || object == 0 || object != m_legend || Table() == nullptr)
        return 0;
    CTraceColorDlg dialog;
    dialog.m_pTable = Table();
    if (dialog.DoModal() == IDOK)
        MarkModified();
    return 1;
}

int CPvsTDisplay::EditScrollObject(GrDesc* graph, int object)
{
    if (graph != m_pGraph || m_pGraph == nullptr || object == 0 || object != m_trace || Table() == nullptr)
        return 0;
    CTable& t = *Table();
    const int n = ActiveCount();
    if (n == 0)
        return 0;
    CTraceLinePropertiesDlg dialog;
    dialog.m_nChannels = n;
    for (int k = 0; k < n; ++k)
    {
        const int slot = SlotOf(k);
        dialog.m_colour[k] = t.m_channelColors[slot];
        dialog.m_style[k] = t.m_channelWords2[slot];
        dialog.m_width[k] = t.m_channelWords1[slot];
    }
    if (dialog.DoModal() != IDOK)
        return 1;
    for (int k = 0; k < n; ++k)
    {
        const int slot = SlotOf(k);
        t.m_channelColors[slot] = dialog.m_colour[k];
        t.m_channelWords2[slot] = dialog.m_style[k];
        t.m_channelWords1[slot] = dialog.m_width[k];
        ApplyTraceLine(k);
    }
    // The trace keeps its time scale; the new lines are drawn from its history.
    float interval = 0.0f, kept = 0.0f;
    int mode = 0;
    if (WRGetScrollGraphParams(m_pGraph, m_trace, &interval, &kept, &mode))
        WRChangeScrollGraph(m_pGraph, m_trace, interval, kept, mode);
    Redraw();
    MarkModified();
    return 1;
}

int CPvsTDisplay::EditAxis(GrDesc* graph, int axis)
{
    if (graph != m_pGraph || m_pGraph == nullptr || axis == 0 || Table() == nullptr)
        return 0;
    CTable& t = *Table();
    if (axis == m_yAxis)
    {
        CYAxisDlg dialog;
        dialog.m_fFrom = t.m_axisBottom;
        dialog.m_fTo = t.m_axisTop;
        dialog.m_fHighest = t.m_valueMaximum;
        dialog.m_fLowest = t.m_valueMinimum;
        const float tick = t.GetDisplayFloat(CTable::kWordPressureTick);
        dialog.m_fStep = tick > 0.0f ? tick : 0.1f * std::fabs(t.m_axisTop - t.m_axisBottom);
        dialog.m_nMinorTicks = std::clamp(PvsTWords::MinorTicks(t), 0, 10);
        dialog.m_bAutomatic = t.m_displayWords[PvsTWords::kTickAuto] ? 1 : 0;
        dialog.m_bLogarithmic = PvsTWords::LogScale(t) ? 1 : 0;
        dialog.m_axisLine = LineOf(GetLineDesc(m_pGraph, m_yAxis, 0));
        int on[2] = {};
        LineAttributes lines[2];
        ReadGrids(m_pGraph, m_yAxis, on, lines);
        dialog.m_bMajorGrid = on[0];
        dialog.m_bMinorGrid = on[1];
        dialog.m_majorGridLine = lines[0];
        dialog.m_minorGridLine = lines[1];
        if (dialog.DoModal() != IDOK)
            return 1;
        MarkModified();
        ApplyLineAttributes(m_pGraph, m_yAxis, dialog.m_axisLine);
        const int chosen[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
        const LineAttributes* const chosenLines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
        ApplyGrids(m_pGraph, m_yAxis, chosen, chosenLines);
        t.m_displayWords[PvsTWords::kTickAuto] = dialog.m_bAutomatic ? 1 : 0;
        t.m_displayWords[PvsTWords::kMinorTicks] = static_cast<uint32_t>(dialog.m_nMinorTicks);
        t.m_axisBottom = dialog.m_fFrom;
        t.m_axisTop = dialog.m_fTo;
        t.SetDisplayFloat(CTable::kWordPressureTick, dialog.m_fStep);
        if ((dialog.m_bLogarithmic != 0) != PvsTWords::LogScale(t))
            SetLogScale(dialog.m_bLogarithmic);
        WGChangeAxisRange(m_pGraph, m_yAxis, t.m_axisBottom, t.m_axisTop, FALSE);
        WGChangeAxisTicks(m_pGraph, m_yAxis, t.GetDisplayFloat(CTable::kWordPressureTick),
                          PvsTWords::MinorTicks(t), PvsTWords::TickStyle(t));
        WGChangeAxisIntercept(m_pGraph, m_xAxis, t.m_axisBottom, TRUE);
        MoveCursor();
        Redraw();
        return 1;
    }
    if (axis != m_xAxis)
        return 0;
    CXAxisDlg dialog;
    dialog.m_bTimeAxis = 1;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    dialog.m_nTimeFrom = std::clamp(WholePart(lo + 0.5f), 0, CXAxisDlg::kMaxTimeSeconds - 1);
    dialog.m_nTimeTo = std::clamp(WholePart(hi + 0.5f), dialog.m_nTimeFrom + 1, CXAxisDlg::kMaxTimeSeconds);
    dialog.m_fLowest = static_cast<float>(t.m_timeStart);
    dialog.m_fHighest = t.m_timeSpan;
    dialog.m_nStep = 1;
    dialog.m_nPosition = WGGetLabelsPos(m_pGraph, m_xLabels);
    dialog.m_axisLine = LineOf(GetLineDesc(m_pGraph, m_xAxis, 0));
    int on[2] = {};
    LineAttributes lines[2];
    ReadGrids(m_pGraph, m_xAxis, on, lines);
    dialog.m_bMajorGrid = on[0];
    dialog.m_bMinorGrid = on[1];
    dialog.m_majorGridLine = lines[0];
    dialog.m_minorGridLine = lines[1];
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    ApplyLineAttributes(m_pGraph, m_xAxis, dialog.m_axisLine);
    const int chosen[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
    const LineAttributes* const chosenLines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
    ApplyGrids(m_pGraph, m_xAxis, chosen, chosenLines);
    // The window may reach past the samples held: the time axis ends where the user asks.
    if (static_cast<float>(dialog.m_nTimeTo) > t.m_timeSpan)
        t.m_timeSpan = static_cast<float>(dialog.m_nTimeTo);
    ApplyXRange(static_cast<float>(dialog.m_nTimeFrom), static_cast<float>(dialog.m_nTimeTo));
    WGChangeAxisRange(m_pGraph, m_yAxis, t.m_axisBottom, t.m_axisTop, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, t.GetDisplayFloat(CTable::kWordPressureTick),
                      PvsTWords::MinorTicks(t), PvsTWords::TickStyle(t));
    WGChangeAxisIntercept(m_pGraph, m_xAxis, t.m_axisBottom, TRUE);
    MoveCursor();
    Redraw();
    return 1;
}

int CPvsTDisplay::EditAxisLabels(GrDesc* graph, int labels)
{
    if (graph != m_pGraph || m_pGraph == nullptr || labels == 0 || Table() == nullptr)
        return 0;
    if (labels == m_xLabels)
        return EditTimeLabels(graph, labels);
    if (labels != m_yLabels)
        return 0;
    CTable& t = *Table();
    CTable::FontBlock& block = t.m_fonts[PvsTWords::kFontYLabels];
    CAxisLabelsDlg dialog;
    dialog.m_font = FontOf(block);
    dialog.m_nStyle = block.words[1];
    dialog.m_nDecimalPlaces = PvsTWords::YLabelPrecision(t);
    dialog.m_nFormat = PvsTWords::YLabelFormat(t);
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    ChartFont font = dialog.m_font;
    font.SetStyleWord(dialog.m_nStyle);
    PvsTWords::SetYLabelFormat(t, dialog.m_nDecimalPlaces, dialog.m_nFormat);
    StoreFont(block, font);
    WGChangeLabelsPrec(m_pGraph, m_yLabels, dialog.m_nDecimalPlaces);
    WGChangeLabelsFormat(m_pGraph, m_yLabels, dialog.m_nFormat);
    ApplyChartFont(m_pGraph, m_yLabels, font, font.nSize);
    Redraw();
    return 1;
}

int CPvsTDisplay::EditTimeLabels(GrDesc* graph, int object)
{
    if (graph != m_pGraph || m_pGraph == nullptr || object == 0 || object != m_xLabels)
        return 0;
    CAxisLabelsDlg dialog;
    dialog.m_font = FontOfObject(m_pGraph, m_xLabels);
    dialog.m_nStyle = dialog.m_font.StyleWord();
    dialog.m_bFormatHidden = 1;
    if (dialog.DoModal() != IDOK)
        return 1;
    ChartFont font = dialog.m_font;
    font.SetStyleWord(dialog.m_nStyle);
    ApplyChartFont(m_pGraph, m_xLabels, font, font.nSize);
    Redraw();
    MarkModified();
    return 1;
}

void CPvsTDisplay::EditTableText(int object, char* text, size_t size, int fontBlock, bool graphTitle)
{
    if (m_pGraph == nullptr || Table() == nullptr || object == 0)
        return;
    CTable::FontBlock& block = Table()->m_fonts[fontBlock];
    CTextParametersDlg dialog;
    dialog.m_strText = text;
    dialog.m_font = FontOf(block);
    if (!graphTitle)
        dialog.m_font.nSize = WGGetFontSize(m_pGraph, object);
    if (dialog.DoModal() != IDOK)
        return;
    MarkModified();
    CopyTextField(text, size, static_cast<LPCTSTR>(dialog.m_strText));
    StoreFont(block, dialog.m_font);
    ApplyChartFont(m_pGraph, object, dialog.m_font, dialog.m_font.nSize);
    WGChangeString(m_pGraph, object, text, 0);
    if (graphTitle)
        Redraw();
    else
        WGRedrawObject(m_pGraph, object, TRUE);
}

void CPvsTDisplay::EditTitleText()
{
    if (Table() != nullptr)
        EditTableText(m_titleText, Table()->m_szTimeTitle, sizeof Table()->m_szTimeTitle,
                      PvsTWords::kFontTimeCaption, false);
}

void CPvsTDisplay::EditGraphTitle()
{
    if (Table() != nullptr)
        EditTableText(m_graphTitle, Table()->m_szPvsTTitle, sizeof Table()->m_szPvsTTitle,
                      PvsTWords::kFontTitle, true);
}

void CPvsTDisplay::EditGraphBackground()
{
    if (Table() == nullptr)
        return;
    // The table starts with a palette index; a chosen colour is kept as its RGB value.
    int32_t colour = static_cast<int32_t>(PvsTWords::PlotColour(*Table()));
    if (PickBackground(colour, TRUE))
    {
        Table()->m_colorB2 = colour;
        if (m_pGraph != nullptr)
            WGRedrawGraph(m_pGraph, FALSE);
    }
}

void ShowTotalPressure(GrDesc* graph, int message, int dataSet, int& state, float value, LPCTSTR suffix)
{
    char text[64] = {};
    FormatAlarmValue(text, sizeof text, value);
    if (suffix != nullptr)
        std::strncat(text, suffix, sizeof text - std::strlen(text) - 1);
    state ^= 1;
    WRChangeMessage(graph, message, text, 0, state);
    if (dataSet != 0)
        WRSetBitExclusive(dataSet, state, graph);
}

void ToggleTotalPressure(CTable* table, GrDesc* graph, int caption, int value)
{
    if (table == nullptr ||
        AfxMessageBox(IDS_TOGGLE_TOTAL_PRESSURE, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    uint32_t& shown = table->m_displayWords[PvsTWords::kTotalShown];
    shown = shown ? 0 : 1;
    if (graph != nullptr)
    {
        WGShowObject(graph, caption, shown ? TRUE : FALSE);
        WGShowObject(graph, value, shown ? TRUE : FALSE);
        WGRedrawGraph(graph, FALSE);
    }
}
