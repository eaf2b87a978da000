#include "service_manager.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "atomic_file.h"
#include "runtime_paths.h"
#include "trusted_file.h"
#include "trusted_program.h"
#include "unix_socket.h"

namespace {

bool MakeDirs(const std::string& path, mode_t mode) {
    std::string partial;
    std::stringstream ss(path);
    std::string part;
    if (!path.empty() && path[0] == '/')
        partial = '/';
    while (std::getline(ss, part, '/')) {
        if (part.empty())
            continue;
        partial += part + "/";
        if (mkdir(partial.c_str(), mode) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Record values are single lines; a newline in one would forge another key.
bool IsSingleLine(const std::string& s) {
    return s.find('\n') == std::string::npos;
}

}  // namespace

CServiceManager::CServiceManager(std::string stateDir) : m_stateDir(std::move(stateDir)) {}

bool CServiceManager::Open() {
    if (!MakeDirs(m_stateDir, 0755))
        return false;
    return access(m_stateDir.c_str(), R_OK | W_OK | X_OK) == 0;
}

namespace {
constexpr off_t MAX_RECORD_SIZE = 64 * 1024;
}  // namespace

std::string CServiceManager::RecordPath(const std::string& name) const {
    return JoinPath(m_stateDir, name + ".service");
}

std::optional<ServiceRecord> CServiceManager::OpenService(const std::string& name) const {
    // The record names the binary the administrator's start runs: only a record root (or this
    // user) owns, in a folder no one else may write, and no link, is believed.
    std::string why;
    auto text = ReadTrustedFile(RecordPath(name), MAX_RECORD_SIZE, &why);
    if (!text) {
        if (errno == 0)
            errno = ENOENT;
        return std::nullopt;
    }
    std::istringstream in(*text);
    ServiceRecord r;
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "Name")
            r.name = value;
        else if (key == "DisplayName")
            r.displayName = value;
        else if (key == "Binary")
            r.binary = value;
        else if (key == "Argument")
            r.arguments.push_back(value);
        else if (key == "StartType")
            r.startType = value;
        else if (key == "RuntimeDir")
            r.runtimeDir = value;
        else if (key == "Socket")
            r.socketName = value;
        else if (key == "PidFile")
            r.pidFileName = value;
    }
    if (r.name != name || r.binary.empty() || r.runtimeDir.empty() || r.socketName.empty() ||
        r.pidFileName.empty()) {
        errno = EINVAL;
        return std::nullopt;
    }
    return r;
}

bool CServiceManager::CreateService(const ServiceRecord& r) {
    std::ostringstream out;
    out << "Name=" << r.name << "\nDisplayName=" << r.displayName << "\nBinary=" << r.binary
        << "\n";
    for (const auto& a : r.arguments)
        out << "Argument=" << a << "\n";
    out << "StartType=" << r.startType << "\nRuntimeDir=" << r.runtimeDir
        << "\nSocket=" << r.socketName << "\nPidFile=" << r.pidFileName << "\n";
    std::string text = out.str();
    for (const std::string* s : {&r.name, &r.displayName, &r.binary, &r.runtimeDir}) {
        if (!IsSingleLine(*s)) {
            errno = EINVAL;
            return false;
        }
    }
    for (const auto& a : r.arguments) {
        if (!IsSingleLine(a)) {
            errno = EINVAL;
            return false;
        }
    }
    // A reader never sees half a record.
    return AtomicWriteFile(RecordPath(r.name), text);
}

int ReadPidFile(const std::string& path) {
    std::ifstream in(path);
    long pid = 0;
    if (!(in >> pid) || pid <= 0 || pid > 0x7FFFFFFF)
        return 0;
    return static_cast<int>(pid);
}

bool ProcessIsAlive(int pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

bool CServiceManager::IsRunning(const ServiceRecord& r) const {
    int pid = ReadPidFile(JoinPath(r.runtimeDir, r.pidFileName));
    return ProcessIsAlive(pid) && SocketAnswers(JoinPath(r.runtimeDir, r.socketName));
}

bool CServiceManager::StartService(const ServiceRecord& r, std::string* refusal) {
    std::string binary = r.binary;
    if (::geteuid() == 0) {
        // Checked before every start, not only when the record was made: a folder may have
        // changed hands since, or the record may come from an older installation.
        std::string why;
        auto trusted = TrustedProgramPath(r.binary, &why);
        if (!trusted) {
            if (refusal != nullptr)
                *refusal = why;
            errno = EPERM;
            return false;
        }
        binary = *trusted;
    }
    if (access(binary.c_str(), X_OK) != 0)
        return false;
    std::string logPath = JoinPath(m_stateDir, r.name + ".log");

    std::vector<std::string> argv{binary};
    argv.insert(argv.end(), r.arguments.begin(), r.arguments.end());
    std::vector<char*> cargv;
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // The double fork leaves the service a child of init, in a session of its own, so it
        // outlives the caller and never becomes its zombie.
        setsid();
        if (fork() != 0)
            _exit(0);
        int devnull = ::open("/dev/null", O_RDONLY);
        int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (devnull >= 0)
            dup2(devnull, 0);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        for (int fd = 3; fd < 1024; ++fd)
            ::close(fd);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(cargv[0], cargv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
