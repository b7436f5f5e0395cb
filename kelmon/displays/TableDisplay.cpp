#include "displays/TableDisplay.h"

#include "dialogs/ChartDlgSupport.h"
#include "dialogs/TextParametersDlg.h"
#include "dialogs/TraceColorDlg.h"
#include "displays/ChartHost.h"
#include "displays/DisplaySupport.h"
#include "displays/GraphBuilder.h"
#include "displays/LayoutFile.h"
#include "displays/PvsTDisplay.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/ChannelScan.h"
#include "scans/Table.h"
#include "scans/TableAlarmDlg.h"
#include "units/Units.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

IMPLEMENT_SERIAL(CTableDisplay, CDisplay, 1)

namespace
{
// The smallest font the cells shrink to when their texts do not fit.
constexpr int kSmallestCellFont = 4;
constexpr char kValueTemplate[] = " 0.0E-00 ";

int Bold(int weight)
{
    return weight >= 700 ? 1 : 0;
}
} // namespace

void CTableDisplay::MarkModified()
{
    if (CKelDoc* doc = GetDocument())
        doc->SetModifiedFlag(TRUE);
}

CTableDisplay::CTableDisplay()
{
    m_nKind = 3;
}

CTableDisplay::CTableDisplay(CTable* table, int position, CKelDoc* document)
{
    m_nKind = 3;
    m_pSettings = table;
    m_pDocument = document;
    if (table != nullptr)
        table->m_displayWords[TableWords::kPanePosition] = static_cast<uint32_t>(position);
    m_nPosition = position;
    BuildPage();
}

CTableDisplay::~CTableDisplay()
{
    ClosePage();
}

int CTableDisplay::ChannelCount() const
{
    if (Table() == nullptr)
        return 0;
    const int active = std::clamp(Table()->m_activeCount, 0, static_cast<int>(kChannels));
    return std::min(active, static_cast<int>(m_nChannelsAtBuild));
}

// ---- Page

int CTableDisplay::BuildPage()
{
    CTable* t = Table();
    if (t == nullptr)
        return 0;
    // A page still open goes first, with its data sets.
    if (m_pPage != nullptr || m_nPressureSet != 0)
        ClosePage();
    std::fill(std::begin(m_cellStates), std::end(m_cellStates), 0);
    m_nPosition = TableWords::PanePosition(*t);
    m_bHasData = 0;
    delete m_pLayoutItems;
    m_pLayoutItems = new CLayoutFile(this);

    MakePageName();
    std::strncat(m_szPageName, "Table", sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    const int channels = std::clamp(t->m_activeCount, 0, static_cast<int>(kChannels));
    for (int i = 0; i < kChannels; ++i)
        std::snprintf(m_szDataSetNames[i], sizeof m_szDataSetNames[i], "%s.Table#%d", m_szPageName, i);

    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;

    auto painter = std::make_unique<CTableGraphPainter>(t, m_szDataSetNames, channels);
    auto builder =
        std::make_unique<CSingleGraphBuilder>(painter.get(), TableWords::WindowColour(*t), t->m_colorB2);
    const BOOL opened = OpenGraphPage(view, *builder, WS_CLIPSIBLINGS);
    // The data sets the painter defined are the page's, even when the graph could not be made.
    m_nChannelsAtBuild = channels;
    const CTableGraphPainter& p = *painter;
    std::copy(std::begin(p.m_dataSets), std::end(p.m_dataSets), m_dataSets);
    m_nPressureSet = p.m_nPressureSet;
    if (!opened)
        return 0;

    m_graphTitle = p.m_title;
    std::copy(std::begin(p.m_valueCells), std::end(p.m_valueCells), m_valueCells);
    std::memcpy(m_rowTexts, p.m_rowTexts, sizeof m_rowTexts);
    std::copy(std::begin(p.m_headings), std::end(p.m_headings), m_headings);
    std::copy(std::begin(p.m_alarmCells), std::end(p.m_alarmCells), m_alarmCells);
    m_infoText = p.m_infoText;
    m_pressureValue = p.m_pressureValue;
    m_pressureCaption = p.m_pressureCaption;
    m_frame = p.m_frame;
    m_unitsText = p.m_headings[TableWords::kUnitsHeading];
    m_nIndicatorA = p.m_leds[0];
    m_nIndicatorB = p.m_leds[1];
    for (int i = 0; i < channels; ++i)
        if (m_dataSets[i] != 0)
            WRSetBitExclusive(m_dataSets[i], 0, m_pGraph);

    WGEnableObjActivation(m_pGraph, m_graphTitle, TRUE);
    m_pLayoutItems->AddTitle(m_graphTitle);
    ArrangeLabels();
    return 1;
}

BOOL CTableDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return CDisplay::Rebuild(); });
    return CDisplay::Rebuild();
}

