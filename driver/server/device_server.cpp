#include "device_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device_connection.h"
#include "log.h"
#include "peer_identity.h"
#include "runtime_dir.h"
#include "sim_connection.h"

namespace {

// Connections taken from one listener per loop round, so the other sockets get their turn.
constexpr int ACCEPT_BURST = 16;

int64_t NowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// Tells a client there is no room for it: one answer, sent without waiting, before the close.
void SendBusy(int fd) {
    const auto frame = vornio::EncodeAnswer({false, EBUSY, {}});
    (void)::send(fd, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

}  // namespace

bool CDeviceServer::Open(std::string* error) {
    const std::string base = m_runtimeDir + "/";
    if (!m_device.Open(base + DEVICE_SOCKET_NAME, SOCKET_MODE, error))
        return false;
    if (m_simControl && !m_sim.Open(base + SIM_SOCKET_NAME, SOCKET_MODE, error)) {
        m_device.Close();
        return false;
    }
    if (!m_items.Start(error)) {
        m_device.Close();
        m_sim.Close();
        return false;
    }
    return true;
}

void CDeviceServer::Close() {
    // First the worker: once it is joined no answer can come back for a connection closed here.
    m_items.Stop();
    m_connections.clear();
    m_device.Close();
    m_sim.Close();
}

void CDeviceServer::Accept(CListenSocket& listener, bool sim) {
    for (int i = 0; i < ACCEPT_BURST; ++i) {
        CUniqueFd fd(::accept4(listener.Fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.IsValid()) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                IodLog("accept on %s failed: %s", listener.Path().c_str(), std::strerror(errno));
            }
            return;
        }
        auto peer = ReadPeerIdentity(fd.Get());
        if (!peer || !IsPeerAllowed(*peer, listener.Owner())) {
            if (peer) {
                IodLog("refused a client: pid %d uid %u gid %u", static_cast<int>(peer->pid),
                       peer->uid, peer->gid);
            } else {
                IodLog("refused a client whose credentials are unknown");
            }
            continue;
        }
        const int64_t now = NowMs();
        if (!MakeRoomFor(peer->uid, now)) {
            IodLog("refused a client of uid %u: busy with %zu connections", peer->uid,
                   m_connections.size());
            SendBusy(fd.Get());
            continue;
        }
        const uint64_t id = m_nextId++;
        if (sim) {
            m_connections.push_back(
                std::make_unique<CSimConnection>(std::move(fd), id, *m_simControl));
        } else {
            m_connections.push_back(std::make_unique<CDeviceConnection>(
                std::move(fd), id, m_dispatcher, m_items, peer->pid));
        }
        m_connections.back()->SetPeerUid(peer->uid);
        m_connections.back()->Touch(now);
    }
}

bool CDeviceServer::MakeRoomFor(uid_t uid, int64_t nowMs) {
    auto mostIdle = [&](bool sameUser) {
        auto best = m_connections.end();
        for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
            if (sameUser && (*it)->PeerUid() != uid)
                continue;
            if (best == m_connections.end() || (*it)->LastActiveMs() < (*best)->LastActiveMs())
                best = it;
        }
        return best;
    };
    auto giveUp = [&](auto it) {
        if (it == m_connections.end() || nowMs - (*it)->LastActiveMs() < EVICTABLE_IDLE_MS)
            return false;
        IodLog("dropping an idle client of uid %u to make room", (*it)->PeerUid());
        m_connections.erase(it);
        return true;
    };
    if (uid != 0) {
        const auto mine =
            static_cast<size_t>(std::count_if(m_connections.begin(), m_connections.end(),
                                              [&](const auto& c) { return c->PeerUid() == uid; }));
        if (mine >= MAX_CONNECTIONS_PER_PEER && !giveUp(mostIdle(true)))
            return false;
    }
    return m_connections.size() < MAX_CONNECTIONS || giveUp(mostIdle(false));
}

int CDeviceServer::DropIdle(int64_t nowMs) {
    int64_t next = -1;
    std::erase_if(m_connections, [&](const auto& c) {
        const int64_t due = c->LastActiveMs() + m_idleTimeoutMs;
        if (due <= nowMs)
            return true;
        if (next < 0 || due < next)
            next = due;
        return false;
    });
    return next < 0 ? -1 : static_cast<int>(next - nowMs);
}

void CDeviceServer::DeliverItemAnswers() {
    for (CItemWorker::SFinished& finished : m_items.TakeFinished()) {
        auto it = std::find_if(m_connections.begin(), m_connections.end(),
                               [&](const auto& c) { return c->Id() == finished.ticket; });
        if (it == m_connections.end())
            continue;  // the client left while its transfer ran
        auto* device = dynamic_cast<CDeviceConnection*>(it->get());
        (*it)->Touch(NowMs());
        if (device && !device->FinishItemRequest(std::move(finished.answer)))
            m_connections.erase(it);
    }
}

bool CDeviceServer::Run(int stopFd) {
    std::vector<pollfd> fds;
    for (;;) {
        const int timeout = DropIdle(NowMs());
        fds.clear();
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({m_device.Fd(), POLLIN, 0});
        fds.push_back({m_sim.Fd(), POLLIN, 0});  // fd -1 when there is no sim: poll skips it
        fds.push_back({m_items.Fd(), POLLIN, 0});
        const size_t firstClient = fds.size();
        for (const auto& c : m_connections)
            fds.push_back({c->Fd(), c->Events(), 0});

        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            IodLog("poll failed: %s", std::strerror(errno));
            return false;
        }
        if (fds[0].revents)
            return true;

        // Clients first: those accepted below have no entry in fds yet.
        size_t kept = 0;
        const int64_t now = NowMs();
        for (size_t i = 0; i < m_connections.size(); ++i) {
            const short revents = fds[firstClient + i].revents;
            if (revents != 0) {
                if (!m_connections[i]->Service(revents))
                    continue;
                m_connections[i]->Touch(now);
            }
            if (kept != i)
                m_connections[kept] = std::move(m_connections[i]);
            ++kept;
        }
        m_connections.resize(kept);

        if (fds[3].revents & POLLIN)
            DeliverItemAnswers();
        if (fds[1].revents & POLLIN)
            Accept(m_device, false);
        if (fds[2].revents & POLLIN)
            Accept(m_sim, true);
    }
}
