#pragma once
// A path in a message: a folder name may hold a line break or another control character, and
// the message must stay one line that shows it.

#include <string>

// Control characters written as \n, \t or \xNN; everything else as it is.
std::string PrintablePath(const std::string& path);
