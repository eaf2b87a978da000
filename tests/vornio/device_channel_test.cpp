// The device channel against sockets where no service answers: a listener that never accepts
// (a stopped or hung service), a stale socket file and a missing one (a dead service).

#include "device_channel.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device_codes.h"
#include "device_wire.h"
#include "run_in_child.h"
#include "temp_dir.h"
#include "test_sockets.h"

using namespace vornio;

namespace {

// One InPortB's request; errno and how long it took.
struct Attempt {
    int error = 0;
    long ms = 0;
};

Attempt PortRead(CDeviceChannel& channel) {
    uint8_t in[PORT_RECORD_SIZE] = {1};
    uint8_t out[PORT_RECORD_SIZE] = {};
    uint32_t returned = 0;
    const auto begin = std::chrono::steady_clock::now();
    const bool ok = channel.Control(IOCTL_READ_PORT_BYTE, in, out, &returned);
    Attempt a{ok ? 0 : errno, 0};
    a.ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - begin)
                                 .count());
    return a;
}

void Ignore(int) {}

}  // namespace

TEST(DeviceChannel, AnswerTimeOutsByRequestKind) {
    struct Case {
        uint32_t code;
        int timeoutMs;
    };
    const Case cases[] = {
        {IOCTL_READ_PORT, 300},       {IOCTL_WRITE_PORT, 300}, {IOCTL_READ_PORT_BYTE, 300},
        {IOCTL_WRITE_PORT_BYTE, 300}, {IOCTL_READ_MSR, 300},   {IOCTL_WRITE_MSR, 300},
        {IOCTL_MCU_WRITE, 10000},     {IOCTL_MCU_READ, 10000}, {IOCTL_REGISTER_EVENT, 10000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnswerTimeoutMs(c.code), c.timeoutMs) << std::hex << c.code;
}

TEST(DeviceChannel, StoppedServiceCostsOneShortWaitThenFailsAtOnce) {
    CTempDir dir;
    const std::string path = dir.PathOf("VORN-IO");
    // A child of its own: a channel that blocks is killed instead of hanging the test.
    ChildResult r = RunInChild(
        [&] {
            // A listener that never accepts, with room for one pending connection: each request
            // that times out leaves its connection there, as with a stopped service.
            const int listener = BindUnixStream(path, false);
            if (listener < 0 || ::listen(listener, 1) != 0)
                return std::string("no listener");
            // Signals all through the waits: none may start the wait over.
            struct sigaction sa {};
            sa.sa_handler = Ignore;
            ::sigaction(SIGALRM, &sa, nullptr);
            itimerval every{{0, 20000}, {0, 20000}};
            ::setitimer(ITIMER_REAL, &every, nullptr);

            CDeviceChannel channel;
            int noService = 0;
            channel.SetNoServiceHandler([&] { ++noService; });
            std::ostringstream out;
            out << channel.Open(path) << " " << noService;
            for (int i = 0; i < 8; ++i) {
                Attempt a = PortRead(channel);
                out << " " << a.error << ":" << a.ms;
            }
            itimerval off{};
            ::setitimer(ITIMER_REAL, &off, nullptr);
            out << " " << noService;
            return out.str();
        },
        8000);
    ASSERT_FALSE(r.timedOut) << "a request blocked";
    ASSERT_EQ(r.ExitCode(), 0) << r.output;

    std::istringstream in(r.output);
    int opened = 0, handlerBefore = -1;
    in >> opened >> handlerBefore;
    EXPECT_EQ(opened, 1) << r.output;
    std::vector<Attempt> attempts(8);
    for (auto& a : attempts) {
        char colon = 0;
        in >> a.error >> colon >> a.ms;
    }
    int handlerAfter = -1;
    in >> handlerAfter;
    EXPECT_EQ(handlerAfter, 0) << "a listener that does not answer is not a missing service";

    // A wait is never cut short, and is one wait, not one per signal: a wait started over at
    // every signal would not end while they come. Failing at once is failing without a wait.
    size_t waited = 0;
    while (waited < attempts.size() && attempts[waited].error == ETIMEDOUT) {
        EXPECT_GE(attempts[waited].ms, PORT_ANSWER_TIMEOUT_MS - 10) << r.output;
        EXPECT_LT(attempts[waited].ms, 2000) << r.output;
        ++waited;
    }
    EXPECT_GE(waited, 1u) << r.output;
    EXPECT_LE(waited, 3u) << "the backlog holds one or two: " << r.output;
    for (size_t i = waited; i < attempts.size(); ++i) {
        EXPECT_EQ(attempts[i].error, EAGAIN) << std::strerror(attempts[i].error) << r.output;
        EXPECT_LT(attempts[i].ms, PORT_ANSWER_TIMEOUT_MS) << r.output;
    }
}

TEST(DeviceChannel, NoServiceHandlerRunsWhenNobodyListens) {
    CTempDir dir;
    const std::string path = dir.PathOf("VORN-IO");
    CDeviceChannel channel;
    int noService = 0;
    channel.SetNoServiceHandler([&] { ++noService; });
    EXPECT_FALSE(channel.Open(path));
    EXPECT_EQ(noService, 0) << "opening is the start's business, not a request";

    Attempt a = PortRead(channel);
    EXPECT_EQ(a.error, ENOENT);
    EXPECT_EQ(noService, 1);

    // The socket file a killed service leaves behind.
    const int stale = BindUnixStream(path, false);
    ASSERT_GE(stale, 0);
    a = PortRead(channel);
    ::close(stale);
    EXPECT_EQ(a.error, ECONNREFUSED);
    EXPECT_EQ(noService, 2);
    EXPECT_LT(a.ms, PORT_ANSWER_TIMEOUT_MS) << "no wait for an answer";
}

// The service drops connections that stay silent and refuses, with one "busy" answer, a client
// it has no room for. A dropped connection is replaced before the next request is sent, so that
// request is served; a refusal is reported as EBUSY, not as a missing service.
TEST(DeviceChannel, DroppedIdleConnectionIsReplacedAndBusyIsSaid) {
    CTempDir dir;
    const std::string path = dir.PathOf("VORN-IO");
    const int listener = BindUnixStream(path, true);
    ASSERT_GE(listener, 0);
    std::promise<void> dropped;
    std::thread service([&] {
        auto answerOne = [](int fd) {
            std::vector<uint8_t> request(REQUEST_HEADER_SIZE + PORT_RECORD_SIZE);
            if (::recv(fd, request.data(), request.size(), MSG_WAITALL) !=
                static_cast<ssize_t>(request.size())) {
                return;
            }
            const auto frame = EncodeAnswer({true, 0, std::vector<uint8_t>(PORT_RECORD_SIZE)});
            (void)!::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        };
        const int first = ::accept(listener, nullptr, nullptr);
        answerOne(first);
        ::close(first);  // dropped as idle
        dropped.set_value();
        const int second = ::accept(listener, nullptr, nullptr);
        answerOne(second);
        const int third = ::accept(listener, nullptr, nullptr);
        const auto busy = EncodeAnswer({false, EBUSY, {}});
        (void)!::send(third, busy.data(), busy.size(), MSG_NOSIGNAL);
        ::close(third);
        ::close(second);
    });
    CDeviceChannel channel;
    int noService = 0;
    channel.SetNoServiceHandler([&] { ++noService; });
    ASSERT_TRUE(channel.Open(path));
    EXPECT_EQ(PortRead(channel).error, 0);
    dropped.get_future().wait();
    EXPECT_EQ(PortRead(channel).error, 0) << "served on a new connection";

    ASSERT_TRUE(channel.Open(path));
    EXPECT_EQ(PortRead(channel).error, EBUSY);
    EXPECT_EQ(noService, 0) << "a busy service is not a missing one";
    service.join();
    ::close(listener);
}
