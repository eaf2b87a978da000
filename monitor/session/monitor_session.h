#pragma once
// One monitor session: the engine and the status page, driven the same way by every front end.
// The front end gives it its faces (page, tray, error log) and its own start-up steps, and calls
// RunPass on its two-second clock; after every pass the session hands out an immutable snapshot.
//
// Start-up, in the window's order: StartEngine (the engine prepares the chip and builds its
// items), then, once the page is ready, StartPage (flags, item lists, first pass, report, skin,
// first status update, "UNIT"). A chip that could not be reached at start is tried again on every
// pass. End gives every fan its own control back and then destroys the engine, which writes the
// saved SMI masks back.
//
// Everything but Snapshot runs on the front end's one thread; Snapshot may be called from any.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "machine.h"
#include "monitor_engine.h"
#include "pass_snapshot.h"
#include "port_guard.h"
#include "session_front.h"
#include "skin_face.h"
#include "status_page.h"
#include "tray_icon.h"
#include "warning_log.h"

struct SSessionFaces {
    ISkinFace& skin;
    ITrayIcon& tray;
    IWarningLog& log;
};

class CMonitorSession {
  public:
    // Milliseconds since the Unix epoch: the time stamps of the snapshots.
    using WallClock = std::function<int64_t()>;

    // `guard` is the port every engine of the session reaches the chip through; it is re-armed
    // before every pass, start-up and ending so that one hung access costs at most one wait
    // each. `wallClock` defaults to the system clock.
    CMonitorSession(IMachine& machine, ISessionFront& front, SSessionFaces faces, CPortGuard& guard,
                    WallClock wallClock = {});
    ~CMonitorSession();
    CMonitorSession(const CMonitorSession&) = delete;
    CMonitorSession& operator=(const CMonitorSession&) = delete;

    void StartEngine();
    // Publishes the first snapshot.
    void StartPage();
    // One pass and one status update (the engine is first started again while the chip was not
    // reachable); publishes its snapshot.
    void RunPass();
    void End();

    // The last complete pass; null before the first. Never a pass in progress.
    std::shared_ptr<const SPassSnapshot> Snapshot() const;

    // The live engine for the settings dialogs; null before StartEngine and after End.
    CMonitorEngine* Engine() { return m_engine.get(); }
    CStatusPage& StatusPage() { return m_page; }

  private:
    void CreateEngine();
    // Item lists, pass, report, skin, status update: the steps that follow a new engine.
    void ShowNewEngine();
    // UpdateAll; false when the engine has not started and the pass could not run.
    bool Pass();
    void Publish(int64_t startUnixMs, int64_t startNs, bool ranItems);
    void Rearm();

    IMachine& m_machine;
    ISessionFront& m_front;
    SSessionFaces m_faces;
    CPortGuard& m_guard;
    WallClock m_wallClock;
    CStatusPage m_page;
    std::unique_ptr<CMonitorEngine> m_engine;
    bool m_passRanItems = false;      // the last Pass read the items
    std::vector<int64_t> m_lastRead;  // per item of the engine: when its value was last read
    SPassCounts m_counts;
    uint64_t m_passNumber = 0;

    mutable std::mutex m_snapshotMutex;
    std::shared_ptr<const SPassSnapshot> m_snapshot;
};
