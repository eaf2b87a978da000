#include "monitor_engine.h"

#include <unistd.h>

#include <algorithm>

#include "hwmon_board_file.h"
#include "hwmon_pin.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "raw_chip.h"
#include "sysfs_root.h"

CMonitorEngine::CMonitorEngine(IMachine& machine, IPortIo& io)
    : m_ownAccess(std::make_unique<CRawChipAccess>(io)),
      m_access(*m_ownAccess),
      m_machine(machine) {
    m_modulePath.Run(machine.ModuleFileName(), machine.Notifier());
}

CMonitorEngine::CMonitorEngine(IMachine& machine, IChipAccess& access)
    : m_access(access), m_machine(machine) {
    m_modulePath.Run(machine.ModuleFileName(), machine.Notifier());
}

CMonitorEngine::~CMonitorEngine() {
    m_items.clear();
    m_fileRecords.clear();
    m_registryRecords.clear();
    // Masks that were never read are not written: zeros would unmask every SMI source.
    if (m_smiSaved && m_chip->WriteSmiMasks(m_savedSmiMasks) < 1)
        m_machine.Notifier().ShowMessage(APP_TITLE, "Can't restore SMI!");
}

bool CMonitorEngine::Initialize() {
    if (m_initialized)
        return false;
    m_initialized = true;
    m_startProblem = Start();
    return m_startProblem == EStartProblem::None;
}

bool CMonitorEngine::SetUpChip() {
    m_chip = m_access.NewChip();
    // The kernel's driver keeps the chip's SMI and set-up registers to itself.
    if (!m_chip->Offers(EChipFeature::SmiMasks))
        return true;
    if (m_chip->ReadSmiMasks(m_savedSmiMasks) < 1)
        return false;
    m_smiSaved = true;
    return m_chip->MaskMoreSmiSources() >= 1 && m_access.NewChip()->MakeSetupWrites() >= 1;
}

std::string CMonitorEngine::HwmonClassDir() const {
    return m_sysfsRoot + "/class/hwmon";
}

bool CMonitorEngine::LoadHwmonRecords() {
    m_fileRecords.clear();
    m_boardProblems.clear();
    m_noPowerOffItems.clear();
    m_unreadItems.clear();
    for (const SensorItemConfig& record :
         HwmonItemRecords(m_hwmonDevices, ReadHwmonDevices(m_hwmonDevices)))
        m_fileRecords.push_back(std::make_unique<SensorItemConfig>(record));
    m_itemCount = static_cast<int32_t>(m_fileRecords.size());
    m_fileGlobalBeep = false;
    return !m_fileRecords.empty();
}

void CMonitorEngine::CreateItems(bool* allBound) {
    *allBound = true;
    for (const auto& record : m_fileRecords) {
        auto item = std::make_unique<CSensorItem>(
            record.get(), m_machine, IsHwmonPin(record->PinName) ? nullptr : m_access.NewChip());
        // An item that fails to bind stays listed; the apply steps pass it by. One the board
        // file's problems say is not read is listed without touching the chip.
        if (std::find(m_unreadItems.begin(), m_unreadItems.end(), record->ItemNo) !=
            m_unreadItems.end()) {
            item->ListUnbound();
        } else if (IsHwmonPin(record->PinName)) {
            if (!item->BindHwmon(m_hwmonDevices)) {
                *allBound = false;
                m_boardProblems.push_back(m_configFilePath + ": [ITEM" +
                                          std::to_string(record->ItemNo) +
                                          "] PinName: " + record->PinName +
                                          ": no such sensor on this machine; the item is not read");
            }
        } else {
            if (!item->Bind())
                *allBound = false;
            item->ReadLimits();
        }
        m_items.push_back(std::move(item));
    }
}

