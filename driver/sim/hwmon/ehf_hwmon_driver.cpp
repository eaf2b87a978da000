#include "ehf_hwmon_driver.h"

#include <algorithm>
#include <array>
#include <cerrno>

using namespace sim_hwmon;

namespace {

// Register addresses as the kernel driver has them: bank << 8 | index.
constexpr uint16_t REG_CONFIG = 0x40;
constexpr uint16_t REG_FANDIV1 = 0x47;
constexpr uint16_t REG_FANDIV2 = 0x4B;
constexpr uint16_t REG_SMI_OVT = 0x4C;
constexpr uint16_t REG_DIODE = 0x59;
constexpr uint16_t REG_VBAT = 0x5D;
constexpr uint16_t REG_CASEOPEN_DET = 0x42;
constexpr std::array<uint16_t, 3> REG_ALARM{0x459, 0x45A, 0x45B};

constexpr uint16_t RegIn(int n) {
    return static_cast<uint16_t>(n < 7 ? 0x20 + n : 0x550 + n - 7);
}
constexpr uint16_t RegInMax(int n) {
    return static_cast<uint16_t>(n < 7 ? 0x2B + n * 2 : 0x554 + (n - 7) * 2);
}
constexpr uint16_t RegInMin(int n) {
    return static_cast<uint16_t>(n < 7 ? 0x2C + n * 2 : 0x555 + (n - 7) * 2);
}

constexpr std::array<uint16_t, FAN_COUNT> REG_FAN{0x28, 0x29, 0x2A, 0x3F, 0x553};
constexpr std::array<uint16_t, FAN_COUNT> REG_FAN_MIN{0x3B, 0x3C, 0x3D, 0x3E, 0x55C};

constexpr std::array<uint16_t, TEMP_COUNT> REG_TEMP{0x27, 0x150, 0x250};
constexpr std::array<uint16_t, TEMP_COUNT> REG_TEMP_OVER{0x39, 0x155, 0x255};
constexpr std::array<uint16_t, TEMP_COUNT> REG_TEMP_HYST{0x3A, 0x153, 0x253};
constexpr std::array<uint16_t, TEMP_COUNT> REG_TEMP_CONFIG{0, 0x152, 0x252};
constexpr std::array<uint16_t, TEMP_COUNT> REG_TEMP_OFFSET{0x454, 0x455, 0x456};

constexpr std::array<uint16_t, PWM_COUNT> REG_PWM_ENABLE{0x04, 0x04, 0x12, 0x62};
constexpr std::array<uint8_t, PWM_COUNT> PWM_MODE_SHIFT{0, 1, 0, 6};
constexpr std::array<uint8_t, PWM_COUNT> PWM_ENABLE_SHIFT{2, 4, 1, 4};
constexpr std::array<uint16_t, PWM_COUNT> REG_PWM{0x01, 0x03, 0x11, 0x61};
constexpr std::array<uint16_t, PWM_COUNT> REG_TARGET{0x05, 0x06, 0x13, 0x63};
constexpr std::array<uint16_t, PWM_COUNT> REG_TOLERANCE{0x07, 0x07, 0x14, 0x62};
constexpr std::array<uint16_t, PWM_COUNT> REG_START_OUTPUT{0x0A, 0x0B, 0x16, 0x65};
constexpr std::array<uint16_t, PWM_COUNT> REG_STOP_OUTPUT{0x08, 0x09, 0x15, 0x64};
constexpr std::array<uint16_t, PWM_COUNT> REG_STOP_TIME{0x0C, 0x0D, 0x17, 0x66};

// Bits of the three alarm registers (ALARM1 | ALARM2 << 8 | ALARM3 << 16) per channel.
constexpr std::array<int, IN_COUNT> IN_ALARM_BIT{0, 1, 2, 3, 8, 21, 20, 16, 17, 19};
constexpr std::array<int, FAN_COUNT> FAN_ALARM_BIT{6, 7, 11, 10, 23};
constexpr std::array<int, TEMP_COUNT> TEMP_ALARM_BIT{4, 5, 13};

// temp2 and temp3 carry a half-degree byte after their whole-degree register.
bool IsWordSized(uint16_t reg) {
    const uint16_t bank = reg & 0xFF00;
    const uint16_t index = reg & 0x00FF;
    return (bank == 0x100 || bank == 0x200) && (index == 0x50 || index == 0x53 || index == 0x55);
}

uint16_t ReadTemp(IChipRegisterAccess& chip, uint16_t reg) {
    const uint16_t high = static_cast<uint16_t>(chip.Read(reg) << 8);
    return IsWordSized(reg) ? static_cast<uint16_t>(high | chip.Read(reg + 1)) : high;
}

void WriteTemp(IChipRegisterAccess& chip, uint16_t reg, uint16_t value) {
    chip.Write(reg, static_cast<uint8_t>(value >> 8));
    if (IsWordSized(reg))
        chip.Write(reg + 1, static_cast<uint8_t>(value & 0xFF));
}

std::string Name(const char* kind, int number, const char* suffix) {
    return kind + std::to_string(number) + suffix;
}

}  // namespace

