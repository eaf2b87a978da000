#include "status_page.h"

#include "page_formats.h"
#include "sensor_item_config.h"
#include "xml_document.h"

namespace {

const std::string RED = "<font color='#ff0000'>";
const std::string END_FONT = "</font>";
const std::string WARNING_STATUS = "<font color='#ff0000'>Warning</font>";
const std::string NORMAL_STATUS = "Normal";
const std::string DISABLE = "Disable";
const std::string NOT_AVAILABLE = "N/A";
const std::string RULE = "<HR width=\"105px\"></HR>";
const std::string TEMPERATURE_HEADING = "Temperature:  " + RULE;
const std::string BREAK = "<BR>";
const std::string CATEGORY_END = "<BR><BR>";
const std::string BANNER_BRIGHT =
    "<font color='ffffff' style=\"background-color:#ff0000;\">WARNING</font>";
const std::string BANNER_DARK = "<font color='ff0000'>WARNING</font>";
const std::string BANNER_NORMAL = "NORMAL";
const std::string WARNING_ITEMS_ID = "WarningItems";
const std::string WARNING_TEXT_ID = "WarningText";

constexpr unsigned ANIMATION_STEP_MS = 500;
constexpr unsigned ANIMATION_UNTIL_STOPPED = 0xFFFFFFFF;
constexpr uint8_t SECOND_PROCESSOR = 2;

std::string ElementId(const std::string& name, const char* idPart, const char* field) {
    return name + "_" + idPart + "_" + field;
}

double LowLimit(const IPageItem& item) {
    double hi = 0;
    double lo = 0;
    item.GetLimits(&hi, &lo);
    return lo;
}

double HighLimit(const IPageItem& item) {
    double hi = 0;
    double lo = 0;
    item.GetLimits(&hi, &lo);
    return hi;
}

std::string VoltValue(const IPageItem& item) {
    return VoltText(item.GetValue());
}
std::string VoltLimit(const IPageItem& item) {
    return VoltRangeText(LowLimit(item), HighLimit(item));
}
std::string FanValue(const IPageItem& item) {
    return RpmText(item.GetValue());
}
std::string FanLimit(const IPageItem& item) {
    return RpmText(LowLimit(item));
}

const std::string VOLT_HEADING = "Voltage:  " + RULE;
const std::string FAN_HEADING = "Fan:  " + RULE;
const CStatusPage::RowKind VOLTAGE_ROW{"Volt", VOLT_HEADING.c_str(), &VoltValue, &VoltLimit};
const CStatusPage::RowKind FAN_ROW{"Fan", FAN_HEADING.c_str(), &FanValue, &FanLimit};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

std::string PageElementId(const std::string& name, int32_t itemType, const char* field) {
    switch (itemType) {
        case ITEM_TEMPERATURE:
            return ElementId(name, "Temp", field);
        case ITEM_VOLTAGE:
            return ElementId(name, VOLTAGE_ROW.idPart, field);
        case ITEM_FAN:
            return ElementId(name, FAN_ROW.idPart, field);
        default:
            return "";
    }
}

bool UnitIsCelsius(const std::string& unit) {
    return unit.empty() || unit == "C";
}

CStatusPage::CStatusPage(ISkinFace& face, ITrayIcon& tray, IWarningLog& log,
                         std::function<bool()> isMultiProcessor, std::string programFolder)
    : m_face(face),
      m_tray(tray),
      m_log(log),
      m_isMultiProcessor(std::move(isMultiProcessor)),
      m_programFolder(std::move(programFolder)) {}

void CStatusPage::SetItems(std::vector<std::unique_ptr<IPageItem>> items) {
    m_items = std::move(items);
    m_voltItems.clear();
    m_tempItems.clear();
    m_fanItems.clear();
    for (const auto& item : m_items) {
        switch (item->GetItemType()) {
            case ITEM_VOLTAGE:
                m_voltItems.push_back(item.get());
                break;
            case ITEM_TEMPERATURE:
                m_tempItems.push_back(item.get());
                break;
            case ITEM_FAN:
                m_fanItems.push_back(item.get());
                break;
            default:
                break;
        }
    }
}

void CStatusPage::Set(const std::string& id, const std::string& html) {
    m_face.SetElementHtml(id, html);
}

bool CStatusPage::SilenceSecondProcessorItem(IPageItem& item) {
    // Without a way to ask, the machine is taken to have the processor: the item stays watched.
    if (item.GetCpuNo() != SECOND_PROCESSOR || !m_isMultiProcessor || m_isMultiProcessor()) {
        return false;
    }
    item.SetBeepBit(false);
    item.SetEnabled(false);
    return true;
}

void CStatusPage::ApplySecondProcessorRule(IPageItem& item, const char* idPart) {
    if (SilenceSecondProcessorItem(item)) {
        Set(ElementId(item.GetName(), idPart, "Value"), NOT_AVAILABLE);
        Set(ElementId(item.GetName(), idPart, "Limit"), NOT_AVAILABLE);
        Set(ElementId(item.GetName(), idPart, "Status"), NOT_AVAILABLE);
    }
}

void CStatusPage::UpdateTemperature(IPageItem& item, std::string& warnings, Flags& flags) {
    const std::string& name = item.GetName();
    const std::string valueId = ElementId(name, "Temp", "Value");
    const std::string limitId = ElementId(name, "Temp", "Limit");
    const std::string statusId = ElementId(name, "Temp", "Status");
    if (!item.IsEnabled()) {
        Set(valueId, DISABLE);
        Set(statusId, DISABLE);
        Set(limitId, DISABLE);
    } else {
        float t = DisplayTemperature(item.GetValue(), m_celsius);
        double hi = DisplayTemperatureLimit(HighLimit(item), m_celsius);
        const char* degrees = m_celsius ? " &#176;C" : " &#176;F";
        Set(limitId, DegreesText(hi) + degrees);
        std::string s = DegreesText(t);
        if (item.IsAlarm()) {
            flags.any = true;
            Set(valueId, RED + s + degrees + END_FONT);
            Set(statusId, WARNING_STATUS);
            if (!flags.temperature) {
                warnings += TEMPERATURE_HEADING + name + ": " + s + (m_celsius ? " C" : " F");
                flags.temperature = true;
            } else {
                warnings += BREAK + name + ": " + s + (m_celsius ? "C" : "F");
            }
            m_currentWarningNames.push_back(name);
        } else {
            Set(valueId, s + degrees);
            Set(statusId, NORMAL_STATUS);
        }
    }
    ApplySecondProcessorRule(item, "Temp");
}

void CStatusPage::UpdateRow(const RowKind& kind, IPageItem& item, std::string& warnings,
                            bool& categoryFlag, Flags& flags) {
    const std::string& name = item.GetName();
    const std::string valueId = ElementId(name, kind.idPart, "Value");
    const std::string limitId = ElementId(name, kind.idPart, "Limit");
    const std::string statusId = ElementId(name, kind.idPart, "Status");
    if (!item.IsEnabled()) {
        Set(valueId, DISABLE);
        Set(statusId, DISABLE);
        Set(limitId, DISABLE);
    } else {
        std::string limit = kind.limitText(item);
        std::string s = kind.valueText(item);
        if (item.IsAlarm()) {
            flags.any = true;
            Set(valueId, RED + s + END_FONT);
            Set(statusId, WARNING_STATUS);
            if (!categoryFlag) {
                warnings += kind.heading + name + ": " + s;
                categoryFlag = true;
            } else {
                warnings += BREAK + name + ": " + s;
            }
            m_currentWarningNames.push_back(name);
        } else {
            Set(valueId, s);
            Set(statusId, NORMAL_STATUS);
        }
        Set(limitId, limit);
    }
    ApplySecondProcessorRule(item, kind.idPart);
}

void CStatusPage::UpdateStatusPage() {
    m_currentWarningNames.clear();
    std::string warnings;
    Flags flags;
    for (IPageItem* item : m_tempItems) {
        UpdateTemperature(*item, warnings, flags);
    }
    if (flags.temperature) {
        warnings += CATEGORY_END;
    }
    for (IPageItem* item : m_voltItems) {
        UpdateRow(VOLTAGE_ROW, *item, warnings, flags.voltage, flags);
    }
    if (flags.voltage) {
        warnings += CATEGORY_END;
    }
    for (IPageItem* item : m_fanItems) {
        UpdateRow(FAN_ROW, *item, warnings, flags.fan, flags);
    }
    Set(WARNING_ITEMS_ID, warnings.empty() ? std::string() : RED + warnings + END_FONT);
    RaiseEvents(flags);
    ShowBanner(flags.any);
    if (m_log.IsOn()) {
        std::string text = ReplaceAll(warnings, BREAK, "  ");
        text = ReplaceAll(text, RULE, "  ");
        m_log.LogWarning(text, m_currentWarningNames);
    }
}

void CStatusPage::RaiseEvents(const Flags& flags) {
    if (!flags.temperature && !flags.voltage && !flags.fan) {
        m_face.RaiseSkinEvent("NORMALEVENT");
        return;
    }
    m_face.RaiseSkinEvent(flags.temperature ? "TEMPWARNEVENT" : "TEMPNORMALEVENT");
    m_face.RaiseSkinEvent(flags.voltage ? "VOLTWARNEVENT" : "VOLTNORMALEVENT");
    m_face.RaiseSkinEvent(flags.fan ? "FANWARNEVENT" : "FANNORMALEVENT");
}

void CStatusPage::ShowBanner(bool anyWarning) {
    if (anyWarning) {
        m_tray.Animate(ANIMATION_STEP_MS, ANIMATION_UNTIL_STOPPED);
        Set(WARNING_TEXT_ID, m_blinkPhase == 0 ? BANNER_BRIGHT : BANNER_DARK);
        m_blinkPhase = ~m_blinkPhase;
    } else {
        m_tray.StopAnimation();
        Set(WARNING_TEXT_ID, BANNER_NORMAL);
        m_tray.SetIcon(IDI_TRAY_NORMAL);
    }
}

std::string CStatusPage::ReportValue(const IPageItem& item) const {
    if (!item.IsEnabled()) {
        return NOT_AVAILABLE;
    }
    switch (item.GetItemType()) {
        case ITEM_TEMPERATURE:
            return DegreesText(DisplayTemperature(item.GetValue(), m_celsius)) +
                   (m_celsius ? " C" : " F");
        case ITEM_VOLTAGE:
            return VoltValue(item);
        default:
            return FanValue(item);
    }
}

std::string CStatusPage::ReportLimit(const IPageItem& item) const {
    if (!item.IsEnabled()) {
        return NOT_AVAILABLE;
    }
    switch (item.GetItemType()) {
        case ITEM_TEMPERATURE:
            return DegreesText(DisplayTemperatureLimit(HighLimit(item), m_celsius)) +
                   (m_celsius ? " C" : " F");
        case ITEM_VOLTAGE:
            return VoltLimit(item);
        default:
            return FanLimit(item);
    }
}

void CStatusPage::ReportCategory(CXmlDocument& doc, const std::string& category,
                                 const std::vector<IPageItem*>& items) {
    const std::string categoryPath = "/VORNPILOT/" + category;
    const std::string itemPath = categoryPath + "/ITEM";
    int counter = 0;
    for (IPageItem* item : items) {
        doc.AppendElement(categoryPath, 0, "ITEM");
        doc.AppendTextElement(itemPath, counter, "NAME", item->GetName());
        doc.AppendTextElement(itemPath, counter, "VALUE", ReportValue(*item));
        doc.AppendTextElement(itemPath, counter, "LIMIT", ReportLimit(*item));
        SilenceSecondProcessorItem(*item);
        ++counter;
    }
}

std::string CStatusPage::BuildSensorReport() {
    CXmlDocument doc;
    doc.Create();
    doc.AppendElement("/", 0, "VORNPILOT");
    doc.AppendElement("/VORNPILOT", 0, "TEMP");
    doc.AppendTextElement("/VORNPILOT", 0, "PATH", m_programFolder);
    ReportCategory(doc, "TEMP", m_tempItems);
    doc.AppendElement("/VORNPILOT", 0, "VOLT");
    ReportCategory(doc, "VOLT", m_voltItems);
    doc.AppendElement("/VORNPILOT", 0, "FAN");
    ReportCategory(doc, "FAN", m_fanItems);
    std::string xml;
    doc.GetXml(xml);
    return xml;
}
