#pragma once
// The monitoring engine: the table of sensor items built from the board file and the user's
// registry settings, the chip set-up made at start and undone at the end, and the two-second
// monitoring pass with its power-off timing.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chip_ops.h"
#include "hwmon_sensor.h"
#include "machine.h"
#include "path.h"
#include "port_io.h"
#include "sensor_item.h"
#include "sensor_item_config.h"
#include "user_settings.h"

// How often sensors that are not there are looked for again.
inline constexpr int HWMON_RESCAN_SECONDS = 10;

// Caption of the engine's message boxes.
inline constexpr const char* APP_TITLE = "VORNPILOT";

// Why Initialize returned false, for the user; the first problem met.
enum class EStartProblem {
    None,
    ChipUnreachable,      // the chip's set-up accesses failed: no board file read, no items
    NoSensors,            // no board file for this board model and no hwmon sensor: no items
    BoardFileIncomplete,  // a key the table needs is missing: no items
    UnknownPin,           // an item names a pin the chip does not have: it is never read
    SettingsRefused,      // the chip refused the settings: limits or beep bits may not be set
    SettingsNotSaved,     // the board file's settings are in force but could not be saved
};

class CMonitorEngine {
  public:
    // Every chip object of the engine and its items reaches the chip's registers through `io`,
    // which must outlive the engine.
    CMonitorEngine(IMachine& machine, IPortIo& io);
    // The same over either way to the chip; `access` must outlive the engine.
    CMonitorEngine(IMachine& machine, IChipAccess& access);
    // Frees the items and records, then writes back the SMI masks saved at start (when they
    // were saved); a failed write shows "Can't restore SMI!".
    virtual ~CMonitorEngine();
    CMonitorEngine(const CMonitorEngine&) = delete;
    CMonitorEngine& operator=(const CMonitorEngine&) = delete;

    // Start-up: the board file (or, without one, the machine's hwmon sensors), the chip's
    // set-up when an item reads the chip, items, then the user's settings or the board file's
    // (saved as the user's). False when a step failed; the items created by then stay listed.
    // Runs once: a second call returns false and changes nothing.
    bool Initialize();

    // Where the items come from: the board model's board file, or every voltage, temperature
    // and fan sensor of the machine's hwmon devices (when there is no board file, or when asked
    // before Initialize).
    enum class EItemSource { BoardFile, Hwmon };
    void AskForHwmonItems() { m_hwmonAsked = true; }
    EItemSource ItemSource() const { return m_itemSource; }
    // Whether an item reads the chip: without one, the chip is never touched (no set-up, no
    // status read, no beeper).
    bool UsesChip() const { return m_usesChip; }
    // Where the hwmon devices were looked for: "<sysfs root>/class/hwmon".
    std::string HwmonClassDir() const;

    // Initialize's steps.
    // Program folder + board model (each "/" turned into "_") + ".ini".
    std::string BuildConfigFileName();
    // The user's own board file for this board model, which is used instead of the program
    // folder's when it is there: "$XDG_CONFIG_HOME/vornpilot/" + the same name.
    std::string UserBoardFileName();
    // The board file the start reads: the user's own when it is there, else the program
    // folder's.
    std::string BoardFilePath();
    // Whether the start will read the chip, told before it, without touching the chip: a board
    // file is there (and no hwmon items were asked for), and some item of it names a chip pin,
    // or it cannot be read, or it lists no item.
    bool WillReadChip();
    bool LoadConfigFile();
    bool LoadRegistryConfig();
    bool ApplyRegistryConfig();
    bool ApplyFileConfig();

    // Writes every item's settings, the item count and the global beep to the registry, as
    // one write of the settings file.
    bool SaveRegistryConfig();

    // Switches the chip's global beep; the engine's state follows only when the chip accepted.
    bool SetGlobalBeepEnable(bool on);
    bool GetGlobalBeepEnable() const { return m_globalBeep; }
    // Whether the way to the chip offers this. Without the beeper, the beep settings are kept
    // (and saved) as they are, for the way that has one, and nothing is written.
    bool Offers(EChipFeature feature) const { return m_chip && m_chip->Offers(feature); }

    // Every fan item gets back the fan-control values found at start; true.
    bool RestoreFanControl();