CEhfHwmonDriver::CEhfHwmonDriver() {
    m_list.push_back({"name", false});
    m_entries.push_back({});
    AddInputs();
    AddFans();
    AddTemperatures();
    AddPwms();
    Add("intrusion0_alarm", [this] { return (m_caseOpen & 0x10) ? 1L : 0L; });
}

void CEhfHwmonDriver::Add(std::string name, ShowFn show, StoreFn store, bool isSigned) {
    m_list.push_back({std::move(name), static_cast<bool>(store)});
    m_entries.push_back({std::move(show), std::move(store), isSigned});
}

const CEhfHwmonDriver::SEntry* CEhfHwmonDriver::Find(const std::string& name) const {
    for (size_t i = 1; i < m_list.size(); ++i) {
        if (m_list[i].name == name)
            return &m_entries[i];
    }
    return nullptr;
}

void CEhfHwmonDriver::AddInputs() {
    for (int n = 0; n < IN_COUNT; ++n) {
        Add(Name("in", n, "_input"), [this, n] { return InFromReg(m_in[n], n); });
        Add(
            Name("in", n, "_min"), [this, n] { return InFromReg(m_inMin[n], n); },
            [this, n](IChipRegisterAccess& chip, long v) {
                if (v < 0)
                    return EINVAL;
                m_inMin[n] = InToReg(v, n);
                chip.Write(RegInMin(n), m_inMin[n]);
                return 0;
            });
        Add(
            Name("in", n, "_max"), [this, n] { return InFromReg(m_inMax[n], n); },
            [this, n](IChipRegisterAccess& chip, long v) {
                if (v < 0)
                    return EINVAL;
                m_inMax[n] = InToReg(v, n);
                chip.Write(RegInMax(n), m_inMax[n]);
                return 0;
            });
        Add(Name("in", n, "_alarm"), [this, n] { return long((m_alarms >> IN_ALARM_BIT[n]) & 1); });
    }
}

void CEhfHwmonDriver::AddFans() {
    for (int n = 0; n < FAN_COUNT; ++n) {
        const int c = n + 1;
        Add(Name("fan", c, "_input"), [this, n] { return long(m_rpm[n]); });
        Add(
            Name("fan", c, "_min"),
            [this, n] { return long(FanFromReg8(m_fanMin[n], m_fanDiv[n])); },
            [this, n](IChipRegisterAccess& chip, long v) { return StoreFanMin(chip, n, v); });
        Add(Name("fan", c, "_alarm"),
            [this, n] { return long((m_alarms >> FAN_ALARM_BIT[n]) & 1); });
        Add(Name("fan", c, "_div"), [this, n] { return long(1U << m_fanDiv[n]); });
    }
}

void CEhfHwmonDriver::AddTemperatures() {
    for (int n = 0; n < TEMP_COUNT; ++n) {
        const int c = n + 1;
        Add(Name("temp", c, "_input"), [this, n] { return TempFromReg(m_temp[n]); });
        Add(
            Name("temp", c, "_max"), [this, n] { return TempFromReg(m_tempMax[n]); },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_tempMax[n] = TempToReg(v);
                WriteTemp(chip, REG_TEMP_OVER[n], m_tempMax[n]);
                return 0;
            });
        Add(
            Name("temp", c, "_max_hyst"), [this, n] { return TempFromReg(m_tempMaxHyst[n]); },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_tempMaxHyst[n] = TempToReg(v);
                WriteTemp(chip, REG_TEMP_HYST[n], m_tempMaxHyst[n]);
                return 0;
            });
        Add(Name("temp", c, "_alarm"),
            [this, n] { return long((m_alarms >> TEMP_ALARM_BIT[n]) & 1); });
        Add(Name("temp", c, "_type"), [this, n] { return long(m_tempType[n]); });
        Add(Name("temp", c, "_offset"), [this, n] { return long(m_tempOffset[n]) * 1000; });
    }
}

