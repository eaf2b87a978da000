#include "bios_setup.h"

#include <bit>

using namespace sim_ehf;

namespace {

// SMI sources the BIOS masks: 0x43, 0x44, 0x46, bank 4 0x51.
constexpr std::array<uint8_t, 4> BIOS_SMI_MASKS{0x81, 0x08, 0x00, 0x00};

void SetupVoltage(const SVoltageDescription& d, int i, CW83627ehfModel& chip) {
    const SVoltageRegs& regs = VOLTAGES[i];
    if (!d.connected) {
        chip.Write(regs.high, 0xFF);
        chip.Write(regs.low, 0x00);
        return;
    }
    chip.Write(regs.high, VoltageCount(d.high, d.divider, d.negative));
    chip.Write(regs.low, VoltageCount(d.low, d.divider, d.negative));
}

void SetupTemperature(const STemperatureDescription& d, int i, CW83627ehfModel& chip) {
    const STemperatureRegs& regs = TEMPERATURES[i];
    const STemperatureBytes high = TemperatureBytes(d.high);
    const STemperatureBytes hyst = TemperatureBytes(d.hysteresis);
    chip.Write(regs.high, high.whole);
    chip.Write(regs.hyst, hyst.whole);
    if (regs.hasHalf) {
        chip.Write(regs.highHalf, high.half);
        chip.Write(regs.hystHalf, hyst.half);
    }
}

void SetField(CW83627ehfModel& chip, SField field, int value) {
    const uint8_t mask = static_cast<uint8_t>(((1u << field.width) - 1) << field.shift);
    const uint8_t old = chip.Read({0, field.index});
    chip.Write({0, field.index},
               static_cast<uint8_t>((old & ~mask) | ((value << field.shift) & mask)));
}

void SetupFanControl(const SFanDescription& d, int i, CW83627ehfModel& chip) {
    const SFanControlRegs& c = FAN_CONTROLS[i];
    const uint8_t start = DutyFromPercent(d.startPercent);
    SetField(chip, c.mode, d.cruise ? FAN_MODE_THERMAL_CRUISE : FAN_MODE_MANUAL);
    SetField(chip, c.outputType, 0);
    chip.Write({0, c.duty}, d.cruise ? start : DutyFromPercent(d.dutyPercent));
    chip.Write({0, c.target}, static_cast<uint8_t>(d.target));
    SetField(chip, c.tolerance, d.tolerance);
    chip.Write({0, c.stop}, DutyFromPercent(d.stopPercent));
    chip.Write({0, c.start}, start);
    SetField(chip, c.flag, d.keepMinimum ? 1 : 0);
}

}  // namespace

void ApplyBiosSetup(const SBoardDescription& board, CW83627ehfModel& chip) {
    for (size_t i = 0; i < SMI_MASKS.size(); ++i)
        chip.Write(SMI_MASKS[i], BIOS_SMI_MASKS[i]);

    for (int i = 0; i < VOLTAGE_COUNT; ++i)
        SetupVoltage(board.voltages[i], i, chip);
    for (int i = 0; i < TEMPERATURE_COUNT; ++i)
        SetupTemperature(board.temperatures[i], i, chip);
    for (int i = 0; i < FAN_COUNT; ++i) {
        const SFanDescription& d = board.fans[i];
        chip.SetFanDivisorCode(i, static_cast<uint8_t>(std::countr_zero(
                                      static_cast<unsigned>(d.divisor > 0 ? d.divisor : 8))));
        const bool limited = d.connected && d.limit > 0;
        chip.Write(FANS[i].limit, limited ? FanLimitCount(d.limit, d.divisor) : FAN_COUNT_STALLED);
    }
    // Fans in thermal cruise last: their settings win a register field two fans share.
    for (bool cruise : {false, true}) {
        for (int i = 0; i < CONTROLLED_FAN_COUNT; ++i) {
            const SFanDescription& d = board.fans[i];
            if (d.connected && d.cruise == cruise)
                SetupFanControl(d, i, chip);
        }
    }

    for (int pin = 0; pin < PIN_COUNT; ++pin) {
        const SPinInfo& info = PINS[pin];
        bool beep = false;
        switch (info.kind) {
            case EInputKind::Voltage:
                beep =
                    board.voltages[info.kindIndex].connected && board.voltages[info.kindIndex].beep;
                break;
            case EInputKind::Temperature:
                beep = board.temperatures[info.kindIndex].connected &&
                       board.temperatures[info.kindIndex].beep;
                break;
            case EInputKind::Fan:
                beep = board.fans[info.kindIndex].connected && board.fans[info.kindIndex].beep;
                break;
        }
        chip.WriteBit(info.beep, beep);
    }
    chip.WriteBit(GLOBAL_BEEP, true);
}
