// The engine's configuration: the board file, the user's registry settings, applying either to
// the items and the chip, and saving the settings in force.

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hwmon_board_file.h"
#include "hwmon_pin.h"
#include "ini_file.h"
#include "monitor_engine.h"
#include "pin_table.h"
#include "settings_notices.h"
#include "thousandths.h"
#include "xdg_paths.h"

namespace {

constexpr int32_t MISSING = -1;
constexpr size_t TEXT_MAX = 511;
constexpr const char* GLOBAL_SECTION = "GLOBAL";

// Whether text is a whole number as a person would write it: optional sign, digits only, in
// the 32-bit range. The reading rules take "1.55" as 1 and "abc" as 0; those are mistakes.
bool IsPlainInteger(const std::string& text) {
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    if (i == text.size() || text.size() - i > 10)
        return false;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9')
            return false;
    }
    const long long v = std::stoll(text);
    return v >= INT32_MIN && v <= INT32_MAX;
}

// A value as it may be quoted in a problem line.
std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return out;
}

// Reads a board-file section's keys in order; the first missing integer ends the section.
// Values are read with the board file's rules, and every mistake met on the way is told,
// naming the file, the section and the key.
class CSectionReader {
  public:
    CSectionReader(const CIniFile& ini, std::string section, std::string file,
                   std::vector<std::string>& problems)
        : m_ini(ini),
          m_section(std::move(section)),
          m_file(std::move(file)),
          m_problems(problems) {}

    // Control characters (a NUL, a tab, an escape) become "?": the settings file, the page and
    // the terminal all carry the name then.
    std::string Text(const char* key) const {
        auto value = m_ini.GetString(m_section, key);
        if (!value)
            Problem(key, "missing; \"Error\" is shown");
        std::string text = value.value_or("Error").substr(0, TEXT_MAX);
        bool replaced = false;
        for (char& c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                c = '?';
                replaced = true;
            }
        }
        if (replaced)
            Problem(key, "holds control characters; each is shown as \"?\"");
        return text;
    }
    // nullopt for a missing key or the value -1.
    std::optional<int32_t> Int(const char* key) {
        auto text = m_ini.GetString(m_section, key);
        int32_t v = m_ini.GetInt(m_section, key, MISSING);
        if (!text || text->empty()) {
            Problem(key, "missing");
        } else if (!IsPlainInteger(*text)) {
            m_unclear = true;
            Problem(key, "\"" + Printable(*text) + "\" is not a whole number; read as " +
                             std::to_string(v));
        }
        if (v == MISSING)
            return std::nullopt;
        return v;
    }
    // Whether a number of the section was not written as a whole number.
    bool Unclear() const { return m_unclear; }
    void Problem(const std::string& key, const std::string& what) const {
        m_problems.push_back(m_file + ": [" + m_section + "]" + (key.empty() ? "" : " " + key) +
                             ": " + what);
    }

  private:
    const CIniFile& m_ini;
    std::string m_section;
    std::string m_file;
    std::vector<std::string>& m_problems;
    bool m_unclear = false;
};

const char* PinKind(uint8_t pin) {
    if (IsVoltagePin(pin))
        return "a voltage input";
    if (IsTemperaturePin(pin))
        return "a temperature input";
    if (IsFanPin(pin))
        return "a fan input";
    return "an input";
}

// A pin naming a hwmon sensor: its syntax, its kind against the item's type, its factor. False
// (said) when the item cannot be read.
bool CheckHwmonPin(const CSectionReader& section, const SensorItemConfig& r) {
    const std::optional<SHwmonPin> pin = ParseHwmonPin(r.PinName);
    if (!pin) {
        section.Problem("PinName", "\"" + Printable(r.PinName) +
                                       "\" names no hwmon channel (hwmon:<device>/inN, tempN or "
                                       "fanN); the item is not read");
    } else if (HwmonItemType(pin->Kind) != r.ItemType) {
        section.Problem("PinName", pin->Channel + " is a " + HwmonKindText(pin->Kind) +
                                       " channel, not of the item's type; the item is not read");
    } else if (r.Factor == 0) {
        section.Problem("Factor", "0 would make every reading infinite; the item is not read");
    } else {
        return true;
    }
    return false;
}

}  // namespace

