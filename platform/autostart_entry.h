#pragma once
// "Run at StartUp": an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<name>.desktop, whose
// Exec starts the program in the tray. The flag is "the entry exists".

#include <string>

class CAutostartEntry {
  public:
    // `name` is the application name; `program` the absolute path of its executable.
    CAutostartEntry(const std::string& name, const std::string& program);

    bool Exists() const;
    // Writes the whole entry at once (never half a file) or removes it; false when that failed.
    bool Set(bool on);
    const std::string& Path() const { return m_path; }
    // The entry's text.
    std::string Text() const;

  private:
    std::string m_path;
    std::string m_program;
};

// A program path as one argument of a desktop entry's Exec key.
std::string DesktopExecArgument(const std::string& path);
