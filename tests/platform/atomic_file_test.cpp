#include "atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t EntryCount(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// A settings file kept elsewhere through a link stays there; a read-only one is left alone;
// what killed writes left behind is cleared once it is surely stale.
TEST(AtomicFile, WritesThroughLinksRespectsReadOnlyAndClearsStaleTemporaries) {
    CTempDir dir;
    ASSERT_TRUE(dir.WriteFile("real.reg", "old"));
    ASSERT_EQ(::symlink("real.reg", dir.PathOf("link.reg").c_str()), 0);
    ASSERT_TRUE(AtomicWriteFile(dir.PathOf("link.reg"), "through the link"));
    EXPECT_TRUE(fs::is_symlink(dir.PathOf("link.reg"))) << "the link stays a link";
    EXPECT_EQ(ReadAll(dir.PathOf("real.reg")), "through the link");

    ASSERT_TRUE(dir.WriteFile("locked.reg", "mine"));
    ASSERT_EQ(::chmod(dir.PathOf("locked.reg").c_str(), 0444), 0);
    std::string error;
    EXPECT_FALSE(AtomicWriteFile(dir.PathOf("locked.reg"), "overwritten", &error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir.PathOf("locked.reg")), "mine");

    ASSERT_TRUE(dir.WriteFile(".real.reg.Ab12Cd", std::string(1 << 20, 'x')));
    ASSERT_TRUE(dir.WriteFile(".real.reg.Ef34Gh", "a write going on now"));
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    // Old, but held by a live write (as a write holds its own until the rename).
    ASSERT_TRUE(dir.WriteFile(".real.reg.Ij56Kl", "held"));
    const int held = ::open(dir.PathOf(".real.reg.Ij56Kl").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Old, but not named as the writer names its files.
    ASSERT_TRUE(dir.WriteFile(".real.reg.bak", "the user's"));
    for (const char* old : {".real.reg.Ab12Cd", ".real.reg.Ij56Kl", ".real.reg.bak"})
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.PathOf(old).c_str(), hourAgo, 0), 0);
    ASSERT_TRUE(AtomicWriteFile(dir.PathOf("real.reg"), "again"));
    EXPECT_FALSE(fs::exists(dir.PathOf(".real.reg.Ab12Cd")));
    EXPECT_TRUE(fs::exists(dir.PathOf(".real.reg.Ef34Gh"))) << "a fresh one may be in use";
    EXPECT_TRUE(fs::exists(dir.PathOf(".real.reg.Ij56Kl"))) << "a held one is in use";
    EXPECT_TRUE(fs::exists(dir.PathOf(".real.reg.bak")));
    ::close(held);
    RemoveStaleTemporaries(dir.PathOf("real.reg"));
    EXPECT_FALSE(fs::exists(dir.PathOf(".real.reg.Ij56Kl"))) << "no longer held";
    EXPECT_TRUE(fs::exists(dir.PathOf(".real.reg.bak")));
}

}  // namespace

TEST(AtomicFile, CreatesMissingParentsAndLeavesNoTemporaryFile) {
    CTempDir dir;
    std::string path = dir.PathOf("a/b/registry.reg");
    std::string error;
    ASSERT_TRUE(AtomicWriteFile(path, "first", &error)) << error;
    EXPECT_EQ(ReadAll(path), "first");
    EXPECT_EQ(EntryCount(dir.Dir() / "a/b"), 1u);
}

TEST(AtomicFile, ReplacesContentAndKeepsTheFileMode) {
    CTempDir dir;
    std::string path = dir.PathOf("f");
    ASSERT_TRUE(AtomicWriteFile(path, "a much longer first content"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(AtomicWriteFile(path, "second"));
    EXPECT_EQ(ReadAll(path), "second");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(AtomicFile, FailedWriteKeepsOldContent) {
    CTempDir dir;
    std::string path = dir.PathOf("f");
    ASSERT_TRUE(AtomicWriteFile(path, "old"));

    // A file size limit makes the write itself fail part-way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    bool ok = AtomicWriteFile(path, std::string(4096, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(AtomicFile, FailsWhereNoFileCanBe) {
    CTempDir dir;
    ASSERT_TRUE(AtomicWriteFile(dir.PathOf("plain"), "x"));
    fs::create_directory(dir.Dir() / "adir");

    struct Case {
        std::string path;
        const char* why;
    };
    const Case cases[] = {
        {dir.PathOf("plain/child"), "parent is a file"},
        {dir.PathOf("adir"), "target is a directory"},
        {dir.PathOf("adir/"), "no file name"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(AtomicWriteFile(c.path, "new", &error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
    }
    EXPECT_EQ(ReadAll(dir.PathOf("plain")), "x");
    EXPECT_EQ(EntryCount(dir.Dir() / "adir"), 0u);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

TEST(AtomicFile, UnwritableDirectoryKeepsOldContent) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "directory modes do not bind root";
    }
    CTempDir dir;
    std::string path = dir.PathOf("ro/f");
    ASSERT_TRUE(AtomicWriteFile(path, "old"));
    ASSERT_EQ(::chmod((dir.Dir() / "ro").c_str(), 0500), 0);
    std::string error;
    EXPECT_FALSE(AtomicWriteFile(path, "new", &error));
    ::chmod((dir.Dir() / "ro").c_str(), 0700);
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_FALSE(error.empty());
}
