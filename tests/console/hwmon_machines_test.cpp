// The real monitor programs on the sysfs trees of typical machines without the chip (a board
// with no board file): every hwmon sensor is an item, named, with its unit and the kernel's
// reading; a machine without sensors says so; the metrics name each sensor as node_exporter
// does. No driver service runs, and none is started.

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "exposition_parser.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string BIN = VORN_BIN_DIR;
const std::string PROGRAM = BIN + "/vornpilot";
const std::string HEADLESS = BIN + "/vornpilot-headless";

std::string Machine(const std::string& name) {
    return std::string(VORN_HWMON_MACHINES) + "/" + name;
}

// A channel as the kernel's files give it, independent of the monitor's scan: the device's
// name, the channel, and its input in volts, degrees Celsius or rpm.
struct SKernelChannel {
    std::string device;
    std::string sensor;
    double value;
};

std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::vector<SKernelChannel> KernelChannels(const std::string& root) {
    std::vector<SKernelChannel> channels;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root + "/class/hwmon", ec)) {
        const std::string name = FirstLine(entry.path() / "name");
        for (const auto& file : fs::directory_iterator(entry.path())) {
            const std::string f = file.path().filename().string();
            static const std::regex INPUT("(in|temp|fan)[0-9]+_input");
            if (!std::regex_match(f, INPUT))
                continue;
            const double raw = std::stod(FirstLine(file.path()));
            channels.push_back({name, f.substr(0, f.find('_')), f[0] == 'f' ? raw : raw / 1000});
        }
    }
    return channels;
}

// A board with no board file, settings and per-user directories of the run's own, and a
// runtime directory for the driver service that nothing may use.
class HwmonMachines : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir.PathOf("dmi"));
        fs::create_directories(m_dir.PathOf("run"));
        ASSERT_TRUE(m_dir.WriteFile("dmi/board_name", "NO-BOARD\n"));
        ::mkdir(m_dir.PathOf("xdg").c_str(), 0700);
    }
    std::vector<std::string> Env(const std::string& root) const {
        return {"VORNPILOT_SYSFS_ROOT=" + root,
                "VORNPILOT_DMI_DIR=" + m_dir.PathOf("dmi"),
                "XDG_CONFIG_HOME=" + m_dir.PathOf("config"),
                "XDG_RUNTIME_DIR=" + m_dir.PathOf("xdg"),
                "VORNIO_RUNTIME_DIR=" + m_dir.PathOf("run"),
                "VORNIO_STATE_DIR=" + m_dir.PathOf("state"),
                "VORNPILOT_POWEROFF_COMMAND=/bin/true",
                "DISPLAY=",
                "WAYLAND_DISPLAY="};
    }
    // Nothing of the driver service: no socket, no pid file, no service record.
    void ExpectNoService() const {
        EXPECT_TRUE(fs::is_empty(m_dir.PathOf("run")));
        EXPECT_FALSE(fs::exists(m_dir.PathOf("state")));
    }
    CTempDir m_dir;
};

