#include "markup_text.h"

#include <cctype>
#include <cstdlib>

#include "utf8_text.h"

namespace {

std::string TagName(std::string_view tag) {
    size_t i = 0;
    while (i < tag.size() && (tag[i] == '/' || tag[i] == ' ')) {
        ++i;
    }
    std::string name;
    for (; i < tag.size() && std::isalnum(static_cast<unsigned char>(tag[i])); ++i) {
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(tag[i])));
    }
    return name;
}

// The text of a reference such as "amp" or "#176"; false for one it does not know.
bool DecodeReference(std::string_view ref, std::string& out) {
    if (ref == "amp") {
        out += '&';
    } else if (ref == "lt") {
        out += '<';
    } else if (ref == "gt") {
        out += '>';
    } else if (ref == "quot") {
        out += '"';
    } else if (ref == "apos") {
        out += '\'';
    } else if (ref == "nbsp") {
        out += ' ';
    } else if (ref.size() > 1 && ref[0] == '#') {
        bool hex = ref[1] == 'x' || ref[1] == 'X';
        std::string digits(ref.substr(hex ? 2 : 1));
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        char* end = nullptr;
        unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (*end != '\0' || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        AppendUtf8(out, static_cast<char32_t>(cp));
    } else {
        return false;
    }
    return true;
}

void DropLineEndBlanks(std::string& text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        std::string_view line = std::string_view(text).substr(
            start, nl == std::string::npos ? std::string::npos : nl - start);
        size_t last = line.find_last_not_of(" \t");
        out.append(line.substr(0, last == std::string_view::npos ? 0 : last + 1));
        if (nl == std::string::npos) {
            break;
        }
        out += '\n';
        start = nl + 1;
    }
    text = std::move(out);
}

}  // namespace

std::string StripMarkup(std::string_view html) {
    std::string out;
    size_t i = 0;
    while (i < html.size()) {
        char c = html[i];
        if (c == '<') {
            size_t close = html.find('>', i);
            if (close == std::string_view::npos) {
                out.append(html.substr(i));
                break;
            }
            std::string_view tag = html.substr(i + 1, close - i - 1);
            std::string name = TagName(tag);
            bool closing = !tag.empty() && tag[0] == '/';
            if (!closing && (name == "BR" || name == "HR")) {
                out += '\n';
            }
            i = close + 1;
        } else if (c == '&') {
            size_t semi = html.find(';', i);
            if (semi != std::string_view::npos && semi - i <= 10 &&
                DecodeReference(html.substr(i + 1, semi - i - 1), out)) {
                i = semi + 1;
            } else {
                out += c;
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    DropLineEndBlanks(out);
    return out;
}
