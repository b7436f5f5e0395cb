#include "displays/BarChartDisplay.h"

#include "displays/AnalogDisplay.h"
#include "displays/LayoutFile.h"
#include "dialogs/AxisLabelsDlg.h"
#include "dialogs/TextParametersDlg.h"
#include "dialogs/XAxisDlg.h"
#include "dialogs/YAxisDlg.h"
#include "doc/AnalogData.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr float kLogFloor = 1e-12f;
constexpr float kTinyRange = 1e-20f;
} // namespace

void CopyName(char* to, size_t size, const std::string& name)
{
    const size_t n = std::min(size - 1, name.size());
    std::memcpy(to, name.data(), n);
    to[n] = '\0';
}

CBarChartDisplay::CBarChartDisplay(int kind)
{
    m_nKind = kind;
}

CBarChartDisplay::CBarChartDisplay(int kind, CAnalogData* settings, int position, CKelDoc* document)
{
    m_nKind = kind;
    m_pSettings = settings;
    m_pDocument = document;
    if (settings != nullptr)
        settings->m_position = position;
    m_nPosition = position;
}

CAnalogData* CBarChartDisplay::BeginPage(const char* pageSuffix, const char* rowSuffix)
{
    CAnalogData* s = Settings();
    if (s == nullptr)
        return nullptr;
    delete m_pLayoutItems;
    m_pLayoutItems = new CLayoutFile(this);
    m_nPosition = s->m_position;
    m_bHasData = 0;
    MakePageName();
    std::strncat(m_szPageName, pageSuffix, sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    s->ComputeMassTicks();
    LayoutRows(rowSuffix);
    return s;
}

void CBarChartDisplay::RegisterPlotTexts()
{
    WGEnableObjActivation(m_pGraph, m_cursorReadout, TRUE);
    WGShowObject(m_pGraph, m_cursorReadout, m_bCursorShown ? TRUE : FALSE);
    m_pLayoutItems->AddText(m_cursorReadout);
    for (uint16_t object : {m_xTitle, m_unitsLabel, m_graphTitle})
        WGEnableObjActivation(m_pGraph, object, TRUE);
    m_pLayoutItems->AddXTitle(m_xTitle);
    m_pLayoutItems->AddYTitle(m_unitsLabel);
    m_pLayoutItems->AddTitle(m_graphTitle);
}

BOOL CBarChartDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return CDisplay::Rebuild(); });
    return CDisplay::Rebuild();
}

CAnalogData* CBarChartDisplay::Settings() const
{
    return static_cast<CAnalogData*>(m_pSettings);
}

int CBarChartDisplay::PointCount() const
{
    const CAnalogData* s = Settings();
    return s != nullptr ? std::clamp(s->m_pointCount, 0, kMaxBars) : 0;
}

void CBarChartDisplay::LayoutRows(const char* suffix)
{
    const CAnalogData* s = Settings();
    m_rows = BarRowList{};
    m_rows.Layout(PointCount(), s->m_startMass, s->m_stopMass);
    for (int i = 0; i < m_rows.rowCount; ++i)
        CopyName(m_rows.names[i], sizeof m_rows.names[i],
                 std::string(m_szPageName) + suffix + std::to_string(i));
    for (COLORREF& colour : m_rows.colours)
        colour = static_cast<COLORREF>(s->m_barColour);
}

void CBarChartDisplay::TakePlot(const CommonPlotObjects& plot, const float plotArea[4], const int sets[30],
                                const uint16_t bars[30])
{
    m_graphTitle = plot.title;
    m_xLabels = plot.xLabels;
    m_yLabels = plot.yLabels;
    m_xTitle = plot.xCaption;
    m_unitsLabel = plot.yCaption;
    m_xAxis = plot.xAxis;
    m_yAxis = plot.yAxis;
    m_grids[0] = plot.yGrids[0];
    m_grids[1] = plot.yGrids[1];
    m_grids[2] = plot.xGrids[0];
    m_grids[3] = plot.xGrids[1];
    std::memcpy(m_plot, plotArea, sizeof m_plot);
    std::memcpy(m_rowSets, sets, sizeof m_rowSets);
    std::memcpy(m_barObjects, bars, sizeof m_barObjects);
}

