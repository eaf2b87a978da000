#include "page_inspector.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTimer>
#include <QWebSocket>

namespace {

// Runs the event loop until `done` is called or the time is up; false on time-out.
bool Wait(QEventLoop& loop, int timeoutMs) {
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(timeoutMs);
    loop.exec();
    return !timedOut;
}

}  // namespace

int CPageInspector::FreePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

std::optional<QString> CPageInspector::Evaluate(const QString& expression, int timeoutMs) {
    // The page's debugger address from the port's list of targets.
    QNetworkAccessManager network;
    QNetworkReply* listing =
        network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json").arg(m_port))));
    QEventLoop loop;
    QObject::connect(listing, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!Wait(loop, timeoutMs) || listing->error() != QNetworkReply::NoError) {
        listing->deleteLater();
        return std::nullopt;
    }
    QString socketUrl;
    for (const QJsonValue& target : QJsonDocument::fromJson(listing->readAll()).array()) {
        if (target[QStringLiteral("type")].toString() == QStringLiteral("page")) {
            socketUrl = target[QStringLiteral("webSocketDebuggerUrl")].toString();
            break;
        }
    }
    listing->deleteLater();
    if (socketUrl.isEmpty())
        return std::nullopt;

    QWebSocket socket;
    std::optional<QString> result;
    QObject::connect(&socket, &QWebSocket::connected, &loop, [&] {
        const QJsonObject params{{QStringLiteral("expression"), expression},
                                 {QStringLiteral("returnByValue"), true}};
        const QJsonObject call{{QStringLiteral("id"), 1},
                               {QStringLiteral("method"), QStringLiteral("Runtime.evaluate")},
                               {QStringLiteral("params"), params}};
        socket.sendTextMessage(QString::fromUtf8(QJsonDocument(call).toJson()));
    });
    QObject::connect(&socket, &QWebSocket::textMessageReceived, &loop, [&](const QString& message) {
        const QJsonObject answer = QJsonDocument::fromJson(message.toUtf8()).object();
        if (answer[QStringLiteral("id")].toInt() != 1)
            return;
        const QJsonObject r = answer[QStringLiteral("result")].toObject();
        if (!r.contains(QStringLiteral("exceptionDetails")))
            result = r[QStringLiteral("result")]
                         .toObject()[QStringLiteral("value")]
                         .toVariant()
                         .toString();
        loop.quit();
    });
    QObject::connect(&socket, &QWebSocket::disconnected, &loop, &QEventLoop::quit);
    socket.open(QUrl(socketUrl));
    Wait(loop, timeoutMs);
    socket.close();
    return result;
}
