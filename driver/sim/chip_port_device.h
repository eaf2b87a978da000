#pragma once
// The hardware monitor's index/data pair: the index port latches a register number and reads
// it back; the data port reads and writes that register in the current bank.

#include "sim_port_device.h"
#include "w83627ehf_model.h"

class CChipPortDevice : public ISimPortDevice {
  public:
    static constexpr uint16_t INDEX_PORT = 0x295;
    static constexpr uint16_t DATA_PORT = 0x296;

    explicit CChipPortDevice(CW83627ehfModel& chip) : m_chip(chip) {}

    bool Decodes(uint16_t port) const override;
    uint8_t ReadByte(uint16_t port) override;
    void WriteByte(uint16_t port, uint8_t value) override;

    uint8_t Index() const { return m_index; }

  private:
    CW83627ehfModel& m_chip;
    uint8_t m_index = 0;
};
