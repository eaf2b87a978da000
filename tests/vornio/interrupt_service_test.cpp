#include "interrupt_service.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "device_codes.h"
#include "fake_device.h"
#include "fake_mailbox_mutex.h"
#include "mcu_answer.h"
#include "port_record.h"
#include "run_in_child.h"
#include "temp_dir.h"
#include "window_message.h"

using namespace vornio;

namespace {

constexpr uint32_t MESSAGE = 0xC0DE;

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct CFakePoster : IWindowPoster {
    bool Post(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_posts.push_back({window, message, wParam, lParam});
        return true;
    }
    std::vector<SWindowMessage> Posts() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_posts;
    }
    std::mutex m_lock;
    std::vector<SWindowMessage> m_posts;
};

// One process's view of the interrupt service, over its own attachment of the block.
struct CClient {
    CClient(const std::string& dir, CFakeDevice& device, CFakeMailboxMutex& mutex,
            IWindowPoster& poster)
        : m_dir(dir),
          m_items(device, mutex, m_failure),
          m_service(
              {m_block.View(), device, [this] { ++m_closed; }, m_items, poster, m_failure, m_dir}) {
        m_block.Attach(dir);
        m_service.SetMessageId(MESSAGE);
    }
    CSharedBlockView& Block() { return m_block.View(); }

    std::string m_dir;
    CSharedBlock m_block;
    CLastFailure m_failure;
    CItemAccess m_items;
    int m_closed = 0;
    CInterruptService m_service;
};

struct InterruptServiceTest : ::testing::Test {
    void SetUp() override {
        device.SetHandler([this](const CFakeDevice::Request& r, std::span<uint8_t> out,
                                 uint32_t* n) {
            if (r.code == IOCTL_REGISTER_EVENT) {
                *n = 0;
                return registerSucceeds.load();
            }
            if (r.code == IOCTL_MCU_WRITE && RequestItem(r) == ITEM_INT_ACK) {
                ++acks;
                return AnswerMcu(out, n, 1);
            }
            if (r.code == IOCTL_MCU_READ && RequestItem(r) == ITEM_INT_STATUS) {
                if (!statusAnswers)
                    return false;
                // One pending entry holding sources 0x05.
                return AnswerMcu(out, n, 1, {r.input[MCU_OFF_DATA] == 0 ? uint8_t(1) : sources});
            }
            return false;
        });
    }

    size_t RegisterRequests() {
        size_t n = 0;
        for (const auto& r : device.Requests())
            n += r.code == IOCTL_REGISTER_EVENT;
        return n;
    }

    CTempDir dir;
    CFakeDevice device;
    CFakeMailboxMutex mutex;
    CFakePoster poster;
    std::atomic<bool> registerSucceeds{true};
    std::atomic<int> acks{0};
    bool statusAnswers = true;
    uint8_t sources = 0x05;
};

}  // namespace

TEST_F(InterruptServiceTest, TheFirstRegistrationSendsTheEventHandleAndStartsTheThread) {
    CClient c(dir.Path(), device, mutex, poster);
    EXPECT_FALSE(c.m_service.IsEventRegistered());
    EXPECT_EQ(c.m_service.RegisterEvent(), 1);
    EXPECT_TRUE(c.m_service.IsEventRegistered());

    const auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].input.size(), REGISTER_EVENT_IN_SIZE);
    const uint32_t handle = GetLe32(requests[0].input.data());
    EXPECT_EQ(handle, c.m_service.GetRegisteredEventHandle());
    // The handle is this process's descriptor of the named event.
    EXPECT_EQ(std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(handle)),
              std::filesystem::path(dir.PathOf(INTERRUPT_EVENT_NAME)));

    EXPECT_TRUE(WaitFor([&] { return c.Block().ThreadRunning() == 1; }));
    EXPECT_NE(c.Block().ThreadHandle(), 0u);
    EXPECT_TRUE(c.m_service.RunsWaitingThread());
}

TEST_F(InterruptServiceTest, ASecondRegistrationSendsNothing) {
    CClient first(dir.Path(), device, mutex, poster);
    CClient second(dir.Path(), device, mutex, poster);
    ASSERT_EQ(first.m_service.RegisterEvent(), 1);
    EXPECT_EQ(first.m_service.RegisterEvent(), 0);
    EXPECT_EQ(second.m_service.RegisterEvent(), 0);
    EXPECT_EQ(RegisterRequests(), 1u);
    EXPECT_TRUE(second.m_service.IsEventRegistered());
    EXPECT_FALSE(second.m_service.RunsWaitingThread()) << "one waiting thread per system";
}

