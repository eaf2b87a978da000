#pragma once
// The status page of the console front end: the same page content, error log and unit rule as
// the window's, kept in a page model instead of a skinned page. There is no skin, so no skin
// events run, and no tray.

#include <optional>
#include <string>

#include "console_table.h"
#include "desktop_opener.h"
#include "error_log.h"
#include "json_report.h"
#include "monitor_engine.h"
#include "page_model.h"
#include "status_page.h"

class CConsolePage : public IJsonExtra {
  public:
    // `programFolder` is the system fact "Path" (ending with "/"): Error.log lies there.
    CConsolePage(CMonitorEngine& engine, const std::string& programFolder, INotifier& notifier);

    // What the window does once its page has loaded: the error-log switch is read from the
    // registry (then, when `recording` is given, set and stored as the tray's "Record" would)
    // and the engine's items are sorted into the page's lists.
    void Start(std::optional<bool> recording);
    // After every pass: the page content, handed to the error log while it records. The unit
    // is read from the registry after the first update, as the window does.
    void Update();

    struct ItemTexts {
        std::string value;
        std::string limit;
        std::string status;
    };
    // The item's page texts as plain text; nullopt for an item shown nowhere on the page.
    std::optional<ItemTexts> TextsOf(const CSensorItem& item) const;
    // "WarningItems" (without its closing line breaks) and "WarningText" as plain text.
    std::string WarningList() const;
    std::string Banner() const;

    const CErrorLog& ErrorLog() const { return m_errorLog; }
    const CStatusPage& StatusPage() const { return m_statusPage; }

    // ,"valueText":…,"limitText":…,"statusText":… for each item; ,"warningItems":…,
    // "warningText":… for the pass.
    std::string ItemFields(const CSensorItem& item) const override;
    std::string ReportFields() const override;

  private:
    class CNoTray : public ITrayIcon {
      public:
        bool Animate(unsigned, unsigned) override { return false; }
        void StopAnimation() override {}
        bool SetIcon(int) override { return false; }
        void SetErrorLogFlag(bool) override {}
    };

    CMonitorEngine& m_engine;
    CPageModel m_page;
    CNoTray m_tray;
    CDesktopOpener m_opener;
    CErrorLog m_errorLog;
    CStatusPage m_statusPage;
    bool m_unitRead = false;
};

// A table row with the page's texts (leading blanks dropped) instead of the table's own; the
// power-off note stays. Items shown nowhere on the page keep the table's row.
ConsoleRow PageConsoleRow(CSensorItem& item, const CConsolePage& page);
// The banner, then the warning list indented, for below the rows.
std::string PageConsoleLines(const CConsolePage& page);
