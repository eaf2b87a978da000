#pragma once
// Small makers shared by the system-facts tests.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "os_version_info.h"

inline OsVersionRecord Record(uint32_t platform, uint32_t major, uint32_t minor,
                              std::string csd = "") {
    OsVersionRecord r;
    r.platform = platform;
    r.major = major;
    r.minor = minor;
    r.csdVersion = std::move(csd);
    return r;
}

// Writes a file, creating its folders.
inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}
