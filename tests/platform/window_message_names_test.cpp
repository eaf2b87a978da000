#include "window_message_names.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "../support/temp_dir.h"  // the shared helper, not the local header-only one
#include "run_in_child.h"

TEST(WindowMessageNames, ANameKeepsItsNumberAndCaseDoesNotMatter) {
    CTempDir dir;
    const uint32_t interrupted = RegisterWindowMessage(dir.Path(), "GX4410_INTERRUPTED");
    EXPECT_EQ(interrupted, FIRST_REGISTERED_MESSAGE);
    const uint32_t click = RegisterWindowMessage(dir.Path(), "NORMAL_SKIN_CLICK");
    EXPECT_EQ(click, FIRST_REGISTERED_MESSAGE + 1);
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "gx4410_interrupted"), interrupted);
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "NORMAL_SKIN_CLICK"), click);
}

TEST(WindowMessageNames, EveryProcessGetsTheSameNumber) {
    CTempDir dir;
    ASSERT_NE(RegisterWindowMessage(dir.Path(), "TaskbarCreated"), 0u);
    std::set<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        ChildResult child = RunInChild([&] {
            return std::to_string(RegisterWindowMessage(dir.Path(), "GX4410_INTERRUPTED"));
        });
        seen.insert(child.output);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::stoul(*seen.begin()), FIRST_REGISTERED_MESSAGE + 1);
}

TEST(WindowMessageNames, BadNamesGetNoNumber) {
    CTempDir dir;
    const struct {
        const char* why;
        std::string name;
    } cases[] = {
        {"empty", ""},
        {"line break", "A\nB"},
        {"carriage return", "A\rB"},
        {"too long", std::string(MAX_MESSAGE_NAME + 1, 'x')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RegisterWindowMessage(dir.Path(), c.name), 0u) << c.why;
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), std::string(MAX_MESSAGE_NAME, 'x')),
              FIRST_REGISTERED_MESSAGE);
    EXPECT_EQ(RegisterWindowMessage("/nonexistent/dir", "X"), 0u);
}

TEST(WindowMessageNames, AnUnfinishedLineKeepsItsNumber) {
    CTempDir dir;
    ASSERT_TRUE(dir.WriteFile(WINDOW_MESSAGE_NAMES_FILE, "FIRST\nHALF"));
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "NEW"), FIRST_REGISTERED_MESSAGE + 2);
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "first"), FIRST_REGISTERED_MESSAGE);
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "NEW"), FIRST_REGISTERED_MESSAGE + 2);
}

TEST(WindowMessageNames, NumbersRunOutAfter0xFFFF) {
    CTempDir dir;
    std::string names;
    for (uint32_t n = FIRST_REGISTERED_MESSAGE; n <= LAST_REGISTERED_MESSAGE; ++n)
        names += 'M' + std::to_string(n) + '\n';
    ASSERT_TRUE(dir.WriteFile(WINDOW_MESSAGE_NAMES_FILE, names));
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "M65535"), LAST_REGISTERED_MESSAGE);
    EXPECT_EQ(RegisterWindowMessage(dir.Path(), "ONE_MORE"), 0u);
}
