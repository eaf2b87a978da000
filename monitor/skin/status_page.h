#pragma once
// What the monitor puts on its page: the sensor report from which the skin's stylesheet builds
// the page, and, after every monitoring pass, the value, limit and status text of every sensor,
// the list of sensors in warning, the blinking banner, the skin events, the tray animation and
// the hand-over to the error log. The GUI's main window and the console front end each own one.
//
// Page element ids for an item named N: "N_Temp_Value", "N_Temp_Limit", "N_Temp_Status" (and
// "_Volt_", "_Fan_" alike); fixed elements "WarningItems" and "WarningText".

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "page_item.h"
#include "skin_face.h"
#include "tray_icon.h"
#include "warning_log.h"

class CXmlDocument;

class CStatusPage {
  public:
    // `isMultiProcessor` is asked only about items of the second processor. `programFolder` is
    // the report's "PATH".
    CStatusPage(ISkinFace& face, ITrayIcon& tray, IWarningLog& log,
                std::function<bool()> isMultiProcessor, std::string programFolder);

    // Sorts the items into the voltage, temperature and fan lists, each in the given order;
    // items of other types are shown nowhere.
    void SetItems(std::vector<std::unique_ptr<IPageItem>> items);

    // The sensor report as XML text: VORNPILOT with TEMP, PATH, VOLT and FAN, one ITEM (NAME,
    // VALUE, LIMIT) per item, in the unit of this moment.
    std::string BuildSensorReport();
    // Fills the page from the items' last readings and alarm flags.
    void UpdateStatusPage();

    // Temperatures in Celsius (the start value) or Fahrenheit.
    bool IsCelsius() const { return m_celsius; }
    void SetCelsius(bool celsius) { m_celsius = celsius; }

    // The items in warning at the last update, in page order.
    const std::vector<std::string>& CurrentWarningNames() const { return m_currentWarningNames; }

    // Voltage and fan rows share their rules; they differ in these.
    struct RowKind {
        const char* idPart;   // "Volt" in "N_Volt_Value"
        const char* heading;  // first line of the category in the warning list
        std::string (*valueText)(const IPageItem&);
        std::string (*limitText)(const IPageItem&);
    };

  private:
    struct Flags {
        bool any = false;
        bool temperature = false;
        bool voltage = false;
        bool fan = false;
    };
    void UpdateTemperature(IPageItem& item, std::string& warnings, Flags& flags);
    void UpdateRow(const RowKind& kind, IPageItem& item, std::string& warnings, bool& categoryFlag,
                   Flags& flags);
    void RaiseEvents(const Flags& flags);
    void ShowBanner(bool anyWarning);
    // Silences an item of a second processor the machine does not have; true when it did.
    bool SilenceSecondProcessorItem(IPageItem& item);
    void ApplySecondProcessorRule(IPageItem& item, const char* idPart);
    void ReportCategory(CXmlDocument& doc, const std::string& category,
                        const std::vector<IPageItem*>& items);
    std::string ReportValue(const IPageItem& item) const;
    std::string ReportLimit(const IPageItem& item) const;
    void Set(const std::string& id, const std::string& html);

    ISkinFace& m_face;
    ITrayIcon& m_tray;
    IWarningLog& m_log;
    std::function<bool()> m_isMultiProcessor;
    std::string m_programFolder;

    std::vector<std::unique_ptr<IPageItem>> m_items;
    std::vector<IPageItem*> m_voltItems;
    std::vector<IPageItem*> m_tempItems;
    std::vector<IPageItem*> m_fanItems;

    bool m_celsius = true;
    int m_blinkPhase = 0;
    std::vector<std::string> m_currentWarningNames;
};

// The id of an item's page element: `field` is "Value", "Limit" or "Status"; "" for an item
// type that is shown nowhere.
std::string PageElementId(const std::string& name, int32_t itemType, const char* field);

// The registry value "UNIT": "C" or "" (also when missing) means Celsius, anything else
// Fahrenheit.
bool UnitIsCelsius(const std::string& unit);
