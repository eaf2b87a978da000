#pragma once
// Board description files (*.simboard): INI text, one section per connected chip input, named
// by its pin name, plus [board]. Inputs without a section are not connected. Every key is
// checked: an unknown section or key, a repeated key, a value that is no number of the right
// kind or out of range, or a reading the chip could not measure makes the file bad, and the
// error names the file and line.
//
//   [board]            name = <model name>
//   [<voltage pin>]    nominal = <V>  divider = <pin V per V, default 1>  negative = 0|1
//                      low = <V>  high = <V> (default nominal -/+ 10 %)  beep = 0|1
//   [<temperature>]    ambient = <C>  heat = <C>  cooling = <0..1>  fan = <fan pin>|none
//                      time_constant = <s>  high = <C>  hysteresis = <C>  beep = 0|1
//   [<fan pin>]        max_rpm = <rpm>  min_duty = <%>  spin_time = <s>  divisor = 1|2|...|128
//                      limit = <rpm, 0 = none>  beep = 0|1
//                      control = manual|cruise  duty = <%>  target = <C>  tolerance = <C>
//                      start = <%>  stop = <%>  keep_minimum = 0|1   (not for AUXFAN1)

#include <optional>
#include <string>
#include <string_view>

#include "board_description.h"

class CBoardFile {
  public:
    static std::optional<SBoardDescription> Load(const std::string& path, std::string* error);
    // origin names the text in error messages.
    static std::optional<SBoardDescription> Parse(std::string_view text, const std::string& origin,
                                                  std::string* error);
};
