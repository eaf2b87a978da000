#include "monitor_session.h"

#include <cerrno>
#include <chrono>

#include "hwmon_channels.h"
#include "hwmon_pin.h"
#include "settings_notices.h"

namespace {

// The kernel driver's channel for a pin of the chip; "" for a pin it has none for.
std::string ChipChannel(const CSensorItem& item) {
    int n = -1;
    const char* kind = "";
    switch (item.GetItemType()) {
        case ITEM_VOLTAGE:
            n = HwmonVoltageChannel(item.GetPinRegister());
            kind = "in";
            break;
        case ITEM_TEMPERATURE:
            n = HwmonTemperatureChannel(item.GetPinRegister(), item.GetPinBank());
            kind = "temp";
            break;
        case ITEM_FAN:
            n = HwmonFanChannel(item.GetPinRegister());
            kind = "fan";
            break;
        default:
            break;
    }
    return item.IsBound() && n >= 0 ? kind + std::to_string(n) : "";
}

int64_t SystemUnixMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const char* UnitOf(int32_t type) {
    switch (type) {
        case ITEM_VOLTAGE:
            return "V";
        case ITEM_TEMPERATURE:
            return "\xC2\xB0"
                   "C";
        case ITEM_FAN:
            return "rpm";
        default:
            return "";
    }
}

}  // namespace

CMonitorSession::CMonitorSession(IMachine& machine, CPortGuard& guard, WallClock wallClock)
    : m_machine(machine),
      m_guard(guard),
      m_ownPath(CChipPath::Raw(guard)),
      m_path(*m_ownPath),
      m_wallClock(wallClock ? std::move(wallClock) : WallClock(SystemUnixMs)) {}

CMonitorSession::CMonitorSession(IMachine& machine, CPortGuard& guard, CChipPath& path,
                                 WallClock wallClock)
    : m_machine(machine),
      m_guard(guard),
      m_path(path),
      m_wallClock(wallClock ? std::move(wallClock) : WallClock(SystemUnixMs)) {}

CMonitorSession::~CMonitorSession() = default;

void CMonitorSession::Subscribe(Subscriber subscriber) {
    m_subscribers.push_back(std::move(subscriber));
}

void CMonitorSession::Rearm() {
    m_guard.Rearm();
}

void CMonitorSession::CreateEngine() {
    // The old engine goes first: it writes back the SMI masks it saved, which the new one reads.
    m_engine.reset();
    m_engine = std::make_unique<CMonitorEngine>(m_machine, m_path.Access());
    if (m_hwmonAsked)
        m_engine->AskForHwmonItems();
    m_engine->Initialize();
    ++m_counts.engineStarts;
    m_lastRead.assign(m_engine->Items().size(), 0);
}

void CMonitorSession::StartEngine() {
    // What the way to the chip lacks is said once, before the first pass shows it.
    if (!m_pathNoticed && !m_path.Notice().empty())
        SettingsNotice(m_path.Notice());
    m_pathNoticed = true;
    Rearm();
    CreateEngine();
}

void CMonitorSession::FirstPass() {
    if (!m_engine)
        return;
    const int64_t startNs = m_machine.PerfCounter();
    const int64_t startMs = m_wallClock();
    const bool ranItems = Pass();
    Publish(startMs, startNs, ranItems, true);
    // The first pass shows Celsius; the stored unit takes over from the next one.
    m_commands.TakeStoredUnit();
}

bool CMonitorSession::Pass() {
    if (!m_engine || m_engine->StartProblem() == EStartProblem::ChipUnreachable)
        return false;
    const bool ran = m_engine->UpdateAll();
    m_engine->SilenceMissingProcessorItems();
    return ran;
}

void CMonitorSession::RunPass() {
    if (!m_engine)
        return;
    Rearm();
    const int64_t startNs = m_machine.PerfCounter();
    const int64_t startMs = m_wallClock();
    bool itemsNew = false;
    if (m_engine->StartProblem() == EStartProblem::ChipUnreachable) {
        CreateEngine();
        itemsNew = m_engine->StartProblem() != EStartProblem::ChipUnreachable;
    }
    const bool ranItems = Pass();
    Publish(startMs, startNs, ranItems, itemsNew);
}

void CMonitorSession::End() {
    if (!m_engine)
        return;
    Rearm();
    m_engine->RestoreFanControl();
    m_engine.reset();
}

