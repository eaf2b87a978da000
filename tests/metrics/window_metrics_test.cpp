// The window front end exports the same metrics as the console: vornpilot --window under the
// test's Xvfb, a real vorn-iod, scraped over loopback and written to a file.

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <QThread>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "daemon.h"
#include "exposition_parser.h"
#include "monitor_environment.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

TEST(WindowMetrics, TheWindowServesAndWritesTheMetricsOfItsPasses) {
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CTempDir dir;
    std::vector<std::string> env = MonitorEnvironment(daemon.RuntimeDir(), dir, "true");
    for (std::string& e : env) {
        if (e == "DISPLAY=")
            e += std::getenv("DISPLAY");
    }
    env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
    const std::string file = dir.PathOf("vornpilot.prom");
    CRunningProgram program({std::string(VORN_BIN_DIR) + "/vornpilot", "--window",
                             "--metrics-listen", "127.0.0.1:0", "--metrics-file", file},
                            env);
    const std::regex served("metrics at http://127\\.0\\.0\\.1:([0-9]+)/metrics");
    std::smatch m;
    ASSERT_TRUE(program.WaitForErrors(
        [&](const std::string& err) { return std::regex_search(err, m, served); }, 30000))
        << program.Errors();
    httplib::Client client("127.0.0.1", std::stoi(m[1]));
    client.set_read_timeout(5);

    // Two passes of the window's timer, seen over HTTP and in the file.
    SExposition scraped;
    for (int i = 0; i < 300; ++i) {
        httplib::Result r = client.Get("/metrics");
        scraped = {};
        if (r && ParseExposition(r->body, &scraped, &error) &&
            scraped.Value("vornpilot_passes_total").value_or(0) >= 2)
            break;
        QThread::msleep(100);
    }
    EXPECT_GE(scraped.Value("vornpilot_passes_total").value_or(0), 2);
    EXPECT_EQ(scraped.Count("vornpilot_sensor_enabled"), 18u);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    SExposition written;
    ASSERT_TRUE(ParseExposition(text.str(), &written, &error)) << error;
    EXPECT_GE(written.Value("vornpilot_passes_total").value_or(0), 1);

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Finish(20000).exitCode, 0);
    EXPECT_FALSE(std::ifstream(file).good()) << "the metrics file goes with the program";
}

}  // namespace
