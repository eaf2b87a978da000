#pragma once
// What the monitor puts on its page, made from one pass's snapshot and nothing else: the sensor
// report from which the skin's stylesheet builds the page, and after every pass the value, limit
// and status text of every sensor, the list of sensors in warning, the banner, the power-off
// countdown, the skin events, the tray animation and the hand-over to the error log. Nothing
// here reads live items or writes the chip.
//
// Page element ids for an item named N: "N_Temp_Value", "N_Temp_Limit", "N_Temp_Status" (and
// "_Volt_", "_Fan_" alike); fixed elements "WarningItems", "WarningText" and "PowerOffText".

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pass_snapshot.h"
#include "skin_face.h"
#include "tray_icon.h"
#include "warning_log.h"

// One status update of the page, in the order it is written.
struct SPageContent {
    std::vector<std::pair<std::string, std::string>> elements;  // rows, then "WarningItems"
    std::vector<std::string> events;                            // skin events, in order
    bool anyWarning = false;  // a row is in warning: the banner blinks, the tray animates
    std::string banner;       // "WarningText"
    std::string powerOff;     // "PowerOffText"
    std::string logText;      // the warning list as the error log records it
    std::vector<std::string> warningNames;  // the items in warning, in page order
};

// The page for `pass` in the pass's unit. `brightBanner` picks the blink phase of a warning.
SPageContent StatusPageContent(const SPassSnapshot& pass, bool brightBanner);

// The sensor report as XML text: VORNPILOT with TEMP, PATH, VOLT and FAN, one ITEM (NAME,
// VALUE, LIMIT) per item, in the pass's unit. `programFolder` is the report's "PATH".
std::string SensorReport(const SPassSnapshot& pass, const std::string& programFolder);

// "Power off in N s" with the seconds left of the nearest power-off; "" when none is counted.
std::string PowerOffText(const SPassSnapshot& pass);

// Shows each pass on the page, the tray and the error log; keeps the banner's blink phase.
class CStatusPage {
  public:
    CStatusPage(ISkinFace& face, ITrayIcon& tray, IWarningLog& log)
        : m_face(face), m_tray(tray), m_log(log) {}

    void Show(const SPassSnapshot& pass);

    // The items in warning at the last update, in page order.
    const std::vector<std::string>& CurrentWarningNames() const { return m_currentWarningNames; }

  private:
    ISkinFace& m_face;
    ITrayIcon& m_tray;
    IWarningLog& m_log;
    bool m_brightNext = true;
    std::vector<std::string> m_currentWarningNames;
};

// The id of an item's page element: `field` is "Value", "Limit" or "Status"; "" for an item
// type that is shown nowhere.
std::string PageElementId(const std::string& name, int32_t itemType, const char* field);
