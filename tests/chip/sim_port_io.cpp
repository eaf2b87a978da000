#include "sim_port_io.h"

#include <algorithm>
#include <cstdio>

#include "chip_register.h"

bool CSimPortIo::ShouldFail(uint16_t port, PortAccess::Kind kind) {
    bool fail = m_failAt && *m_failAt == m_count;
    ++m_count;
    return fail || std::find(m_failPorts.begin(), m_failPorts.end(), std::pair{port, kind}) !=
                       m_failPorts.end();
}

int CSimPortIo::InPortB(uint16_t port, uint8_t* value) {
    if (ShouldFail(port, PortAccess::In))
        return 0;
    uint32_t v = 0;
    if (!m_backend || !m_backend->ReadPort(port, 1, &v))
        return 0;
    *value = static_cast<uint8_t>(v);
    m_log.push_back({PortAccess::In, port, *value});
    return 1;
}

int CSimPortIo::OutPortB(uint16_t port, uint8_t value) {
    if (ShouldFail(port, PortAccess::Out))
        return 0;
    if (!m_backend || !m_backend->WritePort(port, 1, value))
        return 0;
    m_log.push_back({PortAccess::Out, port, value});
    return 1;
}

void CSimPortIo::FailPort(uint16_t port, PortAccess::Kind kind) {
    m_failPorts.emplace_back(port, kind);
}

void CSimPortIo::ClearFailures() {
    m_failAt.reset();
    m_failPorts.clear();
}

void CSimPortIo::ClearLog() {
    m_log.clear();
    m_count = 0;
}

std::vector<std::string> CSimPortIo::RegisterLog() const {
    std::vector<std::string> out;
    char text[16];
    for (size_t i = 0; i < m_log.size(); ++i) {
        const PortAccess& a = m_log[i];
        if (a.port != CHIP_INDEX_PORT || a.kind != PortAccess::Out)
            continue;
        const PortAccess* next = i + 1 < m_log.size() ? &m_log[i + 1] : nullptr;
        if (next && next->port == CHIP_DATA_PORT) {
            std::snprintf(text, sizeof(text), "%c %02X=%02X",
                          next->kind == PortAccess::In ? 'R' : 'W', a.value, next->value);
            ++i;
        } else {
            std::snprintf(text, sizeof(text), "I %02X", a.value);
        }
        out.push_back(text);
    }
    return out;
}
