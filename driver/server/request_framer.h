#pragma once
// Collects the bytes of one request frame at a time. The caller reads at most Missing() bytes
// and appends them, so a connection never buffers more than one frame.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device_wire.h"

class CRequestFramer {
  public:
    // Bytes still needed to complete the current frame (header first, then the record).
    size_t Missing() const;
    // false: the header is malformed (bad magic, oversized record); the connection must close.
    bool Append(std::span<const uint8_t> bytes);
    bool HasRequest() const { return m_header && Missing() == 0; }
    // The completed request; the framer starts over. Only valid when HasRequest().
    vornio::DeviceRequest Take();
    // True while part of a frame has arrived.
    bool InFrame() const { return !m_buffer.empty(); }

  private:
    std::vector<uint8_t> m_buffer;
    std::optional<vornio::RequestHeader> m_header;
};
