#include "hwmon_chip.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "chip_conversions.h"
#include "chip_register.h"
#include "hwmon_channels.h"
#include "item_binding.h"
#include "pin_table.h"
#include "w83627ehf_map.h"

namespace {

// The kernel's driver takes the temperature bytes as signed; the chip layer reads them as
// unsigned whole degrees plus a half-degree flag.
constexpr long MILLI = 1000;
constexpr long HALF_MILLI = 500;

long SignedMilli(uint8_t whole, bool half) {
    return static_cast<int8_t>(whole) * MILLI + (half ? HALF_MILLI : 0);
}

// Millidegrees to the chip's whole-degree byte and half flag, rounded to half degrees.
void BytesFromMilli(long milli, uint8_t* whole, uint8_t* half) {
    long halves = std::lround(static_cast<double>(milli) / HALF_MILLI);
    long floorWhole = halves >= 0 ? halves / 2 : -((-halves + 1) / 2);
    *whole = static_cast<uint8_t>(floorWhole & 0xFF);
    *half = (halves & 1) != 0 ? ehf::HALF_DEGREE : 0;
}

uint8_t CountFromMillivolts(long mv, int scale) {
    long count = std::lround(static_cast<double>(mv) / scale);
    return static_cast<uint8_t>(count < 0 ? 0 : count > 255 ? 255 : count);
}

// A pin the kernel has no channel of that kind for: the register path's rejection code.
int Reject(int code) {
    return code;
}

}  // namespace

// ---- Attribute access ----

int CHwmonChip::Read(const std::string& attribute, long* value) {
    const std::string path = m_dir + "/" + attribute;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ERR_PORT_READ;
    char text[32];
    ssize_t n = ::read(fd, text, sizeof(text) - 1);
    ::close(fd);
    if (n <= 0)
        return ERR_PORT_READ;
    text[n] = '\0';
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || (*end != '\0' && *end != '\n'))
        return ERR_PORT_READ;
    *value = v;
    return 1;
}

int CHwmonChip::Write(const std::string& attribute, long value) {
    std::string error;
    if (!m_writer.Write(attribute, std::to_string(value), &error)) {
        m_lastWriteError = error;
        return ERR_PORT_WRITE;
    }
    return 1;
}

// ---- Voltages ----

int CHwmonChip::ReadCount(int channel, const char* what, uint8_t* count) {
    long mv = 0;
    int r = Read(HwmonAttribute("in", channel, what), &mv);
    if (r >= 1)
        *count = CountFromMillivolts(mv, HwmonVoltageScale(channel));
    return r;
}

int CHwmonChip::ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) {
    int channel = HwmonVoltageChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    uint8_t count = 0;
    int r = ReadCount(channel, "input", &count);
    if (r >= 1)
        *volts = VoltsFromCount(count, factor, negative);
    return r;
}

int CHwmonChip::ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor,
                                  bool negative) {
    int channel = HwmonVoltageChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    uint8_t countHigh = 0, countLow = 0;
    int r = ReadCount(channel, "max", &countHigh);
    if (r >= 1)
        r = ReadCount(channel, "min", &countLow);
    if (r >= 1) {
        *high = LimitVoltsFromCount(countHigh, factor, negative);
        *low = LimitVoltsFromCount(countLow, factor, negative);
    }
    return r;
}

int CHwmonChip::SetVoltageLimits(uint8_t pin, double high, double low, double factor,
                                 bool negative) {
    int channel = HwmonVoltageChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    // The count the register path would write, in the kernel's millivolts: the kernel's
    // rounding gives the very same count back.
    const int scale = HwmonVoltageScale(channel);
    int r = Write(HwmonAttribute("in", channel, "max"),
                  static_cast<long>(CountFromVolts(high, factor, negative)) * scale);
    if (r >= 1)
        r = Write(HwmonAttribute("in", channel, "min"),
                  static_cast<long>(CountFromVolts(low, factor, negative)) * scale);
    return r;
}

// ---- Temperatures ----

int CHwmonChip::ReadHalfDegrees(int channel, const char* what, uint8_t* whole, uint8_t* half) {
    long milli = 0;
    int r = Read(HwmonAttribute("temp", channel, what), &milli);
    if (r >= 1)
        BytesFromMilli(milli, whole, half);
    return r;
}

