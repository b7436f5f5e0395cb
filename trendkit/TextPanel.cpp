// The text panel builder: fills an empty graph with a table of one data set's values, one row per
// value (tag, live value, units, setpoint, alarm text and a caller's descriptor) under a title and a
// bold header line, its font sized so that the table fits the graph.
#include "AutoGraph.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace trendkit
{
namespace
{

constexpr int kField = 42; // descriptor fields

// The width of `n` characters of a text repeated (none: digits counting up from '0'; empty: one
// '0'), as a fraction of the graph's logical width.
float TextWidthNorm(GrDesc* graph, HDC dc, const char* text, int n)
{
    n = std::min(n, 80);
    if (n <= 0 || graph->logWidth <= 0)
        return 0;
    char buffer[81] = {};
    const size_t length = text ? std::strlen(text) : 0;
    if (text == nullptr)
        for (int i = 0; i < n; ++i)
            buffer[i] = static_cast<char>('0' + i);
    else if (length == 0)
    {
        buffer[0] = '0';
        n = 1;
    }
    else
        for (int i = 0; i < n; ++i)
            buffer[i] = text[static_cast<size_t>(i) % length];
    SIZE size{};
    GetTextExtentPoint32A(dc, buffer, n, &size);
    return static_cast<float>(size.cx) / graph->logWidth;
}

// The alarm text's colours by the background: the normal state, then alarm kinds 1-7.
void AlarmColours(int background, int text, int table[8])
{
    static const int kOnRed[7] = {14, 1, 14, 9, 11, 11, 11};
    static const int kOnBlue[7] = {4, 13, 12, 13, 4, 4, 4};
    static const int kOther[7] = {4, 1, 12, 9, 4, 4, 4};
    const int* kinds = background == 4 || background == 12 ? kOnRed
                       : background == 1 || background == 9 ? kOnBlue
                                                              : kOther;
    table[0] = text;
    for (int i = 0; i < 7; ++i)
        table[i + 1] = kinds[i];
}

} // namespace
} // namespace trendkit

using namespace trendkit;

