#pragma once
// Port requests that fail on purpose: chosen ports on read, write or both, and a chosen
// fraction of all port requests drawn from a seeded generator. A failed request touches
// nothing.

#include <cstdint>
#include <map>
#include <random>
#include <string>

class CFaultInjector {
  public:
    enum EDirection : uint8_t { FAIL_READ = 1, FAIL_WRITE = 2, FAIL_BOTH = 3 };

    CFaultInjector();

    void SetSeed(uint64_t seed);
    // directions 0 takes the port off the list.
    void SetPort(uint16_t port, uint8_t directions);
    // 0 .. 1; anything else is refused.
    bool SetRate(double rate);
    void Clear();

    // Decides one request of `size` bytes starting at `port`: a listed port anywhere in the span
    // fails it; otherwise the rate decides.
    bool ShouldFail(uint16_t port, uint8_t size, bool write);

    double Rate() const { return m_rate; }
    const std::map<uint16_t, uint8_t>& Ports() const { return m_ports; }
    // "none", or e.g. "ports 0x296 read+write; rate 0.25".
    std::string Describe() const;

  private:
    std::map<uint16_t, uint8_t> m_ports;
    double m_rate = 0.0;
    std::mt19937_64 m_rng;
};
