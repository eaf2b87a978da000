#include "mcu_handshake.h"

#include <ctime>

#include "mcu_protocol.h"
#include "mcu_record.h"

using namespace mcu;
using vornio::MAILBOX_COMMAND_PORT;
using vornio::MAILBOX_DATA_PORT;

namespace {

double MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void PauseMicroseconds(int us) {
    timespec ts{0, static_cast<long>(us) * 1000L};
    nanosleep(&ts, nullptr);
}

SMcuTransfer NoAnswer() {
    return {true, vornio::MCU_NO_ANSWER, {}};
}

SMcuTransfer PortFailure() {
    return {false, 0, {}};
}

}  // namespace

CMcuHandshake::CMcuHandshake(IDriverBackend& ports, std::function<double()> now,
                             std::function<void(int)> pause)
    : m_ports(ports),
      m_now(now ? std::move(now) : MonotonicSeconds),
      m_pause(pause ? std::move(pause) : PauseMicroseconds) {}

CMcuHandshake::EWait CMcuHandshake::WaitStatus(uint8_t mask, uint8_t want) {
    for (;;) {
        uint32_t status = 0;
        if (!m_ports.ReadPort(MAILBOX_COMMAND_PORT, 1, &status))
            return EWait::PORT_FAILED;
        if ((status & mask) == want)
            return EWait::READY;
        if (m_now() >= m_deadline)
            return EWait::TIMEOUT;
        m_pause(MCU_POLL_INTERVAL_US);
    }
}

bool CMcuHandshake::ReadData(uint8_t* value) {
    uint32_t v = 0;
    if (!m_ports.ReadPort(MAILBOX_DATA_PORT, 1, &v))
        return false;
    *value = static_cast<uint8_t>(v);
    return true;
}

bool CMcuHandshake::WriteData(uint8_t value) {
    return m_ports.WritePort(MAILBOX_DATA_PORT, 1, value);
}

SMcuTransfer CMcuHandshake::Transfer(bool write, uint8_t item, std::span<const uint8_t> input) {
    m_deadline = m_now() + MCU_TRANSFER_TIMEOUT_MS / 1000.0;

    // Read off whatever an earlier, interrupted exchange left at the data port.
    for (int i = 0; i < MCU_MAX_STALE_BYTES; ++i) {
        uint32_t status = 0;
        if (!m_ports.ReadPort(MAILBOX_COMMAND_PORT, 1, &status))
            return PortFailure();
        if ((status & STATUS_VALID) == 0)
            break;
        uint8_t stale = 0;
        if (!ReadData(&stale))
            return PortFailure();
    }

    // Each wait goes on, gives up without an answer, or fails the request.
    EWait w = WaitStatus(STATUS_IBF, 0);
    if (w != EWait::READY)
        return w == EWait::TIMEOUT ? NoAnswer() : PortFailure();
    if (!m_ports.WritePort(MAILBOX_COMMAND_PORT, 1, write ? COMMAND_WRITE_ITEM : COMMAND_READ_ITEM))
        return PortFailure();
    w = WaitStatus(STATUS_VALID, STATUS_VALID);
    if (w != EWait::READY)
        return w == EWait::TIMEOUT ? NoAnswer() : PortFailure();
    uint8_t ack = 0;
    if (!ReadData(&ack))
        return PortFailure();
    if (ack != ACK)
        return NoAnswer();

    std::vector<uint8_t> out{item, static_cast<uint8_t>(input.size())};
    out.insert(out.end(), input.begin(), input.end());
    for (uint8_t byte : out) {
        w = WaitStatus(STATUS_IBF, 0);
        if (w != EWait::READY)
            return w == EWait::TIMEOUT ? NoAnswer() : PortFailure();
        if (!WriteData(byte))
            return PortFailure();
    }

    SMcuTransfer result;
    w = WaitStatus(STATUS_VALID, STATUS_VALID);
    if (w != EWait::READY)
        return w == EWait::TIMEOUT ? NoAnswer() : PortFailure();
    if (!ReadData(&result.result))
        return PortFailure();
    if (write)
        return result;
    // A count of 0xFF would read as "no answer"; the record cannot carry it anyway.
    if (result.result == vornio::MCU_NO_ANSWER)
        return NoAnswer();
    for (unsigned i = 0; i < result.result; ++i) {
        w = WaitStatus(STATUS_VALID, STATUS_VALID);
        if (w != EWait::READY)
            return w == EWait::TIMEOUT ? NoAnswer() : PortFailure();
        uint8_t byte = 0;
        if (!ReadData(&byte))
            return PortFailure();
        result.data.push_back(byte);
    }
    return result;
}
