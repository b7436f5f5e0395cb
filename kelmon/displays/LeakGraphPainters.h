// The leak display's page: a narrow bar graph at the right edge with the latest reading, and the main
// graph with the leak trace over a time axis, the alarm lines and marks, the blinking value and the
// caption. The page builder makes both graphs, each painted by its own painter.
#pragma once

#include "displays/GraphBuilder.h"

#include <cstdint>

class CLeakData;
struct LeakFontRecord;

// What the leak display keeps in the leak settings: the meaning it gives the layout words, the font
// records and the colour words of the record.
struct LeakLayout
{
    // Layout words.
    enum : int
    {
        kYMinorTicks = 0,
        kAutoTick = 1,
        kDecades = 2, // log rounding reaches down to 1e-13 (else 1e-11)
        kYMajorGrid = 3,
        kXMajorGrid = 4,
        kXMinorTicks = 6,
        kYTickStyle = 9,
        kXTickStyle = 10,
        kYGridColour = 12, // the major grid lines: colour, style, width
        kYGridStyle = 13,
        kYGridWidth = 14,
        kYMinorGrid = 15,
        kXGridColour = 16,
        kXGridStyle = 17,
        kXGridWidth = 18,
        kXMinorGrid = 19,
        kYAxisStyle = 20,
        kYAxisColour = 21,
        kXAxisStyle = 24,
        kXAxisColour = 25,
        kTraceStyle = 26,
        kMinorGridColour = 27, // the minor grid lines of both axes
        kMinorGridStyle = 28,
        kMinorGridWidth = 29,
        kXMinimum = 30, // float: the time axis's first second
        kXMaximum = 31, // float: its last second (0 until first worked out)
        kSavedTop = 32, // float: the value top a log switch falls back on (0 reads 1e-5)
    };
    // Font records.
    enum : int
    {
        kFontValue = 0, // the latest reading
        kFontAlarm = 1, // the alarm text
        kFontXLabels = 2,
        kFontYLabels = 3, // its flags word is the label format, its extra word the precision
        kFontXTitle = 4,
        kFontYTitle = 5,
        kFontTitle = 6
    };

    static float Float(const CLeakData& s, int word);
    static void SetFloat(CLeakData& s, int word, float value);
    static int Word(const CLeakData& s, int word);
    static float XMinimum(const CLeakData& s) { return Float(s, kXMinimum); }
    static float XMaximum(const CLeakData& s) { return Float(s, kXMaximum); }
    static void SetXRange(CLeakData& s, float minimum, float maximum);
    static float SavedTop(const CLeakData& s);
    // Seconds between readings as the time axis counts them (never 0).
    static float TimePerReading(const CLeakData& s);
    // The screen's time span: points per screen readings.
    static float ScreenSpan(const CLeakData& s);
    // Trace colour (palette index), width and style.
    static int TraceColour(const CLeakData& s);
    static int TraceWidth(const CLeakData& s);
    static int TraceStyle(const CLeakData& s);
    // Readings shown as they come (no leak factor, no "L/s").
    static bool RawPressure(const CLeakData& s);
    // Reading times are irregular and kept in the document (triggered and counted runs).
    static bool TimesStored(const CLeakData& s);
    // Window and plot backgrounds (RGB).
    static COLORREF WindowBackground(const CLeakData& s);
    static COLORREF GraphBackground(const CLeakData& s);
    static int LogScale(const CLeakData& s);
    static int LowestExponent(const CLeakData& s) { return Word(s, kDecades) ? -13 : -11; }
    // A font record set as the default text font (style bits: 1 bold, 2 italic, 4 underline).
    static void UseFont(const LeakFontRecord& font, int colour);
    static int StyleBits(const LeakFontRecord& font);
};

// The main graph.
class CLeakGraphPainter : public CGraphPainter
{
public:
    CLeakGraphPainter(CLeakData* settings, const char* name);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CLeakData* m_pSettings; // not owned
    char m_szName[40] = {};
    float m_plotArea[4] = {}; // left, right, bottom, top
    int m_nDataSet = 0;
    uint16_t m_xAxis = 0, m_yAxis = 0, m_rightAxis = 0;
    uint16_t m_xLabels = 0, m_yLabels = 0, m_xTitle = 0, m_yTitle = 0, m_title = 0;
    uint16_t m_grids[4] = {}; // Y major, Y minor, X major, X minor (0 when off)
    uint16_t m_trace = 0, m_alarmText = 0, m_alarmLines = 0, m_alarmMarks = 0;
    uint16_t m_message = 0, m_caption = 0, m_dataCursor = 0, m_readout = 0;
};

// The side graph with the latest reading as one bar.
class CLeakBarPainter : public CGraphPainter
{
public:
    CLeakBarPainter(CLeakData* settings, const char* name);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CLeakData* m_pSettings; // not owned
    char m_szName[40] = {};
    int m_nDataSet = 0;
    uint16_t m_bars = 0, m_xAxis = 0, m_yAxis = 0, m_labels = 0;
};

// The side graph first, then the main graph over the whole page, both in the window background.
class CLeakPageBuilder : public CSingleGraphBuilder
{
public:
    CLeakPageBuilder(CGraphPainter* main, CGraphPainter* bar, COLORREF background)
        : CSingleGraphBuilder(main, background, 0), m_pBarPainter(bar)
    {
    }
    void CreateGraphs(PgDesc* page) override;

    GrDesc* m_pBarGraph = nullptr;
    CGraphPainter* m_pBarPainter; // not owned
};
