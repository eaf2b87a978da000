#pragma once
// The reply of the VORN-SIM socket: "OK\n" + text for standard output, or
// "ERR <exit code>\n" + message for standard error.

#include <optional>
#include <string>
#include <string_view>

struct SimReply {
    int exitCode = 0;
    bool toStdout = true;
    std::string text;
};

// nullopt when the reply follows neither form.
std::optional<SimReply> ParseSimReply(std::string_view raw);
