#include "pin_table.h"

#include <cstring>

#include "w83627ehf_map.h"

namespace {
constexpr PinRecord Pin(const char* name, uint8_t reg, uint8_t bank) {
    PinRecord r{};
    for (size_t i = 0; name[i] != '\0' && i < sizeof(r.name) - 1; ++i)
        r.name[i] = name[i];
    r.value[0] = reg;
    r.value[1] = bank;
    return r;
}
}  // namespace

const std::array<PinRecord, PIN_COUNT> PIN_TABLE = {{
    Pin("VCORE", 0x20, 0),
    Pin("VIN0", 0x21, 0),
    Pin("VAVCC", 0x22, 0),
    Pin("V3VCC", 0x23, 0),
    Pin("VIN1", 0x24, 0),
    Pin("VIN2", 0x25, 0),
    Pin("VIN3", 0x26, 0),
    Pin("VSB", 0x50, 5),
    Pin("VBAT", 0x51, 5),
    Pin("VIN4", 0x52, 5),
    Pin("CPUTEMPERATURE", 0x50, 1),
    Pin("AUXTEMPERATURE", 0x50, 2),
    Pin("SYSTEMPERATURE", 0x27, 0),
    Pin("SYSFAN", 0x28, 0),
    Pin("CPUFAN0", 0x29, 0),
    Pin("AUXFAN0", 0x2A, 0),
    Pin("CPUFAN1", 0x3F, 0),
    Pin("AUXFAN1", 0x53, 5),
}};

const PinRecord* FindPin(std::string_view name) {
    for (const PinRecord& r : PIN_TABLE) {
        if (name.size() < sizeof(r.name) && std::strncmp(r.name, name.data(), name.size()) == 0 &&
            r.name[name.size()] == '\0') {
            return &r;
        }
    }
    return nullptr;
}

bool IsVoltagePin(uint8_t pin) {
    return ehf::FindVoltageInput(pin) != nullptr;
}
bool IsTemperaturePin(uint8_t pin) {
    return ehf::FindTemperatureInput(pin) != nullptr;
}
bool IsFanPin(uint8_t pin) {
    return ehf::FindFanInput(pin) != nullptr;
}
