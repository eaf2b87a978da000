#pragma once
// Whether root may run a program as a service. Whoever can replace the file, or rename or
// replace a folder above it, decides what root runs, so a program is trusted only when the
// file and every folder up to "/" belong to root and neither group nor others may write them
// (a world-writable folder with the sticky bit, such as /tmp, does not count as safe: anyone may
// still create names in it).

#include <optional>
#include <string>

// The program's canonical path when it is trusted; nullopt with the reason, for the user, in
// *why.
std::optional<std::string> TrustedProgramPath(const std::string& path, std::string* why);
