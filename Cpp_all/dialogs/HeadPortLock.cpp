#include "dialogs/HeadPortLock.h"

#include "ports/PortList.h"

#include <atomic>

namespace
{
std::atomic<HeadPortLockFinder> g_finder{nullptr};
}

HeadPortLockFinder CHeadPortLock::SetFinder(HeadPortLockFinder finder)
{
    return g_finder.exchange(finder);
}

HANDLE CHeadPortLock::FindInPortList(CPortList& list, CHead* head)
{
    if (!head)
        return nullptr;
    // By index and held: the idle thread may refresh the list meanwhile.
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i)
    {
        const std::shared_ptr<CPortEntry> entry = list.HoldAt(i);
        if (!entry)
            continue;
        const std::shared_ptr<CInstrumentDesc> desc = entry->GetDescriptor();
        if (desc && desc->GetHead() == head)
            return entry->GetPortLock();
    }
    return nullptr;
}

HANDLE CHeadPortLock::FindInProgramPortList(CHead* head)
{
    return FindInPortList(CPortList::Instance(), head);
}

HANDLE CHeadPortLock::Find(CHead* head)
{
    const HeadPortLockFinder finder = g_finder.load();
    return (finder && head) ? finder(head) : nullptr;
}

CHeadPortLock::CHeadPortLock(CHead* head)
{
    HANDLE hLock = Find(head);
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
