// The engine over the kernel's hwmon driver: it starts and programs the chip without a single
// raw port access, and keeps the beep settings it cannot apply.

#include <gtest/gtest.h>

#include "chip_way_test_support.h"
#include "engine_fixture.h"

namespace {

struct KernelWayEngine : EngineFixture {
    CKernelWay kernel;
};

TEST_F(KernelWayEngine, StartsAndReadsWithoutPortAccess) {
    UseSimBoardFile();
    kernel.PutVoltage(0x20, 150);
    kernel.PutFan(0x29, 135);
    kernel.PutAlarm(0x29, 0);

    CMonitorEngine engine(machine, kernel.Access());
    ASSERT_TRUE(engine.Initialize());
    EXPECT_EQ(engine.StartProblem(), EStartProblem::None);
    EXPECT_FALSE(engine.Offers(EChipFeature::Beep));
    ASSERT_TRUE(engine.UpdateAll());

    CSensorItem* core = nullptr;
    CSensorItem* cpuFan = nullptr;
    for (const auto& item : engine.Items()) {
        if (item->GetPinName() == "VCORE")
            core = item.get();
        if (item->GetPinName() == "CPUFAN0")
            cpuFan = item.get();
    }
    ASSERT_TRUE(core && cpuFan);
    EXPECT_DOUBLE_EQ(core->GetValue(), VoltsFromCount(150, core->GetFactor(), false));
    EXPECT_EQ(cpuFan->GetValue(), 10000);
    EXPECT_TRUE(cpuFan->IsAlarm());
    EXPECT_FALSE(core->IsAlarm());
    // The board file's limits reached the kernel's attributes.
    uint8_t high = 0, low = 0;
    kernel.VoltageLimits(0x20, &high, &low);
    double hi = 0, lo = 0;
    core->GetLimits(&hi, &lo);
    EXPECT_EQ(high, CountFromVolts(hi, core->GetFactor(), false));
    EXPECT_EQ(low, CountFromVolts(lo, core->GetFactor(), false));

    // The beep settings are saved as they were, for the raw way.
    EXPECT_TRUE(engine.GetGlobalBeepEnable());
    EXPECT_EQ(Hive().GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Global_Beep_Enable"), 1u);
    EXPECT_TRUE(io.Log().empty());
}

TEST_F(KernelWayEngine, RefusedWriteIsARefusedSetting) {
    UseSimBoardFile();
    // A device whose limit attributes cannot be written (as when the driver service refuses).
    std::filesystem::remove(kernel.Dir() + "/in0_max");
    CMonitorEngine engine(machine, kernel.Access());
    EXPECT_FALSE(engine.Initialize());
    EXPECT_EQ(engine.StartProblem(), EStartProblem::SettingsRefused);
    EXPECT_TRUE(io.Log().empty());
}

}  // namespace