int CTableDisplay::ClosePage()
{
    const bool closed = CDisplay::ClosePage() != 0;
    // The data sets go with the page; those of a page whose graph never came are freed as well.
    for (int i = 0; i < kChannels; ++i)
    {
        if (m_dataSets[i] != 0)
            WRFreeDynDataSet(m_dataSets[i]);
        m_dataSets[i] = 0;
    }
    if (m_nPressureSet != 0)
        WRFreeDynDataSet(m_nPressureSet);
    m_nPressureSet = 0;
    m_nChannelsAtBuild = 0;
    return closed ? 1 : 0;
}

BOOL CTableDisplay::Redraw()
{
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return 0;
    WGRedrawGraph(m_pGraph, FALSE);
    return 1;
}

void CTableDisplay::ArrangeLabels()
{
    FitHeadings();
    if (m_pGraph == nullptr || ChannelCount() == 0 || m_alarmCells[0] == 0 || m_valueCells[0] == 0)
        return;
    const CTable& t = *Table();
    float fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0;
    float ax1 = 0, ay1 = 0, ax2 = 0, ay2 = 0;
    float vx1 = 0, vy1 = 0, vx2 = 0, vy2 = 0;
    WGGetObjectCoordNorm(m_pGraph, m_frame, &fx1, &fy1, &fx2, &fy2);
    WGGetObjectCoordNorm(m_pGraph, m_alarmCells[0], &ax1, &ay1, &ax2, &ay2);
    WGGetObjectCoordNorm(m_pGraph, m_valueCells[0], &vx1, &vy1, &vx2, &vy2);
    // The alarm cells stay inside the panel they stand on.
    const float right = m_frame != 0 && ax2 > fx2 - 0.01f ? fx2 - 0.01f : ax2;

    // What the cells must hold: the value template left of the alarm column, and the first
    // channel's longest message inside it; two more characters for the cells' margins.
    const CTableData& first = t.m_active[0];
    std::string message;
    for (const char* text : {first.m_szHighMessage, first.m_szLowMessage, first.m_szHighHighMessage,
                             first.m_szLowLowMessage, first.m_szNormalMessage})
        if (std::strlen(text) > message.size())
            message = text;
    const std::string value = std::string(kValueTemplate) + "00";
    message += "00";
    const float valueRoom = ax1 - vx1;
    const float messageRoom = right - ax1;

    const char* face = WGGetFontName(m_pGraph, m_valueCells[0]);
    const std::string faceName = face != nullptr && *face != '\0' ? face : "Arial";
    int size = WGGetFontSize(m_pGraph, m_valueCells[0]);
    const int weight = WGGetFontWeight(m_pGraph, m_valueCells[0]);
    const int italic = WGGetFontItal(m_pGraph, m_valueCells[0]);
    const int underline = WGGetFontUnder(m_pGraph, m_valueCells[0]);
    const int orientation = WGGetFontOrient(m_pGraph, m_valueCells[0]);
    const int flags = Bold(weight) | (italic ? 2 : 0) | (underline ? 4 : 0);
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    // Cells narrower than any font still get the smallest one, never a size of nothing.
    for (; size > kSmallestCellFont; --size)
    {
        float valueWidth = 0.0f, messageWidth = 0.0f, height = 0.0f;
        WGSetTextByName(0, faceName.c_str(), size, flags);
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, value.c_str(), 0, &valueWidth, &height);
        WGGetTextSizeNorm(m_pGraph, dc, TRUE, message.c_str(), 0, &messageWidth, &height);
        if (valueWidth <= valueRoom && messageWidth <= messageRoom)
            break;
    }
    ReleaseDC(window, dc);
    size = std::max(size, kSmallestCellFont);

    for (int i = 0; i < ChannelCount(); ++i)
    {
        for (uint16_t cell : {m_valueCells[i], m_alarmCells[i]})
            if (cell != 0)
                WGChangeFont(m_pGraph, cell, faceName.c_str(), size, orientation, weight, italic, underline);
        if (m_alarmCells[i] != 0)
        {
            float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            WGGetObjectCoordNorm(m_pGraph, m_alarmCells[i], &x1, &y1, &x2, &y2);
            // One row high, so the cells of neighbouring rows never cover each other.
            WGChangeObjectCoordNorm(m_pGraph, m_alarmCells[i], x1, y1, std::min(x2, right),
                                    std::min(y2, y1 + TableWords::kRowStep - 0.004f));
        }
        if (m_valueCells[i] != 0)
        {
            // The value box ends where the alarm column begins.
            float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            WGGetObjectCoordNorm(m_pGraph, m_valueCells[i], &x1, &y1, &x2, &y2);
            WGChangeObjectCoordNorm(m_pGraph, m_valueCells[i], x1, y1, std::min(x2, ax1), y2);
        }
    }
}

