#pragma once
// Window handles and posted messages. A window handle is a nonzero 32-bit value; its message
// queue is a datagram socket <dir>/hwnd-XXXXXXXX (the handle in eight hex digits) that the
// owning program reads in its event loop. Posting sends one datagram of four little-endian
// 32-bit words: window, message, wParam, lParam. Posting never waits: a window that no longer
// exists or whose queue is full is not posted to.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct SWindowMessage {
    uint32_t window = 0;
    uint32_t message = 0;
    uint32_t wParam = 0;
    int32_t lParam = 0;
    bool operator==(const SWindowMessage&) const = default;
};

inline constexpr size_t WINDOW_MESSAGE_SIZE = 16;

std::array<uint8_t, WINDOW_MESSAGE_SIZE> EncodeWindowMessage(const SWindowMessage& message);
// nullopt unless the datagram is exactly one message.
std::optional<SWindowMessage> DecodeWindowMessage(std::span<const uint8_t> datagram);

std::string WindowSocketPath(const std::string& dir, uint32_t window);

// Posts message to message.window; false (errno set) when it could not be queued.
bool PostWindowMessage(const std::string& dir, const SWindowMessage& message);
