#include "displays/LibDisplay.h"

#include "analysis/Library.h"
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
#include <cstring>
#include <memory>

IMPLEMENT_SERIAL(CLibDisplay, CDisplay, 1)

CLibDisplay::CLibDisplay() : CBarChartDisplay(8) {}

CLibDisplay::CLibDisplay(CAnalogData* settings, int position, CKelDoc* document)
    : CBarChartDisplay(8, settings, position, document)
{
    BuildPage();
}

CLibDisplay::~CLibDisplay()
{
    ClosePage();
}

int CLibDisplay::BuildPage()
{
    CAnalogData* s = BeginPage("Lib", ".Lib#");
    if (s == nullptr)
        return 0;

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;
    auto painter = std::make_unique<CLibGraphPainter>(s, m_rows, m_szPageName);
    auto builder = std::make_unique<CSingleGraphBuilder>(
        painter.get(), static_cast<COLORREF>(s->m_windowBackground), s->m_painterValue);
    if (!OpenGraphPage(view, *builder, WS_CLIPSIBLINGS))
        return 0;

    const CLibGraphPainter& p = *painter;
    TakePlot(p.m_plot, p.m_plotArea, p.m_rowSets, p.m_bars);
    m_gasNameText = p.m_gasNameText;
    m_cursorLine = p.m_cursorLine;
    m_cursorReadout = p.m_cursorReadout;

    RegisterPlotTexts();
    const int32_t enables[4] = {s->m_yMajorGrid, s->m_yGrid[0].on, s->m_xMajorGrid, s->m_xGrid[0].on};
    for (int i = 0; i < 4; ++i)
        if (enables[i] && m_grids[i] != 0)
            WRUpdateObj(m_pGraph, m_grids[i]);
    if (m_nPosition != 0)
        WGShowObject(m_pGraph, m_xTitle, FALSE);
    ArrangeLabels();
    return 1;
}

// ---- Data

void CLibDisplay::UpdateData(void* record, int /*arg*/)
{
    const auto* gas = static_cast<const LibraryBarRecord*>(record);
    if (gas == nullptr)
        return;
    if (gas->bars != nullptr)
        std::memcpy(m_values, gas->bars, sizeof(float) * PointCount());
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return;
    UpdateRows(nullptr);
    char name[sizeof gas->name + 1] = {};
    std::memcpy(name, gas->name, sizeof gas->name); // a full record may lack its terminator
    WGChangeString(m_pGraph, m_gasNameText, name, 0);
    WGRedrawObject(m_pGraph, m_gasNameText, FALSE);
    if (CAnalogData* s = Settings())
        std::snprintf(s->m_comment, sizeof s->m_comment, "%s", name);
    m_bHasData = 1;
}

BOOL CLibDisplay::ClearData()
{
    ClearBars();
    return 1;
}

int CLibDisplay::OnUnitsChanged(int clear)
{
    if (!ShowUnitsAndYRange() || !WGChangeAxisIntercept(m_pGraph, m_xAxis, 0.0f, TRUE))
        return 0;
    if (clear)
        ClearData();
    return 1;
}

// ---- Scale

int CLibDisplay::SetLogScale(int log)
{
    const CAnalogData* s = ApplyLogScale(log);
    if (s == nullptr)
        return 0;
    if (m_pGraph == nullptr)
        return 1;
    WGChangeAxisIntercept(m_pGraph, m_xAxis, s->m_pressureBottom, FALSE);
    Redraw();
    return 1;
}

int CLibDisplay::AutoScale()
{
    CAnalogData* s = Settings();
    if (!m_bHasData || s == nullptr || m_pGraph == nullptr)
        return 1;
    float top = 0.0f;
    for (int i = 0; i < PointCount(); ++i)
        top = std::max(top, m_values[i]);
    top *= 1.05f;
    if (top == 0.0f)
        return 1;
    // A log axis cannot show 0: its bottom stays where the axis allows.
    float bottom = 0.0f;
    if (s->m_logScale == 1)
        bottom = s->m_pressureBottom > 0.0f && s->m_pressureBottom < top ? s->m_pressureBottom : top * 1e-6f;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, TRUE);
    s->m_pressureTop = top;
    s->m_pressureBottom = bottom;
    const float tick = std::fabs(top) * 0.1f;
    const int result = WGChangeAxisTicks(m_pGraph, m_yAxis, tick, 4, 1);
    s->m_linearTick = tick;
    MoveCursor();
    return result;
}

int CLibDisplay::FullScale()
{
    const CAnalogData* s = Settings();
    if (s == nullptr)
        return 0;
    SetMassRange(static_cast<float>(s->m_startMass), static_cast<float>(s->m_stopMass));
    return 1;
}

int CLibDisplay::SetMassRange(float low, float high)
{
    if (!ApplyMassRange(low, high))
        return 0;
    MoveCursor();
    return 1;
}

int CLibDisplay::SetZoomBox(float x1, float x2, float y1, float y2)
{
    // A box below the mass axis shows nothing of a spectrum; one reaching below it is cut there.
    if (y2 < 0.0f)
        return 0;
    return ApplyZoomBox(x1, x2, std::max(y1, 0.0f), y2);
}

// ---- Cursor

void CLibDisplay::ToggleCursor()
{
    m_bCursorShown = m_bCursorShown ? 0 : 1;
    s_bCursorShownGlobal = m_bCursorShown;
    if (m_pGraph == nullptr)
        return;
    WGMoveDataCursor(m_pGraph, m_cursorLine, 0.0f, 0.0f, m_bCursorShown ? TRUE : FALSE);
    WGShowObject(m_pGraph, m_cursorReadout, m_bCursorShown ? TRUE : FALSE);
    if (m_bCursorShown)
        TrackMouseCursor(m_pGraph, 1, 0);
}

void CLibDisplay::MoveCursor()
{
    if (m_pGraph != nullptr && m_bCursorShown)
        TrackMouseCursor(m_pGraph, 0, 0);
}

// ---- Editing

int CLibDisplay::EditTextObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || object == 0)
        return 0;
    UINT command = 0;
    if (object == m_graphTitle)
        EditGraphTitle();
    else if (object == m_xTitle)
        EditTitleText();
    else if (object == m_unitsLabel)
        command = ID_GRAPH_UNITS;
    else if (object == m_gasNameText)
        command = ID_UTIL_LIBRARY_SEARCH;
    else
        return 0;
    if (command != 0)
        if (CWnd* main = AfxGetMainWnd())
            main->SendMessage(WM_COMMAND, command, 0);
    return 1;
}
