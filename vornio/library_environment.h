#pragma once
// The start steps on this system: root is the administrator, the service manager keeps its
// records in the state directory, and the driver binary lies beside the library.

#include <optional>
#include <string>

#include "device_channel.h"
#include "library_start.h"
#include "service_manager.h"

class CLibraryEnvironment : public IStartEnvironment {
  public:
    CLibraryEnvironment(CDeviceChannel& channel, std::string libraryDir);

    bool IsAdministrator() override;
    bool OpenServiceManager() override;
    bool ServiceExists() override;
    bool DriverDirectory(std::string* dir) override;
    bool CreateService(const std::string& binary) override;
    bool ServiceRunning() override;
    bool StartService() override;
    std::string Refusal() override { return m_refusal; }
    void CloseService() override;
    void Sleep(unsigned milliseconds) override;
    bool OpenDevice() override;
    std::string DeviceProblem(int error) override;

    // The directory of the device socket: the service record's when root installed it, else
    // the runtime directory of the environment. The library's named objects live there too.
    std::string DeviceDirectory() const;

  private:
    // The record this environment makes for `binary`.
    ServiceRecord NewRecord(const std::string& binary) const;

    CDeviceChannel& m_channel;
    std::string m_libraryDir;
    std::string m_runtimeDir;
    CServiceManager m_manager;
    std::optional<ServiceRecord> m_service;
    std::string m_refusal;
};

inline constexpr const char* SERVICE_NAME = "VORN-IO";

// What is wrong at the device socket `path`, after a connection to it failed with `error`.
std::string DescribeDeviceProblem(const std::string& path, int error);
