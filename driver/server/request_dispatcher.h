#pragma once
// Turns one device request (control code + input record) into its answer. Every record is
// validated before the backend is called; a malformed request touches nothing and fails with
// EINVAL, a backend refusal fails with EIO.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>

#include "backend.h"
#include "chip_views.h"
#include "device_wire.h"
#include "hwmon_attribute_writer.h"
#include "interrupt_event.h"
#include "mcu_request.h"

class CRequestDispatcher {
  public:
    // event: where a client's interrupt event is registered; null refuses registrations.
    explicit CRequestDispatcher(IDriverBackend& backend, CInterruptEvent* event = nullptr)
        : m_backend(backend), m_event(event), m_chipViews(backend) {}

    // Where hwmon attribute writes go; without one they fail with ENOSYS.
    void SetHwmonWriter(IHwmonAttributeWriter* writer) { m_hwmon = writer; }

    // peer: the process that sent the request (0 when unknown). client: the connection it came
    // on, whose own view of the chip's index and bank its port requests see.
    vornio::DeviceAnswer Dispatch(uint32_t code, std::span<const uint8_t> input, pid_t peer = 0,
                                  uint64_t client = 0);
    // A connection that has closed: its view of the chip is dropped.
    void ForgetClient(uint64_t client) { m_chipViews.Forget(client); }

    // An item transfer can wait up to 250 ms for the microcontroller, so the server runs it
    // apart from the other requests. AsItemRequest gives the validated item request, or nullopt
    // for every other request and for a malformed item record (Dispatch answers those at once).
    static std::optional<SMcuRequest> AsItemRequest(uint32_t code, std::span<const uint8_t> input);
    // Runs the mailbox handshake of a validated item request: a microcontroller that does not
    // answer is a success with result byte 0xFF, a failing port access a failure. It reaches
    // nothing but the backend's port methods, so it may run on a thread of its own beside
    // Dispatch.
    vornio::DeviceAnswer RunItemRequest(const SMcuRequest& request);

  private:
    vornio::DeviceAnswer PortRequest(std::span<const uint8_t> input, bool byteForm, bool write,
                                     uint64_t client);
    vornio::DeviceAnswer ReadMsr(std::span<const uint8_t> input);
    vornio::DeviceAnswer WriteMsr(std::span<const uint8_t> input);
    vornio::DeviceAnswer RegisterEvent(std::span<const uint8_t> input, pid_t peer);
    vornio::DeviceAnswer McuTransfer(uint32_t code, std::span<const uint8_t> input);
    vornio::DeviceAnswer HwmonWrite(std::span<const uint8_t> input);

    IDriverBackend& m_backend;
    CInterruptEvent* m_event;
    IHwmonAttributeWriter* m_hwmon = nullptr;
    CChipViews m_chipViews;
};