void CBarChartDisplay::UpdateRows(GrDesc* graph)
{
    for (int i = 0; i < m_rows.rowCount; ++i)
        if (m_rowSets[i] != 0)
            WRUpdateData(m_rowSets[i], &m_values[i * kBarsPerRow], graph);
}

int CBarChartDisplay::ClosePage()
{
    int sets[kMaxRows];
    std::memcpy(sets, m_rowSets, sizeof sets);
    const int rows = m_rows.rowCount;
    const int closed = CDisplay::ClosePage();
    if (closed)
    {
        for (int i = 0; i < rows; ++i)
            if (sets[i] != 0)
                WRFreeDynDataSet(sets[i]);
        std::memset(m_rowSets, 0, sizeof m_rowSets);
        m_pGraph = nullptr;
    }
    return closed;
}

// ---- Data

int CBarChartDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    if (values != nullptr)
    {
        const int n = std::min(capacity, PointCount());
        if (n > 0)
            std::memcpy(values, m_values, sizeof(float) * n);
    }
    return m_nCurrentBar;
}

BOOL CBarChartDisplay::ShowScanData(const float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowScanData(values); });
    if (values != nullptr)
        std::memcpy(m_values, values, sizeof(float) * PointCount());
    if (m_pGraph != nullptr)
        UpdateRows(nullptr);
    m_nCurrentBar = m_nCurrentRow = 0;
    m_bHasData = 1;
    return 1;
}

int CBarChartDisplay::IsLogScale()
{
    const CAnalogData* s = Settings();
    return s != nullptr ? s->m_logScale : 1;
}

BOOL CBarChartDisplay::Redraw()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Redraw(); });
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return 0;
    WGRedrawGraph(m_pGraph, FALSE);
    return 1;
}

// ---- Mass axis

float CBarChartDisplay::MassTickStep(int low, int high, float labelWidth, float plotWidth)
{
    const int range = high - low;
    int digits = 1;
    for (int d = static_cast<int>(range * 0.1); d > 1; d /= 10)
        ++digits;
    int best = -100;
    float chosen = 1.0f;
    for (int n = 1;; ++n)
    {
        const int step = range / n;
        const int score = n - 2 * (range - step * n);
        if (score > best)
        {
            best = score;
            chosen = static_cast<float>(step);
        }
        if (step < 1 || n >= 51 || plotWidth * 0.5f < n * digits * labelWidth * 0.1f)
            break;
    }
    return std::max(chosen, 1.0f);
}

float CBarChartDisplay::XCrossing(float bottom, float top)
{
    return bottom > 0.0f ? bottom : top < 0.0f ? top : 0.0f;
}

int CBarChartDisplay::ApplyMassRange(float low, float high)
{
    const int a = static_cast<int>(low + 0.5f), b = static_cast<int>(high + 0.5f);
    if (b <= a || m_pGraph == nullptr)
        return 0;
    float width = 0.0f, height = 0.0f;
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 10, &width, &height);
    ReleaseDC(window, dc);
    const float step = MassTickStep(a, b, width, m_plot[1] - m_plot[0]);
    if (!WGChangeAxisRange(m_pGraph, m_xAxis, static_cast<float>(a), static_cast<float>(b), TRUE))
        return 0;
    WGChangeAxisTicks(m_pGraph, m_xAxis, step, 4, 3);
    WGChangeAxisIntercept(m_pGraph, m_yAxis, static_cast<float>(a), TRUE);
    return 1;
}

