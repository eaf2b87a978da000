#include "hwmon_allow_list.h"

#include <array>

namespace {

constexpr size_t MAX_DIGITS = 11;

struct SAttributeFamily {
    std::string_view prefix;  // before the channel number
    int first;
    int last;
    std::array<std::string_view, 7> suffixes;  // after it; "" ends the list unless first
};

// Channel numbers are the kernel driver's for the W83627EHF: in0..9, temp1..3, fan1..5, pwm1..4.
constexpr std::array<SAttributeFamily, 4> FAMILIES{{
    {"in", 0, 9, {"_min", "_max"}},
    {"temp", 1, 3, {"_max", "_max_hyst"}},
    {"fan", 1, 5, {"_min"}},
    {"pwm",
     1,
     4,
     {"", "_enable", "_mode", "_target", "_tolerance", "_start_output", "_stop_output"}},
}};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool IsAllowedHwmonAttribute(std::string_view name) {
    for (const SAttributeFamily& family : FAMILIES) {
        if (!name.starts_with(family.prefix))
            continue;
        std::string_view rest = name.substr(family.prefix.size());
        // One digit: every channel number of this chip has one, so "in01" and "in10" fail here.
        if (rest.empty() || !IsDigit(rest[0]))
            return false;
        const int channel = rest[0] - '0';
        if (channel < family.first || channel > family.last)
            return false;
        rest.remove_prefix(1);
        for (size_t i = 0; i < family.suffixes.size(); ++i) {
            const std::string_view suffix = family.suffixes[i];
            if (suffix.empty() && i > 0)
                break;
            if (rest == suffix)
                return true;
        }
        return false;
    }
    return false;
}

bool IsHwmonDecimalValue(std::string_view value) {
    if (value.starts_with('-'))
        value.remove_prefix(1);
    if (value.empty() || value.size() > MAX_DIGITS)
        return false;
    for (char c : value) {
        if (!IsDigit(c))
            return false;
    }
    return true;
}
