#include "web_page_document.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonValue>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include "page_index.h"

namespace {

// A JavaScript string literal for any text: JSON quoting, with the two line separators that
// JSON allows in strings but older scripts do not.
QString Literal(const std::string& text) {
    QString quoted = QString::fromUtf8(
        QJsonDocument::fromVariant(QVariantList{QString::fromUtf8(text.data(), text.size())})
            .toJson(QJsonDocument::Compact));
    quoted = quoted.mid(1, quoted.size() - 2);  // drop the array brackets
    quoted.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    quoted.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return quoted;
}

// Every statement is guarded, so one failing operation does not stop the ones after it; the
// batch answers with what the page holds afterwards.
constexpr const char* BATCH_HEAD =
    "(function(){var errors=[];"
    "function el(i){return document.getElementById(i)||document.getElementsByName(i)[0];}"
    // Rewriting an element with what it already shows costs a style, layout and paint pass in
    // the page for nothing; the same text is skipped unless something else changed it since.
    "function put(e,h){if(e.__vpHtml===h&&e.innerHTML===e.__vpShown)return;"
    "e.innerHTML=h;e.__vpHtml=h;e.__vpShown=e.innerHTML;}";
// Page scripts learn of every batch applied (a status update may change no element at all).
constexpr const char* BATCH_TAIL =
    "try{document.dispatchEvent(new Event('vornupdate'));}catch(x){errors.push(String(x));}"
    "var ids=[];document.querySelectorAll('[id],[name]').forEach(function(e){"
    "if(e.id)ids.push(e.id);var n=e.getAttribute('name');if(n)ids.push(n);});"
    "var fns=[];for(var k in window){try{if(typeof window[k]==='function')fns.push(k);}"
    "catch(x){}}"
    "return {ids:ids,fns:fns,errors:errors};})()";

}  // namespace

CWebPageDocument::CWebPageDocument(QWebEnginePage* page, QObject* parent)
    : QObject(parent), m_page(page) {}

void CWebPageDocument::Queue(QString statement, bool renewed) {
    QString text =
        QStringLiteral("try{") + statement + QStringLiteral("}catch(x){errors.push(String(x));}");
    m_queuedBytes += static_cast<int>(text.size());
    m_queue.push_back({std::move(text), renewed});
    if (m_queuedBytes > MAX_QUEUED_BYTES) {
        std::erase_if(m_queue, [](const SStatement& s) { return s.renewed; });
        m_queuedBytes = 0;
        for (const SStatement& s : m_queue)
            m_queuedBytes += static_cast<int>(s.text.size());
    }
    if (m_ready && !m_flushScheduled) {
        m_flushScheduled = true;
        QTimer::singleShot(0, this, &CWebPageDocument::Flush);
    }
}

void CWebPageDocument::AddIds(const std::set<std::string>& ids) {
    m_ids.insert(ids.begin(), ids.end());
    m_addedIds[m_generation + 1].insert(ids.begin(), ids.end());
}

bool CWebPageDocument::SetBodyHtml(const std::string& html) {
    if (!m_page)
        return false;
    m_ids.clear();
    m_addedIds.clear();
    AddIds(HtmlElementIds(html));
    Queue(QStringLiteral("document.body.innerHTML=") + Literal(html) + ';');
    return true;
}

bool CWebPageDocument::InsertBeforeBody(const std::string& html) {
    if (!m_page)
        return false;
    AddIds(HtmlElementIds(html));
    Queue(QStringLiteral("document.body.insertAdjacentHTML('beforebegin',") + Literal(html) + ");");
    return true;
}

bool CWebPageDocument::SetElementHtml(const std::string& id, const std::string& html) {
    if (!m_page || m_ids.count(id) == 0)
        return false;
    AddIds(HtmlElementIds(html));
    Queue(QStringLiteral("var e=el(") + Literal(id) + QStringLiteral(");if(e)put(e,") +
              Literal(html) + ");",
          true);
    return true;
}

bool CWebPageDocument::HasFunction(const std::string& name) const {
    return m_page && m_functions.count(name) != 0;
}