std::shared_ptr<const SPassSnapshot> CMonitorSession::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_snapshotMutex);
    return m_snapshot;
}

void CMonitorSession::Publish(int64_t startUnixMs, int64_t startNs, bool ranItems, bool itemsNew) {
    auto s = std::make_shared<SPassSnapshot>();
    s->pass = ++m_passNumber;
    s->itemsNew = itemsNew;
    s->unixTimeMs = startUnixMs;
    s->startProblem = m_engine->StartProblem();
    s->boardFile = m_engine->ConfigFilePath();
    s->boardFileProblems = m_engine->BoardFileProblems();
    s->hwmonItems = m_engine->ItemSource() == CMonitorEngine::EItemSource::Hwmon;
    s->hwmonDir = m_engine->HwmonClassDir();
    s->chipUsed = m_engine->UsesChip();
    s->settingsNotices = SettingsNotices();
    s->chipPath = m_path.Label();
    s->beepOffered = m_engine->Offers(EChipFeature::Beep);
    // Without the beeper every beep is off, whatever the settings keep for the raw way.
    if (m_engine->SettingsSource() != CMonitorEngine::ESettingsSource::None)
        s->globalBeep = s->beepOffered && m_engine->GetGlobalBeepEnable();
    s->celsius = m_commands.Celsius();
    // Items of hwmon sensors get their alarms with their readings: without the chip there is no
    // status to read, and only the readings tell whether anything answered.
    const bool chipStatus = s->chipUsed && s->startProblem != EStartProblem::ChipUnreachable &&
                            m_engine->LastStatusResult() >= 1;
    s->statusRead = chipStatus || (!s->chipUsed && ranItems);
    const bool multiProcessor = m_engine->IsMultiProcessor();

    bool anyRead = false;
    uint64_t readFailures = 0;
    const auto& items = m_engine->Items();
    s->items.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        CSensorItem& item = *items[i];
        SItemSnapshot& out = s->items.emplace_back();
        out.itemNo = item.GetItemNo();
        out.name = item.GetName();
        out.type = item.GetItemType();
        out.pin = item.GetPinName();
        if (const CHwmonInput* input = item.HwmonInput()) {
            out.device = input->DeviceName();
            out.deviceId = input->Identity();
            out.sensor = input->Channel().Channel;
        } else if (const std::optional<SHwmonPin> pin = ParseHwmonPin(out.pin)) {
            out.deviceId = pin->Identity;
            out.sensor = pin->Channel;
        } else if (!IsHwmonPin(out.pin)) {
            out.device = HWMON_CHIP_NAME;
            out.sensor = ChipChannel(item);
        }
        out.unit = UnitOf(out.type);
        out.value = item.GetValue();
        item.GetLimits(&out.hiLimit, &out.loLimit);
        out.enabled = item.IsEnabled();
        out.available = item.GetCpuNo() != 2 || multiProcessor;
        out.bound = item.IsBound();
        out.alarm = item.IsAlarm();
        out.beepEnable = s->beepOffered && item.IsBeepEnabled();
        out.shutdownEnable = item.IsShutdownEnabled();
        out.powerOffIn = item.ShutdownSecondsLeft();

        const bool fresh = ranItems && item.IsValueFresh();
        if (fresh) {
            m_lastRead[i] = startUnixMs;
            anyRead = true;
        }
        out.lastReadUnixMs = m_lastRead[i];
        const bool shown = out.enabled && out.available;
        out.stale = shown && (!fresh || !s->statusRead);
        if (shown && out.bound && !fresh)
            ++readFailures;
    }
    s->chipAnswered = chipStatus || anyRead;
    s->serviceBusy = !s->chipAnswered && m_guard.LastError() == EBUSY;

    ++m_counts.passes;
    if (!s->chipAnswered)
        ++m_counts.passesWithoutChip;
    if (!s->statusRead)
        ++m_counts.statusReadFailures;
    m_counts.itemReadFailures += readFailures;
    s->counts = m_counts;
    s->durationNs = m_machine.PerfCounter() - startNs;

    std::shared_ptr<const SPassSnapshot> published = std::move(s);
    {
        std::lock_guard<std::mutex> lock(m_snapshotMutex);
        m_snapshot = published;
    }
    for (const Subscriber& subscriber : m_subscribers)
        subscriber(*published);
}
