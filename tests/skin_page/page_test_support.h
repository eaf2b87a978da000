#pragma once
// A page host on screen, loaded and ready, for tests that drive the real page engine.

#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <ostream>

#include "page_host.h"
#include "web_page_document.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Runs the event loop until `done` holds or `ms` pass; the last answer of `done`.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct SReadyPage {
    std::unique_ptr<QWidget> window;
    CPageHost* host = nullptr;
    CWebPageDocument* document = nullptr;

    // Reads the page after everything queued was applied.
    QVariant Read(const QString& expression) { return document->Evaluate(expression); }
    QString Text(const QString& expression) { return Read(expression).toString(); }
};

inline SReadyPage MakeReadyPage(const QString& folder, int width = 400, int height = 300) {
    SReadyPage p;
    p.window = std::make_unique<QWidget>();
    p.window->resize(width, height);
    p.host = new CPageHost(folder, p.window.get());
    p.host->setGeometry(0, 0, width, height);
    p.document = p.host->Document();
    bool ready = false;
    QObject::connect(p.host, &CPageHost::PageReady, [&ready] { ready = true; });
    p.host->LoadInitialPage();
    p.window->show();
    WaitUntil([&] { return ready; }, 30000);
    return p;
}