bool CWebPageDocument::CallFunction(const std::string& name, const std::vector<std::string>& args) {
    if (!HasFunction(name))
        return false;
    QString list;
    for (const std::string& a : args) {
        if (!list.isEmpty())
            list += ',';
        list += Literal(a);
    }
    Queue(QStringLiteral("window[") + Literal(name) + QStringLiteral("].apply(window,[") + list +
              QStringLiteral("]);"),
          true);
    return true;
}

void CWebPageDocument::RunScript(const std::string& text) {
    if (!m_page)
        return;
    for (const std::string& f : ScriptFunctionNames(text)) {
        m_functions.insert(f);
        m_addedFunctions[m_generation + 1].insert(f);
    }
    // An indirect eval runs at global scope, so the text's function declarations become
    // globals of the page as a script element's would.
    Queue(QStringLiteral("(0,eval)(") + Literal(text) + QStringLiteral(");"));
}

void CWebPageDocument::SetReady(bool ready) {
    m_ready = ready;
    if (!ready) {
        // A new page: the old one answers nothing more that counts.
        m_inFlight = 0;
        m_replacedUpTo = m_generation;
    }
    if (ready && !m_queue.empty())
        Flush();
}

void CWebPageDocument::Flush() {
    m_flushScheduled = false;
    if (!m_page || !m_ready || m_queue.empty() || m_inFlight > 0)
        return;
    QString script = QString::fromUtf8(BATCH_HEAD);
    for (const SStatement& s : m_queue)
        script += s.text;
    script += QString::fromUtf8(BATCH_TAIL);
    m_queue.clear();
    m_queuedBytes = 0;
    const int generation = ++m_generation;
    ++m_inFlight;
    QPointer<CWebPageDocument> self(this);
    m_page->runJavaScript(script, QWebEngineScript::MainWorld,
                          [self, generation](const QVariant& report) {
                              if (self)
                                  self->OnReport(report, generation);
                          });
}

void CWebPageDocument::OnReport(const QVariant& report, int generation) {
    if (generation <= m_replacedUpTo)
        return;  // sent to a page that has been replaced since
    --m_inFlight;
    const QVariantMap map = report.toMap();
    if (generation > m_lastReported && map.contains(QStringLiteral("ids"))) {
        m_lastReported = generation;
        // The page is the authority for what it holds; operations queued since this batch
        // was sent still count.
        m_addedIds.erase(m_addedIds.begin(), m_addedIds.upper_bound(generation));
        m_addedFunctions.erase(m_addedFunctions.begin(), m_addedFunctions.upper_bound(generation));
        m_ids.clear();
        for (const QVariant& v : map.value(QStringLiteral("ids")).toList())
            m_ids.insert(v.toString().toStdString());
        for (const auto& [g, ids] : m_addedIds)
            m_ids.insert(ids.begin(), ids.end());
        m_functions.clear();
        for (const QVariant& v : map.value(QStringLiteral("fns")).toList())
            m_functions.insert(v.toString().toStdString());
        for (const auto& [g, fns] : m_addedFunctions)
            m_functions.insert(fns.begin(), fns.end());
    }
    if (m_errorSink) {
        for (const QVariant& v : map.value(QStringLiteral("errors")).toList())
            m_errorSink(v.toString().toStdString());
    }
    // What was queued while this batch was out goes now.
    Flush();
    emit BatchApplied();
}

bool CWebPageDocument::WaitApplied(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    Flush();
    while (m_inFlight > 0 || !m_queue.empty()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !m_ready)
            return false;
        QEventLoop loop;
        connect(this, &CWebPageDocument::BatchApplied, &loop, &QEventLoop::quit);
        QTimer::singleShot(static_cast<int>(left), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QVariant CWebPageDocument::Evaluate(const QString& expression, int timeoutMs) {
    if (!m_page || !WaitApplied(timeoutMs))
        return {};
    QEventLoop loop;
    QVariant result;
    bool done = false;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    m_page->runJavaScript(expression, QWebEngineScript::MainWorld,
                          [&, guard = QPointer<QEventLoop>(&loop)](const QVariant& v) {
                              if (!guard)
                                  return;
                              result = v;
                              done = true;
                              loop.quit();
                          });
    if (!done)
        loop.exec();
    return result;
}
