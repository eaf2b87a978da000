#include "monitor_tray.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <chrono>

// The icons are compiled into this static library; naming them keeps the linker from dropping
// them, which left the program's tray icon and window icon empty.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Cut(const std::string& text, size_t max) {
    if (text.size() <= max)
        return text;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

}  // namespace

std::string TrayToolTip(const std::string& base, const std::string& readings) {
    return Cut(readings.empty() ? base : base + "\n" + readings, TRAY_TOOLTIP_MAX);
}

QIcon CMonitorTray::IconFor(ETrayIcon icon) {
    static const bool registered = (InitIconResources(), true);
    (void)registered;
    // The pictures keep the numbers they were drawn under.
    const int number = icon == ETrayIcon::Warning ? 143 : 142;
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        result.addFile(QStringLiteral(":/icons/vornpilot-%1-%2.png").arg(number).arg(size),
                       QSize(size, size));
    return result;
}

QIcon CMonitorTray::IconWithText(ETrayIcon icon, const QString& text) {
    const QIcon base = IconFor(icon);
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap picture = base.pixmap(size, size);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont font;
        font.setBold(true);
        font.setPixelSize(std::max(7, size * 9 / 16));
        // As wide as the icon at most, so "100°" fits too.
        const int width = QFontMetrics(font).horizontalAdvance(text);
        if (width > size)
            font.setPixelSize(std::max(6, font.pixelSize() * size / width));
        QPainterPath path;
        const QFontMetrics metrics(font);
        path.addText((size - metrics.horizontalAdvance(text)) / 2.0, size - metrics.descent(), font,
                     text);
        // A dark outline keeps the figures readable on the icon and on any panel.
        painter.strokePath(path, QPen(Qt::black, std::max(2.0, size / 8.0)));
        painter.fillPath(path, Qt::white);
        painter.end();
        result.addPixmap(picture);
    }
    return result;
}

CMonitorTray::CMonitorTray(std::function<int64_t()> now, QObject* parent)
    : QObject(parent), m_now(now ? std::move(now) : SteadyMs) {
    m_animation.SetFrames({ETrayIcon::Normal, ETrayIcon::Warning});
    connect(&m_timer, &QTimer::timeout, this, &CMonitorTray::StepAnimation);
}

CMonitorTray::~CMonitorTray() = default;

bool CMonitorTray::Create(const std::string& tooltip) {
    m_icon = std::make_unique<QSystemTrayIcon>(IconFor(ETrayIcon::Normal));
    m_menu = std::make_unique<QMenu>();
    RebuildMenu();
    // Check marks and grays come from the flags each time the menu opens.
    connect(m_menu.get(), &QMenu::aboutToShow, this, &CMonitorTray::RebuildMenu);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    emit Command(m_defaultCommand);
            });
    SetToolTip(tooltip);
    m_icon->show();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CMonitorTray::SetToolTip(const std::string& tooltip) {
    if (m_icon)
        m_icon->setToolTip(QString::fromStdString(Cut(tooltip, TRAY_TOOLTIP_MAX)));
}

std::string CMonitorTray::ToolTip() const {
    return m_icon ? m_icon->toolTip().toStdString() : std::string();
}

QMenu* CMonitorTray::Menu() {
    RebuildMenu();
    return m_menu.get();
}

void CMonitorTray::RebuildMenu() {
    if (!m_menu)
        return;
    // clear() keeps submenus alive; the old "Error log" would linger with its old marks.
    for (QMenu* sub : m_menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete sub;
    m_menu->clear();
    auto add = [this](QMenu* menu, const char* text, int command) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { emit Command(command); });
        if (command == m_defaultCommand)
            m_menu->setDefaultAction(action);
        return action;
    };
    QAction* run = add(m_menu.get(), "Run at StartUp", TRAY_RUN_AT_STARTUP);
    run->setCheckable(true);
    run->setChecked(m_runAtStartup);
    QAction* notifications = add(m_menu.get(), "Notifications", TRAY_NOTIFICATIONS);
    notifications->setCheckable(true);
    notifications->setChecked(m_notifications);
    QAction* temperature = add(m_menu.get(), "Temperature on icon", TRAY_TEMPERATURE_ICON);
    temperature->setCheckable(true);
    temperature->setChecked(m_temperatureIcon);
    m_menu->addSeparator();
    QMenu* log = m_menu->addMenu(QStringLiteral("Error log"));
    QAction* record = add(log, "Record", TRAY_RECORD);
    record->setCheckable(true);
    record->setChecked(m_errorLog);
    log->addSeparator();
    add(log, "View", TRAY_VIEW)->setEnabled(m_errorLog);
    add(log, "Clean", TRAY_CLEAN)->setEnabled(m_errorLog);
    m_menu->addSeparator();
    add(m_menu.get(), "Minimize", TRAY_MINIMIZE);
    add(m_menu.get(), "Maximize", TRAY_MAXIMIZE);
    m_menu->addSeparator();
    add(m_menu.get(), "About", TRAY_ABOUT);
    add(m_menu.get(), "Exit", TRAY_EXIT);
}

void CMonitorTray::Show(ETrayIcon icon) {
    m_shownIcon = icon;
    if (m_icon)
        m_icon->setIcon(m_iconText.empty()
                            ? IconFor(icon)
                            : IconWithText(icon, QString::fromStdString(m_iconText)));
}

void CMonitorTray::SetIconText(const std::string& text) {
    if (text == m_iconText)
        return;
    m_iconText = text;
    Show(m_shownIcon);
}

bool CMonitorTray::Animate(unsigned stepMs, unsigned periodSeconds) {
    m_timer.stop();
    if (!m_animation.Start(periodSeconds, m_now(), m_shownIcon))
        return false;
    m_timer.start(static_cast<int>(stepMs));
    return true;
}

void CMonitorTray::StepAnimation() {
    if (const std::optional<ETrayIcon> frame = m_animation.Step(m_now()))
        Show(*frame);
    else
        StopAnimation();
}

void CMonitorTray::StopAnimation() {
    m_timer.stop();
    if (const std::optional<ETrayIcon> saved = m_animation.Stop())
        Show(*saved);
}

bool CMonitorTray::SetIcon(ETrayIcon icon) {
    Show(icon);
    return true;
}
