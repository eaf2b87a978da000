#include "window_dialogs.h"

#include "fanpilot_dlg.h"
#include "monitor_session.h"
#include "setting_dlg.h"
#include "skin.h"
#include "trans_dlg.h"

CWindowDialogs::CWindowDialogs(QWidget* window, CMonitorSession& session, CSkin& skin)
    : m_window(window),
      m_session(session),
      m_skin(skin),
      m_setting(std::make_unique<CSettingDlg>([&session] { return session.Engine(); }, window)),
      m_trans(std::make_unique<CTransDlg>(window)) {}

CWindowDialogs::~CWindowDialogs() = default;

void CWindowDialogs::RunSetup() {
    if (m_setting->exec() == QDialog::Accepted)
        m_session.StatusPage().SetCelsius(StoredUnitIsCelsius());
}

void CWindowDialogs::RunFanPilot() {
    CFanPilotDlg dialog([this] { return m_session.Engine(); }, m_window);
    dialog.SetFanList(ItemListsOf(m_session.Engine())[LIST_FAN]);
    if (dialog.exec() == QDialog::Accepted) {
        if (CMonitorEngine* engine = m_session.Engine())
            engine->SaveRegistryConfig();
    }
}

void CWindowDialogs::RunTransparency() {
    if (m_trans->exec() == QDialog::Accepted)
        m_skin.SetTransparency(m_trans->GetAlpha());
}
