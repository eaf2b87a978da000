#pragma once
// Integration tests of libvorn-io.so: a vorn-iod on the simulated board for each test, client
// processes (vornio-probe or another client program) in its runtime directory with the
// library's diagnostic lines on their standard error, and vornsim to drive the board.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "daemon.h"
#include "probe_process.h"
#include "run_program.h"
#include "temp_dir.h"

class CLibraryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
    }

    CProbeProcess::Options ClientOptions(const std::string& name) {
        CProbeProcess::Options o;
        o.env = {{"VORNIO_RUNTIME_DIR", m_daemon.RuntimeDir()},
                 {"VORNIO_STATE_DIR", m_state.Path()},
                 {"VORNIO_TRACE", "1"}};
        o.stderrPath = ErrPath(name);
        return o;
    }

    // A started vornio-probe; name names its standard error file.
    std::unique_ptr<CProbeProcess> StartClient(const std::string& name = "probe") {
        auto probe = std::make_unique<CProbeProcess>(ClientOptions(name));
        EXPECT_TRUE(probe->Start());
        EXPECT_EQ(probe->Ask("started"), "1") << Err(name);
        return probe;
    }

    std::string ErrPath(const std::string& name) const { return m_state.PathOf(name + ".err"); }
    std::string Err(const std::string& name) const {
        std::ifstream in(ErrPath(name));
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Runs vornsim with the words of line; its standard output.
    std::string Sim(const std::string& line) {
        std::vector<std::string> argv{std::string(VORN_BIN_DIR) + "/vornsim"};
        std::istringstream words(line);
        for (std::string w; words >> w;)
            argv.push_back(w);
        ProgramResult r = RunProgram(argv, {"VORNIO_RUNTIME_DIR=" + m_daemon.RuntimeDir()});
        EXPECT_EQ(r.exitCode, 0) << line << ": " << r.err;
        return r.out;
    }

    // Polls until condition holds (10 s at most).
    static bool WaitFor(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Waits until the microcontroller has no interrupt entry left unacknowledged.
    bool WaitAcknowledged() {
        return WaitFor([&] { return Sim("mcu").find("pending: none") != std::string::npos; });
    }

    CDaemon m_daemon{{"--no-drift", "--seed", "7"}};
    CTempDir m_state;
};