TEST_F(HwmonMachines, EverySensorIsAnItemAsTheKernelReadsIt) {
    struct Case {
        const char* machine;
        std::vector<std::string> names;  // a few of the items' names
    };
    const Case cases[] = {
        {"intel_desktop",
         {"coretemp Package id 0", "nvme Composite", "nct6798 fan2", "acpitz temp1"}},
        {"amd_desktop", {"k10temp Tctl", "it8688 3VSB", "amdgpu junction", "nvme Composite"}},
        {"laptop", {"acpitz temp1", "acpitz temp1 (2)", "thinkpad fan1", "BAT0 in0"}},
    };
    const std::map<std::string, std::pair<std::string, std::string>> units = {
        {"in", {"voltage", "V"}},
        {"temp",
         {"temperature",
          "\xC2\xB0"
          "C"}},
        {"fan", {"fan", "rpm"}}};
    for (const std::string& program : {PROGRAM, HEADLESS}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(program + " " + c.machine);
            const std::string root = Machine(c.machine);
            const std::vector<SKernelChannel> kernel = KernelChannels(root);
            const ProgramResult r =
                RunProgram({program, "--console", "--json", "--passes", "2"}, Env(root));
            ASSERT_EQ(r.exitCode, 0) << r.err;
            std::istringstream lines(r.out);
            std::string line;
            std::vector<nlohmann::json> passes;
            while (std::getline(lines, line))
                passes.push_back(nlohmann::json::parse(line));
            ASSERT_EQ(passes.size(), 2u) << r.out;
            const nlohmann::json& pass = passes.back();
            EXPECT_EQ(pass["itemSource"], "hwmon");
            EXPECT_EQ(pass["chipPath"], "none") << "no item reads the chip";
            EXPECT_EQ(pass["problems"].size(), 0u) << pass["problems"];
            ASSERT_EQ(pass["items"].size(), kernel.size());

            std::set<std::string> names;
            for (const auto& item : pass["items"]) {
                const std::string name = item["name"];
                SCOPED_TRACE(name);
                EXPECT_TRUE(names.insert(name).second) << "names are unique";
                const std::string sensor = item["sensor"];
                const std::string kind = sensor.substr(0, sensor.find_first_of("0123456789"));
                ASSERT_TRUE(units.count(kind)) << sensor;
                EXPECT_EQ(item["type"], units.at(kind).first);
                EXPECT_EQ(item["unit"], units.at(kind).second);
                const std::string id = item["deviceId"];
                EXPECT_EQ(item["pin"], "hwmon:" + id + "/" + sensor);
                EXPECT_TRUE(id.rfind("virtual/", 0) == 0 || fs::is_directory(root + "/" + id))
                    << id;
                // The kernel's reading of a channel of that device.
                bool read = false;
                for (const SKernelChannel& k : kernel) {
                    read = read || (k.device == item["device"] && k.sensor == sensor &&
                                    item["value"] == k.value);
                }
                EXPECT_TRUE(read) << item;
                EXPECT_EQ(item["stale"], false);
            }
            for (const std::string& name : c.names)
                EXPECT_TRUE(names.count(name)) << name;
            ExpectNoService();
        }
    }
}

