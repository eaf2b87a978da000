#pragma once
// The page of a running vornpilot as the page engine's remote debugging port shows it: the
// whole-program tests ask the real page what it says, not the pixels. The program is started
// with QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:<port>.

#include <QString>
#include <optional>

class CPageInspector {
  public:
    explicit CPageInspector(int port) : m_port(port) {}

    // The value of a JavaScript expression on the program's page, as text; nullopt while the
    // page cannot be reached or the expression throws.
    std::optional<QString> Evaluate(const QString& expression, int timeoutMs = 5000);

    // A loopback port nobody listens on now.
    static int FreePort();

  private:
    int m_port;
};
