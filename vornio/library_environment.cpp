#include "library_environment.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "runtime_paths.h"

CLibraryEnvironment::CLibraryEnvironment(CDeviceChannel& channel, std::string libraryDir)
    : m_channel(channel),
      m_libraryDir(std::move(libraryDir)),
      m_runtimeDir(VornioRuntimeDir()),
      m_manager(VornioStateDir()) {}

bool CLibraryEnvironment::IsAdministrator() {
    return geteuid() == 0;
}

bool CLibraryEnvironment::OpenServiceManager() {
    return m_manager.Open();
}

bool CLibraryEnvironment::ServiceExists() {
    m_service = m_manager.OpenService(SERVICE_NAME);
    return m_service.has_value();
}

bool CLibraryEnvironment::DriverDirectory(std::string* dir) {
    if (m_libraryDir.empty()) {
        errno = ENOENT;
        return false;
    }
    *dir = m_libraryDir;
    return true;
}

bool CLibraryEnvironment::CreateService(const std::string& binary) {
    ServiceRecord r;
    r.name = SERVICE_NAME;
    r.displayName = SERVICE_NAME;
    r.binary = binary;
    r.arguments = {"--backend", VornioBackend(), "--runtime-dir", m_runtimeDir};
    r.startType = "boot";
    r.runtimeDir = m_runtimeDir;
    r.socketName = DEVICE_SOCKET_NAME;
    r.pidFileName = DRIVER_PID_FILE_NAME;
    if (!m_manager.CreateService(r))
        return false;
    m_service = r;
    return true;
}

bool CLibraryEnvironment::ServiceRunning() {
    return m_service && m_manager.IsRunning(*m_service);
}

bool CLibraryEnvironment::StartService() {
    return m_service && m_manager.StartService(*m_service);
}

void CLibraryEnvironment::CloseService() {
    m_service.reset();
}

void CLibraryEnvironment::Sleep(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::string CLibraryEnvironment::DeviceDirectory() const {
    // The device lives where the service record says when root installed it; a client that is
    // not root uses the runtime directory of its environment.
    return m_service ? m_service->runtimeDir : m_runtimeDir;
}

bool CLibraryEnvironment::OpenDevice() {
    return m_channel.Open(JoinPath(DeviceDirectory(), DEVICE_SOCKET_NAME));
}
