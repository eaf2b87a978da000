#include "client_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <set>
#include <thread>
#include <vector>

#include "run_in_child.h"
#include "temp_dir.h"

namespace {

struct ClientRegistryTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(block.Attach(dir.Path())); }

    std::vector<int32_t> List() {
        std::vector<int32_t> list(WINDOW_SLOTS, -1);
        registry.GetRegisteredHandleList(list.data());
        return list;
    }

    CTempDir dir;
    CSharedBlock block;
    CClientRegistry registry{block.View()};
};

}  // namespace

TEST_F(ClientRegistryTest, TheEleventhWindowFindsNoSlot) {
    for (uint32_t w = 1; w <= 10; ++w)
        ASSERT_TRUE(registry.RegisterHandle(0x100 + w));
    EXPECT_FALSE(registry.RegisterHandle(0x200));
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 10);
    EXPECT_FALSE(registry.IsHandleRegistered(0x200));
    EXPECT_EQ(registry.LastRegistered(), 0x10Au) << "a window that found no slot is not kept";
}

TEST_F(ClientRegistryTest, TheSameWindowTwice) {
    ASSERT_TRUE(registry.RegisterHandle(0x55));
    ASSERT_TRUE(registry.RegisterHandle(0x66));
    EXPECT_FALSE(registry.RegisterHandle(0x55));
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 2);
    EXPECT_EQ(registry.LastRegistered(), 0x66u);
}

TEST_F(ClientRegistryTest, AFreedSlotIsTakenAgainFirst) {
    ASSERT_TRUE(registry.RegisterHandle(0xA));
    ASSERT_TRUE(registry.RegisterHandle(0xB));
    ASSERT_TRUE(registry.RegisterHandle(0xC));
    ASSERT_TRUE(registry.UnregisterHandle(0xA));
    ASSERT_TRUE(registry.RegisterHandle(0xD));
    EXPECT_EQ(List(), (std::vector<int32_t>{0xD, 0xB, 0xC, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ClientRegistryTest, TheListHasTenEntriesWithZerosInFreeSlots) {
    ASSERT_TRUE(registry.RegisterHandle(0x11));
    ASSERT_TRUE(registry.RegisterHandle(0x22));
    ASSERT_TRUE(registry.UnregisterHandle(0x11));
    std::vector<int32_t> list(WINDOW_SLOTS + 1, -1);
    EXPECT_EQ(registry.GetRegisteredHandleList(list.data()), 1);
    EXPECT_EQ(list, (std::vector<int32_t>{0, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, -1}));
    EXPECT_EQ(registry.GetRegisteredHandleList(nullptr), 1);
}

TEST_F(ClientRegistryTest, UnknownAndZeroWindows) {
    ASSERT_TRUE(registry.RegisterHandle(0x77));
    EXPECT_FALSE(registry.UnregisterHandle(0x78));
    EXPECT_FALSE(registry.UnregisterHandle(0));
    EXPECT_FALSE(registry.IsHandleRegistered(0));
    EXPECT_FALSE(registry.RegisterHandle(0));
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 1);
    EXPECT_EQ(List(), (std::vector<int32_t>{0x77, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ClientRegistryTest, TheUnloadStepUnregistersOnlyTheLastWindow) {
    ASSERT_TRUE(registry.RegisterHandle(0x1));
    ASSERT_TRUE(registry.RegisterHandle(0x2));
    registry.UnregisterLast();
    EXPECT_TRUE(registry.IsHandleRegistered(0x1));
    EXPECT_FALSE(registry.IsHandleRegistered(0x2));
    registry.UnregisterLast();
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 1);
}

TEST_F(ClientRegistryTest, EveryAttachmentSeesOneTable) {
    CSharedBlock other;
    ASSERT_TRUE(other.Attach(dir.Path()));
    CClientRegistry otherRegistry(other.View());
    ASSERT_TRUE(registry.RegisterHandle(0x31));
    EXPECT_TRUE(otherRegistry.IsHandleRegistered(0x31));
    EXPECT_FALSE(otherRegistry.RegisterHandle(0x31));
    EXPECT_TRUE(otherRegistry.UnregisterHandle(0x31));
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 0);
}

TEST_F(ClientRegistryTest, SimultaneousRegistrationsTakeDistinctSlots) {
    for (int round = 0; round < 20; ++round) {
        std::vector<std::thread> threads;
        // Not vector<bool>: its elements share words, so writes from threads would race.
        std::vector<char> ok(12, 0);
        for (int t = 0; t < 12; ++t) {
            threads.emplace_back([&, t] {
                CSharedBlock mine;
                if (!mine.Attach(dir.Path()))
                    return;
                CClientRegistry r(mine.View());
                ok[t] = r.RegisterHandle(static_cast<uint32_t>(0x1000 * (round + 1) + t));
            });
        }
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(std::count(ok.begin(), ok.end(), 1), 10);
        const std::vector<int32_t> list = List();
        EXPECT_EQ(std::set<int32_t>(list.begin(), list.end()).size(), 10u);
        EXPECT_EQ(std::count(list.begin(), list.end(), 0), 0);
        EXPECT_EQ(registry.GetRegisteredHandleCount(), 10);
        for (int32_t w : list)
            ASSERT_TRUE(registry.UnregisterHandle(static_cast<uint32_t>(w)));
    }
}

TEST(ClientRegistryDetached, AnUnattachedBlockIsAnEmptyTable) {
    CSharedBlock block;
    CClientRegistry registry(block.View());
    EXPECT_FALSE(registry.RegisterHandle(1));
    EXPECT_FALSE(registry.IsHandleRegistered(1));
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 0);
    int32_t list[WINDOW_SLOTS] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(registry.GetRegisteredHandleList(list), 0);
    EXPECT_EQ(list[9], 0);
}

// Anyone who may write the block could overwrite its lock page or hold the lock for good; the
// table lock is given up after a while, and the registry answers as for a missing table.
TEST_F(ClientRegistryTest, AWedgedTableLockIsGivenUp) {
    ChildResult r = RunInChild(
        [&] {
            std::string out;
            std::promise<void> locked, release;
            std::thread holder([&] {
                block.View().LockTable();
                locked.set_value();
                release.get_future().wait();
                block.View().UnlockTable();
            });
            locked.get_future().wait();
            out += registry.RegisterHandle(0x1234) ? "registered" : "refused";
            release.set_value();
            holder.join();
            uint8_t* lockPage = const_cast<uint8_t*>(block.View().Bytes()) + SHARED_BLOCK_SIZE;
            std::memset(lockPage, 0xA5, sizeof(pthread_mutex_t));
            out += registry.RegisterHandle(0x1234) ? " registered" : " refused";
            return out;
        },
        20000);
    ASSERT_FALSE(r.timedOut) << "a client hung on the table lock";
    EXPECT_EQ(r.output, "refused refused");
    EXPECT_EQ(registry.GetRegisteredHandleCount(), 0);
}
