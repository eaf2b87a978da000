#include "system_sources.h"

#include <cstdlib>

#include "locale_language.h"
#include "registry_hive.h"
#include "xdg_paths.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

}  // namespace

SystemSources DefaultSystemSources() {
    SystemSources s;
    s.dmi.dmiDir = Env("VORNPILOT_DMI_DIR");
    if (s.dmi.dmiDir.empty()) {
        s.dmi.dmiDir = "/sys/class/dmi/id";
    }
    s.dmi.smbiosTable = "/sys/firmware/dmi/tables/DMI";
    s.dmi.biosArea = "/dev/mem";
    s.dmi.biosAreaOffset = BIOS_AREA_BASE;
    s.pciRoot = "/sys/bus/pci/devices";
    s.machineHive = CRegistryHive::MachineHivePath();
    s.homeDir = HomeDirectory();
    s.userDirsFile = XdgConfigHome() + "/user-dirs.dirs";
    s.localeName = UserLocaleName();
    return s;
}
