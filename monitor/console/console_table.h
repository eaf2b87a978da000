#pragma once
// The console front end's screen, made from one pass's snapshot: one row per item with its
// value, limits, Normal / Warning / Disable and a note (the power-off countdown, a stale or
// missing reading), then the banner, the items in warning, what went wrong and the global beep
// (when an item reads the chip, whose beeper it is).

#include <string>

struct SItemSnapshot;
struct SPassSnapshot;

struct ConsoleRow {
    std::string number;
    std::string name;
    std::string value;
    std::string limits;
    std::string status;
    std::string note;
};

ConsoleRow MakeConsoleRow(const SItemSnapshot& item, bool celsius);

// `title` is the first line (program, board, time).
std::string ConsoleTable(const SPassSnapshot& pass, const std::string& title);
