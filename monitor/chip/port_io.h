#pragma once
// The two port calls the chip layer makes. The program routes them to the port-I/O library;
// tests route them to an in-process simulated chip and watch the order of accesses.

#include <cstdint>

class IPortIo {
  public:
    virtual ~IPortIo() = default;
    // Nonzero on success; a failed read leaves *value alone.
    virtual int InPortB(uint16_t port, uint8_t* value) = 0;
    virtual int OutPortB(uint16_t port, uint8_t value) = 0;
};

// The port calls in use; until one is set every call fails.
void SetChipPortIo(IPortIo* io);
IPortIo* ChipPortIo();
