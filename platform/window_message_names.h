#pragma once
// Registered window messages: a name gives the same message number, 0xC000 to 0xFFFF, in every
// process using the same directory. The names live one per line in <dir>/window-messages, the
// n-th line (from 0) being message 0xC000 + n; lookups ignore the case of ASCII letters, and
// the file is read and extended under an exclusive lock on it.

#include <cstdint>
#include <string>

inline constexpr uint32_t FIRST_REGISTERED_MESSAGE = 0xC000;
inline constexpr uint32_t LAST_REGISTERED_MESSAGE = 0xFFFF;
inline constexpr size_t MAX_MESSAGE_NAME = 255;
inline constexpr const char* WINDOW_MESSAGE_NAMES_FILE = "window-messages";

// The message number of name; 0 (errno set) when the name is empty, too long or holds a line
// break, when every number is taken, or when the file cannot be used.
uint32_t RegisterWindowMessage(const std::string& dir, const std::string& name);
