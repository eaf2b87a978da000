#include "message_box_notifier.h"

#include <QMessageBox>

void CMessageBoxNotifier::ShowMessage(const std::string& caption, const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromStdString(caption),
                                QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("coreMessage"));
    box->open();
}
