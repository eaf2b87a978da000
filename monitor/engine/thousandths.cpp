#include "thousandths.h"

#include <cmath>
#include <limits>

namespace {
constexpr float THOUSANDTH = 0.001f;
}

double FromThousandths(int32_t value) {
    return static_cast<double>(value) * static_cast<double>(THOUSANDTH);
}

int32_t ToThousandths(double value) {
    double t = std::trunc(value * 1000);
    if (std::isnan(t))
        return 0;
    if (t >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (t <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}
