// The metrics exporter's handling of whatever a client sends: the input is everything one
// connection sends before it stops sending. Whatever it is, the exchange ends, and an answer, if
// there is one, is a whole HTTP/1.1 response (status line, headers, end of headers).

#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "metrics_server.h"
#include "pass_snapshot.h"

namespace {

std::shared_ptr<const SPassSnapshot> Pass() {
    auto p = std::make_shared<SPassSnapshot>();
    p->pass = 1;
    p->chipAnswered = p->statusRead = true;
    for (int i = 1; i <= 3; ++i) {
        SItemSnapshot item;
        item.itemNo = i;
        item.name = "Item " + std::to_string(i);
        item.type = ITEM_VOLTAGE;
        item.pin = "VCORE";
        item.enabled = true;
        item.value = 1.25;
        item.lastReadUnixMs = 1;
        p->items.push_back(item);
    }
    return p;
}

bool WholeResponse(const std::string& answer) {
    // "HTTP/1.1 " three digits, a space
    if (answer.size() < 13 || answer.compare(0, 9, "HTTP/1.1 ") != 0 || answer[12] != ' ')
        return false;
    for (int i = 9; i < 12; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(answer[i])))
            return false;
    }
    return answer.find("\r\n\r\n") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::shared_ptr<const SPassSnapshot> pass = Pass();
    static CMetricsServer server([] { return pass; });
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;
    // The whole request fits the socket's buffer (inputs are far below it), so it is sent
    // before the server reads, and the end of sending is the client's half-close.
    const ssize_t sent = ::send(fds[0], data, size, MSG_NOSIGNAL);
    ::shutdown(fds[0], SHUT_WR);
    server.ServeConnection(fds[1]);
    std::string answer;
    char buf[4096];
    for (ssize_t n; (n = ::recv(fds[0], buf, sizeof(buf), 0)) > 0;)
        answer.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    if (sent != static_cast<ssize_t>(size))
        return 0;
    if (!answer.empty() && !WholeResponse(answer))
        __builtin_trap();
    return 0;
}
