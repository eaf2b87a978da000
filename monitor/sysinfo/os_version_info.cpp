#include "os_version_info.h"

#include <sys/utsname.h>

#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>

namespace {

struct LanguageEntry {
    uint16_t id;
    std::string_view code;
};

// Searched in this order.
constexpr LanguageEntry LANGUAGES[] = {
    {0x042D, "BAQ"}, {0x0403, "CAT"}, {0x0804, "CHS"}, {0x0404, "CHT"}, {0x0405, "CSY"},
    {0x0406, "DAN"}, {0x0413, "NLD"}, {0x0409, "ENU"}, {0x040B, "FIN"}, {0x0C0C, "FRC"},
    {0x040C, "FRA"}, {0x0407, "DEU"}, {0x0408, "ELL"}, {0x040E, "HUN"}, {0x0421, "IND"},
    {0x0410, "ITA"}, {0x0411, "JPN"}, {0x0412, "KRN"}, {0x0414, "NOR"}, {0x0415, "PLK"},
    {0x0416, "PTB"}, {0x0816, "PTG"}, {0x0419, "RUS"}, {0x041B, "SKY"}, {0x0424, "SLV"},
    {0x080A, "ESM"}, {0x040A, "ESP"}, {0x041D, "SVE"}, {0x041E, "THA"}, {0x041F, "TUR"},
};
static_assert(std::size(LANGUAGES) == 30);

OsFamilyFlags FlagsOf(const OsVersionRecord& r) {
    OsFamilyFlags f;
    if (r.platform == VER_PLATFORM_WIN32_WINDOWS) {
        f.family95 = true;
        f.win9x = true;
        f.win95 = r.major < 4 || (r.major == 4 && r.minor == 0);
        f.win98 = (r.major == 4 && r.minor >= 1 && r.minor <= 50) || (r.major >= 5 && r.minor < 51);
        f.winME = r.major >= 4 && r.minor >= 51;
    } else if (r.platform == VER_PLATFORM_WIN32_NT) {
        f.familyNT = true;
        f.ntOther = r.major != 5;
        f.win2000 = r.major == 5 && r.minor == 0;
        f.winXP = r.major == 5 && r.minor == 1;
        f.win2003 = r.major == 5 && r.minor >= 2;
    } else {
        f.otherPlatform = true;
    }
    return f;
}

}  // namespace

COSVersionInfo::COSVersionInfo() : COSVersionInfo(CurrentRecord()) {}

COSVersionInfo::COSVersionInfo(const OsVersionRecord& record)
    : m_record(record), m_flags(FlagsOf(record)) {
    if (m_record.csdVersion.size() > SERVICE_PACK_TEXT_MAX) {
        m_record.csdVersion.resize(SERVICE_PACK_TEXT_MAX);
    }
    if (m_flags.familyNT) {
        m_servicePack = m_record.csdVersion;
    }
}

OsVersionRecord COSVersionInfo::CurrentRecord() {
    OsVersionRecord r;
    r.platform = VER_PLATFORM_LINUX;
    utsname u{};
    if (::uname(&u) == 0) {
        std::sscanf(u.release, "%u.%u.%u", &r.major, &r.minor, &r.build);
    }
    return r;
}

std::string COSVersionInfo::LanguageCode(uint16_t langId) {
    for (const auto& l : LANGUAGES) {
        if (l.id == langId) {
            return std::string(l.code);
        }
    }
    return "";
}

std::string COSVersionInfo::DetectOS() const {
    const std::pair<bool, const char*> order[] = {
        {m_flags.win95, "Win95"},     {m_flags.win98, "Win98"}, {m_flags.winME, "WinME"},
        {m_flags.win2000, "Win2000"}, {m_flags.winXP, "WinXP"}, {m_flags.win2003, "Win2003"},
    };
    for (const auto& [set, name] : order) {
        if (set) {
            return name;
        }
    }
    return "";
}

void COSVersionInfo::ShutdownComputer(IPowerOff& powerOff) const {
    // Linux has no shutdown privilege to enable first: the power-off command asks the system,
    // which decides whether this user may.
    bool onLinux = m_record.platform == VER_PLATFORM_LINUX;
    if (onLinux || m_flags.family95 || m_flags.win2000 || m_flags.winXP || m_flags.win2003) {
        powerOff.RequestPowerOff();
    }
}
