#include "json_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "pass_snapshot.h"
#include "snapshot_text.h"
#include "utf8_text.h"

namespace {}  // namespace

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
            size_t n = Utf8SequenceLength(text, i);
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

std::string JsonReport(const SPassSnapshot& pass) {
    auto boolean = [](bool b) { return b ? "true" : "false"; };
    std::string out = "{\"items\":[";
    bool first = true;
    for (const SItemSnapshot& item : pass.items) {
        const SItemTexts texts = ItemTexts(item, pass.celsius);
        if (!first)
            out += ',';
        first = false;
        out += "{\"itemNo\":" + std::to_string(item.itemNo);
        out += ",\"name\":" + JsonString(item.name);
        out += ",\"type\":\"" + std::string(ItemTypeName(item.type)) + "\"";
        out += ",\"pin\":" + JsonString(item.pin);
        out += std::string(",\"enabled\":") + boolean(item.enabled);
        out += std::string(",\"alarm\":") + boolean(item.alarm);
        out += std::string(",\"beepEnable\":") + boolean(item.beepEnable);
        out += std::string(",\"shutdownEnable\":") + boolean(item.shutdownEnable);
        out += ",\"value\":" + (item.EverRead() ? JsonNumber(item.value) : "null");
        out += ",\"hiLimit\":" + JsonNumber(item.hiLimit);
        out += ",\"loLimit\":" + JsonNumber(item.loLimit);
        out += ",\"valueText\":" + JsonString(texts.value);
        out += ",\"limitText\":" + JsonString(texts.limit);
        out += ",\"statusText\":" + JsonString(texts.status);
        out += ",\"unit\":" + JsonString(item.unit);
        out += std::string(",\"stale\":") + boolean(item.stale);
        out += ",\"lastRead\":" +
               (item.EverRead() ? JsonString(IsoTimeText(item.lastReadUnixMs)) : "null");
        out +=
            ",\"powerOffIn\":" + (item.powerOffIn >= 0 ? std::to_string(item.powerOffIn) : "null");
        out += '}';
    }
    out +=
        std::string("],\"globalBeep\":") + (pass.globalBeep ? boolean(*pass.globalBeep) : "null");

    std::string warnings;
    for (const std::string& line : WarningLines(pass))
        warnings += (warnings.empty() ? "" : "\n") + line;
    out += ",\"warningItems\":" + JsonString(warnings);
    out += ",\"warningText\":" + JsonString(BannerText(pass));
    out += ",\"pass\":" + std::to_string(pass.pass);
    out += ",\"time\":" + JsonString(IsoTimeText(pass.unixTimeMs));
    out += ",\"durationMs\":" + JsonNumber(std::round(pass.durationNs / 1e3) / 1e3);
    out += std::string(",\"chipAnswered\":") + boolean(pass.chipAnswered);
    out += std::string(",\"statusRead\":") + boolean(pass.statusRead);
    out += ",\"staleItems\":" + std::to_string(pass.StaleCount());
    out += ",\"problems\":[";
    bool firstProblem = true;
    for (const std::string& line : ProblemLines(pass)) {
        out += (firstProblem ? "" : ",") + JsonString(line);
        firstProblem = false;
    }
    const SPassCounts& c = pass.counts;
    out += "],\"counts\":{\"passes\":" + std::to_string(c.passes) +
           ",\"passesWithoutChip\":" + std::to_string(c.passesWithoutChip) +
           ",\"statusReadFailures\":" + std::to_string(c.statusReadFailures) +
           ",\"itemReadFailures\":" + std::to_string(c.itemReadFailures) +
           ",\"engineStarts\":" + std::to_string(c.engineStarts) + "}";
    out += '}';
    return out;
}
