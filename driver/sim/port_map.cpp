#include "port_map.h"

namespace {

constexpr uint8_t OPEN_BUS = 0xFF;

}  // namespace

void CPortMap::Attach(ISimPortDevice* device) {
    m_devices.push_back(device);
}

ISimPortDevice* CPortMap::DeviceAt(uint32_t port) const {
    if (port > 0xFFFF)
        return nullptr;
    for (ISimPortDevice* d : m_devices) {
        if (d->Decodes(static_cast<uint16_t>(port)))
            return d;
    }
    return nullptr;
}

uint32_t CPortMap::Read(uint16_t port, uint8_t size) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < size; ++i) {
        const uint32_t p = port + i;
        ISimPortDevice* d = DeviceAt(p);
        const uint8_t byte = d ? d->ReadByte(static_cast<uint16_t>(p)) : OPEN_BUS;
        value |= static_cast<uint32_t>(byte) << (8 * i);
    }
    return value;
}

void CPortMap::Write(uint16_t port, uint8_t size, uint32_t value) {
    for (uint32_t i = 0; i < size; ++i) {
        const uint32_t p = port + i;
        if (ISimPortDevice* d = DeviceAt(p)) {
            d->WriteByte(static_cast<uint16_t>(p), static_cast<uint8_t>(value >> (8 * i)));
        }
    }
}
