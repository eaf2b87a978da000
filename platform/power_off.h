#pragma once
// Powering the computer off: the power-off command runs without a shell, and the caller does
// not wait for it.

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

class IPowerOff {
  public:
    virtual ~IPowerOff() = default;
    // Starts the power-off; true when a command was started or one is still running.
    virtual bool RequestPowerOff() = 0;
};

// $VORNPILOT_POWEROFF_COMMAND when set and not blank, else "systemctl poweroff".
std::string PowerOffCommandLine();

// Runs the command line, split into words, without a shell, with standard input from /dev/null
// and its standard output sent to standard error. While a started command is still
// running a new request starts nothing, so requests made every pass never pile up; a command
// that ended (however) is started again by the next request.
class CCommandPowerOff : public IPowerOff {
  public:
    // An empty command line means PowerOffCommandLine() at each request.
    explicit CCommandPowerOff(std::string commandLine = "");
    ~CCommandPowerOff() override;
    bool RequestPowerOff() override;
    // Number of commands started so far.
    int StartedCount() const;

  private:
    bool IsRunningLocked();

    std::string m_commandLine;
    mutable std::mutex m_mutex;
    pid_t m_running = 0;
    int m_started = 0;
};

// The process-wide power-off that items use.
IPowerOff& SystemPowerOff();
