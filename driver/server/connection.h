#pragma once
// One accepted client of the service's poll loop. Sockets are non-blocking; a connection keeps
// its own bounded buffers so that a slow or stuck peer only ever waits on itself.

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

  private:
    std::vector<uint8_t> m_output;
    size_t m_sent = 0;
};
