// The window on machines without the chip, whose items are the kernel's hwmon sensors: the real
// vornpilot --window on sysfs trees of typical machines, its page asked through the page
// engine's debugging port, its dialogs driven with real keys.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "monitor_environment.h"
#include "page_inspector.h"
#include "registry_hive.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"
#include "x_desktop.h"

namespace {

const std::string HWMON_DATA = std::string(VORN_SOURCE_DIR) + "/tests/sysinfo/data/hwmon/";

// One machine: a board without a board file, its sysfs tree, the test's own directories.
class CHwmonMachine {
  public:
    explicit CHwmonMachine(const std::string& sysfsRoot) {
        m_dir.WriteFile("dmi/board_name", "NO-BOARD\n");
        m_env = DesktopEnvironment(MonitorEnvironment(m_dir.PathOf("run"), m_dir, "true"));
        for (std::string& e : m_env) {
            if (e.rfind("VORNPILOT_DMI_DIR=", 0) == 0)
                e = "VORNPILOT_DMI_DIR=" + m_dir.PathOf("dmi");
        }
        m_env.push_back("VORNPILOT_SYSFS_ROOT=" + sysfsRoot);
    }

    // The console's one pass as JSON.
    nlohmann::json ConsolePass() const {
        const ProgramResult r = RunProgram(
            {std::string(VORN_BIN_DIR) + "/vornpilot", "--console", "--json", "--passes", "1"},
            m_env, 30000);
        std::istringstream lines(r.out);
        std::string line;
        std::getline(lines, line);
        return nlohmann::json::parse(line, nullptr, false);
    }

