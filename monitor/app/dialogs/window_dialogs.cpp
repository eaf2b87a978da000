#include "window_dialogs.h"

#include "fanpilot_dlg.h"
#include "setting_dlg.h"
#include "skin.h"
#include "trans_dlg.h"

CWindowDialogs::CWindowDialogs(QWidget* window, IMonitorCommands& commands, CSkin& skin)
    : m_window(window),
      m_commands(commands),
      m_skin(skin),
      m_setting(std::make_unique<CSettingDlg>(commands, window)),
      m_trans(std::make_unique<CTransDlg>(window)) {}

CWindowDialogs::~CWindowDialogs() = default;

void CWindowDialogs::RunSetup() {
    // On OK the dialog has stored the unit, which the page shows from the next pass.
    m_setting->exec();
}

void CWindowDialogs::RunFanPilot() {
    CFanPilotDlg dialog(m_commands, m_window);
    dialog.SetFanList(ItemListsOf(m_commands)[LIST_FAN]);
    if (dialog.exec() == QDialog::Accepted)
        m_commands.SaveSettings();
}

void CWindowDialogs::RunTransparency() {
    if (m_trans->exec() == QDialog::Accepted)
        m_skin.SetTransparency(m_trans->GetAlpha());
}