void CTableDisplay::FitHeadings()
{
    if (m_pGraph == nullptr || m_headings[0] == 0)
        return;
    const uint16_t first = m_headings[0];
    const char* face = WGGetFontName(m_pGraph, first);
    const std::string faceName = face != nullptr && *face != '\0' ? face : "Arial";
    const int original = WGGetFontSize(m_pGraph, first);
    const int weight = WGGetFontWeight(m_pGraph, first);
    const int italic = WGGetFontItal(m_pGraph, first);
    const int underline = WGGetFontUnder(m_pGraph, first);
    const int flags = Bold(weight) | (italic ? 2 : 0) | (underline ? 4 : 0);
    HWND window = WGGetGraphWindow(m_pGraph);
    HDC dc = GetDC(window);
    // Each heading ends before the next one starts.
    int size = original;
    for (; size > kSmallestCellFont; --size)
    {
        WGSetTextByName(0, faceName.c_str(), size, flags);
        bool fits = true;
        for (int k = 0; k < TableWords::kHeadings && fits; ++k)
        {
            const char* text = m_headings[k] != 0 ? WGGetString(m_pGraph, m_headings[k], 0) : nullptr;
            if (text == nullptr)
                continue;
            const float end =
                k + 1 < TableWords::kHeadings ? TableWords::kHeadingX[k + 1] : TableWords::kRightEdge;
            float width = 0.0f, height = 0.0f;
            WGGetTextSizeNorm(m_pGraph, dc, TRUE, (std::string(text) + " ").c_str(), 0, &width, &height);
            fits = width <= end - TableWords::kHeadingX[k];
        }
        if (fits)
            break;
    }
    ReleaseDC(window, dc);
    if (size == original)
        return;
    for (uint16_t heading : m_headings)
        if (heading != 0)
            WGChangeFont(m_pGraph, heading, faceName.c_str(), size, 0, weight, italic, underline);
}

// ---- Values

void CTableDisplay::FormatCellValue(char* out, size_t size, float value)
{
    if (size == 0)
        return;
    char raw[32];
    std::snprintf(raw, sizeof raw, "% 1.1E", static_cast<double>(value));
    const char* e = std::strchr(raw, 'E');
    // Mantissa, "E", the exponent's sign, then its last two digits (the runtime may print three).
    if (e == nullptr || e[1] == '\0' || std::strlen(e + 2) < 2)
    {
        std::snprintf(out, size, "%.8s", raw);
        return;
    }
    const size_t head = static_cast<size_t>(e - raw) + 2;
    const char* digits = raw + std::strlen(raw) - 2;
    std::snprintf(out, size, "%.*s%s", static_cast<int>(head), raw, digits);
}

