#pragma once
// A client of the VORN-IO socket: request frames in, answer frames out, one exchange at a time.
// No further request is read while an answer is still being sent or an item request is with
// the item worker, so both buffers stay within one frame and each connection has at most one
// transfer queued. A malformed frame closes the connection. A request whose client has hung up
// by the time it is read is dropped, not performed: that client gave up on it, and a port
// write performed late would land in the middle of another client's index/data pair.

#include <sys/types.h>

#include "connection.h"
#include "item_worker.h"
#include "request_dispatcher.h"
#include "request_framer.h"

class CDeviceConnection : public CConnection {
  public:
    // peer: the client's process, as the kernel told it when it connected.
    CDeviceConnection(CUniqueFd fd, uint64_t id, CRequestDispatcher& dispatcher, CItemWorker& items,
                      pid_t peer = 0)
        : CConnection(std::move(fd), id), m_dispatcher(dispatcher), m_items(items), m_peer(peer) {}
    // A transfer still queued for this connection is withdrawn.
    ~CDeviceConnection() override;

    short Events() const override;
    bool Service(short revents) override;
    // The answer to the item request this connection handed to the worker; false when the
    // connection is finished and must be closed.
    bool FinishItemRequest(vornio::DeviceAnswer answer);

  private:
    // Reads what the current frame still needs; answers it when complete.
    bool ReadRequest();
    // True when the client has closed its end entirely (a half-closed one can still read).
    bool PeerHasLeft() const;
    bool Answer(const vornio::DeviceAnswer& answer);

    CRequestDispatcher& m_dispatcher;
    CItemWorker& m_items;
    pid_t m_peer;
    CRequestFramer m_framer;
    bool m_itemPending = false;
};
