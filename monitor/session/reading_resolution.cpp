#include "reading_resolution.h"

#include <cmath>

#include "monitor_engine.h"

double AtChipResolution(int32_t itemType, double value) {
    double scale = 0;
    switch (itemType) {
        case ITEM_VOLTAGE:
            scale = 1000;
            break;
        case ITEM_TEMPERATURE:
            scale = 10;
            break;
        case ITEM_FAN:
            scale = 1;
            break;
        default:
            return value;
    }
    if (!std::isfinite(value))
        return value;
    return std::round(value * scale) / scale;
}
