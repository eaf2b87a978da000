#include "skin_paths.h"

std::string SkinFolder(const std::string& folder) {
    if (folder.empty() || folder.back() != '/')
        return folder + "/";
    return folder;
}

bool IsSafeSkinName(const std::string& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

std::string SkinFilePath(const std::string& folder, const std::string& name) {
    return IsSafeSkinName(name) ? SkinFolder(folder) + name : std::string();
}

std::string OptionalSkinFilePath(const std::string& folder, const std::string& name) {
    return name.empty() ? std::string() : SkinFilePath(folder, name);
}
