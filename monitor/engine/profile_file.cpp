#include "profile_file.h"

#include "ini_file.h"

bool CProfileFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
    CIniFile ini;
    if (!ini.Load(m_path))
        return false;
    return ini.SetString(section, key, value) && ini.Save(m_path);
}

std::string CProfileFile::GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
    CIniFile ini;
    if (!ini.Load(m_path))
        return fallback;
    return ini.GetString(section, key).value_or(fallback);
}
