#include "displays/PanelGraphPainters.h"

#include "displays/ChartHost.h"
#include "scans/Table.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// The cell of a channel: light grey, yellow while the channel is in any alarm.
constexpr COLORREF kCellColour = RGB(192, 192, 192);
constexpr COLORREF kAlarmCellColour = RGB(255, 255, 0);
// Palette index of the cell texts.
constexpr int kTextColour = 4;
// Raised and filled: the whole cell takes the alarm colour.
constexpr int kFrameStyle = 2;
// An alarm kind that is never armed: its message only widens the alarm cell to its longest text.
constexpr int kWidthReserveKind = RT_ALARM_DEVIATION;

// The annunciator the graph holds (the one WRSetAnnun just made); 0 when there is none.
uint16_t FindAnnunciator(GrDesc* graph)
{
    for (int n = graph->capacity; n >= 1; --n)
        if (const ObjDesc* o = GetObjDesc(graph, n, nullptr); o != nullptr && o->type == RT_TYPE_ANNUNCIATOR)
            return static_cast<uint16_t>(n);
    return 0;
}
} // namespace

CPanelGraphPainter::CPanelGraphPainter(CTable* table, int index) : m_pTable(table), m_nIndex(index) {}

void CPanelGraphPainter::BuildObjects(GrDesc* graph, HDC /*dc*/)
{
    if (m_pTable == nullptr || m_nIndex < 0 || m_nIndex >= CTable::kChannels)
        return;
    const CTable& t = *m_pTable;
    const int count = std::clamp(t.m_activeCount, 0, static_cast<int>(CTable::kChannels));
    const CTableData& c = t.m_active[m_nIndex];
    const bool enabled = m_nIndex < count && c.m_enabled != 0;

    WGSetTextByName(kTextColour, "Arial", 6, 1);
    // The tag as a label: cut to a label's field here, given whole to the tag cell below.
    char tag[64];
    std::snprintf(tag, sizeof tag, "Ch#%d   Mass=%d", static_cast<int>(c.m_number),
                  static_cast<int>(c.m_mass));
    char label[RT_LABEL_MAX + 1] = {};
    if (enabled)
        std::memcpy(label, tag, std::min(std::strlen(tag), sizeof label - 1));
    // The set's name is the cell's title: the channel's gas, or that the channel is not in use.
    const char* title = !enabled ? "     Disabled" : c.m_szGasName[0] != '\0' ? c.m_szGasName : " ";
    m_nDataSet = WRDefineDynDataSet(title, 1, InitialValueText(enabled), label, 0);
    if (m_nDataSet == 0)
        return;

    WRSetAlarm(m_nDataSet, RT_ALARM_HIGH, c.m_highLevel, c.m_szHighMessage);
    WRSetAlarm(m_nDataSet, RT_ALARM_LOW, c.m_lowLevel, c.m_szLowMessage);
    WRSetAlarm(m_nDataSet, RT_ALARM_HIGHHIGH, c.m_highHighLevel, c.m_szHighHighMessage);
    WRSetAlarm(m_nDataSet, RT_ALARM_LOWLOW, c.m_lowLowLevel, c.m_szLowLowMessage);
    WRSetAlarm(m_nDataSet, kWidthReserveKind, 0.1f, "ALL THIS TEXT");

    // Tag, the value (in the units cell, which the display writes) and the alarm message.
    const int items[4] = {1, 0, 1, 1};
    const int textColours[1] = {kTextColour};
    const COLORREF normal[1] = {kCellColour};
    WRSetAnnun(graph, m_nDataSet, 1, 1, textColours, normal, kAlarmCellColour, 1, 1, items, kFrameStyle);
    m_annunciator = FindAnnunciator(graph);
    if (m_annunciator == 0)
        return;
    m_titleCell = WRGetAnnTitle(graph, m_annunciator);
    m_tagCell = WRGetAnnTag(graph, m_annunciator, 0);
    m_valueCell = WRGetAnnUnits(graph, m_annunciator, 0);
    m_alarmCell = WRGetAnnAlm(graph, m_annunciator, 0);
    if (m_valueCell != 0)
        WGChangeFont(graph, m_valueCell, "Arial", 22, 0, FW_BOLD, 0, 0);

    if (enabled)
    {
        if (m_tagCell != 0)
            WGChangeString(graph, m_tagCell, tag, 0);
        const struct
        {
            int kind;
            int32_t on;
        } switches[] = {{RT_ALARM_HIGH, c.m_highEnable},
                        {RT_ALARM_LOW, c.m_lowEnable},
                        {RT_ALARM_HIGHHIGH, c.m_highHighEnable},
                        {RT_ALARM_LOWLOW, c.m_lowLowEnable}};
        for (const auto& s : switches)
            if (!s.on)
                WRChangeAlarm(m_nDataSet, s.kind, 0.0f, 0, nullptr);
        WRChangeAlarm(m_nDataSet, 0, 0.0f, 1, c.m_szNormalMessage);
        if (m_alarmCell != 0)
            for (int level = CTable::kNormal; level <= CTable::kLowLow; ++level)
                WRChangeDynTextColor(graph, m_alarmCell, t.m_alarmColors[level], level);
        WRChangeAlarm(m_nDataSet, kWidthReserveKind, 0.0f, 0, nullptr);
        WREnableAlarmCheck(m_nDataSet, 1);
    }
    else
    {
        // A channel that is not in use shows no alarm at all.
        for (int kind :
             {static_cast<int>(RT_ALARM_HIGH), static_cast<int>(RT_ALARM_LOW),
              static_cast<int>(RT_ALARM_HIGHHIGH), static_cast<int>(RT_ALARM_LOWLOW), kWidthReserveKind})
            WRChangeAlarm(m_nDataSet, kind, 0.0f, 0, nullptr);
        WRChangeAlarm(m_nDataSet, 0, 0.0f, 1, " ");
    }
}

void CPanelGraphBuilder::CellRect(int i, float* left, float* top, float* right, float* bottom)
{
    // Neighbours share their edge exactly, so no gap opens between them.
    const int column = i % 5;
    *left = static_cast<float>(column) / 5.0f;
    *right = static_cast<float>(column + 1) / 5.0f;
    *top = i < 5 ? 0.0f : 0.5f;
    *bottom = *top + 0.5f;
}

void CPanelGraphBuilder::CreateGraphs(PgDesc* page)
{
    for (int i = 0; i < kGraphs; ++i)
    {
        float left = 0, top = 0, right = 0, bottom = 0;
        CellRect(i, &left, &top, &right, &bottom);
        m_graphs[i] = ChartInitGraph(page, reinterpret_cast<LPARAM>(m_painters[i]), left, top, right, bottom,
                                     kBackground, kBorder, kBorderWidth);
        const CPanelGraphPainter* p = m_painters[i];
        if (m_graphs[i] == nullptr || p == nullptr)
            continue;
        m_annunciators[i] = p->m_annunciator;
        m_titleCells[i] = p->m_titleCell;
        m_tagCells[i] = p->m_tagCell;
        m_valueCells[i] = p->m_valueCell;
        m_alarmCells[i] = p->m_alarmCell;
    }
}
