#pragma once
// A listening Unix stream socket bound to a path, non-blocking, with a fixed file mode. The
// socket's owner and group decide which peers the service accepts.

#include <sys/types.h>

#include <string>

#include "peer_identity.h"
#include "unique_fd.h"

class CListenSocket {
  public:
    // Replaces a leftover socket file at path; refuses any other kind of file there.
    bool Open(const std::string& path, mode_t mode, std::string* error);
    void Close();  // closes and removes the socket file

    int Fd() const { return m_fd.Get(); }
    const std::string& Path() const { return m_path; }
    // Owner and group of the socket file now (an administrator may change them while the
    // service runs); those at bind time if the file cannot be examined.
    SocketOwner Owner() const;

  private:
    CUniqueFd m_fd;
    std::string m_path;
    SocketOwner m_boundOwner;
};
