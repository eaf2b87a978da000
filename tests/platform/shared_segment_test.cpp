#include "shared_segment.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "../support/temp_dir.h"  // the shared helper, not the local header-only one
#include "run_in_child.h"

namespace {

constexpr size_t SIZE = 8192;

bool AllZero(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

}  // namespace

TEST(SharedSegment, FirstAttachFindsZerosAndLaterOnesShareTheBytes) {
    CTempDir dir;
    CSharedSegment first, second;
    ASSERT_TRUE(first.Attach(dir.Path(), "block", SIZE));
    EXPECT_TRUE(first.WasFirst());
    EXPECT_TRUE(AllZero(first.Data(), SIZE));
    static_cast<uint8_t*>(first.Data())[100] = 0x5A;

    ASSERT_TRUE(second.Attach(dir.Path(), "block", SIZE));
    EXPECT_FALSE(second.WasFirst());
    EXPECT_EQ(static_cast<uint8_t*>(second.Data())[100], 0x5A);
}

TEST(SharedSegment, InitialiseRunsOnlyForTheFirst) {
    CTempDir dir;
    int runs = 0;
    auto init = [&](void* data) {
        ++runs;
        static_cast<uint8_t*>(data)[0] = 7;
        return true;
    };
    CSharedSegment a, b;
    ASSERT_TRUE(a.Attach(dir.Path(), "block", SIZE, init));
    ASSERT_TRUE(b.Attach(dir.Path(), "block", SIZE, init));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(static_cast<uint8_t*>(b.Data())[0], 7);
}

TEST(SharedSegment, TheLastDetachDiscardsTheBlock) {
    CTempDir dir;
    CSharedSegment a, b;
    ASSERT_TRUE(a.Attach(dir.Path(), "block", SIZE));
    ASSERT_TRUE(b.Attach(dir.Path(), "block", SIZE));
    static_cast<uint8_t*>(a.Data())[10] = 1;
    a.Detach();
    EXPECT_TRUE(std::filesystem::exists(dir.PathOf("block"))) << "b is still attached";
    EXPECT_EQ(static_cast<uint8_t*>(b.Data())[10], 1);
    b.Detach();
    EXPECT_FALSE(std::filesystem::exists(dir.PathOf("block")));

    CSharedSegment c;
    ASSERT_TRUE(c.Attach(dir.Path(), "block", SIZE));
    EXPECT_TRUE(c.WasFirst());
    EXPECT_TRUE(AllZero(c.Data(), SIZE));
}

TEST(SharedSegment, AProcessThatDiedAttachedDoesNotKeepTheBlock) {
    CTempDir dir;
    ChildResult child = RunInChild([&] {
        CSharedSegment s;
        if (!s.Attach(dir.Path(), "block", SIZE))
            return std::string("attach failed");
        std::memset(s.Data(), 0xAB, SIZE);
        ::raise(SIGKILL);
        return std::string("still alive");
    });
    ASSERT_FALSE(child.Exited());
    ASSERT_TRUE(std::filesystem::exists(dir.PathOf("block"))) << "left behind by the dead one";

    CSharedSegment s;
    ASSERT_TRUE(s.Attach(dir.Path(), "block", SIZE));
    EXPECT_TRUE(s.WasFirst());
    EXPECT_TRUE(AllZero(s.Data(), SIZE));
}

TEST(SharedSegment, AnotherProcessSeesTheSameBytes) {
    CTempDir dir;
    CSharedSegment s;
    ASSERT_TRUE(s.Attach(dir.Path(), "block", SIZE));
    static_cast<uint8_t*>(s.Data())[4000] = 0x42;
    ChildResult child = RunInChild([&] {
        CSharedSegment mine;
        if (!mine.Attach(dir.Path(), "block", SIZE))
            return std::string("attach failed");
        auto* p = static_cast<uint8_t*>(mine.Data());
        const std::string seen = std::to_string(p[4000]) + (mine.WasFirst() ? " first" : "");
        p[4001] = 0x24;
        return seen;
    });
    EXPECT_EQ(child.output, "66");
    EXPECT_EQ(static_cast<uint8_t*>(s.Data())[4001], 0x24);
    EXPECT_TRUE(std::filesystem::exists(dir.PathOf("block"))) << "the child was not the last";
}

TEST(SharedSegment, AForkedChildDetachingLeavesItsParentAttached) {
    CTempDir dir;
    CSharedSegment s;
    ASSERT_TRUE(s.Attach(dir.Path(), "block", SIZE));
    ChildResult child = RunInChild([&] {
        s.Detach();
        return std::string("done");
    });
    EXPECT_EQ(child.output, "done");
    EXPECT_TRUE(std::filesystem::exists(dir.PathOf("block")));
    CSharedSegment other;
    ASSERT_TRUE(other.Attach(dir.Path(), "block", SIZE));
    EXPECT_FALSE(other.WasFirst());
}

TEST(SharedSegment, RefusesWhatItCannotUse) {
    CTempDir dir;
    CSharedSegment a, b;
    ASSERT_TRUE(a.Attach(dir.Path(), "block", SIZE));
    EXPECT_FALSE(b.Attach(dir.Path(), "block", SIZE * 2)) << "an attached block keeps its size";
    EXPECT_FALSE(b.IsAttached());

    std::filesystem::create_directory(dir.PathOf("adir"));
    EXPECT_FALSE(b.Attach(dir.Path(), "adir", SIZE));
    EXPECT_FALSE(b.Attach(dir.PathOf("missing"), "block", SIZE));
    EXPECT_FALSE(b.Attach(dir.Path(), "failing", SIZE, [](void*) { return false; }));
    EXPECT_FALSE(b.Attach(dir.Path(), "empty", 0));
}
