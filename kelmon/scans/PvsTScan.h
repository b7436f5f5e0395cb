// CPvsTScans: the pressure-versus-time mode, a trend recorder. Each sample (one per trigger of the
// schedule) reads the total pressure when the table asks for it and then every active channel,
// relates the values to a reference sample when one is taken, and hands the whole sample (per
// channel its time in whole seconds and its value) to the trend display. The tick of every sample
// is kept, up to 256000 samples. As a child of the split scan it takes its sample from the other
// child's sweep instead of the head.
//
// A sample is read in one step, except that a reading cut short is asked for again in the next
// step (a few times at most), so the port is free while it waits.
#pragma once

#include "scans/ChannelScan.h"

#include <memory>

class CPvsTScans : public CChannelScan
{
    DECLARE_SERIAL(CPvsTScans)
public:
    static constexpr int kBufferLength = 256000;
    static constexpr DWORD kSampleWaitMs = 20000;
    // Times a channel whose reading came short is asked again before the run ends.
    static constexpr int kMaxRestarts = 3;
    // Reference modes.
    enum : int
    {
        kRefDifference = 0, // v - ref
        kRefInverse = 1,    // ref - v
        kRefPercent = 2,    // (v - ref) / ref x 100
        kRefRatio = 3,      // v / ref
        kRefLogRatio = 4    // log10(v / ref)
    };

    CPvsTScans();
    CPvsTScans(CTable* table, CHead* head, CDisplay* display);

    void Serialize(CArchive& ar) override;
    int GetScanKind() override { return SCAN_KIND_PVST; }
    // A trend is always triggered; the mode set is kept in the table.
    int GetScanMode() override { return SCAN_MODE_TRIGGERED; }
    // The run's start: a new trend (sample index and time origin reset).
    BOOL AttachDocument(CScanSite* document) override;
    BOOL StartSeries() override;
    BOOL StartContinuous() override;
    // Takes the reference: the display's latest values when it holds data, else each channel's
    // next reading. Taken again: the display is cleared.
    BOOL AcquireBackground() override;
    BOOL RemoveBackground() override;
    BOOL Step() override;
    BOOL StepTimed(CScan* source, int sourceKind) override;
    // The display's history as text: one line per sample.
    BOOL WriteAsciiFile(LPCTSTR path) override;
    // The period-only schedule dialog, made once for owner (this scan when none is given); shown
    // at its placement.
    void EditSchedule(CScan* owner) override;
    BOOL ShowScheduleDialog(CScan* owner) override;

    // A value related to channel ch's reference by the reference mode (the first reading after
    // the reference was taken without display data becomes it). Never divides by zero nor takes
    // the logarithm of zero or less: such a value reads 0.
    float ApplyReference(int ch, float value);

    int GetSampleIndex() const { return m_nSampleIndex; }
    uint32_t GetSampleTick(int index) const { return m_pTicks[index]; }

    // ---- Fields after CChannelScan's ----
    float m_sampleValues[kChannels] = {};
    std::unique_ptr<uint32_t[]> m_pTicks; // one per sample: the tick it was taken at
    int m_nSampleIndex = 0;
    DWORD m_splitSourceTick = 0;
    // The 64-bit tick of sample 0: the sample ticks are 32-bit, so a trend ends before they wrap.
    ULONGLONG m_originTick64 = 0;
    int m_nRestarts = 0;

protected:
    CString FormatHeader() override;
    const char* LoggingCaption() override { return "Pvst logging settings"; }
    int LoggingFolder() override;

private:
    void MakeTicks();
    // The tick, the display's counter, the record to the view and the log row; throws
    // CScanException 2 when the trend outlives its 32-bit ticks and 1 when the buffer is full.
    void RecordSample();
    // The end of a whole sample: the count, stop at end.
    void EndSample(bool board);
    // The seven-point fit around the mass, else the window's largest value.
    float WindowPeak(const float* sweep, int count, int centre, int first, int width) override;
};
