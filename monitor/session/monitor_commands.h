#pragma once
// What the dialogs may do to the monitor, and what they may see of its items between passes.
// Items are named by number; a number the table does not hold is refused. Every command reaches
// the chip at once where it changes what the chip holds; nothing is saved until SaveSettings.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One item's settings as they stand now.
struct SItemSettings {
    int32_t itemNo = 0;
    std::string name;
    std::string pin;                // the board file's pin name
    int32_t type = 0;               // ITEM_VOLTAGE, ITEM_TEMPERATURE, ITEM_FAN
    bool missingProcessor = false;  // of a second processor this machine does not have
    bool enabled = false;
    bool beepEnable = false;
    bool shutdownEnable = false;
    double hiLimit = 0;  // volts, degrees Celsius or rpm
    double loLimit = 0;
    double hiBound = 0;  // the range the board file allows the limits
    double loBound = 0;
    // FanPilot, for fans that offer it.
    bool smartFanSupport = false;
    bool smartFanEnable = false;
    int32_t targetTemp = 0;  // degrees Celsius
    int32_t toleranceTemp = 0;
    int32_t startCtrl = 0;  // percent of full duty
    int32_t stopCtrl = 0;
};

// The values the FanPilot dialog edits.
struct SFanPilotValues {
    bool enable = false;
    int targetTemp = 0;  // degrees Celsius
    int toleranceTemp = 0;
    int startCtrl = 0;  // percent
    int stopCtrl = 0;
};

class IMonitorCommands {
  public:
    virtual ~IMonitorCommands() = default;

    // Every item in table order; empty before the engine started and after the end.
    virtual std::vector<SItemSettings> ItemSettings() const = 0;
    virtual std::optional<SItemSettings> ItemSettingsOf(int32_t itemNo) const = 0;
    virtual bool GlobalBeep() const = 0;
    // Whether the way to the chip has the chip's beeper; without it the beep switches do nothing.
    virtual bool BeepOffered() const { return true; }
    // The unit the page shows temperatures in from the next pass on.
    virtual bool Celsius() const = 0;

    // Also restarts the item's power-off timing.
    virtual bool SetItemEnabled(int32_t itemNo, bool on) = 0;
    // The item's beep bit in the chip.
    virtual bool SetItemBeepBit(int32_t itemNo, bool on) = 0;
    // The item's beep switch as the settings keep it.
    virtual bool SetItemBeepFlag(int32_t itemNo, bool on) = 0;
    virtual bool SetItemShutdown(int32_t itemNo, bool on) = 0;
    virtual bool SetItemLimits(int32_t itemNo, double hi, double lo) = 0;
    // Limits and switches from the item's board-file record.
    virtual bool ApplyBoardFileSettings(int32_t itemNo) = 0;
    virtual bool SetGlobalBeep(bool on) = 0;
    // FanPilot values from the dialog, and the board file's back.
    virtual bool SetFanPilot(int32_t itemNo, const SFanPilotValues& values) = 0;
    virtual bool ApplyBoardFileFanPilot(int32_t itemNo) = 0;
    // Stores the unit in the user's settings; the page shows it from the next pass.
    virtual void SetCelsius(bool celsius) = 0;
    // Writes every item's settings to the user's settings file.
    virtual bool SaveSettings() = 0;
    // Every fan gets back the fan control found at start.
    virtual bool RestoreFanControl() = 0;
};
