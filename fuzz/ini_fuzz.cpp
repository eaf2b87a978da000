// The INI reader (board files, Error.log): any text parses, every value reads back, and what is
// written back parses to the same values.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CIniFile ini;
    ini.Parse(text);
    // The keys the monitor reads from a board file.
    for (const char* section : {"GLOBAL", "ITEM1", "item2", "ErrorLog"}) {
        for (const char* key : {"Total_Item_Count", "Name", "PinName", "ItemType", "HiLimit"}) {
            if (auto value = ini.GetString(section, key))
                (void)CIniFile::ParseInt(*value);
            (void)ini.GetInt(section, key, -1);
        }
    }
    (void)CIniFile::ParseInt(text);
    // A write into whatever was read, then the round trip.
    ini.SetString("ErrorLog", "261206, 02:14:44 Warning:", "Temperature:  CPU:  75 C");
    CIniFile again;
    const std::string written = ini.Serialize();
    again.Parse(written);
    if (again.GetString("ErrorLog", "261206, 02:14:44 Warning:") !=
        std::optional<std::string>("Temperature:  CPU:  75 C")) {
        __builtin_trap();
    }
    return 0;
}
