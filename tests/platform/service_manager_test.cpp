#include "service_manager.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include "temp_dir.h"
#include "test_sockets.h"

namespace {

ServiceRecord Record(const std::string& runtimeDir) {
    return {"VORN-IO",  "VORN-IO", "/opt/vorn/vorn-iod", {"--backend", "sim"}, "boot",
            runtimeDir, "VORN-IO", "vorn-iod.pid"};
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

}  // namespace

TEST(ServiceManager, RecordRoundTripAndDamagedRecords) {
    CTempDir dir;
    CServiceManager manager(dir.PathOf("state/nested"));
    ASSERT_TRUE(manager.Open()) << "the state directory is created";
    errno = 0;
    EXPECT_FALSE(manager.OpenService("VORN-IO"));
    EXPECT_EQ(errno, ENOENT);

    ASSERT_TRUE(manager.CreateService(Record(dir.Path())));
    auto r = manager.OpenService("VORN-IO");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->binary, "/opt/vorn/vorn-iod");
    EXPECT_EQ(r->arguments, (std::vector<std::string>{"--backend", "sim"}));
    EXPECT_EQ(r->startType, "boot");
    EXPECT_EQ(r->runtimeDir, dir.Path());

    struct Case {
        const char* name;
        const char* text;
    };
    const Case damaged[] = {
        {"no binary", "Name=VORN-IO\nRuntimeDir=/r\nSocket=S\nPidFile=p\n"},
        {"another service's record", "Name=OTHER\nBinary=/b\nRuntimeDir=/r\nSocket=S\nPidFile=p\n"},
        {"empty", ""},
    };
    for (const auto& c : damaged) {
        Write(manager.RecordPath("VORN-IO"), c.text);
        errno = 0;
        EXPECT_FALSE(manager.OpenService("VORN-IO")) << c.name;
        EXPECT_EQ(errno, EINVAL) << c.name;
    }

    ServiceRecord forged = Record(dir.Path());
    forged.arguments.push_back("x\nBinary=/bin/sh");
    EXPECT_FALSE(manager.CreateService(forged)) << "a line break would forge another key";
}

// The record names the binary the administrator's start runs: a record someone else could
// have written is not believed, and writing a new one does not follow their link.
TEST(ServiceManager, RecordOthersCouldHaveWrittenIsNotBelieved) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to another user";
    struct Case {
        const char* name;
        std::function<bool(const std::string& record, const std::string& elsewhere)> spoil;
    };
    const Case cases[] = {
        {"another user's record",
         [](const std::string& r, const std::string&) {
             return ::chown(r.c_str(), 65534, 65534) == 0;
         }},
        {"group may write it",
         [](const std::string& r, const std::string&) { return ::chmod(r.c_str(), 0664) == 0; }},
        {"another user's link",
         [](const std::string& r, const std::string& elsewhere) {
             return ::rename(r.c_str(), elsewhere.c_str()) == 0 &&
                    ::symlink(elsewhere.c_str(), r.c_str()) == 0 &&
                    ::lchown(r.c_str(), 65534, 65534) == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        CServiceManager manager(dir.PathOf("state"));
        ASSERT_TRUE(manager.Open());
        ASSERT_TRUE(manager.CreateService(Record(dir.Path())));
        const std::string elsewhere = dir.PathOf("elsewhere.service");
        ASSERT_TRUE(c.spoil(manager.RecordPath("VORN-IO"), elsewhere));
        EXPECT_FALSE(manager.OpenService("VORN-IO"));

        ServiceRecord fresh = Record(dir.Path());
        fresh.binary = "/opt/vorn/fresh";
        ::unlink(manager.RecordPath("VORN-IO").c_str());  // as the start replaces what it refused
        ::symlink(elsewhere.c_str(), manager.RecordPath("VORN-IO").c_str());
        ::lchown(manager.RecordPath("VORN-IO").c_str(), 65534, 65534);
        ASSERT_TRUE(manager.CreateService(fresh));
        struct stat st {};
        ASSERT_EQ(::lstat(manager.RecordPath("VORN-IO").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << "a plain file replaced the stranger's link";
        auto r = manager.OpenService("VORN-IO");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->binary, "/opt/vorn/fresh");
    }
}

TEST(ServiceManager, RunningNeedsALiveProcessAnsweringOnItsSocket) {
    CTempDir dir;
    CServiceManager manager(dir.PathOf("state"));
    ASSERT_TRUE(manager.Open());
    ServiceRecord r = Record(dir.Path());
    EXPECT_FALSE(manager.IsRunning(r)) << "no pid file";

    Write(dir.PathOf("vorn-iod.pid"), std::to_string(getpid()) + "\n");
    EXPECT_FALSE(manager.IsRunning(r)) << "alive, but no socket";

    int fd = BindUnixStream(dir.PathOf("VORN-IO"), true);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(manager.IsRunning(r));

    Write(dir.PathOf("vorn-iod.pid"), "999999999\n");
    EXPECT_FALSE(manager.IsRunning(r)) << "a stale pid file";
    Write(dir.PathOf("vorn-iod.pid"), "garbage\n");
    EXPECT_FALSE(manager.IsRunning(r));
    close(fd);
}

TEST(ServiceManager, StartingAMissingBinaryFails) {
    CTempDir dir;
    CServiceManager manager(dir.PathOf("state"));
    ASSERT_TRUE(manager.Open());
    ServiceRecord r = Record(dir.Path());
    r.binary = dir.PathOf("no-such-program");
    EXPECT_FALSE(manager.StartService(r));
}
