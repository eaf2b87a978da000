#pragma once
// The connection to the driver service's device socket. A request that finds the connection
// broken (the service went away) fails; the next one connects afresh, so a restarted service
// is picked up without restarting its clients.

#include <mutex>
#include <string>

#include "device_io.h"

class CDeviceChannel : public IDeviceIo {
  public:
    ~CDeviceChannel() override;

    // Connects to the socket at path; later requests reconnect to the same path.
    bool Open(const std::string& path);
    // Drops the connection and forgets the path: every later request fails until Open.
    void Close();
    bool IsOpen() const;

    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t* returned) override;

  private:
    bool ConnectLocked();
    void DisconnectLocked();

    mutable std::mutex m_mutex;
    std::string m_path;
    int m_fd = -1;
};
