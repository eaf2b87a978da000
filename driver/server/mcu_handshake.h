#pragma once
// Runs one item transfer with the microcontroller over the backend's mailbox ports, as
// mcu_protocol.h describes, within a bounded time.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "backend.h"

struct SMcuTransfer {
    bool portsOk = true;  // false: a port access failed, the request fails
    uint8_t result = 0;   // the count (read) or status (write); 0xFF for no answer
    std::vector<uint8_t> data;
};

class CMcuHandshake {
  public:
    // now: monotonic seconds; pause: waits the given microseconds. Both default to the real
    // clock; tests pass a fake one.
    explicit CMcuHandshake(IDriverBackend& ports, std::function<double()> now = {},
                           std::function<void(int)> pause = {});

    SMcuTransfer Transfer(bool write, uint8_t item, std::span<const uint8_t> input);

  private:
    enum class EWait { READY, TIMEOUT, PORT_FAILED };
    // Polls the status until (status & mask) == want, or the deadline passes.
    EWait WaitStatus(uint8_t mask, uint8_t want);
    bool ReadData(uint8_t* value);
    bool WriteData(uint8_t value);

    IDriverBackend& m_ports;
    std::function<double()> m_now;
    std::function<void(int)> m_pause;
    double m_deadline = 0;
};
