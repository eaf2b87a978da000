// The way to the chip: chosen by itself from the machine's hwmon devices or forced, and a
// session over the kernel's driver that says so and shows no beep it cannot make.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>

#include "chip_path.h"
#include "chip_way_test_support.h"
#include "engine_fixture.h"
#include "hwmon_device.h"
#include "monitor_session.h"
#include "port_guard.h"
#include "settings_notices.h"
#include "snapshot_text.h"

namespace {

class ChipPathTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ::setenv("VORNPILOT_SYSFS_ROOT", sysfs.Path().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("VORNPILOT_SYSFS_ROOT");
        EngineFixture::TearDown();
    }
    CTempDir sysfs;
};

TEST_F(ChipPathTest, ChosenByTheKernelDriversPresence) {
    struct Case {
        EChipPathMode mode;
        bool driverLoaded;
        const char* chosen;  // nullptr: refused
    };
    const Case cases[] = {
        {EChipPathMode::Auto, false, "raw"},     {EChipPathMode::Kernel, false, nullptr},
        {EChipPathMode::Raw, false, "raw"},      {EChipPathMode::Auto, true, "kernel"},
        {EChipPathMode::Kernel, true, "kernel"}, {EChipPathMode::Raw, true, "raw"}};
    // Another chip's device is never taken for this one.
    std::filesystem::create_directories(sysfs.PathOf("class/hwmon/hwmon0"));
    std::filesystem::create_directories(sysfs.PathOf("class/hwmon/hwmon1/device"));
    ASSERT_TRUE(sysfs.WriteFile("class/hwmon/hwmon0/name", "nct6775\n"));
    for (const Case& c : cases) {
        if (c.driverLoaded) {
            // Older kernels keep the name and attributes on the platform device.
            ASSERT_TRUE(sysfs.WriteFile("class/hwmon/hwmon1/device/name", "w83627ehf\n"));
        }
        std::string error;
        auto path = CChipPath::Choose(c.mode, io, &error);
        if (c.chosen == nullptr) {
            EXPECT_EQ(path, nullptr);
            EXPECT_NE(error.find("no hwmon device named w83627ehf under " + sysfs.Path()),
                      std::string::npos)
                << error;
            continue;
        }
        ASSERT_NE(path, nullptr) << error;
        EXPECT_STREQ(path->Label(), c.chosen);
    }
    EXPECT_EQ(FindHwmonDevice(sysfs.Path(), "w83627ehf"),
              sysfs.Path() + "/class/hwmon/hwmon1/device");
    EChipPathMode mode = EChipPathMode::Auto;
    EXPECT_TRUE(ParseChipPathMode("kernel", &mode));
    EXPECT_EQ(mode, EChipPathMode::Kernel);
    EXPECT_FALSE(ParseChipPathMode("Kernel", &mode));
}

TEST_F(ChipPathTest, ASessionOverTheKernelSaysSoAndShowsNoBeep) {
    UseSimBoardFile();
    CKernelWay kernel;
    auto path = CChipPath::Kernel(kernel.Dir(), std::make_unique<CHwmonFileWriter>(kernel.Dir()));
    CPortGuard guard{io, [this] { return machine.now; }};
    CMonitorSession session(machine, guard, *path);
    session.StartEngine();
    session.FirstPass();
    auto pass = session.Snapshot();
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->chipPath, "kernel");
    EXPECT_FALSE(pass->beepOffered);
    ASSERT_TRUE(pass->globalBeep.has_value());
    EXPECT_FALSE(*pass->globalBeep);
    for (const SItemSnapshot& item : pass->items)
        EXPECT_FALSE(item.beepEnable) << item.name;
    EXPECT_TRUE(pass->statusRead);
    const auto problems = ProblemLines(*pass);
    const auto said = std::count_if(problems.begin(), problems.end(), [](const std::string& l) {
        return l.find("no beeper control") != std::string::npos;
    });
    EXPECT_EQ(said, 1);
    EXPECT_FALSE(session.Commands().BeepOffered());
    session.End();
    EXPECT_TRUE(io.Log().empty()) << "no raw port access on the kernel's way";
}

}  // namespace
