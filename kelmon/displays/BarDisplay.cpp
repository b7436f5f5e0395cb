#include "displays/BarDisplay.h"

#include "displays/DisplaySupport.h"
#include "displays/GraphBuilder.h"
#include "displays/LayoutFile.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "units/Units.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

IMPLEMENT_SERIAL(CBarDisplay, CDisplay, 1)

namespace
{

// Two significant digits, as the axis shows them.
float TwoDigits(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%1.1e", static_cast<double>(value));
    return static_cast<float>(std::atof(text));
}
} // namespace

CBarDisplay::CBarDisplay() : CBarChartDisplay(5) {}

CBarDisplay::CBarDisplay(CAnalogData* settings, int position, CKelDoc* document)
    : CBarChartDisplay(5, settings, position, document)
{
    BuildPage();
}

CBarDisplay::~CBarDisplay()
{
    ClosePage();
}

// ---- Page

int CBarDisplay::BuildPage()
{
    CAnalogData* s = BeginPage("Bar", ".Bar#");
    if (s == nullptr)
        return 0;
    CopyName(m_szMassIndexSetName, sizeof m_szMassIndexSetName, std::string(m_szPageName) + ".MassInd");

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;
    auto painter = std::make_unique<CBarGraphPainter>(s, m_rows, m_szMassIndexSetName);
    auto builder = std::make_unique<CSingleGraphBuilder>(
        painter.get(), static_cast<COLORREF>(s->m_windowBackground), s->m_painterValue);
    if (!OpenGraphPage(view, *builder, WS_CLIPCHILDREN))
        return 0;

    const CBarGraphPainter& p = *painter;
    TakePlot(p.m_plot, p.m_plotArea, p.m_rowSets, p.m_bars);
    m_nMassIndexSet = p.m_nMassIndexSet;
    m_massIndexText = p.m_massIndexText;
    m_infoText = p.m_infoText;
    m_pressureMessage = p.m_pressureMessage;
    m_pressureTitle = p.m_pressureTitle;
    m_cursorLine = p.m_cursorLine;
    m_cursorReadout = p.m_cursorReadout;
    m_progressMarker = p.m_progressMarker;
    m_logStatusText = p.m_logStatusText;
    m_logProgressText = p.m_logProgressText;
    m_scanCounterText = p.m_scanCounterText;

    RegisterPlotTexts();
    WGEnableObjActivation(m_pGraph, m_scanCounterText, TRUE);
    WGShowObject(m_pGraph, m_scanCounterText, FALSE);
    m_pLayoutItems->AddText(m_scanCounterText);
    // The lower pane of a split page leaves the total pressure to the upper one.
    if (m_nPosition == 2)
        ShowPressure(0);
    ArrangeLabels();
    const float first = static_cast<float>(s->m_startMass);
    WRUpdateData(m_nMassIndexSet, &first, m_pGraph);
    return 1;
}

int CBarDisplay::ClosePage()
{
    const int massSet = m_nMassIndexSet;
    const int closed = CBarChartDisplay::ClosePage();
    if (closed && massSet != 0)
    {
        WRFreeDynDataSet(massSet);
        m_nMassIndexSet = 0;
    }
    return closed;
}

// ---- Data

float CBarDisplay::ProgressX() const
{
    const CAnalogData* s = Settings();
    return static_cast<float>((s != nullptr ? s->m_startMass : 1) - 1 +
                              std::min(m_nCurrentBar, PointCount()));
}

int CBarDisplay::SweepLength() const
{
    const CAnalogData* s = Settings();
    return s != nullptr ? std::max(s->m_pointCount, PointCount()) : 0;
}

