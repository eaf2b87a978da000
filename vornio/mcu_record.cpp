#include "mcu_record.h"

#include <algorithm>

namespace vornio {

McuRecord MakeMcuRequest(uint8_t item, const uint8_t* data, uint8_t length,
                         uint8_t expectedOutput) {
    McuRecord r{};
    r[MCU_OFF_ITEM] = item;
    r[MCU_OFF_INPUT_LENGTH] = length;
    r[MCU_OFF_OUTPUT_LENGTH] = expectedOutput;
    if (data)
        std::copy_n(data, length, r.begin() + MCU_OFF_DATA);
    return r;
}

}  // namespace vornio
