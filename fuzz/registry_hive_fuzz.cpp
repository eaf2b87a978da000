// The registry hive reader (the user's settings): any text either parses or is refused with a
// line number; what parses is written back and parses again to the same text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry_hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
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
