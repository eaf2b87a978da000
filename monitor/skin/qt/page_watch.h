#pragma once
// Tells when the page stops taking what the program sends it, as a skin script that never
// returns makes it do: after STALL_PASSES passes in a row with a batch out and none applied, a
// banner over the page (a widget of the window, not page markup, so it shows whatever the page
// does) says that the page is not current. The monitor itself, the tray and the notifications
// never wait on the page. The banner goes as soon as the page applies a batch again.

#include <QObject>

class CWebPageDocument;
class QLabel;
class QWidget;

class CPageWatch : public QObject {
    Q_OBJECT
  public:
    CPageWatch(CWebPageDocument* document, QWidget* window);

    // After every pass.
    void OnPass();
    bool Stalled() const { return m_stalled; }
    QLabel* Banner() const { return m_banner; }

    static constexpr int STALL_PASSES = 3;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnApplied();
    void Place();

    CWebPageDocument* m_document;
    QWidget* m_window;
    QLabel* m_banner;
    int m_quietPasses = 0;
    bool m_appliedSincePass = false;
    bool m_stalled = false;
};
