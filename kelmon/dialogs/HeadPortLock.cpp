#include "dialogs/HeadPortLock.h"

#include <atomic>

namespace
{
std::atomic<HeadPortLockFinder> g_finder{nullptr};
}

HeadPortLockFinder CHeadPortLock::SetFinder(HeadPortLockFinder finder)
{
    return g_finder.exchange(finder);
}

CHeadPortLock::CHeadPortLock(CHead* head)
{
    const HeadPortLockFinder finder = g_finder.load();
    HANDLE hLock = (finder && head) ? finder(head) : nullptr;
    if (!hLock)
        return;
    for (;;)
    {
        const DWORD r = ::MsgWaitForMultipleObjects(1, &hLock, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED)
            break;
        if (r != WAIT_OBJECT_0 + 1)
            return; // the lock is gone: go on without it rather than hang
        // Peeking delivers the messages other threads sent us and removes nothing else.
        MSG msg;
        ::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    m_hLock = hLock;
}

CHeadPortLock::~CHeadPortLock()
{
    if (m_hLock)
        ::ReleaseMutex(m_hLock);
}
