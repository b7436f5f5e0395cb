// The displays' common base: the operations the scans and the gas library call on the display they
// hold. Each display kind overrides them; the display work adds the remaining operations. A scan
// calls them from the worker thread that steps it, except UpdateData, which the view calls on the
// user-interface thread while the worker waits in its SendMessage.
#pragma once

#include <afx.h>

#include <atomic>
#include <cstdint>

class CLayoutFile;
class CLegendSettings;

class CDisplay : public CObject
{
public:
    static CRuntimeClass classCDisplay;
    CRuntimeClass* GetRuntimeClass() const override { return RUNTIME_CLASS(CDisplay); }

    // Refreshes the read-out texts.
    virtual int RefreshReadout() { return 0; }
    // Takes one record (a point of a scan, or a LibraryBarRecord from the gas library with arg 0).
    virtual void UpdateData(void* record, int arg) = 0;
    // Copies the values of the current sweep (one float per point received so far; one per channel
    // for the channel kinds) into values, at most capacity of them; returns how many it holds.
    virtual int ReadData(float* values, int capacity) = 0;
    // The latest value of every channel.
    virtual BOOL GetLastData(float* /*values*/) { return 1; }
    // Whether the display holds scan data.
    virtual BOOL IsAutoScale() { return m_bHasData; }
    // Clears plotted data and history; FALSE when it could not.
    virtual BOOL ClearData() { return 1; }
    virtual BOOL Redraw() { return 1; }
    // Rebuilds the display page after new parameters; FALSE when it could not.
    virtual BOOL Rebuild() = 0;
    // Shows one whole sweep (one float per point of the display's settings), or takes it without
    // the full redraw.
    virtual BOOL ShowScanData(const float* /*values*/) { return 1; }
    virtual BOOL StoreScanData(const float* /*values*/) { return 1; }
    // Shows text (the run's start time, a logged sweep's time) in the info object, or hides it.
    virtual BOOL ShowInfoText(int /*show*/, LPCTSTR /*text*/) { return 1; }
    // The total pressure read-out: the value alone, or a user unit's factor with the unit's name.
    virtual BOOL ShowAlarmMessage(float* /*value*/) { return 1; }
    virtual BOOL UpdateAlarmMessage(float* /*value*/, LPCTSTR /*text*/) { return 1; }
    // "Scan %d/%d" while a log is viewed.
    virtual void ShowScanCounter(int /*show*/, int /*index*/, int /*count*/) {}
    // Re-derives the time axis step after a schedule change.
    virtual void UpdateXStep() {}
    // The averaging label (mode 1 linear, 2 exponential, else blank; sweep n of limit) and the
    // logging label (every N, record n of maximum, on), set at the start of each sweep.
    virtual void ShowLogStatus(int /*mode*/, int /*n*/, int /*limit*/) {}
    virtual void ShowLogProgress(int /*every*/, int /*n*/, int /*maximum*/, int /*on*/) {}
    // The stored points of the leak display: how many, value i and its elapsed seconds.
    virtual int GetValueCount() { return 0; }
    virtual float GetValueAt(int /*index*/) { return 0.0f; }
    virtual float GetSecondValueAt(int /*index*/) { return 0.0f; }

    // ---- The display base's own record (stored in the document file)
    // Stores the two pane references (null for every kind but the split display), then the page
    // width and height, the position and the has-data flag. Each kind stores its own fields first
    // and calls this last.
    void Serialize(CArchive& ar) override;
    // Default page size by the screen width: 640 x 397, 1024 x 685, 1280 x 940, else 800 x 517.
    void SetDefaultPageSize();
    static void DefaultPageSize(int screenWidth, int32_t& width, int32_t& height);
    // Decades around min..max for a log axis: lower = 10^floor(log10 min) (hi - 6 when min is not
    // positive, never below lowestExponent), upper = 10^ceil(log10 max). 0 and nothing changed
    // when max is not positive.
    static int RoundAxisRange(float min, float max, float* lower, float* upper, int lowestExponent);
    // Places the legend (the P-vs-T display); nothing elsewhere.
    virtual void ArrangeLegend(int /*how*/) {}
    // The mode code the split display keeps for a pane (0 top, 1 bottom); 8 (none) elsewhere.
    virtual int GetPaneCode(int /*pane*/) { return 8; }
    int32_t GetKind() const { return m_nKind; }
    int32_t GetPosition() const { return m_nPosition; }
    virtual void StorePair(int first, int second)
    {
        m_nPairFirst = first;
        m_nPairSecond = second;
    }

    // Owned: the graph-layout items of the page (made anew by every page build) and the legend
    // record of the P-vs-T display.
    CLayoutFile* m_pLayoutItems = nullptr;
    CLegendSettings* m_pLegendLayout = nullptr;
    CDisplay* m_pTopDisplay = nullptr;    // split display's top pane
    CDisplay* m_pBottomDisplay = nullptr; // split display's bottom pane
    int32_t m_nPageWidth = 0;
    int32_t m_nPageHeight = 0;
    int32_t m_nPosition = 0; // 0 the whole view, 1 the upper half, 2 the lower half
    int32_t m_bCursorShown = 1;
    float m_fDataMin = 3.4028235e38f;
    float m_fDataMax = -3.4028235e38f;
    int32_t m_nPairFirst = 0;
    int32_t m_nPairSecond = 0;

    // Readings taken so far, set by the scans that stamp their points with elapsed time before
    // each new point (from the stepping thread; the display reads it on its own).
    std::atomic<int32_t> m_nSampleCounter{0};

    ~CDisplay() override;

protected:
    CDisplay() = default;

    int32_t m_bHasData = 0; // set when data arrive, cleared when they are cleared
    int32_t m_nKind = 0;    // 1 analog, 2 leak, 3 table, 4 P-vs-T, 5 bar, 6 panel, 7 split, 8 library
};

// A value for the alarm message texts: "---" for 0, "%1.1f" above 1 up to 10, "%4.0f" above 10 up
// to 1000, else "%1.1E" with the exponent's leading zeros dropped; padded with blanks to 8.
void FormatAlarmValue(char* out, size_t size, float value);

// Abstract: archives may refer to it as a base class but never create one.
inline CRuntimeClass CDisplay::classCDisplay = {"CDisplay", sizeof(CDisplay),       0xFFFF,
                                                nullptr,    RUNTIME_CLASS(CObject), nullptr};
