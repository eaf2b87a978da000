#include "xml_text.h"

#include <cstdint>

namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";

bool IsXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Length of the well-formed sequence at `pos` and its code point; 0 when there is none.
size_t DecodeOne(std::string_view text, size_t pos, uint32_t& cp) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(pos);
    size_t len;
    uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        len = 2;
        cp = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3;
        cp = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4;
        cp = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    // Overlong forms and values past U+10FFFF are not well-formed.
    if (cp < min || cp > 0x10FFFF) {
        return 0;
    }
    return len;
}

}  // namespace

std::string ToXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        uint32_t cp = 0;
        size_t len = DecodeOne(text, pos, cp);
        if (len == 0) {
            out += REPLACEMENT;
            ++pos;
            continue;
        }
        if (IsXmlChar(cp)) {
            out.append(text.substr(pos, len));
        } else {
            out += REPLACEMENT;
        }
        pos += len;
    }
    return out;
}
