#pragma once
// What vorn-iod needs from the hardware side. The request server validates every record before
// it calls here; a backend still refuses what it cannot or must not do by returning false.

#include <cstdint>

#include "interrupt_sink.h"

class IDriverBackend {
  public:
    virtual ~IDriverBackend() = default;

    // size is 1, 2 or 4; a read zero-extends into *value.
    virtual bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) = 0;
    virtual bool WritePort(uint16_t port, uint8_t size, uint32_t value) = 0;

    virtual bool ReadMsr(uint32_t msr, uint64_t* value) = 0;
    virtual bool WriteMsr(uint32_t msr, uint64_t value) = 0;

    // Where interrupts of the microcontroller go; a backend that cannot see them ignores it.
    virtual void SetInterruptSink(IInterruptSink*) {}
};
