#include "user_settings.h"

#include <fstream>
#include <iterator>
#include <type_traits>
#include <variant>

#include "atomic_file.h"
#include "hive_file.h"
#include "hwmon_pin.h"
#include "registry_store.h"
#include "thousandths.h"

namespace {

constexpr const char* SETTINGS_KEY = "Software\\VORN\\HWM";
constexpr const char* ITEM_COUNT = "Total_Item_Count";
constexpr const char* GLOBAL_BEEP = "Global_Beep_Enable";

// One value of an item's record and the field it holds. Texts are REG_SZ; numbers and switches
// (0/1) are REG_DWORD; limits are signed thousandths in a REG_DWORD.
struct SItemValue {
    const char* name;
    std::variant<std::string SensorItemConfig::*, int32_t SensorItemConfig::*,
                 bool SensorItemConfig::*, double SensorItemConfig::*>
        field;
    bool fanOnly = false;
};

// In the order they are read and written; a fan's record holds the last six too.
const SItemValue ITEM_VALUES[] = {
    {"Name", &SensorItemConfig::Name},
    {"PinName", &SensorItemConfig::PinName},
    {"ItemNo", &SensorItemConfig::ItemNo},
    {"ItemType", &SensorItemConfig::ItemType},
    {"Enable", &SensorItemConfig::Enable},
    {"BeepEnable", &SensorItemConfig::BeepEnable},
    {"ShutDownEnable", &SensorItemConfig::ShutDownEnable},
    {"HiLimit", &SensorItemConfig::HiLimit},
    {"LoLimit", &SensorItemConfig::LoLimit},
    {"SmartFanSupport", &SensorItemConfig::SmartFanSupport, true},
    {"SmartFanEnable", &SensorItemConfig::SmartFanEnable, true},
    {"TargetTemp", &SensorItemConfig::TargetTemp, true},
    {"ToleranceTemp", &SensorItemConfig::ToleranceTemp, true},
    {"StartCtrl", &SensorItemConfig::StartCtrl, true},
    {"StopCtrl", &SensorItemConfig::StopCtrl, true},
};

bool IsOn(const SSwitchSetting& setting, const std::string& text) {
    return text == setting.onText || (text.empty() && setting.onWhenUnset);
}

std::string ItemKey(int32_t itemNo) {
    return std::string(SETTINGS_KEY) + "\\" + std::to_string(itemNo);
}

bool ReadValue(const CRegistryStore& store, const std::string& key, const SItemValue& value,
               SensorItemConfig* record) {
    return std::visit(
        [&](auto field) {
            auto& out = record->*field;
            using T = std::remove_reference_t<decltype(out)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return store.GetString(key, value.name, &out);
            } else {
                uint32_t v = 0;
                if (!store.GetDword(key, value.name, &v))
                    return false;
                if constexpr (std::is_same_v<T, bool>)
                    out = v != 0;
                else if constexpr (std::is_same_v<T, double>)
                    out = FromThousandths(static_cast<int32_t>(v));
                else
                    out = static_cast<int32_t>(v);
                return true;
            }
        },
        value.field);
}

bool WriteValue(CRegistryStore& store, const std::string& key, const SItemValue& value,
                const SensorItemConfig& record) {
    return std::visit(
        [&](auto field) {
            const auto& in = record.*field;
            using T = std::remove_cvref_t<decltype(in)>;
            if constexpr (std::is_same_v<T, std::string>)
                return store.SetString(key, value.name, in);
            else if constexpr (std::is_same_v<T, bool>)
                return store.SetDword(key, value.name, in ? 1 : 0);
            else if constexpr (std::is_same_v<T, double>)
                return store.SetDword(key, value.name, static_cast<uint32_t>(ToThousandths(in)));
            else
                return store.SetDword(key, value.name, static_cast<uint32_t>(in));
        },
        value.field);
}

// A backslash would split the key: none is in a sysfs path, but the pin is the board file's text.
std::string HwmonItemKey(const std::string& pinName) {
    std::string name = pinName.substr(std::string(HWMON_PIN_PREFIX).size());
    for (char& c : name) {
        if (c == '\\' || c == '\n' || c == '\r')
            c = '/';
    }
    return std::string(SETTINGS_KEY) + "\\hwmon\\" + name;
}