std::string CMonitorEngine::BuildConfigFileName() {
    std::string model = m_machine.SystemFact("MBModel");
    std::replace(model.begin(), model.end(), '/', '_');
    return m_machine.SystemFact("Path") + model + ".ini";
}

std::string CMonitorEngine::UserBoardFileName() {
    std::string model = m_machine.SystemFact("MBModel");
    std::replace(model.begin(), model.end(), '/', '_');
    return XdgConfigHome() + "/vornpilot/" + model + ".ini";
}

std::string CMonitorEngine::BoardFilePath() {
    const std::string own = UserBoardFileName();
    return ::access(own.c_str(), F_OK) == 0 ? own : BuildConfigFileName();
}

bool CMonitorEngine::WillReadChip() {
    const std::string path = BoardFilePath();
    if (m_hwmonAsked || ::access(path.c_str(), F_OK) != 0)
        return false;
    CIniFile ini;
    if (!ini.Load(path))
        return true;
    const int32_t count = ini.GetInt(GLOBAL_SECTION, "Total_Item_Count", 0);
    if (count <= 0)
        return true;
    for (int32_t i = 1; i <= count; ++i) {
        if (!IsHwmonPin(ini.GetString("ITEM" + std::to_string(i), "PinName").value_or("")))
            return true;
    }
    return false;
}