EStartProblem CMonitorEngine::Start() {
    m_sysfsRoot = SysfsRoot();
    // A user may keep a board file of their own (one written by --write-board-file, edited).
    m_configFilePath = BoardFilePath();
    const bool boardFile = !m_hwmonAsked && ::access(m_configFilePath.c_str(), F_OK) == 0;
    bool loaded = boardFile && LoadConfigFile();
    // A board file keeps the chip unless every item names a hwmon sensor; one that cannot be
    // read, or lists no item, keeps the chip's set-up and status reads as it always has.
    m_usesChip = boardFile && (!loaded || m_fileRecords.empty() ||
                               std::any_of(m_fileRecords.begin(), m_fileRecords.end(),
                                           [](const auto& r) { return !IsHwmonPin(r->PinName); }));
    if (m_usesChip && !SetUpChip()) {
        m_fileRecords.clear();
        m_boardProblems.clear();
        return EStartProblem::ChipUnreachable;
    }
    if (boardFile && !loaded)
        return EStartProblem::BoardFileIncomplete;

    const bool hwmonPins =
        !boardFile || std::any_of(m_fileRecords.begin(), m_fileRecords.end(),
                                  [](const auto& r) { return IsHwmonPin(r->PinName); });
    if (hwmonPins)
        m_hwmonDevices = ScanHwmonDevices(m_sysfsRoot);
    if (!boardFile) {
        m_itemSource = EItemSource::Hwmon;
        if (!LoadHwmonRecords())
            return EStartProblem::NoSensors;
    }

    bool allBound = true;
    CreateItems(&allBound);
    const EStartProblem bound = allBound ? EStartProblem::None : EStartProblem::UnknownPin;

    const bool hadSettings = m_settings.Exists();
    if (LoadRegistryConfig() && ApplyRegistryConfig()) {
        m_settingsSource = ESettingsSource::Registry;
        KeepUnclearItemsFromPowerOff();
        // Items that got the board file's settings are saved with them: the file is whole again.
        if (m_registryFilledIn && !SaveRegistryConfig())
            return EStartProblem::SettingsNotSaved;
        return bound;
    }
    // The user's settings could not be used: the board file's apply. They replace the saved
    // ones only when those were missing or did not fit the table; when the chip refused them,
    // the saved settings stay for the next start.
    bool keepSaved = m_lastApply == EApplyResult::ChipFailed;
    m_settingsSource = ESettingsSource::BoardFile;
    if (!ApplyFileConfig() || keepSaved)
        return EStartProblem::SettingsRefused;
    if (hadSettings && !KeepSettingsAside())
        return EStartProblem::SettingsNotSaved;
    if (!SaveRegistryConfig())
        return EStartProblem::SettingsNotSaved;
    return bound;
}

CSensorItem* CMonitorEngine::FindItem(int32_t itemNo) const {
    for (const auto& item : m_items) {
        if (item->GetItemNo() == itemNo)
            return item.get();
    }
    return nullptr;
}

bool CMonitorEngine::SetGlobalBeepEnable(bool on) {
    if (Offers(EChipFeature::Beep) && m_chip->SetGlobalBeep(on) < 1)
        return false;
    m_globalBeep = on;
    return true;
}

bool CMonitorEngine::RestoreFanControl() {
    for (const auto& item : m_items) {
        if (item->GetItemType() == ITEM_FAN)
            item->RestoreFanControl();
    }
    return true;
}

int CMonitorEngine::UpdateAlarmStates() {
    uint8_t s[3] = {0, 0, 0};
    int r = m_chip ? m_chip->ReadRealTimeStatus(s) : 0;
    m_lastStatusResult = r;
    if (r < 1)
        return r;
    // An item without a status bit gets alarm false and the others are still decoded: one bad
    // pin name must not freeze every alarm after it.
    for (const auto& item : m_items)
        item->UpdateAlarmFromStatus(s);
    return r;
}

bool CMonitorEngine::UpdateAll() {
    if (m_usesChip && UpdateAlarmStates() == 0)
        return false;
    // Before the reads, so that a sensor found again is read in the same pass.
    FindMissingSensors();
    for (const auto& item : m_items)
        item->UpdateItem();
    return true;
}

void CMonitorEngine::FindMissingSensors() {
    std::vector<CSensorItem*> missing;
    for (const auto& item : m_items) {
        // An item its board file gets wrong stays unread.
        if (item->IsHwmonSensorMissing() && std::find(m_unreadItems.begin(), m_unreadItems.end(),
                                                      item->GetItemNo()) == m_unreadItems.end())
            missing.push_back(item.get());
    }
    if (missing.empty())
        return;
    const int64_t now = m_machine.PerfCounter();
    if (m_lastRescan != 0 && (now - m_lastRescan) / PERF_FREQUENCY < HWMON_RESCAN_SECONDS)
        return;
    m_lastRescan = std::max<int64_t>(now, 1);
    m_hwmonDevices = ScanHwmonDevices(m_sysfsRoot);
    for (CSensorItem* item : missing)
        item->FindHwmonAgain(m_hwmonDevices);
}

bool CMonitorEngine::IsMultiProcessor() {
    return m_machine.ProcessorCount() > 1;
}

void CMonitorEngine::SilenceMissingProcessorItems() {
    constexpr uint8_t SECOND_PROCESSOR = 2;
    if (IsMultiProcessor())
        return;
    for (int32_t type : {ITEM_TEMPERATURE, ITEM_VOLTAGE, ITEM_FAN}) {
        for (const auto& item : m_items) {
            if (item->GetItemType() != type || item->GetCpuNo() != SECOND_PROCESSOR)
                continue;
            item->SetBeepBit(false);
            item->SetEnabled(false);
        }
    }
}
