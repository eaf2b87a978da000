#pragma once
// Unix-domain stream socket plumbing shared by the library, the driver service and its tools.

#include <sys/un.h>

#include <cstddef>
#include <string>

// Fills addr for path; false with errno ENAMETOOLONG when the path does not fit.
bool MakeUnixAddress(const std::string& path, sockaddr_un* addr);
// A connected, close-on-exec stream socket in blocking mode, or -1 with errno set. Never waits:
// a listener whose backlog is full (a stopped or hung service) fails with EAGAIN.
int ConnectUnixStream(const std::string& path);
// Whether something accepts a connection at path now; a full backlog does not.
bool SocketAnswers(const std::string& path);
// Sends every byte, retrying after signals; never raises SIGPIPE.
bool SendAll(int fd, const void* data, size_t size);