bool CMonitorEngine::LoadConfigFile() {
    // Read once: every key below comes from this one parse.
    CIniFile ini;
    m_boardProblems.clear();
    m_noPowerOffItems.clear();
    m_unreadItems.clear();
    // A missing file is said as such by the start; its keys are not listed one by one.
    if (::access(m_configFilePath.c_str(), F_OK) != 0 || !ini.Load(m_configFilePath))
        return false;
    CSectionReader global(ini, GLOBAL_SECTION, m_configFilePath, m_boardProblems);
    if (!ini.HasSection(GLOBAL_SECTION))
        global.Problem("", "the section is missing");
    std::optional<int32_t> count = global.Int("Total_Item_Count");
    if (!count)
        return false;
    m_itemCount = *count;
    if (m_itemCount <= 0)
        global.Problem("Total_Item_Count", std::to_string(m_itemCount) + ": there are no items");
    std::optional<int32_t> beep = global.Int("Global_Beep_Enable");
    if (!beep)
        return false;
    m_fileGlobalBeep = *beep == 1;

    for (int32_t i = 1; i <= m_itemCount; ++i) {
        CSectionReader section(ini, "ITEM" + std::to_string(i), m_configFilePath, m_boardProblems);
        if (!ini.HasSection("ITEM" + std::to_string(i)))
            section.Problem("", "the section is missing");
        auto record = std::make_unique<SensorItemConfig>();
        SensorItemConfig& r = *record;
        r.ItemNo = i;
        r.Name = section.Text("Name");
        r.PinName = section.Text("PinName");

        bool complete = true;
        auto integer = [&](const char* key, auto store) {
            if (!complete)
                return;
            std::optional<int32_t> v = section.Int(key);
            if (!v) {
                complete = false;
                return;
            }
            store(*v);
        };
        integer("ItemType", [&](int32_t v) { r.ItemType = v; });
        integer("Negative", [&](int32_t v) { r.Negative = v != 0; });
        integer("Enable", [&](int32_t v) { r.Enable = v != 0; });
        integer("BeepEnable", [&](int32_t v) { r.BeepEnable = v != 0; });
        integer("ShutDownEnable", [&](int32_t v) { r.ShutDownEnable = v != 0; });
        integer("HiBound", [&](int32_t v) { r.HiBound = FromThousandths(v); });
        integer("LoBound", [&](int32_t v) { r.LoBound = FromThousandths(v); });
        integer("HiLimit", [&](int32_t v) { r.HiLimit = FromThousandths(v); });
        integer("LoLimit", [&](int32_t v) { r.LoLimit = FromThousandths(v); });
        integer("Factor", [&](int32_t v) { r.Factor = FromThousandths(v); });
        integer("CpuNo", [&](int32_t v) { r.CpuNo = static_cast<uint8_t>(v & 0xFF); });
        if (complete && r.ItemType == ITEM_FAN) {
            integer("SmartFanSupport", [&](int32_t v) { r.SmartFanSupport = v != 0; });
            integer("SmartFanEnable", [&](int32_t v) { r.SmartFanEnable = v != 0; });
            integer("TargetTemp", [&](int32_t v) { r.TargetTemp = v; });
            integer("ToleranceTemp", [&](int32_t v) { r.ToleranceTemp = v; });
            integer("StartCtrl", [&](int32_t v) { r.StartCtrl = v; });
            integer("StopCtrl", [&](int32_t v) { r.StopCtrl = v; });
        }
        if (!complete)
            return false;
        // Optional, so that board files written before it read as they did.
        if (IsHwmonPin(r.PinName) && ini.GetString("ITEM" + std::to_string(i), "Offset"))
            r.Offset = FromThousandths(section.Int("Offset").value_or(MISSING));
        // Read as written, but an item whose type or pin cannot be read is said to be so (its
        // item is listed but never read or programmed).
        const PinRecord* pin = FindPin(r.PinName);
        if (r.ItemType != ITEM_VOLTAGE && r.ItemType != ITEM_TEMPERATURE &&
            r.ItemType != ITEM_FAN) {
            section.Problem("ItemType", std::to_string(r.ItemType) +
                                            " is not 1 (voltage), 2 (temperature) or 3 (fan); "
                                            "the item is not read");
            m_unreadItems.push_back(i);
        } else if (IsHwmonPin(r.PinName)) {
            if (!CheckHwmonPin(section, r))
                m_unreadItems.push_back(i);
        } else if (pin == nullptr) {
            // Binding fails for it and the start says so.
            section.Problem("PinName",
                            "\"" + r.PinName + "\" is not a pin of the chip; the item is not read");
        } else if (!PinFitsType(PinRegister(*pin), r.ItemType)) {
            section.Problem("PinName", r.PinName + " is " + PinKind(PinRegister(*pin)) +
                                           ", not of the item's type; the item is not read");
            m_unreadItems.push_back(i);
        } else if (r.ItemType == ITEM_VOLTAGE && r.Factor == 0) {
            section.Problem("Factor", "0 would make every reading infinite; the item is not read");
            m_unreadItems.push_back(i);
        }
        // A typing slip ("7e4" read as 7) must not power the computer off: the item keeps its
        // values as read but never arms the power-off until the file is mended.
        if (section.Unclear()) {
            m_noPowerOffItems.push_back(i);
            if (r.ShutDownEnable) {
                r.ShutDownEnable = false;
                section.Problem("ShutDownEnable",
                                "switched off, because a value of the item is not a whole "
                                "number");
            }
        }
        m_fileRecords.push_back(std::move(record));
    }
    return true;
}

bool CMonitorEngine::LoadRegistryConfig() {
    m_registryRecords.clear();
    if (!m_settings.ReadGlobalValues(&m_registryGlobalBeep))
        return false;

    m_registryFilledIn = false;
    // The board file's count rules the table. An item whose saved values are missing or of the
    // wrong type (a file cut short, a value typed by hand) gets the board file's settings alone,
    // and the user is told which value it was; the other items keep theirs.
    for (int32_t n = 1; n <= m_itemCount; ++n) {
        auto record = std::make_unique<SensorItemConfig>();
        std::string problem;
        const SensorItemConfig* file =
            static_cast<size_t>(n) <= m_fileRecords.size() ? m_fileRecords[n - 1].get() : nullptr;
        // A hwmon sensor's settings are found by the sensor, wherever it is in the table now.
        const bool read = file != nullptr && IsHwmonPin(file->PinName)
                              ? m_settings.ReadHwmonItem(file->PinName, n, record.get(), &problem)
                              : m_settings.ReadItem(n, record.get(), &problem);
        if (!read) {
            if (file == nullptr)
                return false;
            if (!problem.empty()) {
                SettingsNotice("the settings file " + m_settings.FilePath() + ": " + problem +
                               "; item " + std::to_string(n) + " uses the board file's settings");
            }
            *record = *file;
            m_registryFilledIn = true;
        }
        m_registryRecords.push_back(std::move(record));
    }
    return true;
}

