#pragma once
// The console front end's screen: one row per item with its value and unit, its limits, Normal /
// Warning / Disable, and the power-off countdown while one runs.

#include <string>

class CMonitorEngine;
class CSensorItem;

struct ConsoleRow {
    std::string number;
    std::string name;
    std::string value;
    std::string limits;
    std::string status;
    std::string note;  // the power-off countdown
};

ConsoleRow MakeConsoleRow(CSensorItem& item);

// `title` is the first line (program, board, time).
std::string ConsoleTable(CMonitorEngine& engine, const std::string& title);
