#include "desktop_opener.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "temp_dir.h"

namespace {

// A file below the test's directory.
std::string In(const CTempDir& dir, const std::string& name) {
    return (std::filesystem::path(dir.Path()) / name).string();
}

// A stand-in for xdg-open that writes its arguments, one per line, to `record`.
std::string MakeRecorder(const CTempDir& dir, const std::string& record) {
    std::string script = In(dir, "fake-open");
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                          << record << ".part'\nmv '" << record << ".part' '" << record << "'\n";
    ::chmod(script.c_str(), 0755);
    return script;
}

// The helper runs detached; wait for its record to appear.
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DesktopOpener, RunsTheHelperWithTheAbsolutePathAndNoShell) {
    CTempDir dir;
    std::string record = In(dir, "args");
    CDesktopOpener opener(MakeRecorder(dir, record));
    // Characters a shell would act on reach the helper unchanged, as one argument.
    std::string name = In(dir, "Error $(touch pwned); log.log");
    ASSERT_TRUE(opener.Open(name));
    EXPECT_EQ(WaitForFile(record), name + "\n");
    EXPECT_FALSE(std::filesystem::exists(In(dir, "pwned")));
}

TEST(DesktopOpener, RelativePathsAreMadeAbsolute) {
    CTempDir dir;
    std::string record = In(dir, "args");
    CDesktopOpener opener(MakeRecorder(dir, record));
    ASSERT_TRUE(opener.Open("-rel.log"));
    EXPECT_EQ(WaitForFile(record), (std::filesystem::current_path() / "-rel.log").string() + "\n");
}

TEST(DesktopOpener, MissingHelperFails) {
    CTempDir dir;
    EXPECT_FALSE(CDesktopOpener(In(dir, "no-such-helper")).Open("/tmp/x"));
    EXPECT_FALSE(CDesktopOpener("vorn-no-such-helper-anywhere").Open("/tmp/x"));
}

TEST(DesktopOpener, FindProgramSearchesPath) {
    CTempDir dir;
    std::string script = MakeRecorder(dir, In(dir, "args"));
    const char* old = std::getenv("PATH");
    std::string saved = old != nullptr ? old : "";
    ::setenv("PATH", ("/nonexistent:" + std::filesystem::path(dir.Path()).string()).c_str(), 1);
    EXPECT_EQ(FindProgram("fake-open"), script);
    EXPECT_EQ(FindProgram("args"), "");
    EXPECT_EQ(FindProgram(""), "");
    ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
