#include "number_format.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Enough fractional digits to print any double exactly (the smallest subnormal has 1074).
constexpr int EXACT_DIGITS = 1074;
constexpr int MAX_PRECISION = 340;

std::string Pad(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    }
    return text;
}

}  // namespace

std::string FormatFixed(double value, int width, int precision) {
    if (precision < 0) {
        precision = 6;  // as printf treats a negative precision
    }
    if (!std::isfinite(value) || precision > MAX_PRECISION) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.*f",
                      precision > MAX_PRECISION ? MAX_PRECISION : precision, value);
        return Pad(buf, width);
    }
    // glibc prints the exact decimal expansion of the magnitude; round it by hand.
    std::vector<char> buf(EXACT_DIGITS + 320);
    int len = std::snprintf(buf.data(), buf.size(), "%.*f", EXACT_DIGITS, std::fabs(value));
    std::string digits(buf.data(), static_cast<size_t>(len));
    size_t point = digits.find('.');
    size_t keep = precision == 0 ? point : point + 1 + static_cast<size_t>(precision);
    bool up = digits[point + 1 + static_cast<size_t>(precision)] >= '5';
    digits.resize(keep);
    if (up) {
        size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '.') {
                continue;
            }
            if (digits[i] == '9') {
                digits[i] = '0';
                continue;
            }
            ++digits[i];
            break;
        }
        if (i == 0 && digits[0] == '0') {
            digits.insert(0, 1, '1');
        }
    }
    if (std::signbit(value)) {
        digits.insert(0, 1, '-');
    }
    return Pad(digits, width);
}