void CTableDisplay::ShowCell(int channel, float value)
{
    if (m_dataSets[channel] != 0)
        WRUpdateData(m_dataSets[channel], &value, nullptr);
    m_values[channel] = value;
    char text[16];
    FormatCellValue(text, sizeof text, value);
    m_bHasData = 1;
    m_cellStates[channel] ^= 1;
    WRChangeMessage(m_pGraph, m_valueCells[channel], text, TableWords::TraceColour(*Table(), channel),
                    m_cellStates[channel]);
    if (m_dataSets[channel] != 0)
        WRSetBitExclusive(m_dataSets[channel], m_cellStates[channel], m_pGraph);
}

void CTableDisplay::UpdateData(void* record, int /*arg*/)
{
    if (record == nullptr || m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return;
    const auto* r = static_cast<const ChannelPointRecord*>(record);
    // A channel the page has no row for is dropped.
    if (r->channel < 0 || r->channel >= ChannelCount())
        return;
    ShowCell(r->channel, r->value);
}

int CTableDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    if (values == nullptr)
        return 0;
    const int n = std::min(ChannelCount(), capacity);
    for (int i = 0; i < n; ++i)
    {
        float current = 0.0f;
        if (m_dataSets[i] != 0)
            WRGetLastData(m_dataSets[i], &current, nullptr);
        values[i] = current;
    }
    return std::max(n, 0);
}

BOOL CTableDisplay::ShowScanData(const float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowScanData(values); });
    if (values != nullptr)
        std::copy(values, values + kChannels, m_values);
    if (m_pGraph == nullptr || !WGIsDescValid(m_pGraph))
        return 0;
    for (int i = 0; i < ChannelCount(); ++i)
        ShowCell(i, m_values[i]);
    return 1;
}

BOOL CTableDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    for (int i = 0; i < ChannelCount(); ++i)
    {
        ChannelPointRecord record{i, 0.0f};
        UpdateData(&record, 0);
    }
    m_bHasData = 0;
    return 1;
}

int CTableDisplay::OnUnitsChanged(int /*flag*/)
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return 0;
    CUnits* units = Table()->m_pUnits;
    const char* name = units != nullptr ? units->m_szUnitName : Table()->m_szUnitName;
    WGChangeString(m_pGraph, m_unitsText, name, 0);
    WGChangeString(m_pGraph, m_pressureCaption,
                   units != nullptr && units->IsUserUnit() ? "Ref Pressure" : "Total Pressure", 0);
    WGRedrawObject(m_pGraph, m_unitsText, TRUE);
    WGRedrawObject(m_pGraph, m_pressureCaption, TRUE);
    ClearData();
    return 1;
}

// ---- Read-outs

BOOL CTableDisplay::ShowInfoText(int show, LPCTSTR text)
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

void CTableDisplay::ShowMessage(float* value, LPCTSTR suffix)
{
    // The lower pane of a split layout leaves the read-out to the upper one.
    if (m_nPosition == 2 || m_pGraph == nullptr || value == nullptr)
        return;
    ShowTotalPressure(m_pGraph, m_pressureValue, m_nPressureSet, m_nMessageState, *value, suffix);
}

BOOL CTableDisplay::ShowAlarmMessage(float* value)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowAlarmMessage(value); });
    ShowMessage(value, nullptr);
    return 1;
}

BOOL CTableDisplay::UpdateAlarmMessage(float* value, LPCTSTR text)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return UpdateAlarmMessage(value, text); });
    ShowMessage(value, text);
    return 1;
}

int CTableDisplay::HasTotalPressure()
{
    return Table() != nullptr && PvsTWords::TotalShown(*Table()) ? 1 : 0;
}

void CTableDisplay::ToggleTotalPressure()
{
    ::ToggleTotalPressure(Table(), m_pGraph, m_pressureCaption, m_pressureValue);
}

// ---- Editing

int CTableDisplay::RowOfText(int object) const
{
    for (int i = 0; i < ChannelCount(); ++i)
        for (int k = 0; k < 6; ++k)
            if (object != 0 && m_rowTexts[i][k] == object)
                return i;
    return -1;
}

