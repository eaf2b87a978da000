#include "system_info.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <string_view>
#include <vector>

#include "info_rules.h"
#include "linux_wmi_provider.h"
#include "locale_language.h"
#include "registry_hive.h"
#include "user_dirs.h"
#include "wmi_query.h"

namespace {

constexpr const char* DIRECTX_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX";
constexpr size_t NAME_BUFFER = 257;

using Getter = std::string (CSystemInfo::*)() const;

}  // namespace

CSystemInfo::CSystemInfo(INotifier& notifier, SystemSources sources)
    : m_notifier(notifier), m_sources(std::move(sources)) {}

std::string CSystemInfo::GetInfo(const std::string& key) const {
    static const std::pair<std::string_view, Getter> KEYS[] = {
        {"WinDir", &CSystemInfo::NoFact},
        {"Path", &CSystemInfo::ProgramFolder},
        {"Lang", &CSystemInfo::Language},
        {"DetectOS", &CSystemInfo::DetectOS},
        {"MBModel", &CSystemInfo::BoardModel},
        {"VGAID", &CSystemInfo::VgaId},
        {"WinSPVer", &CSystemInfo::ServicePack},
        {"BIOSProvider", &CSystemInfo::BiosProvider},
        {"BIOSDate", &CSystemInfo::BiosDate},
        {"WinTemp", &CSystemInfo::TemplatesFolder},
        {"WinSystem", &CSystemInfo::NoFact},
        {"WinProgram", &CSystemInfo::NoFact},
        {"WinDesktop", &CSystemInfo::DesktopFolder},
        {"WinPicture", &CSystemInfo::PicturesFolder},
        {"WinMusic", &CSystemInfo::MusicFolder},
        {"Resolution", &CSystemInfo::Resolution},
        {"BitPixel", &CSystemInfo::BitsPerPixel},
        {"DirectX", &CSystemInfo::DirectX},
        {"IEVer", &CSystemInfo::NoFact},
        {"IPAddr", &CSystemInfo::IpAddress},
        {"ComputerName", &CSystemInfo::ComputerName},
        {"UserName", &CSystemInfo::UserName},
        {"TickCount", &CSystemInfo::TickCount},
        {"SysDate", &CSystemInfo::SystemDate},
        {"SysTime", &CSystemInfo::SystemTime},
    };
    for (const auto& [name, getter] : KEYS) {
        if (name == key) {
            return (this->*getter)();
        }
    }
    return "";
}

COSVersionInfo CSystemInfo::OsInfo() const {
    return m_sources.osVersion ? COSVersionInfo(*m_sources.osVersion) : COSVersionInfo();
}

std::string CSystemInfo::Wmi(const char* className, const char* propertyName) const {
    CLinuxWmiProvider provider(m_sources.dmi, m_sources.pciRoot);
    return QueryWmiProperty(provider, m_notifier, className, propertyName);
}

std::string CSystemInfo::NoFact() const {
    return "";
}

std::string CSystemInfo::ProgramFolder() const {
    std::string exe = m_sources.executable;
    if (exe.empty()) {
        std::vector<char> buf(PATH_MAX + 1);
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
        if (n <= 0) {
            return "";
        }
        exe.assign(buf.data(), static_cast<size_t>(n));
    }
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash + 1);
}

std::string CSystemInfo::Language() const {
    return COSVersionInfo::LanguageCode(LanguageIdFromLocale(m_sources.localeName));
}

std::string CSystemInfo::DetectOS() const {
    return OsInfo().DetectOS();
}

std::string CSystemInfo::BoardModel() const {
    std::string model = OsInfo().Flags().family95 ? ReadDmiTables(m_sources.dmi).boardProduct
                                                  : Wmi("Win32_BaseBoard", "Product");
    return model.empty() ? "" : NormalizeBoardModel(model);
}

