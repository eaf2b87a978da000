#include "window_message.h"

#include "unix_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "runtime_paths.h"

namespace {

void Put(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

std::array<uint8_t, WINDOW_MESSAGE_SIZE> EncodeWindowMessage(const SWindowMessage& message) {
    std::array<uint8_t, WINDOW_MESSAGE_SIZE> bytes{};
    Put(&bytes[0], message.window);
    Put(&bytes[4], message.message);
    Put(&bytes[8], message.wParam);
    Put(&bytes[12], static_cast<uint32_t>(message.lParam));
    return bytes;
}

std::optional<SWindowMessage> DecodeWindowMessage(std::span<const uint8_t> datagram) {
    if (datagram.size() != WINDOW_MESSAGE_SIZE)
        return std::nullopt;
    SWindowMessage m;
    m.window = Get(&datagram[0]);
    m.message = Get(&datagram[4]);
    m.wParam = Get(&datagram[8]);
    m.lParam = static_cast<int32_t>(Get(&datagram[12]));
    return m;
}

std::string WindowSocketPath(const std::string& dir, uint32_t window) {
    char name[16];
    std::snprintf(name, sizeof name, "hwnd-%08X", window);
    return JoinPath(dir, name);
}

bool PostWindowMessage(const std::string& dir, const SWindowMessage& message) {
    if (message.window == 0) {
        errno = EINVAL;
        return false;
    }
    const std::string path = WindowSocketPath(dir, message.window);
    sockaddr_un addr;
    if (!MakeUnixAddress(path, &addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto bytes = EncodeWindowMessage(message);
    ssize_t n;
    do {
        n = ::sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (n < 0 && errno == EINTR);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return n == static_cast<ssize_t>(bytes.size());
}