std::string RecordKey(const SensorItemConfig& record) {
    return IsHwmonPin(record.PinName) ? HwmonItemKey(record.PinName) : ItemKey(record.ItemNo);
}

bool ReadRecord(const CRegistryStore& store, const std::string& key, SensorItemConfig* record,
                std::string* problem) {
    for (const SItemValue& value : ITEM_VALUES) {
        // The type is read before the fan's values.
        if (value.fanOnly && record->ItemType != ITEM_FAN)
            break;
        if (!ReadValue(store, key, value, record)) {
            *problem = "value \"" + std::string(value.name) + "\" of [HKEY_CURRENT_USER\\" + key +
                       "] is missing or not of its type";
            return false;
        }
    }
    return true;
}

}  // namespace

CUserSettings::CUserSettings() : m_store(std::make_unique<CRegistryStore>()) {
    m_store->SetRoot(HKEY_CURRENT_USER);
}

CUserSettings::~CUserSettings() = default;

std::string CUserSettings::FilePath() const {
    return m_store->FilePath();
}

bool CUserSettings::Exists() const {
    return m_store->KeyExists(SETTINGS_KEY);
}

bool CUserSettings::Get(const SSwitchSetting& setting) const {
    std::string text;
    m_store->GetString(SETTINGS_KEY, setting.name, &text);
    return IsOn(setting, text);
}

std::string CUserSettings::Get(const STextSetting& setting) const {
    std::string text;
    m_store->GetString(SETTINGS_KEY, setting.name, &text);
    return text;
}

bool CUserSettings::Set(const SSwitchSetting& setting, bool on) {
    return m_store->SetString(SETTINGS_KEY, setting.name, on ? setting.onText : setting.offText);
}

bool CUserSettings::ReadGlobalValues(bool* globalBeep) const {
    uint32_t count = 0, beep = 0;
    if (!m_store->KeyExists(SETTINGS_KEY) || !m_store->GetDword(SETTINGS_KEY, ITEM_COUNT, &count) ||
        !m_store->GetDword(SETTINGS_KEY, GLOBAL_BEEP, &beep))
        return false;
    *globalBeep = beep == 1;
    return true;
}

bool CUserSettings::WriteGlobalValues(int32_t itemCount, bool globalBeep) {
    return m_store->SetDword(SETTINGS_KEY, ITEM_COUNT, static_cast<uint32_t>(itemCount)) &&
           m_store->SetDword(SETTINGS_KEY, GLOBAL_BEEP, globalBeep ? 1 : 0);
}

bool CUserSettings::ReadItem(int32_t itemNo, SensorItemConfig* record, std::string* problem) const {
    return ReadRecord(*m_store, ItemKey(itemNo), record, problem);
}

bool CUserSettings::ReadHwmonItem(const std::string& pinName, int32_t itemNo,
                                  SensorItemConfig* record, std::string* problem) const {
    const std::string key = HwmonItemKey(pinName);
    // A sensor never saved (a device new to this machine) is no problem to speak of.
    if (!m_store->KeyExists(key)) {
        problem->clear();
        return false;
    }
    if (!ReadRecord(*m_store, key, record, problem))
        return false;
    record->ItemNo = itemNo;
    return true;
}

bool CUserSettings::WriteItem(const SensorItemConfig& record) {
    const std::string key = RecordKey(record);
    for (const SItemValue& value : ITEM_VALUES) {
        if (value.fanOnly && record.ItemType != ITEM_FAN)
            break;
        if (!WriteValue(*m_store, key, value, record))
            return false;
    }
    return true;
}

bool CUserSettings::InOneWrite(const std::function<bool()>& writes) {
    CRegistryBatch batch(*m_store);
    const bool ok = writes();
    const bool written = batch.Commit();
    return ok && written;
}

bool CUserSettings::CopyAside(std::string* aside, std::string* error) const {
    aside->clear();
    const std::string path = FilePath();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return true;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = AsideName(path, "replaced");
    if (!AtomicWriteFile(name, text, error))
        return false;
    *aside = name;
    return true;
}

bool UnitIsCelsius(const std::string& unit) {
    return IsOn(UNIT_CELSIUS, unit);
}
