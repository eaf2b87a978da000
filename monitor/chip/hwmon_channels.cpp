#include "hwmon_channels.h"

int HwmonVoltageChannel(uint8_t pin) {
    if (pin >= 0x20 && pin <= 0x26)
        return pin - 0x20;
    if (pin >= 0x50 && pin <= 0x52)  // bank 5: VSB, VBAT, VIN4
        return 7 + (pin - 0x50);
    return -1;
}

int HwmonVoltageScale(int channel) {
    // AVCC, 3VCC, VSB and VBAT sit behind the chip's own halving divider; the kernel doubles them.
    switch (channel) {
        case 2:
        case 3:
        case 7:
        case 8:
            return 16;
        default:
            return 8;
    }
}

int HwmonTemperatureChannel(uint8_t pin, uint8_t bank) {
    if (pin == 0x27)
        return 1;
    if (pin == 0x50 && (bank == 1 || bank == 2))
        return 1 + bank;
    return -1;
}

int HwmonFanChannel(uint8_t pin) {
    switch (pin) {
        case 0x28:
            return 1;
        case 0x29:
            return 2;
        case 0x2A:
            return 3;
        case 0x3F:
            return 4;
        case 0x53:
            return 5;
        default:
            return -1;
    }
}

int HwmonPwmChannel(uint8_t pin) {
    int fan = HwmonFanChannel(pin);
    return fan >= 1 && fan <= 4 ? fan : -1;
}

std::string HwmonAttribute(const char* kind, int channel, const char* what) {
    return kind + std::to_string(channel) + "_" + what;
}
