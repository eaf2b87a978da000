#pragma once
// Text commands that vornsim sends to a vorn-iod running the sim backend, over the socket
// VORN-SIM beside VORN-IO. One command line per connection; the reply is the whole rest of
// the stream:
//   "OK\n" followed by the text to print on standard output, or
//   "ERR <exit code>\n" followed by the message to print on standard error.

#include <string>
#include <string_view>

class ISimControl {
  public:
    virtual ~ISimControl() = default;
    // line: the command words, separated by single spaces ("set VCORE 1.25").
    virtual std::string Execute(std::string_view line) = 0;
};