std::string CSystemInfo::VgaId() const {
    // The WMI-style query answers on every platform but the 95 family, Linux included.
    if (OsInfo().Flags().family95) {
        return "";
    }
    return VgaIdFromDeviceId(Wmi("Win32_VideoController", "PNPDeviceID"));
}

std::string CSystemInfo::ServicePack() const {
    if (OsInfo().Flags().family95) {
        return "";
    }
    return ServicePackText(Wmi("Win32_OperatingSystem", "CSDVersion"));
}

std::string CSystemInfo::BiosProvider() const {
    return OsInfo().Flags().family95 ? ReadDmiTables(m_sources.dmi).biosVendor
                                     : Wmi("Win32_Bios", "Manufacturer");
}

std::string CSystemInfo::BiosDate() const {
    COSVersionInfo os = OsInfo();
    if (os.Flags().family95) {
        return ReadDmiTables(m_sources.dmi).biosDate;
    }
    std::string date = Wmi("Win32_Bios", "ReleaseDate");
    if (date.empty()) {
        return "";
    }
    bool addCentury = false;
    if (os.Flags().win2000) {
        std::string sp = ServicePack();
        addCentury = sp.empty() || sp == "SP1" || sp == "SP2";
    }
    return BiosDateText(date, addCentury);
}

std::string CSystemInfo::TemplatesFolder() const {
    return UserDirectory(m_sources.userDirsFile, m_sources.homeDir, "TEMPLATES");
}

std::string CSystemInfo::DesktopFolder() const {
    return UserDirectory(m_sources.userDirsFile, m_sources.homeDir, "DESKTOP");
}

std::string CSystemInfo::PicturesFolder() const {
    return UserDirectory(m_sources.userDirsFile, m_sources.homeDir, "PICTURES");
}

std::string CSystemInfo::MusicFolder() const {
    return UserDirectory(m_sources.userDirsFile, m_sources.homeDir, "MUSIC");
}

std::optional<DisplayMode> CSystemInfo::Display() const {
    if (m_sources.display != nullptr) {
        return m_sources.display->PrimaryMode();
    }
    CXlibDisplayInfo x;
    return x.PrimaryMode();
}

std::string CSystemInfo::Resolution() const {
    auto mode = Display();
    if (!mode || mode->width <= 0 || mode->height <= 0) {
        return "";
    }
    return std::to_string(mode->width) + "x" + std::to_string(mode->height);
}

std::string CSystemInfo::BitsPerPixel() const {
    auto mode = Display();
    if (!mode || mode->bitsPerPixel <= 0) {
        return "";
    }
    return std::to_string(mode->bitsPerPixel);
}

std::string CSystemInfo::DirectX() const {
    CRegistryHive hive;
    if (!hive.Load(m_sources.machineHive) || !hive.KeyExists(DIRECTX_KEY)) {
        return "";
    }
    return DirectXVersionText(hive.GetString(DIRECTX_KEY, "Version").value_or(""));
}

std::string CSystemInfo::HostName() const {
    if (!m_sources.hostName.empty()) {
        return m_sources.hostName;
    }
    char name[NAME_BUFFER] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return "";
    }
    return name;
}

std::string CSystemInfo::IpAddress() const {
    std::string host = HostName();
    if (host.empty()) {
        return "";
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
        return "";
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    bool ok = ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr;
    ::freeaddrinfo(result);
    return ok ? text : "";
}

std::string CSystemInfo::ComputerName() const {
    return HostName();
}

std::string CSystemInfo::UserName() const {
    passwd pw{};
    passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) != 0 || found == nullptr ||
        found->pw_name == nullptr) {
        return "";
    }
    std::string name = found->pw_name;
    return name.size() < NAME_BUFFER ? name : "";
}

std::string CSystemInfo::TickCount() const {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
    return TickCountText(ms);
}

std::string CSystemInfo::SystemDate() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return DateText(local);
}

std::string CSystemInfo::SystemTime() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return TimeText(local);
}
