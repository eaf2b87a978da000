#pragma once
// Register access as the kernel driver addresses the chip: bank in the high byte, index in the
// low byte (0x459 is bank 4, register 0x59). Whoever provides it keeps one sweep of accesses
// whole; a register outside the bank window is the same in every bank.

#include <cstdint>

class IChipRegisterAccess {
  public:
    virtual ~IChipRegisterAccess() = default;
    virtual uint8_t Read(uint16_t reg) = 0;
    virtual void Write(uint16_t reg, uint8_t value) = 0;
};
