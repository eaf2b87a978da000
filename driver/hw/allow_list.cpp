#include "allow_list.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>

#include "trusted_file.h"

namespace {

constexpr off_t MAX_FILE_SIZE = 1 << 20;

std::optional<uint32_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

}  // namespace

CAllowList CAllowList::Defaults() {
    CAllowList list;
    list.m_ports = {{0x295, 0x296}, {0xE0, 0xE0}, {0xE4, 0xE4}};
    return list;
}

std::optional<CAllowList> CAllowList::Parse(std::string_view text, std::string* error) {
    CAllowList list;
    std::istringstream in{std::string(text)};
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        auto words = Words(line);
        if (words.empty())
            continue;
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(lineNo) + ": " + why;
            return std::nullopt;
        };
        if (words.size() != 2)
            return fail("expected '<kind> <first>[-<last>]'");

        std::vector<Range>* target = nullptr;
        uint32_t limit = 0xFFFFFFFF;
        if (words[0] == "port") {
            target = &list.m_ports;
            limit = 0xFFFF;
        } else if (words[0] == "msr-read") {
            target = &list.m_msrRead;
        } else if (words[0] == "msr-write") {
            target = &list.m_msrWrite;
        } else {
            return fail("unknown kind '" + words[0] + "'");
        }

        const std::string& span = words[1];
        const size_t dash = span.find('-');
        auto first = ParseNumber(std::string_view(span).substr(0, dash));
        auto last = dash == std::string::npos
                        ? first
                        : ParseNumber(std::string_view(span).substr(dash + 1));
        if (!first || !last)
            return fail("bad number in '" + span + "'");
        if (*first > *last)
            return fail("range '" + span + "' runs backwards");
        if (*last > limit)
            return fail("'" + span + "' is out of range");
        target->push_back({*first, *last});
    }
    return list;
}

std::optional<CAllowList> CAllowList::Load(const std::string& path, bool mustExist,
                                           std::string* error) {
    // Whoever may change this file decides which ports a root process touches.
    auto text = ReadTrustedFile(path, MAX_FILE_SIZE, error);
    if (!text) {
        if (errno == ENOENT && !mustExist)
            return Defaults();
        return std::nullopt;
    }
    auto list = Parse(*text, error);
    if (!list)
        *error = path + ": " + *error;
    return list;
}

bool CAllowList::Contains(const std::vector<Range>& ranges, uint32_t value) {
    for (const Range& r : ranges) {
        if (value >= r.first && value <= r.last)
            return true;
    }
    return false;
}

bool CAllowList::AllowsPort(uint16_t port, uint8_t size) const {
    if (size == 0)
        return false;
    for (uint32_t p = port; p < static_cast<uint32_t>(port) + size; ++p) {
        if (p > 0xFFFF || !Contains(m_ports, p))
            return false;
    }
    return true;
}

bool CAllowList::AllowsMsrRead(uint32_t msr) const {
    return Contains(m_msrRead, msr);
}

bool CAllowList::AllowsMsrWrite(uint32_t msr) const {
    return Contains(m_msrWrite, msr);
}
