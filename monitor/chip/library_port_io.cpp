#include "library_port_io.h"

#include "vornio.h"

int CLibraryPortIo::InPortB(uint16_t port, uint8_t* value) {
    return ::InPortB(port, value);
}
int CLibraryPortIo::OutPortB(uint16_t port, uint8_t value) {
    return ::OutPortB(port, value);
}
