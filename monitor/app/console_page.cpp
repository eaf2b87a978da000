#include "console_page.h"

#include "registry_store.h"
#include "sensor_page_item.h"

namespace {

constexpr const char* SETTINGS_SUBKEY = "SOFTWARE\\VORN\\HWM";
constexpr const char* UNIT_VALUE = "UNIT";

std::string WithoutLeadingBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string JsonText(const std::optional<std::string>& text) {
    return text ? JsonString(*text) : "null";
}

}  // namespace

CConsolePage::CConsolePage(CMonitorEngine& engine, const std::string& programFolder,
                           INotifier& notifier)
    : m_engine(engine),
      m_errorLog(programFolder, notifier, m_opener),
      m_statusPage(
          m_page, m_tray, m_errorLog, [&engine] { return engine.IsMultiProcessor(); },
          programFolder) {}

void CConsolePage::Start(std::optional<bool> recording) {
    m_errorLog.LoadSwitch();
    if (recording) {
        m_errorLog.SetRecording(*recording);
    }
    m_statusPage.SetItems(PageItemsOf(m_engine));
}

void CConsolePage::Update() {
    m_statusPage.UpdateStatusPage();
    if (!m_unitRead) {
        CRegistryStore registry;
        registry.SetRoot(HKEY_CURRENT_USER);
        std::string unit;
        registry.GetString(SETTINGS_SUBKEY, UNIT_VALUE, &unit);
        m_statusPage.SetCelsius(UnitIsCelsius(unit));
        m_unitRead = true;
    }
}

std::optional<CConsolePage::ItemTexts> CConsolePage::TextsOf(const CSensorItem& item) const {
    std::string valueId = PageElementId(item.GetName(), item.GetItemType(), "Value");
    if (valueId.empty() || !m_page.Has(valueId)) {
        return std::nullopt;
    }
    return ItemTexts{m_page.Text(valueId),
                     m_page.Text(PageElementId(item.GetName(), item.GetItemType(), "Limit")),
                     m_page.Text(PageElementId(item.GetName(), item.GetItemType(), "Status"))};
}

std::string CConsolePage::WarningList() const {
    std::string list = m_page.Text("WarningItems");
    list.erase(list.find_last_not_of('\n') + 1);
    return list;
}

std::string CConsolePage::Banner() const {
    return m_page.Text("WarningText");
}

std::string CConsolePage::ItemFields(const CSensorItem& item) const {
    std::optional<ItemTexts> texts = TextsOf(item);
    return ",\"valueText\":" + JsonText(texts ? std::optional(texts->value) : std::nullopt) +
           ",\"limitText\":" + JsonText(texts ? std::optional(texts->limit) : std::nullopt) +
           ",\"statusText\":" + JsonText(texts ? std::optional(texts->status) : std::nullopt);
}

std::string CConsolePage::ReportFields() const {
    return ",\"warningItems\":" + JsonString(WarningList()) +
           ",\"warningText\":" + JsonString(Banner());
}

ConsoleRow PageConsoleRow(CSensorItem& item, const CConsolePage& page) {
    ConsoleRow row = MakeConsoleRow(item);
    if (std::optional<CConsolePage::ItemTexts> texts = page.TextsOf(item)) {
        row.value = WithoutLeadingBlanks(texts->value);
        row.limits = WithoutLeadingBlanks(texts->limit);
        row.status = WithoutLeadingBlanks(texts->status);
    }
    return row;
}

std::string PageConsoleLines(const CConsolePage& page) {
    std::string out = "\n" + page.Banner() + "\n";
    const std::string list = page.WarningList();
    size_t start = 0;
    while (start < list.size()) {
        size_t nl = list.find('\n', start);
        std::string line = list.substr(start, nl == std::string::npos ? nl : nl - start);
        out += line.empty() ? "\n" : "  " + line + "\n";
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return out;
}
