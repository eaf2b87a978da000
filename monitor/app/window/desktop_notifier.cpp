#include "desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");
const QString INTERFACE = QStringLiteral("org.freedesktop.Notifications");
constexpr int NEVER_EXPIRES = 0;
constexpr int SERVICE_DEFAULT = -1;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(SERVICE, PATH, INTERFACE, method);
}

}  // namespace

CDesktopNotifier::CDesktopNotifier(QObject* parent) : QObject(parent) {
    if (!Connected())
        return;
    // Whether bodies are read as markup, so names with "<" or "&" show as they are.
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(Call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> reply = *call;
                if (reply.isValid())
                    m_markup = reply.value().contains(QStringLiteral("body-markup"));
                call->deleteLater();
            });
}

bool CDesktopNotifier::Connected() const {
    return QDBusConnection::sessionBus().isConnected();
}

QString CDesktopNotifier::Body(const std::string& text) const {
    const QString body = QString::fromStdString(text);
    return m_markup ? body.toHtmlEscaped() : body;
}

void CDesktopNotifier::Send(const SDesktopNotice& notice) {
    if (!Connected())
        return;
    SSlot& slot = m_slots[notice.slot];
    if (slot.waiting) {
        slot.next = notice;
        return;
    }
    if (notice.withdraw)
        Close(slot);
    else
        Notify(slot, notice);
}

void CDesktopNotifier::WithdrawAll() {
    for (auto& [kind, slot] : m_slots) {
        SDesktopNotice withdraw;
        withdraw.slot = kind;
        withdraw.withdraw = true;
        Send(withdraw);
    }
}

void CDesktopNotifier::Close(SSlot& slot) {
    if (slot.id == 0)
        return;
    QDBusMessage close = Call(QStringLiteral("CloseNotification"));
    close << slot.id;
    QDBusConnection::sessionBus().send(close);
    slot.id = 0;
}

void CDesktopNotifier::Notify(SSlot& slot, const SDesktopNotice& notice) {
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(static_cast<uchar>(notice.urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vornpilot"));
    QDBusMessage notify = Call(QStringLiteral("Notify"));
    notify << QStringLiteral("VORNPILOT") << slot.id << QString()
           << QString::fromStdString(notice.summary) << Body(notice.body) << QStringList() << hints
           << (notice.urgency == ENoticeUrgency::Critical ? NEVER_EXPIRES : SERVICE_DEFAULT);
    slot.waiting = true;
    const ENoticeSlot kind = notice.slot;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                call->deleteLater();
                SSlot& answered = m_slots[kind];
                answered.waiting = false;
                // Without an answer (no service) the next one is a new notification.
                answered.id = reply.isValid() ? reply.value() : 0;
                emit Answered();
                if (!answered.next)
                    return;
                const SDesktopNotice next = *answered.next;
                answered.next.reset();
                Send(next);
            });
}
