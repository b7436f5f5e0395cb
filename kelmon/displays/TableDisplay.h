// The table display: the active channels of the table as rows of a table page, each with its live
// value and an alarm cell that shows the channel's alarm message in the alarm's colour, plus the
// total-pressure read-out. The table scan feeds it one channel value at a time.
//
// Threads: the view hands it the values on the user-interface thread; the scans' other calls
// (read-outs, clearing, reading the values back) run on the page window's thread through the chart
// host while the worker waits.
#pragma once

#include "displays/Display.h"
#include "displays/TableGraphPainter.h"
#include "scans/Table.h"

#include <cstdint>

class CTableDisplay : public CDisplay
{
    DECLARE_SERIAL(CTableDisplay)
public:
    static constexpr int kChannels = TableWords::kRows;

    CTableDisplay();
    // A display of table at a page position (0 whole view, 1 upper pane, 2 lower pane); builds its
    // page in the document's view at once (the active view when document is null).
    CTableDisplay(CTable* table, int position, CKelDoc* document = nullptr);
    ~CTableDisplay() override;

    CTable* GetTable() const { return static_cast<CTable*>(m_pSettings); }
    void SetTable(CTable* table) { m_pSettings = table; }

    // record: a ChannelPointRecord (active channel index, value).
    void UpdateData(void* record, int arg) override;
    // The last value of each channel of the page; returns how many were read.
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditObject(GrDesc* graph) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    int OnTraceEdited(int arg) override;
    int EditDynamicText(GrDesc* graph, int object) override;
    BOOL ShowScanData(const float* values) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;
    int HasTotalPressure() override;
    int BuildPage() override;
    BOOL Rebuild() override;
    void EditWindowBackground() override;
    void EditGraphTitle() override;
    void EditTraces() override;
    void EditTotalPressure() override;
    void ArrangeLabels() override;
    int ClosePage() override;

    void Serialize(CArchive& ar) override;

    // The total-pressure caption and value shown or hidden after asking (213).
    void ToggleTotalPressure();
    // A channel's value as its cell shows it: "% 1.1E" with a two-digit exponent (eight characters).
    static void FormatCellValue(char* out, size_t size, float value);

    float GetValue(int channel) const
    {
        return channel >= 0 && channel < kChannels ? m_values[channel] : 0.0f;
    }
    int GetCellState(int channel) const
    {
        return channel >= 0 && channel < kChannels ? m_cellStates[channel] : 0;
    }
    int GetMessageState() const { return m_nMessageState; }
    int GetChannelsAtBuild() const { return m_nChannelsAtBuild; }

    // Object numbers and data sets, from the painter.
    uint16_t m_graphTitle = 0;
    int m_dataSets[kChannels] = {};
    uint16_t m_valueCells[kChannels] = {};
    uint16_t m_rowTexts[kChannels][TableWords::kRowTexts] = {};
    uint16_t m_headings[TableWords::kHeadings] = {};
    uint16_t m_alarmCells[kChannels] = {};
    uint16_t m_infoText = 0, m_pressureValue = 0, m_pressureCaption = 0, m_frame = 0, m_unitsText = 0;
    int m_nPressureSet = 0;
    char m_szDataSetNames[kChannels][48] = {};

private:
    CTable* Table() const { return GetTable(); }
    // The channels the page was built with that the table still has.
    int ChannelCount() const;
    // Steps 2-4 of a value update of one cell (the channel is checked by the caller).
    void ShowCell(int channel, float value);
    void RefreshRowColours();
    // The row of the object among the channels' row texts, value cells or alarm cells; -1 if none.
    int RowOfText(int object) const;
    int RowOfValueCell(int object) const;
    int RowOfAlarmCell(int object) const;
    BOOL EditTraceColour(int row);
    void ShowMessage(float* value, LPCTSTR suffix);
    // The headings' font made small enough for each to end before the next column.
    void FitHeadings();
    // Marks the display's document (the active one when it has none) modified.
    void MarkModified();

    float m_values[kChannels] = {};
    int32_t m_cellStates[kChannels] = {};
    int32_t m_nChannelsAtBuild = 0;
    int32_t m_nMessageState = 0;
};
