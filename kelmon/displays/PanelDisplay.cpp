#include "displays/PanelDisplay.h"

#include "displays/DisplaySupport.h"
#include "displays/PanelGraphPainters.h"
#include "doc/KelDoc.h"
#include "scans/ChannelScan.h"
#include "scans/Table.h"
#include "scans/TableAlarmDlg.h"
#include "units/Units.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

IMPLEMENT_SERIAL(CPanelDisplay, CDisplay, 1)

namespace
{
// The widest value a cell must hold (sign, digits, exponent sign), measured in the value cells'
// font.
constexpr char kWidestValue[] = "-0.0E-00";
// The share of a channel graph's width a value may take.
constexpr float kMostValueWidth = 0.85f;
} // namespace

CPanelDisplay::CPanelDisplay()
{
    m_nKind = 6;
}

CPanelDisplay::CPanelDisplay(CTable* table, CKelDoc* document)
{
    m_nKind = 6;
    m_pSettings = table;
    m_pDocument = document;
    BuildPage();
}

CPanelDisplay::~CPanelDisplay()
{
    ClosePage();
}

CTable* CPanelDisplay::GetTable() const
{
    return static_cast<CTable*>(m_pSettings);
}

int CPanelDisplay::ChannelCount() const
{
    const CTable* t = GetTable();
    return t != nullptr ? std::clamp(t->m_activeCount, 0, static_cast<int>(kChannels)) : 0;
}

float CPanelDisplay::GetLastValue(int channel) const
{
    return channel >= 0 && channel < kChannels ? m_lastValues[channel] : 0.0f;
}

int CPanelDisplay::ChannelOf(const GrDesc* graph) const
{
    if (graph == nullptr)
        return -1;
    for (int i = 0; i < kChannels; ++i)
        if (m_graphs[i] == graph)
            return i;
    return -1;
}

bool CPanelDisplay::GraphValid(int channel) const
{
    return m_graphs[channel] != nullptr && WGIsDescValid(m_graphs[channel]);
}

// ---- Page

int CPanelDisplay::BuildPage()
{
    // A page built over an open one would leave the old page and its data sets behind.
    if (m_pPage != nullptr)
        ClosePage();
    m_bHasData = 0;
    m_bCursorShown = 0;
    // The panel always fills the whole view.
    m_nPosition = 0;
    MakePageName();
    std::strncat(m_szPageName, "Panel", sizeof m_szPageName - std::strlen(m_szPageName) - 1);
    for (int i = 0; i < kChannels; ++i)
        std::snprintf(m_graphNames[i], sizeof m_graphNames[i], "%s.Pannels#%d", m_szPageName, i);

    CTable* table = GetTable();
    if (table == nullptr)
        return 0;
    CView* view = FindDisplayView(m_pDocument);
    if (view == nullptr || view->GetSafeHwnd() == NULL)
        return 0;

    std::unique_ptr<CPanelGraphPainter> painters[kChannels];
    CPanelGraphBuilder builder;
    for (int i = 0; i < kChannels; ++i)
    {
        painters[i] = std::make_unique<CPanelGraphPainter>(table, i);
        builder.m_painters[i] = painters[i].get();
    }
    // The graphs' own grey between them where their edges round apart.
    const BOOL opened = OpenPage(view, builder, WS_CLIPSIBLINGS, CPanelGraphBuilder::kBackground);
    // Whatever the painters defined is the display's to free, even when the page failed.
    for (int i = 0; i < kChannels; ++i)
    {
        m_graphs[i] = builder.m_graphs[i];
        m_dataSets[i] = painters[i]->m_nDataSet;
        m_annunciators[i] = builder.m_annunciators[i];
        m_titleCells[i] = builder.m_titleCells[i];
        m_tagCells[i] = builder.m_tagCells[i];
        m_valueCells[i] = builder.m_valueCells[i];
        m_alarmCells[i] = builder.m_alarmCells[i];
    }
    m_pGraph = m_graphs[0];
    if (!opened)
        return 0;
    ArrangeLabels();
    return 1;
}