void CBarDisplay::UpdateData(void* record, int /*arg*/)
{
    const CAnalogData* s = Settings();
    const int bars = PointCount();
    const int sweep = SweepLength();
    if (record == nullptr || s == nullptr || bars <= 0)
        return;
    // The sweep may have shrunk under the display (new parameters).
    if (m_nCurrentBar >= sweep)
        m_nCurrentBar = m_nCurrentRow = 0;
    // Masses beyond the bars the display holds are counted to find the sweep's end, not shown.
    if (m_nCurrentBar < bars)
    {
        m_nCurrentRow = std::min(m_nCurrentBar / kBarsPerRow, std::max(m_rows.rowCount - 1, 0));
        m_values[m_nCurrentBar] = *static_cast<const float*>(record);
        if (m_pGraph != nullptr && m_nCurrentRow < m_rows.rowCount && m_rowSets[m_nCurrentRow] != 0)
            WRUpdateData(m_rowSets[m_nCurrentRow], &m_values[m_nCurrentRow * kBarsPerRow], nullptr);
    }
    const float mass = static_cast<float>(s->m_startMass + m_nCurrentBar);
    if (m_pGraph != nullptr && m_nMassIndexSet != 0)
        WRUpdateData(m_nMassIndexSet, &mass, m_pGraph);
    ++m_nCurrentBar;
    m_bHasData = 1;
    if (m_nCurrentBar >= sweep)
    {
        m_nCurrentBar = m_nCurrentRow = 0;
        if (m_pGraph != nullptr)
            WGMoveDataCursor(m_pGraph, m_progressMarker, ProgressX(), 1.0f, TRUE);
        return;
    }
    if (m_rows.rowCount > 1 && m_nCurrentBar % kBarsPerRow == 0 && m_nCurrentRow < m_rows.rowCount - 1)
        ++m_nCurrentRow;
    if (m_pGraph == nullptr)
        return;
    if (m_bCursorShown && m_fCursorX == mass)
        TrackMouseCursor(m_pGraph, 0, 0);
    WGMoveDataCursor(m_pGraph, m_progressMarker, ProgressX(), 1.0f, TRUE);
}

BOOL CBarDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    ClearBars();
    const float zero = 0.0f;
    if (m_pGraph != nullptr && m_nMassIndexSet != 0)
        WRUpdateData(m_nMassIndexSet, &zero, m_pGraph);
    m_nCurrentBar = m_nCurrentRow = 0;
    return 1;
}

void CBarDisplay::ResetHistory()
{
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return;
    for (int i = 0; i < PointCount(); ++i)
        if (s->m_pUnits != nullptr)
            s->m_pUnits->Convert(m_values[i]);
    if (m_pGraph != nullptr)
    {
        UpdateRows(nullptr);
        const float mass = static_cast<float>(s->m_startMass + m_nCurrentBar);
        if (m_nMassIndexSet != 0)
            WRUpdateData(m_nMassIndexSet, &mass, m_pGraph);
    }
    AutoScale();
}

int CBarDisplay::OnUnitsChanged(int /*clear*/)
{
    CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float zero = 0.0f;
    const bool relative = s->m_pUnits != nullptr && s->m_pUnits->IsUserUnit();
    if (!WGChangeString(m_pGraph, m_pressureTitle, relative ? "Ref Pressure" : "Total Pressure", 0))
        return 0;
    if (relative)
        UpdateAlarmMessage(&zero, s->m_pUnits->m_szUnitName);
    else
        ShowAlarmMessage(&zero);
    if (!ShowUnitsAndYRange())
        return 0;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, XCrossing(s->m_pressureBottom, s->m_pressureTop), TRUE);
    ResetHistory();
    return 1;
}

// ---- Scale

int CBarDisplay::SetLogScale(int log)
{
    const CAnalogData* s = ApplyLogScale(log);
    if (s == nullptr)
        return 0;
    if (m_pGraph == nullptr)
        return 1;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, XCrossing(s->m_pressureBottom, s->m_pressureTop), TRUE);
    return 1;
}

