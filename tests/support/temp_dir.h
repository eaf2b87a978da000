#pragma once
// A fresh directory for one test, removed with everything in it at the end.

#include <filesystem>
#include <string>

class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::filesystem::path Dir() const { return m_path; }
    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }
    // Writes a file below the directory; false when it cannot.
    bool WriteFile(const std::string& name, const std::string& content) const;

  private:
    std::string m_path;
};