BOOL CPanelDisplay::Rebuild()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return CDisplay::Rebuild(); });
    return CDisplay::Rebuild();
}

int CPanelDisplay::ClosePage()
{
    const int closed = CDisplay::ClosePage();
    // The page's objects are gone with it (also when its window went first): the sets are bound to
    // nothing any more, and a set kept here would be lost to the next build.
    for (int& set : m_dataSets)
    {
        if (set != 0)
            WRFreeDynDataSet(set);
        set = 0;
    }
    for (int i = 0; i < kChannels; ++i)
    {
        m_graphs[i] = nullptr;
        m_annunciators[i] = m_titleCells[i] = m_tagCells[i] = m_valueCells[i] = m_alarmCells[i] = 0;
    }
    return closed;
}

void CPanelDisplay::ArrangeLabels()
{
    GrDesc* graph = m_graphs[0];
    const int cell = m_valueCells[0];
    if (graph == nullptr || cell == 0 || !WGIsDescValid(graph))
        return;
    const char* face = WGGetFontName(graph, cell);
    char name[LF_FACESIZE] = "Arial";
    if (face != nullptr && face[0] != '\0')
        std::snprintf(name, sizeof name, "%s", face);
    const int weight = WGGetFontWeight(graph, cell);
    const int italic = WGGetFontItal(graph, cell);
    const int underline = WGGetFontUnder(graph, cell);
    const int orientation = WGGetFontOrient(graph, cell);
    const int flags = (weight >= FW_BOLD ? 1 : 0) | (italic ? 2 : 0) | (underline ? 4 : 0);
    int points = std::max(WGGetFontSize(graph, cell), kLeastValuePoints);

    HWND window = WGGetGraphWindow(graph);
    HDC dc = ::GetDC(window);
    // Smaller until the widest value fits; a cell too small for any size keeps the least one.
    for (; points > kLeastValuePoints; --points)
    {
        float width = 0.0f, height = 0.0f;
        WGSetTextByName(0, name, points, flags);
        WGGetTextSizeNorm(graph, dc, TRUE, kWidestValue, 0, &width, &height);
        if (width < kMostValueWidth)
            break;
    }
    ::ReleaseDC(window, dc);
    for (int i = 0; i < kChannels; ++i)
        if (m_graphs[i] != nullptr && m_valueCells[i] != 0)
            WGChangeFont(m_graphs[i], m_valueCells[i], name, points, orientation, weight, italic, underline);
}

// ---- Data

void CPanelDisplay::ShowValue(int channel, float value)
{
    if (m_dataSets[channel] != 0)
        WRUpdateData(m_dataSets[channel], &value, m_graphs[channel]);
    m_lastValues[channel] = value;
    if (m_graphs[channel] != nullptr && m_valueCells[channel] != 0)
    {
        char text[32];
        FormatShortValue(text, sizeof text, value);
        // Where the old text stood and where the new one stands are both painted again.
        WGRedrawObject(m_graphs[channel], m_valueCells[channel], FALSE);
        WGChangeString(m_graphs[channel], m_valueCells[channel], text, 0);
        WGRedrawObject(m_graphs[channel], m_valueCells[channel], TRUE);
    }
    m_bHasData = 1;
}

void CPanelDisplay::UpdateData(void* record, int /*arg*/)
{
    if (record == nullptr || m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return;
    const auto* reading = static_cast<const ChannelPointRecord*>(record);
    if (reading->channel < 0 || reading->channel >= kChannels || !GraphValid(reading->channel))
        return;
    ShowValue(reading->channel, reading->value);
}

int CPanelDisplay::ReadData(float* values, int capacity)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ReadData(values, capacity); });
    if (values == nullptr)
        return 0;
    const int n = std::min(ChannelCount(), capacity);
    for (int i = 0; i < n; ++i)
    {
        if (m_dataSets[i] != 0)
        {
            float previous = 0.0f;
            WRGetLastData(m_dataSets[i], &values[i], &previous);
        }
        else
            values[i] = m_lastValues[i];
    }
    return std::max(n, 0);
}

