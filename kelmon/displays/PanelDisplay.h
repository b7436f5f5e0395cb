// The panel display: an annunciator panel of the table's channels, two rows of five cells, one
// chart graph per channel. Each cell shows the channel's tag (number and mass), its latest value,
// its gas and its alarm message in the table's alarm colours; double-clicking a cell opens the
// channel's alarm set-up. The latest values are kept and stored with the document.
//
// Threads: the view hands it the panel scan's readings on the user-interface thread; the scan's
// other calls (reading the values, clearing, rebuilding) run on the page window's thread through the
// chart host while the worker waits.
#pragma once

#include "displays/Display.h"
#include "scans/Table.h"

#include <cstddef>
#include <cstdint>

class CPanelDisplay : public CDisplay
{
    DECLARE_SERIAL(CPanelDisplay)
public:
    static constexpr int kChannels = 10;

    CPanelDisplay();
    // A display on table (the document's; not owned) that builds its page in the document's view at
    // once (the active view when document is null).
    explicit CPanelDisplay(CTable* table, CKelDoc* document = nullptr);
    ~CPanelDisplay() override;

    void SetTable(CTable* table) { m_pSettings = table; }
    CTable* GetTable() const;

    // record: a ChannelPointRecord (channel index, value). A channel outside 0..9 is ignored.
    void UpdateData(void* record, int arg) override;
    // The latest value of each channel in use, at most capacity of them; returns how many.
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    // The alarm set-up of the channel whose graph was clicked; FALSE for a graph of no channel.
    int EditDynamicText(GrDesc* graph, int object) override;
    // Ten values (null: the stored ones) shown in the cells of the channels in use.
    BOOL ShowScanData(const float* values) override;
    int BuildPage() override;
    BOOL Rebuild() override;
    // The value cells' font shrunk until a value fits its cell, the same on every cell.
    void ArrangeLabels() override;
    int ClosePage() override;

    void Serialize(CArchive& ar) override;

    // The channel of a graph of the page; -1 when it is none of them.
    int ChannelOf(const GrDesc* graph) const;
    float GetLastValue(int channel) const;
    // Channels fed with data: the table's active count, within 0..10.
    int ChannelCount() const;

    // Names of the channel graphs and their data sets; object numbers of each channel's cells.
    char m_graphNames[kChannels][48] = {};
    int m_dataSets[kChannels] = {};
    uint16_t m_valueCells[kChannels] = {};
    uint16_t m_titleCells[kChannels] = {};
    uint16_t m_annunciators[kChannels] = {};
    uint16_t m_tagCells[kChannels] = {};
    uint16_t m_alarmCells[kChannels] = {};
    float m_lastValues[kChannels] = {};
    GrDesc* m_graphs[kChannels] = {};

    // The font points the value cells start at, and the least they shrink to.
    static constexpr int kValuePoints = 22;
    static constexpr int kLeastValuePoints = 4;

private:
    void ShowValue(int channel, float value);
    bool GraphValid(int channel) const;
};