void WINAPI WRSetAutoText(GrDesc* graph, int slot, int digits, int decimals, const int* colours,
                          const char* descriptors, const int* columns, WORD* out)
{
    static const char kName[] = " - WRSetAutoText";
    if (out)
        std::fill(out, out + 4, WORD{0});
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph) || graph->logWidth <= 0 || graph->logHeight <= 0)
        return;
    const int n = std::max<int>(set->valueCount, 1);
    bool tag = true, units = true, setpoint = true, alarm = true, described = descriptors != nullptr;
    if (columns)
    {
        tag = columns[0] != 0;
        units = columns[1] != 0;
        setpoint = columns[2] != 0;
        alarm = columns[3] != 0;
        described = described && columns[4] != 0;
    }
    // The descriptors are cut into their fields in a copy of the caller's text.
    std::vector<char> fields(static_cast<size_t>(n) * kField + 1, '\0');
    if (described)
    {
        std::memcpy(fields.data(), descriptors, std::min(std::strlen(descriptors), fields.size() - 1));
        SplitString(fields.data(), kField);
        for (size_t end = kField - 1; end < fields.size(); end += kField)
            fields[end] = '\0';
    }
    auto field = [&](int r) { return fields.data() + static_cast<size_t>(r) * kField; };

    HDC dc = graph->buildDc;
    const AutoStyle style = AutoGraphStyle(graph, dc, false);
    const int B = style.background, T = style.text, C = style.title;
    int p = style.points;
    float cw = style.widthUnit, ch = style.heightUnit;

    std::string alarmText = LoadText(51);
    int alarmLength = static_cast<int>(alarmText.size()) + 1;
    for (const AlarmDesc& a : set->alarms)
    {
        const int length = static_cast<int>(strnlen(a.message, RT_ALARM_MESSAGE_MAX));
        if (length > alarmLength)
        {
            alarmLength = length;
            alarmText.assign(a.message, length);
            break;
        }
    }
    std::string describedText = LoadText(52);
    int describedLength = static_cast<int>(describedText.size());
    for (int r = 0; described && r < set->valueCount; ++r)
    {
        const int length = static_cast<int>(std::strlen(field(r)));
        if (length > describedLength)
        {
            describedLength = length;
            describedText = field(r);
            break;
        }
    }

    WGSetTextByName(T, style.face, p, style.flags);
    FontDesc font{};
    if (Lib().top)
        font = Lib().top->defaultFont;
    font.text = nullptr;
    font.textCapacity = 0;
    font.logFont.lfHeight = -PointsToLogSize(graph, dc, p);
    HFONT made = ConfigureText(graph, dc, &font, RGB(0, 0, 0));

    const DevDesc* dev = GetDevDesc();
    const bool raised = graph->raise != 0 && dev && graph->devWidth > 0 && graph->devHeight > 0;
    const float x0 = raised ? 0.01f * dev->screenWidth / graph->devWidth : 0.0f;
    float x1 = x0 + (tag ? TextWidthNorm(graph, dc, set->labels[0], 16) : 0) + cw;
    float x2 = x1 + TextWidthNorm(graph, dc, nullptr, digits) + cw;
    const float x3 = x2 + (units ? TextWidthNorm(graph, dc, set->units, static_cast<int>(std::strlen(set->units))) + cw : 0);
    float x4 = x3 + (setpoint ? TextWidthNorm(graph, dc, nullptr, digits) + cw : 0);
    float x5 = x4 + (alarm ? TextWidthNorm(graph, dc, alarmText.c_str(), alarmLength) + ch : 0);
    const float d = described ? TextWidthNorm(graph, dc, describedText.c_str(), describedLength) : 0;
    if (made && graph->metafileDc)
    {
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(made);
    }

    // Fit: the font shrinks (or grows) so that the table fills the graph.
    float W = x5 + d;
    float H = n * ch * 1.15f + 2.2f * ch + static_cast<float>(PointsToLogSize(graph, dc, 4 * p / 3)) / graph->logHeight;
    if (raised)
    {
        W /= 1 - 2 * x0;
        H /= 1 - 0.02f * dev->screenHeight / graph->devHeight;
    }
    const float s = std::max(W, H);
    if (s > 0)
    {
        p = std::max(static_cast<int>(p / s), 1);
        x1 /= s;
        x2 /= s;
        x4 /= s;
        x5 /= s;
        cw /= s;
        ch /= s;
    }

    WORD title = 0;
    float th = 0;
    WGSetTextByName(C, style.face, 4 * p / 3, style.flags);
    title = static_cast<WORD>(WGTitleGraph(graph, dc, set->name));
    th = static_cast<float>(PointsToLogSize(graph, dc, 4 * p / 3)) / graph->logHeight;
    if (raised)
        th += 0.01f * dev->screenHeight / graph->devHeight;
    WGSetTextByName(T, style.face, p, style.flags);

    const float y0 = 2.2f * ch + th;
    const float y1 = n * ch * 1.15f + y0;
    const WORD value =
        WRSetDynText(graph, slot, -1, x1, y0, x2 - cw, y1, -1, 0, colours, B, 0, digits, decimals, 0, 0);
    WORD alarmObject = 0;
    if (alarm)
    {
        int table[8];
        AlarmColours(B, T, table);
        alarmObject = WRSetAlarmText(graph, slot, -1, x4, y0, x5, y1, -1, 1, B, nullptr, table, 0, 0);
    }
    const std::string setpointText = ftoa(set->setpoint, decimals, 0);
    WORD legend = 0;
    if (tag && value)
        legend = WRDynLegend(graph, x0, y0, x1, y1, -1, 0, -1, B, 0, nullptr, value, 0);

    for (int r = 0; r < set->valueCount; ++r)
    {
        const float y = y0 + 0.83f * ch + r * (y1 - y0) / n;
        if (colours)
            WGSetTextByName(colours[r], style.face, p, style.flags);
        if (units)
            WGTextNorm(graph, dc, set->units, x2, y, TA_BASELINE | TA_LEFT, 0);
        if (setpoint)
            WGTextNorm(graph, dc, setpointText.c_str(), x4 - cw / 2, y, TA_BASELINE | TA_RIGHT, 0);
        if (described)
            WGTextNorm(graph, dc, field(r), x5, y, TA_BASELINE | TA_LEFT, 0);
    }

    const float hy = 0.6f * ch + th;
    WGSetTextByName(T, style.face, p, 1);
    if (tag)
        WGTextNorm(graph, dc, LoadText(48).c_str(), x0 + cw, hy, 0, 0);
    WGTextNorm(graph, dc, LoadText(53).c_str(), x2 - cw, hy, 2, 0);
    if (units)
        WGTextNorm(graph, dc, LoadText(49).c_str(), x2, hy, 0, 0);
    if (setpoint)
        WGTextNorm(graph, dc, LoadText(50).c_str(), x4 - cw / 2, hy, 2, 0);
    if (alarm)
        WGTextNorm(graph, dc, LoadText(51).c_str(), x4 + cw / 2, hy, 0, 0);
    if (described)
        WGTextNorm(graph, dc, LoadText(52).c_str(), x5, hy, 0, 0);
    WGSetTextByName(T, style.face, p, style.flags);

    if (out)
    {
        out[0] = title;
        out[1] = legend;
        out[2] = value;
        out[3] = alarmObject;
    }
}
