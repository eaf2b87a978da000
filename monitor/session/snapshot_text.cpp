#include "snapshot_text.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "page_formats.h"
#include "utf8_text.h"

namespace {

const std::string DEGREES_C =
    " \xC2\xB0"
    "C";
const std::string DEGREES_F =
    " \xC2\xB0"
    "F";

// "%3.0f" and the degree sign of the unit.
std::string WithUnit(double degrees, bool celsius) {
    return DegreesText(degrees) + (celsius ? DEGREES_C : DEGREES_F);
}

std::string ValueText(const SItemSnapshot& item, bool celsius) {
    switch (item.type) {
        case ITEM_TEMPERATURE:
            return WithUnit(DisplayTemperature(item.value, celsius), celsius);
        case ITEM_VOLTAGE:
            return VoltText(item.value);
        case ITEM_FAN:
            return RpmText(item.value);
        default:
            return "-";
    }
}

std::string LimitText(const SItemSnapshot& item, bool celsius) {
    switch (item.type) {
        case ITEM_TEMPERATURE:
            return WithUnit(DisplayTemperatureLimit(item.hiLimit, celsius), celsius);
        case ITEM_VOLTAGE:
            return VoltRangeText(item.loLimit, item.hiLimit);
        case ITEM_FAN:
            return RpmText(item.loLimit);
        default:
            return "-";
    }
}

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string TimeText(int64_t unixMs, bool utc, const char* format) {
    std::time_t seconds = static_cast<std::time_t>(unixMs / 1000);
    std::tm t{};
    if ((utc ? gmtime_r(&seconds, &t) : localtime_r(&seconds, &t)) == nullptr)
        return "";
    char text[32];
    return std::strftime(text, sizeof(text), format, &t) ? text : "";
}

}  // namespace

SItemTexts ItemTexts(const SItemSnapshot& item, bool celsius) {
    if (!item.available)
        return {"N/A", "N/A", "N/A"};
    if (!item.enabled)
        return {"Disable", "Disable", "Disable"};
    // An item that cannot be read, or never was, is not known to be normal.
    if (!item.bound)
        return {"-", LimitText(item, celsius), "Not read"};
    if (!item.EverRead())
        return {"-", LimitText(item, celsius), "Not read"};
    return {ValueText(item, celsius), LimitText(item, celsius), item.alarm ? "Warning" : "Normal"};
}

std::string BannerText(const SPassSnapshot& pass) {
    if (pass.startProblem == EStartProblem::NoSensors)
        return "NO SENSORS";
    if (!pass.chipAnswered)
        return "NO READINGS";
    if (!pass.ItemsInAlarm().empty())
        return "WARNING";
    if (pass.items.empty())
        return "NO ITEMS";
    if (pass.StaleCount() > 0)
        return "STALE";
    return "NORMAL";
}

std::vector<std::string> WarningLines(const SPassSnapshot& pass) {
    struct Category {
        int32_t type;
        const char* heading;
    };
    const Category categories[] = {
        {ITEM_TEMPERATURE, "Temperature:"}, {ITEM_VOLTAGE, "Voltage:"}, {ITEM_FAN, "Fan:"}};
    const std::vector<const SItemSnapshot*> alarms = pass.ItemsInAlarm();
    std::vector<std::string> lines;
    for (const Category& c : categories) {
        bool first = true;
        for (const SItemSnapshot* item : alarms) {
            if (item->type != c.type)
                continue;
            if (first) {
                if (!lines.empty())
                    lines.emplace_back();
                lines.emplace_back(c.heading);
                first = false;
            }
            lines.push_back(item->name + ": " +
                            WithoutLeadingBlanks(ItemTexts(*item, pass.celsius).value));
        }
    }
    return lines;
}