int CBarChartDisplay::Zoom(float factor)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    if (factor < 1.0f)
    {
        if ((hi - lo) * 0.5f < 0.5f)
            return 0;
        const float quarter = (hi - lo) / 4.0f;
        lo += quarter;
        hi -= quarter;
    }
    else if (factor > 1.0f)
    {
        const float half = (hi - lo) / 2.0f;
        lo = std::max(lo - half, static_cast<float>(s->m_startMass));
        hi = std::min(hi + half, static_cast<float>(s->m_stopMass));
    }
    SetMassRange(lo, hi);
    return 1;
}

int CBarChartDisplay::PanLeft(float fraction)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float width = hi - lo;
    float shift = fraction * 0.5f * width;
    if (shift < 1.0f)
        shift = 1.0f;
    lo -= shift;
    hi -= shift;
    if (lo < s->m_startMass)
    {
        lo = static_cast<float>(s->m_startMass);
        hi = lo + width;
    }
    SetMassRange(lo, hi);
    return 1;
}

int CBarChartDisplay::PanRight(float fraction)
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return 0;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float width = hi - lo;
    float shift = fraction * 0.5f * width;
    if (shift < 1.0f)
        shift = 1.0f;
    lo += shift;
    hi += shift;
    if (hi > s->m_stopMass)
    {
        hi = static_cast<float>(s->m_stopMass);
        lo = hi - width;
    }
    SetMassRange(lo, hi);
    return 1;
}

bool CBarChartDisplay::ApplyLinearY(float y1, float y2)
{
    float step = 0.0f;
    int minor = 0;
    if (!CAnalogDisplay::ComputePressureRange(y1, y2, &step, &minor))
        return false;
    if (!WGChangeAxisRange(m_pGraph, m_yAxis, y1, y2, FALSE))
        return false;
    WGChangeAxisTicks(m_pGraph, m_yAxis, step, minor, 3);
    WGChangeAxisIntercept(m_pGraph, m_xAxis, y1, TRUE);
    return true;
}

int CBarChartDisplay::ApplyZoomBox(float x1, float x2, float y1, float y2)
{
    if (!ApplyMassRange(x1, x2) || !ApplyLinearY(y1, y2))
        return 0;
    MoveCursor();
    Redraw();
    return 1;
}

void CBarChartDisplay::ClearBars()
{
    std::fill(std::begin(m_values), std::end(m_values), 0.0f);
    if (m_pGraph != nullptr)
        UpdateRows(nullptr);
    m_bHasData = 0;
}

bool CBarChartDisplay::ShowUnitsAndYRange()
{
    const CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return false;
    if (!WGChangeString(m_pGraph, m_unitsLabel, s->m_pUnits != nullptr ? s->m_pUnits->m_szLabel : "", 0))
        return false;
    WGRedrawObject(m_pGraph, m_unitsLabel, FALSE);
    return WGChangeAxisRange(m_pGraph, m_yAxis, s->m_pressureBottom, s->m_pressureTop, FALSE) &&
           WGChangeAxisTicks(m_pGraph, m_yAxis, s->m_linearTick, s->m_yMinorTicks, s->m_yTickStyle);
}

CAnalogData* CBarChartDisplay::ApplyLogScale(int log)
{
    CAnalogData* s = Settings();
    if (s == nullptr)
        return nullptr;
    s->m_logScale = log ? 1 : 0;
    float& bottom = s->m_pressureBottom;
    float& top = s->m_pressureTop;
    if (log)
    {
        if (bottom <= 0.0f)
            bottom = kLogFloor;
        if (top < 0.0f)
            top = s->m_limitHigh;
        if (bottom > 0.0f && bottom < kTinyRange)
            bottom = kTinyRange;
        if (bottom >= top)
        {
            top = s->m_limitHigh;
            bottom = kLogFloor;
        }
    }
    const float range = top - bottom;
    if (s->m_autoLinearTick || s->m_linearTick <= 0.0f)
        s->m_linearTick = range * 0.1f;
    else if (range / s->m_linearTick > 20.0f)
        s->m_linearTick = range * 0.05f;
    else if (range / s->m_linearTick < 1.0f)
        s->m_linearTick = range * 0.1f;
    if (m_pGraph == nullptr)
        return s;
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisScale(m_pGraph, m_yAxis, s->m_logScale, FALSE);
    WGChangeAxisRange(m_pGraph, m_yAxis, bottom, top, FALSE);
    WGChangeAxisTicks(m_pGraph, m_yAxis, s->m_linearTick, s->m_yMinorTicks, s->m_yTickStyle);
    return s;
}

