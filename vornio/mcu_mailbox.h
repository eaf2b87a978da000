#pragma once
// The raw mailbox exports: single reads and writes of the command and data ports, for clients
// that run the handshake with the microcontroller themselves. They take no lock.

#include <cstdint>
#include <functional>

#include "port_access.h"

class CMcuMailbox {
  public:
    static constexpr unsigned EXIST_WAIT_MS = 1000;

    CMcuMailbox(CPortAccess& ports, std::function<void(unsigned)> sleepMs)
        : m_ports(ports), m_sleepMs(std::move(sleepMs)) {}

    int WriteCommand(uint8_t value);
    // The byte read; 0 when the read fails.
    uint8_t ReadCommand();
    int WriteData(uint8_t value);
    uint8_t ReadData();

    bool IsACK();
    bool IsBusy();
    bool IsValid();
    // Sends command 0, gives the microcontroller a second, and looks for its acknowledge.
    bool IsGX4410Exist();

  private:
    CPortAccess& m_ports;
    std::function<void(unsigned)> m_sleepMs;
};
