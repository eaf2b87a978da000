// vornpilot-headless never links Qt: the shared libraries its file names, and those of the
// project's own libraries beside it, read from the built files. vornpilot, which does link it,
// shows that the check sees Qt where it is. Neither links the port-I/O library.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "run_program.h"

namespace {

const std::string BIN = VORN_BIN_DIR;

// The NEEDED entries of one ELF file.
std::vector<std::string> Needed(const std::string& path) {
    ProgramResult r = RunProgram({"/usr/bin/readelf", "--dynamic", "--wide", path});
    EXPECT_EQ(r.exitCode, 0) << path << ": " << r.err;
    std::vector<std::string> needed;
    std::stringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        // " 0x0000000000000001 (NEEDED)  Shared library: [libc.so.6]"
        const size_t open = line.find("(NEEDED)");
        const size_t from = line.find('[', open);
        const size_t to = line.rfind(']');
        if (open != std::string::npos && from != std::string::npos && to > from)
            needed.push_back(line.substr(from + 1, to - from - 1));
    }
    return needed;
}

// Every library the program names, following the ones that lie in the program folder.
std::set<std::string> NeededClosure(const std::string& program) {
    std::set<std::string> all;
    std::vector<std::string> files = {BIN + "/" + program};
    while (!files.empty()) {
        const std::string file = files.back();
        files.pop_back();
        for (const std::string& name : Needed(file)) {
            if (all.insert(name).second && std::filesystem::exists(BIN + "/" + name))
                files.push_back(BIN + "/" + name);
        }
    }
    return all;
}

bool NamesQt(const std::set<std::string>& libraries) {
    for (const std::string& name : libraries) {
        if (name.rfind("libQt", 0) == 0)
            return true;
    }
    return false;
}

TEST(HeadlessLinks, OnlyTheWindowProgramNamesQt) {
    struct Case {
        const char* program;
        bool qt;
    };
    std::vector<Case> cases = {{"vornpilot-headless", false}};
#ifdef VORN_HAVE_WINDOW
    cases.push_back({"vornpilot", true});
#endif
    for (const Case& c : cases) {
        const std::set<std::string> libraries = NeededClosure(c.program);
        std::string list;
        for (const std::string& name : libraries)
            list += name + " ";
        // The port-I/O library is opened from the program folder when the chip is read: its
        // load starts the driver service, which a monitor of hwmon sensors alone never needs.
        EXPECT_FALSE(libraries.count("libvorn-io.so")) << c.program << ": " << list;
        EXPECT_TRUE(std::filesystem::exists(BIN + "/libvorn-io.so"));
        EXPECT_TRUE(libraries.count("libc.so.6")) << c.program << ": " << list;
        EXPECT_EQ(NamesQt(libraries), c.qt) << c.program << ": " << list;
    }
}

}  // namespace
