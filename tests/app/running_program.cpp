#include "running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}
}  // namespace

CRunningProgram::CRunningProgram(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& env) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        size_t eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const std::string& entry : env) {
        size_t eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    std::vector<std::string> envText;
    for (const auto& [k, v] : merged)
        envText.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
}

CRunningProgram::~CRunningProgram() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_outFd >= 0)
        ::close(m_outFd);
    if (m_errFd >= 0)
        ::close(m_errFd);
}

void CRunningProgram::Collect(int timeoutMs) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0)
        return;
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        ssize_t n = ::read(fds[i].fd, buf, sizeof(buf));
        std::string& into = i == 0 ? m_result.out : m_result.err;
        if (n > 0) {
            into.append(buf, static_cast<size_t>(n));
        } else {
            ::close(fds[i].fd);
            (i == 0 ? m_outFd : m_errFd) = -1;
        }
    }
}

bool CRunningProgram::WaitForOutput(const std::function<bool(const std::string&)>& done,
                                    int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(m_result.out)) {
        if (MsLeft(end) == 0 || (m_outFd < 0 && m_errFd < 0))
            return done(m_result.out);
        Collect(std::min(MsLeft(end), 100));
    }
    return true;
}

bool CRunningProgram::WaitForErrors(const std::function<bool(const std::string&)>& done,
                                    int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(m_result.err)) {
        if (MsLeft(end) == 0 || (m_outFd < 0 && m_errFd < 0))
            return done(m_result.err);
        Collect(std::min(MsLeft(end), 100));
    }
    return true;
}

void CRunningProgram::Signal(int sig) {
    if (m_pid > 0)
        ::kill(m_pid, sig);
}

ProgramResult CRunningProgram::Finish(int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((m_outFd >= 0 || m_errFd >= 0) && MsLeft(end) > 0)
        Collect(std::min(MsLeft(end), 100));
    if (m_pid > 0) {
        int status = 0;
        pid_t r = 0;
        while ((r = ::waitpid(m_pid, &status, WNOHANG)) == 0 && MsLeft(end) > 0)
            ::usleep(10000);
        if (r == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        } else if (WIFEXITED(status)) {
            m_result.exitCode = WEXITSTATUS(status);
        }
        m_pid = -1;
    }
    return m_result;
}
