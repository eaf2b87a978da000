#pragma once
// Registry values under a root key, kept in the per-user hive file (HKEY_CURRENT_USER) or read
// from the machine-wide one (HKEY_LOCAL_MACHINE, never written). Subkey paths are relative to
// the root, with "\" between their parts, and compare without regard to case.
//
// Every process shares one in-memory copy of each hive file. A change is written to the file at
// once, atomically, unless a batch is open: then the file is written once when the outermost
// batch ends. A hive file that does not parse is renamed aside and the store starts empty, as on
// a first run, saying so on standard error.

#include <cstdint>
#include <memory>
#include <string>

enum class ERegistryRoot { CurrentUser, LocalMachine };
inline constexpr ERegistryRoot HKEY_CURRENT_USER = ERegistryRoot::CurrentUser;
inline constexpr ERegistryRoot HKEY_LOCAL_MACHINE = ERegistryRoot::LocalMachine;

class CHiveFile;

class CRegistryStore {
  public:
    CRegistryStore() = default;
    virtual ~CRegistryStore();
    CRegistryStore(const CRegistryStore&) = default;
    CRegistryStore& operator=(const CRegistryStore&) = default;

    // Every other operation returns false until a root is set.
    void SetRoot(ERegistryRoot root);

    bool KeyExists(const std::string& subkey) const;
    bool GetDword(const std::string& subkey, const std::string& name, uint32_t* value) const;
    // At most 1023 characters; on failure *text becomes "".
    bool GetString(const std::string& subkey, const std::string& name, std::string* text) const;
    bool SetDword(const std::string& subkey, const std::string& name, uint32_t value);
    bool SetString(const std::string& subkey, const std::string& name, const std::string& text);
    bool DeleteValue(const std::string& subkey, const std::string& name);

    // Batches: changes made between BeginBatch and the matching EndBatch reach the file in one
    // write. EndBatch of the outermost batch writes when anything changed and returns whether
    // that write succeeded (true when there was nothing to write).
    void BeginBatch();
    bool EndBatch();

    // The file behind the root; "" before SetRoot.
    std::string FilePath() const;

  private:
    std::string FullKey(const std::string& subkey) const;

    bool m_rootSet = false;
    ERegistryRoot m_root = HKEY_CURRENT_USER;
    std::shared_ptr<CHiveFile> m_hive;
};

// Opens a batch on a store for the life of a scope; Commit() ends it and reports the write.
class CRegistryBatch {
  public:
    explicit CRegistryBatch(CRegistryStore& store) : m_store(store) { m_store.BeginBatch(); }
    ~CRegistryBatch() {
        if (!m_ended)
            m_store.EndBatch();
    }
    CRegistryBatch(const CRegistryBatch&) = delete;
    CRegistryBatch& operator=(const CRegistryBatch&) = delete;
    bool Commit() {
        m_ended = true;
        return m_store.EndBatch();
    }

  private:
    CRegistryStore& m_store;
    bool m_ended = false;
};
