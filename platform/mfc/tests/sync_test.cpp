// Synchronisation classes and their locks.
#include <afxmt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

TEST(Sync, SingleLockHoldsForItsScope)
{
    CMutex mutex;
    std::atomic<int> otherGot{-1};
    {
        CSingleLock lock(&mutex, TRUE);
        EXPECT_TRUE(lock.IsLocked());
        std::thread(
            [&]
            {
                CSingleLock other(&mutex);
                otherGot = other.Lock(0);
            })
            .join();
        EXPECT_EQ(otherGot, FALSE);
    }
    std::thread(
        [&]
        {
            CSingleLock other(&mutex);
            otherGot = other.Lock(0);
        })
        .join();
    EXPECT_EQ(otherGot, TRUE) << "released when the lock went out of scope";
}

TEST(Sync, EventsAndTimeouts)
{
    CEvent manual(FALSE, TRUE);
    CSingleLock lock(&manual);
    EXPECT_FALSE(lock.Lock(0));
    manual.SetEvent();
    EXPECT_TRUE(lock.Lock(0));
    EXPECT_TRUE(lock.Unlock());
    EXPECT_TRUE(lock.Lock(0)) << "manual reset stays signalled";
    EXPECT_TRUE(CSingleLock(&manual).Lock(0));
    EXPECT_TRUE(manual.IsKindOf(RUNTIME_CLASS(CSyncObject)));
}

TEST(Sync, SemaphoreUnlockReportsThePreviousCount)
{
    CSemaphore semaphore(2, 2);
    CSingleLock a(&semaphore, TRUE), b(&semaphore, TRUE);
    EXPECT_TRUE(a.IsLocked() && b.IsLocked());
    EXPECT_FALSE(CSingleLock(&semaphore).Lock(0));
    LONG previous = -1;
    EXPECT_TRUE(a.Unlock(1, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(a.IsLocked());
}

TEST(Sync, CriticalSectionIsRecursive)
{
    CCriticalSection cs;
    CSingleLock outer(&cs, TRUE);
    CSingleLock inner(&cs, TRUE);
    EXPECT_TRUE(inner.IsLocked());
    std::atomic<BOOL> tried{TRUE};
    std::thread([&] { tried = TryEnterCriticalSection(cs); }).join();
    EXPECT_FALSE(tried);
}

TEST(Sync, MultiLockAnyAndAll)
{
    CEvent first, second;
    CSyncObject* objects[] = {&first, &second};
    CMultiLock lock(objects, 2);
    EXPECT_EQ(lock.Lock(0, FALSE), static_cast<DWORD>(WAIT_TIMEOUT));
    second.SetEvent();
    EXPECT_EQ(lock.Lock(0, FALSE), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(lock.IsLocked(1));
    EXPECT_FALSE(lock.IsLocked(0));
    first.SetEvent();
    EXPECT_EQ(lock.Lock(0, TRUE), static_cast<DWORD>(WAIT_TIMEOUT)) << "the auto-reset second was consumed";
    second.SetEvent();
    EXPECT_EQ(lock.Lock(0, TRUE), WAIT_OBJECT_0);
}

} // namespace
