#include "interrupt_event.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "temp_dir.h"

namespace {

struct InterruptEventTest : ::testing::Test {
    void SetUp() override {
        ASSERT_EQ(::mkfifo(dir.PathOf(INTERRUPT_EVENT_NAME).c_str(), 0600), 0);
        reader = ::open(dir.PathOf(INTERRUPT_EVENT_NAME).c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(reader, 0);
    }
    void TearDown() override { ::close(reader); }

    ssize_t Pending() {
        char buffer[64];
        return ::read(reader, buffer, sizeof buffer);
    }

    CTempDir dir;
    int reader = -1;
    CInterruptEvent event{dir.Path()};
};

}  // namespace

TEST_F(InterruptEventTest, TheClientsOwnEventIsTakenAndSignalled) {
    EXPECT_FALSE(event.RaiseInterrupt()) << "nothing registered yet";
    int error = 0;
    ASSERT_TRUE(event.Register(::getpid(), static_cast<uint32_t>(reader), &error)) << error;
    EXPECT_TRUE(event.IsRegistered());
    EXPECT_TRUE(event.RaiseInterrupt());
    EXPECT_EQ(Pending(), 1);
    EXPECT_EQ(Pending(), -1);
}

TEST_F(InterruptEventTest, AnythingButTheRuntimeDirectorysEventIsRefused) {
    ASSERT_EQ(::mkfifo(dir.PathOf("other").c_str(), 0600), 0);
    const int otherFifo = ::open(dir.PathOf("other").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_TRUE(dir.WriteFile("plain", "x"));
    const int plain = ::open(dir.PathOf("plain").c_str(), O_RDONLY);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const struct {
        const char* name;
        pid_t pid;
        uint32_t handle;
        int error;
    } cases[] = {
        {"another FIFO", ::getpid(), static_cast<uint32_t>(otherFifo), EINVAL},
        {"a plain file", ::getpid(), static_cast<uint32_t>(plain), EINVAL},
        {"a pipe", ::getpid(), static_cast<uint32_t>(pipeFds[0]), EINVAL},
        {"no such descriptor", ::getpid(), 100000, EBADF},
        {"a handle beyond descriptors", ::getpid(), 0x80000000u, EBADF},
        {"no peer", 0, static_cast<uint32_t>(reader), EINVAL},
    };
    for (const auto& c : cases) {
        int error = 0;
        EXPECT_FALSE(event.Register(c.pid, c.handle, &error)) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_FALSE(event.IsRegistered()) << c.name;
    }
    char b;
    EXPECT_EQ(::read(otherFifo, &b, 1), -1) << "nothing was written to it";
    ::close(otherFifo);
    ::close(plain);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

TEST_F(InterruptEventTest, AFullEventStaysSignalled) {
    int error = 0;
    ASSERT_TRUE(event.Register(::getpid(), static_cast<uint32_t>(reader), &error));
    for (int i = 0; i < 100000; ++i)
        ASSERT_TRUE(event.RaiseInterrupt()) << i;
}
