#pragma once
// "Limit Setting": one item's alarm limits on trackbars, within the range its board file allows.
// Voltages have a high and a low limit that cannot cross; a temperature has its high limit, and
// its low limit (the chip's hysteresis) follows it; a fan has its low limit only. OK writes the
// limits to the item and the chip; Cancel changes nothing.

#include <QDialog>
#include <cstdint>
#include <optional>

#include "monitor_commands.h"

class QLabel;
class QSlider;

class CLimitSettingDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CLimitSettingDlg(IMonitorCommands& commands, QWidget* parent = nullptr);

    void SetItem(int32_t itemNo) { m_itemNo = itemNo; }
    // True: temperatures in Celsius.
    void SetUnit(bool celsius) { m_celsius = celsius; }

    // Shows the item's rows, ranges, positions and values.
    void InitDialog();
    int exec() override;
    void accept() override;

    // The values being edited.
    double HighLimit() const { return m_hiLimit; }
    double LowLimit() const { return m_loLimit; }

  private:
    void OnHighMoved(int position);
    void OnLowMoved(int position);
    void ShowHigh();
    void ShowLow();
    void ShowRows(bool high, bool low);

    IMonitorCommands& m_commands;
    int32_t m_itemNo = -1;
    std::optional<SItemSettings> m_item;  // as it stood when the dialog opened
    bool m_celsius = true;
    double m_hiLimit = 0;
    double m_loLimit = 0;
    double m_rangeMax = 0;
    double m_rangeMin = 0;

    QLabel* m_hiCaption;
    QLabel* m_loCaption;
    QSlider* m_hiSlider;
    QSlider* m_loSlider;
    QLabel* m_hiValue;
    QLabel* m_loValue;
    QLabel* m_hiUnit;
    QLabel* m_loUnit;
    QLabel* m_name;
};
