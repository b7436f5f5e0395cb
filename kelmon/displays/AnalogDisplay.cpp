#include "displays/AnalogDisplay.h"

#include "dialogs/TraceLinePropertiesDlg.h"

#include "displays/ChartHost.h"
#include "displays/GraphBuilder.h"
#include "displays/DisplaySupport.h"
#include "displays/LayoutFile.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

IMPLEMENT_SERIAL(CAnalogDisplay, CDisplay, 1)

namespace
{
// The display's axes are the painter's first two axis objects; WG calls take their numbers.
constexpr float kTinyRange = 1e-20f;
constexpr float kLogFloor = 1e-12f;
} // namespace

CAnalogDisplay::CAnalogDisplay()
{
    m_nKind = 1;
}

CAnalogDisplay::CAnalogDisplay(CAnalogData* settings, int position, CKelDoc* document)
{
    m_nKind = 1;
    m_pSettings = settings;
    m_pDocument = document;
    if (settings != nullptr)
        settings->m_position = position;
    m_nPosition = position;
    BuildPage();
}

CAnalogDisplay::~CAnalogDisplay()
{
    ClosePage();
}

CAnalogData* CAnalogDisplay::Settings() const
{
    return static_cast<CAnalogData*>(m_pSettings);
}

void CAnalogDisplay::SizeValues()
{
    const CAnalogData* s = Settings();
    const int count = s != nullptr && s->m_pointCount > 0 ? s->m_pointCount : 0;
    if (static_cast<int>(m_values.size()) != count)
        m_values.resize(count, 0.0f);
    m_nPointsReceived = std::min(m_nPointsReceived, count);
    if (m_nWriteIndex >= count)
        m_nWriteIndex = 0;
}

float CAnalogDisplay::MassOf(int index) const
{
    const CAnalogData* s = Settings();
    return static_cast<float>(s->m_startMass) +
           static_cast<float>(index) / static_cast<float>(s->m_pointsPerAmu);
}

// ---- Page

int CAnalogDisplay::BuildPage()
{
    CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    delete m_pLayoutItems;
    m_pLayoutItems = new CLayoutFile(this);
    if (m_values.empty())
        m_values.assign(std::max(s->m_pointCount, 0), 0.0f);
    SizeValues();
    m_bHasData = 0;
    m_nPointsReceived = 0;
    m_nWriteIndex = 0;
    m_nPosition = s->m_position;

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;

    MakePageName();
    std::strncat(m_szPageName, "Analog", sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    s->ComputeMassTicks();
    m_fXStep = s->m_pointCount > 1 ? static_cast<float>(s->m_stopMass - s->m_startMass) /
                                         static_cast<float>(s->m_pointCount - 1)
                                   : 0.0f;
    char graphName[40];
    std::snprintf(graphName, sizeof graphName, "%s.Analog#1", m_szPageName);

    auto painter = std::make_unique<CAnalogGraphPainter>(s, graphName);
    auto builder = std::make_unique<CSingleGraphBuilder>(
        painter.get(), static_cast<COLORREF>(s->m_windowBackground), s->m_painterValue);
    if (!OpenGraphPage(view, *builder, WS_CLIPCHILDREN))
        return 0;

    const CAnalogGraphPainter& p = *painter;
    m_nDataSet = p.m_nDataSet;
    m_nSecondSet = p.m_nSecondSet;
    m_trace = p.m_trace;
    m_xLabels = p.m_plot.xLabels;
    m_yLabels = p.m_plot.yLabels;
    m_yTitle = p.m_plot.yCaption;
    m_xAxis = p.m_plot.xAxis;
    m_yAxis = p.m_plot.yAxis;
    m_titleText = p.m_plot.xCaption;
    m_graphTitle = p.m_plot.title;
    m_infoText = p.m_infoText;
    m_alarmMessage = p.m_alarmMessage;
    m_pressureText = p.m_pressureCaption;
    m_dataCursor = p.m_dataCursor;
    m_averagingText = p.m_averagingText;
    m_cursorText = p.m_cursorText;
    m_logProgressText = p.m_logProgressText;
    m_sweepCursor = p.m_sweepCursor;
    m_scanCounterText = p.m_scanCounterText;
    m_grids[0] = p.m_plot.yGrids[0];
    m_grids[1] = p.m_plot.yGrids[1];
    m_grids[2] = p.m_plot.xGrids[0];
    m_grids[3] = p.m_plot.xGrids[1];
    std::memcpy(m_plotArea, p.m_plotArea, sizeof m_plotArea);

    for (uint16_t object : {m_cursorText, m_scanCounterText, m_titleText, m_yTitle, m_graphTitle})
        WGEnableObjActivation(m_pGraph, object, TRUE);
    m_pLayoutItems->AddText(m_cursorText);
    WGShowObject(m_pGraph, m_cursorText, m_bCursorShown ? TRUE : FALSE);
    m_pLayoutItems->AddText(m_scanCounterText);
    m_pLayoutItems->AddXTitle(m_titleText);
    m_pLayoutItems->AddYTitle(m_yTitle);
    m_pLayoutItems->AddTitle(m_graphTitle);

    const int32_t enables[4] = {s->m_yMajorGrid, s->m_yGrid[0].on, s->m_xMajorGrid, s->m_xGrid[0].on};
    for (int i = 0; i < 4; ++i)
        if (enables[i] && m_grids[i] != 0)
            WRUpdateObj(m_pGraph, m_grids[i]);

    // The mass caption names the axis on a whole view; a pane leaves the room to the other pane.
    WGShowObject(m_pGraph, m_titleText, m_nPosition == 0 ? TRUE : FALSE);
    if (m_nPosition != 2)
    {
        ShowReadout(s->m_alarmMessageShown);
        WRSetBitExclusive(m_nDataSet, 0, m_pGraph);
    }
    ArrangeLabels();
    if (m_fCursorX < s->m_startMass || m_fCursorX > s->m_stopMass)
        m_fCursorX = static_cast<float>(s->m_startMass);
    MoveCursor();
    return 1;
}

BOOL CAnalogDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return CDisplay::Rebuild(); });
    return CDisplay::Rebuild();
}

