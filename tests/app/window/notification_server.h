#pragma once
// A desktop notification service for tests: it owns the service's name on a private session bus
// and records every call it gets.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <vector>

struct SNotifyCall {
    uint replacesId = 0;
    QString summary;
    QString body;
    int urgency = -1;
    int expireTimeout = 0;
    uint id = 0;  // the id it was given
};

class CNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    explicit CNotificationServer(const QString& busAddress)
        : m_bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("notification-server"))) {}
    ~CNotificationServer() override {
        Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
    }
    bool Start() {
        return m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void Stop() {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    std::vector<SNotifyCall> notified;
    std::vector<uint> closed;

  public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints,
                int expireTimeout) {
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        notified.push_back({replacesId, summary, body,
                            hints.contains(QStringLiteral("urgency"))
                                ? static_cast<int>(hints.value(QStringLiteral("urgency")).toUInt())
                                : -1,
                            expireTimeout, id});
        return id;
    }
    void CloseNotification(uint id) { closed.push_back(id); }

  private:
    QDBusConnection m_bus;
    uint m_lastId = 0;
};
