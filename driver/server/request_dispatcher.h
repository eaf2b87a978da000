#pragma once
// Turns one device request (control code + input record) into its answer. Every record is
// validated before the backend is called; a malformed request touches nothing and fails with
// EINVAL, a backend refusal fails with EIO.

#include <cstdint>
#include <span>

#include "backend.h"
#include "device_wire.h"

class CRequestDispatcher {
  public:
    explicit CRequestDispatcher(IDriverBackend& backend) : m_backend(backend) {}

    vornio::DeviceAnswer Dispatch(uint32_t code, std::span<const uint8_t> input);

  private:
    vornio::DeviceAnswer PortRequest(std::span<const uint8_t> input, bool byteForm, bool write);
    vornio::DeviceAnswer ReadMsr(std::span<const uint8_t> input);
    vornio::DeviceAnswer WriteMsr(std::span<const uint8_t> input);
    // Interrupt-event registration and the microcontroller item transfers are not served yet.
    vornio::DeviceAnswer RegisterEvent(std::span<const uint8_t> input);
    vornio::DeviceAnswer McuTransfer(uint32_t code, std::span<const uint8_t> input);

    IDriverBackend& m_backend;
};
