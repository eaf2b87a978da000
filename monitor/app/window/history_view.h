#pragma once
// The large graph of one sensor: its readings over the last 10 minutes, hour or 24 hours from
// the history the window keeps for the whole run, with value and time axes, the limits as
// dashed lines, and the reading under the pointer.

#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "graph_scale.h"
#include "pass_snapshot.h"
#include "sensor_history.h"

class QButtonGroup;
class QLabel;

class CHistoryPlot : public QWidget {
    Q_OBJECT
  public:
    explicit CHistoryPlot(QWidget* parent);
    void SetSeries(std::vector<SHistoryPoint> points, int64_t fromMs, int64_t toMs,
                   const SItemSnapshot& item, bool celsius);
    const SGraphScale& Scale() const { return m_scale; }
    // The reading under the pointer as shown ("" when none).
    const QString& PointerText() const { return m_pointerText; }

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;

  private:
    QRectF PlotArea() const;
    double Shown(double v) const;
    QString ValueText(double v) const;

    std::vector<SHistoryPoint> m_points;
    int64_t m_from = 0, m_to = 1;
    SItemSnapshot m_item;
    bool m_celsius = true;
    SGraphScale m_scale;
    int m_pointerX = -1;
    QString m_pointerText;
};

class CHistoryView : public QDialog {
    Q_OBJECT
  public:
    static constexpr int64_t SPANS_MS[] = {600'000, 3'600'000, 86'400'000};

    CHistoryView(const CSensorHistory& history, QWidget* parent);
    // Shows the sensor of that key ("Volt:+12V") with the item and unit of the pass.
    void ShowSensor(const std::string& key, const SPassSnapshot& pass);
    // 0: 10 minutes, 1: one hour, 2: 24 hours.
    void SetSpan(int span);
    int Span() const { return m_span; }
    CHistoryPlot* Plot() const { return m_plot; }
    const std::string& Key() const { return m_key; }

  private:
    void Refresh();

    const CSensorHistory& m_history;
    CHistoryPlot* m_plot;
    QButtonGroup* m_spans;
    std::string m_key;
    SItemSnapshot m_item;
    bool m_celsius = true;
    int m_span = 0;
};
