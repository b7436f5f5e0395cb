// Holds the port lock of a head's line while a dialog talks to that head on the user-interface
// thread, so a port-monitor task for the same port cannot interleave its commands with ours.
#pragma once

#include <windows.h>

class CHead;
class CPortList;

// The lock (the port monitor's mutex of the port the head's line is on), or NULL when no task
// uses that port.
using HeadPortLockFinder = HANDLE (*)(CHead* head);

class CHeadPortLock
{
public:
    // Installs the lookup the program uses (null: dialogs take no lock); returns the previous one.
    static HeadPortLockFinder SetFinder(HeadPortLockFinder finder);
    // The port lock of the entry of list whose descriptor holds head; NULL when no entry does.
    static HANDLE FindInPortList(CPortList& list, CHead* head);
    // The lock the installed lookup gives for head; NULL without a lookup or a lock.
    static HANDLE Find(CHead* head);
    // The same in the program's port list: the finder the program installs once that list and
    // the port monitor's locks exist (installed earlier, its first use would build the list).
    static HANDLE FindInProgramPortList(CHead* head);

    // Waits for the head's port lock; while waiting, messages sent from other threads (a worker's
    // points for the view) are still delivered, so the worker holding the lock can finish.
    explicit CHeadPortLock(CHead* head);
    ~CHeadPortLock();

    CHeadPortLock(const CHeadPortLock&) = delete;
    CHeadPortLock& operator=(const CHeadPortLock&) = delete;

    // TRUE when a lock is held (FALSE when there is none to take).
    BOOL IsHeld() const { return m_hLock != nullptr; }

private:
    HANDLE m_hLock = nullptr;
};
