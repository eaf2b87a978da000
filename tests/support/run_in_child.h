#pragma once
// Runs a function in a forked child, for tests that need a process of their own (another uid,
// its own environment, a library loaded afresh). The child's string result comes back through
// a pipe.

#include <sys/types.h>

#include <functional>
#include <string>

struct ChildResult {
    std::string output;  // what the function returned
    int status = -1;     // waitpid status; -1 when the child could not be run or reaped
    bool timedOut = false;

    bool Exited() const;
    int ExitCode() const;  // -1 unless the child exited normally
};

// The child ends with _exit(0) after the function returns (125 if it throws). A child still
// running after timeoutMs is killed.
ChildResult RunInChild(const std::function<std::string()>& function, int timeoutMs = 30000);
