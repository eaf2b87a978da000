#pragma once
// The interrupt event a client registered with the service (control code 0x0022240C). The
// client sends the event's handle as it holds it: its own descriptor of the FIFO
// "Helmo_Interrupt" in the runtime directory. The service finds that descriptor through the
// client's /proc entry, accepts it only when it is that very FIFO, and keeps the FIFO open
// for writing; an interrupt writes a byte into it.

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "interrupt_sink.h"
#include "unique_fd.h"

inline constexpr const char* INTERRUPT_EVENT_NAME = "Helmo_Interrupt";

class CInterruptEvent : public IInterruptSink {
  public:
    explicit CInterruptEvent(const std::string& runtimeDir);

    // Takes descriptor `handle` of process `pid` as the event, replacing an earlier one. False
    // with *error an errno value when the process, the descriptor or the file is not right.
    bool Register(pid_t pid, uint32_t handle, int* error);
    bool IsRegistered() const { return m_fd.IsValid(); }

    bool RaiseInterrupt() override;

  private:
    std::string m_eventPath;
    CUniqueFd m_fd;
};
