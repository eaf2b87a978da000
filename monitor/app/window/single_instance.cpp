#include "single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include "window_message.h"

bool PostToOwnWindow(const std::string& dir, uint32_t handle, uint32_t message) {
    if (handle == 0)
        return false;
    struct stat st {};
    const std::string path = WindowSocketPath(dir, handle);
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return PostWindowMessage(dir, {handle, message, 0, 0});
}

CSingleInstance::CSingleInstance(const std::string& appName, const std::string& dir)
    : m_checker(appName, dir) {
    const std::string& object = m_checker.ObjectPath();
    m_dir = object.substr(0, object.rfind('/'));
}

EWindowInstance CSingleInstance::Claim(std::string* error) {
    // The window's queue exists before its handle is published, so a later start never finds
    // a handle nobody reads.
    if (!m_window.Create(m_dir) && error != nullptr)
        *error = "cannot open a message queue in " + m_dir;
    uint32_t running = 0;
    switch (m_checker.Claim(m_window.Handle(), &running, error)) {
        case EInstanceClaim::First:
            return EWindowInstance::First;
        case EInstanceClaim::AlreadyRunning:
            m_window.Destroy();
            return PostToOwnWindow(m_dir, running, BRING_FORWARD_MESSAGE)
                       ? EWindowInstance::BroughtForward
                       : EWindowInstance::AlreadyRunning;
        case EInstanceClaim::Failed:
            break;
    }
    return EWindowInstance::Failed;
}

void CSingleInstance::Listen() {
    if (m_window.Fd() < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_window.Fd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        SWindowMessage message;
        while (m_window.Receive(&message)) {
            if (message.message == BRING_FORWARD_MESSAGE)
                emit BringForward();
        }
    });
}
