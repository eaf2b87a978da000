#include "iod_options.h"

#include <charconv>

namespace {

enum class EOptionKind { FLAG, VALUE };

constexpr const char* SHARE_CHIP_OPTION = "--share-chip-with-kernel-driver-unsafely";

struct OptionDef {
    const char* name;
    EOptionKind kind;
    std::optional<EBackend> onlyFor;  // options that mean something to one backend only
};

constexpr OptionDef OPTIONS[] = {
    {"--help", EOptionKind::FLAG, std::nullopt},
    {"--backend", EOptionKind::VALUE, std::nullopt},
    {"--runtime-dir", EOptionKind::VALUE, std::nullopt},
    {"--idle-timeout", EOptionKind::VALUE, std::nullopt},
    {"--board", EOptionKind::VALUE, EBackend::SIM},
    {"--seed", EOptionKind::VALUE, EBackend::SIM},
    {"--no-drift", EOptionKind::FLAG, EBackend::SIM},
    {"--hwmon-root", EOptionKind::VALUE, EBackend::SIM},
    {"--port-device", EOptionKind::VALUE, EBackend::HW},
    {"--msr-device", EOptionKind::VALUE, EBackend::HW},
    {"--allow-list", EOptionKind::VALUE, EBackend::HW},
    {"--sysfs-root", EOptionKind::VALUE, std::nullopt},
    {"--proc-root", EOptionKind::VALUE, EBackend::HW},
    {"--state-dir", EOptionKind::VALUE, EBackend::HW},
    {SHARE_CHIP_OPTION, EOptionKind::FLAG, EBackend::HW},
};

const OptionDef* FindOption(const std::string& name) {
    for (const OptionDef& def : OPTIONS) {
        if (name == def.name)
            return &def;
    }
    return nullptr;
}

std::optional<uint64_t> ParseUnsigned(const std::string& text) {
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<IodOptions> ParseIodOptions(const std::vector<std::string>& args,
                                          const IodEnvironment& env, std::string* error) {
    IodOptions options;
    std::vector<const OptionDef*> seen;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionDef* def = FindOption(name);
        // The old name did not say what it risks; whoever used it is told the new one.
        if (name == "--force") {
            *error = std::string("--force is gone; ") + SHARE_CHIP_OPTION +
                     " does what it did: raw access to the chip while the kernel's driver for "
                     "it is present, which can land reads and writes in the wrong register";
            return std::nullopt;
        }
        if (!def) {
            *error = "unknown option '" + args[i] + "'";
            return std::nullopt;
        }
        if (def->kind == EOptionKind::FLAG && value) {
            *error = name + " takes no value";
            return std::nullopt;
        }
        if (def->kind == EOptionKind::VALUE && !value) {
            if (i + 1 >= args.size()) {
                *error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (def->kind == EOptionKind::VALUE && value->empty()) {
            *error = name + " needs a value";
            return std::nullopt;
        }
        seen.push_back(def);

        if (name == "--help") {
            options.help = true;
        } else if (name == "--backend") {
            if (*value == "sim") {
                options.backend = EBackend::SIM;
            } else if (*value == "hw") {
                options.backend = EBackend::HW;
            } else {
                *error = "unknown backend '" + *value + "' (sim or hw)";
                return std::nullopt;
            }
        } else if (name == "--runtime-dir") {
            options.runtimeDir = *value;
        } else if (name == "--idle-timeout") {
            auto seconds = ParseUnsigned(*value);
            if (!seconds || *seconds == 0 || *seconds > 86400) {
                *error = "--idle-timeout needs a number of seconds from 1 to 86400, not '" +
                         *value + "'";
                return std::nullopt;
            }
            options.idleTimeoutSeconds = static_cast<int>(*seconds);
        } else if (name == "--board") {
            options.boardFile = *value;
        } else if (name == "--seed") {
            options.seed = ParseUnsigned(*value);
            if (!options.seed) {
                *error = "--seed needs an unsigned decimal number, not '" + *value + "'";
                return std::nullopt;
            }
        } else if (name == "--no-drift") {
            options.drift = false;
        } else if (name == "--port-device") {
            options.hw.portDevice = *value;
        } else if (name == "--msr-device") {
            options.hw.msrDevice = *value;
        } else if (name == "--allow-list") {
            options.hw.allowListPath = *value;
            options.hw.allowListGiven = true;
        } else if (name == "--hwmon-root") {
            options.hwmonRoot = *value;
        } else if (name == "--sysfs-root") {
            options.sysfsRoot = *value;
        } else if (name == "--proc-root") {
            options.hw.procRoot = *value;
        } else if (name == "--state-dir") {
            options.stateDir = *value;
        } else if (name == SHARE_CHIP_OPTION) {
            options.hw.shareChipWithKernelDriver = true;
        }
    }
    if (options.help)
        return options;

    for (const OptionDef* def : seen) {
        if (def->onlyFor && *def->onlyFor != options.backend) {
            *error = std::string(def->name) + " applies to the " +
                     (*def->onlyFor == EBackend::SIM ? "sim" : "hw") + " backend only";
            return std::nullopt;
        }
    }
    if (options.runtimeDir.empty()) {
        options.runtimeDir = env.runtimeDirVariable.empty() ? IodOptions::DEFAULT_RUNTIME_DIR
                                                            : env.runtimeDirVariable;
    }
    // The simulated driver's tree is the sysfs root its hwmon writes go to.
    if (!options.hwmonRoot.empty() && !options.sysfsRoot.empty() &&
        options.sysfsRoot != options.hwmonRoot) {
        *error = "--hwmon-root and --sysfs-root name different trees";
        return std::nullopt;
    }
    if (options.sysfsRoot.empty())
        options.sysfsRoot = options.hwmonRoot;
    if (options.sysfsRoot.empty())
        options.sysfsRoot = env.sysfsRootVariable.empty() ? HwBackendOptions::DEFAULT_SYSFS_ROOT
                                                          : env.sysfsRootVariable;
    options.hw.sysfsRoot = options.sysfsRoot;
    if (options.boardFile.empty())
        options.boardFile = env.programDir + "/sim/EHF-SIM.simboard";
    return options;
}

std::string IodUsage() {
    return "Usage: vorn-iod [options]\n"
           "Serves port, MSR and microcontroller requests on the VORN-IO socket.\n"
           "\n"
           "  --backend sim|hw      simulated board (default) or real hardware\n"
           "  --runtime-dir DIR     socket and pid file folder (default $VORNIO_RUNTIME_DIR,\n"
           "                        else /run/vorn-io); created when missing\n"
           "  --idle-timeout S      drop a client connection silent for S seconds (default 300)\n"
           "  --sysfs-root DIR      where the kernel's hwmon devices are (default\n"
           "                        $VORNPILOT_SYSFS_ROOT, else /sys)\n"
           "  --help                this text\n"
           "\n"
           "sim backend:\n"
           "  --board FILE          board file (default sim/EHF-SIM.simboard beside vorn-iod)\n"
           "  --seed N              seed of the readings' drift\n"
           "  --no-drift            keep readings still\n"
           "  --hwmon-root DIR      also show the board as the kernel's w83627ehf hwmon device:\n"
           "                        a sysfs tree in DIR, refreshed every second\n"
           "\n"
           "hw backend (root only):\n"
           "  --port-device PATH    port device (default /dev/port)\n"
           "  --msr-device PATH     MSR device (default /dev/cpu/0/msr)\n"
           "  --allow-list FILE     allowed ports and MSRs (default /etc/vorn-io/allow.conf)\n"
           "  --proc-root DIR       where ioports shows who owns the chip's ports (default /proc)\n"
           "  --state-dir DIR       where a note on kernel lockdown is left for the library\n"
           "                        (default $VORNIO_STATE_DIR, else /var/lib/vorn-io)\n"
           "  --share-chip-with-kernel-driver-unsafely\n"
           "                        reach the chip's ports even while the kernel's driver for it\n"
           "                        is present: both then bank-switch the same chip, and reads\n"
           "                        and writes can land in the wrong register\n";
}
