#include "peer_identity.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

std::optional<PeerIdentity> ReadPeerIdentity(int fd) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) {
        return std::nullopt;
    }
    PeerIdentity peer;
    peer.pid = cred.pid;
    peer.uid = cred.uid;
    peer.gid = cred.gid;

    // Supplementary groups; a kernel without SO_PEERGROUPS leaves only the primary group.
    std::vector<gid_t> groups(64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        socklen_t glen = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &glen) == 0) {
            groups.resize(glen / sizeof(gid_t));
            peer.groups = std::move(groups);
            break;
        }
        if (errno != ERANGE)
            break;
        groups.resize(glen / sizeof(gid_t) + 1);
    }
    return peer;
}

bool IsPeerAllowed(const PeerIdentity& peer, const SocketOwner& owner) {
    if (peer.uid == 0 || peer.uid == owner.uid)
        return true;
    if (peer.gid == owner.gid)
        return true;
    return std::find(peer.groups.begin(), peer.groups.end(), owner.gid) != peer.groups.end();
}