int CBarDisplay::AutoScale()
{
    CAnalogData* s = Settings();
    if (!m_bHasData || s == nullptr || m_pGraph == nullptr)
        return 1;
    const int count = PointCount();
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const int first = std::max(static_cast<int>(std::ceil(lo - s->m_startMass)), 0);
    const int last = std::min(static_cast<int>(std::floor(hi - s->m_startMass)), count - 1);
    if (first > last)
        return 1;
    float min = m_values[first], max = m_values[first];
    for (int i = first; i <= last; ++i)
    {
        min = std::min(min, m_values[i]);
        max = std::max(max, m_values[i]);
    }
    if (min == 0.0f || min == max)
        return 1;
    const float span = std::fabs(max - min);
    float bottom = min, top = max;
    if (s->m_logScale == 1)
    {
        const float k =
            s->m_pUnits != nullptr && s->m_pUnits->GetFactor() > 0.0f ? s->m_pUnits->GetFactor() : 1.0f;
        const int lowest = s->GetHeadMassRange() != 0 && s->GetHeadGainMass() != 0 ? -13 : -11;
        if (!RoundAxisRange(min * k, max * k, &bottom, &top, lowest))
            return 0;
        bottom /= k;
        top /= k;
        if (top < 0.0f)
            return 0;
        // A log axis cannot start at 0: the lowest decade stands in for it.
        if (bottom <= 0.0f)
            bottom = std::pow(10.0f, static_cast<float>(lowest));
    }
    const float newTop = TwoDigits(top + 0.05f * span);
    const float newBottom = TwoDigits(bottom);
    if (!WGChangeAxisRange(m_pGraph, m_yAxis, newBottom, newTop, FALSE))
        return 0;
    s->m_pressureTop = newTop;
    s->m_pressureBottom = newBottom;
    const float tick = TwoDigits(std::fabs(newTop - newBottom) * 0.1f);
    if (!WGChangeAxisTicks(m_pGraph, m_yAxis, tick, 4, 1))
        return 0;
    s->m_linearTick = tick;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, XCrossing(newBottom, newTop), TRUE);
    MoveCursor();
    return 1;
}

int CBarDisplay::FullScale()
{
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    SetMassRange(static_cast<float>(s->m_startMass), static_cast<float>(s->m_stopMass));
    Redraw();
    return 1;
}

int CBarDisplay::SetMassRange(float low, float high)
{
    if (!ApplyMassRange(low, high))
        return 0;
    AutoScale();
    MoveCursor();
    return 1;
}

int CBarDisplay::SetZoomBox(float x1, float x2, float y1, float y2)
{
    return ApplyZoomBox(x1, x2, y1, y2);
}

// ---- Read-outs

void CBarDisplay::ShowPressure(int show)
{
    if (m_pGraph == nullptr)
        return;
    WGShowObject(m_pGraph, m_pressureMessage, show ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_pressureTitle, show ? TRUE : FALSE);
    WGRedrawObject(m_pGraph, m_pressureMessage, FALSE);
    WGRedrawObject(m_pGraph, m_pressureTitle, FALSE);
}

BOOL CBarDisplay::ShowInfoText(int show, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowInfoText(show, text); });
    if (m_pGraph == nullptr)
        return 1;
    if (show)
    {
        WGChangeString(m_pGraph, m_infoText, text != nullptr ? text : "", 0);
        WGRedrawObject(m_pGraph, m_infoText, FALSE);
    }
    WGShowObject(m_pGraph, m_infoText, show ? TRUE : FALSE);
    return 1;
}

BOOL CBarDisplay::ShowAlarmMessage(float* value)
{
    return UpdateAlarmMessage(value, nullptr);
}

BOOL CBarDisplay::UpdateAlarmMessage(float* value, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return UpdateAlarmMessage(value, text); });
    if (m_nPosition == 2 || m_pGraph == nullptr)
        return 1;
    char message[64];
    FormatAlarmValue(message, sizeof message, value != nullptr ? *value : 0.0f);
    if (text != nullptr)
        std::strncat(message, text, sizeof message - std::strlen(message) - 1);
    m_nMessageSlot = 1 - m_nMessageSlot;
    WRChangeMessage(m_pGraph, m_pressureMessage, message, 0, m_nMessageSlot);
    if (m_rows.rowCount > 0 && m_rowSets[0] != 0)
        WRSetBitExclusive(m_rowSets[0], m_nMessageSlot, m_pGraph);
    return 1;
}