int CAnalogDisplay::ClosePage()
{
    const int slots[2] = {m_nDataSet, m_nSecondSet};
    const int closed = CDisplay::ClosePage();
    if (closed)
    {
        for (int slot : slots)
            if (slot != 0)
                WRFreeDynDataSet(slot);
        m_nDataSet = m_nSecondSet = 0;
    }
    return closed;
}

void CAnalogDisplay::ShowReadout(int show)
{
    if (m_pGraph == nullptr)
        return;
    WGShowObject(m_pGraph, m_alarmMessage, show ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_pressureText, show ? TRUE : FALSE);
    WGRedrawObject(m_pGraph, m_alarmMessage, FALSE);
    WGRedrawObject(m_pGraph, m_pressureText, FALSE);
}

void CAnalogDisplay::ArrangeLabels()
{
    if (m_pGraph == nullptr)
        return;
    // The read-outs sit in the band above the plot, the counters in the band below it; their
    // heights follow the text size on the graph as it is now.
    float width = 0.0f, height = 0.0f;
    HDC dc = GetDC(WGGetGraphWindow(m_pGraph));
    WGSetTextByName(0, "Arial", 8, 1);
    WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 10, &width, &height);
    float readoutWidth = 0.0f, unused = 0.0f;
    WGGetTextSizeNorm(m_pGraph, dc, TRUE, "X = 000.0 Y = 0.00e-00", 0, &readoutWidth, &unused);
    // The pressure labels must fit left of the plot: the plot gives way when the text is large.
    const CAnalogData* s = Settings();
    if (s != nullptr)
    {
        WGSetTextByName(s->m_textStyle[1].colour, s->m_textStyle[1].face, s->m_textStyle[1].size,
                        s->m_textStyle[1].style);
        float labelWidth = 0.0f;
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0.0x10-00", 0, &labelWidth, &unused);
        float xFrom = 0.0f, yFrom = 0.0f, xTo = 0.0f, yTo = 0.0f;
        WGGetPlotPos(m_pGraph, &xFrom, &yFrom, &xTo, &yTo);
        const float needed = std::min(0.3f, labelWidth + 0.02f);
        if (xFrom < needed && xTo > needed)
        {
            WGChangePlotPos(m_pGraph, needed, yFrom, xTo, yTo);
            m_plotArea[0] = needed;
        }
    }
    ReleaseDC(WGGetGraphWindow(m_pGraph), dc);
    const float top = m_plotArea[3], bottom = m_plotArea[2];
    const float above = std::max(0.005f, top / 2.0f - height / 2.0f);
    const float readoutX = std::max(0.5f, m_plotArea[1] - readoutWidth);
    WGChangeObjectCoordNorm(m_pGraph, m_cursorText, readoutX, above, readoutX, above);
    WGChangeObjectCoordNorm(m_pGraph, m_scanCounterText, (m_plotArea[0] + m_plotArea[1]) / 2.0f, top + 0.01f,
                            0.0f, 0.0f);
    const float below = std::max((bottom + 1.0f) / 2.0f, 1.0f - height * 0.8f);
    WGChangeObjectCoordNorm(m_pGraph, m_averagingText, 0.1f, below, 0.0f, 0.0f);
    WGChangeObjectCoordNorm(m_pGraph, m_logProgressText, 0.7f, below, 0.0f, 0.0f);
}

