#pragma once
// What the dialogs share: the three item lists by number, and a safe truncation for trackbar
// positions. The dialogs reach the monitor only through its commands.

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor_commands.h"

// The voltage, temperature and fan items, each list in table order; other types are in none.
enum EItemList { LIST_VOLTAGE = 0, LIST_TEMPERATURE = 1, LIST_FAN = 2 };
using ItemLists = std::array<std::vector<int32_t>, 3>;  // item numbers
ItemLists ItemListsOf(const IMonitorCommands& commands);

// Truncated toward zero; NaN gives 0 and values beyond int are held at its ends.
int TruncToInt(double value);

inline QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}
