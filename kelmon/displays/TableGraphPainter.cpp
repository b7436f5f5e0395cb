#include "displays/TableGraphPainter.h"

#include "displays/PvsTDisplay.h"
#include "scans/Table.h"
#include "units/Units.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
constexpr COLORREF kDefaultWindowColour = RGB(0xD4, 0xD0, 0xC8);
constexpr float kRowStep = TableWords::kRowStep;
constexpr float kHeadingY = 0.11f;
constexpr float kCellTop = 0.185f; // value and alarm cells of row 0
constexpr float kTextTop = 0.19f;  // the other texts of row 0
constexpr char kValueTemplate[] = " 0.0E-00 ";

void UseTableFont(const CTable& t, int block)
{
    const CTable::FontBlock& f = t.m_fonts[block];
    WGSetTextByName(f.words[2], f.face, f.words[0], f.words[1]);
}

uint16_t Text(GrDesc* graph, HDC dc, const char* text, float x, float y, int placement = 0)
{
    return static_cast<uint16_t>(WGTextNorm(graph, dc, text, x, y, placement, 0));
}

const char* UnitName(const CTable& t)
{
    return t.m_pUnits != nullptr ? t.m_pUnits->m_szUnitName : t.m_szUnitName;
}
} // namespace

COLORREF TableWords::WindowColour(const CTable& t)
{
    return t.m_displayWords[kWindowColourSet] != 0 ? static_cast<COLORREF>(t.m_displayWords[kWindowColour])
                                                   : kDefaultWindowColour;
}

void TableWords::SetWindowColour(CTable& t, COLORREF colour)
{
    t.m_displayWords[kWindowColour] = static_cast<uint32_t>(colour);
    t.m_displayWords[kWindowColourSet] = 1;
}

int TableWords::PanePosition(const CTable& t)
{
    const uint32_t position = t.m_displayWords[kPanePosition];
    return position <= 2 ? static_cast<int>(position) : 0;
}

int TableWords::TraceColour(const CTable& t, int index)
{
    return index >= 0 && index < CTable::kChannels ? t.m_channelColors[index] : 0;
}

CTableGraphPainter::CTableGraphPainter(CTable* table, const char (*names)[48], int rows)
    : m_pTable(table), m_nRows(std::clamp(rows, 0, static_cast<int>(TableWords::kRows)))
{
    for (int i = 0; i < m_nRows && names != nullptr; ++i)
        std::snprintf(m_szNames[i], sizeof m_szNames[i], "%s", names[i]);
    if (m_nRows > 0)
        std::snprintf(m_szPressureName, sizeof m_szPressureName, "%.38s.Total", m_szNames[0]);
    else
        std::snprintf(m_szPressureName, sizeof m_szPressureName, "Table.Total");
}

void CTableGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    const CTable& t = *m_pTable;
    const CTable::FontBlock& titleFont = t.m_fonts[TableWords::kFontTitle];
    const int titleColour = titleFont.words[2];

    // The value and alarm columns stand on a framed panel of their own, under the texts.
    m_frame = static_cast<uint16_t>(WGRectangleNormEx(graph, dc, 0.28f, 0.075f, 0.67f, 0.98f, 15, 3, 1,
                                                      WGGetRGBColor(TableWords::kFramePalette), 0));

    UseTableFont(t, TableWords::kFontTitle);
    m_title = Text(graph, dc, t.m_szTableTitle, 0.03f, 0.03f);
    WGSetTextByName(titleColour, "Arial", 8, 0);
    m_infoText = Text(graph, dc, "Date", 0.84f, 0.03f, 6);

    UseTableFont(t, TableWords::kFontHeadings);
    const char* headings[TableWords::kHeadings] = {"Ch#",   "Name",  "Mass", UnitName(t),
                                                   "Alarm", "Speed", "Cal",  "CEM"};
    for (int k = 0; k < TableWords::kHeadings; ++k)
        m_headings[k] = Text(graph, dc, headings[k], TableWords::kHeadingX[k], kHeadingY);

    const char* unitLabel = t.m_pUnits != nullptr ? t.m_pUnits->m_szLabel : "";
    for (int i = 0; i < m_nRows; ++i)
    {
        const CTableData& c = t.m_active[i];
        const float cellY = kCellTop + static_cast<float>(i) * kRowStep;
        const float textY = kTextTop + static_cast<float>(i) * kRowStep;
        const int set = WRDefineDynDataSet(m_szNames[i], 1, unitLabel, nullptr, 0);
        m_dataSets[i] = set;
        if (set == 0)
            continue;

        // The alarm levels; a level the channel does not watch is switched off again below. The
        // sixth kind only widens the cell to its longest text, and is then switched off.
        UseTableFont(t, TableWords::kFontCells);
        WRSetAlarm(set, 1, c.m_highLevel, c.m_szHighMessage);
        WRSetAlarm(set, 2, c.m_lowLevel, c.m_szLowMessage);
        WRSetAlarm(set, 3, c.m_highHighLevel, c.m_szHighHighMessage);
        WRSetAlarm(set, 4, c.m_lowLowLevel, c.m_szLowLowMessage);
        WRSetAlarm(set, 6, 0.1f, "ALL THIS TEXT");
        int colours[8] = {};
        std::copy(std::begin(t.m_alarmColors), std::end(t.m_alarmColors), colours);
        m_alarmCells[i] = WRSetAlarmText(graph, set, 0, 0.48f, cellY, 0.66f, 0.0f, 0, 1,
                                         TableWords::kFramePalette, c.m_szNormalMessage, colours, 6, 0);
        const int enables[4] = {c.m_highEnable, c.m_lowEnable, c.m_highHighEnable, c.m_lowLowEnable};
        for (int kind = 1; kind <= 4; ++kind)
            if (!enables[kind - 1])
                WRChangeAlarm(set, kind, 0.0f, 0, nullptr);
        WRChangeAlarm(set, 0, 0.0f, 1, c.m_szNormalMessage);
        WRChangeAlarm(set, 6, 0.0f, 0, nullptr);

        // The live value: two messages that take turns, so every new value redraws the cell.
        const int colour = TableWords::TraceColour(t, i);
        char texts[2][42] = {};
        for (auto& text : texts)
            std::snprintf(text, sizeof text, "%s", kValueTemplate);
        const int valueColours[2] = {colour, colour};
        UseTableFont(t, TableWords::kFontCells);
        // Transparent on the panel: a new value repaints the inside of its box.
        m_valueCells[i] = WRSetMessage(graph, set, 0, 0.36f, cellY, -1, 0, -1, 2, &texts[0][0], valueColours);

        WGSetTextByName(colour, t.m_fonts[TableWords::kFontCells].face,
                        t.m_fonts[TableWords::kFontCells].words[0],
                        t.m_fonts[TableWords::kFontCells].words[1]);
        char text[48];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(c.m_number));
        m_rowTexts[i][0] = Text(graph, dc, text, 0.04f, textY);
        m_rowTexts[i][1] = Text(graph, dc, c.m_szGasName, 0.1f, textY);
        std::snprintf(text, sizeof text, "%d", static_cast<int>(c.m_mass));
        m_rowTexts[i][2] = Text(graph, dc, text, 0.31f, textY);
        std::snprintf(text, sizeof text, "%d", static_cast<int>(c.m_noiseFloor));
        m_rowTexts[i][3] = Text(graph, dc, text, 0.72f, textY);
        std::snprintf(text, sizeof text, "%3.2f", static_cast<double>(c.m_calFactor));
        m_rowTexts[i][4] = Text(graph, dc, text, 0.82f, textY);
        m_rowTexts[i][5] = Text(graph, dc, c.m_cem ? "ON" : "OFF", 0.91f, textY);
    }

    // The total-pressure read-out (the value, with the absolute unit in a relative unit mode).
    m_nPressureSet = WRDefineDynDataSet(m_szPressureName, 1, unitLabel, nullptr, 0);
    const bool relative = t.m_pUnits != nullptr && t.m_pUnits->IsUserUnit();
    WGSetTextByName(0, "Arial", 8, 1);
    char texts[2][42] = {};
    for (auto& text : texts)
    {
        if (relative)
            std::snprintf(text, sizeof text, "  ---  %s", t.m_pUnits->m_szUnitName);
        else
            std::snprintf(text, sizeof text, "  ---  ");
    }
    const int colours[2] = {0, 0};
    m_pressureValue =
        WRSetMessage(graph, m_nPressureSet, 0, 0.43f, 0.025f, 16, 1, 7, 2, &texts[0][0], colours);
    WGSetTextByName(titleColour, "Arial", 8, 1);
    m_pressureCaption = Text(graph, dc, relative ? "Ref Pressure" : "Total Pressure", 0.3f, 0.033f);
    WGShowObject(graph, m_pressureValue, FALSE);
    WGShowObject(graph, m_pressureCaption, FALSE);

    m_leds[0] = WRSetLEDControl(graph, 0.98f, 0.97f, 0.015f, 0, 10, 12);
    m_leds[1] = WRSetLEDControl(graph, 0.96f, 0.97f, 0.015f, 0, 14, 8);
    for (uint16_t led : m_leds)
        if (led != 0)
            WGShowObject(graph, led, FALSE);

    const bool shown = PvsTWords::TotalShown(t);
    WGShowObject(graph, m_pressureValue, shown ? TRUE : FALSE);
    WGShowObject(graph, m_pressureCaption, shown ? TRUE : FALSE);
    if (m_nPressureSet != 0)
        WRSetBitExclusive(m_nPressureSet, 0, graph);
}
