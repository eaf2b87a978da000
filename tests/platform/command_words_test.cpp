#include "command_words.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

TEST(CommandWords, SplitsWithoutAShell) {
    const struct {
        const char* line;
        Words words;
    } cases[] = {
        {"systemctl poweroff", {"systemctl", "poweroff"}},
        {"  a\t b  ", {"a", "b"}},
        {"/opt/my tools/off", {"/opt/my", "tools/off"}},
        {"'/opt/my tools/off' now", {"/opt/my tools/off", "now"}},
        {"\"a \\\"b\\\" \\\\ c\"", {"a \"b\" \\ c"}},
        {"\"a\\nb\"", {"a\\nb"}},
        {"a\\ b", {"a b"}},
        {"x''y", {"xy"}},
        {"''", {""}},
        {"echo $HOME;reboot", {"echo", "$HOME;reboot"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        auto words = SplitCommandWords(c.line);
        ASSERT_TRUE(words) << c.line;
        EXPECT_EQ(*words, c.words) << c.line;
    }
    for (const char* bad : {"'open", "\"open", "trailing\\"})
        EXPECT_FALSE(SplitCommandWords(bad)) << bad;
}

}  // namespace
