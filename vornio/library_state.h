#pragma once
// The library's per-process state: the device connection, the started flag, the last failure,
// and the parts that reach the shared block, the mailbox mutex and the interrupt event. One
// instance per process, created on first use and never destroyed.

#include <sys/types.h>

#include <atomic>
#include <string>

#include "client_registry.h"
#include "device_channel.h"
#include "interrupt_service.h"
#include "item_access.h"
#include "last_failure.h"
#include "library_environment.h"
#include "library_start.h"
#include "mailbox_mutex.h"
#include "mcu_mailbox.h"
#include "port_access.h"
#include "shared_block.h"
#include "window_poster.h"

class CLibraryState {
  public:
    static CLibraryState& Instance();

    bool Start();
    bool IsStarted() const { return m_started.load(); }

    // Load step after a successful start: attaches the shared block and registers the
    // interrupt message, in the directory of the device.
    void Attach();
    // Unload step: ends this process's waiting thread, unregisters its remembered window and
    // detaches from the shared objects.
    void Unload();

    CDeviceChannel& Channel() { return m_channel; }
    CLastFailure& Failure() { return m_failure; }
    CPortAccess& Ports() { return m_ports; }
    CMcuMailbox& Mailbox() { return m_mailbox; }
    CItemAccess& Items() { return m_items; }
    CClientRegistry& Registry() { return m_registry; }
    CInterruptService& Interrupts() { return m_interrupts; }

  private:
    CLibraryState();

    CDeviceChannel m_channel;
    // Starts the service again when a request finds it gone, as the start does at load.
    CLibraryEnvironment m_restartEnvironment;
    CServiceRestarter m_restarter;
    CLastFailure m_failure;
    CPortAccess m_ports;
    CMcuMailbox m_mailbox;
    std::string m_deviceDir;   // set by Start
    std::string m_objectsDir;  // set once by Attach
    CNamedMailboxMutex m_mailboxMutex;
    CItemAccess m_items;
    CSharedBlock m_block;
    CClientRegistry m_registry;
    CWindowPoster m_poster;
    CInterruptService m_interrupts;
    std::atomic<bool> m_started{false};
    bool m_attached = false;
    pid_t m_attachedPid = 0;  // a forked child shares the parent's registrations
};

// The folder holding this library, found from its own address; "" when unknown.
std::string LibraryDirectory();
