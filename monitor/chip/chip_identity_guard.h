#pragma once
// The chip's ports, opened only to the W83627EHF. Before the first access to the index/data
// pair goes through, the chip is identified; a chip that answers as another one gets no access
// at all from then on (every call fails), and the user is told once what was found. So no
// set-up write, limit or fan setting can reach a chip that is not this one, whichever backend
// the service runs.

#include <functional>
#include <string>

#include "chip_identity.h"
#include "port_io.h"

class CChipIdentityGuard : public IPortIo {
  public:
    enum class EState { UNKNOWN, IDENTIFIED, REFUSED };

    // `refused` receives the text for the user, once.
    CChipIdentityGuard(IPortIo& inner, std::function<void(const std::string&)> refused)
        : m_inner(inner), m_refused(std::move(refused)) {}

    int InPortB(uint16_t port, uint8_t* value) override;
    int OutPortB(uint16_t port, uint8_t value) override;

    EState State() const { return m_state; }

  private:
    // Whether an access to `port` may go through; identifies the chip on the first one. An
    // identification that could not be read refuses this access and is tried again next time.
    bool Admits(uint16_t port);

    IPortIo& m_inner;
    std::function<void(const std::string&)> m_refused;
    EState m_state = EState::UNKNOWN;
};
