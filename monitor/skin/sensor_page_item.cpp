#include "sensor_page_item.h"

std::vector<std::unique_ptr<IPageItem>> PageItemsOf(const CMonitorEngine& engine) {
    std::vector<std::unique_ptr<IPageItem>> items;
    for (const auto& item : engine.Items()) {
        items.push_back(std::make_unique<CSensorPageItem>(*item));
    }
    return items;
}
