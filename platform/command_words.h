#pragma once
// A command line split into words the way a user expects without a shell: blanks separate
// words; single quotes keep everything literally; double quotes keep blanks, and a backslash
// in them escapes " and \; outside quotes a backslash escapes the next character. Nothing is
// expanded.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// nullopt for an unterminated quote or a trailing backslash.
std::optional<std::vector<std::string>> SplitCommandWords(std::string_view line);
