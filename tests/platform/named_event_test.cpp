#include "named_event.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "../support/temp_dir.h"  // the shared helper, not the local header-only one

TEST(NamedEvent, CreatedNotSignalledAndAutoResetByItsWait) {
    CTempDir dir;
    CNamedEvent e;
    ASSERT_TRUE(e.Create(dir.Path(), "Helmo_Interrupt"));
    EXPECT_EQ(e.Wait(0), EWaitResult::TIMEOUT);
    ASSERT_TRUE(e.Signal());
    EXPECT_EQ(e.Wait(0), EWaitResult::SIGNALED);
    EXPECT_EQ(e.Wait(0), EWaitResult::TIMEOUT) << "the wait took the signal";
}

TEST(NamedEvent, SignalsBeforeAWaitCountOnce) {
    CTempDir dir;
    CNamedEvent e;
    ASSERT_TRUE(e.Create(dir.Path(), "E"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(e.Signal());
    EXPECT_EQ(e.Wait(0), EWaitResult::SIGNALED);
    EXPECT_EQ(e.Wait(0), EWaitResult::TIMEOUT);
}

TEST(NamedEvent, ResetClearsASignal) {
    CTempDir dir;
    CNamedEvent e;
    ASSERT_TRUE(e.Create(dir.Path(), "E"));
    ASSERT_TRUE(e.Signal());
    e.Reset();
    EXPECT_EQ(e.Wait(0), EWaitResult::TIMEOUT);
}

TEST(NamedEvent, TheSameNameIsTheSameEvent) {
    CTempDir dir;
    CNamedEvent waiter, other;
    ASSERT_TRUE(waiter.Create(dir.Path(), "E"));
    ASSERT_TRUE(other.Create(dir.Path(), "E"));
    ASSERT_TRUE(other.Signal());
    EXPECT_EQ(waiter.Wait(1000), EWaitResult::SIGNALED);
}

TEST(NamedEvent, AWriterOfTheFifoSignalsIt) {
    CTempDir dir;
    CNamedEvent e;
    ASSERT_TRUE(e.Create(dir.Path(), "E"));
    const int writer = ::open(e.Path().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    std::thread t([&] { EXPECT_TRUE(CNamedEvent::SignalDescriptor(writer)); });
    EXPECT_EQ(e.Wait(5000), EWaitResult::SIGNALED);
    t.join();
    // A full FIFO is an event that is signalled already.
    int signals = 0;
    while (signals < 200000 && CNamedEvent::SignalDescriptor(writer))
        ++signals;
    EXPECT_EQ(signals, 200000);
    EXPECT_EQ(e.Wait(0), EWaitResult::SIGNALED);
    EXPECT_EQ(e.Wait(0), EWaitResult::TIMEOUT);
    ::close(writer);
    EXPECT_FALSE(CNamedEvent::SignalDescriptor(-1));
}

TEST(NamedEvent, ACancelDescriptorEndsTheWait) {
    CTempDir dir;
    CNamedEvent e;
    ASSERT_TRUE(e.Create(dir.Path(), "E"));
    const int cancel = ::eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(cancel, 0);
    EWaitResult r = EWaitResult::SIGNALED;
    std::thread t([&] { r = e.Wait(WAIT_INFINITE, cancel); });
    const uint64_t one = 1;
    ASSERT_EQ(::write(cancel, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    t.join();
    EXPECT_EQ(r, EWaitResult::INTERRUPTED);
    ::close(cancel);
}

TEST(NamedEvent, ANameTakenByAnotherKindOfFileIsRefused) {
    CTempDir dir;
    ASSERT_TRUE(dir.WriteFile("Helmo_Interrupt", "not a fifo"));
    CNamedEvent e;
    EXPECT_FALSE(e.Create(dir.Path(), "Helmo_Interrupt"));
    EXPECT_FALSE(e.IsOpen());
    EXPECT_EQ(e.Wait(0), EWaitResult::FAILED);
    EXPECT_FALSE(e.Signal());
    ASSERT_EQ(::symlink(dir.PathOf("elsewhere").c_str(), dir.PathOf("link").c_str()), 0);
    EXPECT_FALSE(e.Create(dir.Path(), "link"));
}
