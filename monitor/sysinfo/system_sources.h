#pragma once
// Where each system fact is read from. Every source can be pointed elsewhere, so the facts of a
// made-up machine can be asked for.

#include <optional>
#include <string>

#include "display_info.h"
#include "dmi_source.h"
#include "os_version_info.h"

struct SystemSources {
    DmiSources dmi;
    std::string pciRoot;                       // /sys/bus/pci/devices
    std::string machineHive;                   // /etc/vornpilot/registry.reg
    std::string userDirsFile;                  // $XDG_CONFIG_HOME/user-dirs.dirs
    std::string homeDir;                       // $HOME
    std::string localeName;                    // LC_ALL, LC_MESSAGES or LANG
    std::string hostName;                      // "": the system's host name
    std::string executable;                    // "": the running executable (/proc/self/exe)
    std::optional<OsVersionRecord> osVersion;  // nullopt: this system's
    IDisplayInfo* display = nullptr;           // nullptr: the X display, when there is one
};

// This machine's sources: the DMI directory from VORNPILOT_DMI_DIR (default /sys/class/dmi/id),
// the SMBIOS table from /sys/firmware/dmi/tables/DMI, the BIOS area from /dev/mem at 0xF0000,
// and the rest as noted above.
SystemSources DefaultSystemSources();
