#include "autostart_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "atomic_file.h"
#include "xdg_paths.h"

CAutostartEntry::CAutostartEntry(const std::string& name, const std::string& program)
    : m_path(XdgConfigHome() + "/autostart/" + name + ".desktop"), m_program(program) {}

bool CAutostartEntry::Exists() const {
    return ::access(m_path.c_str(), F_OK) == 0;
}

std::string DesktopExecArgument(const std::string& path) {
    // Quoted, with the characters the format reserves inside quotes escaped; "%" is doubled.
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += "\\\\";
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CAutostartEntry::Text() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=VORNPILOT Hardware Monitor\n"
           "Comment=Watches the board's voltages, temperatures and fans\n"
           "Exec=" +
           DesktopExecArgument(m_program) +
           " -s\n"
           "Icon=vornpilot\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool CAutostartEntry::Set(bool on) {
    if (!on)
        return ::unlink(m_path.c_str()) == 0 || errno == ENOENT;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
    return AtomicWriteFile(m_path, Text());
}