int CTableDisplay::RowOfValueCell(int object) const
{
    for (int i = 0; i < ChannelCount(); ++i)
        if (object != 0 && m_valueCells[i] == object)
            return i;
    return -1;
}

int CTableDisplay::RowOfAlarmCell(int object) const
{
    for (int i = 0; i < ChannelCount(); ++i)
        if (object != 0 && m_alarmCells[i] == object)
            return i;
    return -1;
}

BOOL CTableDisplay::EditTraceColour(int row)
{
    CTraceColorDlg dialog;
    dialog.m_pTable = Table();
    dialog.m_nTrace = row;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    MarkModified();
    return TRUE;
}

void CTableDisplay::RefreshRowColours()
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return;
    for (int i = 0; i < ChannelCount(); ++i)
    {
        const int colour = TableWords::TraceColour(*Table(), i);
        for (int k = 0; k < 6; ++k)
            if (m_rowTexts[i][k] != 0)
                WGChangeTextColor(m_pGraph, m_rowTexts[i][k], colour);
        if (m_valueCells[i] == 0)
            continue;
        char* text = nullptr;
        const int state = m_cellStates[i];
        if (WRGetMessageParams(m_pGraph, m_valueCells[i], &text, nullptr, state) && text != nullptr)
        {
            const std::string kept = text;
            WRChangeMessage(m_pGraph, m_valueCells[i], kept.c_str(), colour, state);
        }
    }
    Redraw();
}

int CTableDisplay::EditTextObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || object == 0)
        return 0;
    if (object == m_graphTitle)
    {
        EditGraphTitle();
        return 1;
    }
    if (object == m_infoText)
        return 1;
    if (object == m_pressureCaption)
    {
        ToggleTotalPressure();
        return 1;
    }
    const int row = RowOfText(object);
    if (row < 0)
        return 0;
    if (EditTraceColour(row))
        RefreshRowColours();
    return 1;
}

int CTableDisplay::EditObject(GrDesc* /*graph*/)
{
    RefreshRowColours();
    return 1;
}

int CTableDisplay::EditMessageObject(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || object == 0)
        return 0;
    if (object == m_pressureValue)
    {
        ToggleTotalPressure();
        return 1;
    }
    const int row = RowOfValueCell(object);
    if (row < 0)
        return 0;
    if (EditTraceColour(row))
        RefreshRowColours();
    return 1;
}

int CTableDisplay::OnTraceEdited(int /*arg*/)
{
    RefreshRowColours();
    return 1;
}

int CTableDisplay::EditDynamicText(GrDesc* graph, int object)
{
    if (graph == nullptr || graph != m_pGraph || Table() == nullptr)
        return 0;
    const int row = RowOfAlarmCell(object);
    if (row < 0)
        return 0;
    CTable& t = *Table();
    CTableData& record = t.m_active[row];
    CTableAlarmDlg dialog;
    dialog.m_pRecord = &record;
    dialog.m_fValueBound = t.m_valueMaximum;
    dialog.m_strUnits = t.m_pUnits != nullptr ? t.m_pUnits->m_szUnitName : t.m_szUnitName;
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        dialog.m_colors[c] = t.m_alarmColors[c];
    if (dialog.DoModal() != IDOK)
        return 1;
    MarkModified();
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        t.m_alarmColors[c] = dialog.m_colors[c];
    // The configured channel the active one was collected from keeps the edit.
    const int slot = record.m_number - 1;
    if (slot >= 0 && slot < CTable::kChannels)
        t.m_configured[slot].CopyFrom(record);

    const int set = m_dataSets[row];
    if (set != 0)
    {
        WRChangeAlarm(set, 0, 0.0f, 1, record.m_szNormalMessage);
        WRChangeAlarm(set, 1, record.m_highLevel, record.m_highEnable, record.m_szHighMessage);
        WRChangeAlarm(set, 2, record.m_lowLevel, record.m_lowEnable, record.m_szLowMessage);
        WRChangeAlarm(set, 3, record.m_highHighLevel, record.m_highHighEnable, record.m_szHighHighMessage);
        WRChangeAlarm(set, 4, record.m_lowLowLevel, record.m_lowLowEnable, record.m_szLowLowMessage);
    }
    for (int i = 0; i < ChannelCount(); ++i)
        if (m_alarmCells[i] != 0)
            for (int k = 0; k < CTableAlarmDlg::kColorSlots; ++k)
                WRChangeDynTextColor(m_pGraph, m_alarmCells[i], t.m_alarmColors[k], k);
    Redraw();
    return 1;
}

