#include "mcu_commands.h"

#include <charconv>
#include <cstdio>

#include "item_table.h"

namespace {

std::string Ok(const std::string& text) {
    return "OK\n" + text;
}

std::string Err(const std::string& message) {
    return "ERR 1\n" + message + "\n";
}

// A number in decimal or with a 0x prefix in hex, at most `max`.
bool ParseNumber(std::string_view s, unsigned max, unsigned* out) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (s.empty())
        return false;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size() || value > max)
        return false;
    *out = value;
    return true;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    if (bytes.empty())
        return "-";
    std::string text;
    char b[8];
    for (uint8_t byte : bytes) {
        std::snprintf(b, sizeof b, text.empty() ? "%02X" : " %02X", byte);
        text += b;
    }
    return text;
}

const char* ModeName(CGx4410Model::EMode mode) {
    switch (mode) {
        case CGx4410Model::EMode::ON:
            return "on";
        case CGx4410Model::EMode::OFF:
            return "off";
        default:
            return "busy";
    }
}

}  // namespace

std::string CMcuCommands::Help() {
    return "  interrupt <source>...       pending sources (bytes), then the interrupt\n"
           "  mcu                         microcontroller mode and pending interrupt entries\n"
           "  mcu on|off|busy             answer, stop answering, or stay busy\n"
           "  mcu get <item>              what an item answers and what was written to it\n"
           "  mcu set <item> [<byte>...]  the bytes an item answers from now on\n";
}

std::string CMcuCommands::Interrupt(const Words& w) {
    if (w.size() < 2)
        return Err("usage: interrupt <source>...");
    std::vector<uint8_t> sources;
    for (size_t i = 1; i < w.size(); ++i) {
        unsigned value = 0;
        if (!ParseNumber(w[i], 0xFF, &value))
            return Err("interrupt: '" + std::string(w[i]) + "' is not a byte (0..255)");
        sources.push_back(static_cast<uint8_t>(value));
    }
    const bool signalled = m_mcu.Raise(sources);
    return Ok("interrupt: sources " + Hex(sources) + "; pending " + Hex(m_mcu.Pending()) + "; " +
              (signalled ? "event signalled" : "no event registered") + "\n");
}

std::string CMcuCommands::State() const {
    return std::string("mcu ") + ModeName(m_mcu.Mode()) +
           "\npending: " + (m_mcu.Pending().empty() ? "none" : Hex(m_mcu.Pending())) +
           "\ntransfers: " + std::to_string(m_mcu.Transfers()) + "\n";
}

std::string CMcuCommands::Mcu(const Words& w) {
    const std::string usage = "usage: mcu [on|off|busy|get <item>|set <item> <byte>...]";
    if (w.size() == 1)
        return Ok(State());
    const std::string_view sub = w[1];
    if (w.size() == 2 && (sub == "on" || sub == "off" || sub == "busy")) {
        m_mcu.SetMode(sub == "on"    ? CGx4410Model::EMode::ON
                      : sub == "off" ? CGx4410Model::EMode::OFF
                                     : CGx4410Model::EMode::BUSY);
        return Ok(State());
    }
    if ((sub == "get" && w.size() == 3) || (sub == "set" && w.size() >= 3)) {
        unsigned item = 0;
        if (!ParseNumber(w[2], vornio::LAST_ITEM, &item))
            return Err("mcu: '" + std::string(w[2]) + "' is not an item (0..110)");
        const uint8_t i = static_cast<uint8_t>(item);
        if (sub == "get") {
            return Ok("answer: " + Hex(m_mcu.Answer(i)) + "\nwritten: " + Hex(m_mcu.Written(i)) +
                      "\n");
        }
        std::vector<uint8_t> bytes;
        for (size_t k = 3; k < w.size(); ++k) {
            unsigned value = 0;
            if (!ParseNumber(w[k], 0xFF, &value))
                return Err("mcu set: '" + std::string(w[k]) + "' is not a byte (0..255)");
            bytes.push_back(static_cast<uint8_t>(value));
        }
        if (i == vornio::ITEM_INT_STATUS)
            return Err("mcu set: item 106 answers from the pending interrupt entries");
        if (!m_mcu.SetAnswer(i, bytes))
            return Err("mcu set: at most " + std::to_string(CGx4410Model::MAX_ANSWER) + " bytes");
        return Ok("item " + std::to_string(item) + " answers " + std::to_string(bytes.size()) +
                  " bytes\n");
    }
    return Err(usage);
}
