#pragma once
// The two commands that look at the machine's hwmon sensors instead of running the monitor:
// --list-sensors prints them, --write-board-file PATH writes a board file of them. Neither
// needs the chip, the driver service or a display.

#include <cstdio>
#include <string>

// Exit status 0, or 5 when no board file was written (none found, the file exists, or it
// cannot be written); messages go to `err`.
int ListSensors(const std::string& sysfsRoot, std::FILE* out);
// Messages begin with `program` ("vornpilot").
int WriteSensorBoardFile(const std::string& sysfsRoot, const std::string& path,
                         const std::string& program, std::FILE* out, std::FILE* err);
