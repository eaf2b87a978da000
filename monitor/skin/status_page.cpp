#include "status_page.h"

#include <algorithm>
#include <optional>

#include "hwmon_channels.h"
#include "page_formats.h"
#include "sensor_item_config.h"
#include "snapshot_text.h"
#include "xml_document.h"

namespace {

const std::string RED = "<font color='#ff0000'>";
const std::string END_FONT = "</font>";
const std::string WARNING_STATUS = "<font color='#ff0000'>Warning</font>";
const std::string NORMAL_STATUS = "Normal";
const std::string STALE_STATUS = "Stale";
const std::string NOT_READ_STATUS = "Not read";
const std::string NOT_READ_VALUE = "-";
const std::string DISABLE = "Disable";
const std::string NOT_AVAILABLE = "N/A";
const std::string RULE = "<HR width=\"105px\"></HR>";
const std::string BREAK = "<BR>";
const std::string CATEGORY_END = "<BR><BR>";
const std::string BANNER_BRIGHT =
    "<font color='ffffff' style=\"background-color:#ff0000;\">WARNING</font>";
const std::string BANNER_DARK = "<font color='ff0000'>WARNING</font>";
const std::string WARNING_ITEMS_ID = "WarningItems";
const std::string WARNING_TEXT_ID = "WarningText";
const std::string POWER_OFF_TEXT_ID = "PowerOffText";

constexpr const char* PAGE_DEGREES = " &#176;";
constexpr const char* CHIP_DISPLAY_NAME = "W83627EHF";
constexpr unsigned ANIMATION_STEP_MS = 500;
constexpr unsigned ANIMATION_UNTIL_STOPPED = 0xFFFFFFFF;

// Temperature, voltage and fan rows share their rules; they differ in these.
struct RowKind {
    int32_t type;
    const char* idPart;         // "Volt" in "N_Volt_Value"
    std::string heading;        // first line of the category in the warning list
    bool limitFirst;            // temperature rows write their limit before the value
    const char* reportSection;  // "TEMP", "VOLT", "FAN"
};

const RowKind TEMPERATURE_ROW{ITEM_TEMPERATURE, "Temp", "Temperature:  " + RULE, true, "TEMP"};
const RowKind VOLTAGE_ROW{ITEM_VOLTAGE, "Volt", "Voltage:  " + RULE, false, "VOLT"};
const RowKind FAN_ROW{ITEM_FAN, "Fan", "Fan:  " + RULE, false, "FAN"};
const RowKind* const ROWS[] = {&TEMPERATURE_ROW, &VOLTAGE_ROW, &FAN_ROW};

std::string ElementId(const std::string& name, const char* idPart, const char* field) {
    return name + "_" + idPart + "_" + field;
}

// The value as the page shows it: "%3.0f" degrees, "%2.2f V", "%5.0f RPM".
std::string ValueText(const SItemSnapshot& item, bool celsius) {
    switch (item.type) {
        case ITEM_TEMPERATURE:
            return DegreesText(DisplayTemperature(item.value, celsius));
        case ITEM_VOLTAGE:
            return VoltText(item.value);
        default:
            return RpmText(item.value);
    }
}

// Temperatures carry their unit: `degrees` is " &#176;" on the page, " " in the report.
std::string LimitText(const SItemSnapshot& item, bool celsius, const char* degrees) {
    switch (item.type) {
        case ITEM_TEMPERATURE:
            return DegreesText(DisplayTemperatureLimit(item.hiLimit, celsius)) + degrees +
                   (celsius ? "C" : "F");
        case ITEM_VOLTAGE:
            return VoltRangeText(item.loLimit, item.hiLimit);
        default:
            return RpmText(item.loLimit);
    }
}

// Text from files and paths, safe inside page markup.
std::string HtmlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The hwmon devices the items read, by name in table order, the chip's own pins as the chip;
// nullopt for a table of the chip alone, whose report stays as it always was.
std::optional<std::vector<std::string>> ReportDevices(const SPassSnapshot& pass) {
    bool beyondChip = pass.hwmonItems || pass.startProblem == EStartProblem::NoSensors;
    std::vector<std::string> devices;
    for (const SItemSnapshot& item : pass.items) {
        beyondChip = beyondChip || !item.deviceId.empty();
        const std::string name = item.deviceId.empty() && item.device == HWMON_CHIP_NAME
                                     ? std::string(CHIP_DISPLAY_NAME)
                                     : item.device;
        if (!name.empty() && std::find(devices.begin(), devices.end(), name) == devices.end())
            devices.push_back(name);
    }
    if (!beyondChip)
        return std::nullopt;
    return devices;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class CContentBuilder {
  public:
    CContentBuilder(const SPassSnapshot& pass, SPageContent& out) : m_pass(pass), m_out(out) {}

    void Category(const RowKind& kind) {
        bool listed = false;
        for (const SItemSnapshot& item : m_pass.items) {
            if (item.type == kind.type)
                Row(kind, item, listed);
        }
        if (listed && kind.type != ITEM_FAN)
            m_warnings += CATEGORY_END;
        m_categoryWarned.push_back(listed);
    }

    std::string Warnings() const { return m_warnings; }
    bool Warned(size_t category) const { return m_categoryWarned.at(category); }

  private:
    void Set(std::string id, std::string html) {
        m_out.elements.emplace_back(std::move(id), std::move(html));
    }

    void Row(const RowKind& kind, const SItemSnapshot& item, bool& listed) {
        const std::string valueId = ElementId(item.name, kind.idPart, "Value");
        const std::string limitId = ElementId(item.name, kind.idPart, "Limit");
        const std::string statusId = ElementId(item.name, kind.idPart, "Status");
        if (!item.available) {
            // An item of a processor this machine does not have.
            Set(valueId, NOT_AVAILABLE);
            Set(limitId, NOT_AVAILABLE);
            Set(statusId, NOT_AVAILABLE);
            return;
        }
        if (!item.enabled) {
            Set(valueId, DISABLE);
            Set(statusId, DISABLE);
            Set(limitId, DISABLE);
            return;
        }
        const bool celsius = m_pass.celsius;
        const bool temperature = kind.type == ITEM_TEMPERATURE;
        const std::string value = item.EverRead() ? ValueText(item, celsius) : NOT_READ_VALUE;
        const std::string unit =
            temperature && item.EverRead() ? std::string(PAGE_DEGREES) + (celsius ? "C" : "F") : "";
        if (kind.limitFirst)
            Set(limitId, LimitText(item, celsius, PAGE_DEGREES));
        if (item.alarm) {
            m_out.anyWarning = true;
            Set(valueId, RED + value + unit + END_FONT);
            // The first item of a category has a space before the unit letter, later ones none.
            const std::string letter = temperature ? (celsius ? "C" : "F") : "";
            if (!listed) {
                m_warnings +=
                    kind.heading + item.name + ": " + value + (temperature ? " " + letter : "");
                listed = true;
            } else {
                m_warnings += BREAK + item.name + ": " + value + letter;
            }
            m_out.warningNames.push_back(item.name);
        } else {
            Set(valueId, value + unit);
        }
        Set(statusId, StatusText(item));
        if (!kind.limitFirst)
            Set(limitId, LimitText(item, celsius, PAGE_DEGREES));
    }

    // A row that was not read in this pass is never shown as Normal.
    static std::string StatusText(const SItemSnapshot& item) {
        if (!item.bound || !item.EverRead())
            return NOT_READ_STATUS;
        if (item.stale)
            return STALE_STATUS;
        return item.alarm ? WARNING_STATUS : NORMAL_STATUS;
    }

    const SPassSnapshot& m_pass;
    SPageContent& m_out;
    std::string m_warnings;
    std::vector<bool> m_categoryWarned;
};

std::string ReportValue(const SItemSnapshot& item, bool celsius) {
    if (!item.enabled || !item.available)
        return NOT_AVAILABLE;
    return ValueText(item, celsius) +
           (item.type == ITEM_TEMPERATURE ? (celsius ? " C" : " F") : "");
}

std::string ReportLimit(const SItemSnapshot& item, bool celsius) {
    if (!item.enabled || !item.available)
        return NOT_AVAILABLE;
    return LimitText(item, celsius, " ");
}

}  // namespace

std::string PageElementId(const std::string& name, int32_t itemType, const char* field) {
    for (const RowKind* kind : ROWS) {
        if (kind->type == itemType)
            return ElementId(name, kind->idPart, field);
    }
    return "";
}

std::string PowerOffText(const SPassSnapshot& pass) {
    int nearest = -1;
    for (const SItemSnapshot& item : pass.items) {
        if (item.powerOffIn >= 0 && (nearest < 0 || item.powerOffIn < nearest))
            nearest = item.powerOffIn;
    }
    return nearest < 0 ? std::string() : "Power off in " + std::to_string(nearest) + " s";
}

SPageContent StatusPageContent(const SPassSnapshot& pass, bool brightBanner) {
    SPageContent out;
    CContentBuilder builder(pass, out);
    for (const RowKind* kind : ROWS)
        builder.Category(*kind);
    const std::string warnings = builder.Warnings();
    std::string warningItems = warnings.empty() ? std::string() : RED + warnings + END_FONT;
    // With nothing to list, the place of the list says why.
    if (pass.startProblem == EStartProblem::NoSensors) {
        for (const std::string& line : ProblemLines(pass))
            warningItems += (warningItems.empty() ? "" : BREAK) + HtmlText(line);
    }
    out.elements.emplace_back(WARNING_ITEMS_ID, warningItems);

    const bool temperature = builder.Warned(0);
    const bool voltage = builder.Warned(1);
    const bool fan = builder.Warned(2);
    if (!temperature && !voltage && !fan) {
        out.events = {"NORMALEVENT"};
    } else {
        out.events = {temperature ? "TEMPWARNEVENT" : "TEMPNORMALEVENT",
                      voltage ? "VOLTWARNEVENT" : "VOLTNORMALEVENT",
                      fan ? "FANWARNEVENT" : "FANNORMALEVENT"};
    }

    // The banner says what the console's says of what could not be read; a warning blinks.
    if (pass.startProblem == EStartProblem::NoSensors)
        out.banner = "NO SENSORS";
    else if (!pass.chipAnswered)
        out.banner = "NO READINGS";
    else if (out.anyWarning)
        out.banner = brightBanner ? BANNER_BRIGHT : BANNER_DARK;
    else if (pass.items.empty())
        out.banner = "NO ITEMS";
    else if (pass.StaleCount() > 0)
        out.banner = "STALE";
    else
        out.banner = "NORMAL";
    out.powerOff = PowerOffText(pass);
    out.logText = ReplaceAll(ReplaceAll(warnings, BREAK, "  "), RULE, "  ");
    return out;
}

void CStatusPage::Show(const SPassSnapshot& pass) {
    SPageContent content = StatusPageContent(pass, m_brightNext);
    for (const auto& [id, html] : content.elements)
        m_face.SetElementHtml(id, html);
    for (const std::string& event : content.events)
        m_face.RaiseSkinEvent(event);
    if (content.anyWarning) {
        m_tray.Animate(ANIMATION_STEP_MS, ANIMATION_UNTIL_STOPPED);
        m_brightNext = !m_brightNext;
    } else {
        m_tray.StopAnimation();
    }
    m_face.SetElementHtml(WARNING_TEXT_ID, content.banner);
    m_face.SetElementHtml(POWER_OFF_TEXT_ID, content.powerOff);
    if (!content.anyWarning)
        m_tray.SetIcon(ETrayIcon::Normal);
    m_currentWarningNames = std::move(content.warningNames);
    if (m_log.IsOn())
        m_log.LogWarning(content.logText, m_currentWarningNames);
}

std::string SensorReport(const SPassSnapshot& pass, const std::string& programFolder) {
    CXmlDocument doc;
    doc.Create();
    doc.AppendElement("/", 0, "VORNPILOT");
    for (const RowKind* kind : ROWS) {
        const std::string categoryPath = std::string("/VORNPILOT/") + kind->reportSection;
        const std::string itemPath = categoryPath + "/ITEM";
        doc.AppendElement("/VORNPILOT", 0, kind->reportSection);
        if (kind->type == ITEM_TEMPERATURE)
            doc.AppendTextElement("/VORNPILOT", 0, "PATH", programFolder);
        int counter = 0;
        for (const SItemSnapshot& item : pass.items) {
            if (item.type != kind->type)
                continue;
            doc.AppendElement(categoryPath, 0, "ITEM");
            doc.AppendTextElement(itemPath, counter, "NAME", item.name);
            doc.AppendTextElement(itemPath, counter, "VALUE", ReportValue(item, pass.celsius));
            doc.AppendTextElement(itemPath, counter, "LIMIT", ReportLimit(item, pass.celsius));
            ++counter;
        }
    }
    // Which devices the items come from, for the page's heading; a table of the chip alone
    // has none, so its report is the same as ever.
    if (const auto devices = ReportDevices(pass)) {
        doc.AppendElement("/VORNPILOT", 0, "DEVICES");
        for (const std::string& device : *devices)
            doc.AppendTextElement("/VORNPILOT/DEVICES", 0, "DEVICE", device);
    }
    std::string xml;
    doc.GetXml(xml);
    return xml;
}