void CBarChartDisplay::StartZoom(HWND graphWindow, int x, int y)
{
    BeginZoomBox(graphWindow, x, y, m_xAxis, m_yAxis);
}

void CBarChartDisplay::FinishZoom(HWND /*graphWindow*/, int x, int y)
{
    float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
    if (!EndZoomBox(&x1, &y1, &x2, &y2))
        return;
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    x1 = std::clamp(x1, lo, hi);
    x2 = std::clamp(x2, lo, hi);
    if (y <= m_nZoomY)
        return;
    if (x > m_nZoomX)
        SetZoomBox(x1, x2, y1, y2);
    else
        SetMassRange(x1, x2);
}

// ---- Data cursor

bool CBarChartDisplay::NearestBar(float x, int step, float* mass, float* value)
{
    const CAnalogData* s = Settings();
    const int count = PointCount();
    if (s == nullptr || count <= 0 || x < s->m_startMass || x > s->m_stopMass)
        return false;
    int i = static_cast<int>(x + 0.5f) - s->m_startMass + step;
    i = std::clamp(i, 0, count - 1);
    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    if (m_pGraph != nullptr && WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept))
    {
        const float at = static_cast<float>(s->m_startMass + i);
        if (at > hi && i > 0)
            --i;
        else if (at < lo && i < count - 1)
            ++i;
    }
    float buffer[kMaxBars];
    ReadData(buffer, count);
    *mass = static_cast<float>(s->m_startMass + i);
    *value = buffer[i];
    return true;
}

int CBarChartDisplay::TrackMouseCursor(GrDesc* graph, int fromMouse, int step)
{
    if (graph == nullptr || graph != m_pGraph)
        return 0;
    float x = m_fCursorX;
    if (fromMouse)
    {
        float y = 0.0f;
        WGGetMousePos(graph, m_xAxis, m_yAxis, &x, &y);
        step = 0;
    }
    float mass = 0.0f, value = 0.0f;
    if (!NearestBar(x, step, &mass, &value))
        return 0;
    m_fCursorX = mass;
    m_fCursorY = value;
    char text[64];
    std::snprintf(text, sizeof text, ReadoutFormat(), m_fCursorX, m_fCursorY);
    WGChangeString(graph, m_cursorReadout, text, 0);
    WGRedrawObject(graph, m_cursorReadout, FALSE);
    WGMoveDataCursor(graph, m_cursorLine, m_fCursorX, m_fCursorY, TRUE);
    return 1;
}

// ---- Colours

int CBarChartDisplay::EditBarsObject(GrDesc* graph, int object)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr || object == 0)
        return 0;
    if (std::find(m_barObjects, m_barObjects + m_rows.rowCount, object) == m_barObjects + m_rows.rowCount)
        return 0;
    CColorDialog dialog(static_cast<COLORREF>(s->m_barColour));
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkActiveDocumentModified();
    s->m_barColour = static_cast<int32_t>(dialog.GetColor());
    // The charting library sets a dynamic bar's fill only when the bars are made: the page is made
    // again in the new colour and the bars get their heights back.
    const int32_t hadData = m_bHasData;
    Rebuild();
    if (m_pGraph != nullptr)
        UpdateRows(m_pGraph);
    m_bHasData = hadData;
    Redraw();
    return 1;
}

void CBarChartDisplay::EditWindowBackground()
{
    if (CAnalogData* s = Settings())
        PickBackground(s->m_windowBackground, FALSE);
}

void CBarChartDisplay::EditGraphBackground()
{
    if (CAnalogData* s = Settings())
        PickBackground(s->m_plotBackground, TRUE);
}