// ---- Data

void CAnalogDisplay::FeedPoint(float mass, float value)
{
    const float point[2] = {mass, value};
    if (m_nDataSet != 0)
        WRUpdateData(m_nDataSet, point, m_pGraph);
}

void CAnalogDisplay::UpdateData(void* record, int /*flag*/)
{
    const CAnalogData* s = Settings();
    if (record == nullptr || s == nullptr || s->m_pointCount <= 0)
        return;
    auto* point = static_cast<const float*>(record);
    // The point count may have changed under the display (new parameters): the array follows it.
    SizeValues();
    if (m_nDataSet != 0)
        WRUpdateData(m_nDataSet, point, m_pGraph);
    m_values[m_nWriteIndex] = point[1];
    ++m_nPointsReceived;
    ++m_nWriteIndex;
    if (m_nPointsReceived > s->m_pointCount)
        m_nPointsReceived = 1;
    if (m_nPointsReceived == s->m_pointCount || m_nWriteIndex >= s->m_pointCount)
        m_nWriteIndex = 0;
    m_bHasData = 1;
    if (m_pGraph == nullptr)
        return;
    if (m_bCursorShown)
    {
        const int i = static_cast<int>((m_fCursorX - s->m_startMass) * s->m_pointsPerAmu);
        if (i == 0 || i == m_nWriteIndex - 1)
            TrackMouseCursor(m_pGraph, 0, 0);
    }
    const DWORD now = ::GetTickCount();
    if (m_nWriteIndex == 0 || now - m_dwSweepCursorMoved >= kSweepCursorMs)
    {
        m_dwSweepCursorMoved = now;
        WGMoveDataCursor(m_pGraph, m_sweepCursor, s->m_startMass + m_nWriteIndex * m_fXStep, 1.0f, TRUE);
    }
}

int CAnalogDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    SizeValues();
    if (values != nullptr)
    {
        const int n = std::min(capacity, static_cast<int>(m_values.size()));
        if (n > 0)
            std::memcpy(values, m_values.data(), sizeof(float) * n);
    }
    return m_nPointsReceived;
}

float CAnalogDisplay::GetCurrentValue()
{
    return m_nWriteIndex >= 0 && m_nWriteIndex < static_cast<int>(m_values.size()) ? m_values[m_nWriteIndex]
                                                                                   : 0.0f;
}

BOOL CAnalogDisplay::ShowScanData(const float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowScanData(values); });
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    SizeValues();
    const int count = s->m_pointCount;
    // A whole sweep goes through a temporary set so the trace is redrawn once, not point by point.
    int temp = 0;
    if (m_pGraph != nullptr && m_trace != 0)
    {
        temp = WRDefineDynDataSet("TempAnalData", 2 * s->m_tempSetHalfCount,
                                  s->m_pUnits != nullptr ? s->m_pUnits->m_szLabel : "", nullptr, count);
        if (temp != 0)
            WRReconnectDynDataSet(m_pGraph, m_trace, temp);
    }
    if (values != nullptr)
    {
        for (int i = 0; i < count; ++i)
        {
            FeedPoint(MassOf(i), values[i]);
            m_values[i] = values[i];
        }
        m_nPointsReceived = count;
        m_nWriteIndex = 0;
        m_bHasData = 1;
    }
    else if (m_nStoredCount <= 0)
    {
        m_bHasData = 0;
        m_nPointsReceived = 0;
    }
    else
    {
        const int stored = std::min(m_nStoredCount, static_cast<int>(m_values.size()));
        for (int i = 0; i < stored; ++i)
            FeedPoint(MassOf(i), m_values[i]);
        m_bHasData = 1;
        m_nPointsReceived = stored;
        m_nWriteIndex = 0;
    }
    if (temp != 0)
    {
        WRReconnectDynDataSet(m_pGraph, m_trace, m_nDataSet);
        WRFreeDynDataSet(temp);
    }
    return 1;
}

