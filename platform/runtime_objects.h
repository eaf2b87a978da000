#pragma once
// Checks on the runtime directory and the objects that clients of the library share in it (the
// shared block, named mutexes and events, window sockets, the message-name list). The
// directory must be one only trusted users can write: owned by root or by this user and not
// writable by others (a group of the library's clients may write it). An object found there is
// used only when it has the expected type and others may not write it; it belongs to this user,
// to root or to the directory's group. Waits for the locks on those objects are bounded, so a
// process that holds one forever cannot hang everyone else.

#include <sys/stat.h>

#include <string>

// How long a lock on a shared object is waited for.
inline constexpr int OBJECT_LOCK_TIMEOUT_MS = 2000;

// False with errno EPERM (and *why, when given) for a directory objects must not be made in.
bool CheckObjectDirectory(const std::string& dir, struct stat* dirStat, std::string* why = nullptr);

// False with errno EPERM (and *why) unless the open object fd is of `type` (S_IFREG, S_IFIFO,
// ...), not writable by others and owned by this user, root or the directory's group.
bool CheckObjectFile(int fd, mode_t type, const struct stat& dirStat, std::string* why = nullptr);

// flock(fd, operation) that gives up after timeoutMs with errno ETIMEDOUT.
bool LockWithin(int fd, int operation, int timeoutMs = OBJECT_LOCK_TIMEOUT_MS);
