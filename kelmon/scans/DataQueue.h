// The text-log writer of the panel, pressure-versus-time and table scans: the scan hands over rows
// of (elapsed seconds, value) pairs, one row per reading cycle, and the writer thread writes each
// as one line: the time, then every value, each followed by a blank.
#pragma once

#include "scans/WorkerThread.h"

#include <utility>
#include <vector>

class CDataQueue : public CWorkerThread
{
public:
    using Row = std::vector<std::pair<float, float>>; // (elapsed seconds, channel value) per channel
    using Batch = std::vector<Row>;

    // Rows handed over at once: a batch waits until it holds this many.
    static constexpr size_t kBatchRows = 5;

    // Enabled, no stream, nothing queued.
    CDataQueue();
    // Ends the thread after writing what was handed over.
    ~CDataQueue() override;

    // When enabled: the queue takes a copy of batch and the writer runs one cycle (before Start the
    // rows wait for the first cycle). Waits for the writer to be idle first, so nothing handed
    // over before is lost (the owners hand over only while IsIdle holds, so the wait costs them
    // nothing).
    void Push(const Batch& batch);
    // The owners' hand-over rule: once pending holds kBatchRows rows or more and the writer is
    // idle, pending is pushed and cleared; otherwise the rows stay pending. TRUE when pushed.
    BOOL HandOff(Batch& pending);
    // The owners' close: whatever is pending is pushed once the writer is idle, then the thread
    // ends after writing it. Nothing handed over is lost.
    void Finish(Batch& pending);

    // Rows queued and not yet written (the owner's thread, while idle).
    size_t GetQueuedRows() const { return m_queue.size(); }

    // Writes the queue and empties it (the work cycle). A row's line is its first time and a
    // blank, then each value and a blank, then the stream's line end; an empty row gives an empty
    // line. Floats in the stream's default format. A write that throws drops the cycle's rows.
    void DoWork() override;
    // TRUE once a cycle found the stream failing (a full disk): rows are being lost, and the
    // owner tells the user and closes the log.
    BOOL HasFailed() const { return m_bFailed.load() ? TRUE : FALSE; }

private:
    Batch m_queue;
    std::atomic<bool> m_bFailed{false}; // set on the writer thread, read by the owner
};
