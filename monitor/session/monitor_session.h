#pragma once
// One monitor session: the engine and its passes, driven the same way by every front end. Each
// pass ends with an immutable snapshot that the session publishes to its subscribers (the page,
// the tray, the console table, the JSON line, the metrics, the error log); a face is drawn from
// the snapshot alone and never reaches the engine. The dialogs change settings through the
// session's commands.
//
// Start-up, in the window's order: StartEngine (the engine prepares the chip and builds its
// items), then, once the front end is ready, FirstPass. A chip that could not be reached at
// start is tried again on every pass. End gives every fan its own control back and then
// destroys the engine, which writes the saved SMI masks back.
//
// Everything but Snapshot runs on the front end's one thread; Snapshot may be called from any.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "chip_path.h"
#include "engine_commands.h"
#include "machine.h"
#include "monitor_engine.h"
#include "pass_snapshot.h"
#include "port_guard.h"

class CMonitorSession {
  public:
    // Milliseconds since the Unix epoch: the time stamps of the snapshots.
    using WallClock = std::function<int64_t()>;
    using Subscriber = std::function<void(const SPassSnapshot&)>;

    // `guard` is the port every engine of the session reaches the chip through; it is re-armed
    // before every pass, start-up and ending so that one hung access costs at most one wait
    // each. `wallClock` defaults to the system clock.
    // The chip is reached through raw ports over `guard`.
    CMonitorSession(IMachine& machine, CPortGuard& guard, WallClock wallClock = {});
    // The chip is reached the way `path` chose (which must outlive the session); `guard` is the
    // raw ports' guard, used when that is the way.
    CMonitorSession(IMachine& machine, CPortGuard& guard, CChipPath& path,
                    WallClock wallClock = {});
    ~CMonitorSession();
    CMonitorSession(const CMonitorSession&) = delete;
    CMonitorSession& operator=(const CMonitorSession&) = delete;

    // Every snapshot goes to each subscriber, in the order they subscribed, once it is
    // published.
    void Subscribe(Subscriber subscriber);

    // Items from every hwmon sensor of the machine, whatever the board file; before StartEngine.
    void AskForHwmonItems() { m_hwmonAsked = true; }
    void StartEngine();
    // The first pass; its snapshot shows temperatures in Celsius, later ones in the stored unit.
    void FirstPass();
    // One pass (the engine is first started again while the chip was not reachable).
    void RunPass();
    void End();

    // The last complete pass; null before the first. Never a pass in progress.
    std::shared_ptr<const SPassSnapshot> Snapshot() const;

    // What the dialogs may do.
    IMonitorCommands& Commands() { return m_commands; }

  private:
    void CreateEngine();
    // UpdateAll and the rules that follow it; false when the engine has not started and the
    // pass could not run.
    bool Pass();
    void Publish(int64_t startUnixMs, int64_t startNs, bool ranItems, bool itemsNew);
    void Rearm();

    IMachine& m_machine;
    CPortGuard& m_guard;
    std::unique_ptr<CChipPath> m_ownPath;
    CChipPath& m_path;
    bool m_pathNoticed = false;
    bool m_hwmonAsked = false;
    WallClock m_wallClock;
    std::vector<Subscriber> m_subscribers;
    std::unique_ptr<CMonitorEngine> m_engine;
    CEngineCommands m_commands{[this] { return m_engine.get(); }};
    std::vector<int64_t> m_lastRead;  // per item of the engine: when its value was last read
    SPassCounts m_counts;
    uint64_t m_passNumber = 0;

    mutable std::mutex m_snapshotMutex;
    std::shared_ptr<const SPassSnapshot> m_snapshot;
};
