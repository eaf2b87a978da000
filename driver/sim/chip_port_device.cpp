#include "chip_port_device.h"

bool CChipPortDevice::Decodes(uint16_t port) const {
    return port == INDEX_PORT || port == DATA_PORT;
}

uint8_t CChipPortDevice::ReadByte(uint16_t port) {
    return port == INDEX_PORT ? m_index : m_chip.ReadRegister(m_index);
}

void CChipPortDevice::WriteByte(uint16_t port, uint8_t value) {
    if (port == INDEX_PORT) {
        m_index = value;
    } else {
        m_chip.WriteRegister(m_index, value);
    }
}
