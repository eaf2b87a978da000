#pragma once
// The engine's live items as the status page reads them.

#include <memory>
#include <vector>

#include "monitor_engine.h"
#include "page_item.h"
#include "sensor_item.h"

class CSensorPageItem : public IPageItem {
  public:
    explicit CSensorPageItem(CSensorItem& item) : m_item(item) {}

    const std::string& GetName() const override { return m_item.GetName(); }
    int32_t GetItemType() const override { return m_item.GetItemType(); }
    uint8_t GetCpuNo() const override { return m_item.GetCpuNo(); }
    bool IsEnabled() const override { return m_item.IsEnabled(); }
    bool IsAlarm() const override { return m_item.IsAlarm(); }
    double GetValue() const override { return m_item.GetValue(); }
    void GetLimits(double* hi, double* lo) const override { m_item.GetLimits(hi, lo); }
    bool SetBeepBit(bool on) override { return m_item.SetBeepBit(on); }
    void SetEnabled(bool on) override { m_item.SetEnabled(on); }

  private:
    CSensorItem& m_item;
};

// One page item per engine item, in table order. The engine must outlive them.
std::vector<std::unique_ptr<IPageItem>> PageItemsOf(const CMonitorEngine& engine);
