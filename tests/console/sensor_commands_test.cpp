// vornpilot --list-sensors and --write-board-file (and the same of vornpilot-headless), run as a
// user runs them, on sysfs trees of typical machines.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run_program.h"
#include "temp_dir.h"

namespace {

const std::string PROGRAM = std::string(VORN_BIN_DIR) + "/vornpilot";
const std::string HEADLESS = std::string(VORN_BIN_DIR) + "/vornpilot-headless";

std::string Machine(const std::string& name) {
    return std::string(VORN_HWMON_MACHINES) + "/" + name;
}

ProgramResult RunVornpilot(const std::string& root, std::vector<std::string> args,
                           const std::string& program = PROGRAM) {
    args.insert(args.begin(), program);
    return RunProgram(args, {"VORNPILOT_SYSFS_ROOT=" + root, "DISPLAY="});
}

// The line of the table that holds every one of `parts`, in order.
bool HasRow(const std::string& table, const std::vector<std::string>& parts) {
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);) {
        size_t at = 0;
        bool all = true;
        for (const auto& p : parts) {
            at = line.find(p, at);
            if (at == std::string::npos) {
                all = false;
                break;
            }
            at += p.size();
        }
        if (all)
            return true;
    }
    return false;
}

TEST(ListSensors, TypicalMachines) {
    struct Case {
        std::string root;
        std::vector<std::vector<std::string>> rows;
    };
    const Case cases[] = {
        {Machine("intel_desktop"),
         {{"DEVICE", "ATTRIBUTE", "LABEL", "READING", "LIMITS"},
          {"coretemp", "temp1_input", "Package id 0", "42.0 °C", "max 80.0 °C, crit 100.0 °C"},
          {"nct6798", "in0_input", "-", "1.104 V", "min 0.000 V, max 1.744 V, no alarm"},
          {"nct6798", "temp4_input", "AUXTIN1", "-62.0 °C"},
          {"nct6798", "fan1_input", "1120 rpm"},
          {"nvme", "hwmon:devices/pci0000:00/0000:00:1b.0/0000:02:00.0/nvme/nvme0/"}}},
        {Machine("amd_desktop"),
         {{"k10temp", "temp1_input", "Tctl", "45.3 °C", "-"},
          {"it8688", "fan2_input", "0 rpm", "ALARM"},
          {"amdgpu", "temp2_input", "junction", "40.0 °C", "crit 110.0 °C"}}},
        {Machine("laptop"),
         {{"acpitz", "hwmon:virtual/acpitz/1/"}, {"thinkpad", "fan1_input", "2385 rpm"}}},
        {Machine("vm"), {{"No hwmon sensors found under", "/vm/class/hwmon/"}}},
        {std::string(VORN_BIN_DIR) + "/hwmon-demo",
         {{"nvme", "nvme/nvme1/"}, {"nct6799", "fan5_input", "1420 rpm"}}},
    };
    for (const std::string& program : {PROGRAM, HEADLESS}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(program + " " + c.root);
            const ProgramResult r = RunVornpilot(c.root, {"--list-sensors"}, program);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            for (const auto& row : c.rows)
                EXPECT_TRUE(HasRow(r.out, row)) << row[0] << " " << row[1] << "\n" << r.out;
            EXPECT_EQ(r.out.find("not read"), std::string::npos) << r.out;
        }
    }
}

TEST(WriteBoardFile, WritesOnceAndNeverReplaces) {
    CTempDir dir;
    const std::string path = dir.PathOf("board.ini");
    ProgramResult r = RunVornpilot(Machine("amd_desktop"), {"--write-board-file", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("29 items from 4 hwmon devices"), std::string::npos) << r.out;
    std::ifstream in(path);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(written.find("Total_Item_Count=29\n"), std::string::npos);
    EXPECT_NE(
        written.find("Name=k10temp Tctl\nPinName=hwmon:devices/pci0000:00/0000:00:18.3/temp1\n"
                     "ItemType=2\n"),
        std::string::npos)
        << written;

    r = RunVornpilot(Machine("intel_desktop"), {"--write-board-file", path});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("exists; it is not replaced"), std::string::npos) << r.err;
    std::ifstream again(path);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), written);

    const std::string none = dir.PathOf("vm.ini");
    r = RunVornpilot(Machine("vm"), {"--write-board-file", none});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("No hwmon sensors found"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(none));
}

}  // namespace
