#pragma once
// The page document over a QWebEnginePage. Chromium runs page operations asynchronously, so
// operations are queued in order and sent as one script per turn of the event loop (a status
// update of some sixty writes is one round trip). Each batch ends by reporting the page's
// element ids and global functions, which keep the answers given at once honest after the
// page's own scripts have changed the page.
//
// One batch is in flight at a time; what is queued meanwhile goes with the next. A page whose
// script never returns answers no batch: then the queue is kept from growing without end by
// dropping the element writes and function calls in it once it passes MAX_QUEUED_BYTES (every
// pass makes them anew), while the markup and scripts of a skin load stay.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "page_document.h"

class QWebEnginePage;

class CWebPageDocument : public QObject, public IPageDocument {
    Q_OBJECT
  public:
    explicit CWebPageDocument(QWebEnginePage* page, QObject* parent = nullptr);

    bool SetBodyHtml(const std::string& html) override;
    bool InsertBeforeBody(const std::string& html) override;
    bool SetElementHtml(const std::string& id, const std::string& html) override;
    bool HasFunction(const std::string& name) const override;
    bool CallFunction(const std::string& name, const std::vector<std::string>& args) override;
    void RunScript(const std::string& text) override;

    // Until the page has loaded, operations wait in the queue.
    void SetReady(bool ready);
    bool IsReady() const { return m_ready; }
    // Sends what is queued now.
    void Flush();
    // Runs `expression` after everything queued has been applied and waits for its value
    // (tests, read-backs); an invalid QVariant after `timeoutMs`.
    QVariant Evaluate(const QString& expression, int timeoutMs = 10000);
    // Batches sent and not yet answered (0 or 1).
    int PendingBatches() const { return m_inFlight; }

    static constexpr int MAX_QUEUED_BYTES = 1 << 20;

    // Told of every exception a queued operation raised in the page.
    void SetErrorSink(std::function<void(const std::string&)> sink) {
        m_errorSink = std::move(sink);
    }

  signals:
    // A batch was applied by the page.
    void BatchApplied();

  private:
    // `renewed`: made anew by every pass, so it may be dropped while the page does not answer.
    void Queue(QString statement, bool renewed = false);
    bool WaitApplied(int timeoutMs);
    void AddIds(const std::set<std::string>& ids);
    void OnReport(const QVariant& report, int generation);

    QPointer<QWebEnginePage> m_page;
    struct SStatement {
        QString text;
        bool renewed;
    };
    std::vector<SStatement> m_queue;
    int m_queuedBytes = 0;
    bool m_ready = false;
    bool m_flushScheduled = false;
    int m_inFlight = 0;
    int m_generation = 0;     // batches sent
    int m_lastReported = -1;  // newest batch whose report was taken
    int m_replacedUpTo = 0;   // batches sent to a page loaded over since
    std::set<std::string> m_ids;
    std::set<std::string> m_functions;
    // What the operations of each batch not yet reported added, so an older report does not
    // drop it; keyed by the batch's number.
    std::map<int, std::set<std::string>> m_addedIds;
    std::map<int, std::set<std::string>> m_addedFunctions;
    std::function<void(const std::string&)> m_errorSink;
};
