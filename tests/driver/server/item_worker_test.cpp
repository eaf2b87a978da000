#include "item_worker.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A transfer that runs only when the test lets it: the worker's thread waits in it, as it
// would wait for a silent microcontroller.
class CGatedRunner {
  public:
    vornio::DeviceAnswer Run(const SMcuRequest& request) {
        std::unique_lock lock(m_mutex);
        m_started.push_back(request.item);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open > 0; });
        --m_open;
        return {true, 0, {request.item}};
    }
    void Let(int transfers) {
        std::lock_guard lock(m_mutex);
        m_open += transfers;
        m_changed.notify_all();
    }
    // Waits until count transfers have begun.
    bool AwaitStarted(size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, [&] { return m_started.size() >= count; });
    }
    std::vector<uint8_t> Started() {
        std::lock_guard lock(m_mutex);
        return m_started;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uint8_t> m_started;
    int m_open = 0;
};

SMcuRequest Item(uint8_t item) {
    SMcuRequest r;
    r.item = item;
    return r;
}

// Waits until thread `tid` of this process sleeps (state S in /proc), as one blocked in a join
// does; false after 10 s.
bool AwaitSleeping(pid_t tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        const std::string line = text.str();
        const size_t end = line.rfind(')');
        if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S')
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

// Collects finished answers through the descriptor, as the service loop does.
std::vector<CItemWorker::SFinished> AwaitFinished(CItemWorker& worker, size_t count) {
    std::vector<CItemWorker::SFinished> all;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (all.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{worker.Fd(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        for (auto& f : worker.TakeFinished())
            all.push_back(std::move(f));
    }
    return all;
}

TEST(ItemWorkerTest, TransfersRunOneAtATimeInArrivalOrderAndWithdrawnOnesNever) {
    CGatedRunner runner;
    CItemWorker worker([&](const SMcuRequest& r) { return runner.Run(r); });
    std::string error;
    ASSERT_TRUE(worker.Start(&error)) << error;

    worker.Submit(11, Item(1));
    ASSERT_TRUE(runner.AwaitStarted(1));
    worker.Submit(12, Item(2));
    worker.Submit(13, Item(3));
    worker.Submit(14, Item(4));
    worker.Cancel(13);  // its client left while it waited
    worker.Cancel(11);  // already running: ends as usual, its answer comes back for nobody
    EXPECT_EQ(runner.Started(), std::vector<uint8_t>{1}) << "the second waits for the first";

    runner.Let(3);
    const auto finished = AwaitFinished(worker, 3);
    ASSERT_EQ(finished.size(), 3u);
    const std::pair<uint64_t, uint8_t> expected[] = {{11, 1}, {12, 2}, {14, 4}};
    for (size_t i = 0; i < finished.size(); ++i) {
        EXPECT_EQ(finished[i].ticket, expected[i].first);
        EXPECT_EQ(finished[i].answer.output, std::vector<uint8_t>{expected[i].second});
    }
    EXPECT_EQ(runner.Started(), (std::vector<uint8_t>{1, 2, 4}));
    pollfd p{worker.Fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "nothing left to take";
}

TEST(ItemWorkerTest, StopLetsTheRunningTransferEndAndDropsTheWaitingOnes) {
    CGatedRunner runner;
    CItemWorker worker([&](const SMcuRequest& r) { return runner.Run(r); });
    std::string error;
    ASSERT_TRUE(worker.Start(&error)) << error;
    worker.Submit(1, Item(1));
    ASSERT_TRUE(runner.AwaitStarted(1));
    worker.Submit(2, Item(2));

    // The running transfer may end only once Stop has dropped the waiting one and sleeps in
    // the join; ending earlier, the worker would rightly begin the next.
    const pid_t self = ::gettid();
    std::thread release([&] {
        EXPECT_TRUE(AwaitSleeping(self));
        runner.Let(2);
    });
    worker.Stop();  // returns once the running transfer has ended and the thread is joined
    release.join();
    EXPECT_EQ(runner.Started(), std::vector<uint8_t>{1});
}

}  // namespace
