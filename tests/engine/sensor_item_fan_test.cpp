// FanPilot on fan items against a bare register file: duties, modes, the second-processor rule
// and the restore round trip.

#include <gtest/gtest.h>

#include "chip_fixture.h"
#include "fake_machine.h"
#include "sensor_item.h"

namespace {

struct FanPilotTest : ChipFixture {
    CFakeMachine machine;
    SensorItemConfig config;

    FanPilotTest() {
        config.Name = "System Fan";
        config.PinName = "SYSFAN";
        config.ItemNo = 3;
        config.ItemType = ITEM_FAN;
        config.Factor = 1;
        config.Enable = true;
        config.CpuNo = 1;
        config.SmartFanSupport = true;
        config.SmartFanEnable = true;
        config.TargetTemp = 50;
        config.ToleranceTemp = 3;
        config.StartCtrl = 100;
        config.StopCtrl = 35;
    }

    // SYSFAN's fan-control fields.
    uint8_t Mode() const { return (regs.Get(0, 0x04) >> 2) & 3; }
    uint8_t OutputType() const { return regs.Get(0, 0x04) & 1; }
    uint8_t Duty() const { return regs.Get(0, 0x01); }
    uint8_t Target() const { return regs.Get(0, 0x05) & 0x7F; }
    uint8_t Tolerance() const { return regs.Get(0, 0x07) & 0x0F; }
    uint8_t Stop() const { return regs.Get(0, 0x08); }
    uint8_t Start() const { return regs.Get(0, 0x0A); }
    bool ControlFlag() const { return regs.Get(0, 0x12) & 0x20; }
};

TEST_F(FanPilotTest, StartAndStopDuties) {
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    const struct {
        int percent;
        uint8_t duty;
    } cases[] = {{50, 128}, {100, 255}, {0, 0}, {1, 2}, {99, 253}, {150, 255}, {-5, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(fan.SetStartCtrl(c.percent)) << c.percent;
        EXPECT_EQ(Start(), c.duty) << c.percent;
        EXPECT_EQ(fan.GetStartCtrl(), c.percent);
        ASSERT_TRUE(fan.SetStopCtrl(c.percent)) << c.percent;
        EXPECT_EQ(Stop(), c.duty) << c.percent;
        EXPECT_EQ(fan.Config().StopCtrl, c.percent);
    }
}

TEST_F(FanPilotTest, SmartFanOnAndOff) {
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    regs.Set(0, 0x04, 0x05);  // automatic, output type 1
    ASSERT_TRUE(fan.SetSmartFan(false));
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(OutputType(), 0);
    EXPECT_EQ(Duty(), 255);
    EXPECT_FALSE(fan.GetSmartFanEnable());

    ASSERT_TRUE(fan.SetSmartFan(true));
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(OutputType(), 0);
    EXPECT_TRUE(ControlFlag());
    EXPECT_TRUE(fan.GetSmartFanEnable());
    EXPECT_TRUE(fan.Config().SmartFanEnable);
}

TEST_F(FanPilotTest, TargetOutsideTheFieldFails) {
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    ASSERT_TRUE(fan.SetTargetTemp(60));
    EXPECT_FALSE(fan.SetTargetTemp(130));
    EXPECT_EQ(fan.GetTargetTemp(), 60);
    EXPECT_EQ(Target(), 60);
    io.ClearLog();
    EXPECT_FALSE(fan.SetTargetTemp(256 + 40)) << "would wrap to 40 in a byte";
    EXPECT_FALSE(fan.SetTargetTemp(-1));
    EXPECT_EQ(Target(), 60);
    EXPECT_FALSE(fan.SetToleranceTemp(16));
    EXPECT_TRUE(fan.SetToleranceTemp(15));
    EXPECT_EQ(Tolerance(), 15);
}

TEST_F(FanPilotTest, ApplyStopsAtTheFirstFailure) {
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    SensorItemConfig s = config;
    s.TargetTemp = 130;
    s.ToleranceTemp = 7;
    regs.Set(0, 0x07, 0);
    EXPECT_FALSE(fan.ApplyFanControl(s));
    EXPECT_EQ(Mode(), 1) << "the switch before the failure stays written";
    EXPECT_EQ(Tolerance(), 0) << "nothing after it";

    s.TargetTemp = 48;
    ASSERT_TRUE(fan.ApplyFanControl(s));
    EXPECT_EQ(Target(), 48);
    EXPECT_EQ(Tolerance(), 7);
    EXPECT_EQ(Start(), 255);
    EXPECT_EQ(Stop(), 89);
}

TEST_F(FanPilotTest, SecondProcessorFanOnOneProcessor) {
    config.PinName = "CPUFAN1";
    config.CpuNo = 2;
    machine.processors = 1;
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    regs.Set(0, 0x62, 0x10);  // CPUFAN1 automatic
    ASSERT_TRUE(fan.ApplyFanControl());
    EXPECT_EQ((regs.Get(0, 0x62) >> 4) & 3, 0);
    EXPECT_EQ(regs.Get(0, 0x61), 255);
    EXPECT_FALSE(fan.GetSmartFanSupport());
    EXPECT_FALSE(fan.GetSmartFanEnable());

    // The dialog's form has no processor check.
    SensorItemConfig s = config;
    ASSERT_TRUE(fan.ApplyFanControlFromDialog(s));
    EXPECT_EQ((regs.Get(0, 0x62) >> 4) & 3, 1);
    EXPECT_EQ(regs.Get(0, 0x63), 50);
}

TEST_F(FanPilotTest, RestoreRoundTrip) {
    struct Case {
        uint8_t mode, target, tolerance, start, stop;
        uint8_t startBack, stopBack;
    };
    const Case cases[] = {
        {1, 45, 3, 128, 0, 130, 2},
        {0, 60, 15, 255, 255, 255, 255},
        {1, 0, 0, 1, 64, 2, 66},
    };
    for (const Case& c : cases) {
        regs.Set(0, 0x04, static_cast<uint8_t>(c.mode << 2));
        regs.Set(0, 0x05, c.target);
        regs.Set(0, 0x07, c.tolerance);
        regs.Set(0, 0x0A, c.start);
        regs.Set(0, 0x08, c.stop);
        CSensorItem fan(&config, machine, io);
        ASSERT_TRUE(fan.Bind());
        ASSERT_TRUE(fan.ApplyFanControl());
        ASSERT_TRUE(fan.SetSmartFan(c.mode == 0));

        ASSERT_TRUE(fan.RestoreFanControl());
        EXPECT_EQ(Mode(), c.mode);
        EXPECT_EQ(Target(), c.target);
        EXPECT_EQ(Tolerance(), c.tolerance);
        EXPECT_EQ(Start(), c.startBack) << "percent round trip of " << int(c.start);
        EXPECT_EQ(Stop(), c.stopBack) << "percent round trip of " << int(c.stop);
        EXPECT_EQ(fan.GetTargetTemp(), c.target);
        EXPECT_EQ(fan.GetSmartFanEnable(), c.mode == 0) << "the item's flag is not restored";
    }
}

TEST_F(FanPilotTest, FanWithoutControlFailsEveryOperation) {
    config.PinName = "AUXFAN1";
    CSensorItem fan(&config, machine, io);
    ASSERT_TRUE(fan.Bind());
    EXPECT_FALSE(fan.SetSmartFan(true));
    EXPECT_FALSE(fan.SetTargetTemp(40));
    EXPECT_FALSE(fan.SetStartCtrl(50));
    EXPECT_FALSE(fan.ApplyFanControl());
    EXPECT_FALSE(fan.RestoreFanControl());
    EXPECT_EQ(fan.GetTargetTemp(), 50) << "settings stay as bound";
}

}  // namespace
