#pragma once
// The XDG user directories (user-dirs.dirs), which stand in for the shell's special folders.

#include <string>
#include <string_view>

// The folder that `XDG_<name>_DIR` names in the file ("$HOME/…" or an absolute path), without a
// trailing slash; "" when the file or the entry is missing or the value is neither form.
std::string UserDirectory(const std::string& userDirsFile, const std::string& home,
                          std::string_view name);
