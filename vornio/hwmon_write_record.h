#pragma once
// The input record of the hwmon attribute write (IOCTL_HWMON_WRITE): two NUL-padded text
// fields, the attribute's bare name ("pwm2_enable", never a path) and its decimal value text.
//
//   offset  0: char attribute[32]   at least one NUL; nothing but NULs after the first
//   offset 32: char value[32]       the same
//
// The answer has no output record: success, or failure with the errno that the write met.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device_codes.h"

namespace vornio {

using HwmonWriteRecord = std::array<uint8_t, HWMON_WRITE_IN_SIZE>;

inline constexpr size_t HWMON_OFF_ATTRIBUTE = 0;
inline constexpr size_t HWMON_OFF_VALUE = 32;
inline constexpr size_t HWMON_FIELD_SIZE = 32;
// Longest text a field holds: one byte stays for the terminating NUL.
inline constexpr size_t HWMON_MAX_TEXT = HWMON_FIELD_SIZE - 1;

struct SHwmonWrite {
    std::string attribute;
    std::string value;
};

// nullopt when a text is longer than HWMON_MAX_TEXT or holds a NUL.
std::optional<HwmonWriteRecord> MakeHwmonWriteRecord(const std::string& attribute,
                                                     const std::string& value);
// nullopt for a record of the wrong size or a field that is unterminated or has bytes after
// its terminating NUL. What the texts say is not checked here.
std::optional<SHwmonWrite> ParseHwmonWriteRecord(std::span<const uint8_t> record);

}  // namespace vornio
