#pragma once
// The tray icon and its menu: the two flags' check marks and grays recomputed at every opening,
// the default item a double-click sends, the warning animation, and a tooltip with the key
// readings. Commands go to the main window as ids. Without a tray host nothing breaks; the icon
// comes back by itself when a host appears again.

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "tray_animation.h"
#include "tray_icon.h"

class QMenu;
class QAction;

enum ETrayCommand {
    TRAY_RUN_AT_STARTUP = 32775,
    TRAY_RECORD = 32777,
    TRAY_VIEW = 32778,
    TRAY_CLEAN = 32779,
    TRAY_MAXIMIZE = 32780,
    TRAY_MINIMIZE = 32781,
    TRAY_ABOUT = 32774,
    TRAY_EXIT = 32773,
    TRAY_NOTIFICATIONS = 32790,
    TRAY_TEMPERATURE_ICON = 32791,
};

inline constexpr int TRAY_TOOLTIP_MAX = 127;

class CMonitorTray : public QObject, public ITrayIcon {
    Q_OBJECT
  public:
    // `now` is the clock of the animation's period (milliseconds); the steady clock by default.
    explicit CMonitorTray(std::function<int64_t()> now = {}, QObject* parent = nullptr);
    ~CMonitorTray() override;

    // Shows the icon with the tooltip (cut to 127 characters); the animation's frames are the
    // normal and the warning icon.
    bool Create(const std::string& tooltip);
    void SetToolTip(const std::string& tooltip);
    std::string ToolTip() const;

    bool Animate(unsigned stepMs, unsigned periodSeconds) override;
    void StopAnimation() override;
    bool SetIcon(ETrayIcon icon) override;
    void SetErrorLogFlag(bool on) override { m_errorLog = on; }
    void SetRunAtStartupFlag(bool on) { m_runAtStartup = on; }
    void SetNotificationsFlag(bool on) { m_notifications = on; }
    void SetTemperatureIconFlag(bool on) { m_temperatureIcon = on; }
    // A short text ("45°") drawn over the icon; "" shows the icon alone.
    void SetIconText(const std::string& text);
    std::string IconText() const { return m_iconText; }

    // The command a double-click sends.
    void SetDefaultCommand(int command) { m_defaultCommand = command; }
    int DefaultCommand() const { return m_defaultCommand; }

    // The menu as it would open now, for the window and for tests.
    QMenu* Menu();
    ETrayIcon ShownIcon() const { return m_shownIcon; }
    QSystemTrayIcon* Icon() const { return m_icon.get(); }
    // One animation step, as the timer makes it.
    void StepAnimation();

    static QIcon IconFor(ETrayIcon icon);
    // The icon with `text` drawn over it at every size.
    static QIcon IconWithText(ETrayIcon icon, const QString& text);

  signals:
    void Command(int command);

  private:
    void RebuildMenu();
    void Show(ETrayIcon icon);

    std::function<int64_t()> m_now;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QTimer m_timer;
    CTrayAnimation m_animation;
    ETrayIcon m_shownIcon = ETrayIcon::Normal;
    int m_defaultCommand = TRAY_RUN_AT_STARTUP;
    bool m_errorLog = false;
    bool m_runAtStartup = false;
    bool m_notifications = true;
    bool m_temperatureIcon = false;
    std::string m_iconText;
};

// The tooltip text with the key readings, cut to what the tray takes.
std::string TrayToolTip(const std::string& base, const std::string& readings);
