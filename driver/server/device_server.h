#pragma once
// The service loop of vorn-iod: the VORN-IO socket (device requests) and, with a simulated
// board, the VORN-SIM socket (sim commands), served by one thread with poll(). Each request is
// handled whole before the next; peers are checked when they connect.

#include <memory>
#include <string>
#include <vector>

#include "connection.h"
#include "listen_socket.h"
#include "request_dispatcher.h"
#include "sim/sim_control.h"

class CDeviceServer {
  public:
    static constexpr size_t MAX_CONNECTIONS = 128;
    static constexpr mode_t SOCKET_MODE = 0660;

    // simControl may be null: then there is no VORN-SIM socket.
    CDeviceServer(std::string runtimeDir, CRequestDispatcher& dispatcher, ISimControl* simControl)
        : m_runtimeDir(std::move(runtimeDir)), m_dispatcher(dispatcher), m_simControl(simControl) {}
    ~CDeviceServer() { Close(); }

    bool Open(std::string* error);
    // Serves until stopFd becomes readable. false when polling itself fails.
    bool Run(int stopFd);
    // Drops every client and removes the socket files.
    void Close();

  private:
    void Accept(CListenSocket& listener, bool sim);

    std::string m_runtimeDir;
    CRequestDispatcher& m_dispatcher;
    ISimControl* m_simControl;
    CListenSocket m_device;
    CListenSocket m_sim;
    std::vector<std::unique_ptr<CConnection>> m_connections;
};
