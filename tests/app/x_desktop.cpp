#include "x_desktop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "run_program.h"

std::string Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out = RunProgram(argv, {}, 10000).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

SWindowPlace WindowPlace(const std::string& id) {
    SWindowPlace p;
    const std::string g = Xdotool({"getwindowgeometry", "--shell", id});
    const size_t at = g.find("X=");
    if (at != std::string::npos)
        std::sscanf(g.c_str() + at, "X=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &p.x, &p.y, &p.width,
                    &p.height);
    return p;
}

std::string VisibleMainWindow() {
    const std::string ids =
        Xdotool({"search", "--onlyvisible", "--name", "^VORNPILOT Hardware Monitor$"});
    return ids.substr(0, ids.find('\n'));
}

std::vector<std::string> DesktopEnvironment(std::vector<std::string> env) {
    const char* display = std::getenv("DISPLAY");
    for (std::string& e : env) {
        if (e == "DISPLAY=")
            e += display != nullptr ? display : "";
    }
    env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
    return env;
}
