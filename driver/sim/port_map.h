#pragma once
// The simulated board's I/O bus: routes each byte of a 1-, 2- or 4-byte access to the device
// that decodes its port, low byte first at the lowest port. Bytes at ports no device decodes
// read 0xFF and their writes vanish; a span past 0xFFFF does the same for the bytes beyond.

#include <cstdint>
#include <vector>

#include "sim_port_device.h"

class CPortMap {
  public:
    // The map does not own its devices.
    void Attach(ISimPortDevice* device);

    static bool ValidSize(uint8_t size) { return size == 1 || size == 2 || size == 4; }
    uint32_t Read(uint16_t port, uint8_t size);
    void Write(uint16_t port, uint8_t size, uint32_t value);

  private:
    ISimPortDevice* DeviceAt(uint32_t port) const;

    std::vector<ISimPortDevice*> m_devices;
};
