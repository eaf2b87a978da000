#include "port_io.h"

namespace {
IPortIo* g_portIo = nullptr;
}

void SetChipPortIo(IPortIo* io) {
    g_portIo = io;
}
IPortIo* ChipPortIo() {
    return g_portIo;
}
