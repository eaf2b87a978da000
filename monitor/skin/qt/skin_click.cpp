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
    QCoreApplication::postEvent(target, new CSkinClickEvent(command));
    return true;
}

std::unique_ptr<CSkinCommand> TakeSkinCommand(const QEvent* event) {
    if (event == nullptr || event->type() != SkinClickEventType())
        return nullptr;
    const void* address = static_cast<const CSkinClickEvent*>(event)->Command();
    // Only an address the registry holds is ever dereferenced.
    if (!SkinCommandRegistry::Contains(address))
        return nullptr;
    return std::unique_ptr<CSkinCommand>(static_cast<CSkinCommand*>(const_cast<void*>(address)));
}
