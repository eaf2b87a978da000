#pragma once
// A small service manager: a service is a record file in the state directory naming the
// program that provides it; starting it spawns that program detached; it is running when the
// pid file in its runtime directory names a live process that answers on its socket.

#include <optional>
#include <string>
#include <vector>

#include "unix_socket.h"  // SocketAnswers

struct ServiceRecord {
    std::string name;
    std::string displayName;
    std::string binary;
    std::vector<std::string> arguments;
    std::string startType;   // "boot", "auto" or "demand"
    std::string runtimeDir;  // holds the service's pid file and socket
    std::string socketName;
    std::string pidFileName;
};

class CServiceManager {
  public:
    explicit CServiceManager(std::string stateDir);

    // Makes sure the state directory exists and is usable; false with errno set otherwise.
    bool Open();

    // The record of a service; nullopt with errno ENOENT when there is none, or another errno
    // when the record cannot be read or is damaged.
    std::optional<ServiceRecord> OpenService(const std::string& name) const;
    bool CreateService(const ServiceRecord& record);

    bool IsRunning(const ServiceRecord& record) const;
    // Spawns the service's program in its own session, detached from the caller, with standard
    // output and error appended to "<name>.log" in the state directory. Root starts only a
    // program that nobody but root can change (TrustedProgramPath); otherwise the start is
    // refused, with errno EPERM and the reason in *refusal.
    bool StartService(const ServiceRecord& record, std::string* refusal = nullptr);

    std::string RecordPath(const std::string& name) const;

  private:
    std::string m_stateDir;
};

// Reads a pid file; 0 when missing or not a number.
int ReadPidFile(const std::string& path);
bool ProcessIsAlive(int pid);