int CHwmonChip::WriteHalfDegrees(int channel, const char* what, uint8_t whole, uint8_t half) {
    // SYSTIN holds whole degrees only.
    return Write(HwmonAttribute("temp", channel, what),
                 SignedMilli(whole, channel != 1 && half != 0));
}

int CHwmonChip::ReadTemperature(uint8_t pin, double* celsius, uint8_t bank) {
    int channel = HwmonTemperatureChannel(pin, bank);
    if (channel < 0)
        return Reject(ERR_NOT_TEMP_PIN);
    uint8_t whole = 0, half = 0;
    int r = ReadHalfDegrees(channel, "input", &whole, &half);
    if (r >= 1)
        *celsius = CelsiusFromBytes(whole, half);
    return r;
}

int CHwmonChip::ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank) {
    int channel = HwmonTemperatureChannel(pin, bank);
    if (channel < 0)
        return Reject(ERR_NOT_TEMP_PIN);
    uint8_t highWhole = 0, highHalf = 0, lowWhole = 0, lowHalf = 0;
    int r = ReadHalfDegrees(channel, "max", &highWhole, &highHalf);
    if (r >= 1)
        r = ReadHalfDegrees(channel, "max_hyst", &lowWhole, &lowHalf);
    if (r >= 1) {
        *high = CelsiusFromBytes(highWhole, highHalf);
        *low = CelsiusFromBytes(lowWhole, lowHalf);
    }
    return r;
}

int CHwmonChip::SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) {
    int channel = HwmonTemperatureChannel(pin, bank);
    if (channel < 0)
        return Reject(ERR_NOT_TEMP_PIN);
    // As over registers: the half degree follows the high limit's fraction, for both limits.
    bool clamped = !(high >= 0 && high < 256);
    uint8_t half = !clamped && high - std::trunc(high) != 0 ? ehf::HALF_DEGREE : 0;
    int r = WriteHalfDegrees(channel, "max", WholeDegrees(high), half);
    if (r >= 1)
        r = WriteHalfDegrees(channel, "max_hyst", WholeDegrees(low), half);
    return r;
}

// ---- Fans ----

int CHwmonChip::ReadFanSpeed(uint8_t pin, int* rpm) {
    int channel = HwmonFanChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_FAN_PIN);
    long value = 0;
    int r = Read(HwmonAttribute("fan", channel, "input"), &value);
    if (r >= 1)
        *rpm = static_cast<int>(value);
    return r;
}

int CHwmonChip::ReadFanLimit(uint8_t pin, int* rpm) {
    int channel = HwmonFanChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_FAN_PIN);
    long value = 0;
    int r = Read(HwmonAttribute("fan", channel, "min"), &value);
    if (r >= 1)
        *rpm = static_cast<int>(value);
    return r;
}

int CHwmonChip::SetFanLimit(uint8_t pin, int rpm) {
    int channel = HwmonFanChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_FAN_PIN);
    if (rpm <= 0)
        return 0;
    return Write(HwmonAttribute("fan", channel, "min"), rpm);
}

int CHwmonChip::ClearFanLimit(uint8_t pin) {
    int channel = HwmonFanChannel(pin);
    if (channel < 0)
        return Reject(ERR_NOT_FAN_PIN);
    // The kernel's 0 rpm is the slowest count.
    return Write(HwmonAttribute("fan", channel, "min"), 0);
}

// ---- Alarms ----

int CHwmonChip::ReadRealTimeStatus(uint8_t s[3]) {
    // Every input's alarm attribute into the status bit the register path would read. An input
    // the device lacks (the kernel leaves some out on some boards) stays clear; no alarm
    // attribute at all is a failed read.
    uint8_t status[3] = {0, 0, 0};
    int read = 0;
    int firstFailure = ERR_PORT_READ;
    for (const PinRecord& record : PIN_TABLE) {
        const uint8_t pin = PinRegister(record), bank = PinBank(record);
        std::string attribute;
        if (int t = HwmonTemperatureChannel(pin, bank); t > 0)
            attribute = HwmonAttribute("temp", t, "alarm");
        else if (int f = HwmonFanChannel(pin); f > 0)
            attribute = HwmonAttribute("fan", f, "alarm");
        else if (int v = HwmonVoltageChannel(pin); v >= 0)
            attribute = HwmonAttribute("in", v, "alarm");
        ItemBits bits{};
        if (attribute.empty() || !FindItemBits(pin, bank, &bits))
            continue;
        long alarm = 0;
        int r = Read(attribute, &alarm);
        if (r < 1) {
            firstFailure = r;
            continue;
        }
        ++read;
        if (alarm != 0)
            status[bits.statusByte] |= static_cast<uint8_t>(1u << bits.statusBit);
    }
    if (read == 0)
        return firstFailure;
    for (int i = 0; i < 3; ++i)
        s[i] = status[i];
    return 1;
}

