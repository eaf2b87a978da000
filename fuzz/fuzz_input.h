#pragma once
// Reading structured values out of a fuzzer's input, for targets that need more than one
// buffer (a request code, a length, then bytes).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CFuzzInput {
  public:
    CFuzzInput(const uint8_t* data, size_t size) : m_bytes(data, size) {}

    bool Empty() const { return m_bytes.empty(); }
    uint8_t Byte() {
        if (m_bytes.empty())
            return 0;
        const uint8_t b = m_bytes[0];
        m_bytes = m_bytes.subspan(1);
        return b;
    }
    uint32_t Word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return v;
    }
    // Up to n bytes (fewer at the end of the input).
    std::vector<uint8_t> Bytes(size_t n) {
        n = std::min(n, m_bytes.size());
        std::vector<uint8_t> out(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(n));
        m_bytes = m_bytes.subspan(n);
        return out;
    }
    std::span<const uint8_t> Rest() const { return m_bytes; }

  private:
    std::span<const uint8_t> m_bytes;
};
