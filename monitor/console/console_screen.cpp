#include "console_screen.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* HOME = "\x1b[H";
constexpr const char* CLEAR_LINE_END = "\x1b[K";
constexpr const char* CLEAR_BELOW = "\x1b[J";
constexpr size_t WRAP_INDENT = 4;

// Columns on screen: UTF-8 continuation bytes take none.
size_t Columns(const std::string& s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The byte offset just past `columns` characters of s.
size_t ByteOffset(const std::string& s, size_t columns) {
    size_t i = 0;
    for (size_t seen = 0; i < s.size(); ++i) {
        if ((s[i] & 0xC0) != 0x80 && seen++ == columns)
            break;
    }
    return i;
}

void Wrap(std::string line, size_t width, std::vector<std::string>* out) {
    const std::string indent(std::min(WRAP_INDENT, width / 2), ' ');
    bool first = true;
    while (Columns(line) > width) {
        const size_t limit = ByteOffset(line, width);
        size_t cut = line.rfind(' ', limit);
        // No blank after the indent: cut inside the word.
        if (cut == std::string::npos || cut <= (first ? 0 : indent.size()))
            cut = limit;
        out->push_back(line.substr(0, cut));
        const size_t rest = line.find_first_not_of(' ', cut);
        if (rest == std::string::npos)
            return;
        line = indent + line.substr(rest);
        first = false;
    }
    out->push_back(line);
}

}  // namespace

STerminalSize TerminalSizeOf(int fd) {
    winsize ws{};
    if (::ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0 || ws.ws_col == 0)
        return {};
    return {ws.ws_row, ws.ws_col};
}

std::string ScreenFrame(const std::string& text, const std::string& banner, STerminalSize size) {
    // The last column stays free too: a full line leaves the cursor waiting to wrap, and the
    // line's clearing would take its last character.
    const size_t width = static_cast<size_t>(std::max(size.columns - 1, 20));
    // The last row stays free: a line written there would scroll the title away.
    const size_t rows = static_cast<size_t>(std::max(size.rows - 1, 2));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        Wrap(text.substr(start, end - start), width, &lines);
        start = end + 1;
    }
    if (lines.size() > rows) {
        // Blank lines go first, then whatever does not fit, told on the last line.
        std::erase_if(lines, [](const std::string& l) { return l.empty(); });
        if (lines.size() > rows) {
            const size_t hidden = lines.size() - (rows - 1);
            lines.resize(rows - 1);
            std::string note = banner + "  (" + std::to_string(hidden) + " more line" +
                               (hidden == 1 ? "" : "s") + ": a taller terminal shows them)";
            if (Columns(note) > width)
                note = note.substr(0, ByteOffset(note, width));
            lines.push_back(note);
        }
    }
    std::string frame = HOME;
    for (const std::string& line : lines)
        frame += line + CLEAR_LINE_END + "\n";
    return frame + CLEAR_BELOW;
}
