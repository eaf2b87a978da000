#include "history_view.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "sensor_item_config.h"

namespace {

constexpr int VALUE_TICKS = 5;
constexpr int TIME_TICKS = 6;
const QColor BACKGROUND(18, 22, 30);
const QColor GRID(255, 255, 255, 28);
const QColor TEXT(200, 208, 218);
const QColor LIMIT(255, 92, 102, 170);

QColor LineColour(int32_t type) {
    switch (type) {
        case ITEM_TEMPERATURE:
            return QColor(0xf3, 0xa6, 0x4a);
        case ITEM_FAN:
            return QColor(0x3e, 0xcf, 0x8e);
        default:
            return QColor(0x2f, 0xb3, 0xe0);
    }
}

}  // namespace

CHistoryPlot::CHistoryPlot(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(560, 300);
}

double CHistoryPlot::Shown(double v) const {
    return m_item.type == ITEM_TEMPERATURE && !m_celsius ? v * 1.8 + 32 : v;
}

QString CHistoryPlot::ValueText(double v) const {
    switch (m_item.type) {
        case ITEM_VOLTAGE:
            return QString::number(v, 'f', 2) + " V";
        case ITEM_TEMPERATURE:
            return QString::number(v, 'f', 1) + (m_celsius ? " °C" : " °F");
        default:
            return QString::number(std::lround(v)) + " RPM";
    }
}

void CHistoryPlot::SetSeries(std::vector<SHistoryPoint> points, int64_t fromMs, int64_t toMs,
                             const SItemSnapshot& item, bool celsius) {
    m_points = std::move(points);
    m_from = fromMs;
    m_to = std::max(toMs, fromMs + 1);
    m_item = item;
    m_celsius = celsius;
    double low = INFINITY, high = -INFINITY;
    for (const SHistoryPoint& p : m_points) {
        if (!p.read)
            continue;
        low = std::min(low, static_cast<double>(p.low));
        high = std::max(high, static_cast<double>(p.high));
    }
    m_scale = GraphScale(item.type, low, high, item.loLimit, item.hiLimit);
    m_scale.low = Shown(m_scale.low);
    m_scale.high = Shown(m_scale.high);
    update();
}

QRectF CHistoryPlot::PlotArea() const {
    return QRectF(rect()).adjusted(78, 12, -16, -30);
}

void CHistoryPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), BACKGROUND);
    const QRectF area = PlotArea();
    const double span = m_scale.high - m_scale.low;
    auto X = [&](int64_t t) {
        return area.left() + area.width() * static_cast<double>(t - m_from) / (m_to - m_from);
    };
    auto Y = [&](double v) {
        return area.bottom() - area.height() * (Shown(v) - m_scale.low) / span;
    };

    // Axes: values on the left, clock times along the bottom.
    p.setFont(QFont(font().family(), 8));
    for (int i = 0; i <= VALUE_TICKS; ++i) {
        const double v = m_scale.low + span * i / VALUE_TICKS;
        const double y = area.bottom() - area.height() * i / VALUE_TICKS;
        p.setPen(GRID);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(TEXT);
        p.drawText(QRectF(0, y - 8, area.left() - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   ValueText(v));
    }
    const bool withSeconds = m_to - m_from <= 600'000;
    for (int i = 0; i <= TIME_TICKS; ++i) {
        const int64_t t = m_from + (m_to - m_from) * i / TIME_TICKS;
        const double x = X(t);
        p.setPen(GRID);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(TEXT);
        p.drawText(QRectF(x - 40, area.bottom() + 4, 80, 16), Qt::AlignCenter,
                   QDateTime::fromMSecsSinceEpoch(t).toString(withSeconds ? "HH:mm:ss" : "HH:mm"));
    }

    // Limits: a voltage's window, a temperature's ceiling, a fan's floor.
    std::vector<double> limits;
    if (m_item.type == ITEM_VOLTAGE && (m_item.loLimit != 0 || m_item.hiLimit != 0))
        limits = {m_item.loLimit, m_item.hiLimit};
    else if (m_item.type == ITEM_TEMPERATURE && m_item.hiLimit > 0)
        limits = {m_item.hiLimit};
    else if (m_item.type == ITEM_FAN && m_item.loLimit > 0)
        limits = {m_item.loLimit};
    p.setPen(QPen(LIMIT, 1, Qt::DashLine));
    for (double l : limits)
        p.drawLine(QPointF(area.left(), Y(l)), QPointF(area.right(), Y(l)));

    // Minute buckets draw their low..high band under the mean; a gap breaks the line.
    const QColor line = LineColour(m_item.type);
    QColor band = line;
    band.setAlpha(60);
    QPainterPath path;
    bool open = false;
    for (const SHistoryPoint& pt : m_points) {
        if (!pt.read) {
            open = false;
            continue;
        }
        const QPointF at(X(pt.unixMs), Y(pt.value));
        if (pt.high > pt.low)
            p.fillRect(QRectF(QPointF(at.x() - 0.5, Y(pt.high)), QPointF(at.x() + 0.5, Y(pt.low))),
                       band);
        if (open)
            path.lineTo(at);
        else
            path.moveTo(at);
        open = true;
    }
    p.setPen(QPen(line, 1.5));
    p.drawPath(path);

    m_pointerText.clear();
    if (m_pointerX < 0)
        return;
    const SHistoryPoint* best = nullptr;
    double bestD = 10;
    for (const SHistoryPoint& pt : m_points) {
        const double d = std::abs(X(pt.unixMs) - m_pointerX);
        if (pt.read && d < bestD) {
            bestD = d;
            best = &pt;
        }
    }
    if (best == nullptr)
        return;
    const double x = X(best->unixMs);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    m_pointerText = ValueText(Shown(best->value)) + "  " +
                    QDateTime::fromMSecsSinceEpoch(best->unixMs).toString("HH:mm:ss");
    const QRectF label(std::min(x + 6, area.right() - 150), area.top() + 2, 150, 18);
    p.fillRect(label, QColor(10, 14, 20, 220));
    p.setPen(TEXT);
    p.drawText(label, Qt::AlignCenter, m_pointerText);
}

void CHistoryPlot::mouseMoveEvent(QMouseEvent* event) {
    m_pointerX = static_cast<int>(event->position().x());
    update();
}

void CHistoryPlot::leaveEvent(QEvent*) {
    m_pointerX = -1;
    update();
}

CHistoryView::CHistoryView(const CSensorHistory& history, QWidget* parent)
    : QDialog(parent),
      m_history(history),
      m_plot(new CHistoryPlot(this)),
      m_spans(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("HistoryView"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    int id = 0;
    for (const char* text : {"10 minutes", "1 hour", "24 hours"}) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setCheckable(true);
        b->setObjectName(QStringLiteral("span%1").arg(id));
        m_spans->addButton(b, id++);
        row->addWidget(b);
    }
    row->addStretch();
    m_spans->button(0)->setChecked(true);
    connect(m_spans, &QButtonGroup::idClicked, this, &CHistoryView::SetSpan);
    layout->addLayout(row);
    layout->addWidget(m_plot, 1);
    resize(720, 400);
}

void CHistoryView::ShowSensor(const std::string& key, const SPassSnapshot& pass) {
    m_key = key;
    m_celsius = pass.celsius;
    for (const SItemSnapshot& item : pass.items) {
        if (CSensorHistory::KeyOf(item) == key)
            m_item = item;
    }
    setWindowTitle(QString::fromStdString(m_item.name) + " - VORNPILOT");
    Refresh();
}

void CHistoryView::SetSpan(int span) {
    m_span = std::clamp(span, 0, 2);
    m_spans->button(m_span)->setChecked(true);
    Refresh();
}

void CHistoryView::Refresh() {
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    const int64_t span = SPANS_MS[m_span];
    m_plot->SetSeries(m_history.Series(m_key, span, now), now - span, now, m_item, m_celsius);
}
