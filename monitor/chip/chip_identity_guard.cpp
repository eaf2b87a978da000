#include "chip_identity_guard.h"

#include "chip_register.h"

bool CChipIdentityGuard::Admits(uint16_t port) {
    if (port != CHIP_INDEX_PORT && port != CHIP_DATA_PORT)
        return true;
    if (m_state == EState::UNKNOWN) {
        SChipIdentity found;
        if (ReadChipIdentity(m_inner, &found) < 1)
            return false;
        m_state = IsW83627EHF(found) ? EState::IDENTIFIED : EState::REFUSED;
        if (m_state == EState::REFUSED && m_refused) {
            m_refused("the chip at ports 0x295/0x296 is not a W83627EHF (it answers " +
                      DescribeChipIdentity(found) + "); nothing is read from or written to it");
        }
    }
    return m_state == EState::IDENTIFIED;
}

int CChipIdentityGuard::InPortB(uint16_t port, uint8_t* value) {
    return Admits(port) ? m_inner.InPortB(port, value) : 0;
}

int CChipIdentityGuard::OutPortB(uint16_t port, uint8_t value) {
    return Admits(port) ? m_inner.OutPortB(port, value) : 0;
}
