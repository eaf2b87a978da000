#include "pci_display.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

constexpr unsigned DISPLAY_BASE_CLASS = 0x03;

// A sysfs attribute holding a number such as "0x8086"; nullopt when missing or not a number.
std::optional<unsigned> ReadNumber(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) {
        return std::nullopt;
    }
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    unsigned v = 0;
    auto [end, err] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (err != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

std::string PnpDeviceId(const PciFunction& f) {
    char id[96];
    std::snprintf(id, sizeof id, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X\\",
                  f.vendor & 0xFFFF, f.device & 0xFFFF, f.subsystemDevice & 0xFFFF,
                  f.subsystemVendor & 0xFFFF, f.revision & 0xFF);
    std::string out = id;
    for (char c : f.address) {
        out += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    }
    return out;
}

std::optional<PciFunction> FindDisplayAdapter(const std::string& pciRoot) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(pciRoot, ec);  // the end iterator when the tree is missing
    std::vector<PciFunction> adapters;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path dir = it->path();
        auto cls = ReadNumber(dir / "class");
        auto vendor = ReadNumber(dir / "vendor");
        auto device = ReadNumber(dir / "device");
        if (!cls || !vendor || !device || (*cls >> 16) != DISPLAY_BASE_CLASS) {
            continue;
        }
        PciFunction f;
        f.address = dir.filename().string();
        f.vendor = *vendor;
        f.device = *device;
        f.subsystemVendor = ReadNumber(dir / "subsystem_vendor").value_or(0);
        f.subsystemDevice = ReadNumber(dir / "subsystem_device").value_or(0);
        f.revision = ReadNumber(dir / "revision").value_or(0);
        f.bootVga = ReadNumber(dir / "boot_vga").value_or(0) == 1;
        adapters.push_back(std::move(f));
    }
    if (adapters.empty()) {
        return std::nullopt;
    }
    std::sort(adapters.begin(), adapters.end(), [](const PciFunction& a, const PciFunction& b) {
        return a.bootVga != b.bootVga ? a.bootVga : a.address < b.address;
    });
    return adapters.front();
}
