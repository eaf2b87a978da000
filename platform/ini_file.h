#pragma once
// An INI file with the Windows private-profile rules: section and key names match without
// regard to case; values are trimmed of blanks and one pair of enclosing double quotes;
// integers parse like GetPrivateProfileInt (optional sign, decimal digits up to the first other
// character, no digits giving 0); writing a key replaces its value in place, or appends the key
// at the end of its section, creating the section at the end of the file when missing. Lines
// starting with ";" are comments; a leading UTF-8 byte-order mark is skipped; text before the first
// section belongs to no section. The whole file is parsed once; Save writes it back atomically.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIniFile {
  public:
    // Reads the file; false (and an empty content) when it cannot be read. A missing file is
    // an empty one that does not exist yet.
    bool Load(const std::string& path, std::string* error = nullptr);
    void Parse(std::string_view text);
    std::string Serialize() const;
    bool Save(const std::string& path, std::string* error = nullptr) const;

    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    // The value, or nullopt when the section or key is missing.
    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;
    // Missing key, or an empty value: `fallback`.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t fallback) const;
    // False (nothing changed) for names or values that a line cannot hold: line breaks, NUL,
    // "]" in a section name, "=" in a key, names starting with ";" or "[", or empty names.
    bool SetString(std::string_view section, std::string_view key, std::string_view value);

    // The GetPrivateProfileInt reading of a value; saturates at the 32-bit range.
    static int32_t ParseInt(std::string_view value);

  private:
    struct Line {
        std::string text;     // the line as read or written, without its line break
        std::string section;  // the section it belongs to ("" before the first)
        bool isSection = false;
        bool isKey = false;
        std::string key;    // for key lines
        std::string value;  // for key lines, trimmed
    };
    const Line* FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> m_lines;
    bool m_crlf = false;  // written back with the line breaks it was read with
    bool m_bom = false;   // and with its byte-order mark
};
