#pragma once
// The chip layer's port calls served in-process by a driver backend (the simulated board),
// with every access logged and chosen accesses failing, so tests can assert the exact
// sequence of port accesses and the handling of each failure.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backend.h"
#include "port_io.h"

struct PortAccess {
    enum Kind { In, Out } kind;
    uint16_t port;
    uint8_t value;  // the byte written, or read
    bool operator==(const PortAccess&) const = default;
};

class CSimPortIo : public IPortIo {
  public:
    void Attach(IDriverBackend* backend) { m_backend = backend; }

    int InPortB(uint16_t port, uint8_t* value) override;
    int OutPortB(uint16_t port, uint8_t value) override;

    // The access with this zero-based number (counting from the last ClearLog) fails.
    void FailAccess(size_t number) { m_failAt = number; }
    // Every access to this port fails.
    void FailPort(uint16_t port, PortAccess::Kind kind);
    void ClearFailures();

    const std::vector<PortAccess>& Log() const { return m_log; }
    void ClearLog();

    // Register-level view of the log: "R 4E=80" for a read of register 0x4E giving 0x80,
    // "W 4E=85" for a write; a lone index write shows as "I 4E".
    std::vector<std::string> RegisterLog() const;

  private:
    bool ShouldFail(uint16_t port, PortAccess::Kind kind);

    IDriverBackend* m_backend = nullptr;
    std::vector<PortAccess> m_log;
    size_t m_count = 0;
    std::optional<size_t> m_failAt;
    std::vector<std::pair<uint16_t, PortAccess::Kind>> m_failPorts;
};
