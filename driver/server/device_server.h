#pragma once
// The service loop of vorn-iod: the VORN-IO socket (device requests) and, with a simulated
// board, the VORN-SIM socket (sim commands), served by one thread with poll(). Port, MSR and
// event requests and sim commands are handled whole as they arrive; item requests, which can
// wait up to 250 ms for the microcontroller, go to the item worker's thread, and their answers
// come back through the worker's descriptor to the connection that is still waiting for them.
// Peers are checked when they connect. One user holds at most MAX_CONNECTIONS_PER_PEER
// connections (root is not limited), and a connection silent for the idle time-out is dropped
// (clients connect again when they next ask); a client that finds no room, after the longest
// idle connection was given up for it, gets one answer with error EBUSY and is closed, so it can
// tell "service busy" from a service that is gone.

#include <memory>
#include <string>
#include <vector>

#include "connection.h"
#include "item_worker.h"
#include "listen_socket.h"
#include "request_dispatcher.h"
#include "sim/sim_control.h"

class CDeviceServer {
  public:
    static constexpr size_t MAX_CONNECTIONS = 128;
    static constexpr size_t MAX_CONNECTIONS_PER_PEER = 16;
    static constexpr int DEFAULT_IDLE_TIMEOUT_MS = 300'000;
    // A connection silent this long may be given up for a new client when there is no room.
    static constexpr int EVICTABLE_IDLE_MS = 1000;
    static constexpr mode_t SOCKET_MODE = 0660;

    // simControl may be null: then there is no VORN-SIM socket.
    CDeviceServer(std::string runtimeDir, CRequestDispatcher& dispatcher, ISimControl* simControl,
                  int idleTimeoutMs = DEFAULT_IDLE_TIMEOUT_MS)
        : m_runtimeDir(std::move(runtimeDir)),
          m_dispatcher(dispatcher),
          m_simControl(simControl),
          m_idleTimeoutMs(idleTimeoutMs),
          m_items([&dispatcher](const SMcuRequest& r) { return dispatcher.RunItemRequest(r); }) {}
    ~CDeviceServer() { Close(); }

    // Opens the sockets and starts the item worker.
    bool Open(std::string* error);
    // Serves until stopFd becomes readable. false when polling itself fails.
    bool Run(int stopFd);
    // Stops the item worker, drops every client and removes the socket files.
    void Close();

  private:
    void Accept(CListenSocket& listener, bool sim);
    // Hands the worker's finished answers to the connections that asked.
    void DeliverItemAnswers();
    // Makes room for one more connection of uid, giving up the longest idle connection that
    // stands in the way; false when there is none to give up.
    bool MakeRoomFor(uid_t uid, int64_t nowMs);
    // Closes connections silent for the idle time-out; the poll time-out until the next one.
    int DropIdle(int64_t nowMs);

    std::string m_runtimeDir;
    CRequestDispatcher& m_dispatcher;
    ISimControl* m_simControl;
    int m_idleTimeoutMs;
    CListenSocket m_device;
    CListenSocket m_sim;
    // Declared before the connections, which withdraw their queued transfers when they close.
    CItemWorker m_items;
    std::vector<std::unique_ptr<CConnection>> m_connections;
    uint64_t m_nextId = 1;
};
