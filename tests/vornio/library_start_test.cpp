#include "library_start.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Scripted start environment that logs every step the algorithm takes.
struct FakeEnvironment : IStartEnvironment {
    bool admin = true;
    bool managerOpens = true;
    bool exists = true;
    bool dirKnown = true;
    bool createWorks = true;
    bool startWorks = true;
    int runningAfterPolls = 0;  // -1: never runs; 0: runs already
    bool deviceOpens = true;
    std::string refusal;  // what CreateService and StartService answer when they fail

    int interrogations = 0;
    bool started = false;
    std::vector<std::string> log;
    std::string createdBinary;

    bool IsAdministrator() override { return admin; }
    bool OpenServiceManager() override {
        log.push_back("manager");
        return managerOpens;
    }
    bool ServiceExists() override {
        log.push_back("open-service");
        return exists;
    }
    bool DriverDirectory(std::string* dir) override {
        log.push_back("directory");
        *dir = "/opt/vorn";
        return dirKnown;
    }
    bool CreateService(const std::string& binary) override {
        log.push_back("create");
        createdBinary = binary;
        return createWorks;
    }
    bool ServiceRunning() override {
        log.push_back("interrogate");
        if (runningAfterPolls < 0)
            return false;
        if (runningAfterPolls == 0)
            return true;
        return started && interrogations++ >= runningAfterPolls;
    }
    bool StartService() override {
        log.push_back("start");
        started = startWorks;
        return startWorks;
    }
    std::string Refusal() override { return refusal; }
    void CloseService() override { log.push_back("close"); }
    void Sleep(unsigned ms) override { log.push_back("sleep " + std::to_string(ms)); }
    bool OpenDevice() override {
        log.push_back("device");
        return deviceOpens;
    }
};

int Count(const std::vector<std::string>& log, const std::string& step) {
    int n = 0;
    for (const auto& s : log)
        n += s == step;
    return n;
}

}  // namespace

TEST(LibraryStart, EachPathEndsWithItsDescription) {
    struct Case {
        const char* name;
        void (*setup)(FakeEnvironment&);
        bool result;
        const char* description;
    };
    const Case cases[] = {
        {"non-administrator opens the device only", [](FakeEnvironment& e) { e.admin = false; },
         true, ""},
        {"non-administrator without a device",
         [](FakeEnvironment& e) {
             e.admin = false;
             e.deviceOpens = false;
         },
         false, "Failed to obtain file handle to device: VORN-IO"},
        {"running service", [](FakeEnvironment&) {}, true, ""},
        {"no service manager", [](FakeEnvironment& e) { e.managerOpens = false; }, false,
         "Could not open Service Control Manager"},
        {"no driver folder",
         [](FakeEnvironment& e) {
             e.exists = false;
             e.dirKnown = false;
         },
         false, "Could not find Windows system directory"},
        {"creation fails",
         [](FakeEnvironment& e) {
             e.exists = false;
             e.createWorks = false;
         },
         false, "Could not create Service!"},
        {"start fails",
         [](FakeEnvironment& e) {
             e.runningAfterPolls = -1;
             e.startWorks = false;
         },
         false, "Could not start VORN-IO.sys"},
        {"never comes up", [](FakeEnvironment& e) { e.runningAfterPolls = -1; }, false,
         "Could not start VORN-IO.sys"},
        {"comes up on the third poll", [](FakeEnvironment& e) { e.runningAfterPolls = 2; }, true,
         ""},
        {"comes up but the device does not open",
         [](FakeEnvironment& e) {
             e.runningAfterPolls = 1;
             e.deviceOpens = false;
         },
         false, "Failed to obtain file handle to device: VORN-IO"},
    };
    for (const auto& c : cases) {
        FakeEnvironment env;
        c.setup(env);
        CLastFailure failure;
        EXPECT_EQ(RunStart(env, failure), c.result) << c.name;
        EXPECT_EQ(failure.Description(), c.description) << c.name;
    }
}