BOOL CAnalogDisplay::StoreScanData(const float* values)
{
    if (values == nullptr)
        return 1;
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return StoreScanData(values); });
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    SizeValues();
    for (int i = 0; i < s->m_pointCount; ++i)
    {
        FeedPoint(MassOf(i), values[i]);
        m_values[i] = values[i];
    }
    m_nPointsReceived = s->m_pointCount;
    m_nWriteIndex = 0;
    m_bHasData = 1;
    return 1;
}

BOOL CAnalogDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    if (m_pGraph != nullptr)
    {
        WRResetScroll(m_pGraph, m_trace);
        WRResetHistBuffer(m_nDataSet);
        WGShowObject(m_pGraph, m_scanCounterText, FALSE);
    }
    const CAnalogData* s = Settings();
    m_values.assign(s != nullptr ? std::max(s->m_pointCount, 0) : 0, 0.0f);
    m_nPointsReceived = 0;
    m_nWriteIndex = 0;
    m_bHasData = 0;
    AutoScale();
    return 1;
}

void CAnalogDisplay::ResetHistory()
{
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return;
    if (m_pGraph != nullptr)
    {
        WRResetScroll(m_pGraph, m_trace);
        WRResetHistBuffer(m_nDataSet);
    }
    SizeValues();
    for (size_t i = 0; i < m_values.size(); ++i)
    {
        float value = m_values[i];
        if (s->m_pUnits != nullptr)
            s->m_pUnits->Convert(value);
        m_values[i] = value;
        FeedPoint(MassOf(static_cast<int>(i)), value);
    }
    m_nPointsReceived = s->m_pointCount;
    m_nWriteIndex = 0;
    m_bHasData = 1;
    AutoScale();
}

BOOL CAnalogDisplay::Redraw()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Redraw(); });
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return 0;
    WGRedrawGraph(m_pGraph, FALSE);
    return 1;
}

// ---- Read-outs the scans write

BOOL CAnalogDisplay::ShowInfoText(int show, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowInfoText(show, text); });
    if (m_pGraph == nullptr)
        return 1;
    if (show)
    {
        WGChangeString(m_pGraph, m_infoText, text != nullptr ? text : "", 0);
        WGRedrawObject(m_pGraph, m_infoText, FALSE);
        WGShowObject(m_pGraph, m_infoText, TRUE);
    }
    else
        WGShowObject(m_pGraph, m_infoText, FALSE);
    return 1;
}

BOOL CAnalogDisplay::ShowAlarmMessage(float* value)
{
    return UpdateAlarmMessage(value, nullptr);
}

BOOL CAnalogDisplay::UpdateAlarmMessage(float* value, LPCTSTR suffix)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return UpdateAlarmMessage(value, suffix); });
    if (m_nPosition == 2 || m_pGraph == nullptr)
        return 1;
    char text[64];
    FormatAlarmValue(text, sizeof text, value != nullptr ? *value : 0.0f);
    if (suffix != nullptr)
        std::strncat(text, suffix, sizeof text - std::strlen(text) - 1);
    m_nAlarmState = m_nAlarmState ? 0 : 1;
    WRChangeMessage(m_pGraph, m_alarmMessage, text, 0, m_nAlarmState);
    WRSetBitExclusive(m_nDataSet, m_nAlarmState, m_pGraph);
    return 1;
}

void CAnalogDisplay::ShowLogStatus(int mode, int n, int limit)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowLogStatus(mode, n, limit); });
    SetLogStatusText(m_averagingText, mode, n, limit);
}

void CAnalogDisplay::ShowLogProgress(int every, int n, int maximum, int on)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowLogProgress(every, n, maximum, on); });
    SetLogProgressText(m_logProgressText, every, n, maximum, on);
}

void CAnalogDisplay::ShowScanCounter(int show, int index, int count)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowScanCounter(show, index, count); });
    if (m_pGraph == nullptr)
        return;
    if (!show)
    {
        WGShowObject(m_pGraph, m_scanCounterText, FALSE);
        return;
    }
    char text[40];
    std::snprintf(text, sizeof text, "Scan %d/%d", index + 1, count);
    WGChangeString(m_pGraph, m_scanCounterText, text, 0);
    WGRedrawObject(m_pGraph, m_scanCounterText, FALSE);
    WGShowObject(m_pGraph, m_scanCounterText, TRUE);
}

void CAnalogDisplay::UpdateXStep()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { UpdateXStep(); });
    CAnalogData* s = Settings();
    if (s == nullptr)
        return;
    s->ComputeMassTicks();
    m_fXStep = s->m_pointCount > 1 ? static_cast<float>(s->m_stopMass - s->m_startMass) /
                                         static_cast<float>(s->m_pointCount - 1)
                                   : 0.0f;
    SizeValues();
}

