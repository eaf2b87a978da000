#pragma once
// "FanPilot Setting": the chip's own fan control of each fan that offers it: on or off, target
// temperature, tolerance, and the start and stop levels in percent. "Apply" and OK write the
// shown values to the fan and the chip; the main window saves the configuration when the dialog
// ends with OK. Temperatures are shown in the unit stored in the user's settings.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialog_support.h"

class CStepSpin;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The spin ranges of a fan, chosen by its name; temperatures in the unit shown.
struct SFanPilotRanges {
    int targetMin, targetMax;
    int toleranceMin, toleranceMax;
    int startMin, startMax;
    int stopMin, stopMax;
};
// "CPU" in the name gives the processor fan's ranges, "SYS" (tested second, so it wins) the
// system fan's; any other fan gets ranges that hold both.
SFanPilotRanges FanPilotRanges(const std::string& name, bool celsius);
// Degrees Celsius as shown in Fahrenheit (x 1.8 + 32, truncated), and back ((F - 32) x 5/9,
// truncated). The tolerance is converted the same way.
int FahrenheitShown(int celsius);
int CelsiusOfFahrenheit(int fahrenheit);

class CFanPilotDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFanPilotDlg(IMonitorCommands& commands, QWidget* parent = nullptr);

    // The fan items by number, in table order; those offering FanPilot are listed.
    void SetFanList(std::vector<int32_t> fans) { m_fanList = std::move(fans); }

    // Reads the stored unit, lists the fans and shows the first.
    void InitDialog();
    int exec() override;
    // Applies the shown values to the current fan, then closes.
    void accept() override;

    // The number of the fan shown; nullopt when no fan offers FanPilot.
    std::optional<int32_t> CurrentItem() const { return m_current; }
    bool IsModified() const { return m_modified; }

  private:
    void ShowCurrentItem();
    void EnableValueControls(bool on);
    int StoredTemperature(int shown) const;
    int ShownTemperature(int celsius) const;

    void OnSelectionChanged(int index);
    void OnEnableClicked();
    void OnStepped();
    void Apply();
    void OnApply();
    void OnLoadDefault();

    IMonitorCommands& m_commands;
    std::vector<int32_t> m_fanList;
    // The item behind each combo entry.
    std::vector<int32_t> m_listed;
    std::optional<int32_t> m_current;
    bool m_modified = false;
    bool m_celsius = true;

    QLabel* m_none;  // shown instead of the list when no fan offers FanPilot
    QComboBox* m_fans;
    QCheckBox* m_enable;
    CStepSpin* m_target;
    CStepSpin* m_tolerance;
    CStepSpin* m_start;
    CStepSpin* m_stop;
    QPushButton* m_loadDefault;
    QPushButton* m_apply;
    QPushButton* m_ok;
};
