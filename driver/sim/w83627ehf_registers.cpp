#include "w83627ehf_registers.h"

namespace sim_ehf {

std::optional<int> FindPin(std::string_view name) {
    for (int i = 0; i < PIN_COUNT; ++i) {
        if (PINS[i].name == name)
            return i;
    }
    return std::nullopt;
}

int PinOf(EInputKind kind, int kindIndex) {
    for (int i = 0; i < PIN_COUNT; ++i) {
        if (PINS[i].kind == kind && PINS[i].kindIndex == kindIndex)
            return i;
    }
    return -1;
}

}  // namespace sim_ehf
