// The displays' common base. A display owns one chart page in the document's view with its graph,
// data sets and layout items; the scans, the view and the commands reach it through the operations
// below, each kind overriding what it does. A scan calls the data operations from the worker thread
// that steps it, except UpdateData, which the view calls on the user-interface thread while the
// worker waits in its SendMessage.
#pragma once

#include <afx.h>

#include <atomic>
#include <cstdint>

class CKelDoc;
class CLayoutFile;
class CLegendSettings;
class CGraphBuilder;
class CSingleGraphBuilder;
class CView;
struct GrDesc;
struct PgDesc;

class CDisplay : public CObject
{
public:
    static CRuntimeClass classCDisplay;
    CRuntimeClass* GetRuntimeClass() const override { return RUNTIME_CLASS(CDisplay); }

    // ---- Data from the scans (see the note at the top)
    // Refreshes the read-out texts.
    virtual int RefreshReadout() { return 0; }
    // Takes one record (a point of a scan, or a LibraryBarRecord from the gas library with arg 0).
    virtual void UpdateData(void* record, int arg) = 0;
    // Copies the values of the current sweep (one float per point received so far; one per channel
    // for the channel kinds) into values, at most capacity of them; returns how many it holds.
    virtual int ReadData(float* values, int capacity) = 0;
    // The pressure unit changed (flag 1: apply now; a hidden display applies it when shown).
    virtual int OnUnitsChanged(int /*flag*/) { return 0; }
    // The display's value buffer (null and 0 where it has none).
    virtual int GetValueBuffer(float** buffer)
    {
        if (buffer != nullptr)
            *buffer = nullptr;
        return 0;
    }
    // The stored points of the leak display: how many, value i and its elapsed seconds.
    virtual int GetValueCount() { return 0; }
    virtual float GetValueAt(int /*index*/) { return 0.0f; }
    virtual float GetSecondValueAt(int /*index*/) { return 0.0f; }

    // ---- Page
    // Sizes the page window to the view's client area (the half of it for a split pane).
    virtual int ResizePage(int width, int height) { return BaseResizePage(width, height); }
    virtual int PrintPage() { return BasePrintPage(); }
    virtual int PrinterSetup() { return BasePrinterSetup(); }
    virtual int PrintOptions() { return BasePrintOptions(); }
    virtual int CopyPage() { return BaseCopyPage(); }
    // Saves the page as a metafile the user names; a message box when it was not saved.
    virtual int SavePageMetafile() { return BaseSavePageMetafile(); }

    // ---- Scale, zoom and data
    // Whether the display holds scan data.
    virtual BOOL IsAutoScale() { return m_bHasData; }
    virtual float GetCurrentValue() { return 0.0f; }
    virtual int IsLogScale() { return 1; }
    virtual int SetLogScale(int /*log*/) { return 1; }
    virtual int AutoScale() { return 1; }
    virtual int FullScale() { return 0; }
    // Clears plotted data and history; FALSE when it could not.
    virtual BOOL ClearData() { return 1; }
    virtual BOOL Redraw() { return 1; }

