#include "dmi_source.h"

#include <optional>

namespace {

// Real tables are a few kilobytes; this only bounds what a hostile file can make us hold.
constexpr size_t SMBIOS_TABLE_MAX = 1 << 20;
constexpr size_t ATTRIBUTE_MAX = 4096;

// A DMI directory attribute without its line end; empty when missing.
std::string ReadAttribute(const std::string& dir, const char* name) {
    auto bytes = ReadFileBytes(dir + "/" + name, 0, ATTRIBUTE_MAX);
    if (!bytes) {
        return {};
    }
    std::string text(bytes->begin(), bytes->end());
    size_t end = text.find_first_of(std::string_view("\n\0", 2));
    if (end != std::string::npos) {
        text.resize(end);
    }
    return text;
}

void FillMissing(std::string& fact, const std::string& fallback) {
    if (fact.empty()) {
        fact = fallback;
    }
}

}  // namespace

DmiFacts ReadDmiTables(const DmiSources& sources) {
    if (!sources.smbiosTable.empty()) {
        if (auto table = ReadFileBytes(sources.smbiosTable, 0, SMBIOS_TABLE_MAX)) {
            DmiFacts facts = WalkDmiTable(*table);
            if (facts.hasBios || facts.hasBoard) {
                return facts;
            }
        }
    }
    if (!sources.biosArea.empty()) {
        if (auto area = ReadFileBytes(sources.biosArea, sources.biosAreaOffset, BIOS_AREA_SIZE)) {
            return ScanBiosArea(*area);
        }
    }
    return {};
}

DmiFacts ReadDmiFacts(const DmiSources& sources) {
    DmiFacts facts;
    if (!sources.dmiDir.empty()) {
        facts.boardProduct = ReadAttribute(sources.dmiDir, "board_name");
        facts.boardManufacturer = ReadAttribute(sources.dmiDir, "board_vendor");
        facts.biosVendor = ReadAttribute(sources.dmiDir, "bios_vendor");
        facts.biosDate = ReadAttribute(sources.dmiDir, "bios_date");
    }
    facts.hasBoard = !facts.boardProduct.empty() || !facts.boardManufacturer.empty();
    facts.hasBios = !facts.biosVendor.empty() || !facts.biosDate.empty();
    if (!facts.boardProduct.empty() && !facts.boardManufacturer.empty() &&
        !facts.biosVendor.empty() && !facts.biosDate.empty()) {
        return facts;
    }
    DmiFacts tables = ReadDmiTables(sources);
    FillMissing(facts.boardProduct, tables.boardProduct);
    FillMissing(facts.boardManufacturer, tables.boardManufacturer);
    FillMissing(facts.biosVendor, tables.biosVendor);
    FillMissing(facts.biosDate, tables.biosDate);
    facts.hasBoard = facts.hasBoard || tables.hasBoard;
    facts.hasBios = facts.hasBios || tables.hasBios;
    return facts;
}
