#pragma once
// The GX4410 mailbox handshake as vorn-iod runs it for an item request, and as the simulated
// microcontroller answers it. Ports: command/status 0xE4, data 0xE0.
//
// Status byte (read at 0xE4):
//   bit 0  VALID  a byte for the host waits at the data port
//   bit 1  IBF    the microcontroller has not yet taken the host's last byte
//   bit 3  CMD    the byte it works on was a command
// While it works on a command the status reads 0x0A (IBF | CMD): busy.
//
// One item transfer:
//   0. Stale bytes from an interrupted transfer are read off while VALID is set.
//   1. Wait until IBF is clear; write the command to 0xE4: READ_ITEM (GetAIP) or WRITE_ITEM
//      (SetAIP). Command 0 is the presence test; it is only acknowledged.
//   2. Wait for VALID and read 0xE0: ACK (0xAC). Anything else is a refusal.
//   3. Write, each after waiting for IBF to clear, to 0xE0: the item number, the input
//      length, then that many input bytes.
//   4. Wait for VALID and read the answer from 0xE0. READ_ITEM: a count n, then n data bytes,
//      each after waiting for VALID. WRITE_ITEM: one status byte (1 done, 0 refused).
// Every wait polls the status port. The whole transfer must finish within
// MCU_TRANSFER_TIMEOUT_MS; a transfer that does not (no microcontroller, one that stays busy
// or that refuses) ends with the result byte MCU_NO_ANSWER (0xFF). Nothing is retried. A port
// access that fails outright fails the request.

#include <cstdint>

#include "mailbox_ports.h"

namespace mcu {

inline constexpr uint8_t STATUS_VALID = 0x01;
inline constexpr uint8_t STATUS_IBF = 0x02;
inline constexpr uint8_t STATUS_CMD = 0x08;
static_assert((STATUS_IBF | STATUS_CMD) == vornio::MAILBOX_BUSY);
static_assert(STATUS_VALID == vornio::MAILBOX_VALID);

inline constexpr uint8_t COMMAND_PRESENCE = 0x00;
inline constexpr uint8_t COMMAND_READ_ITEM = 0x01;
inline constexpr uint8_t COMMAND_WRITE_ITEM = 0x02;

inline constexpr uint8_t ACK = vornio::MAILBOX_ACK;
inline constexpr uint8_t NAK = 0xEE;

inline constexpr uint8_t WRITE_DONE = 1;
inline constexpr uint8_t WRITE_REFUSED = 0;

inline constexpr int MCU_TRANSFER_TIMEOUT_MS = 250;
inline constexpr int MCU_POLL_INTERVAL_US = 100;
// Stale bytes read off before a transfer, at most.
inline constexpr int MCU_MAX_STALE_BYTES = 300;

}  // namespace mcu
