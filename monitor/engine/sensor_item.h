#pragma once
// A live sensor item: one voltage, temperature or fan input of the board, bound to its chip pin.
// The engine creates it from a board-file record, binds it and keeps it for the life of the
// program. Operations that touch the chip go through the item's own chip object and return
// false when the chip refuses or an access fails; the item's stored values then stay as each
// operation describes. The item's settings are held in one place, Config(), which is also what
// the engine saves.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chip_ops.h"
#include "fan_control.h"
#include "hwmon_input.h"
#include "machine.h"
#include "port_io.h"
#include "sensor_item_config.h"

// An alarm that stands on every pass for this long powers the computer off.
inline constexpr int SHUTDOWN_DELAY_SECONDS = 20;

// Whether the chip's input at register `pin` can be read as an item of `itemType`; the chip
// refuses to read, say, a fan input as a voltage.
bool PinFitsType(uint8_t pin, int32_t itemType);

class CSensorItem {
  public:
    // `source` is the board-file record; it is not owned and must outlive the item. The item
    // is not bound yet: its pin register and bank are 0 until Bind. The item's chip object
    // reaches the chip through `io`.
    CSensorItem(const SensorItemConfig* source, IMachine& machine, IPortIo& io);
    // The same over a chip object of either way to the chip, which the item owns; null for an
    // item whose pin names a hwmon sensor, which never reaches the chip.
    CSensorItem(const SensorItemConfig* source, IMachine& machine, std::unique_ptr<IChipOps> chip);
    virtual ~CSensorItem();
    CSensorItem(const CSensorItem&) = delete;
    CSensorItem& operator=(const CSensorItem&) = delete;

    // ---- Plain accessors ----
    const std::string& GetName() const { return m_config.Name; }
    int32_t GetItemNo() const { return m_config.ItemNo; }
    int32_t GetItemType() const { return m_config.ItemType; }
    uint8_t GetCpuNo() const { return m_config.CpuNo; }
    const std::string& GetPinName() const { return m_config.PinName; }
    uint8_t GetPinRegister() const { return m_pinRegister; }
    uint8_t GetPinBank() const { return m_pinBank; }
    double GetFactor() const { return m_config.Factor; }
    bool IsNegative() const { return m_config.Negative; }
    // The settings in force; they change only through the operations below.
    const SensorItemConfig& Config() const { return m_config; }
    // The board-file record the item was created from.
    const SensorItemConfig* Source() const { return m_source; }

    // Volts or degrees Celsius; rpm for fans.
    double GetValue() const;
    void GetLimits(double* hi, double* lo) const;
    void GetLimitRange(double* hi, double* lo) const;

    bool IsEnabled() const { return m_config.Enable; }
    // Also restarts the power-off timing, even when the value does not change.
    void SetEnabled(bool on);
    bool IsShutdownEnabled() const { return m_config.ShutDownEnable; }
    // Also restarts the power-off timing, even when the value does not change.
    void SetShutdownEnabled(bool on);
    bool IsBeepEnabled() const { return m_config.BeepEnable; }
    // The flag only; the chip's beep bit changes with SetBeepBit.
    void SetBeepFlag(bool on);
    bool IsAlarm() const { return m_alarm; }

    bool GetSmartFanSupport() const { return m_config.SmartFanSupport; }
    bool GetSmartFanEnable() const { return m_config.SmartFanEnable; }
    int32_t GetTargetTemp() const { return m_config.TargetTemp; }
    int32_t GetToleranceTemp() const { return m_config.ToleranceTemp; }
    int32_t GetStartCtrl() const { return m_config.StartCtrl; }
    int32_t GetStopCtrl() const { return m_config.StopCtrl; }