int CAnalogDisplay::OnUnitsChanged(int /*flag*/)
{
    CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float zero = 0.0f;
    const bool relative = s->m_pUnits != nullptr && s->m_pUnits->IsUserUnit();
    if (!WGChangeString(m_pGraph, m_pressureText, relative ? "Ref Pressure" : "Total Pressure", 0))
        return 0;
    if (relative)
        UpdateAlarmMessage(&zero, s->m_pUnits->m_szLabel);
    else
        ShowAlarmMessage(&zero);
    if (s->m_pUnits != nullptr)
        std::snprintf(s->m_yAxisTitle, sizeof s->m_yAxisTitle, "%s", s->m_pUnits->m_szLabel);
    if (!WGChangeString(m_pGraph, m_yTitle, s->m_yAxisTitle, 0))
        return 0;
    WGRedrawObject(m_pGraph, m_yTitle, FALSE);
    WGChangeAxisRange(m_pGraph, m_yAxis, s->m_pressureBottom, s->m_pressureTop, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, s->m_linearTick, s->m_yMinorTicks, s->m_yTickStyle);
    WGChangeAxisIntercept(m_pGraph, m_xAxis, s->m_pressureBottom, TRUE);
    ResetHistory();
    return 1;
}

// ---- Scale

int CAnalogDisplay::IsLogScale()
{
    const CAnalogData* s = Settings();
    return s != nullptr ? s->m_logScale : 1;
}

int CAnalogDisplay::SetLogScale(int log)
{
    CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    s->m_logScale = log ? 1 : 0;
    float& bottom = s->m_pressureBottom;
    float& top = s->m_pressureTop;
    if (log)
    {
        if (bottom <= 0.0f)
            bottom = kLogFloor;
        if (top <= 0.0f)
            top = s->m_limitHigh;
        if (bottom < kTinyRange)
            bottom = kTinyRange;
        if (bottom >= top)
        {
            top = s->m_limitHigh;
            bottom = kLogFloor;
        }
    }
    if (m_pGraph == nullptr)
        return 1;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisScale(m_pGraph, m_yAxis, s->m_logScale, FALSE);
    const float range = top - bottom;
    if (s->m_autoLinearTick)
        s->m_linearTick = range * 0.1f;
    else if (s->m_linearTick > 0.0f)
    {
        const float q = range / s->m_linearTick;
        if (q > 20.0f)
            s->m_linearTick = range * 0.05f;
        else if (q < 1.0f)
            s->m_linearTick = range * 0.1f;
    }
    else
        s->m_linearTick = range * 0.1f;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, s->m_linearTick, s->m_yMinorTicks, s->m_yTickStyle);
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, FALSE);
    Redraw();
    return 1;
}

int CAnalogDisplay::AutoScale()
{
    CAnalogData* s = Settings();
    if (!m_bHasData || s == nullptr || m_pGraph == nullptr || m_values.empty())
        return 0;
    float from = 0.0f, to = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &from, &to, &intercept);
    const int last = static_cast<int>(m_values.size()) - 1;
    const int first =
        std::clamp(static_cast<int>(std::ceil((from - s->m_startMass) * s->m_pointsPerAmu)), 0, last);
    const int end =
        std::clamp(static_cast<int>(std::floor((to - s->m_startMass) * s->m_pointsPerAmu)), 0, last);
    if (first > end)
        return 0;
    float min = m_values[first], max = m_values[first];
    for (int i = first; i <= end; ++i)
    {
        min = std::min(min, m_values[i]);
        max = std::max(max, m_values[i]);
    }
    float bottom = 0.0f, top = 0.0f;
    if (s->m_logScale)
    {
        const float factor =
            s->m_pUnits != nullptr && s->m_pUnits->GetFactor() > 0.0f ? s->m_pUnits->GetFactor() : 1.0f;
        const int lowest = s->GetHeadMassRange() != 0 && s->GetHeadGainMass() != 0 ? -13 : -11;
        if (!RoundAxisRange(min * factor, max * factor, &bottom, &top, lowest))
            return 0;
        bottom /= factor;
        top /= factor;
        if (top <= 0.0f)
            return 0;
        if (bottom <= 0.0f)
            bottom = 0.0f;
        if (bottom == top)
            return 0;
    }
    else
    {
        top = max + 0.05f * (max - min);
        bottom = min - 0.02f * (max - min);
        if (top == bottom)
            return 0;
    }
    s->m_pressureTop = top;
    s->m_pressureBottom = bottom;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    char text[32];
    std::snprintf(text, sizeof text, "%1.1e", std::fabs(top - bottom) * 0.1);
    s->m_linearTick = static_cast<float>(std::atof(text));
    WGChangeAxisTicks(m_pGraph, m_yAxis, s->m_linearTick, s->m_yMinorTicks, s->m_yTickStyle);
    WGChangeAxisIntercept(m_pGraph, m_xAxis, bottom, TRUE);
    MoveCursor();
    return 1;
}