void CEhfHwmonDriver::AddPwms() {
    for (int n = 0; n < PWM_COUNT; ++n) {
        const int c = n + 1;
        Add(
            Name("pwm", c, ""), [this, n] { return long(m_pwm[n]); },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_pwm[n] = static_cast<uint8_t>(std::clamp(v, 0L, 255L));
                chip.Write(REG_PWM[n], m_pwm[n]);
                return 0;
            });
        Add(
            Name("pwm", c, "_enable"), [this, n] { return long(m_pwmEnable[n]); },
            [this, n](IChipRegisterAccess& chip, long v) { return StorePwmEnable(chip, n, v); });
        Add(
            Name("pwm", c, "_mode"), [this, n] { return long(m_pwmMode[n]); },
            [this, n](IChipRegisterAccess& chip, long v) { return StorePwmMode(chip, n, v); });
        Add(
            Name("pwm", c, "_target"), [this, n] { return long(m_targetTemp[n]) * 1000; },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_targetTemp[n] =
                    static_cast<uint8_t>(std::clamp(DivRoundClosest(v, 1000), 0L, 127L));
                chip.Write(REG_TARGET[n], m_targetTemp[n]);
                return 0;
            });
        Add(
            Name("pwm", c, "_tolerance"), [this, n] { return long(m_tolerance[n]) * 1000; },
            [this, n](IChipRegisterAccess& chip, long v) { return StoreTolerance(chip, n, v); });
        Add(
            Name("pwm", c, "_start_output"), [this, n] { return long(m_startOutput[n]); },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_startOutput[n] = static_cast<uint8_t>(std::clamp(v, 1L, 255L));
                chip.Write(REG_START_OUTPUT[n], m_startOutput[n]);
                return 0;
            },
            false);
        Add(
            Name("pwm", c, "_stop_output"), [this, n] { return long(m_stopOutput[n]); },
            [this, n](IChipRegisterAccess& chip, long v) {
                m_stopOutput[n] = static_cast<uint8_t>(std::clamp(v, 1L, 255L));
                chip.Write(REG_STOP_OUTPUT[n], m_stopOutput[n]);
                return 0;
            },
            false);
        // Milliseconds: 100 a step in PWM mode, 400 in DC mode.
        Add(Name("pwm", c, "_stop_time"),
            [this, n] { return long(m_stopTime[n]) * (m_pwmMode[n] ? 100 : 400); });
    }
}

void CEhfHwmonDriver::Probe(IChipRegisterAccess& chip) {
    const uint8_t config = chip.Read(REG_CONFIG);
    if (!(config & 0x01))
        chip.Write(REG_CONFIG, config | 0x01);
    for (uint16_t reg : REG_TEMP_CONFIG) {
        if (reg == 0)
            continue;
        const uint8_t value = chip.Read(reg);
        if (value & 0x01)
            chip.Write(reg, value & 0xFE);
    }
    const uint8_t vbat = chip.Read(REG_VBAT);
    if (!(vbat & 0x01))
        chip.Write(REG_VBAT, vbat | 0x01);
    // Diode (1 CPU diode, 3 transistor) or thermistor (4), from the register read above.
    const uint8_t diode = chip.Read(REG_DIODE);
    for (int i = 0; i < TEMP_COUNT; ++i) {
        if (vbat & (0x02 << i))
            m_tempType[i] = (diode & (0x10 << i)) ? 1 : 3;
        else
            m_tempType[i] = 4;
    }
    UpdateFanDivisors(chip);
    UpdatePwms(chip);
    std::copy(std::begin(m_pwmEnable), std::end(m_pwmEnable), std::begin(m_pwmEnableOrig));
    Update(chip);
}

void CEhfHwmonDriver::UpdateFanDivisors(IChipRegisterAccess& chip) {
    uint8_t r = chip.Read(REG_FANDIV1);
    m_fanDiv[0] = (r >> 4) & 0x03;
    m_fanDiv[1] = (r >> 6) & 0x03;
    r = chip.Read(REG_FANDIV2);
    m_fanDiv[2] = (r >> 6) & 0x03;
    r = chip.Read(REG_VBAT);
    m_fanDiv[0] |= (r >> 3) & 0x04;
    m_fanDiv[1] |= (r >> 4) & 0x04;
    m_fanDiv[2] |= (r >> 5) & 0x04;
    r = chip.Read(REG_DIODE);
    m_fanDiv[3] = r & 0x03;
    m_fanDiv[4] = ((r >> 2) & 0x03) | ((r >> 5) & 0x04);
    r = chip.Read(REG_SMI_OVT);
    m_fanDiv[3] |= (r >> 5) & 0x04;
}