    // ---- Hardware binding ----
    // Copies the board-file record into the item, looks up the pin (false when the name is not
    // in the pin table: the item stays unbound), silences a second-processor item on a
    // one-processor machine and, for fans, captures the chip's fan-control values.
    bool Bind();
    // Binds an item whose pin names a hwmon channel to that channel among `devices`; false when
    // it is not there (the item stays unbound). Its limits and switches are its own: nothing is
    // written to the device, it has no beeper and no FanPilot, and its alarm comes with each
    // reading.
    bool BindHwmon(const std::vector<SHwmonDevice>& devices);
    // Binds a hwmon item again, to its sensor among `devices` as found now (a device that
    // came back under another hwmonN); its settings stay. False when it is not there.
    bool FindHwmonAgain(const std::vector<SHwmonDevice>& devices);
    // Whether the item reads a hwmon sensor that is not there now: never found, or its files
    // vanished (the device unplugged, its driver unloaded).
    bool IsHwmonSensorMissing() const;
    // Takes the configuration as Bind does but no pin: the item is listed and never read or
    // programmed (for an item its board file gets wrong). False without a source record.
    bool ListUnbound();
    // True once Bind found the pin or BindHwmon the channel.
    bool IsBound() const { return m_pinRegister != 0 || m_hwmon.has_value(); }
    // The hwmon channel the item reads; null for a chip pin.
    const CHwmonInput* HwmonInput() const { return m_hwmon ? &*m_hwmon : nullptr; }
    // The reading's errno when the last read of a hwmon channel failed, else 0.
    int LastReadError() const { return m_readError; }
    bool ReadValue();
    bool ReadLimits();
    // Writes the limits (fans: only the low limit reaches the chip) and stores them whatever
    // the chip said. Success needs a chip result of at least 1, except that a fan low limit of
    // 0 rpm or less means "no fan alarm": the chip's limit count is set to its slowest value,
    // which a turning or stalled fan never exceeds. Temperature limits reach the chip rounded
    // to its half degrees.
    bool SetLimits(double hi, double lo);
    bool SetBeepBit(bool on);
    // Applies limits, Enable, BeepEnable and ShutDownEnable from the item's own board-file
    // record.
    bool ApplySettings();
    // The same from a record read from the registry: an item not of the second processor keeps
    // the record's BeepEnable flag even when the record disables it (its chip bit is cleared).
    bool ApplySettings(const SensorItemConfig& s);
    // The alarm flag becomes the item's real-time status bit. An item without a status bit
    // (unbound) gets false and the call returns false.
    bool UpdateAlarmFromStatus(const uint8_t s[3]);
    // True when the machine has two or more processors.
    bool HasSecondCpu();
    // The second-processor flag Bind computed.
    bool IsSecondCpuPresent() const { return m_secondCpu; }

    // ---- FanPilot: the chip's own fan control (fan items) ----
    // On: automatic mode. Off: manual mode at full duty.
    bool SetSmartFan(bool on);
    // Degrees, 0..127.
    bool SetTargetTemp(int t);
    // Degrees, 0..15.
    bool SetToleranceTemp(int t);
    // Percent of full duty.
    bool SetStartCtrl(int percent);
    bool SetStopCtrl(int percent);
    // From the item's own board-file record, from a registry record, and from a record edited
    // in the FanPilot dialog (which skips the second-processor check).
    bool ApplyFanControl();
    bool ApplyFanControl(const SensorItemConfig& s);
    bool ApplyFanControlFromDialog(const SensorItemConfig& s);
    // Puts back the fan-control values captured by Bind.
    bool RestoreFanControl();
    const FanControlSnapshot& SavedFanControl() const { return m_savedFanControl; }

    // ---- Monitoring pass ----
    // Reads an enabled item and runs its power-off timing; always true.
    bool UpdateItem();
    // Whether the last UpdateItem read the value. False after a failed read (the value is the
    // last one read), for a disabled item and before the first pass.
    bool IsValueFresh() const { return m_valueFresh; }
    // Called for an item in alarm with shutdown enabled: starts or continues the timing and
    // asks for the power-off once 20 whole seconds have passed. Always true.
    bool CheckShutdown();
    // Performance-counter value when the timed alarm began; 0 when none is timed.
    int64_t GetAlarmSince() const { return m_alarmSince; }
    // Whole seconds left until the power-off request while an alarm is timed (0 once it is
    // due); -1 when none is timed.
    int ShutdownSecondsLeft();

  private:
    enum class EConfigSource { BoardFile, Registry };
    enum class EFanCheck { SecondCpu, Skip };
    bool ApplySettingsFrom(const SensorItemConfig& s, EConfigSource from);
    bool ApplyFanControlFrom(const SensorItemConfig& s, EFanCheck check);
    bool ClearBeepBitInChip();
    bool IsSilencedSecondCpuItem() const;
    // A fan of the chip, whose FanPilot values the item may write.
    bool IsChipFan() const { return m_config.ItemType == ITEM_FAN && !m_hwmonPin; }
    bool ReadHwmonValue();
    void ResetShutdownTimer() { m_alarmSince = 0; }
    void StoreLimits(double hi, double lo);

    // Every setting, the board file's fixed ones (name, pin, type, factor, bounds) with them.
    SensorItemConfig m_config;
    const SensorItemConfig* m_source;
    std::unique_ptr<IChipOps> m_chip;
    double m_value = 0;
    uint8_t m_pinRegister = 0;
    uint8_t m_pinBank = 0;
    int32_t m_fanRpm = 0;
    bool m_alarm = false;
    bool m_secondCpu = false;
    FanControlSnapshot m_savedFanControl;
    IMachine& m_machine;
    int64_t m_perfFrequency;
    int64_t m_alarmSince = 0;
    bool m_valueFresh = false;
    bool m_hwmonPin;  // the pin names a hwmon sensor: the chip object is never used
    std::optional<CHwmonInput> m_hwmon;
    int m_readError = 0;
};
