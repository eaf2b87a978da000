#pragma once
// The text commands of the simulated board (vornsim's side of it). Replies follow
// sim_control.h: "OK\n" + text, or "ERR 1\n" + message. Exit code 2 stays free for vornsim's
// "no running service".
//
//   help                              the command list
//   status                            every input with value, count, limits, alarm and beep
//                                     bits; fan control; global beep, beeping, faults
//   get <pin>                         one line: "<value> <count>"; temperatures with a
//                                     half-degree byte add it: "71.5 71 128"; a stalled fan
//                                     is "0 255"
//   set <pin> <value>                 holds the input at the value: volts (negative rails
//                                     negative), degrees Celsius (half degrees count), rpm or
//                                     "stall"; no drift or model until set again or released
//   release <pin>|all                 the input follows the board again
//   fault port <hex port> on|read|write|off
//   fault rate <0..1>                 that fraction of all port requests fails
//   fault off                         no faults at all
//   beeping                           "beeping" or "silent"
//   chip                              what the identification registers answer and how many
//                                     register writes reached its data port:
//                                     "vendor 0x5CA3 chip 0x88 writes 12"
//   chip <hex vendor> <hex chip>      the chip answers as another one from now on
//   interrupt ..., mcu ...            the microcontroller's commands (mcu_commands.h)
// Pin names are the chip's, exactly: VCORE ... AUXFAN1.

#include <string>
#include <string_view>
#include <vector>

#include "board_physics.h"
#include "chip_port_device.h"
#include "fault_injector.h"
#include "mcu_commands.h"
#include "w83627ehf_model.h"

class CSimCommands {
  public:
    CSimCommands(CW83627ehfModel& chip, CBoardPhysics& physics, CFaultInjector& faults,
                 const CChipPortDevice& chipPorts, CGx4410Model& mcu)
        : m_chip(chip),
          m_physics(physics),
          m_faults(faults),
          m_chipPorts(chipPorts),
          m_mcuCommands(mcu) {}

    std::string Execute(std::string_view line);

    static constexpr int ERR_USAGE = 1;

  private:
    using Words = std::vector<std::string_view>;
    std::string Help() const;
    std::string Status() const;
    std::string Get(const Words& w) const;
    std::string Set(const Words& w);
    std::string Release(const Words& w);
    std::string Fault(const Words& w);
    std::string Chip(const Words& w);

    // The pin named by `word`, or -1 with *error set.
    int PinArgument(std::string_view word, std::string* error) const;
    std::string GetLine(int pin) const;
    std::string InputRow(int pin) const;
    std::string FanControlRow(int fan) const;

    CW83627ehfModel& m_chip;
    CBoardPhysics& m_physics;
    CFaultInjector& m_faults;
    const CChipPortDevice& m_chipPorts;
    CMcuCommands m_mcuCommands;
};
