#include "named_mutex.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "../support/temp_dir.h"  // the shared helper, not the local header-only one
#include "run_in_child.h"

TEST(NamedMutex, OneOwnerAtATime) {
    CTempDir dir;
    CNamedMutex a, b;
    ASSERT_TRUE(a.Open(dir.Path(), "GX4410_MUTEX"));
    ASSERT_TRUE(b.Open(dir.Path(), "GX4410_MUTEX"));
    ASSERT_EQ(a.Wait(), EWaitResult::SIGNALED);
    EWaitResult other = EWaitResult::FAILED;
    std::thread t([&] { other = b.Wait(50); });
    t.join();
    EXPECT_EQ(other, EWaitResult::TIMEOUT);
    EXPECT_TRUE(a.Release());
    std::thread u([&] {
        other = b.Wait(5000);
        b.Release();
    });
    u.join();
    EXPECT_EQ(other, EWaitResult::SIGNALED);
}

TEST(NamedMutex, TheOwnerMayWaitAgainAndOnlyTheOwnerReleases) {
    CTempDir dir;
    CNamedMutex m;
    ASSERT_TRUE(m.Open(dir.Path(), "M"));
    ASSERT_EQ(m.Wait(), EWaitResult::SIGNALED);
    ASSERT_EQ(m.Wait(0), EWaitResult::SIGNALED);
    bool released = true;
    std::thread t([&] { released = m.Release(); });
    t.join();
    EXPECT_FALSE(released);
    EXPECT_TRUE(m.Release());
    EXPECT_TRUE(m.Release());
    EXPECT_FALSE(m.Release()) << "released as often as it was taken";
}

TEST(NamedMutex, AHolderThatDiesLeavesAnAbandonedWaitThenTheMutexWorksOn) {
    CTempDir dir;
    CNamedMutex m;
    ASSERT_TRUE(m.Open(dir.Path(), "GX4410_MUTEX"));
    ChildResult child = RunInChild([&] {
        CNamedMutex mine;
        if (!mine.Open(dir.Path(), "GX4410_MUTEX") || mine.Wait() != EWaitResult::SIGNALED)
            return std::string("no lock");
        ::raise(SIGKILL);
        return std::string("alive");
    });
    ASSERT_FALSE(child.Exited()) << child.output;
    EXPECT_EQ(m.Wait(5000), EWaitResult::ABANDONED);
    EXPECT_TRUE(m.Release());
    EXPECT_EQ(m.Wait(5000), EWaitResult::SIGNALED);
    EXPECT_TRUE(m.Release());
}

TEST(NamedMutex, ACancelledWaitEndsInterrupted) {
    CTempDir dir;
    CNamedMutex a, b;
    ASSERT_TRUE(a.Open(dir.Path(), "M"));
    ASSERT_TRUE(b.Open(dir.Path(), "M"));
    ASSERT_EQ(a.Wait(), EWaitResult::SIGNALED);
    std::atomic<bool> cancel{false};
    EWaitResult r = EWaitResult::SIGNALED;
    std::thread t([&] { r = b.Wait(WAIT_INFINITE, &cancel); });
    cancel = true;
    t.join();
    EXPECT_EQ(r, EWaitResult::INTERRUPTED);
    EXPECT_TRUE(a.Release());
}

TEST(NamedMutex, AClosedMutexFailsItsWaits) {
    CNamedMutex m;
    EXPECT_EQ(m.Wait(0), EWaitResult::FAILED);
    EXPECT_FALSE(m.Release());
    EXPECT_FALSE(m.Open("/nonexistent/dir", "M"));
    EXPECT_EQ(m.Wait(), EWaitResult::FAILED);
}
