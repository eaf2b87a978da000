#pragma once
// The console front end's screen: one row per item with its value and unit, its limits, Normal /
// Warning / Disable, and the power-off countdown while one runs.

#include <string>

class CConsolePage;
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

// `title` is the first line (program, board, time). With a page, each row shows the page's value,
// limit and status texts, and the page's warning list and banner follow the rows.
std::string ConsoleTable(CMonitorEngine& engine, const std::string& title,
                         const CConsolePage* page = nullptr);