int CAnalogDisplay::FullScale()
{
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    SetMassRange(static_cast<float>(s->m_startMass), static_cast<float>(s->m_stopMass));
    return 1;
}

int CAnalogDisplay::ComputeMassRange(float from, float to, float* start, float* end, float* spacing)
{
    const float a = static_cast<float>(static_cast<int>(from + 0.5f));
    const float b = static_cast<float>(static_cast<int>(to + 0.5f));
    if (b <= a)
        return 0;
    const float range = b - a;
    float width = 0.0f, height = 0.0f;
    if (m_pGraph != nullptr)
    {
        HDC dc = GetDC(WGGetGraphWindow(m_pGraph));
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 10, &width, &height);
        ReleaseDC(WGGetGraphWindow(m_pGraph), dc);
    }
    int digits = 1;
    for (int d = static_cast<int>(range * 0.1f); d > 1; d /= 10)
        ++digits;
    const float halfPlot = (m_plotArea[1] - m_plotArea[0]) / 2.0f;
    float best = -100.0f, chosen = 1.0f;
    for (int n = 1;; ++n)
    {
        const int k = static_cast<int>(range / n);
        const float r = range - static_cast<float>(k) * n;
        const float score = n - 2.0f * r;
        if (score > best)
        {
            best = score;
            chosen = static_cast<float>(k);
        }
        if (k < 1 || n > 50 || n * digits * width * 0.1f > halfPlot)
            break;
    }
    *start = a;
    *end = b;
    *spacing = chosen < 1.0f ? 1.0f : chosen;
    return 1;
}

int CAnalogDisplay::SetMassRange(float from, float to)
{
    float start = 0.0f, end = 0.0f, spacing = 1.0f;
    if (!ComputeMassRange(from, to, &start, &end, &spacing) || m_pGraph == nullptr)
        return 0;
    WGChangeAxisRange(m_pGraph, m_xAxis, start, end, TRUE);
    WGChangeAxisTicks(m_pGraph, m_xAxis, spacing, 4, 3);
    WGChangeAxisIntercept(m_pGraph, m_yAxis, start, TRUE);
    MoveCursor();
    return 1;
}

bool CAnalogDisplay::ComputePressureRange(float from, float to, float* spacing, int* minorTicks)
{
    if (!(to - from >= kTinyRange))
        return false;
    const double raw = (static_cast<double>(to) - from) / 5.0;
    const double exponent = std::floor(std::log10(raw));
    const double mantissa = raw / std::pow(10.0, exponent);
    static const double steps[] = {1.0, 1.25, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 7.5};
    static const int minors[] = {5, 4, 4, 3, 4, 2, 3, 4, 2};
    int chosen = 0;
    for (int i = 0; i < 9; ++i)
        if (steps[i] <= mantissa * (1.0 + 1e-6)) // a float range rarely divides exactly
            chosen = i;
    *spacing = static_cast<float>(steps[chosen] * std::pow(10.0, exponent));
    *minorTicks = minors[chosen];
    return true;
}

int CAnalogDisplay::SetMassAndPressureRange(float massFrom, float massTo, float pressureFrom,
                                            float pressureTo)
{
    float start = 0.0f, end = 0.0f, spacing = 1.0f;
    if (!ComputeMassRange(massFrom, massTo, &start, &end, &spacing) || m_pGraph == nullptr)
        return 0;
    WGChangeAxisRange(m_pGraph, m_xAxis, start, end, TRUE);
    WGChangeAxisTicks(m_pGraph, m_xAxis, spacing, 4, 3);
    WGChangeAxisIntercept(m_pGraph, m_yAxis, start, TRUE);
    float pressureSpacing = 0.0f;
    int minor = 0;
    if (ComputePressureRange(pressureFrom, pressureTo, &pressureSpacing, &minor))
    {
        WGChangeAxisRange(m_pGraph, m_yAxis, pressureFrom, pressureTo, FALSE);
        WGChangeAxisTicks(m_pGraph, m_yAxis, pressureSpacing, minor, 3);
        WGChangeAxisIntercept(m_pGraph, m_xAxis, pressureFrom, TRUE);
    }
    MoveCursor();
    Redraw();
    return 1;
}

