#include "sim_reply.h"

#include <charconv>

std::optional<SimReply> ParseSimReply(std::string_view raw) {
    const size_t end = raw.find('\n');
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view status = raw.substr(0, end);
    SimReply reply;
    reply.text = std::string(raw.substr(end + 1));
    if (status == "OK")
        return reply;

    constexpr std::string_view ERR = "ERR ";
    if (status.substr(0, ERR.size()) != ERR)
        return std::nullopt;
    const std::string_view digits = status.substr(ERR.size());
    int code = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || code < 0 ||
        code > 255) {
        return std::nullopt;
    }
    // A failure must not read as success to the shell.
    reply.exitCode = code == 0 ? 1 : code;
    reply.toStdout = false;
    return reply;
}
