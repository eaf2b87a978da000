// The monitor on machines without the chip, through the session as every face sees it: items
// from every hwmon sensor of the machine, the chip never touched, a sensor that vanishes shown
// stale and found again when it comes back, the user's settings following the sensor.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine_fixture.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "monitor_session.h"
#include "snapshot_text.h"

namespace {

namespace fs = std::filesystem;

const std::string FIXTURES = std::string(VORN_HWMON_MACHINES) + "/";

// A port with no chip behind it, counting what reached it.
class CNoChipPort : public IPortIo {
  public:
    int InPortB(uint16_t, uint8_t*) override { return ++accesses, 0; }
    int OutPortB(uint16_t, uint8_t) override { return ++accesses, 0; }
    int accesses = 0;
};

class HwmonSessionTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        machine.facts["MBModel"] = "NO-BOARD";
    }
    void TearDown() override {
        if (session)
            session->End();
        session.reset();
        EngineFixture::TearDown();
    }
    // The machine's sysfs tree becomes a copy of a fixture machine, which the test may change.
    void UseMachine(const std::string& name) {
        fs::remove_all(sysfsRoot);
        fs::create_directories(sysfsRoot);
        fs::copy(FIXTURES + name, sysfsRoot,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    std::shared_ptr<const SPassSnapshot> Start() {
        if (session)
            session->End();
        session = std::make_unique<CMonitorSession>(machine, guard, [this] { return wallMs; });
        session->StartEngine();
        session->FirstPass();
        return session->Snapshot();
    }
    std::shared_ptr<const SPassSnapshot> Tick(int seconds = 2) {
        machine.AdvanceSeconds(seconds);
        wallMs += seconds * 1000;
        session->RunPass();
        return session->Snapshot();
    }
    static const SItemSnapshot* Named(const SPassSnapshot& s, const std::string& name) {
        for (const SItemSnapshot& item : s.items) {
            if (item.name == name)
                return &item;
        }
        ADD_FAILURE() << "no item " << name;
        return nullptr;
    }
    std::string ClassLink(const std::string& hwmon) const {
        return sysfsRoot + "/class/hwmon/" + hwmon;
    }

    CNoChipPort port;
    CPortGuard guard{port, [this] { return machine.now; }};
    int64_t wallMs = 1'765'000'000'000;
    std::unique_ptr<CMonitorSession> session;
};

// A desktop's sensors as the session publishes them (the real programs' tests check names and
// values on every fixture machine): the kernel's alarms raised, an open input shown as read, the
// readings counted as the pass's, and the chip never reached.
TEST_F(HwmonSessionTest, SensorsArePublishedWithTheirAlarms) {
    UseMachine("amd_desktop");
    auto s = Start();
    const auto devices = ScanHwmonDevices(sysfsRoot);
    const auto readings = ReadHwmonDevices(devices);
    EXPECT_TRUE(s->hwmonItems);
    EXPECT_FALSE(s->chipUsed);
    EXPECT_TRUE(s->chipAnswered && s->statusRead);
    size_t k = 0;
    for (size_t d = 0; d < devices.size(); ++d) {
        for (size_t c = 0; c < devices[d].Channels.size(); ++c, ++k) {
            ASSERT_LT(k, s->items.size());
            const SItemSnapshot& item = s->items[k];
            EXPECT_EQ(item.deviceId, devices[d].Identity);
            EXPECT_EQ(item.sensor, devices[d].Channels[c].Channel);
            EXPECT_FALSE(item.stale);
            EXPECT_EQ(item.alarm, readings[d][c].Alarm.value_or(false)) << item.name;
        }
    }
    EXPECT_EQ(k, s->items.size());
    const SItemSnapshot* open = Named(*s, "it8688 temp3");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->value, -128) << "an open input is shown as read";
    EXPECT_EQ(ItemTexts(*open, true).status, "Normal") << "no limit under it";
    EXPECT_EQ(port.accesses, 0) << "no item reads the chip";
}

