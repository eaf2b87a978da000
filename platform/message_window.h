#pragma once
// A window of this process as other processes see it: a handle they post messages to (see
// window_message.h) and a queue the program reads. Fd() becomes readable when a message waits,
// so the queue joins any poll-based event loop.

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "window_message.h"

class CMessageWindow {
  public:
    CMessageWindow() = default;
    ~CMessageWindow() { Destroy(); }
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;

    // Picks an unused handle and opens its queue in dir. false (errno set) when it cannot.
    bool Create(const std::string& dir);
    // Closes the queue; later posts to the handle fail.
    void Destroy();

    uint32_t Handle() const { return m_handle; }
    int Fd() const { return m_fd; }
    // Takes the next message without waiting; false when none is queued. Datagrams that are
    // not a message for this window are dropped, and so are those whose sender is not root,
    // this user or a member of the directory's group (the kernel vouches for the sender), so
    // no one else can forge an interrupt message.
    bool Receive(SWindowMessage* message);

  private:
    std::string m_path;
    gid_t m_group = 0;  // the directory's group: the library's clients
    uint32_t m_handle = 0;
    int m_fd = -1;
};
