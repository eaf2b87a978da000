#pragma once
// A client of the VORN-IO socket: request frames in, answer frames out, one exchange at a time.
// No further request is read while an answer is still being sent, so both buffers stay within
// one frame. A malformed frame closes the connection.

#include <sys/types.h>

#include "connection.h"
#include "request_dispatcher.h"
#include "request_framer.h"

class CDeviceConnection : public CConnection {
  public:
    // peer: the client's process, as the kernel told it when it connected.
    CDeviceConnection(CUniqueFd fd, CRequestDispatcher& dispatcher, pid_t peer = 0)
        : CConnection(std::move(fd)), m_dispatcher(dispatcher), m_peer(peer) {}

    short Events() const override;
    bool Service(short revents) override;

  private:
    // Reads what the current frame still needs; answers it when complete.
    bool ReadRequest();

    CRequestDispatcher& m_dispatcher;
    pid_t m_peer;
    CRequestFramer m_framer;
};