void CEhfHwmonDriver::WriteFanDivisor(IChipRegisterAccess& chip, int fan) {
    // Bit 0 of FANDIV1 switches fan5's pin to input and reads back nothing: written as 1,
    // since fan5 is there.
    const uint8_t d = m_fanDiv[fan];
    uint8_t r;
    switch (fan) {
        case 0:
            r = static_cast<uint8_t>((chip.Read(REG_FANDIV1) & 0xCF) | ((d & 0x03) << 4) | 0x01);
            chip.Write(REG_FANDIV1, r);
            chip.Write(REG_VBAT,
                       static_cast<uint8_t>((chip.Read(REG_VBAT) & 0xDF) | ((d & 0x04) << 3)));
            break;
        case 1:
            r = static_cast<uint8_t>((chip.Read(REG_FANDIV1) & 0x3F) | ((d & 0x03) << 6) | 0x01);
            chip.Write(REG_FANDIV1, r);
            chip.Write(REG_VBAT,
                       static_cast<uint8_t>((chip.Read(REG_VBAT) & 0xBF) | ((d & 0x04) << 4)));
            break;
        case 2:
            chip.Write(REG_FANDIV2,
                       static_cast<uint8_t>((chip.Read(REG_FANDIV2) & 0x3F) | ((d & 0x03) << 6)));
            chip.Write(REG_VBAT,
                       static_cast<uint8_t>((chip.Read(REG_VBAT) & 0x7F) | ((d & 0x04) << 5)));
            break;
        case 3:
            chip.Write(REG_DIODE, static_cast<uint8_t>((chip.Read(REG_DIODE) & 0xFC) | (d & 0x03)));
            chip.Write(REG_SMI_OVT,
                       static_cast<uint8_t>((chip.Read(REG_SMI_OVT) & 0x7F) | ((d & 0x04) << 5)));
            break;
        default:
            chip.Write(REG_DIODE, static_cast<uint8_t>((chip.Read(REG_DIODE) & 0x73) |
                                                       ((d & 0x03) << 2) | ((d & 0x04) << 5)));
            break;
    }
}

void CEhfHwmonDriver::UpdatePwms(IChipRegisterAccess& chip) {
    for (int i = 0; i < PWM_COUNT; ++i) {
        const uint8_t config = chip.Read(REG_PWM_ENABLE[i]);
        const uint8_t tolerance = chip.Read(REG_TOLERANCE[i]);
        m_pwmMode[i] = ((config >> PWM_MODE_SHIFT[i]) & 1) ? 0 : 1;
        m_pwmEnable[i] = static_cast<uint8_t>(((config >> PWM_ENABLE_SHIFT[i]) & 3) + 1);
        m_pwm[i] = chip.Read(REG_PWM[i]);
        m_tolerance[i] = (tolerance >> (i == 1 ? 4 : 0)) & 0x0F;
    }
}

void CEhfHwmonDriver::Update(IChipRegisterAccess& chip) {
    UpdateFanDivisors(chip);
    for (int i = 0; i < IN_COUNT; ++i) {
        m_in[i] = chip.Read(RegIn(i));
        m_inMin[i] = chip.Read(RegInMin(i));
        m_inMax[i] = chip.Read(RegInMax(i));
    }
    for (int i = 0; i < FAN_COUNT; ++i) {
        const uint8_t count = chip.Read(REG_FAN[i]);
        m_rpm[i] = FanFromReg8(count, m_fanDiv[i]);
        m_fanMin[i] = chip.Read(REG_FAN_MIN[i]);
        if (count == 0xFF && m_fanDiv[i] < 7) {
            ++m_fanDiv[i];
            WriteFanDivisor(chip, i);
            if (m_fanMin[i] >= 2 && m_fanMin[i] != 255) {
                m_fanMin[i] /= 2;
                chip.Write(REG_FAN_MIN[i], m_fanMin[i]);
            }
        }
    }
    UpdatePwms(chip);
    for (int i = 0; i < PWM_COUNT; ++i) {
        m_startOutput[i] = chip.Read(REG_START_OUTPUT[i]);
        m_stopOutput[i] = chip.Read(REG_STOP_OUTPUT[i]);
        m_stopTime[i] = chip.Read(REG_STOP_TIME[i]);
        m_targetTemp[i] = chip.Read(REG_TARGET[i]) & (m_pwmMode[i] == 1 ? 0x7F : 0xFF);
    }
    for (int i = 0; i < TEMP_COUNT; ++i) {
        m_temp[i] = ReadTemp(chip, REG_TEMP[i]);
        m_tempMax[i] = ReadTemp(chip, REG_TEMP_OVER[i]);
        m_tempMaxHyst[i] = ReadTemp(chip, REG_TEMP_HYST[i]);
        m_tempOffset[i] = static_cast<int8_t>(chip.Read(REG_TEMP_OFFSET[i]));
    }
    m_alarms = chip.Read(REG_ALARM[0]) | (chip.Read(REG_ALARM[1]) << 8) |
               (static_cast<uint32_t>(chip.Read(REG_ALARM[2])) << 16);
    m_caseOpen = chip.Read(REG_CASEOPEN_DET);
}

