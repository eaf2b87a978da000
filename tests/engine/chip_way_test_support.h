#pragma once
// The two ways to the chip as test benches with one view of the chip's state: register counts,
// limit counts, alarms and fan-control values. The raw way is a bare register file behind the
// ports; the kernel way is a hwmon attribute tree in a temporary directory, shown and read back
// with the kernel driver's units and rounding (millivolts with its doubled inputs,
// millidegrees, rpm at fan divisor 1).

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "chip_conversions.h"
#include "fake_chip_backend.h"
#include "hwmon_chip.h"
#include "hwmon_file_writer.h"
#include "raw_chip.h"
#include "sim_port_io.h"
#include "temp_dir.h"
#include "w83627ehf_map.h"

struct SFanState {
    bool automatic = false;
    uint8_t target = 0, tolerance = 0, start = 0, stop = 0, duty = 0;
    bool operator==(const SFanState&) const = default;
};

inline std::ostream& operator<<(std::ostream& o, const SFanState& f) {
    return o << (f.automatic ? "auto" : "manual") << " target " << int(f.target) << " tol "
             << int(f.tolerance) << " start " << int(f.start) << " stop " << int(f.stop) << " duty "
             << int(f.duty);
}

class CRawWay {
  public:
    CRawWay() { io.Attach(&regs); }
    IChipAccess& Access() { return access; }

    void PutVoltage(uint8_t pin, uint8_t count) { Put(ehf::FindVoltageInput(pin)->reading, count); }
    void VoltageLimits(uint8_t pin, uint8_t* high, uint8_t* low) {
        *high = Get(ehf::FindVoltageInput(pin)->high);
        *low = Get(ehf::FindVoltageInput(pin)->low);
    }
    void PutTemperature(uint8_t pin, uint8_t bank, uint8_t whole, bool half) {
        const ehf::STemperatureInput* t = ehf::FindTemperatureInput(pin);
        regs.Set(bank, t->whole, whole);
        if (t->half != ehf::NO_REGISTER)
            regs.Set(bank, t->half, half ? ehf::HALF_DEGREE : 0);
    }
    // High whole, high half, low whole, low half; an input without half bytes shows 0 there.
    std::array<uint8_t, 4> TemperatureLimits(uint8_t pin, uint8_t bank) {
        const ehf::STemperatureInput* t = ehf::FindTemperatureInput(pin);
        auto half = [&](uint8_t reg) {
            return reg == ehf::NO_REGISTER ? uint8_t{0} : regs.Get(bank, reg);
        };
        return {regs.Get(bank, t->highWhole), half(t->highHalf), regs.Get(bank, t->lowWhole),
                half(t->lowHalf)};
    }
    void PutFan(uint8_t pin, uint8_t count) { Put(ehf::FindFanInput(pin)->count, count); }
    uint8_t FanLimitCount(uint8_t pin) { return Get(ehf::FindFanInput(pin)->limit); }
    void PutAlarm(uint8_t pin, uint8_t bank) {
        const ehf::SChipField& bit = ehf::FindAlarmBits(pin, bank)->status;
        Put(bit, static_cast<uint8_t>(Get(bit) | (1u << bit.shift)));
    }
    void PutFanControl(uint8_t pin, const SFanState& f) {
        const ehf::SFanControl* c = ehf::FindFanControl(pin);
        PutField(c->mode, f.automatic ? 1 : 0);
        PutField(c->target, f.target);
        PutField(c->tolerance, f.tolerance);
        Put(c->startValue, f.start);
        Put(c->stopValue, f.stop);
        Put(c->duty, f.duty);
    }
    SFanState FanControl(uint8_t pin) {
        const ehf::SFanControl* c = ehf::FindFanControl(pin);
        return {GetField(c->mode) == 1, GetField(c->target), GetField(c->tolerance),
                Get(c->startValue),     Get(c->stopValue),   Get(c->duty)};
    }

  private:
    void Put(const ehf::SChipField& f, uint8_t v) { regs.Set(f.bank, f.index, v); }
    uint8_t Get(const ehf::SChipField& f) { return regs.Get(f.bank, f.index); }
    void PutField(const ehf::SChipField& f, uint8_t v) { Put(f, ehf::WithField(Get(f), f, v)); }
    uint8_t GetField(const ehf::SChipField& f) {
        return static_cast<uint8_t>((Get(f) & ehf::FieldMask(f)) >> f.shift);
    }

    CFakeChipBackend regs;
    CSimPortIo io;
    CRawChipAccess access{io};
};

// The kernel driver's channel of each pin and its millivolts per count, as its source has them,
// stated here apart from the code under test.
struct SKernelChannel {
    uint8_t pin, bank;
    const char* channel;
    int scale;  // millivolts per count; voltages only
};
inline constexpr SKernelChannel KERNEL_CHANNELS[] = {
    {0x20, 0, "in0", 8},   {0x21, 0, "in1", 8},  {0x22, 0, "in2", 16},  {0x23, 0, "in3", 16},
    {0x24, 0, "in4", 8},   {0x25, 0, "in5", 8},  {0x26, 0, "in6", 8},   {0x50, 5, "in7", 16},
    {0x51, 5, "in8", 16},  {0x52, 5, "in9", 8},  {0x27, 0, "temp1", 0}, {0x50, 1, "temp2", 0},
    {0x50, 2, "temp3", 0}, {0x28, 0, "fan1", 0}, {0x29, 0, "fan2", 0},  {0x2A, 0, "fan3", 0},
    {0x3F, 0, "fan4", 0},  {0x53, 5, "fan5", 0},
};
inline const SKernelChannel& KernelChannel(uint8_t pin, uint8_t bank) {
    for (const SKernelChannel& c : KERNEL_CHANNELS)
        if (c.pin == pin && (c.bank == bank || (pin != 0x50 && bank == 0)))
            return c;
    ADD_FAILURE() << "no kernel channel for pin " << int(pin) << " bank " << int(bank);
    return KERNEL_CHANNELS[0];
}
inline std::string KernelAttribute(uint8_t pin, uint8_t bank, const char* what) {
    return std::string(KernelChannel(pin, bank).channel) + "_" + what;
}
// The fan output of a fan input: pwm1..pwm4 for fan1..fan4.
inline std::string KernelPwm(uint8_t pin, const char* what = nullptr) {
    std::string fan = KernelChannel(pin, 0).channel;
    return "pwm" + fan.substr(3) + (what ? std::string("_") + what : "");
}

