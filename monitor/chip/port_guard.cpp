#include "port_guard.h"

#include <cerrno>

template <typename Access>
int CPortGuard::Guarded(Access access) {
    if (m_tripped)
        return 0;
    const int64_t start = m_now();
    const int result = access();
    m_lastError = result == 0 ? errno : 0;
    if (result == 0 && m_now() - start >= HUNG_ACCESS_NS)
        m_tripped = true;
    return result;
}

int CPortGuard::InPortB(uint16_t port, uint8_t* value) {
    return Guarded([&] { return m_inner.InPortB(port, value); });
}

int CPortGuard::OutPortB(uint16_t port, uint8_t value) {
    return Guarded([&] { return m_inner.OutPortB(port, value); });
}
