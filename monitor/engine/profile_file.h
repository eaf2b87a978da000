#pragma once
// One value written into an INI-format file, with the private-profile rules of CIniFile: the
// file and the section are created when missing, a key already there gets the new value in
// place, a new key goes to the end of its section. The file is replaced atomically.

#include <string>

class CProfileFile {
  public:
    explicit CProfileFile(std::string path) : m_path(std::move(path)) {}

    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // The key's trimmed value; `fallback` when the file, section or key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback = "") const;
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};
