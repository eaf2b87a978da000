#pragma once
// Opening a file with the desktop's default application for its type, the way a file manager's
// double-click does.

#include <string>

class IFileOpener {
  public:
    virtual ~IFileOpener() = default;
    // Starts the opening; true when the helper program was started. Does not wait for it.
    virtual bool Open(const std::string& path) = 0;
};

// Runs `xdg-open <path>` without a shell, detached: the caller neither waits for it nor leaves
// a zombie behind. The path is made absolute first, so no path is taken for an option.
class CDesktopOpener : public IFileOpener {
  public:
    // `program`: the helper's name (looked up on PATH) or its path.
    explicit CDesktopOpener(std::string program = "xdg-open");
    bool Open(const std::string& path) override;

  private:
    std::string m_program;
};

// The file `program` names: itself when it holds a "/", else the first executable file of that
// name on PATH; "" when there is none.
std::string FindProgram(const std::string& program);
