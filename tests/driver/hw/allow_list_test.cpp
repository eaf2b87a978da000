#include "allow_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "temp_dir.h"

namespace {

TEST(AllowList, DefaultsCoverTheChipAndTheMailboxOnly) {
    const CAllowList list = CAllowList::Defaults();
    struct Case {
        uint16_t port;
        uint8_t size;
        bool allowed;
    };
    const Case cases[] = {
        {0x295, 1, true},  {0x296, 1, true},  {0x295, 2, true},  {0xE0, 1, true},
        {0xE4, 1, true},   {0x294, 1, false}, {0x297, 1, false}, {0x296, 2, false},
        {0x295, 4, false}, {0xE1, 1, false},  {0xE0, 2, false},  {0x80, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        EXPECT_EQ(list.AllowsPort(c.port, c.size), c.allowed);
    }
    EXPECT_FALSE(list.AllowsAnyMsr());
    EXPECT_FALSE(list.AllowsMsrRead(0x10));
    EXPECT_FALSE(list.AllowsMsrWrite(0x10));
}

TEST(AllowList, ParsesRulesCommentsAndRanges) {
    std::string error;
    auto list = CAllowList::Parse(
        "# chip\n"
        "port 0x295-0x296   # index and data\n"
        "\n"
        "  port 128\n"
        "port 0xFFFE-0xFFFF\n"
        "msr-read 0x19C\n"
        "msr-read 0xC0000080-0xC0000081\n"
        "msr-write 0x1A0\n",
        &error);
    ASSERT_TRUE(list) << error;
    EXPECT_TRUE(list->AllowsPort(0x295, 2));
    EXPECT_TRUE(list->AllowsPort(0x80, 1));
    EXPECT_FALSE(list->AllowsPort(0x80, 2));
    EXPECT_TRUE(list->AllowsPort(0xFFFE, 2));
    EXPECT_FALSE(list->AllowsPort(0xFFFE, 4));  // would run past the last port
    EXPECT_FALSE(list->AllowsPort(0xFFFF, 2));
    EXPECT_TRUE(list->AllowsMsrRead(0x19C));
    EXPECT_TRUE(list->AllowsMsrRead(0xC0000081));
    EXPECT_FALSE(list->AllowsMsrWrite(0x19C));
    EXPECT_TRUE(list->AllowsMsrWrite(0x1A0));
    EXPECT_FALSE(list->AllowsMsrRead(0x1A0));  // a write rule does not open reads
}

TEST(AllowList, MultiByteAccessMayCrossAdjacentRules) {
    std::string error;
    auto list = CAllowList::Parse("port 0x295\nport 0x296\n", &error);
    ASSERT_TRUE(list) << error;
    EXPECT_TRUE(list->AllowsPort(0x295, 2));
    EXPECT_FALSE(list->AllowsPort(0x294, 2));
}

TEST(AllowList, MalformedRulesNameTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"port\n", "line 1:"},
        {"port 1 2\n", "line 1:"},
        {"\n\nports 0x80\n", "line 3: unknown kind"},
        {"port 0x\n", "bad number"},
        {"port 0xG0\n", "bad number"},
        {"port -5\n", "bad number"},
        {"port 5-\n", "bad number"},
        {"port 0x296-0x295\n", "backwards"},
        {"port 0x10000\n", "out of range"},
        {"msr-read 0x100000000\n", "bad number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(CAllowList::Parse(c.text, &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(AllowList, MissingDefaultFileGivesTheDefaultsButANamedOneMustExist) {
    CTempDir temp;
    std::string error;
    auto list = CAllowList::Load(temp.PathOf("absent.conf"), false, &error);
    ASSERT_TRUE(list) << error;
    EXPECT_TRUE(list->AllowsPort(0x295, 1));
    EXPECT_FALSE(CAllowList::Load(temp.PathOf("absent.conf"), true, &error));
}

TEST(AllowList, FileReplacesTheDefaults) {
    CTempDir temp;
    ASSERT_TRUE(temp.WriteFile("allow.conf", "port 0x80\n"));
    std::string error;
    auto list = CAllowList::Load(temp.PathOf("allow.conf"), true, &error);
    ASSERT_TRUE(list) << error;
    EXPECT_TRUE(list->AllowsPort(0x80, 1));
    EXPECT_FALSE(list->AllowsPort(0x295, 1));
}

// Whoever can change the file or its folder decides what the root service touches. Run as root,
// the foreign owner is a real other user; run as anyone else, root is just as foreign.
TEST(AllowList, FileOnlyItsOwnerMayChangeIsAccepted) {
    const uid_t stranger = ::geteuid() == 0 ? 65534 : 0;
    struct Case {
        const char* name;
        std::function<bool(CTempDir&)> prepare;  // leaves the rule file at "dir/allow.conf"
        const char* refusal;                     // nullptr: accepted
    };
    const Case cases[] = {
        {"plain file", [](CTempDir&) { return true; }, nullptr},
        {"group may write",
         [](CTempDir& t) { return ::chmod(t.PathOf("dir/allow.conf").c_str(), 0664) == 0; },
         "writable by group or others"},
        {"other user owns the file",
         [&](CTempDir& t) {
             return ::chown(t.PathOf("dir/allow.conf").c_str(), stranger, -1) == 0;
         },
         "not owned by root"},
        {"other user owns the folder",
         [&](CTempDir& t) { return ::chown(t.PathOf("dir").c_str(), stranger, -1) == 0; },
         "its folder"},
        {"folder others may write",
         [](CTempDir& t) { return ::chmod(t.PathOf("dir").c_str(), 01777) == 0; }, "its folder"},
        {"symbolic link",
         [](CTempDir& t) {
             return ::rename(t.PathOf("dir/allow.conf").c_str(), t.PathOf("dir/real").c_str()) ==
                        0 &&
                    ::symlink("real", t.PathOf("dir/allow.conf").c_str()) == 0;
         },
         "symbolic link"},
        {"FIFO",
         [](CTempDir& t) {
             return ::unlink(t.PathOf("dir/allow.conf").c_str()) == 0 &&
                    ::mkfifo(t.PathOf("dir/allow.conf").c_str(), 0600) == 0;
         },
         "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir temp;
        ASSERT_EQ(::mkdir(temp.PathOf("dir").c_str(), 0755), 0);
        ASSERT_TRUE(temp.WriteFile("dir/allow.conf", "port 0x80\n"));
        ASSERT_EQ(::chmod(temp.PathOf("dir/allow.conf").c_str(), 0644), 0);
        if (!c.prepare(temp)) {
            ADD_FAILURE() << "cannot prepare: " << std::strerror(errno);
            continue;
        }
        std::string error;
        auto list = CAllowList::Load(temp.PathOf("dir/allow.conf"), true, &error);
        if (!c.refusal) {
            ASSERT_TRUE(list) << error;
            EXPECT_TRUE(list->AllowsPort(0x80, 1));
        } else {
            EXPECT_FALSE(list);
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        }
    }
}

TEST(AllowList, BadFileFailsWithItsName) {
    CTempDir temp;
    ASSERT_TRUE(temp.WriteFile("allow.conf", "port 0x80\nmsr 0x10\n"));
    std::string error;
    EXPECT_FALSE(CAllowList::Load(temp.PathOf("allow.conf"), false, &error));
    EXPECT_NE(error.find(temp.PathOf("allow.conf") + ": line 2"), std::string::npos) << error;
}

}  // namespace