bool CMonitorEngine::KeepSettingsAside() {
    const std::string path = m_settings.FilePath();
    std::string aside, error;
    if (!m_settings.CopyAside(&aside, &error)) {
        SettingsNotice("the saved settings in " + path +
                       " do not fit this board's table and could not be kept aside (" + error +
                       "); they are left as they are");
        return false;
    }
    if (!aside.empty()) {
        SettingsNotice("the saved settings in " + path +
                       " do not fit this board's table; they were kept as " + aside +
                       " and the board file's settings replace them");
    }
    return true;
}

CMonitorEngine::EApplyResult CMonitorEngine::ApplyRecords(
    const std::vector<std::unique_ptr<SensorItemConfig>>& records, ERecordSource from,
    bool globalBeep) {
    const bool registry = from == ERecordSource::Registry;
    for (const auto& record : records) {
        CSensorItem* item = FindItem(record->ItemNo);
        if (item == nullptr)
            return EApplyResult::NoSuchItem;
        // An item whose pin is not in the chip's table cannot be programmed; it must not keep
        // every other item from getting its settings.
        // A hwmon sensor not there now keeps its settings for when it comes back: nothing of
        // them reaches a device.
        if (!item->IsBound() && !IsHwmonPin(item->GetPinName()))
            continue;
        if (!(registry ? item->ApplySettings(*record) : item->ApplySettings()))
            return EApplyResult::ChipFailed;
        // FanPilot goes to fans whose control is on in the board file or, for the user's own
        // settings, in the saved record: a user's "on" survives a restart, a user's "off"
        // switches off a fan the board file starts in automatic mode, and fans nobody switched
        // keep the chip's own settings.
        bool fanPilot = item->GetSmartFanEnable() ||
                        (registry && record->SmartFanEnable && item->GetSmartFanSupport());
        if (item->GetItemType() == ITEM_FAN && fanPilot &&
            !(registry ? item->ApplyFanControl(*record) : item->ApplyFanControl()))
            return EApplyResult::ChipFailed;
    }
    if (Offers(EChipFeature::Beep) && m_chip->SetGlobalBeep(globalBeep) < 1)
        return EApplyResult::ChipFailed;
    m_globalBeep = globalBeep;
    return EApplyResult::Applied;
}

bool CMonitorEngine::ApplyRegistryConfig() {
    m_lastApply = ApplyRecords(m_registryRecords, ERecordSource::Registry, m_registryGlobalBeep);
    return m_lastApply == EApplyResult::Applied;
}

bool CMonitorEngine::ApplyFileConfig() {
    m_lastApply = ApplyRecords(m_fileRecords, ERecordSource::BoardFile, m_fileGlobalBeep);
    return m_lastApply == EApplyResult::Applied;
}

void CMonitorEngine::KeepUnclearItemsFromPowerOff() {
    for (int32_t itemNo : m_noPowerOffItems) {
        CSensorItem* item = FindItem(itemNo);
        if (item == nullptr || !item->IsShutdownEnabled())
            continue;
        item->SetShutdownEnabled(false);
        // Said once per item: the board file's own setting may have been switched off already.
        const std::string said =
            m_configFilePath + ": [ITEM" + std::to_string(itemNo) + "] ShutDownEnable: ";
        if (std::none_of(m_boardProblems.begin(), m_boardProblems.end(),
                         [&](const std::string& p) { return p.rfind(said, 0) == 0; })) {
            m_boardProblems.push_back(said +
                                      "the saved setting is switched off, because a value of "
                                      "the item is not a whole number");
        }
    }
}

bool CMonitorEngine::SaveRegistryConfig() {
    return m_settings.InOneWrite([&] {
        if (!m_settings.WriteGlobalValues(m_itemCount, m_globalBeep))
            return false;
        for (const auto& item : m_items) {
            if (!m_settings.WriteItem(item->Config()))
                return false;
        }
        return true;
    });
}
