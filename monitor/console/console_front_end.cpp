#include "console_front_end.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "console_screen.h"
#include "console_table.h"
#include "desktop_opener.h"
#include "error_log.h"
#include "headless_faces.h"
#include "instance_checker.h"
#include "json_report.h"
#include "metrics_outputs.h"
#include "monitor_session.h"
#include "snapshot_text.h"
#include "status_page.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
}

void InstallStopHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: the wait between passes ends at once
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

// The application name: the program file's name without extension.
std::string AppName(const std::string& modulePath) {
    std::string name = modulePath.substr(modulePath.rfind('/') + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.empty() ? "vornpilot" : name;
}

// Where the items' values come from, for the title: the way to the chip as before when only the
// chip's pins are read; "hwmon sensors (N)" when no item reads the chip; both when both are.
std::string ItemSourceText(const SPassSnapshot& pass, const CChipPath& path) {
    size_t hwmon = 0;
    for (const SItemSnapshot& item : pass.items)
        hwmon += item.deviceId.empty() ? 0 : 1;
    const std::string sensors = "hwmon sensors (" + std::to_string(hwmon) + ")";
    if (!pass.chipUsed)
        return sensors;
    const std::string chip = "chip via " + path.Description();
    return hwmon == 0 ? chip : chip + " and " + sensors;
}

timespec AsTimespec(int64_t ns) {
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

int CConsoleFrontEnd::Run() {
    CInstanceChecker checker(m_appName.empty() ? AppName(m_machine.ModuleFileName()) : m_appName);
    std::string error;
    switch (checker.Claim(0, nullptr, &error)) {
        case EInstanceClaim::AlreadyRunning:
            std::fprintf(stderr,
                         "vornpilot: another vornpilot is already running for this user; only "
                         "one copy may run at a time (%s)\n",
                         checker.ObjectPath().c_str());
            return EXIT_ALREADY_RUNNING;
        case EInstanceClaim::Failed:
            std::fprintf(stderr, "vornpilot: cannot check for another running copy (%s)\n",
                         error.c_str());
            break;
        case EInstanceClaim::First:
            break;
    }
    InstallStopHandlers();

    CDesktopOpener opener;
    CErrorLog errorLog(m_machine.SystemFact("Path"), m_machine.Notifier(), opener);
    // No page and no tray: the status page's only face here is the error log.
    CNoSkinFace skin;
    CNoTray tray;
    CStatusPage page(skin, tray, errorLog);
    CMonitorSession session(m_machine, m_guard, m_path);
    session.Subscribe([&page](const SPassSnapshot& pass) { page.Show(pass); });
    // Before the chip is touched: a monitor that was asked for metrics and cannot give them
    // does not run without.
    CMetricsOutputs metrics;
    if (!metrics.Start(
            m_options.metrics, [&session] { return session.Snapshot(); }, &error)) {
        std::fprintf(stderr, "vornpilot: %s\n", error.c_str());
        return EXIT_NO_METRICS;
    }

    const bool screen = !m_options.json && ::isatty(::fileno(m_out));
    const bool bounded = m_options.once || m_options.passes > 0;
    const std::string board = m_machine.SystemFact("MBModel");
    auto show = [&](const SPassSnapshot& snapshot) {
        const SPassSnapshot* pass = &snapshot;
        if (m_options.json) {
            std::fprintf(m_out, "%s\n", JsonReport(*pass).c_str());
        } else {
            std::string title = "VORNPILOT Hardware Monitor  -  board " +
                                (board.empty() ? std::string("unknown") : board) + "  -  " +
                                ItemSourceText(*pass, m_path) + "  -  " +
                                ClockText(pass->unixTimeMs);
            if (!bounded)
                title += "  -  Ctrl-C to stop";
            const std::string table = ConsoleTable(*pass, title);
            if (screen) {
                // Drawn over the last pass, fitted to the terminal as it is now.
                std::fputs(
                    ScreenFrame(table, BannerText(*pass), TerminalSizeOf(::fileno(m_out))).c_str(),
                    m_out);
            } else {
                std::fprintf(m_out, "%s\n", table.c_str());
            }
        }
        std::fflush(m_out);
        metrics.Publish(*pass);
    };

    session.Subscribe(show);

    if (m_options.hwmonSensors)
        session.AskForHwmonItems();
    session.StartEngine();
    // The machine's performance counter is CLOCK_MONOTONIC in nanoseconds.
    int64_t next = m_machine.PerfCounter();
    if (!g_stop) {
        // The error log's switch, set first when the command line asks.
        errorLog.LoadSwitch();
        if (m_options.logErrors)
            errorLog.SetRecording(*m_options.logErrors);
        session.FirstPass();
    }
    const int lastPass = m_options.once ? 1 : m_options.passes;
    for (int pass = 2; !g_stop && (lastPass == 0 || pass <= lastPass); ++pass) {
        // Passes keep their two-second rhythm; one that overran is not caught up on.
        next += int64_t{PASS_INTERVAL_MS} * 1'000'000;
        next = std::max(next, m_machine.PerfCounter());
        const timespec at = AsTimespec(next);
        while (!g_stop &&
               ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
        }
        if (g_stop)
            break;
        session.RunPass();
    }
    const auto last = session.Snapshot();
    metrics.Stop();
    session.End();
    return bounded && last && !last->chipAnswered ? EXIT_NO_READINGS : 0;
}
