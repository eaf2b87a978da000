#include "engine_commands.h"

#include "user_settings.h"

CEngineCommands::CEngineCommands(EngineSource engine) : m_engine(std::move(engine)) {}

void CEngineCommands::TakeStoredUnit() {
    m_celsius = CUserSettings().Get(UNIT_CELSIUS);
}

CSensorItem* CEngineCommands::Item(int32_t itemNo) const {
    return m_engine() != nullptr ? m_engine()->FindItem(itemNo) : nullptr;
}

std::vector<SItemSettings> CEngineCommands::ItemSettings() const {
    std::vector<SItemSettings> out;
    const CMonitorEngine* engine = m_engine();
    if (engine == nullptr)
        return out;
    for (const auto& item : engine->Items()) {
        if (auto settings = ItemSettingsOf(item->GetItemNo()))
            out.push_back(std::move(*settings));
    }
    return out;
}

std::optional<SItemSettings> CEngineCommands::ItemSettingsOf(int32_t itemNo) const {
    const CSensorItem* item = Item(itemNo);
    if (item == nullptr)
        return std::nullopt;
    SItemSettings s;
    s.itemNo = item->GetItemNo();
    s.name = item->GetName();
    s.pin = item->GetPinName();
    s.type = item->GetItemType();
    s.missingProcessor = item->GetCpuNo() == 2 && !m_engine()->IsMultiProcessor();
    s.enabled = item->IsEnabled();
    s.beepEnable = item->IsBeepEnabled();
    s.shutdownEnable = item->IsShutdownEnabled();
    item->GetLimits(&s.hiLimit, &s.loLimit);
    item->GetLimitRange(&s.hiBound, &s.loBound);
    s.smartFanSupport = item->GetSmartFanSupport();
    s.smartFanEnable = item->GetSmartFanEnable();
    s.targetTemp = item->GetTargetTemp();
    s.toleranceTemp = item->GetToleranceTemp();
    s.startCtrl = item->GetStartCtrl();
    s.stopCtrl = item->GetStopCtrl();
    return s;
}

bool CEngineCommands::GlobalBeep() const {
    return m_engine() != nullptr && m_engine()->GetGlobalBeepEnable();
}

bool CEngineCommands::BeepOffered() const {
    return m_engine() == nullptr || m_engine()->Offers(EChipFeature::Beep);
}

bool CEngineCommands::SetItemEnabled(int32_t itemNo, bool on) {
    return OnItem(itemNo, [&](CSensorItem& item) {
        item.SetEnabled(on);
        return true;
    });
}

bool CEngineCommands::SetItemBeepBit(int32_t itemNo, bool on) {
    return OnItem(itemNo, [&](CSensorItem& item) { return item.SetBeepBit(on); });
}

bool CEngineCommands::SetItemBeepFlag(int32_t itemNo, bool on) {
    return OnItem(itemNo, [&](CSensorItem& item) {
        item.SetBeepFlag(on);
        return true;
    });
}

bool CEngineCommands::SetItemShutdown(int32_t itemNo, bool on) {
    return OnItem(itemNo, [&](CSensorItem& item) {
        item.SetShutdownEnabled(on);
        return true;
    });
}

bool CEngineCommands::SetItemLimits(int32_t itemNo, double hi, double lo) {
    return OnItem(itemNo, [&](CSensorItem& item) { return item.SetLimits(hi, lo); });
}

bool CEngineCommands::ApplyBoardFileSettings(int32_t itemNo) {
    return OnItem(itemNo, [&](CSensorItem& item) { return item.ApplySettings(); });
}

bool CEngineCommands::SetGlobalBeep(bool on) {
    return m_engine() != nullptr && m_engine()->SetGlobalBeepEnable(on);
}

bool CEngineCommands::SetFanPilot(int32_t itemNo, const SFanPilotValues& values) {
    CSensorItem* item = Item(itemNo);
    if (item == nullptr)
        return false;
    // A value the chip refuses is refused by its setter and the item keeps what it had.
    item->SetSmartFan(values.enable);
    item->SetTargetTemp(values.targetTemp);
    item->SetToleranceTemp(values.toleranceTemp);
    item->SetStartCtrl(values.startCtrl);
    item->SetStopCtrl(values.stopCtrl);
    const SensorItemConfig own = item->Config();
    return item->ApplyFanControlFromDialog(own);
}

bool CEngineCommands::ApplyBoardFileFanPilot(int32_t itemNo) {
    return OnItem(itemNo, [&](CSensorItem& item) { return item.ApplyFanControl(); });
}

void CEngineCommands::SetCelsius(bool celsius) {
    // A failed write is not reported: the unit simply stays as it was stored.
    CUserSettings().Set(UNIT_CELSIUS, celsius);
    m_celsius = celsius;
}

bool CEngineCommands::SaveSettings() {
    return m_engine() != nullptr && m_engine()->SaveRegistryConfig();
}

bool CEngineCommands::RestoreFanControl() {
    return m_engine() != nullptr && m_engine()->RestoreFanControl();
}
