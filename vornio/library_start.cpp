#include "library_start.h"

bool RunStart(IStartEnvironment& env, CLastFailure& failure) {
    // A non-administrator cannot touch the service: it must already run.
    if (env.IsAdministrator()) {
        if (!env.OpenServiceManager()) {
            failure.Record("Could not open Service Control Manager");
            return false;
        }
        if (!env.ServiceExists()) {
            std::string dir;
            if (!env.DriverDirectory(&dir)) {
                failure.Record("Could not find Windows system directory");
                return false;
            }
            std::string binary = dir;
            if (binary.empty() || binary.back() != '/')
                binary += '/';
            binary += DRIVER_BINARY_NAME;
            if (!env.CreateService(binary)) {
                failure.Record("Could not create Service!");
                return false;
            }
        }
        if (!env.ServiceRunning()) {
            bool running = false;
            if (env.StartService()) {
                for (int round = 0; round < START_POLL_ROUNDS && !running; ++round) {
                    env.Sleep(START_POLL_INTERVAL_MS);
                    running = env.ServiceRunning();
                }
            }
            if (!running) {
                failure.Record("Could not start VORN-IO.sys");
                env.CloseService();
                return false;
            }
        }
    }
    if (!env.OpenDevice()) {
        failure.Record("Failed to obtain file handle to device: VORN-IO");
        return false;
    }
    return true;
}
