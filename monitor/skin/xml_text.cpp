#include "xml_text.h"

#include "utf8_text.h"

namespace {

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

std::string ToXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        const size_t len = Utf8SequenceLength(text, pos, &c);
        if (len == 0) {
            out += UTF8_REPLACEMENT;
            ++pos;
            continue;
        }
        if (IsXmlChar(c))
            out.append(text.substr(pos, len));
        else
            out += UTF8_REPLACEMENT;
        pos += len;
    }
    return out;
}
