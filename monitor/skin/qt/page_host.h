#pragma once
// The main window's page: one web view filling the client area, showing the built-in initial
// page with the program folder as its base, so skin files and bitmaps load by path. The page
// never navigates by itself, opens no windows, takes no drops and reaches only local files of
// the folders it is given.

#include <QStringList>
#include <QWebEngineView>
#include <memory>

class CWebPageDocument;
class CUrlGuard;
class QWebEngineProfile;

class CPageHost : public QWebEngineView {
    Q_OBJECT
  public:
    CPageHost(const QString& programFolder, QWidget* parent);
    ~CPageHost() override;

    // Loads the initial page; PageReady follows when it has loaded.
    void LoadInitialPage();
    CWebPageDocument* Document() const { return m_document; }

    // The folders whose files the page may load: the program folder and the current skin's.
    void SetSkinFolder(const QString& folder);
    // Messages the page's scripts wrote to their console, kept for diagnostics.
    const QStringList& ConsoleMessages() const;
    // Requests the page made that were refused.
    const QStringList& RefusedRequests() const;

  signals:
    void PageReady();
    // The left button went down on the page's "MOVESIZE" element.
    void MoveSizePressed();
    // A sensor's small graph was clicked: its kind and name ("Volt:+12V").
    void GraphRequested(const QString& key);

  private:
    QString m_programFolder;
    QWebEngineProfile* m_profile;
    std::unique_ptr<CUrlGuard> m_guard;
    CWebPageDocument* m_document;
};

// The initial page's markup (without the base address).
QString InitialPageHtml();
