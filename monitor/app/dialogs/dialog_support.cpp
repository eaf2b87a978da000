#include "dialog_support.h"

#include <cmath>
#include <limits>

#include "sensor_item_config.h"

ItemLists ItemListsOf(const IMonitorCommands& commands) {
    ItemLists lists;
    for (const SItemSettings& item : commands.ItemSettings()) {
        switch (item.type) {
            case ITEM_VOLTAGE:
                lists[LIST_VOLTAGE].push_back(item.itemNo);
                break;
            case ITEM_TEMPERATURE:
                lists[LIST_TEMPERATURE].push_back(item.itemNo);
                break;
            case ITEM_FAN:
                lists[LIST_FAN].push_back(item.itemNo);
                break;
            default:
                break;
        }
    }
    return lists;
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
