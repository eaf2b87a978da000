#include "registry_store.h"

#include "hive_file.h"

namespace {
constexpr size_t STRING_VALUE_MAX = 1023;  // a 1024-byte buffer with its terminating zero

const char* RootName(ERegistryRoot root) {
    return root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}
}  // namespace

CRegistryStore::~CRegistryStore() = default;

void CRegistryStore::SetRoot(ERegistryRoot root) {
    m_root = root;
    m_rootSet = true;
    if (root == HKEY_LOCAL_MACHINE)
        m_hive = CHiveFile::Open(CRegistryHive::MachineHivePath(), false);
    else
        m_hive = CHiveFile::Open(CRegistryHive::UserHivePath(), true);
}

std::string CRegistryStore::FilePath() const {
    return m_rootSet ? m_hive->Path() : "";
}

std::string CRegistryStore::FullKey(const std::string& subkey) const {
    std::string key = RootName(m_root);
    size_t start = subkey.find_first_not_of('\\');
    if (start != std::string::npos)
        key += '\\' + subkey.substr(start);
    return key;
}

bool CRegistryStore::KeyExists(const std::string& subkey) const {
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    return m_hive->Read([&](const CRegistryHive& h) { return h.KeyExists(key); });
}

bool CRegistryStore::GetDword(const std::string& subkey, const std::string& name,
                              uint32_t* value) const {
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    std::optional<uint32_t> v =
        m_hive->Read([&](const CRegistryHive& h) { return h.GetDword(key, name); });
    if (!v)
        return false;
    *value = *v;
    return true;
}

bool CRegistryStore::GetString(const std::string& subkey, const std::string& name,
                               std::string* text) const {
    text->clear();
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    std::optional<std::string> v =
        m_hive->Read([&](const CRegistryHive& h) { return h.GetString(key, name); });
    if (!v)
        return false;
    *text = v->substr(0, STRING_VALUE_MAX);
    return true;
}

bool CRegistryStore::SetDword(const std::string& subkey, const std::string& name, uint32_t value) {
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    return m_hive->Change([&](CRegistryHive& h) { return h.SetDword(key, name, value); });
}

bool CRegistryStore::SetString(const std::string& subkey, const std::string& name,
                               const std::string& text) {
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    return m_hive->Change([&](CRegistryHive& h) { return h.SetString(key, name, text); });
}

bool CRegistryStore::DeleteValue(const std::string& subkey, const std::string& name) {
    if (!m_rootSet)
        return false;
    std::string key = FullKey(subkey);
    return m_hive->Change([&](CRegistryHive& h) { return h.DeleteValue(key, name); });
}

void CRegistryStore::BeginBatch() {
    if (m_rootSet)
        m_hive->BeginBatch();
}

bool CRegistryStore::EndBatch() {
    return !m_rootSet || m_hive->EndBatch();
}