std::vector<std::string> ProblemLines(const SPassSnapshot& pass) {
    std::vector<std::string> lines;
    switch (pass.startProblem) {
        case EStartProblem::None:
            break;
        case EStartProblem::ChipUnreachable:
            lines.push_back(pass.serviceBusy
                                ? "The driver service vorn-iod is busy: it already serves as "
                                  "many clients as it allows. Trying again every pass."
                                : "The chip does not answer: the driver service vorn-iod is "
                                  "stopped, hung or refuses the chip's ports. Trying again "
                                  "every pass.");
            return lines;
        case EStartProblem::NoSensors:
            lines.push_back("No sensors found: there is no board file " + pass.boardFile +
                            " for this board, and the kernel shows no voltage, temperature or "
                            "fan sensor under " +
                            pass.hwmonDir + ".");
            return lines;
        case EStartProblem::BoardFileIncomplete:
            lines.push_back("The board file " + pass.boardFile +
                            " lacks a key the sensor table needs, so there are no sensor items.");
            break;
        case EStartProblem::UnknownPin:
            for (const SItemSnapshot& item : pass.items) {
                if (!item.bound && !item.deviceId.empty()) {
                    lines.push_back("Item " + std::to_string(item.itemNo) + " (" + item.name +
                                    "): the hwmon sensor " + item.sensor + " of " + item.deviceId +
                                    " is not on this machine, so it is never "
                                    "read.");
                } else if (!item.bound) {
                    lines.push_back("Item " + std::to_string(item.itemNo) + " (" + item.name +
                                    "): \"" + item.pin +
                                    "\" is not a pin of the chip that fits its type, so it is "
                                    "never read.");
                }
            }
            break;
        case EStartProblem::SettingsRefused:
            lines.push_back(
                "The chip refused the settings at start: its limits and beep bits may differ "
                "from the ones shown.");
            break;
        case EStartProblem::SettingsNotSaved:
            lines.push_back("The settings in force could not be saved for the next start.");
            break;
    }
    for (const std::string& problem : pass.boardFileProblems)
        lines.push_back("Board file " + problem);
    for (const std::string& notice : pass.settingsNotices)
        lines.push_back(NoticeSentence(notice));
    if (!pass.chipAnswered && pass.serviceBusy) {
        lines.push_back(
            "The driver service vorn-iod is busy: it already serves as many clients as it "
            "allows, so nothing was read in this pass.");
    } else if (!pass.chipAnswered && !pass.chipUsed) {
        lines.push_back(
            "No sensor could be read in this pass: every value shown was read earlier, or not "
            "at all.");
    } else if (!pass.chipAnswered) {
        lines.push_back(
            "The chip did not answer in this pass: every value shown was read "
            "earlier, or not at all.");
    } else if (!pass.statusRead) {
        lines.push_back(
            "The alarm status could not be read in this pass: the alarms shown are older.");
    } else {
        size_t failed = 0;
        for (const SItemSnapshot& item : pass.items)
            failed += item.stale && item.bound ? 1 : 0;
        if (failed > 0) {
            lines.push_back(Plural(failed, "reading", "readings") +
                            " failed in this pass; the values shown for " +
                            (failed == 1 ? "it are" : "them are") + " older.");
        }
    }
    return lines;
}

std::string NoticeSentence(const std::string& notice) {
    std::string sentence = notice;
    if (!sentence.empty() && sentence[0] >= 'a' && sentence[0] <= 'z')
        sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
    return sentence + ".";
}

std::string WithoutLeadingBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string ClockText(int64_t unixMs) {
    return TimeText(unixMs, false, "%H:%M:%S");
}

std::string IsoTimeText(int64_t unixMs) {
    char ms[8];
    std::snprintf(ms, sizeof(ms), ".%03dZ", static_cast<int>(unixMs % 1000));
    return TimeText(unixMs, true, "%Y-%m-%dT%H:%M:%S") + ms;
}

std::string TerminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const size_t n = Utf8SequenceLength(text, i, &c);
        // C0, DEL and the C1 controls U+0080..U+009F.
        if (n == 0 || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            out += '?';
            i += n == 0 ? 1 : n;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

const char* ItemTypeName(int32_t type) {
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
