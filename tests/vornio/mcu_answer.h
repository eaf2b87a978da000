#pragma once
// Building the driver's answer to an item request in the library's unit tests.

#include <algorithm>
#include <span>
#include <vector>

#include "fake_device.h"
#include "mcu_record.h"

// Answers with the result byte and data from offset 4, the whole record returned.
inline bool AnswerMcu(std::span<uint8_t> out, uint32_t* returned, uint8_t result,
                      const std::vector<uint8_t>& data = {}) {
    std::fill(out.begin(), out.end(), 0);
    out[vornio::MCU_OFF_RESULT] = result;
    std::copy(data.begin(), data.end(), out.begin() + vornio::MCU_OFF_DATA);
    *returned = static_cast<uint32_t>(out.size());
    return true;
}

inline uint8_t RequestItem(const CFakeDevice::Request& r) {
    return r.input.at(vornio::MCU_OFF_ITEM);
}