void CBarChartDisplay::SetCursorProperties()
{
    if (m_pGraph == nullptr)
        return;
    ApplyCursorStyle(m_cursorLine);
    WGRedrawObject(m_pGraph, m_cursorLine, FALSE);
}

void CBarChartDisplay::EditTraces()
{
    if (m_pGraph == nullptr || m_rows.rowCount == 0)
        return;
    WGSelObject(m_pGraph, m_barObjects[0]);
    ChartHostEditObject(WGGetGraphWindow(m_pGraph));
}

// ---- Axis, label and title dialogs

namespace
{
LineAttributes LineOf(int colour, int style, int width)
{
    return LineAttributes{colour, style, width};
}

void StoreGrid(CAnalogData::GridLine& grid, const LineAttributes& line)
{
    grid.colour = line.nColour;
    grid.style = line.nStyle;
    grid.width = line.nWidth;
}

ChartFont FontOf(const CAnalogData::TextStyle& style)
{
    ChartFont font;
    font.nSize = style.size;
    font.strFaceName = style.face;
    font.SetStyleWord(style.style);
    font.nColourIndex = style.colour;
    font.crColour = WGGetRGBColor(style.colour);
    return font;
}

void StoreFont(CAnalogData::TextStyle& style, const ChartFont& font)
{
    CopyName(style.face, sizeof style.face, std::string(static_cast<LPCTSTR>(font.strFaceName)));
    style.size = font.nSize;
    style.style = font.StyleWord();
    style.colour = font.nColourIndex;
}
} // namespace

