#pragma once
// The chip layer's port calls through libvorn-io.so, the only way the monitor reaches hardware.

#include "port_io.h"

class CLibraryPortIo : public IPortIo {
  public:
    int InPortB(uint16_t port, uint8_t* value) override;
    int OutPortB(uint16_t port, uint8_t value) override;
};
