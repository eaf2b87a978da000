// The metrics file on a real file system: what it holds, who may read it, the errors at start,
// and a reader looping over it while it is rewritten never sees a torn file.

#include "metrics_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "temp_dir.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t EntriesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

TEST(MetricsFile, WritesAWholeFileEveryoneMayRead) {
    CTempDir dir;
    CMetricsFile file(dir.PathOf("vornpilot.prom"));
    std::string error;
    ASSERT_TRUE(file.Check(&error)) << error;
    EXPECT_EQ(EntriesIn(dir.Path()), 0u) << "the check leaves nothing behind";
    ASSERT_TRUE(file.Write("a 1\n", &error)) << error;
    ASSERT_TRUE(file.Write("b 2\n", &error)) << error;
    EXPECT_EQ(ReadAll(file.Path()), "b 2\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file left";
    file.Remove();
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(MetricsFile, PlacesItCannotBeWrittenAreToldAtStart) {
    CTempDir dir;
    ASSERT_TRUE(dir.WriteFile("plain", "x"));
    std::filesystem::create_directory(dir.PathOf("sub"));
    const struct {
        std::string path;
        const char* says;
    } cases[] = {
        {dir.PathOf("missing/vornpilot.prom"), "No such file or directory"},
        {dir.PathOf("plain/vornpilot.prom"), "Not a directory"},
        {dir.PathOf("sub"), "is a directory"},
        {dir.PathOf("sub/"), "names no file"},
        {"", "names no file"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(CMetricsFile(c.path).Check(&error)) << c.path;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.path << ": " << error;
        EXPECT_FALSE(CMetricsFile(c.path).Write("a 1\n", &error)) << c.path;
    }
}

// What is at the path and is not a regular file is neither replaced nor followed nor removed:
// a link (to a file elsewhere or to nothing) and a device node stay as they were.
TEST(MetricsFile, OnlyARegularFileIsReplacedAndOnlyItsOwnIsRemoved) {
    struct Case {
        const char* name;
        std::function<bool(const std::string& path, const std::string& elsewhere)> make;
        const char* says;
    };
    const Case cases[] = {
        {"link to a file",
         [](const std::string& p, const std::string& e) {
             return std::ofstream(e).put('x').good() && ::symlink(e.c_str(), p.c_str()) == 0;
         },
         "is a symbolic link, not a regular file"},
        {"link to nothing",
         [](const std::string& p, const std::string& e) {
             return ::symlink(e.c_str(), p.c_str()) == 0;
         },
         "is a symbolic link, not a regular file"},
        {"device node",
         [](const std::string& p, const std::string&) {
             return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         },
         "is a device, not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        const std::string path = dir.PathOf("vornpilot.prom");
        const std::string elsewhere = dir.PathOf("elsewhere");
        if (!c.make(path, elsewhere)) {
            ASSERT_EQ(errno, EPERM) << "only mknod may be refused, when not root";
            continue;
        }
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        CMetricsFile file(path);
        std::string error;
        EXPECT_FALSE(file.Check(&error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_FALSE(file.Write("a 1\n", &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        file.Remove();
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0) << "still there";
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(ReadAll(elsewhere), std::filesystem::exists(elsewhere) ? "x" : "");
    }

    // A file put in place of the one written is not the monitor's to remove.
    CTempDir dir;
    CMetricsFile file(dir.PathOf("vornpilot.prom"));
    std::string error;
    ASSERT_TRUE(file.Write("a 1\n", &error)) << error;
    ASSERT_TRUE(dir.WriteFile("other", "someone else's\n"));
    ASSERT_EQ(::rename(dir.PathOf("other").c_str(), file.Path().c_str()), 0);
    file.Remove();
    EXPECT_EQ(ReadAll(file.Path()), "someone else's\n");
}

TEST(MetricsFile, ALoopingReaderNeverSeesATornFile) {
    CTempDir dir;
    CMetricsFile file(dir.PathOf("vornpilot.prom"));
    // Two texts of different lengths: any mix of them, or a cut one, is neither.
    const std::string big = std::string(200000, 'b') + "\n";
    const std::string small = std::string(3000, 's') + "\n";
    std::string error;
    ASSERT_TRUE(file.Write(small, &error)) << error;

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string seen = ReadAll(file.Path());
            ++reads;
            if (seen != big && seen != small)
                ++torn;
        }
    });
    // The writes go on until the reader has had its turns, however few a loaded machine gives it.
    constexpr int READS = 100;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int writes = 0;
    bool written = true;
    for (; written && (writes < 1000 || reads <= READS) && std::chrono::steady_clock::now() < until;
         ++writes)
        written = file.Write(writes % 2 ? big : small, &error);
    done = true;
    reader.join();
    EXPECT_TRUE(written) << error;
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, READS) << "the reader ran alongside the " << writes << " writes";
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

}  // namespace
