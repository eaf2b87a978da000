#include "graph_scale.h"

#include <algorithm>
#include <cmath>

#include "monitor_engine.h"

namespace {

constexpr double MARGIN = 0.08;  // of the span, above and below, so limit lines stay visible

void Include(double v, double& low, double& high) {
    if (!std::isfinite(v))
        return;
    low = std::min(low, v);
    high = std::max(high, v);
}

}  // namespace

SGraphScale GraphScale(int32_t type, double dataLow, double dataHigh, double loLimit,
                       double hiLimit) {
    double low = INFINITY, high = -INFINITY;
    if (dataLow <= dataHigh) {
        Include(dataLow, low, high);
        Include(dataHigh, low, high);
    }
    double minSpan = MIN_VOLT_SPAN;
    switch (type) {
        case ITEM_VOLTAGE:
            // A window whose ends are both zero is no window.
            if (loLimit != 0 || hiLimit != 0) {
                Include(loLimit, low, high);
                Include(hiLimit, low, high);
            }
            break;
        case ITEM_TEMPERATURE:
            minSpan = MIN_TEMP_SPAN;
            if (hiLimit > 0)
                Include(hiLimit, low, high);
            break;
        case ITEM_FAN:
            minSpan = MIN_FAN_SPAN;
            if (loLimit > 0)
                Include(loLimit, low, high);
            break;
        default:
            break;
    }
    if (low > high)
        low = high = 0;
    const double span = high - low;
    if (span < minSpan) {
        const double mid = (low + high) / 2;
        low = mid - minSpan / 2;
        high = mid + minSpan / 2;
        // Speeds are never negative: keep the bottom at zero rather than below it.
        if (type == ITEM_FAN && low < 0) {
            high -= low;
            low = 0;
        }
    }
    const double margin = (high - low) * MARGIN;
    return {low - margin, high + margin};
}
