// Two displays in one view: a pane in the upper half and one in the lower half, for the split
// layouts of the document. The split display owns both panes (the base's two pane slots), builds
// them at their pane positions and hands almost every operation on to one or both of them; it
// draws nothing itself. A pane may be missing (a kind that makes no pane, a failed allocation, a
// display read back without one): every operation then goes to the pane there is.
#pragma once

#include "displays/Display.h"

class CSplitDisplay : public CDisplay
{
    DECLARE_SERIAL(CSplitDisplay)
public:
    // Pane codes (the document's mode codes): 0 analog, 1 histogram, 2 table, 3 P vs T, 7 library;
    // 4, 5 and 6 make no pane, 8 means no pane at all.
    enum : int32_t
    {
        kPaneAnalog = 0,
        kPaneHistogram = 1,
        kPaneTable = 2,
        kPanePvsT = 3,
        kPaneLibrary = 7,
        kNoPane = 8
    };

    // No panes, both codes 8 (a display read from a document file takes its panes from there).
    CSplitDisplay();
    // Pane i made of codes[i] on settings[i] (a CAnalogData for the spectrum codes, the CTable for
    // table and P vs T) in the upper (i = 0) or lower (i = 1) half of the document's view.
    CSplitDisplay(CObject* settings[2], const int32_t codes[2], CKelDoc* document = nullptr);
    ~CSplitDisplay() override;

    // The base part only; that part holds the panes. A load takes the pane codes from the panes
    // read back.
    void Serialize(CArchive& ar) override;

    // The pane display of index (0 upper, 1 lower), or null.
    CDisplay* GetPane(int index) const;
    int GetPaneCode(int pane) override;
    // The display that code makes at position (1 upper, 2 lower), or null for a code without pane.
    static CDisplay* MakePane(int32_t code, CObject* settings, int position, CKelDoc* document);
    // The pane code of a display kind (8 for a kind that is no pane).
    static int32_t PaneCodeOfKind(int kind);

    int RefreshReadout() override;
    void UpdateData(void* record, int arg) override;
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    int ResizePage(int width, int height) override;
    int PrintPage() override;
    int PrinterSetup() override;
    int PrintOptions() override;
    int CopyPage() override;
    int SavePageMetafile() override;
    BOOL IsAutoScale() override;
    int IsLogScale() override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditObject(GrDesc* graph) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    int EditBarsObject(GrDesc* graph, int object) override;
    int EditLegend(GrDesc* graph, int object) override;
    int OnTraceEdited(int arg) override;
    int EditAxis(GrDesc* graph, int axis) override;
    int EditAxisLabels(GrDesc* graph, int labels) override;
    void EditTitleText() override;
    int EditTimeLabels(GrDesc* graph, int object) override;
    int EditDynamicText(GrDesc* graph, int object) override;
    BOOL ShowScanData(const float* values) override;
    int IsAvailable() override;
    int GetHistoryCount() override;
    int BuildPage() override;
    BOOL Rebuild() override;
    int EditScrollObject(GrDesc* graph, int object) override;
    void EditWindowBackground() override;
    void EditGraphBackground() override;
    void ToggleCursor() override;
    int IsCursorShown() override;
    int TrackMouseCursor(GrDesc* graph, int fromMouse, int step) override;
    void SetCursorProperties() override;
    int ShowHistory(int first, int second) override;
    int IsHistoryShown() override;
    int ResumeScrolling() override;
    int CanChangeHistoryLength(int direction, int* current) override;
    int Zoom(float factor) override;
    int PanLeft(float fraction) override;
    int PanRight(float fraction) override;
    int Show(int show) override;
    int ShowPageWindow() override;
    void EditTotalPressure() override;
    int SavePlacement() override;
    int RestorePlacement() override;
    void StartZoom(HWND graphWindow, int x, int y) override;
    void FinishZoom(HWND graphWindow, int x, int y) override;
    int OnChartKeyDown(int key, int repeatAndFlags, int scanCode) override;
    void UpdateXStep() override;
    int ClosePage() override;

    int32_t m_nCopyPane = 0;  // the pane the next Copy copies (0 upper, 1 lower)
    int32_t m_nZoomPane = -1; // the pane a mouse zoom started in, -1 none
    int32_t m_paneCodes[2] = {kNoPane, kNoPane};

private:
    // Runs op on the upper pane, then on the lower one, skipping a missing pane.
    template <class Op> void Both(Op op);
    // An edit of one chart object: the upper pane is asked first, then the lower one; 1 when one
    // of them took it.
    template <class Op> int FirstThatTakes(Op op);
    // The first pane (upper, then lower) that is a P-vs-T display, or null.
    CDisplay* PvsTPane() const;
};
