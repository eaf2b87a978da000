#include "hwmon_write_record.h"

#include <algorithm>

namespace vornio {

namespace {

bool PutField(uint8_t* field, const std::string& text) {
    if (text.size() > HWMON_MAX_TEXT || text.find('\0') != std::string::npos)
        return false;
    std::copy(text.begin(), text.end(), field);
    return true;
}

std::optional<std::string> GetField(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), 0);
    if (end == field.end() || !std::all_of(end, field.end(), [](uint8_t b) { return b == 0; }))
        return std::nullopt;
    return std::string(field.begin(), end);
}

}  // namespace

std::optional<HwmonWriteRecord> MakeHwmonWriteRecord(const std::string& attribute,
                                                     const std::string& value) {
    HwmonWriteRecord record{};
    if (!PutField(&record[HWMON_OFF_ATTRIBUTE], attribute) ||
        !PutField(&record[HWMON_OFF_VALUE], value)) {
        return std::nullopt;
    }
    return record;
}

std::optional<SHwmonWrite> ParseHwmonWriteRecord(std::span<const uint8_t> record) {
    if (record.size() != HWMON_WRITE_IN_SIZE)
        return std::nullopt;
    auto attribute = GetField(record.subspan(HWMON_OFF_ATTRIBUTE, HWMON_FIELD_SIZE));
    auto value = GetField(record.subspan(HWMON_OFF_VALUE, HWMON_FIELD_SIZE));
    if (!attribute || !value)
        return std::nullopt;
    return SHwmonWrite{std::move(*attribute), std::move(*value)};
}

}  // namespace vornio