int CBarChartDisplay::EditAxis(GrDesc* graph, int axis)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr || axis == 0)
        return 0;
    if (axis == m_yAxis)
    {
        CYAxisDlg dialog;
        dialog.m_bLogarithmic = s->m_logScale;
        dialog.m_fHighest = s->m_limitHigh;
        dialog.m_fLowest = s->m_limitLow;
        dialog.m_fFrom = s->m_pressureBottom;
        dialog.m_fTo = s->m_pressureTop;
        dialog.m_fStep = s->m_linearTick > 0.0f ? s->m_linearTick : 1.0f;
        dialog.m_nMinorTicks = s->m_yMinorTicks;
        dialog.m_bAutomatic = s->m_autoLinearTick;
        dialog.m_bMajorGrid = s->m_yMajorGrid;
        dialog.m_bMinorGrid = s->m_yGrid[0].on;
        dialog.m_axisLine = LineOf(s->m_yAxisColour, s->m_yAxisStyle, 1);
        dialog.m_majorGridLine = LineOf(s->m_yGrid[0].colour, s->m_yGrid[0].style, s->m_yGrid[0].width);
        dialog.m_minorGridLine = LineOf(s->m_yGrid[1].colour, s->m_yGrid[1].style, s->m_yGrid[1].width);
        if (dialog.DoModal() != IDOK)
            return 1;
        MarkActiveDocumentModified();
        ApplyLineAttributes(m_pGraph, m_yAxis, dialog.m_axisLine);
        const LineAttributes* lines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
        const int on[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
        for (int g = 0; g < 2; ++g)
        {
            WGChangeGrid(m_pGraph, m_yAxis, g, lines[g]->nStyle, lines[g]->nWidth,
                         WGGetRGBColor(lines[g]->nColour));
            WGToggleGrid(m_pGraph, m_yAxis, g, on[g]);
        }
        WGChangeAxisRange(m_pGraph, m_yAxis, dialog.m_fFrom, dialog.m_fTo, FALSE);
        WGChangeAxisTicks(m_pGraph, m_yAxis, dialog.m_fStep, dialog.m_nMinorTicks, s->m_yTickStyle);
        WGChangeAxisIntercept(m_pGraph, m_xAxis, CrossingAfterYEdit(dialog.m_fFrom, dialog.m_fTo), TRUE);
        Redraw();
        s->m_pressureBottom = dialog.m_fFrom;
        s->m_pressureTop = dialog.m_fTo;
        s->m_linearTick = dialog.m_fStep;
        s->m_yMinorTicks = dialog.m_nMinorTicks;
        s->m_autoLinearTick = dialog.m_bAutomatic;
        s->m_yMajorGrid = dialog.m_bMajorGrid;
        s->m_yGrid[0].on = dialog.m_bMinorGrid;
        s->m_yAxisColour = dialog.m_axisLine.nColour;
        s->m_yAxisStyle = dialog.m_axisLine.nStyle;
        StoreGrid(s->m_yGrid[0], dialog.m_majorGridLine);
        StoreGrid(s->m_yGrid[1], dialog.m_minorGridLine);
        return 1;
    }
    if (axis != m_xAxis)
        return 0;
    CXAxisDlg dialog;
    dialog.m_fLowest = static_cast<float>(s->m_startMass);
    dialog.m_fHighest = static_cast<float>(s->m_stopMass);
    float lo = static_cast<float>(s->m_startMass), hi = static_cast<float>(s->m_stopMass), intercept = 0.0f;
    if (!XDialogShowsScanRange())
        WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    dialog.m_nFrom = static_cast<int>(lo + 0.5f);
    dialog.m_nTo = static_cast<int>(hi + 0.5f);
    dialog.m_nStep = std::max(1, static_cast<int>(s->m_massTick));
    dialog.m_nMinorTicks = s->m_massMinorTicks;
    dialog.m_bMajorGrid = s->m_xMajorGrid;
    dialog.m_bMinorGrid = s->m_xGrid[0].on;
    dialog.m_axisLine = LineOf(s->m_xAxisColour, s->m_xAxisStyle, 1);
    dialog.m_majorGridLine = LineOf(s->m_xGrid[0].colour, s->m_xGrid[0].style, s->m_xGrid[0].width);
    dialog.m_minorGridLine = LineOf(s->m_xGrid[1].colour, s->m_xGrid[1].style, s->m_xGrid[1].width);
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkActiveDocumentModified();
    ApplyLineAttributes(m_pGraph, m_xAxis, dialog.m_axisLine);
    const LineAttributes* lines[2] = {&dialog.m_majorGridLine, &dialog.m_minorGridLine};
    const int on[2] = {dialog.m_bMajorGrid, dialog.m_bMinorGrid};
    for (int g = 0; g < 2; ++g)
    {
        WGChangeGrid(m_pGraph, m_xAxis, g, lines[g]->nStyle, lines[g]->nWidth,
                     WGGetRGBColor(lines[g]->nColour));
        WGToggleGrid(m_pGraph, m_xAxis, g, on[g]);
    }
    s->m_massTick = static_cast<float>(dialog.m_nStep);
    s->m_massMinorTicks = dialog.m_nMinorTicks;
    s->m_xMajorGrid = dialog.m_bMajorGrid;
    s->m_xGrid[0].on = dialog.m_bMinorGrid;
    s->m_xAxisColour = dialog.m_axisLine.nColour;
    s->m_xAxisStyle = dialog.m_axisLine.nStyle;
    StoreGrid(s->m_xGrid[0], dialog.m_majorGridLine);
    StoreGrid(s->m_xGrid[1], dialog.m_minorGridLine);
    SetMassRange(static_cast<float>(dialog.m_nFrom), static_cast<float>(dialog.m_nTo));
    Redraw();
    return 1;
}

