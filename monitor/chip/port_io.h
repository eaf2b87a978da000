#pragma once
// The two port calls the chip layer makes. Every chip object is built over the port it is
// given: the program gives the port-I/O library's, tests an in-process simulated chip whose
// accesses they watch.

#include <cstdint>

class IPortIo {
  public:
    virtual ~IPortIo() = default;
    // Nonzero on success; a failed read leaves *value alone.
    virtual int InPortB(uint16_t port, uint8_t* value) = 0;
    virtual int OutPortB(uint16_t port, uint8_t value) = 0;
};
