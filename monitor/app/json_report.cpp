#include "json_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "monitor_engine.h"

namespace {

const char* TypeName(int32_t type) {
    switch (type) {
        case ITEM_VOLTAGE:
            return "voltage";
        case ITEM_TEMPERATURE:
            return "temperature";
        case ITEM_FAN:
            return "fan";
        default:
            return "other";
    }
}

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(std::string_view s, size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF)
        return 0;
    return n;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
            ++i;
        } else {
            size_t n = Utf8Length(text, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), value);
    if (ec != std::errc())
        return "null";
    return std::string(buf, end);
}

std::string JsonReport(const CMonitorEngine& engine, const IJsonExtra* extra) {
    std::string out = "{\"items\":[";
    bool first = true;
    for (const auto& item : engine.Items()) {
        double hi = 0, lo = 0;
        item->GetLimits(&hi, &lo);
        if (!first)
            out += ',';
        first = false;
        out += "{\"itemNo\":" + std::to_string(item->GetItemNo());
        out += ",\"name\":" + JsonString(item->GetName());
        out += ",\"type\":\"" + std::string(TypeName(item->GetItemType())) + "\"";
        out += ",\"pin\":" + JsonString(item->GetPinName());
        out += std::string(",\"enabled\":") + (item->IsEnabled() ? "true" : "false");
        out += std::string(",\"alarm\":") + (item->IsAlarm() ? "true" : "false");
        out += std::string(",\"beepEnable\":") + (item->IsBeepEnabled() ? "true" : "false");
        out += std::string(",\"shutdownEnable\":") + (item->IsShutdownEnabled() ? "true" : "false");
        out += ",\"value\":" + JsonNumber(item->GetValue());
        out += ",\"hiLimit\":" + JsonNumber(hi);
        out += ",\"loLimit\":" + JsonNumber(lo);
        if (extra != nullptr)
            out += extra->ItemFields(*item);
        out += '}';
    }
    out += std::string("],\"globalBeep\":") + (engine.GetGlobalBeepEnable() ? "true" : "false");
    if (extra != nullptr)
        out += extra->ReportFields();
    out += '}';
    return out;
}
