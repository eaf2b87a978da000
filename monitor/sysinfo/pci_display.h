#pragma once
// The display adapter's device id in the PCI\VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx&REV_xx\<instance>
// form, built from the PCI device tree in sysfs.

#include <optional>
#include <string>

struct PciFunction {
    std::string address;  // sysfs name, as in 0000:00:02.0
    unsigned vendor = 0;
    unsigned device = 0;
    unsigned subsystemVendor = 0;
    unsigned subsystemDevice = 0;
    unsigned revision = 0;
    bool bootVga = false;
};

// The device id text of one function; the instance part after the backslash is the function's
// PCI address, the one name Linux gives it that stays the same between boots.
std::string PnpDeviceId(const PciFunction& f);

// The first display adapter (PCI base class 0x03) under `pciRoot` (/sys/bus/pci/devices): the
// adapter the firmware booted with when the tree says so, else the lowest address. nullopt when
// the tree holds none.
std::optional<PciFunction> FindDisplayAdapter(const std::string& pciRoot);
