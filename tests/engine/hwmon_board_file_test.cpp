// Board files whose pins name hwmon sensors: read beside chip pins, and written from a scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "engine_fixture.h"
#include "hwmon_board_file.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "thousandths.h"

namespace {

using HwmonBoardFileTest = EngineFixture;

bool HasProblem(const std::vector<std::string>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

TEST_F(HwmonBoardFileTest, HwmonPinsReadBesideChipPins) {
    UseTestBoard("hwmon_pins.ini");
    auto engine = Start();
    const auto& records = engine->FileRecords();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[1]->Factor, FromThousandths(167));
    EXPECT_EQ(records[1]->Offset, FromThousandths(-50));
    EXPECT_EQ(records[2]->Offset, 0.0) << "Offset may be left out";

    const auto& problems = engine->BoardFileProblems();
    EXPECT_FALSE(HasProblem(problems, "[ITEM1]")) << "the chip's pin reads as before";
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM2] PinName: hwmon:devices/platform/nct6775.656/in1: "
                           "hwmon sensors are not read as items yet"));
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM4] PinName: fan2 is a fan channel, not of the item's "
                           "type"));
    EXPECT_TRUE(HasProblem(problems,
                           "[ITEM5] PinName: \"hwmon:devices/platform/nct6775.656\" "
                           "names no hwmon channel"));
    EXPECT_EQ(problems.size(), 4u);
}

// What --write-board-file writes reads back whole: every channel an item with its display name,
// its pin naming its device and channel, the kernel's limits where it has them.
TEST_F(HwmonBoardFileTest, AWrittenBoardFileReadsBack) {
    for (const char* name : {"intel_desktop", "amd_desktop", "laptop"}) {
        SCOPED_TRACE(name);
        const auto devices =
            ScanHwmonDevices(std::string(VORN_TEST_DATA_DIR) + "/../../sysinfo/data/hwmon/" + name);
        {
            std::ofstream out(BoardPath("TEST"), std::ios::trunc);
            out << HwmonBoardFileText(devices, ReadHwmonDevices(devices));
        }
        machine.facts["MBModel"] = "TEST";
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
        for (const auto& p : engine->BoardFileProblems())
            EXPECT_NE(p.find("hwmon sensors are not read as items yet"), std::string::npos) << p;
    }
}

}  // namespace
