#pragma once
// A fresh directory per test, removed with everything in it at the end.

#include <filesystem>
#include <string>

class CTempDir {
  public:
    CTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) != nullptr) {
            m_path = tmpl;
        }
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};
