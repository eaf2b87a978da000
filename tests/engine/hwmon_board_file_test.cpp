// Board files whose pins name hwmon sensors: read beside chip pins, and written from a scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine_fixture.h"
#include "hwmon_board_file.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "thousandths.h"

namespace {

using HwmonBoardFileTest = EngineFixture;

const std::string FIXTURES = std::string(VORN_TEST_DATA_DIR) + "/../../sysinfo/data/hwmon/";

bool HasProblem(const std::vector<std::string>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

// A chip pin and hwmon pins in one board file: the chip's item reads the chip, the hwmon items
// read their sensors through the item's divider and offset, and a sensor this machine does not
// have is said and never read.
TEST_F(HwmonBoardFileTest, HwmonPinsReadBesideChipPins) {
    ::setenv("VORNPILOT_SYSFS_ROOT", (FIXTURES + "intel_desktop").c_str(), 1);
    UseTestBoard("hwmon_pins.ini");
    bool started = false;
    auto engine = Start(&started);
    EXPECT_TRUE(engine->UsesChip());
    const auto& records = engine->FileRecords();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[1]->Factor, FromThousandths(167));
    EXPECT_EQ(records[1]->Offset, FromThousandths(-50));
    EXPECT_EQ(records[2]->Offset, 0.0) << "Offset may be left out";

    const auto& problems = engine->BoardFileProblems();
    EXPECT_FALSE(HasProblem(problems, "[ITEM1]")) << "the chip's pin reads as before";
    EXPECT_FALSE(HasProblem(problems, "[ITEM2]")) << "the nct6775 sensor is on this machine";
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM3] PinName: hwmon:devices/pci0000:00/0000:00:18.3/temp1: no such "
                           "sensor on this machine; the item is not read"));
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM4] PinName: fan2 is a fan channel, not of the item's "
                           "type"));
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM5] PinName: \"hwmon:devices/platform/nct6775.656\" "
                           "names no hwmon channel"));
    EXPECT_EQ(problems.size(), 3u);
    EXPECT_EQ(engine->StartProblem(), EStartProblem::UnknownPin);

    ASSERT_TRUE(engine->UpdateAll());
    const auto& items = engine->Items();
    EXPECT_TRUE(items[0]->IsValueFresh());
    // in1_input is 1008 mV: 1.008 V / 0.167 - 0.05.
    EXPECT_TRUE(items[1]->IsValueFresh());
    EXPECT_NEAR(items[1]->GetValue(), 1.008 / 0.167 - 0.05, 1e-5);
    EXPECT_TRUE(items[1]->IsAlarm()) << "6 V is under the item's own 10.8 V limit";
    for (size_t i : {2u, 3u, 4u}) {
        EXPECT_FALSE(items[i]->IsBound()) << i;
        EXPECT_FALSE(items[i]->IsValueFresh()) << i;
    }
}

// What --write-board-file writes reads back whole: every channel an item with its display name,
// its pin naming its device and channel, the kernel's limits where it has them.
TEST_F(HwmonBoardFileTest, AWrittenBoardFileReadsBack) {
    for (const char* name : {"intel_desktop", "amd_desktop", "laptop"}) {
        SCOPED_TRACE(name);
        const auto devices = ScanHwmonDevices(FIXTURES + name);
        {
            std::ofstream out(BoardPath("TEST"), std::ios::trunc);
            out << HwmonBoardFileText(devices, ReadHwmonDevices(devices));
        }
        machine.facts["MBModel"] = "TEST";
        ::setenv("VORNPILOT_SYSFS_ROOT", sysfsRoot.c_str(), 1);
        auto engine = Start();
        const auto& records = engine->FileRecords();
        size_t n = 0;
        for (const auto& d : devices) {
            for (const auto& c : d.Channels) {
                ASSERT_LT(n, records.size());
                const SensorItemConfig& r = *records[n++];
                EXPECT_EQ(r.Name, c.DisplayName);
                EXPECT_EQ(r.PinName, "hwmon:" + d.Identity + "/" + c.Channel);
                EXPECT_EQ(r.ItemType, HwmonItemType(c.Kind));
                EXPECT_LE(r.LoBound, r.LoLimit);
                EXPECT_LE(r.LoLimit, r.HiLimit);
                EXPECT_LE(r.HiLimit, r.HiBound);
                if (c.DisplayName == "coretemp Package id 0") {
                    EXPECT_EQ(r.HiLimit, FromThousandths(80000));
                }
                if (c.DisplayName == "nvme Sensor 1") {
                    EXPECT_EQ(r.HiLimit, r.HiBound) << "the kernel's \"no limit\" is none";
                }
            }
        }
        EXPECT_EQ(records.size(), n);
        // Read on the machine it was written on, every item is read.
        ::setenv("VORNPILOT_SYSFS_ROOT", (FIXTURES + name).c_str(), 1);
        engine = Start();
        EXPECT_TRUE(engine->BoardFileProblems().empty())
            << ::testing::PrintToString(engine->BoardFileProblems());
        EXPECT_FALSE(engine->UsesChip());
        ASSERT_TRUE(engine->UpdateAll());
        for (const auto& item : engine->Items())
            EXPECT_TRUE(item->IsValueFresh()) << item->GetName();
    }
}

// The user's own board file, in their settings folder, is used instead of the program folder's.
TEST_F(HwmonBoardFileTest, TheUsersOwnBoardFileComesFirst) {
    ::setenv("VORNPILOT_SYSFS_ROOT", (FIXTURES + "laptop").c_str(), 1);
    UseSimBoardFile();
    const auto devices = ScanHwmonDevices(FIXTURES + "laptop");
    std::filesystem::create_directories(dir.PathOf("config/vornpilot"));
    {
        std::ofstream out(dir.PathOf("config/vornpilot/EHF-SIM.ini"));
        out << HwmonBoardFileText(devices, ReadHwmonDevices(devices));
    }
    auto engine = Start();
    EXPECT_EQ(engine->ConfigFilePath(), dir.PathOf("config/vornpilot/EHF-SIM.ini"));
    EXPECT_FALSE(engine->UsesChip());
    EXPECT_EQ(engine->ItemSource(), CMonitorEngine::EItemSource::BoardFile);
    ASSERT_FALSE(engine->Items().empty());
    EXPECT_EQ(engine->Items().front()->GetName(), devices.front().Channels.front().DisplayName);
}

}  // namespace
