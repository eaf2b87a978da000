#include "power_off.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "temp_dir.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits (bounded) until `done` holds; the command runs on its own.
template <typename F>
bool WaitFor(F done) {
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

class PowerOffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        script = dir.PathOf("record power-off");
        std::ofstream(script) << "#!/bin/sh\n"
                                 "echo \"start $3\" >> \"$1\"\n"
                                 "while [ ! -e \"$2\" ]; do sleep 0.02; done\n"
                                 "echo end >> \"$1\"\n";
        ::chmod(script.c_str(), 0755);
        log = dir.PathOf("log");
        release = dir.PathOf("release");
    }
    std::string Command(const std::string& tag) const {
        return "'" + script + "' " + log + " " + release + " \"" + tag + "\"";
    }

    CTempDir dir;
    std::string script, log, release;
};

TEST_F(PowerOffTest, RunsTheCommandOnceWhileItRuns) {
    CCommandPowerOff powerOff(Command("a b"));
    ASSERT_TRUE(powerOff.RequestPowerOff());
    ASSERT_TRUE(WaitFor([&] { return ReadAll(log) == "start a b\n"; })) << ReadAll(log);
    for (int pass = 0; pass < 5; ++pass)
        EXPECT_TRUE(powerOff.RequestPowerOff()) << "still running counts as requested";
    EXPECT_EQ(powerOff.StartedCount(), 1) << "no pile-up";

    std::ofstream(release) << "";
    ASSERT_TRUE(WaitFor([&] { return ReadAll(log) == "start a b\nend\n"; }));
    // Once the command has ended, the next request starts it again.
    ASSERT_TRUE(WaitFor([&] {
        powerOff.RequestPowerOff();
        return powerOff.StartedCount() == 2;
    }));
    EXPECT_TRUE(WaitFor([&] { return ReadAll(log) == "start a b\nend\nstart a b\nend\n"; }))
        << ReadAll(log);
}

TEST_F(PowerOffTest, CommandThatCannotStartIsAFailure) {
    testing::internal::CaptureStderr();
    CCommandPowerOff missing(dir.PathOf("no-such-command") + " now");
    EXPECT_FALSE(missing.RequestPowerOff());
    EXPECT_FALSE(missing.RequestPowerOff()) << "tried again, failing again";
    CCommandPowerOff unsplittable("'open quote");
    EXPECT_FALSE(unsplittable.RequestPowerOff());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(missing.StartedCount(), 0);
    EXPECT_NE(err.find("could not be started"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot be split"), std::string::npos) << err;
}

TEST_F(PowerOffTest, CommandLineFromTheEnvironment) {
    const char* old = std::getenv("VORNPILOT_POWEROFF_COMMAND");
    std::string saved = old != nullptr ? old : "";
    ::unsetenv("VORNPILOT_POWEROFF_COMMAND");
    EXPECT_EQ(PowerOffCommandLine(), "systemctl poweroff");
    ::setenv("VORNPILOT_POWEROFF_COMMAND", "   ", 1);
    EXPECT_EQ(PowerOffCommandLine(), "systemctl poweroff");
    ::setenv("VORNPILOT_POWEROFF_COMMAND", Command("env").c_str(), 1);
    EXPECT_EQ(PowerOffCommandLine(), Command("env"));
    CCommandPowerOff fromEnv;
    ASSERT_TRUE(fromEnv.RequestPowerOff());
    std::ofstream(release) << "";
    EXPECT_TRUE(WaitFor([&] { return ReadAll(log) == "start env\nend\n"; })) << ReadAll(log);
    if (old != nullptr)
        ::setenv("VORNPILOT_POWEROFF_COMMAND", saved.c_str(), 1);
    else
        ::unsetenv("VORNPILOT_POWEROFF_COMMAND");
}

}  // namespace
