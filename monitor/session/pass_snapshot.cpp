#include "pass_snapshot.h"

#include <algorithm>

std::vector<const SItemSnapshot*> SPassSnapshot::ItemsInAlarm() const {
    std::vector<const SItemSnapshot*> out;
    for (const SItemSnapshot& item : items) {
        if (item.enabled && item.available && item.alarm)
            out.push_back(&item);
    }
    return out;
}

size_t SPassSnapshot::StaleCount() const {
    return static_cast<size_t>(
        std::count_if(items.begin(), items.end(), [](const SItemSnapshot& i) { return i.stale; }));
}
