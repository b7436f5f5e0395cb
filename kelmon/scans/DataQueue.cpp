#include "scans/DataQueue.h"

CDataQueue::CDataQueue()
{
    m_bEnabled = 1;
}

CDataQueue::~CDataQueue()
{
    // The work cycle is this class's: end the thread while it still exists.
    StopThread();
}

void CDataQueue::Push(const Batch& batch)
{
    if (!m_bEnabled)
        return;
    // The writer empties the queue in every cycle; rows handed over before Start wait in it for
    // the first one.
    WaitUntilIdle();
    m_queue.insert(m_queue.end(), batch.begin(), batch.end());
    if (m_hThread)
        Kick();
}

BOOL CDataQueue::HandOff(Batch& pending)
{
    if (!m_bEnabled || pending.size() < kBatchRows || !IsIdle())
        return FALSE;
    Push(pending);
    pending.clear();
    return TRUE;
}

void CDataQueue::Finish(Batch& pending)
{
    if (!m_bEnabled)
        return;
    if (!pending.empty())
        Push(pending);
    pending.clear();
    Stop();
}

void CDataQueue::DoWork()
{
    try
    {
        if (m_pStream)
        {
            std::ostream& out = *m_pStream;
            for (const Row& row : m_queue)
            {
                if (!row.empty())
                    out << row.front().first << ' ';
                for (const auto& pair : row)
                    out << pair.second << ' ';
                out << std::endl;
            }
            if (!out)
                m_bFailed = true;
        }
    }
    catch (...)
    {
        // A failing write loses this cycle's rows only; the writer stays alive.
        m_bFailed = true;
    }
    m_queue.clear();
}
