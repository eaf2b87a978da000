#pragma once
// Validation of the 259-byte item record of the two microcontroller requests, and the answer
// record. A record is refused unless every field holds what the library sends: an item from 0
// to 110, a zero result byte, an expected output length of 1 for a write, and zeros after the
// input data.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "mcu_record.h"

struct SMcuRequest {
    bool write = false;
    uint8_t item = 0;
    uint8_t expectedOutput = 0;
    std::vector<uint8_t> input;
};

std::optional<SMcuRequest> ParseMcuRequest(std::span<const uint8_t> record, bool write);

// The answer record: the result byte at offset 2, data from offset 4 (at most 255 bytes).
vornio::McuRecord MakeMcuAnswer(uint8_t result, std::span<const uint8_t> data);
