#pragma once
// A bare client of the VORN-IO socket: sends frames (well formed or not) and reads answers, for
// tests that talk to vorn-iod without the library.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device_wire.h"

class CRawDeviceClient {
  public:
    static constexpr int DEFAULT_TIMEOUT_MS = 5000;

    CRawDeviceClient() = default;
    ~CRawDeviceClient() { Close(); }
    CRawDeviceClient(const CRawDeviceClient&) = delete;
    CRawDeviceClient& operator=(const CRawDeviceClient&) = delete;

    bool Connect(const std::string& socketPath);
    void Close();
    bool IsConnected() const { return m_fd >= 0; }

    bool SendBytes(std::span<const uint8_t> bytes);
    bool SendRequest(uint32_t code, std::span<const uint8_t> input);
    // Sends what the socket takes without waiting; the number of bytes sent.
    size_t SendWithoutWaiting(std::span<const uint8_t> bytes);
    // The next answer frame; nullopt on a time-out, a closed connection or a malformed frame.
    std::optional<vornio::DeviceAnswer> ReadAnswer(int timeoutMs = DEFAULT_TIMEOUT_MS);
    std::optional<vornio::DeviceAnswer> Exchange(uint32_t code, std::span<const uint8_t> input,
                                                 int timeoutMs = DEFAULT_TIMEOUT_MS);
    // True when the service closes the connection within the time.
    bool WaitForClose(int timeoutMs = DEFAULT_TIMEOUT_MS);

  private:
    // Reads exactly size bytes; false on time-out or end of stream.
    bool ReadExactly(uint8_t* bytes, size_t size, int timeoutMs);

    int m_fd = -1;
};
