// The monitor's register map against the chip's registers written out again here, in the
// notation of the Linux kernel's w83627ehf driver (a register is bank << 8 | index, an alarm is
// bit n of the status bytes from 0x459 on) so that each row reads against that driver's tables.
// What that driver does not use (beep bits, SMI masks, control flags, the set-up writes) is
// written as this program has always used it. A typo in the map fails here.

#include "w83627ehf_map.h"

#include <gtest/gtest.h>

#include <ostream>

#include "pin_table.h"

namespace {

struct Where {
    uint16_t reg;  // bank << 8 | index
    uint8_t shift = 0;
    uint8_t width = 8;
    bool operator==(const Where&) const = default;
};
void PrintTo(const Where& w, std::ostream* out) {
    *out << std::hex << "0x" << w.reg << std::dec << " bits " << w.shift + w.width - 1 << ".."
         << int{w.shift};
}
Where Of(const ehf::SChipField& f) {
    return {static_cast<uint16_t>(f.bank << 8 | f.index), f.shift, f.width};
}
Where Alarm(int n) {
    return {static_cast<uint16_t>(0x459 + n / 8), static_cast<uint8_t>(n % 8), 1};
}
Where Bit(uint16_t reg, uint8_t bit) {
    return {reg, bit, 1};
}

const PinRecord& Pin(const char* name) {
    const PinRecord* pin = FindPin(name);
    EXPECT_NE(pin, nullptr) << name;
    static const PinRecord none{};
    return pin != nullptr ? *pin : none;
}

// The pin's beep and status bits as the map gives them.
void ExpectAlarmBits(const char* name, Where beep, Where status) {
    const ehf::SAlarmBits* bits = ehf::FindAlarmBits(PinRegister(Pin(name)), PinBank(Pin(name)));
    ASSERT_NE(bits, nullptr) << name;
    EXPECT_EQ(Of(bits->beep), beep) << name;
    EXPECT_EQ(Of(bits->status), status) << name;
}

}  // namespace

TEST(W83627EHFMap, VoltageInputs) {
    struct Row {
        const char* name;
        uint16_t in, max, min;
        int alarm;
        Where beep;
    };
    const Row rows[] = {
        {"VCORE", 0x020, 0x02B, 0x02C, 0, Bit(0x056, 0)},
        {"VIN0", 0x021, 0x02D, 0x02E, 1, Bit(0x056, 1)},
        {"VAVCC", 0x022, 0x02F, 0x030, 2, Bit(0x056, 2)},
        {"V3VCC", 0x023, 0x031, 0x032, 3, Bit(0x056, 3)},
        {"VIN1", 0x024, 0x033, 0x034, 8, Bit(0x057, 0)},
        {"VIN2", 0x025, 0x035, 0x036, 21, Bit(0x057, 1)},
        {"VIN3", 0x026, 0x037, 0x038, 20, Bit(0x057, 2)},
        {"VSB", 0x550, 0x554, 0x555, 16, Bit(0x453, 0)},
        {"VBAT", 0x551, 0x556, 0x557, 17, Bit(0x453, 1)},
        {"VIN4", 0x552, 0x558, 0x559, 19, Bit(0x453, 3)},
    };
    for (const Row& r : rows) {
        const ehf::SVoltageInput* in = ehf::FindVoltageInput(PinRegister(Pin(r.name)));
        ASSERT_NE(in, nullptr) << r.name;
        EXPECT_EQ(Of(in->reading), Where{r.in}) << r.name;
        EXPECT_EQ(Of(in->high), Where{r.max}) << r.name;
        EXPECT_EQ(Of(in->low), Where{r.min}) << r.name;
        EXPECT_EQ(PinBank(Pin(r.name)), r.in >> 8) << r.name;
        ExpectAlarmBits(r.name, r.beep, Alarm(r.alarm));
    }
}

TEST(W83627EHFMap, TemperatureInputs) {
    struct Row {
        const char* name;
        uint16_t temp, over, hyst;  // the whole byte; the half byte follows where there is one
        bool half;
        int alarm;
        Where beep;
    };
    const Row rows[] = {
        {"SYSTEMPERATURE", 0x027, 0x039, 0x03A, false, 4, Bit(0x056, 4)},
        {"CPUTEMPERATURE", 0x150, 0x155, 0x153, true, 5, Bit(0x056, 5)},
        {"AUXTEMPERATURE", 0x250, 0x255, 0x253, true, 13, Bit(0x057, 5)},
    };
    for (const Row& r : rows) {
        const uint16_t bank = PinBank(Pin(r.name)) << 8;
        const ehf::STemperatureInput* t = ehf::FindTemperatureInput(PinRegister(Pin(r.name)));
        ASSERT_NE(t, nullptr) << r.name;
        const auto reg = [&](uint8_t index) {
            return index == ehf::NO_REGISTER ? 0 : bank | index;
        };
        EXPECT_EQ(reg(t->whole), r.temp) << r.name;
        EXPECT_EQ(reg(t->half), r.half ? r.temp + 1 : 0) << r.name;
        EXPECT_EQ(reg(t->highWhole), r.over) << r.name;
        EXPECT_EQ(reg(t->highHalf), r.half ? r.over + 1 : 0) << r.name;
        EXPECT_EQ(reg(t->lowWhole), r.hyst) << r.name;
        EXPECT_EQ(reg(t->lowHalf), r.half ? r.hyst + 1 : 0) << r.name;
        ExpectAlarmBits(r.name, r.beep, Alarm(r.alarm));
    }
}

