// The registry hive reader (the user's settings): any text either parses or is refused with a
// line number; what parses is written back and parses again to the same text. Salvaging, only
// a text without the header is refused, every line passed over is named, and what is kept is
// written back whole.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry_hive.h"

namespace {

void Salvage(std::string_view text) {
    CRegistryHive hive;
    HiveError error;
    std::vector<HiveError> skipped;
    if (!hive.Parse(text, &error, &skipped)) {
        if (error.kind != EHiveError::Malformed || error.line < 1)
            __builtin_trap();
        return;
    }
    for (const HiveError& line : skipped) {
        if (line.kind != EHiveError::Malformed || line.line < 1 || line.message.empty())
            __builtin_trap();
    }
    if (hive.IsModified() != !skipped.empty())
        __builtin_trap();
    const std::string kept = hive.Serialize();
    CRegistryHive again;
    if (!again.Parse(kept, &error) || again.Serialize() != kept)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Salvage(text);
    CRegistryHive hive;
    HiveError error;
    if (!hive.Parse(text, &error)) {
        if (error.kind != EHiveError::Malformed || error.line < 1)
            __builtin_trap();
        return 0;
    }
    const std::string key = "HKEY_CURRENT_USER\\Software\\VORN\\HWM\\1";
    (void)hive.GetDword(key, "HiLimit");
    (void)hive.GetString(key, "Name");
    const std::string once = hive.Serialize();
    CRegistryHive again;
    if (!again.Parse(once, &error) || again.Serialize() != once)
        __builtin_trap();
    return 0;
}
