#pragma once
// A vorn-iod of the build, run for one test: its own runtime directory, the given arguments,
// started and waited for until its socket answers, stopped with SIGTERM and reaped.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "service_manager.h"  // SocketAnswers
#include "temp_dir.h"

class CDaemon {
  public:
    static constexpr int START_TIMEOUT_MS = 10000;

    // args come after "--runtime-dir <dir>". The runtime directory is <temp>/run unless given.
    explicit CDaemon(std::vector<std::string> args = {}, std::string runtimeDir = "");
    ~CDaemon();
    CDaemon(const CDaemon&) = delete;
    CDaemon& operator=(const CDaemon&) = delete;

    static std::string Executable();

    // Spawns vorn-iod and waits until its socket answers and its pid file names it. false
    // (with the reason and the service's log in *error) when it exits or does not come up.
    bool Start(std::string* error = nullptr);
    // SIGTERM, then reaps it (SIGKILL after a grace period). The waitpid status, -1 if not
    // running.
    int Stop();
    bool Restart(std::string* error = nullptr);
    // Starts it and waits for it to end by itself; its exit code, -1 if it had to be killed.
    int RunToExit(int timeoutMs = START_TIMEOUT_MS);

    // Waits up to timeoutMs for it to end by itself; true, with its waitpid status, when it did.
    bool WaitForExit(int timeoutMs, int* status) { return IsRunning() && Reap(status, timeoutMs); }

    bool IsRunning() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    const std::string& RuntimeDir() const { return m_runtimeDir; }
    std::string SocketPath() const { return m_runtimeDir + "/VORN-IO"; }
    std::string SimSocketPath() const { return m_runtimeDir + "/VORN-SIM"; }
    std::string PidFilePath() const { return m_runtimeDir + "/vorn-iod.pid"; }
    // Everything the service wrote to stdout and stderr so far.
    std::string Log() const;
    void SetArgs(std::vector<std::string> args) { m_args = std::move(args); }

  private:
    bool Spawn(std::string* error);
    // Reaps the child if it has ended; true when it has.
    bool Reap(int* status, int waitMs);

    CTempDir m_temp;
    std::string m_runtimeDir;
    std::vector<std::string> m_args;
    pid_t m_pid = -1;
};
