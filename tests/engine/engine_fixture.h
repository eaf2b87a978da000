#pragma once
// Engine tests: the engine's port calls go to the simulated board in-process, the program
// folder and the user's configuration folder are fresh per test, and the machine is made up.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "fake_machine.h"
#include "ini_file.h"
#include "monitor_engine.h"
#include "registry_hive.h"
#include "sim_board.h"
#include "sim_port_io.h"
#include "temp_dir.h"
#include "test_board.h"

class EngineFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        board = LoadTestBoard([this] { return simNow; }, &error);
        ASSERT_TRUE(board) << error;
        io.Attach(board.get());

        programDir = dir.PathOf("bin") + "/";
        std::filesystem::create_directories(programDir);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old != nullptr)
            savedConfigHome = old;
        hadConfigHome = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", dir.PathOf("config").c_str(), 1);
        // The machine's hwmon devices are the test's: none unless it puts some there.
        const char* oldSysfs = std::getenv("VORNPILOT_SYSFS_ROOT");
        hadSysfsRoot = oldSysfs != nullptr;
        if (hadSysfsRoot)
            savedSysfsRoot = oldSysfs;
        sysfsRoot = dir.PathOf("sys");
        std::filesystem::create_directories(sysfsRoot);
        ::setenv("VORNPILOT_SYSFS_ROOT", sysfsRoot.c_str(), 1);
        machine.facts["Path"] = programDir;
        machine.facts["MBModel"] = "EHF-SIM";
    }
    void TearDown() override {
        if (hadConfigHome)
            ::setenv("XDG_CONFIG_HOME", savedConfigHome.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        if (hadSysfsRoot)
            ::setenv("VORNPILOT_SYSFS_ROOT", savedSysfsRoot.c_str(), 1);
        else
            ::unsetenv("VORNPILOT_SYSFS_ROOT");
    }

    // The board file "<program folder>/<model>.ini" from a file of the build or the test data.
    void UseBoardFile(const std::string& source, const std::string& model = "EHF-SIM") {
        machine.facts["MBModel"] = model;
        std::filesystem::copy_file(source, BoardPath(model),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void UseSimBoardFile() { UseBoardFile(std::string(VORN_BIN_DIR) + "/EHF-SIM.ini"); }
    void UseTestBoard(const std::string& name) {
        UseBoardFile(std::string(VORN_TEST_DATA_DIR) + "/" + name, "TEST");
    }
    std::string BoardPath(const std::string& model = "") const {
        auto f = machine.facts.find("MBModel");
        return programDir + (model.empty() ? f->second : model) + ".ini";
    }
    // Changes one key of the board file in use.
    void EditBoard(const std::string& section, const std::string& key, const std::string& value) {
        CIniFile ini;
        ASSERT_TRUE(ini.Load(BoardPath()));
        ASSERT_TRUE(ini.SetString(section, key, value));
        ASSERT_TRUE(ini.Save(BoardPath()));
    }

    std::string HivePath() const { return dir.PathOf("config") + "/vornpilot/registry.reg"; }
    CRegistryHive Hive() const {
        CRegistryHive hive;
        EXPECT_TRUE(hive.Load(HivePath()));
        return hive;
    }
    static std::string ItemKey(int n) {
        return "HKEY_CURRENT_USER\\Software\\VORN\\HWM\\" + std::to_string(n);
    }

    std::unique_ptr<CMonitorEngine> Start(bool* result = nullptr) {
        auto engine = std::make_unique<CMonitorEngine>(machine, io);
        bool ok = engine->Initialize();
        if (result != nullptr)
            *result = ok;
        return engine;
    }

    void Sim(const std::string& command) {
        std::string reply = board->Execute(command);
        ASSERT_EQ(reply.substr(0, 3), "OK\n") << command << ": " << reply;
    }

    CTempDir dir;
    std::string sysfsRoot;
    std::string savedSysfsRoot;
    bool hadSysfsRoot = false;
    std::string programDir;
    std::string savedConfigHome;
    bool hadConfigHome = false;
    CFakeMachine machine;
    double simNow = 0;
    std::unique_ptr<CSimBoard> board;
    CSimPortIo io;
};
