#include "mcu_request.h"

#include <algorithm>

#include "item_table.h"

using namespace vornio;

std::optional<SMcuRequest> ParseMcuRequest(std::span<const uint8_t> record, bool write) {
    if (record.size() != MCU_RECORD_SIZE)
        return std::nullopt;
    SMcuRequest r;
    r.write = write;
    r.item = record[MCU_OFF_ITEM];
    r.expectedOutput = record[MCU_OFF_OUTPUT_LENGTH];
    const uint8_t length = record[MCU_OFF_INPUT_LENGTH];
    if (r.item > LAST_ITEM || record[MCU_OFF_RESULT] != 0)
        return std::nullopt;
    if (write && r.expectedOutput != 1)
        return std::nullopt;
    const auto data = record.subspan(MCU_OFF_DATA);
    if (!std::all_of(data.begin() + length, data.end(), [](uint8_t b) { return b == 0; }))
        return std::nullopt;
    r.input.assign(data.begin(), data.begin() + length);
    return r;
}

McuRecord MakeMcuAnswer(uint8_t result, std::span<const uint8_t> data) {
    McuRecord answer{};
    answer[MCU_OFF_RESULT] = result;
    std::copy_n(data.begin(), std::min(data.size(), MCU_DATA_SIZE), answer.begin() + MCU_OFF_DATA);
    return answer;
}
