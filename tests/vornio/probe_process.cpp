#include "probe_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

std::string ProbeExecutable() {
    return std::string(VORN_TEST_BIN_DIR) + "/vornio-probe";
}

CProbeProcess::CProbeProcess(Options options) : m_options(std::move(options)) {}

CProbeProcess::~CProbeProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_in >= 0)
        close(m_in);
    if (m_out >= 0)
        close(m_out);
}

bool CProbeProcess::Start() {
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0)
        return false;
    const std::string exe = m_options.executable.empty() ? ProbeExecutable() : m_options.executable;
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (auto& a : m_options.args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        if (!m_options.stderrPath.empty()) {
            int fd = open(m_options.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd >= 0)
                dup2(fd, 2);
        }
        for (const auto& [k, v] : m_options.env)
            setenv(k.c_str(), v.c_str(), 1);
        if (m_options.uid) {
            if (setgid(*m_options.uid) != 0 || setuid(*m_options.uid) != 0)
                _exit(126);
        }
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_pid = pid;
    m_in = toChild[1];
    m_out = fromChild[0];
    signal(SIGPIPE, SIG_IGN);
    return true;
}

bool CProbeProcess::Send(const std::string& command) {
    std::string line = command + "\n";
    return m_in >= 0 && write(m_in, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

bool CProbeProcess::Signal(int signal) {
    return m_pid > 0 && kill(m_pid, signal) == 0;
}

std::string CProbeProcess::Ask(const std::string& command, int timeoutMs) {
    if (!Send(command))
        return "";
    return ReadLine(timeoutMs);
}

std::string CProbeProcess::ReadLine(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        auto nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string answer = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return answer;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            return "";
        pollfd p{m_out, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[256];
        ssize_t n = read(m_out, chunk, sizeof(chunk));
        if (n <= 0)
            return "";
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

int CProbeProcess::Finish(int timeoutMs) {
    if (m_in >= 0) {
        close(m_in);
        m_in = -1;
    }
    if (m_pid <= 0)
        return -1;
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(10000);
    }
    return -1;
}
