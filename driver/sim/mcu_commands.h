#pragma once
// The simulated microcontroller's text commands (see sim_commands.h for the reply format):
//
//   interrupt <source>...        one pending entry per source byte (0..255, decimal or 0x..),
//                                then the interrupt: the registered event is signalled
//   mcu                          mode, pending entries, transfers so far
//   mcu on|off|busy              answer; stop answering (ports read 0xFF); stay busy (0x0A)
//   mcu get <item>               the bytes the item answers and the last bytes written to it
//   mcu set <item> [<byte>...]   the bytes the item answers from now on

#include <string>
#include <string_view>
#include <vector>

#include "gx4410_model.h"

class CMcuCommands {
  public:
    using Words = std::vector<std::string_view>;

    explicit CMcuCommands(CGx4410Model& mcu) : m_mcu(mcu) {}

    std::string Interrupt(const Words& w);
    std::string Mcu(const Words& w);
    static std::string Help();

  private:
    std::string State() const;

    CGx4410Model& m_mcu;
};
