#include "dialog_support.h"

#include <cmath>
#include <limits>

#include "monitor_engine.h"
#include "registry_store.h"
#include "status_page.h"

namespace {
constexpr const char* UNIT_VALUE = "UNIT";
}  // namespace

ItemLists ItemListsOf(const CMonitorEngine* engine) {
    ItemLists lists;
    if (engine == nullptr)
        return lists;
    for (const auto& item : engine->Items()) {
        switch (item->GetItemType()) {
            case ITEM_VOLTAGE:
                lists[LIST_VOLTAGE].push_back(item.get());
                break;
            case ITEM_TEMPERATURE:
                lists[LIST_TEMPERATURE].push_back(item.get());
                break;
            case ITEM_FAN:
                lists[LIST_FAN].push_back(item.get());
                break;
            default:
                break;
        }
    }
    return lists;
}

bool StoredUnitIsCelsius() {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    std::string unit;
    registry.GetString(SETTINGS_KEY, UNIT_VALUE, &unit);
    return UnitIsCelsius(unit);
}

void StoreUnit(bool celsius) {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    // A failed write is not reported: the unit simply stays as it was stored.
    registry.SetString(SETTINGS_KEY, UNIT_VALUE, celsius ? "C" : "F");
}

int TruncToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double t = std::trunc(value);
    if (t >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (t <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(t);
}

bool IsMissingProcessorItem(const CSensorItem& item, CMonitorEngine* engine) {
    return item.GetCpuNo() == 2 && engine != nullptr && !engine->IsMultiProcessor();
}