// A machine without a sensor (a virtual machine) says so in every face, never NORMAL.
TEST_F(HwmonMachines, NoSensorsIsSaid) {
    const std::string root = Machine("vm");
    for (const std::string& program : {PROGRAM, HEADLESS}) {
        SCOPED_TRACE(program);
        ProgramResult r = RunProgram({program, "--console", "--json", "--passes", "2"}, Env(root));
        EXPECT_EQ(r.exitCode, 3) << "nothing was read: " << r.err;
        const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
        const nlohmann::json pass = nlohmann::json::parse(last);
        EXPECT_EQ(pass["items"].size(), 0u);
        EXPECT_EQ(pass["warningText"], "NO SENSORS");
        ASSERT_EQ(pass["problems"].size(), 1u);
        EXPECT_EQ(pass["problems"][0].get<std::string>().rfind("No sensors found: ", 0), 0u)
            << pass["problems"][0];

        r = RunProgram({program, "--console", "--once"}, Env(root));
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_NE(r.out.find("\nNO SENSORS\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("No sensors found: there is no board file"), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("  -  hwmon sensors (0)  -  "), std::string::npos) << r.out;
        ExpectNoService();
    }
}

// The table says where the items come from; --hwmon-sensors takes every sensor even where the
// board file would give the chip's pins (the simulated board's model, without its service).
TEST_F(HwmonMachines, TitleAndHwmonSensorsOption) {
    const std::string root = Machine("amd_desktop");
    ProgramResult r = RunProgram({HEADLESS, "--once"}, Env(root));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(
        r.out.rfind("VORNPILOT Hardware Monitor  -  board NO-BOARD  -  hwmon sensors (29)  -  ", 0),
        0u)
        << r.out;
    EXPECT_EQ(r.out.find("Global beep"), std::string::npos) << "no chip, no beeper";

    std::vector<std::string> env = Env(root);
    env.push_back("VORNPILOT_DMI_DIR=" + BIN + "/sim/EHF-SIM.dmi");
    for (const std::string& program : {PROGRAM, HEADLESS}) {
        r = RunProgram({program, "--hwmon-sensors", "--once", "--json"}, env);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const nlohmann::json pass = nlohmann::json::parse(r.out);
        EXPECT_EQ(pass["itemSource"], "hwmon");
        EXPECT_EQ(pass["items"].size(), 29u);
        EXPECT_EQ(pass["items"][0]["device"], "nvme");
    }
    ExpectNoService();
}

// A board file of hwmon pins alone (the user's own, written by --write-board-file and scaled)
// never reaches for the chip or the service.
TEST_F(HwmonMachines, ABoardFileOfHwmonPinsNeedsNoService) {
    const std::string root = Machine("amd_desktop");
    const std::string file = m_dir.PathOf("config/vornpilot/NO-BOARD.ini");
    fs::create_directories(m_dir.PathOf("config/vornpilot"));
    ProgramResult r = RunProgram({HEADLESS, "--write-board-file", file}, Env(root));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::string first = "[ITEM1]\nName=nvme Composite\n";
    ASSERT_NE(text.find(first), std::string::npos) << text;
    text.replace(text.find(first), first.size(), "[ITEM1]\nName=Drive\n");
    ASSERT_TRUE(m_dir.WriteFile("config/vornpilot/NO-BOARD.ini", text));

    r = RunProgram({HEADLESS, "--once", "--json"}, Env(root));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json pass = nlohmann::json::parse(r.out);
    EXPECT_EQ(pass["itemSource"], "boardFile");
    EXPECT_EQ(pass["chipPath"], "none");
    EXPECT_EQ(pass["items"].size(), 29u);
    EXPECT_EQ(pass["items"][0]["name"], "Drive");
    EXPECT_EQ(pass["items"][0]["value"], 41.85);
    ExpectNoService();
}

// The metrics name each sensor by chip and sensor as node_exporter's hwmon collector does.
TEST_F(HwmonMachines, MetricsNameChipAndSensor) {
    CRunningProgram monitor({HEADLESS, "--json", "--metrics-listen", "127.0.0.1:0"},
                            Env(Machine("amd_desktop")));
    ASSERT_TRUE(monitor.Started());
    int port = 0;
    ASSERT_TRUE(monitor.WaitForErrors(
        [&port](const std::string& err) {
            std::smatch m;
            static const std::regex SERVED("metrics at http://127\\.0\\.0\\.1:([0-9]+)/metrics");
            if (std::regex_search(err, m, SERVED))
                port = std::stoi(m[1]);
            return port != 0;
        },
        20000))
        << monitor.Errors();
    // The first pass is published before its JSON line is printed.
    ASSERT_TRUE(monitor.WaitForOutput(
        [](const std::string& out) { return out.find('\n') != std::string::npos; }, 20000));
    httplib::Client client("127.0.0.1", port);
    const httplib::Result scrape = client.Get("/metrics");
    ASSERT_TRUE(scrape);
    SExposition e;
    std::string error;
    ASSERT_TRUE(ParseExposition(scrape->body, &e, &error)) << error;
    struct Case {
        const char* metric;
        const char* chip;
        const char* sensor;
        const char* name;
        double value;
    };
    const Case cases[] = {
        {"vornpilot_temperature_celsius", "pci0000:00_0000:00:18_3", "temp1", "k10temp Tctl",
         45.25},
        {"vornpilot_fan_rpm", "platform_it87_2624", "fan2", "it8688 fan2", 0},
        {"vornpilot_temperature_celsius", "pci0000:00_0000:00:01_2_0000:01:00_0_nvme_nvme0",
         "temp1", "nvme Composite", 41.85},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(e.Value(c.metric, {{"chip", c.chip}, {"sensor", c.sensor}, {"name", c.name}}),
                  c.value)
            << c.metric << " " << c.chip << "\n"
            << scrape->body.substr(0, 3000);
    }
    EXPECT_EQ(e.Value("vornpilot_chip_path", {{"path", "none"}}), 1);
    for (const SSample& s : e.samples) {
        if (s.labels.count("item")) {
            EXPECT_TRUE(s.labels.count("chip") && s.labels.count("sensor")) << s.name;
        }
    }
    monitor.Signal(SIGTERM);
    EXPECT_EQ(monitor.Finish(20000).exitCode, 0);
    ExpectNoService();
}

}  // namespace