int CPanelDisplay::OnUnitsChanged(int flag)
{
    if (flag)
        ClearData();
    return 1;
}

BOOL CPanelDisplay::ClearData()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return ClearData(); });
    for (int i = 0; i < ChannelCount(); ++i)
    {
        ChannelPointRecord zero{i, 0.0f};
        UpdateData(&zero, 0);
        m_lastValues[i] = 0.0f;
    }
    m_bHasData = 0;
    return 1;
}

BOOL CPanelDisplay::Redraw()
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [this] { return Redraw(); });
    for (int i = 0; i < kChannels; ++i)
    {
        if (!GraphValid(i))
            return 0;
        WGRedrawGraph(m_graphs[i], FALSE);
    }
    return 1;
}

BOOL CPanelDisplay::ShowScanData(const float* values)
{
    if (!OnPageThread())
        return OnPageThreadOf(m_pPage, [&] { return ShowScanData(values); });
    if (values != nullptr)
        std::copy(values, values + kChannels, m_lastValues);
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 1;
    for (int i = 0; i < ChannelCount(); ++i)
        if (GraphValid(i))
            ShowValue(i, m_lastValues[i]);
    return 1;
}

// ---- Editing

int CPanelDisplay::EditTextObject(GrDesc* graph, int object)
{
    const int i = ChannelOf(graph);
    if (i < 0)
        return 0;
    if (object == m_titleCells[i] || object == m_tagCells[i] || m_valueCells[i] != 0)
        EditDynamicText(graph, object);
    return 1;
}

int CPanelDisplay::EditDynamicText(GrDesc* graph, int /*object*/)
{
    const int i = ChannelOf(graph);
    CTable* t = GetTable();
    if (i < 0 || t == nullptr)
        return 0;
    CTableData& record = t->m_active[i];
    CTableAlarmDlg dialog;
    dialog.m_pRecord = &record;
    dialog.m_fValueBound = t->m_valueMaximum;
    dialog.m_strUnits = t->m_pUnits != nullptr ? t->m_pUnits->m_szUnitName : t->m_szUnitName;
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        dialog.m_colors[c] = t->m_alarmColors[c];
    if (dialog.DoModal() != IDOK)
        return 1;

    if (CKelDoc* doc = GetDocument())
        doc->SetModifiedFlag(TRUE);
    for (int c = 0; c < CTableAlarmDlg::kColorSlots; ++c)
        t->m_alarmColors[c] = dialog.m_colors[c];
    // The configured channel the active one was taken from; a number out of range names none.
    if (record.m_number >= 1 && record.m_number <= CTable::kChannels)
        t->m_configured[record.m_number - 1].CopyFrom(record);

    for (int k = 0; k < ChannelCount(); ++k)
        if (m_graphs[k] != nullptr && m_alarmCells[k] != 0)
            for (int level = CTable::kNormal; level <= CTable::kLowLow; ++level)
                WRChangeDynTextColor(m_graphs[k], m_alarmCells[k], t->m_alarmColors[level], level);

    if (const int set = m_dataSets[i]; set != 0)
    {
        WRChangeAlarm(set, 0, 0.0f, 1, record.m_szNormalMessage);
        WRChangeAlarm(set, RT_ALARM_HIGH, record.m_highLevel, record.m_highEnable, record.m_szHighMessage);
        WRChangeAlarm(set, RT_ALARM_LOW, record.m_lowLevel, record.m_lowEnable, record.m_szLowMessage);
        WRChangeAlarm(set, RT_ALARM_HIGHHIGH, record.m_highHighLevel, record.m_highHighEnable,
                      record.m_szHighHighMessage);
        WRChangeAlarm(set, RT_ALARM_LOWLOW, record.m_lowLowLevel, record.m_lowLowEnable,
                      record.m_szLowLowMessage);
        WREnableAlarmCheck(set, 1);
    }
    Redraw();
    return 1;
}

// ---- Stored form

void CPanelDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(GetTable());
        for (float value : m_lastValues)
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
    std::copy(values, values + kChannels, m_lastValues);
}