int CBarChartDisplay::EditAxisLabels(GrDesc* graph, int labels)
{
    CAnalogData* s = Settings();
    if (graph == nullptr || graph != m_pGraph || s == nullptr || labels == 0)
        return 0;
    const bool y = labels == m_yLabels;
    if (!y && labels != m_xLabels)
        return 0;
    CAnalogData::TextStyle& style = s->m_textStyle[y ? 1 : 0];
    CAxisLabelsDlg dialog;
    dialog.m_font = FontOf(style);
    dialog.m_nStyle = style.style;
    if (y)
    {
        dialog.m_nDecimalPlaces = s->m_labelPrecision;
        dialog.m_nFormat = s->m_labelFormat;
    }
    else
        dialog.m_bFormatHidden = 1;
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkActiveDocumentModified();
    ChartFont font = dialog.m_font;
    font.SetStyleWord(dialog.m_nStyle);
    if (y)
    {
        WGChangeLabelsPrec(m_pGraph, m_yLabels, dialog.m_nDecimalPlaces);
        WGChangeLabelsFormat(m_pGraph, m_yLabels, dialog.m_nFormat);
        s->m_labelPrecision = dialog.m_nDecimalPlaces;
        s->m_labelFormat = static_cast<uint16_t>(dialog.m_nFormat);
        ApplyChartFont(m_pGraph, m_yLabels, font, font.nSize);
        // The unit's name beside the labels takes their face, style and colour, not their size.
        ApplyChartFont(m_pGraph, m_unitsLabel, font, WGGetFontSize(m_pGraph, m_unitsLabel));
        StoreFont(s->m_textStyle[3], font);
        s->m_textStyle[3].size = WGGetFontSize(m_pGraph, m_unitsLabel);
    }
    else
    {
        ApplyChartFont(m_pGraph, m_xLabels, font, font.nSize);
        ShareTextColour(0, s->m_textStyle[2].colour);
    }
    StoreFont(style, font);
    Redraw();
    return 1;
}

void CBarChartDisplay::EditTitleText()
{
    EditTitle(false);
}

void CBarChartDisplay::EditGraphTitle()
{
    EditTitle(true);
}

void CBarChartDisplay::EditTitle(bool graphTitle)
{
    CAnalogData* s = Settings();
    if (s == nullptr || m_pGraph == nullptr)
        return;
    char* text = graphTitle ? s->m_graphTitle : s->m_xAxisTitle;
    const size_t size = graphTitle ? sizeof s->m_graphTitle : sizeof s->m_xAxisTitle;
    const int object = graphTitle ? m_graphTitle : m_xTitle;
    CAnalogData::TextStyle& style = s->m_textStyle[graphTitle ? 4 : 2];
    CTextParametersDlg dialog;
    dialog.m_strText = text;
    dialog.m_font = FontOf(style);
    if (dialog.DoModal() != IDOK)
        return;
    MarkActiveDocumentModified();
    CopyName(text, size, std::string(static_cast<LPCTSTR>(dialog.m_strText)));
    WGChangeString(m_pGraph, object, text, 0);
    ApplyChartFont(m_pGraph, object, dialog.m_font, dialog.m_font.nSize);
    StoreFont(style, dialog.m_font);
    ShareTextColour(graphTitle ? 2 : 1, dialog.m_font.nColourIndex);
    Redraw();
}

// ---- Label fitting

