// The simulated board seen both ways at once: through its registers and through the simulated
// kernel driver. Every item reads the same value either way, and limits the engine writes
// through the kernel's attributes reach the chip's registers.

#include <gtest/gtest.h>

#include <cstring>

#include "engine_fixture.h"
#include "hwmon_channels.h"
#include "hwmon_chip.h"
#include "hwmon_device.h"
#include "sim_hwmon_device.h"

namespace {

// Writes as vorn-iod does: straight to the simulated driver, which takes them at once.
class CSimDeviceWriter : public IHwmonWriter {
  public:
    explicit CSimDeviceWriter(CSimHwmonDevice& device) : m_device(device) {}
    bool Write(const std::string& attribute, const std::string& value,
               std::string* error) override {
        int e = m_device.Write(attribute, value);
        if (e != 0)
            *error = attribute + ": " + std::strerror(e);
        return e == 0;
    }

  private:
    CSimHwmonDevice& m_device;
};

struct SimKernelDriver : EngineFixture {
    CTempDir sysfs;
};

TEST_F(SimKernelDriver, BothWaysShowTheSameBoard) {
    UseSimBoardFile();
    Sim("set CPUFAN0 2411");
    Sim("set CPUTEMPERATURE 47.5");
    CSimHwmonDevice device(*board, sysfs.Path());
    std::string error;
    ASSERT_TRUE(device.Start(&error)) << error;
    const std::string dir = FindHwmonDevice(sysfs.Path(), HWMON_CHIP_NAME);
    ASSERT_FALSE(dir.empty());
    CSimDeviceWriter writer(device);
    CHwmonChipAccess kernel(dir, writer);

    auto raw = Start();
    ASSERT_EQ(raw->StartProblem(), EStartProblem::None);
    CMonitorEngine viaKernel(machine, kernel);
    ASSERT_TRUE(viaKernel.Initialize());
    device.Refresh();
    ASSERT_TRUE(raw->UpdateAll());
    ASSERT_TRUE(viaKernel.UpdateAll());

    ASSERT_EQ(raw->Items().size(), viaKernel.Items().size());
    for (size_t i = 0; i < raw->Items().size(); ++i) {
        const CSensorItem& r = *raw->Items()[i];
        const CSensorItem& k = *viaKernel.Items()[i];
        EXPECT_DOUBLE_EQ(k.GetValue(), r.GetValue()) << r.GetName();
        EXPECT_EQ(k.IsAlarm(), r.IsAlarm()) << r.GetName();
    }

    // A limit set through the kernel's attributes is the one the registers hold.
    CSensorItem* cpu = viaKernel.FindItem(11);
    ASSERT_NE(cpu, nullptr);
    ASSERT_TRUE(cpu->SetLimits(66.5, 61));
    CSensorItem* same = raw->FindItem(11);
    ASSERT_TRUE(same->ReadLimits());
    double hi = 0, lo = 0;
    same->GetLimits(&hi, &lo);
    EXPECT_DOUBLE_EQ(hi, 66.5);
    EXPECT_DOUBLE_EQ(lo, 61.5) << "the half degree follows the high limit's, as over registers";
    device.Stop();
}

}  // namespace
