#include "library_state.h"

#include <dlfcn.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "library_environment.h"
#include "runtime_objects.h"
#include "window_message_names.h"

namespace {

void SleepMs(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace

CLibraryState& CLibraryState::Instance() {
    // Never destroyed: exports may still be called from other libraries' destructors.
    static CLibraryState* state = new CLibraryState();
    return *state;
}

CLibraryState::CLibraryState()
    : m_restartEnvironment(m_channel, LibraryDirectory()),
      m_ports(m_channel, m_failure),
      m_mailbox(m_ports, SleepMs),
      m_mailboxMutex(m_objectsDir),
      m_items(m_channel, m_mailboxMutex, m_failure),
      m_registry(m_block.View()),
      m_poster(m_objectsDir),
      m_interrupts({m_block.View(), m_channel, [this] { m_channel.Close(); }, m_items, m_poster,
                    m_failure, m_objectsDir}) {
    // A fork and exec of a detached child at most once a second: milliseconds, so it may run
    // under the channel's lock.
    m_channel.SetNoServiceHandler([this] { m_restarter.OnNoService(m_restartEnvironment); });
}

bool CLibraryState::Start() {
    CLibraryEnvironment env(m_channel, LibraryDirectory());
    bool ok = RunStart(env, m_failure);
    if (ok) {
        if (!m_attached)
            m_deviceDir = env.DeviceDirectory();
        m_started = true;
    }
    return ok;
}

void CLibraryState::Attach() {
    if (m_attached)
        return;
    m_attached = true;
    m_attachedPid = ::getpid();
    m_objectsDir = m_deviceDir;
    // Without the block the registry and interrupt exports answer as for an empty table; why
    // is said where the library's diagnostics go.
    if (!m_block.Attach(m_objectsDir)) {
        const int error = errno;
        std::string why;
        if (!CheckObjectDirectory(m_objectsDir, nullptr, &why))
            why = "the shared block cannot be made: " + why;
        else
            why =
                "the shared block in " + m_objectsDir + " cannot be used: " + std::strerror(error);
        if (std::getenv("VORNIO_TRACE"))
            std::fprintf(stderr, "vorn-io: %s\n", why.c_str());
        else
            syslog(LOG_WARNING, "%s", why.c_str());
    }
    m_interrupts.SetMessageId(RegisterWindowMessage(m_objectsDir, INTERRUPT_MESSAGE_NAME));
}

void CLibraryState::Unload() {
    if (!m_attached)
        return;
    // A child forked without exec ends without taking its parent's window or thread along.
    if (::getpid() != m_attachedPid) {
        m_block.Detach();
        return;
    }
    m_interrupts.Unload();
    m_registry.UnregisterLast();
    m_block.Detach();
    m_mailboxMutex.Close();
}

std::string LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || !info.dli_fname) {
        return "";
    }
    char resolved[4096];
    if (!realpath(info.dli_fname, resolved))
        return "";
    std::string path = resolved;
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}