void CBarChartDisplay::ArrangeLabels()
{
    const CAnalogData* s = Settings();
    if (m_pGraph == nullptr || s == nullptr)
        return;
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    const auto measure = [&](int points, float* w, float* h)
    {
        const char* face = WGGetFontName(m_pGraph, m_xLabels);
        int flags = 0;
        if (WGGetFontWeight(m_pGraph, m_xLabels) >= 700)
            flags |= 1;
        if (WGGetFontItal(m_pGraph, m_xLabels))
            flags |= 2;
        if (WGGetFontUnder(m_pGraph, m_xLabels))
            flags |= 4;
        WGSetTextByName(0, face != nullptr ? face : "Arial", points, flags);
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 0, w, h);
    };

    float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
    WGGetAxisRange(m_pGraph, m_xAxis, &lo, &hi, &intercept);
    const float step = std::max(s->m_massTick, 1.0f);
    const int count = static_cast<int>((hi - lo) / step);
    int chars = 0;
    for (float v = hi; v >= 1.0f; v *= 0.1f)
        ++chars;
    if (chars == 0)
        chars = 2;
    int size = WGGetFontSize(m_pGraph, m_xLabels);
    float w10 = 0.0f, h = 0.0f;
    measure(size, &w10, &h);
    const float need = count * chars * w10 * 0.1f;
    const float plotWidth = m_plot[1] - m_plot[0];
    int newSize = size;
    if (need > 0.85f * plotWidth)
        newSize = std::max(size - 1, 4);
    else if (need < 0.5f * plotWidth)
        newSize = std::min(size + 1, 10);
    if (newSize != size)
    {
        measure(newSize, &w10, &h);
        const char* face = WGGetFontName(m_pGraph, m_xLabels);
        const std::string name = face != nullptr ? face : "Arial";
        const int weight = WGGetFontWeight(m_pGraph, m_xLabels), italic = WGGetFontItal(m_pGraph, m_xLabels),
                  under = WGGetFontUnder(m_pGraph, m_xLabels);
        WGChangeFont(m_pGraph, m_xLabels, name.c_str(), newSize, 0, weight, italic, under);
        WGChangeFont(m_pGraph, m_xTitle, name.c_str(), newSize, 0, weight, italic, under);
        m_plot[2] = 1.0f - 3.5f * h;
    }

    if (WGGetLabelsPos(m_pGraph, m_yLabels) == 1)
    {
        int c = s->m_labelPrecision + (s->m_labelFormat == 1 ? 5 : s->m_labelFormat == 2 ? 3 : 0);
        for (float v = s->m_pressureTop; v >= 1.0f; v *= 0.1f)
            ++c;
        if (c == 0)
            c = 2;
        int ys = WGGetFontSize(m_pGraph, m_yLabels);
        const char* face = WGGetFontName(m_pGraph, m_yLabels);
        const std::string name = face != nullptr ? face : "Arial";
        const int weight = WGGetFontWeight(m_pGraph, m_yLabels), italic = WGGetFontItal(m_pGraph, m_yLabels),
                  under = WGGetFontUnder(m_pGraph, m_yLabels);
        while (ys > 3)
        {
            float w = 0.0f, hh = 0.0f;
            WGSetTextByName(0, name.c_str(), ys,
                            (weight >= 700 ? 1 : 0) | (italic ? 2 : 0) | (under ? 4 : 0));
            WGGetTextSizeNorm(m_pGraph, dc, TRUE, "0123456789", 0, &w, &hh);
            if (c * w * 0.1f + 0.015f < m_plot[0])
                break;
            --ys;
        }
        WGChangeFont(m_pGraph, m_yLabels, name.c_str(), ys, 0, weight, italic, under);
        WGChangeFont(m_pGraph, m_unitsLabel, name.c_str(), ys, 0, weight, italic, under);
    }
    ReleaseDC(window, dc);
}

// ---- Document file

void CBarChartDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pSettings);
        const CAnalogData* s = Settings();
        const int count = s != nullptr ? std::max(s->m_pointCount, 0) : 0;
        float values[kMaxBars];
        ReadData(values, kMaxBars);
        for (int i = 0; i < count; ++i)
            ar << (i < kMaxBars ? values[i] : 0.0f);
        CDisplay::Serialize(ar);
        return;
    }
    CAnalogData* settings = nullptr;
    CArchiveFieldReads fields(ar);
    fields.Read(settings, RUNTIME_CLASS(CAnalogData));
    if (settings == nullptr)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    if (settings->m_pointCount < 0)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    // The display holds the first 300 masses; values beyond them were stored as zeros.
    float values[kMaxBars] = {};
    for (int i = 0; i < settings->m_pointCount; ++i)
    {
        float value = 0.0f;
        ar >> value;
        if (i < kMaxBars)
            values[i] = value;
    }
    CDisplay::Serialize(ar);
    fields.Commit();
    m_pSettings = settings;
    std::memcpy(m_values, values, sizeof m_values);
    m_nCurrentBar = m_nCurrentRow = 0;
}
