#include "message_window.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "../support/temp_dir.h"  // the shared helper, not the local header-only one
#include "run_in_child.h"

TEST(WindowMessage, TheDatagramIsFourLittleEndianWords) {
    const SWindowMessage m{0x11223344, 0xC001, 0x05, -2};
    const auto bytes = EncodeWindowMessage(m);
    const uint8_t expected[WINDOW_MESSAGE_SIZE] = {0x44, 0x33, 0x22, 0x11, 0x01, 0xC0, 0,    0,
                                                   0x05, 0,    0,    0,    0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, sizeof expected), 0);
    EXPECT_EQ(DecodeWindowMessage(bytes), m);
    EXPECT_FALSE(DecodeWindowMessage(std::span<const uint8_t>(bytes.data(), 15)));
}

TEST(MessageWindow, PostedMessagesArriveInOrderThroughThePollableQueue) {
    CTempDir dir;
    CMessageWindow w;
    ASSERT_TRUE(w.Create(dir.Path()));
    EXPECT_NE(w.Handle(), 0u);
    SWindowMessage m;
    EXPECT_FALSE(w.Receive(&m));
    for (uint32_t i = 1; i <= 3; ++i)
        ASSERT_TRUE(PostWindowMessage(dir.Path(), {w.Handle(), 0xC000, i, 0}));
    pollfd p{w.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    for (uint32_t i = 1; i <= 3; ++i) {
        ASSERT_TRUE(w.Receive(&m));
        EXPECT_EQ(m, (SWindowMessage{w.Handle(), 0xC000, i, 0}));
    }
    EXPECT_FALSE(w.Receive(&m));
}

TEST(MessageWindow, AnotherProcessPostsToTheWindow) {
    CTempDir dir;
    CMessageWindow w;
    ASSERT_TRUE(w.Create(dir.Path()));
    ChildResult child = RunInChild([&] {
        return PostWindowMessage(dir.Path(), {w.Handle(), 0xC123, 0xAB, 7}) ? "ok" : "failed";
    });
    EXPECT_EQ(child.output, "ok");
    SWindowMessage m;
    ASSERT_TRUE(w.Receive(&m));
    EXPECT_EQ(m, (SWindowMessage{w.Handle(), 0xC123, 0xAB, 7}));
}

TEST(MessageWindow, PostingFailsForAWindowThatIsGoneAndNeverWaits) {
    CTempDir dir;
    CMessageWindow w;
    ASSERT_TRUE(w.Create(dir.Path()));
    const uint32_t handle = w.Handle();
    EXPECT_FALSE(PostWindowMessage(dir.Path(), {0, 1, 0, 0}));
    // A queue nobody reads fills up; posting then fails at once instead of blocking.
    int posted = 0;
    while (posted < 100000 && PostWindowMessage(dir.Path(), {handle, 1, 0, 0}))
        ++posted;
    EXPECT_GT(posted, 0);
    EXPECT_LT(posted, 100000);
    w.Destroy();
    EXPECT_FALSE(std::filesystem::exists(WindowSocketPath(dir.Path(), handle)));
    EXPECT_FALSE(PostWindowMessage(dir.Path(), {handle, 1, 0, 0}));
}

TEST(MessageWindow, HandlesAreDistinctAndStrayDatagramsAreDropped) {
    CTempDir dir;
    std::set<uint32_t> handles;
    CMessageWindow windows[20];
    for (auto& w : windows) {
        ASSERT_TRUE(w.Create(dir.Path()));
        handles.insert(w.Handle());
    }
    EXPECT_EQ(handles.size(), 20u);

    // Garbage and a message addressed to another window: neither is delivered.
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = WindowSocketPath(dir.Path(), windows[0].Handle());
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const char junk[] = "hello";
    ASSERT_GT(::sendto(fd, junk, sizeof junk, 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr),
              0);
    const auto other = EncodeWindowMessage({windows[1].Handle(), 1, 2, 3});
    ASSERT_GT(::sendto(fd, other.data(), other.size(), 0, reinterpret_cast<sockaddr*>(&addr),
                       sizeof addr),
              0);
    ::close(fd);
    ASSERT_TRUE(PostWindowMessage(dir.Path(), {windows[0].Handle(), 9, 9, 9}));
    SWindowMessage m;
    ASSERT_TRUE(windows[0].Receive(&m));
    EXPECT_EQ(m.message, 9u);
    EXPECT_FALSE(windows[0].Receive(&m));
}

TEST(MessageWindow, CreateFailsWhereNoQueueCanBeMade) {
    CMessageWindow w;
    EXPECT_FALSE(w.Create("/nonexistent/dir"));
    EXPECT_EQ(w.Handle(), 0u);
    SWindowMessage m;
    EXPECT_FALSE(w.Receive(&m));
}
