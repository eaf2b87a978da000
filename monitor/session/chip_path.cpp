#include "chip_path.h"

#include "hwmon_channels.h"
#include "hwmon_chip.h"
#include "hwmon_device.h"
#include "hwmon_service_writer.h"
#include "raw_chip.h"
#include "user_settings.h"

bool ParseChipPathMode(const std::string& text, EChipPathMode* mode) {
    if (text == "auto")
        *mode = EChipPathMode::Auto;
    else if (text == "kernel")
        *mode = EChipPathMode::Kernel;
    else if (text == "raw")
        *mode = EChipPathMode::Raw;
    else
        return false;
    return true;
}

EChipPathMode StoredChipPathMode(std::string* problem) {
    const std::string text = CUserSettings().Get(CHIP_PATH);
    EChipPathMode mode = EChipPathMode::Auto;
    if (!text.empty() && !ParseChipPathMode(text, &mode)) {
        mode = EChipPathMode::Auto;
        *problem = std::string("the setting ") + CHIP_PATH.name + " is \"" + text +
                   "\", not auto, kernel or raw: the way to the chip is chosen by itself";
    }
    return mode;
}

std::unique_ptr<CChipPath> CChipPath::Choose(EChipPathMode mode, IPortIo& io, std::string* error) {
    if (mode == EChipPathMode::Raw)
        return Raw(io);
    const std::string root = SysfsRoot();
    const std::string device = FindHwmonDevice(root, HWMON_CHIP_NAME);
    if (!device.empty()) {
        // Writing the attributes needs root: the driver service writes them.
        return Kernel(device, std::make_unique<CHwmonServiceWriter>());
    }
    if (mode == EChipPathMode::Kernel) {
        *error = std::string(
                     "the kernel's driver for the chip is not loaded: no hwmon device "
                     "named ") +
                 HWMON_CHIP_NAME + " under " + root + "/class/hwmon";
        return nullptr;
    }
    return Raw(io);
}

std::unique_ptr<CChipPath> CChipPath::Raw(IPortIo& io) {
    std::unique_ptr<CChipPath> path(new CChipPath());
    path->m_access = std::make_unique<CRawChipAccess>(io);
    return path;
}

std::unique_ptr<CChipPath> CChipPath::Kernel(const std::string& deviceDir,
                                             std::unique_ptr<IHwmonWriter> writer) {
    std::unique_ptr<CChipPath> path(new CChipPath());
    path->m_kernel = true;
    path->m_writer = std::move(writer);
    path->m_access = std::make_unique<CHwmonChipAccess>(deviceDir, *path->m_writer);
    return path;
}

std::string CChipPath::Description() const {
    return m_kernel ? std::string("kernel driver ") + HWMON_CHIP_NAME : "raw ports (vorn-iod)";
}

std::string CChipPath::Notice() const {
    if (!m_kernel)
        return "";
    return std::string("the chip is reached through the kernel's driver ") + HWMON_CHIP_NAME +
           ", which has no beeper control and no SMI masks: the chip does not beep, and the "
           "beep settings are kept unused";
}