    // ---- Editing chart objects (an editor given another graph than its own does nothing, 0)
    virtual int EditTextObject(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual int EditObject(GrDesc* /*graph*/) { return 1; }
    virtual int EditMessageObject(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual int EditBarsObject(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual int EditLegend(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual int OnTraceEdited(int /*arg*/) { return 1; }
    virtual int EditAxis(GrDesc* /*graph*/, int /*axis*/) { return 0; }
    virtual int EditAxisLabels(GrDesc* /*graph*/, int /*labels*/) { return 0; }
    virtual void EditTitleText() {}
    virtual int EditTimeLabels(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual int EditDynamicText(GrDesc* /*graph*/, int /*object*/) { return 0; }

    // ---- Whole sweeps and read-outs
    // Shows one whole sweep (one float per point of the display's settings; null shows the stored
    // sweep again), or takes it without the full redraw.
    virtual BOOL ShowScanData(const float* /*values*/) { return 1; }
    virtual BOOL StoreScanData(const float* /*values*/) { return 1; }
    // The latest value of every channel.
    virtual BOOL GetLastData(float* /*values*/) { return 1; }
    // Shows text (the run's start time, a logged sweep's time) in the info object, or hides it.
    virtual BOOL ShowInfoText(int /*show*/, LPCTSTR /*text*/) { return 1; }
    virtual int IsAvailable() { return 1; }
    // The total pressure read-out: the value alone, or a user unit's factor with the unit's name.
    virtual BOOL ShowAlarmMessage(float* /*value*/) { return 1; }
    virtual BOOL UpdateAlarmMessage(float* /*value*/, LPCTSTR /*text*/) { return 1; }
    virtual int HasTotalPressure() { return 0; }
    // Values held in the history buffer (leak and P-vs-T displays).
    virtual int GetHistoryCount() { return 0; }

    // ---- Building
    // Builds the page and its graph in the document's view; 0 when there is no view to build in.
    virtual int BuildPage() = 0;
    // Rebuilds the display page after new parameters: SavePlacement, ClosePage, BuildPage,
    // RestorePlacement; returns what BuildPage returned.
    virtual BOOL Rebuild() { return BaseRebuild(); }
    virtual int EditScrollObject(GrDesc* /*graph*/, int /*object*/) { return 0; }
    virtual void EditWindowBackground() {}
    virtual void EditGraphBackground() {}

    // ---- Data cursor
    virtual void ToggleCursor() {}
    virtual int IsCursorShown() { return m_bCursorShown; }
    // Moves the data cursor to the mouse (fromMouse 1) or by step points (-1, 0, +1) from a key.
    virtual int TrackMouseCursor(GrDesc* /*graph*/, int /*fromMouse*/, int /*step*/) { return 0; }
    virtual void SetCursorProperties() {}
    virtual void MoveCursor() {}

    // ---- History
    virtual int ShowHistory(int /*first*/, int /*second*/) { return 1; }
    virtual int IsHistoryShown() { return 1; }
    virtual int ResumeScrolling() { return 1; }
    // Whether the history may grow (direction 1) or shrink (0); current receives the length.
    virtual int CanChangeHistoryLength(int /*direction*/, int* /*current*/) { return 1; }

    // ---- Zoom and pan
    virtual int Zoom(float /*factor*/) { return 1; }
    virtual int PanLeft(float /*fraction*/) { return 1; }
    virtual int PanRight(float /*fraction*/) { return 1; }

    // ---- Showing
    // Shows (1) or hides the page window, applying a unit change made while hidden first.
    virtual int Show(int show) { return BaseShow(show); }
    virtual int ShowPageWindow() { return BaseShowPageWindow(); }
    // "Scan %d/%d" while a log is viewed.
    virtual void ShowScanCounter(int /*show*/, int /*index*/, int /*count*/) {}

    // ---- Editors the commands open
    virtual void EditXAxis() {}
    virtual void EditXAxisLabels() {}
    virtual void EditYAxis() {}
    virtual void EditYAxisLabels() {}
    virtual void EditGraphTitle() {}
    virtual void EditTraces() {}
    virtual void EditTotalPressure() {}
    virtual void EditAlarmLines() {}

    // ---- Frame placement around a rebuild
    virtual int SavePlacement() { return BaseSavePlacement(); }
    virtual int RestorePlacement() { return BaseRestorePlacement(); }
    virtual void ArrangeLabels() {}
    // Places the legend (the P-vs-T display); nothing elsewhere.
    virtual void ArrangeLegend(int /*how*/) {}
    // Invalidates the page window and posts it a paint.
    virtual int InvalidatePage() { return BaseInvalidatePage(); }

    // ---- Chart input (the host routes the graph windows' mouse and keys here)
    virtual void StartZoom(HWND /*graphWindow*/, int /*x*/, int /*y*/) {}
    virtual void FinishZoom(HWND /*graphWindow*/, int /*x*/, int /*y*/) {}
    virtual void OnChartLButtonDown(GrDesc* /*graph*/, int /*x*/, int /*y*/) {}
    virtual void OnChartLButtonUp(GrDesc* /*graph*/, int /*x*/, int /*y*/) {}
    // Arrow keys move the data cursor while it is shown; other keys track it in place.
    virtual int OnChartKeyDown(int key, int repeatAndFlags, int scanCode)
    {
        return BaseOnChartKeyDown(key, repeatAndFlags, scanCode);
    }

    // The mode code the split display keeps for a pane (0 top, 1 bottom); 8 (none) elsewhere.
    virtual int GetPaneCode(int /*pane*/) { return 8; }
    virtual void ResetHistory() {}
    // Re-derives the time axis step after a schedule change.
    virtual void UpdateXStep() {}
    // The averaging label (mode 1 linear, 2 exponential, else blank; sweep n of limit) and the
    // logging label (every N, record n of maximum, on), set at the start of each sweep.
    virtual void ShowLogStatus(int /*mode*/, int /*n*/, int /*limit*/) {}
    virtual void ShowLogProgress(int /*every*/, int /*n*/, int /*maximum*/, int /*on*/) {}
    virtual void StorePair(int first, int second)
    {
        m_nPairFirst = first;
        m_nPairSecond = second;
    }
    virtual int IsLegendShown() { return 0; }
    virtual void ToggleLegend(int /*how*/) {}
    // Deletes the layout items and the legend record and closes the page; 0 when there was none.
    virtual int ClosePage() { return BaseClosePage(); }

    // ---- The display base's own record (stored in the document file)
    // Stores the two pane displays (null for every kind but the split display, which owns them and
    // has them stored in full here), then the page width and height, the position and the has-data
    // flag. Each kind stores its own fields first and calls this last. A load refuses panes in any
    // other kind, and panes that are not new displays of their own.
    void Serialize(CArchive& ar) override { SerializeBase(ar); }
    // Default page size by the screen width: 640 x 397, 1024 x 685, 1280 x 940, else 800 x 517.
    void SetDefaultPageSize();
    static void DefaultPageSize(int screenWidth, int32_t& width, int32_t& height);
    // Decades around min..max for a log axis: lower = 10^floor(log10 min) (hi - 6 when min is not
    // positive, never below lowestExponent), upper = 10^ceil(log10 max). 0 and nothing changed
    // when max is not positive.
    static int RoundAxisRange(float min, float max, float* lower, float* upper, int lowestExponent);
    // "FulPge%d", "TpPge%d" or "BtmPge%d" by position with the document's display number; the kind
    // appends its own word.
    void MakePageName();
    // Places the MDI child frame of the active view: at the rectangle saved in the settings when
    // useSavedRectangle is set and that rectangle is usable, else at the default page size; without
    // the flag at (0, 0) keeping its size. A bottom pane never moves the frame.
    void PlaceChildFrame(int useSavedRectangle);
    // The normalised size of text in the given font on the display's graph.
    int MeasureText(LPCTSTR text, int colorIndex, LPCTSTR face, int points, int flags, float* width,
                    float* height);
    // Hide the state indicators of the P-vs-T and table displays.
    void HideIndicatorA(int state);
    void HideIndicatorB(int state);
    // The document the display belongs to (null: the active one).
    CKelDoc* GetDocument() const;

    int32_t GetKind() const { return m_nKind; }
    int32_t GetPosition() const { return m_nPosition; }
    PgDesc* GetPage() const { return m_pPage; }
    GrDesc* GetGraph() const { return m_pGraph; }
    LPCTSTR GetPageName() const { return m_szPageName; }

    // Program-wide: the last display's cursor switch (the Cursor command's check mark) and the
    // frame placement kept across a rebuild.
    static int32_t s_bCursorShownGlobal;
    static int32_t s_bPlacementZoomed;
    static int32_t s_bPlacementValid;
    static RECT s_placementRect;

    PgDesc* m_pPage = nullptr;            // the display's page; null when none is open
    CDisplay* m_pTopDisplay = nullptr;    // split display's top pane
    CDisplay* m_pBottomDisplay = nullptr; // split display's bottom pane
    char m_szPageName[28] = {};
    int32_t m_nPageWidth = 0;
    int32_t m_nPageHeight = 0;
    int32_t m_nPosition = 0; // 0 the whole view, 1 the upper half, 2 the lower half
    int32_t m_bCursorShown = 1;
    int32_t m_nZoomX = 0;
    int32_t m_nZoomY = 0;
    HCURSOR m_hSavedCursor = NULL;
    GrDesc* m_pGraph = nullptr; // the display's main graph
    float m_fDataMin = 3.4028235e38f;
    float m_fDataMax = -3.4028235e38f;
    uint16_t m_nIndicatorA = 0;
    uint16_t m_nIndicatorB = 0;
    int32_t m_nPairFirst = 0;
    int32_t m_nPairSecond = 0;
    // Owned: the graph-layout items of the page (made anew by every page build) and the legend
    // record of the P-vs-T display.
    CLegendSettings* m_pLegendLayout = nullptr;
    CLayoutFile* m_pLayoutItems = nullptr;
    CKelDoc* m_pDocument = nullptr; // null: the active document
    int32_t m_bUnitsPending = 0;    // units changed while hidden; Show applies them
    CObject* m_pSettings = nullptr; // the kind's settings record in the document (not owned)

    // Readings taken so far, set by the scans that stamp their points with elapsed time before
    // each new point (from the stepping thread; the display reads it on its own).
    std::atomic<int32_t> m_nSampleCounter{0};

    ~CDisplay() override { DeleteOwned(); }

protected:
    CDisplay();

    // The base behaviours of the virtual operations above. Every virtual operation is defined in
    // the class, so the class has no key function: code that only calls displays (the scans, the
    // gas library) gets the class's type information in its own objects and needs nothing of the
    // display library, which is only linked where displays are made.
    int BaseResizePage(int width, int height);
    int BasePrintPage();
    int BasePrinterSetup();
    int BasePrintOptions();
    int BaseCopyPage();
    int BaseSavePageMetafile();
    BOOL BaseRebuild();
    int BaseShow(int show);
    int BaseShowPageWindow();
    int BaseSavePlacement();
    int BaseRestorePlacement();
    int BaseInvalidatePage();
    int BaseOnChartKeyDown(int key, int repeatAndFlags, int scanCode);
    int BaseClosePage();
    void SerializeBase(CArchive& ar);
    void DeleteOwned();
    // Whether this thread may touch the page's chart objects.
    bool OnPageThread() const;
    // Gives the main graph's data cursor line the document's cursor colour, width and style.
    void ApplyCursorStyle(int cursor);
    // Places the child frame and makes the display's page in the view (child window style plus
    // clipStyle), sized to the view's client area, its graph from builder. FALSE when either the
    // page or the graph could not be made.
    BOOL OpenGraphPage(CView* view, CSingleGraphBuilder& builder, DWORD clipStyle);
    // The same for a page of several graphs: the builder keeps the graphs it makes; the page shows
    // its background (a palette index) between them. FALSE when no page could be made.
    BOOL OpenPage(CView* view, CGraphBuilder& builder, DWORD clipStyle, int pageBackground = 1);
    // A zoom box dragged from (x, y) over the main graph's axes, with the cross cursor while it is
    // drawn; the end gives the cursor back and the box with x1 <= x2 and y1 <= y2 (FALSE when there
    // is none).
    void BeginZoomBox(HWND graphWindow, int x, int y, int xAxis, int yAxis);
    BOOL EndZoomBox(float* x1, float* y1, float* x2, float* y2);
    // The averaging status ("<LIN> n/limit", "<EXP> n" or blanks) and the logging progress texts
    // in the given objects of the main graph.
    void SetLogStatusText(int object, int mode, int n, int limit);
    void SetLogProgressText(int object, int every, int n, int maximum, int on);
    // Asks for a new window (or, with plotArea, plot area) background starting from colour; on OK
    // stores it there, marks the document modified and recolours the main graph. FALSE when
    // cancelled.
    BOOL PickBackground(int32_t& colour, BOOL plotArea);

    int32_t m_bHasData = 0; // set when data arrive, cleared when they are cleared
    int32_t m_nKind = 0;    // 1 analog, 2 leak, 3 table, 4 P-vs-T, 5 bar, 6 panel, 7 split, 8 library
};

// The active document's bookkeeping the display dialogs and kinds use.
void MarkActiveDocumentModified();
void GetDocumentCursorStyle(int* colour, int* width, int* style);
// Asks the current scan of the active document to restart its averaging (through the active view).
void PostAveragingReset();

// A value for the alarm message texts: "---" for 0, "%1.1f" above 1 up to 10, "%4.0f" above 10 up
// to 1000, else "%1.1E" with the exponent's leading zeros dropped; padded with blanks to 8.
void FormatAlarmValue(char* out, size_t size, float value);
// The short read-out of the leak, panel and table displays: "% 1.1E" cut to its first six
// characters and the last two exponent digits (" 1.2E-07"); a value with no exponent (not finite)
// as printf gives it.
void FormatShortValue(char* out, size_t size, float value);

// Abstract: archives may refer to it as a base class but never create one.
inline CRuntimeClass CDisplay::classCDisplay = {"CDisplay", sizeof(CDisplay),       0xFFFF,
                                                nullptr,    RUNTIME_CLASS(CObject), nullptr};
