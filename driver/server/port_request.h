#pragma once
// Validation of the 20-byte port records that arrive with the four port requests. Nothing is
// touched unless the whole record is well formed: a known size, the port in the field of that
// size, the other port fields zero or naming the same port, the unused bytes zero.

#include <cstdint>
#include <optional>
#include <span>

#include "port_record.h"

struct PortAccess {
    uint16_t port = 0;
    uint8_t size = 0;
    uint32_t value = 0;  // the value to write; 0 for a read
};

enum class EPortRequestForm {
    SIZED,  // 1, 2 or 4 bytes, the port in the field of the size
    BYTE,   // one byte, port at offset 14, value at offset 13
};

// nullopt when the record is malformed or the access would run past port 0xFFFF.
std::optional<PortAccess> ParsePortRequest(std::span<const uint8_t> input, EPortRequestForm form,
                                           bool write);

// The answer record: zeroed, the size echoed at offset 0, the value in the field of that size.
vornio::PortRecord MakePortAnswer(uint8_t size, uint32_t value);