    std::unique_ptr<CRunningProgram> StartWindow(int debugPort) const {
        std::vector<std::string> env = m_env;
        env.push_back("QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:" + std::to_string(debugPort));
        return std::make_unique<CRunningProgram>(
            std::vector<std::string>{std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
    }

    std::string HivePath() const { return m_dir.PathOf("config") + "/vornpilot/registry.reg"; }

  private:
    CTempDir m_dir;
    std::vector<std::string> m_env;
};

// The page's text of an element, "?" while it cannot be read.
QString Text(CPageInspector& page, const QString& id) {
    return page
        .Evaluate(QStringLiteral("document.getElementById(%1).textContent")
                      .arg(QString::fromStdString(nlohmann::json(id.toStdString()).dump())))
        .value_or(QStringLiteral("?"));
}

nlohmann::json PageJson(CPageInspector& page, const QString& expression) {
    const auto text = page.Evaluate(QStringLiteral("JSON.stringify(%1)").arg(expression));
    return nlohmann::json::parse(text.value_or("null").toStdString(), nullptr, false);
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

const char* KindOf(const std::string& type) {
    return type == "voltage" ? "Volt" : type == "temperature" ? "Temp" : "Fan";
}

// Every row of each category, as the user reaches it: the category shown, its list scrolled to
// the end; whether its last row is then inside the list, and which names do not fit their room.
const QString ROWS_AS_SEEN = QStringLiteral(R"((() => {
    const out = {rows: [], unreachable: [], cut: []};
    for (const cat of ['VOLT', 'TEMP', 'FAN']) {
        VpShow(cat);
        const section = document.querySelector('.vp-section[data-cat="' + cat + '"]');
        const list = section.querySelector('.vp-rows');
        list.scrollTop = list.scrollHeight;
        const rows = [...list.querySelectorAll('.vp-row')];
        for (const r of rows) {
            out.rows.push({name: r.dataset.name, kind: r.dataset.kind,
                           value: r.querySelector('.vp-value').textContent,
                           status: r.querySelector('.vp-status').textContent});
            const name = r.querySelector('.vp-name');
            if (name.scrollWidth > name.clientWidth) out.cut.push(r.dataset.name);
        }
        if (rows.length) {
            const last = rows[rows.length - 1].getBoundingClientRect();
            const box = list.getBoundingClientRect();
            if (last.bottom > box.bottom + 1 || last.top < box.top - 1) out.unreachable.push(cat);
        }
        list.scrollTop = 0;
    }
    VpShow('VOLT');
    return out;
})())");

class HwmonWindow : public ::testing::TestWithParam<const char*> {};

// Every item the console lists is a row of the page with the same reading and state, reachable
// by scrolling its list, its name whole.
TEST_P(HwmonWindow, EveryItemOfTheMachineIsOnThePageWithItsReading) {
    CHwmonMachine machine(HWMON_DATA + GetParam());
    const nlohmann::json pass = machine.ConsolePass();
    ASSERT_TRUE(pass.is_object() && pass["items"].size() > 20) << pass.dump();

    const int port = CPageInspector::FreePort();
    ASSERT_NE(port, 0);
    const auto program = machine.StartWindow(port);
    ASSERT_TRUE(program->Started());
    CPageInspector page(port);
    nlohmann::json seen;
    ASSERT_TRUE(WaitFor(
        [&] {
            seen = PageJson(page, ROWS_AS_SEEN);
            return seen.is_object() && seen["rows"].size() == pass["items"].size() &&
                   seen["rows"][0]["status"] != "";
        },
        30000))
        << seen.dump();

    std::map<std::string, nlohmann::json> rows;
    for (const nlohmann::json& row : seen["rows"])
        rows[row["kind"].get<std::string>() + ":" + row["name"].get<std::string>()] = row;
    for (const nlohmann::json& item : pass["items"]) {
        const std::string key =
            std::string(KindOf(item["type"])) + ":" + item["name"].get<std::string>();
        ASSERT_TRUE(rows.count(key)) << key;
        EXPECT_EQ(Trimmed(rows[key]["value"]), item["valueText"]) << key;
        EXPECT_EQ(rows[key]["status"], item["statusText"]) << key;
    }
    EXPECT_EQ(seen["unreachable"], nlohmann::json::array());
    EXPECT_EQ(seen["cut"], nlohmann::json::array());
    EXPECT_TRUE(Text(page, "WarningText") == "NORMAL" || Text(page, "WarningText") == "WARNING")
        << Text(page, "WarningText").toStdString();

    ASSERT_EQ(::kill(program->Pid(), SIGTERM), 0);
    EXPECT_EQ(program->Finish(15000).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Machines, HwmonWindow, ::testing::Values("amd_desktop", "intel_desktop"));

// A machine without any sensor says so on the page, and nothing there says NORMAL.
TEST(HwmonWindowNothingFound, AMachineWithoutSensorsSaysNoSensors) {
    CHwmonMachine machine(HWMON_DATA + "vm");
    const int port = CPageInspector::FreePort();
    ASSERT_NE(port, 0);
    const auto program = machine.StartWindow(port);
    ASSERT_TRUE(program->Started());
    CPageInspector page(port);
    ASSERT_TRUE(WaitFor([&] { return Text(page, "WarningText") == "NO SENSORS"; }, 30000))
        << Text(page, "WarningText").toStdString();
    EXPECT_TRUE(Text(page, "WarningItems").startsWith("No sensors found: "))
        << Text(page, "WarningItems").toStdString();
    EXPECT_EQ(page.Evaluate("document.querySelectorAll('.vp-row').length"), "0");
    EXPECT_EQ(page.Evaluate("/normal/i.test(document.body.innerText)"), "false")
        << page.Evaluate("document.body.innerText").value_or("?").toStdString();

    ASSERT_EQ(::kill(program->Pid(), SIGTERM), 0);
    EXPECT_EQ(program->Finish(15000).exitCode, 0);
}

// Every regular file of a sysfs tree with its content.
std::map<std::string, std::string> TreeFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        files[entry.path().string()] = text.str();
    }
    return files;
}

// The limit dialog sets a hwmon sensor's limit: it is kept in the user's settings under the
// sensor's identity, comes back after a restart, and nothing is written to the sensor's files.
TEST(HwmonWindowLimits, ALimitSetInTheDialogIsKeptForTheSensorAcrossARestart) {
    CTempDir tree;
    std::filesystem::copy(
        HWMON_DATA + "amd_desktop", tree.Path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
    CHwmonMachine machine(tree.Path());
    const nlohmann::json pass = machine.ConsolePass();
    ASSERT_TRUE(pass.is_object());
    // The first temperature row of the settings dialog.
    nlohmann::json sensor;
    for (const nlohmann::json& item : pass["items"]) {
        if (item["type"] == "temperature") {
            sensor = item;
            break;
        }
    }
    ASSERT_FALSE(sensor.is_null());
    const std::string pin = sensor["pin"];
    ASSERT_EQ(pin.rfind("hwmon:", 0), 0u) << pin;
    const std::string identity = pin.substr(6);
    const std::map<std::string, std::string> filesBefore = TreeFiles(tree.Path());
    ASSERT_FALSE(filesBefore.empty());
    const QString limitId =
        QString::fromStdString(sensor["name"].get<std::string>() + "_Temp_Limit");

    const int port = CPageInspector::FreePort();
    ASSERT_NE(port, 0);
    auto program = machine.StartWindow(port);
    CPageInspector page(port);
    ASSERT_TRUE(WaitFor([&] { return Text(page, limitId).contains("85"); }, 30000))
        << Text(page, limitId).toStdString();
    std::string window;
    ASSERT_TRUE(WaitFor([&] { return !(window = VisibleMainWindow()).empty(); }, 30000));
    const SWindowPlace w = WindowPlace(window);

    const auto dialog = [](const std::string& title) {
        std::string id;
        WaitFor(
            [&] {
                id = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"});
                return !id.empty();
            },
            20000);
        id = id.substr(0, id.find('\n'));
        if (!id.empty())
            Xdotool({"windowfocus", "--sync", id});
        return id;
    };
    const auto keys = [](const std::vector<std::string>& names) {
        for (const std::string& k : names)
            Xdotool({"key", k});
    };
    // SETUP, the Temperature tab, the first row's Limit button.
    Xdotool({"mousemove", std::to_string(w.x + 191), std::to_string(w.y + 613), "click", "1"});
    ASSERT_FALSE(dialog("Setting").empty());
    keys({"Right", "Tab", "Tab", "Tab", "Tab", "space"});
    // Six steps of half a degree down from 84 (the slider's whole degrees under 84.85), OK.
    ASSERT_FALSE(dialog("Limit Setting").empty());
    keys({"Left", "Left", "Left", "Left", "Left", "Left", "Return"});
    EXPECT_TRUE(WaitFor([&] { return Text(page, limitId).trimmed() == "81 \u00b0C"; }, 20000))
        << Text(page, limitId).toStdString();
    keys({"Escape"});
    ASSERT_EQ(::kill(program->Pid(), SIGTERM), 0);
    EXPECT_EQ(program->Finish(15000).exitCode, 0);

    CRegistryHive hive;
    ASSERT_TRUE(hive.Load(machine.HivePath()));
    EXPECT_EQ(
        hive.GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\hwmon\\" + identity, "HiLimit"),
        81000u);
    EXPECT_EQ(TreeFiles(tree.Path()), filesBefore) << "a sensor's file was written";

    program = machine.StartWindow(port);
    EXPECT_TRUE(WaitFor([&] { return Text(page, limitId).trimmed() == "81 \u00b0C"; }, 30000))
        << Text(page, limitId).toStdString();
    ASSERT_EQ(::kill(program->Pid(), SIGTERM), 0);
    EXPECT_EQ(program->Finish(15000).exitCode, 0);
}

}  // namespace