TEST(W83627EHFMap, FanInputs) {
    struct Row {
        const char* name;
        uint16_t fan, min;
        Where divLow, divHigh;
        int alarm;
        Where beep;
    };
    const Row rows[] = {
        {"SYSFAN", 0x028, 0x03B, {0x047, 4, 2}, Bit(0x05D, 5), 6, Bit(0x056, 6)},
        {"CPUFAN0", 0x029, 0x03C, {0x047, 6, 2}, Bit(0x05D, 6), 7, Bit(0x056, 7)},
        {"AUXFAN0", 0x02A, 0x03D, {0x04B, 6, 2}, Bit(0x05D, 7), 11, Bit(0x057, 3)},
        {"CPUFAN1", 0x03F, 0x03E, {0x059, 0, 2}, Bit(0x04C, 7), 10, Bit(0x04E, 4)},
        {"AUXFAN1", 0x553, 0x55C, {0x059, 2, 2}, Bit(0x059, 7), 23, Bit(0x04E, 5)},
    };
    for (const Row& r : rows) {
        const ehf::SFanInput* fan = ehf::FindFanInput(PinRegister(Pin(r.name)));
        ASSERT_NE(fan, nullptr) << r.name;
        EXPECT_EQ(Of(fan->count), Where{r.fan}) << r.name;
        EXPECT_EQ(Of(fan->limit), Where{r.min}) << r.name;
        EXPECT_EQ(Of(fan->divisorLow), r.divLow) << r.name;
        EXPECT_EQ(Of(fan->divisorHigh), r.divHigh) << r.name;
        ExpectAlarmBits(r.name, r.beep, Alarm(r.alarm));
    }
}

TEST(W83627EHFMap, FanControls) {
    struct Row {
        const char* name;
        uint16_t pwm;
        Where enable, mode;  // the kernel's pwm_enable and pwm_mode fields
        uint16_t target;
        Where tolerance;
        uint16_t stop, start;
        Where flag;
    };
    const Row rows[] = {
        {"SYSFAN",
         0x001,
         {0x004, 2, 2},
         Bit(0x004, 0),
         0x005,
         {0x007, 0, 4},
         0x008,
         0x00A,
         Bit(0x012, 5)},
        {"CPUFAN0",
         0x003,
         {0x004, 4, 2},
         Bit(0x004, 1),
         0x006,
         {0x007, 4, 4},
         0x009,
         0x00B,
         Bit(0x012, 4)},
        {"AUXFAN0",
         0x011,
         {0x012, 1, 2},
         Bit(0x012, 0),
         0x013,
         {0x014, 0, 4},
         0x015,
         0x016,
         Bit(0x012, 3)},
        // Fan 4's tolerance is bits 3..0 of 0x062, as the kernel driver has it: its own field,
        // not CPUFAN0's bits 7..4 of 0x007.
        {"CPUFAN1",
         0x061,
         {0x062, 4, 2},
         Bit(0x062, 6),
         0x063,
         {0x062, 0, 4},
         0x064,
         0x065,
         Bit(0x012, 6)},
    };
    for (const Row& r : rows) {
        const ehf::SFanControl* c = ehf::FindFanControl(PinRegister(Pin(r.name)));
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(Of(c->duty), Where{r.pwm}) << r.name;
        EXPECT_EQ(Of(c->mode), r.enable) << r.name;
        EXPECT_EQ(Of(c->outputType), r.mode) << r.name;
        EXPECT_EQ(Of(c->target), (Where{r.target, 0, 7})) << r.name;
        EXPECT_EQ(Of(c->tolerance), r.tolerance) << r.name;
        EXPECT_EQ(Of(c->stopValue), Where{r.stop}) << r.name;
        EXPECT_EQ(Of(c->startValue), Where{r.start}) << r.name;
        EXPECT_EQ(Of(c->controlFlag), r.flag) << r.name;
        // Fields that share their register are read, changed and written back; the others are
        // written whole (the target's bit 7 as 0).
        for (const ehf::SChipField& f : {c->mode, c->outputType, c->tolerance, c->controlFlag})
            EXPECT_EQ(f.kept, static_cast<uint8_t>(~ehf::FieldMask(f))) << r.name;
        for (const ehf::SChipField& f : {c->duty, c->target, c->stopValue, c->startValue})
            EXPECT_EQ(f.kept, 0) << r.name;
    }
    EXPECT_EQ(ehf::FindFanControl(PinRegister(Pin("AUXFAN1"))), nullptr);
}

TEST(W83627EHFMap, MasksStatusAndSetUpRegisters) {
    const Where smi[] = {{0x043}, {0x044}, {0x046}, {0x451}};
    const Where beep[] = {{0x056}, {0x057}, {0x453}, {0x04E}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Of(ehf::SMI_MASKS[i]), smi[i]) << i;
        EXPECT_EQ(Of(ehf::BEEP_MASKS[i]), beep[i]) << i;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Of(ehf::REALTIME_STATUS[i]), Where{static_cast<uint16_t>(0x459 + i)}) << i;
    EXPECT_EQ(Of(ehf::BANK_SELECT), (Where{0x04E, 0, 3}));
    EXPECT_EQ(ehf::BANK_SELECT.kept, 0xF8);
    EXPECT_EQ(Of(ehf::BANK_SELECT_BEEP_BITS), (Where{0x04E, 4, 2}));
    EXPECT_EQ(ehf::BANK_SELECT_BEEP_BITS.kept, 0x07);
    EXPECT_EQ(Of(ehf::GLOBAL_BEEP), Bit(0x057, 7));
    EXPECT_EQ(Of(ehf::FAN_CONTROL_FLAGS), Where{0x012});
    EXPECT_EQ(Of(ehf::SETUP_REGISTER_0E), Where{0x00E});
    EXPECT_EQ(Of(ehf::SETUP_BANK4_REGISTER_53_BIT5), Bit(0x453, 5));
    EXPECT_EQ(Of(ehf::SETUP_REGISTER_47_BIT0), Bit(0x047, 0));
}
