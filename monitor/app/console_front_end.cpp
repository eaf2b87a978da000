#include "console_front_end.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "console_page.h"
#include "console_table.h"
#include "instance_checker.h"
#include "json_report.h"
#include "monitor_engine.h"

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

std::string ClockText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof(text), "%H:%M:%S", &local);
    return text;
}

void AddMilliseconds(timespec* t, long ms) {
    t->tv_sec += ms / 1000;
    t->tv_nsec += (ms % 1000) * 1000000L;
    if (t->tv_nsec >= 1000000000L) {
        t->tv_nsec -= 1000000000L;
        ++t->tv_sec;
    }
}

}  // namespace

int CConsoleFrontEnd::Run() {
    CInstanceChecker checker(AppName(m_machine.ModuleFileName()));
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

    CMonitorEngine engine(m_machine);
    engine.Initialize();
    if (engine.Items().empty()) {
        std::fprintf(stderr,
                     "vornpilot: no sensor items: the board file %s is missing or incomplete\n",
                     engine.ConfigFilePath().c_str());
    }
    // The page the window would show, its error log and its unit rule.
    CConsolePage page(engine, m_machine.SystemFact("Path"), m_machine.Notifier());
    page.Start(m_options.logErrors);
    InstallStopHandlers();

    const bool screen = !m_options.json && ::isatty(::fileno(m_out));
    const std::string board = m_machine.SystemFact("MBModel");
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (int pass = 1; !g_stop; ++pass) {
        engine.UpdateAll();
        page.Update();
        if (m_options.json) {
            std::fprintf(m_out, "%s\n", JsonReport(engine, &page).c_str());
        } else {
            std::string title = "VORNPILOT Hardware Monitor  -  board " +
                                (board.empty() ? std::string("unknown") : board) + "  -  " +
                                ClockText();
            if (!m_options.once && m_options.passes == 0)
                title += "  -  Ctrl-C to stop";
            std::fprintf(m_out, "%s%s%s", screen ? "\x1b[H\x1b[2J" : "",
                         ConsoleTable(engine, title, &page).c_str(), screen ? "" : "\n");
        }
        std::fflush(m_out);
        if (m_options.once || (m_options.passes > 0 && pass >= m_options.passes))
            break;
        AddMilliseconds(&next, PASS_INTERVAL_MS);
        while (!g_stop &&
               ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
    engine.RestoreFanControl();
    return 0;
}
