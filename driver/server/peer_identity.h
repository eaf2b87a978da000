#pragma once
// Who is on the other end of a Unix socket, and whether that peer may use the service: root,
// the user owning the socket, or a member (primary or supplementary) of the socket's group.

#include <sys/types.h>

#include <optional>
#include <vector>

struct PeerIdentity {
    pid_t pid = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;  // supplementary groups at connect time
};

struct SocketOwner {
    uid_t uid = 0;
    gid_t gid = 0;
};

// nullopt when the kernel does not tell who the peer is; such a peer is refused.
std::optional<PeerIdentity> ReadPeerIdentity(int fd);

bool IsPeerAllowed(const PeerIdentity& peer, const SocketOwner& owner);
