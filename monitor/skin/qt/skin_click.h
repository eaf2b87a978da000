#pragma once
// Delivery of a skin button's click to the main window: posted, so the receiver runs after the
// button has finished handling the click, and carrying the command only by address.

#include <QEvent>
#include <cstdint>
#include <memory>

class CSkinCommand;
class QObject;

// One event type for the whole program, registered on first use.
QEvent::Type SkinClickEventType();

class CSkinClickEvent : public QEvent {
  public:
    CSkinClickEvent(const void* command, uint64_t serial)
        : QEvent(SkinClickEventType()), m_command(command), m_serial(serial) {}
    const void* Command() const { return m_command; }
    uint64_t Serial() const { return m_serial; }

  private:
    const void* m_command;
    uint64_t m_serial;
};

// Posts the click to `target` when it lives in this process's main thread; false, and nothing
// posted, otherwise. The command stays in the registry until the receiver takes it.
bool PostSkinCommand(CSkinCommand* command, QObject* target);

// The command a click event carries, when it is still live; null otherwise. The caller owns it.
std::unique_ptr<CSkinCommand> TakeSkinCommand(const QEvent* event);