int CAnalogDisplay::Zoom(float factor)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float from = 0.0f, to = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &from, &to, &intercept);
    const float width = to - from;
    if (factor < 1.0f)
    {
        if (width / 2.0f < 0.5f)
            return 0;
        from += width / 4.0f;
        to -= width / 4.0f;
    }
    else if (factor > 1.0f)
    {
        from = std::max(from - width / 2.0f, static_cast<float>(s->m_startMass));
        to = std::min(to + width / 2.0f, static_cast<float>(s->m_stopMass));
    }
    SetMassRange(from, to);
    return 1;
}

int CAnalogDisplay::PanLeft(float fraction)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float from = 0.0f, to = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &from, &to, &intercept);
    const float width = to - from;
    const float shift = std::max(1.0f, fraction * width / 2.0f);
    from -= shift;
    to -= shift;
    if (from < s->m_startMass)
    {
        from = static_cast<float>(s->m_startMass);
        to = from + width;
    }
    SetMassRange(from, to);
    return 1;
}

int CAnalogDisplay::PanRight(float fraction)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float from = 0.0f, to = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &from, &to, &intercept);
    const float width = to - from;
    const float shift = std::max(1.0f, fraction * width / 2.0f);
    from += shift;
    to += shift;
    if (to > s->m_stopMass)
    {
        to = static_cast<float>(s->m_stopMass);
        from = to - width;
    }
    SetMassRange(from, to);
    return 1;
}

void CAnalogDisplay::StartZoom(HWND graphWindow, int x, int y)
{
    BeginZoomBox(graphWindow, x, y, m_xAxis, m_yAxis);
}

void CAnalogDisplay::FinishZoom(HWND /*graphWindow*/, int x, int y)
{
    float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
    if (!EndZoomBox(&x1, &y1, &x2, &y2))
        return;
    if (y <= m_nZoomY)
        return;
    if (x <= m_nZoomX)
        SetMassRange(x1, x2);
    else
        SetMassAndPressureRange(x1, x2, y1, y2);
}

// ---- Data cursor

void CAnalogDisplay::ToggleCursor()
{
    const CAnalogData* s = Settings();
    m_bCursorShown = m_bCursorShown ? 0 : 1;
    s_bCursorShownGlobal = m_bCursorShown;
    if (s == nullptr || m_pGraph == nullptr)
        return;
    m_fCursorX = static_cast<float>(s->m_startMass);
    m_fCursorY = s->m_pressureBottom;
    WGMoveDataCursor(m_pGraph, m_dataCursor, m_fCursorX, m_fCursorY, m_bCursorShown ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_cursorText, m_bCursorShown ? TRUE : FALSE);
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 1, 0);
}

int CAnalogDisplay::TrackMouseCursor(GrDesc* graph, int fromMouse, int step)
{
    const CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr || m_values.empty())
        return 0;
    float x = m_fCursorX;
    if (fromMouse)
    {
        float y = 0.0f;
        WGGetMousePos(graph, m_xAxis, m_yAxis, &x, &y);
        step = 0;
    }
    if (x < s->m_startMass || x > s->m_stopMass)
        return 0;
    const int last = std::min(s->m_pointCount, static_cast<int>(m_values.size())) - 1;
    if (last < 0)
        return 0;
    int i = static_cast<int>((x - s->m_startMass) * s->m_pointsPerAmu + 0.5f) + step;
    i = std::clamp(i, 0, last);
    float from = 0.0f, to = 0.0f, intercept = 0.0f;
    WGGetAxisRange(graph, m_xAxis, &from, &to, &intercept);
    float mass = MassOf(i);
    if (mass < from && i < last)
        mass = MassOf(++i);
    else if (mass > to && i > 0)
        mass = MassOf(--i);
    m_fCursorX = mass;
    m_fCursorY = m_values[i];
    char text[64];
    std::snprintf(text, sizeof text, "X = %1.1f Y = %1.2e", m_fCursorX, m_fCursorY);
    // The scan refreshes the read-out on every point while the cursor sits on the first mass: a
    // text that reads the same is not drawn again (each redraw repaints the graph).
    const char* shown = WGGetString(graph, m_cursorText, 0);
    if (shown == nullptr || std::strcmp(shown, text) != 0)
    {
        WGChangeString(graph, m_cursorText, text, 0);
        WGRedrawObject(graph, m_cursorText, FALSE);
    }
    WGMoveDataCursor(graph, m_dataCursor, m_fCursorX, m_fCursorY, TRUE);
    return 1;
}

