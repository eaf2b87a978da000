#include "fault_injector.h"

#include <cmath>
#include <cstdio>

namespace {

// Faults draw from their own stream so switching drift on or off does not move them.
constexpr uint64_t FAULT_STREAM = 0x9E3779B97F4A7C15ull;

}  // namespace

CFaultInjector::CFaultInjector() {
    SetSeed(0);
}

void CFaultInjector::SetSeed(uint64_t seed) {
    m_rng.seed(seed ^ FAULT_STREAM);
}

void CFaultInjector::SetPort(uint16_t port, uint8_t directions) {
    directions &= FAIL_BOTH;
    if (directions == 0) {
        m_ports.erase(port);
    } else {
        m_ports[port] = directions;
    }
}

bool CFaultInjector::SetRate(double rate) {
    if (!std::isfinite(rate) || rate < 0.0 || rate > 1.0)
        return false;
    m_rate = rate;
    return true;
}

void CFaultInjector::Clear() {
    m_ports.clear();
    m_rate = 0.0;
}

bool CFaultInjector::ShouldFail(uint16_t port, uint8_t size, bool write) {
    const uint8_t direction = write ? FAIL_WRITE : FAIL_READ;
    for (uint32_t p = port; p < static_cast<uint32_t>(port) + size && p <= 0xFFFF; ++p) {
        const auto it = m_ports.find(static_cast<uint16_t>(p));
        if (it != m_ports.end() && (it->second & direction))
            return true;
    }
    if (m_rate <= 0.0)
        return false;
    const double draw = static_cast<double>(m_rng() >> 11) * 0x1.0p-53;
    return draw < m_rate;
}

std::string CFaultInjector::Describe() const {
    if (m_ports.empty() && m_rate <= 0.0)
        return "none";
    std::string text;
    if (!m_ports.empty()) {
        text = "ports";
        for (const auto& [port, directions] : m_ports) {
            char buffer[48];
            const char* how = directions == FAIL_BOTH   ? "read+write"
                              : directions == FAIL_READ ? "read"
                                                        : "write";
            std::snprintf(buffer, sizeof buffer, " 0x%X %s", port, how);
            text += buffer;
        }
    }
    if (m_rate > 0.0) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%srate %g", text.empty() ? "" : "; ", m_rate);
        text += buffer;
    }
    return text;
}
