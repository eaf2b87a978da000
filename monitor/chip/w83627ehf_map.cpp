#include "w83627ehf_map.h"

#include <cstddef>

namespace ehf {

namespace {
template <typename Row, size_t N, typename Match>
const Row* FindRow(const Row (&rows)[N], Match match) {
    for (const Row& row : rows) {
        if (match(row))
            return &row;
    }
    return nullptr;
}
}  // namespace

const SVoltageInput* FindVoltageInput(uint8_t pin) {
    return FindRow(VOLTAGE_INPUTS,
                   [pin](const SVoltageInput& r) { return r.reading.index == pin; });
}

const STemperatureInput* FindTemperatureInput(uint8_t pin) {
    return FindRow(TEMPERATURE_INPUTS,
                   [pin](const STemperatureInput& r) { return r.whole == pin; });
}

const SFanInput* FindFanInput(uint8_t pin) {
    return FindRow(FAN_INPUTS, [pin](const SFanInput& r) { return r.count.index == pin; });
}

const SFanControl* FindFanControl(uint8_t pin) {
    return FindRow(FAN_CONTROLS, [pin](const SFanControl& r) { return r.pin == pin; });
}

// The rows of 0x50 in banks 1 and 2 come before the one for any other bank.
const SAlarmBits* FindAlarmBits(uint8_t pin, uint8_t bank) {
    return FindRow(ALARM_BITS, [pin, bank](const SAlarmBits& r) {
        return r.pin == pin && (r.bank == 0 || r.bank == bank);
    });
}

}  // namespace ehf
