#pragma once
// What the dialogs share: the engine they work on, the main window's three item lists, the
// temperature unit kept in the user's settings, and a safe truncation for trackbar positions.

#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

class CMonitorEngine;
class CSensorItem;

// The live engine, asked again at each use: the session may replace an engine that never
// reached the chip while a dialog is open.
using EngineSource = std::function<CMonitorEngine*()>;

// The voltage, temperature and fan items, each list in engine order; other types are in none.
enum EItemList { LIST_VOLTAGE = 0, LIST_TEMPERATURE = 1, LIST_FAN = 2 };
using ItemLists = std::array<std::vector<CSensorItem*>, 3>;
ItemLists ItemListsOf(const CMonitorEngine* engine);

// The registry value "UNIT": "C", "" or missing is Celsius, anything else Fahrenheit.
bool StoredUnitIsCelsius();
// Writes "C" or "F".
void StoreUnit(bool celsius);

// Truncated toward zero; NaN gives 0 and values beyond int are held at its ends.
int TruncToInt(double value);

// An item's second-processor rule: true when it belongs to a processor the machine lacks.
bool IsMissingProcessorItem(const CSensorItem& item, CMonitorEngine* engine);

inline QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}
