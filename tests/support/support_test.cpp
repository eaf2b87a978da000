#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "run_in_child.h"
#include "run_program.h"
#include "temp_dir.h"

namespace {

TEST(RunInChild, ReturnsTheChildsStringAndStatus) {
    const pid_t parent = ::getpid();
    ChildResult result = RunInChild([&] {
        return ::getpid() != parent ? std::string(100000, 'x') : std::string("same process");
    });
    EXPECT_TRUE(result.Exited());
    EXPECT_EQ(result.ExitCode(), 0);
    EXPECT_EQ(result.output, std::string(100000, 'x'));
}

TEST(RunInChild, ChildEnvironmentStaysInTheChild) {
    ::unsetenv("VORN_SUPPORT_PROBE");
    ChildResult result = RunInChild([] {
        ::setenv("VORN_SUPPORT_PROBE", "child", 1);
        return std::string(std::getenv("VORN_SUPPORT_PROBE"));
    });
    EXPECT_EQ(result.output, "child");
    EXPECT_EQ(std::getenv("VORN_SUPPORT_PROBE"), nullptr);
}

TEST(RunInChild, ThrowingKilledAndHangingChildrenAreReported) {
    EXPECT_EQ(RunInChild([]() -> std::string { throw std::runtime_error("x"); }).ExitCode(), 125);

    ChildResult killed = RunInChild([]() -> std::string {
        ::kill(::getpid(), SIGKILL);
        return "unreachable";
    });
    EXPECT_FALSE(killed.Exited());
    EXPECT_TRUE(killed.output.empty());

    ChildResult hung = RunInChild(
        []() -> std::string {
            ::pause();
            return "unreachable";
        },
        100);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_FALSE(hung.Exited());
}

TEST(RunProgram, CapturesBothStreamsTheExitCodeAndTheEnvironment) {
    ProgramResult r =
        RunProgram({"/bin/sh", "-c", "echo out $VORN_SUPPORT_PROBE; echo err >&2; exit 3"},
                   {"VORN_SUPPORT_PROBE=given"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "out given\n");
    EXPECT_EQ(r.err, "err\n");
    EXPECT_EQ(RunProgram({"/nonexistent/program"}).exitCode, -1);
}

TEST(TempDir, IsFreshAndRemovedWithItsContent) {
    std::string path;
    {
        CTempDir a, b;
        EXPECT_NE(a.Path(), b.Path());
        ASSERT_TRUE(a.WriteFile("x", "content"));
        std::filesystem::create_directories(a.PathOf("deep/er"));
        path = a.Path();
        EXPECT_TRUE(std::filesystem::is_regular_file(a.PathOf("x")));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