TEST_F(InterruptServiceTest, ARefusedRegistrationClosesTheDeviceAndStartsNoThread) {
    registerSucceeds = false;
    CClient c(dir.Path(), device, mutex, poster);
    EXPECT_EQ(c.m_service.RegisterEvent(), 0);
    EXPECT_EQ(c.m_failure.Description(), "Error in IOCTL_REGISTER_EVENT call");
    EXPECT_EQ(c.m_closed, 1);
    EXPECT_FALSE(c.m_service.IsEventRegistered());
    EXPECT_EQ(c.Block().ThreadHandle(), 0u);
    EXPECT_FALSE(c.m_service.RunsWaitingThread());

    registerSucceeds = true;
    EXPECT_EQ(c.m_service.RegisterEvent(), 1) << "a later try registers it";
}

TEST_F(InterruptServiceTest, ThreeInterruptsAreCountedAndPostedToEveryWindow) {
    CClient c(dir.Path(), device, mutex, poster);
    CClientRegistry registry(c.Block());
    ASSERT_TRUE(registry.RegisterHandle(0x10));
    ASSERT_TRUE(registry.RegisterHandle(0x20));
    ASSERT_EQ(c.m_service.RegisterEvent(), 1);
    ASSERT_TRUE(WaitFor([&] { return c.Block().ThreadRunning() == 1; }));

    CNamedEvent event;
    ASSERT_TRUE(event.Create(dir.Path(), INTERRUPT_EVENT_NAME));
    for (int k = 1; k <= 3; ++k) {
        ASSERT_TRUE(event.Signal());
        ASSERT_TRUE(WaitFor([&] { return acks.load() == k; })) << "interrupt " << k;
        EXPECT_EQ(c.m_service.GetInterruptCount(), k);
    }
    const SWindowMessage first{0x10, MESSAGE, 0x05, 0}, second{0x20, MESSAGE, 0x05, 0};
    EXPECT_EQ(poster.Posts(),
              (std::vector<SWindowMessage>{first, second, first, second, first, second}));
}

TEST_F(InterruptServiceTest, AnUnreadableSourceByteIsPostedAsZero) {
    statusAnswers = false;
    CClient c(dir.Path(), device, mutex, poster);
    CClientRegistry registry(c.Block());
    ASSERT_TRUE(registry.RegisterHandle(0x10));
    ASSERT_EQ(c.m_service.RegisterEvent(), 1);
    CNamedEvent event;
    ASSERT_TRUE(event.Create(dir.Path(), INTERRUPT_EVENT_NAME));
    ASSERT_TRUE(event.Signal());
    ASSERT_TRUE(WaitFor([&] { return acks.load() == 1; }));
    EXPECT_EQ(poster.Posts(), (std::vector<SWindowMessage>{{0x10, MESSAGE, 0, 0}}));
}

TEST_F(InterruptServiceTest, SendMsgToClientPostsToEveryTakenSlotInOrder) {
    CClient c(dir.Path(), device, mutex, poster);
    CClientRegistry registry(c.Block());
    for (uint32_t w : {0x1u, 0x2u, 0x3u, 0x4u})
        ASSERT_TRUE(registry.RegisterHandle(w));
    ASSERT_TRUE(registry.UnregisterHandle(0x2));
    c.m_service.SendMsgToClient(0xAB);
    EXPECT_EQ(poster.Posts(),
              (std::vector<SWindowMessage>{
                  {0x1, MESSAGE, 0xAB, 0}, {0x3, MESSAGE, 0xAB, 0}, {0x4, MESSAGE, 0xAB, 0}}));
}

TEST_F(InterruptServiceTest, ExitWaitingThreadEndsThisProcesssThread) {
    CClient c(dir.Path(), device, mutex, poster);
    EXPECT_TRUE(c.m_service.ExitWaitingThread()) << "no thread at all";
    ASSERT_EQ(c.m_service.RegisterEvent(), 1);
    ASSERT_NE(c.Block().ThreadHandle(), 0u);
    EXPECT_TRUE(c.m_service.ExitWaitingThread());
    EXPECT_EQ(c.Block().ThreadHandle(), 0u);
    EXPECT_FALSE(c.m_service.RunsWaitingThread());
    EXPECT_TRUE(c.m_service.IsEventRegistered()) << "the flag is never cleared";

    // With the flag set and no thread, the next registration starts one without a request.
    EXPECT_EQ(c.m_service.RegisterEvent(), 0);
    EXPECT_TRUE(c.m_service.RunsWaitingThread());
    EXPECT_EQ(RegisterRequests(), 1u);
}

