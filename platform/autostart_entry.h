#pragma once
// "Run at StartUp": an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<name>.desktop, whose
// Exec starts the program in the tray. The flag is "the entry exists".

#include <optional>
#include <string>

class CAutostartEntry {
  public:
    // `name` is the application name; `program` the absolute path of its executable.
    CAutostartEntry(const std::string& name, const std::string& program);

    bool Exists() const;
    // Writes the whole entry at once (never half a file) or removes it; false when that failed,
    // with the reason in *error (a program path no entry can carry names its folder).
    bool Set(bool on, std::string* error = nullptr);
    const std::string& Path() const { return m_path; }
    // The entry's text; nullopt when the program path cannot be written into it.
    std::optional<std::string> Text() const;

  private:
    std::string m_path;
    std::string m_program;
};

// A program path as one argument of a desktop entry's Exec key: quoted, with the characters the
// quoting reserves escaped, then the escapes of a string value applied (so a backslash is
// written as four), and "%" doubled. Line breaks and tabs are written as string escapes.
// nullopt for a path no entry can carry: other control characters, or text that is not UTF-8.
std::optional<std::string> DesktopExecArgument(const std::string& path);
