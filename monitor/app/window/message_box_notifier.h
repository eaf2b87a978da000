#pragma once
// What the core tells the user, as a message box of the window: opened, not run, so the event
// loop and the monitor go on. Texts from files are shown as they are, never as markup.

#include <QPointer>
#include <QWidget>

#include "notifier.h"

class CMessageBoxNotifier : public INotifier {
  public:
    void SetParent(QWidget* parent) { m_parent = parent; }
    void ShowMessage(const std::string& caption, const std::string& text) override;

  private:
    QPointer<QWidget> m_parent;
};