void CAnalogDisplay::SetCursorProperties()
{
    if (m_pGraph != nullptr)
        ApplyCursorStyle(m_dataCursor);
}

void CAnalogDisplay::MoveCursor()
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return;
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 0, 0);
    WGMoveDataCursor(m_pGraph, m_sweepCursor, s->m_startMass + m_nWriteIndex * m_fXStep, 1.0f, TRUE);
}

// ---- Editing

int CAnalogDisplay::EditTextObject(GrDesc* graph, int object)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr)
        return 0;
    if (object == m_graphTitle)
        EditGraphTitle();
    else if (object == m_pressureText)
    {
        s->m_alarmMessageShown = s->m_alarmMessageShown ? 0 : 1;
        ShowReadout(s->m_alarmMessageShown);
    }
    else if (object == m_titleText)
        EditTitleText();
    else if (object == m_yTitle || object == m_infoText)
    {
        // The unit title opens the document's Units command once the document has it.
    }
    else if (object == m_averagingText)
        PostAveragingReset();
    else
        return 0;
    return 1;
}

int CAnalogDisplay::EditMessageObject(GrDesc* graph, int object)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr)
        return 0;
    if (object == m_alarmMessage)
    {
        s->m_alarmMessageShown = s->m_alarmMessageShown ? 0 : 1;
        ShowReadout(s->m_alarmMessageShown);
    }
    else if (object == m_averagingText)
        MessageBeep(0);
    return 1;
}

void CAnalogDisplay::EditWindowBackground()
{
    if (CAnalogData* s = Settings())
        PickBackground(s->m_windowBackground, FALSE);
}

void CAnalogDisplay::EditGraphBackground()
{
    if (CAnalogData* s = Settings())
        PickBackground(s->m_plotBackground, TRUE);
}

void CAnalogDisplay::EditTraces()
{
    EditScrollObject(m_pGraph, m_trace);
}

// The spectrum trace's colour, width and line style.
int CAnalogDisplay::EditScrollObject(GrDesc* graph, int object)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr || object == 0 || object != m_trace)
        return 0;
    CTraceLinePropertiesDlg dialog;
    dialog.m_nChannels = 1;
    dialog.m_nChannel = 0;
    dialog.m_colour[0] = s->m_traceColours[0];
    dialog.m_style[0] = s->m_traceStyles[0];
    dialog.m_width[0] = s->m_traceWidths[0];
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkActiveDocumentModified();
    s->m_traceColours[0] = dialog.m_colour[0];
    s->m_traceStyles[0] = dialog.m_style[0];
    s->m_traceWidths[0] = dialog.m_width[0];
    WGChangeLineColor(m_pGraph, m_trace, s->m_traceColours[0], 0);
    WGChangeLineWidth(m_pGraph, m_trace, s->m_traceWidths[0], 0);
    WGChangeLineStyle(m_pGraph, m_trace, s->m_traceStyles[0], 0);
    Redraw();
    return 1;
}

void CAnalogDisplay::EditTotalPressure()
{
    EditTextObject(m_pGraph, m_pressureText);
}

// ---- Document file

void CAnalogDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pSettings);
        m_nStoredCount = m_nPointsReceived;
        ar << static_cast<LONG>(m_nStoredCount);
        const CAnalogData* s = Settings();
        const int count = s != nullptr ? std::max(s->m_pointCount, 0) : 0;
        std::vector<float> values(count, 0.0f);
        ReadData(values.data(), count);
        for (float v : values)
            ar << v;
        CDisplay::Serialize(ar);
        return;
    }
    // The settings are one of the document's records (read before the display); the document
    // checks the reference.
    CAnalogData* settings = nullptr;
    CArchiveFieldReads fields(ar);
    fields.Read(settings, RUNTIME_CLASS(CAnalogData));
    if (settings == nullptr)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    LONG stored = 0;
    ar >> stored;
    const int count = settings != nullptr ? std::max(settings->m_pointCount, 0) : 0;
    // A stored count beyond the settings' point count was never written by a store.
    if (stored < 0 || stored > count)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    std::vector<float> values(count);
    for (float& v : values)
        ar >> v;
    CDisplay::Serialize(ar);
    fields.Commit();
    m_pSettings = settings;
    m_nStoredCount = stored;
    m_values = std::move(values);
    m_nPointsReceived = stored;
    m_nWriteIndex = stored >= count ? 0 : stored;
}
