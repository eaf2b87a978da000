#pragma once
// The backend of a service that may not touch hardware itself: under kernel lockdown, with the
// kernel's own driver for the chip present, the service still has one job, writing that
// driver's attributes for the monitor. Every port and MSR request is refused.

#include "backend.h"

class CNoRawBackend : public IDriverBackend {
  public:
    bool ReadPort(uint16_t, uint8_t, uint32_t*) override { return false; }
    bool WritePort(uint16_t, uint8_t, uint32_t) override { return false; }
    bool ReadMsr(uint32_t, uint64_t*) override { return false; }
    bool WriteMsr(uint32_t, uint64_t) override { return false; }
};
