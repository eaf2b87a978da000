#include "console_table.h"

#include <algorithm>
#include <vector>

#include "pass_snapshot.h"
#include "snapshot_text.h"

namespace {

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

std::string Note(const SItemSnapshot& item) {
    std::vector<std::string> parts;
    if (item.powerOffIn > 0)
        parts.push_back("power-off in " + std::to_string(item.powerOffIn) + " s");
    else if (item.powerOffIn == 0)
        parts.push_back("power-off requested");
    if (item.stale) {
        parts.push_back(item.EverRead() ? "stale, read at " + ClockText(item.lastReadUnixMs)
                                        : "not read");
    }
    std::string note;
    for (const std::string& p : parts)
        note += (note.empty() ? "" : "; ") + p;
    return note;
}

}  // namespace

ConsoleRow MakeConsoleRow(const SItemSnapshot& item, bool celsius) {
    const SItemTexts texts = ItemTexts(item, celsius);
    // Item names come from the board file and the user's settings.
    return {std::to_string(item.itemNo),
            TerminalSafe(item.name),
            WithoutLeadingBlanks(texts.value),
            WithoutLeadingBlanks(texts.limit),
            texts.status,
            Note(item)};
}

std::string ConsoleTable(const SPassSnapshot& pass, const std::string& title) {
    std::vector<ConsoleRow> rows;
    rows.push_back({"#", "Name", "Value", "Limits", "Status", ""});
    for (const SItemSnapshot& item : pass.items)
        rows.push_back(MakeConsoleRow(item, pass.celsius));

    size_t wNo = 0, wName = 0, wValue = 0, wLimits = 0, wStatus = 0;
    for (const ConsoleRow& r : rows) {
        wNo = std::max(wNo, Columns(r.number));
        wName = std::max(wName, Columns(r.name));
        wValue = std::max(wValue, Columns(r.value));
        wLimits = std::max(wLimits, Columns(r.limits));
        wStatus = std::max(wStatus, Columns(r.status));
    }
    std::string out = TerminalSafe(title) + "\n\n";
    for (const ConsoleRow& r : rows) {
        std::string line = PadLeft(r.number, wNo) + "  " + Pad(r.name, wName) + "  " +
                           PadLeft(r.value, wValue) + "  " + Pad(r.limits, wLimits) + "  " +
                           Pad(r.status, wStatus) + "  " + r.note;
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    out += '\n' + BannerText(pass) + '\n';
    for (const std::string& line : WarningLines(pass))
        out += line.empty() ? "\n" : "  " + TerminalSafe(line) + "\n";
    for (const std::string& line : ProblemLines(pass))
        out += '\n' + TerminalSafe(line) + '\n';
    // The beeper is the chip's: without an item that reads the chip there is none to speak of.
    if (pass.chipUsed) {
        out += std::string("\nGlobal beep: ") +
               (pass.globalBeep ? (*pass.globalBeep ? "on" : "off") : "unknown") + "\n";
    }
    return out;
}
