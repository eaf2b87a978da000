#include "skin_click.h"

#include <QCoreApplication>
#include <QThread>

#include "skin_command.h"

QEvent::Type SkinClickEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostSkinCommand(CSkinCommand* command, QObject* target) {
    if (command == nullptr || target == nullptr || QCoreApplication::instance() == nullptr ||
        target->thread() != QCoreApplication::instance()->thread()) {
        return false;
    }
    QCoreApplication::postEvent(target, new CSkinClickEvent(command, command->Serial()));
    return true;
}

std::unique_ptr<CSkinCommand> TakeSkinCommand(const QEvent* event) {
    if (event == nullptr || event->type() != SkinClickEventType())
        return nullptr;
    const auto* click = static_cast<const CSkinClickEvent*>(event);
    const void* address = click->Command();
    // Only an address the registry holds, for the command it was posted with, is dereferenced.
    if (!SkinCommandRegistry::Contains(address, click->Serial()))
        return nullptr;
    return std::unique_ptr<CSkinCommand>(static_cast<CSkinCommand*>(const_cast<void*>(address)));
}
