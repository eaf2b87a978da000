#include "instance_checker.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "temp_dir.h"

namespace {

// Runs `body` in a child process and returns its exit code (-1 when it did not exit).
int InChild(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InstanceCheckerTest : public ::testing::Test {
  protected:
    void TearDown() override { CInstanceChecker::ReleaseForProcess(); }
    CTempDir dir;
};

TEST_F(InstanceCheckerTest, SecondProcessSeesTheFirstAndItsHandle) {
    CInstanceChecker checker("vornpilot", dir.Path());
    EXPECT_EQ(checker.ObjectPath(), dir.PathOf("CInstanceChecker_MMF_vornpilot"));
    ASSERT_EQ(checker.Claim(0xC0DE), EInstanceClaim::First);
    EXPECT_EQ(checker.Claim(0xC0DF), EInstanceClaim::First) << "the holder may claim again";

    int code = InChild([&] {
        CInstanceChecker other("vornpilot", dir.Path());
        uint32_t handle = 0;
        if (other.Claim(7, &handle) != EInstanceClaim::AlreadyRunning)
            return 1;
        return handle == 0xC0DF ? 0 : 2;
    });
    EXPECT_EQ(code, 0);

    ASSERT_TRUE(checker.UpdateHandle(0x1234));
    code = InChild([&] {
        uint32_t handle = 0;
        CInstanceChecker other("vornpilot", dir.Path());
        return other.Claim(7, &handle) == EInstanceClaim::AlreadyRunning && handle == 0x1234 ? 0
                                                                                             : 1;
    });
    EXPECT_EQ(code, 0);

    code = InChild([&] {
        CInstanceChecker another("otherapp", dir.Path());
        return another.Claim(7) == EInstanceClaim::First ? 0 : 1;
    });
    EXPECT_EQ(code, 0) << "another program has its own object";
}

TEST_F(InstanceCheckerTest, CrashedFirstInstanceDoesNotKeepOthersOut) {
    int code = InChild([&] {
        CInstanceChecker first("vornpilot", dir.Path());
        if (first.Claim(99) != EInstanceClaim::First)
            return 1;
        ::abort();  // no orderly end
    });
    EXPECT_EQ(code, -1);
    CInstanceChecker checker("vornpilot", dir.Path());
    EXPECT_EQ(checker.Claim(5), EInstanceClaim::First);
}

TEST_F(InstanceCheckerTest, ObjectInTheRuntimeDirectoryOrPerUserInTmp) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    EXPECT_EQ(CInstanceChecker("vornpilot").ObjectPath(),
              dir.PathOf("CInstanceChecker_MMF_vornpilot"));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(CInstanceChecker("vornpilot").ObjectPath(),
              "/tmp/CInstanceChecker_MMF_vornpilot-" + std::to_string(::getuid()));
    if (old != nullptr)
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST_F(InstanceCheckerTest, ObjectThatIsNotAPlainFileFails) {
    ASSERT_EQ(::symlink("/etc/passwd", dir.PathOf("CInstanceChecker_MMF_vornpilot").c_str()), 0);
    CInstanceChecker checker("vornpilot", dir.Path());
    std::string error;
    EXPECT_EQ(checker.Claim(1, nullptr, &error), EInstanceClaim::Failed);
    EXPECT_FALSE(error.empty());
}

}  // namespace
