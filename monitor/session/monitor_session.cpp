#include "monitor_session.h"

#include <cerrno>
#include <chrono>

#include "registry_store.h"
#include "sensor_page_item.h"
#include "settings_notices.h"

namespace {

constexpr const char* UNIT_VALUE = "UNIT";

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

// The registry value "UNIT" of the user's settings; "" when missing.
std::string StoredUnit() {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    std::string unit;
    registry.GetString(SETTINGS_KEY, UNIT_VALUE, &unit);
    return unit;
}

}  // namespace

CMonitorSession::CMonitorSession(IMachine& machine, ISessionFront& front, SSessionFaces faces,
                                 CPortGuard& guard, WallClock wallClock)
    : m_machine(machine),
      m_front(front),
      m_faces(faces),
      m_guard(guard),
      m_wallClock(wallClock ? std::move(wallClock) : WallClock(SystemUnixMs)),
      m_page(
          faces.skin, faces.tray, faces.log,
          [this] { return m_engine && m_engine->IsMultiProcessor(); }, machine.SystemFact("Path")) {
}

CMonitorSession::~CMonitorSession() {
    // The page's items point into the engine.
    m_page.SetItems({});
}

void CMonitorSession::Rearm() {
    m_guard.Rearm();
}

void CMonitorSession::CreateEngine() {
    m_page.SetItems({});
    // The old engine goes first: it writes back the SMI masks it saved, which the new one reads.
    m_engine.reset();
    m_engine = std::make_unique<CMonitorEngine>(m_machine, m_guard);
    m_engine->Initialize();
    ++m_counts.engineStarts;
    m_lastRead.assign(m_engine->Items().size(), 0);
}

void CMonitorSession::StartEngine() {
    Rearm();
    CreateEngine();
}

void CMonitorSession::ShowNewEngine() {
    m_page.SetItems(PageItemsOf(*m_engine));
    m_passRanItems = Pass();
    m_front.LoadSkin(m_page.BuildSensorReport());
    m_page.UpdateStatusPage();
}

void CMonitorSession::StartPage() {
    const int64_t startNs = m_machine.PerfCounter();
    const int64_t startMs = m_wallClock();
    m_front.ReadFlags();
    ShowNewEngine();
    Publish(startMs, startNs, m_passRanItems);
    // The page's first update shows Celsius; the stored unit takes over from the next one.
    m_page.SetCelsius(UnitIsCelsius(StoredUnit()));
}

bool CMonitorSession::Pass() {
    if (!m_engine || m_engine->StartProblem() == EStartProblem::ChipUnreachable)
        return false;
    return m_engine->UpdateAll();
}

void CMonitorSession::RunPass() {
    if (!m_engine)
        return;
    Rearm();
    const int64_t startNs = m_machine.PerfCounter();
    const int64_t startMs = m_wallClock();
    if (m_engine->StartProblem() == EStartProblem::ChipUnreachable) {
        CreateEngine();
        if (m_engine->StartProblem() != EStartProblem::ChipUnreachable) {
            ShowNewEngine();
            Publish(startMs, startNs, m_passRanItems);
            return;
        }
    }
    m_passRanItems = Pass();
    m_page.UpdateStatusPage();
    Publish(startMs, startNs, m_passRanItems);
}

void CMonitorSession::End() {
    if (!m_engine)
        return;
    Rearm();
    m_engine->RestoreFanControl();
    m_page.SetItems({});
    m_engine.reset();
}

std::shared_ptr<const SPassSnapshot> CMonitorSession::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_snapshotMutex);
    return m_snapshot;
}

void CMonitorSession::Publish(int64_t startUnixMs, int64_t startNs, bool ranItems) {
    auto s = std::make_shared<SPassSnapshot>();
    s->pass = ++m_passNumber;
    s->unixTimeMs = startUnixMs;
    s->startProblem = m_engine->StartProblem();
    s->boardFile = m_engine->ConfigFilePath();
    s->boardFileProblems = m_engine->BoardFileProblems();
    s->settingsNotices = SettingsNotices();
    if (m_engine->SettingsSource() != CMonitorEngine::ESettingsSource::None)
        s->globalBeep = m_engine->GetGlobalBeepEnable();
    s->celsius = m_page.IsCelsius();
    s->statusRead =
        s->startProblem != EStartProblem::ChipUnreachable && m_engine->LastStatusResult() >= 1;
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
        out.unit = UnitOf(out.type);
        out.value = item.GetValue();
        item.GetLimits(&out.hiLimit, &out.loLimit);
        out.enabled = item.IsEnabled();
        out.available = item.GetCpuNo() != 2 || multiProcessor;
        out.bound = item.IsBound();
        out.alarm = item.IsAlarm();
        out.beepEnable = item.IsBeepEnabled();
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
    s->chipAnswered = s->statusRead || anyRead;
    s->serviceBusy = !s->chipAnswered && m_guard.LastError() == EBUSY;

    ++m_counts.passes;
    if (!s->chipAnswered)
        ++m_counts.passesWithoutChip;
    if (!s->statusRead)
        ++m_counts.statusReadFailures;
    m_counts.itemReadFailures += readFailures;
    s->counts = m_counts;
    s->durationNs = m_machine.PerfCounter() - startNs;

    std::lock_guard<std::mutex> lock(m_snapshotMutex);
    m_snapshot = std::move(s);
}