int CBarDisplay::HasTotalPressure()
{
    const CAnalogData* s = Settings();
    return s != nullptr ? s->m_alarmMessageShown : 0;
}

void CBarDisplay::ShowScanCounter(int show, int index, int total)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowScanCounter(show, index, total); });
    if (m_pGraph == nullptr)
        return;
    if (show)
    {
        char text[40];
        std::snprintf(text, sizeof text, "Scan %d/%d", index + 1, total);
        WGChangeString(m_pGraph, m_scanCounterText, text, 0);
        WGRedrawObject(m_pGraph, m_scanCounterText, FALSE);
    }
    WGShowObject(m_pGraph, m_scanCounterText, show ? TRUE : FALSE);
}

void CBarDisplay::ShowLogStatus(int mode, int a, int b)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowLogStatus(mode, a, b); });
    SetLogStatusText(m_logStatusText, mode, a, b);
}

void CBarDisplay::ShowLogProgress(int every, int a, int b, int show)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { ShowLogProgress(every, a, b, show); });
    SetLogProgressText(m_logProgressText, every, a, b, show);
}

// ---- Cursor

void CBarDisplay::ToggleCursor()
{
    const CAnalogData* s = Settings();
    m_bCursorShown = m_bCursorShown ? 0 : 1;
    s_bCursorShownGlobal = m_bCursorShown;
    if (s == nullptr || m_pGraph == nullptr)
        return;
    m_fCursorX = static_cast<float>(s->m_startMass);
    WGMoveDataCursor(m_pGraph, m_cursorLine, m_fCursorX, s->m_pressureBottom, m_bCursorShown ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_cursorReadout, m_bCursorShown ? TRUE : FALSE);
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 1, 0);
}

void CBarDisplay::MoveCursor()
{
    if (m_pGraph == nullptr)
        return;
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 0, 0);
    WGMoveDataCursor(m_pGraph, m_progressMarker, ProgressX(), 1.0f, TRUE);
}

// ---- Editing

int CBarDisplay::EditTextObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || object == 0)
        return 0;
    if (object == m_graphTitle)
        EditGraphTitle();
    else if (object == m_pressureTitle)
        EditTotalPressure();
    else if (object == m_xTitle)
        EditTitleText();
    else if (object == m_unitsLabel)
    {
        if (CWnd* main = AfxGetMainWnd())
            main->SendMessage(WM_COMMAND, ID_GRAPH_UNITS, 0);
    }
    else if (object != m_infoText)
        return 0;
    return 1;
}

int CBarDisplay::EditMessageObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph)
        return 0;
    if (object == m_pressureMessage)
        EditTotalPressure();
    return 1;
}

void CBarDisplay::EditTotalPressure()
{
    CAnalogData* s = Settings();
    if (s == nullptr)
        return;
    if (AfxMessageBox("Toggle Total Pressure visibility?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    s->m_alarmMessageShown = s->m_alarmMessageShown ? 0 : 1;
    ShowPressure(s->m_alarmMessageShown);
}

int CBarDisplay::EditDynamicText(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || object == 0 || object != m_massIndexText)
        return 0;
    AfxMessageBox("The X-Axis mass index displays the mass\nthat is being updated during a scan.\nThe text "
                  "parameters are fixed.",
                  MB_ICONINFORMATION);
    return 1;
}

void CBarDisplay::ShareTextColour(int edited, int colourIndex)
{
    if (m_pGraph == nullptr)
        return;
    // The averaging and logging labels share the bottom line with the X title; the info text
    // stands beside the graph title.
    switch (edited)
    {
    case 0:
        WGChangeTextColor(m_pGraph, m_logStatusText, colourIndex);
        WGChangeTextColor(m_pGraph, m_xTitle, colourIndex);
        break;
    case 1:
        WGChangeTextColor(m_pGraph, m_logStatusText, colourIndex);
        WGChangeTextColor(m_pGraph, m_logProgressText, colourIndex);
        break;
    default:
        WGChangeTextColor(m_pGraph, m_infoText, colourIndex);
        break;
    }
}
