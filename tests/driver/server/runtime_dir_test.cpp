#include "runtime_dir.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "temp_dir.h"
#include "test_sockets.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(RuntimeDir, ClaimCreatesTheDirectoryAndWritesThePid) {
    CTempDir temp;
    const std::string dir = temp.PathOf("a/b/run");
    std::string error;
    {
        CRuntimeDir runtime(dir);
        ASSERT_TRUE(runtime.Claim(&error)) << error;
        ASSERT_TRUE(runtime.WritePid(&error)) << error;
        EXPECT_EQ(ReadText(dir + "/vorn-iod.pid"), std::to_string(::getpid()) + "\n");
        struct stat st {};
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
    }
    EXPECT_NE(::access((dir + "/vorn-iod.pid").c_str(), F_OK), 0);
}

// Clients make their shared objects in the directory: the service does not keep one that
// every user may write, as a 1777 directory once was.
TEST(RuntimeDir, ClaimTakesTheWritePermissionOfOthersAway) {
    CTempDir temp;
    const std::string dir = temp.PathOf("run");
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    std::string error;
    CRuntimeDir runtime(dir);
    ASSERT_TRUE(runtime.Claim(&error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0775u);
}

TEST(RuntimeDir, SecondOwnerIsRefusedWhileTheFirstHoldsIt) {
    CTempDir temp;
    std::string error;
    CRuntimeDir first(temp.Path());
    ASSERT_TRUE(first.Claim(&error)) << error;
    ASSERT_TRUE(first.WritePid(&error));
    CRuntimeDir second(temp.Path());
    EXPECT_FALSE(second.Claim(&error));
    EXPECT_NE(error.find("another vorn-iod"), std::string::npos) << error;
    // The refused claim leaves the owner's pid file alone.
    EXPECT_EQ(ReadText(temp.PathOf("vorn-iod.pid")), std::to_string(::getpid()) + "\n");
}

TEST(RuntimeDir, StalePidFilesAreTakenOver) {
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"dead process", std::to_string(DeadPid()) + "\n"},
        {"live process without a socket", "1\n"},
        {"garbage", "not a pid\n"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir temp;
        ASSERT_TRUE(temp.WriteFile("vorn-iod.pid", c.content));
        CRuntimeDir runtime(temp.Path());
        std::string error;
        EXPECT_TRUE(runtime.Claim(&error)) << error;
    }
}

TEST(RuntimeDir, LiveAnsweringServiceWithoutLockStillOwnsTheDirectory) {
    CTempDir temp;
    const int listener = BindUnixStream(temp.PathOf("VORN-IO"), true);
    ASSERT_GE(listener, 0);
    ASSERT_TRUE(temp.WriteFile("vorn-iod.pid", std::to_string(::getppid()) + "\n"));
    CRuntimeDir runtime(temp.Path());
    std::string error;
    EXPECT_FALSE(runtime.Claim(&error));
    ::close(listener);
}

TEST(RuntimeDir, PathThatIsAFileIsRefused) {
    CTempDir temp;
    ASSERT_TRUE(temp.WriteFile("plain", "x"));
    CRuntimeDir runtime(temp.PathOf("plain"));
    std::string error;
    EXPECT_FALSE(runtime.Claim(&error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
