#pragma once
// Runs a program to its end with extra environment entries, capturing its output streams.

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1 when it could not run, was killed or timed out
    std::string out;
    std::string err;
};

// argv[0] is the program's path. extraEnv entries ("NAME=value") replace inherited ones.
ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv = {}, int timeoutMs = 30000);
