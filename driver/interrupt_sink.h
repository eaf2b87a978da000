#pragma once
// Where a backend reports a microcontroller interrupt: the service signals the event a client
// registered with it.

class IInterruptSink {
  public:
    virtual ~IInterruptSink() = default;
    // True when a registered event was signalled.
    virtual bool RaiseInterrupt() = 0;
};
