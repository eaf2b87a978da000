#pragma once
// W83627EHF register access through its index/data port pair, and the chip layer's result
// convention: above 0 success, 0 nothing done, negative an error code.

#include <cstdint>
#include <string>

#include "port_io.h"
#include "w83627ehf_map.h"

inline constexpr uint16_t CHIP_INDEX_PORT = 0x295;
inline constexpr uint16_t CHIP_DATA_PORT = 0x296;

inline constexpr int ERR_PORT_READ = -8;
inline constexpr int ERR_PORT_WRITE = -9;
inline constexpr int ERR_NOT_VOLTAGE_PIN = -100;
inline constexpr int ERR_NOT_FAN_PIN = -101;
inline constexpr int ERR_NOT_TEMP_PIN = -102;
inline constexpr int ERR_PIN_NAME_UNKNOWN = -300;

// Leaves *value unchanged on failure.
int ReadChipRegister(IPortIo& io, uint8_t index, uint8_t* value);
int WriteChipRegister(IPortIo& io, uint8_t index, uint8_t value);

class CSensorChip {
  public:
    // Every access of this object goes through `io`, which must outlive it.
    explicit CSensorChip(IPortIo& io) : m_io(io) {}
    virtual ~CSensorChip() = default;

    // Keeps the other bits of the bank-select register; only bits 2..0 choose the bank.
    int SelectBank(uint8_t bank);
    // Formats "#Error: %d, %s" for the debug trace; changes nothing.
    void ReportChipError(int code, const std::string& detail);

    // The one way to a field of the register map, in the bank selected last. A read gives the
    // field's bits and leaves *value alone on failure. A write of a field that keeps other bits
    // reads the register first; any other write replaces the register at once.
    int ReadField(const ehf::SChipField& field, uint8_t* value);
    int WriteField(const ehf::SChipField& field, uint8_t value);

  private:
    IPortIo& m_io;
};

// The last text ReportChipError formatted, for the debug trace.
std::string LastChipErrorText();
