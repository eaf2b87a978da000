#pragma once
// A backend whose ports are the simulated microcontroller's mailbox (and open bus elsewhere),
// with port failures on demand, for the handshake and dispatcher tests.

#include "backend.h"
#include "gx4410_model.h"
#include "port_map.h"

struct CMcuBackend : IDriverBackend {
    CMcuBackend() { m_map.Attach(&m_mcu); }

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override {
        ++m_reads;
        if (m_failReads)
            return false;
        *value = m_map.Read(port, size);
        return true;
    }
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override {
        if (m_failWrites)
            return false;
        m_map.Write(port, size, value);
        return true;
    }
    bool ReadMsr(uint32_t, uint64_t*) override { return false; }
    bool WriteMsr(uint32_t, uint64_t) override { return false; }

    CGx4410Model m_mcu;
    CPortMap m_map;
    bool m_failReads = false;
    bool m_failWrites = false;
    int m_reads = 0;
};
