#pragma once
// Socket fixtures: sockets that someone (or no one) listens on, a raw loopback client, and the
// pid of a process that has ended.

#include <sys/types.h>

#include <string>

// A bound stream socket at path, listening when listen is true (a stale socket file otherwise,
// as a killed service leaves behind); the descriptor, or -1.
int BindUnixStream(const std::string& path, bool listen);
// A raw TCP connection to 127.0.0.1:port; -1 when it cannot connect.
int ConnectLoopback(int port);
// The pid of a child that has already exited and been reaped.
pid_t DeadPid();
