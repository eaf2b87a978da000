#pragma once
// The service's runtime directory: its sockets and its pid file. One vorn-iod owns a directory
// at a time; it holds a lock on the pid file for as long as it runs, so a second one started on
// the same directory refuses, while files left by a dead one are replaced.

#include <sys/types.h>

#include <string>

#include "runtime_paths.h"  // the socket names, which the library shares
#include "unique_fd.h"

inline constexpr const char* PID_FILE_NAME = DRIVER_PID_FILE_NAME;

class CRuntimeDir {
  public:
    explicit CRuntimeDir(std::string dir) : m_dir(std::move(dir)) {}
    ~CRuntimeDir() { Release(); }
    CRuntimeDir(const CRuntimeDir&) = delete;
    CRuntimeDir& operator=(const CRuntimeDir&) = delete;

    // Creates the directory when missing (taking others' write permission from an existing one)
    // and takes it over. Fails when another live vorn-iod
    // owns it: the pid file is locked, or it names a live process that answers on the socket.
    bool Claim(std::string* error);
    // Writes this process's id into the pid file, once the sockets answer.
    bool WritePid(std::string* error);
    // Removes the pid file and gives the directory up.
    void Release();

    std::string PathOf(const char* name) const { return m_dir + "/" + name; }

  private:
    bool OpenLockedPidFile(std::string* error);

    std::string m_dir;
    CUniqueFd m_pidFd;
};

// True when pid names a running process and something accepts connections at socketPath.
bool IsLiveService(pid_t pid, const std::string& socketPath);
