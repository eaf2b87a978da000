#include "library_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "printable_path.h"
#include "runtime_paths.h"
#include "trusted_program.h"

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

ServiceRecord CLibraryEnvironment::NewRecord(const std::string& binary) const {
    ServiceRecord r;
    r.name = SERVICE_NAME;
    r.displayName = SERVICE_NAME;
    r.binary = binary;
    r.arguments = {"--backend", VornioBackend(), "--runtime-dir", m_runtimeDir};
    r.startType = "boot";
    r.runtimeDir = m_runtimeDir;
    r.socketName = DEVICE_SOCKET_NAME;
    r.pidFileName = DRIVER_PID_FILE_NAME;
    return r;
}

bool CLibraryEnvironment::CreateService(const std::string& binary) {
    m_refusal.clear();
    // The record is one line per value: a program folder whose name has a line break cannot be
    // written into it, and the user must learn which folder that is.
    if (binary.find('\n') != std::string::npos) {
        const std::string folder = binary.substr(0, binary.rfind('/') + 1);
        m_refusal = "the program folder \"" + PrintablePath(folder) +
                    "\" has a line break in its name, which the driver service's record cannot "
                    "hold; move the program to a folder without one";
        errno = EINVAL;
        return false;
    }
    // The record makes every later start by root, at boot too, run this program.
    std::string why;
    auto trusted = TrustedProgramPath(binary, &why);
    if (!trusted) {
        m_refusal = "refusing to record " + PrintablePath(binary) +
                    " as the driver service, which runs as root: " + why +
                    ". Only a program that nobody but root can change is run as root";
        errno = EPERM;
        return false;
    }
    ServiceRecord r = NewRecord(*trusted);
    if (!m_manager.CreateService(r))
        return false;
    m_service = r;
    return true;
}

bool CLibraryEnvironment::ServiceRunning() {
    return m_manager.IsRunning(m_service ? *m_service : NewRecord(""));
}

bool CLibraryEnvironment::StartService() {
    m_refusal.clear();
    if (!m_service)
        return false;
    std::string why;
    if (m_manager.StartService(*m_service, &why))
        return true;
    if (!why.empty()) {
        m_refusal = "refusing to start " + PrintablePath(m_service->binary) +
                    ", the driver service's recorded program, as root: " + why +
                    ". Only a program that nobody but root can change is run as root";
    }
    return false;
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

std::string DescribeDeviceProblem(const std::string& path, int error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return "there is no service socket " + path + ": vorn-iod is not running there";
        return "cannot look at " + path + ": " + std::strerror(errno);
    }
    if (!S_ISSOCK(st.st_mode)) {
        const char* what = S_ISREG(st.st_mode)    ? "a regular file"
                           : S_ISDIR(st.st_mode)  ? "a directory"
                           : S_ISLNK(st.st_mode)  ? "a symbolic link"
                           : S_ISFIFO(st.st_mode) ? "a FIFO"
                                                  : "not a socket";
        return path + " is " + what + ", not the service's socket";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    switch (error) {
        case EACCES:
        case EPERM:
            return "permission denied on " + path + " (owner uid " + std::to_string(st.st_uid) +
                   ", group " + std::to_string(st.st_gid) + ", mode " + mode +
                   "): this user is not allowed to use the service";
        case ECONNREFUSED:
            return "nothing listens on " + path + ": vorn-iod has stopped";
        case EAGAIN:
            return "vorn-iod at " + path + " takes no more connections";
        default:
            return "cannot connect to " + path + ": " + std::strerror(error);
    }
}

std::string CLibraryEnvironment::DeviceProblem(int error) {
    return DescribeDeviceProblem(JoinPath(DeviceDirectory(), DEVICE_SOCKET_NAME), error);
}

bool CLibraryEnvironment::OpenDevice() {
    return m_channel.Open(JoinPath(DeviceDirectory(), DEVICE_SOCKET_NAME));
}
