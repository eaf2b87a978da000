#pragma once
// The interrupt event and the waiting thread. The first successful RegisterEvent of any process
// creates the named event "Helmo_Interrupt", hands its handle to the driver service and starts
// the one waiting thread of the system in its process. On each signal the thread counts the
// interrupt, reads the pending sources from the microcontroller, posts the interrupt message to
// every registered window and acknowledges the interrupt.
//
// The thread handle in the shared block is the thread's kernel id; the block's second page
// names the process it runs in, so that a thread whose process has ended (or unloaded the
// library) is known to be gone and a later RegisterEvent starts a new one.

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "client_registry.h"
#include "device_io.h"
#include "item_access.h"
#include "last_failure.h"
#include "named_event.h"
#include "shared_block.h"
#include "window_poster.h"

inline constexpr const char* INTERRUPT_EVENT_NAME = "Helmo_Interrupt";
inline constexpr const char* INTERRUPT_MESSAGE_NAME = "GX4410_INTERRUPTED";

class CInterruptService {
  public:
    struct SParts {
        CSharedBlockView& block;
        IDeviceIo& device;
        std::function<void()> closeDevice;  // a failed registration closes the device
        CItemAccess& items;
        IWindowPoster& poster;
        CLastFailure& failure;
        const std::string& dir;  // where the named event lives
    };

    explicit CInterruptService(SParts parts);
    ~CInterruptService();
    CInterruptService(const CInterruptService&) = delete;
    CInterruptService& operator=(const CInterruptService&) = delete;

    void SetMessageId(uint32_t id) { m_messageId = id; }
    uint32_t MessageId() const { return m_messageId; }

    // The driver request's result when the event was registered now; 0 when it was registered
    // already or the registration failed.
    int RegisterEvent();
    bool IsEventRegistered();
    uint32_t GetRegisteredEventHandle();
    // Posts the interrupt message with wParam code to every registered window, in slot order.
    void SendMsgToClient(uint8_t code);
    // Ends the waiting thread when it runs in this process, or forgets it when its process is
    // gone; false when it runs in another live process. True when there is none.
    bool ExitWaitingThread();
    int GetInterruptCount();

    // The unload step's part: ends this process's waiting thread and gives up the event.
    void Unload();
    // Whether this process runs the waiting thread.
    bool RunsWaitingThread() const;

  private:
    // Under the table lock.
    bool StartThreadLocked();
    void StopOwnThread();
    void Run();

    SParts m_parts;
    std::atomic<uint32_t> m_messageId{0};
    CNamedEvent m_event;
    mutable std::mutex m_threadLock;  // guards m_thread and m_threadId
    std::thread m_thread;
    uint32_t m_threadId = 0;
    std::atomic<bool> m_stop{false};
    int m_stopFd = -1;
};
