#include "autostart_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "atomic_file.h"
#include "printable_path.h"
#include "xdg_paths.h"

CAutostartEntry::CAutostartEntry(const std::string& name, const std::string& program)
    : m_path(XdgConfigHome() + "/autostart/" + name + ".desktop"), m_program(program) {}

bool CAutostartEntry::Exists() const {
    return ::access(m_path.c_str(), F_OK) == 0;
}

namespace {

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (c < 0x80) {
            more = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i <= more)
            return false;
        for (size_t k = 1; k <= more; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF))
                return false;
        }
        i += more + 1;
    }
    return true;
}

}  // namespace

std::optional<std::string> DesktopExecArgument(const std::string& path) {
    if (!IsUtf8(path))
        return std::nullopt;
    std::string quoted = "\"";
    for (char c : path) {
        switch (c) {
            case '"':
            case '`':
            case '$':
                // Escaped for the quoting; that backslash is escaped again for the string.
                quoted += "\\\\";
                quoted += c;
                break;
            case '\\':
                quoted += "\\\\\\\\";
                break;
            case '%':
                quoted += "%%";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\t':
                quoted += "\\t";
                break;
            case '\r':
                quoted += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    return std::nullopt;
                quoted += c;
        }
    }
    return quoted + "\"";
}

std::optional<std::string> CAutostartEntry::Text() const {
    const auto program = DesktopExecArgument(m_program);
    if (!program)
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=VORNPILOT Hardware Monitor\n"
           "Comment=Watches the board's voltages, temperatures and fans\n"
           "Exec=" +
           *program +
           " -s\n"
           "Icon=vornpilot\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool CAutostartEntry::Set(bool on, std::string* error) {
    if (!on) {
        if (::unlink(m_path.c_str()) == 0 || errno == ENOENT)
            return true;
        if (error != nullptr)
            *error = "cannot remove " + m_path + ": " + std::strerror(errno);
        return false;
    }
    const auto text = Text();
    if (!text) {
        // An entry that would not start the program is worse than none.
        if (error != nullptr) {
            const std::string folder = m_program.substr(0, m_program.rfind('/') + 1);
            *error = "the program folder \"" + PrintablePath(folder) +
                     "\" has a name a desktop entry cannot hold (a control character, or text "
                     "that is not UTF-8); the program cannot be started with the session from "
                     "there";
        }
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
    return AtomicWriteFile(m_path, *text, error);
}