// A device unplugged between passes: its items go stale, the others read on, and nothing
// blocks; a disk asleep (no data) is stale too. Plugged back under another hwmonN, the device
// is found again within the look-again interval and its items read.
TEST_F(HwmonSessionTest, AVanishedSensorIsStaleAndFoundAgain) {
    UseMachine("amd_desktop");
    auto s = Start();
    const std::string nvmeDir =
        sysfsRoot + "/devices/pci0000:00/0000:00:01.2/0000:01:00.0/nvme/nvme0/hwmon/";
    const std::string tctl = "k10temp Tctl";
    ASSERT_FALSE(Named(*s, tctl)->stale);
    const std::string composite = s->items.front().name;
    ASSERT_EQ(s->items.front().device, "nvme");
    ASSERT_FALSE(s->items.front().stale);

    fs::remove(ClassLink("hwmon0"));
    fs::rename(nvmeDir + "hwmon0", nvmeDir + "hwmon7");
    std::ofstream(sysfsRoot + "/devices/pci0000:00/0000:00:18.3/hwmon/hwmon1/temp1_input",
                  std::ios::trunc);
    s = Tick();
    EXPECT_TRUE(s->items.front().stale);
    EXPECT_TRUE(Named(*s, tctl)->stale) << "no data while it sleeps";
    EXPECT_FALSE(Named(*s, "it8688 fan1")->stale);

    fs::create_directory_symlink(
        "../../devices/pci0000:00/0000:00:01.2/0000:01:00.0/nvme/nvme0/hwmon/hwmon7",
        ClassLink("hwmon7"));
    std::ofstream(sysfsRoot + "/devices/pci0000:00/0000:00:18.3/hwmon/hwmon1/temp1_input",
                  std::ios::trunc)
        << "48250\n";
    s = Tick(HWMON_RESCAN_SECONDS);
    EXPECT_FALSE(s->items.front().stale) << "found again under hwmon7";
    EXPECT_EQ(s->items.front().name, composite);
    EXPECT_FALSE(Named(*s, tctl)->stale);
    EXPECT_DOUBLE_EQ(Named(*s, tctl)->value, 48.25);
}

// Limits the user sets on a sensor are kept under the sensor's identity, not its place in the
// table: with a device gone the table shifts, and the limit is still the sensor's. Nothing is
// written to the device.
TEST_F(HwmonSessionTest, UserSettingsFollowTheSensor) {
    UseMachine("amd_desktop");
    auto s = Start();
    const std::string tctl = "k10temp Tctl";
    const std::string deviceDir = sysfsRoot + "/devices/pci0000:00/0000:00:18.3/hwmon/hwmon1";
    const int32_t before = Named(*s, tctl)->itemNo;
    ASSERT_TRUE(session->Commands().SetItemLimits(before, 61, 61));
    ASSERT_TRUE(session->Commands().SetItemEnabled(Named(*s, "it8688 fan1")->itemNo, false));
    ASSERT_TRUE(session->Commands().SaveSettings());

    fs::remove(ClassLink("hwmon0"));
    s = Start();
    ASSERT_NE(Named(*s, tctl), nullptr);
    EXPECT_NE(Named(*s, tctl)->itemNo, before) << "the table shifted";
    EXPECT_NEAR(Named(*s, tctl)->hiLimit, 61, 1e-4);
    EXPECT_FALSE(Named(*s, "it8688 fan1")->enabled);
    EXPECT_TRUE(Named(*s, "it8688 fan2")->enabled);
    EXPECT_TRUE(Hive().KeyExists(
        "HKEY_CURRENT_USER\\Software\\VORN\\HWM\\hwmon\\devices/pci0000:00/0000:00:18.3/temp1"));
    // The device's files are as the fixture has them.
    for (const auto& entry : fs::directory_iterator(deviceDir)) {
        const std::string file = entry.path().filename().string();
        std::ifstream now(entry.path()),
            was(FIXTURES + "amd_desktop" + deviceDir.substr(sysfsRoot.size()) + "/" + file);
        std::stringstream a, b;
        a << now.rdbuf();
        b << was.rdbuf();
        if (file != "temp1_input") {
            EXPECT_EQ(a.str(), b.str()) << file;
        }
    }
}

// A hwmon sensor's sustained alarm powers the computer off as a chip item's does, and its
// countdown is in the snapshot every face shows.
TEST_F(HwmonSessionTest, ASustainedAlarmPowersOff) {
    UseMachine("amd_desktop");
    auto s = Start();
    const SItemSnapshot* stalled = Named(*s, "it8688 fan2");
    ASSERT_NE(stalled, nullptr);
    ASSERT_TRUE(stalled->alarm) << "the kernel's alarm for a stalled fan";
    ASSERT_TRUE(session->Commands().SetItemShutdown(stalled->itemNo, true));
    s = Tick();
    EXPECT_EQ(Named(*s, "it8688 fan2")->powerOffIn, SHUTDOWN_DELAY_SECONDS);
    for (int i = 0; i < SHUTDOWN_DELAY_SECONDS / 2 + 1 && machine.powerOff.requests == 0; ++i)
        Tick();
    EXPECT_EQ(machine.powerOff.requests, 1);
}

}  // namespace
