#include "user_dirs.h"

#include <fstream>

namespace {

// The shell-quoted value of a line such as XDG_MUSIC_DIR="$HOME/Music" without its quotes and
// escapes; false when the value is not one double-quoted word.
bool Unquote(std::string_view value, std::string& out) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return false;
    }
    out.clear();
    value = value.substr(1, value.size() - 2);
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        } else if (value[i] == '"') {
            return false;
        }
        out += value[i];
    }
    return true;
}

}  // namespace

std::string UserDirectory(const std::string& userDirsFile, const std::string& home,
                          std::string_view name) {
    std::ifstream in(userDirsFile);
    const std::string prefix = "XDG_" + std::string(name) + "_DIR=";
    std::string found;
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) {
            continue;
        }
        std::string_view value(line);
        value.remove_prefix(start + prefix.size());
        value = value.substr(0, value.find_last_not_of(" \t\r") + 1);
        std::string path;
        if (!Unquote(value, path)) {
            continue;
        }
        if (path == "$HOME" || path.rfind("$HOME/", 0) == 0) {
            if (home.empty()) {
                continue;
            }
            path = home + path.substr(5);
        } else if (path.empty() || path[0] != '/') {
            continue;
        }
        found = path;  // a later line overrides an earlier one, as when the shell reads it
    }
    while (found.size() > 1 && found.back() == '/') {
        found.pop_back();
    }
    return found;
}
