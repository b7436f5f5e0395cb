// Threads and mutexes: a mutex whose owner thread ends is abandoned.
#pragma once

#include "kinternal.h"

namespace kel
{

class MutexObject : public KernelObject
{
public:
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD tid) const override;
    DWORD Acquire(DWORD tid) override;
    // KernelLock() held for these.
    BOOL Release(DWORD tid);
    void Abandon(DWORD tid);

private:
    DWORD m_owner = 0;
    LONG m_recursion = 0;
    bool m_abandoned = false;
};

// Remembers that the calling thread took `m`, so its end abandons it (KernelLock() held).
void NoteMutexOwned(std::shared_ptr<MutexObject> m);

} // namespace kel