class CKernelWay {
  public:
    CKernelWay() {
        for (const SKernelChannel& c : KERNEL_CHANNELS) {
            const std::string channel = c.channel;
            for (const char* what : {"input", "min", "max", "max_hyst", "alarm"})
                Put(channel + "_" + what, 0);
            if (channel.starts_with("fan") && channel != "fan5") {
                Put(KernelPwm(c.pin), 255);
                for (const char* what :
                     {"enable", "target", "tolerance", "start_output", "stop_output"})
                    Put(KernelPwm(c.pin, what), 1);
            }
        }
    }
    IChipAccess& Access() { return access; }
    const std::string& Dir() const { return dir.Path(); }

    void PutVoltage(uint8_t pin, uint8_t count) {
        Put(KernelAttribute(pin, VoltageBank(pin), "input"),
            count * KernelChannel(pin, VoltageBank(pin)).scale);
    }
    void VoltageLimits(uint8_t pin, uint8_t* high, uint8_t* low) {
        const int scale = KernelChannel(pin, VoltageBank(pin)).scale;
        *high = Count(Get(KernelAttribute(pin, VoltageBank(pin), "max")), scale);
        *low = Count(Get(KernelAttribute(pin, VoltageBank(pin), "min")), scale);
    }
    void PutTemperature(uint8_t pin, uint8_t bank, uint8_t whole, bool half) {
        // SYSTIN has whole degrees only.
        Put(KernelAttribute(pin, bank, "input"),
            static_cast<int8_t>(whole) * 1000 + (half && pin != 0x27 ? 500 : 0));
    }
    std::array<uint8_t, 4> TemperatureLimits(uint8_t pin, uint8_t bank) {
        long high = Get(KernelAttribute(pin, bank, "max"));
        long low = Get(KernelAttribute(pin, bank, "max_hyst"));
        // The register holds the floor in whole degrees and a half-degree bit.
        auto whole = [](long m) { return static_cast<uint8_t>(std::floor(m / 1000.0)); };
        auto half = [](long m) { return uint8_t(((m % 1000) + 1000) % 1000 ? 0x80 : 0); };
        return {whole(high), half(high), whole(low), half(low)};
    }
    void PutFan(uint8_t pin, uint8_t count) {
        Put(KernelAttribute(pin, 0, "input"), count == 255 ? 0 : FAN_CLOCK / count);
    }
    uint8_t FanLimitCount(uint8_t pin) {
        long rpm = Get(KernelAttribute(pin, 0, "min"));
        return rpm == 0 ? 255 : static_cast<uint8_t>(std::min<long>(255, FAN_CLOCK / rpm));
    }
    void PutAlarm(uint8_t pin, uint8_t bank) { Put(KernelAttribute(pin, bank, "alarm"), 1); }
    void PutFanControl(uint8_t pin, const SFanState& f) {
        Put(KernelPwm(pin, "enable"), f.automatic ? 2 : 1);
        Put(KernelPwm(pin, "target"), f.target * 1000);
        Put(KernelPwm(pin, "tolerance"), f.tolerance * 1000);
        Put(KernelPwm(pin, "start_output"), f.start);
        Put(KernelPwm(pin, "stop_output"), f.stop);
        Put(KernelPwm(pin), f.duty);
    }
    SFanState FanControl(uint8_t pin) {
        auto byte = [](long v) { return static_cast<uint8_t>(v); };
        return {Get(KernelPwm(pin, "enable")) == 2,
                byte(Get(KernelPwm(pin, "target")) / 1000),
                byte(Get(KernelPwm(pin, "tolerance")) / 1000),
                byte(Get(KernelPwm(pin, "start_output"))),
                byte(Get(KernelPwm(pin, "stop_output"))),
                byte(Get(KernelPwm(pin)))};
    }

    void Put(const std::string& attribute, long value) {
        ASSERT_TRUE(dir.WriteFile(attribute, std::to_string(value) + "\n")) << attribute;
    }
    long Get(const std::string& attribute) {
        std::ifstream in(dir.PathOf(attribute));
        long v = -1;
        in >> v;
        EXPECT_TRUE(in) << attribute;
        return v;
    }

  private:
    static uint8_t VoltageBank(uint8_t pin) { return pin >= 0x50 ? 5 : 0; }
    // The kernel's rounding of millivolts to the chip's count.
    static uint8_t Count(long mv, int scale) {
        return static_cast<uint8_t>(std::clamp<long>((mv + scale / 2) / scale, 0, 255));
    }

    CTempDir dir;
    CHwmonFileWriter writer{dir.Path()};
    CHwmonChipAccess access{dir.Path(), writer};
};