// A program the administrator must not run is refused with a message of its own, unless a
// service that already runs makes running it unnecessary.
TEST(LibraryStart, RefusedProgramIsSaidPlainlyOrPassedByForARunningService) {
    struct Case {
        const char* name;
        void (*setup)(FakeEnvironment&);
        bool result;
        const char* description;
        bool refusal;
    };
    const Case cases[] = {
        {"record refused, nothing runs",
         [](FakeEnvironment& e) {
             e.exists = false;
             e.createWorks = false;
             e.runningAfterPolls = -1;
         },
         false, "Could not create Service!", true},
        {"record refused, a service runs already",
         [](FakeEnvironment& e) {
             e.exists = false;
             e.createWorks = false;
         },
         true, "", false},
        {"recorded program refused at start",
         [](FakeEnvironment& e) {
             e.runningAfterPolls = -1;
             e.startWorks = false;
         },
         false, "Could not start VORN-IO.sys", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEnvironment env;
        c.setup(env);
        env.refusal = "the folder /home/u belongs to user 1000, not root";
        CLastFailure failure;
        EXPECT_EQ(RunStart(env, failure), c.result);
        EXPECT_EQ(failure.Description(), c.description);
        EXPECT_EQ(failure.IsRefusal(), c.refusal);
        if (c.refusal) {
            EXPECT_EQ(failure.Cause(), env.refusal);
            EXPECT_EQ(Count(env.log, "device"), 0);
        }
    }
}

TEST(LibraryStart, NonAdministratorNeverTouchesTheServiceManager) {
    FakeEnvironment env;
    env.admin = false;
    CLastFailure failure;
    ASSERT_TRUE(RunStart(env, failure));
    EXPECT_EQ(env.log, std::vector<std::string>{"device"});
}

TEST(LibraryStart, StoppedServiceIsPolledTenTimesOneSecondApart) {
    FakeEnvironment env;
    env.runningAfterPolls = -1;
    CLastFailure failure;
    ASSERT_FALSE(RunStart(env, failure));
    EXPECT_EQ(Count(env.log, "start"), 1);
    EXPECT_EQ(Count(env.log, "sleep 1000"), 10);
    EXPECT_EQ(Count(env.log, "interrogate"), 11);  // the first query, then one per round
    EXPECT_EQ(env.log.back(), "close");
    EXPECT_EQ(Count(env.log, "device"), 0);
}

TEST(LibraryStart, MissingServiceIsCreatedFromTheDriverFolderThenStarted) {
    FakeEnvironment env;
    env.exists = false;
    env.runningAfterPolls = 1;
    CLastFailure failure;
    ASSERT_TRUE(RunStart(env, failure));
    EXPECT_EQ(env.createdBinary, "/opt/vorn/vorn-iod");
    std::vector<std::string> expected{"manager",     "open-service", "directory",  "create",
                                      "interrogate", "start",        "sleep 1000", "interrogate",
                                      "sleep 1000",  "interrogate",  "device"};
    EXPECT_EQ(env.log, expected);
}

TEST(LibraryRestart, OnlyTheAdministratorStartsAServiceThatIsNotRunning) {
    struct Case {
        const char* name;
        void (*setup)(FakeEnvironment&);
        bool started;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"stopped service is started without waiting for it",
         [](FakeEnvironment& e) { e.runningAfterPolls = -1; },
         true,
         {"manager", "open-service", "interrogate", "start"}},
        {"missing record is created as at load, then started",
         [](FakeEnvironment& e) {
             e.exists = false;
             e.runningAfterPolls = -1;
         },
         true,
         {"manager", "open-service", "directory", "create", "interrogate", "start"}},
        {"running service is left alone",
         [](FakeEnvironment&) {},
         false,
         {"manager", "open-service", "interrogate"}},
        {"non-administrator touches nothing",
         [](FakeEnvironment& e) { e.admin = false; },
         false,
         {}},
        {"no service manager",
         [](FakeEnvironment& e) { e.managerOpens = false; },
         false,
         {"manager"}},
    };
    for (const auto& c : cases) {
        FakeEnvironment env;
        c.setup(env);
        EXPECT_EQ(RunRestart(env), c.started) << c.name;
        EXPECT_EQ(env.log, c.log) << c.name;
    }
}

TEST(LibraryRestart, AtMostOneStartAttemptPerSecond) {
    int64_t now = 5000000000;
    CServiceRestarter restarter([&] { return now; });
    FakeEnvironment env;
    env.runningAfterPolls = -1;
    // One monitoring pass: every access finds the service gone.
    for (int access = 0; access < 160; ++access) {
        restarter.OnNoService(env);
        now += 1000000;  // 1 ms apart
    }
    EXPECT_EQ(Count(env.log, "start"), 1);
    EXPECT_EQ(Count(env.log, "manager"), 1) << "a limited attempt does not even ask";
    now = 5000000000 + RESTART_INTERVAL_NS - 1;
    EXPECT_FALSE(restarter.OnNoService(env));
    now = 5000000000 + RESTART_INTERVAL_NS;
    EXPECT_TRUE(restarter.OnNoService(env));
    EXPECT_EQ(Count(env.log, "start"), 2);
    EXPECT_EQ(Count(env.log, "sleep 1000"), 0);
}

TEST(LastFailure, DiagnosticLineCarriesTheErrorCode) {
    CLastFailure failure;
    failure.Record("Error occured in InPortB", 111);
    EXPECT_EQ(failure.Description(), "Error occured in InPortB");
    EXPECT_EQ(failure.DiagnosticLine(), "Description: Error occured in InPortB, ErrCode:111");
    std::string longText(400, 'x');
    failure.Record(longText.c_str(), 0);
    EXPECT_EQ(failure.Description().size(), CLastFailure::DESCRIPTION_SIZE - 1);
}
