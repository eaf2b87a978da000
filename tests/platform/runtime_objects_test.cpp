// The shared objects of the runtime directory against other local users: planted or loosened
// objects, a directory everyone may write, locks held forever, a block cut short under its
// users, forged window messages. Acts as other users in children, so it tests something when
// run as root.

#include "runtime_objects.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "../support/temp_dir.h"
#include "message_window.h"
#include "named_event.h"
#include "run_in_child.h"
#include "shared_segment.h"
#include "window_message_names.h"

namespace {

constexpr size_t SIZE = 8192;

// Each kind of object a client makes in the directory; true when it could be used.
struct ObjectKind {
    const char* name;
    std::function<bool(const std::string& dir)> use;
};

const ObjectKind KINDS[] = {
    {"shared segment",
     [](const std::string& dir) {
         CSharedSegment s;
         return s.Attach(dir, "block", SIZE);
     }},
    {"named event",
     [](const std::string& dir) {
         CNamedEvent e;
         return e.Create(dir, "event");
     }},
    {"window",
     [](const std::string& dir) {
         CMessageWindow w;
         return w.Create(dir);
     }},
    {"message name",
     [](const std::string& dir) { return RegisterWindowMessage(dir, "GX4410_INTERRUPTED") != 0; }},
};

TEST(RuntimeObjects, NothingIsMadeInADirectoryEveryoneMayWriteOrAStrangerOwns) {
    struct DirCase {
        const char* name;
        mode_t mode;
        uid_t owner;
        bool usable;
    };
    const DirCase dirs[] = {
        {"private", 0700, ::geteuid(), true},
        {"group of clients", 02770, ::geteuid(), true},
        {"everyone, sticky", 01777, ::geteuid(), false},
        {"everyone", 0777, ::geteuid(), false},
        {"another user's", 0755, ::geteuid() == 0 ? 65534u : 0u, false},
    };
    for (const DirCase& d : dirs) {
        for (const ObjectKind& k : KINDS) {
            SCOPED_TRACE(std::string(d.name) + ": " + k.name);
            CTempDir temp;
            const std::string dir = temp.PathOf("run");
            ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
            ASSERT_EQ(::chmod(dir.c_str(), d.mode), 0);
            if (d.owner != ::geteuid() && ::chown(dir.c_str(), d.owner, -1) != 0)
                GTEST_SKIP() << "cannot give the directory away";
            errno = 0;
            EXPECT_EQ(k.use(dir), d.usable) << std::strerror(errno);
            if (!d.usable) {
                EXPECT_EQ(errno, EPERM);
            }
        }
    }
}

TEST(RuntimeObjects, ObjectsThatOthersMayWriteOrStrangersOwnAreRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to another user";
    struct Planted {
        const char* file;
        std::function<bool(const std::string& path)> plant;
        const ObjectKind& kind;
    };
    auto file = [](mode_t mode, uid_t uid, gid_t gid) {
        return [=](const std::string& path) {
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
            return fd >= 0 && ::fchown(fd, uid, gid) == 0 && ::fchmod(fd, mode) == 0 &&
                   ::close(fd) == 0;
        };
    };
    auto fifo = [](mode_t mode, uid_t uid, gid_t gid) {
        return [=](const std::string& path) {
            return ::mkfifo(path.c_str(), 0600) == 0 && ::chown(path.c_str(), uid, gid) == 0 &&
                   ::chmod(path.c_str(), mode) == 0;
        };
    };
    const Planted cases[] = {
        {"block", file(0666, 0, 0), KINDS[0]},
        {"block.gate", file(0640, 4243, 4243), KINDS[0]},
        {"event", fifo(0662, 0, 0), KINDS[1]},
        {"event", fifo(0660, 4243, 4243), KINDS[1]},
        {"window-messages", file(0666, 0, 0), KINDS[3]},
        {"window-messages", file(0600, 4243, 4243), KINDS[3]},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(std::string(c.kind.name) + " with " + c.file);
        CTempDir temp;
        ASSERT_TRUE(c.plant(temp.PathOf(c.file)));
        errno = 0;
        EXPECT_FALSE(c.kind.use(temp.Path()));
        EXPECT_EQ(errno, EPERM);
    }
}

// Someone holds the gate of the block or the lock of the message-name list and never lets go:
// clients give up after a while instead of hanging (the child would be killed at 20 s).
TEST(RuntimeObjects, LocksHeldForeverAreWaitedForABoundedTime) {
    CTempDir temp;
    const std::string gate = temp.PathOf("block.gate");
    const std::string names = temp.PathOf(WINDOW_MESSAGE_NAMES_FILE);
    for (const std::string& path : {gate, names}) {
        const int fd = ::open(path.c_str(), O_CREAT | O_RDWR, 0660);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // held by this open file until the test ends
    }
    ChildResult r = RunInChild(
        [&] {
            CSharedSegment s;
            const bool attached = s.Attach(temp.Path(), "block", SIZE);
            const int attachError = errno;
            const uint32_t number = RegisterWindowMessage(temp.Path(), "GX4410_INTERRUPTED");
            return std::to_string(attached) + " " + std::strerror(attachError) + " " +
                   std::to_string(number) + " " + std::strerror(errno);
        },
        20000);
    ASSERT_FALSE(r.timedOut) << "a client hung on a held lock";
    EXPECT_EQ(r.output,
              std::string("0 ") + std::strerror(ETIMEDOUT) + " 0 " + std::strerror(ETIMEDOUT));
}

// Cutting the block's file short under its users once gave them SIGBUS; the memory is now a
// segment of fixed size, so they read and write on.
TEST(RuntimeObjects, BlockCannotBeShrunkUnderItsUsers) {
    CTempDir temp;
    ChildResult r = RunInChild([&] {
        CSharedSegment s;
        if (!s.Attach(temp.Path(), "block", SIZE))
            return std::string("attach failed");
        auto* bytes = static_cast<uint8_t*>(s.Data());
        bytes[SIZE - 1] = 0x5A;
        if (::truncate(temp.PathOf("block").c_str(), 0) != 0)
            return std::string("truncate failed");
        bytes[SIZE - 2] = 0x33;  // a file mapping cut short faults here
        return std::to_string(bytes[SIZE - 1]) + " " + std::to_string(bytes[SIZE - 2]);
    });
    EXPECT_TRUE(r.Exited()) << "status " << r.status;
    EXPECT_EQ(r.output, "90 51");
}

// Only root, the window's own user and members of the directory's group may post to a window:
// anyone else's datagram is dropped, however well formed.
TEST(RuntimeObjects, WindowMessagesFromStrangersAreDropped) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    CTempDir temp;
    ASSERT_EQ(::chmod(temp.Path().c_str(), 0775), 0);
    ASSERT_EQ(::chown(temp.Path().c_str(), 0, 4242), 0);
    CMessageWindow window;
    ASSERT_TRUE(window.Create(temp.Path()));
    // Open the socket itself so that only the sender check stands in the way.
    ASSERT_EQ(::chmod(WindowSocketPath(temp.Path(), window.Handle()).c_str(), 0666), 0);
    struct Sender {
        const char* name;
        uid_t uid;
        gid_t gid;
        std::vector<gid_t> groups;
        bool delivered;
    };
    const Sender senders[] = {
        {"stranger", 65534, 65534, {}, false},
        {"stranger in other groups", 65534, 65534, {100}, false},
        {"member of the directory's group", 65534, 65534, {4242}, true},
        {"primary group", 65534, 4242, {}, true},
        {"root", 0, 0, {}, true},
    };
    uint32_t wParam = 0;
    for (const Sender& s : senders) {
        SCOPED_TRACE(s.name);
        const SWindowMessage message{window.Handle(), 0xC123, ++wParam, 0};
        // The sender stays alive until its datagram was looked at: its groups are read from
        // the live process.
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        ChildResult r;
        std::thread sender([&] {
            r = RunInChild([&] {
                ::close(done[1]);
                if (::setgroups(s.groups.size(), s.groups.data()) != 0 || ::setgid(s.gid) != 0 ||
                    ::setuid(s.uid) != 0) {
                    return std::string("setuid failed");
                }
                const bool sent = PostWindowMessage(temp.Path(), message);
                char byte;
                (void)!::read(done[0], &byte, 1);
                return std::string(sent ? "sent" : "not sent");
            });
        });
        pollfd p{window.Fd(), POLLIN, 0};
        const bool arrived = ::poll(&p, 1, 5000) == 1;
        SWindowMessage received;
        const bool got = arrived && window.Receive(&received);
        ::close(done[1]);
        sender.join();
        ::close(done[0]);
        ASSERT_EQ(r.output, "sent") << "the datagram itself gets through";
        EXPECT_TRUE(arrived);
        EXPECT_EQ(got, s.delivered);
        if (got) {
            EXPECT_EQ(received, message);
        }
    }
}

}  // namespace
