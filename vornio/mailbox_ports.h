#pragma once
// The microcontroller's two-port mailbox in I/O space and the status values clients test.

#include <cstdint>

namespace vornio {

inline constexpr uint16_t MAILBOX_COMMAND_PORT = 0xE4;  // command (write) and status (read)
inline constexpr uint16_t MAILBOX_DATA_PORT = 0xE0;

inline constexpr uint8_t MAILBOX_ACK = 0xAC;    // data byte: the command was taken
inline constexpr uint8_t MAILBOX_BUSY = 0x0A;   // status byte: working on a command
inline constexpr uint8_t MAILBOX_VALID = 0x01;  // status bit: a data byte waits for the host

}  // namespace vornio
