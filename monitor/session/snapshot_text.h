#pragma once
// The texts the front ends show for a pass, made from its snapshot alone: one wording for the
// console table, the JSON line and the window.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pass_snapshot.h"

struct SItemTexts {
    std::string value;   // " 45 °C", "1.35 V", " 3183 RPM"; "-" when never read
    std::string limit;   // " 70 °C", "1.20V ~ 1.50V", "  800 RPM"
    std::string status;  // "Normal", "Warning", "Disable"; "N/A" for a missing second processor
};

// "voltage", "temperature", "fan" or "other": an item type as the JSON and the metrics name it.
const char* ItemTypeName(int32_t type);

// The page's formats, in plain text; temperatures in the unit the page showed.
SItemTexts ItemTexts(const SItemSnapshot& item, bool celsius);

// "NO SENSORS" when there is nothing to monitor (no board file, no hwmon sensor), else
// "NO READINGS" when the chip answered nothing in this pass, else "WARNING" when an item is in
// alarm, else "NO ITEMS" for an empty table, else "STALE" when a reading is, else "NORMAL".
std::string BannerText(const SPassSnapshot& pass);

// The items in alarm by category: a heading ("Temperature:", "Voltage:", "Fan:"), then one
// "Name: value" line per item; an empty line between categories.
std::vector<std::string> WarningLines(const SPassSnapshot& pass);

// What went wrong at start and in this pass, one sentence each; empty when nothing did.
std::vector<std::string> ProblemLines(const SPassSnapshot& pass);

// A notice about the settings file as a sentence of its own: capitalised, with a full stop.
std::string NoticeSentence(const std::string& notice);

// The text without its leading blanks (the page's number formats pad on the left).
std::string WithoutLeadingBlanks(const std::string& text);

// Local time of day "HH:MM:SS" of a Unix time in milliseconds.
std::string ClockText(int64_t unixMs);
// UTC "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string IsoTimeText(int64_t unixMs);

// The text as a terminal may show it: control characters (C0, DEL, C1) and bytes that are not
// UTF-8 become '?', so names and messages read from files can neither cut the output nor send
// escape sequences to the terminal.
std::string TerminalSafe(std::string_view text);
