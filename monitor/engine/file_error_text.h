#pragma once
// The user's text for a failed file operation, by the system's reason.

#include <string>

// The text for `err` (an errno value) with the file's path in it, such as
// "Access to /opt/vornpilot/Error.log was denied.".
std::string FileErrorText(int err, const std::string& path);
