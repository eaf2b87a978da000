#include "page_host.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>

#include "web_page_document.h"

#define MOVESIZE_MESSAGE "vornpilot:MOVESIZE"
#define GRAPH_MESSAGE "vornpilot:GRAPH:"

// Local files below the allowed folders, and the page's own data; nothing else.
class CUrlGuard : public QWebEngineUrlRequestInterceptor {
  public:
    void SetFolders(QStringList folders) { m_folders = std::move(folders); }
    QStringList refused;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (Allowed(url))
            return;
        info.block(true);
        if (refused.size() < 100)
            refused.append(url.toString());
    }

  private:
    bool Allowed(const QUrl& url) const {
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("data") || scheme == QLatin1String("qrc") ||
            scheme == QLatin1String("about"))
            return true;
        if (scheme != QLatin1String("file"))
            return false;
        const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
        if (path.isEmpty())
            return false;  // nothing there, or a dangling link
        for (const QString& folder : m_folders) {
            if (!folder.isEmpty() && (path == folder || path.startsWith(folder + '/')))
                return true;
        }
        return false;
    }

    QStringList m_folders;
};

namespace {

class CSkinPage : public QWebEnginePage {
  public:
    CSkinPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

    bool allowNext = false;
    QStringList console;
    std::function<void()> onMoveSize;
    std::function<void(const QString&)> onGraph;

  protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType, bool isMainFrame) override {
        // Only the load the program starts itself; links, forms, script redirects and
        // dropped files all stay on the page.
        if (isMainFrame && allowNext) {
            allowNext = false;
            return true;
        }
        return false;
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        if (message == QLatin1String(MOVESIZE_MESSAGE)) {
            if (onMoveSize)
                onMoveSize();
            return;
        }
        if (message.startsWith(QLatin1String(GRAPH_MESSAGE))) {
            if (onGraph)
                onGraph(message.mid(int(sizeof GRAPH_MESSAGE) - 1));
            return;
        }
        if (console.size() < 200)
            console.append(source + ':' + QString::number(line) + ": " + message);
    }
};

QString CanonicalFolder(const QString& folder) {
    const QString canonical = QDir(folder).canonicalPath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

}  // namespace

QString InitialPageHtml() {
    return QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
        "<style>html,body{margin:0;overflow:hidden;-webkit-user-select:none;user-select:none}"
        "</style></head>"
        "<body id=\"CVAMDlg\" bgcolor=\"lightgrey\" style=\"background-color:lightgrey\" "
        "onselectstart=\"return false\" ondragstart=\"return false\" "
        "oncontextmenu=\"return false\">"
        "<script>document.addEventListener('keydown',function(e){e.preventDefault();"
        "e.stopPropagation();},true);"
        // The element the skin offers for dragging the caption-less window.
        "document.addEventListener('mousedown',function(e){if(e.button===0&&e.target&&"
        "e.target.closest&&e.target.closest('#MOVESIZE'))console.log('" MOVESIZE_MESSAGE
        "');},"
        "true);</script></body></html>");
}

CPageHost::CPageHost(const QString& programFolder, QWidget* parent)
    : QWebEngineView(parent),
      m_programFolder(CanonicalFolder(programFolder)),
      // Off the record: nothing of the page is kept on disk.
      m_profile(new QWebEngineProfile(this)),
      m_guard(std::make_unique<CUrlGuard>()) {
    m_guard->SetFolders({m_programFolder});
    m_profile->setUrlRequestInterceptor(m_guard.get());
    QWebEngineSettings* s = m_profile->settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    auto* skinPage = new CSkinPage(m_profile, this);
    skinPage->onMoveSize = [this] { emit MoveSizePressed(); };
    skinPage->onGraph = [this](const QString& key) { emit GraphRequested(key); };
    setPage(skinPage);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    m_document = new CWebPageDocument(page(), this);
    connect(page(), &QWebEnginePage::loadFinished, this, [this](bool ok) {
        // A refused navigation reports a failed load of a page that is still there.
        if (!ok || m_document->IsReady())
            return;
        m_document->SetReady(true);
        emit PageReady();
    });
}

CPageHost::~CPageHost() {
    // The page goes before the profile it was made with.
    delete page();
}

void CPageHost::LoadInitialPage() {
    m_document->SetReady(false);
    static_cast<CSkinPage*>(page())->allowNext = true;
    page()->setHtml(InitialPageHtml(), QUrl::fromLocalFile(m_programFolder + '/'));
}

void CPageHost::SetSkinFolder(const QString& folder) {
    m_guard->SetFolders({m_programFolder, CanonicalFolder(folder)});
}

const QStringList& CPageHost::ConsoleMessages() const {
    return static_cast<CSkinPage*>(page())->console;
}

const QStringList& CPageHost::RefusedRequests() const {
    return m_guard->refused;
}
