#pragma once
// Desktop notifications through the desktop's notification service on the session bus. Each
// slot keeps the id the service gave its last notification, so the next one replaces it in place
// and a withdrawal closes it. Calls never wait: a notification asked for while the slot's last
// call is unanswered waits for that answer, and only the newest one goes out. Without a session
// bus or a notification service nothing is shown and nothing is said.

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>

#include "notice_decider.h"

class CDesktopNotifier : public QObject {
    Q_OBJECT
  public:
    explicit CDesktopNotifier(QObject* parent = nullptr);

    void Send(const SDesktopNotice& notice);
    // Closes every notification still shown (notifications were switched off).
    void WithdrawAll();

  signals:
    // A slot's call was answered (tests wait for this).
    void Answered();

  private:
    struct SSlot {
        uint32_t id = 0;
        bool waiting = false;
        std::optional<SDesktopNotice> next;
    };

    bool Connected() const;
    void Notify(SSlot& slot, const SDesktopNotice& notice);
    void Close(SSlot& slot);
    QString Body(const std::string& text) const;

    std::map<ENoticeSlot, SSlot> m_slots;
    bool m_markup = true;  // escape until the service says it shows plain text
};
