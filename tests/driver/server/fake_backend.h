#pragma once
// A backend that records every call and answers from a small port and MSR memory.

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "backend.h"

class CFakeBackend : public IDriverBackend {
  public:
    struct Call {
        std::string_view kind;  // "read", "write", "rdmsr", "wrmsr"
        uint32_t where;
        uint8_t size;
        uint64_t value;
        bool operator==(const Call&) const = default;
    };

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override {
        m_calls.push_back({"read", port, size, 0});
        if (m_fail)
            return false;
        *value = m_portValue;
        return true;
    }
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override {
        m_calls.push_back({"write", port, size, value});
        return !m_fail;
    }
    bool ReadMsr(uint32_t msr, uint64_t* value) override {
        m_calls.push_back({"rdmsr", msr, 8, 0});
        if (m_fail)
            return false;
        *value = m_msrValue;
        return true;
    }
    bool WriteMsr(uint32_t msr, uint64_t value) override {
        m_calls.push_back({"wrmsr", msr, 8, value});
        return !m_fail;
    }

    std::vector<Call> m_calls;
    bool m_fail = false;
    uint32_t m_portValue = 0;
    uint64_t m_msrValue = 0;
};