// ---- Fan control ----

int CHwmonChip::PwmChannel(uint8_t pin, int* channel) {
    if (HwmonFanChannel(pin) < 0)
        return Reject(ERR_NOT_FAN_PIN);
    *channel = HwmonPwmChannel(pin);
    return *channel > 0 ? 1 : 0;  // AUXFAN1 has no fan control
}

namespace {
// pwmN_enable: 1 manual, 2 thermal cruise, the chip's automatic mode.
constexpr long PWM_MANUAL = 1;
constexpr long PWM_THERMAL_CRUISE = 2;
constexpr long FULL_DUTY = 255;
}  // namespace

int CHwmonChip::WriteSmartFanMode(uint8_t pin, bool on) {
    int channel = 0;
    int r = PwmChannel(pin, &channel);
    if (r < 1)
        return r;
    r = Write(HwmonAttribute("pwm", channel, "enable"), on ? PWM_THERMAL_CRUISE : PWM_MANUAL);
    if (r < 1 || on)
        return r;
    return Write("pwm" + std::to_string(channel), FULL_DUTY);
}

int CHwmonChip::SetFanTarget(uint8_t pin, uint8_t celsius) {
    // The kernel clamps what the chip would refuse; refuse it here as the register path does.
    if (celsius > 127)
        return 0;
    int channel = 0;
    int r = PwmChannel(pin, &channel);
    return r < 1 ? r : Write(HwmonAttribute("pwm", channel, "target"), celsius * MILLI);
}

int CHwmonChip::SetFanTolerance(uint8_t pin, uint8_t celsius) {
    if (celsius > 15)
        return 0;
    int channel = 0;
    int r = PwmChannel(pin, &channel);
    return r < 1 ? r : Write(HwmonAttribute("pwm", channel, "tolerance"), celsius * MILLI);
}

int CHwmonChip::SetFanStartValue(uint8_t pin, uint8_t duty) {
    int channel = 0;
    int r = PwmChannel(pin, &channel);
    return r < 1 ? r : Write(HwmonAttribute("pwm", channel, "start_output"), duty);
}

int CHwmonChip::SetFanStopValue(uint8_t pin, uint8_t duty) {
    int channel = 0;
    int r = PwmChannel(pin, &channel);
    return r < 1 ? r : Write(HwmonAttribute("pwm", channel, "stop_output"), duty);
}

FanControlSnapshot CHwmonChip::CaptureFanControl(uint8_t pin) {
    FanControlSnapshot s;
    int channel = 0;
    long enable = 0, target = 0, tolerance = 0, start = 0, stop = 0;
    if (PwmChannel(pin, &channel) >= 1) {
        Read(HwmonAttribute("pwm", channel, "enable"), &enable);
        Read(HwmonAttribute("pwm", channel, "target"), &target);
        Read(HwmonAttribute("pwm", channel, "tolerance"), &tolerance);
        Read(HwmonAttribute("pwm", channel, "start_output"), &start);
        Read(HwmonAttribute("pwm", channel, "stop_output"), &stop);
    }
    auto byteOf = [](long v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    s.automatic = enable == PWM_THERMAL_CRUISE;
    s.target = static_cast<uint8_t>(byteOf(target / MILLI) & 0x7F);
    s.tolerance = static_cast<uint8_t>(byteOf(tolerance / MILLI) & 0x0F);
    s.startPercent = PercentFromDuty(byteOf(start));
    s.stopPercent = PercentFromDuty(byteOf(stop));
    return s;
}