TEST_F(InterruptServiceTest, AThreadOfAnotherLiveProcessCannotBeEnded) {
    CClient owner(dir.Path(), device, mutex, poster);
    CClient other(dir.Path(), device, mutex, poster);
    ASSERT_EQ(owner.m_service.RegisterEvent(), 1);
    const uint32_t handle = owner.Block().ThreadHandle();
    EXPECT_FALSE(other.m_service.ExitWaitingThread());
    EXPECT_EQ(other.Block().ThreadHandle(), handle);
    EXPECT_TRUE(owner.m_service.RunsWaitingThread());
}

TEST_F(InterruptServiceTest, AThreadWhoseProcessEndedIsReplacedByTheNextRegistration) {
    ChildResult child = RunInChild([] {
        const SProcessIdentity me = CurrentProcessIdentity();
        return std::to_string(me.pid) + " " + std::to_string(me.startTicks);
    });
    SProcessIdentity dead{};
    ASSERT_EQ(std::sscanf(child.output.c_str(), "%d %lu", &dead.pid, &dead.startTicks), 2);

    CClient c(dir.Path(), device, mutex, poster);
    c.Block().SetEventRegistered(1);
    c.Block().SetThreadHandle(4242);
    c.Block().SetThreadOwner(dead);
    EXPECT_EQ(c.m_service.RegisterEvent(), 0);
    EXPECT_TRUE(c.m_service.RunsWaitingThread());
    EXPECT_NE(c.Block().ThreadHandle(), 4242u);
    EXPECT_EQ(RegisterRequests(), 0u);

    CClient other(dir.Path(), device, mutex, poster);
    c.m_service.Unload();
    other.Block().SetThreadHandle(4242);
    other.Block().SetThreadOwner(dead);
    EXPECT_TRUE(other.m_service.ExitWaitingThread()) << "nothing left to end";
    EXPECT_EQ(other.Block().ThreadHandle(), 0u);
}

TEST_F(InterruptServiceTest, UnloadingHandsTheThreadOn) {
    CClient first(dir.Path(), device, mutex, poster);
    CClient second(dir.Path(), device, mutex, poster);
    ASSERT_EQ(first.m_service.RegisterEvent(), 1);
    first.m_service.Unload();
    EXPECT_EQ(first.Block().ThreadHandle(), 0u);
    EXPECT_EQ(second.m_service.RegisterEvent(), 0);
    EXPECT_TRUE(second.m_service.RunsWaitingThread());

    // The new thread waits on the same named event.
    CClientRegistry registry(second.Block());
    ASSERT_TRUE(registry.RegisterHandle(0x99));
    CNamedEvent event;
    ASSERT_TRUE(event.Create(dir.Path(), INTERRUPT_EVENT_NAME));
    ASSERT_TRUE(event.Signal());
    ASSERT_TRUE(WaitFor([&] { return acks.load() == 1; }));
    EXPECT_EQ(poster.Posts(), (std::vector<SWindowMessage>{{0x99, MESSAGE, 0x05, 0}}));
}

TEST(InterruptServiceDetached, AnUnattachedBlockRegistersNothing) {
    CFakeDevice device;
    CFakeMailboxMutex mutex;
    CLastFailure failure;
    CItemAccess items(device, mutex, failure);
    CSharedBlock block;
    struct : IWindowPoster {
        bool Post(uint32_t, uint32_t, uint32_t, int32_t) override { return true; }
    } poster;
    const std::string dir = "/nonexistent";
    CInterruptService service({block.View(), device, [] {}, items, poster, failure, dir});
    EXPECT_EQ(service.RegisterEvent(), 0);
    EXPECT_FALSE(service.IsEventRegistered());
    EXPECT_EQ(service.GetRegisteredEventHandle(), 0u);
    EXPECT_EQ(service.GetInterruptCount(), 0);
    EXPECT_TRUE(service.ExitWaitingThread());
    service.SendMsgToClient(1);
    EXPECT_TRUE(device.Requests().empty());
}