int CEhfHwmonDriver::StoreFanMin(IChipRegisterAccess& chip, int fan, long value) {
    if (value < 0)
        return EINVAL;
    const SFanMin chosen = FanMinToReg(static_cast<unsigned long>(value), m_fanDiv[fan]);
    m_fanMin[fan] = chosen.count;
    if (chosen.divisorCode != m_fanDiv[fan]) {
        m_fanDiv[fan] = chosen.divisorCode;
        WriteFanDivisor(chip, fan);
    }
    chip.Write(REG_FAN_MIN[fan], m_fanMin[fan]);
    return 0;
}

int CEhfHwmonDriver::StorePwmEnable(IChipRegisterAccess& chip, int pwm, long value) {
    // 1 manual, 2 thermal cruise, 3 fan speed cruise, 4 SmartFan III; a higher mode only when
    // it is the one the chip came up in.
    if (value <= 0 || (value > 4 && value != m_pwmEnableOrig[pwm]))
        return EINVAL;
    m_pwmEnable[pwm] = static_cast<uint8_t>(value);
    uint8_t reg = chip.Read(REG_PWM_ENABLE[pwm]);
    reg = static_cast<uint8_t>(reg & ~(0x03 << PWM_ENABLE_SHIFT[pwm]));
    reg = static_cast<uint8_t>(reg | ((value - 1) << PWM_ENABLE_SHIFT[pwm]));
    chip.Write(REG_PWM_ENABLE[pwm], reg);
    return 0;
}

int CEhfHwmonDriver::StorePwmMode(IChipRegisterAccess& chip, int pwm, long value) {
    // 0 DC output (register bit set), 1 PWM output.
    if (value < 0 || value > 1)
        return EINVAL;
    m_pwmMode[pwm] = static_cast<uint8_t>(value);
    uint8_t reg = chip.Read(REG_PWM_ENABLE[pwm]);
    reg = static_cast<uint8_t>(reg & ~(1 << PWM_MODE_SHIFT[pwm]));
    if (value == 0)
        reg = static_cast<uint8_t>(reg | (1 << PWM_MODE_SHIFT[pwm]));
    chip.Write(REG_PWM_ENABLE[pwm], reg);
    return 0;
}

int CEhfHwmonDriver::StoreTolerance(IChipRegisterAccess& chip, int pwm, long value) {
    const auto tolerance = static_cast<uint8_t>(std::clamp(DivRoundClosest(value, 1000), 0L, 15L));
    uint8_t reg = chip.Read(REG_TOLERANCE[pwm]);
    // pwm1 and pwm2 share one register: pwm2 in the high nibble.
    if (pwm == 1)
        reg = static_cast<uint8_t>((reg & 0x0F) | (tolerance << 4));
    else
        reg = static_cast<uint8_t>((reg & 0xF0) | tolerance);
    chip.Write(REG_TOLERANCE[pwm], reg);
    m_tolerance[pwm] = tolerance;
    return 0;
}

std::optional<std::string> CEhfHwmonDriver::Show(const std::string& name) const {
    if (name == "name")
        return std::string(NAME) + "\n";
    const SEntry* entry = Find(name);
    if (!entry)
        return std::nullopt;
    return std::to_string(entry->show()) + "\n";
}

int CEhfHwmonDriver::Store(IChipRegisterAccess& chip, const std::string& name,
                           const std::string& text) {
    if (name == "name")
        return EACCES;
    const SEntry* entry = Find(name);
    if (!entry)
        return ENOENT;
    if (!entry->store)
        return EACCES;
    long value = 0;
    if (const int error = ParseKernelLong(text, entry->isSigned, &value); error != 0)
        return error;
    return entry->store(chip, value);
}
