// Which programs root may run as a service: only one that nobody but root can change, judged on
// the file and on every folder up to "/" after the links on the way are resolved.

#include "trusted_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "temp_dir.h"

namespace {

TEST(TrustedProgram, OnlyWhatNobodyButRootCanChangeIsRunByRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to another user";
    // The build's own program lies in folders only root may write.
    const std::string built = std::string(VORN_BIN_DIR) + "/vorn-iod";
    std::string why;
    EXPECT_EQ(TrustedProgramPath(built, &why), std::filesystem::canonical(built).string()) << why;

    struct Case {
        const char* name;
        std::function<bool(const std::string& base)> make;  // makes base/p/vorn-iod
        std::string said;                                   // after the base folder's path
    };
    const Case cases[] = {
        {"folder of another user",
         [](const std::string& b) { return ::chown((b + "/p").c_str(), 65534, 65534) == 0; },
         "/p belongs to user 65534, not root"},
        {"folder its group may write",
         [](const std::string& b) { return ::chmod((b + "/p").c_str(), 0775) == 0; },
         "/p may be written by its group 0"},
        {"program of another user",
         [](const std::string& b) {
             return ::chown((b + "/p/vorn-iod").c_str(), 65534, 65534) == 0;
         },
         "/p/vorn-iod belongs to user 65534, not root"},
        {"program everyone may write",
         [](const std::string& b) { return ::chmod((b + "/p/vorn-iod").c_str(), 0757) == 0; },
         "/p/vorn-iod may be written by everyone"},
        {"link from a root folder into another user's folder",
         [](const std::string& b) {
             return ::rename((b + "/p/vorn-iod").c_str(), (b + "/q/vorn-iod").c_str()) == 0 &&
                    ::symlink((b + "/q/vorn-iod").c_str(), (b + "/p/vorn-iod").c_str()) == 0 &&
                    ::chown((b + "/q").c_str(), 65534, 65534) == 0;
         },
         "/q belongs to user 65534, not root"},
        {"not a program",
         [](const std::string& b) { return ::chmod((b + "/p/vorn-iod").c_str(), 0644) == 0; },
         "/p/vorn-iod is not an executable file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        const std::string base = std::filesystem::canonical(dir.Path()).string();
        std::filesystem::create_directories(base + "/p");
        std::filesystem::create_directories(base + "/q");
        ASSERT_EQ(::chmod((base + "/p").c_str(), 0755), 0);
        std::filesystem::copy_file(built, base + "/p/vorn-iod");
        ASSERT_TRUE(c.make(base));
        why.clear();
        EXPECT_FALSE(TrustedProgramPath(base + "/p/vorn-iod", &why));
        EXPECT_NE(why.find(base + c.said), std::string::npos) << why;
    }

    // A folder everyone may write (as /tmp, with its sticky bit) is no safe place either.
    CTempDir dir;
    const std::string base = std::filesystem::canonical(dir.Path()).string();
    std::filesystem::create_directories(base + "/open/p");
    ASSERT_EQ(::chmod((base + "/open").c_str(), 01777), 0);
    std::filesystem::copy_file(built, base + "/open/p/vorn-iod");
    why.clear();
    EXPECT_FALSE(TrustedProgramPath(base + "/open/p/vorn-iod", &why));
    EXPECT_NE(why.find(base + "/open may be written by everyone"), std::string::npos) << why;
}

}  // namespace
