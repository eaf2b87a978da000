#include "peer_identity.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TEST(PeerIdentity, OnlyRootTheOwnerAndTheSocketGroupAreAllowed) {
    const SocketOwner owner{1000, 150};
    struct Case {
        const char* name;
        PeerIdentity peer;
        bool allowed;
    };
    const Case cases[] = {
        {"root", {1, 0, 0, {}}, true},
        {"root with other groups", {1, 0, 999, {998}}, true},
        {"owner", {1, 1000, 1000, {}}, true},
        {"primary group", {1, 2000, 150, {}}, true},
        {"supplementary group", {1, 2000, 2000, {4, 150, 27}}, true},
        {"stranger", {1, 2000, 2000, {4, 27}}, false},
        {"nobody", {1, 65534, 65534, {}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsPeerAllowed(c.peer, owner), c.allowed);
    }
}

TEST(PeerIdentity, ReadsTheCredentialsOfAConnectedPeer) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    auto peer = ReadPeerIdentity(pair[0]);
    ::close(pair[0]);
    ::close(pair[1]);
    ASSERT_TRUE(peer);
    EXPECT_EQ(peer->pid, ::getpid());
    EXPECT_EQ(peer->uid, ::geteuid());
    EXPECT_EQ(peer->gid, ::getegid());
}

TEST(PeerIdentity, NoCredentialsOnANonSocket) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_FALSE(ReadPeerIdentity(fds[0]));
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
