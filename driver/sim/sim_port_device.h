#pragma once
// A device on the simulated board's I/O bus. The board splits wider accesses into bytes, so a
// device only ever sees byte reads and writes of the ports it decodes. The hardware monitor's
// index/data pair is one; the microcontroller mailbox joins as another.

#include <cstdint>

class ISimPortDevice {
  public:
    virtual ~ISimPortDevice() = default;
    virtual bool Decodes(uint16_t port) const = 0;
    virtual uint8_t ReadByte(uint16_t port) = 0;
    virtual void WriteByte(uint16_t port, uint8_t value) = 0;
};
