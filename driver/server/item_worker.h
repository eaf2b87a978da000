#pragma once
// Runs the microcontroller's item transfers on a thread of their own, so that a transfer that
// waits for a silent microcontroller (up to 250 ms) holds up no other request. The mailbox is
// one device: transfers run one at a time, in the order they were handed in. Each carries the
// ticket of the connection that asked for it; finished answers wait here until the service
// loop takes them, and Fd() is readable while some wait.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device_wire.h"
#include "mcu_request.h"
#include "unique_fd.h"

class CItemWorker {
  public:
    using Runner = std::function<vornio::DeviceAnswer(const SMcuRequest&)>;

    struct SFinished {
        uint64_t ticket = 0;
        vornio::DeviceAnswer answer;
    };

    // runner performs one transfer; it is called on the worker's thread only.
    explicit CItemWorker(Runner runner) : m_runner(std::move(runner)) {}
    ~CItemWorker() { Stop(); }
    CItemWorker(const CItemWorker&) = delete;
    CItemWorker& operator=(const CItemWorker&) = delete;

    // Creates the descriptor and starts the thread; false with the reason in *error.
    bool Start(std::string* error);
    // Drops the transfers not yet begun, lets the running one end and joins the thread.
    void Stop();

    // Readable while finished answers wait; -1 before Start.
    int Fd() const { return m_readyFd.Get(); }
    void Submit(uint64_t ticket, SMcuRequest request);
    // The client behind ticket has left: a transfer of its that has not begun never runs. A
    // running one ends as usual, and its answer comes back for nobody.
    void Cancel(uint64_t ticket);
    // The answers finished since the last call, in the order they finished.
    std::vector<SFinished> TakeFinished();

  private:
    struct SJob {
        uint64_t ticket;
        SMcuRequest request;
    };

    void Loop();

    Runner m_runner;
    CUniqueFd m_readyFd;  // an eventfd
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SJob> m_queue;
    std::vector<SFinished> m_finished;
    bool m_stopping = false;
    std::thread m_thread;
};
