#include "library_start.h"

#include <time.h>

#include <cerrno>

namespace {

// The service manager and the service's record, created when missing. The failing step's
// description, or nullptr when the record is there.
const char* OpenOrCreateService(IStartEnvironment& env) {
    if (!env.OpenServiceManager())
        return "Could not open Service Control Manager";
    if (env.ServiceExists())
        return nullptr;
    std::string dir;
    if (!env.DriverDirectory(&dir))
        return "Could not find Windows system directory";
    std::string binary = dir;
    if (binary.empty() || binary.back() != '/')
        binary += '/';
    binary += DRIVER_BINARY_NAME;
    if (!env.CreateService(binary))
        return "Could not create Service!";
    return nullptr;
}

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

bool RunStart(IStartEnvironment& env, CLastFailure& failure) {
    // A non-administrator cannot touch the service: it must already run.
    if (env.IsAdministrator()) {
        if (const char* description = OpenOrCreateService(env)) {
            const std::string refusal = env.Refusal();
            if (refusal.empty()) {
                failure.Record(description);
                return false;
            }
            // Nothing of that folder is recorded or run; a service that runs already serves.
            if (!env.ServiceRunning()) {
                failure.RecordRefusal(description, refusal);
                return false;
            }
        } else if (!env.ServiceRunning()) {
            bool running = false;
            const bool asked = env.StartService();
            if (asked) {
                for (int round = 0; round < START_POLL_ROUNDS && !running; ++round) {
                    env.Sleep(START_POLL_INTERVAL_MS);
                    running = env.ServiceRunning();
                }
            }
            if (!running) {
                const std::string refusal = asked ? "" : env.Refusal();
                if (refusal.empty())
                    failure.Record("Could not start VORN-IO.sys");
                else
                    failure.RecordRefusal("Could not start VORN-IO.sys", refusal);
                env.CloseService();
                return false;
            }
        }
    }
    if (!env.OpenDevice()) {
        const int error = errno;
        failure.Record("Failed to obtain file handle to device: VORN-IO",
                       static_cast<unsigned>(error), env.DeviceProblem(error));
        return false;
    }
    return true;
}

bool RunRestart(IStartEnvironment& env) {
    if (!env.IsAdministrator())
        return false;
    if (OpenOrCreateService(env) != nullptr || env.ServiceRunning())
        return false;
    return env.StartService();
}

CServiceRestarter::CServiceRestarter(std::function<int64_t()> monotonicNs)
    : m_now(monotonicNs ? std::move(monotonicNs) : MonotonicNs) {}

bool CServiceRestarter::OnNoService(IStartEnvironment& env) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int64_t now = m_now();
    if (m_attempted && now - m_lastAttempt < RESTART_INTERVAL_NS)
        return false;
    m_attempted = true;
    m_lastAttempt = now;
    return RunRestart(env);
}
