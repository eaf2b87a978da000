#pragma once
// The operating-system version record and the family flags derived from it. Linux is a platform
// of its own: only the "other platform" flag is set, so every Windows-family rule stays off. The
// flag rules are kept whole because the power-off and the BIOS date rule read them.

#include <cstdint>
#include <string>

#include "power_off.h"

inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
inline constexpr uint32_t VER_PLATFORM_LINUX = 0x4C;
inline constexpr uint32_t OS_VERSION_RECORD_SIZE = 148;
inline constexpr size_t SERVICE_PACK_TEXT_MAX = 127;

struct OsVersionRecord {
    uint32_t size = OS_VERSION_RECORD_SIZE;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platform = 0;
    std::string csdVersion;  // service-pack text
};

struct OsFamilyFlags {
    bool otherPlatform = false;  // neither Windows family
    bool win95 = false;
    bool win98 = false;
    bool winME = false;
    bool ntOther = false;  // an NT version that is not 5.x
    bool win2000 = false;
    bool winXP = false;
    bool win2003 = false;
    bool family95 = false;  // the 95 family has two flags, both set together
    bool win9x = false;
    bool familyNT = false;
};

class COSVersionInfo {
  public:
    // This system's record.
    COSVersionInfo();
    explicit COSVersionInfo(const OsVersionRecord& record);

    // The running kernel: its release numbers on the Linux platform, no service-pack text.
    static OsVersionRecord CurrentRecord();
    // The three-letter code of a user default language identifier; "" for one not in the table.
    static std::string LanguageCode(uint16_t langId);

    const OsVersionRecord& Record() const { return m_record; }
    const OsFamilyFlags& Flags() const { return m_flags; }
    // The service-pack text on the NT family, else "".
    const std::string& ServicePack() const { return m_servicePack; }
    // "Win95", "Win98", "WinME", "Win2000", "WinXP" or "Win2003", the first whose flag is set;
    // "" for every other system.
    std::string DetectOS() const;

    // Powers the computer off through `powerOff`: on Linux, and on the 95 family and Windows
    // 2000, XP and 2003 (made-up records) alike; any other system (NT 4 and older) does
    // nothing. The request's result is not checked: a failure is tried again by the next call.
    void ShutdownComputer(IPowerOff& powerOff = SystemPowerOff()) const;

  private:
    OsVersionRecord m_record;
    OsFamilyFlags m_flags;
    std::string m_servicePack;
};