    // One monitoring pass: real-time status into every item's alarm flag, then every enabled
    // item read and timed. An item without a status bit keeps its alarm false and does not stop
    // the pass; an item reading a hwmon sensor gets its alarm with its reading.
    bool UpdateAll();
    // Sensors that vanished (or were never found) are looked for again, at most every
    // HWMON_RESCAN_SECONDS while any is missing: a device plugged back, or a driver loaded
    // again, under any hwmonN. Called by UpdateAll.
    void FindMissingSensors();
    // The status read's chip-layer result; below 1 leaves every alarm flag as it was.
    int UpdateAlarmStates();
    bool IsMultiProcessor();
    // After every pass: an item of a second processor the machine does not have loses its beep
    // bit and is disabled, temperatures first, then voltages, then fans.
    void SilenceMissingProcessorItems();

    // The table, in board-file order.
    const std::vector<std::unique_ptr<CSensorItem>>& Items() const { return m_items; }
    // nullptr when no item has that number.
    CSensorItem* FindItem(int32_t itemNo) const;
    const std::vector<std::unique_ptr<SensorItemConfig>>& FileRecords() const {
        return m_fileRecords;
    }
    const std::vector<std::unique_ptr<SensorItemConfig>>& RegistryRecords() const {
        return m_registryRecords;
    }
    const std::string& ConfigFilePath() const { return m_configFilePath; }
    // "Total_Item_Count" of the board file.
    int32_t ItemCount() const { return m_itemCount; }
    bool GetFileGlobalBeep() const { return m_fileGlobalBeep; }
    bool GetRegistryGlobalBeep() const { return m_registryGlobalBeep; }
    EStartProblem StartProblem() const { return m_startProblem; }
    // Every mistake found in the board file, each naming the file, section and key.
    const std::vector<std::string>& BoardFileProblems() const { return m_boardProblems; }
    // The chip-layer result of the last pass's status read; 0 before the first pass.
    int LastStatusResult() const { return m_lastStatusResult; }
    // Where the start-up settings came from, once Initialize got that far.
    enum class ESettingsSource { None, Registry, BoardFile };
    ESettingsSource SettingsSource() const { return m_settingsSource; }
    IMachine& Machine() const { return m_machine; }

  private:
    enum class EApplyResult { Applied, NoSuchItem, ChipFailed };
    // Initialize's steps in order; the first problem ends them.
    EStartProblem Start();
    // The chip's set-up, made before its items are bound; false when the chip did not answer.
    bool SetUpChip();
    // Items from every hwmon sensor found; false when there is none.
    bool LoadHwmonRecords();
    void CreateItems(bool* allBound);
    enum class ERecordSource { BoardFile, Registry };
    EApplyResult ApplyRecords(const std::vector<std::unique_ptr<SensorItemConfig>>& records,
                              ERecordSource from, bool globalBeep);
    // Items with a value the board file does not give as a whole number never arm the
    // power-off, whichever settings are in force; each one switched off is said.
    void KeepUnclearItemsFromPowerOff();
    // Copies the user's settings file beside itself before the board file's settings replace
    // it in bulk, and says so; false when the copy could not be made (then it is not replaced).
    bool KeepSettingsAside();

    std::vector<std::unique_ptr<CSensorItem>> m_items;
    std::vector<std::unique_ptr<SensorItemConfig>> m_fileRecords;
    std::vector<std::string> m_boardProblems;
    std::vector<int32_t> m_noPowerOffItems;  // their board file sections hold unclear numbers
    std::vector<int32_t> m_unreadItems;      // the board file gets their type, pin or factor wrong
    std::vector<std::unique_ptr<SensorItemConfig>> m_registryRecords;
    std::vector<SHwmonDevice> m_hwmonDevices;
    std::string m_sysfsRoot;
    bool m_hwmonAsked = false;
    int64_t m_lastRescan = 0;  // performance counter at the last look for missing sensors
    EItemSource m_itemSource = EItemSource::BoardFile;
    bool m_usesChip = true;
    std::string m_configFilePath;
    CPATH m_modulePath;
    CUserSettings m_settings;
    uint8_t m_savedSmiMasks[4] = {0, 0, 0, 0};
    int32_t m_itemCount = 0;
    std::unique_ptr<IChipAccess> m_ownAccess;  // the raw one, when the engine was given a port
    IChipAccess& m_access;
    std::unique_ptr<IChipOps> m_chip;  // made at start, when an item reads the chip
    bool m_globalBeep = false;
    bool m_fileGlobalBeep = false;
    bool m_registryGlobalBeep = false;
    bool m_registryFilledIn = false;  // some items got the board file's settings in the load

    IMachine& m_machine;
    bool m_initialized = false;
    bool m_smiSaved = false;
    ESettingsSource m_settingsSource = ESettingsSource::None;
    EApplyResult m_lastApply = EApplyResult::Applied;
    EStartProblem m_startProblem = EStartProblem::None;
    int m_lastStatusResult = 0;
};
