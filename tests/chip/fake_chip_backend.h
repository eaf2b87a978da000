#pragma once
// A bare banked register file behind the index/data ports: every register holds exactly what
// the test preset or the driver wrote. Used where a test needs register contents that a real
// board never produces (a fan count of 0, a half byte of 0x01).

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>

#include "backend.h"

class CFakeChipBackend : public IDriverBackend {
  public:
    CFakeChipBackend() { std::memset(m_regs, 0, sizeof(m_regs)); }

    void Set(uint8_t bank, uint8_t reg, uint8_t v) {
        if (reg == 0x4E)
            m_bankSelect = v;
        else
            m_regs[bank & 7][reg] = v;
    }
    uint8_t Get(uint8_t bank, uint8_t reg) const {
        return reg == 0x4E ? m_bankSelect : m_regs[bank & 7][reg];
    }

    // The next reads of reg (in any bank) give these values instead of the register's.
    void ScriptReads(uint8_t reg, std::initializer_list<uint8_t> values) {
        m_scripted[reg].insert(m_scripted[reg].end(), values);
    }

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override {
        if (size != 1)
            return false;
        auto scripted = m_scripted.find(m_index);
        if (port == 0x295)
            *value = m_index;
        else if (port == 0x296 && scripted != m_scripted.end() && !scripted->second.empty()) {
            *value = scripted->second.front();
            scripted->second.pop_front();
        } else if (port == 0x296)
            *value = Get(m_bankSelect & 7, m_index);
        else
            return false;
        return true;
    }
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override {
        if (size != 1)
            return false;
        if (port == 0x295)
            m_index = static_cast<uint8_t>(value);
        else if (port == 0x296)
            Set(m_bankSelect & 7, m_index, static_cast<uint8_t>(value));
        else
            return false;
        return true;
    }
    bool ReadMsr(uint32_t, uint64_t*) override { return false; }
    bool WriteMsr(uint32_t, uint64_t) override { return false; }

  private:
    uint8_t m_regs[8][256];
    uint8_t m_bankSelect = 0;
    uint8_t m_index = 0;
    std::map<uint8_t, std::deque<uint8_t>> m_scripted;
};
