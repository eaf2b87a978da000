// The simulated kernel driver against the chip model: what its attributes show for register
// contents, and what a store puts into the registers, with the kernel's rounding and clamps.

#include "ehf_hwmon_driver.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "w83627ehf_model.h"

namespace {

class CModelRegisters : public IChipRegisterAccess {
  public:
    explicit CModelRegisters(CW83627ehfModel& chip) : m_chip(chip) {}
    uint8_t Read(uint16_t reg) override { return m_chip.Read(ToReg(reg)); }
    void Write(uint16_t reg, uint8_t value) override { m_chip.Write(ToReg(reg), value); }
    static sim_ehf::SReg ToReg(uint16_t reg) {
        return {static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF)};
    }

  private:
    CW83627ehfModel& m_chip;
};

class EhfHwmonDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Fast enough to be counted with the smallest divisor: no sweep changes a divisor.
        for (int fan = 0; fan < 5; ++fan)
            m_chip.SetFanInput(fan, 6000.0);
        m_driver.Probe(m_registers);
    }
    std::string Show(const std::string& name) {
        m_driver.Update(m_registers);
        return m_driver.Show(name).value_or("(none)");
    }
    uint8_t Reg(uint16_t reg) { return m_registers.Read(reg); }

    CW83627ehfModel m_chip;
    CModelRegisters m_registers{m_chip};
    CEhfHwmonDriver m_driver;
};

TEST_F(EhfHwmonDriverTest, ShowsReadingsInTheKernelsUnitsAndScaling) {
    m_chip.SetVoltageInput(0, 1.5);       // VCORE: 1.5 V / 8 mV = count 188 (187.5 rounded)
    m_chip.SetVoltageInput(2, 1.65);      // AVCC, halved inside the chip: count 206
    m_chip.SetTemperatureInput(0, 71.5);  // CPUTIN is temp2
    m_chip.SetTemperatureInput(2, 40.0);  // SYSTIN is temp1
    m_chip.SetFanDivisorCode(0, 2);
    m_chip.SetFanInput(0, 3000.0);  // count 1350000 / (3000 x 4) = 112.5 -> 113
    EXPECT_EQ(Show("in0_input"), std::to_string(m_chip.VoltageCount(0) * 8) + "\n");
    EXPECT_EQ(Show("in2_input"), std::to_string(m_chip.VoltageCount(2) * 16) + "\n");
    EXPECT_EQ(Show("temp1_input"), "40000\n");
    EXPECT_EQ(Show("temp2_input"), "71500\n");
    EXPECT_EQ(Show("fan1_div"), "4\n");
    EXPECT_EQ(Show("fan1_input"), std::to_string(1350000 / (m_chip.FanCount(0) * 4)) + "\n");
    EXPECT_EQ(Show("name"), "w83627ehf\n");
}

struct StoreCase {
    const char* attribute;
    const char* text;
    int error;
    uint16_t reg;  // register to look at (0: none)
    uint8_t regValue;
    const char* shows;  // what the attribute reads afterwards (nullptr: not checked)
};

TEST_F(EhfHwmonDriverTest, StoresWithTheKernelsRoundingClampsAndRefusals) {
    const StoreCase cases[] = {
        // Temperatures: nearest half degree; temp1's register has no half-degree byte.
        {"temp1_max", "55300", 0, 0x39, 55, "55000\n"},
        {"temp1_max", "55700", 0, 0x39, 55, "55000\n"},
        {"temp1_max", "55800", 0, 0x39, 56, "56000\n"},
        {"temp2_max", "55300", 0, 0x156, 0x80, "55500\n"},
        {"temp2_max", "200000", 0, 0x155, 125, "125000\n"},
        {"temp3_max_hyst", "-60000", 0, 0x253, 0xC9, "-55000\n"},
        // Voltages: 8 mV a count, 16 mV on the doubled inputs, nearest count, at most 255.
        {"in0_min", "1000", 0, 0x2C, 125, "1000\n"},
        {"in2_max", "3300", 0, 0x2F, 206, "3296\n"},
        {"in0_max", "5000", 0, 0x2B, 255, "2040\n"},
        {"in7_min", "3000", 0, 0x555, 188, "3008\n"},
        {"in0_min", "-1", EINVAL, 0, 0, nullptr},
        {"in0_min", "1.5", EINVAL, 0, 0, nullptr},
        // Fan minimum: the divisor that puts the count in 96..192, else the nearest it can.
        {"fan1_min", "3000", 0, 0x3B, 112, "3013\n"},
        {"fan1_min", "10", 0, 0x3B, 254, "41\n"},
        {"fan2_min", "2000000", 0, 0x3C, 1, "1350000\n"},
        {"fan3_min", "0", 0, 0x3D, 255, "0\n"},
        {"fan1_min", "-5", EINVAL, 0, 0, nullptr},
        // Fan control.
        {"pwm1", "300", 0, 0x01, 255, "255\n"},
        {"pwm1", "-3", 0, 0x01, 0, "0\n"},
        {"pwm1_enable", "0", EINVAL, 0, 0, nullptr},
        {"pwm1_enable", "5", EINVAL, 0, 0, nullptr},
        {"pwm1_enable", "2", 0, 0x04, 0x04, "2\n"},
        {"pwm1_mode", "2", EINVAL, 0, 0, nullptr},
        {"pwm1_target", "45600", 0, 0x05, 46, "46000\n"},
        {"pwm3_target", "200000", 0, 0x13, 127, "127000\n"},
        {"pwm2_tolerance", "3400", 0, 0x07, 0x30, "3000\n"},
        {"pwm4_tolerance", "20000", 0, 0x62, 0x0F, "15000\n"},
        {"pwm1_start_output", "0", 0, 0x0A, 1, "1\n"},
        {"pwm1_stop_output", "-1", EINVAL, 0, 0, nullptr},
        {"in0_input", "5", EACCES, 0, 0, nullptr},
        {"in10_min", "5", ENOENT, 0, 0, nullptr},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(std::string(c.attribute) + " <- " + c.text);
        EXPECT_EQ(m_driver.Store(m_registers, c.attribute, c.text), c.error);
        if (c.reg != 0) {
            EXPECT_EQ(Reg(c.reg), c.regValue);
        }
        if (c.shows) {
            EXPECT_EQ(Show(c.attribute), c.shows);
        }
    }
}

TEST_F(EhfHwmonDriverTest, FanMinimumMovesTheDivisorBitsAndAStalledFanGetsALargerDivisor) {
    ASSERT_EQ(m_driver.Store(m_registers, "fan1_min", "10"), 0);
    EXPECT_EQ(m_chip.FanDivisorCode(0), 7);
    EXPECT_EQ(Show("fan1_div"), "128\n");

    ASSERT_EQ(m_driver.Store(m_registers, "fan4_min", "3000"), 0);
    EXPECT_EQ(m_chip.FanDivisorCode(3), 2);
    m_chip.SetFanInput(3, 0.0);  // stalled: count 255
    Show("fan4_input");
    EXPECT_EQ(m_chip.FanDivisorCode(3), 3);
    EXPECT_EQ(Reg(0x3E), 56);  // the limit halved with the doubled divisor: the same speed
}

}  // namespace
