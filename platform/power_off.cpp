#include "power_off.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command_words.h"

extern char** environ;

namespace {
constexpr const char* DEFAULT_POWEROFF_COMMAND = "systemctl poweroff";

std::string Describe(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}
}  // namespace

std::string PowerOffCommandLine() {
    const char* env = std::getenv("VORNPILOT_POWEROFF_COMMAND");
    if (env != nullptr && std::string_view(env).find_first_not_of(" \t") != std::string::npos)
        return env;
    return DEFAULT_POWEROFF_COMMAND;
}

CCommandPowerOff::CCommandPowerOff(std::string commandLine)
    : m_commandLine(std::move(commandLine)) {}

CCommandPowerOff::~CCommandPowerOff() {
    // A command still running is left to finish: the power-off goes on without us.
    std::lock_guard<std::mutex> lock(m_mutex);
    IsRunningLocked();
}

bool CCommandPowerOff::IsRunningLocked() {
    if (m_running == 0)
        return false;
    int status = 0;
    pid_t r = ::waitpid(m_running, &status, WNOHANG);
    if (r == 0)
        return true;
    if (r == m_running && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::fprintf(stderr, "vornpilot: the power-off command ended with %s\n",
                     Describe(status).c_str());
    }
    m_running = 0;
    return false;
}

bool CCommandPowerOff::RequestPowerOff() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (IsRunningLocked())
        return true;

    std::string line = m_commandLine.empty() ? PowerOffCommandLine() : m_commandLine;
    std::optional<std::vector<std::string>> words = SplitCommandWords(line);
    if (!words || words->empty()) {
        std::fprintf(stderr, "vornpilot: the power-off command \"%s\" cannot be split into words\n",
                     line.c_str());
        return false;
    }
    std::vector<char*> argv;
    for (std::string& w : *words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // What the command prints goes to standard error: standard output may carry JSON lines.
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int err = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        std::fprintf(stderr, "vornpilot: the power-off command \"%s\" could not be started: %s\n",
                     line.c_str(), std::strerror(err));
        return false;
    }
    m_running = pid;
    ++m_started;
    return true;
}

int CCommandPowerOff::StartedCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_started;
}

IPowerOff& SystemPowerOff() {
    static CCommandPowerOff powerOff;
    return powerOff;
}
