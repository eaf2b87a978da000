#pragma once
// The user's text for a failed file operation, by the system's reason.

#include <string>

// The text for `err` (an errno value) with the file's path in it, such as
// "Access to /opt/vornpilot/Error.log was denied.".
std::string FileErrorText(int err, const std::string& path);

// The errno value that says what is at a path that is not a regular file: ELOOP for a link,
// EISDIR for a folder, ENODEV for anything else (a device, a FIFO, a socket); 0 for a regular
// file.
int FileKindError(unsigned mode);
