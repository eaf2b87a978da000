#include "page_watch.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

#include "web_page_document.h"

namespace {

constexpr const char* STALLED_TEXT =
    "The skin's page is not responding: the readings it shows are not current. The monitor "
    "goes on; the tray shows the current state.";

}  // namespace

CPageWatch::CPageWatch(CWebPageDocument* document, QWidget* window)
    : QObject(window), m_document(document), m_window(window), m_banner(new QLabel(window)) {
    m_banner->setObjectName(QStringLiteral("pageStalledBanner"));
    m_banner->setText(QString::fromLatin1(STALLED_TEXT));
    m_banner->setTextFormat(Qt::PlainText);
    m_banner->setWordWrap(true);
    m_banner->setMargin(6);
    m_banner->setAutoFillBackground(true);
    m_banner->setStyleSheet(
        QStringLiteral("QLabel{background:#b00020;color:white;font-weight:bold;}"));
    m_banner->hide();
    connect(document, &CWebPageDocument::BatchApplied, this, &CPageWatch::OnApplied);
    window->installEventFilter(this);
}

void CPageWatch::OnPass() {
    if (m_appliedSincePass || m_document->PendingBatches() == 0)
        m_quietPasses = 0;
    else
        ++m_quietPasses;
    m_appliedSincePass = false;
    if (m_quietPasses >= STALL_PASSES && !m_stalled) {
        m_stalled = true;
        Place();
        m_banner->show();
    }
    if (m_stalled)
        m_banner->raise();  // over buttons a skin load may have made since
}

void CPageWatch::OnApplied() {
    m_appliedSincePass = true;
    m_quietPasses = 0;
    if (m_stalled) {
        m_stalled = false;
        m_banner->hide();
    }
}

void CPageWatch::Place() {
    const int width = m_window->width();
    m_banner->setGeometry(0, 0, width, m_banner->heightForWidth(width));
}

bool CPageWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize)
        Place();
    return QObject::eventFilter(watched, event);
}
