#pragma once
// Port and MSR requests of the library's exports: building the records, reading the answers,
// and recording a failure description for each failed request.

#include <cstdint>

#include "device_io.h"
#include "last_failure.h"

class CPortAccess {
  public:
    CPortAccess(IDeviceIo& device, CLastFailure& failure) : m_device(device), m_failure(failure) {}

    int InPortB(uint16_t port, uint8_t* value);
    int OutPortB(uint16_t port, uint8_t value);
    bool ReadPortVal(uint16_t port, uint32_t* value, uint8_t size);
    bool WritePortVal(uint16_t port, uint32_t value, uint8_t size);
    uint64_t ReadMSR(uint32_t msr);
    void WriteMSR(uint32_t msr, uint32_t low, uint32_t high);

  private:
    IDeviceIo& m_device;
    CLastFailure& m_failure;
};
