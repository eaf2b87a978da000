#pragma once
// "Setting": every sensor item of one type per tab (Voltage, Temperature, Fan), each row with
// its name, Enable, ShutDown and Beep switches and its "Default" and "Limit" buttons; the global
// beep switch, the temperature unit and "Reset All to Default".
//
// The switches act on the item and the chip, through the monitor's commands, at the moment
// they are clicked; OK stores the
// unit and the configuration. The main window keeps one dialog for the program's life: the row
// beep switches (the beep setting a row gets back when it is enabled again) live as long as it
// does, everything else is rebuilt on each opening. A tab with more rows than fit shows them in
// a scrolling list.

#include <QDialog>
#include <optional>
#include <vector>

#include "dialog_support.h"

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabBar;

class CSettingDlg : public QDialog {
    Q_OBJECT
  public:
    // Rows shown at once before the list scrolls.
    static constexpr int VISIBLE_ROWS = 17;

    explicit CSettingDlg(IMonitorCommands& commands, QWidget* parent = nullptr);

    // Each row's beep switch from its item's beep setting.
    void TakeBeepSwitches();
    // Builds the dialog from the items: Voltage tab, global beep, stored unit, rows.
    void InitDialog();
    int exec() override;
    // Stores the unit and the configuration, then hands the row beep switches to the items.
    void accept() override;

    bool IsCelsius() const;
    // The row beep switch of row `row` of list `list`.
    bool RowBeep(EItemList list, size_t row) const;

  private:
    struct SRow {
        QLabel* name;
        QCheckBox* enable;
        QCheckBox* shutdown;
        QCheckBox* beep;
        QPushButton* defaults;
        QPushButton* limit;
    };

    void FillRows();
    void EnsureRows(size_t count);
    void FitColumns();
    void OrderTabs();
    EItemList CurrentList() const;
    // The row's item as it stands now; nullopt for a row without one.
    std::optional<SItemSettings> ItemOfRow(size_t row) const;
    void EnableRowSwitches(const SRow& row, bool on);

    void OnEnable(size_t row);
    void OnShutDown(size_t row);
    void OnBeep(size_t row);
    void OnDefault(size_t row);
    void OnLimit(size_t row);
    void OnGlobalBeep();
    void OnResetAll();

    IMonitorCommands& m_commands;
    ItemLists m_lists;
    // Row beep switches, per list; sized to the lists they were taken from.
    std::array<std::vector<bool>, 3> m_rowBeep;
    bool m_beepTaken = false;

    QTabBar* m_tabs;
    QGridLayout* m_heading;
    QScrollArea* m_scroll;
    QWidget* m_rowsWidget;
    QGridLayout* m_grid;
    std::vector<SRow> m_rows;
    QCheckBox* m_globalBeep;
    QRadioButton* m_celsius;
    QRadioButton* m_fahrenheit;
    QPushButton* m_resetAll;
    QPushButton* m_ok;
    QString m_noBeeperTip;  // why the beep switches are off; empty while they are offered
};
