#pragma once
// The chip layer's port calls with a bound on a hung driver service. The service answers a port
// request in microseconds; when one access fails only after a long wait, the service is stopped
// or hung, and every later access of the same pass would wait as long (a pass makes about 160).
// So after such an access every further one fails at once until the next pass re-arms the
// guard: a pass against a hung service costs one wait, not 160.

#include <cstdint>
#include <functional>

#include "port_io.h"

class CPortGuard : public IPortIo {
  public:
    // A failed access that took this long met a service that does not answer. Far above a
    // healthy round trip (tens of microseconds) and below the library's port time-out.
    static constexpr int64_t HUNG_ACCESS_NS = 100'000'000;

    // `monotonicNs`: the clock the accesses are timed with.
    CPortGuard(IPortIo& inner, std::function<int64_t()> monotonicNs)
        : m_inner(inner), m_now(std::move(monotonicNs)) {}

    int InPortB(uint16_t port, uint8_t* value) override;
    int OutPortB(uint16_t port, uint8_t value) override;

    // Lets accesses through again; called when a pass, the start-up or the ending begins.
    void Rearm() { m_tripped = false; }
    // True once an access met a hung service since the last Rearm.
    bool IsTripped() const { return m_tripped; }
    // The errno of the last access that failed, 0 after one that succeeded: EBUSY when the
    // service had no room for this client.
    int LastError() const { return m_lastError; }

  private:
    template <typename Access>
    int Guarded(Access access);

    IPortIo& m_inner;
    std::function<int64_t()> m_now;
    bool m_tripped = false;
    int m_lastError = 0;
};
