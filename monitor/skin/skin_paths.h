#pragma once
// Where a skin's files are: names from the definition are joined to the skin folder by plain
// concatenation, the folder always ending in "/".

#include <string>

std::string SkinFolder(const std::string& folder);

// A name that could leave the skin folder (a ".." component) names nothing: skins are
// downloaded data and may read only their own files. An absolute name stays inside the folder
// anyway, since it is appended to it.
bool IsSafeSkinName(const std::string& name);

// Folder + name, for the attributes that are always joined (an empty name gives the folder).
// "" for an unsafe name.
std::string SkinFilePath(const std::string& folder, const std::string& name);
// The same, but an empty name stays empty.
std::string OptionalSkinFilePath(const std::string& folder, const std::string& name);
