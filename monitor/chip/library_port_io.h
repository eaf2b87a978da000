#pragma once
// The chip layer's port calls through libvorn-io.so, the only way the monitor reaches hardware.
//
// The library is opened from the program folder when the monitor first needs it, not when the
// program starts: opening it starts the driver service, and ends the process when that fails.
// A monitor whose items are only the kernel's hwmon sensors never reaches the chip, and runs on
// a machine without the chip and without the service.

#include "port_io.h"

class CLibraryPortIo : public IPortIo {
  public:
    int InPortB(uint16_t port, uint8_t* value) override;
    int OutPortB(uint16_t port, uint8_t value) override;
};

// Opens the library now, starting the driver service as its load does, when the monitor is sure
// to need the chip: then a start that fails ends the process before any front end has begun.
// False, said on standard error, when the library cannot be opened at all.
bool OpenPortLibrary();
