#pragma once
// A program of the build running in the background, as a user would start it: its own
// environment, standard output and error captured, signals sent, bounded waits.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "run_program.h"

class CRunningProgram {
  public:
    // argv[0] is the program's path; env entries ("NAME=value") replace inherited ones.
    CRunningProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env);
    ~CRunningProgram();
    CRunningProgram(const CRunningProgram&) = delete;
    CRunningProgram& operator=(const CRunningProgram&) = delete;

    bool Started() const { return m_pid > 0; }
    // Collects output until `done` holds for the output so far or timeoutMs passes; whether it
    // held.
    bool WaitForOutput(const std::function<bool(const std::string& out)>& done, int timeoutMs);
    // The same for standard error.
    bool WaitForErrors(const std::function<bool(const std::string& err)>& done, int timeoutMs);
    // What it printed on standard output and standard error so far.
    const std::string& Output() const { return m_result.out; }
    const std::string& Errors() const { return m_result.err; }
    pid_t Pid() const { return m_pid; }
    void Signal(int sig);
    // Waits for the end (SIGKILL after timeoutMs) and returns what it printed.
    ProgramResult Finish(int timeoutMs);

  private:
    void Collect(int timeoutMs);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    ProgramResult m_result;
};
