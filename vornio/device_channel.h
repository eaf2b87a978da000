#pragma once
// The connection to the driver service's device socket. A request that finds the connection
// broken (the service went away) fails; the next one connects afresh, so a restarted service
// is picked up without restarting its clients. No request waits longer than the answer time-out
// of its kind, and connecting never waits at all.

#include <functional>
#include <mutex>
#include <string>

#include "device_io.h"

// Port and MSR requests: the service answers them in tens of microseconds and does not queue
// them behind microcontroller transfers, so this passes only when the service is stopped or
// hung. A monitoring pass makes about 160 of them; it must not freeze for long.
inline constexpr int PORT_ANSWER_TIMEOUT_MS = 300;
// Item requests and the event registration: the service bounds each microcontroller transfer
// to 250 ms but runs the transfers of all clients one after another.
inline constexpr int ITEM_ANSWER_TIMEOUT_MS = 10000;

// How long a request of this control code may wait for its answer, sending included.
int AnswerTimeoutMs(uint32_t code);

class CDeviceChannel : public IDeviceIo {
  public:
    ~CDeviceChannel() override;

    // Called when a request finds no service at all (no socket, or nobody listening on it),
    // with the channel's lock held; the request fails whatever the handler does.
    void SetNoServiceHandler(std::function<void()> handler);

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
    std::function<void()> m_noService;
};
