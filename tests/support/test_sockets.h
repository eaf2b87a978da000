#pragma once
// Fixtures of the runtime-directory tests: sockets that someone (or no one) listens on, and the
// pid of a process that has ended.

#include <sys/types.h>

#include <string>

// A bound stream socket at path, listening when listen is true (a stale socket file otherwise,
// as a killed service leaves behind); the descriptor, or -1.
int BindUnixStream(const std::string& path, bool listen);
// The pid of a child that has already exited and been reaped.
pid_t DeadPid();
