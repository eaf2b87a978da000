#include "daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

constexpr int STOP_GRACE_MS = 10000;
constexpr auto POLL_STEP = std::chrono::milliseconds(10);

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

CDaemon::CDaemon(std::vector<std::string> args, std::string runtimeDir)
    : m_runtimeDir(runtimeDir.empty() ? m_temp.PathOf("run") : std::move(runtimeDir)),
      m_args(std::move(args)) {}

CDaemon::~CDaemon() {
    Stop();
}

std::string CDaemon::Executable() {
    return std::string(VORN_BIN_DIR) + "/vorn-iod";
}

std::string CDaemon::Log() const {
    return ReadFile(m_temp.PathOf("vorn-iod.log"));
}

bool CDaemon::Spawn(std::string* error) {
    std::vector<std::string> argv{Executable(), "--runtime-dir", m_runtimeDir};
    argv.insert(argv.end(), m_args.begin(), m_args.end());
    std::vector<char*> cargv;
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "VORNIO_RUNTIME_DIR=", 19) != 0)
            env.emplace_back(*e);
    }
    env.push_back("VORNIO_RUNTIME_DIR=" + m_runtimeDir);
    std::vector<char*> cenv;
    for (auto& e : env)
        cenv.push_back(e.data());
    cenv.push_back(nullptr);

    const std::string log = m_temp.PathOf("vorn-iod.log");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int rc = posix_spawn(&m_pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        if (error)
            *error = "cannot spawn " + argv[0] + ": " + std::strerror(rc);
        return false;
    }
    return true;
}

bool CDaemon::Reap(int* status, int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        pid_t r = ::waitpid(m_pid, status, WNOHANG);
        if (r == m_pid || (r < 0 && errno != EINTR)) {
            m_pid = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(POLL_STEP);
    }
}

bool CDaemon::Start(std::string* error) {
    if (IsRunning())
        return true;
    if (!Spawn(error))
        return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(START_TIMEOUT_MS);
    const std::string ownPid = std::to_string(m_pid) + "\n";
    for (;;) {
        if (SocketAnswers(SocketPath()) && ReadFile(PidFilePath()) == ownPid)
            return true;
        int status = 0;
        if (Reap(&status, 0)) {
            if (error)
                *error = "vorn-iod ended at start:\n" + Log();
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Stop();
            if (error)
                *error = "vorn-iod did not come up:\n" + Log();
            return false;
        }
        std::this_thread::sleep_for(POLL_STEP);
    }
}

int CDaemon::Stop() {
    if (!IsRunning())
        return -1;
    int status = -1;
    ::kill(m_pid, SIGTERM);
    if (!Reap(&status, STOP_GRACE_MS)) {
        ::kill(m_pid, SIGKILL);
        Reap(&status, STOP_GRACE_MS);
    }
    return status;
}

bool CDaemon::Restart(std::string* error) {
    Stop();
    return Start(error);
}

int CDaemon::RunToExit(int timeoutMs) {
    if (IsRunning() || !Spawn(nullptr))
        return -1;
    int status = 0;
    if (!Reap(&status, timeoutMs)) {
        Stop();
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
