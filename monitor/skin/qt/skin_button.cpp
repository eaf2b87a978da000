#include "skin_button.h"

#include <utility>

#include "script_caller.h"
#include "skin_click.h"
#include "skin_command.h"

CSkinButton::CSkinButton(std::string id, ESkinButtonKind kind, QObject* owner, std::string call,
                         EButtonType type, QWidget* parent)
    : CImageButton(type, parent),
      m_id(std::move(id)),
      m_kind(kind),
      m_owner(owner),
      m_call(std::move(call)) {}

void CSkinButton::OnClick() {
    // The script runs first; its result does not stop the click from being reported.
    if (m_kind == ESkinButtonKind::Script && m_bridge != nullptr)
        m_bridge->CallFunction(m_call);
    auto* command = new CSkinCommand(m_id);
    if (!PostSkinCommand(command, m_owner.data()))
        delete command;
}
