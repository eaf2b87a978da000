#pragma once
// A client of the VORN-SIM socket: one command line in (ended by a line feed or by the client
// shutting down its side), the reply out, then the connection closes.

#include <string>

#include "connection.h"
#include "sim/sim_control.h"

class CSimConnection : public CConnection {
  public:
    static constexpr size_t MAX_LINE = 1024;

    CSimConnection(CUniqueFd fd, uint64_t id, ISimControl& control)
        : CConnection(std::move(fd), id), m_control(control) {}

    short Events() const override;
    bool Service(short revents) override;

  private:
    bool ReadLine();
    bool Reply();
    // Ends the connection once the reply is out; always false.
    bool Finish();

    ISimControl& m_control;
    std::string m_line;
    bool m_replying = false;
};