void CTableDisplay::EditWindowBackground()
{
    if (Table() == nullptr)
        return;
    int32_t colour = static_cast<int32_t>(TableWords::WindowColour(*Table()));
    if (!PickBackground(colour, FALSE))
        return;
    TableWords::SetWindowColour(*Table(), static_cast<COLORREF>(colour));
    if (m_pGraph == nullptr)
        return;
    for (uint16_t button : {m_nIndicatorA, m_nIndicatorB})
        if (button != 0)
            WRChangeButtonColor(m_pGraph, button, static_cast<COLORREF>(colour), 0);
    WGRedrawGraph(m_pGraph, FALSE);
}

void CTableDisplay::EditGraphTitle()
{
    if (m_pGraph == nullptr || Table() == nullptr)
        return;
    CTable& t = *Table();
    CTable::FontBlock& f = t.m_fonts[TableWords::kFontTitle];
    CTextParametersDlg dialog;
    dialog.m_strText = t.m_szTableTitle;
    dialog.m_font.nSize = f.words[0];
    dialog.m_font.strFaceName = f.face;
    dialog.m_font.SetStyleWord(f.words[1]);
    dialog.m_font.nColourIndex = f.words[2];
    dialog.m_font.crColour = WGGetRGBColor(f.words[2]);
    if (dialog.DoModal() != IDOK)
        return;
    MarkModified();
    CopyTextField(t.m_szTableTitle, sizeof t.m_szTableTitle, dialog.m_strText);
    if (!dialog.m_font.strFaceName.IsEmpty())
        CopyTextField(f.face, sizeof f.face, dialog.m_font.strFaceName);
    f.words[0] = dialog.m_font.nSize;
    f.words[1] = dialog.m_font.StyleWord();
    f.words[2] = dialog.m_font.nColourIndex;
    WGChangeString(m_pGraph, m_graphTitle, t.m_szTableTitle, 0);
    WGChangeFont(m_pGraph, m_graphTitle, f.face, f.words[0], 0, dialog.m_font.bBold ? 700 : 400,
                 dialog.m_font.bItalic, dialog.m_font.bUnderline);
    WGChangeTextColor(m_pGraph, m_graphTitle, f.words[2]);
    WGChangeTextColor(m_pGraph, m_infoText, f.words[2]);
    WGRedrawObject(m_pGraph, m_graphTitle, TRUE);
    WGRedrawObject(m_pGraph, m_infoText, TRUE);
}

void CTableDisplay::EditTraces()
{
    if (m_pGraph == nullptr || ChannelCount() == 0 || m_rowTexts[0][0] == 0)
        return;
    WGSelObject(m_pGraph, m_rowTexts[0][0]);
    ChartHostEditObject(WGGetGraphWindow(m_pGraph));
}

void CTableDisplay::EditTotalPressure()
{
    EditTextObject(m_pGraph, m_pressureCaption);
}

// ---- Document file

void CTableDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(Table());
        for (float value : m_values)
            ar << value;
        CDisplay::Serialize(ar);
        return;
    }
    // The table is the document's (read before the display); the document checks the reference.
    CTable* table = nullptr;
    CArchiveFieldReads fields(ar);
    fields.Read(table, RUNTIME_CLASS(CTable));
    if (table == nullptr)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    float values[kChannels] = {};
    for (float& value : values)
        ar >> value;
    CDisplay::Serialize(ar);
    fields.Commit();
    m_pSettings = table;
    std::copy(std::begin(values), std::end(values), m_values);
}
