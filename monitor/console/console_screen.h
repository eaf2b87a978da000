#pragma once
// A pass's table as a terminal shows it: drawn over the last one in place (no scrolling, so the
// title stays at the top), each line wrapped at a word to the terminal's width, and cut to its
// height. A cut frame ends with the banner and how many lines did not fit, so the state is never
// the part that is lost. Plain output (not a terminal) does not come here.

#include <string>

struct STerminalSize {
    int rows = 24;
    int columns = 80;
};

// The terminal's size behind `fd`; 24 x 80 when it cannot be asked.
STerminalSize TerminalSizeOf(int fd);

// `text`: the table, lines ending in '\n'; `banner`: the pass's banner ("NORMAL", "WARNING").
std::string ScreenFrame(const std::string& text, const std::string& banner, STerminalSize size);
