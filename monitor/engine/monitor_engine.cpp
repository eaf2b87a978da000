#include "monitor_engine.h"

#include <unistd.h>

#include <algorithm>

#include "raw_chip.h"

CMonitorEngine::CMonitorEngine(IMachine& machine, IPortIo& io)
    : m_ownAccess(std::make_unique<CRawChipAccess>(io)),
      m_access(*m_ownAccess),
      m_chip(m_access.NewChip()),
      m_machine(machine) {
    m_modulePath.Run(machine.ModuleFileName(), machine.Notifier());
}

CMonitorEngine::CMonitorEngine(IMachine& machine, IChipAccess& access)
    : m_access(access), m_chip(m_access.NewChip()), m_machine(machine) {
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

EStartProblem CMonitorEngine::Start() {
    // The kernel's driver keeps the chip's SMI and set-up registers to itself.
    if (m_chip->Offers(EChipFeature::SmiMasks)) {
        if (m_chip->ReadSmiMasks(m_savedSmiMasks) < 1)
            return EStartProblem::ChipUnreachable;
        m_smiSaved = true;
        if (m_chip->MaskMoreSmiSources() < 1)
            return EStartProblem::ChipUnreachable;
        if (m_access.NewChip()->MakeSetupWrites() < 1)
            return EStartProblem::ChipUnreachable;
    }

    m_configFilePath = BuildConfigFileName();
    if (!LoadConfigFile()) {
        return ::access(m_configFilePath.c_str(), F_OK) == 0 ? EStartProblem::BoardFileIncomplete
                                                             : EStartProblem::BoardFileMissing;
    }

    bool allBound = true;
    for (const auto& record : m_fileRecords) {
        auto item = std::make_unique<CSensorItem>(record.get(), m_machine, m_access.NewChip());
        // An item that fails to bind stays listed; the apply steps pass it by. One the board
        // file's problems say is not read is listed without touching the chip.
        if (std::find(m_unreadItems.begin(), m_unreadItems.end(), record->ItemNo) !=
            m_unreadItems.end()) {
            item->ListUnbound();
        } else {
            if (!item->Bind())
                allBound = false;
            item->ReadLimits();
        }
        m_items.push_back(std::move(item));
    }
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
    if (m_chip->Offers(EChipFeature::Beep) && m_chip->SetGlobalBeep(on) < 1)
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
    int r = m_chip->ReadRealTimeStatus(s);
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
    if (UpdateAlarmStates() == 0)
        return false;
    for (const auto& item : m_items)
        item->UpdateItem();
    return true;
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
