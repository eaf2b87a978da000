#pragma once
// The desktop as whole-program window tests see it from outside: xdotool for windows, pointer
// and keys, bounded polling, and a monitor environment that keeps the test's display.

#include <functional>
#include <string>
#include <vector>

struct SWindowPlace {
    int x = 0, y = 0, width = 0, height = 0;
};

// xdotool's output without its trailing line break.
std::string Xdotool(const std::vector<std::string>& args);
// Polls every 100 ms until `done` holds or `ms` pass; its last answer.
bool WaitFor(const std::function<bool()>& done, int ms);
SWindowPlace WindowPlace(const std::string& id);
// The monitor window's id while it is on screen, "" otherwise.
std::string VisibleMainWindow();
// The monitor environment (see monitor_environment.h) on this process's display.
std::vector<std::string> DesktopEnvironment(std::vector<std::string> env);
