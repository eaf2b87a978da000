#include "json_report.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "pass_snapshot.h"
#include "reading_resolution.h"
#include "snapshot_text.h"
#include "utf8_text.h"

namespace {

using Json = nlohmann::ordered_json;

// Texts come from board files and the registry: bytes that are not UTF-8 become U+FFFD here, the
// same bytes the metrics and the page replace.
Json Text(std::string_view text) {
    return ValidUtf8(text);
}

// A whole number is written without a fraction ("2250", not "2250.0"); a value that is not a
// finite number is null.
Json Number(double value) {
    constexpr double EXACT_INTEGERS = 9007199254740992.0;  // 2^53
    if (!std::isfinite(value))
        return nullptr;
    if (value == std::trunc(value) && std::fabs(value) < EXACT_INTEGERS)
        return static_cast<int64_t>(value);
    return value;
}

// A hwmon sensor's reading is as fine as the kernel's thousandths (millivolts, millidegrees),
// the chip's as fine as the chip tells them apart.
double AtResolution(const SItemSnapshot& item, double value) {
    if (item.deviceId.empty() || !std::isfinite(value))
        return AtChipResolution(item.type, value);
    return std::round(value * 1000) / 1000;
}

Json Item(const SItemSnapshot& item, bool celsius) {
    const SItemTexts texts = ItemTexts(item, celsius);
    Json j;
    j["itemNo"] = item.itemNo;
    j["name"] = Text(item.name);
    j["type"] = ItemTypeName(item.type);
    j["pin"] = Text(item.pin);
    j["enabled"] = item.enabled;
    j["alarm"] = item.alarm;
    j["beepEnable"] = item.beepEnable;
    j["shutdownEnable"] = item.shutdownEnable;
    j["value"] = item.EverRead() ? Number(AtResolution(item, item.value)) : nullptr;
    j["hiLimit"] = Number(AtResolution(item, item.hiLimit));
    j["loLimit"] = Number(AtResolution(item, item.loLimit));
    // The table's column padding is no part of the text.
    j["valueText"] = Text(WithoutLeadingBlanks(texts.value));
    j["limitText"] = Text(WithoutLeadingBlanks(texts.limit));
    j["statusText"] = Text(texts.status);
    j["unit"] = Text(item.unit);
    j["stale"] = item.stale;
    j["lastRead"] = item.EverRead() ? Json(IsoTimeText(item.lastReadUnixMs)) : nullptr;
    j["powerOffIn"] = item.powerOffIn >= 0 ? Json(item.powerOffIn) : nullptr;
    j["device"] = Text(item.device);
    j["deviceId"] = Text(item.deviceId);
    j["sensor"] = Text(item.sensor);
    return j;
}

}  // namespace

std::string JsonReport(const SPassSnapshot& pass) {
    Json j;
    Json& items = j["items"] = Json::array();
    for (const SItemSnapshot& item : pass.items)
        items.push_back(Item(item, pass.celsius));
    j["globalBeep"] = pass.globalBeep ? Json(*pass.globalBeep) : nullptr;
    std::string warnings;
    for (const std::string& line : WarningLines(pass))
        warnings += (warnings.empty() ? "" : "\n") + line;
    j["warningItems"] = Text(warnings);
    j["warningText"] = Text(BannerText(pass));
    j["pass"] = pass.pass;
    j["time"] = IsoTimeText(pass.unixTimeMs);
    j["durationMs"] = Number(std::round(pass.durationNs / 1e3) / 1e3);
    j["chipAnswered"] = pass.chipAnswered;
    j["statusRead"] = pass.statusRead;
    j["chipPath"] = pass.chipUsed ? pass.chipPath : "none";
    j["staleItems"] = pass.StaleCount();
    j["itemSource"] = pass.hwmonItems ? "hwmon" : "boardFile";
    Json& problems = j["problems"] = Json::array();
    for (const std::string& line : ProblemLines(pass))
        problems.push_back(Text(line));
    const SPassCounts& c = pass.counts;
    j["counts"] = {{"passes", c.passes},
                   {"passesWithoutChip", c.passesWithoutChip},
                   {"statusReadFailures", c.statusReadFailures},
                   {"itemReadFailures", c.itemReadFailures},
                   {"engineStarts", c.engineStarts}};
    // The texts are well-formed already; replacing rather than throwing keeps a line coming.
    return j.dump(-1, ' ', false, nlohmann::detail::error_handler_t::replace);
}
