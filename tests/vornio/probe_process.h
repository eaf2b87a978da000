#pragma once
// Runs vornio-probe, a real client of libvorn-io.so (or another client program), as a child
// process with its own environment (and optionally another user), and talks to it line by line.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class CProbeProcess {
  public:
    struct Options {
        std::map<std::string, std::string> env;  // set on top of the test's environment
        std::optional<uid_t> uid;                // run as this user (and its group)
        std::string stderrPath;                  // where the probe's standard error goes
        std::string executable;                  // the program; vornio-probe when empty
        std::vector<std::string> args;           // its arguments
    };

    explicit CProbeProcess(Options options);
    ~CProbeProcess();
    CProbeProcess(const CProbeProcess&) = delete;
    CProbeProcess& operator=(const CProbeProcess&) = delete;

    bool Start();
    // Sends one command and returns its answer line; "" when the probe ended or did not answer.
    std::string Ask(const std::string& command, int timeoutMs = 15000);
    // Sends a command without waiting for its answer.
    bool Send(const std::string& command);
    // The next line the program prints; "" when it ended or printed none in time.
    std::string ReadLine(int timeoutMs = 15000);
    bool Signal(int signal);
    pid_t Pid() const { return m_pid; }
    // Closes its input and waits; the exit code, or -1 when it did not exit normally.
    int Finish(int timeoutMs = 15000);

  private:
    Options m_options;
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
};

std::string ProbeExecutable();
