#include "console_table.h"

#include <algorithm>
#include <vector>

#include "console_page.h"
#include "monitor_engine.h"
#include "number_format.h"

namespace {

constexpr const char* DEGREES =
    "\xC2\xB0"
    "C";

// Characters on screen: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& s, size_t width) {
    size_t w = Columns(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string PadLeft(const std::string& s, size_t width) {
    size_t w = Columns(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

std::string Value(const CSensorItem& item) {
    switch (item.GetItemType()) {
        case ITEM_VOLTAGE:
            return FormatFixed(item.GetValue(), 0, 2) + " V";
        case ITEM_TEMPERATURE:
            return FormatFixed(item.GetValue(), 0, 1) + " " + DEGREES;
        case ITEM_FAN:
            return FormatFixed(item.GetValue(), 0, 0) + " rpm";
        default:
            return "-";
    }
}

std::string Limits(const CSensorItem& item) {
    double hi = 0, lo = 0;
    item.GetLimits(&hi, &lo);
    switch (item.GetItemType()) {
        case ITEM_VOLTAGE:
            return FormatFixed(lo, 0, 2) + " V ~ " + FormatFixed(hi, 0, 2) + " V";
        case ITEM_TEMPERATURE:
            return "max " + FormatFixed(hi, 0, 1) + " " + DEGREES + ", clears at " +
                   FormatFixed(lo, 0, 1) + " " + DEGREES;
        case ITEM_FAN:
            return lo < 1 ? "no alarm" : "min " + FormatFixed(lo, 0, 0) + " rpm";
        default:
            return "-";
    }
}

}  // namespace

ConsoleRow MakeConsoleRow(CSensorItem& item) {
    ConsoleRow row;
    row.number = std::to_string(item.GetItemNo());
    row.name = item.GetName();
    if (!item.IsEnabled()) {
        row.value = "-";
        row.limits = "-";
        row.status = "Disable";
        return row;
    }
    row.value = Value(item);
    row.limits = Limits(item);
    row.status = item.IsAlarm() ? "Warning" : "Normal";
    int left = item.ShutdownSecondsLeft();
    if (left > 0)
        row.note = "power-off in " + std::to_string(left) + " s";
    else if (left == 0)
        row.note = "power-off requested";
    return row;
}

std::string ConsoleTable(CMonitorEngine& engine, const std::string& title,
                         const CConsolePage* page) {
    std::vector<ConsoleRow> rows;
    ConsoleRow head{"#", "Name", "Value", "Limits", "Status", ""};
    rows.push_back(head);
    for (const auto& item : engine.Items())
        rows.push_back(page != nullptr ? PageConsoleRow(*item, *page) : MakeConsoleRow(*item));

    size_t wNo = 0, wName = 0, wValue = 0, wLimits = 0, wStatus = 0;
    for (const ConsoleRow& r : rows) {
        wNo = std::max(wNo, Columns(r.number));
        wName = std::max(wName, Columns(r.name));
        wValue = std::max(wValue, Columns(r.value));
        wLimits = std::max(wLimits, Columns(r.limits));
        wStatus = std::max(wStatus, Columns(r.status));
    }
    std::string out = title + "\n\n";
    for (const ConsoleRow& r : rows) {
        std::string line = PadLeft(r.number, wNo) + "  " + Pad(r.name, wName) + "  " +
                           PadLeft(r.value, wValue) + "  " + Pad(r.limits, wLimits) + "  " +
                           Pad(r.status, wStatus) + "  " + r.note;
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    if (engine.Items().empty()) {
        out += "\nNo sensor items: the board file " + engine.ConfigFilePath() +
               " is missing or incomplete.\n";
    }
    if (page != nullptr)
        out += PageConsoleLines(*page);
    out += std::string("\nGlobal beep: ") + (engine.GetGlobalBeepEnable() ? "on" : "off") + "\n";
    return out;
}
