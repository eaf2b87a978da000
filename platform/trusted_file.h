#pragma once
// Reading a configuration file that decides what a privileged process does. Whoever can change
// such a file, or the directory that holds it, is as powerful as the process itself, so the file
// is accepted only when the process's own user or root owns both, neither is writable by group
// or others, and the file is a small regular file opened without following a link.

#include <sys/types.h>

#include <optional>
#include <string>

// The whole file; nullopt with the reason in *error (errno ENOENT when it is absent).
std::optional<std::string> ReadTrustedFile(const std::string& path, off_t maxSize,
                                           std::string* error);
