#pragma once
// One accepted client of the service's poll loop. Sockets are non-blocking; a connection keeps
// its own bounded buffers so that a slow or stuck peer only ever waits on itself.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "unique_fd.h"

class CConnection {
  public:
    // id: unique over the service's lifetime, never reused, so work finished for a connection
    // that has gone in the meantime finds no one.
    CConnection(CUniqueFd fd, uint64_t id) : m_fd(std::move(fd)), m_id(id) {}
    virtual ~CConnection() = default;

    int Fd() const { return m_fd.Get(); }
    uint64_t Id() const { return m_id; }
    // The client's user, as the kernel told it when it connected.
    uid_t PeerUid() const { return m_peerUid; }
    void SetPeerUid(uid_t uid) { m_peerUid = uid; }
    // When the client last sent or was answered (monotonic milliseconds); the service drops
    // connections that stay silent, so idle clients cannot hold every slot.
    int64_t LastActiveMs() const { return m_lastActiveMs; }
    void Touch(int64_t nowMs) { m_lastActiveMs = nowMs; }
    // The poll events this connection waits for now.
    virtual short Events() const = 0;
    // Handles what poll reported; false when the connection is finished and must be closed.
    virtual bool Service(short revents) = 0;

  protected:
    enum class EIo { DONE, AGAIN, CLOSED };
    // Sends as much of m_output as the socket takes.
    EIo Flush();
    bool HasOutput() const { return m_sent < m_output.size(); }
    void QueueOutput(std::vector<uint8_t> bytes);

    CUniqueFd m_fd;
    const uint64_t m_id;
    uid_t m_peerUid = 0;
    int64_t m_lastActiveMs = 0;

  private:
    std::vector<uint8_t> m_output;
    size_t m_sent = 0;
};
