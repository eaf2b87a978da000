#pragma once
// The monitor's commands carried out on the engine of the moment: the session's own, and what
// the dialogs' tests drive. Nothing here is kept but the unit the page shows.

#include <functional>

#include "monitor_commands.h"
#include "monitor_engine.h"

class CEngineCommands : public IMonitorCommands {
  public:
    // The engine is asked for again at each command: the session may start a new one (the chip
    // came back) while a dialog is open. Null before the start and after the end.
    using EngineSource = std::function<CMonitorEngine*()>;
    explicit CEngineCommands(EngineSource engine);

    // The unit stored in the user's settings becomes the one shown.
    void TakeStoredUnit();

    std::vector<SItemSettings> ItemSettings() const override;
    std::optional<SItemSettings> ItemSettingsOf(int32_t itemNo) const override;
    bool GlobalBeep() const override;
    bool BeepOffered() const override;
    bool Celsius() const override { return m_celsius; }
    bool SetItemEnabled(int32_t itemNo, bool on) override;
    bool SetItemBeepBit(int32_t itemNo, bool on) override;
    bool SetItemBeepFlag(int32_t itemNo, bool on) override;
    bool SetItemShutdown(int32_t itemNo, bool on) override;
    bool SetItemLimits(int32_t itemNo, double hi, double lo) override;
    bool ApplyBoardFileSettings(int32_t itemNo) override;
    bool SetGlobalBeep(bool on) override;
    bool SetFanPilot(int32_t itemNo, const SFanPilotValues& values) override;
    bool ApplyBoardFileFanPilot(int32_t itemNo) override;
    void SetCelsius(bool celsius) override;
    bool SaveSettings() override;
    bool RestoreFanControl() override;

  private:
    CSensorItem* Item(int32_t itemNo) const;
    // False for a number the table does not hold; else what `command` says of the item.
    template <typename Command>
    bool OnItem(int32_t itemNo, Command command) {
        CSensorItem* item = Item(itemNo);
        return item != nullptr && command(*item);
    }

    EngineSource m_engine;
    bool m_celsius = true;  // the first pass shows Celsius
};
