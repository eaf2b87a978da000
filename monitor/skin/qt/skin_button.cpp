#include "skin_button.h"

#include <utility>

#include "script_caller.h"

CSkinButton::CSkinButton(std::string id, ESkinButtonKind kind, QObject* owner, std::string call,
                         EButtonType type, QWidget* parent)
    : CImageButton(type, parent), m_id(std::move(id)), m_kind(kind), m_call(std::move(call)) {
    // Queued: the owner acts once the button's own handling of the click is over.
    if (owner != nullptr && owner->metaObject()->indexOfSlot("OnSkinCommand(QString)") >= 0)
        connect(this, SIGNAL(Command(QString)), owner, SLOT(OnSkinCommand(QString)),
                Qt::QueuedConnection);
}

void CSkinButton::OnClick() {
    // The script runs first; its result does not stop the click from being reported.
    if (m_kind == ESkinButtonKind::Script && m_bridge != nullptr)
        m_bridge->CallFunction(m_call);
    emit Command(QString::fromStdString(m_id));
}
