#pragma once
// A registry hive kept as a text file in the regedit export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\VORN\HWM\3]
//   "Name"="CPU"
//   "ItemNo"=dword:00000003
//
// Only string (REG_SZ, with \\ and \" escapes) and DWORD values exist. Key paths are full paths
// from the root key; key paths and value names compare without regard to case and keep the
// spelling they were first given. The hive is read once, changed in memory and written once.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ERegType { String, Dword };

struct RegistryValue {
    ERegType type = ERegType::String;
    std::string text;    // String
    uint32_t dword = 0;  // Dword
};

enum class EHiveError {
    None,
    Missing,     // the file does not exist
    Unreadable,  // the file exists but cannot be read
    Malformed,   // the text is not a hive; `line` names the first bad line
};

struct HiveError {
    EHiveError kind = EHiveError::None;
    int line = 0;
    std::string message;
};

class CRegistryHive {
  public:
    static constexpr std::string_view HEADER = "Windows Registry Editor Version 5.00";

    // $XDG_CONFIG_HOME/vornpilot/registry.reg, with ~/.config when the variable is unset.
    static std::string UserHivePath();
    // The machine-wide hive, read only.
    static std::string MachineHivePath();

    // Replaces the content with the file's. On any failure the hive keeps its previous content:
    // it is never half-loaded. With `skipped`, a line that does not read (a file cut short, a
    // line typed by hand) is passed over and listed there instead, and the values after a key
    // line that does not read are passed over with it; only a file that is not a hive at all
    // (no header) fails. The hive then counts as changed, so the next Save writes it whole.
    bool Load(const std::string& path, HiveError* error = nullptr,
              std::vector<HiveError>* skipped = nullptr);
    // Same as Load, from text.
    bool Parse(std::string_view text, HiveError* error = nullptr,
               std::vector<HiveError>* skipped = nullptr);
    std::string Serialize() const;
    // Writes the whole hive atomically; clears the changed mark on success.
    bool Save(const std::string& path, std::string* error = nullptr);

    bool KeyExists(std::string_view key) const;
    // Creates the key and every missing parent; false for a path that cannot be a key.
    bool CreateKey(std::string_view key);
    // Removes the key with all its subkeys and values; false when it did not exist.
    bool DeleteKey(std::string_view key);
    // Names of the direct subkeys, in the spelling they were created with, in sorted order.
    std::vector<std::string> ListSubkeys(std::string_view key) const;
    // Names of the key's values in the order they were first set.
    std::vector<std::string> ListValues(std::string_view key) const;

    std::optional<RegistryValue> GetValue(std::string_view key, std::string_view name) const;
    std::optional<std::string> GetString(std::string_view key, std::string_view name) const;
    std::optional<uint32_t> GetDword(std::string_view key, std::string_view name) const;
    // Setting a value creates its key. False (nothing changed) for a key path that cannot be a
    // key or a name or text holding a line break or NUL, which the file format cannot carry.
    bool SetString(std::string_view key, std::string_view name, std::string_view text);
    bool SetDword(std::string_view key, std::string_view name, uint32_t value);
    bool DeleteValue(std::string_view key, std::string_view name);

    // True after any change since the last Load, Parse or successful Save.
    bool IsModified() const { return m_modified; }
    void Clear();

  private:
    struct Value {
        std::string name;
        RegistryValue value;
    };
    struct Key {
        std::string path;  // as first spelled
        std::vector<Value> values;
    };
    // Folded path components; their order is the tree order of the file.
    using KeyId = std::vector<std::string>;

    static std::optional<KeyId> MakeKeyId(std::string_view path);
    const Key* FindKey(std::string_view path) const;
    Key* FindOrCreateKey(std::string_view path);
    bool SetValue(std::string_view key, std::string_view name, const RegistryValue& value);

    std::map<KeyId, Key> m_keys;
    bool m_modified = false;
};
