// Runs the GUI tests inside one QApplication with the real page engine. What the page engine
// prints goes to a file that is shown only when a test failed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --log-level=3", 0);
    testing::InitGoogleTest(&argc, argv);

    char logPath[] = "/tmp/vorn-gui-test-XXXXXX";
    const int log = mkstemp(logPath);
    const int savedStderr = dup(STDERR_FILENO);
    if (log >= 0)
        dup2(log, STDERR_FILENO);

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    const int result = RUN_ALL_TESTS();

    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    if (log >= 0) {
        if (result != 0) {
            std::fprintf(stderr, "--- what the page engine printed ---\n");
            FILE* in = std::fopen(logPath, "r");
            char buffer[4096];
            size_t n;
            while (in != nullptr && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
                std::fwrite(buffer, 1, n, stderr);
            if (in != nullptr)
                std::fclose(in);
        }
        close(log);
        unlink(logPath);
    }
    return result;
}
